// The sector document: the one open medium of the application.
//
// It holds the open medium (drive letter, physical disk or image file), the current sector
// in a 64 KB buffer with a snapshot for change detection, the medium's size, the write
// protection, and the area, cluster-region and partition tables the volume scan fills. Every
// sector change loads the new sector; a changed sector is written back only behind the
// protection switch, the yes/no question and, on hard disks, the typed "OK".
//
// Sector numbers of the document count sectors of the medium's own size; the device layer
// counts 512-byte units. The one conversion is unit = sector * units per sector.
#pragma once
#include "classlib/Afx.h"
#include "disk/AreaTable.h"
#include "disk/DiskIo.h"
#include "disk/VolumeScan.h"
#include "services/OpenFile.h"
#include <stdint.h>
#include <stdio.h>

class ProgressSink;
class CFileSearch;

// The size and last-write time of an image's content as the program last saw them through
// its own handles, its own writes included: a write goes only into the content that was read,
// not into a file made anew under the name, copied over it or cut and grown again.
struct ContentStamp
{
    uint64_t size = 0;
    uint64_t lastWrite = 0;
    bool known = false;

    static ContentStamp Of(const OpenFileFacts& facts)
    {
        ContentStamp stamp;
        stamp.size = facts.size;
        stamp.lastWrite = facts.lastWrite;
        stamp.known = true;
        return stamp;
    }
    bool Matches(const OpenFileFacts& facts) const
    {
        return known && facts.size == size && facts.lastWrite == lastWrite;
    }
    OpenFileFacts AsFacts() const
    {
        OpenFileFacts facts;
        facts.size = size;
        facts.lastWrite = lastWrite;
        return facts;
    }
};

// A medium as a long operation holds it from its start: the drive code and, for an image
// file, its path, the identity of the file behind the path then and its content's stamp.
struct MediumTarget
{
    uint32_t driveCode = DRIVECODE_NONE;
    CString imagePath;
    FileIdentity file;
    ContentStamp content;
};

// An image file opened for reading and found to be an ordinary file, with what its handle
// told; the document takes the handle over when it makes the image current, otherwise the
// object closes it.
class CheckedImage
{
public:
    CheckedImage() {}
    ~CheckedImage() { Close(); }
    CheckedImage(const CheckedImage&) = delete;
    CheckedImage& operator=(const CheckedImage&) = delete;

    enum Result { OPENED, NOT_OPENED, A_DEVICE };
    // Opens the path for reading (sharing reading only) and asks the handle.
    Result Open(const char* path);
    void Close();
    // Hands the handle over: the object lets go of it.
    HANDLE Take();

    HANDLE handle = INVALID_HANDLE_VALUE;
    FileIdentity file;          // the number only; the volume is asked when needed
    ContentStamp content;
};

// What the program found had happened to an image file behind its back, by a read or a
// write of its own: the file it read was changed in place (its time, size or the bytes of a
// sector to be written), its name now leads to another file, to a device, or to nothing (the
// file deleted or renamed away). Each refuses every write until the image is opened again.
enum ImageLoss : uint32_t
{
    IMAGELOSS_NONE = 0,
    IMAGELOSS_CHANGED,
    IMAGELOSS_REPLACED,
    IMAGELOSS_DEVICE,
    IMAGELOSS_GONE,
};

// What the sector buffer holds.
enum LoadState : uint32_t
{
    LOADSTATE_LOADED = 0,
    LOADSTATE_NOTHING = 1,
    LOADSTATE_READ_ERROR = 2,
};

// Update hints of the document (lHint of UpdateAllViews).
const uint32_t UPDATEHINT_SAME_SECTOR = 0x80000000u;   // + selection: only move the selection
const uint32_t UPDATEHINT_UNPROTECTED = 0xFFFFF100u;   // write protection switched off
const uint32_t UPDATEHINT_PROTECTED = 0xFFFFF200u;     // write protection on again

