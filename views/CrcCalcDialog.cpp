#include "views/CrcCalcDialog.h"

#include <stdio.h>
#include <string.h>

#include "classlib/DlgTemplate.h"
#include "services/Registry.h"
#include "uihelpers/ComboHistory.h"
#include "uihelpers/EditExchange.h"
#include "views/HexToolDialog.h"

const int kCrcResultIds[9] = { IDC_CRC_A_START, IDC_CRC_A_ZERO, IDC_CRC_A_ONES,
                               IDC_CRC_B_START, IDC_CRC_B_ZERO, IDC_CRC_B_ONES,
                               IDC_CRC_C_START, IDC_CRC_C_ZERO, IDC_CRC_C_ONES };

namespace {

const DWORD kLabel = static_cast<DWORD>(-1);
const char kRegistryKey[] = "HexCrcCalc";
const char kHistoryPath[] = "#HexCrcCalc";

const char* const kWidthItems[] = { "4-Bit", "5-Bit", "7-Bit", "8-Bit", "12-Bit", "15-Bit",
                                    "16-Bit", "24-Bit", "32-Bit", "64-Bit" };
const char* const kAlgorithmItems[] = { "keiner", "Algo. A", "Algo. B", "Algo. C" };

// Only one recalculation at a time: the dialog's own writes into its fields raise change
// notifications that must not start another.
bool g_busy = false;
ToolDialogPosition g_position = { 0, 0, false };

bool BuildCrcTemplate(CDlgTemplateBuilder& b)
{
    const DWORD combo = CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
    const DWORD list = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
    const DWORD result = ES_READONLY | ES_AUTOHSCROLL | WS_BORDER;
    // The polygon labels are wider than the combos under them: the first one starts a little
    // left of its combo so that it ends where the second begins, and neither text is cut.
    bool ok = b.Begin("CRC-Summe berechnen", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 322, 368,
                      "MS Sans Serif", 8, FALSE)
        && b.AddStatic(kLabel, "Art der Checksumme wählen.", SS_LEFT, 5, 5, 310, 8)
        && b.AddComboBox(IDC_CRC_PRESET, list, 5, 15, 310, 190)
        && b.AddStatic(kLabel, "Polygonlänge :", SS_LEFT, 5, 35, 50, 8)
        && b.AddComboBox(IDC_CRC_WIDTH, combo, 5, 45, 50, 180)
        && b.AddStatic(kLabel, "Polygon : ( 1 +x + x² + ³ .... )", SS_LEFT, 56, 35, 94, 8)
        && b.AddComboBox(IDC_CRC_REFLECTED, combo, 60, 45, 85, 190)
        && b.AddStatic(kLabel, "Polygon : ( ... + x³ + x² + x +1 )", SS_LEFT, 150, 35, 102, 8)
        && b.AddComboBox(IDC_CRC_NORMAL, combo, 150, 45, 85, 195)
        && b.AddButton(IDC_CRC_INVERT, "Ergebniss invertieren", BS_AUTOCHECKBOX | WS_TABSTOP, 240, 46, 79, 10)
        && b.AddStatic(kLabel, "Polygon als Formel :  ( \"x^3+x+1\"  oder  \"x'3+x+1\"  oder \"x3+x+1\" )",
                       SS_LEFT, 5, 65, 310, 8)
        && b.AddEdit(IDC_CRC_FORMULA, "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 5, 75, 310, 14);
    static const char* const kResultLabels[9] = {
        "Ergebnis :", "Ergebnis bei Start 0 :", "Ergebnis bei Start ~0 :",
        "Ergebnis Algorithmus B :", "Ergebnis bei Start 0  Algo. B :", "Ergebnis bei Start ~0  Algo. B :",
        "Ergebnis Algorithmus C :", "Ergebnis bei Start 0  Algo. C :", "Ergebnis bei Start ~0  Algo. C :" };
    static const short kRows[3] = { 105, 130, 154 };
    for (int i = 0; ok && i < 9; ++i)
    {
        short x = static_cast<short>(5 + 105 * (i % 3));
        short y = kRows[i / 3];
        ok = b.AddStatic(kLabel, kResultLabels[i], SS_LEFT, x, static_cast<short>(y - 10), 100, 8)
            && b.AddEdit(static_cast<DWORD>(kCrcResultIds[i]), "", result, x, y, 100, 14);
    }
    return ok
        && b.AddStatic(kLabel, "Startewert : ", SS_LEFT, 5, 176, 100, 8)
        && b.AddComboBox(IDC_CRC_START, combo, 5, 186, 100, 195)
        && b.AddStatic(kLabel, "Source :", SS_LEFT, 110, 176, 45, 8)
        && b.AddComboBox(IDC_CRC_ALGORITHM, list, 110, 186, 45, 130)
        && b.AddStatic(kLabel, "Speicherlänge :", SS_LEFT, 160, 176, 50, 8)
        && b.AddEdit(IDC_CRC_LENGTH, "", result | ES_CENTER, 160, 186, 50, 14)
        && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 215, 186, 45, 14)
        && b.AddButton(IDCANCEL, "Abbrechen", BS_PUSHBUTTON | WS_TABSTOP, 265, 186, 50, 14)
        && b.AddEdit(IDC_CRC_SOURCE, "", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER,
                     5, 210, 310, 155);
}

bool IsYellowField(int id)
{
    for (int r : kCrcResultIds)
        if (r == id)
            return true;
    return id == IDC_CRC_LENGTH || id == IDC_CRC_SOURCE;
}

void FillCombo(HWND combo, const char* const* items, int count)
{
    for (int i = 0; i < count; ++i)
        ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i]));
}

