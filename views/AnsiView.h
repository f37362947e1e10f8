// CAnsiView: the window every text-like pane is built on. It shows a grid of character
// cells of one size with its own two scroll bars, a caret, an optional left margin and the
// fonts and colour formats its view name shares with other views. It holds no text: the
// cell arithmetic lives in CTextLayout, the window routes messages into it and asks the
// derived class to draw each line that the repaint word names.
#pragma once
#include "classlib/Afx.h"
#include "views/TextLayout.h"
#include "views/ViewSettings.h"

#include <stdint.h>

class CAnsiView;

// Notification codes a text view sends its parent (WM_NOTIFY, two 32-bit values after the
// header).
const UINT ANSIVIEW_NOTIFY_ORIGIN = 10228;     // scroll column, scroll line
const UINT ANSIVIEW_NOTIFY_SETFOCUS = 0x27F5;  // 10229
const UINT ANSIVIEW_NOTIFY_KILLFOCUS = 10230;

const UINT WM_TEXTEDIT_QUERY = 0x27F3;

const UINT ID_ANSIVIEW_EDIT_COLORS = 37424;
const UINT ID_ANSIVIEW_CHOOSE_FONT = 37425;

// The WM_NOTIFY block of a text view: the header and up to three values.
struct AnsiViewNotify
{
    NMHDR header;
    int32_t values[3];
};

// The system calls whose results tests need to decide: the key state, the clock and the
// beep. Each pointer may be replaced; NULL restores the system's.
struct AnsiViewSystemSeam
{
    SHORT(WINAPI* getAsyncKeyState)(int key);
    DWORD(WINAPI* getTickCount)();
    BOOL(WINAPI* messageBeep)(UINT type);
    SHORT(WINAPI* getKeyState)(int key);   // the state that came with the message being handled
};
void SetAnsiViewSystemSeam(const AnsiViewSystemSeam* seam);
SHORT AnsiViewKeyState(int key);
DWORD AnsiViewTickCount();
void AnsiViewBeep(UINT type);

class CAnsiView : public CWnd
{
public:
    CAnsiView(const char* viewName, int columnCount, int lineCountArgument);
    ~CAnsiView() override;

    using CWnd::Create;
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    BOOL Create(DWORD exStyle, DWORD style, const RECT& rect, CWnd* parent, UINT id);

    // --- overridables, in the order derived views rely on
    virtual int EditColors();
    virtual int SetMarginWidth(int width);
    virtual void OnSettingsChanged(int flags);
    // All lines of a paint share one clip and one context: PrintLine changes the context
    // only through SelectColorFormat, PrintMargin leaves it as it found it.
    virtual int PrintLine(CDC* dc, const RECT& rect, int line, int firstColumn, int count, int flags);
    virtual void PrintMargin(CDC* dc, const RECT& rect, int line);
    virtual void OnContextMenu(int x, int y, HMENU menu);
    virtual int MoveCursor(int column, int line, uint32_t flags);
    virtual int GetLineLength(int line);
    virtual void OnLayoutChanged();
    virtual void OnSizeChanged(int windowColumns, int windowLines, int columnDelta, int lineDelta);
    virtual int OnScrolled(int key);
    virtual int OnCharInput(UINT character, UINT flags);
    virtual int OnKeyRelease(UINT key, UINT flags);
    virtual int OnKey(UINT key, UINT flags);
    virtual int PreLButtonDblClk(UINT keyFlags, int x, int y, int column, int line);
    virtual int PreRButtonDblClk(UINT keyFlags, int x, int y, int column, int line);
    virtual int PreLButtonDown(UINT keyFlags, int x, int y, int column, int line);
    virtual int PreRButtonDown(UINT keyFlags, int x, int y, int column, int line);
    virtual int PreLButtonUp(UINT keyFlags, int x, int y, int column, int line);
    virtual int PreRButtonUp(UINT keyFlags, int x, int y, int column, int line);
    virtual int PreMouseMove(UINT keyFlags, int x, int y, int column, int line);
    virtual int OnMarginMouse(UINT code, int x, int y, int line);
    virtual int OnSpareHook(int a, int b, int c);
    virtual int PreMouseWheel(UINT keyFlags, int delta);
    virtual void PaintLines(PAINTSTRUCT* paint);
    virtual CScrollBar* GetScrollBar(int index);

