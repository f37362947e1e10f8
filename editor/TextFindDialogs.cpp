// The find, replace and confirmation dialogs of the text editor, built from in-memory
// templates. They speak to the editor only through WM_TEXTEDIT_QUERY.
#include "editor/TextFindDialogs.h"

#include "classlib/CmdTarget.h"
#include "classlib/Ddx.h"
#include "classlib/DlgTemplate.h"
#include "editor/TextEdit.h"
#include "textlib/TextCopy.h"
#include "uihelpers/ControlSubclass.h"
#include "views/AnsiView.h"
#include "views/ButtonImage.h"

#include <stdio.h>
#include <string.h>

namespace {

KeptDialogPosition g_positions[3];

const DWORD kDialogStyle = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
const DWORD kCheck = BS_AUTOCHECKBOX | WS_TABSTOP;
const DWORD kRadio = BS_AUTORADIOBUTTON;
const DWORD kPush = BS_PUSHBUTTON | WS_TABSTOP;
const DWORD kCombo = CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;

// The pattern-class menu: text and class value; 0 is a separator.
struct PatternClassItem
{
    const char* text;
    int value;
};
const PatternClassItem kPatternClasses[25] = {
    { "Beliebige  Zeichen&folge", 2 },
    { "&Wort", 3 },
    { "&Zahl", 4 },
    { "&Leerraum", 5 },
    { "Leer&raum oder (null)", 6 },
    { nullptr, 0 },
    { "Zeilen&anfang", 7 },
    { "Zeilen&ende", 8 },
    { "Wortende", 12 },
    { "Wortanfang", 11 },
    { nullptr, 0 },
    { "Zeichen Aus&wahl", 14 },
    { "Zeichen Auswahl oder (null)", 15 },
    { "Zeichenketten Auswahl", 16 },
    { "Zeichenketten ohne |...|", 18 },
    { "Zeichen nicht aus {...}", 17 },
    { nullptr, 0 },
    { "Text via strwlen oder (null)", 19 },
    { "Zeichen via strwchar", 20 },
    { "Zeichen via strwchar oder (null)", 21 },
    { nullptr, 0 },
    { "Beliebiges &Zeichen", 1 },
    { "Buchstabe", 13 },
    { "Einzelne Zahl", 9 },
    { "Zahl oder Buchstabe", 10 },
};

// The picture of the pattern-class button, one palette index per pixel, top row first: a
// small "*" over a "?" on the button face.
const char* const kClassButtonPixels[14] = {
    "7777777777777777",
    "7777777777777777",
    "7770770777777777",
    "7777007777777777",
    "7700000077777777",
    "7777007777777777",
    "7770770777000777",
    "7777777770777077",
    "7777777777777077",
    "7777777777700777",
    "7777777777707777",
    "7777777777777777",
    "7777777777707777",
    "7777777777777777",
};
// The 16 colours of the classic palette (0x00BBGGRR as RGBQUAD bytes blue, green, red).
const uint8_t kPalette[16][3] = {
    { 0, 0, 0 },       { 0, 0, 128 },     { 0, 128, 0 },     { 0, 128, 128 },
    { 128, 0, 0 },     { 128, 0, 128 },   { 128, 128, 0 },   { 192, 192, 192 },
    { 128, 128, 128 }, { 0, 0, 255 },     { 0, 255, 0 },     { 0, 255, 255 },
    { 255, 0, 0 },     { 255, 0, 255 },   { 255, 255, 0 },   { 255, 255, 255 },
};

void BuildClassButtonBitmap(uint8_t* out)
{
    BITMAPINFOHEADER header;
    memset(&header, 0, sizeof(header));
    header.biSize = sizeof(header);
    header.biWidth = 16;
    header.biHeight = 14;
    header.biPlanes = 1;
    header.biBitCount = 4;
    header.biCompression = BI_RGB;
    header.biSizeImage = 8 * 14;
    header.biClrUsed = 16;
    memcpy(out, &header, sizeof(header));
    uint8_t* palette = out + sizeof(header);
    for (int i = 0; i < 16; ++i)
    {
        palette[4 * i] = kPalette[i][0];
        palette[4 * i + 1] = kPalette[i][1];
        palette[4 * i + 2] = kPalette[i][2];
        palette[4 * i + 3] = 0;
    }
    uint8_t* pixels = palette + 64;
    for (int row = 0; row < 14; ++row)
    {
        // Bottom-up rows of 8 bytes, two pixels a byte, the left one in the high half.
        const char* source = kClassButtonPixels[13 - row];
        for (int x = 0; x < 8; ++x)
        {
            int hi = source[2 * x] - '0';
            int lo = source[2 * x + 1] - '0';
            pixels[row * 8 + x] = static_cast<uint8_t>((hi << 4) | lo);
        }
    }
}

// The five option boxes of both dialogs, one under the other from (x, y).
bool AddOptionBoxes(CDlgTemplateBuilder& b, short x, short y, short width, short highlightWidth)
{
    static const struct
    {
        int id;
        const char* text;
    } kBoxes[5] = {
        { IDC_TF_IGNORE_CASE, "&Groß/Kleinschreibung ignorieren" },
        { IDC_TF_WHOLE_TEXT, "Gesamten &Text durchsuchen" },
        { IDC_TF_WHOLE_WORDS, "Ganze &Wörter suchen" },
        { IDC_TF_PATTERN, "&Regulärer Ausdruck" },
        { IDC_TF_HIGHLIGHT, "Wort hervorheben" },
    };
    BOOL ok = TRUE;
    for (int i = 0; i < 5 && ok; ++i)
        ok = b.AddButton(static_cast<DWORD>(kBoxes[i].id), kBoxes[i].text,
                         kCheck | (kBoxes[i].id == IDC_TF_HIGHLIGHT ? WS_DISABLED : 0), x, static_cast<short>(y + 10 * i),
                         kBoxes[i].id == IDC_TF_HIGHLIGHT ? highlightWidth : width, 10);
    return ok != FALSE;
}

bool HasPatternCharacter(const char* text)
{
    return strpbrk(text, "\\*?") != nullptr;
}

void PlaceAtKeptPosition(HWND dialog, TextDialogKind kind)
{
    const KeptDialogPosition& kept = g_positions[kind];
    if (!kept.valid)
        return;
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    if (kept.x >= -99 && kept.x < width - 100 && kept.y >= -9 && kept.y < height - 100)
        ::SetWindowPos(dialog, nullptr, kept.x, kept.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER);
}

void KeepPositionOf(HWND dialog, TextDialogKind kind)
{
    RECT r;
    if (!dialog || !::GetWindowRect(dialog, &r))
        return;
    g_positions[kind].x = r.left;
    g_positions[kind].y = r.top;
    g_positions[kind].valid = 1;
}

LRESULT QueryEditor(HWND editor, WPARAM code, LPARAM value)
{
    return editor ? ::SendMessageA(editor, WM_TEXTEDIT_QUERY, code, value) : 0;
}

// Moves the dialog off the text the editor has just found.
void MoveClearOfFoundText(HWND dialog, HWND editor)
{
    if (!dialog || !editor)
        return;
    int cellWidth, cellHeight, caretColumn, caretLine, originColumn, originLine, anchorColumn, anchorLine;
    UnpackTextPosition(static_cast<uint32_t>(QueryEditor(editor, 20, 0)), &cellWidth, &cellHeight);
    UnpackTextPosition(static_cast<uint32_t>(QueryEditor(editor, 1, 0)), &caretColumn, &caretLine);
    UnpackTextPosition(static_cast<uint32_t>(QueryEditor(editor, 3, 0)), &originColumn, &originLine);
    UnpackTextPosition(static_cast<uint32_t>(QueryEditor(editor, 5, 0)), &anchorColumn, &anchorLine);
    RECT editorRect;
    RECT dialogRect;
    if (!::GetWindowRect(editor, &editorRect) || !::GetWindowRect(dialog, &dialogRect))
        return;
    const int x1 = (caretColumn - originColumn) * cellWidth;
    const int y1 = (caretLine - originLine) * cellHeight;
    const int x2 = (anchorColumn - originColumn) * cellWidth;
    const int y2 = (anchorLine - originLine) * cellHeight;
    RECT found = { x1 < x2 ? x1 : x2, y1 < y2 ? y1 : y2, (x1 > x2 ? x1 : x2) + cellWidth,
                   (y1 > y2 ? y1 : y2) + cellHeight };
    ::OffsetRect(&found, editorRect.left, editorRect.top);
    int top = 0;
    if (!KeepClearOfFoundText(dialogRect, found, cellHeight, ::GetSystemMetrics(SM_CYSCREEN), &top))
        return;
    ::SetWindowPos(dialog, HWND_TOP, dialogRect.left, top, 0, 0, SWP_NOSIZE);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Pure helpers

const char* PatternClassToken(int value)
{
    static const char* const kTokens[22] = {
        nullptr, "?",     "*",     "\\w",   "\\z",   "\\_",   "\\.",   "\\a",   "\\e",   "\\p",   "\\o",
        "\\g",   "\\f",   "\\m",   "\\[]",  "\\()",  "\\<>",  "\\{}",  "\\||",  "\\##",  "\\&&",  "\\$$",
    };
    return value >= 1 && value <= 21 ? kTokens[value] : nullptr;
}

int InsertPatternToken(const char* text, int caret, int value, char* out, int size)
{
    const char* token = PatternClassToken(value);
    if (!token || !out || size < 1)
        return -1;
    if (!text)
        text = "";
    const int length = static_cast<int>(strlen(text));
    if (caret < 0)
        caret = 0;
    if (caret > length)
        caret = length;
    const int tokenLength = static_cast<int>(strlen(token));
    if (length + tokenLength + 1 > size)
        return -1;
    memmove(out + caret + tokenLength, text + caret, static_cast<size_t>(length - caret) + 1);
    if (out != text)
        memcpy(out, text, static_cast<size_t>(caret));
    memcpy(out + caret, token, static_cast<size_t>(tokenLength));
    return caret + tokenLength - (value >= 14 ? 1 : 0);
}

bool KeepClearOfFoundText(const RECT& dialog, const RECT& found, int lineHeight, int screenHeight, int* newTop)
{
    POINT topLeft = { found.left, found.top };
    POINT centre = { (found.left + found.right) / 2, (found.top + found.bottom) / 2 };
    POINT bottomRight = { found.right - 1, found.bottom - 1 };
    int reference;
    if (::PtInRect(&dialog, topLeft))
        reference = found.top + lineHeight / 2;
    else if (::PtInRect(&dialog, centre) || ::PtInRect(&dialog, bottomRight))
        reference = found.bottom - lineHeight / 2;
    else
        return false;
    const int height = dialog.bottom - dialog.top;
    if (reference > screenHeight / 2)
        *newTop = reference - lineHeight - 10 - height;
    else
        *newTop = reference + lineHeight + 10;
    return true;
}

KeptDialogPosition& TextDialogPosition(TextDialogKind kind)
{
    return g_positions[kind < TDK_CONFIRM || kind > TDK_FIND ? TDK_FIND : kind];
}

// ---------------------------------------------------------------------------------------------
// "Text ändern ?"

CReplaceAskDlg::CReplaceAskDlg(CWnd* parent)
{
    m_pParentWnd = parent;
}

INT_PTR CReplaceAskDlg::DoModal()
{
    CDlgTemplateBuilder b;
    BOOL ok = b.Begin("Text ändern ?", kDialogStyle, 0, 0, 172, 41);
    ok = ok && b.AddButton(IDYES, "Ja", BS_DEFPUSHBUTTON | WS_TABSTOP, 5, 20, 50, 14);
    ok = ok && b.AddButton(IDNO, "Nein", kPush, 60, 20, 50, 14);
    ok = ok && b.AddButton(IDCANCEL, "Abbrechen", kPush, 115, 20, 50, 14);
    ok = ok && b.AddStatic(static_cast<DWORD>(-1), "Text wurde gefunden, jetzt ändern ?", SS_LEFT, 5, 5, 115, 8);
    if (!ok || !InitModalIndirect(b.GetTemplate(), m_pParentWnd))
        return -1;
    return CDialog::DoModal();
}

BOOL CReplaceAskDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    PlaceAtKeptPosition(m_hWnd, TDK_CONFIRM);
    return TRUE;
}

void CReplaceAskDlg::Finish(int result)
{
    MoveClearOfFoundText(m_hWnd, m_editor);
    KeepPositionOf(m_hWnd, TDK_CONFIRM);
    EndDialog(result);
}

void CReplaceAskDlg::OnCancel()
{
    Finish(IDCANCEL);
}

BOOL CReplaceAskDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(wParam);
    if (HIWORD(wParam) == BN_CLICKED && (id == IDYES || id == IDNO))
    {
        Finish(static_cast<int>(id));
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// Shared parts

CTextSearchDlgBase::CTextSearchDlgBase(CWnd* parent, TextDialogKind kind) : m_kind(kind)
{
    m_pParentWnd = parent;
    BuildClassButtonBitmap(m_bitmap);
}

CTextSearchDlgBase::~CTextSearchDlgBase() = default;

INT_PTR CTextSearchDlgBase::RunTemplate(const DLGTEMPLATE* dialogTemplate)
{
    if (!dialogTemplate || !InitModalIndirect(dialogTemplate, m_pParentWnd))
        return -1;
    return CDialog::DoModal();
}

void CTextSearchDlgBase::FillHistory(bool bothCombos)
{
    HWND combo = ::GetDlgItem(m_hWnd, IDC_TF_TEXT);
    if (!combo || !m_history || ::SendMessageA(combo, CB_GETCOUNT, 0, 0) != 0)
        return;
    for (const char* h = m_history; *h; h += strlen(h) + 1)
    {
        ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(h));
        if (bothCombos)
            ::SendDlgItemMessageA(m_hWnd, IDC_TF_REPLACEMENT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(h));
    }
}

void CTextSearchDlgBase::ExchangeOptions(CDataExchange* pDX)
{
    DDX_Check(pDX, IDC_TF_IGNORE_CASE, m_ignoreCase);
    DDX_Check(pDX, IDC_TF_WHOLE_TEXT, m_wholeText);
    DDX_Check(pDX, IDC_TF_WHOLE_WORDS, m_wholeWords);
    DDX_Check(pDX, IDC_TF_PATTERN, m_regularExpression);
    DDX_Check(pDX, IDC_TF_HIGHLIGHT, m_highlightWord);
    DDX_Check(pDX, IDC_TF_BACKWARD, m_backward);
    DDX_Check(pDX, IDC_TF_FORWARD, m_forward);
}

LRESULT CTextSearchDlgBase::Query(WPARAM code, LPARAM value) const
{
    return QueryEditor(m_editor, code, value);
}

void CTextSearchDlgBase::OpenCommon()
{
    SetButtonImage(m_hWnd, IDC_TF_CLASS_MENU, reinterpret_cast<UINT_PTR>(m_bitmap));
    PlaceAtKeptPosition(m_hWnd, m_kind);
    ::SubclassDlgItem(m_hWnd, IDC_TF_TEXT, CeComboProc);
}

void CTextSearchDlgBase::FinishOpening()
{
    m_offersHighlight = (static_cast<uint32_t>(Query(17, 0)) & EO_HIGHLIGHT_OFFERED) ? 1 : 0;
    UpdateHighlightBox();   // from the controls as they are before the exchange fills them
    CDialog::OnInitDialog();
}

void CTextSearchDlgBase::SetOptionsFromFlags(uint32_t flags)
{
    m_ignoreCase = (flags & EO_FIND_IGNORE_CASE) ? 1 : 0;
    m_backward = (flags & EO_FIND_BACKWARD) ? 1 : 0;
    m_forward = m_backward ? 0 : 1;
    m_wholeText = (flags & EO_FIND_WRAP) ? 1 : 0;
    m_wholeWords = (flags & EO_FIND_WHOLE_WORDS) ? 1 : 0;
    m_regularExpression = (flags & EO_FIND_PATTERN) ? 1 : 0;
    m_highlightWord = (flags & EO_HIGHLIGHT_WORD) ? 1 : 0;
}

uint32_t CTextSearchDlgBase::OptionsFromFields() const
{
    return (m_ignoreCase ? EO_FIND_IGNORE_CASE : 0u) | (m_backward ? EO_FIND_BACKWARD : 0u) |
           (m_wholeText ? EO_FIND_WRAP : 0u) | (m_wholeWords ? EO_FIND_WHOLE_WORDS : 0u) |
           (m_regularExpression ? EO_FIND_PATTERN : 0u) | (m_highlightWord ? EO_HIGHLIGHT_WORD : 0u);
}

bool CTextSearchDlgBase::WriteOptions()
{
    if (!UpdateData(TRUE))
        return false;
    OptionMask record = { OptionsFromFields(), EO_FIND_IGNORE_CASE | EO_FIND_BACKWARD | EO_FIND_WRAP |
                                                   EO_FIND_WHOLE_WORDS | EO_FIND_PATTERN | EO_HIGHLIGHT_WORD };
    Query(16, reinterpret_cast<LPARAM>(&record));
    return true;
}

bool CTextSearchDlgBase::ReadFindText(char* text)
{
    text[0] = 0;
    if (!WriteOptions())
        return false;
    ReadComboText(IDC_TF_TEXT, text, kFindTextSize);
    if (!text[0])
    {
        AnsiViewBeep(MB_ICONASTERISK);
        return false;
    }
    return true;
}

void CTextSearchDlgBase::ReadComboText(int id, char* text, int size) const
{
    text[0] = 0;
    ::GetDlgItemTextA(m_hWnd, id, text, size);
    text[size - 1] = 0;
}

void CTextSearchDlgBase::UpdateHighlightBox()
{
    HWND box = ::GetDlgItem(m_hWnd, IDC_TF_HIGHLIGHT);
    if (!box)
        return;
    bool enable = false;
    if (m_offersHighlight)
    {
        const bool pattern = ::IsDlgButtonChecked(m_hWnd, IDC_TF_PATTERN) == BST_CHECKED;
        char text[256];
        ReadComboText(IDC_TF_TEXT, text, sizeof(text));
        enable = !pattern || !HasPatternCharacter(text);
    }
    ::EnableWindow(box, enable);
}

void CTextSearchDlgBase::SendHighlightRequest(const char* text)
{
    if (!m_highlightWord || (m_regularExpression && HasPatternCharacter(text)))
        return;
    FindRequest request = { (m_ignoreCase ? 0x1000u : 0u) | (m_wholeWords ? 0x10u : 0u), 0, text };
    Query(22, reinterpret_cast<LPARAM>(&request));
}

bool CTextSearchDlgBase::FindOnce(uint32_t requestFlags, const char* text)
{
    FindRequest request = { requestFlags, 0, text };
    CWaitCursor wait;
    return Query(18, reinterpret_cast<LPARAM>(&request)) != 0;
}

void CTextSearchDlgBase::KeepPosition()
{
    KeepPositionOf(m_hWnd, m_kind);
}

void CTextSearchDlgBase::ShowPatternMenu()
{
    HMENU menu = ::CreatePopupMenu();
    if (!menu)
        return;
    for (const PatternClassItem& item : kPatternClasses)
    {
        if (item.value == 0)
            ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        else
            ::AppendMenuA(menu, MF_STRING, ID_TF_CLASS_BASE + static_cast<UINT>(item.value), item.text);
    }
    RECT r = { 0, 0, 0, 0 };
    ::GetWindowRect(::GetDlgItem(m_hWnd, IDC_TF_CLASS_MENU), &r);
    ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, r.right, r.top, 0, m_hWnd, nullptr);
    ::DestroyMenu(menu);
}

