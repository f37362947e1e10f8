// What an open handle says of the file behind it: whether it is an ordinary file of a file
// system at all (and not a disk, volume, partition, character device or pipe that some name
// or link led to), which file it is, and the size and last-write time of its content.
//
// The questions are asked of a handle, never of a name: every spelling that leads to a
// device (a link, a relative path, another case, Wine's "Z:\dev\sdX") opens the device, and
// only the open handle tells what it is.
#pragma once
#include <windows.h>
#include <stdint.h>

// What an open file tells of itself without a round trip to its volume.
struct OpenFileFacts
{
    DWORD attributes = 0;
    uint64_t lastWrite = 0;     // 100-ns units since 1601, as the file system keeps it
    uint64_t size = 0;
    uint64_t index = 0;         // the file's number on its volume
};

// The system calls behind the questions. The default object asks the system; tests put the
// answers of a device in place.
class HandleQueries
{
public:
    virtual ~HandleQueries() {}
    virtual DWORD FileType(HANDLE h);
    // False when the handle answers none of a file's questions (disks, character devices
    // and pipes under Wine).
    virtual bool Facts(HANDLE h, OpenFileFacts* facts);
    // True when the handle answers a disk's length question: only disks and volumes do. The
    // question needs read access: a handle without it is refused with ERROR_ACCESS_DENIED.
    virtual bool AnswersDiskLength(HANDLE h);
    // True when the handle answers a disk's geometry question, which needs no access right:
    // asked where the length question was refused for want of read access.
    virtual bool AnswersDiskGeometry(HANDLE h);
    // The serial number of the handle's volume. Under Wine it is a round trip to the mount
    // manager (half a millisecond), so it is asked only where a comparison needs it.
    virtual bool VolumeSerial(HANDLE h, DWORD* serial);
};

// The object the questions go to; null restores the system's own. Returns the previous one.
HandleQueries* SetHandleQueries(HandleQueries* queries);

// True when the open handle leads to anything but an ordinary file or folder of a file
// system. Otherwise *facts (may be null) gets the file's facts, from the same questions.
bool IsDeviceHandle(HANDLE h, OpenFileFacts* facts = nullptr);

// Which file an open handle names, independent of the spelling that opened it ("\\?\", a
// SUBST drive, a share, a short name, a hard link): the file's number and its volume's
// serial number. The number comes with the facts; the volume is asked apart (see
// HandleQueries::VolumeSerial) and only then is the identity whole.
struct FileIdentity
{
    uint64_t index = 0;
    DWORD volume = 0;
    bool known = false;         // index known
    bool volumeKnown = false;

    // Only two whole identities are compared; a part that is not known never matches.
    bool SameFileAs(const FileIdentity& other) const
    {
        return known && other.known && volumeKnown && other.volumeKnown && index == other.index &&
               volume == other.volume;
    }
};

// The identity's number from the facts (the volume still to be asked).
FileIdentity IdentityOf(const OpenFileFacts& facts);
// Asks the volume of the handle for an identity whose volume is not known yet; true when the
// identity is whole.
bool CompleteIdentity(HANDLE h, FileIdentity* identity);
// True when the handle, whose number `opened` holds, leads to the file of the whole identity
// `known`: the numbers are compared first, the volume asked only when they agree.
bool HandleLeadsToFile(HANDLE h, FileIdentity opened, const FileIdentity& known);
// For a refusal only, never to allow a write: whether the handle, whose facts `opened` holds,
// may lead to the file of identity `known` whose size and last-write time `knownContent` holds.
// The same number on the same volume is the same file; so is the same number with the same
// size and time whatever the volume says: Wine numbers a volume by the folder of the drive
// letter it is reached through, so a hard link or a bind mount in the folder of another letter
// would otherwise be another file. A false match needs two files alike in number, size and
// time, and costs no more than the refusal.
bool HandleMayLeadToFile(HANDLE h, const OpenFileFacts& opened, const FileIdentity& known,
                         const OpenFileFacts& knownContent);
// The whole identity of the file an existing path names (opened without access rights, every
// sharing allowed, so it works beside any other handle), and its facts when `facts` is given.
// False, `known` false, for a name that cannot be opened or leads to a device.
bool GetFileIdentity(const char* path, FileIdentity* identity, OpenFileFacts* facts = nullptr);
