#include "views/HexToolDialogs.h"

#include "classlib/DlgTemplate.h"
#include "services/Eval.h"
#include "services/Registry.h"
#include "textlib/IntFormat.h"
#include "uihelpers/ControlSubclass.h"
#include "uihelpers/EditExchange.h"
#include "uihelpers/ListFill.h"
#include "views/FindValueDialog.h"
#include "views/HexToolDialog.h"
#include "views/ValueSearchLists.h"

#include <stdlib.h>
#include <string.h>

namespace {

const DWORD kDialogStyle = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_3DLOOK;
const DWORD kRadio = BS_AUTORADIOBUTTON | WS_TABSTOP;
const DWORD kCheck = BS_AUTOCHECKBOX | WS_TABSTOP;
const DWORD kPush = BS_PUSHBUTTON | WS_TABSTOP;
const DWORD kEdit = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
const DWORD kResult = ES_AUTOHSCROLL | ES_READONLY | WS_BORDER | WS_TABSTOP;
const DWORD kLabel = SS_LEFT;
const DWORD kNoId = static_cast<DWORD>(-1);

const int kValueSizes[4] = { 1, 2, 4, 8 };
const char kNoValueOfTheSize[] = "Der Wert ist keine Zahl, die in die gewählte Größe passt !";

ToolDialogPosition g_addressPosition = { 0, 0, false };
ToolDialogPosition g_valuePosition = { 0, 0, false };
ToolDialogPosition g_checksumPosition = { 0, 0, false };
ToolDialogPosition g_calculatorPosition = { 0, 0, false };
ToolDialogPosition g_floatPosition = { 0, 0, false };

const char kCalculatorHistory[] = "CalculatorLast";

void SetTextIfDifferent(HWND window, const char* text)
{
    char shown[1024];
    shown[0] = 0;
    ::GetWindowTextA(window, shown, sizeof(shown));
    if (strcmp(shown, text) != 0)
        ::SetWindowTextA(window, text);
}

void CopyText(char* target, int size, const char* text)
{
    int n = 0;
    for (; text && text[n] && n < size - 1; ++n)
        target[n] = text[n];
    target[n] = 0;
}

// The values per line of the format form: the number the text reads as (a dump or an
// expression), 0 for a text that is no number, which the copy takes as 16.
int LineSizeOfText(const char* text)
{
    uint8_t value[8];
    ParseValueInputText(text, value);
    return static_cast<int>(value[0] | value[1] << 8 | value[2] << 16 | static_cast<uint32_t>(value[3]) << 24);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Common base

CHexToolDialog::CHexToolDialog(CWnd* parent) : m_template(new CDlgTemplateBuilder)
{
    m_pParentWnd = parent;
}

CHexToolDialog::~CHexToolDialog()
{
    delete m_template;
}

INT_PTR CHexToolDialog::RunTemplate()
{
    if (!m_template || !BuildTemplate(*m_template) || !m_template->GetTemplate())
        return -1;
    if (!InitModalIndirect(m_template->GetTemplate(), m_pParentWnd))
        return -1;
    return CDialog::DoModal();
}

void CHexToolDialog::OnOK()
{
    RememberPosition();
    EndDialog(IDOK);
}

void CHexToolDialog::OnCancel()
{
    RememberPosition();
    CDialog::OnCancel();
}

void CHexToolDialog::PlaceAtLastPosition()
{
    PlaceToolDialog(m_hWnd, Position());
}

void CHexToolDialog::RememberPosition()
{
    RememberToolDialog(m_hWnd, &Position());
}

bool CHexToolDialog::Checked(int id) const
{
    return ::SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CHexToolDialog::Check(int id, bool on)
{
    ::SendMessageA(Item(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

int CHexToolDialog::CheckedRadio(int first, int count, int fallback) const
{
    for (int i = 0; i < count; ++i)
        if (Checked(first + i))
            return i;
    return fallback;
}

LRESULT CHexToolDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORSTATIC)
    {
        int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        HDC dc = reinterpret_cast<HDC>(wParam);
        if (IsBadField(id))
            return reinterpret_cast<LRESULT>(PaintToolField(dc, true));
        if (IsResultField(id))
            return reinterpret_cast<LRESULT>(PaintToolField(dc, false));
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// Address input

CAddressInputDlg::CAddressInputDlg(CWnd* parent)
    : CHexToolDialog(parent), m_caption(nullptr), m_prompt(nullptr), m_value(0), m_flags(ADF_HEX), m_history(nullptr)
{
    m_text[0] = 0;
}

ToolDialogPosition& CAddressInputDlg::Position()
{
    return g_addressPosition;
}

INT_PTR CAddressInputDlg::Run(const char* caption, const char* prompt, int64_t* value, uint32_t flags, char** history)
{
    if (!value)
        return -1;
    m_caption = caption;
    m_prompt = prompt;
    m_value = *value;
    m_flags = flags;
    m_history = history;
    INT_PTR result = RunTemplate();
    if (result == IDOK)
        *value = m_value;
    return result;
}

bool CAddressInputDlg::BuildTemplate(CDlgTemplateBuilder& b)
{
    BOOL ok = b.Begin("Neuer Hexbereich", kDialogStyle, 0, 0, 200, 52, "MS Sans Serif", 8);
    ok = ok && b.AddStatic(IDC_HT_PROMPT, "Speichergröße :", kLabel, 7, 9, 60, 8);
    if (m_history)
        ok = ok && b.AddComboBox(IDC_HT_VALUE, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 70, 7, 123, 110);
    else
        ok = ok && b.AddEdit(IDC_HT_VALUE, nullptr, kEdit, 70, 7, 123, 12);
    ok = ok && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 89, 31, 50, 14);
    ok = ok && b.AddButton(IDCANCEL, "Abbrechen", kPush, 143, 31, 50, 14);
    return ok != FALSE;
}

void CAddressInputDlg::DoDataExchange(CDataExchange* pDX)
{
    DdxText(pDX, IDC_HT_VALUE, m_text, sizeof(m_text));
}

BOOL CAddressInputDlg::OnInitDialog()
{
    PlaceAtLastPosition();
    if (m_caption)
        ::SetWindowTextA(m_hWnd, m_caption);
    if (m_prompt)
        ::SetWindowTextA(Item(IDC_HT_PROMPT), m_prompt);
    HWND field = Item(IDC_HT_VALUE);
    if (m_history)
    {
        ::SendMessageA(field, CB_LIMITTEXT, sizeof(m_text) - 1, 0);
        FillListFromText(field, *m_history ? *m_history : "", 0, TRUE);
    }
    else
    {
        ::SendMessageA(field, EM_LIMITTEXT, sizeof(m_text) - 1, 0);
    }
    FormatAddressText(m_value, (m_flags & ADF_HEX) != 0, (m_flags & ADF_64BIT) != 0, m_text, sizeof(m_text));
    CDialog::OnInitDialog();
    if (m_history)
        ::SendMessageA(field, CB_SHOWDROPDOWN, TRUE, 0);
    return TRUE;
}

void CAddressInputDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    // A text that is no whole expression goes to address 0: the cursor moves, nothing changes.
    m_value = EvalAddressText(m_text, (m_flags & ADF_64BIT) != 0);
    if (m_history)
        AddAddressHistory(m_history, m_text);
    CHexToolDialog::OnOK();
}

// ---------------------------------------------------------------------------------------------
// Value input

CValueInputDlg::CValueInputDlg(CWnd* parent)
    : CHexToolDialog(parent), m_formatForm(false), m_caption(nullptr), m_label(nullptr), m_count(4),
      m_sizeChoice(2), m_bigEndian(0), m_format(0), m_numberForm(IFF_HEX), m_bytes(nullptr), m_byteCount(0),
      m_preview(nullptr), m_countdown(0)
{
    m_text[0] = 0;
    memset(m_value, 0, sizeof(m_value));
}

ToolDialogPosition& CValueInputDlg::Position()
{
    return g_valuePosition;
}

INT_PTR CValueInputDlg::Run(uint8_t value[8], int* count, bool* bigEndian)
{
    if (!value || !count)
        return -1;
    m_formatForm = false;
    memcpy(m_value, value, sizeof(m_value));
    m_count = SignExtendValueBytes(m_value, *count);
    m_sizeChoice = ValueSizeChoiceOfCount(m_count);
    m_numberForm = IFF_HEX;
    FormatValueInputText(m_value, m_count, m_numberForm, m_text, sizeof(m_text));
    INT_PTR result = RunTemplate();
    if (result == IDOK)
    {
        memcpy(value, m_value, sizeof(m_value));
        *count = m_count;
        if (bigEndian)
            *bigEndian = m_bigEndian != 0;
    }
    return result;
}

INT_PTR CValueInputDlg::RunFormat(const uint8_t* bytes, int count, CppCopySettings* settings, bool* bigEndian)
{
    if (!settings)
        return -1;
    m_formatForm = true;
    m_caption = "Kopiere im C++ Format";
    m_label = "Spaltenbreite";
    m_bytes = bytes;
    m_byteCount = bytes ? count : 0;
    m_preview = FormatCppArray;
    m_sizeChoice = 0;
    for (int i = 0; i < 4; ++i)
        if (kValueSizes[i] == settings->valueSize)
            m_sizeChoice = i;
    m_format = settings->format & CAF_FORMAT_MASK;
    m_numberForm = settings->bigEndian == 1 ? IFF_HEX : IFF_SIGNED;
    FormatInteger(settings->lineSize, m_text, m_numberForm);
    INT_PTR result = RunTemplate();
    if (result == IDOK)
    {
        settings->lineSize = LineSizeOfText(m_text);
        settings->valueSize = kValueSizes[m_sizeChoice < 0 ? 0 : m_sizeChoice];
        settings->format = m_format < 0 ? 0 : m_format;
        if (bigEndian)
            *bigEndian = m_bigEndian != 0;
    }
    return result;
}

bool CValueInputDlg::BuildTemplate(CDlgTemplateBuilder& b)
{
    static const char* const kSizes[4] = { "B&yte", "&Word", "&DWord", "&QWort" };
    static const char* const kFormats[4] = { "C/C++", "Assembler", "Texttypen", "Dump" };
    const short height = m_formatForm ? (m_preview ? 126 : 108) : 96;
    const short buttons = static_cast<short>(height - 21);
    BOOL ok = b.Begin("Wert eingeben", kDialogStyle, 0, 0, 200, height, "MS Sans Serif", 8);
    ok = ok && b.AddStatic(IDC_HT_PROMPT, "Wert :", kLabel, 7, 9, 50, 8);
    ok = ok && b.AddEdit(IDC_HT_VALUE, nullptr, kEdit, 60, 7, 133, 12);
    ok = ok && b.AddButton(kNoId, m_formatForm ? "Wertgröße" : "Größe", BS_GROUPBOX, 7, 24, 88, 60);
    for (int i = 0; i < 4; ++i)
        ok = ok && b.AddButton(static_cast<DWORD>(IDC_HT_SIZE_FIRST + i), kSizes[i], kRadio | (i == 0 ? WS_GROUP : 0), 13,
                               static_cast<short>(35 + 11 * i), 78, 10);
    short next = 88;
    if (m_formatForm)
    {
        ok = ok && b.AddButton(kNoId, "Format", BS_GROUPBOX | WS_GROUP, 105, 24, 88, 60);
        for (int i = 0; i < 4; ++i)
            ok = ok && b.AddButton(static_cast<DWORD>(IDC_HT_FORMAT_FIRST + i), kFormats[i],
                                   kRadio | (i == 0 ? WS_GROUP : 0), 111, static_cast<short>(35 + 11 * i), 78, 10);
        if (m_preview)
        {
            ok = ok && b.AddEdit(IDC_HT_PREVIEW, nullptr, kResult | WS_GROUP, 7, next, 186, 12);
            next = static_cast<short>(next + 16);
        }
    }
    ok = ok && b.AddButton(IDC_HT_BIG_ENDIAN, "Big Endian Format", kCheck | WS_GROUP, 7, buttons + 2, 90, 10);
    ok = ok && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 99, buttons, 45, 14);
    ok = ok && b.AddButton(IDCANCEL, "Abbrechen", kPush, 148, buttons, 45, 14);
    return ok != FALSE;
}

void CValueInputDlg::DoDataExchange(CDataExchange* pDX)
{
    DdxText(pDX, IDC_HT_VALUE, m_text, sizeof(m_text));
    DDX_Radio(pDX, IDC_HT_SIZE_FIRST, m_sizeChoice);
    DDX_Check(pDX, IDC_HT_BIG_ENDIAN, m_bigEndian);
    if (m_formatForm)
        DDX_Radio(pDX, IDC_HT_FORMAT_FIRST, m_format);
}

BOOL CValueInputDlg::OnInitDialog()
{
    PlaceAtLastPosition();
    if (m_caption)
        ::SetWindowTextA(m_hWnd, m_caption);
    if (m_label)
        ::SetWindowTextA(Item(IDC_HT_PROMPT), m_label);
    ::SendMessageA(Item(IDC_HT_VALUE), EM_LIMITTEXT, sizeof(m_text) - 1, 0);
    // The box starts unchecked every time.
    m_bigEndian = 0;
    CDialog::OnInitDialog();
    if (m_formatForm)
        RelabelSizes();
    if (m_preview)
    {
        m_countdown = 3;   // the choices as they open are previewed a moment later
        ::SetTimer(m_hWnd, HEX_PREVIEW_TIMER, 200, nullptr);
    }
    return TRUE;
}

void CValueInputDlg::RelabelSizes()
{
    static const char* const kText[4] = { "Base 64", "HEX-Text", "MIN-Text", "Chars" };
    static const char* const kOthers[4] = { "&Byte", "&Word", "&Dword", "&QWord" };
    int format = CheckedRadio(IDC_HT_FORMAT_FIRST, 4, 0);
    for (int i = 0; i < 4; ++i)
    {
        const char* label = format == CAF_TEXT_FORMS ? kText[i] : kOthers[i];
        // A dump shows groups of at most 4 bytes: the fourth size goes without a name there.
        bool none = format == CAF_DUMP && i == 3;
        ::SetWindowTextA(Item(IDC_HT_SIZE_FIRST + i), none ? "" : label);
    }
}

void CValueInputDlg::ShowPreview()
{
    if (!m_preview)
        return;
    char text[256];
    text[0] = 0;
    ::GetWindowTextA(Item(IDC_HT_VALUE), text, sizeof(text));
    int perLine = LineSizeOfText(text);
    int size = kValueSizes[CheckedRadio(IDC_HT_SIZE_FIRST, 4, 0)];
    uint32_t flags = static_cast<uint32_t>(CheckedRadio(IDC_HT_FORMAT_FIRST, 4, 0));
    if (Checked(IDC_HT_BIG_ENDIAN))
        flags |= CAF_BIG_ENDIAN;
    char output[256];
    output[0] = 0;
    m_preview(m_bytes, m_byteCount, size, flags, perLine, output, sizeof(output));
    char* end = strchr(output, '\n');
    if (end)
        *end = 0;
    SetTextIfDifferent(Item(IDC_HT_PREVIEW), output);
}

LRESULT CValueInputDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == HEX_PREVIEW_TIMER)
    {
        if (m_countdown > 0 && --m_countdown == 0)
            ShowPreview();
        return 0;
    }
    return CHexToolDialog::WindowProc(message, wParam, lParam);
}

BOOL CValueInputDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (id >= IDC_HT_FORMAT_FIRST && id < IDC_HT_FORMAT_FIRST + 4 && code == BN_CLICKED)
        RelabelSizes();
    // Every change of a choice or of the number renders the preview again a little later.
    if ((id == IDC_HT_VALUE && code == EN_CHANGE) ||
        (code == BN_CLICKED && ((id >= IDC_HT_SIZE_FIRST && id < IDC_HT_SIZE_FIRST + 4) ||
                                (id >= IDC_HT_FORMAT_FIRST && id < IDC_HT_FORMAT_FIRST + 4) ||
                                id == IDC_HT_BIG_ENDIAN)))
    {
        m_countdown = 3;
        return TRUE;
    }
    return CHexToolDialog::OnCommand(wParam, lParam);
}

void CValueInputDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    // The plain form writes its number into the data: a text that is no number of the chosen
    // size is refused, said in words, and the dialog stays with it. Taken as 0, or cut to the
    // size, it would put bytes into the sector that the user never typed. The format form only
    // sets how many values a line of the copy holds, and takes what the text reads as (0 for
    // none).
    const int count = ByteCountOfValueSizeChoice(m_sizeChoice);
    if (!m_formatForm && !ValueInputTextFits(m_text, count))
    {
        ShowHexFindMessage(m_hWnd, kNoValueOfTheSize, MB_OK | MB_ICONEXCLAMATION);
        if (CWnd* field = GetDlgItem(IDC_HT_VALUE))
            field->SetFocus();
        return;
    }
    if (m_preview)
        ::KillTimer(m_hWnd, HEX_PREVIEW_TIMER);
    if (!m_formatForm)
    {
        ParseValueInputText(m_text, m_value);
        m_count = count;
    }
    CHexToolDialog::OnOK();
}

void CValueInputDlg::OnCancel()
{
    if (m_preview)
        ::KillTimer(m_hWnd, HEX_PREVIEW_TIMER);
    CHexToolDialog::OnCancel();
}

// ---------------------------------------------------------------------------------------------
// Checksums

CChecksumDlg::CChecksumDlg(CWnd* parent) : CHexToolDialog(parent), m_offerBigEndian(true)
{
    memset(&m_sums, 0, sizeof(m_sums));
}