// Command of the protection switch (its menu item is checked while protection is on); the
// same number as in the program's resource header.
#ifndef ID_WRITE_PROTECT
#define ID_WRITE_PROTECT 32872
#endif

// How the document asks and reports. The default shows the main window's message box and
// the text entry dialog; tests answer without windows.
class DiskDocPrompts
{
public:
    virtual ~DiskDocPrompts() {}
    // A message box; the button pressed (IDOK, IDYES, ...).
    virtual int Box(const char* text, const char* caption, UINT type);
    // The text entry dialog; true when closed with OK, the entered text in *text.
    virtual bool AskText(const char* caption, const char* prompt, CString* text, bool hidden);
};

class CDiskDoc : public CDocument {
    DECLARE_DYNCREATE(CDiskDoc)
public:
    static constexpr uint32_t kBufferSize = 65536;

    CDiskDoc();
    ~CDiskDoc() override;

    // --- framework
    BOOL OnNewDocument() override;
    // Opens a drive letter ("C:", "c:\"), a physical drive by its bare name ("Physical1",
    // "PhysicalC") or an image file (any other path, a folder in front of such a name too). A
    // path that cannot be opened is reported in a message box and the medium stays.
    BOOL OnOpenDocument(LPCSTR lpszPathName) override;
    // An image file is named by its full path, whatever path opened it.
    void SetPathName(LPCSTR lpszPathName, BOOL bAddToMRU = TRUE) override;
    // The document keeps nothing in files of its own: sectors go to the medium directly.
    void Serialize(CArchive& ar) override;
    // A sector is written back only after its own confirmation, never through the
    // library's "save changes?" question, so the document never reports itself modified.
    BOOL IsModified() override { return FALSE; }
    void SetModifiedFlag(BOOL bModified = TRUE) override { m_bModified = bModified; }
    BOOL SaveModified() override;
    // The document's path names a medium, never a file of its own: the library's save and
    // save-as have no handler here (greyed, a posted command does nothing), and a save that
    // reaches the document anyway refuses without opening the path.
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
    BOOL OnSaveDocument(LPCSTR lpszPathName) override;
    // Offers the write-back of a changed sector before the frame goes.
    void PreCloseFrame(CFrameWnd* pFrame) override;
    // A changed sector whose write-back failed keeps the frame open.
    BOOL CanCloseFrame(CFrameWnd* pFrame) override;
    virtual void ReopenRecent();

