// Drive Q: of the test prefix: a host folder whose raw device "\\.\Q:" reads a copy of the
// NTFS fixture image. Wine calls its file system "NTFS", refuses the geometry and length
// questions, and knows the size only from the host folder's free-space query:
// the device layer's fallbacks give the size, the NTFS recogniser the areas.
#include "DiskDocTestSupport.h"
#include "ScanTestSupport.h"
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

TEST_F(DriveQ, DeviceLayerFallsBackToTheVolumeSize)
{
    uint64_t total = HostFolderTotal();
    ASSERT_GT(total, 0u);
    uint32_t bps = 0;
    // No geometry, no partition answer, no CD-ROM geometry: the volume's total size in
    // 512-byte units, with 512-byte sectors.
    EXPECT_EQ(total / 512, DiskIoGetSize(kDriveQ, &bps));
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
    EXPECT_EQ(HostFolderTotal() / 512, doc->GetSectorCount());
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