ToolDialogPosition& CChecksumDlg::Position()
{
    return g_checksumPosition;
}

INT_PTR CChecksumDlg::Run(const uint8_t* bytes, int count, bool offerBigEndian)
{
    m_sums = ComputeChecksums(bytes, count);
    m_offerBigEndian = offerBigEndian;
    return RunTemplate();
}

bool CChecksumDlg::BuildTemplate(CDlgTemplateBuilder& b)
{
    static const char* const kRows[3] = { "BYTE :", "WORD :", "DWORD :" };
    static const char* const kColumns[3] = { "Addiert", "Subtrahiert", "Xor" };
    BOOL ok = b.Begin("Checksumme", kDialogStyle, 0, 0, 236, 92, "MS Sans Serif", 8);
    for (int c = 0; c < 3; ++c)
        ok = ok && b.AddStatic(kNoId, kColumns[c], kLabel, static_cast<short>(48 + 62 * c), 7, 55, 8);
    for (int r = 0; r < 3; ++r)
    {
        const short y = static_cast<short>(19 + 16 * r);
        ok = ok && b.AddStatic(kNoId, kRows[r], kLabel, 7, static_cast<short>(y + 2), 38, 8);
        for (int c = 0; c < 3; ++c)
            ok = ok && b.AddEdit(static_cast<DWORD>(IDC_HT_SUM_FIRST + 3 * r + c), nullptr, kResult,
                                 static_cast<short>(48 + 62 * c), y, 58, 12);
    }
    ok = ok && b.AddButton(IDC_HT_BIG_ENDIAN, "Big Endian", kCheck, 7, 73, 70, 10);
    ok = ok && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 172, 71, 57, 14);
    return ok != FALSE;
}