void CTextSearchDlgBase::InsertPatternClass(int value)
{
    char text[256];
    ReadComboText(IDC_TF_TEXT, text, 255);
    DWORD selection = 0;
    ::SendDlgItemMessageA(m_hWnd, IDC_TF_TEXT, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&selection), 0);
    char built[kFindTextSize + 8];
    const int caret = InsertPatternToken(text, static_cast<int>(LOWORD(selection)), value, built, kFindTextSize);
    if (caret < 0)
        return;
    UpdateData(FALSE);
    ::SetDlgItemTextA(m_hWnd, IDC_TF_TEXT, built);
    HWND combo = ::GetDlgItem(m_hWnd, IDC_TF_TEXT);
    ::SetFocus(combo);
    ::SendMessageA(combo, CB_SETEDITSEL, 0, MAKELPARAM(caret, caret));
    m_regularExpression = 1;
    ::CheckDlgButton(m_hWnd, IDC_TF_PATTERN, BST_CHECKED);
}

BOOL CTextSearchDlgBase::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    if (id > ID_TF_CLASS_BASE && id < ID_TF_CLASS_BASE + 24 && lParam == 0)
    {
        InsertPatternClass(static_cast<int>(id - ID_TF_CLASS_BASE));
        return TRUE;
    }
    if (id == IDC_TF_CLASS_MENU && code == BN_CLICKED)
    {
        ShowPatternMenu();
        return TRUE;
    }
    if ((id == IDC_TF_PATTERN && code == BN_CLICKED) ||
        (id == IDC_TF_TEXT && code == CBN_EDITCHANGE))
    {
        UpdateHighlightBox();
        return CDialog::OnCommand(wParam, lParam);
    }
    return CDialog::OnCommand(wParam, lParam);
}

