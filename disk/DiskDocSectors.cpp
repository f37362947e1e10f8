// The sector document's medium: reads and writes of units, the size, making a drive code
// current with its scan, loading the current sector with the write-back of a changed one,
// the protection switch and the partition description file.
#include "disk/DiskDoc.h"
#include "disk/PartitionFile.h"
#include "services/PathUtils.h"
#include "textlib/StrPrintf.h"
#include <stdio.h>
#include <string.h>

namespace {

// The scan reads the open medium through the document, exactly as the commands do.
class DocumentSectorSource : public SectorSource
{
public:
    explicit DocumentSectorSource(CDiskDoc& doc) : m_doc(doc) {}
    bool ReadUnits(uint64_t firstUnit, uint32_t count, void* buffer) override
    {
        return m_doc.ReadUnits(firstUnit, count, buffer) != FALSE;
    }

private:
    CDiskDoc& m_doc;
};

const char kChangedQuestion[] = "Der Sektor wurde verändert ?\nSoll ergeschrieben werden ?";
const char kWriteFailed[] = "Der Sektor konnte nicht geschrieben werden!";
// "Partitionen laden" adds a described partition only while fewer starts are known.
const uint32_t kDescribedPartitionLimit = 8;
const char kImageReplaced[] = "Die Image-Datei wurde außerhalb des Programms durch eine andere Datei ersetzt:\n%s\n"
                              "Bitte öffnen Sie die Image-Datei neu. Bis dahin werden keine Sektoren gelesen oder "
                              "geschrieben.";
const char kImageChanged[] = "Die Image-Datei wurde außerhalb des Programms verändert:\n%s\n"
                             "Bitte öffnen Sie die Image-Datei neu. Bis dahin werden keine Sektoren in sie geschrieben.";
const char kImageNowADevice[] = "Der Name der Image-Datei führt jetzt zu einem Laufwerk oder Gerät:\n%s\n"
                                "Bitte öffnen Sie die Image-Datei neu. Bis dahin werden keine Sektoren gelesen oder "
                                "geschrieben.";
const char kImageGone[] = "Die Image-Datei wurde außerhalb des Programms gelöscht oder umbenannt:\n%s\n"
                          "Bitte öffnen Sie die Image-Datei neu. Bis dahin werden keine Sektoren gelesen oder "
                          "geschrieben.";

// The open failed because nothing is under the name (or its folder) any more.
bool NothingUnderTheName(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

const char kDeviceSectorChanged[] = "Sektor %I64u auf %s enthält nicht mehr, was gelesen wurde:\n"
                                   "Das Medium wurde gewechselt oder außerhalb des Programms verändert.\n"
                                   "Die Änderung wurde nicht geschrieben.";
// "%s" the drive, then the line of what was not done.
const char kDeviceNotTheOneOpened[] = "Auf %s ist nicht mehr das Medium, das geöffnet wurde:\n"
                                      "Es wurde gewechselt oder entfernt.\n%s";
const char kEditNotWritten[] = "Die Änderung wurde nicht geschrieben. Bitte öffnen Sie das Laufwerk neu.";
const char kNoSectorsLoaded[] = "Es wurden keine Sektoren geladen. Bitte öffnen Sie das Laufwerk neu.";
const char kTypedOkMissing[] = "Es wurde nicht \"OK\" eingegeben.\n"
                               "Der Sektor wurde nicht geschrieben, die Änderung bleibt erhalten.";

// The largest unit offset whose byte offset still fits 64 bits with count units behind it.
bool UnitRangeFits(uint64_t unitOffset, uint32_t unitCount)
{
    const uint64_t kMaxUnit = ~0ull >> 9;
    return unitOffset <= kMaxUnit && unitCount <= kMaxUnit - unitOffset;
}

}  // namespace

// ---------------------------------------------------------------- the medium's units

void CDiskDoc::CloseImageHandle()
{
    if (m_imageHandle != INVALID_HANDLE_VALUE) {
        // The volume is asked only now, while the handle still leads to the file that was
        // read: a later handle or write is compared with the whole identity.
        CompleteIdentity(m_imageHandle, &m_imageIdentity);
        CloseHandle(m_imageHandle);
        m_imageHandle = INVALID_HANDLE_VALUE;
    }
}

BOOL CDiskDoc::ReadSectors(uint32_t driveCode, uint64_t unitOffset, uint32_t unitCount, void* buffer)
{
    if (!UnitRangeFits(unitOffset, unitCount) || unitCount > 0xFFFFFFFFu / 512) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (driveCode != DRIVECODE_IMAGE) {
        // The drive shown is read through its device held since it was made current: the
        // sectors shown are those of the disk opened, never of one put in behind the same
        // letter or number since (whose sectors a write-back would then put onto the old one).
        if (driveCode != m_driveCode)
            return DiskIoRead(driveCode, unitCount, unitOffset, buffer);
        if (m_device.Code() != driveCode) {
            SetLastError(ERROR_NOT_READY);      // the device did not open when it was made current
            return FALSE;
        }
        return m_device.Read(unitCount, unitOffset, buffer);
    }
    if (!OpenImageReadHandle())
        return FALSE;
    LARGE_INTEGER pos;
    pos.QuadPart = static_cast<LONGLONG>(unitOffset * 512);
    if (!SetFilePointerEx(m_imageHandle, pos, nullptr, FILE_BEGIN))
        return FALSE;
    DWORD bytes = unitCount * 512;
    DWORD done = 0;
    return ReadFile(m_imageHandle, buffer, bytes, &done, nullptr) && done == bytes;
}

// ---------------------------------------------------------------- the image file

CheckedImage::Result CheckedImage::Open(const char* path)
{
    Close();
    if (!path || !*path)
        return NOT_OPENED;
    if (IsDeviceNameA(path))
        return A_DEVICE;
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return NOT_OPENED;
    OpenFileFacts facts;
    if (IsDeviceHandle(h, &facts)) {
        CloseHandle(h);
        SetLastError(ERROR_FILE_INVALID);
        return A_DEVICE;
    }
    handle = h;
    file = IdentityOf(facts);
    content = ContentStamp::Of(facts);
    return OPENED;
}

void CheckedImage::Close()
{
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
}

HANDLE CheckedImage::Take()
{
    HANDLE h = handle;
    handle = INVALID_HANDLE_VALUE;
    return h;
}

namespace {

// Opens an image file for writing, for this program alone, and only when it is the file of
// the medium and holds the content the program saw last; `expected` (may be null) the bytes
// the units must hold now. INVALID_HANDLE_VALUE with the reason in the last error otherwise;
// *loss (may be null) then tells what happened to the file when that is what refused it (a
// file held by another program or marked read-only has lost nothing).
HANDLE OpenImageForWriting(const MediumTarget& medium, uint64_t unitOffset, uint32_t unitCount, const void* expected,
                           ImageLoss* loss = nullptr)
{
    const char* path = medium.imagePath;
    if (!path || !*path)
        return INVALID_HANDLE_VALUE;
    // Nothing that was never read is written: without the identity and content of the file
    // shown there is nothing to compare the file behind the name with.
    if (!medium.file.known || !medium.file.volumeKnown || !medium.content.known) {
        SetLastError(ERROR_FILE_INVALID);
        return INVALID_HANDLE_VALUE;
    }
    // A read-only image is for viewing. Windows refuses the write access itself; Wine run with
    // administrator rights on the host would not, so the attribute is asked first.
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        // Deleted or renamed away: said in words of its own, not only as a failed write.
        const DWORD error = GetLastError();
        if (loss && NothingUnderTheName(error))
            *loss = IMAGELOSS_GONE;
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    // Another file put under the name, the same file with other content (copied over in place,
    // cut and grown again, made anew with the freed number), or a device: no medium the user
    // confirmed.
    OpenFileFacts facts;
    const bool device = IsDeviceHandle(h, &facts);
    const bool sameFile = !device && HandleLeadsToFile(h, IdentityOf(facts), medium.file);
    bool same = sameFile && medium.content.Matches(facts);
    bool bytesChanged = false;
    if (same && expected) {
        const DWORD bytes = unitCount * 512;
        uint8_t* now = static_cast<uint8_t*>(malloc(bytes ? bytes : 1));
        LARGE_INTEGER pos;
        pos.QuadPart = static_cast<LONGLONG>(unitOffset * 512);
        DWORD done = 0;
        same = now && SetFilePointerEx(h, pos, nullptr, FILE_BEGIN) && ReadFile(h, now, bytes, &done, nullptr) &&
               done == bytes;
        // Bytes that could not be read tell nothing of the file; bytes read tell a change.
        bytesChanged = same && memcmp(now, expected, bytes) != 0;
        same = same && !bytesChanged;
        free(now);
    }
    if (loss && !same)
        *loss = device ? IMAGELOSS_DEVICE
                       : !sameFile ? IMAGELOSS_REPLACED
                                   : (!medium.content.Matches(facts) || bytesChanged) ? IMAGELOSS_CHANGED : IMAGELOSS_NONE;
    if (!same) {
        CloseHandle(h);
        SetLastError(ERROR_FILE_INVALID);
        return INVALID_HANDLE_VALUE;
    }
    return h;
}

// Writes whole units into an open image in place: the file never grows.
BOOL WriteImageUnitsTo(HANDLE h, uint64_t unitOffset, uint32_t unitCount, const void* buffer)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h, &size))
        return FALSE;
    // A write never grows an image: its last byte must lie inside the file.
    uint64_t end = (unitOffset + unitCount) * 512;
    if (end > static_cast<uint64_t>(size.QuadPart)) {
        SetLastError(ERROR_HANDLE_EOF);
        return FALSE;
    }
    LARGE_INTEGER pos;
    pos.QuadPart = static_cast<LONGLONG>(unitOffset * 512);
    DWORD bytes = unitCount * 512;
    DWORD done = 0;
    return SetFilePointerEx(h, pos, nullptr, FILE_BEGIN) && WriteFile(h, buffer, bytes, &done, nullptr) &&
           done == bytes;
}

}  // namespace

