#include "disk/ChsConvertDialog.h"

#include "classlib/AfxRes.h"
#include "classlib/DlgTemplate.h"
#include "classlib/Gdi.h"
#include "disk/DiskToolBrushes.h"
#include "textlib/StrPrintf.h"

namespace {

const DLGTEMPLATE* ChsTemplate()
{
    static CDlgTemplateBuilder b;
    static bool built = false;
    if (!built) {
        const DWORD edit = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
        built = b.Begin("CHS - Sektor Konvertierung", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 230, 96,
                        "MS Sans Serif", 8, FALSE)
            && b.AddStatic(IDC_STATIC, "Zylinder", SS_LEFT, 70, 7, 60, 8)
            && b.AddStatic(IDC_STATIC, "Kopf", SS_LEFT, 135, 7, 40, 8)
            && b.AddStatic(IDC_STATIC, "Sektor", SS_LEFT, 180, 7, 40, 8)
            && b.AddStatic(IDC_STATIC, "Disk-Parameter :", SS_LEFT, 7, 20, 60, 8)
            && b.AddEdit(1041, "", edit, 70, 18, 60, 12)
            && b.AddEdit(1042, "", edit, 135, 18, 40, 12)
            && b.AddEdit(1043, "", edit, 180, 18, 40, 12)
            && b.AddStatic(IDC_STATIC, "CHS-Wert :", SS_LEFT, 7, 38, 60, 8)
            && b.AddEdit(1044, "", edit, 70, 36, 60, 12)
            && b.AddEdit(1045, "", edit, 135, 36, 40, 12)
            && b.AddEdit(1046, "", edit, 180, 36, 40, 12)
            && b.AddStatic(IDC_STATIC, "Sektor :", SS_LEFT, 7, 56, 60, 8)
            && b.AddEdit(1047, "", edit, 70, 54, 105, 12)
            && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 115, 75, 50, 14)
            && b.AddButton(IDCANCEL, "Abbrechen", BS_PUSHBUTTON | WS_TABSTOP, 170, 75, 50, 14);
        if (!built)
            return NULL;
    }
    return b.GetTemplate();
}

}  // namespace

bool CChsConvertDlg::s_marked[CHS_FIELD_COUNT];

BEGIN_MESSAGE_MAP(CChsConvertDlg, CDialog)
    ON_CONTROL_RANGE(EN_CHANGE, CChsConvertDlg::IDC_FIRST_FIELD, CChsConvertDlg::IDC_LAST_FIELD, OnFieldChanged)
    ON_CONTROL_RANGE(EN_KILLFOCUS, CChsConvertDlg::IDC_FIRST_FIELD, CChsConvertDlg::IDC_LAST_FIELD, OnFieldChanged)
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CChsConvertDlg::CChsConvertDlg(CWnd* pParent) : m_geometry(), m_sector(0), m_busy(0)
{
    m_geometry.Cylinders.QuadPart = 1023;
    m_geometry.TracksPerCylinder = 255;
    m_geometry.SectorsPerTrack = 63;
    m_pParentWnd = pParent;
    InitModalIndirect(ChsTemplate(), pParent);
}

BOOL CChsConvertDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    char text[32];
    m_busy = 1;
    StrPrintf(text, "%i", static_cast<int>(m_geometry.Cylinders.LowPart));
    ::SetDlgItemTextA(m_hWnd, 1041, text);
    StrPrintf(text, "%i", static_cast<int>(m_geometry.TracksPerCylinder));
    ::SetDlgItemTextA(m_hWnd, 1042, text);
    StrPrintf(text, "%i", static_cast<int>(m_geometry.SectorsPerTrack));
    ::SetDlgItemTextA(m_hWnd, 1043, text);
    StrPrintf(text, "%I64i", static_cast<long long>(m_sector));
    ::SetDlgItemTextA(m_hWnd, 1047, text);
    m_busy = 0;
    ::SetFocus(::GetDlgItem(m_hWnd, 1047));
    Recompute();
    return FALSE;
}

void CChsConvertDlg::OnFieldChanged(UINT /*nID*/)
{
    Recompute();
}

void CChsConvertDlg::Recompute()
{
    if (m_busy || !m_hWnd)
        return;
    m_busy = 1;
    char texts[CHS_FIELD_COUNT][64];
    const char* fields[CHS_FIELD_COUNT];
    for (int i = 0; i < CHS_FIELD_COUNT; ++i) {
        texts[i][0] = 0;
        ::GetDlgItemTextA(m_hWnd, IDC_FIRST_FIELD + i, texts[i], sizeof(texts[i]));
        fields[i] = texts[i];
    }
    const int focused = ::GetDlgCtrlID(::GetFocus()) - IDC_FIRST_FIELD;
    ChsConversion result;
    ConvertChs(fields, focused >= 0 && focused < CHS_FIELD_COUNT ? focused : -1, &result);
    for (int i = 0; i < CHS_FIELD_COUNT; ++i) {
        if (i != focused)
            ::SetDlgItemTextA(m_hWnd, IDC_FIRST_FIELD + i, result.text[i]);
        if (s_marked[i] != result.marked[i]) {
            s_marked[i] = result.marked[i];
            ::InvalidateRect(::GetDlgItem(m_hWnd, IDC_FIRST_FIELD + i), NULL, TRUE);
        }
    }
    m_busy = 0;
}

HBRUSH CChsConvertDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    const int field = pWnd ? ::GetDlgCtrlID(pWnd->m_hWnd) - IDC_FIRST_FIELD : -1;
    if (field >= 0 && field < CHS_FIELD_COUNT && s_marked[field])
        return DiskToolBrushes::Paint(pDC->GetSafeHdc(), DiskToolBrushes::kInvalid);
    return CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
}