void CChecksumDlg::ShowSums()
{
    const int k = Checked(IDC_HT_BIG_ENDIAN) ? 1 : 0;
    const uint32_t values[9] = {
        m_sums.byteSum,     m_sums.byteNegated,     m_sums.byteXor,
        m_sums.wordSum[k],  m_sums.wordNegated[k],  m_sums.wordXor[k],
        m_sums.dwordSum[k], m_sums.dwordNegated[k], m_sums.dwordXor[k],
    };
    for (int i = 0; i < 9; ++i)
    {
        char text[INT_FORMAT_MAX_TEXT];
        FormatInteger(static_cast<int>(values[i]), text, IFF_RADIX | 16 | IFF_DIGITS(8));
        SetTextIfDifferent(Item(IDC_HT_SUM_FIRST + i), text);
    }
}

BOOL CChecksumDlg::OnInitDialog()
{
    PlaceAtLastPosition();
    CDialog::OnInitDialog();
    if (!m_offerBigEndian)
        ::ShowWindow(Item(IDC_HT_BIG_ENDIAN), SW_HIDE);
    ShowSums();
    return TRUE;
}

BOOL CChecksumDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDC_HT_BIG_ENDIAN && HIWORD(wParam) == BN_CLICKED)
    {
        ShowSums();
        return TRUE;
    }
    return CHexToolDialog::OnCommand(wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// Number calculator

CNumberCalcDlg::CNumberCalcDlg(CWnd* parent)
    : CHexToolDialog(parent), m_is64(false), m_showCancel(false), m_result(0), m_valid(true), m_lastSelection(-1)
{
    memset(m_results, 0, sizeof(m_results));
}

ToolDialogPosition& CNumberCalcDlg::Position()
{
    return g_calculatorPosition;
}

INT_PTR CNumberCalcDlg::Run(const uint8_t* bytes, int count, bool is64, bool showCancel)
{
    char start[CALC_RESULT_SIZE];
    FormatCalculatorStart(bytes, bytes ? count : 0, start, sizeof(start));
    m_input = start;
    m_is64 = is64;
    m_showCancel = showCancel;
    return RunTemplate();
}

bool CNumberCalcDlg::BuildTemplate(CDlgTemplateBuilder& b)
{
    static const char* const kLabels[4] = { "Dezimal:", "Hexadezimal:", "Oktal:", "Binär:" };
    BOOL ok = b.Begin("Zahlen umwandeln", kDialogStyle, 0, 0, 222, 106, "MS Sans Serif", 8, TRUE);
    for (int i = 0; i < 4; ++i)
    {
        const short y = static_cast<short>(6 + 14 * i);
        ok = ok && b.AddStatic(kNoId, kLabels[i], kLabel, 7, static_cast<short>(y + 2), 45, 8);
        ok = ok && b.AddEdit(static_cast<DWORD>(IDC_HT_RESULT_FIRST + i), nullptr, kResult, 55, y,
                             static_cast<short>(i == 3 ? 100 : 160), 12);
    }
    ok = ok && b.AddStatic(kNoId, "Ansi:", kLabel, 160, 50, 20, 8);
    ok = ok && b.AddEdit(IDC_HT_RESULT_FIRST + 4, nullptr, kResult, 182, 48, 33, 12);
    ok = ok && b.AddStatic(kNoId, "Eingabe:", kLabel, 7, 66, 45, 8);
    ok = ok && b.AddComboBox(IDC_HT_CALC_INPUT, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 55, 64, 160,
                             110);
    ok = ok && b.AddStatic(kNoId, "( 0x... = hex  0b... = bin 0o... = oktal  'x' = Ansi )", kLabel, 7, 79, 208, 8);
    ok = ok && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 110, 89, 50, 13);
    ok = ok && b.AddButton(IDCANCEL, "Abbruch", kPush, 165, 89, 50, 13);
    return ok != FALSE;
}