LRESULT CTextSearchDlgBase::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY)
        ClearButtonImage(m_hWnd, IDC_TF_CLASS_MENU);
    return CDialog::WindowProc(message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// "Text suchen"

CTextFindDlg::CTextFindDlg(CWnd* parent) : CTextSearchDlgBase(parent, TDK_FIND) {}

INT_PTR CTextFindDlg::Run(HWND editor, char* text, int size, uint32_t flags, const char* history)
{
    m_editor = editor;
    m_history = history;
    SetOptionsFromFlags(flags);
    CopyTextLimited(m_findText, text, kFindTextSize);
    if (!m_findText[0])
        CopyTextLimited(m_findText, history, kFindTextSize);
    CDlgTemplateBuilder b;
    BOOL ok = b.Begin("Text suchen", kDialogStyle, 0, 0, 287, 77);
    ok = ok && b.AddComboBox(IDC_TF_TEXT, kCombo, 55, 5, 140, 129);
    ok = ok && AddOptionBoxes(b, 7, 23, 130, 130);
    ok = ok && b.AddButton(IDC_TF_BACKWARD, "&Rückwärts", kRadio, 155, 40, 56, 8);
    ok = ok && b.AddButton(IDC_TF_FORWARD, "&Vorwärts", kRadio, 155, 50, 56, 10);
    ok = ok && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 225, 5, 55, 15);
    ok = ok && b.AddButton(IDCANCEL, "Abbrechen", kPush, 225, 25, 55, 15);
    ok = ok && b.AddButton(IDC_TF_AGAIN, "Weiter&suchen", kPush, 225, 55, 55, 15);
    ok = ok && b.AddButton(IDC_TF_CLASS_MENU, nullptr, kPush | BS_BITMAP, 200, 5, 13, 13);
    ok = ok && b.AddStatic(static_cast<DWORD>(-1), "Suche Nach :", SS_LEFT, 5, 8, 45, 8);
    ok = ok && b.AddButton(static_cast<DWORD>(-1), "Richtung", BS_GROUPBOX, 145, 25, 70, 45);
    const INT_PTR result = RunTemplate(ok ? b.GetTemplate() : nullptr);
    CopyTextLimited(text, m_findText, size);
    return result;
}

