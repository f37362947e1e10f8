// CToolBarNew: the main frame's toolbar bar over the library's own toolbar window
// "ToolbarExWindow32". It fills the window from toolbar resources (type 241) and their
// bitmaps, computes its docked and floating sizes through the window's fit message, keeps
// the buttons' enabled and checked states by the command-update rule, passes commands and
// notifications of controls embedded in its buttons to the main window and its active view,
// and offers a context menu of size and style choices.
#pragma once
#include <windows.h>
#include "classlib/ToolBar.h"
#include "controls/ToolbarEx.h"

// A toolbar resource (type 241): version, image width and height, item count, then one
// command id per item (0 a separator), all 16-bit words.
const WORD kToolbarResourceTypeId = 241;
struct ToolbarResourceData {
    WORD version;
    WORD width;
    WORD height;
    WORD count;        // the ids the block really holds (a count running past it is cut)
    const WORD* ids;
};
// Reads a resource block; false when it is shorter than its header.
bool ParseToolbarResource(const void* data, DWORD size, ToolbarResourceData* out);
// Finds and reads resource `id` of type 241 in the module; false when missing or unreadable.
bool FindToolbarResource(HMODULE module, UINT id, ToolbarResourceData* out);

// An in-memory toolbar source of LoadToolBars (a source flag byte non-zero).
#pragma pack(push, 2)
struct ToolbarSourceRecord {
    DWORD module;
    DWORD id;          // resource id or bitmap handle
    WORD flags;
    WORD scale;        // 0: the scale given to LoadToolBars
    WORD one;          // 1
    WORD width;
    WORD height;
    WORD count;
    WORD ids[1];       // count command ids (0 = separator)
};
#pragma pack(pop)

// The button count of LoadToolBars that means "the buttons the toolbar has now".
const int kToolbarKeepButtons = 17767;

class CToolBarNew : public CToolBar {
    DECLARE_DYNCREATE(CToolBarNew)
public:
    CToolBarNew() noexcept;

    // dwCtrlStyle: the window's toolbar style in the low 16 bits (TBSTYLE_FLAT ...), the
    // context-menu entries to offer in bits 16-20. dwStyle: window style and bar style.
    BOOL CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle, DWORD dwStyle, int cxLeft, int cyTop, int cxRight,
                  int cyBottom, UINT nID);
    // With the default borders (2 all round) and a flat toolbar.
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_TOP,
                UINT nID = AFX_IDW_TOOLBAR) override;

    // sources: zero-terminated, at most 8: resource ids, or (flag byte non-zero) pointers to
    // ToolbarSourceRecord. buttons: command ids (0 separator) or null for every id of the
    // sources; buttonCount kToolbarKeepButtons keeps the buttons' ids as they are.
    BOOL LoadToolBars(const UINT_PTR* sources, const UINT* buttons = nullptr, int buttonCount = 0,
                      const BYTE* sourceFlags = nullptr, int scale = 256);

    // --- further operations (thin uses of the window's messages)
    // The embedded control of slot 0..127, or the n-th one with a control id.
    HWND GetSlotControl(int slot) const;
    HWND GetNthControl(UINT controlId, int n) const;
    // Puts a window into the (occurrence-th) button with the command id.
    BOOL SetButtonControl(UINT commandId, int occurrence, HWND control);
    // Data words of the buttons with ids firstId.. (count of them), and the first key colour.
    int SetButtonsData(UINT firstId, int count, const DWORD* values, COLORREF keyColour);
    // One button's data word; asColour16 turns a COLORREF into 5-6-5 bits.
    DWORD SetButtonData(UINT commandId, DWORD value, BOOL asColour16);
    void SetKeyColors(COLORREF first, COLORREF second);
    // Command, state << 16 | style (masks 0xFF each) and image of the button at index,
    // and its own flags when ownFlags is not negative.
    BOOL SetButton(int index, UINT commandId, DWORD stateStyle, int image, int ownFlags = -1);
    BOOL GetButton(int index, UINT* commandId, DWORD* stateStyle, DWORD* data) const;
    // The window's style (replace, or add with bAdd), laid out again.
    void SetControlStyle(DWORD style, BOOL bAdd = FALSE);
    // Scale in 1/256 of the toolbar (bitmap -1) or one bitmap; the old one.
    int SetImageScale(int bitmap, int scale);
    // All buttons anew from a list of command ids (0 separator), images in turn.
    BOOL SetButtons(const UINT* ids, int count);
    // Buttons first..end-1 become one radio group.
    int MakeRadioGroup(int first, int end);
    // A bitmap (handle, or resource id in the module) as images: the index of its first
    // image, -1. An existing one of the same source is replaced in place.
    int AddBitmap(HMODULE module, UINT_PTR idOrHandle, int imageWidth, BOOL takeOwnership = FALSE);
    BOOL AddOverlayText(DWORD ref, LPCSTR text, int x, int y, BYTE flags, BYTE id);
    void RequestRelayout();

    CSize CalcFixedLayout(BOOL bStretch, BOOL bHorz) override;
    CSize CalcDynamicLayout(int nLength, DWORD nMode) override;
    void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    // The context menu: texts (null: built in), command ids 0xD000..0xD004, enabled entries.
    LPCSTR m_menuTexts[5] = {};
    WORD m_menuIds[5] = {0xD000, 0xD001, 0xD002, 0xD003, 0xD004};
    DWORD m_menuMask = 0;
    int m_sizeChoice = 0;
    int m_buttonSize = 16;
    int m_imageWidth = 0;

    // 2 * (SM_CXICON - 32) + 28, between 16 and 48.
    static int ButtonSizeForIcon(int cxIcon);
    // The built-in menu texts.
    static const char* const kMenuTexts[5];
    // Builds the context menu (null when the mask offers nothing).
    HMENU BuildContextMenu() const;

protected:
    DWORD Fit(int target, DWORD flags) const;
    CSize WithBorders(DWORD fitted, BOOL bHorz) const;
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnContextMenu(CWnd* pWnd, CPoint pos);
    DECLARE_MESSAGE_MAP()
};
