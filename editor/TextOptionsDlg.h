// "Konfiguration": the text editor's tab width and its display, bracket, word-jump and
// word-marking options, which all editors of the process share. The dialog sends its choices
// to the editor window (WM_TEXTEDIT_QUERY codes 16 and 21) before it closes.
#pragma once
#include "classlib/Dialog.h"

#include <stdint.h>
#include <windows.h>

enum TextOptionsControl
{
    IDC_TO_TAB_WIDTH = 1040,
    IDC_TO_MODE_NONE = 1034,
    IDC_TO_MODE_CARET = 1035,
    IDC_TO_MODE_CHOSEN = 1047,
};

class CTextOptionsDlg : public CDialog
{
public:
    explicit CTextOptionsDlg(CWnd* parent);
    // IDOK after a valid OK (the options and the tab width were sent), IDCANCEL otherwise.
    INT_PTR Run(HWND editor, uint32_t flags, int tabWidth);

    uint32_t m_boxes[11] = {};
    int m_markMode = 0;      // bits 20 and 21 of the flags as a number
    int m_tabWidth = 4;
    uint32_t m_flags = 0;
    HWND m_editor = nullptr;

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;

private:
    bool MarkModeOffered() const { return (m_flags & 0x80000) && m_markMode != 3; }
};
