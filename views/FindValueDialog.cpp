#include "views/FindValueDialog.h"

#include "classlib/DlgTemplate.h"
#include "classlib/WinApp.h"
#include "views/ValueSearch.h"
#include "views/ValueSearchInput.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const int kTextSize = 1024;

const char* const kKindLabels[7] = {
    "De&zimal", "&Hexadezimal", "B&inär", "Oktal", "Als &Text", "Hex D&ump", "Bit-&Maske ?#",
};
const char* const kCountLabels[4] = { "B&yte", "&Word", "&DWord", "&Variabel" };

// The check boxes and the flag bit each stands for.
struct FlagBox
{
    int id;
    uint32_t flag;
    const char* label;
};
const FlagBox kFlagBoxes[] = {
    { IDC_FV_SELECTION_ONLY, VSF_SELECTION_ONLY, "Nur im &markierten Bereich suchen" },
    { IDC_FV_WRAP, VSF_WRAP, "Gesamten &Speicher durchsuchen" },
    { IDC_FV_IGNORE_CASE, VSF_IGNORE_CASE, "&Groß/Kleinschreibung ignorieren" },
    { IDC_FV_GROUP, VSF_GROUP, "Gru&ppen-Suche" },
    { IDC_FV_KEEP_ORDER, VSF_KEEP_ORDER, "&Reihenfolge beachten" },
    { IDC_FV_FROM_START, VSF_FROM_START, "Vom &Anfang suchen" },
    { IDC_FV_UNICODE, VSF_UNICODE, "Unicode Text" },
    { IDC_FV_MOTOROLA, VSF_MOTOROLA, "Zahlen im Motorola Format suchen" },
};
const int kFlagBoxCount = static_cast<int>(sizeof(kFlagBoxes) / sizeof(kFlagBoxes[0]));

bool IsNumberKind(int kind)
{
    return kind >= SIK_DECIMAL && kind <= SIK_OCTAL;
}

HexFindMessageFunc g_messageSeam = nullptr;
HexFindDialogFunc g_dialogSeam = nullptr;