bool CDiskDoc::OpenImageReadHandle()
{
    if (m_imageHandle != INVALID_HANDLE_VALUE)
        return true;
    if (m_imagePath.IsEmpty())
        return false;
    // What was found and said holds until the image is opened again, also when a file comes
    // back under the name: the user was told that nothing more is read.
    if (ImageReadsRefused()) {
        SetLastError(ERROR_FILE_INVALID);
        return false;
    }
    CheckedImage image;
    const CheckedImage::Result opened = image.Open(m_imagePath);
    if (opened != CheckedImage::OPENED) {
        // A device behind the name of a file that was read: not the medium shown. Nothing
        // behind it: the file was deleted or renamed away, which every later read would
        // otherwise meet without a word.
        const DWORD error = GetLastError();
        if (opened == CheckedImage::A_DEVICE && m_imageIdentity.known)
            NoteImageLoss(IMAGELOSS_DEVICE);
        else if (m_imageIdentity.known && NothingUnderTheName(error))
            NoteImageLoss(IMAGELOSS_GONE);
        SetLastError(error);
        return false;
    }
    if (!m_imageIdentity.known) {
        // The first open after the medium was made current: the file whose bytes are shown.
        m_imageIdentity = image.file;
        m_imageContent = image.content;
    } else if (!HandleLeadsToFile(image.handle, image.file, m_imageIdentity)) {
        // Another file now carries the image's name: its sectors are not the medium shown.
        NoteImageLoss(IMAGELOSS_REPLACED);
        SetLastError(ERROR_FILE_INVALID);
        return false;
    }
    m_imageHandle = image.Take();
    return true;
}

