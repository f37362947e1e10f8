// Drive Q: of the test prefix: a host folder whose raw device "\\.\Q:" reads a copy of the
// NTFS fixture image. Wine calls its file system "NTFS" and refuses the geometry and length
// questions; its free-space query answers with the host's file system, the raw device's
// handle with the file it reads: the device layer takes that file's size, the NTFS
// recogniser the areas. A physical drive whose dosdevices entry is a file is measured alike.
#include "DiskDocTestSupport.h"
#include "ScanTestSupport.h"
#include "tests/support/TestSupport.h"
#include <gtest/gtest.h>
#include <memory>
#include <string.h>

using namespace doctest;

namespace {

const uint32_t kDriveQ = 'Q' - 'A';

class DriveQ : public ::testing::Test
{
protected:
    void SetUp() override
    {
        raw = scantest::FixturePath("qdrive-raw.img");
        if (GetDriveTypeA("Q:\\") == DRIVE_NO_ROOT_DIR || !scantest::FileExists(raw))
            GTEST_SKIP() << "no drive Q: with a raw device in this prefix (wine-drives.sh not run)";
        char volume[64], fs[33];
        DWORD serial = 0, maxLen = 0, flags = 0;
        ASSERT_TRUE(GetVolumeInformationA("Q:\\", volume, sizeof volume, &serial, &maxLen, &flags, fs, sizeof fs));
        fileSystem = fs;
    }

    // Total bytes of the host folder behind Q:, asked through the Z: drive: the same host
    // file system by another way.
    uint64_t HostFolderTotal() const
    {
        std::string folder = scantest::FixturePath("qdrive") + "\\";
        ULARGE_INTEGER avail, total, freeBytes;
        if (!GetDiskFreeSpaceExA(folder.c_str(), &avail, &total, &freeBytes))
            return 0;
        return total.QuadPart;
    }

    std::string raw;
    std::string fileSystem;
};

DWORD ControlError(HANDLE h, DWORD code)
{
    uint8_t out[64];
    DWORD n = 0;
    SetLastError(0);
    if (DeviceIoControl(h, code, nullptr, 0, out, sizeof out, &n, nullptr))
        return 0;
    return GetLastError();
}

}  // namespace

TEST_F(DriveQ, WineAnswersAsExpected)
{
    EXPECT_EQ("NTFS", fileSystem);
    HANDLE h = CreateFileA("\\\\.\\Q:", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    // Refused as "not supported" (50), or, once Wine's disk control code has been asked of
    // another file of that file system (the image checks do), as "invalid function" (1).
    for (DWORD code : { IOCTL_DISK_GET_DRIVE_GEOMETRY, IOCTL_DISK_GET_LENGTH_INFO }) {
        const DWORD error = ControlError(h, code);
        EXPECT_TRUE(error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION) << code << ": " << error;
    }
    uint8_t sector[512];
    DWORD done = 0;
    ASSERT_TRUE(ReadFile(h, sector, sizeof sector, &done, nullptr));
    CloseHandle(h);
    std::vector<uint8_t> expect;
    ASSERT_TRUE(ReadFileBytes(raw, 0, 512, &expect));
    EXPECT_EQ(0, memcmp(sector, expect.data(), 512)) << "\\\\.\\Q: does not read the image";
}

TEST_F(DriveQ, DeviceLayerTakesTheSizeOfTheFileItReads)
{
    uint64_t total = HostFolderTotal();
    ASSERT_GT(total, 0u);
    ASSERT_NE(total, SizeOf(raw)) << "the host's file system is the size of the image";
    uint32_t bps = 0;
    // No geometry, no partition answer, no CD-ROM geometry, no length: the size of the file
    // the raw device reads, in 512-byte units with 512-byte sectors; not the volume's total,
    // the host's file system, behind whose first megabytes a write would grow the file.
    EXPECT_EQ(SizeOf(raw) / 512, DiskIoGetSize(kDriveQ, &bps));
    EXPECT_EQ(512u, bps);
    DISK_GEOMETRY g;
    memset(&g, 0, sizeof g);
    EXPECT_FALSE(DiskIoGetGeometry(kDriveQ, &g));
    EXPECT_EQ(1023, g.Cylinders.QuadPart);
    EXPECT_EQ(255u, g.TracksPerCylinder);
    EXPECT_EQ(63u, g.SectorsPerTrack);
    int partition = 7;
    EXPECT_EQ(0u, DiskIoLetterToPartition(kDriveQ, &partition));
    EXPECT_EQ(-1, partition);
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), GetLastError());
    // Reads go through the raw device.
    std::vector<uint8_t> expect;
    ASSERT_TRUE(ReadFileBytes(raw, 16 * 512, 4 * 512, &expect));
    std::vector<uint8_t> got(4 * 512);
    ASSERT_TRUE(DiskIoRead(kDriveQ, 4, 16, got.data()));
    EXPECT_EQ(expect, got);
}

