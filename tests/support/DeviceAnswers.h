// The handle questions of services/OpenFile answered as a device would answer them, for
// whatever a test opens: the device test meets a disk, a character device or a pipe without
// one being there. `READ_GUARDED_DISK` answers a disk's questions as Windows does: the length
// only to a handle that may read (ERROR_ACCESS_DENIED otherwise), the geometry to any.
// `PINNED_INDEX` gives every file one number, as a file system that hands a
// freed number out again would.
#pragma once
#include "services/OpenFile.h"

namespace testsupport {

class DeviceAnswers : public HandleQueries
{
public:
    enum Kind { AS_IS, CHARACTER, PIPE, NO_FILE_FACTS, DEVICE_ATTRIBUTE, DISK_LENGTH, READ_GUARDED_DISK, PINNED_INDEX };
    explicit DeviceAnswers(Kind k = AS_IS) : kind(k), m_previous(SetHandleQueries(this)) {}
    ~DeviceAnswers() override { SetHandleQueries(m_previous); }

    DWORD FileType(HANDLE h) override
    {
        return kind == CHARACTER ? FILE_TYPE_CHAR : kind == PIPE ? FILE_TYPE_PIPE : HandleQueries::FileType(h);
    }
    bool Facts(HANDLE h, OpenFileFacts* facts) override
    {
        if (kind == NO_FILE_FACTS || !HandleQueries::Facts(h, facts))
            return false;
        if (kind == DEVICE_ATTRIBUTE)
            facts->attributes |= FILE_ATTRIBUTE_DEVICE;
        if (kind == PINNED_INDEX)
            facts->index = pinnedIndex;
        return true;
    }
    bool AnswersDiskLength(HANDLE h) override
    {
        if (kind == READ_GUARDED_DISK) {
            if (GrantedAccess(h) & FILE_READ_DATA)
                return true;
            SetLastError(ERROR_ACCESS_DENIED);
            return false;
        }
        return kind == DISK_LENGTH || HandleQueries::AnswersDiskLength(h);
    }
    bool AnswersDiskGeometry(HANDLE h) override
    {
        return kind == READ_GUARDED_DISK || HandleQueries::AnswersDiskGeometry(h);
    }

    // The rights a handle was opened with (ntdll's basic object information).
    static ACCESS_MASK GrantedAccess(HANDLE h)
    {
        typedef LONG(WINAPI * QueryObjectFn)(HANDLE, int, void*, ULONG, ULONG*);
        QueryObjectFn query = reinterpret_cast<QueryObjectFn>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll"), "NtQueryObject")));
        struct { ULONG attributes; ACCESS_MASK granted; ULONG rest[12]; } info = {};
        return query && query(h, 0, &info, sizeof info, nullptr) >= 0 ? info.granted : 0;
    }

    Kind kind;
    uint64_t pinnedIndex = 42;

private:
    HandleQueries* m_previous;
};

// A name that leads to a device now: every handle to the file of one number answers as a
// character device while armed (as a link put in the place of that file's name would).
class OneFileAsADevice : public DeviceAnswers
{
public:
    uint64_t index = 0;
    bool armed = false;
    DWORD FileType(HANDLE h) override
    {
        OpenFileFacts facts;
        if (armed && HandleQueries::Facts(h, &facts) && facts.index == index)
            return FILE_TYPE_CHAR;
        return DeviceAnswers::FileType(h);
    }
};

}  // namespace testsupport