// A text the user typed is kept; a stored one that is empty gets the default.
void ReadStoredText(CRegistry& registry, const char* name, CString& text, const char* fallback)
{
    char buffer[1024];
    buffer[0] = 0;
    if (registry.GetKey())
        registry.ReadString(buffer, sizeof(buffer), name);
    text = buffer[0] ? buffer : fallback;
}

}  // namespace

CCrcCalcDlg::CCrcCalcDlg(CWnd* parent)
    : m_sourceShown(0), m_template(new CDlgTemplateBuilder)
{
    m_pParentWnd = parent;
}

CCrcCalcDlg::~CCrcCalcDlg()
{
    delete m_template;
}

INT_PTR CCrcCalcDlg::Run(const uint8_t* data, int length)
{
    m_calc.data = data;
    m_calc.length = data && length > 0 ? length : 0;
    if (!m_template || !BuildCrcTemplate(*m_template) || !InitModalIndirect(m_template->GetTemplate(), m_pParentWnd))
        return -1;
    return DoModal();
}

void CCrcCalcDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Check(pDX, IDC_CRC_INVERT, m_calc.invert);
    DDX_CBIndex(pDX, IDC_CRC_PRESET, m_calc.preset);
    DDX_CBIndex(pDX, IDC_CRC_ALGORITHM, m_calc.algorithm);
    DdxComboText(pDX, IDC_CRC_WIDTH, m_calc.widthText);
    DdxComboText(pDX, IDC_CRC_REFLECTED, m_calc.reflectedText);
    DdxComboText(pDX, IDC_CRC_NORMAL, m_calc.normalText);
    DdxComboText(pDX, IDC_CRC_START, m_calc.startText);
    DDX_Text(pDX, IDC_CRC_FORMULA, m_calc.formulaText);
}

BOOL CCrcCalcDlg::OnInitDialog()
{
    PlaceToolDialog(m_hWnd, g_position);
    m_calc.ClearCache();
    m_sourceShown = 1;
    char length[40];
    snprintf(length, sizeof(length), "%i / 0x%04X", m_calc.length, static_cast<unsigned>(m_calc.length));
    SetDlgItemText(IDC_CRC_LENGTH, length);
    HWND presets = ::GetDlgItem(m_hWnd, IDC_CRC_PRESET);
    for (const CrcPreset& row : CrcPresetTable)
        ::SendMessageA(presets, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.name));
    FillCombo(::GetDlgItem(m_hWnd, IDC_CRC_WIDTH), kWidthItems, 10);
    FillCombo(::GetDlgItem(m_hWnd, IDC_CRC_ALGORITHM), kAlgorithmItems, 4);

    CRegistry registry;
    if (registry.Open(HKEY_CURRENT_USER, nullptr, REGISTRY_CREATE))
        registry.OpenSubKey(kRegistryKey);
    ReadStoredText(registry, "StartValue", m_calc.startText, "0xFFFFFFFF");
    ReadStoredText(registry, "PolynomSize", m_calc.widthText, "32-Bit");
    ReadStoredText(registry, "PolynomValue", m_calc.reflectedText, "0xEDB88320");

    CDialog::OnInitDialog();
    LoadComboHistory(m_hWnd, IDC_CRC_REFLECTED, "PolynomList", kHistoryPath, nullptr, 0);
    LoadComboHistory(m_hWnd, IDC_CRC_NORMAL, "InversList", kHistoryPath, nullptr, 0);
    LoadComboHistory(m_hWnd, IDC_CRC_START, "StartList", kHistoryPath, nullptr, 0);
    Recalculate(CRC_TRIGGER_ALL);
    OnAlgorithmChanged();
    // Enter takes the results as they are: the focus starts on the default button.
    GotoDlgCtrl(GetDlgItem(IDOK));
    return FALSE;
}