void CNumberCalcDlg::DoDataExchange(CDataExchange* pDX)
{
    DdxComboText(pDX, IDC_HT_CALC_INPUT, m_input);
}

BOOL CNumberCalcDlg::OnInitDialog()
{
    PlaceAtLastPosition();
    HWND combo = Item(IDC_HT_CALC_INPUT);
    CRegistry registry;
    void* history = nullptr;
    if (registry.Open(HKEY_CURRENT_USER, nullptr, REGISTRY_READ) &&
        registry.ReadValueAlloc(&history, kCalculatorHistory, REG_MULTI_SZ) && history)
        FillListFromText(combo, static_cast<const char*>(history), 0, TRUE);
    free(history);
    // The combo box's edit is coloured as the combo box: red while the text does not evaluate.
    InstallSubclass(combo, CeComboProc);
    if (!m_showCancel)
        ::ShowWindow(Item(IDCANCEL), SW_HIDE);
    CDialog::OnInitDialog();
    m_lastSelection = static_cast<int>(::SendMessageA(combo, CB_GETCURSEL, 0, 0));
    ::SetTimer(m_hWnd, HEX_CALC_TIMER, 150, nullptr);
    Recompute();
    // The user opens the calculator to type: the input has the focus, its text selected.
    GotoDlgCtrl(CWnd::FromHandle(combo));
    return FALSE;
}

