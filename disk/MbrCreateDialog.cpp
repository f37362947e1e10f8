#include "disk/MbrCreateDialog.h"

#include "classlib/AfxRes.h"
#include "classlib/DlgTemplate.h"
#include "classlib/Gdi.h"
#include "disk/DiskToolBrushes.h"
#include "textlib/IntFormat.h"
#include "textlib/StrPrintf.h"

#include <cstring>

namespace {

const char* const kBootChoices[] = {
    "keine Bootpartition", "Booten von 1", "Booten von 2", "Booten von 3", "Booten von 4",
};

// Columns of a partition row (dialog units).
const short kRowTop = 72;
const short kRowStep = 16;

bool AddPartitionRow(CDlgTemplateBuilder& b, int i)
{
    const short y = static_cast<short>(kRowTop + kRowStep * i);
    const DWORD edit = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
    const DWORD output = ES_AUTOHSCROLL | ES_READONLY | WS_BORDER;
    char label[16];
    StrPrintf(label, "Partition %i", i + 1);
    const int first = CMbrCreateDlg::IDC_FIRST_OUTPUT + 8 * i;
    static const short kOutputX[8] = {143, 175, 197, 219, 269, 301, 323, 345};
    static const short kOutputWidth[8] = {30, 20, 20, 48, 30, 20, 20, 48};
    bool ok = b.AddStatic(IDC_STATIC, label, SS_LEFT, 7, static_cast<short>(y + 2), 38, 8)
              && b.AddEdit(CMbrCreateDlg::IDC_SIZE1 + i, "", edit, 46, y, 38, 12)
              && b.AddComboBox(CMbrCreateDlg::IDC_TYPE1 + i, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 87, y, 53, 120);
    for (int k = 0; ok && k < 8; ++k)
        ok = b.AddEdit(first + k, "", output, kOutputX[k], y, kOutputWidth[k], 12);
    return ok && b.AddStatic(CMbrCreateDlg::IDC_SIZE_SHOW1 + i, "", SS_RIGHT, 396, static_cast<short>(y + 2), 50, 8);
}

const DLGTEMPLATE* MbrTemplate()
{
    static CDlgTemplateBuilder b;
    static bool built = false;
    if (!built) {
        const DWORD edit = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
        const DWORD radio = BS_AUTORADIOBUTTON;
        built = b.Begin("MBR - Erstellen", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 453, 176,
                        "MS Sans Serif", 8, FALSE)
            && b.AddStatic(IDC_STATIC, "Zylinder :", SS_LEFT, 7, 9, 36, 8)
            && b.AddEdit(CMbrCreateDlg::IDC_CYLINDERS, "", edit, 46, 7, 50, 12)
            && b.AddStatic(IDC_STATIC, "Köpfe :", SS_LEFT, 104, 9, 28, 8)
            && b.AddEdit(CMbrCreateDlg::IDC_HEADS, "", edit, 133, 7, 30, 12)
            && b.AddStatic(IDC_STATIC, "Sektoren/Spur :", SS_LEFT, 171, 9, 54, 8)
            && b.AddEdit(CMbrCreateDlg::IDC_SECTORS, "", edit, 226, 7, 30, 12)
            && b.AddStatic(IDC_STATIC, "Sektoren gesamt :", SS_LEFT, 264, 9, 62, 8)
            && b.AddEdit(CMbrCreateDlg::IDC_TOTAL, "", edit, 327, 7, 69, 12)
            && b.AddStatic(IDC_STATIC, "Startsektor :", SS_LEFT, 7, 29, 44, 8)
            && b.AddEdit(CMbrCreateDlg::IDC_START, "", edit, 52, 27, 44, 12)
            && b.AddButton(CMbrCreateDlg::IDC_ROUND_CYLINDER, "Auf Zylinder runden", radio | WS_GROUP | WS_TABSTOP,
                           104, 26, 90, 10)
            && b.AddButton(CMbrCreateDlg::IDC_ROUND_HEAD, "Auf Köpfe runden", radio, 198, 26, 90, 10)
            && b.AddButton(CMbrCreateDlg::IDC_ROUND_4KB, "Auf 4kB runden", radio, 104, 38, 90, 10)
            && b.AddButton(CMbrCreateDlg::IDC_ROUND_NONE, "Nicht runden", radio, 198, 38, 90, 10)
            && b.AddComboBox(CMbrCreateDlg::IDC_BOOT_CHOICE, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP,
                             298, 27, 98, 90)
            && b.AddStatic(IDC_STATIC, "Größe", SS_LEFT, 46, 60, 38, 8)
            && b.AddStatic(IDC_STATIC, "Typ", SS_LEFT, 87, 60, 50, 8)
            && b.AddStatic(IDC_STATIC, "Anfang: Zyl.", SS_LEFT, 143, 52, 60, 8)
            && b.AddStatic(IDC_STATIC, "Kopf", SS_LEFT, 175, 60, 20, 8)
            && b.AddStatic(IDC_STATIC, "Sek.", SS_LEFT, 197, 60, 20, 8)
            && b.AddStatic(IDC_STATIC, "Startsektor", SS_LEFT, 219, 60, 48, 8)
            && b.AddStatic(IDC_STATIC, "Ende: Zyl.", SS_LEFT, 269, 52, 60, 8)
            && b.AddStatic(IDC_STATIC, "Kopf", SS_LEFT, 301, 60, 20, 8)
            && b.AddStatic(IDC_STATIC, "Sek.", SS_LEFT, 323, 60, 20, 8)
            && b.AddStatic(IDC_STATIC, "Sektoren", SS_LEFT, 345, 60, 48, 8)
            && AddPartitionRow(b, 0) && AddPartitionRow(b, 1) && AddPartitionRow(b, 2) && AddPartitionRow(b, 3)
            && b.AddStatic(IDC_STATIC, "Gesamt:", SS_RIGHT, 345, 138, 48, 8)
            && b.AddStatic(CMbrCreateDlg::IDC_SIZE_TOTAL, "", SS_RIGHT, 396, 138, 50, 8)
            && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 341, 155, 50, 14)
            && b.AddButton(IDCANCEL, "Abbrechen", BS_PUSHBUTTON | WS_TABSTOP, 396, 155, 50, 14);
        if (!built)
            return NULL;
    }
    return b.GetTemplate();
}

