// The sector fuzzer behind `make fuzz`: damaged sectors of every structure the program
// decodes, each put back into its fixture image and scanned as part of it, then handed to
// every structure printer at a loaded size of its own, against pages that cannot be read.
// A crash, a trapped bounds check, a read outside the sector or a call that does not end
// stops the run with the case that did it; a case is replayed alone with --case.
//
//   fuzz_sectors.exe [--count N] [--first I] [--seed S] [--case I]
//
// Every case draws from its own generator (seed and case number), so a slice of the cases
// gives the same sectors in whatever process it runs.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "disk/VolumeScan.h"
#include "tests/app/printers/PrinterChaos.h"
#include "tests/support/GuardedBuffer.h"

using namespace printertest;

namespace {

// The most reads a scan may make: the walk's 32 table sectors, each with four recognisers
// whose boot-sector search stops at sector 1024, the GPT's bounded entries with theirs, and
// the fixed walks of NTFS (16 records) and UDF (129 entries of at most 33 sectors).
const uint64_t kMaxReadsPerScan = 32 * 4 * 1100 + VolumeScanner::kMaxGptEntries * 1100 + 129 * 33 + 64;
// The most lines one printer may write for one sector.
const int kMaxPrinterLines = 50000;
// A single scan or printer call that takes longer than this is taken for a hang.
const DWORD kHangMs = 10000;

// What the crash handler and the watchdog report.
volatile LONG g_case = -1;
volatile LONG g_callStarted = 0;   // tick count when the running call began
volatile LONG g_inCall = 0;        // 1 while a scan or a printer runs
char g_what[80] = "";
uint32_t g_seed = 0;
GuardedBuffer* g_guard = nullptr;

void Report(const char* kind, const char* detail)
{
    printf("fuzz: %s in case %ld (seed %lu) during %s%s\n", kind, static_cast<long>(g_case),
           static_cast<unsigned long>(g_seed), g_what, detail);
    fflush(stdout);
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* r = info->ExceptionRecord;
    char detail[160];
    const char* kind = "crash";
    if (r->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && r->NumberParameters >= 2) {
        const uintptr_t at = static_cast<uintptr_t>(r->ExceptionInformation[1]);
        if (g_guard && g_guard->IsFence(reinterpret_cast<const void*>(at)))
            kind = "read outside the buffer";
        snprintf(detail, sizeof detail, ": access violation at address %08lX (code at %p)",
                 static_cast<unsigned long>(at), r->ExceptionAddress);
    } else if (r->ExceptionCode == EXCEPTION_ILLEGAL_INSTRUCTION) {
        kind = "bounds check";
        snprintf(detail, sizeof detail, ": trapped at %p", r->ExceptionAddress);
    } else {
        snprintf(detail, sizeof detail, ": exception %08lX at %p", static_cast<unsigned long>(r->ExceptionCode),
                 r->ExceptionAddress);
    }
    Report(kind, detail);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

DWORD WINAPI Watchdog(void*)
{
    for (;;) {
        Sleep(250);
        const DWORD started = static_cast<DWORD>(g_callStarted);
        const LONG elapsed = static_cast<LONG>(GetTickCount() - started);
        if (g_inCall && elapsed > static_cast<LONG>(kHangMs)) {
            Report("hang", ": one call ran for more than 10 s");
            TerminateProcess(GetCurrentProcess(), 4);
        }
    }
}

struct CallTimer {
    explicit CallTimer(const char* what)
    {
        snprintf(g_what, sizeof g_what, "%s", what);
        g_callStarted = static_cast<LONG>(GetTickCount());
        g_inCall = 1;
    }
    ~CallTimer() { g_inCall = 0; }
};

// A fixture image held in memory, for the scans.
struct Image {
    std::string name;
    std::vector<uint8_t> bytes;
};

bool LoadWhole(const std::string& path, std::vector<uint8_t>* bytes)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    _fseeki64(f, 0, SEEK_END);
    const int64_t size = _ftelli64(f);
    _fseeki64(f, 0, SEEK_SET);
    bool ok = size > 0 && size < (1LL << 30);
    if (ok) {
        bytes->resize(static_cast<size_t>(size));
        ok = fread(bytes->data(), 1, bytes->size(), f) == bytes->size();
    }
    fclose(f);
    return ok;
}

// A sector of the fuzz: where it came from and how many bytes make it.
struct Origin {
    int image;          // index into the images, -1 for noise
    uint64_t offset;    // byte offset in the image
    uint32_t natural;   // the structure's own size there (512, 1024 or 2048 bytes)
    std::vector<uint8_t> bytes;
};

// Values that lengths, counts and offsets like least.
void PutBoundary(std::vector<uint8_t>& s, std::mt19937& r, uint32_t span)
{
    static const uint64_t kValues[] = {0, 1, 2, 0x7F, 0x80, 0xFF, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF,
                                       0x80000000u, 0xFFFFFFFFu, 0x7FFFFFFFFFFFFFFFull, 0x8000000000000000ull,
                                       0xFFFFFFFFFFFFFFFFull};
    static const uint32_t kWidths[] = {1, 2, 4, 8};
    const uint32_t width = kWidths[r() % 4];
    const uint64_t value = r() % 5 ? kValues[r() % (sizeof kValues / sizeof kValues[0])] : r() % 4096;
    // Header fields sit mostly in the first 256 bytes, aligned to their width.
    const uint32_t limit = std::min<uint32_t>(r() % 3 ? 256 : span, static_cast<uint32_t>(s.size()));
    if (limit < width)
        return;
    const uint32_t at = (r() % (limit - width + 1)) / width * width;
    memcpy(&s[at], &value, width);
}

void Mutate(std::vector<uint8_t>& s, std::mt19937& r, uint32_t span)
{
    const int rounds = 1 + static_cast<int>(r() % 3);
    for (int k = 0; k < rounds; ++k) {
        switch (r() % 7) {
        case 5: {                                      // bytes moved within the sector
            const uint32_t from = r() % span, to = r() % 256 % span;
            const uint32_t n = std::min<uint32_t>(1 + r() % 200, span - std::max(from, to));
            memmove(&s[to], &s[from], n);
            break;
        }
        case 6:                                        // noise, with the boot signature kept
            for (uint32_t i = r() % 64; i < span && i < 510; ++i)
                s[i] = static_cast<uint8_t>(r());
            break;
        case 0:                                        // bit flips
            for (int n = 1 + static_cast<int>(r() % 16); n > 0; --n) {
                const uint32_t at = (r() % 2 ? r() % 256 : r() % span) % s.size();
                s[at] ^= static_cast<uint8_t>(1u << (r() % 8));
            }
            break;
        case 1: {                                      // a run of one byte value
            static const uint8_t kFill[] = {0, 0xFF, 0x80, 0x20, 0x55};
            const uint32_t at = r() % span, n = 1 + r() % 64;
            memset(&s[at], r() % 2 ? kFill[r() % 5] : static_cast<uint8_t>(r()),
                   std::min<size_t>(n, s.size() - at));
            break;
        }
        case 2:
        case 3:
            PutBoundary(s, r, span);
            break;
        default:
            Damage(s, r, 1 + static_cast<int>(r() % 32));
            break;
        }
    }
}

// The loaded size the printers get: the structure's own size mostly, otherwise cut short or
// anything up to the whole buffer.
uint32_t LoadedSize(std::mt19937& r, uint32_t natural)
{
    switch (r() % 6) {
    case 0: return r() % (natural + 1);
    case 1: return r() % (kChaosMaxSize + 1);
    case 2: return 512;
    default: return natural;
    }
}

struct Totals {
    uint64_t scans = 0, printerRuns = 0, mostReads = 0;
    int mostLines = 0;
};

class Fuzzer {
public:
    bool Load();
    void RunCase(uint32_t index);
    Totals totals;

private:
    uint32_t NaturalSize(const ChaosSeed& s) const;

