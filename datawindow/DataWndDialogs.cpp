#include "datawindow/DataWndDialogs.h"

#include <climits>
#include <string>

#include "classlib/AfxRes.h"
#include "classlib/Ddx.h"
#include "classlib/DlgTemplate.h"
#include "classlib/WinApp.h"
#include "datawindow/ModulSet.h"
#include "textlib/IntFormat.h"
#include "textlib/IntParse.h"

namespace {

const int kMaxChoiceText = 60;
const int kMaxOffsetText = 15;

// Whether the number at the start of `text` is written unsigned with a "0x", "0o" or "0b"
// prefix (blanks and a "+" before it as the number parser takes them).
bool WrittenWithRadixPrefix(const char* text)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    if (*text == '+')
        ++text;
    while (*text == ' ' || *text == '\t')
        ++text;
    if (text[0] != '0')
        return false;
    const char marker = static_cast<char>(text[1] | 0x20);
    return marker == 'x' || marker == 'o' || marker == 'b';
}

const DLGTEMPLATE* OptionsTemplate()
{
    static CDlgTemplateBuilder b;
    static bool built = false;
    if (!built) {
        const DWORD edit = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
        const DWORD check = BS_AUTOCHECKBOX | WS_TABSTOP;
        const DWORD list = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
        built = b.Begin("Daten Fenster Optionen", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 242, 156,
                        "MS Sans Serif", 8, FALSE)
            && b.AddStatic(IDC_STATIC, "Module", SS_LEFT, 7, 9, 40, 8)
            && b.AddComboBox(CDataOptionsDlg::IDC_MODULES, list, 50, 7, 185, 100)
            && b.AddStatic(IDC_STATIC, "Blöcke", SS_LEFT, 7, 27, 40, 8)
            && b.AddComboBox(CDataOptionsDlg::IDC_BLOCKS, list, 50, 25, 185, 100)
            && b.AddStatic(IDC_STATIC, "Offset", SS_LEFT, 7, 47, 40, 8)
            && b.AddEdit(CDataOptionsDlg::IDC_OFFSET, "", edit, 50, 45, 60, 12)
            && b.AddStatic(IDC_STATIC, "Länge", SS_LEFT, 122, 47, 40, 8)
            && b.AddEdit(CDataOptionsDlg::IDC_LENGTH, "", edit, 175, 45, 60, 12)
            && b.AddStatic(IDC_STATIC, "Maximale Zeilen", SS_LEFT, 122, 65, 52, 8)
            && b.AddEdit(CDataOptionsDlg::IDC_MAX_ROWS, "", edit, 175, 63, 60, 12)
            && b.AddButton(CDataOptionsDlg::IDC_SHOW_OFFSETS, "Offset Anzeige", check, 7, 65, 110, 10)
            && b.AddButton(CDataOptionsDlg::IDC_SHOW_LENGTHS, "Längen Anzeige", check, 7, 79, 110, 10)
            && b.AddButton(CDataOptionsDlg::IDC_SHOW_ADDRESSES, "Adress Anzeige", check, 7, 93, 110, 10)
            && b.AddButton(CDataOptionsDlg::IDC_FIXED_FONT, "Fixe Schriftzeichenbreite", check, 7, 107, 110, 10)
            && b.AddButton(CDataOptionsDlg::IDC_LINES, "Linien im Datenfenster", check, 7, 121, 110, 10)
            && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 131, 135, 50, 14)
            && b.AddButton(IDCANCEL, "Abbrechen", BS_PUSHBUTTON | WS_TABSTOP, 185, 135, 50, 14);
        if (!built)
            return NULL;
    }
    return b.GetTemplate();
}