BOOL CDiskDoc::WriteSectors(uint32_t driveCode, uint64_t unitOffset, uint32_t unitCount, const void* buffer,
                            const void* expected)
{
    // An image is written only while its name still leads to the file the sector was read from.
    MediumTarget medium;
    medium.driveCode = driveCode;
    if (driveCode == DRIVECODE_IMAGE)
        medium = CurrentMedium();
    medium.driveCode = driveCode;
    return WriteSectorsTo(medium, unitOffset, unitCount, buffer, expected);
}

BOOL CDiskDoc::WriteSectorsTo(const MediumTarget& medium, uint64_t unitOffset, uint32_t unitCount, const void* buffer,
                              const void* expected)
{
    if (!UnitRangeFits(unitOffset, unitCount) || unitCount > 0xFFFFFFFFu / 512) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The search window may hold these units: a later search must read them anew, or it
    // would find (or miss) the bytes as they were before this write.
    m_searchWindowUnits = 0;
    if (medium.driveCode != DRIVECODE_IMAGE)
        return WriteDeviceUnits(medium.driveCode, unitOffset, unitCount, buffer, expected);
    if (m_heldImage != INVALID_HANDLE_VALUE) {
        m_heldWritten = true;
        return WriteImageUnitsTo(m_heldImage, unitOffset, unitCount, buffer);
    }
    // The write opens the file for itself alone: the document's read handle goes first.
    CloseImageHandle();
    // Into the image shown, the program's own writes since the operation's start are no
    // change of content.
    MediumTarget target = medium;
    const bool shown = m_driveCode == DRIVECODE_IMAGE && target.file.SameFileAs(m_imageIdentity);
    // What another program did to the image shown was found and said: until it is opened
    // again nothing goes into it, also into sectors whose bytes still look as they were read.
    if (shown && m_imageLoss != IMAGELOSS_NONE) {
        SetLastError(ERROR_FILE_INVALID);
        return FALSE;
    }
    if (shown)
        target.content = m_imageContent;
    ImageLoss loss = IMAGELOSS_NONE;
    HANDLE h = OpenImageForWriting(target, unitOffset, unitCount, expected, &loss);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        NoteImageLoss(shown ? loss : IMAGELOSS_NONE);
        SetLastError(err);
        return FALSE;
    }
    BOOL ok = WriteImageUnitsTo(h, unitOffset, unitCount, buffer);
    DWORD err = GetLastError();
    const bool noted = NoteOwnImageWrite(h, medium.file);
    CloseHandle(h);
    if (!noted)
        NoteOwnImageWriteClosed(medium.file);
    SetLastError(ok ? 0 : err);
    return ok;
}

