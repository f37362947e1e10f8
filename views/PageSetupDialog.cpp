#include "views/PageSetupDialog.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "classlib/DlgTemplate.h"
#include "classlib/WinApp.h"
#include "textlib/IntParse.h"
#include "views/ButtonImage.h"

const char* const kPageFieldCodeItems[kPageFieldCodeCount] = {
    "&Dateiname", "Dateiname und &Pfad", "&Benutzername", "&Seitennummer", "Seiten&anzahl", "Da&tum",
    "&Zeit", "&Neue Zeile", "&Linksbündig", "&Rechtsbündig", "Zent&riert",
};
const char* const kPageFieldCodes[kPageFieldCodeCount] = {
    "&D", "&P", "&U", "Seite &N", "&M", "&T", "&Z", "\\n", "&L", "&R", "&C",
};

namespace {

const DWORD kLabel = static_cast<DWORD>(-1);
const int kFieldText = 256;   // header and footer are edited up to 255 characters
const char kMarginMessage[] = "Die Ränder müssen zwischen 0 und 100 mm liegen !";
const char kLinesMessage[] = "Die Zeilenanzahl muss zwischen 20 und 250 liegen !";

// The picture of the two field-code buttons: a 16 × 14 bitmap of 16 colours, a black
// pointer on the mask grey the button's face shows through.
struct PackedFieldBitmap
{
    BITMAPINFOHEADER header;
    RGBQUAD colors[16];
    BYTE pixels[14][8];
};

const PackedFieldBitmap* FieldBitmap()
{
    static PackedFieldBitmap bitmap;
    static bool made = false;
    if (made)
        return &bitmap;
    static const char* const kRows[14] = {   // top row first
        "................", "................", "....#...........", "....##..........", "....###.........",
        "....####........", "....#####.......", "....####........", "....###.........", "....##..........",
        "....#...........", "................", "................", "................",
    };
    memset(&bitmap, 0, sizeof(bitmap));
    bitmap.header.biSize = sizeof(BITMAPINFOHEADER);
    bitmap.header.biWidth = 16;
    bitmap.header.biHeight = 14;
    bitmap.header.biPlanes = 1;
    bitmap.header.biBitCount = 4;
    bitmap.header.biCompression = BI_RGB;
    bitmap.header.biSizeImage = sizeof(bitmap.pixels);
    bitmap.header.biClrUsed = 16;
    bitmap.colors[7].rgbBlue = bitmap.colors[7].rgbGreen = bitmap.colors[7].rgbRed = 0xC0;
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 16; ++x)
        {
            BYTE index = kRows[y][x] == '#' ? 0 : 7;
            // Bottom-up rows, two pixels a byte, the left one in the high nibble.
            bitmap.pixels[13 - y][x / 2] |= static_cast<BYTE>(x % 2 ? index : index << 4);
        }
    made = true;
    return &bitmap;
}

