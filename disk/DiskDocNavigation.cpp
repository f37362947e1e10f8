// The sector document's navigation and medium commands: go to a sector, a cluster or an
// area, step, choose a drive or an image file, the start options and "Partitionen laden".
// Each ends in LoadSector or, for a new medium, in InitDevice.
#include <string>
#include "disk/DiskDoc.h"
#include "disk/DiskCommands.h"
#include "disk/DiskDocNavigation.h"
#include "disk/DriveSelectDialog.h"
#include "disk/SectorRangeDialog.h"
#include "disk/StartOptionsDialog.h"
#include "classlib/FileDialog.h"
#include "services/Eval.h"
#include "services/PathUtils.h"
#include "textlib/StrPrintf.h"
#include "uihelpers/ChoiceListDialog.h"
#include "uihelpers/ProgressDialog.h"
#include <string.h>

const char kImageFileFilter[] =
    "Alle Image-Formate |*.bin;*.iso;*.fat;*.img|CD-Image   (*.iso)|*.iso|Binärdatei   (*.bin)|*.bin|"
    "FAT-Image   (*.fat)|*.fat|Image-Datei   (*.img)|*.img|Alle Dateien|*.*|";

namespace {

SelectedNumberHook g_selectedNumberHook = nullptr;
DiskNavDialogs g_windowDialogs;

const char kWrongSector[] = "Falsche Sektornummer !";
const char kWrongCluster[] = "Falsche Cluster-Nummer !";

// Said behind the refusal when the answer holds no number at all.
const char kNoNumber[] = "\nDie Eingabe enthält keine Zahl.";

// The answer as the 64-bit evaluation reads it, up to where it stops: "12 GB" is 12, "(3" is
// 3, "5*" is 0 (the missing factor). False only for a text in which no number can be read
// (empty, blanks, a word): that answer must never count as 0.
bool EvaluateAnswer(const char* text, uint64_t* value)
{
    long long v = 0;
    ExprStatus status = 0;
    if (EvalInt64(text, &v, &status) <= 0)
        return false;
    *value = static_cast<uint64_t>(v);
    return true;
}

// The refusal of a go-to answer: the command's own words, and why when it was no number.
std::string Refusal(const char* words, bool noNumber)
{
    return noNumber ? std::string(words) + kNoNumber : std::string(words);
}

// "<region>:<cluster>": the region number before the ':' and the text behind it; null when
// the answer has no region. A disk of ten or more volumes proposes "12:345" itself, so the
// region is every digit before the ':', not only the first character; any other character
// before a ':' in second place still names a region, one that does not exist.
const char* SkipRegionPrefix(const char* text, uint32_t* region)
{
    uint64_t n = 0;
    const char* p = text;
    while (*p >= '0' && *p <= '9') {
        n = n * 10 + static_cast<uint64_t>(*p - '0');
        if (n > 0xFFFFFFFFu)
            n = 0xFFFFFFFFu;
        ++p;
    }
    if (p == text || *p != ':') {
        if (!text[0] || text[1] != ':')
            return nullptr;
        n = static_cast<uint32_t>(static_cast<unsigned char>(text[0]) - '0');
        p = text + 1;
    }
    if (region)
        *region = static_cast<uint32_t>(n);
    return p + 1;
}

bool HasClusterNumbering(uint32_t sectorsPerCluster)
{
    return sectorsPerCluster != 0 && sectorsPerCluster != ClusterRegionTable::kNoClusters;
}

// One step back stays on the medium: from a current sector behind its end (none should be)
// it would walk on through sectors that do not exist.
bool CanStepBack(uint64_t current, uint64_t sectorCount)
{
    return current != 0 && current - 1 < sectorCount;
}

}  // namespace

// ---------------------------------------------------------------- the dialogs

INT_PTR DiskNavDialogs::RunChoiceList(CChoiceListDialog& dlg)
{
    return dlg.DoModal();
}

INT_PTR DiskNavDialogs::RunDriveSelect(CDriveSelectDlg& dlg)
{
    return dlg.DoModal();
}

INT_PTR DiskNavDialogs::RunStartOptions(CStartOptionsDlg& dlg)
{
    return dlg.DoModal();
}

INT_PTR DiskNavDialogs::RunSectorRange(CSectorRangeDlg& dlg)
{
    return dlg.DoModal();
}

