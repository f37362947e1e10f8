#include "disk/DriveSelectDialog.h"

#include <shellapi.h>
#include <string.h>
#include "classlib/DlgTemplate.h"
#include "disk/DiskIo.h"
#include "textlib/StrPrintf.h"
#include "textlib/TextCopy.h"

// ---------------------------------------------------------------------------------------
// The running system

DWORD SystemDriveQueries::LogicalDrives()
{
    return ::GetLogicalDrives();
}

UINT SystemDriveQueries::DriveType(int letter)
{
    char root[4] = { static_cast<char>('A' + letter), ':', '\\', 0 };
    return ::GetDriveTypeA(root);
}

bool SystemDriveQueries::VolumeInfo(int letter, char* label, int labelSize, char* fileSystem, int fileSystemSize)
{
    char root[4] = { static_cast<char>('A' + letter), ':', '\\', 0 };
    if (labelSize > 0)
        label[0] = 0;
    if (fileSystemSize > 0)
        fileSystem[0] = 0;
    // An empty floppy or card reader would otherwise bring up the system's "insert a disk"
    // box in the middle of building the list.
    UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    BOOL ok = ::GetVolumeInformationA(root, label, static_cast<DWORD>(labelSize > 0 ? labelSize : 0), NULL, NULL,
                                      NULL, fileSystem, static_cast<DWORD>(fileSystemSize > 0 ? fileSystemSize : 0));
    ::SetErrorMode(oldMode);
    if (!ok) {
        if (labelSize > 0)
            label[0] = 0;
        if (fileSystemSize > 0)
            fileSystem[0] = 0;
    }
    return ok != FALSE;
}

uint64_t SystemDriveQueries::MediumUnits(uint32_t driveCode, uint32_t* bytesPerSector)
{
    UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    uint64_t units = DiskIoGetSize(driveCode, bytesPerSector);
    ::SetErrorMode(oldMode);
    return units;
}

uint32_t SystemDriveQueries::PhysicalDriveOfLetter(int letter)
{
    return DiskIoLetterToPartition(letter, NULL);
}

int SystemDriveQueries::IconIndex(const char* path, DWORD fileAttributes)
{
    SHFILEINFOA info;
    memset(&info, 0, sizeof info);
    UINT flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON | (fileAttributes ? SHGFI_USEFILEATTRIBUTES : 0);
    return ::SHGetFileInfoA(path, fileAttributes, &info, sizeof info, flags) ? info.iIcon : -1;
}

// ---------------------------------------------------------------------------------------
// The list without a window

namespace {

const uint64_t kMiB = 1024 * 1024;
const uint32_t kSmallLimitMB = 8192;

bool IsLatinLetter(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 0xC0 && c <= 0xDD) || (c >= 0xE0 && c <= 0xFD);
}

bool IsUpperLetter(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDD);
}

// Word starts for the title case: a blank and the punctuation of the ASCII range.
bool IsWordSeparator(unsigned char c)
{
    return (c >= 0x20 && c <= 0x2F) || (c >= 0x3A && c <= 0x3F) || (c >= 0x5B && c <= 0x60);
}

unsigned char ToUpperLetter(unsigned char c)
{
    return IsUpperLetter(c) ? c : static_cast<unsigned char>(c - 0x20);
}

unsigned char ToLowerLetter(unsigned char c)
{
    return IsUpperLetter(c) ? static_cast<unsigned char>(c + 0x20) : c;
}

const char* DriveTypeText(UINT type)
{
    switch (type) {
    case DRIVE_REMOVABLE: return "Disk  ";
    case DRIVE_FIXED: return "Harddisk  ";
    case DRIVE_CDROM: return "CD-ROM  ";
    case DRIVE_RAMDISK: return "RAM-Disk  ";
    default: return "unbekannt ";
    }
}

bool TextNames(const char* text, const char* what)
{
    return FindTextOffset(text, what) > 0;
}

// The device layer counts every medium in 512-byte units, whatever its own sector size:
// multiplying by the sector size again would make a CD four times its size.
uint32_t SizeInMB(uint64_t units)
{
    uint64_t mb = units * 512 / kMiB;
    return mb > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(mb);
}