BOOL CTextFindDlg::OnInitDialog()
{
    OpenCommon();
    m_highlightAtOpening = m_highlightWord;
    FinishOpening();
    return TRUE;
}

void CTextFindDlg::DoDataExchange(CDataExchange* pDX)
{
    FillHistory(false);
    DDX_Text(pDX, IDC_TF_TEXT, m_findText, kFindTextSize);
    ExchangeOptions(pDX);
}

void CTextFindDlg::Find(bool again)
{
    SetDefID(IDC_TF_AGAIN);
    char text[kFindTextSize];
    if (!ReadFindText(text))
        return;
    SendHighlightRequest(text);
    if (!FindOnce(again ? 4u : 0u, text))
    {
        MessageBox("Text wurde nicht gefunden !", nullptr, MB_ICONSTOP);
        ::SetFocus(::GetDlgItem(m_hWnd, IDC_TF_TEXT));
        return;
    }
    MoveClearOfFoundText(m_hWnd, m_editor);
    if (!again)
    {
        KeepPosition();
        EndDialog(IDOK);
    }
}

void CTextFindDlg::OnOK()
{
    Find(false);
}

void CTextFindDlg::OnCancel()
{
    UpdateData(TRUE);
    if (m_highlightWord != m_highlightAtOpening)
    {
        OptionMask record = { m_highlightWord ? EO_HIGHLIGHT_WORD : 0u, EO_HIGHLIGHT_WORD };
        Query(16, reinterpret_cast<LPARAM>(&record));
    }
    KeepPosition();
    EndDialog(IDCANCEL);
}