const int kRoundingButtons[4] = {
    CMbrCreateDlg::IDC_ROUND_CYLINDER, CMbrCreateDlg::IDC_ROUND_HEAD, CMbrCreateDlg::IDC_ROUND_4KB,
    CMbrCreateDlg::IDC_ROUND_NONE,
};

}  // namespace

BEGIN_MESSAGE_MAP(CMbrCreateDlg, CDialog)
    ON_CONTROL_RANGE(EN_CHANGE, CMbrCreateDlg::IDC_CYLINDERS, CMbrCreateDlg::IDC_TOTAL, OnFieldChanged)
    ON_CONTROL_RANGE(EN_KILLFOCUS, CMbrCreateDlg::IDC_CYLINDERS, CMbrCreateDlg::IDC_TOTAL, OnFieldLeft)
    ON_CONTROL_RANGE(EN_CHANGE, CMbrCreateDlg::IDC_SIZE1, CMbrCreateDlg::IDC_START, OnFieldChanged)
    ON_CONTROL_RANGE(EN_KILLFOCUS, CMbrCreateDlg::IDC_SIZE1, CMbrCreateDlg::IDC_START, OnFieldLeft)
    ON_CONTROL_RANGE(BN_CLICKED, CMbrCreateDlg::IDC_ROUND_CYLINDER, CMbrCreateDlg::IDC_ROUND_HEAD, OnRoundingClicked)
    ON_CONTROL_RANGE(BN_CLICKED, CMbrCreateDlg::IDC_ROUND_4KB, CMbrCreateDlg::IDC_ROUND_NONE, OnRoundingClicked)
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CMbrCreateDlg::CMbrCreateDlg(CWnd* pParent)
    : m_geometry(), m_totalSectors(0), m_rounding(MBR_ROUND_CYLINDER), m_bootChoice(0), m_layout(), m_mbr(),
      m_busy(0), m_marked()
{
    m_geometry.Cylinders.QuadPart = 1023;
    m_geometry.TracksPerCylinder = 255;
    m_geometry.SectorsPerTrack = 63;
    std::strcpy(m_startText, "63");
    std::strcpy(m_sizeTexts[0], "*");
    for (int i = 1; i < MBR_PARTITIONS; ++i)
        std::strcpy(m_sizeTexts[i], "0");
    for (int i = 0; i < MBR_PARTITIONS; ++i)
        m_typeChoices[i] = 0;
    m_pParentWnd = pParent;
    InitModalIndirect(MbrTemplate(), pParent);
}