    // --- medium
    // Makes the drive code current: size, scan, sector 0. An image opened and checked for it
    // (null: the image path is opened now) is taken over.
    void InitDevice(CheckedImage* image = nullptr);
    // Settles a changed, unprotected sector with the medium it came from (question, typed
    // confirmation, write). Call before the drive code or the image path change. False when
    // the user wanted it written and the write failed: the edit and the old medium stay.
    BOOL SettlePendingWrite();
    // Protection is off and the buffer differs from the sector as it was read.
    bool HasPendingEdit() const;
    // Loads the current sector; offset and length (low 8 bits) select a range in the view.
    BOOL LoadSector(uint64_t offset, uint32_t length);
    BOOL ReadSectors(uint32_t driveCode, uint64_t unitOffset, uint32_t unitCount, void* buffer);
    // `expected` (may be null): the bytes the units held when they were read; an image whose
    // units hold anything else now is not written.
    BOOL WriteSectors(uint32_t driveCode, uint64_t unitOffset, uint32_t unitCount, const void* buffer,
                      const void* expected = nullptr);
    // The same onto a medium held since an operation's start: an image is written only while
    // its path still leads to the file it named then, with the content the program saw last
    // (size and last-write time, and the expected bytes when given); otherwise the write fails.
    BOOL WriteSectorsTo(const MediumTarget& medium, uint64_t unitOffset, uint32_t unitCount, const void* buffer,
                        const void* expected = nullptr);
    // A long copy onto an image holds it open for writing from its start to its end, opened
    // once with the checks every write makes (the read-only attribute, the identity, the
    // content), instead of opening the file for every chunk; WriteSectorsTo then writes
    // through it. False when the image cannot be held: the writes then open it themselves and
    // report what fails.
    bool HoldImageForWriting(const MediumTarget& medium);
    void ReleaseHeldImage();
    // The medium shown now, as a long operation holds it (the image's identity made whole).
    MediumTarget CurrentMedium();
    // The image's identity, its volume asked through the read handle when it is open.
    const FileIdentity& WholeImageIdentity();
    // While a long operation (search, save, load) or a question about writing is up, the
    // document is busy: no medium switch, close, end of session or command of the document
    // may run inside it (their message loops would dispatch them).
    bool IsBusy() const { return m_busy != 0; }
    // True, with a beep, when the document is busy and the caller must refuse.
    bool RefuseWhileBusy() const;
    // Size in 512-byte units; *bytesPerSector the sector size.
    uint64_t GetMediumSize(uint32_t driveCode, uint32_t* bytesPerSector);
    // Closes the image's read handle; the identity of the file it read is made whole first,
    // while the handle still leads to that file.
    void CloseImageHandle();
    // Opens the image's read handle when it is closed; the first open after the medium was
    // made current learns the file's identity and content, every later one must find the same
    // file (a disk or other device behind the name is never opened as an image).
    bool OpenImageReadHandle();
    int ErrorBox(LPCSTR text, LPCSTR caption, UINT type);
    // Once the image was found changed in place by another program, or its name to lead to
    // another file than the one read (another file renamed or copied onto it), to a device or
    // to nothing (deleted or renamed away), nothing more is written into it (nor, behind
    // another file, a device or nothing, read from it)
    // until the image is opened again: says so once, in plain words, on the user-interface
    // thread, after whatever found it.
    void ReportImageLoss();
    // What was found, IMAGELOSS_NONE while nothing was (cleared when a medium is made current).
    ImageLoss GetImageLoss() const { return m_imageLoss; }
    // The image shown was found replaced, turned into a device or gone: none of its sectors is
    // read.
    bool ImageReadsRefused() const
    {
        return m_driveCode == DRIVECODE_IMAGE && (m_imageLoss == IMAGELOSS_REPLACED || m_imageLoss == IMAGELOSS_DEVICE ||
                                                  m_imageLoss == IMAGELOSS_GONE);
    }
    // The last open or switch of a medium was cancelled for the medium shown, not for the one
    // named: its changed sector could not be written (or the user's question was still up),
    // or the document was busy. The name picked is not to blame for it.
    bool WasSwitchCancelled() const { return m_switchCancelled; }
    // Sorts the areas by first sector (partition starts and cluster regions are kept sorted
    // as they are added).
    void SortAreas();
    // Reads "Partitions.txt" of the drive letter index and scans the partitions it names.
    // The number added (0 to 4), or -4 not a physical drive, -1 bad letter, -2 no file,
    // -5 size question declined.
    int ReadPartitionFile(int letterIndex);
    uint32_t AnalyzeFat(uint64_t base);

    // The prompts the document uses (null: the windows). Returns the previous one.
    DiskDocPrompts* SetPrompts(DiskDocPrompts* prompts);

