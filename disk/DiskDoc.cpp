// The sector document: construction and settings, opening a medium by its path, the frame's
// close steps and the lookups of the disk view. Sector loads, write-back and the medium's
// own reads and writes are in DiskDocSectors.cpp.
#include "disk/DiskDoc.h"
#include "disk/DiskCommands.h"
#include "disk/DiskDocNavigation.h"
#include "classlib/RecentFileList.h"
#include "services/PathUtils.h"
#include "services/Registry.h"
#include "uihelpers/TextEntryDialog.h"
#include "textlib/StrPrintf.h"
#include <stdlib.h>
#include <string.h>

IMPLEMENT_DYNCREATE(CDiskDoc, CDocument)

BEGIN_MESSAGE_MAP(CDiskDoc, CDocument)
    ON_COMMAND(ID_FILE_CLOSE, OnCloseDocumentCommand)
    ON_COMMAND(ID_WRITE_PROTECT, OnWriteProtect)
    ON_UPDATE_COMMAND_UI(ID_WRITE_PROTECT, OnUpdateWriteProtect)
    // navigation and medium commands
    ON_COMMAND(ID_GOTO_SECTOR, OnGotoSector)
    ON_UPDATE_COMMAND_UI(ID_GOTO_SECTOR, OnUpdateGotoSector)
    ON_COMMAND(ID_GOTO_CLUSTER, OnGotoCluster)
    ON_UPDATE_COMMAND_UI(ID_GOTO_CLUSTER, OnUpdateGotoCluster)
    ON_COMMAND(ID_GOTO_AREA, OnGotoArea)
    ON_UPDATE_COMMAND_UI(ID_GOTO_AREA, OnUpdateGotoArea)
    ON_COMMAND(ID_NEXT_SECTOR, OnNextSector)
    ON_UPDATE_COMMAND_UI(ID_NEXT_SECTOR, OnUpdateNextSector)
    ON_COMMAND(ID_PREV_SECTOR, OnPrevSector)
    ON_UPDATE_COMMAND_UI(ID_PREV_SECTOR, OnUpdatePrevSector)
    ON_COMMAND(ID_SELECT_DRIVE, OnSelectDrive)
    ON_COMMAND(ID_LOAD_IMAGE, OnLoadImage)
    ON_COMMAND(ID_START_OPTIONS, OnStartOptions)
    ON_COMMAND(ID_LOAD_PARTITIONS, OnLoadPartitions)
    ON_UPDATE_COMMAND_UI(ID_LOAD_PARTITIONS, OnUpdateLoadPartitions)
    // sector ranges and the search in sectors
    ON_COMMAND(ID_SAVE_SECTORS, OnSaveSectors)
    ON_COMMAND(ID_LOAD_SECTORS, OnLoadSectors)
    ON_COMMAND(ID_SEARCH_SECTORS, OnSearchSectors)
    ON_COMMAND(ID_CONTINUE_SEARCH, OnContinueSearch)
    ON_UPDATE_COMMAND_UI(ID_CONTINUE_SEARCH, OnUpdateContinueSearch)
END_MESSAGE_MAP()

// ---------------------------------------------------------------- prompts

int DiskDocPrompts::Box(const char* text, const char* caption, UINT type)
{
    if (!caption)
        caption = AfxGetAppName();
    CWnd* main = AfxGetMainWnd();
    if (main && main->m_hWnd)
        return main->MessageBox(text, caption, type);
    return ::MessageBoxA(nullptr, text, caption, type);
}

bool DiskDocPrompts::AskText(const char* caption, const char* prompt, CString* text, bool hidden)
{
    CTextEntryDialog dlg(AfxGetMainWnd(), hidden ? 1 : 0);
    dlg.SetCaption(caption);
    dlg.SetPrompt(prompt);
    dlg.SetText(*text);
    dlg.m_bFocusEdit = 1;
    if (dlg.DoModal() != IDOK)
        return false;
    *text = dlg.m_strText;
    return true;
}

namespace {
DiskDocPrompts g_windowPrompts;
}  // namespace