BOOL CMbrCreateDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_busy = 1;
    HWND boot = ::GetDlgItem(m_hWnd, IDC_BOOT_CHOICE);
    for (const char* text : kBootChoices)
        ::SendMessageA(boot, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    ::SendMessageA(boot, CB_SETCURSEL, m_bootChoice, 0);
    for (int i = 0; i < MBR_PARTITIONS; ++i) {
        HWND type = ::GetDlgItem(m_hWnd, IDC_TYPE1 + i);
        for (int k = 0; k < MBR_TYPE_CHOICES; ++k) {
            const LRESULT at = ::SendMessageA(type, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(MbrTypeText(k)));
            ::SendMessageA(type, CB_SETITEMDATA, at, MbrTypeCode(k));
        }
        ::SendMessageA(type, CB_SETCURSEL, m_typeChoices[i], 0);
        ::SetDlgItemTextA(m_hWnd, IDC_SIZE1 + i, m_sizeTexts[i]);
    }
    ::CheckRadioButton(m_hWnd, IDC_ROUND_CYLINDER, IDC_ROUND_NONE,
                       kRoundingButtons[m_rounding >= 0 && m_rounding < 4 ? m_rounding : 0]);
    ::SetDlgItemTextA(m_hWnd, IDC_START, m_startText);
    char text[32];
    // The cylinder count is 64-bit in the geometry: shown whole, not cut to its low word.
    StrPrintf(text, "%I64i", static_cast<long long>(m_geometry.Cylinders.QuadPart));
    ::SetDlgItemTextA(m_hWnd, IDC_CYLINDERS, text);
    StrPrintf(text, "%i", static_cast<int>(m_geometry.TracksPerCylinder));
    ::SetDlgItemTextA(m_hWnd, IDC_HEADS, text);
    StrPrintf(text, "%i", static_cast<int>(m_geometry.SectorsPerTrack));
    ::SetDlgItemTextA(m_hWnd, IDC_SECTORS, text);
    StrPrintf(text, "%I64i", static_cast<long long>(m_totalSectors));
    ::SetDlgItemTextA(m_hWnd, IDC_TOTAL, text);
    m_busy = 0;
    ::SetFocus(::GetDlgItem(m_hWnd, IDC_TOTAL));
    Recompute(0);
    return FALSE;
}

void CMbrCreateDlg::OnFieldChanged(UINT nID)
{
    Recompute(static_cast<int>(nID));
}

void CMbrCreateDlg::OnFieldLeft(UINT /*nID*/)
{
    Recompute(0);
}

void CMbrCreateDlg::OnRoundingClicked(UINT /*nID*/)
{
    Recompute(0);
}

void CMbrCreateDlg::ReadChoices()
{
    ::GetDlgItemTextA(m_hWnd, IDC_START, m_startText, sizeof(m_startText));
    for (int i = 0; i < MBR_PARTITIONS; ++i) {
        ::GetDlgItemTextA(m_hWnd, IDC_SIZE1 + i, m_sizeTexts[i], sizeof(m_sizeTexts[i]));
        const LRESULT type = ::SendDlgItemMessageA(m_hWnd, IDC_TYPE1 + i, CB_GETCURSEL, 0, 0);
        m_typeChoices[i] = type >= 0 && type < MBR_TYPE_CHOICES ? static_cast<int>(type) : MBR_TYPE_CHOICES - 1;
    }
    const LRESULT boot = ::SendDlgItemMessageA(m_hWnd, IDC_BOOT_CHOICE, CB_GETCURSEL, 0, 0);
    m_bootChoice = boot > 0 && boot <= MBR_PARTITIONS ? static_cast<int>(boot) : 0;
    for (int k = 0; k < 4; ++k)
        if (::IsDlgButtonChecked(m_hWnd, kRoundingButtons[k]) == BST_CHECKED)
            m_rounding = k;
}

int CMbrCreateDlg::ControlOfMark(int mark)
{
    if (mark >= MBR_MARK_CYLINDERS && mark <= MBR_MARK_TOTAL)
        return IDC_CYLINDERS + mark;
    if (mark >= MBR_MARK_SIZE1 && mark < MBR_MARK_SIZE1 + MBR_PARTITIONS)
        return IDC_SIZE1 + (mark - MBR_MARK_SIZE1);
    return mark == MBR_MARK_START ? IDC_START : 0;
}

int CMbrCreateDlg::MarkOfControl(int id) const
{
    for (int mark = 0; mark < MBR_MARK_COUNT; ++mark)
        if (ControlOfMark(mark) == id)
            return mark;
    return -1;
}

