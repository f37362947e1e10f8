// Benchmark of the long sector commands: an image of seeded random bytes with one planted
// hit in its last sector, searched, saved whole and loaded back through the document's own
// commands, behind the real progress dialog (the range and value dialogs answered by their
// seams). Each command is timed against plain ReadFile (search) or ReadFile/WriteFile copies
// (save, load) of the same bytes in 1 MiB blocks, in the same run with a warm file cache;
// medians of several rounds. Every file it makes is deleted at the end.
//   sl_bench_sectors.exe <folder> [--size 2G|1G|<n>M] [rounds]
#include "bench/BenchSupport.h"
#include "disk/DiskDoc.h"
#include "disk/DiskDocNavigation.h"
#include "disk/SectorRangeDialog.h"
#include "views/FindValueDialog.h"
#include "views/ValueSearchLists.h"
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

using bench::Now;

const uint32_t kBlock = 1 << 20;
// The planted value: 8 bytes at byte 100 of the last sector.
const uint8_t kValue[8] = { 'S', 'e', 'K', 't', 'O', 'r', 'L', 'u' };

// Writes `size` bytes of a seeded xorshift stream, the value planted in the last sector.
bool MakeImage(const std::string& path, uint64_t size)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    std::vector<uint64_t> block(kBlock / 8);
    uint64_t state = 0x9E3779B97F4A7C15ull;
    bool ok = true;
    for (uint64_t at = 0; ok && at < size; at += kBlock) {
        for (uint64_t& word : block) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            word = state;
        }
        if (at + kBlock >= size)
            memcpy(reinterpret_cast<uint8_t*>(block.data()) + kBlock - 512 + 100, kValue, sizeof kValue);
        DWORD done = 0;
        ok = WriteFile(h, block.data(), kBlock, &done, nullptr) && done == kBlock;
    }
    CloseHandle(h);
    return ok;
}

// Reads the file in 1 MiB blocks, and writes them to `to` when given; the seconds taken.
double RawPass(const std::string& from, const std::string* to)
{
    std::vector<uint8_t> buffer(kBlock);
    const double start = Now();
    HANDLE in = CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE out = to ? CreateFileA(to->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr) : nullptr;
    DWORD done = 0, written = 0;
    while (ReadFile(in, buffer.data(), kBlock, &done, nullptr) && done > 0)
        if (out)
            WriteFile(out, buffer.data(), done, &written, nullptr);
    if (out)
        CloseHandle(out);
    CloseHandle(in);
    return Now() - start;
}

