// The device layer's rules over a physical disk made of an image file: which path is opened
// first, when the fallback path is taken, how the size candidates combine, which codes are
// refused with which error, and that a refused geometry leaves the presets.
#include "DiskDocTestSupport.h"
#include "ScanTestSupport.h"
#include <gtest/gtest.h>
#include <string.h>

using namespace doctest;

namespace {

const char kDrive3[] = "\\\\.\\PhysicalDrive3";
const char kDrive3Fallback[] = "\\\\?\\GLOBALROOT\\Device\\Harddisk3\\Partition0";

// mbr.img as physical drive 3, behind both of its device paths.
class DiskIoOnImage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        image = scantest::FixturePath("mbr.img");
        if (!scantest::FileExists(image))
            GTEST_SKIP() << "mbr.img was not made";
        copy = TempPath("diskio-mbr.img");
        ASSERT_TRUE(CopyFileTo(image, copy));
        fake.files[kDrive3] = copy;
        fake.files[kDrive3Fallback] = copy;
        ASSERT_TRUE(ReadWholeFile(copy, &bytes));
    }

    std::string image, copy;
    std::vector<uint8_t> bytes;
    FakeDiskAccess fake;
};

}  // namespace

TEST(DiskIoCodes, PathsOfEveryKindOfCode)
{
    char path[80], fallback[80];
    ASSERT_TRUE(DiskIoDevicePath(2, path, sizeof path, fallback, sizeof fallback));
    EXPECT_STREQ("\\\\.\\C:", path);
    EXPECT_STREQ("", fallback);
    ASSERT_TRUE(DiskIoDevicePath(0x8000 + 31, path, sizeof path, fallback, sizeof fallback));
    EXPECT_STREQ("\\\\.\\PhysicalDrive31", path);
    EXPECT_STREQ("\\\\?\\GLOBALROOT\\Device\\Harddisk31\\Partition0", fallback);
    // Disk 2, partition 5: the partition path and no fallback.
    ASSERT_TRUE(DiskIoDevicePath(0x4000 + 16 * 2 + 5, path, sizeof path, fallback, sizeof fallback));
    EXPECT_STREQ("\\\\?\\GLOBALROOT\\Device\\Harddisk2\\Partition5", path);
    EXPECT_STREQ("", fallback);
    // Partition 0 of disk 7 is the whole disk, with the physical drive's fallback.
    ASSERT_TRUE(DiskIoDevicePath(0x4000 + 16 * 7, path, sizeof path, fallback, sizeof fallback));
    EXPECT_STREQ("\\\\.\\PhysicalDrive7", path);
    EXPECT_STREQ("\\\\?\\GLOBALROOT\\Device\\Harddisk7\\Partition0", fallback);
}

TEST(DiskIoCodes, InvalidCodesFailWithInvalidDrive)
{
    const uint32_t bad[] = { 26, 0x31, 0x8000 + 32, 0x8000 + 99, 0x4000 + 1024, 0x3FFF, 0xFFFFFFFFu };
    uint8_t buffer[512];
    for (uint32_t code : bad) {
        SetLastError(0);
        EXPECT_FALSE(DiskIoRead(code, 1, 0, buffer)) << std::hex << code;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DRIVE), GetLastError()) << std::hex << code;
    }
    DISK_GEOMETRY g;
    memset(&g, 0, sizeof g);
    SetLastError(0);
    EXPECT_FALSE(DiskIoGetGeometry(26, &g));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DRIVE), GetLastError());
    EXPECT_EQ(0u, DiskIoLetterToPartition(26, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DRIVE), GetLastError());
}

TEST_F(DiskIoOnImage, ReadsThroughThePhysicalPath)
{
    AccessScope scope(&fake);
    std::vector<uint8_t> buf(3 * 512);
    ASSERT_TRUE(DiskIoRead(0x8003, 3, 2048, buf.data()));
    EXPECT_EQ(0, memcmp(buf.data(), bytes.data() + 2048 * 512, buf.size()));
    ASSERT_FALSE(fake.opened.empty());
    EXPECT_EQ(kDrive3, fake.opened.front());
    EXPECT_EQ(1u, fake.opened.size()) << "the fallback was tried although the first path opened";
}

