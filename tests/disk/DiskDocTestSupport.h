// Shared by the document tests: prompts answered from a script, a physical disk made of an
// image file for the device layer, temporary copies of images and their checksums.
#pragma once
#include "disk/DiskDoc.h"
#include "disk/DiskIo.h"
#include "tests/support/DeviceAnswers.h"
#include <stdint.h>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace doctest {

// Answers the document's questions in order; a question without a scripted answer gets
// IDCANCEL / "cancelled" and is counted as unexpected.
class ScriptedPrompts : public DiskDocPrompts
{
public:
    struct Asked
    {
        std::string text;
        std::string caption;
        UINT type;
    };

    std::deque<int> boxAnswers;
    // Each typed answer: empty optional is modelled by `typedOk` false (cancelled).
    struct Typed
    {
        bool ok;
        std::string text;
    };
    std::deque<Typed> typedAnswers;

    std::vector<Asked> boxes;
    std::vector<Asked> typed;
    int unexpected = 0;

    int Box(const char* text, const char* caption, UINT type) override;
    bool AskText(const char* caption, const char* prompt, CString* text, bool hidden) override;
};

// The same, and `during` runs once when the question `trigger` comes up (as the question's
// message loop would dispatch what the user did meanwhile).
class HookedPrompts : public ScriptedPrompts
{
public:
    std::string trigger;
    std::function<void()> during;
    int Box(const char* text, const char* caption, UINT type) override
    {
        if (during && trigger == (text ? text : "")) {
            std::function<void()> now = during;
            during = nullptr;
            now();
        }
        return ScriptedPrompts::Box(text, caption, type);
    }
};

// A physical disk made of an image file: the device paths it knows open the file, the
// geometry and length questions are answered from the file's size as a disk would.
//
// A disk is known by the file it is made of, as Wine knows a drive whose link names a file:
// another file put behind a path is another disk put in behind that number or letter (a
// swap, also of a clone alike in every byte), and a write into the same file is another
// program's change of the disk opened. With `storageNumbers` the disk answers as a Windows
// disk does instead: no file behind it, but a storage number and a descriptor whose serial
// number is the file's name. `mediaChanges` answers the media change count of a path's
// device, as a card reader keeps it (a card swapped there keeps the device and its number).
class FakeDiskAccess : public DeviceAccess
{
public:
    std::map<std::string, std::string> files;  // device path -> image file
    std::set<std::string> refusedPaths;         // these fail to open (error 2)
    bool refuseGeometry = false;
    bool refuseLength = false;
    bool refuseGeometryEx = false;
    bool refuseWrites = false;                  // writes fail (error 19, write protected)
    uint64_t volumeBytes = 0;                   // TotalVolumeBytes; 0 refuses
    int64_t partitionLength = -1;               // partition information; -1 refuses
    int extentsDisk = -1;                       // disk of every letter's volume; -1 refuses
    std::vector<std::string> opened;            // every path asked for, in order
    int writes = 0;                             // write calls that reached a device
    std::function<void()> afterWrite;           // run after each write that went through
    // A read or write that covers one of these 512-byte units fails (error `failingError`, a
    // damaged sector's 23 unless set) and uses up one of the unit's failures; -1 fails for ever.
    std::map<uint64_t, int> failingUnits;
    DWORD failingError = ERROR_CRC;
    uint64_t position = 0;                      // where the last Seek went
    bool fileBacked = false;                    // FileSize answers, as for Wine's file-backed drives
    bool storageNumbers = false;                // the disk is known by number and serial, not by file
    std::map<std::string, uint32_t> mediaChanges;   // device path -> its media change count
    std::map<HANDLE, std::pair<std::string, std::string>> handles;  // open handle -> device path, file

    HANDLE Open(const char* path, DWORD access, DWORD share, DWORD flags) override;
    void Close(HANDLE handle) override;
    BOOL Query(HANDLE handle, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
               DWORD* returned) override;
    BOOL FileSize(HANDLE handle, uint64_t* size) override;
    bool FileBehind(HANDLE handle, FileIdentity* file) override;
    BOOL Write(HANDLE handle, const void* buffer, DWORD bytes, DWORD* done) override;
    DWORD Seek(HANDLE handle, LONG low, LONG* high) override;
    BOOL Read(HANDLE handle, void* buffer, DWORD bytes, DWORD* done) override;
    bool FailsNow(DWORD bytes);
    BOOL Control(HANDLE handle, DWORD code, void* out, DWORD outSize, DWORD* returned) override;
    BOOL TotalVolumeBytes(const char* root, uint64_t* total) override;
    BOOL QuerySymbolicLink(const char*, char* target, int size) override;
};

// Installs a stand-in for the device layer for one scope.
class AccessScope
{
public:
    explicit AccessScope(DeviceAccess* access) : m_previous(DiskIoSetAccess(access)) {}
    ~AccessScope() { DiskIoSetAccess(m_previous); }

private:
    DeviceAccess* m_previous;
};

// <build>\doctest-tmp\<name>, the folder created on first use.
std::string TempPath(const std::string& name);
bool CopyFileTo(const std::string& from, const std::string& to);
// A sparse file of `size` bytes whose beginning is a copy of `from` (may be empty).
bool MakeSparseDisk(const std::string& from, const std::string& to, uint64_t size);
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes);
bool ReadFileBytes(const std::string& path, uint64_t offset, uint32_t count, std::vector<uint8_t>* bytes);
// FNV-1a 64 over the file (its first `limit` bytes at most, in whole megabytes) with the
// bytes of [skipFrom, skipFrom + skipCount) left out.
uint64_t HashOutside(const std::string& path, uint64_t skipFrom, uint64_t skipCount, uint64_t limit = ~0ull);

// A document opened on a path with scripted prompts; null when the open failed.
CDiskDoc* NewDocument();

// The last-write time of a file, setting it, and its size (all ones when it cannot be asked).
FILETIME LastWriteOf(const std::string& path);
void SetLastWriteOf(const std::string& path, const FILETIME& time);
uint64_t SizeOf(const std::string& path);

// What another program does to an image file behind the document's back (the document's read
// handle closed): renames a copy of another file onto its name, moves its time, grows it (its
// time put back), changes the bytes of sector 5 (its time put back), makes the name lead to
// a device (`device` is armed for the file's number; the caller disarms it), renames the file
// away (to its name with ".away"), or deletes it.
enum OutsideChange { RENAMED_ONTO, TIME_MOVED, SIZE_GROWN, BYTES_CHANGED_TIME_KEPT, NOW_A_DEVICE, RENAMED_AWAY, DELETED };
// `source` is the file copied onto the name; `salt` varies the time and bytes from one change
// to the next. False when the change could not be made.
bool ChangeOutside(OutsideChange change, const std::string& path, const std::string& source,
                   testsupport::OneFileAsADevice& device, int salt);
// The warning the document gives once for it: what happened and that the image must be opened
// again.
std::string OutsideChangeText(OutsideChange change, const std::string& path);

}  // namespace doctest
