// The sector document's "Sektoren speichern" and "Sektoren laden": a range of sectors copied
// between the medium and a raw dump file, in chunks on the progress dialog's worker, with
// one silent retry and then the Abort/Retry/Ignore question when the medium fails.
#include "disk/DiskDoc.h"
#include "disk/DiskDocNavigation.h"
#include "disk/SectorJobs.h"
#include "disk/SectorRangeDialog.h"
#include "services/PathUtils.h"
#include "textlib/StrPrintf.h"
#include "uihelpers/ProgressDialog.h"
#include <fcntl.h>
#include <io.h>
#include <stdlib.h>

namespace {

const char kWrongInput[] = "Falsche Eingabe";
const char kCannotOpen[] = "Die Datei konnte nicht geöffnet werden !";
const char kTooFewSectors[] = "Es sind zu wenige Sektoren in der Datei ?\nWeiter machen ?";
const char kDumpWriteFailed[] = "Fehler beim schreiben in die Zieldatei.";
const char kDumpIsOpenImage[] = "Die Zieldatei ist das geöffnete Image !\nSie wird nicht überschrieben.";
const char kDumpIsOpenDrive[] = "Die Zieldatei %s wird als das geöffnete Laufwerk gelesen !\nSie wird nicht "
                                "überschrieben.";
const char kReadFailed[] = "Fehler beim Lesen vom Laufwerk !";
const uint64_t kTwoGigabytes = 1ull << 31;

const char kPastTheEnd[] = "Der Bereich reicht über das Ende des Mediums hinaus !\n"
                          "Der letzte Sektor ist %I64u, der Bereich endet erst bei Sektor %I64u.";
// The last line after a load that stopped because the drive is no longer the medium opened.
const char kRestNotLoaded[] = "Die Sektoren ab %I64u wurden nicht geladen. Bitte öffnen Sie das Laufwerk neu.";

// What a copy worker works on besides its range: the document, the medium it held when the
// copy was confirmed, and for a dump whether the user let a failed read of its first sector
// go on before it began.
struct CopyJob {
    CDiskDoc* doc;
    MediumTarget medium;
    bool firstIgnored;
};

// The five parameter words of a copy worker: the job, file, start sector (low, high), sector
// count.
struct CopyParams {
    const CopyJob* job;
    FILE* file;
    uint64_t start;
    uint32_t count;