INT_PTR DiskNavDialogs::RunProgress(const ProgressRun& run)
{
    return RunProgressDialog(AfxGetMainWnd(), run);
}

bool DiskNavDialogs::AskImageFile(CString* path)
{
    CFileDialog dlg(TRUE, "bin", *path, OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_ENABLESIZING,
                    kImageFileFilter, AfxGetMainWnd());
    if (dlg.DoModal() != IDOK)
        return false;
    *path = dlg.GetPathName();
    return !path->IsEmpty();
}

bool DiskNavDialogs::SelectedNumber(CDiskDoc& doc, uint64_t* number)
{
    if (!g_selectedNumberHook)
        return false;
    POSITION pos = doc.GetFirstViewPosition();
    CView* view = pos ? doc.GetNextView(pos) : nullptr;
    return view && g_selectedNumberHook(view, number);
}

void DiskNavDialogs::AddToRecentFiles(const char* name)
{
    if (CWinApp* app = AfxGetApp())
        app->AddToRecentFileList(name);
}

void SetSelectedNumberHook(SelectedNumberHook hook)
{
    g_selectedNumberHook = hook;
}

DiskNavDialogs& CDiskDoc::NavDialogs()
{
    return m_navDialogs ? *m_navDialogs : g_windowDialogs;
}

DiskNavDialogs* CDiskDoc::SetNavDialogs(DiskNavDialogs* dialogs)
{
    DiskNavDialogs* previous = m_navDialogs;
    m_navDialogs = dialogs;
    return previous;
}

// ---------------------------------------------------------------- go to

void CDiskDoc::OnGotoSector()
{
    DiskNavDialogs& dialogs = m_navDialogs ? *m_navDialogs : g_windowDialogs;
    DiskDocPrompts windowPrompts;
    DiskDocPrompts& prompts = m_prompts ? *m_prompts : windowPrompts;
    if (m_sectorCount == 0)
        return;
    uint64_t proposal = m_currentSector;
    uint64_t selected = 0;
    if (dialogs.SelectedNumber(*this, &selected))
        proposal = selected;

    char prompt[128], text[64];
    StrNPrintf(prompt, sizeof prompt, "Maximaler Sektor %I64i (Sektorgröße: %i)",
               static_cast<long long>(m_sectorCount - 1), static_cast<int>(m_loadedBytes));
    StrNPrintf(text, sizeof text, "%I64u", static_cast<unsigned long long>(proposal));
    CString answer = text;
    if (!prompts.AskText("Springe zu Sektor", prompt, &answer, false))
        return;
    uint64_t value = 0;
    const bool number = EvaluateAnswer(answer, &value);
    if (!number || value >= m_sectorCount) {
        ErrorBox(Refusal(kWrongSector, !number).c_str(), nullptr, MB_OK);
        return;
    }
    m_currentSector = value;
    LoadSector(0, 0);
}

void CDiskDoc::OnUpdateGotoSector(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_sectorCount > 0);
}

