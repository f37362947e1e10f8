#include "disk/SectorSource.h"
#include "disk/VolumeScan.h"
#include "ScanTestSupport.h"
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

// A file in the temporary folder, deleted (read-only flag cleared first) at the end.
class TempFile
{
public:
    TempFile(const void* bytes, DWORD size)
    {
        char dir[MAX_PATH], name[MAX_PATH];
        GetTempPathA(sizeof dir, dir);
        GetTempFileNameA(dir, "slf", 0, name);
        m_path = name;
        HANDLE h = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        if (size)
            WriteFile(h, bytes, size, &written, nullptr);
        CloseHandle(h);
    }
    ~TempFile()
    {
        SetFileAttributesA(m_path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(m_path.c_str());
    }
    const char* Path() const { return m_path.c_str(); }
private:
    std::string m_path;
};

std::vector<uint8_t> Pattern(size_t size)
{
    std::vector<uint8_t> v(size);
    for (size_t i = 0; i < size; ++i)
        v[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
    return v;
}

}  // namespace

TEST(MemorySectorSource, ReadsWholeUnitsInsideTheBytesOnly)
{
    std::vector<uint8_t> bytes = Pattern(3 * 512 + 100);
    MemorySectorSource m(bytes.data(), bytes.size());
    uint8_t buf[1024];
    ASSERT_TRUE(m.ReadUnits(1, 2, buf));
    EXPECT_EQ(memcmp(buf, bytes.data() + 512, 1024), 0);
    EXPECT_FALSE(m.ReadUnits(2, 2, buf));          // the 100-byte tail is no unit
    EXPECT_FALSE(m.ReadUnits(3, 1, buf));
    EXPECT_FALSE(m.ReadUnits(~0ull, 1, buf));      // no wrap of the byte offset
    EXPECT_FALSE(m.ReadUnits(0x80000000000000ull, 2, buf));
    EXPECT_FALSE(m.ReadUnits(0, 1, nullptr));
    EXPECT_EQ(m.ReadCalls(), 6u);
    MemorySectorSource none(nullptr, 4096);
    EXPECT_FALSE(none.ReadUnits(0, 1, buf));
}

TEST(ImageFileSource, ReadsTheFileInUnits)
{
    std::vector<uint8_t> bytes = Pattern(5 * 512 + 300);
    TempFile f(bytes.data(), static_cast<DWORD>(bytes.size()));
    ImageFileSource src;
    ASSERT_TRUE(src.Open(f.Path()));
    EXPECT_EQ(src.SizeInUnits(), 5u);              // the 300-byte tail is not counted
    uint8_t buf[2048];
    ASSERT_TRUE(src.ReadUnits(3, 2, buf));
    EXPECT_EQ(memcmp(buf, bytes.data() + 3 * 512, 1024), 0);
    ASSERT_TRUE(src.ReadUnits(0, 1, buf));
    EXPECT_EQ(memcmp(buf, bytes.data(), 512), 0);
    EXPECT_FALSE(src.ReadUnits(5, 1, buf));        // only the tail is left: a short read
    EXPECT_FALSE(src.ReadUnits(1000, 1, buf));
    EXPECT_FALSE(src.ReadUnits(~0ull, 1, buf));
    EXPECT_FALSE(src.ReadUnits(0, 1, nullptr));
}

TEST(ImageFileSource, ReadOnlyFileOpensAndOthersMayWriteMeanwhile)
{
    std::vector<uint8_t> bytes = Pattern(4096);
    TempFile f(bytes.data(), static_cast<DWORD>(bytes.size()));
    {
        // Another writer holding the file open does not stop the read handle.
        HANDLE w = CreateFileA(f.Path(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(w, INVALID_HANDLE_VALUE);
        ImageFileSource src;
        EXPECT_TRUE(src.Open(f.Path()));
        CloseHandle(w);
    }
    ASSERT_TRUE(SetFileAttributesA(f.Path(), FILE_ATTRIBUTE_READONLY));
    ImageFileSource src;
    ASSERT_TRUE(src.Open(f.Path()));
    uint8_t buf[512];
    EXPECT_TRUE(src.ReadUnits(7, 1, buf));
    EXPECT_EQ(memcmp(buf, bytes.data() + 7 * 512, 512), 0);
}

TEST(ImageFileSource, MissingEmptyAndNullPaths)
{
    ImageFileSource src;
    EXPECT_FALSE(src.Open("Z:\\no\\such\\folder\\image.img"));
    EXPECT_FALSE(src.IsOpen());
    EXPECT_FALSE(src.Open(nullptr));
    EXPECT_FALSE(src.Open(""));
    uint8_t buf[512];
    EXPECT_FALSE(src.ReadUnits(0, 1, buf));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(src.SizeInUnits(), 0u);

    // A 0-byte image: no units, and a scan that finds nothing.
    TempFile empty(nullptr, 0);
    ASSERT_TRUE(src.Open(empty.Path()));
    EXPECT_EQ(src.SizeInUnits(), 0u);
    VolumeScanResult r;
    r.driveCode = DRIVECODE_IMAGE;
    EXPECT_EQ(VolumeScanner(src, r).AnalyzeVolume(), 0u);
    EXPECT_EQ(r.areas.count, 0u);
}

TEST(ImageFileSource, TruncatedDiskImageGivesASmallerTable)
{
    // The MBR disk cut behind its second EBR: the first partitions are still found, the
    // rest is not, and nothing fails.
    std::string full = scantest::FixturePath("mbr.img");
    if (!scantest::FileExists(full))
        GTEST_SKIP() << "mbr.img was not made";
    VolumeScanResult whole;
    ASSERT_TRUE(scantest::ScanImage(full, &whole));
    ImageFileSource src;
    ASSERT_TRUE(src.Open(full.c_str()));
    const uint32_t keep = 30000;                    // units: ahead of the third logical partition
    std::vector<uint8_t> head(static_cast<size_t>(keep) * 512);
    ASSERT_TRUE(src.ReadUnits(0, keep, head.data()));
    src.Close();
    TempFile cut(head.data(), static_cast<DWORD>(head.size()));
    VolumeScanResult r;
    ASSERT_TRUE(scantest::ScanImage(cut.Path(), &r));
    EXPECT_GT(r.areas.count, 0u);
    EXPECT_LT(r.areas.count, whole.areas.count);
    for (uint32_t i = 0; i < r.areas.count; ++i)
        EXPECT_GE(scantest::FindArea(whole, r.areas.first[i], r.areas.end[i], r.areas.type[i]), 0)
            << "area " << i << " not in the whole disk's table";
}