DiskDocPrompts* CDiskDoc::SetPrompts(DiskDocPrompts* prompts)
{
    DiskDocPrompts* previous = m_prompts;
    m_prompts = prompts;
    return previous;
}

int CDiskDoc::ErrorBox(LPCSTR text, LPCSTR caption, UINT type)
{
    DiskDocPrompts* prompts = m_prompts ? m_prompts : &g_windowPrompts;
    return prompts->Box(text, caption, type);
}

// ---------------------------------------------------------------- lifecycle

CDiskDoc::CDiskDoc()
{
    memset(m_buffer, 0xFF, sizeof m_buffer);
    memset(m_snapshot, 0xFF, sizeof m_snapshot);
    LoadSettings();
    InitDevice();
}

CDiskDoc::~CDiskDoc()
{
    SaveSettings();
    CloseImageHandle();
    ReleaseHeldImage();
    free(m_searchPatterns);
    free(m_searchWindow);
    free(m_findText);
    free(m_findGroups);
}

void CDiskDoc::LoadSettings()
{
    CRegistry reg;
    if (reg.Open(HKEY_CURRENT_USER, nullptr, REGISTRY_READ)) {
        DWORD value = 0;
        if (reg.ReadDword(&value, "OpenMode"))
            m_openMode = value;
    }
    switch (m_openMode) {
    case 0: m_driveCode = 2; break;         // C:
    case 1: m_driveCode = 3; break;         // D:
    case 3: {
        DWORD last = DRIVECODE_NONE;
        if (reg.GetDepth() >= 0 && reg.ReadDword(&last, "LastDrive"))
            m_driveCode = last;
        if (m_driveCode == DRIVECODE_IMAGE) {
            CString path;
            reg.ReadCString(path, "LastImageFile");
            m_imagePath = path;
            if (IsDeviceNameA(m_imagePath) || GetPathTypeA(m_imagePath) != 1)
                m_driveCode = DRIVECODE_NONE;
        } else if (m_driveCode != DRIVECODE_NONE && !DiskIoIsValidCode(m_driveCode)) {
            m_driveCode = DRIVECODE_NONE;   // a damaged value must not reach the device layer
        }
        break;
    }
    default: m_driveCode = DRIVECODE_NONE; break;
    }
    if (reg.GetDepth() >= 0 && reg.OpenSubKey("Find", 1)) {
        DWORD flags = 0;
        if (reg.ReadDword(&flags, "Flags"))
            m_findFlags = flags;
        void* block = nullptr;
        if (reg.ReadValueAlloc(&block, "FindText", REG_MULTI_SZ))
            m_findText = static_cast<char*>(block);
        block = nullptr;
        if (reg.ReadValueAlloc(&block, "FindGroups", REG_MULTI_SZ))
            m_findGroups = static_cast<char*>(block);
    }
}

void CDiskDoc::SaveSettings()
{
    CRegistry reg;
    if (!reg.OpenAppKey())
        return;
    reg.WriteDword(m_openMode, "OpenMode");
    reg.WriteDword(m_driveCode, "LastDrive");
    reg.WriteString(m_driveCode == DRIVECODE_IMAGE ? static_cast<LPCSTR>(m_imagePath) : "", "LastImageFile");
    if (reg.CreateSubKey("Find")) {
        reg.WriteDword(m_findFlags, "Flags");
        if (m_findText)
            reg.WriteMultiString(m_findText, "FindText");
        if (m_findGroups)
            reg.WriteMultiString(m_findGroups, "FindGroups");
    }
}