    // --- what the disk view, the printers and the data window read
    uint8_t* GetSectorBuffer() { return m_buffer; }
    uint32_t GetLoadedSize() const { return m_loadedBytes; }
    uint32_t GetLoadState() const { return m_loadState; }
    uint64_t GetCurrentSector() const { return m_currentSector; }
    uint64_t GetLastSectorRead() const { return m_lastSectorRead; }
    uint32_t GetDriveCode() const { return m_driveCode; }
    uint64_t GetSectorCount() const { return m_sectorCount; }
    uint32_t GetBytesPerSector() const { return m_bytesPerSector; }
    uint32_t GetUnitsPerSector() const { return m_unitsPerSector; }
    BOOL IsWriteEnabled() const { return m_writeEnabled != 0; }
    BOOL GetAskBeforeWrite() const { return m_askBeforeWrite != 0; }
    const CString& GetImagePath() const { return m_imagePath; }
    uint32_t GetAreaType() const;
    uint64_t GetClusterAreaStart() const;
    uint32_t GetSectorsPerCluster() const;
    uint64_t GetFirstClusterNumber() const;
    uint64_t GetPartitionStart() const;
    uint64_t GetFatStart() const { return m_scan.fatStart; }
    uint32_t GetSectorsPerFat() const { return m_scan.sectorsPerFat; }
    // The document's own sector count (sectors of the medium's size).
    uint64_t GetMediumSectors() const { return m_unitsPerSector ? m_sectorCount : 0; }
    // Units of the open medium; nonzero when all were read.
    BOOL ReadUnits(uint64_t unit, uint32_t count, void* buffer);
    // The MFT record that holds the current sector: 1024 or 0; *place the current sector's
    // part of it.
    uint32_t GetMftRecord(uint8_t* record, uint8_t** place);
    const AreaTable& GetAreas() const { return m_scan.areas; }
    const ClusterRegionTable& GetClusterRegions() const { return m_scan.regions; }
    const PartitionStartList& GetPartitionStarts() const { return m_scan.partitionStarts; }
    const VolumeScanResult& GetScan() const { return m_scan; }

    // Sets the current sector without loading (the commands load afterwards).
    void SetCurrentSector(uint64_t sector) { m_currentSector = sector; }

    // Closing the document closes the program's one frame: through CanCloseFrame, as the
    // frame's own close does, so a failed write-back keeps frame and edit.
    afx_msg void OnCloseDocumentCommand();
    afx_msg void OnWriteProtect();
    afx_msg void OnUpdateWriteProtect(CCmdUI* pCmdUI);

    // Navigation and medium commands
    afx_msg void OnGotoSector();
    afx_msg void OnUpdateGotoSector(CCmdUI* pCmdUI);
    afx_msg void OnGotoCluster();
    afx_msg void OnUpdateGotoCluster(CCmdUI* pCmdUI);
    afx_msg void OnGotoArea();
    afx_msg void OnUpdateGotoArea(CCmdUI* pCmdUI);
    afx_msg void OnNextSector();
    afx_msg void OnUpdateNextSector(CCmdUI* pCmdUI);
    afx_msg void OnPrevSector();
    afx_msg void OnUpdatePrevSector(CCmdUI* pCmdUI);
    afx_msg void OnSelectDrive();
    afx_msg void OnLoadImage();
    afx_msg void OnStartOptions();
    afx_msg void OnLoadPartitions();
    afx_msg void OnUpdateLoadPartitions(CCmdUI* pCmdUI);
    uint32_t GetOpenMode() const { return m_openMode; }