bool BuildPageSetupTemplate(CDlgTemplateBuilder& b)
{
    const DWORD check = BS_AUTOCHECKBOX | WS_TABSTOP;
    const DWORD edit = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
    const DWORD number = edit | ES_NUMBER;
    return b.Begin("Seite einrichten", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 262, 141,
                   "MS Sans Serif", 8, FALSE)
        && b.AddStatic(kLabel, "Kopfzeile:", SS_LEFT, 7, 8, 40, 8)
        && b.AddEdit(IDC_PS_HEADER, "", edit, 50, 6, 180, 12)
        && b.AddButton(IDC_PS_HEADER_CODES, "", BS_PUSHBUTTON | BS_BITMAP | WS_TABSTOP, 235, 5, 20, 14)
        && b.AddStatic(kLabel, "Fusszeile:", SS_LEFT, 7, 24, 40, 8)
        && b.AddEdit(IDC_PS_FOOTER, "", edit, 50, 22, 180, 12)
        && b.AddButton(IDC_PS_FOOTER_CODES, "", BS_PUSHBUTTON | BS_BITMAP | WS_TABSTOP, 235, 21, 20, 14)
        && b.AddStatic(kLabel, "Zeilen:", SS_LEFT, 7, 42, 40, 8)
        && b.AddEdit(IDC_PS_LINES, "", number, 50, 40, 30, 12)
        && b.AddButton(IDC_PS_WRAP, "Autom. Zeilenumbruch an Seitenrand", check, 7, 58, 148, 10)
        && b.AddButton(IDC_PS_FRAME, "Rahmen drucken", check, 7, 70, 148, 10)
        && b.AddButton(IDC_PS_FILL_FRAME, "Rahmen füllen ", check, 7, 82, 148, 10)
        && b.AddButton(IDC_PS_SAME_FONT, "Gleiche Schriftart", check, 7, 94, 148, 10)
        && b.AddButton(kLabel, "Ränder (mm)", BS_GROUPBOX, 160, 38, 95, 52)
        && b.AddStatic(kLabel, "Oben", SS_LEFT, 166, 52, 22, 8)
        && b.AddEdit(IDC_PS_TOP, "", edit, 188, 50, 20, 12)
        && b.AddStatic(kLabel, "Unten", SS_LEFT, 211, 52, 22, 8)
        && b.AddEdit(IDC_PS_BOTTOM, "", edit, 233, 50, 18, 12)
        && b.AddStatic(kLabel, "Links", SS_LEFT, 166, 70, 22, 8)
        && b.AddEdit(IDC_PS_LEFT, "", edit, 188, 68, 20, 12)
        && b.AddStatic(kLabel, "Rechts", SS_LEFT, 211, 70, 22, 8)
        && b.AddEdit(IDC_PS_RIGHT, "", edit, 233, 68, 18, 12)
        && b.AddButton(kLabel, "Druckfarbe", BS_GROUPBOX, 7, 107, 150, 28)
        && b.AddButton(IDC_PS_BLACK_WHITE, "Schwarz/Weis", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 11, 119, 58, 10)
        && b.AddButton(IDC_PS_GREY, "Graustufen", BS_AUTORADIOBUTTON, 70, 119, 50, 10)
        && b.AddButton(IDC_PS_COLOR, "Farbe", BS_AUTORADIOBUTTON, 121, 119, 33, 10)
        && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 160, 120, 45, 14)
        && b.AddButton(IDCANCEL, "Abbrechen", BS_PUSHBUTTON | WS_TABSTOP, 210, 120, 45, 14);
}

bool IsValueCode(const char* code)
{
    static const char* const kValueCodes[] = { "&C", "Seite &N", "&D", "&P", "&T", "&Z" };
    for (const char* c : kValueCodes)
        if (strcmp(c, code) == 0)
            return true;
    return false;
}