BOOL CDiskDoc::OnNewDocument()
{
    if (RefuseWhileBusy())
        return FALSE;
    // The medium is opened anew below (its drive held again, its image checked again): a
    // changed sector is settled with the medium it was read from first, or the write-back
    // that loading sector 0 asks would go to whatever is behind the name by then.
    if (HasPendingEdit() && !SettlePendingWrite()) {
        m_switchCancelled = true;
        return FALSE;
    }
    if (!CDocument::OnNewDocument())
        return FALSE;
    InitDevice();
    char title[300];
    if (m_driveCode <= 25)
        StrNPrintf(title, sizeof title, "%c:\\ ", static_cast<int>('A' + m_driveCode));
    else if (m_driveCode >= DRIVECODE_PHYSICAL && m_driveCode <= DRIVECODE_PHYSICAL + 0xFF)
        StrNPrintf(title, sizeof title, "Pysical_%u:\\ ", m_driveCode & 255);
    else if (m_driveCode == DRIVECODE_IMAGE)
        StrNPrintf(title, sizeof title, "%s ", GetFileNamePart(m_imagePath));
    else
        StrNPrintf(title, sizeof title, "Unbenannt");
    SetTitle(title);
    return TRUE;
}

void CDiskDoc::Serialize(CArchive& /*ar*/)
{
}

BOOL CDiskDoc::SaveModified()
{
    // Asked before the library reuses the document for another medium (open, new, a drop):
    // never under a long operation or a question about writing.
    m_switchCancelled = RefuseWhileBusy();
    return m_switchCancelled ? FALSE : TRUE;
}

namespace {

// Commands of the application and the library that open another medium or close the
// program's one document.
bool SwitchesOrCloses(UINT id)
{
    return id == ID_FILE_NEW || id == ID_FILE_OPEN || id == ID_FILE_CLOSE || id == ID_APP_EXIT ||
           (id >= ID_FILE_MRU_FIRST && id <= ID_FILE_MRU_LAST);
}

}  // namespace

BOOL CDiskDoc::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    // The library's save writes the document's path anew (CREATE_ALWAYS): for an image that
    // path is the medium itself, which would be emptied without a question.
    if (nID == ID_FILE_SAVE || nID == ID_FILE_SAVE_AS)
        return FALSE;
    // A command reaches the document also while one of its own questions or the progress
    // dialog runs a message loop: the document's commands and every switch of medium or close
    // are refused then (handled, with a beep), so that nothing moves under the operation.
    if (m_busy && nCode == CN_COMMAND && !pHandlerInfo) {
        AFX_CMDHANDLERINFO info = {};
        if (SwitchesOrCloses(nID) || CDocument::OnCmdMsg(nID, nCode, nullptr, &info)) {
            RefuseWhileBusy();
            return TRUE;
        }
    }
    // "Neu" opens the medium shown anew: its changed sector is settled before the library
    // names the document anew, and a write-back that failed or was kept ends the command.
    if (nID == ID_FILE_NEW && nCode == CN_COMMAND && !pHandlerInfo && HasPendingEdit() && !SettlePendingWrite())
        return TRUE;
    return CDocument::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CDiskDoc::OnSaveDocument(LPCSTR /*lpszPathName*/)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

// ---------------------------------------------------------------- opening by path

