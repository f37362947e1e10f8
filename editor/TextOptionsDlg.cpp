// The text editor's options dialog, built from an in-memory template.
#include "editor/TextOptionsDlg.h"

#include "classlib/Ddx.h"
#include "classlib/DlgTemplate.h"
#include "editor/TextEdit.h"

namespace {

// The check boxes in the order of m_boxes: id, option bit, text, place.
struct OptionBox
{
    int id;
    uint32_t bit;
    const char* text;
    short y;
    short width;
};
const OptionBox kBoxes[11] = {
    { 1030, 0x0001, "&Virtuelle Darstellung", 36, 90 },
    { 1031, 0x0002, "&Linienweise markieren", 46, 85 },
    { 1032, 0x0004, "Vor &Cursor einfügen", 56, 85 },
    { 1033, 0x0008, "Nach Klammern suchen", 66, 91 },
    { 1059, 0x0800, "Klammern bereichsweise markieren", 75, 126 },
    { 1051, 0x0200, "Marken bis zum Zeilenende", 85, 103 },
    { 1053, 0x0400, "Zeilennummern anzeigen", 95, 95 },
    { 1060, 0x1000, "Auch diversen Zeichen anhalten", 126, 119 },
    { 1061, 0x2000, "Nur am Beginn eines Bereichs anhalten", 136, 140 },
    { 1062, 0x4000, "Auch Groß/Kleinübergängen anhalten", 146, 136 },
    { 1063, 0x8000, "Das '_' nicht als Buchstaben betrachten", 156, 141 },
};

bool BuildOptionsTemplate(CDlgTemplateBuilder& b)
{
    const DWORD check = BS_AUTOCHECKBOX | WS_TABSTOP;
    const DWORD group = BS_GROUPBOX;
    BOOL ok = b.Begin("Konfiguration", DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 167, 246);
    ok = ok && b.AddEdit(IDC_TO_TAB_WIDTH, nullptr, ES_NUMBER | WS_BORDER | WS_TABSTOP, 100, 5, 48, 12);
    for (const OptionBox& box : kBoxes)
        ok = ok && b.AddButton(static_cast<DWORD>(box.id), box.text, check, 15, box.y, box.width, 10);
    ok = ok && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 95, 225, 50, 15);
    ok = ok && b.AddButton(IDCANCEL, "Abbrechen", BS_PUSHBUTTON | WS_TABSTOP, 20, 225, 50, 15);
    // 60 units wide, not 51: at 51 the text needs a pixel more than the field has under the
    // substitute fonts, wraps after the hyphen and loses "Breite" in a field one line high
    // (a cut label). The edit at 100 leaves the room.
    ok = ok && b.AddStatic(static_cast<DWORD>(-1), "Tabulator-Breite", SS_LEFT, 10, 7, 60, 8);
    ok = ok && b.AddButton(static_cast<DWORD>(-1), "Wortsprünge mit Strg+Links/Rechts", group, 5, 115, 155, 55);
    ok = ok && b.AddButton(static_cast<DWORD>(-1), "Diverse Einstellungen", group, 5, 20, 155, 90);
    ok = ok && b.AddButton(static_cast<DWORD>(-1), "Wortmarkierungen", group, 5, 175, 155, 45);
    ok = ok && b.AddButton(IDC_TO_MODE_NONE, "Keine Worte markieren", BS_AUTORADIOBUTTON | WS_GROUP, 15, 185, 88, 10);
    ok = ok && b.AddButton(IDC_TO_MODE_CARET, "Das Wort beim Cursor makieren ", BS_AUTORADIOBUTTON, 15, 195, 117, 10);
    ok = ok && b.AddButton(IDC_TO_MODE_CHOSEN, "Nur ausgewählte Worte markieren", BS_AUTORADIOBUTTON, 15, 205, 123, 10);
    return ok && b.GetTemplate() != nullptr;
}

}  // namespace

CTextOptionsDlg::CTextOptionsDlg(CWnd* parent)
{
    m_pParentWnd = parent;
}

INT_PTR CTextOptionsDlg::Run(HWND editor, uint32_t flags, int tabWidth)
{
    m_editor = editor;
    m_flags = flags;
    m_tabWidth = tabWidth;
    for (int i = 0; i < 11; ++i)
        m_boxes[i] = (flags & kBoxes[i].bit) ? 1u : 0u;
    m_markMode = static_cast<int>((flags >> 20) & 3);
    CDlgTemplateBuilder b;
    if (!BuildOptionsTemplate(b) || !InitModalIndirect(b.GetTemplate(), m_pParentWnd))
        return -1;
    return CDialog::DoModal();
}

BOOL CTextOptionsDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    const BOOL offered = MarkModeOffered() ? TRUE : FALSE;
    for (int id : { IDC_TO_MODE_NONE, IDC_TO_MODE_CARET, IDC_TO_MODE_CHOSEN })
        ::EnableWindow(::GetDlgItem(m_hWnd, id), offered);
    return TRUE;
}

void CTextOptionsDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_TO_TAB_WIDTH, m_tabWidth);
    for (int i = 0; i < 11; ++i)
    {
        int checked = static_cast<int>(m_boxes[i]);
        DDX_Check(pDX, kBoxes[i].id, checked);
        m_boxes[i] = static_cast<uint32_t>(checked);
    }
    // Mode 3 checks no button; reading back finds none checked and keeps it.
    int choice = m_markMode >= 0 && m_markMode <= 2 ? m_markMode : -1;
    DDX_Radio(pDX, IDC_TO_MODE_NONE, choice);
    if (pDX->m_bSaveAndValidate && choice >= 0)
        m_markMode = choice;
}

void CTextOptionsDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    uint32_t value = 0;
    for (int i = 0; i < 11; ++i)
        if (m_boxes[i])
            value |= kBoxes[i].bit;
    if (m_markMode >= 1 && m_markMode <= 3)
        value |= static_cast<uint32_t>(m_markMode) << 20;
    if (m_tabWidth < 1 || m_tabWidth > 32)
    {
        MessageBox("Tabulator muss zwischen 1 und 32 liegen !", nullptr, MB_ICONSTOP);
        ::SetFocus(::GetDlgItem(m_hWnd, IDC_TO_TAB_WIDTH));
        return;
    }
    OptionMask record = { value, MarkModeOffered() ? 0x30FE0Fu : 0xFE0Fu };
    if (m_editor)
    {
        ::SendMessageA(m_editor, WM_TEXTEDIT_QUERY, 16, reinterpret_cast<LPARAM>(&record));
        ::SendMessageA(m_editor, WM_TEXTEDIT_QUERY, 21, static_cast<LPARAM>(m_tabWidth));
    }
    EndDialog(IDOK);
}