bool BuildFindValueTemplate(CDlgTemplateBuilder& b)
{
    const DWORD radio = BS_AUTORADIOBUTTON | WS_TABSTOP;
    const DWORD check = BS_AUTOCHECKBOX | WS_TABSTOP;
    const DWORD push = BS_PUSHBUTTON | WS_TABSTOP;
    BOOL ok = b.Begin("Wert suchen", DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_3DLOOK,
                      0, 0, 297, 221, "MS Sans Serif", 8);
    ok = ok && b.AddStatic(static_cast<DWORD>(-1), "Suche Nach :", SS_LEFT, 7, 7, 45, 8);
    ok = ok && b.AddComboBox(IDC_FV_TEXT, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP,
                             55, 5, 180, 120);
    ok = ok && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 243, 5, 47, 14);
    ok = ok && b.AddButton(IDCANCEL, "Abbrechen", push, 243, 22, 47, 14);
    ok = ok && b.AddButton(IDC_FV_FIND_AGAIN, "Weiter&suchen", push, 243, 39, 47, 14);

    ok = ok && b.AddButton(static_cast<DWORD>(-1), "Eingabe Art", BS_GROUPBOX, 7, 24, 80, 100);
    for (int i = 0; i < 7; ++i)
        ok = ok && b.AddButton(static_cast<DWORD>(IDC_FV_KIND_FIRST + i), kKindLabels[i],
                               radio | (i == 0 ? WS_GROUP : 0), 13, static_cast<short>(35 + 12 * i), 70, 10);
    ok = ok && b.AddButton(static_cast<DWORD>(-1), "Byte-Anzahl", BS_GROUPBOX | WS_GROUP, 92, 24, 70, 60);
    for (int i = 0; i < 4; ++i)
        ok = ok && b.AddButton(static_cast<DWORD>(IDC_FV_COUNT_FIRST + i), kCountLabels[i],
                               radio | (i == 0 ? WS_GROUP : 0), 98, static_cast<short>(35 + 12 * i), 60, 10);
    ok = ok && b.AddButton(static_cast<DWORD>(-1), "Richtung", BS_GROUPBOX | WS_GROUP, 92, 88, 70, 36);
    ok = ok && b.AddButton(IDC_FV_BACKWARDS, "Rück&wärts", radio | WS_GROUP, 98, 99, 60, 10);
    ok = ok && b.AddButton(IDC_FV_FORWARDS, "&Vorwärts", radio, 98, 111, 60, 10);

    for (int i = 0; i < kFlagBoxCount; ++i)
        ok = ok && b.AddButton(static_cast<DWORD>(kFlagBoxes[i].id), kFlagBoxes[i].label,
                               check | (i == 0 ? WS_GROUP : 0), 167, static_cast<short>(60 + 11 * i), 125, 10);

    ok = ok && b.AddStatic(IDC_FV_DISTANCE_LABEL, "Bereich", SS_LEFT | WS_GROUP, 7, 154, 30, 8);
    ok = ok && b.AddEdit(IDC_FV_DISTANCE, NULL, ES_AUTOHSCROLL | ES_NUMBER | WS_BORDER | WS_TABSTOP,
                         40, 152, 40, 12);
    ok = ok && b.AddListBox(IDC_FV_LIST, LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_USETABSTOPS |
                                             LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL |
                                             WS_BORDER | WS_TABSTOP,
                            7, 168, 230, 46);
    ok = ok && b.AddButton(IDC_FV_ADD, "Hi&nzufügen", push, 243, 150, 47, 12);
    ok = ok && b.AddButton(IDC_FV_DELETE, "&Löschen", push, 243, 163, 47, 12);
    ok = ok && b.AddButton(IDC_FV_DELETE_ALL, "Alle  Löschen", push, 243, 176, 47, 12);
    ok = ok && b.AddButton(IDC_FV_UP, "Nach &Oben", push, 243, 189, 47, 12);
    ok = ok && b.AddButton(IDC_FV_DOWN, "Nach Un&ten", push, 243, 202, 47, 12);
    return ok && b.GetTemplate() != NULL;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Seams

void SetHexFindMessageSeam(HexFindMessageFunc function)
{
    g_messageSeam = function;
}

int ShowHexFindMessage(HWND owner, const char* text, UINT type)
{
    if (g_messageSeam)
        return g_messageSeam(owner, text, type);
    return AfxMessageBox(text, type);
}

void SetHexFindDialogSeam(HexFindDialogFunc function)
{
    g_dialogSeam = function;
}

INT_PTR RunHexFindDialog(CWnd* parent, ValueSearchSettings* settings, uint32_t flags,
                         const char* initialText)
{
    if (g_dialogSeam)
        return g_dialogSeam(parent, settings, flags, initialText);
    CFindValueDialog dialog(parent, settings, flags, initialText);
    return dialog.DoModal();
}

// ---------------------------------------------------------------------------------------------
// The dialog

CFindValueDialog::CFindValueDialog(CWnd* parent, ValueSearchSettings* settings, uint32_t flags,
                                   const char* initialText)
    : m_settings(settings), m_flags(flags), m_initialText(initialText), m_kind(SIK_TEXT),
      m_numberCount(SBC_DWORD), m_template(new CDlgTemplateBuilder)
{
    m_pParentWnd = parent;
}

CFindValueDialog::~CFindValueDialog()
{
    delete m_template;
}

INT_PTR CFindValueDialog::DoModal()
{
    if (!m_settings || !m_template || !BuildFindValueTemplate(*m_template))
        return -1;
    if (!InitModalIndirect(m_template->GetTemplate(), m_pParentWnd))
        return -1;
    return CDialog::DoModal();
}