namespace {

// What a path names, before anything of the document changes.
struct MediumChoice
{
    uint32_t driveCode = DRIVECODE_NONE;
    CString imagePath;      // for an image file
    CheckedImage image;     // the image, opened and checked
};

enum PathVerdict
{
    PATH_NAMES_NOTHING,
    PATH_NAMES_MEDIUM,
    PATH_NAMES_DEVICE,      // a device or volume under a name that is no drive or "Physical" name
};

// "Physical" and one or two characters: digits name the physical drive, a letter the
// physical drive that holds that drive letter. False when the name is not of that form;
// *code 0 when it is, but names no drive there is (32 and above, a letter on no disk).
bool PhysicalName(const char* name, uint32_t* code)
{
    *code = 0;
    if (_strnicmp(name, "Physical", 8) != 0)
        return false;
    const char* rest = name + 8;
    size_t n = strlen(rest);
    if (n < 1 || n > 2)
        return false;
    if (rest[0] >= '0' && rest[0] <= '9') {
        if (n == 2 && !(rest[1] >= '0' && rest[1] <= '9'))
            return false;
        uint32_t number = static_cast<uint32_t>(atoi(rest));
        // Only drives 0 to 31 exist for the device layer; "Physical99" names none of them.
        *code = number < 32 ? DRIVECODE_PHYSICAL + number : 0;
        return true;
    }
    if (n == 1) {
        int letter = rest[0];
        if (letter >= 'a' && letter <= 'z')
            letter -= 'a' - 'A';
        if (letter >= 'A' && letter <= 'Z') {
            *code = DiskIoLetterToPartition(letter - 'A', nullptr);
            return true;
        }
    }
    return false;
}

// An image is known by its full path: the recent list, the document's name and the last
// image of the start options must lead to it again from any current folder.
CString FullImagePath(const char* path)
{
    char full[MAX_PATH];
    const DWORD n = GetFullPathNameA(path, sizeof full, full, nullptr);
    return n > 0 && n < sizeof full ? CString(full) : CString(path);
}

// Whether a file is there is left to the image's own open, which asks its handle what it is.
PathVerdict ChooseMedium(const char* path, MediumChoice* choice)
{
    // Only a bare name names a physical drive, as the program writes it ("Physical1" in the
    // recent list): a file of such a name in a folder ("C:\Sicherung\Physical1"), as the file
    // dialog, the command line and the recent list hand it over, is that file, not drive 1.
    uint32_t candidate = 0;
    const bool physicalName = GetFileNamePart(path) == path && PhysicalName(path, &candidate);
    if (MatchExtensionListA(path, "bin;img;iso;fat") != 0 && !IsDeviceNameA(path)) {
        choice->driveCode = DRIVECODE_IMAGE;
        choice->imagePath = FullImagePath(path);
        return PATH_NAMES_MEDIUM;
    }
    size_t len = strlen(path);
    if (len >= 2 && len <= 3 && path[1] == ':' && (len == 2 || path[2] == '\\' || path[2] == '/')) {
        uint32_t c = static_cast<unsigned char>(path[0]);
        if (c > 96)
            c -= 97;
        else if (c > 64)
            c -= 65;
        // Anything but a letter ("1:") lands outside A to Z and is refused here rather than
        // handed to the device layer as drive 26 or more.
        if (c > 25)
            return PATH_NAMES_NOTHING;
        choice->driveCode = c;
        return PATH_NAMES_MEDIUM;
    }
    // A drive's name names that drive, also where there is none: "Physical99" is said to be
    // no medium that opens, not taken for a file of that name in the current folder.
    if (physicalName) {
        choice->driveCode = candidate;
        return candidate ? PATH_NAMES_MEDIUM : PATH_NAMES_NOTHING;
    }
    // Any other name is an image, whatever its extension: "Eine Image-Datei laden" opens
    // *.dd or *.raw through "Alle Dateien", and the recent list and the command line must
    // open again what it opened. A device or volume name is never taken for a file.
    if (IsDeviceNameA(path))
        return PATH_NAMES_DEVICE;
    choice->driveCode = DRIVECODE_IMAGE;
    choice->imagePath = FullImagePath(path);
    return PATH_NAMES_MEDIUM;
}

void ReportNoMedium(CDiskDoc& doc, const char* path, bool device)
{
    char text[MAX_PATH + 160];
    if (device)
        StrNPrintf(text, sizeof text,
                   "%s ist ein Laufwerk oder Gerät und keine Image-Datei !\nLaufwerke werden mit \"Laufwerk "
                   "auswählen\" geöffnet.",
                   path);
    else
        StrNPrintf(text, sizeof text, "Das Medium konnte nicht geöffnet werden :\n%s", path);
    doc.ErrorBox(text, "Fehler", MB_OK | MB_ICONERROR);
}

// What a path names, checked: an image that exists but cannot be read at all (no rights,
// locked) is reported now, not shown as an endless read error; so is a device behind the
// name. False after the message.
bool ResolveMediumPath(CDiskDoc& doc, const char* path, MediumChoice* choice)
{
    PathVerdict verdict = *path ? ChooseMedium(path, choice) : PATH_NAMES_NOTHING;
    if (verdict == PATH_NAMES_MEDIUM && choice->driveCode == DRIVECODE_IMAGE)
        return doc.OpenImageForMedium(choice->imagePath, &choice->image, true);
    // A drive named that does not open (a letter Wine keeps only as a folder, a physical drive
    // that is not there, a drive without its medium) is said, and the medium shown stays: made
    // current, it would show as unreadable without a word.
    if (verdict == PATH_NAMES_MEDIUM && !DiskIoMediumOpens(choice->driveCode))
        verdict = PATH_NAMES_NOTHING;
    if (verdict != PATH_NAMES_MEDIUM)
        ReportNoMedium(doc, path, verdict == PATH_NAMES_DEVICE);
    return verdict == PATH_NAMES_MEDIUM;
}

}  // namespace

