// Scan benchmark: opens a large partitioned image through the sector document exactly as the
// program opens a path (size, scan into the area table, sector 0), and in the same run reads
// the very units that scan reads with plain ReadFile calls. The ratio of the two times is
// what the document and the recognisers add to the bare I/O; the peak memory shows that the
// scan keeps nothing in proportion to the medium.
//   sl_bench.exe <image> [rounds]
#include "disk/DiskDoc.h"
#include "disk/SectorSource.h"
#include "disk/VolumeScan.h"
#include "bench/BenchSupport.h"
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <algorithm>
#include <vector>

namespace {

struct UnitRead
{
    uint64_t unit;
    uint32_t count;
};

// Passes the scan's reads to the image and writes down each one.
class RecordingSource : public SectorSource
{
public:
    explicit RecordingSource(SectorSource& inner) : m_inner(inner) {}
    bool ReadUnits(uint64_t firstUnit, uint32_t count, void* buffer) override
    {
        reads.push_back({ firstUnit, count });
        return m_inner.ReadUnits(firstUnit, count, buffer);
    }
    std::vector<UnitRead> reads;

private:
    SectorSource& m_inner;
};

using bench::Now;

// Reads the recorded units from the image with nothing in between; false on a failed read
// that the scan did not see fail either way (the reads past the end of a damaged table).
double RawReadTime(const char* path, const std::vector<UnitRead>& reads, uint64_t* bytesRead)
{
    std::vector<uint8_t> buffer(1 << 20);
    double start = Now();
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return -1;
    uint64_t total = 0;
    for (const UnitRead& r : reads) {
        DWORD bytes = r.count * 512;
        if (bytes > buffer.size())
            buffer.resize(bytes);
        LARGE_INTEGER pos;
        pos.QuadPart = static_cast<LONGLONG>(r.unit * 512);
        DWORD done = 0;
        if (SetFilePointerEx(h, pos, nullptr, FILE_BEGIN) && ReadFile(h, buffer.data(), bytes, &done, nullptr))
            total += done;
    }
    CloseHandle(h);
    *bytesRead = total;
    return Now() - start;
}

using bench::Median;

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: sl_bench <image> [rounds]\n");
        return 2;
    }
    const char* path = argv[1];
    int rounds = argc > 2 ? atoi(argv[2]) : 15;
    if (rounds < 1)
        rounds = 1;
    bench::PrepareSettings();

    // Which units does the scan read? The same scan the document runs, over the image.
    ImageFileSource image;
    if (!image.Open(path)) {
        fprintf(stderr, "sl_bench: cannot open %s (error %lu)\n", path, GetLastError());
        return 1;
    }
    VolumeScanResult recorded;
    recorded.driveCode = DRIVECODE_IMAGE;
    recorded.sectorCount = image.SizeInUnits();
    RecordingSource recorder(image);
    VolumeScanner(recorder, recorded).AnalyzeVolume();
    image.Close();
    // The document also loads sector 0 after the scan.
    recorder.reads.push_back({ 0, 1 });
    uint64_t unitsRecorded = 0;
    for (const UnitRead& r : recorder.reads)
        unitsRecorded += r.count;

    CDiskDoc* doc = new CDiskDoc;
    std::vector<double> docTimes, rawTimes;
    uint64_t rawBytes = 0;
    // One round of each first, so both start with the same file cache.
    doc->OnOpenDocument(path);
    RawReadTime(path, recorder.reads, &rawBytes);
    for (int i = 0; i < rounds; ++i) {
        double t0 = Now();
        BOOL ok = doc->OnOpenDocument(path);
        docTimes.push_back(Now() - t0);
        if (!ok) {
            fprintf(stderr, "sl_bench: the document refused %s\n", path);
            return 1;
        }
        rawTimes.push_back(RawReadTime(path, recorder.reads, &rawBytes));
    }

    const AreaTable& areas = doc->GetAreas();
    printf("image            %s\n", path);
    printf("medium           %llu sectors of %u bytes (%.1f GiB)\n",
           static_cast<unsigned long long>(doc->GetSectorCount()), doc->GetBytesPerSector(),
           static_cast<double>(doc->GetSectorCount()) * doc->GetBytesPerSector() / (1024.0 * 1024 * 1024));
    printf("area table       %u areas, %u cluster regions, %u partition starts\n", areas.count,
           doc->GetClusterRegions().count, doc->GetPartitionStarts().count);
    for (uint32_t i = 0; i < areas.count; ++i)
        printf("  %12llu .. %12llu  %s\n", static_cast<unsigned long long>(areas.first[i]),
               static_cast<unsigned long long>(areas.end[i]), areas.DisplayName(i));
    printf("scan reads       %u reads, %llu units (%llu bytes read raw)\n", static_cast<unsigned>(recorder.reads.size()),
           static_cast<unsigned long long>(unitsRecorded), static_cast<unsigned long long>(rawBytes));
    double docTime = Median(docTimes);
    double rawTime = Median(rawTimes);
    printf("open + scan      %.3f ms (median of %d)\n", docTime * 1000, rounds);
    printf("raw reads        %.3f ms (median of %d)\n", rawTime * 1000, rounds);
    printf("ratio            %.2f\n", rawTime > 0 ? docTime / rawTime : 0.0);
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc))
        printf("peak memory      working set %.1f MiB, committed %.1f MiB\n", pmc.PeakWorkingSetSize / 1048576.0,
               pmc.PeakPagefileUsage / 1048576.0);
    delete doc;
    bench::ForgetSettings();
    return 0;
}
