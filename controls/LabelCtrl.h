// CLabelCtrl, window class "LabelCtrl": a row of labels along the bottom of a host window,
// one per attached window. Clicking a label shows its window and hides the previous one;
// two arrows at the left step through the labels; a scroll bar at the right can take over the
// horizontal scrolling of the current window (whose own bar is then pushed out of sight);
// a splitter between labels and scroll bar can be dragged.
#pragma once
#include "classlib/Afx.h"
#include "controls/LabelStrip.h"

#include <string>
#include <vector>

// Strip styles (the low 16 bits of the creation style).
enum : DWORD {
    LCS_JOINCURRENT = 0x0001,   // the current label joins the window above it
    LCS_SPLITTER = 0x0002,
    LCS_NOARROWS = 0x0004,
    LCS_NORIGHTCLICK = 0x0008,
    LCS_LINETOP = 0x0010,
    LCS_LINEBOTTOM = 0x0020,
    LCS_LINELEFT = 0x0040,
    LCS_LINERIGHT = 0x0080,
    LCS_SCROLLTAKEOVER = 0x0100,
    LCS_KEEPSPLITTER = 0x0200,
};

// Creation flags of the full Create.
enum : DWORD {
    LCF_WIDTHARRAY = 0x1,
    LCF_TEXTARRAY = 0x2,
    LCF_CHILD = 0x10,
};

// Sees the messages of a hooked window in place of its procedure: the previous procedure, the
// window, the message, and the window's class-library object.
typedef LRESULT (*LabelMessageFilter)(WNDPROC previous, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, CWnd* window);

// The strip's private message: passes only through the hook, which synchronises again.
const UINT WM_LABELSYNC = 0x2D91;
const UINT_PTR kLabelArrowTimer = 43946;
const UINT_PTR kLabelFitTimer = 43947;
const UINT kLabelArrowId = 43948;
const UINT kLabelScrollId = 43949;

// The record of the strip's notification (code 1), 28 bytes.
struct LabelNotify {
    NMHDR hdr;
    LONG_PTR stripData;    // the strip's GWL_USERDATA
    LONG_PTR windowData;   // the attached window's GWL_USERDATA, 0 without a window
    int current;
    HWND window;
};

class CLabelCtrl : public CWnd {
    DECLARE_DYNAMIC(CLabelCtrl)
public:
    CLabelCtrl();
    ~CLabelCtrl() override;

    // Full form; see the flags above. 1, or 0 when the window cannot be made (also when the
    // window class could not be registered).
    int Create(int count, const void* widths, const void* texts, CWnd* const* windows, const RECT& rect,
               CWnd* pParentWnd, DWORD dwStyle, UINT nID, DWORD flags);
    // Short form: one width and a prefix, creation flags LCF_CHILD.
    int Create(int count, int width, LPCSTR prefix, const RECT& rect, CWnd* pParentWnd, DWORD dwStyle, UINT nID);

    int SetLabelCount(int count, BOOL redraw = TRUE);
    int GetLabelCount() const noexcept { return static_cast<int>(m_labels.size()); }
    int GetCurrentLabel() const noexcept { return m_current; }
    int SetLabelText(int i, LPCSTR text, BOOL redraw = TRUE);
    int SetLabelTexts(int n, const LPCSTR* texts, BOOL redraw = TRUE);
    // Texts one after the other until an empty or null one.
    int SetLabelTextList(const LPCSTR* texts, BOOL redraw = TRUE);
    int SetLabelTextPrefix(LPCSTR prefix, BOOL redraw = TRUE);
    const char* GetLabelText(int i) const noexcept;
    int SetLabelWidth(int i, int width, BOOL redraw = TRUE);
    int SetAllLabelWidths(int width);
    int SetLabelWidths(int n, const int* widths, BOOL redraw = TRUE);
    int GetLabelWidth(int i) const noexcept;
    int GetDrawnWidth(int i) const noexcept;
    int SetLabelWindow(int i, CWnd* window, LabelMessageFilter filter);
    // n window objects lying one after the other, `objectSize` bytes apart.
    int AttachWindows(int n, CWnd* first, size_t objectSize, LabelMessageFilter filter);
    template <class T>
    int AttachWindows(int n, T* first, LabelMessageFilter filter)
    {
        return AttachWindows(n, static_cast<CWnd*>(first), sizeof(T), filter);
    }
    int AttachWindowList(int n, CWnd* const* windows, LabelMessageFilter filter);
    CWnd* GetLabelWindow(int i) const noexcept;
    int FindLabelByWindow(const CWnd* window) const noexcept;
    int FindLabelById(UINT id) const noexcept;
    CWnd* FindWindowById(UINT id) const noexcept;
    int SetLabelBorder(int i, int pixels);
    int SelectLabel(int i, BOOL updateArrows = TRUE);
    DWORD SetStyle(DWORD style);
    DWORD GetStripStyle() const noexcept { return m_style; }
    COLORREF SetColour(int index, COLORREF colour);
    COLORREF GetColour(int index) const noexcept;
    void RecalcLayout();
    void SetChildArea(int x, int y, int cx, int cy);
    virtual CScrollBar* GetScrollBar(int bar);

