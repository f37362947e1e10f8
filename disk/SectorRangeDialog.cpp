#include "disk/SectorRangeDialog.h"

#include "classlib/DlgTemplate.h"
#include "classlib/FileDialog.h"
#include "services/Eval.h"
#include "services/PathUtils.h"
#include "textlib/StrPrintf.h"

const char kDumpNotAFile[] =
    "%s ist ein Laufwerk oder Gerät und keine Datei !\nSektoren werden nur in eine gewöhnliche Datei gespeichert.";

namespace {

const char kRangeFileFilter[] =
    "Alle Image-Formate |*.bin;*.iso|Binärdatei   (*.bin)|*.bin|CD-Image   (*.iso)|*.iso|Alle Dateien|*.*|";

const DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
const DWORD kEditStyle = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;

// Form 0 has a file row above the two numbers; form 1 starts with the numbers.
const DLGTEMPLATE* RangeTemplate(int form)
{
    static CDlgTemplateBuilder builders[2];
    static bool built[2] = { false, false };
    const int f = form == CSectorRangeDlg::FORM_RANGE ? 1 : 0;
    CDlgTemplateBuilder& b = builders[f];
    if (!built[f]) {
        const short top = f ? 7 : 35;       // the row of the first sector
        bool ok = b.Begin(f ? "Bereich wählen" : "Bereich", kDialogStyle, 0, 0, 230, f ? 72 : 100, "MS Sans Serif", 8,
                          FALSE);
        if (!f)
            ok = ok && b.AddStatic(0xFFFF, "Dateiname :", SS_LEFT, 7, 7, 80, 8)
                && b.AddEdit(CSectorRangeDlg::IDC_RANGE_FILE, "", kEditStyle, 7, 17, 192, 12)
                && b.AddButton(CSectorRangeDlg::IDC_RANGE_BROWSE, "", BS_PUSHBUTTON | BS_BITMAP | WS_TABSTOP, 203,
                               16, 20, 14);
        ok = ok && b.AddStatic(0xFFFF, "Anfangssektor :", SS_LEFT, 7, top + 2, 62, 8)
            && b.AddEdit(CSectorRangeDlg::IDC_RANGE_FIRST, "", kEditStyle, 70, top, 72, 12)
            && b.AddStatic(0xFFFF, "Sektorenanzahl :", SS_LEFT, 7, top + 18, 62, 8)
            && b.AddEdit(CSectorRangeDlg::IDC_RANGE_COUNT, "", kEditStyle, 70, top + 16, 72, 12)
            && b.AddStatic(CSectorRangeDlg::IDC_RANGE_INFO, "", SS_LEFT | SS_NOPREFIX, 148, top + 2, 76, 26)
            && b.AddStatic(CSectorRangeDlg::IDC_RANGE_HINT, "", SS_LEFT | SS_NOPREFIX, 7, top + 33, 216, 8)
            && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 118, top + 45, 50, 14)
            && b.AddButton(IDCANCEL, "Abbrechen", BS_PUSHBUTTON | WS_TABSTOP, 173, top + 45, 50, 14);
        built[f] = ok;
        if (!ok)
            return NULL;
    }
    return b.GetTemplate();
}

// The browse button's picture, 16 x 14: an opened folder.
const char* const kFolderPicture[14] = {
    "................",
    "................",
    ".KKKK...........",
    "KYYYYK..........",
    "KYYYYKKKKKKKK...",
    "KYYYYYYYYYYYK...",
    "KYYKKKKKKKKKKKKK",
    "KYKWWWWWWWWWWWK.",
    "KYKWWWWWWWWWWWK.",
    "KKWWWWWWWWWWWK..",
    "KKWWWWWWWWWWWK..",
    "KWWWWWWWWWWWK...",
    "KKKKKKKKKKKKK...",
    "................",
};

HBITMAP MakeFolderBitmap()
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 16;
    info.bmiHeader.biHeight = -14;          // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    HBITMAP bitmap = CreateDIBSection(NULL, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    if (!bitmap || !bits)
        return bitmap;
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    DWORD* pixel = static_cast<DWORD*>(bits);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 16; ++x) {
            COLORREF c;
            switch (kFolderPicture[y][x]) {
            case 'K': c = RGB(64, 64, 64); break;
            case 'Y': c = RGB(230, 190, 60); break;
            case 'W': c = RGB(255, 230, 140); break;
            default: c = face; break;
            }
            // A DIB pixel is blue, green, red from the low byte up.
            *pixel++ = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        }
    return bitmap;
}

}  // namespace

CSectorRangeDlg::CSectorRangeDlg(CWnd* pParent)
{
    m_pParentWnd = pParent;
}

CSectorRangeDlg::~CSectorRangeDlg()
{
    if (m_browseImage)
        DeleteObject(m_browseImage);
}