BOOL CDiskDoc::WriteDeviceUnits(uint32_t driveCode, uint64_t unitOffset, uint32_t unitCount, const void* buffer,
                                const void* expected)
{
    m_deviceSectorChanged = false;
    m_deviceNotOpened = false;
    // Only the device held since the medium was made current is written, and only while its
    // name still leads to it with the medium it held then: a disk or stick swapped in behind
    // the same number or letter (even one cloned from it, alike in every sector) is not the
    // medium the user opened, and the device held may be gone with the old one.
    if (driveCode != m_driveCode || m_device.Code() != driveCode || !m_device.StillTheOneOpened()) {
        m_deviceNotOpened = true;
        SetLastError(ERROR_MEDIA_CHANGED);
        return FALSE;
    }
    if (!expected)
        return m_device.Write(unitCount, unitOffset, buffer);
    // The write-back of a sector goes only onto the sector as it was read: another program
    // may have written it since (a mounted volume its FAT), and the old sector's bytes with
    // the edit would undo that.
    return m_device.WriteIfUnchanged(unitCount, unitOffset, buffer, expected, &m_deviceSectorChanged);
}

void CDiskDoc::DeviceName(char* text, int size) const
{
    if (m_driveCode <= 25)
        StrNPrintf(text, size, "Laufwerk %c:", static_cast<int>('A' + m_driveCode));
    else
        StrNPrintf(text, size, "dem physikalischen Laufwerk %i", static_cast<int>(m_driveCode & ~DRIVECODE_PHYSICAL));
}

void CDiskDoc::NotTheOneOpenedText(char* text, int size, const char* tail) const
{
    char medium[48];
    DeviceName(medium, sizeof medium);
    StrNPrintf(text, size, kDeviceNotTheOneOpened, medium, tail);
}

bool CDiskDoc::DeviceIsTheOneOpened()
{
    if (m_driveCode == DRIVECODE_IMAGE || m_driveCode == DRIVECODE_NONE)
        return true;
    return m_device.Code() == m_driveCode && m_device.StillTheOneOpened();
}

bool CDiskDoc::CheckDeviceBeforeLoad()
{
    if (DeviceIsTheOneOpened())
        return true;
    char text[400];
    NotTheOneOpenedText(text, sizeof text, kNoSectorsLoaded);
    ErrorBox(text, "Fehler", MB_OK | MB_ICONERROR);
    return false;
}

void CDiskDoc::ReportChangedDeviceSector()
{
    if (!m_deviceNotOpened && !m_deviceSectorChanged)
        return;
    char text[400];
    if (m_deviceNotOpened) {
        NotTheOneOpenedText(text, sizeof text, kEditNotWritten);
    } else {
        char medium[48];
        DeviceName(medium, sizeof medium);
        StrNPrintf(text, sizeof text, kDeviceSectorChanged, static_cast<unsigned long long>(m_lastSectorRead), medium);
    }
    m_deviceNotOpened = false;
    m_deviceSectorChanged = false;
    ErrorBox(text, "Warnung", MB_OK | MB_ICONWARNING);
}

bool CDiskDoc::HoldImageForWriting(const MediumTarget& medium)
{
    ReleaseHeldImage();
    if (medium.driveCode != DRIVECODE_IMAGE)
        return false;
    CloseImageHandle();
    if (m_driveCode == DRIVECODE_IMAGE && medium.file.SameFileAs(m_imageIdentity) && m_imageLoss != IMAGELOSS_NONE) {
        SetLastError(ERROR_FILE_INVALID);
        return false;
    }
    m_heldImage = OpenImageForWriting(medium, 0, 0, nullptr);
    m_heldFile = medium.file;
    m_heldWritten = false;
    return m_heldImage != INVALID_HANDLE_VALUE;
}

void CDiskDoc::ReleaseHeldImage()
{
    if (m_heldImage != INVALID_HANDLE_VALUE) {
        const bool noted = !m_heldWritten || NoteOwnImageWrite(m_heldImage, m_heldFile);
        CloseHandle(m_heldImage);
        m_heldImage = INVALID_HANDLE_VALUE;
        if (!noted)
            NoteOwnImageWriteClosed(m_heldFile);
        m_heldWritten = false;
    }
}