bool CDiskDoc::OpenImageForMedium(const char* path, CheckedImage* image, bool unreadableIsError)
{
    const CheckedImage::Result opened = image->Open(path);
    if (opened == CheckedImage::OPENED || (opened == CheckedImage::NOT_OPENED && !unreadableIsError))
        return true;
    ReportNoMedium(*this, path ? path : "", opened == CheckedImage::A_DEVICE);
    return false;
}

BOOL CDiskDoc::OnOpenDocument(LPCSTR lpszPathName)
{
    // A path that names nothing that can be opened is said in plain words and changes nothing:
    // the medium shown stays on its sector with its edit. Made current again from sector 0
    // without a word, the old medium would pass a failed open off as done (a recent entry or
    // a command-line path seemingly opened, showing the old medium's first sector) and lose
    // the user's place.
    const char* path = lpszPathName ? lpszPathName : "";
    m_switchCancelled = false;
    MediumChoice choice;
    if (!ResolveMediumPath(*this, path, &choice))
        return FALSE;
    return MakeMediumCurrent(choice.driveCode,
                             choice.driveCode == DRIVECODE_IMAGE ? static_cast<const char*>(choice.imagePath) : nullptr,
                             &choice.image);
}

void CDiskDoc::SetPathName(LPCSTR lpszPathName, BOOL bAddToMRU)
{
    // The framework names the document (and fills the recent list) with the path it was
    // opened by; an image is named by its full path instead, so that a relative name opened
    // from one folder still opens from another.
    if (m_driveCode == DRIVECODE_IMAGE && !m_imagePath.IsEmpty())
        lpszPathName = m_imagePath;
    CDocument::SetPathName(lpszPathName, bAddToMRU);
}

BOOL CDiskDoc::OpenMediumPath(const char* path)
{
    MediumChoice choice;
    if (!ResolveMediumPath(*this, path ? path : "", &choice))
        return FALSE;
    if (choice.driveCode == DRIVECODE_IMAGE)
        return SwitchMedium(DRIVECODE_IMAGE, choice.imagePath, nullptr, nullptr, &choice.image);
    char title[32], listName[32];
    if (!MediumNames(choice.driveCode, title, sizeof title, listName, sizeof listName))
        return FALSE;
    return SwitchMedium(choice.driveCode, nullptr, title, listName);
}

void CDiskDoc::ReopenRecent()
{
    CWinApp* app = AfxGetApp();
    CWnd* main = AfxGetMainWnd();
    if (!app || !main || !app->m_pRecentFileList)
        return;
    CRecentFileList& list = *app->m_pRecentFileList;
    if (list.GetSize() < 1 || list[0].IsEmpty())
        return;
    // Windows paths and drive names compare without regard to case, as the framework's
    // "already open" test does.
    if (lstrcmpiA(list[0], GetPathName()) != 0)
        main->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE1);
    else if (list.GetSize() > 1 && !list[1].IsEmpty())
        main->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE2);
}

// ---------------------------------------------------------------- closing the frame

BOOL CDiskDoc::CanCloseFrame(CFrameWnd* pFrame)
{
    // Not under a long operation (its worker still uses the document) or a question about
    // writing: WM_CLOSE, "Schließen" and the end of the session all ask here.
    if (RefuseWhileBusy())
        return FALSE;
    // The question comes here, where the answer can still keep the frame: a write-back that
    // failed leaves the edit and the frame in place.
    if (!SettlePendingWrite())
        return FALSE;
    return CDocument::CanCloseFrame(pFrame);
}