TEST_F(DiskIoOnImage, FallsBackToPartition0WhenThePhysicalPathFails)
{
    fake.refusedPaths.insert(kDrive3);
    AccessScope scope(&fake);
    std::vector<uint8_t> buf(512);
    ASSERT_TRUE(DiskIoRead(0x8003, 1, 0, buf.data()));
    EXPECT_EQ(0, memcmp(buf.data(), bytes.data(), 512));
    ASSERT_EQ(2u, fake.opened.size());
    EXPECT_EQ(kDrive3Fallback, fake.opened[1]);
    // The whole-disk partition code takes the same way.
    fake.opened.clear();
    ASSERT_TRUE(DiskIoRead(0x4000 + 16 * 3, 1, 0, buf.data()));
    EXPECT_EQ(kDrive3Fallback, fake.opened.back());
}

TEST_F(DiskIoOnImage, ADriveLetterHasNoFallback)
{
    fake.files["\\\\.\\Q:"] = copy;
    fake.refusedPaths.insert("\\\\.\\Q:");
    AccessScope scope(&fake);
    uint8_t buf[512];
    EXPECT_FALSE(DiskIoRead(16, 1, 0, buf));
    EXPECT_EQ(1u, fake.opened.size());
}

TEST_F(DiskIoOnImage, ReadsPastTheEndFailAndShortReadsFail)
{
    AccessScope scope(&fake);
    uint64_t units = bytes.size() / 512;
    std::vector<uint8_t> buf(2 * 512);
    EXPECT_TRUE(DiskIoRead(0x8003, 1, units - 1, buf.data()));
    EXPECT_FALSE(DiskIoRead(0x8003, 2, units - 1, buf.data())) << "a short read counted as success";
    EXPECT_EQ(static_cast<DWORD>(ERROR_HANDLE_EOF), GetLastError()) << "a failed short read left no error";
    EXPECT_FALSE(DiskIoRead(0x8003, 1, units, buf.data()));
}

// Lengths beyond 32 bits of bytes and offsets beyond 63 bits are refused before a device is
// opened, instead of wrapping to a short (or empty, "successful") transfer somewhere else.
TEST_F(DiskIoOnImage, TransfersThatWouldWrapAreRefused)
{
    AccessScope scope(&fake);
    uint64_t before = HashOutside(copy, 0, 0);
    std::vector<uint8_t> buf(512, 0x5A);
    const uint32_t wrapsToZero = 0x800000;          // 0x800000 * 512 = 2^32
    const uint64_t pastSignedBytes = (1ull << 54);  // * 512 = 2^63
    struct Case
    {
        uint32_t count;
        uint64_t offset;
    };
    const Case cases[] = { { wrapsToZero, 0 }, { wrapsToZero + 1, 0 }, { 1, pastSignedBytes }, { 1, ~0ull } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        SetLastError(0);
        EXPECT_FALSE(DiskIoRead(0x8003, c.count, c.offset, buf.data()));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
        SetLastError(0);
        EXPECT_FALSE(DiskIoWrite(0x8003, c.count, c.offset, buf.data()));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    }
    EXPECT_TRUE(fake.opened.empty()) << "a device was opened for a transfer that cannot be done";
    EXPECT_EQ(std::vector<uint8_t>(512, 0x5A), buf);
    EXPECT_EQ(before, HashOutside(copy, 0, 0));
    // The last unit that ends within 63 bits of bytes still goes to the device, and fails
    // there as a read past the end of this disk.
    EXPECT_FALSE(DiskIoRead(0x8003, 1, pastSignedBytes - 2, buf.data()));
    EXPECT_EQ(1u, fake.opened.size()) << "error " << GetLastError();
}