bool CDiskDoc::NoteOwnImageWrite(HANDLE h, const FileIdentity& file)
{
    if (m_driveCode != DRIVECODE_IMAGE || !file.SameFileAs(m_imageIdentity))
        return true;
    m_imageContent.known = false;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    OpenFileFacts facts;
    if (!SetFileTime(h, nullptr, nullptr, &now) || IsDeviceHandle(h, &facts))
        return false;
    m_imageContent = ContentStamp::Of(facts);
    return true;
}

void CDiskDoc::NoteOwnImageWriteClosed(const FileIdentity& file)
{
    if (m_driveCode != DRIVECODE_IMAGE || !file.SameFileAs(m_imageIdentity))
        return;
    // The time could not be set through the write handle: asked through a fresh handle, now
    // that the writer is closed and the system has put down the file's last-write time.
    CloseImageHandle();
    m_imageContent.known = false;
    CheckedImage image;
    const CheckedImage::Result opened = image.Open(m_imagePath);
    if (opened == CheckedImage::OPENED && HandleLeadsToFile(image.handle, image.file, m_imageIdentity)) {
        m_imageContent = image.content;
        m_imageHandle = image.Take();
    } else if (opened != CheckedImage::NOT_OPENED) {
        NoteImageLoss(opened == CheckedImage::A_DEVICE ? IMAGELOSS_DEVICE : IMAGELOSS_REPLACED);
    }
}

void CDiskDoc::NoteImageLoss(ImageLoss loss)
{
    if (loss != IMAGELOSS_NONE && m_imageLoss == IMAGELOSS_NONE)
        m_imageLoss = loss;
}

const FileIdentity& CDiskDoc::WholeImageIdentity()
{
    if (m_imageHandle != INVALID_HANDLE_VALUE)
        CompleteIdentity(m_imageHandle, &m_imageIdentity);
    return m_imageIdentity;
}

MediumTarget CDiskDoc::CurrentMedium()
{
    MediumTarget medium;
    medium.driveCode = m_driveCode;
    if (m_driveCode == DRIVECODE_IMAGE) {
        medium.imagePath = m_imagePath;
        medium.file = WholeImageIdentity();
        medium.content = m_imageContent;
    }
    return medium;
}

bool CDiskDoc::RefuseWhileBusy() const
{
    if (!m_busy)
        return false;
    MessageBeep(MB_ICONEXCLAMATION);
    return true;
}

uint64_t CDiskDoc::GetMediumSize(uint32_t driveCode, uint32_t* bytesPerSector)
{
    if (driveCode != DRIVECODE_IMAGE) {
        // The drive shown is measured through its held device, as it is read.
        if (driveCode != m_driveCode)
            return DiskIoGetSize(driveCode, bytesPerSector);
        if (m_device.Code() != driveCode) {
            if (bytesPerSector)
                *bytesPerSector = 0;
            return 0;
        }
        return m_device.Size(bytesPerSector);
    }
    if (bytesPerSector)
        *bytesPerSector = 0;
    if (!OpenImageReadHandle())
        return 0;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(m_imageHandle, &size)) {
        CloseImageHandle();
        return 0;
    }
    if (bytesPerSector)
        *bytesPerSector = 512;
    return static_cast<uint64_t>(size.QuadPart) / 512;     // a shorter tail is not counted
}

// ---------------------------------------------------------------- making a medium current

void CDiskDoc::ClearSearchState()
{
    m_searchFirstUnit = 0;
    m_searchUnitCount = 0;
    m_searchCurrentUnit = 0;
    m_searchOffset = 0;
    m_searchWindowBase = 0;
    m_searchWindowUnits = 0;
}

void CDiskDoc::SortAreas()
{
    m_scan.areas.Sort();
}