void CNumberCalcDlg::Recompute()
{
    UpdateData(TRUE);
    const bool wasValid = m_valid;
    long long value = 0;
    m_valid = EvalCalculatorText(m_input, m_is64, &value) != 0;
    if (m_valid)
    {
        // A text that does not evaluate keeps the last good results.
        m_result = value;
        CalcResultTexts texts;
        FormatCalculatorResults(value, m_is64, &texts);
        const char* const all[5] = { texts.decimal, texts.hex, texts.octal, texts.binary, texts.ansi };
        for (int i = 0; i < 5; ++i)
        {
            CopyText(m_results[i], CALC_RESULT_SIZE, all[i]);
            SetTextIfDifferent(Item(IDC_HT_RESULT_FIRST + i), m_results[i]);
        }
    }
    if (wasValid != m_valid)
    {
        HWND combo = Item(IDC_HT_CALC_INPUT);
        ::InvalidateRect(combo, nullptr, TRUE);
        HWND edit = ::GetWindow(combo, GW_CHILD);
        if (edit)
            ::InvalidateRect(edit, nullptr, TRUE);
    }
}

LRESULT CNumberCalcDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == HEX_CALC_TIMER)
    {
        int selection = static_cast<int>(::SendMessageA(Item(IDC_HT_CALC_INPUT), CB_GETCURSEL, 0, 0));
        if (selection != m_lastSelection)
        {
            m_lastSelection = selection;
            Recompute();
        }
        return 0;
    }
    return CHexToolDialog::WindowProc(message, wParam, lParam);
}