bool CFindValueDialog::Checked(int id) const
{
    return ::SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CFindValueDialog::Check(int id, bool on)
{
    ::SendMessageA(Item(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

int CFindValueDialog::CheckedKind() const
{
    for (int i = 0; i < 7; ++i)
        if (Checked(IDC_FV_KIND_FIRST + i))
            return i;
    return SIK_TEXT;
}

int CFindValueDialog::CheckedCount() const
{
    for (int i = 0; i < 4; ++i)
        if (Checked(IDC_FV_COUNT_FIRST + i))
            return i;
    return SBC_VARIABLE;
}

void CFindValueDialog::SetKind(int kind)
{
    if (kind == SIK_UTF16_TEXT)
        kind = SIK_TEXT;
    if (kind < 0 || kind > SIK_MASK)
        kind = SIK_TEXT;
    m_kind = kind;
    for (int i = 0; i < 7; ++i)
        Check(IDC_FV_KIND_FIRST + i, i == kind);
    // Text, dumps and masks have the length they are typed with; a number gets back the
    // size the user chose for numbers.
    SetCount(IsNumberKind(kind) ? m_numberCount : static_cast<int>(SBC_VARIABLE));
}

void CFindValueDialog::SetCount(int choice)
{
    if (choice < SBC_BYTE || choice > SBC_VARIABLE)
        choice = SBC_DWORD;
    for (int i = 0; i < 4; ++i)
        Check(IDC_FV_COUNT_FIRST + i, i == choice);
}

void CFindValueDialog::GetText(char* text, int size) const
{
    text[0] = 0;
    ::GetWindowTextA(Item(IDC_FV_TEXT), text, size);
    text[size - 1] = 0;
}

void CFindValueDialog::SetText(const char* text)
{
    ::SetWindowTextA(Item(IDC_FV_TEXT), text ? text : "");
}

BOOL CFindValueDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    ValueSearchSettings& s = *m_settings;

    if (s.dialogPlaced)
    {
        int width = ::GetSystemMetrics(SM_CXSCREEN);
        int height = ::GetSystemMetrics(SM_CYSCREEN);
        // Only a place still on the screen: the screen may have shrunk since.
        if (s.dialogX >= -99 && s.dialogX < width - 100 && s.dialogY >= -9 && s.dialogY < height - 100)
            ::SetWindowPos(m_hWnd, NULL, s.dialogX, s.dialogY, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    HWND combo = Item(IDC_FV_TEXT);
    ::SendMessageA(combo, CB_LIMITTEXT, kTextSize - 1, 0);
    for (int i = 0; i < VS_HISTORY_MAX; ++i)
    {
        const char* entry = MultiTextAt(s.history, i);
        if (!entry || !*entry)
            break;
        ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    }
    const char* text = (m_initialText && *m_initialText) ? m_initialText : MultiTextAt(s.history, 0);
    SetText(text ? text : "");

    // The group list: the distance first, then the entry lines.
    const char* first = MultiTextAt(s.groups, 0);
    const int distance = GroupDistanceOfText(first);
    char number[16];
    snprintf(number, sizeof(number), "%d", distance);
    ::SetWindowTextA(Item(IDC_FV_DISTANCE), number);
    HWND list = Item(IDC_FV_LIST);
    for (int i = 1; i <= VS_MAX_ENTRIES; ++i)
    {
        const char* line = MultiTextAt(s.groups, i);
        if (!line || !*line)
            break;
        ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
    }

    for (int i = 0; i < kFlagBoxCount; ++i)
        Check(kFlagBoxes[i].id, (m_flags & kFlagBoxes[i].flag) != 0);
    if (!(m_flags & VSF_HAS_SELECTION))
        Check(IDC_FV_SELECTION_ONLY, false);
    if (m_flags & VSF_NO_GROUP)
        Check(IDC_FV_GROUP, false);
    // A fixed direction only disables the two buttons; they still show the stored one.
    const bool backwards = (m_flags & VSF_BACKWARDS) != 0;
    Check(IDC_FV_BACKWARDS, backwards);
    Check(IDC_FV_FORWARDS, !backwards);

    m_numberCount = m_settings->byteCountChoice;
    if (m_numberCount < SBC_BYTE || m_numberCount > SBC_VARIABLE)
        m_numberCount = SBC_DWORD;
    SetKind(InputKindOfText(text ? text : ""));
    if (m_flags & VSF_NO_FIND_NEXT)
        ::ShowWindow(Item(IDC_FV_FIND_AGAIN), SW_HIDE);
    UpdateControls();
    return TRUE;
}

void CFindValueDialog::UpdateControls()
{
    char text[kTextSize];
    GetText(text, kTextSize);
    const int kind = CheckedKind();
    const int count = CheckedCount();
    const bool textKind = kind == SIK_TEXT;
    ::EnableWindow(Item(IDC_FV_IGNORE_CASE), textKind);
    ::EnableWindow(Item(IDC_FV_UNICODE), textKind);
    ::EnableWindow(Item(IDC_FV_MOTOROLA), IsNumberKind(kind) && (count == SBC_WORD || count == SBC_DWORD));
    ::EnableWindow(Item(IDC_FV_SELECTION_ONLY), (m_flags & VSF_HAS_SELECTION) != 0);

    const bool direction = !Checked(IDC_FV_FROM_START) && !Checked(IDC_FV_SELECTION_ONLY) &&
                           !(m_flags & VSF_FORWARD_ONLY);
    ::EnableWindow(Item(IDC_FV_BACKWARDS), direction);
    ::EnableWindow(Item(IDC_FV_FORWARDS), direction);

    const bool groupAllowed = !(m_flags & VSF_NO_GROUP);
    ::EnableWindow(Item(IDC_FV_GROUP), groupAllowed);
    const bool group = groupAllowed && Checked(IDC_FV_GROUP);
    ::EnableWindow(Item(IDC_FV_KEEP_ORDER), group);
    const int groupIds[] = { IDC_FV_DISTANCE_LABEL, IDC_FV_DISTANCE, IDC_FV_LIST, IDC_FV_ADD,
                             IDC_FV_DELETE, IDC_FV_DELETE_ALL, IDC_FV_UP, IDC_FV_DOWN };
    for (int id : groupIds)
        ::ShowWindow(Item(id), group ? SW_SHOW : SW_HIDE);

    HWND list = Item(IDC_FV_LIST);
    int lines = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
    int selected = static_cast<int>(::SendMessageA(list, LB_GETSELCOUNT, 0, 0));
    if (lines < 0)
        lines = 0;
    if (selected < 0)
        selected = 0;
    ::EnableWindow(Item(IDC_FV_ADD), group && text[0] != 0 && lines < VS_MAX_ENTRIES);
    ::EnableWindow(Item(IDC_FV_DELETE), group && selected > 0);
    ::EnableWindow(Item(IDC_FV_DELETE_ALL), group && lines > 0);
    ::EnableWindow(Item(IDC_FV_UP), group && selected == 1 && lines > 1);
    ::EnableWindow(Item(IDC_FV_DOWN), group && selected == 1 && lines > 1);
}

void CFindValueDialog::OnKindClicked(int kind)
{
    const int oldKind = m_kind;
    if (kind == oldKind)
    {
        UpdateControls();
        return;
    }
    char text[kTextSize];
    GetText(text, kTextSize);
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (!*p)
    {
        SetText(InputKindPrefix(kind));
    }
    else
    {
        // The value stays; only the way it is written changes.
        const bool unicode = oldKind == SIK_TEXT && Checked(IDC_FV_UNICODE);
        uint8_t bytes[VS_SLOT_SIZE];
        uint32_t capacity = VS_SLOT_SIZE | (unicode ? static_cast<uint32_t>(VS_CAPACITY_UTF16) : 0u);
        int n = ParseSearchText(text, bytes, capacity, oldKind == SIK_MASK ? 1 : 0);
        if (n > 0)
        {
            char shown[VS_INPUT_TEXT_SIZE];
            int shownKind = (kind == SIK_TEXT && Checked(IDC_FV_UNICODE)) ? SIK_UTF16_TEXT : kind;
            if (FormatAsInput(bytes, n, shown, sizeof(shown), shownKind) > 0)
                SetText(shown);
        }
    }
    SetKind(kind);
    UpdateControls();
}

void CFindValueDialog::OnTextEdited()
{
    char text[kTextSize];
    GetText(text, kTextSize);
    int kind = InputKindOfText(text);
    if (kind != m_kind)
        SetKind(kind);
    UpdateControls();
}

void CFindValueDialog::OnListSelection()
{
    HWND list = Item(IDC_FV_LIST);
    if (::SendMessageA(list, LB_GETSELCOUNT, 0, 0) == 1)
    {
        int index = -1;
        ::SendMessageA(list, LB_GETSELITEMS, 1, reinterpret_cast<LPARAM>(&index));
        int length = static_cast<int>(::SendMessageA(list, LB_GETTEXTLEN, index, 0));
        if (index >= 0 && length > 0 && length < VS_ENTRY_LINE_SIZE)
        {
            char line[VS_ENTRY_LINE_SIZE];
            ::SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(line));
            DecodedEntryLine* decoded = static_cast<DecodedEntryLine*>(malloc(sizeof(DecodedEntryLine)));
            if (decoded && DecodeEntryLine(line, decoded))
            {
                SetText(decoded->text);
                // "Unicode Text" and the Motorola box follow the line, off as well as on:
                // a box left on from before would turn the shown value into other bytes
                // than the line's when it is added or searched again.
                Check(IDC_FV_UNICODE, decoded->unicode);
                if (decoded->ignoreCase)
                    Check(IDC_FV_IGNORE_CASE, true);
                Check(IDC_FV_MOTOROLA, decoded->reversed);
                SetKind(decoded->kind);
                SetCount(decoded->byteCountChoice);
            }
            free(decoded);
        }
    }
    UpdateControls();
}

EntryLineOptions CFindValueDialog::CurrentEntryOptions() const
{
    EntryLineOptions options;
    options.kind = CheckedKind();
    options.byteCountChoice = CheckedCount();
    options.unicode = options.kind == SIK_TEXT && Checked(IDC_FV_UNICODE);
    options.ignoreCase = options.kind == SIK_TEXT && Checked(IDC_FV_IGNORE_CASE);
    options.motorola = IsNumberKind(options.kind) && Checked(IDC_FV_MOTOROLA);
    return options;
}

int CFindValueDialog::BuildCurrentEntry(const char* text, char* line, int size) const
{
    return BuildEntryLine(text, CurrentEntryOptions(), line, size);
}

bool CFindValueDialog::RefuseUnsearchableText(const char* text)
{
    // Mends a search reported as "not found" for a value that was never searched: "300" as a
    // Byte and "12 GB" give no bytes at all, and cutting them to 2C or 12 would search what
    // nobody typed.
    const char* refusal = SearchTextRefusal(text, CurrentEntryOptions());
    if (!refusal)
        return false;
    ShowHexFindMessage(m_hWnd, refusal, MB_OK | MB_ICONEXCLAMATION);
    ::SetFocus(Item(IDC_FV_TEXT));
    return true;
}

void CFindValueDialog::AddEntry()
{
    HWND list = Item(IDC_FV_LIST);
    if (::SendMessageA(list, LB_GETCOUNT, 0, 0) >= VS_MAX_ENTRIES)
        return;
    char text[kTextSize];
    GetText(text, kTextSize);
    if (RefuseUnsearchableText(text))
        return;
    char line[VS_ENTRY_LINE_SIZE];
    // A text that gives no bytes would make an entry of no bytes, and such an entry lies
    // everywhere: every group would be "found" at any first match.
    if (BuildCurrentEntry(text, line, sizeof(line)) <= 0)
    {
        ::MessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    AddToHistory(&m_settings->history, text, VS_HISTORY_MAX);
    HWND combo = Item(IDC_FV_TEXT);
    int old = static_cast<int>(::SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                              reinterpret_cast<LPARAM>(text)));
    if (old >= 0)
        ::SendMessageA(combo, CB_DELETESTRING, old, 0);
    ::SendMessageA(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(text));
    SetText(text);
    ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
    UpdateControls();
}

void CFindValueDialog::DeleteEntries()
{
    HWND list = Item(IDC_FV_LIST);
    int lines = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = lines - 1; i >= 0; --i)
        if (::SendMessageA(list, LB_GETSEL, i, 0) > 0)
            ::SendMessageA(list, LB_DELETESTRING, i, 0);
    UpdateControls();
}

void CFindValueDialog::MoveEntry(int step)
{
    HWND list = Item(IDC_FV_LIST);
    int lines = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
    if (lines < 2 || ::SendMessageA(list, LB_GETSELCOUNT, 0, 0) != 1)
        return;
    int index = -1;
    ::SendMessageA(list, LB_GETSELITEMS, 1, reinterpret_cast<LPARAM>(&index));
    int length = static_cast<int>(::SendMessageA(list, LB_GETTEXTLEN, index, 0));
    if (index < 0 || length < 0 || length >= VS_ENTRY_LINE_SIZE)
        return;
    char line[VS_ENTRY_LINE_SIZE];
    ::SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(line));
    // Past either end the line goes round to the other.
    int target = (index + step + lines) % lines;
    ::SendMessageA(list, LB_DELETESTRING, index, 0);
    ::SendMessageA(list, LB_INSERTSTRING, target, reinterpret_cast<LPARAM>(line));
    ::SendMessageA(list, LB_SETSEL, FALSE, -1);
    ::SendMessageA(list, LB_SETSEL, TRUE, target);
    UpdateControls();
}

void CFindValueDialog::RememberPosition()
{
    RECT rect;
    if (m_hWnd && ::GetWindowRect(m_hWnd, &rect))
    {
        m_settings->dialogX = rect.left;
        m_settings->dialogY = rect.top;
        m_settings->dialogPlaced = 1;
    }
}

void CFindValueDialog::Finish(int result)
{
    ValueSearchSettings& s = *m_settings;
    char text[kTextSize];
    GetText(text, kTextSize);
    // The typed value is what a single search runs on; a group searches its list.
    const bool group = !(m_flags & VSF_NO_GROUP) && Checked(IDC_FV_GROUP);
    if (!group && RefuseUnsearchableText(text))
        return;
    // OK takes whatever else is typed: an empty text leaves no pattern (nothing is searched),
    // and "Bereich" reads as a number, 1000 when it is none or below 1.
    char typedDistance[24] = "";
    ::GetWindowTextA(Item(IDC_FV_DISTANCE), typedDistance, sizeof(typedDistance));
    typedDistance[sizeof(typedDistance) - 1] = 0;
    if (text[0])
        AddToHistory(&s.history, text, VS_HISTORY_MAX);

    // The group list: the distance, then the lines of the list box.
    char number[16];
    const int distance = GroupDistanceOfText(typedDistance);
    snprintf(number, sizeof(number), "%d", distance);
    char* groups = nullptr;
    MultiTextInsert(&groups, -1, number);
    HWND list = Item(IDC_FV_LIST);
    int lines = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < lines && i < VS_MAX_ENTRIES; ++i)
    {
        int length = static_cast<int>(::SendMessageA(list, LB_GETTEXTLEN, i, 0));
        if (length <= 0 || length >= VS_ENTRY_LINE_SIZE)
            continue;
        char line[VS_ENTRY_LINE_SIZE];
        ::SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
        MultiTextInsert(&groups, -1, line);
    }
    if (groups)
    {
        MultiTextFree(&s.groups);
        s.groups = groups;
    }

    uint32_t flags = s.flags & ~static_cast<uint32_t>(VSF_STORED_MASK);
    for (int i = 0; i < kFlagBoxCount; ++i)
        if (Checked(kFlagBoxes[i].id))
            flags |= kFlagBoxes[i].flag;
    if (Checked(IDC_FV_BACKWARDS))
        flags |= VSF_BACKWARDS;
    if (m_flags & VSF_NO_GROUP)
        flags &= ~static_cast<uint32_t>(VSF_GROUP);
    s.flags = flags;

    // An empty text (one that gives no bytes was refused above) leaves no pattern, so nothing
    // is searched.
    char* pattern = nullptr;
    if ((flags & VSF_GROUP) && s.groups)
    {
        pattern = MakeGroupPattern(s.groups);
    }
    else
    {
        char line[VS_ENTRY_LINE_SIZE];
        if (BuildCurrentEntry(text, line, sizeof(line)) > 0)
            pattern = MakeSinglePattern(line);
    }
    MultiTextFree(&s.pattern);
    s.pattern = pattern;
    s.byteCountChoice = IsNumberKind(m_kind) ? CheckedCount() : m_numberCount;

    RememberPosition();
    EndDialog(result);
}

void CFindValueDialog::OnOK()
{
    Finish(IDOK);
}

void CFindValueDialog::OnCancel()
{
    RememberPosition();
    CDialog::OnCancel();
}

BOOL CFindValueDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (id >= IDC_FV_KIND_FIRST && id < IDC_FV_KIND_FIRST + 7 && code == BN_CLICKED)
    {
        OnKindClicked(id - IDC_FV_KIND_FIRST);
        return TRUE;
    }
    switch (id)
    {
    case IDC_FV_TEXT:
        if (code == CBN_EDITCHANGE)
            OnTextEdited();
        else if (code == CBN_SELCHANGE)
        {
            // The edit text follows the chosen item only after this notification.
            HWND combo = Item(IDC_FV_TEXT);
            int index = static_cast<int>(::SendMessageA(combo, CB_GETCURSEL, 0, 0));
            int length = static_cast<int>(::SendMessageA(combo, CB_GETLBTEXTLEN, index, 0));
            if (index >= 0 && length >= 0 && length < kTextSize)
            {
                char text[kTextSize];
                ::SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
                SetKind(InputKindOfText(text));
            }
            UpdateControls();
        }
        return TRUE;
    case IDC_FV_SELECTION_ONLY:
    case IDC_FV_FROM_START:
        if (code == BN_CLICKED)
        {
            // The two ranges exclude each other.
            int other = id == IDC_FV_FROM_START ? IDC_FV_SELECTION_ONLY : IDC_FV_FROM_START;
            if (Checked(id))
                Check(other, false);
            UpdateControls();
        }
        return TRUE;
    case IDC_FV_LIST:
        if (code == LBN_SELCHANGE)
            OnListSelection();
        return TRUE;
    case IDC_FV_ADD: AddEntry(); return TRUE;
    case IDC_FV_DELETE: DeleteEntries(); return TRUE;
    case IDC_FV_DELETE_ALL:
        ::SendMessageA(Item(IDC_FV_LIST), LB_RESETCONTENT, 0, 0);
        UpdateControls();
        return TRUE;
    case IDC_FV_UP: MoveEntry(-1); return TRUE;
    case IDC_FV_DOWN: MoveEntry(1); return TRUE;
    case IDC_FV_FIND_AGAIN:
        if (!(m_flags & VSF_NO_FIND_NEXT))
            Finish(FIND_VALUE_AGAIN);
        return TRUE;
    case IDC_FV_GROUP:
    case IDC_FV_UNICODE:
    case IDC_FV_IGNORE_CASE:
    case IDC_FV_MOTOROLA:
    case IDC_FV_WRAP:
    case IDC_FV_KEEP_ORDER:
    case IDC_FV_BACKWARDS:
    case IDC_FV_FORWARDS:
    case IDC_FV_COUNT_FIRST:
    case IDC_FV_COUNT_FIRST + 1:
    case IDC_FV_COUNT_FIRST + 2:
    case IDC_FV_COUNT_FIRST + 3:
        if (code == BN_CLICKED)
        {
            if (IsNumberKind(m_kind))
                m_numberCount = CheckedCount();
            UpdateControls();
        }
        return TRUE;
    default:
        break;
    }
    return CDialog::OnCommand(wParam, lParam);
}