INT_PTR CSectorRangeDlg::DoModal()
{
    InitModalIndirect(RangeTemplate(m_nForm), m_pParentWnd);
    return CDialog::DoModal();
}

BOOL CSectorRangeDlg::OnInitDialog()
{
    if (m_nForm == FORM_FILE) {
        if (!m_browseImage)
            m_browseImage = MakeFolderBitmap();
        SendDlgItemMessage(IDC_RANGE_BROWSE, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_browseImage));
    }
    // Both forms name the command by the save flag; the search runs the range form with the
    // flag set, so that no file is checked.
    SetWindowText(m_bSave ? "Sektoren speichern" : "Sektoren laden");
    char text[32];
    StrNPrintf(text, sizeof text, "%I64u", static_cast<unsigned long long>(m_nFirstSector));
    m_strFirstSector = text;
    StrNPrintf(text, sizeof text, "%u", static_cast<unsigned>(m_nCount));
    m_strCount = text;
    SetDlgItemText(IDC_RANGE_HINT, m_strHint);
    return CDialog::OnInitDialog();
}

void CSectorRangeDlg::DoDataExchange(CDataExchange* pDX)
{
    if (m_nForm == FORM_FILE)
        DDX_Text(pDX, IDC_RANGE_FILE, m_strFileName);
    DDX_Text(pDX, IDC_RANGE_FIRST, m_strFirstSector);
    DDX_Text(pDX, IDC_RANGE_COUNT, m_strCount);
    DDX_Text(pDX, IDC_RANGE_INFO, m_strInfo);
}

void CSectorRangeDlg::EvaluateRange()
{
    long long first = 0, count = 0;
    ExprStatus firstOk = 0, countOk = 0;
    EvalInt64(m_strFirstSector, &first, &firstOk);
    // The count is evaluated in 64 bits and must fit its 32: read in 32 bits, every count from
    // 2^31 sectors on ("3000000000", "0xFFFFFFFF": a whole disk of 1 TB and more) would come
    // out negative and be refused, and a sum past 2^32 would wrap to a small count.
    EvalInt64(m_strCount, &count, &countOk);
    m_bValid = firstOk && countOk && first >= 0 && count >= 0 && count <= 0xFFFFFFFFll;
    m_nFirstSector = static_cast<uint64_t>(first);
    m_nCount = static_cast<uint32_t>(count);
}

void CSectorRangeDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    char text[MAX_PATH + 100];
    if (m_nForm == FORM_FILE) {
        // An empty name is no file: saving asks nothing (the command refuses it), loading
        // says that it does not exist.
        const int type = GetPathTypeA(m_strFileName);
        if (m_bSave && !m_strFileName.IsEmpty() && IsDevicePathA(m_strFileName)) {
            // Asked before the overwrite question: "\\.\R:" exists, but it is no file to
            // overwrite.
            StrNPrintf(text, sizeof text, kDumpNotAFile, static_cast<const char*>(m_strFileName));
            Ask(text, "Fehler", MB_OK | MB_ICONERROR);
            return;
        }
        if (m_bSave && type != 0) {
            StrNPrintf(text, sizeof text, "Die Datei %s existiert bereits !\nSoll sie überschrieben werden ?",
                       static_cast<const char*>(m_strFileName));
            if (Ask(text, "Sektorlupe", MB_OKCANCEL | MB_ICONWARNING) != IDOK)
                return;
        } else if (!m_bSave && type != 1) {
            StrNPrintf(text, sizeof text, "Die Datei %s existiert nicht !\n", static_cast<const char*>(m_strFileName));
            Ask(text, "Sektorlupe", MB_OK | MB_ICONERROR);
            return;
        }
    }
    EvaluateRange();
    EndDialog(IDOK);
}

BOOL CSectorRangeDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDC_RANGE_BROWSE && HIWORD(wParam) == BN_CLICKED && m_nForm == FORM_FILE) {
        UpdateData(TRUE);
        CString path = m_strFileName;
        if (BrowseForFile(&path)) {
            m_strFileName = path;
            SetDlgItemText(IDC_RANGE_FILE, m_strFileName);
        }
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

LRESULT CSectorRangeDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY && m_nForm == FORM_FILE)
        SendDlgItemMessage(IDC_RANGE_BROWSE, BM_SETIMAGE, IMAGE_BITMAP, 0);
    return CDialog::WindowProc(message, wParam, lParam);
}

int CSectorRangeDlg::Ask(const char* text, const char* caption, UINT type)
{
    return MessageBox(text, caption, type);
}

bool CSectorRangeDlg::BrowseForFile(CString* path)
{
    DWORD flags = OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING | (m_bSave ? 0 : OFN_FILEMUSTEXIST);
    CFileDialog dlg(m_bSave ? FALSE : TRUE, "bin", *path, flags, kRangeFileFilter, this);
    if (dlg.DoModal() != IDOK)
        return false;
    *path = dlg.GetPathName();
    return !path->IsEmpty();
}