void CDiskDoc::InitDevice(CheckedImage* image)
{
    CWaitCursor wait;
    ClearSearchState();
    m_device.Release();
    m_deviceNotOpened = false;
    m_deviceSectorChanged = false;
    // Size and the typed-"OK" rule are asked on every making-current, also for the drive
    // code shown before: behind the same physical drive number another disk may sit now (a
    // stick swapped for a hard disk), and a write must meet the rule of the disk it reaches.
    // Making a medium current takes the image file as it is now named; the read handle
    // learns its identity anew (the old one is forgotten first: nothing compares with it).
    m_imageIdentity = FileIdentity();
    m_imageContent = ContentStamp();
    m_imageLoss = IMAGELOSS_NONE;
    m_lossReported = false;
    // A dump made before may be the very file opened now.
    m_madeDumpCount = 0;
    CloseImageHandle();
    if (image && image->handle != INVALID_HANDLE_VALUE && m_driveCode == DRIVECODE_IMAGE) {
        m_imageIdentity = image->file;
        m_imageContent = image->content;
        m_imageHandle = image->Take();
    }
    if (m_driveCode != DRIVECODE_NONE) {
        m_askBeforeWrite = 1;
        m_scan.areas.Reset();
        m_prevDriveCode = m_driveCode;
        // A drive is held open from now on: its size, the scan, every sector shown and every
        // write go to this device. One that does not open is shown unreadable.
        if (m_driveCode != DRIVECODE_IMAGE)
            m_device.Open(m_driveCode);
        uint32_t bps = 0;
        uint64_t units = GetMediumSize(m_driveCode, &bps);
        m_bytesPerSector = bps;
        uint32_t ups = bps / 512;
        m_unitsPerSector = ups < 1 ? 1 : (ups > 128 ? 128 : ups);
        // The device layer counts 512-byte units, the document its own sectors.
        m_sectorCount = units / m_unitsPerSector;
        if (m_driveCode != DRIVECODE_IMAGE && (m_driveCode & DRIVECODE_PHYSICAL)) {
            // A disk under 1024 MB needs no typed "OK"; one whose size is unknown (0) may be
            // any size and keeps it.
            if (units != 0 && units / 2048 < 1024)
                m_askBeforeWrite = 0;
        } else if (m_driveCode <= 25) {
            char root[4] = { static_cast<char>('A' + m_driveCode), ':', '\\', 0 };
            if (GetDriveTypeA(root) == DRIVE_REMOVABLE)
                m_askBeforeWrite = 0;
        }
    }
    if (m_driveCode == DRIVECODE_NONE) {
        m_loadState = LOADSTATE_NOTHING;
        m_loadedBytes = 0;
        m_scan.Reset();
        m_askBeforeWrite = 0;
        // No medium has no sectors: the go-to and step commands must not offer the old one's.
        m_sectorCount = 0;
    }
    if (m_driveCode == DRIVECODE_IMAGE)
        m_askBeforeWrite = 0;

    m_scan.driveCode = m_driveCode;
    m_scan.sectorCount = m_sectorCount;
    m_scan.bytesPerSector = m_bytesPerSector;
    m_scan.unitsPerSector = m_unitsPerSector;
    DocumentSectorSource source(*this);
    VolumeScanner scanner(source, m_scan);
    scanner.AnalyzeVolume();
    // An ISO 9660 volume switches the medium to 2048-byte sectors during the scan.
    m_sectorCount = m_scan.sectorCount;
    m_bytesPerSector = m_scan.bytesPerSector;
    m_unitsPerSector = m_scan.unitsPerSector;
    SortAreas();
    LoadSector(0, 0);
}

uint32_t CDiskDoc::AnalyzeFat(uint64_t base)
{
    DocumentSectorSource source(*this);
    VolumeScanner scanner(source, m_scan);
    return scanner.AnalyzeFat(base);
}

// ---------------------------------------------------------------- loading and writing back

void CDiskDoc::SendHint(uint32_t hint)
{
    UpdateAllViews(nullptr, static_cast<LPARAM>(hint));
}

CDiskDoc::WriteChoice CDiskDoc::AskWriteBack(UINT boxType)
{
    const int answer = ErrorBox(kChangedQuestion, "Schreibschutz", boxType | MB_ICONWARNING | MB_DEFBUTTON2);
    // Only "Nein" throws the edit away: a box that could not be shown (0), or any answer
    // but the two named, keeps it.
    if (answer != IDYES)
        return answer == IDNO ? DROP_EDIT : KEEP_EDIT;
    // The typed "OK" is the rule of the disk the edit would be written to: it is asked only
    // while that is the disk opened, whose rule was found when it was made current. A drive
    // that is no longer the disk opened is not written at all, and says so after the write.
    if (!m_askBeforeWrite || !DeviceIsTheOneOpened())
        return WRITE_EDIT;
    bool cancelled = false;
    if (AskTypedOk(&cancelled))
        return WRITE_EDIT;
    // Closed with OK but not "OK" typed: said, so that no one takes the edit for written.
    if (!cancelled)
        ErrorBox(kTypedOkMissing, "Schreibschutz", MB_OK | MB_ICONINFORMATION);
    return KEEP_EDIT;   // mistyped or cancelled: no write, and nothing thrown away
}