uint32_t SmallBit(uint32_t sizeMB)
{
    return sizeMB > 0 && sizeMB < kSmallLimitMB ? static_cast<uint32_t>(DRIVEKIND_SMALL) : 0u;
}

}  // namespace

void FormatDriveSize(uint64_t kib, char* text, int size)
{
    if (size < 1)
        return;
    // The fractions are the remainders in 1024ths, scaled to 100 or 10 and cut.
    const uint64_t mb = kib / 1024, mbRest = kib % 1024;
    const uint64_t gb = mb / 1024, gbRest = mb % 1024;
    if (kib < 10240)
        StrNPrintf(text, size, "   (%i.%02i MB)", static_cast<int>(mb), static_cast<int>(mbRest * 100 / 1024));
    else if (kib < 102400)
        StrNPrintf(text, size, "   (%i.%01i MB)", static_cast<int>(mb), static_cast<int>(mbRest * 10 / 1024));
    else if (kib < 0x100000)
        StrNPrintf(text, size, "   (%i MB)", static_cast<int>(mb));
    else if (kib < 0xA00000)
        StrNPrintf(text, size, "   (%i.%02i GB)", static_cast<int>(gb), static_cast<int>(gbRest * 100 / 1024));
    else if (kib < 0x6400000)
        StrNPrintf(text, size, "   (%i.%01i GB)", static_cast<int>(gb), static_cast<int>(gbRest * 10 / 1024));
    else
        StrNPrintf(text, size, "   (%I64u GB)", static_cast<unsigned long long>(gb));
}

void TitleCaseLabel(char* label)
{
    if (!label)
        return;
    bool upper = false, lower = false;
    for (const unsigned char* p = reinterpret_cast<unsigned char*>(label); *p; ++p) {
        if (IsLatinLetter(*p)) {
            if (IsUpperLetter(*p))
                upper = true;
            else
                lower = true;
        }
    }
    // A label someone wrote in mixed case is kept as written.
    if (upper == lower)
        return;
    bool wordStart = true;
    for (unsigned char* p = reinterpret_cast<unsigned char*>(label); *p; ++p) {
        if (IsLatinLetter(*p))
            *p = wordStart ? ToUpperLetter(*p) : ToLowerLetter(*p);
        wordStart = IsWordSeparator(*p);
    }
}

bool MakeDriveText(uint32_t driveCode, DriveQueries& queries, const uint8_t* letterDisks, char* text, int size,
                   int* iconIndex)
{
    if (size < 1)
        return false;
    text[0] = 0;
    if (iconIndex)
        *iconIndex = -1;
    const uint32_t number = driveCode & 0x7FFF;
    if (number >= 26)
        return false;

    if (driveCode & kDriveCodePhysical) {
        uint32_t bytesPerSector = 0;
        uint64_t units = queries.MediumUnits(driveCode, &bytesPerSector);
        if (units == 0)
            return false;
        char sizeText[40];
        // Units are 512 bytes whatever the disk's own sector size.
        FormatDriveSize(units / 2, sizeText, sizeof sizeText);
        int n = StrNPrintf(text, size, "PhysicalDrive%i%s", static_cast<int>(number), sizeText);
        if (letterDisks) {
            bool any = false;
            for (int l = 0; l < 26; ++l)
                if (letterDisks[l] == number) {
                    if (!any)
                        n += StrNPrintf(text + n, size - n, "    [");
                    any = true;
                    n += StrNPrintf(text + n, size - n, " %c: ", 'A' + l);
                }
            if (any)
                StrNPrintf(text + n, size - n, "]");
        }
        if (iconIndex)
            *iconIndex = queries.IconIndex("C:", FILE_ATTRIBUTE_DIRECTORY);
        return true;
    }

    if (!(queries.LogicalDrives() & (1u << number)))
        return false;
    const UINT type = queries.DriveType(static_cast<int>(number));
    if (type == DRIVE_REMOTE)
        return false;
    char label[MAX_PATH + 1] = {};
    char fileSystem[MAX_PATH + 1] = {};
    queries.VolumeInfo(static_cast<int>(number), label, sizeof label, fileSystem, sizeof fileSystem);
    if (!label[0])
        CopyTextLimited(label, "Datenträger", sizeof label);
    TitleCaseLabel(label);
    const char drive[3] = { static_cast<char>('A' + number), ':', 0 };
    const char* fsText = fileSystem[0] ? fileSystem : (type == DRIVE_REMOVABLE ? "---" : "");
    StrNPrintf(text, size, "%s (%.2s)   %s%s", label, drive, DriveTypeText(type), fsText);
    if (iconIndex) {
        const char root[4] = { drive[0], ':', '\\', 0 };
        *iconIndex = queries.IconIndex(root, 0);
    }
    return true;
}