void CCrcCalcDlg::Recalculate(int trigger)
{
    if (g_busy)
        return;
    g_busy = true;
    UpdateData(TRUE);
    ApplyWrites(m_calc.Recalculate(trigger));
    g_busy = false;
}

// Writes a combo box's text unless it shows it already; a list item that stays selected
// would be read back in place of the new text, so its selection goes.
void CCrcCalcDlg::WriteCombo(int id, const char* text)
{
    HWND combo = ::GetDlgItem(m_hWnd, id);
    char shown[1024];
    shown[0] = 0;
    LRESULT selected = ::SendMessageA(combo, CB_GETCURSEL, 0, 0);
    LRESULT length = selected >= 0 ? ::SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(selected), 0) : -1;
    if (length >= 0 && length < static_cast<LRESULT>(sizeof(shown)))
        ::SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(shown));
    else
        ::GetWindowTextA(combo, shown, sizeof(shown));
    if (strcmp(shown, text) == 0)
        return;
    if (selected >= 0)
        ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    ::SetWindowTextA(combo, text);
}

void CCrcCalcDlg::ApplyWrites(unsigned writes)
{
    if (writes & CRCW_PRESET)
    {
        HWND presets = ::GetDlgItem(m_hWnd, IDC_CRC_PRESET);
        if (::SendMessageA(presets, CB_GETCURSEL, 0, 0) != m_calc.preset)
            ::SendMessageA(presets, CB_SETCURSEL, static_cast<WPARAM>(m_calc.preset), 0);
    }
    if (writes & CRCW_WIDTH)
    {
        HWND widths = ::GetDlgItem(m_hWnd, IDC_CRC_WIDTH);
        LRESULT item = ::SendMessageA(widths, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(static_cast<const char*>(m_calc.widthText)));
        if (item >= 0 && ::SendMessageA(widths, CB_GETCURSEL, 0, 0) != item)
            ::SendMessageA(widths, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
        else if (item < 0)
            WriteCombo(IDC_CRC_WIDTH, m_calc.widthText);
    }
    if (writes & CRCW_REFLECTED)
        WriteCombo(IDC_CRC_REFLECTED, m_calc.reflectedText);
    if (writes & CRCW_NORMAL)
        WriteCombo(IDC_CRC_NORMAL, m_calc.normalText);
    if (writes & CRCW_START)
        WriteCombo(IDC_CRC_START, m_calc.startText);
    HWND formula = ::GetDlgItem(m_hWnd, IDC_CRC_FORMULA);
    if (writes & CRCW_FORMULA)
    {
        char shown[1024];
        shown[0] = 0;
        ::GetWindowTextA(formula, shown, sizeof(shown));
        if (strcmp(shown, m_calc.formulaText) != 0)
            ::SetWindowTextA(formula, m_calc.formulaText);
    }
    if (writes & CRCW_FORMULA_COLOR)
    {
        ::InvalidateRect(formula, nullptr, TRUE);
        ::UpdateWindow(formula);
    }
    if (writes & CRCW_FIELD_COLOR)
    {
        static const int kFields[] = { IDC_CRC_WIDTH, IDC_CRC_REFLECTED, IDC_CRC_NORMAL, IDC_CRC_START };
        for (int id : kFields)
            ::RedrawWindow(::GetDlgItem(m_hWnd, id), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    if (writes & CRCW_SOURCE)
    {
        HWND source = ::GetDlgItem(m_hWnd, IDC_CRC_SOURCE);
        ::SendMessageA(source, EM_SETLIMITTEXT, 65536, 0);
        ::SetWindowTextA(source, m_calc.source);
    }
    for (int i = 0; i < 9; ++i)
    {
        char text[20];
        m_calc.ResultText(i, text);
        HWND field = ::GetDlgItem(m_hWnd, kCrcResultIds[i]);
        char shown[20];
        shown[0] = 0;
        ::GetWindowTextA(field, shown, sizeof(shown));
        if (strcmp(shown, text) != 0)
            ::SetWindowTextA(field, text);
    }
}

void CCrcCalcDlg::OnAlgorithmChanged()
{
    UpdateData(TRUE);
    RECT length;
    RECT source;
    RECT window;
    ::GetWindowRect(::GetDlgItem(m_hWnd, IDC_CRC_LENGTH), &length);
    ::GetWindowRect(::GetDlgItem(m_hWnd, IDC_CRC_SOURCE), &source);
    GetWindowRect(&window);
    const int h = source.bottom - length.bottom;
    int grow = 0;
    if (m_calc.algorithm == CRC_ALGO_NONE && m_sourceShown)
    {
        m_sourceShown = 0;
        grow = -h;
    }
    else if (m_calc.algorithm != CRC_ALGO_NONE && !m_sourceShown)
    {
        m_sourceShown = 1;
        grow = h;
    }
    if (grow)
        SetWindowPos(nullptr, 0, 0, window.right - window.left, window.bottom - window.top + grow,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (m_calc.algorithm != CRC_ALGO_NONE)
    {
        m_calc.ForgetCachedWidth();
        Recalculate(CRC_TRIGGER_ALL);
    }
}

BOOL CCrcCalcDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    // The dialog's own loading of its fields is not the user's doing.
    if (m_bLockNotify && lParam)
        return TRUE;
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    const bool change = code == CBN_SELCHANGE || code == CBN_EDITCHANGE;
    const bool focusLost = code == CBN_KILLFOCUS || code == EN_KILLFOCUS;
    switch (id)
    {
    case IDC_CRC_PRESET:
        if (code == CBN_SELCHANGE)
            Recalculate(CRC_TRIGGER_PRESET);
        return TRUE;
    case IDC_CRC_WIDTH:
    case IDC_CRC_REFLECTED:
    case IDC_CRC_NORMAL:
    case IDC_CRC_START:
        if (change)
        {
            static const int kTriggers[4] = { CRC_TRIGGER_WIDTH, CRC_TRIGGER_REFLECTED, CRC_TRIGGER_NORMAL,
                                              CRC_TRIGGER_START };
            Recalculate(kTriggers[id - IDC_CRC_WIDTH]);
        }
        else if (focusLost)
        {
            Recalculate(CRC_TRIGGER_ALL);
        }
        return TRUE;
    case IDC_CRC_FORMULA:
        if (code == EN_CHANGE)
            Recalculate(CRC_TRIGGER_FORMULA);
        else if (code == EN_KILLFOCUS)
            Recalculate(CRC_TRIGGER_ALL);
        return TRUE;
    case IDC_CRC_INVERT:
        if (code == BN_CLICKED)
            Recalculate(CRC_TRIGGER_ALL);
        return TRUE;
    case IDC_CRC_ALGORITHM:
        if (code == CBN_SELCHANGE)
            OnAlgorithmChanged();
        return TRUE;
    default:
        break;
    }
    return CDialog::OnCommand(wParam, lParam);
}

namespace {

// The recalculation's field bit of a width or value combo box.
unsigned CrcFieldOfControl(int id)
{
    switch (id)
    {
    case IDC_CRC_WIDTH: return CRCW_WIDTH;
    case IDC_CRC_REFLECTED: return CRCW_REFLECTED;
    case IDC_CRC_NORMAL: return CRCW_NORMAL;
    case IDC_CRC_START: return CRCW_START;
    default: return 0;
    }
}

}  // namespace

LRESULT CCrcCalcDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORSTATIC)
    {
        const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        HDC dc = reinterpret_cast<HDC>(wParam);
        if (IsYellowField(id))
            return reinterpret_cast<LRESULT>(PaintToolField(dc, false));
        if (id == IDC_CRC_FORMULA && m_calc.formulaError)
            return reinterpret_cast<LRESULT>(PaintToolField(dc, true));
        // A typed width or value that is read as another number is red while it is typed (see
        // CCrcCalculator::fieldError: results of a number the field does not show). A combo
        // box's edit field asks for its colour under the edit's own id.
        const int combo = ::GetDlgCtrlID(::GetParent(reinterpret_cast<HWND>(lParam)));
        if (m_calc.fieldError && m_calc.fieldError == CrcFieldOfControl(combo))
            return reinterpret_cast<LRESULT>(PaintToolField(dc, true));
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

void CCrcCalcDlg::OnOK()
{
    UpdateData(TRUE);
    CRegistry registry;
    if (registry.Open(HKEY_CURRENT_USER, nullptr, REGISTRY_CREATE) && registry.OpenSubKey(kRegistryKey))
    {
        registry.WriteString(m_calc.startText, "StartValue");
        registry.WriteString(m_calc.widthText, "PolynomSize");
        registry.WriteString(m_calc.reflectedText, "PolynomValue");
    }
    SaveComboHistory(m_hWnd, IDC_CRC_REFLECTED, "PolynomList", kHistoryPath);
    SaveComboHistory(m_hWnd, IDC_CRC_NORMAL, "InversList", kHistoryPath);
    SaveComboHistory(m_hWnd, IDC_CRC_START, "StartList", kHistoryPath);
    RememberToolDialog(m_hWnd, &g_position);
    EndDialog(IDOK);
}

void CCrcCalcDlg::OnCancel()
{
    RememberToolDialog(m_hWnd, &g_position);
    CDialog::OnCancel();
}

INT_PTR RunCrcDialog(CWnd* parent, const uint8_t* data, int size)
{
    CCrcCalcDlg dialog(parent);
    return dialog.Run(data, size);
}