bool CDiskDoc::WriteBackEdit()
{
    BOOL written;
    {
        CWaitCursor wait;
        written = WriteSectors(m_driveCode, m_lastSectorRead * m_unitsPerSector, m_unitsPerSector, m_buffer,
                               m_snapshot);
    }
    if (written) {
        memcpy(m_snapshot, m_buffer, m_loadedBytes);
        return true;
    }
    ErrorBox(kWriteFailed, "Fehler", MB_OK | MB_ICONERROR);
    ReportChangedDeviceSector();
    ReportImageLoss();
    m_writeBackFailed = TRUE;
    return false;
}

bool CDiskDoc::HasPendingEdit() const
{
    return m_writeEnabled && m_loadState == LOADSTATE_LOADED && m_loadedBytes != 0 &&
           memcmp(m_buffer, m_snapshot, m_loadedBytes) != 0;
}

void CDiskDoc::ReportImageLoss()
{
    if (m_imageLoss == IMAGELOSS_NONE || m_lossReported || m_driveCode != DRIVECODE_IMAGE)
        return;
    m_lossReported = true;
    ShowImageLoss("Warnung", MB_OK | MB_ICONWARNING);
}

void CDiskDoc::ShowImageLoss(const char* caption, UINT type)
{
    const char* format = m_imageLoss == IMAGELOSS_CHANGED   ? kImageChanged
                         : m_imageLoss == IMAGELOSS_DEVICE ? kImageNowADevice
                         : m_imageLoss == IMAGELOSS_GONE   ? kImageGone
                                                           : kImageReplaced;
    char text[MAX_PATH + 240];
    StrNPrintf(text, sizeof text, format, static_cast<const char*>(m_imagePath));
    ErrorBox(text, caption, type);
}

BOOL CDiskDoc::SettlePendingWrite()
{
    if (!m_writeEnabled)
        return TRUE;
    if (!HasPendingEdit()) {
        // Nothing to write, and protection goes on again: the view is told now, since the
        // caller may end without loading a sector (a "Sektoren laden" given up at a later
        // question, a close the end of the session did not follow). A pane left editable over a
        // protected document takes typing that no question asks about, and the protection
        // switch would take the typed bytes for the sector on the medium.
        m_writeEnabled = 0;
        SendHint(UPDATEHINT_PROTECTED);     // the pane takes no typing from here on
        return TRUE;
    }
    // The question's message loop may dispatch another switch or close: the edit is settled by
    // the question already up, never by a second one inside it.
    if (m_settling) {
        MessageBeep(MB_ICONEXCLAMATION);
        return FALSE;
    }
    CountedScope settling(m_settling);
    CountedScope busy(m_busy);
    const WriteChoice choice = AskWriteBack(MB_YESNO);
    if (choice == DROP_EDIT) {      // "Nein"
        // The edit is dropped: the buffer shows the sector as it is on the medium again, and
        // so does the view, protected (the session or the program may go on with it).
        memcpy(m_buffer, m_snapshot, m_loadedBytes);
        m_writeEnabled = 0;
        m_writeBackFailed = FALSE;
        SendHint(0);
        SendHint(UPDATEHINT_PROTECTED);
        return TRUE;
    }
    // "Ja" without the typed "OK", or a write that failed: the edit stays in the buffer with
    // protection off, so nothing typed is lost; only "Nein" throws it away.
    if (choice == KEEP_EDIT || !WriteBackEdit())
        return FALSE;
    m_writeEnabled = 0;
    m_writeBackFailed = FALSE;
    SendHint(UPDATEHINT_PROTECTED);
    return TRUE;
}

BOOL CDiskDoc::LoadSector(uint64_t offset, uint32_t length)
{
    // Under a long operation or a question about writing nothing moves: the sector shown,
    // its edit and the operation's medium stay as they are.
    if (RefuseWhileBusy())
        return FALSE;
    if (m_driveCode == DRIVECODE_NONE) {
        m_loadState = LOADSTATE_NOTHING;
        m_loadedBytes = 0;
        m_writeEnabled = 0;
        return FALSE;
    }
    uint32_t selection = (length & 0xFF) + static_cast<uint32_t>(offset << 8);
    // Only a sector that is shown now moves just its selection: after a failed read of the
    // same sector the buffer holds nothing to select in, and it is read again.
    if (length != 0 && m_currentSector == m_lastSectorRead && m_loadState == LOADSTATE_LOADED) {
        SendHint(UPDATEHINT_SAME_SECTOR + selection);
        return TRUE;
    }
    if (!SettlePendingWrite()) {
        // Stay on the sector the edit belongs to.
        m_currentSector = m_lastSectorRead;
        return FALSE;
    }
    BOOL ok;
    {
        CWaitCursor wait;
        ok = m_currentSector <= (~0ull >> 9) / m_unitsPerSector &&
             ReadSectors(m_driveCode, m_currentSector * m_unitsPerSector, m_unitsPerSector, m_buffer);
    }
    if (ok) {
        m_loadState = LOADSTATE_LOADED;
        // The bytes actually read, not the reported sector size: a device that reports 0, a
        // size that is no whole number of 512-byte units (520) or one beyond 128 units would
        // otherwise show bytes left from the previous sector (or past the buffer) as this
        // one's, and compare them as edits and write them back onto this sector.
        m_loadedBytes = m_unitsPerSector * 512;
        m_lastSectorRead = m_currentSector;
    } else {
        m_loadState = LOADSTATE_READ_ERROR;
        m_loadedBytes = 0;
    }
    m_writeEnabled = 0;
    SendHint(selection);
    if (!ok)
        ReportImageLoss();
    return TRUE;
}