TEST_F(DriveQ, DocumentOpensTheLetterAndScansItAsNtfs)
{
    if (fileSystem != "NTFS")
        GTEST_SKIP() << "Wine calls Q: " << fileSystem;
    ScriptedPrompts prompts;
    std::unique_ptr<CDiskDoc> doc(NewDocument());
    doc->SetPrompts(&prompts);
    ASSERT_TRUE(doc->OnOpenDocument("q:\\"));
    EXPECT_EQ(kDriveQ, doc->GetDriveCode());
    EXPECT_EQ(SizeOf(raw) / 512, doc->GetSectorCount());
    EXPECT_EQ(512u, doc->GetBytesPerSector());
    ASSERT_EQ(static_cast<uint32_t>(LOADSTATE_LOADED), doc->GetLoadState());
    std::vector<uint8_t> boot;
    ASSERT_TRUE(ReadFileBytes(raw, 0, 512, &boot));
    EXPECT_EQ(0, memcmp(doc->GetSectorBuffer(), boot.data(), 512));
    EXPECT_STREQ("NTFS", doc->GetScan().fileSystemName);

    // The areas are those the NTFS recogniser finds in the image itself.
    ImageFileSource src;
    ASSERT_TRUE(src.Open(raw.c_str()));
    VolumeScanResult expected;
    expected.driveCode = kDriveQ;
    expected.sectorCount = src.SizeInUnits();
    VolumeScanner scanner(src, expected);
    ASSERT_NE(0u, scanner.AnalyzeByFileSystemName("NTFS"));
    expected.areas.Sort();
    const AreaTable& got = doc->GetAreas();
    ASSERT_EQ(expected.areas.count, got.count) << scantest::Describe(doc->GetScan());
    for (uint32_t i = 0; i < got.count; ++i) {
        EXPECT_EQ(expected.areas.first[i], got.first[i]);
        EXPECT_EQ(expected.areas.end[i], got.end[i]);
        EXPECT_EQ(expected.areas.type[i], got.type[i]);
    }
    ASSERT_EQ(expected.regions.count, doc->GetClusterRegions().count);
    EXPECT_EQ(0, prompts.unexpected);
}

// A physical drive Wine reaches through its dosdevices entry, here a copy of the NTFS image
// put there as "physicaldrive9": the device answers no disk question, and its size is that of
// the file it reads, through the device layer and in the document.
TEST_F(DriveQ, APhysicalDriveReadFromAFileHasItsSize)
{
    const std::string entry = testsupport::BinaryDir() + "\\wineprefix-tests\\dosdevices\\physicaldrive9";
    ASSERT_TRUE(CopyFileTo(raw, entry)) << entry;
    uint32_t bps = 0;
    EXPECT_EQ(SizeOf(raw) / 512, DiskIoGetSize(0x8009, &bps));
    EXPECT_EQ(512u, bps);
    {
        ScriptedPrompts prompts;
        std::unique_ptr<CDiskDoc> doc(NewDocument());
        doc->SetPrompts(&prompts);
        ASSERT_TRUE(doc->OnOpenDocument("Physical9"));
        EXPECT_EQ(SizeOf(raw) / 512, doc->GetSectorCount());
        ASSERT_EQ(static_cast<uint32_t>(LOADSTATE_LOADED), doc->GetLoadState());
        std::vector<uint8_t> boot;
        ASSERT_TRUE(ReadFileBytes(raw, 0, 512, &boot));
        EXPECT_EQ(0, memcmp(doc->GetSectorBuffer(), boot.data(), 512));
        EXPECT_EQ(0, prompts.unexpected);
    }
    DeleteFileA(entry.c_str());
}