BOOL CTextFindDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDC_TF_AGAIN && HIWORD(wParam) == BN_CLICKED)
    {
        Find(true);
        return TRUE;
    }
    return CTextSearchDlgBase::OnCommand(wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// "Ändern"

CTextReplaceDlg::CTextReplaceDlg(CWnd* parent) : CTextSearchDlgBase(parent, TDK_REPLACE), m_ask(new CReplaceAskDlg(parent))
{
}

CTextReplaceDlg::~CTextReplaceDlg()
{
    delete m_ask;
}

INT_PTR CTextReplaceDlg::Run(HWND editor, char* find, int findSize, char* replacement, int replacementSize,
                             uint32_t flags, const char* history)
{
    m_editor = editor;
    m_history = history;
    SetOptionsFromFlags(flags);
    m_selectionOffered = (flags & EO_REPLACE_SELECTION) ? 1 : 0;
    m_replaceIn = 0;
    CopyTextLimited(m_findText, find, kFindTextSize);
    if (!m_findText[0])
        CopyTextLimited(m_findText, history, kFindTextSize);
    CopyTextLimited(m_replacement, replacement, kFindTextSize);

    CDlgTemplateBuilder b;
    BOOL ok = b.Begin("Ändern", kDialogStyle, 0, 0, 297, 116);
    ok = ok && b.AddComboBox(IDC_TF_TEXT, kCombo, 60, 15, 140, 129);
    ok = ok && b.AddComboBox(IDC_TF_REPLACEMENT, kCombo, 60, 36, 140, 129);
    ok = ok && AddOptionBoxes(b, 10, 58, 113, 115);
    ok = ok && b.AddButton(static_cast<DWORD>(-1), "Richtung", BS_GROUPBOX, 135, 70, 60, 35);
    ok = ok && b.AddButton(IDC_TF_BACKWARD, "Au&fwärts", kRadio, 145, 81, 40, 8);
    ok = ok && b.AddButton(IDC_TF_FORWARD, "A&bwärts", kRadio, 145, 90, 41, 10);
    ok = ok && b.AddButton(IDC_TF_REPLACE_IN, "Ersetzen in", BS_GROUPBOX, 201, 70, 80, 35);
    ok = ok && b.AddButton(IDC_TF_WHOLE_FILE, "Gesamte Datei", kRadio | WS_GROUP, 211, 80, 63, 10);
    ok = ok && b.AddButton(IDC_TF_SELECTION, "Auswahl", kRadio, 211, 90, 60, 10);
    ok = ok && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 225, 10, 55, 15);
    ok = ok && b.AddButton(IDCANCEL, "Abbrechen", kPush, 225, 30, 55, 15);
    ok = ok && b.AddButton(IDC_TF_AGAIN, "&Alles ändern", kPush, 225, 50, 55, 15);
    ok = ok && b.AddButton(IDC_TF_CLASS_MENU, nullptr, kPush | BS_BITMAP, 205, 15, 13, 13);
    ok = ok && b.AddStatic(static_cast<DWORD>(-1), "Suche Nach :", SS_LEFT, 10, 18, 45, 8);
    ok = ok && b.AddStatic(static_cast<DWORD>(-1), "Ändern in :", SS_LEFT, 10, 39, 45, 8);
    const INT_PTR result = RunTemplate(ok ? b.GetTemplate() : nullptr);
    CopyTextLimited(find, m_findText, findSize);
    CopyTextLimited(replacement, m_replacement, replacementSize);
    return result;
}