    // For the tests and the data window: where things are.
    int GetSplitter() const noexcept { return m_splitter; }
    LabelScroll GetScroll() const noexcept { return m_scroll; }
    int GetEdgeWidth() const noexcept { return m_edge; }
    int GetStripHeight() const noexcept { return m_height; }
    static int ArrowWidth() noexcept;
    CRect GetLabelArea() const noexcept { return m_labelArea; }
    HWND GetHookedWindow() const noexcept { return m_hook.hwnd; }

protected:
    struct Label {
        CWnd* window = nullptr;
        LabelMessageFilter filter = nullptr;
        int border = 2;
        int drawn = 10;
        int fixed = 0;
        std::string text;
    };
    struct Hook {
        CWnd* window = nullptr;
        HWND hwnd = nullptr;
        bool busy = false;
        WNDPROC previous = nullptr;
        LabelMessageFilter filter = nullptr;
        CLabelCtrl* owner = nullptr;
        LONG_PTR previousUserData = 0;
        LONG savedStyle = 0;
        int border = 2;
        bool hadHScroll = false;
    };

    void Measure(int i);
    void BuildColours();
    void Layout();
    void KeepCurrentVisible(BOOL redraw);
    void UpdateArrows();
    void Notify();
    void Redraw(BOOL redraw);
    void HookWindow(int i);
    void ReleaseHook();
    void SyncScrollBar();
    void FitHooked();
    bool IsHookedAlive() const noexcept;
    static LRESULT CALLBACK HookProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HookMessage(UINT msg, WPARAM wp, LPARAM lp);

    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnPaint();
    // Draws the whole strip into `dc` (what WM_PAINT shows).
    void PaintStrip(HDC dc);
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    afx_msg void OnDestroy();
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnRButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnSysColorChange();
    DECLARE_MESSAGE_MAP()

    std::vector<Label> m_labels;
    int m_current = 0;
    DWORD m_style = 0;
    BOOL m_created = FALSE;
    int m_width = 0;
    int m_heightClient = 0;
    CRect m_labelArea;
    int m_areaLeft = 0;
    int m_areaTop = 0;
    int m_splitter = 0;
    bool m_splitterFollows = true;
    int m_savedSplitter = -1;
    bool m_collapsed = false;
    LabelScroll m_scroll;
    bool m_dragging = false;
    CPoint m_dragStart;
    int m_dragPos = 0;
    COLORREF m_requested[5];
    COLORREF m_colours[5];
    int m_height;
    int m_edge;
    HBITMAP m_pieces = nullptr;
    HDC m_piecesDC = nullptr;
    HGDIOBJ m_piecesOld = nullptr;
    Hook m_hook;
    CRect m_childArea;
    int m_scrollMethod = 0;   // 0 WM_HSCROLL, 1 LVM_SCROLL
    int m_lastArrowPos = -1;
    int m_lastArrowCount = -1;
    int m_arrowState = -1;
    CScrollBar m_arrows;
    CScrollBar m_scrollBar;
    CWnd m_dragBar;
};