BOOL CNumberCalcDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDC_HT_CALC_INPUT && HIWORD(wParam) == CBN_EDITCHANGE)
    {
        Recompute();
        return TRUE;
    }
    return CHexToolDialog::OnCommand(wParam, lParam);
}

void CNumberCalcDlg::OnOK()
{
    UpdateData(TRUE);
    ::KillTimer(m_hWnd, HEX_CALC_TIMER);
    const char* text = m_input;
    if (text && *text)
    {
        CRegistry registry;
        if (registry.Open(HKEY_CURRENT_USER, nullptr, REGISTRY_CREATE))
        {
            char* list = nullptr;
            void* stored = nullptr;
            if (registry.ReadValueAlloc(&stored, kCalculatorHistory, REG_MULTI_SZ) && stored)
                list = MultiTextCopy(static_cast<const char*>(stored), VS_HISTORY_MAX);
            free(stored);
            if (AddToHistory(&list, text, VS_HISTORY_MAX))
                registry.WriteMultiString(list, kCalculatorHistory);
            MultiTextFree(&list);
        }
    }
    CHexToolDialog::OnOK();
}

void CNumberCalcDlg::OnCancel()
{
    ::KillTimer(m_hWnd, HEX_CALC_TIMER);
    CHexToolDialog::OnCancel();
}

// ---------------------------------------------------------------------------------------------
// Floating-point converter

CFloatConvDlg::CFloatConvDlg(CWnd* parent) : CHexToolDialog(parent), m_bytes(nullptr), m_count(0), m_kind(FS_BYTES)
{
    memset(m_texts, 0, sizeof(m_texts));
    memset(m_bad, 0, sizeof(m_bad));
}

ToolDialogPosition& CFloatConvDlg::Position()
{
    return g_floatPosition;
}

INT_PTR CFloatConvDlg::Run(const uint8_t* bytes, int count, int kind)
{
    m_bytes = bytes;
    m_count = bytes ? count : 0;
    m_kind = kind;
    return RunTemplate();
}

bool CFloatConvDlg::BuildTemplate(CDlgTemplateBuilder& b)
{
    struct Row
    {
        const char* label;
        int field;
        short y;
    };
    static const Row kRows[] = {
        { "Double :", FF_DOUBLE, 6 },           { "Mantisse :", FF_DOUBLE_MANTISSA, 20 },
        { "Exponent :", FF_DOUBLE_EXPONENT, 34 }, { "Float :", FF_FLOAT, 52 },
        { "Mantisse :", FF_FLOAT_MANTISSA, 66 },  { "Exponent :", FF_FLOAT_EXPONENT, 80 },
        { "HEX-Dump :", FF_HEX, 98 },
    };
    static const char* const kKey[8] = { "Double:", "M=0...51", "E=52...62", "V=63",
                                         "Float:",  "M=0...22", "E=23...30", "V=31" };
    BOOL ok = b.Begin("Flieskommakonverter", kDialogStyle, 0, 0, 290, 138, "MS Sans Serif", 8);
    for (const Row& row : kRows)
    {
        ok = ok && b.AddStatic(kNoId, row.label, kLabel, 7, static_cast<short>(row.y + 2), 45, 8);
        ok = ok && b.AddEdit(static_cast<DWORD>(IDC_HT_FLOAT_FIRST + row.field), nullptr, kEdit, 55, row.y, 170, 12);
    }
    for (int i = 0; i < 8; ++i)
        ok = ok && b.AddStatic(kNoId, kKey[i], kLabel, 232, static_cast<short>((i < 4 ? 8 : 54) + 9 * (i % 4)), 52, 8);
    ok = ok && b.AddButton(IDC_HT_SWAP_BYTES, "Swap Bytes", kPush, 7, 117, 60, 14);
    ok = ok && b.AddButton(IDC_HT_SWAP_WORDS, "Swap Words", kPush, 71, 117, 60, 14);
    ok = ok && b.AddButton(IDC_HT_SWAP_QWORDS, "Swap QWords", kPush, 135, 117, 60, 14);
    ok = ok && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 232, 117, 51, 14);
    return ok != FALSE;
}