BOOL CTextReplaceDlg::OnInitDialog()
{
    OpenCommon();
    if (!m_selectionOffered)
    {
        ::EnableWindow(::GetDlgItem(m_hWnd, IDC_TF_WHOLE_FILE), FALSE);
        ::EnableWindow(::GetDlgItem(m_hWnd, IDC_TF_SELECTION), FALSE);
    }
    else
    {
        m_replaceIn = 1;
    }
    FinishOpening();
    return TRUE;
}

void CTextReplaceDlg::DoDataExchange(CDataExchange* pDX)
{
    FillHistory(true);
    DDX_Text(pDX, IDC_TF_TEXT, m_findText, kFindTextSize);
    DDX_Text(pDX, IDC_TF_REPLACEMENT, m_replacement, kFindTextSize);
    ExchangeOptions(pDX);
    DDX_Radio(pDX, IDC_TF_WHOLE_FILE, m_replaceIn);
}

void CTextReplaceDlg::OnOK()
{
    char find[kFindTextSize];
    char replacement[kFindTextSize];
    if (!ReadFindText(find))
        return;
    ReadComboText(IDC_TF_REPLACEMENT, replacement, sizeof(replacement));
    ShowWindow(SW_HIDE);
    SendHighlightRequest(find);
    int matches = 0;
    uint32_t extra = 0;
    for (;;)
    {
        if (!FindOnce((m_replaceIn == 1 ? 8u : 0u) | extra, find))
        {
            if (matches == 0)
                MessageBox("Text wurde nicht gefunden !", nullptr, MB_ICONINFORMATION);
            break;
        }
        ++matches;
        m_ask->m_editor = m_editor;
        const INT_PTR answer = m_ask->DoModal();
        if (answer == IDYES)
        {
            ReplaceRequest request = { 0, 0, find, replacement };
            Query(19, reinterpret_cast<LPARAM>(&request));
            extra = 0;
        }
        else if (answer == IDNO)
        {
            extra = 16;
        }
        else
        {
            break;
        }
    }
    KeepPosition();
    EndDialog(IDOK);
}