    // --- programmatic interface
    POINT SetCursorPos(int column, int line, bool extend);
    POINT GetCursorPos() const;
    POINT GetScrollOrigin() const;
    POINT GetWindowCells() const;
    POINT GetRightClickCell() const { return m_rightPressCell; }
    POINT SetScrollOrigin(int column, int line);
    POINT SetScrollOriginEx(int column, int line, bool redraw);
    uint32_t SetViewFlags(uint32_t value, uint32_t mask);
    void MarkCaretMoved(int flags) { m_layout.MarkCaretMoved(flags); }
    void MarkCaretLaidOut() { m_layout.MarkCaretLaidOut(); }
    uint32_t SetCaretMode(uint32_t mode);
    int HitTest(int x, int y, int* column, int* line, int flags) const;
    void InvalidateFromLine(int line) { m_layout.InvalidateFromLine(line); }
    void RequestUpdate(int force);
    BOOL GetScrollBarInfo(int bar, SCROLLINFO* info, UINT mask);
    HCURSOR SetCursorShape(HCURSOR cursor);
    HCURSOR SetCursorShape(LPCSTR systemCursorId);
    void SendNotify(UINT code, int32_t a, int32_t b);
    void SendNotifyValues(UINT code, const int32_t* values, int count);

    // --- fonts, colour formats, registry
    int AddColorFormat(COLORREF text, COLORREF background, const char* name, int id, uint32_t style);
    int GetColorFormat(int index, COLORREF* text, COLORREF* background, uint32_t* style) const;
    int SelectColorFormat(CDC* dc, int pair);
    void SetFont(int height, const char* face);
    // Average character width, height and 1 for a vector font into metrics[0..2] (zeros when
    // they cannot be read); measured in `dc`, or in the view window's own without one.
    int GetFontMetrics(HFONT font, int metrics[3], HDC dc = nullptr);
    // The cell size of the font stored as "Font" under the key path (the user's hive, else
    // the machine's; without a path "Courier" 15), created and measured on the screen:
    // 1 with the average character width and height when both are above 0, else 0.
    static int GetStoredFontCellSize(const char* path, int* width, int* height);
    int ChooseViewFont();
    // The colours dialog on the group's formats with the normal font, `initialRow` chosen and,
    // when given, the rows in use offered first (bit r of byte r / 8); on OK the settings are
    // saved and every view of the group is repainted. The dialog's result.
    int RunColorsDialog(int initialRow, const uint8_t* usedRows);
    void UpdateSharedViews();
    void NotifySharedViews(int flags);
    int GetRegistryPath(char* buffer, int size, const char* name) const;
    void SetRegistryPath(const char* path);
    int LoadSettings(const char* path, int machine);
    int SaveSettings(const char* path);
    AnsiViewSettings* Settings() const { return m_settings; }

    // The line drawer of the text views: 8-bit text with a 16-bit format word per
    // character (low byte text format, high byte background format). With flags bit 8 or 9
    // the word after the last character is read too: `formats` then holds count + 1 words.
    // Flags: bits 12 and up the pixel origin of the tab stops, 11 marks (format bit 7),
    // 10 UTF-8, 9 fill to the right edge, 8 fill one more cell. Returns the width drawn.
    int DrawTextLine(CDC* dc, const RECT& rect, const char* text, const uint16_t* formats, int count, int flags,
                     int tabWidth);
    // The simpler drawer: 8-bit text from the point x, y in runs of one format each (one
    // byte a character, a colour format pair as SelectColorFormat takes it), tabs expanded to
    // stops every tabWidth cells (0: 4) counted from x. At most 1024 characters; returns the
    // width drawn.
    int DrawTextRuns(CDC* dc, int x, int y, const char* text, const uint8_t* formats, int count, int tabWidth);

    // Draws every visible line into another device context (a bitmap of the caller's).
    void PrintClient(CDC* dc);