    explicit CopyParams(const DWORD_PTR* p)
        : job(reinterpret_cast<const CopyJob*>(p[0])), file(reinterpret_cast<FILE*>(p[1])),
          start(static_cast<uint64_t>(p[2]) | (static_cast<uint64_t>(p[3]) << 32)), count(static_cast<uint32_t>(p[4]))
    {
    }
};

UINT SaveSectorsEntry(ProgressSink* progress, const DWORD_PTR* params)
{
    CopyParams p(params);
    return p.job->doc->SaveSectorsWork(*progress, p.file, p.start, p.count, p.job->firstIgnored);
}

UINT LoadSectorsEntry(ProgressSink* progress, const DWORD_PTR* params)
{
    CopyParams p(params);
    return p.job->doc->LoadSectorsWork(*progress, p.file, p.start, p.count, p.job->medium);
}

// A full long path, for comparing two names of one file.
CString FullPath(const char* path)
{
    char full[MAX_PATH * 2];
    DWORD n = GetFullPathNameA(path, sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full)
        return CString(path);
    char longer[MAX_PATH * 2];
    n = GetLongPathNameA(full, longer, sizeof longer);
    return CString(n > 0 && n < sizeof longer ? longer : full);
}

// Asks the worker's question until the transfer works, is skipped or abandoned: true to go
// on with the chunk (done or ignored), false to end the copy. `stop()` true after a failed
// transfer ends the copy without the question (the caller says why); `answered` goes on
// after the silent retry as "Ignorieren" does, the user having answered for this chunk.
template <typename Transfer, typename Stop>
bool TransferWithRetry(ProgressSink& progress, const char* question, Transfer transfer, Stop stop,
                       bool answered = false)
{
    // One silent second try: a removable medium often fails once while it spins up.
    if (transfer() || transfer())
        return true;
    if (stop())
        return false;
    if (answered)
        return true;
    for (;;) {
        switch (progress.AskUser(question, "Fehler", MB_ABORTRETRYIGNORE | MB_ICONERROR)) {
        case IDRETRY:
            if (transfer())
                return true;
            if (stop())
                return false;
            break;
        case IDIGNORE:
            return true;
        default:
            return false;
        }
    }
}

// The worker's questions asked on the user-interface thread, before any worker runs: the
// first read of a dump goes through the same retry and question as every read of the copy.
class BoxProgress : public ProgressSink {
public:
    explicit BoxProgress(CDiskDoc& doc) : m_doc(doc) {}
    void SetPos(uint64_t) override {}
    void SetText(int, const char*) override {}
    bool IsCancelled() override { return false; }
    int AskUser(const char* text, const char* caption, UINT type) override { return m_doc.ErrorBox(text, caption, type); }

private:
    CDiskDoc& m_doc;
};

bool NeverStops()
{
    return false;
}

// The one buffer of a copy and its walk over the range in chunks of whole sectors: before
// each chunk the cancel test and the position; `copy(unit, units)` moves the chunk and
// returns false to end the copy.
struct ChunkBuffer {
    ChunkBuffer(CDiskDoc& doc, uint32_t count)
        : u(doc.GetUnitsPerSector()), total(static_cast<uint64_t>(count) * u),
          chunk(SectorChunkUnits(doc.GetSectorCount(), u, doc.GetDriveCode(), total)),
          // Zeroed: a chunk the user chose to ignore after a failed read holds no stale
          // bytes of the heap.
          bytes(static_cast<uint8_t*>(calloc(chunk, 512)))
    {
    }
    ~ChunkBuffer() { free(bytes); }

    template <typename Copy>
    void Walk(ProgressSink& progress, uint64_t start, Copy copy)
    {
        if (!bytes) {
            progress.AskUser("Nicht genügend Speicher !", "Fehler", MB_OK | MB_ICONERROR);
            return;
        }
        for (uint64_t done = 0; done < total && !progress.IsCancelled();) {
            progress.SetPos(start + done / u);
            const uint32_t n = total - done < chunk ? static_cast<uint32_t>(total - done) : chunk;
            if (!copy(start * u + done, n))
                return;
            done += n;
        }
    }

    const uint32_t u;
    const uint64_t total;
    const uint32_t chunk;
    uint8_t* const bytes;
};

}  // namespace

bool CDiskDoc::IsOpenImageFile(const char* path)
{
    if (m_driveCode != DRIVECODE_IMAGE || m_imagePath.IsEmpty() || !path || !*path)
        return false;
    // Asked without access rights and with every sharing, so that it works beside any handle.
    HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;                       // no such file yet: it cannot be the image
    OpenFileFacts facts;
    const bool image = !IsDeviceHandle(h, &facts) && IsOpenImageHandle(h, facts, path);
    CloseHandle(h);
    return image;
}

bool CDiskDoc::IsOpenMediumFile(HANDLE h, const OpenFileFacts& facts)
{
    if (m_driveCode == DRIVECODE_IMAGE || m_driveCode == DRIVECODE_NONE)
        return false;
    // The device held since the drive was made current: the file that handle reaches is the
    // one the sectors come from. Without it, the drive's path opened as every read opens it.
    DeviceAccess& io = DiskIoAccess();
    HANDLE medium = m_device.Code() == m_driveCode ? m_device.Handle() : INVALID_HANDLE_VALUE;
    HANDLE opened = INVALID_HANDLE_VALUE;
    if (medium == INVALID_HANDLE_VALUE) {
        char path[80], fallback[80];
        if (!DiskIoDevicePath(m_driveCode, path, sizeof path, fallback, sizeof fallback))
            return false;
        opened = io.Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0);
        if (opened == INVALID_HANDLE_VALUE && fallback[0])
            opened = io.Open(fallback, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0);
        if (opened == INVALID_HANDLE_VALUE)
            return false;
        medium = opened;
    }
    OpenFileFacts read;
    bool same = false;
    if (!IsDeviceHandle(medium, &read)) {
        // The same rule as for an image: Wine numbers the volume by the drive letter's folder,
        // so the file under "Q:" and under its own name differ in that alone.
        FileIdentity file = IdentityOf(read);
        CompleteIdentity(medium, &file);
        same = HandleMayLeadToFile(h, facts, file, read);
    }
    if (opened != INVALID_HANDLE_VALUE)
        io.Close(opened);
    return same;
}