char* CopyOf(const char* text)
{
    size_t n = strlen(text);
    char* copy = static_cast<char*>(malloc(n + 1));
    if (copy)
        memcpy(copy, text, n + 1);
    return copy;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Rules without a window

int InsertFieldCode(const char* text, int position, const char* code, char* out, int size)
{
    if (!out || size < 1)
        return 0;
    out[0] = 0;
    if (!text)
        text = "";
    if (!code)
        code = "";
    const int length = static_cast<int>(strnlen(text, kFieldText - 1));
    if (position < 0)
        position = 0;
    if (position > length)
        position = length;
    const bool value = IsValueCode(code);
    const bool blankBefore = value && position > 0 && text[position - 1] != ' ';
    const bool blankAfter = value && position < length && text[position] != ' ';
    int caret = snprintf(out, static_cast<size_t>(size), "%.*s%s%s", position, text, blankBefore ? " " : "", code);
    snprintf(out + (caret < size ? caret : size - 1), static_cast<size_t>(size - (caret < size ? caret : size - 1)),
             "%s%.*s", blankAfter ? " " : "", length - position, text + position);
    return caret < size ? caret : size - 1;
}

int ReadPageSetupNumber(const char* text)
{
    return ParseInteger(text, IPF_RADIX_AUTO, nullptr);
}

int CheckPageSetup(const int margins[4], int lines, int* focus)
{
    for (int i = 0; i < 4; ++i)
    {
        // Compared unsigned, so a negative margin is out of range too.
        if (static_cast<unsigned>(margins[i]) > 100)
        {
            if (focus)
                *focus = i;
            return 1;
        }
    }
    if (lines < 20 || lines > 250)
        return 2;
    return 0;
}

// ---------------------------------------------------------------------------------------------
// The dialog

CPageSetupDlg::CPageSetupDlg(CWnd* parent) : m_record(nullptr), m_template(new CDlgTemplateBuilder)
{
    m_pParentWnd = parent;
}

CPageSetupDlg::~CPageSetupDlg()
{
    delete m_template;
}

INT_PTR CPageSetupDlg::Run(PageSetupInfo* record)
{
    m_record = record;
    if (!record || !m_template || !BuildPageSetupTemplate(*m_template) ||
        !InitModalIndirect(m_template->GetTemplate(), m_pParentWnd))
        return -1;
    return DoModal();
}

BOOL CPageSetupDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    const PageSetupInfo& r = *m_record;
    const int numbers[5][2] = { { IDC_PS_LINES, r.linesPerPage }, { IDC_PS_TOP, r.topMargin },
                                { IDC_PS_BOTTOM, r.bottomMargin }, { IDC_PS_LEFT, r.leftMargin },
                                { IDC_PS_RIGHT, r.rightMargin } };
    for (const auto& n : numbers)
    {
        char text[16];
        snprintf(text, sizeof(text), "%i", n[1]);
        SetDlgItemText(n[0], text);
    }
    ::SendDlgItemMessageA(m_hWnd, IDC_PS_HEADER, EM_LIMITTEXT, kFieldText - 1, 0);
    ::SendDlgItemMessageA(m_hWnd, IDC_PS_FOOTER, EM_LIMITTEXT, kFieldText - 1, 0);
    SetDlgItemText(IDC_PS_HEADER, r.header ? r.header : "");
    SetDlgItemText(IDC_PS_FOOTER, r.footer ? r.footer : "");
    const int checks[4][2] = { { IDC_PS_WRAP, PSF_WRAP }, { IDC_PS_SAME_FONT, PSF_SAME_FONT },
                               { IDC_PS_FRAME, PSF_FRAME }, { IDC_PS_FILL_FRAME, PSF_FILL_FRAME } };
    for (const auto& c : checks)
        CheckDlgButton(c[0], (r.flags & static_cast<uint32_t>(c[1])) ? BST_CHECKED : BST_UNCHECKED);
    int colour = (r.flags & PSF_BLACK_WHITE) || !(r.flags & (PSF_GREY | PSF_COLOR)) ? IDC_PS_BLACK_WHITE
                 : (r.flags & PSF_GREY) ? IDC_PS_GREY : IDC_PS_COLOR;
    ::CheckRadioButton(m_hWnd, IDC_PS_BLACK_WHITE, IDC_PS_COLOR, colour);
    const PackedFieldBitmap* bitmap = FieldBitmap();
    SetButtonImage(m_hWnd, IDC_PS_HEADER_CODES, reinterpret_cast<UINT_PTR>(bitmap));
    SetButtonImage(m_hWnd, IDC_PS_FOOTER_CODES, reinterpret_cast<UINT_PTR>(bitmap));
    return TRUE;
}