const DLGTEMPLATE* ErrorTemplate()
{
    static CDlgTemplateBuilder b;
    static bool built = false;
    if (!built) {
        built = b.Begin("Modul Fehler", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 252, 170,
                        "MS Sans Serif", 8, FALSE)
            && b.AddEdit(CModulErrorDlg::IDC_TEXT, "",
                         ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_HSCROLL | WS_VSCROLL | WS_BORDER,
                         7, 7, 238, 136)
            && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 101, 149, 50, 14);
        if (!built)
            return NULL;
    }
    return b.GetTemplate();
}

}  // namespace

CDataOptionsDlg::CDataOptionsDlg(CWnd* pParent)
    : m_showOffsets(0), m_showLengths(0), m_showAddresses(0), m_fixedFont(0), m_lines(0), m_maxRows(0),
      m_length(0), m_modules(nullptr), m_startOffset(0), m_entry(-1), m_source(-1)
{
    m_pParentWnd = pParent;
    InitModalIndirect(OptionsTemplate(), pParent);
}

void CDataOptionsDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Check(pDX, IDC_SHOW_OFFSETS, m_showOffsets);
    DDX_Check(pDX, IDC_SHOW_LENGTHS, m_showLengths);
    DDX_Check(pDX, IDC_SHOW_ADDRESSES, m_showAddresses);
    DDX_Check(pDX, IDC_FIXED_FONT, m_fixedFont);
    DDX_Check(pDX, IDC_LINES, m_lines);
    DDX_Text(pDX, IDC_MAX_ROWS, m_maxRows);
    DDX_Text(pDX, IDC_LENGTH, m_length);
}

// Inserts at the text's place in case-blind order (binary search over the texts already
// there) and gives the item its data; returns the item's index. The name goes in whole,
// however long the module made it: the 60 characters set at initialisation limit what may be
// typed into the boxes, not the names they list.
int CDataOptionsDlg::InsertSorted(HWND combo, const char* text, int data)
{
    if (!text)
        text = "";
    int low = 0, high = static_cast<int>(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
    std::string other;
    while (low < high) {
        const int middle = (low + high) / 2;
        const LRESULT length = ::SendMessageA(combo, CB_GETLBTEXTLEN, middle, 0);
        other.assign(length > 0 ? static_cast<size_t>(length) + 1 : 1, '\0');
        if (length > 0)
            ::SendMessageA(combo, CB_GETLBTEXT, middle, reinterpret_cast<LPARAM>(&other[0]));
        if (lstrcmpiA(other.c_str(), text) <= 0)
            low = middle + 1;
        else
            high = middle;
    }
    const int at = static_cast<int>(::SendMessageA(combo, CB_INSERTSTRING, low, reinterpret_cast<LPARAM>(text)));
    if (at >= 0)
        ::SendMessageA(combo, CB_SETITEMDATA, at, data);
    return at;
}

BOOL CDataOptionsDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    HWND modules = ::GetDlgItem(m_hWnd, IDC_MODULES);
    HWND blocks = ::GetDlgItem(m_hWnd, IDC_BLOCKS);
    ::SendMessageA(modules, CB_RESETCONTENT, 0, 0);
    ::SendMessageA(blocks, CB_RESETCONTENT, 0, 0);
    ::SendMessageA(modules, CB_LIMITTEXT, kMaxChoiceText, 0);
    ::SendMessageA(blocks, CB_LIMITTEXT, kMaxChoiceText, 0);
    ::SendDlgItemMessageA(m_hWnd, IDC_OFFSET, EM_LIMITTEXT, kMaxOffsetText, 0);
    if (m_source < 0)
        m_source = 0;
    for (int s = 0; m_modules && s < m_modules->GetSourceCount(); ++s) {
        const int at = InsertSorted(modules, m_modules->GetSourceName(s), s);
        if (s == m_source)
            ::SendMessageA(modules, CB_SETCURSEL, at, 0);
    }
    FillBlocks();
    char text[INT_FORMAT_MAX_TEXT];
    FormatInteger(m_startOffset, text, IFF_HEX);
    ::SetDlgItemTextA(m_hWnd, IDC_OFFSET, text);
    return TRUE;
}