    // Sector ranges and the search in sectors
    afx_msg void OnSaveSectors();
    afx_msg void OnLoadSectors();
    afx_msg void OnSearchSectors();
    afx_msg void OnContinueSearch();
    afx_msg void OnUpdateContinueSearch(CCmdUI* pCmdUI);
    // The workers of saving and loading, on the progress dialog's thread: `count` sectors
    // from sector `start` into the file, or from the file onto the medium, in chunks with
    // the retry question. Both close the file; 0.
    // `firstIgnored`: the user already let a failed read of the range's first sector go on;
    // a failed read of the first chunk is not asked about again.
    UINT SaveSectorsWork(ProgressSink& progress, FILE* file, uint64_t start, uint32_t count,
                         bool firstIgnored = false);
    // The load writes only to `medium`, the medium shown when the user confirmed it.
    UINT LoadSectorsWork(ProgressSink& progress, FILE* file, uint64_t start, uint32_t count,
                         const MediumTarget& medium);
    // Searches from the search position to the range's end with the engine's pattern;
    // progress null runs without a dialog. 1 with the hit's place stored, 0 otherwise.
    int SearchLoop(ProgressSink* progress, CFileSearch& engine);
    uint64_t GetHitSector() const { return m_hitSector; }
    uint64_t GetHitOffset() const { return m_hitOffset; }
    uint32_t GetHitLength() const { return m_hitLength; }
    // Makes another medium current: the changed sector of the old one is settled first
    // (nothing changes when its write-back fails), then the drive code, the image path (for
    // 0xC000, when one is given) and the title are set, the medium is scanned and sector 0
    // loaded, and the list name becomes the document's path and goes to the recent file list.
    // An image is opened and checked first: one that leads to a device is reported and
    // nothing changes. `image`, when given, is the image already opened.
    BOOL SwitchMedium(uint32_t driveCode, const char* imagePath, const char* title, const char* listName,
                      CheckedImage* image = nullptr);
    // Opens and checks an image before it is made current; false after the message when it
    // leads to a device or, with `unreadableIsError`, cannot be opened (otherwise such an
    // image is made current and shows as unreadable).
    bool OpenImageForMedium(const char* path, CheckedImage* image, bool unreadableIsError);
    // Makes the medium a path names current through SwitchMedium, so that the title, the
    // document's path and the recent list name it (a file dropped on the view). A path that
    // names nothing is reported and changes nothing.
    BOOL OpenMediumPath(const char* path);
    // The dialogs of these commands (null: the windows); returns the previous object.
    class DiskNavDialogs* SetNavDialogs(class DiskNavDialogs* dialogs);
    class DiskNavDialogs* m_navDialogs = nullptr;
    // The dialogs in use: the object set, else the windows.
    class DiskNavDialogs& NavDialogs();

protected:
    // Settles the changed sector with its medium, then makes the drive code (and, when given,
    // the image path) current: size, scan, sector 0. False when the settling failed and the
    // old medium stays.
    BOOL MakeMediumCurrent(uint32_t driveCode, const char* imagePath, CheckedImage* image = nullptr);
    // What the user decided about a changed sector: write it, drop it (buffer := snapshot), or
    // keep it as it is, unwritten and unprotected (the question cancelled, or the typed "OK"
    // not given: nothing is thrown away without a "Nein").
    enum WriteChoice { WRITE_EDIT, DROP_EDIT, KEEP_EDIT };
    // Asks the write-back question (a box of `boxType`) and, where the disk that would be
    // written needs it, the typed "OK".
    WriteChoice AskWriteBack(UINT boxType);
    // Writes the changed sector back where it was read; false after the messages, with the
    // edit kept.
    bool WriteBackEdit();
    void SendHint(uint32_t hint);
    // The cluster region that numbers the current sector, -1 when none does (also behind
    // the region's last cluster).
    int CurrentClusterRegion() const;
    void ClearSearchState();
    // The dump path names the open image file under whatever spelling (saving into it would
    // empty the medium): the file that was read, by any path, or the file behind the image's
    // name now, whether the read handle is open or not.
    bool IsOpenImageFile(const char* path);
    // The same for a handle of that path whose facts were asked (an existing file: one the
    // dump's own open has just made is never the image, whatever number it was given).
    bool IsOpenImageHandle(HANDLE h, const OpenFileFacts& facts, const char* path);
    // Records what a read or write found happened to the shown image; the first finding stays
    // until the image is opened again.
    void NoteImageLoss(ImageLoss loss);
    // Says what was found to have happened to the image, in the words of its warning.
    void ShowImageLoss(const char* caption, UINT type);
    // The dump files this program made since the medium was made current (the last few).
    void NoteMadeDump(const FileIdentity& made);
    bool IsMadeDump(HANDLE h, const OpenFileFacts& facts) const;
    // Opens the dump file without cutting it, refuses a device, the open image, the file the
    // open drive is read from or a read-only file behind the name (after the message), and
    // only then cuts it for writing. Null after a message.
    FILE* OpenDumpFile(const char* path);
    // A drive or disk whose device handle answers a file's questions (Wine reads a drive
    // letter raw from the file its "x::" link names): the dump handle leads to that file.
    bool IsOpenMediumFile(HANDLE h, const OpenFileFacts& facts);
    // Before a dump from the image: its read handle opened, so a file gone, replaced or turned
    // into a device is known and said (as told) before any target is opened. False after the
    // message.
    bool CheckImageBeforeDump();
    // Reads the first sector of a range before a dump (into a buffer of its own), with the
    // dump's silent retry and then its Abort/Retry/Ignore question: false when the user
    // chose Abort; *ignored (may be null) true when Ignore let a failed read go on.
    bool ReadRangeStart(uint64_t firstSector, bool* ignored);
    // After a write of the program's own to the image (or one that may have reached it),
    // through the write handle `h` before it closes: the file's last-write time is set through
    // it (a time set through a handle stays when it closes, where Windows would otherwise put
    // down the time of the close) and the content stamp is taken from it, so that no other
    // program's change between the close and a later open passes for the program's own. False
    // when the time could not be set: NoteOwnImageWriteClosed then asks a fresh handle.
    bool NoteOwnImageWrite(HANDLE h, const FileIdentity& file);
    void NoteOwnImageWriteClosed(const FileIdentity& file);
    // A drive letter's or physical drive's units, through the device held since the medium was
    // made current and only while it is still the one opened (m_deviceNotOpened tells when it
    // was not); with `expected` only while they still hold those bytes (m_deviceSectorChanged
    // tells when they did not).
    BOOL WriteDeviceUnits(uint32_t driveCode, uint64_t unitOffset, uint32_t unitCount, const void* buffer,
                          const void* expected);
    // Says, after the failed write-back, why it failed when the drive told: another medium
    // in it, or the sector changed by another program.
    void ReportChangedDeviceSector();
    // "Laufwerk K:" or "dem physikalischen Laufwerk 5", for the messages about the drive shown.
    void DeviceName(char* text, int size) const;
    // The text that the drive shown is no longer the medium opened, `tail` its last line.
    void NotTheOneOpenedText(char* text, int size, const char* tail) const;
    // Whether the drive shown still is the medium made current: its device held since then,
    // the name leading to it and the medium in it as they were (what the system tells, not
    // what the sectors hold: another program's writes leave it the disk opened). An image is
    // always (its writes check the file).
    bool DeviceIsTheOneOpened();
    // The same before a load: false after the message, with nothing written.
    bool CheckDeviceBeforeLoad();
    // A range of `count` sectors from `first` lies on the medium; otherwise says so (nothing
    // is read or written) and false.
    bool RangeOnMedium(uint64_t first, uint64_t count);
    // The sector range dialog, preset with the current sector, a count of 1 and the
    // information text (null: the sector count as "max. : ..."); true after
    // OK with a range that starts on the medium (in the file form: a file name, and a range
    // that also ends on it), else "Falsche Eingabe", the words of RangeOnMedium or nothing
    // (cancelled).
    bool AskSectorRange(class CSectorRangeDlg& dlg, const char* info);
    // The typed "OK" of hard disks; true when typed. *cancelled (may be null) true when the
    // question was cancelled rather than closed with another text.
    bool AskTypedOk(bool* cancelled = nullptr);
    // Runs a save or load worker behind the progress dialog (the file is closed either way).
    void RunSectorCopy(const char* title, UINT (*entry)(ProgressSink*, const DWORD_PTR*), FILE* file,
                       uint64_t start, uint32_t count, const MediumTarget& medium, bool firstIgnored = false);
    // "Sektoren laden" up to the end of the copy: the range, the questions, the copy onto the
    // medium shown at its start; true when the copy ran.
    bool LoadSectorsConfirmed();
    // The search's range and value dialogs; true with the search state set for a new search.
    bool AskSearch();
    // One run of the search from its position; true with a hit stored.
    bool SearchOnce();
    // Counts a busy span (or a write-back question) for the life of the object.
    class CountedScope
    {
    public:
        explicit CountedScope(uint32_t& counter) : m_counter(counter) { ++m_counter; }
        ~CountedScope() { --m_counter; }

