// The main window: the frame of the single-document template, with the status bar and its
// panes for the views (WM_STATUSPANE), the "FlatMode" setting of the toolbar and the
// forwarding of the text views' private query.
#pragma once
#include "uihelpers/StatusPane.h"
#include "app/StatusPaneBar.h"
#include "app/StatusPaneLayout.h"
#include "app/MenuIconModel.h"
#include "classlib/Afx.h"
#include "controls/ChildBar.h"
#include "controls/ToolBarNew.h"
#include "datawindow/DataWnd.h"
#include <commctrl.h>
#include <vector>
// WM_TEXTEDIT_QUERY: sent by the find and replace dialogs to a text view; the frame passes
// it to the active view.
#include "views/AnsiView.h"
// A menu-item owner asks whether the frame draws menu icons; answered with kMenuIconProbeAnswer.
const UINT WM_MENUICONPROBE = 0x5E97;
// Frees an owner-drawn menu item's record: wParam the item's position, lParam the popup's
// CMenu. The item stays owner-drawn and is drawn as a separator from then on.
const UINT WM_MENUITEMRELEASE = 0x5E96;
const LRESULT kMenuIconProbeAnswer = 0x12345678;
// Posted by the data window on a double click on one of its rows: wParam the byte offset in
// the hex view, lParam the sender's id in the low and the row's size in the high 16 bits.
const UINT WM_GOTOHEXOFFSET = 0x4923;
// Offered to the frame for the status bar's owner-drawn parts that are not our coloured
// panes; nothing answers it, so such parts stay as their owner left them.
const UINT WM_DRAWPLAINPANE = 0x593;

class CMainFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CMainFrame)
public:
    CMainFrame();
    ~CMainFrame() override;

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    // The frame opens with SW_SHOW whatever show command the start-up passes.
    void ActivateFrame(int nCmdShow = -1) override;

    CStatusPaneBar m_wndStatusBar;
    // The toolbar from toolbar resource 128, docked at the top at every start.
    CToolBarNew m_wndToolBar;
    // The sizing bar docked at the bottom (id 18) that holds the data window.
    CChildBar m_wndChildBar;
    // The data window in it (id 291, 8 output slots).
    CDataWnd m_wndDataWnd;

    // --- menu icons: every item of the menu bar's popups is drawn here
    // The texts of the recent-file items, one 64-byte slot per item.
    char MenuItemMruText[16][64] = {};
    // The commands of the toolbar resources' buttons; an index is that command's image.
    uint16_t m_menuCommands[kMenuCommandTableSize] = {};
    int m_menuCommandCount = 0;
    int m_iconWidth = 0;
    int m_iconHeight = 0;
    HFONT m_menuFont = nullptr;
    HIMAGELIST m_menuImages = nullptr;
    HIMAGELIST m_menuGreyImages = nullptr;

    // Builds the image lists from the toolbar resources (ids, up to count or an id 0) and
    // makes the menu owner-drawn; 0 when no resource gave a command (the menu stays).
    int InitMenuIcons(const UINT* ids, int count);
    // The item's text; a text beginning with a tab replaces the accelerator only. 0 no
    // owner-drawn item has the command, 1 the text is the same, 2 replaced.
    int SetMenuItemText(UINT command, const char* text);
    // The item's image, -1 without item or image.
    int GetMenuItemImage(UINT command);
    int SetMenuItemImage(UINT command, int index);
    // A picture added to both image lists (the item below 65535 gets it); its index.
    int AddMenuIcon(UINT command, HICON icon);
    int AddMenuBitmap(UINT command, HBITMAP bitmap, COLORREF mask);
    // A copy of `source` as a popup of the menu bar before `position` (out of range: before
    // the last one); RemovePopupById takes such a popup (or any with the id) away again.
    BOOL InsertPopup(UINT id, HMENU source, const char* text, int position);
    BOOL RemovePopupById(UINT id);
    // Draws one owner-drawn menu item.
    void DrawMenuItem(const DRAWITEMSTRUCT* item);

    // The toolbar is flat while this is above 0; kept in "Settings"/"FlatMode".
    int FlatMode = 1;

    // The WM_STATUSPANE operations; see uihelpers/StatusPane.h for the request words.
    int SetBasePanes(const uint32_t* ids, int32_t* widths, int count);
    int SetPaneColorText(int index, const char* text, int update, int32_t background, int32_t textColor);
    int RemovePaneGroup(int32_t handle);
    int32_t InsertPanes(const uint32_t* ids, int32_t* widths, int count);
    int SetPaneColors(int index, int update, int32_t background, int32_t textColor);
    // Draws a coloured pane from its record.
    void DrawColorPane(const DRAWITEMSTRUCT* item);
    const CStatusPaneLayout& PaneLayout() const { return m_paneLayout; }

    // Whether any view has asked for base panes in this process; until then coloured text
    // and group insertions are refused.
    static bool StatusPanesEnabled();
    // Back to the state of a fresh process (the tests start each case there).
    static void ForgetStatusPanePermission();

protected:
    afx_msg int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg LRESULT OnTextViewQuery(WPARAM wParam, LPARAM lParam);
    afx_msg void OnFlatToolbar();
    afx_msg void OnUpdateFlatToolbar(CCmdUI* pCmdUI);
    afx_msg LRESULT OnMenuIconProbe(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnStatusPane(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnDrawColorPane(WPARAM wParam, LPARAM lParam);
    afx_msg void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    afx_msg void OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct);
    afx_msg void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
    afx_msg LRESULT OnMenuItemRelease(WPARAM wParam, LPARAM lParam);
    // A letter typed in an open popup: owner-drawn items have no text for the system to
    // look through, so the frame finds the item whose "&" letter it is.
    afx_msg LRESULT OnMenuChar(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnGotoHexOffset(WPARAM wParam, LPARAM lParam);
    afx_msg void OnDataWindow();
    afx_msg void OnUpdateDataWindow(CCmdUI* pCmdUI);
    afx_msg void OnDockDataWindow();
    afx_msg void OnRefreshDataWindow();
    DECLARE_MESSAGE_MAP()

private:
    std::vector<StatusPaneSlot> CurrentPanes() const;
    // Shows a pane list: ids, styles and widths, and the texts as plain text (kept texts, or
    // empty ones when `keepTexts` is false). Coloured records of replaced parts are freed by
    // the bar as the parts become plain.
    void ShowPanes(const std::vector<StatusPaneSlot>& panes, bool keepTexts);
    bool FrameDrawsColours();

    // Measures an item text in the menu font: text column, accelerator width, tab position.
    void MeasureMenuText(const char* text, MenuItemRecord* record, bool* noIcon);
    int MakeMenuItemRecord(HMENU popup, int position, const char* text, UINT command);
    void SetMenuColumnWidth(HMENU popup, int width);
    // Records (and their popups) of the menu bar's drawn items; recent files are skipped.
    MenuItemRecord* FindMenuRecord(UINT command, HMENU* popup);
    HDC MenuDC();
    void FreeMenuIcons();
    HDC m_menuDC = nullptr;
    HGDIOBJ m_menuDCFont = nullptr;
    // Every record made, freed with the frame unless an item let it go before.
    std::vector<MenuItemRecord*> m_menuRecords;

    CStatusPaneLayout m_paneLayout;
};