void CPageSetupDlg::ChooseFieldCode(int button)
{
    HMENU menu = ::CreatePopupMenu();
    if (!menu)
        return;
    for (int i = 0; i < kPageFieldCodeCount; ++i)
    {
        ::AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(kPageFieldCodeFirst + i), kPageFieldCodeItems[i]);
        if (i == 2 || i == 7)
            ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    }
    RECT rect;
    ::GetWindowRect(::GetDlgItem(m_hWnd, button), &rect);
    int chosen = static_cast<int>(::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, rect.right,
                                                   rect.top, 0, m_hWnd, nullptr));
    ::DestroyMenu(menu);
    if (chosen < kPageFieldCodeFirst || chosen >= kPageFieldCodeFirst + kPageFieldCodeCount)
        return;
    HWND field = ::GetDlgItem(m_hWnd, button == IDC_PS_HEADER_CODES ? IDC_PS_HEADER : IDC_PS_FOOTER);
    char text[kFieldText];
    text[0] = 0;
    ::GetWindowTextA(field, text, sizeof(text));
    DWORD start = 0;
    ::SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    char result[kFieldText + 16];
    int caret = InsertFieldCode(text, static_cast<int>(start), kPageFieldCodes[chosen - kPageFieldCodeFirst], result,
                                sizeof(result));
    ::SetWindowTextA(field, result);
    ::SendMessageA(field, EM_SETSEL, static_cast<WPARAM>(caret), caret);
    ::SetFocus(field);
}

BOOL CPageSetupDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    if ((id == IDC_PS_HEADER_CODES || id == IDC_PS_FOOTER_CODES) && HIWORD(wParam) == BN_CLICKED)
    {
        ChooseFieldCode(id);
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CPageSetupDlg::OnOK()
{
    static const int kMarginIds[4] = { IDC_PS_TOP, IDC_PS_BOTTOM, IDC_PS_LEFT, IDC_PS_RIGHT };
    const int fieldIds[5] = { kMarginIds[0], kMarginIds[1], kMarginIds[2], kMarginIds[3], IDC_PS_LINES };
    int values[5];
    for (int i = 0; i < 5; ++i)
    {
        char number[64] = "";
        ::GetDlgItemTextA(m_hWnd, fieldIds[i], number, sizeof(number));
        values[i] = ReadPageSetupNumber(number);
    }
    const int margins[4] = { values[0], values[1], values[2], values[3] };
    const int lines = values[4];
    int focus = 0;
    switch (CheckPageSetup(margins, lines, &focus))
    {
    case 1:
        AfxMessageBox(kMarginMessage, MB_OK | MB_ICONSTOP);
        ::SetFocus(::GetDlgItem(m_hWnd, kMarginIds[focus]));
        return;
    case 2:
        AfxMessageBox(kLinesMessage, MB_OK | MB_ICONSTOP);
        ::SetFocus(::GetDlgItem(m_hWnd, IDC_PS_HEADER));
        return;
    default:
        break;
    }
    PageSetupInfo& r = *m_record;
    r.linesPerPage = lines;
    r.topMargin = margins[0];
    r.bottomMargin = margins[1];
    r.leftMargin = margins[2];
    r.rightMargin = margins[3];
    const int flagIds[7] = { IDC_PS_BLACK_WHITE, IDC_PS_GREY, IDC_PS_COLOR, IDC_PS_WRAP,
                             IDC_PS_SAME_FONT, IDC_PS_FRAME, IDC_PS_FILL_FRAME };
    uint32_t flags = 0;
    for (int i = 0; i < 7; ++i)
        if (IsDlgButtonChecked(flagIds[i]) == BST_CHECKED)
            flags |= 1u << i;
    r.flags = flags;
    char text[kFieldText];
    char* texts[2] = { nullptr, nullptr };
    const int fields[2] = { IDC_PS_HEADER, IDC_PS_FOOTER };
    for (int i = 0; i < 2; ++i)
    {
        text[0] = 0;
        ::GetDlgItemTextA(m_hWnd, fields[i], text, sizeof(text));
        texts[i] = CopyOf(text);
    }
    free(r.header);
    free(r.footer);
    r.header = texts[0];
    r.footer = texts[1];
    EndDialog(IDOK);
}

LRESULT CPageSetupDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY)
    {
        ClearButtonImage(m_hWnd, IDC_PS_HEADER_CODES);
        ClearButtonImage(m_hWnd, IDC_PS_FOOTER_CODES);
    }
    return CDialog::WindowProc(message, wParam, lParam);
}