    private:
        uint32_t& m_counter;
    };
    void LoadSettings();
    void SaveSettings();

    uint32_t m_driveCode = DRIVECODE_NONE;
    uint32_t m_prevDriveCode = DRIVECODE_NONE;
    uint8_t m_buffer[kBufferSize];
    uint8_t m_snapshot[kBufferSize];
    uint32_t m_loadedBytes = 0;
    uint32_t m_loadState = LOADSTATE_NOTHING;
    uint64_t m_currentSector = 0;
    uint64_t m_sectorCount = 0;
    uint32_t m_bytesPerSector = 0;
    uint32_t m_unitsPerSector = 1;
    uint32_t m_busy = 0;                    // busy spans open (nested ones count)
    uint32_t m_settling = 0;                // a write-back question is up
    uint32_t m_writeEnabled = 0;
    uint32_t m_askBeforeWrite = 1;
    // Areas, cluster regions, partition starts and the FAT numbers of the last scan.
    VolumeScanResult m_scan;
    uint32_t m_findFlags = 0;
    uint32_t m_openMode = 0;
    char* m_findText = nullptr;             // heap text lists (NUL-separated, empty text ends)
    char* m_findGroups = nullptr;
    char* m_searchPatterns = nullptr;
    // Sector search, in 512-byte units of the medium.
    uint64_t m_searchFirstUnit = 0;
    uint64_t m_searchUnitCount = 0;
    uint64_t m_searchCurrentUnit = 0;
    uint64_t m_searchOffset = 0;
    uint8_t* m_searchWindow = nullptr;      // 1 MB, allocated on first use
    uint64_t m_searchWindowBase = 0;
    uint64_t m_searchWindowUnits = 0;
    uint64_t m_hitSector = ~0ull;
    uint64_t m_hitOffset = 0;
    uint32_t m_hitLength = 0;
    HANDLE m_imageHandle = INVALID_HANDLE_VALUE;
    CString m_imagePath;
    // The file the image was opened as: every later read handle and every write must find
    // this file behind the path, not whatever has been renamed onto the name since.
    FileIdentity m_imageIdentity;
    // Its content as the program last saw it; a write into other content is refused.
    ContentStamp m_imageContent;
    // What was found to have happened to the image file; said once (m_lossReported).
    ImageLoss m_imageLoss = IMAGELOSS_NONE;
    bool m_lossReported = false;
    bool m_switchCancelled = false;                  // WasSwitchCancelled
    static constexpr uint32_t kMadeDumps = 16;
    FileIdentity m_madeDumps[kMadeDumps];            // NoteMadeDump
    uint32_t m_madeDumpCount = 0;
    HANDLE m_heldImage = INVALID_HANDLE_VALUE;       // HoldImageForWriting
    FileIdentity m_heldFile;
    bool m_heldWritten = false;
    // Where a write-back goes: the last sector read successfully, on the medium it was
    // read from.
    uint64_t m_lastSectorRead = ~0ull;
    // Set when a write-back failed and the edit is kept; keeps the frame open at close.
    BOOL m_writeBackFailed = FALSE;
    // The last write-back to a drive found other bytes in the sector than were read.
    bool m_deviceSectorChanged = false;
    // The last write to a drive found it no longer the medium opened.
    bool m_deviceNotOpened = false;
    // The drive letter's or physical drive's device, held open from the moment it was made
    // current to the next medium: every read and write of it goes through this handle, so a
    // disk put in behind the same letter or number later is never reached by it. (Each call
    // of the device layer opens and closes its own handle; a handle held from the open is what
    // pins the device the user opened.)
    DeviceHold m_device;
    DiskDocPrompts* m_prompts = nullptr;

    DECLARE_MESSAGE_MAP()
};
