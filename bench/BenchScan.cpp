// Scan benchmark: opens large partitioned images through the sector document exactly as the
// program opens a path (size, scan into the area table, sector 0), and in the same run reads
// the very units that scan reads with plain ReadFile calls. The ratio of the two times is
// what the document and the recognisers add to the bare I/O; the peak memory shows that the
// scan keeps nothing in proportion to the medium. With several images the summary shows how
// reads and time grow from the first image to the others (with the partitions, not with the
// disk's size).
//   sl_bench.exe [--rounds N] <image>...
#include "disk/DiskDoc.h"
#include "disk/SectorSource.h"
#include "disk/VolumeScan.h"
#include "bench/BenchSupport.h"
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
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

// What one image gave.
struct ImageResult
{
    const char* path = nullptr;
    double gib = 0;
    uint32_t partitions = 0;        // partition starts the document found
    size_t reads = 0;
    uint64_t units = 0;
    double docTime = 0;             // open + scan, median
    double rawTime = 0;             // the same reads, bare, median
    double ratio = 0;               // median of the rounds' own ratios
};

// Measures one image; false (after a message) when it cannot be opened.
bool MeasureImage(const char* path, int rounds, ImageResult* result)
{
    // Which units does the scan read? The same scan the document runs, over the image.
    ImageFileSource image;
    if (!image.Open(path)) {
        fprintf(stderr, "sl_bench: cannot open %s (error %lu)\n", path, GetLastError());
        return false;
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
    std::vector<double> docTimes, rawTimes, ratios;
    uint64_t rawBytes = 0;
    // A few rounds of each first, so both start with the same file cache and Wine has
    // settled what it sets up on first use.
    for (int i = 0; i < 3; ++i) {
        doc->OnOpenDocument(path);
        RawReadTime(path, recorder.reads, &rawBytes);
    }
    for (int i = 0; i < rounds; ++i) {
        double t0 = Now();
        BOOL ok = doc->OnOpenDocument(path);
        docTimes.push_back(Now() - t0);
        if (!ok) {
            fprintf(stderr, "sl_bench: the document refused %s\n", path);
            delete doc;
            return false;
        }
        rawTimes.push_back(RawReadTime(path, recorder.reads, &rawBytes));
        // Each round's two times are taken side by side, under the same load of the machine:
        // their ratio is steadier than the ratio of two medians.
        if (rawTimes.back() > 0)
            ratios.push_back(docTimes.back() / rawTimes.back());
    }

    const AreaTable& areas = doc->GetAreas();
    result->path = path;
    result->gib = static_cast<double>(doc->GetSectorCount()) * doc->GetBytesPerSector() / (1024.0 * 1024 * 1024);
    result->partitions = doc->GetPartitionStarts().count;
    result->reads = recorder.reads.size();
    result->units = unitsRecorded;
    result->docTime = Median(docTimes);
    result->rawTime = Median(rawTimes);
    result->ratio = Median(ratios);
    printf("image            %s\n", path);
    printf("medium           %llu sectors of %u bytes (%.1f GiB)\n",
           static_cast<unsigned long long>(doc->GetSectorCount()), doc->GetBytesPerSector(), result->gib);
    printf("area table       %u areas, %u cluster regions, %u partition starts\n", areas.count,
           doc->GetClusterRegions().count, result->partitions);
    for (uint32_t i = 0; i < areas.count; ++i)
        printf("  %12llu .. %12llu  %s\n", static_cast<unsigned long long>(areas.first[i]),
               static_cast<unsigned long long>(areas.end[i]), areas.DisplayName(i));
    printf("scan reads       %u reads, %llu units (%llu bytes read raw)\n", static_cast<unsigned>(result->reads),
           static_cast<unsigned long long>(unitsRecorded), static_cast<unsigned long long>(rawBytes));
    printf("open + scan      %.3f ms (median of %d)\n", result->docTime * 1000, rounds);
    printf("raw reads        %.3f ms (median of %d)\n", result->rawTime * 1000, rounds);
    printf("ratio            %.2f (median of the rounds' ratios)\n\n", result->ratio);
    delete doc;
    return true;
}

double Growth(double to, double from)
{
    return from > 0 ? to / from : 0.0;
}

}  // namespace

int main(int argc, char** argv)
{
    int rounds = 15;
    int first = 1;
    if (argc > 2 && strcmp(argv[1], "--rounds") == 0) {
        rounds = atoi(argv[2]);
        first = 3;
    }
    if (first >= argc) {
        fprintf(stderr, "usage: sl_bench [--rounds N] <image>...\n");
        return 2;
    }
    if (rounds < 1)
        rounds = 1;
    bench::PrepareSettings();

    std::vector<ImageResult> results;
    for (int a = first; a < argc; ++a) {
        ImageResult r;
        if (!MeasureImage(argv[a], rounds, &r))
            return 1;
        results.push_back(r);
    }

    printf("%-10s %10s %6s %7s %8s %12s %10s %6s\n", "disk", "size GiB", "starts", "reads", "units", "open+scan ms",
           "raw ms", "ratio");
    for (const ImageResult& r : results) {
        const char* name = strrchr(r.path, '\\');
        printf("%-10.10s %10.1f %6u %7u %8llu %12.3f %10.3f %6.2f\n", name ? name + 1 : r.path, r.gib, r.partitions,
               static_cast<unsigned>(r.reads), static_cast<unsigned long long>(r.units), r.docTime * 1000,
               r.rawTime * 1000, r.ratio);
    }
    // Growth against the first image, per image.
    const ImageResult& base = results.front();
    for (size_t i = 1; i < results.size(); ++i) {
        const ImageResult& r = results[i];
        printf("from %u to %u partition starts, %.0f to %.0f GiB: reads x%.2f, units x%.2f, open+scan time x%.2f, raw "
               "time x%.2f\n",
               base.partitions, r.partitions, base.gib, r.gib, Growth(static_cast<double>(r.reads), static_cast<double>(base.reads)),
               Growth(static_cast<double>(r.units), static_cast<double>(base.units)), Growth(r.docTime, base.docTime),
               Growth(r.rawTime, base.rawTime));
    }
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc))
        printf("peak memory      working set %.1f MiB, committed %.1f MiB\n", pmc.PeakWorkingSetSize / 1048576.0,
               pmc.PeakPagefileUsage / 1048576.0);
    bench::ForgetSettings();
    return 0;
}