void CDiskDoc::OnWriteProtect()
{
    if (m_settling) {
        MessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    CountedScope settling(m_settling);
    CountedScope busy(m_busy);
    if (m_loadState != LOADSTATE_LOADED) {
        ErrorBox("Es ist kein Sektor geladen !", "Fehler", MB_OK | MB_ICONERROR);
        return;
    }
    if (!m_writeEnabled) {
        if (ErrorBox("Den Schreibschutz wirklich entfernen ?", "Schreibschutz", MB_OKCANCEL | MB_ICONQUESTION) ==
            IDCANCEL)
            return;
        m_writeEnabled = 1;
        memcpy(m_snapshot, m_buffer, m_loadedBytes);
        SendHint(UPDATEHINT_UNPROTECTED);
        return;
    }
    if (memcmp(m_buffer, m_snapshot, m_loadedBytes) != 0) {
        const WriteChoice choice = AskWriteBack(MB_YESNOCANCEL);
        // Cancelled, "Ja" without the typed "OK", or a failed write: protection stays off and
        // the edit stays.
        if (choice == KEEP_EDIT || (choice == WRITE_EDIT && !WriteBackEdit()))
            return;
        if (choice == DROP_EDIT) {
            memcpy(m_buffer, m_snapshot, m_loadedBytes);
            SendHint(0);
        }
    }
    m_writeBackFailed = FALSE;
    SendHint(UPDATEHINT_PROTECTED);
    m_writeEnabled = 0;
}

void CDiskDoc::OnUpdateWriteProtect(CCmdUI* pCmdUI)
{
    pCmdUI->SetCheck(m_writeEnabled ? 0 : 1);
}

// ---------------------------------------------------------------- "Partitions.txt"

int CDiskDoc::ReadPartitionFile(int letterIndex)
{
    if (m_driveCode < DRIVECODE_PHYSICAL || m_driveCode > DRIVECODE_PHYSICAL + 0xFF)
        return -4;
    if (letterIndex < 0 || letterIndex > 25)
        return -1;
    char path[32];
    StrNPrintf(path, sizeof path, "%c:\\Partitions.txt", 'A' + letterIndex);
    FILE* f = fopen(path, "rb");
    if (!f)
        return -2;
    PartitionFileParser parser;
    char line[PartitionFileParser::kLineChars + 1];
    while (fgets(line, sizeof line, f))
        parser.Line(line);
    fclose(f);
    const PartitionFileRecord& rec = parser.Record();
    if (rec.driveSize != m_sectorCount) {
        char text[400];
        StrNPrintf(text, sizeof text,
                   "Die Größe in %c:\\Partitions.txt:\n    %I64i\nstimmt nicht mit der Größe des physikalischen "
                   "Laufwerks %i:\n    %I64i\nüberein, trotzdem weiter machen ?",
                   'A' + letterIndex, static_cast<long long>(rec.driveSize),
                   static_cast<int>(m_driveCode - DRIVECODE_PHYSICAL), static_cast<long long>(m_sectorCount));
        if (ErrorBox(text, "Warnung", MB_OKCANCEL | MB_ICONWARNING) != IDOK)
            return -5;
    }
    int added = 0;
    PartitionStartList& starts = m_scan.partitionStarts;
    // The scans read the medium.
    CWaitCursor wait;
    for (int n = 0; n < 4; ++n) {
        if (rec.sect[n] == 0 || rec.size[n] == 0)
            continue;
        bool known = false;
        for (uint32_t i = 0; i < starts.count; ++i)
            known = known || starts.start[i] == rec.sect[n];
        // The list holds every partition the walk names (GPT and long EBR chains); a file
        // describes partitions only while fewer than eight starts are known.
        if (known || starts.count >= kDescribedPartitionLimit)
            continue;
        starts.Add(rec.sect[n]);            // kept in order, whatever order the file has
        AnalyzeFat(rec.sect[n]);
        ++added;
    }
    return added;
}