bool CDiskDoc::CheckImageBeforeDump()
{
    if (m_driveCode != DRIVECODE_IMAGE)
        return true;
    // The dump's first read would find out only after the target was cut: a closed read
    // handle (after a write or a cancelled image choice) is opened now, which finds the
    // image gone, replaced or turned into a device before anything else happens.
    const bool readable = OpenImageReadHandle();
    // Said here, the finding counts as told: the next read does not say it a second time.
    if (ImageReadsRefused()) {
        m_lossReported = true;
        ShowImageLoss("Fehler", MB_OK | MB_ICONERROR);
        return false;
    }
    if (!readable) {
        ErrorBox(kReadFailed, "Fehler", MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

bool CDiskDoc::ReadRangeStart(uint64_t firstSector, bool* ignored)
{
    if (ignored)
        *ignored = false;
    const uint32_t units = m_unitsPerSector ? m_unitsPerSector : 1;
    if (firstSector > (~0ull >> 9) / units)
        return false;
    uint8_t* buffer = static_cast<uint8_t*>(malloc(static_cast<size_t>(units) * 512));
    if (!buffer) {
        ErrorBox("Nicht genügend Speicher !", "Fehler", MB_OK | MB_ICONERROR);
        return false;
    }
    // A rescue dump of a damaged area must be able to start on a sector that fails: Ignore
    // goes on as it does for every other chunk.
    BoxProgress boxes(*this);
    bool readOnce = false;
    const bool goOn = TransferWithRetry(boxes, kReadFailed, [&] {
        readOnce = ReadSectors(m_driveCode, firstSector * units, units, buffer) != FALSE;
        return readOnce;
    }, &NeverStops);
    free(buffer);
    if (ignored)
        *ignored = goOn && !readOnce;
    return goOn;
}

bool CDiskDoc::IsOpenImageHandle(HANDLE h, const OpenFileFacts& facts, const char* path)
{
    if (m_driveCode != DRIVECODE_IMAGE)
        return false;
    // By identity: "\\?\", a SUBST drive, a share, a hard link or a bind mount name the same
    // file in other letters. One rule, the read handle open or closed: the file that was read,
    // and the file behind the image's name now (another program may have put one there while
    // the document still reads the old one through its handle), each with its content then
    // and now: another program may have written to the image since.
    const FileIdentity& read = WholeImageIdentity();
    // A dump file this program made itself since the image was opened is a file of its own,
    // never the one that was read, even where the file system handed it the number a replaced
    // image left free: only the file behind the image's name is compared with it.
    const bool madeHere = IsMadeDump(h, facts);
    // The file as it was read needs no look at the name.
    if (!madeHere && read.known && HandleMayLeadToFile(h, facts, read, m_imageContent.AsFacts()))
        return true;
    FileIdentity named;
    OpenFileFacts namedNow;
    const bool nameLeadsToFile = GetFileIdentity(m_imagePath, &named, &namedNow);
    if (read.known && !madeHere) {
        // The file read as it is now: through the read handle, or through the name while the
        // name still leads there. Out of sight of both (another file under the name, the handle
        // closed) its number is all that is left to know it by: changed since, and reached
        // through another drive letter, it shows neither the size and time nor the volume
        // number it was read with.
        OpenFileFacts readNow;
        bool seen = false;
        if (m_imageHandle != INVALID_HANDLE_VALUE) {
            seen = !IsDeviceHandle(m_imageHandle, &readNow);
        } else if (nameLeadsToFile && named.SameFileAs(read)) {
            seen = true;
            readNow = namedNow;
        }
        if (seen ? HandleMayLeadToFile(h, facts, read, readNow) : facts.index == read.index)
            return true;
    }
    if (nameLeadsToFile)
        return HandleMayLeadToFile(h, facts, named, namedNow);
    // Neither is known (the image cannot be opened at all): by the names.
    return !read.known && lstrcmpiA(FullPath(path), FullPath(m_imagePath)) == 0;
}

void CDiskDoc::NoteMadeDump(const FileIdentity& made)
{
    m_madeDumps[m_madeDumpCount % kMadeDumps] = made;
    ++m_madeDumpCount;
}

bool CDiskDoc::IsMadeDump(HANDLE h, const OpenFileFacts& facts) const
{
    const uint32_t count = m_madeDumpCount < kMadeDumps ? m_madeDumpCount : kMadeDumps;
    for (uint32_t i = 0; i < count; ++i)
        if (HandleLeadsToFile(h, IdentityOf(facts), m_madeDumps[i]))
            return true;
    return false;
}

FILE* CDiskDoc::OpenDumpFile(const char* path)
{
    // Opened without cutting it: what the name leads to is known only from the open handle,
    // and a disk, a volume or the open image must keep every byte. A file that is not there
    // is made anew, with the right to take it away again through its own handle.
    // Writing shared: the file a drive is read from (Wine's file-backed drives) is held open for
    // writing by the document, and only a handle of its own says that this is that file.
    HANDLE h = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    bool madeNow = false;
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND) {
        h = CreateFileA(path, GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
        madeNow = h != INVALID_HANDLE_VALUE;
    }
    if (h == INVALID_HANDLE_VALUE) {
        ErrorBox(kCannotOpen, "Fehler", MB_OK | MB_ICONERROR);
        return nullptr;
    }
    OpenFileFacts facts;
    const bool device = IsDeviceHandle(h, &facts);
    // A file this open has just made holds nothing of the image, even when the file system
    // handed it the number the image's replaced file left free.
    const bool image = !device && !madeNow && IsOpenImageHandle(h, facts, path);
    // Under Wine a drive letter may read a file raw: cutting that file cuts the open drive.
    const bool drive = !device && !madeNow && !image && IsOpenMediumFile(h, facts);
    // Windows refuses the write access to a read-only file itself; Wine run as root on the
    // host would not, and the file would be cut.
    const bool readOnly = !device && !madeNow && (facts.attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (device || image || drive || readOnly) {
        // Only what this open made is taken away, never anything by its name.
        FILE_DISPOSITION_INFO gone = { TRUE };
        if (madeNow)
            SetFileInformationByHandle(h, FileDispositionInfo, &gone, sizeof gone);
        CloseHandle(h);
        if (device || drive) {
            char text[MAX_PATH + 160];
            StrNPrintf(text, sizeof text, device ? kDumpNotAFile : kDumpIsOpenDrive, path);
            ErrorBox(text, "Fehler", MB_OK | MB_ICONERROR);
        } else {
            ErrorBox(image ? kDumpIsOpenImage : kCannotOpen, "Fehler", MB_OK | MB_ICONERROR);
        }
        return nullptr;
    }
    if (madeNow) {
        FileIdentity made = IdentityOf(facts);
        if (CompleteIdentity(h, &made))
            NoteMadeDump(made);
    }
    // Only now is the file cut, through the handle that was asked.
    FILE* file = nullptr;
    if (SetFilePointer(h, 0, nullptr, FILE_BEGIN) == 0 && SetEndOfFile(h)) {
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
        if (fd >= 0) {
            file = _fdopen(fd, "wb");
            if (!file)
                _close(fd);
        } else {
            CloseHandle(h);
        }
    } else {
        CloseHandle(h);
    }
    if (!file)
        ErrorBox(kCannotOpen, "Fehler", MB_OK | MB_ICONERROR);
    return file;
}

bool CDiskDoc::AskTypedOk(bool* cancelled)
{
    DiskDocPrompts windowPrompts;
    DiskDocPrompts& prompts = m_prompts ? *m_prompts : windowPrompts;
    CString typed;
    const bool answered = prompts.AskText("Sicherheits Abfrage", "Bitte OK eingeben bei Festplatten :", &typed, false);
    if (cancelled)
        *cancelled = !answered;
    return answered && lstrcmpiA(typed, "OK") == 0;
}

void CDiskDoc::RunSectorCopy(const char* title, UINT (*entry)(ProgressSink*, const DWORD_PTR*), FILE* file,
                             uint64_t start, uint32_t count, const MediumTarget& medium, bool firstIgnored)
{
    // The dialog is modal and waits for its worker: the job outlives the copy.
    const CopyJob job = { this, medium, firstIgnored };
    ProgressRun run = { title, start, start + count, entry,
                        { reinterpret_cast<DWORD_PTR>(&job), reinterpret_cast<DWORD_PTR>(file),
                          static_cast<DWORD_PTR>(start & 0xFFFFFFFFu), static_cast<DWORD_PTR>(start >> 32), count },
                        nullptr, nullptr };
    // The worker closes the file; a dialog that could not be shown never started it.
    if (NavDialogs().RunProgress(run) == -1)
        fclose(file);
}

// ---------------------------------------------------------------- the commands

bool CDiskDoc::AskSectorRange(CSectorRangeDlg& dlg, const char* info)
{
    dlg.m_nFirstSector = m_currentSector;
    dlg.m_nCount = 1;
    char maximum[64];
    StrNPrintf(maximum, sizeof maximum, "max. : %I64i", static_cast<long long>(m_sectorCount));
    dlg.m_strInfo = info ? info : maximum;
    if (NavDialogs().RunSectorRange(dlg) != IDOK)
        return false;
    if (!dlg.m_bValid || dlg.m_nCount == 0 || dlg.m_nFirstSector >= m_sectorCount ||
        (dlg.m_nForm == CSectorRangeDlg::FORM_FILE && dlg.m_strFileName.IsEmpty())) {
        ErrorBox(kWrongInput, "Fehler", MB_OK | MB_ICONERROR);
        return false;
    }
    // A dump or a load ends on the medium's last sector: behind it a load would write past the
    // end of a drive (the file behind a Wine drive grows), and a dump would fail its last reads
    // only after its target was cut. The search cuts its range there itself.
    return dlg.m_nForm != CSectorRangeDlg::FORM_FILE || RangeOnMedium(dlg.m_nFirstSector, dlg.m_nCount);
}

bool CDiskDoc::RangeOnMedium(uint64_t first, uint64_t count)
{
    if (first < m_sectorCount && count <= m_sectorCount - first)
        return true;
    char text[200];
    const uint64_t last = m_sectorCount ? m_sectorCount - 1 : 0;
    const uint64_t end = first + count - 1 < first ? ~0ull : first + count - 1;
    StrNPrintf(text, sizeof text, kPastTheEnd, static_cast<unsigned long long>(last),
               static_cast<unsigned long long>(end));
    ErrorBox(text, "Fehler", MB_OK | MB_ICONERROR);
    return false;
}

void CDiskDoc::OnSaveSectors()
{
    if (RefuseWhileBusy())
        return;
    // An image no longer read: a dump would cut the file it names (one the user agreed to
    // overwrite) and then fail at its first read.
    if (!CheckImageBeforeDump())
        return;
    CountedScope busy(m_busy);
    const MediumTarget medium = CurrentMedium();
    CSectorRangeDlg dlg(AfxGetMainWnd());
    dlg.m_bSave = 1;
    if (!AskSectorRange(dlg, nullptr))
        return;
    // "wb" on a drive's or disk's device name would cut the medium itself: the dump is
    // always an ordinary file.
    if (IsDevicePathA(dlg.m_strFileName)) {
        char text[MAX_PATH + 160];
        StrNPrintf(text, sizeof text, kDumpNotAFile, static_cast<const char*>(dlg.m_strFileName));
        ErrorBox(text, "Fehler", MB_OK | MB_ICONERROR);
        return;
    }
    // "wb" on the open image would empty the medium being read.
    if (IsOpenImageFile(dlg.m_strFileName)) {
        ErrorBox(kDumpIsOpenImage, "Fehler", MB_OK | MB_ICONERROR);
        return;
    }
    // A medium that cannot read the range's first sector now (a drive gone, a disk pulled)
    // would fail the dump's first read only after the target was cut: that read, its retry and
    // its question come before the target is opened, and "Abbrechen" leaves it as it was.
    bool firstIgnored = false;
    if (!ReadRangeStart(dlg.m_nFirstSector, &firstIgnored))
        return;
    FILE* file = OpenDumpFile(dlg.m_strFileName);
    if (!file)
        return;
    RunSectorCopy("Speichere Sektoren", &SaveSectorsEntry, file, dlg.m_nFirstSector, dlg.m_nCount, medium,
                  firstIgnored);
    ReportImageLoss();
}

void CDiskDoc::OnLoadSectors()
{
    if (RefuseWhileBusy())
        return;
    bool copied;
    {
        // From the range to the copy's end nothing switches the medium or closes the document:
        // the questions were answered and the typed "OK" given for the medium shown now.
        CountedScope busy(m_busy);
        copied = LoadSectorsConfirmed();
    }
    if (copied)
        LoadSector(0, 0);
    ReportImageLoss();
}

bool CDiskDoc::LoadSectorsConfirmed()
{
    CSectorRangeDlg dlg(AfxGetMainWnd());
    dlg.m_bSave = 0;
    if (!AskSectorRange(dlg, nullptr))
        return false;
    // A changed sector first: the reload after the copy would otherwise offer to write the
    // stale edit over what was just loaded.
    if (!SettlePendingWrite())
        return false;
    // The medium shown now, with its content as it is after that write-back; the document is
    // busy from here to the copy's end, so it stays the one shown.
    const MediumTarget medium = CurrentMedium();
    const char* path = dlg.m_strFileName;
    const uint64_t bps = m_bytesPerSector ? m_bytesPerSector : 512;
    uint64_t count = dlg.m_nCount;
    unsigned long long size = 0;
    if (GetFileSize64A(path, &size) == 0xFFFFFFFFu) {
        ErrorBox("Fehler beim Zugriff auf die Datei !", "Fehler", MB_OK | MB_ICONERROR);
        return false;
    }
    if (size < bps * count) {
        if (size < bps) {
            ErrorBox("Die Datei ist zu klein !", "Fehler", MB_OK | MB_ICONERROR);
            return false;
        }
        if (ErrorBox(kTooFewSectors, "Frage", MB_OKCANCEL | MB_ICONWARNING) != IDOK)
            return false;
        count = size / bps;
    }
    if (count * bps >= kTwoGigabytes &&
        ErrorBox("Die Dateigröße überschreittet 2 GB.\nWeiter machen ?", "Frage",
                 MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2) != IDOK)
        return false;
    // The typed "OK" is the rule of the disk opened: a drive that is no longer that disk is
    // refused below, before anything is written, and asks for nothing here.
    if (m_askBeforeWrite && DeviceIsTheOneOpened() && !AskTypedOk())
        return false;
    FILE* file = fopen(path, "rb");
    if (!file) {
        ErrorBox(kCannotOpen, "Fehler", MB_OK | MB_ICONERROR);
        return false;
    }
    // The file may have shrunk since its size was taken: only what it holds now is loaded.
    long long now = _fseeki64(file, 0, SEEK_END) == 0 ? _ftelli64(file) : -1;
    if (now < 0 || static_cast<uint64_t>(now) < bps * count) {
        if (now < static_cast<long long>(bps)) {
            fclose(file);
            ErrorBox("Die Datei ist zu klein !", "Fehler", MB_OK | MB_ICONERROR);
            return false;
        }
        if (ErrorBox(kTooFewSectors, "Frage", MB_OKCANCEL | MB_ICONWARNING) != IDOK) {
            fclose(file);
            return false;
        }
        count = static_cast<uint64_t>(now) / bps;
    }
    if (_fseeki64(file, 0, SEEK_SET) != 0 ||
        ErrorBox("Sollen die Sektoren wirklich überschrieben werden ?", "Frage", MB_OKCANCEL | MB_ICONQUESTION) !=
            IDOK) {
        fclose(file);
        return false;
    }
    // A drive is written without a look at what it holds: another disk or stick put in behind
    // the letter or number since it was opened (also while the questions were up) would take
    // the file's bytes over its own. Asked last, just before the first write.
    if (!CheckDeviceBeforeLoad()) {
        fclose(file);
        return false;
    }
    RunSectorCopy("Lade Sektoren", &LoadSectorsEntry, file, dlg.m_nFirstSector, static_cast<uint32_t>(count), medium);
    return true;
}

// ---------------------------------------------------------------- the workers

UINT CDiskDoc::SaveSectorsWork(ProgressSink& progress, FILE* file, uint64_t start, uint32_t count, bool firstIgnored)
{
    bool reported = false;
    ChunkBuffer buffer(*this, count);
    const uint64_t firstUnit = start * buffer.u;
    buffer.Walk(progress, start, [&](uint64_t unit, uint32_t n) {
        if (!TransferWithRetry(progress, kReadFailed,
                               [&] { return ReadSectors(m_driveCode, unit, n, buffer.bytes) != FALSE; }, &NeverStops,
                               firstIgnored && unit == firstUnit))
            return false;
        if (fwrite(buffer.bytes, 512, n, file) == n)
            return true;
        progress.AskUser(kDumpWriteFailed, "Fehler", MB_OK | MB_ICONERROR);
        reported = true;
        return false;
    });
    // The last buffered bytes reach the disk only here: a full disk shows up now. Flushed
    // apart, since not every C library's fclose reports a failed flush.
    const bool flushed = fflush(file) == 0;
    if ((fclose(file) != 0 || !flushed) && !reported)
        progress.AskUser(kDumpWriteFailed, "Fehler", MB_OK | MB_ICONERROR);
    return 0;
}

UINT CDiskDoc::LoadSectorsWork(ProgressSink& progress, FILE* file, uint64_t start, uint32_t count,
                               const MediumTarget& medium)
{
    ChunkBuffer buffer(*this, count);
    HoldImageForWriting(medium);
    buffer.Walk(progress, start, [&](uint64_t unit, uint32_t n) {
        if (fread(buffer.bytes, 512, n, file) != n) {
            progress.AskUser("Fehler beim Lesen aus der Datei !", "Fehler", MB_OK | MB_ICONERROR);
            return false;
        }
        // Ignore skips the chunk: nothing of it is written. A drive found to be no longer the
        // medium opened (a stick swapped during the load) takes no further chunk: the copy
        // ends with the words why, and no retry reaches the disk put in.
        if (TransferWithRetry(progress, "Fehler beim Schreiben aufs Laufwerk !",
                              [&] { return WriteSectorsTo(medium, unit, n, buffer.bytes) != FALSE; },
                              [&] { return m_deviceNotOpened; }))
            return true;
        if (m_deviceNotOpened) {
            char tail[160], text[400];
            StrNPrintf(tail, sizeof tail, kRestNotLoaded, static_cast<unsigned long long>(unit / buffer.u));
            NotTheOneOpenedText(text, sizeof text, tail);
            progress.AskUser(text, "Fehler", MB_OK | MB_ICONERROR);
        }
        return false;
    });
    ReleaseHeldImage();
    fclose(file);
    return 0;
}