void CDiskDoc::OnCloseDocumentCommand()
{
    POSITION pos = GetFirstViewPosition();
    CView* view = pos ? GetNextView(pos) : nullptr;
    CFrameWnd* frame = view && view->m_hWnd ? view->GetParentFrame() : nullptr;
    if (!CanCloseFrame(frame))
        return;
    OnCloseDocument();
}

void CDiskDoc::PreCloseFrame(CFrameWnd* pFrame)
{
    if (!m_writeEnabled) {
        CDocument::PreCloseFrame(pFrame);
        return;
    }
    // Protection is still off when the frame goes another way than through CanCloseFrame.
    m_currentSector = ~0ull;
    LoadSector(0, 0);
    CDocument::PreCloseFrame(pFrame);
}

// ---------------------------------------------------------------- lookups of the disk view

uint32_t CDiskDoc::GetAreaType() const
{
    return m_scan.areas.TypeAt(m_currentSector);
}

int CDiskDoc::CurrentClusterRegion() const
{
    // A region numbers the sectors of its own partition only: behind it may lie a partition
    // whose volume was not recognised (or found no room in the tables), whose sectors the
    // region before would otherwise count as its clusters. Nor does it number anything
    // behind its last cluster: the free space up to the end of a disk and the backup GPT
    // there lie in no partition, so the start lookup alone would give them to the last volume.
    int r = m_scan.regions.Find(m_currentSector);
    if (r >= 0 && (m_scan.regions.regionStart[r] < GetPartitionStart() ||
                   m_scan.regions.IsBehindLastCluster(static_cast<uint32_t>(r), m_currentSector)))
        return -1;
    return r;
}

uint64_t CDiskDoc::GetClusterAreaStart() const
{
    int r = CurrentClusterRegion();
    return r < 0 ? 0 : m_scan.regions.dataStart[r];
}

uint32_t CDiskDoc::GetSectorsPerCluster() const
{
    int r = CurrentClusterRegion();
    if (r < 0 || m_scan.regions.sectorsPerCluster[r] == ClusterRegionTable::kNoClusters)
        return 0;
    return m_scan.regions.sectorsPerCluster[r];
}

uint64_t CDiskDoc::GetFirstClusterNumber() const
{
    int r = CurrentClusterRegion();
    return r < 0 ? 0 : m_scan.regions.firstCluster[r];
}

uint64_t CDiskDoc::GetPartitionStart() const
{
    return m_scan.partitionStarts.StartOf(m_currentSector);
}

BOOL CDiskDoc::ReadUnits(uint64_t unit, uint32_t count, void* buffer)
{
    if (m_driveCode == DRIVECODE_NONE || !buffer)
        return FALSE;
    return ReadSectors(m_driveCode, unit, count, buffer);
}

uint32_t CDiskDoc::GetMftRecord(uint8_t* record, uint8_t** place)
{
    if (place)
        *place = record;
    if (m_loadState != LOADSTATE_LOADED || m_loadedBytes == 0)
        return 0;
    if (m_loadedBytes >= 1024) {
        memcpy(record, m_buffer, 1024);
        return 1024;
    }
    // 512-byte sectors: a record is two sectors, starting at the parity of the area that
    // holds the current sector ($MFT may begin on an odd sector), else at the even one.
    uint64_t cur = m_currentSector;
    uint64_t pairStart = cur & ~1ull;
    for (uint32_t i = 0; i < m_scan.areas.count; ++i) {
        if (m_scan.areas.first[i] <= cur && m_scan.areas.end[i] > cur) {
            uint64_t parity = m_scan.areas.first[i] & 1;
            pairStart = ((cur & 1) == parity) ? cur : cur - 1;
            break;
        }
    }
    if (!ReadSectors(m_driveCode, pairStart * m_unitsPerSector, 2, record))
        return 0;
    if (place && cur != pairStart)
        *place = record + m_loadedBytes;
    return 1024;
}