TEST_F(DiskIoOnImage, WritesGoOnlyToLettersAndPhysicalDrives)
{
    AccessScope scope(&fake);
    uint64_t before = HashOutside(copy, 0, 0);
    std::vector<uint8_t> sector(512, 0xA5);
    SetLastError(0);
    EXPECT_FALSE(DiskIoWrite(0x4000 + 16 * 3 + 1, 1, 100, sector.data()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_FALSE(DiskIoWrite(0x4000 + 16 * 3, 1, 100, sector.data()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_EQ(before, HashOutside(copy, 0, 0)) << "a refused write changed the disk";

    uint64_t outside = HashOutside(copy, 100 * 512, 512);
    ASSERT_TRUE(DiskIoWrite(0x8003, 1, 100, sector.data()));
    std::vector<uint8_t> back;
    ASSERT_TRUE(ReadFileBytes(copy, 100 * 512, 512, &back));
    EXPECT_EQ(sector, back);
    EXPECT_EQ(outside, HashOutside(copy, 100 * 512, 512));

    // A drive Wine reads raw from a file, held open, is never grown: not at its old end once
    // another program has cut the file short.
    fake.fileBacked = true;
    const uint64_t units = SizeOf(copy) / 512;
    {
        DeviceHold hold;
        ASSERT_TRUE(hold.Open(0x8003));
        EXPECT_TRUE(hold.Write(1, units - 1, sector.data()));
        HANDLE other = CreateFileA(copy.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(other, INVALID_HANDLE_VALUE);
        LARGE_INTEGER half;
        half.QuadPart = static_cast<LONGLONG>(units / 2 * 512);
        EXPECT_TRUE(SetFilePointerEx(other, half, nullptr, FILE_BEGIN) && SetEndOfFile(other));
        CloseHandle(other);
        SetLastError(0);
        EXPECT_FALSE(hold.Write(1, units - 1, sector.data()));
        EXPECT_EQ(static_cast<DWORD>(ERROR_HANDLE_EOF), GetLastError());
        EXPECT_TRUE(hold.Write(1, units / 2 - 1, sector.data()));
    }
    EXPECT_EQ(units / 2 * 512, SizeOf(copy)) << "the file behind the drive grew";
    fake.fileBacked = false;
}

namespace {

// A driver that reports another position than the one asked for, without an error: in the
// low half (it moved one unit further) or in the high half of the answer.
class LandsElsewhere : public FakeDiskAccess
{
public:
    int lowShift = 0;
    LONG highShift = 0;
    DWORD Seek(HANDLE handle, LONG low, LONG* high) override
    {
        DWORD reached = FakeDiskAccess::Seek(handle, low + lowShift, high);
        if (high)
            *high += highShift;
        SetLastError(0);
        return reached;
    }
};

}  // namespace

TEST_F(DiskIoOnImage, ATransferWhosePositionIsNotReachedMovesNothing)
{
    const struct {
        const char* what;
        int lowShift;
        LONG highShift;
    } kCases[] = {
        {"one unit further", 512, 0},
        {"another high half", 0, 1},
    };
    for (const auto& c : kCases) {
        LandsElsewhere device;
        device.files = fake.files;
        device.lowShift = c.lowShift;
        device.highShift = c.highShift;
        AccessScope scope(&device);
        const uint64_t before = HashOutside(copy, 0, 0);
        std::vector<uint8_t> sector(512, 0xC3);
        EXPECT_FALSE(DiskIoWrite(0x8003, 1, 100, sector.data())) << c.what;
        EXPECT_EQ(0, device.writes) << c.what;
        EXPECT_EQ(before, HashOutside(copy, 0, 0)) << c.what << ": the disk changed";
        EXPECT_FALSE(DiskIoRead(0x8003, 1, 100, sector.data())) << c.what;
    }
}

TEST_F(DiskIoOnImage, PhysicalSizeIsTheLargestCandidate)
{
    AccessScope scope(&fake);
    uint32_t bps = 0;
    // The geometry candidate rounds down to whole cylinders; the length wins.
    uint64_t units = DiskIoGetSize(0x8003, &bps);
    EXPECT_EQ(bytes.size() / 512, units);
    EXPECT_EQ(512u, bps);
    // Without length and extended geometry only the cylinders count.
    fake.refuseLength = true;
    fake.refuseGeometryEx = true;
    uint64_t cylinders = bytes.size() / (255 * 63 * 512);
    EXPECT_EQ(cylinders * 255 * 63, DiskIoGetPhysicalSize(3, &bps));
    // Without the geometry there is no size at all.
    fake.refuseGeometry = true;
    EXPECT_EQ(0u, DiskIoGetPhysicalSize(3, &bps));
    EXPECT_EQ(0u, bps);
    // Unless the drive reads a file, as Wine reads one its dosdevices link names: the file's
    // size, with 512-byte sectors.
    fake.fileBacked = true;
    EXPECT_EQ(bytes.size() / 512, DiskIoGetPhysicalSize(3, &bps));
    EXPECT_EQ(512u, bps);
}

TEST_F(DiskIoOnImage, GeometryPresetsStayWhenTheDriveRefuses)
{
    AccessScope scope(&fake);
    DISK_GEOMETRY g;
    memset(&g, 0, sizeof g);
    ASSERT_TRUE(DiskIoGetGeometry(0x8003, &g));
    EXPECT_EQ(static_cast<LONGLONG>(bytes.size() / (255 * 63 * 512)), g.Cylinders.QuadPart);
    EXPECT_EQ(512u, g.BytesPerSector);
    fake.refuseGeometry = true;
    memset(&g, 0, sizeof g);
    EXPECT_FALSE(DiskIoGetGeometry(0x8003, &g));
    EXPECT_EQ(1023, g.Cylinders.QuadPart);
    EXPECT_EQ(255u, g.TracksPerCylinder);
    EXPECT_EQ(63u, g.SectorsPerTrack);
}

TEST_F(DiskIoOnImage, LetterSizeFallsBackToTheVolumeSize)
{
    // A letter whose device answers no geometry, no partition and no length question: the
    // volume's total size, with 512-byte sectors.
    fake.files["\\\\.\\Q:"] = copy;
    fake.refuseGeometry = true;
    fake.refuseLength = true;
    fake.volumeBytes = 1000 * 512 + 300;
    AccessScope scope(&fake);
    uint32_t bps = 0;
    EXPECT_EQ(1000u, DiskIoGetSize(16, &bps));
    EXPECT_EQ(512u, bps);
    // With a geometry but no partition answer the volume size still wins.
    fake.refuseGeometry = false;
    EXPECT_EQ(1000u, DiskIoGetSize(16, &bps));
    // The device's own length comes before the volume's size; so does the file a drive reads
    // raw (Wine's "q::" link), whose volume answers with the host's file system.
    fake.refuseLength = false;
    EXPECT_EQ(bytes.size() / 512, DiskIoGetSize(16, &bps));
    fake.refuseLength = true;
    fake.refuseGeometry = true;
    fake.fileBacked = true;
    bps = 0;
    EXPECT_EQ(bytes.size() / 512, DiskIoGetSize(16, &bps));
    EXPECT_EQ(512u, bps);
    fake.fileBacked = false;
    fake.refuseGeometry = false;
    fake.refuseLength = false;
    // The partition's own length comes first, with the geometry's sector size; without a
    // geometry the sectors count as 512 bytes.
    fake.partitionLength = 777 * 512;
    EXPECT_EQ(777u, DiskIoGetSize(16, &bps));
    EXPECT_EQ(512u, bps);
    fake.refuseGeometry = true;
    bps = 0;
    EXPECT_EQ(777u, DiskIoGetSize(16, &bps));
    EXPECT_EQ(512u, bps);
    fake.partitionLength = -1;
    // Nothing at all: 0 and no sector size.
    fake.refuseGeometry = true;
    fake.refuseLength = true;
    fake.volumeBytes = 0;
    EXPECT_EQ(0u, DiskIoGetSize(16, &bps));
    EXPECT_EQ(0u, bps);
}