// Overwrites (`mark`) or compares with `image` (!mark) one sector at the start, the middle
// and the end of `copy`: a load that wrote nothing would otherwise go unnoticed, since the raw
// copy already holds the image's bytes.
bool MarkedSectors(const std::string& copy, const std::string& image, uint64_t size, bool mark)
{
    HANDLE c = CreateFileA(copy.c_str(), GENERIC_READ | (mark ? GENERIC_WRITE : 0), 0, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    HANDLE i = CreateFileA(image.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    bool same = c != INVALID_HANDLE_VALUE && i != INVALID_HANDLE_VALUE;
    const uint64_t offsets[] = { 0, size / 2, size - 512 };
    for (uint64_t offset : offsets) {
        uint8_t a[512], b[512];
        memset(a, 0xEE, sizeof a);
        LARGE_INTEGER pos;
        pos.QuadPart = static_cast<LONGLONG>(offset);
        DWORD done = 0;
        if (mark) {
            same = same && SetFilePointerEx(c, pos, nullptr, FILE_BEGIN) && WriteFile(c, a, 512, &done, nullptr);
            continue;
        }
        same = same && SetFilePointerEx(c, pos, nullptr, FILE_BEGIN) && ReadFile(c, a, 512, &done, nullptr) &&
               SetFilePointerEx(i, pos, nullptr, FILE_BEGIN) && ReadFile(i, b, 512, &done, nullptr) &&
               memcmp(a, b, 512) == 0;
    }
    CloseHandle(c);
    CloseHandle(i);
    return same;
}

// The range dialog answers with the whole medium and the file; every question with OK.
class BenchDialogs : public DiskNavDialogs {
public:
    std::string file, count;
    INT_PTR RunSectorRange(CSectorRangeDlg& dlg) override
    {
        dlg.m_strFileName = file.c_str();
        dlg.m_strFirstSector = "0";
        dlg.m_strCount = count.c_str();
        dlg.EvaluateRange();
        return IDOK;
    }
};

class BenchPrompts : public DiskDocPrompts {
public:
    int Box(const char*, const char*, UINT) override { return IDOK; }
};

std::string g_pattern;

INT_PTR AnswerPattern(CWnd*, ValueSearchSettings* settings, uint32_t, const char*)
{
    MultiTextFree(&settings->pattern);
    settings->pattern = static_cast<char*>(malloc(g_pattern.size()));
    memcpy(settings->pattern, g_pattern.data(), g_pattern.size());
    return IDOK;
}

std::string Pattern(const std::string& line)
{
    std::string block(1, '\0');
    block += line;
    block.append(2, '\0');
    return block;
}

struct Result {
    const char* name;
    double command, raw, goal;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: sl_bench_sectors <folder> [--size 2G|1G|<n>M] [rounds]\n");
        return 2;
    }
    const std::string folder = argv[1];
    uint64_t size = 2ull << 30;
    int rounds = 3;
    for (int i = 2; i < argc; ++i) {
        if (strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
            char* unit = nullptr;
            size = strtoull(argv[++i], &unit, 10) << ((unit && (*unit == 'G' || *unit == 'g')) ? 30 : 20);
        } else {
            rounds = atoi(argv[i]);
        }
    }
    size -= size % kBlock;
    if (size < 4 * kBlock || rounds < 1) {
        fprintf(stderr, "sl_bench_sectors: a size of at least 4M and one round, please\n");
        return 2;
    }
    bench::PrepareSettings();
    const std::string image = folder + "\\sectors.img", dump = folder + "\\sectors-dump.bin",
                      copy = folder + "\\sectors-copy.img";
    printf("making %llu MiB of random bytes ...\n", static_cast<unsigned long long>(size >> 20));
    if (!MakeImage(image, size)) {
        fprintf(stderr, "sl_bench_sectors: cannot write %s (error %lu)\n", image.c_str(), GetLastError());
        return 1;
    }
    RawPass(image, nullptr);                // the file cache is warm from here on

    CDiskDoc* doc = new CDiskDoc;
    BenchPrompts prompts;
    BenchDialogs dialogs;
    doc->SetPrompts(&prompts);
    doc->SetNavDialogs(&dialogs);
    SetHexFindDialogSeam(&AnswerPattern);
    int failures = 0;
    if (!doc->OnOpenDocument(image.c_str())) {
        fprintf(stderr, "sl_bench_sectors: the document refused %s\n", image.c_str());
        return 1;
    }
    const uint64_t sectors = doc->GetSectorCount();
    dialogs.count = std::to_string(sectors);
    std::vector<Result> results;

    const struct {
        const char* name;
        const char* line;
    } searches[] = {
        { "search, 8-byte value", "U:8\t:53 65 4B 74 4F 72 4C 75" },
        { "search, 8 letters, any case", "T:8 /G\t:73 45 6B 54 6F 52 6C 55" },
        { "search, masked, 1st byte open", "M:16\t:00 65 4B 74 4F 72 4C 75 00 FF FF FF FF FF FF FF" },
    };
    for (const auto& s : searches) {
        g_pattern = Pattern(s.line);
        std::vector<double> command, raw;
        for (int r = 0; r < rounds; ++r) {
            raw.push_back(RawPass(image, nullptr));
            doc->SetCurrentSector(0);
            const double t0 = Now();
            doc->OnSearchSectors();
            command.push_back(Now() - t0);
            if (doc->GetHitSector() != sectors - 1 || doc->GetHitOffset() != 100) {
                fprintf(stderr, "sl_bench_sectors: %s found nothing in the last sector\n", s.name);
                ++failures;
            }
        }
        results.push_back({ s.name, bench::Median(command), bench::Median(raw), s.line[0] == 'U' ? 0.8 : 0.5 });
    }

    std::vector<double> save, load, rawCopy;
    for (int r = 0; r < rounds; ++r) {
        rawCopy.push_back(RawPass(image, &copy));
        dialogs.file = dump;
        DeleteFileA(dump.c_str());
        double t0 = Now();
        doc->OnSaveSectors();
        save.push_back(Now() - t0);
        MarkedSectors(copy, image, size, true);
        doc->OnOpenDocument(copy.c_str());
        t0 = Now();
        doc->OnLoadSectors();
        load.push_back(Now() - t0);
        doc->OnOpenDocument(image.c_str());
        if (!MarkedSectors(copy, image, size, false)) {
            fprintf(stderr, "sl_bench_sectors: the load did not bring the dump back into the copy\n");
            ++failures;
        }
    }
    results.push_back({ "save whole image", bench::Median(save), bench::Median(rawCopy), 0.8 });
    results.push_back({ "load dump into a copy", bench::Median(load), bench::Median(rawCopy), 0.8 });

    printf("image            %s, %llu sectors (%.2f GiB), median of %d rounds\n", image.c_str(),
           static_cast<unsigned long long>(sectors), size / 1073741824.0, rounds);
    printf("%-32s %10s %10s %8s %6s\n", "", "command", "raw", "ratio", "goal");
    const double mib = static_cast<double>(size) / 1048576.0;
    for (const Result& r : results) {
        const double ratio = r.command > 0 ? r.raw / r.command : 0;
        printf("%-32s %6.0f MB/s %6.0f MB/s %8.2f %6.2f%s\n", r.name, mib / r.command, mib / r.raw, ratio, r.goal,
               ratio >= r.goal ? "" : "  (missed)");
    }

    SetHexFindDialogSeam(nullptr);
    delete doc;
    DeleteFileA(image.c_str());
    DeleteFileA(dump.c_str());
    DeleteFileA(copy.c_str());
    bench::ForgetSettings();
    return failures ? 1 : 0;
}