void CMbrCreateDlg::Recompute(int changed)
{
    if (m_busy || !m_hWnd)
        return;
    m_busy = 1;
    ReadChoices();
    char cylinders[64] = {}, heads[64] = {}, perTrack[64] = {}, total[64] = {};
    ::GetDlgItemTextA(m_hWnd, IDC_CYLINDERS, cylinders, sizeof(cylinders));
    ::GetDlgItemTextA(m_hWnd, IDC_HEADS, heads, sizeof(heads));
    ::GetDlgItemTextA(m_hWnd, IDC_SECTORS, perTrack, sizeof(perTrack));
    ::GetDlgItemTextA(m_hWnd, IDC_TOTAL, total, sizeof(total));
    const int focused = ::GetDlgCtrlID(::GetFocus());

    MbrInput input = {};
    input.cylinders = cylinders;
    input.heads = heads;
    input.sectorsPerTrack = perTrack;
    input.total = total;
    input.start = m_startText;
    for (int i = 0; i < MBR_PARTITIONS; ++i)
        input.sizes[i] = m_sizeTexts[i];
    // The total follows C x H x S only when a geometry field was changed. The focus merely
    // moving into one (its neighbour's focus loss is a recomputation too) would replace a
    // typed total, or the disk's real size with the tail behind its last whole cylinder.
    input.edited = changed == IDC_CYLINDERS ? MBR_EDIT_CYLINDERS
                   : changed == IDC_HEADS   ? MBR_EDIT_HEADS
                   : changed == IDC_SECTORS ? MBR_EDIT_SECTORS
                   : changed == IDC_TOTAL   ? MBR_EDIT_TOTAL
                                            : MBR_EDIT_OTHER;
    input.rounding = m_rounding;
    ComputeMbrLayout(input, &m_layout);

    char text[32];
    for (int i = 0; i < MBR_PARTITIONS; ++i) {
        const MbrChs* ends[2] = {&m_layout.first[i], &m_layout.last[i]};
        for (int e = 0; e < 2; ++e) {
            const uint64_t values[4] = {ends[e]->cylinder, ends[e]->head, ends[e]->sector, ends[e]->sectors};
            // Whole 64-bit values: a start or count too large for the entry is shown as it
            // is, so the user sees why OK refuses it.
            for (int k = 0; k < 4; ++k) {
                StrPrintf(text, "%I64u", static_cast<unsigned long long>(values[k]));
                ::SetDlgItemTextA(m_hWnd, IDC_FIRST_OUTPUT + 8 * i + 4 * e + k, text);
            }
        }
        FormatMbrSize(m_layout.size[i], text, sizeof(text));
        ::SetDlgItemTextA(m_hWnd, IDC_SIZE_SHOW1 + i, text);
    }
    FormatMbrSize(m_layout.total, text, sizeof(text));
    ::SetDlgItemTextA(m_hWnd, IDC_SIZE_TOTAL, text);

    const uint64_t parameters[4] = {m_layout.cylinders, m_layout.heads, m_layout.sectorsPerTrack, m_layout.total};
    for (int k = 0; k < 4; ++k) {
        if (IDC_CYLINDERS + k == focused || IDC_CYLINDERS + k == changed)
            continue;
        FormatInteger64(static_cast<unsigned>(parameters[k]), static_cast<unsigned>(parameters[k] >> 32), text,
                        IFF_SIGNED);
        ::SetDlgItemTextA(m_hWnd, IDC_CYLINDERS + k, text);
    }
    for (int mark = 0; mark < MBR_MARK_COUNT; ++mark) {
        if (m_marked[mark] == m_layout.marked[mark])
            continue;
        m_marked[mark] = m_layout.marked[mark];
        ::InvalidateRect(::GetDlgItem(m_hWnd, ControlOfMark(mark)), NULL, TRUE);
    }
    m_busy = 0;
}

void CMbrCreateDlg::OnOK()
{
    Recompute(0);
    // A layout the 16-byte entries cannot hold is refused: the user corrects the field that
    // makes it too large instead of getting a record with cut numbers.
    if (!BuildMbrRecord(m_layout, m_bootChoice, m_typeChoices, m_mbr)) {
        ::MessageBeep(MB_ICONASTERISK);
        HWND field = ::GetDlgItem(m_hWnd, ControlOfMark(m_layout.recordBlocker));
        if (field)
            GotoDlgCtrl(CWnd::FromHandle(field));
        return;
    }
    EndDialog(IDOK);
}

HBRUSH CMbrCreateDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    const int id = pWnd ? ::GetDlgCtrlID(pWnd->m_hWnd) : 0;
    if (id >= IDC_FIRST_OUTPUT && id <= IDC_LAST_OUTPUT)
        return DiskToolBrushes::Paint(pDC->GetSafeHdc(), DiskToolBrushes::kOutput);
    const int mark = MarkOfControl(id);
    if (mark >= 0 && m_marked[mark])
        return DiskToolBrushes::Paint(pDC->GetSafeHdc(), DiskToolBrushes::kInvalid);
    return CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
}
