// The handle questions of services/OpenFile answered as a device would answer them, for
// whatever a test opens: the device test meets a disk, a character device or a pipe without
// one being there. `PINNED_INDEX` gives every file one number, as a file system that hands a
// freed number out again would.
#pragma once
#include "services/OpenFile.h"

namespace testsupport {

class DeviceAnswers : public HandleQueries
{
public:
    enum Kind { AS_IS, CHARACTER, PIPE, NO_FILE_FACTS, DEVICE_ATTRIBUTE, DISK_LENGTH, PINNED_INDEX };
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
        return kind == DISK_LENGTH || HandleQueries::AnswersDiskLength(h);
    }

    Kind kind;
    uint64_t pinnedIndex = 42;

private:
    HandleQueries* m_previous;
};

}  // namespace testsupport