void CDiskDoc::OnGotoCluster()
{
    DiskNavDialogs& dialogs = m_navDialogs ? *m_navDialogs : g_windowDialogs;
    DiskDocPrompts windowPrompts;
    DiskDocPrompts& prompts = m_prompts ? *m_prompts : windowPrompts;
    const ClusterRegionTable& regions = m_scan.regions;
    if (regions.count == 0)
        return;
    int region = regions.Find(m_currentSector);
    if (region < 0)
        return;
    // A region without cluster numbering has nothing to divide by: ask nothing.
    const uint32_t spc = regions.sectorsPerCluster[region];
    if (!HasClusterNumbering(spc))
        return;
    const uint64_t dataStart = regions.dataStart[region];
    const uint64_t firstCluster = regions.firstCluster[region];
    const uint64_t clusterCount = regions.clusterCount[region];

    uint64_t proposal = firstCluster;
    uint64_t selected = 0;
    if (m_currentSector >= dataStart && !regions.IsBehindLastCluster(static_cast<uint32_t>(region), m_currentSector)) {
        proposal = (m_currentSector - dataStart) / spc + firstCluster;
        if (dialogs.SelectedNumber(*this, &selected))
            proposal = selected;
    }

    // The last cluster is first + count - 1: FAT and exFAT count from 2, NTFS and UDF from
    // 0, ext from 1.
    char prompt[160], text[64];
    // In 64 bits: a damaged exFAT boot sector may claim clusters of 2^25 sectors. The
    // sector size is the medium's when the current sector could not be read (its loaded
    // bytes are 0), and the proposal is not cut to 32 bits: an NTFS volume may number more
    // clusters than 32 bits hold.
    const uint64_t clusterBytes = static_cast<uint64_t>(m_loadedBytes ? m_loadedBytes : m_bytesPerSector) * spc;
    StrNPrintf(prompt, sizeof prompt, "Cluster %I64i bis %I64i (Cluster-Größe: %I64i)  (<Partition>:...)",
               static_cast<long long>(firstCluster), static_cast<long long>(firstCluster + clusterCount - 1),
               static_cast<long long>(clusterBytes));
    if (regions.count == 1)
        StrNPrintf(text, sizeof text, "%I64u", static_cast<unsigned long long>(proposal));
    else
        StrNPrintf(text, sizeof text, "%u:%I64u", static_cast<unsigned>(region),
                   static_cast<unsigned long long>(proposal));
    CString answer = text;
    if (!prompts.AskText("Springe zu Cluster", prompt, &answer, false))
        return;

    const char* number = answer;
    uint32_t target = static_cast<uint32_t>(region);
    uint32_t chosen = 0;
    if (const char* rest = SkipRegionPrefix(number, &chosen)) {
        target = chosen < regions.count ? chosen : 0;   // a region that does not exist: the first
        number = rest;
    }
    const uint32_t targetSpc = regions.sectorsPerCluster[target];
    const uint64_t targetFirst = regions.firstCluster[target];
    uint64_t value = 0;
    const bool read = EvaluateAnswer(number, &value);
    if (!HasClusterNumbering(targetSpc) || !read || value < targetFirst ||
        value - targetFirst >= regions.clusterCount[target]) {
        ErrorBox(Refusal(kWrongCluster, !read && HasClusterNumbering(targetSpc)).c_str(), nullptr, MB_OK);
        return;
    }
    // A damaged boot sector may claim more clusters than the medium holds.
    const uint64_t index = value - targetFirst;
    const uint64_t maxIndex = (~0ull - regions.dataStart[target]) / targetSpc;
    const uint64_t sector = regions.dataStart[target] + index * targetSpc;
    if (index > maxIndex || sector >= m_sectorCount) {
        ErrorBox(kWrongCluster, nullptr, MB_OK);
        return;
    }
    m_currentSector = sector;
    LoadSector(0, 0);
}

void CDiskDoc::OnUpdateGotoCluster(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_scan.regions.count > 0);
}

void CDiskDoc::OnGotoArea()
{
    DiskNavDialogs& dialogs = m_navDialogs ? *m_navDialogs : g_windowDialogs;
    const AreaTable& areas = m_scan.areas;
    if (areas.count == 0) {
        ErrorBox("Es sind keine Bereiche vorhanden.", "Warnung", MB_OK);
        return;
    }
    char text[300];
    int width = 4;
    for (uint32_t i = 0; i < areas.count; ++i) {
        int n = StrNPrintf(text, sizeof text, "%I64i", static_cast<long long>(areas.first[i]));
        if (n > width)
            width = n;
    }
    CChoiceListDialog dlg(AfxGetMainWnd());
    for (uint32_t i = 0; i < areas.count; ++i) {
        StrNPrintf(text, sizeof text, "%0*I64i %s (%I64i)", width, static_cast<long long>(areas.first[i]),
                   areas.DisplayName(i), static_cast<long long>(areas.end[i] - areas.first[i]));
        dlg.AppendItem(i, text, 0);
    }
    dlg.SortItems(&CompareChoiceValue);
    dlg.SetExtraWidth(-120);
    dlg.SetExtraHeight(40);
    dlg.SetCaption("Bereich auswählen");
    if (dialogs.RunChoiceList(dlg) != IDOK || dlg.m_nCurrent < 0 || dlg.m_nCurrent >= dlg.GetItemCount())
        return;
    const uint32_t chosen = dlg.GetSelectedValue();
    if (chosen >= areas.count)
        return;
    // The scan keeps its areas on the medium; one added by other means (or counted in units
    // on a medium of larger sectors) may still lie behind the end, and never becomes current.
    if (areas.first[chosen] >= m_sectorCount) {
        ErrorBox(kWrongSector, nullptr, MB_OK);
        return;
    }
    m_currentSector = areas.first[chosen];
    LoadSector(0, 0);
}