int BuildDriveList(const DriveListOptions& options, DriveQueries& queries, CTextList* entries)
{
    if (!entries)
        return 0;
    entries->Clear();
    entries->SetDataSize(sizeof(DriveEntryData));
    char text[512];

    uint8_t letterDisks[26];
    memset(letterDisks, 0xFF, sizeof letterDisks);
    if (options.mode == DRIVELIST_ALL || options.mode == DRIVELIST_PHYSICAL) {
        const DWORD present = queries.LogicalDrives();
        for (int l = 2; l < 26; ++l) {
            if (!(present & (1u << l)))
                continue;
            uint32_t code = queries.PhysicalDriveOfLetter(l);
            if ((code & kDriveCodePhysical) && (code & 0x7FFF) < 32)
                letterDisks[l] = static_cast<uint8_t>(code & 0x7FFF);
        }
    }

    if (options.mode == DRIVELIST_ALL || options.mode == DRIVELIST_LETTERS) {
        for (uint32_t l = 0; l < 26; ++l) {
            int icon = -1;
            if (!MakeDriveText(l, queries, letterDisks, text, sizeof text, &icon))
                continue;
            uint32_t bytesPerSector = 0;
            uint32_t sizeMB = SizeInMB(queries.MediumUnits(l, &bytesPerSector));
            if (options.sizeLimitMB && sizeMB > options.sizeLimitMB)
                continue;
            uint32_t kind = DRIVEKIND_LETTER;
            if (TextNames(text, "CD-ROM"))
                kind = DRIVEKIND_CDROM;
            else if (TextNames(text, "FAT"))
                kind = DRIVEKIND_FAT;
            else if (TextNames(text, "NTFS"))
                kind = DRIVEKIND_NTFS;
            if (kind == DRIVEKIND_CDROM && options.noCdRom)
                continue;
            if (options.fatOnly && kind != DRIVEKIND_FAT)
                continue;
            if (kind != DRIVEKIND_CDROM)
                kind |= SmallBit(sizeMB);
            DriveEntryData data = { l, static_cast<uint32_t>(icon), kind, sizeMB };
            entries->InsertText(text, -1, &data);
        }
    }

    if (options.mode == DRIVELIST_ALL || options.mode == DRIVELIST_PHYSICAL) {
        for (uint32_t n = 0; n < 16; ++n) {
            const uint32_t code = kDriveCodePhysical + n;
            int icon = -1;
            if (!MakeDriveText(code, queries, letterDisks, text, sizeof text, &icon))
                continue;
            uint32_t bytesPerSector = 0;
            // "FAT only" sorts the drive letters by the file system their text names; a whole
            // disk names none and is listed as in every other list.
            // MakeDriveText has left out a drive without a size.
            uint32_t sizeMB = SizeInMB(queries.MediumUnits(code, &bytesPerSector));
            if (options.sizeLimitMB && sizeMB > options.sizeLimitMB)
                continue;
            DriveEntryData data = { code, static_cast<uint32_t>(icon), DRIVEKIND_PHYSICAL | SmallBit(sizeMB), sizeMB };
            entries->InsertText(text, -1, &data);
        }
    }

    if (options.imageEntry) {
        DriveEntryData data = { kDriveCodeImageFile,
                                static_cast<uint32_t>(queries.IconIndex("x.bin", FILE_ATTRIBUTE_NORMAL)),
                                DRIVEKIND_IMAGE, 0 };
        entries->InsertText("Image-Datei", -1, &data);
    }
    return entries->GetCount();
}

