// Damaged media opened through the document as the program opens them: random bytes in the
// sectors the scan reads (boot sectors, MBR, EBRs, GPT header and entries, MFT records,
// superblocks). Every open must end quickly, ask nothing, write nothing, and leave a table
// whose areas stay ordered.
#include "DiskDocTestSupport.h"
#include "ScanTestSupport.h"
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <set>

using namespace doctest;

namespace {

const char kDrive7[] = "\\\\.\\PhysicalDrive7";

bool PatchFile(const std::string& path, uint64_t offset, const std::vector<uint8_t>& bytes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER pos;
    pos.QuadPart = static_cast<LONGLONG>(offset);
    DWORD done = 0;
    bool ok = SetFilePointerEx(h, pos, nullptr, FILE_BEGIN) &&
              WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) && done == bytes.size();
    CloseHandle(h);
    return ok;
}

// The sectors worth damaging: the first 40 and the first two sectors of every area the
// undamaged scan found.
std::vector<uint64_t> Targets(const CDiskDoc& doc)
{
    std::set<uint64_t> t;
    for (uint64_t s = 0; s < 40; ++s)
        t.insert(s);
    const AreaTable& a = doc.GetAreas();
    for (uint32_t i = 0; i < a.count; ++i) {
        t.insert(a.first[i] * doc.GetUnitsPerSector());
        t.insert(a.first[i] * doc.GetUnitsPerSector() + 1);
    }
    return std::vector<uint64_t>(t.begin(), t.end());
}

void Mutate(const char* fixture, int rounds, uint32_t seed)
{
    std::string image = scantest::FixturePath(fixture);
    if (!scantest::FileExists(image))
        GTEST_SKIP() << fixture << " was not made";
    std::string copy = TempPath(std::string("mutated-") + fixture);
    ASSERT_TRUE(CopyFileTo(image, copy));
    FakeDiskAccess fake;
    fake.files[kDrive7] = copy;
    AccessScope scope(&fake);
    ScriptedPrompts prompts;
    std::unique_ptr<CDiskDoc> doc(NewDocument());
    doc->SetPrompts(&prompts);
    ASSERT_TRUE(doc->OnOpenDocument("Physical7"));
    std::vector<uint64_t> targets = Targets(*doc);
    uint64_t units = doc->GetSectorCount() * doc->GetUnitsPerSector();

    std::mt19937 rng(seed);
    double worst = 0;
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    for (int round = 0; round < rounds; ++round) {
        uint64_t unit = targets[rng() % targets.size()];
        if (unit >= units)
            continue;
        std::vector<uint8_t> original;
        ASSERT_TRUE(ReadFileBytes(copy, unit * 512, 512, &original));
        std::vector<uint8_t> damaged = original;
        if (rng() % 4 == 0) {
            for (uint8_t& b : damaged)
                b = static_cast<uint8_t>(rng());
        } else {
            int n = 1 + static_cast<int>(rng() % 16);
            for (int i = 0; i < n; ++i)
                damaged[rng() % 512] = static_cast<uint8_t>(rng() % 3 == 0 ? 0xFF : rng());
        }
        ASSERT_TRUE(PatchFile(copy, unit * 512, damaged));
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        BOOL opened = doc->OnOpenDocument("Physical7");
        QueryPerformanceCounter(&t1);
        double seconds = static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(freq.QuadPart);
        worst = seconds > worst ? seconds : worst;
        ASSERT_TRUE(opened);
        ASSERT_LT(seconds, 5.0) << "unit " << unit << " round " << round;
        const AreaTable& a = doc->GetAreas();
        for (uint32_t i = 1; i < a.count; ++i)
            ASSERT_LE(a.first[i - 1], a.first[i]) << "unit " << unit << " round " << round;
        const PartitionStartList& p = doc->GetPartitionStarts();
        for (uint32_t i = 1; i < p.count; ++i)
            ASSERT_LE(p.start[i - 1], p.start[i]);
        ASSERT_TRUE(PatchFile(copy, unit * 512, original));
    }
    EXPECT_EQ(0, fake.writes) << "opening a damaged medium wrote to it";
    EXPECT_TRUE(prompts.boxes.empty()) << "opening a damaged medium asked: " << prompts.boxes.front().text;
    ::testing::Test::RecordProperty("worst_open_ms", static_cast<int>(worst * 1000));
}

}  // namespace

TEST(DocumentMutation, MbrWithLogicalPartitions) { Mutate("mbr.img", 300, 11); }
TEST(DocumentMutation, GptWithFourFileSystems) { Mutate("gpt.img", 300, 12); }
TEST(DocumentMutation, Ntfs) { Mutate("ntfs.img", 200, 13); }
TEST(DocumentMutation, Fat32) { Mutate("fat32.img", 200, 14); }
TEST(DocumentMutation, ExFat) { Mutate("exfat.img", 200, 15); }
TEST(DocumentMutation, Iso9660) { Mutate("isoudf.img", 200, 16); }