void CFloatConvDlg::DoDataExchange(CDataExchange* pDX)
{
    for (int f = 0; f < FF_COUNT; ++f)
        DdxText(pDX, IDC_HT_FLOAT_FIRST + f, m_texts[f], FLOAT_FIELD_SIZE);
}

bool CFloatConvDlg::IsBadField(int id) const
{
    int field = id - IDC_HT_FLOAT_FIRST;
    return field >= 0 && field < FF_COUNT && m_bad[field];
}

void CFloatConvDlg::ShowAll(int except)
{
    for (int f = 0; f < FF_COUNT; ++f)
    {
        if (f == except)
            continue;
        bool colon = f == FF_HEX && m_texts[f][0] == ':';
        m_converter.FieldText(f, colon ? m_texts[f] + 1 : m_texts[f]);
        if (colon)
            m_texts[f][0] = ':';
        if (m_bad[f])
        {
            m_bad[f] = false;
            ::InvalidateRect(Item(IDC_HT_FLOAT_FIRST + f), nullptr, TRUE);
        }
    }
    UpdateData(FALSE);
}

BOOL CFloatConvDlg::OnInitDialog()
{
    PlaceAtLastPosition();
    for (int f = 0; f < FF_COUNT; ++f)
        ::SendMessageA(Item(IDC_HT_FLOAT_FIRST + f), EM_LIMITTEXT, FLOAT_FIELD_SIZE - 1, 0);
    m_converter.Open(m_bytes, m_count, m_kind);
    for (int f = 0; f < FF_COUNT; ++f)
        m_converter.FieldText(f, m_texts[f]);
    CDialog::OnInitDialog();
    return TRUE;
}

void CFloatConvDlg::FieldEdited(int field)
{
    UpdateData(TRUE);
    bool ok = m_converter.Edit(field, m_texts[field]);
    if (m_bad[field] == ok)
    {
        m_bad[field] = !ok;
        ::InvalidateRect(Item(IDC_HT_FLOAT_FIRST + field), nullptr, TRUE);
    }
    if (ok)
        ShowAll(field);
}

void CFloatConvDlg::FieldEntered(int field)
{
    char text[FLOAT_FIELD_SIZE];
    char cut[FLOAT_FIELD_SIZE];
    ::GetWindowTextA(Item(IDC_HT_FLOAT_FIRST + field), text, sizeof(text));
    CFloatConverter::TextOnEntry(field, text, cut, sizeof(cut));
    if (strcmp(text, cut) == 0)
        return;
    // Only the number is left to edit; it stands for the same bits, so nothing is recomputed.
    m_bLockNotify = TRUE;
    ::SetWindowTextA(Item(IDC_HT_FLOAT_FIRST + field), cut);
    m_bLockNotify = FALSE;
    ::SendMessageA(Item(IDC_HT_FLOAT_FIRST + field), EM_SETSEL, 0, -1);
}

BOOL CFloatConvDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    const int field = id - IDC_HT_FLOAT_FIRST;
    if (field >= 0 && field < FF_COUNT)
    {
        if (code == EN_CHANGE && !m_bLockNotify)
            FieldEdited(field);
        else if (code == EN_SETFOCUS)
            FieldEntered(field);
        return TRUE;
    }
    if (code == BN_CLICKED && (id == IDC_HT_SWAP_BYTES || id == IDC_HT_SWAP_WORDS || id == IDC_HT_SWAP_QWORDS))
    {
        if (id == IDC_HT_SWAP_BYTES)
            m_converter.SwapBytes();
        else if (id == IDC_HT_SWAP_WORDS)
            m_converter.SwapWords();
        else
            m_converter.SwapQWords();
        UpdateData(TRUE);
        ShowAll(-1);
        return TRUE;
    }
    return CHexToolDialog::OnCommand(wParam, lParam);
}