int PreselectedDriveEntry(const CTextList& entries, int presetDriveCode)
{
    int selected = -1;
    for (int i = 0; i < entries.GetCount(); ++i) {
        const DriveEntryData* d = static_cast<const DriveEntryData*>(entries.GetItemDataPtr(i));
        if (!d)
            continue;
        if (static_cast<int>(d->driveCode) == presetDriveCode)
            selected = i;
        else if (d->driveCode == 2 && selected < 0)
            selected = i;
    }
    return selected;
}

COLORREF DriveEntryTextColor(uint32_t kind, COLORREF windowText)
{
    COLORREF color;
    switch (kind & 0xFF) {
    case DRIVEKIND_PHYSICAL: color = RGB(0, 0, 120); break;
    case DRIVEKIND_CDROM: color = RGB(0, 100, 0); break;
    case DRIVEKIND_FAT: color = RGB(70, 0, 30); break;
    default: color = windowText; break;
    }
    if (kind & DRIVEKIND_SMALL) {
        // Doubling brightens each component; one that would overflow stays as it is.
        BYTE r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
        color = RGB(r < 128 ? r * 2 : r, g < 128 ? g * 2 : g, b < 128 ? b * 2 : b);
    }
    return color;
}

// ---------------------------------------------------------------------------------------
// The dialog

namespace {

// Global brushes of the entries' backgrounds; the first becomes the window colour when the
// dialog opens for the first time.
HBRUSH g_windowBrush = ::CreateSolidBrush(RGB(255, 255, 255));
HBRUSH g_greyBrush = ::CreateSolidBrush(RGB(200, 200, 200));
HBRUSH g_blueBrush = ::CreateSolidBrush(RGB(150, 150, 255));
bool g_windowBrushSet = false;

const DLGTEMPLATE* DriveSelectTemplate()
{
    static CDlgTemplateBuilder b;
    static bool built = false;
    if (!built) {
        built = b.Begin("Laufwerk auswählen", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 181, 245,
                        "MS Sans Serif", 8, FALSE)
            && b.AddListBox(CDriveSelectDlg::IDC_DRIVE_LIST,
                            WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_OWNERDRAWFIXED
                                | LBS_NOINTEGRALHEIGHT,
                            0, 0, 180, 220)
            && b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 65, 225, 50, 14)
            && b.AddButton(IDCANCEL, "Abbrechen", BS_PUSHBUTTON | WS_TABSTOP, 125, 225, 50, 14);
        if (!built)
            return NULL;
    }
    return b.GetTemplate();
}

}  // namespace

CDriveSelectDlg::CDriveSelectDlg(CWnd* pParent)
    : m_nChosenSize(0), m_nDriveCode(-1), m_nSizeLimit(0), m_nMode(DRIVELIST_ALL), m_bImageEntry(0),
      m_bNoCdRom(0), m_bFatOnly(0), m_pQueries(NULL), m_hImageList(NULL), m_nTextIndent(kTextIndent),
      m_nEntryCount(0), m_entries(sizeof(DriveEntryData))
{
    m_pParentWnd = pParent;
    InitModalIndirect(DriveSelectTemplate(), pParent);
}