void CDataOptionsDlg::FillBlocks()
{
    HWND blocks = ::GetDlgItem(m_hWnd, IDC_BLOCKS);
    ::SendMessageA(blocks, CB_RESETCONTENT, 0, 0);
    if (!m_modules)
        return;
    const int first = m_modules->GetSourceFirstEntry(m_source);
    const int end = m_modules->GetSourceEndEntry(m_source);
    for (int e = first; e < end; ++e) {
        const int at = InsertSorted(blocks, m_modules->GetEntryName(e), e);
        if (e == m_entry)
            ::SendMessageA(blocks, CB_SETCURSEL, at, 0);
    }
    ReadChoices();
    if (m_entry < first || m_entry >= end) {
        // The chosen block belongs to another module: this module's first one.
        ::SendMessageA(blocks, CB_SETCURSEL, 0, 0);
        ReadChoices();
    }
}

void CDataOptionsDlg::ReadChoices()
{
    HWND modules = ::GetDlgItem(m_hWnd, IDC_MODULES);
    HWND blocks = ::GetDlgItem(m_hWnd, IDC_BLOCKS);
    const LRESULT source = ::SendMessageA(modules, CB_GETCURSEL, 0, 0);
    if (source >= 0)
        m_source = static_cast<int>(::SendMessageA(modules, CB_GETITEMDATA, source, 0));
    const LRESULT entry = ::SendMessageA(blocks, CB_GETCURSEL, 0, 0);
    if (entry >= 0)
        m_entry = static_cast<int>(::SendMessageA(blocks, CB_GETITEMDATA, entry, 0));
}

BOOL CDataOptionsDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) == CBN_SELCHANGE && LOWORD(wParam) == IDC_MODULES) {
        ReadChoices();
        FillBlocks();
        return TRUE;
    }
    if (HIWORD(wParam) == CBN_SELCHANGE && LOWORD(wParam) == IDC_BLOCKS) {
        ReadChoices();
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CDataOptionsDlg::OnOK()
{
    ReadChoices();
    char text[kMaxOffsetText + 2] = {};
    ::GetDlgItemTextA(m_hWnd, IDC_OFFSET, text, sizeof text);
    if (!UpdateData(TRUE))
        return;
    // The offset is read as the number parser reads it: the number at the start, whatever
    // follows it left aside, and 0 when no digit comes. A number past the int range is refused
    // where it stands: read into 32 bits it would wrap ("-4294967295" to 1) and the slot would
    // decode from a place the user never typed.
    int consumed = 0;
    bool overflow = false;
    long long offset = ParseInteger64Overflow(text, IPF_RADIX_AUTO, &consumed, &overflow);
    // The offset is shown as its 32 bits in hexadecimal ("0xFFFFFFFB" for -5): a number
    // written with a radix prefix reads back as those 32 bits, so OK on the dialog as it
    // opened keeps the offset (it was refused as 4294967291).
    if (!overflow && offset > INT_MAX && offset <= 0xFFFFFFFFLL && WrittenWithRadixPrefix(text))
        offset = static_cast<int32_t>(static_cast<uint32_t>(offset));
    if (overflow || offset < INT_MIN || offset > INT_MAX) {
        AfxMessageBox("Bitte eine Zahl zwischen -2147483648 und 2147483647 eingeben.", MB_OK | MB_ICONEXCLAMATION);
        ::SetFocus(::GetDlgItem(m_hWnd, IDC_OFFSET));
        return;
    }
    m_startOffset = static_cast<int>(offset);
    EndDialog(IDOK);
}

CModulErrorDlg::CModulErrorDlg(CWnd* pParent)
{
    m_pParentWnd = pParent;
    InitModalIndirect(ErrorTemplate(), pParent);
}

BOOL CModulErrorDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (!m_caption.IsEmpty())
        ::SetWindowTextA(m_hWnd, m_caption);
    ::SetDlgItemTextA(m_hWnd, IDC_TEXT, m_text);
    return TRUE;
}