void CDiskDoc::OnUpdateGotoArea(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_scan.areas.count > 0);
}

// ---------------------------------------------------------------- step

void CDiskDoc::OnNextSector()
{
    if (m_currentSector + 1 < m_sectorCount) {
        ++m_currentSector;
        LoadSector(0, 0);
    }
}

void CDiskDoc::OnUpdateNextSector(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_currentSector + 1 < m_sectorCount);
}

void CDiskDoc::OnPrevSector()
{
    if (CanStepBack(m_currentSector, m_sectorCount)) {
        --m_currentSector;
        LoadSector(0, 0);
    }
}

void CDiskDoc::OnUpdatePrevSector(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(CanStepBack(m_currentSector, m_sectorCount));
}

// ---------------------------------------------------------------- another medium

BOOL CDiskDoc::MakeMediumCurrent(uint32_t driveCode, const char* imagePath, CheckedImage* image)
{
    // A long operation holds the medium it started on; a question about writing was asked
    // for the medium shown.
    m_switchCancelled = false;
    if (RefuseWhileBusy()) {
        m_switchCancelled = true;
        return FALSE;
    }
    // An image is opened before anything changes: a device behind the name leaves the medium
    // shown as it is (one that cannot be read is shown as unreadable, unless the caller's own
    // open already refused such an image).
    const bool unreadableIsError = image != nullptr;
    CString path;
    if (driveCode == DRIVECODE_IMAGE)
        path = imagePath ? CString(imagePath) : m_imagePath;
    CheckedImage opened;
    if (driveCode == DRIVECODE_IMAGE && !image) {
        if (!OpenImageForMedium(path, &opened, false))
            return FALSE;
        image = &opened;
    }
    // The changed sector belongs to the medium it was read from: it is written there (or
    // dropped) before anything names the new one. The write opens its image for itself alone,
    // and the medium to come may be that very file (chosen again, from the recent list, dropped,
    // by a hard link): its read handle lets go meanwhile and is opened and checked again after.
    const bool reopen = image && image->handle != INVALID_HANDLE_VALUE && HasPendingEdit();
    if (reopen)
        image->Close();
    if (!SettlePendingWrite()) {
        m_switchCancelled = true;
        return FALSE;
    }
    // Opened again after the write, it is taken as its first open took it.
    if (reopen && !OpenImageForMedium(path, image, unreadableIsError))
        return FALSE;
    m_driveCode = driveCode;
    if (imagePath)
        m_imagePath = imagePath;
    m_writeEnabled = 0;
    m_lastSectorRead = ~0ull;
    m_writeBackFailed = FALSE;
    m_currentSector = 0;
    InitDevice(image);
    return TRUE;
}

bool MediumNames(uint32_t code, char* title, int titleSize, char* listName, int listSize)
{
    if (code >= DRIVECODE_PHYSICAL && code < DRIVECODE_PHYSICAL + 32) {
        StrNPrintf(title, titleSize, "Physical_%i :\\", static_cast<int>(code & 0x7FFF));
        StrNPrintf(listName, listSize, "Physical%i", static_cast<int>(code & 0x7FFF));
        return true;
    }
    if (code <= 25) {
        StrNPrintf(title, titleSize, "%c :\\", static_cast<int>('A' + code));
        StrNPrintf(listName, listSize, "%c:\\", static_cast<int>('A' + code));
        return true;
    }
    return false;
}

BOOL CDiskDoc::SwitchMedium(uint32_t driveCode, const char* imagePath, const char* title, const char* listName,
                            CheckedImage* image)
{
    DiskNavDialogs& dialogs = m_navDialogs ? *m_navDialogs : g_windowDialogs;
    if (!MakeMediumCurrent(driveCode, driveCode == DRIVECODE_IMAGE ? imagePath : nullptr, image))
        return FALSE;
    char titleText[MAX_PATH + 8];
    if (driveCode == DRIVECODE_IMAGE)
        title = GetFileNamePart(m_imagePath);
    StrNPrintf(titleText, sizeof titleText, "%s", title ? title : "");
    if (driveCode == DRIVECODE_IMAGE)
        listName = m_imagePath;
    if (listName && *listName) {
        // The document's path names the medium now shown. Left at the medium opened before,
        // the framework would take a recent-file pick of that medium as "already open" and
        // never reopen it.
        SetPathName(listName, FALSE);
        dialogs.AddToRecentFiles(listName);
    }
    SetTitle(titleText);                    // after SetPathName, which sets a title of its own
    return TRUE;
}