BOOL CDriveSelectDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    HCURSOR oldCursor = ::SetCursor(::LoadCursor(NULL, IDC_WAIT));
    if (!g_windowBrushSet) {
        g_windowBrushSet = true;
        ::DeleteObject(g_windowBrush);
        g_windowBrush = ::CreateSolidBrush(::GetSysColor(COLOR_WINDOW));
    }
    HWND list = ::GetDlgItem(m_hWnd, IDC_DRIVE_LIST);

    SHFILEINFOA info;
    memset(&info, 0, sizeof info);
    m_hImageList = reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoA("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    int iconWidth = 16, iconHeight = 16;
    if (m_hImageList)
        ImageList_GetIconSize(m_hImageList, &iconWidth, &iconHeight);
    if (list) {
        int height = static_cast<int>(::SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
        if (height < iconHeight + 4)
            ::SendMessageA(list, LB_SETITEMHEIGHT, 0, MAKELPARAM(iconHeight + 4, 0));
    }

    DriveListOptions options;
    options.mode = m_nMode;
    options.imageEntry = m_bImageEntry;
    options.noCdRom = m_bNoCdRom;
    options.fatOnly = m_bFatOnly;
    options.sizeLimitMB = m_nSizeLimit;
    DriveQueries& queries = m_pQueries ? *m_pQueries : static_cast<DriveQueries&>(m_systemQueries);
    m_nEntryCount = BuildDriveList(options, queries, &m_entries);
    if (list) {
        // The list keeps no texts of its own (drawn by the owner from the entries): what an
        // item holds is the index of its entry.
        for (int i = 0; i < m_nEntryCount; ++i)
            ::SendMessageA(list, LB_ADDSTRING, 0, static_cast<LPARAM>(i));
        int selected = PreselectedDriveEntry(m_entries, m_nDriveCode);
        if (selected >= 0)
            ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    }
    ::SetCursor(oldCursor);
    return TRUE;
}

void CDriveSelectDlg::OnOK()
{
    HWND list = ::GetDlgItem(m_hWnd, IDC_DRIVE_LIST);
    int selected = list ? static_cast<int>(::SendMessageA(list, LB_GETCURSEL, 0, 0)) : -1;
    if (selected < 0 && m_nEntryCount > 0)
        selected = 0;
    int index = -1;
    if (list && selected >= 0) {
        LRESULT data = ::SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(selected), 0);
        if (data != LB_ERR)
            index = static_cast<int>(data);
    }
    const DriveEntryData* d = index >= 0 ? static_cast<const DriveEntryData*>(m_entries.GetItemDataPtr(index)) : NULL;
    if (!d) {
        m_nDriveCode = -1;
        m_nChosenSize = 0;
        m_strChosenText = "<kein Laufwerk gewählt>";
    } else {
        m_nDriveCode = static_cast<int>(d->driveCode);
        m_nChosenSize = d->sizeMB;
        m_strChosenText = m_entries.GetText(index);
    }
    EndDialog(IDOK);
}

BOOL CDriveSelectDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDC_DRIVE_LIST && HIWORD(wParam) == LBN_DBLCLK) {
        OnOK();
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CDriveSelectDlg::DrawEntry(const DRAWITEMSTRUCT* dis)
{
    HDC dc = dis->hDC;
    RECT rc = dis->rcItem;
    const bool selected = (dis->itemState & ODS_SELECTED) != 0;
    const bool focused = (dis->itemState & ODS_FOCUS) != 0;
    HBRUSH background = selected && focused ? g_blueBrush : (selected || focused ? g_greyBrush : g_windowBrush);
    ::FillRect(dc, &rc, background);
    if (static_cast<int>(dis->itemID) < 0)
        return;
    const DriveEntryData* d = static_cast<const DriveEntryData*>(m_entries.GetItemDataPtr(static_cast<int>(dis->itemData)));
    const char* text = m_entries.GetText(static_cast<int>(dis->itemData));
    if (!d || !text)
        return;
    if (m_hImageList && static_cast<int>(d->iconIndex) >= 0)
        ImageList_Draw(m_hImageList, static_cast<int>(d->iconIndex), dc, rc.left + 4, rc.top + 2, ILD_TRANSPARENT);
    int oldMode = ::SetBkMode(dc, TRANSPARENT);
    COLORREF oldColor = ::SetTextColor(dc, DriveEntryTextColor(d->kind, ::GetSysColor(COLOR_WINDOWTEXT)));
    ::TextOutA(dc, rc.left + 4 + m_nTextIndent, rc.top + 4, text, lstrlenA(text));
    ::SetTextColor(dc, oldColor);
    ::SetBkMode(dc, oldMode);
}

LRESULT CDriveSelectDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DRAWITEM) {
        const DRAWITEMSTRUCT* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (dis && dis->CtlType == ODT_LISTBOX && dis->CtlID == IDC_DRIVE_LIST) {
            DrawEntry(dis);
            return TRUE;
        }
    }
    return CDialog::WindowProc(message, wParam, lParam);
}