    std::vector<Image> m_images;
    std::vector<int> m_seedImage;   // image index of every seed, -1 when it is missing
    ChaosPrinter m_printer{1};
    std::vector<int> m_types;
    GuardedBuffer m_guard{kChaosMaxSize};
};

uint32_t Fuzzer::NaturalSize(const ChaosSeed& s) const
{
    const std::string image = s.image;
    if (image.find("iso") != std::string::npos || image == "udf.img")
        return 2048;
    if (s.type == 15 || s.type == 16 || s.type == 21 || image.find("ext") == 0)
        return 1024;
    return 512;
}

bool Fuzzer::Load()
{
    if (!m_guard.Ok())
        return false;
    g_guard = &m_guard;
    LoadChaosSeeds(m_printer);
    m_types = PrinterTypes();
    for (size_t i = 0; i < kChaosSeedCount; ++i) {
        const std::string name = kChaosSeeds[i].image;
        int found = -1;
        for (size_t k = 0; k < m_images.size(); ++k)
            if (m_images[k].name == name)
                found = static_cast<int>(k);
        if (found < 0) {
            Image image;
            image.name = name;
            if (LoadWhole(FixturePath(name), &image.bytes)) {
                m_images.push_back(std::move(image));
                found = static_cast<int>(m_images.size() - 1);
            }
        }
        m_seedImage.push_back(found);
    }
    size_t usable = 0;
    for (int i : m_seedImage)
        usable += i >= 0;
    printf("fuzz: %u seed sectors in %u images, %u printers\n", static_cast<unsigned>(usable),
           static_cast<unsigned>(m_images.size()), static_cast<unsigned>(m_types.size()));
    return usable > 0 && !m_types.empty();
}

void Fuzzer::RunCase(uint32_t index)
{
    g_case = static_cast<LONG>(index);
    std::seed_seq seq{g_seed, index, 0x5EC70Bu};
    std::mt19937 r(seq);

    // The sector: a seed of a fixture, or now and then pure noise.
    Origin o;
    o.image = -1;
    o.offset = 0;
    o.natural = 512;
    const size_t pick = r() % kChaosSeedCount;
    if (r() % 20 == 0 || m_seedImage[pick] < 0) {
        o.bytes.resize(kChaosMaxSize);
        const uint32_t limit = r() % 2 ? 256 : 48;   // small values keep lengths inside the data
        for (uint8_t& b : o.bytes)
            b = static_cast<uint8_t>(r() % limit);
        o.natural = r() % 2 ? 512 : 2048;
    } else {
        const ChaosSeed& s = kChaosSeeds[pick];
        o.image = m_seedImage[pick];
        o.offset = s.offset;
        o.natural = NaturalSize(s);
        const std::vector<uint8_t>& img = m_images[o.image].bytes;
        if (s.offset < img.size()) {
            const size_t n = std::min<size_t>(kChaosMaxSize, img.size() - static_cast<size_t>(s.offset));
            o.bytes.assign(img.begin() + static_cast<ptrdiff_t>(s.offset), img.begin() + static_cast<ptrdiff_t>(s.offset + n));
        }
        o.bytes.resize(kChaosMaxSize, 0);
    }
    Mutate(o.bytes, r, o.natural);

    // Into its image, and the image scanned, sometimes cut short inside the damaged sector.
    if (o.image >= 0) {
        std::vector<uint8_t>& img = m_images[o.image].bytes;
        const size_t at = static_cast<size_t>(o.offset);
        const size_t n = std::min<size_t>(o.natural, img.size() - at);
        std::vector<uint8_t> saved(img.begin() + static_cast<ptrdiff_t>(at), img.begin() + static_cast<ptrdiff_t>(at + n));
        memcpy(&img[at], o.bytes.data(), n);
        size_t size = img.size();
        if (r() % 16 == 0)
            size = at + r() % (n + 1);
        MemorySectorSource source(img.data(), size);
        VolumeScanResult result;
        result.driveCode = DRIVECODE_IMAGE;
        result.sectorCount = size / 512;
        {
            CallTimer timer("the scan");
            VolumeScanner(source, result).AnalyzeVolume();
            result.areas.Sort();
        }
        memcpy(&img[at], saved.data(), n);
        ++totals.scans;
        totals.mostReads = std::max<uint64_t>(totals.mostReads, source.ReadCalls());
        if (source.ReadCalls() > kMaxReadsPerScan) {
            Report("unbounded scan", "");
            exit(5);
        }
    }

    // Every printer, each with its own medium state and loaded size, the sector flush against
    // the fence behind it or before it.
    for (size_t t = 0; t < m_types.size(); ++t) {
        const int type = m_types[t];
        const uint32_t size = LoadedSize(r, o.natural);
        m_printer.Shake();
        m_printer.damage = static_cast<int>(r() % 32);
        m_printer.reads.clear();
        const uint8_t* data = (r() % 2) ? m_guard.AtEnd(o.bytes.data(), size) : m_guard.AtStart(o.bytes.data(), size);
        {
            char what[80];
            snprintf(what, sizeof what, "the printer of info type %d (%u bytes loaded)", type, size);
            CallTimer timer(what);
            m_printer.Run(type, data, size);
        }
        ++totals.printerRuns;
        totals.mostLines = std::max(totals.mostLines, m_printer.LineCount());
        if (m_printer.LineCount() > kMaxPrinterLines) {
            char detail[64];
            snprintf(detail, sizeof detail, " of type %d: %d lines", type, m_printer.LineCount());
            Report("unbounded printer", detail);
            exit(5);
        }
    }
    g_case = -1;
}

uint32_t ArgValue(int argc, char** argv, const char* name, uint32_t fallback, bool* given = nullptr)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (strcmp(argv[i], name) == 0) {
            if (given)
                *given = true;
            return static_cast<uint32_t>(strtoul(argv[i + 1], nullptr, 0));
        }
    return fallback;
}

}  // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IOLBF, 0);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(OnCrash);

    bool replay = false;
    const uint32_t only = ArgValue(argc, argv, "--case", 0, &replay);
    g_seed = ArgValue(argc, argv, "--seed", GetTickCount());
    const uint32_t first = replay ? only : ArgValue(argc, argv, "--first", 0);
    const uint32_t count = replay ? 1 : ArgValue(argc, argv, "--count", 1000000);

    Fuzzer fuzzer;
    if (!fuzzer.Load()) {
        printf("fuzz: no fixture images (run tests/disk/make-images.sh <build>/fixtures first)\n");
        return 2;
    }
    CloseHandle(CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr));
    const DWORD started = GetTickCount();
    for (uint32_t i = 0; i < count; ++i) {
        fuzzer.RunCase(first + i);
        if ((i + 1) % 50000 == 0)
            printf("fuzz: %u of %u cases (%lu s)\n", i + 1, count, static_cast<unsigned long>((GetTickCount() - started) / 1000));
    }
    const Totals& t = fuzzer.totals;
    printf("fuzz: %u damaged sectors (cases %u-%u, seed %lu): %llu scans, %llu printer runs, at most %llu reads "
           "in a scan and %d lines from a printer, 0 crashes, 0 hangs, 0 reads outside the buffer, %lu s\n",
           count, first, first + count - 1, static_cast<unsigned long>(g_seed),
           static_cast<unsigned long long>(t.scans), static_cast<unsigned long long>(t.printerRuns),
           static_cast<unsigned long long>(t.mostReads), t.mostLines,
           static_cast<unsigned long>((GetTickCount() - started) / 1000));
    return 0;
}