void CTextReplaceDlg::ReplaceAll()
{
    char find[kFindTextSize];
    char replacement[kFindTextSize];
    if (!ReadFindText(find))
        return;
    ReadComboText(IDC_TF_REPLACEMENT, replacement, sizeof(replacement));
    SendHighlightRequest(find);
    ReplaceRequest request = { m_replaceIn == 1 ? 0xC002u : 2u, 0, find, replacement };
    const int count = static_cast<int>(Query(19, reinterpret_cast<LPARAM>(&request)));
    if (count)
    {
        char text[96];
        snprintf(text, sizeof(text), "Es wurden  %i  Änderung(en) durchgeführt !", count);
        MessageBox(text, nullptr, MB_ICONINFORMATION);
    }
    else
    {
        MessageBox("Text wurde nicht gefunden !", nullptr, MB_ICONINFORMATION);
    }
    ::SetFocus(::GetDlgItem(m_hWnd, IDC_TF_TEXT));
}

void CTextReplaceDlg::OnCancel()
{
    KeepPosition();
    EndDialog(IDCANCEL);
}

BOOL CTextReplaceDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDC_TF_AGAIN && HIWORD(wParam) == BN_CLICKED)
    {
        ReplaceAll();
        return TRUE;
    }
    return CTextSearchDlgBase::OnCommand(wParam, lParam);
}