void CDiskDoc::OnSelectDrive()
{
    DiskNavDialogs& dialogs = m_navDialogs ? *m_navDialogs : g_windowDialogs;
    if (RefuseWhileBusy())
        return;
    CDriveSelectDlg dlg(AfxGetMainWnd());
    dlg.m_nMode = DRIVELIST_ALL;
    dlg.m_bImageEntry = 1;
    dlg.m_nDriveCode = static_cast<int>(m_driveCode);
    if (dialogs.RunDriveSelect(dlg) != IDOK || dlg.m_nDriveCode < 0)
        return;
    const uint32_t code = static_cast<uint32_t>(dlg.m_nDriveCode);
    if (code == DRIVECODE_IMAGE) {
        CString path = m_imagePath;
        bool chosen = dialogs.AskImageFile(&path);
        // Cancelled: the image opened before is opened again; without one nothing changes.
        if (!chosen && m_imagePath.IsEmpty())
            return;
        SwitchMedium(code, chosen ? static_cast<const char*>(path) : nullptr, nullptr, nullptr);
        return;
    }
    char title[32], listName[32];
    if (!MediumNames(code, title, sizeof title, listName, sizeof listName))
        return;                             // the list offers no other kind of medium
    SwitchMedium(code, nullptr, title, listName);
}

void CDiskDoc::OnLoadImage()
{
    DiskNavDialogs& dialogs = m_navDialogs ? *m_navDialogs : g_windowDialogs;
    if (RefuseWhileBusy())
        return;
    CloseImageHandle();
    CString path = m_imagePath;
    if (!dialogs.AskImageFile(&path))
        return;
    SwitchMedium(DRIVECODE_IMAGE, path, nullptr, nullptr);
}

void CDiskDoc::OnStartOptions()
{
    DiskNavDialogs& dialogs = m_navDialogs ? *m_navDialogs : g_windowDialogs;
    CStartOptionsDlg dlg(AfxGetMainWnd());
    dlg.m_nOpenMode = m_openMode <= 3 ? static_cast<int>(m_openMode) : -1;
    // OK without a choice keeps the mode there was.
    if (dialogs.RunStartOptions(dlg) == IDOK && dlg.m_nOpenMode >= 0 && dlg.m_nOpenMode <= 3)
        m_openMode = static_cast<uint32_t>(dlg.m_nOpenMode);
}

void CDiskDoc::OnLoadPartitions()
{
    DiskNavDialogs& dialogs = m_navDialogs ? *m_navDialogs : g_windowDialogs;
    if (RefuseWhileBusy())
        return;
    // Its questions change the tables of the medium shown: nothing switches under them.
    CountedScope busy(m_busy);
    CDriveSelectDlg dlg(AfxGetMainWnd());
    dlg.m_nMode = DRIVELIST_LETTERS;
    dlg.m_bImageEntry = 0;
    dlg.m_bNoCdRom = 1;
    if (dialogs.RunDriveSelect(dlg) != IDOK)
        return;
    const int n = ReadPartitionFile(dlg.m_nDriveCode);
    if (n >= 0) {
        SortAreas();
        char text[80];
        StrNPrintf(text, sizeof text, "Es wurden %i Partitionen eingefügt.", n);
        ErrorBox(text, "Information", MB_OK | MB_ICONINFORMATION);
        return;
    }
    const char* message;
    switch (n) {
    case -5: return;                        // the user declined the size question
    case -4: message = "Kein physikalisches Laufwerk aktiv !"; break;
    case -2: message = "Partitionsdatei nicht gefunden !"; break;
    case -1: message = "Ein falsches Laufwerk wurde gewählt !"; break;
    default: message = "Unbekannter Fehler !"; break;
    }
    ErrorBox(message, "Fehler", MB_OK | MB_ICONERROR);
}

void CDiskDoc::OnUpdateLoadPartitions(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_driveCode >= DRIVECODE_PHYSICAL && m_driveCode <= DRIVECODE_PHYSICAL + 0xFF);
}