    // The cell model, for derived views and tests.
    CTextLayout& Layout() { return m_layout; }
    const CTextLayout& Layout() const { return m_layout; }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    // The layout's hooks, routed to the window.
    class CBridge : public CTextLayout
    {
    public:
        CBridge(CAnsiView* view, int columns, int lines) : CTextLayout(columns, lines), m_view(view) {}
    protected:
        void OnLayoutChanged() override { m_view->OnLayoutChanged(); }
        void OnOriginMoved(int column, int line) override { m_view->SendNotify(ANSIVIEW_NOTIFY_ORIGIN, column, line); }
        void OnSizeChanged(int columns, int lines, int dc, int dl) override
        {
            m_view->OnSizeChanged(columns, lines, dc, dl);
        }
        void OnCaretRecreate() override { m_view->RecreateCaret(); }
        void OnBarsChanged() override { m_view->ApplyBars(); }
        void Repaint() override { m_view->PaintLines(nullptr); }
    private:
        CAnsiView* m_view;
    };

    void RecreateCaret();
    uint32_t BeginRepaintBatch();
    void EndRepaintBatch(uint32_t outerBatch);
    void ApplyBars();
    void PlaceBars();
    void BarPlaces(RECT places[2]) const;
    void DrawLines(CDC& dc, uint32_t word);
    void MeasureFont(HFONT font, int* width, int* height);
    void MeasureGridFonts(int cellWidth);
    // The advance array for a run of up to kMaxRunCells cells in the font of the current
    // style: null when the font keeps the cells by itself.
    const INT* CellAdvances();
    enum { kMaxRunCells = 2048 };
    void ReadKeyState();
    bool HasWindow() const { return m_hWnd != nullptr && ::IsWindow(m_hWnd); }

    // Message handlers.
    void HandleCreate();
    void HandleSize(int width, int height);
    void HandleKeyDown(UINT key, UINT repeat, UINT flags);
    void HandleLButtonDown(UINT keyFlags, int x, int y);
    void HandleLButtonDblClk(UINT keyFlags, int x, int y);
    void HandleLButtonUp(UINT keyFlags, int x, int y);
    void HandleRButtonDown(UINT keyFlags, int x, int y);
    void HandleRButtonUp(UINT keyFlags, int x, int y);
    void HandleRButtonDblClk(UINT keyFlags, int x, int y);
    void HandleMButtonDown(int x, int y);
    void HandleMouseMove(UINT keyFlags, int x, int y);
    void HandleWheel(UINT keyFlags, int delta);
    void HandleScroll(bool vertical, int code, int position16);
    void HandleTimer(UINT_PTR id);
    void HandleSetFocus();
    void HandleKillFocus();
    LRESULT HandleTextEditQuery(WPARAM code, LPARAM value);
    void StartPan();
    void EndPan();
    void StopDragTimer();
    bool DoubleClickGuardSpent();

    // What a scroll bar window was last given: its scroll information, place and state.
    struct BarWindowState
    {
        bool valid;
        int range;
        int page;
        int position;
        bool disableOnly;
        RECT place;
        bool shown;
        bool unpainted;   // new scroll information not drawn yet
    };

    CBridge m_layout;
    AnsiViewSettings* m_settings;
    CScrollBar m_bars[2];
    BarWindowState m_barWindows[2];
    HCURSOR m_cursorShape;
    uint32_t m_keyState;
    int m_lastPair;
    int m_lastStyle;
    POINT m_rightPressCell;
    POINT m_rightPressPoint;
    POINT m_panStart;
    POINT m_lastClick;
    POINT m_lastMouseCell;
    int m_rightMode;
    int m_leftMode;
    int m_captureKind;
    int m_holdTicks;
    int m_dragTimer;
    int m_speedX;
    int m_speedY;
    DWORD m_doubleClickGuard;   // tick count of the last double click, 0 for none
    bool m_hasFocus;
    bool m_caretShown;
    int m_caretY;             // where the shown caret stands, px
    bool m_caretCreated;
    char* m_ownRegistryPath;
    COLORREF m_sizeBoxColor;
    CAnsiView* m_next;
    CAnsiView* m_previous;
    bool m_barsMoved;         // a bar was moved, shown or hidden since the last full paint
    int m_advanceWidth;
    INT m_advances[kMaxRunCells];
};
