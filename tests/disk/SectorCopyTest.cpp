// "Sektoren speichern" and "Sektoren laden" through the document's commands: ranges saved
// from fixture images equal the image's own bytes, and loaded into a copy of another image
// they change exactly their range; the workers against a disk that fails chosen transfers;
// the questions of loading; and the mended faults (stale edit, short final flush, the open
// image as dump, ranges that are no numbers).
#include "SectorJobsTestSupport.h"
#include "ScanTestSupport.h"
#include "disk/DiskCommands.h"
#include "disk/SectorJobs.h"
#include "tests/support/DeviceAnswers.h"
#include "tests/support/TestSupport.h"
#include "views/HexEditing.h"
#include <gtest/gtest.h>
#include <fcntl.h>
#include <io.h>
#include <algorithm>
#include <memory>

using namespace doctest;
using jobtest::JobDialogs;

namespace {

const char kDrive5[] = "\\\\.\\PhysicalDrive5";
const char kWrongInput[] = "Fehler: Falsche Eingabe";

class SectorCopy : public ::testing::Test {
protected:
    void SetUp() override
    {
        fat16 = scantest::FixturePath("fat16.img");
        if (!scantest::FileExists(fat16))
            GTEST_SKIP() << "fat16.img was not made";
        Reopen();
    }
    void TearDown() override { doc.reset(); }

    void Reopen()
    {
        doc.reset(NewDocument());
        prompts = ScriptedPrompts();
        dialogs = JobDialogs();
        doc->SetPrompts(&prompts);
        doc->SetNavDialogs(&dialogs);
    }
    bool Save(const std::string& file, uint64_t first, uint64_t count)
    {
        DeleteFileA(file.c_str());
        dialogs.ranges.push_back({ file, std::to_string(first), std::to_string(count) });
        doc->OnSaveSectors();
        return GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    void Load(const std::string& file, uint64_t first, uint64_t count)
    {
        dialogs.ranges.push_back({ file, std::to_string(first), std::to_string(count) });
        doc->OnLoadSectors();
    }
    std::vector<std::string> Boxes() const
    {
        std::vector<std::string> texts;
        for (const auto& b : prompts.boxes)
            texts.push_back(b.caption + ": " + b.text);
        return texts;
    }
    // fat16.img at the start of a sparse disk, as physical drive 5.
    std::string PhysicalDisk(uint64_t size)
    {
        std::string path = TempPath("copy-physical5.img");
        EXPECT_TRUE(MakeSparseDisk(fat16, path, size));
        fake.files[kDrive5] = path;
        return path;
    }

    std::string fat16;
    ScriptedPrompts prompts;
    JobDialogs dialogs;
    FakeDiskAccess fake;
    std::unique_ptr<CDiskDoc> doc;
};

std::vector<uint8_t> Bytes(const std::string& path, uint64_t offset, uint64_t count)
{
    std::vector<uint8_t> b;
    ReadFileBytes(path, offset, static_cast<uint32_t>(count), &b);
    return b;
}

// Writes the bytes at the offset; `fresh` makes a new file of just these bytes. Shared as
// another program writes a disk: the document holds the drive it shows open.
void PutBytes(const std::string& path, uint64_t offset, const std::vector<uint8_t>& bytes, bool fresh = false)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           fresh ? CREATE_ALWAYS : OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER pos;
    pos.QuadPart = static_cast<LONGLONG>(offset);
    DWORD done = 0;
    SetFilePointerEx(h, pos, nullptr, FILE_BEGIN);
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(h);
}

// Bytes no image holds, for a stretch the test checks.
std::vector<uint8_t> Noise(uint32_t count, uint32_t seed)
{
    std::vector<uint8_t> bytes(count);
    for (uint32_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
    return bytes;
}

}  // namespace

// Saved ranges equal the image's bytes; loaded into a copy of another image of the same
// sector size they change exactly their range. One sector, one chunk less and more one, the
// last sector, on 512-byte and (after the scan) 2048-byte sectors, and past 4 GiB.
TEST_F(SectorCopy, RangesRoundTripThroughDumpFiles)
{
    const std::string big = TempPath("copy-5g.img");
    const uint64_t kFiveGiB = 5ull << 30, kPast4G = (4ull << 30) / 512 + 3;
    ASSERT_TRUE(MakeSparseDisk(fat16, big, kFiveGiB));
    PutBytes(big, kPast4G * 512, Noise(600 * 512, 99));
    struct Image {
        std::string source, target;
        uint32_t sectorSize;
    } images[] = {
        { fat16, scantest::FixturePath("fat32.img"), 512 },
        { scantest::FixturePath("iso9660.img"), scantest::FixturePath("isoudf.img"), 2048 },
        { big, "", 512 },
    };
    for (const Image& image : images) {
        SCOPED_TRACE(image.source);
        Reopen();
        // The CD image's copies run behind the real dialog, on its worker thread.
        dialogs.realProgress = image.sectorSize == 2048;
        ASSERT_TRUE(doc->OnOpenDocument(image.source.c_str()));
        ASSERT_EQ(doc->GetBytesPerSector(), image.sectorSize);
        const uint64_t n = doc->GetSectorCount();
        const uint32_t u = image.sectorSize / 512;
        const uint64_t chunk = SectorChunkUnits(n, u, DRIVECODE_IMAGE, ~0ull) / u;
        std::vector<std::pair<uint64_t, uint64_t>> ranges = { { 5, 1 }, { 7, chunk - 1 }, { 9, chunk + 1 }, { n - 1, 1 } };
        if (image.target.empty())
            ranges = { { kPast4G, chunk + 1 } };
        const std::string dump = TempPath("copy-dump.bin");
        for (const auto& r : ranges) {
            SCOPED_TRACE("sectors " + std::to_string(r.first) + " + " + std::to_string(r.second));
            doc->OnOpenDocument(image.source.c_str());
            ASSERT_TRUE(Save(dump, r.first, r.second));
            const uint64_t bytes = r.second * image.sectorSize;
            std::vector<uint8_t> saved;
            ASSERT_TRUE(ReadWholeFile(dump, &saved));
            ASSERT_EQ(saved.size(), bytes);
            EXPECT_TRUE(saved == Bytes(image.source, r.first * image.sectorSize, bytes));

            // Into a copy of the other image (the big one takes the fat16 dump past 4 GiB).
            std::string target = TempPath("copy-target.img");
            std::string loaded = dump;
            uint64_t at = r.first;
            if (image.target.empty()) {
                target = big;
                ASSERT_TRUE(Save(loaded = TempPath("copy-front.bin"), 0, r.second));
                at = kPast4G + 40;
            } else {
                ASSERT_TRUE(CopyFileTo(image.target, target));
            }
            // Past 4 GiB: the first 64 MB (where a 32-bit offset would land) and a megabyte
            // either side; elsewhere the whole file.
            const uint64_t offset = at * image.sectorSize, limit = image.target.empty() ? 64ull << 20 : ~0ull;
            const uint64_t outside = HashOutside(target, offset, bytes, limit);
            const std::vector<uint8_t> around = Bytes(target, offset - (1 << 20), 1 << 20);
            ASSERT_TRUE(doc->OnOpenDocument(target.c_str()));
            ASSERT_EQ(doc->GetBytesPerSector(), image.sectorSize);
            prompts.boxAnswers.push_back(IDOK);         // "Sollen die Sektoren wirklich ..."
            Load(loaded, at, r.second);
            std::vector<uint8_t> written;
            ASSERT_TRUE(ReadWholeFile(loaded, &written));
            EXPECT_TRUE(written == Bytes(target, offset, bytes));
            EXPECT_EQ(outside, HashOutside(target, offset, bytes, limit)) << "bytes outside changed";
            EXPECT_TRUE(around == Bytes(target, offset - (1 << 20), 1 << 20));
            EXPECT_EQ(dialogs.infos.back(), "max. : " + std::to_string(doc->GetSectorCount()));
            EXPECT_EQ(prompts.unexpected, 0);
        }
    }
    EXPECT_EQ(dialogs.titles.front(), "Speichere Sektoren");
    EXPECT_EQ(dialogs.titles.back(), "Lade Sektoren");
    doc.reset();
    DeleteFileA(big.c_str());
}

// Each worker against a disk whose chosen units fail: a first failure is retried without a
// word; then the question, whose Retry tries again, Ignore goes on and Abort ends; a cancel
// after two chunks leaves exactly two. Three chunks from sector 100, failing in the second,
// the last or every chunk.
TEST_F(SectorCopy, WorkersRetryAskAndStopOnAFailingDisk)
{
    AccessScope scope(&fake);
    const std::string disk = PhysicalDisk(64ull << 20);
    ASSERT_TRUE(doc->OnOpenDocument("Physical5"));
    const uint64_t chunk = SectorChunkUnits(doc->GetSectorCount(), 1, 0x8005, ~0ull);
    const uint64_t first = 100, count = 3 * chunk, chunkBytes = chunk * 512;
    const std::vector<uint8_t> original = Bytes(disk, first * 512, count * 512);
    const std::string dump = TempPath("copy-worker.bin");
    const std::string source = TempPath("copy-source.bin");
    const int kEver = -1;
    struct Case {
        bool load;
        unsigned failing;           // chunks (bit 0 the first) with a failing unit
        int failures;               // of that unit; -1 for ever
        std::vector<int> answers;
        size_t cancelAfter;
        int questions;
        uint64_t chunksDone;        // chunks of the range copied
        unsigned ignored;           // chunks the user ignored
    } cases[] = {
        { false, 2, 1, {}, ~size_t(0), 0, 3, 0 },
        { false, 2, 2, { IDRETRY }, ~size_t(0), 1, 3, 0 },
        { false, 2, 2, { IDIGNORE }, ~size_t(0), 1, 3, 2 },
        { false, 2, 2, { IDABORT }, ~size_t(0), 1, 1, 0 },
        { false, 0, 0, {}, 2, 0, 2, 0 },
        { false, 4, 2, { IDIGNORE }, ~size_t(0), 1, 3, 4 },
        { false, 7, kEver, { IDIGNORE, IDIGNORE, IDIGNORE }, ~size_t(0), 3, 3, 7 },
        { true, 2, 1, {}, ~size_t(0), 0, 3, 0 },
        { true, 2, 3, { IDRETRY, IDRETRY }, ~size_t(0), 2, 3, 0 },
        { true, 2, 2, { IDIGNORE }, ~size_t(0), 1, 3, 2 },
        { true, 2, 2, { IDABORT }, ~size_t(0), 1, 1, 0 },
        { true, 0, 0, {}, 2, 0, 2, 0 },
        { true, 4, 2, { IDABORT }, ~size_t(0), 1, 2, 0 },
        { true, 7, kEver, { IDIGNORE, IDIGNORE, IDIGNORE }, ~size_t(0), 3, 3, 7 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.load ? "load" : "save") + ", chunks " + std::to_string(c.failing) + " failing " +
                     std::to_string(c.failures));
        // The load writes the range's bytes reversed, so that every written byte shows.
        std::vector<uint8_t> reversed(original.rbegin(), original.rend());
        if (c.load) {
            PutBytes(source, 0, reversed, true);
            PutBytes(disk, first * 512, original);
        }
        fake.failingUnits.clear();
        for (uint64_t k = 0; k < 3; ++k)
            if (c.failing & (1u << k))
                fake.failingUnits[first + k * chunk + 7] = c.failures;
        dialogs.progress = jobtest::FakeProgress();
        dialogs.progress.answers.assign(c.answers.begin(), c.answers.end());
        dialogs.progress.cancelAfter = c.cancelAfter;
        if (c.load) {
            prompts.boxAnswers.push_back(IDOK);
            Load(source, first, count);
        } else {
            Save(dump, first, count);
        }
        EXPECT_EQ(dialogs.progress.questions.size(), static_cast<size_t>(c.questions));
        for (const std::string& q : dialogs.progress.questions)
            EXPECT_EQ(q, c.load ? "Fehler: Fehler beim Schreiben aufs Laufwerk !" : "Fehler: Fehler beim Lesen vom Laufwerk !");
        const uint64_t done = c.chunksDone * chunkBytes;
        const std::vector<uint8_t> result = c.load ? Bytes(disk, first * 512, count * 512) : Bytes(dump, 0, count * 512);
        ASSERT_EQ(result.size(), c.load ? count * 512 : done);
        // Ignore: a save writes the buffer as the chunk before left it (zeros before the
        // first), a load skips the chunk.
        std::vector<uint8_t> held(chunkBytes, 0);
        for (uint64_t k = 0; k < c.chunksDone; ++k) {
            const bool ignored = (c.ignored >> k) & 1;
            const uint64_t at = k * chunkBytes;
            if (!c.load && !ignored)
                held.assign(original.begin() + at, original.begin() + at + chunkBytes);
            const uint8_t* expected = !c.load ? held.data() : ignored ? &original[at] : &reversed[at];
            ASSERT_EQ(memcmp(&result[at], expected, chunkBytes), 0) << "chunk " << k;
        }
        if (c.load) {
            EXPECT_EQ(memcmp(result.data() + done, original.data() + done, count * 512 - done), 0);
        }
    }
    EXPECT_EQ(prompts.unexpected, 0);
}

// "Sektoren speichern" reads the range's first sector before anything opens its target: a
// failed read is tried once more without a word, then asked about as every read of the copy
// is, still before the target is touched. "Abbrechen" leaves the target as it was,
// "Wiederholen" reads again, "Ignorieren" goes on (the chunk that fails is not asked about a
// second time and is dumped as the empty buffer), so a rescue dump can start on a bad sector.
TEST_F(SectorCopy, ADeviceThatCannotReadTheRangeCutsNoTarget)
{
    AccessScope scope(&fake);
    const std::string disk = PhysicalDisk(64ull << 20);
    ASSERT_TRUE(doc->OnOpenDocument("Physical5"));
    const std::string dump = TempPath("device-gone.bin");
    const std::vector<uint8_t> kept(3000, 0x5A);
    const std::vector<uint8_t> sectors = Bytes(disk, 100 * 512, 8 * 512);
    const std::string kAsked = "Fehler: Fehler beim Lesen vom Laufwerk !";
    enum Result { KEPT, DUMPED, DUMPED_EMPTY };
    const struct {
        int failures;               // of unit 100; -1 for ever
        std::vector<int> answers;
        size_t asked;
        Result result;
    } cases[] = {
        { -1, { IDABORT }, 1, KEPT },
        { -1, { IDRETRY, IDABORT }, 2, KEPT },
        { 1, {}, 0, DUMPED },                   // the silent second read
        { 2, { IDRETRY }, 1, DUMPED },
        { -1, { IDIGNORE }, 1, DUMPED_EMPTY },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.failures) + " failures, " + std::to_string(c.answers.size()) + " answers");
        fake.failingUnits.clear();
        fake.failingUnits[100] = c.failures;
        PutBytes(dump, 0, kept, true);
        prompts = ScriptedPrompts();
        prompts.boxAnswers.assign(c.answers.begin(), c.answers.end());
        dialogs.progress = jobtest::FakeProgress();
        dialogs.titles.clear();
        dialogs.ranges.push_back({ dump, "100", "8" });
        doc->OnSaveSectors();
        EXPECT_EQ(Boxes(), std::vector<std::string>(c.asked, kAsked));
        for (const auto& b : prompts.boxes)
            EXPECT_EQ(b.type, static_cast<UINT>(MB_ABORTRETRYIGNORE | MB_ICONERROR));
        EXPECT_TRUE(dialogs.progress.questions.empty()) << dialogs.progress.questions[0];
        EXPECT_EQ(prompts.unexpected, 0);
        if (c.result == KEPT) {
            EXPECT_EQ(Bytes(dump, 0, 4096), kept) << "the target was cut";
            EXPECT_TRUE(dialogs.titles.empty()) << "a copy ran";
        } else {
            EXPECT_TRUE(Bytes(dump, 0, 8 * 512) == (c.result == DUMPED ? sectors : std::vector<uint8_t>(8 * 512, 0)));
            EXPECT_EQ(SizeOf(dump), 8u * 512);
        }
    }
    fake.failingUnits.clear();
    DeleteFileA(dump.c_str());
}

// Loading asks before anything is written: too few sectors in the file (the count follows
// the file), a file shorter than a sector, and on a disk of 1024 MB or more the typed OK.
TEST_F(SectorCopy, LoadQuestionsFollowTheFileAndTheDisk)
{
    AccessScope scope(&fake);
    const std::string disk = PhysicalDisk(1100ull << 20);
    const std::string file = TempPath("copy-short.bin");
    const std::vector<uint8_t> before = Bytes(disk, 0, 64 * 512);
    struct Case {
        uint32_t fileBytes;
        std::vector<int> boxes;
        std::vector<ScriptedPrompts::Typed> typed;
        std::vector<std::string> asked;
        uint32_t sectorsLoaded;
        bool missing = false;       // no such file: its size cannot be taken
    } cases[] = {
        { 1000, { IDOK, IDOK }, { { true, "ok" } },
          { "Frage: Es sind zu wenige Sektoren in der Datei ?\nWeiter machen ?",
            "Frage: Sollen die Sektoren wirklich überschrieben werden ?" }, 1 },
        { 1000, { IDCANCEL }, {}, { "Frage: Es sind zu wenige Sektoren in der Datei ?\nWeiter machen ?" }, 0 },
        { 511, { IDOK }, {}, { "Fehler: Die Datei ist zu klein !" }, 0 },
        { 0, { IDOK }, {}, { "Fehler: Die Datei ist zu klein !" }, 0 },
        { 2048, {}, { { true, "nein" } }, {}, 0 },
        { 2048, {}, { { false, "OK" } }, {}, 0 },
        { 0, { IDOK }, {}, { "Fehler: Fehler beim Zugriff auf die Datei !" }, 0, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.fileBytes) + " bytes");
        Reopen();
        ASSERT_TRUE(doc->OnOpenDocument("Physical5"));
        ASSERT_TRUE(doc->GetAskBeforeWrite());
        std::vector<uint8_t> content = Noise(c.fileBytes, c.fileBytes);
        PutBytes(file, 0, content, true);
        if (c.missing)
            DeleteFileA(file.c_str());
        prompts.boxAnswers.assign(c.boxes.begin(), c.boxes.end());
        prompts.typedAnswers.assign(c.typed.begin(), c.typed.end());
        Load(file, 10, 4);
        EXPECT_EQ(Boxes(), c.asked);
        EXPECT_EQ(prompts.unexpected, 0);
        std::vector<uint8_t> expected = before;
        std::copy(content.begin(), content.begin() + c.sectorsLoaded * 512, expected.begin() + 10 * 512);
        EXPECT_TRUE(Bytes(disk, 0, 64 * 512) == expected);
        PutBytes(disk, 0, before);
    }
}

// Cuts the file down while the typed OK is asked, as another program might.
class ShrinkingPrompts : public ScriptedPrompts {
public:
    std::string file;
    uint64_t keep = 0;
    bool AskText(const char* caption, const char* prompt, CString* text, bool hidden) override
    {
        HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(keep);
        EXPECT_TRUE(SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && SetEndOfFile(h));
        CloseHandle(h);
        return ScriptedPrompts::AskText(caption, prompt, text, hidden);
    }
};

// A file of more than 2 GB is asked about (Cancel ends before anything else); a file that
// shrinks after its size was taken is measured again when opened: the count follows what
// it still holds, or it is too small.
TEST_F(SectorCopy, LoadAsksAboutLargeFilesAndMeasuresTheOpenFileAgain)
{
    AccessScope scope(&fake);
    // Large enough for a range of a 2 GB file: a range past the disk's end is refused first.
    const std::string disk = PhysicalDisk(3ull << 30);
    const std::string file = TempPath("copy-large.bin");
    const std::vector<uint8_t> before = Bytes(disk, 0, 64 * 512);
    ASSERT_TRUE(doc->OnOpenDocument("Physical5"));

    ASSERT_TRUE(MakeSparseDisk("", file, (2ull << 30) + 512));
    prompts.boxAnswers = { IDCANCEL };
    Load(file, 10, (1u << 22) + 1);
    EXPECT_EQ(Boxes(), std::vector<std::string>{ "Frage: Die Dateigröße überschreittet 2 GB.\nWeiter machen ?" });
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_EQ(prompts.boxes[0].type, static_cast<UINT>(MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2));
    EXPECT_TRUE(prompts.typed.empty());
    DeleteFileA(file.c_str());

    const std::vector<uint8_t> content = Noise(8 * 512, 8);
    struct Case {
        uint64_t keep;
        std::vector<std::string> asked;
        uint32_t sectorsLoaded;
    } cases[] = {
        { 3 * 512 + 100,
          { "Frage: Es sind zu wenige Sektoren in der Datei ?\nWeiter machen ?",
            "Frage: Sollen die Sektoren wirklich überschrieben werden ?" }, 3 },
        { 100, { "Fehler: Die Datei ist zu klein !" }, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keep);
        PutBytes(file, 0, content, true);
        ShrinkingPrompts shrinking;
        shrinking.file = file;
        shrinking.keep = c.keep;
        shrinking.boxAnswers = { IDOK, IDOK };
        shrinking.typedAnswers = { { true, "OK" } };
        doc->SetPrompts(&shrinking);
        Load(file, 10, 8);
        doc->SetPrompts(&prompts);
        std::vector<std::string> asked;
        for (const auto& b : shrinking.boxes)
            asked.push_back(b.caption + ": " + b.text);
        EXPECT_EQ(asked, c.asked);
        std::vector<uint8_t> expected = before;
        std::copy(content.begin(), content.begin() + c.sectorsLoaded * 512, expected.begin() + 10 * 512);
        EXPECT_TRUE(Bytes(disk, 0, 64 * 512) == expected);
        PutBytes(disk, 0, before);
    }
}

// Ranges that are no whole numbers, negative, empty, off the medium or whose arithmetic
// overflows, and dump paths that cannot be written (a folder, a missing folder or drive, the
// open image under any spelling): the command says so and no file is made and the image stays
// as it was. A load refuses the overflowing ranges before it asks anything.
TEST_F(SectorCopy, BadRangesAndDumpPathsAreRefused)
{
    const std::string image = TempPath("copy-open.img");
    // A hard link is the image under a name of its own.
    const std::string linked = TempPath("copy-open-link.img");
    DeleteFileA(linked.c_str());
    ASSERT_TRUE(CopyFileTo(fat16, image));
    ASSERT_TRUE(CreateHardLinkA(linked.c_str(), image.c_str(), nullptr));
    const uint64_t imageHash = HashOutside(image, 0, 0);
    // The document holds its read handle, sharing reading only: only the name check can tell
    // the user that a dump name is the image (the dump's own open would just fail).
    ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
    const std::string dump = TempPath("copy-refused.bin");
    std::string upper = image;
    CharUpperA(&upper[0]);
    const std::string dotted = image.substr(0, image.rfind('\\')) + "\\.\\" + image.substr(image.rfind('\\') + 1);
    const std::string kCannotOpen = "Fehler: Die Datei konnte nicht geöffnet werden !";
    const std::string kOpenImage = "Fehler: Die Zieldatei ist das geöffnete Image !\nSie wird nicht überschrieben.";
    // Device names exist, but "wb" on them would cut the drive itself (Q: reads a file here).
    auto notAFile = [](const std::string& name) {
        return "Fehler: " + name + " ist ein Laufwerk oder Gerät und keine Datei !\nSektoren werden nur in eine "
                                   "gewöhnliche Datei gespeichert.";
    };
    const std::string qRaw = scantest::FixturePath("qdrive-raw.img");
    const uint64_t qHash = HashOutside(qRaw, 0, 0);
    // Under Wine the NT form "\??\Q:" and the prefix's raw-drive link "q::" name drive Q: too,
    // and "Z:\dev\null" is a character device that only its handle shows.
    const std::string kDevices[] = { "\\\\.\\Q:", "\\\\.\\q:", "//./Q:", "\\\\?\\GLOBALROOT\\Device\\Harddisk0\\Partition0",
                                     "\\\\?\\Q:", "Q:", "Q:\\", TempPath("NUL"), "com1.bin", "\\??\\Q:", "/?\?/q:",
                                     testsupport::BinaryDir() + "\\wineprefix-tests\\dosdevices\\q::", "Z:\\dev\\null",
                                     "Z:\\dev\\zero" };
    // Ranges that run past the last sector: refused in words, by the dump and the load alike.
    const uint64_t sectors = SizeOf(image) / 512;
    auto pastTheEnd = [&](uint64_t first, uint64_t count) {
        return "Fehler: Der Bereich reicht über das Ende des Mediums hinaus !\nDer letzte Sektor ist " +
               std::to_string(sectors - 1) + ", der Bereich endet erst bei Sektor " + std::to_string(first + count - 1) +
               ".";
    };
    struct Case {
        std::string file, first, count, message;
        bool alsoLoad = false;
    } cases[] = {
        { dump, "2O48", "1", kWrongInput }, { dump, "5", "", kWrongInput },
        { dump, "-1", "1", kWrongInput },   { dump, "5", "0", kWrongInput },
        { dump, "5", "-2", kWrongInput },   { dump, "32768", "1", kWrongInput },
        { "", "5", "1", kWrongInput },      { TempPath(""), "5", "1", kCannotOpen },
        { TempPath("no-such-folder\\x.bin"), "5", "1", kCannotOpen },
        { image, "5", "1", kOpenImage },    { upper, "5", "1", kOpenImage },
        { dotted, "5", "1", kOpenImage },   { "\\\\?\\" + image, "5", "1", kOpenImage },
        { linked, "5", "1", kOpenImage },
        { "W:\\sektoren.bin", "5", "1", kCannotOpen },
        { dump, "4294967296*4294967296", "1", kWrongInput },
        { dump, "36893488147419103232+5", "1", kWrongInput },
        { dump, "5", "65536*65536+3", kWrongInput },
        { dump, std::to_string(sectors - 1), "2", pastTheEnd(sectors - 1, 2), true },
        { dump, "0", std::to_string(sectors + 1), pastTheEnd(0, sectors + 1), true },
        { dump, "3", "4294967295", pastTheEnd(3, 4294967295ull), true },
    };
    std::vector<Case> all(std::begin(cases), std::end(cases));
    for (const std::string& device : kDevices)
        all.push_back({ device, "0", "8", notAFile(device) });
    for (const Case& c : all) {
        SCOPED_TRACE(c.file + " " + c.first + " " + c.count);
        prompts = ScriptedPrompts();
        prompts.boxAnswers.push_back(IDOK);
        DeleteFileA(dump.c_str());
        dialogs.ranges.push_back({ c.file, c.first, c.count });
        doc->OnSaveSectors();
        EXPECT_EQ(Boxes(), std::vector<std::string>{ c.message });
        EXPECT_EQ(GetFileAttributesA(dump.c_str()), INVALID_FILE_ATTRIBUTES);
        if (c.alsoLoad || c.first.find('*') != std::string::npos || c.count.find('*') != std::string::npos ||
            c.first.find('+') != std::string::npos) {
            const std::string source = TempPath("copy-overflow.bin");
            PutBytes(source, 0, Noise(8 * 512, 3), true);
            prompts = ScriptedPrompts();
            prompts.boxAnswers.push_back(IDOK);
            dialogs.ranges.push_back({ source, c.first, c.count });
            doc->OnLoadSectors();
            EXPECT_EQ(Boxes(), std::vector<std::string>{ c.message });
        }
    }
    // A name not there yet opens as a new file; a device behind it (as the handle answers
    // here: a character device, or a disk that answers its length only to a handle that may
    // read, where the dump is opened for writing alone) is refused through that handle and
    // leaves nothing behind.
    for (auto kind : { testsupport::DeviceAnswers::CHARACTER, testsupport::DeviceAnswers::READ_GUARDED_DISK }) {
        testsupport::DeviceAnswers device(kind);
        prompts = ScriptedPrompts();
        prompts.boxAnswers.push_back(IDOK);
        DeleteFileA(dump.c_str());
        dialogs.ranges.push_back({ dump, "0", "8" });
        doc->OnSaveSectors();
        EXPECT_EQ(Boxes(), std::vector<std::string>{ notAFile(dump) }) << kind;
        EXPECT_EQ(GetFileAttributesA(dump.c_str()), INVALID_FILE_ATTRIBUTES) << kind;
    }
    EXPECT_TRUE(dialogs.titles.empty()) << "a copy ran";
    doc.reset();
    EXPECT_EQ(imageHash, HashOutside(image, 0, 0)) << "the open image was touched";
    DeleteFileA(linked.c_str());
    EXPECT_EQ(qHash, HashOutside(qRaw, 0, 0)) << "a dump was written onto drive Q:";
}

// Under Wine a file's volume serial number comes from the folder of the drive letter it is
// reached through: the image by a hard link in the folder of drive V: has another number than
// by its own name under Z:. Whichever name the image was opened by and the dump names, with
// the document's read handle open or closed, and after another program wrote to the image:
// the dump is refused and the image keeps every byte.
TEST_F(SectorCopy, TheOpenImageUnderAnotherDriveLetterIsNoDumpTarget)
{
    const std::string image = TempPath("copy-second-letter.img");
    const std::string vFolder = scantest::FixturePath("vdrive");
    const std::string vHost = vFolder + "\\copy-second-letter.img";
    const std::string vName = "V:\\copy-second-letter.img";
    ASSERT_TRUE(CopyFileTo(fat16, image));
    DeleteFileA(vHost.c_str());
    ASSERT_TRUE(CreateHardLinkA(vHost.c_str(), image.c_str(), nullptr)) << "no drive V: folder at " << vFolder;
    const std::string kOpenImage = "Fehler: Die Zieldatei ist das geöffnete Image !\nSie wird nicht überschrieben.";
    enum Handle { HANDLE_OPEN, HANDLE_CLOSED, CHANGED_ELSEWHERE };
    const struct {
        std::string opened, named;
    } ways[] = { { image, vName }, { vName, image } };
    for (const auto& way : ways) {
        for (Handle handle : { HANDLE_OPEN, HANDLE_CLOSED, CHANGED_ELSEWHERE }) {
            SCOPED_TRACE(way.opened + " saved to " + way.named + ", case " + std::to_string(handle));
            Reopen();
            ASSERT_TRUE(doc->OnOpenDocument(way.opened.c_str()));
            if (handle != HANDLE_OPEN)
                doc->CloseImageHandle();        // as after a write or a cancelled file dialog
            if (handle == CHANGED_ELSEWHERE)
                PutBytes(image, 9 * 512, Noise(512, 9));
            const uint64_t imageHash = HashOutside(image, 0, 0);
            prompts.boxAnswers.push_back(IDOK);
            dialogs.ranges.push_back({ way.named, "0", "4" });
            doc->OnSaveSectors();
            EXPECT_EQ(Boxes(), std::vector<std::string>{ kOpenImage });
            EXPECT_TRUE(dialogs.titles.empty()) << "a copy ran";
            doc.reset();
            EXPECT_EQ(imageHash, HashOutside(image, 0, 0)) << "the open image was cut or written";
        }
    }
    Reopen();
    DeleteFileA(vHost.c_str());
}

// The load's worker writes to the medium held at its start: the document showing another
// image meanwhile changes nothing of that, and a file put under the first image's name is no
// longer that medium (the chunk fails into the retry question, Abort ends the copy).
// A load that runs past the image's last sector writes what lies on the image and never
// makes the file longer: the chunk behind the end fails into the question.
TEST_F(SectorCopy, ALoadNeverGrowsTheImage)
{
    const std::string image = TempPath("copy-grow.img"), source = TempPath("copy-grow.bin");
    ASSERT_TRUE(CopyFileTo(fat16, image));
    const std::vector<uint8_t> whole = Bytes(image, 0, 64ull << 20);
    ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
    const uint64_t n = doc->GetSectorCount();
    ASSERT_EQ(whole.size(), n * 512);
    PutBytes(source, 0, Noise(8 * 512, 5), true);
    // The command refuses the range in words before anything is asked or written.
    prompts.boxAnswers = { IDOK };
    Load(source, n - 2, 8);
    EXPECT_EQ(Boxes(), std::vector<std::string>{ "Fehler: Der Bereich reicht über das Ende des Mediums hinaus !\nDer "
                                                 "letzte Sektor ist " + std::to_string(n - 1) +
                                                 ", der Bereich endet erst bei Sektor " + std::to_string(n + 5) + "." });
    EXPECT_TRUE(dialogs.titles.empty()) << "a copy ran";
    EXPECT_TRUE(Bytes(image, 0, 64ull << 20) == whole);
    // The worker, given such a range, writes the chunk behind the end nowhere: it fails into
    // the question and the file keeps its length.
    dialogs.progress = jobtest::FakeProgress();
    dialogs.progress.answers.assign({ IDABORT });
    FILE* file = fopen(source.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    doc->LoadSectorsWork(dialogs.progress, file, n - 2, 8, doc->CurrentMedium());
    EXPECT_EQ(Bytes(image, 0, 64ull << 20).size(), whole.size());
    EXPECT_FALSE(dialogs.progress.questions.empty());
    doc.reset();
    DeleteFileA(source.c_str());
    DeleteFileA(image.c_str());
}

TEST_F(SectorCopy, TheLoadWritesOnlyToTheMediumItStartedOn)
{
    const std::string a = TempPath("copy-held-a.img"), b = TempPath("copy-held-b.img");
    const std::string source = TempPath("copy-held.bin");
    ASSERT_TRUE(CopyFileTo(fat16, a));
    ASSERT_TRUE(CopyFileTo(fat16, b));
    const std::vector<uint8_t> noise = Noise(20 * 512, 11);
    PutBytes(source, 0, noise, true);
    enum { OTHER_SHOWN, RENAMED_OVER, CHANGED_IN_PLACE };
    for (int how : { OTHER_SHOWN, RENAMED_OVER, CHANGED_IN_PLACE }) {
        SCOPED_TRACE(how);
        const bool replaced = how != OTHER_SHOWN;
        ASSERT_TRUE(CopyFileTo(fat16, a));
        ASSERT_TRUE(doc->OnOpenDocument(a.c_str()));
        const MediumTarget medium = doc->CurrentMedium();
        ASSERT_TRUE(doc->OnOpenDocument(b.c_str()));
        const uint64_t bWhole = HashOutside(b, 0, 0);
        if (how == RENAMED_OVER) {
            // Made beside the old one and moved over it, so that it cannot get the old file's
            // index back.
            ASSERT_TRUE(CopyFileTo(fat16, a + ".new"));
            ASSERT_TRUE(MoveFileExA((a + ".new").c_str(), a.c_str(), MOVEFILE_REPLACE_EXISTING));
        } else if (how == CHANGED_IN_PLACE) {
            Sleep(30);                      // a clock tick later, as another program's write
            PutBytes(a, 60 * 512, Noise(512, 3));
        }
        const uint64_t aWhole = HashOutside(a, 0, 0);
        jobtest::FakeProgress progress;
        progress.answers.push_back(IDABORT);
        FILE* file = fopen(source.c_str(), "rb");
        ASSERT_NE(file, nullptr);
        doc->LoadSectorsWork(progress, file, 30, 20, medium);
        EXPECT_EQ(HashOutside(b, 0, 0), bWhole) << "the load reached the image shown now";
        if (replaced) {
            EXPECT_EQ(progress.questions, std::vector<std::string>{ "Fehler: Fehler beim Schreiben aufs Laufwerk !" });
            EXPECT_EQ(HashOutside(a, 0, 0), aWhole);
        } else {
            EXPECT_TRUE(progress.questions.empty());
            EXPECT_TRUE(Bytes(a, 30 * 512, 20 * 512) == noise);
            EXPECT_EQ(HashOutside(a, 30 * 512, 20 * 512), HashOutside(fat16, 30 * 512, 20 * 512));
        }
    }
}

// "Sektoren laden" into the open image is the program's own write, not another program's
// change: the user's next write-back into the image goes through, into a sector the load
// wrote and into one it did not.
TEST_F(SectorCopy, AWriteBackAfterALoadIntoTheOpenImageGoesThrough)
{
    const std::string image = TempPath("copy-own.img"), file = TempPath("copy-own.bin");
    const std::vector<uint8_t> noise = Noise(4 * 512, 29);
    PutBytes(file, 0, noise, true);
    ASSERT_TRUE(CopyFileTo(fat16, image));
    ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
    prompts.boxAnswers = { IDOK };
    Load(file, 20, 4);
    ASSERT_TRUE(Bytes(image, 20 * 512, 4 * 512) == noise);
    for (uint64_t sector : { 21, 30 }) {
        SCOPED_TRACE(sector);
        doc->SetCurrentSector(sector);
        ASSERT_TRUE(doc->LoadSector(0, 0));
        prompts.boxAnswers = { IDOK, IDYES };   // protection off; write the edit
        doc->OnWriteProtect();
        doc->GetSectorBuffer()[9] ^= 0x77;
        const std::vector<uint8_t> edited(doc->GetSectorBuffer(), doc->GetSectorBuffer() + 512);
        doc->SetCurrentSector(sector + 1);
        doc->LoadSector(0, 0);
        EXPECT_TRUE(Bytes(image, sector * 512, 512) == edited) << "the write-back was refused";
    }
    for (const std::string& said : Boxes())
        EXPECT_EQ(said.find("Der Sektor konnte nicht geschrieben werden!"), std::string::npos) << said;
    EXPECT_EQ(prompts.unexpected, 0);
}

// A changed sector is settled before a load: its question comes first, and the sector then
// holds the file's bytes (not the edit written over them afterwards). When its write-back
// fails (a read-only image, a drive that is no longer the disk opened) nothing is loaded, and
// no disk changes.
TEST_F(SectorCopy, LoadSettlesAPendingEditFirst)
{
    AccessScope scope(&fake);
    const std::string image = TempPath("copy-edit.img");
    const std::string file = TempPath("copy-edit.bin");
    const std::string other = TempPath("copy-edit-other.img");
    const std::vector<uint8_t> content = Noise(512, 5);
    PutBytes(file, 0, content, true);
    enum Case { WRITABLE, READ_ONLY, DRIVE_SWAPPED };
    for (Case c : { WRITABLE, READ_ONLY, DRIVE_SWAPPED }) {
        SCOPED_TRACE(c);
        Reopen();
        SetFileAttributesA(image.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(CopyFileTo(fat16, image));
        ASSERT_TRUE(CopyFileTo(fat16, other));
        fake.files[kDrive5] = image;
        ASSERT_TRUE(doc->OnOpenDocument(c == DRIVE_SWAPPED ? "Physical5" : image.c_str()));
        doc->SetCurrentSector(20);
        ASSERT_TRUE(doc->LoadSector(0, 0));
        // protection off, write the edit, load (or the messages of the refused write)
        prompts.boxAnswers = { IDOK, IDYES, IDOK, IDOK };
        doc->OnWriteProtect();
        doc->GetSectorBuffer()[100] ^= 0xFF;
        const std::vector<uint8_t> edited(doc->GetSectorBuffer(), doc->GetSectorBuffer() + 512);
        if (c == READ_ONLY)
            SetFileAttributesA(image.c_str(), FILE_ATTRIBUTE_READONLY);
        if (c == DRIVE_SWAPPED)
            fake.files[kDrive5] = other;
        const uint64_t otherWhole = HashOutside(other, 0, 0);
        Load(file, 20, 1);
        const std::vector<std::string> asked = Boxes();
        ASSERT_GE(asked.size(), 2u);
        EXPECT_EQ(asked[1], "Schreibschutz: Der Sektor wurde verändert ?\nSoll ergeschrieben werden ?");
        if (c == WRITABLE) {
            EXPECT_EQ(asked.back(), "Frage: Sollen die Sektoren wirklich überschrieben werden ?");
            EXPECT_TRUE(Bytes(image, 20 * 512, 512) == content);
            EXPECT_EQ(memcmp(doc->GetSectorBuffer(), content.data(), 512), 0);
        } else {
            EXPECT_EQ(asked[2], "Fehler: Der Sektor konnte nicht geschrieben werden!");
            if (c == DRIVE_SWAPPED) {
                EXPECT_EQ(asked.back(), "Warnung: Auf dem physikalischen Laufwerk 5 ist nicht mehr das Medium, das "
                                        "geöffnet wurde:\nEs wurde gewechselt oder entfernt.\nDie Änderung wurde "
                                        "nicht geschrieben. Bitte öffnen Sie das Laufwerk neu.");
            }
            EXPECT_TRUE(Bytes(image, 20 * 512, 512) == Bytes(fat16, 20 * 512, 512));
            EXPECT_EQ(memcmp(doc->GetSectorBuffer(), edited.data(), 512), 0) << "the edit was lost";
            EXPECT_TRUE(dialogs.titles.empty()) << "a load ran";
        }
        EXPECT_EQ(HashOutside(other, 0, 0), otherWhole) << "the disk put in was written";
        EXPECT_EQ(prompts.unexpected, 0);
        doc.reset();
    }
    SetFileAttributesA(image.c_str(), FILE_ATTRIBUTE_NORMAL);
}

namespace {

// The disk view's hex pane as the document's hints drive it, without a window: a new sector
// comes protected, the protection hints switch it, and typing goes through the hex editor,
// which refuses it while the pane is protected.
class HexPaneView : public CView
{
public:
    HexPaneView() : editor(model, ring) {}
    void OnDraw(CDC*) override {}
    void OnUpdate(CView*, LPARAM lHint, CObject*) override
    {
        const uint32_t hint = static_cast<uint32_t>(lHint);
        if (hint == UPDATEHINT_UNPROTECTED || hint == UPDATEHINT_PROTECTED) {
            model.SetModeFlags(hint == UPDATEHINT_PROTECTED ? uint32_t(HVM_PROTECTED) : 0u, HVM_PROTECTED, nullptr);
        } else if (!(hint & UPDATEHINT_SAME_SECTOR)) {
            CDiskDoc* doc = static_cast<CDiskDoc*>(GetDocument());
            model.SetData(doc->GetSectorBuffer(), static_cast<int>(doc->GetLoadedSize()), 0, 0);
            model.Relayout(16, 4, 1, 6, 0, 0);
        }
    }
    bool Protected() const { return (model.Mode() & HVM_PROTECTED) != 0; }
    // Two hex digits typed at the offset; true when the pane took them.
    bool Type(int offset, uint8_t value)
    {
        static const char digits[] = "0123456789abcdef";
        model.SetCursorArea(HEX_AREA_HEX);
        model.SetCursorAddress(offset, false);
        return editor.TypeCharacter(static_cast<unsigned char>(digits[value >> 4]), false, false) +
                   editor.TypeCharacter(static_cast<unsigned char>(digits[value & 15]), false, false) ==
               2;
    }

    CHexModel model;
    CHexUndoRing ring;
    CHexEditor editor;
};

}  // namespace

// Protection switched off without typing, then "Sektoren laden" given up at each of its steps
// (unanswered questions are cancelled), or the close asked and then not followed: the pane and
// the document agree afterwards. Unprotected, a byte typed is asked about at the next sector;
// protected, the pane takes no typing. The image keeps every byte.
TEST_F(SectorCopy, RoutesEndingWithoutALoadLeaveThePaneAgreeingWithTheDocument)
{
    const std::string image = TempPath("copy-agree.img"), small = TempPath("copy-agree-small.bin");
    const std::string two = TempPath("copy-agree-two.bin"), missing = TempPath("copy-agree-none.bin");
    ASSERT_TRUE(CopyFileTo(fat16, image));
    PutBytes(small, 0, Noise(100, 3), true);
    PutBytes(two, 0, Noise(1024, 4), true);
    DeleteFileA(missing.c_str());
    ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
    doc->m_bAutoDelete = FALSE;
    HexPaneView pane;
    doc->AddView(&pane);
    const uint64_t whole = HashOutside(image, 0, 0);
    const struct {
        const char* route;
        std::string file, count;      // no file: the range dialog is cancelled
        std::string said;
    } routes[] = {
        { "range dialog cancelled", "", "", "" },
        { "no sectors", two, "0", kWrongInput },
        { "file not there", missing, "1", "Fehler: Fehler beim Zugriff auf die Datei !" },
        { "file under one sector", small, "1", "Fehler: Die Datei ist zu klein !" },
        { "too few sectors", two, "4", "Frage: Es sind zu wenige Sektoren in der Datei ?\nWeiter machen ?" },
        { "last question", two, "2", "Frage: Sollen die Sektoren wirklich überschrieben werden ?" },
        { "close not followed", "", "", "" },
    };
    for (const auto& r : routes) {
        SCOPED_TRACE(r.route);
        doc->SetCurrentSector(6);
        ASSERT_TRUE(doc->LoadSector(0, 0));
        prompts = ScriptedPrompts();
        prompts.boxAnswers = { IDOK };
        doc->OnWriteProtect();
        ASSERT_FALSE(pane.Protected());
        if (!strcmp(r.route, "close not followed")) {
            EXPECT_TRUE(doc->CanCloseFrame(nullptr));
        } else {
            if (!r.file.empty())
                dialogs.ranges.push_back({ r.file, "6", r.count });
            doc->OnLoadSectors();
        }
        const std::vector<std::string> said = Boxes();
        EXPECT_EQ(said.size() > 1 ? said[1] : "", r.said);
        EXPECT_TRUE(dialogs.titles.empty()) << "a load ran";
        EXPECT_EQ(pane.Protected(), !doc->IsWriteEnabled()) << "the pane and the document disagree";
        const uint8_t value = static_cast<uint8_t>(doc->GetSectorBuffer()[0x40] ^ 0x5A);
        const bool taken = pane.Type(0x40, value);
        EXPECT_EQ(taken, doc->HasPendingEdit());
        prompts.boxes.clear();
        prompts.boxAnswers = { IDNO };
        doc->SetCurrentSector(7);
        doc->LoadSector(0, 0);              // "Nein" drops what was taken
        EXPECT_EQ(Boxes().size(), taken ? 1u : 0u);
        EXPECT_EQ(doc->GetLastSectorRead(), 7u);
    }
    EXPECT_EQ(HashOutside(image, 0, 0), whole);
    doc->RemoveView(&pane);
}

// The dump's last bytes reach the disk only when the file is closed: a failure there (a
// full disk; here a handle that may not write) is reported, not a silent short dump.
TEST_F(SectorCopy, SaveReportsAFailedFinalFlush)
{
    ASSERT_TRUE(doc->OnOpenDocument(fat16.c_str()));
    const std::string path = TempPath("copy-flush.bin");
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILE* file = _fdopen(_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY), "wb");
    ASSERT_NE(file, nullptr);
    jobtest::FakeProgress progress;
    doc->SaveSectorsWork(progress, file, 3, 1);
    EXPECT_EQ(progress.questions, std::vector<std::string>{ "Fehler: Fehler beim schreiben in die Zieldatei." });
}

// Under "Sektoren laden" (its progress and its last question), "Sektoren speichern" and
// "Suche in Sektoren" the document holds its medium: another medium, a close, a new document,
// a step and a second long command are refused, and the load lands where it was confirmed.
TEST_F(SectorCopy, NothingSwitchesUnderALongCommand)
{
    const std::string a = TempPath("copy-busy-a.img"), b = TempPath("copy-busy-b.img");
    const std::string source = TempPath("copy-busy.bin"), dump = TempPath("copy-busy-dump.bin");
    const std::vector<uint8_t> noise = Noise(16 * 512, 21);
    PutBytes(source, 0, noise, true);
    jobtest::HookedDialogs hookedDialogs;
    HookedPrompts hooked;
    doc->SetNavDialogs(&hookedDialogs);
    doc->SetPrompts(&hooked);
    SetHexFindDialogSeam(&jobtest::AnswerFind);
    jobtest::g_find = { jobtest::PatternOf("", { "T:4\t:FE ED FA CE" }), 0 };
    int tried = 0;
    auto tryEverything = [&] {
        ++tried;
        EXPECT_TRUE(doc->IsBusy());
        const uint64_t sector = doc->GetCurrentSector();
        EXPECT_FALSE(doc->OnOpenDocument(b.c_str()));
        EXPECT_FALSE(doc->OnNewDocument());
        EXPECT_FALSE(doc->SaveModified());
        EXPECT_FALSE(doc->CanCloseFrame(nullptr));
        EXPECT_FALSE(doc->LoadSector(0, 0));
        for (UINT id : { ID_NEXT_SECTOR, ID_LOAD_SECTORS, ID_SAVE_SECTORS, ID_FILE_MRU_FILE1, ID_FILE_OPEN })
            EXPECT_TRUE(doc->OnCmdMsg(id, CN_COMMAND, nullptr, nullptr)) << id;
        doc->OnLoadSectors();                   // a second load would take the next range
        EXPECT_EQ(std::string(doc->GetImagePath()), a);
        EXPECT_EQ(doc->GetCurrentSector(), sector);
    };
    enum { LOAD, LOAD_QUESTION, SAVE, SEARCH };
    for (int command : { LOAD, LOAD_QUESTION, SAVE, SEARCH }) {
        SCOPED_TRACE(command);
        doc->CloseImageHandle();                // the copies replace the file it reads
        ASSERT_TRUE(CopyFileTo(fat16, a));
        ASSERT_TRUE(CopyFileTo(fat16, b));
        const uint64_t bWhole = HashOutside(b, 0, 0);
        ASSERT_TRUE(doc->OnOpenDocument(a.c_str()));
        hooked = HookedPrompts();
        if (command == LOAD_QUESTION) {
            hooked.trigger = "Sollen die Sektoren wirklich überschrieben werden ?";
            hooked.during = tryEverything;
        } else {
            hookedDialogs.hooked.during = tryEverything;
        }
        hookedDialogs.ranges.clear();
        if (command == SAVE) {
            hookedDialogs.ranges.push_back({ dump, "40", "16" });
            doc->OnSaveSectors();
        } else if (command == SEARCH) {
            hookedDialogs.ranges.push_back({ "", "0", "4096" });
            doc->OnSearchSectors();
        } else {
            hooked.boxAnswers.push_back(IDOK);
            hookedDialogs.ranges.push_back({ source, "40", "16" });
            doc->OnLoadSectors();
            EXPECT_TRUE(Bytes(a, 40 * 512, 16 * 512) == noise);
            EXPECT_EQ(HashOutside(a, 40 * 512, 16 * 512), HashOutside(fat16, 40 * 512, 16 * 512));
        }
        EXPECT_EQ(tried, command + 1);
        EXPECT_FALSE(doc->IsBusy());
        EXPECT_EQ(HashOutside(b, 0, 0), bWhole);
        EXPECT_EQ(hooked.unexpected, 0);
    }
    SetHexFindDialogSeam(nullptr);
    doc->SetPrompts(&prompts);
    doc->SetNavDialogs(&dialogs);
}

namespace {

// The folder of `path` renamed away (to the folder's name with ".old") and made anew, empty:
// another file can then take the name of one the document holds open, which Wine refuses to
// a rename onto the name itself.
bool MoveFolderAway(const std::string& path)
{
    const std::string folder = path.substr(0, path.rfind('\\'));
    return MoveFileExA(folder.c_str(), (folder + ".old").c_str(), 0) && CreateDirectoryA(folder.c_str(), nullptr);
}

void RemoveFolder(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do
            DeleteFileA((folder + "\\" + found.cFileName).c_str());
        while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

// "Sektoren laden" into the open image after another program put another file under its name,
// moved its time, grew it, or made its name lead to a device: the chunk's write is refused
// (Abort ends it), and the user is told once what happened and to open the image again; a
// second load says nothing more. Opened again, the image takes the load, and a second change
// after that is said again.
TEST_F(SectorCopy, ALoadIntoAChangedImageSaysWhyOnce)
{
    const std::string image = TempPath("copy-why.img");
    const std::string file = TempPath("copy-why.bin");
    const std::vector<uint8_t> content = Noise(512, 17);
    PutBytes(file, 0, content, true);
    testsupport::OneFileAsADevice device;
    for (OutsideChange loss : { RENAMED_ONTO, TIME_MOVED, SIZE_GROWN, NOW_A_DEVICE }) {
        SCOPED_TRACE(loss);
        Reopen();
        ASSERT_TRUE(CopyFileTo(fat16, image));
        ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
        for (int round : { 0, 1 }) {
            SCOPED_TRACE(round == 0 ? "first" : "after opening it again");
            doc->CloseImageHandle();            // as after a write: another program may reach it
            ASSERT_TRUE(ChangeOutside(loss, image, fat16, device, round));
            const uint64_t whole = HashOutside(image, 0, 0);
            for (int attempt : { 0, 1 }) {
                prompts = ScriptedPrompts();
                prompts.boxAnswers = { IDOK, IDOK };
                dialogs.progress.questions.clear();
                dialogs.progress.answers = { IDABORT };
                Load(file, 20, 1);
                std::vector<std::string> expected = { "Frage: Sollen die Sektoren wirklich überschrieben werden ?" };
                if (attempt == 0)
                    expected.push_back("Warnung: " + OutsideChangeText(loss, image));
                EXPECT_EQ(Boxes(), expected) << "attempt " << attempt;
                EXPECT_EQ(dialogs.progress.questions,
                          std::vector<std::string>{ "Fehler: Fehler beim Schreiben aufs Laufwerk !" })
                    << "attempt " << attempt;
            }
            device.armed = false;
            EXPECT_EQ(HashOutside(image, 0, 0), whole) << "the refused load reached the file";
            // Opened again, the file as it is now takes the load.
            ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
            EXPECT_EQ(doc->GetImageLoss(), IMAGELOSS_NONE);
            prompts = ScriptedPrompts();
            prompts.boxAnswers = { IDOK };
            dialogs.progress.questions.clear();
            Load(file, 20, 1);
            EXPECT_TRUE(dialogs.progress.questions.empty());
            EXPECT_TRUE(Bytes(image, 20 * 512, 512) == content);
            EXPECT_EQ(prompts.unexpected, 0);
            PutBytes(image, 20 * 512, Bytes(fat16, 20 * 512, 512));
        }
    }
}

// "Sektoren speichern" from an image the user was told is no longer read (another file put
// under its name, or its name leading to a device) is refused with that text before anything
// else: the target the user agreed to overwrite keeps every byte. An image only changed in
// place is still read, and its dump goes through.
TEST_F(SectorCopy, NoDumpFromAnImageThatIsNoLongerRead)
{
    const std::string image = TempPath("copy-unread.img"), target = TempPath("copy-unread.bin");
    const std::vector<uint8_t> before = Noise(3 * 512, 41);
    testsupport::OneFileAsADevice device;
    for (OutsideChange loss : { RENAMED_ONTO, NOW_A_DEVICE, TIME_MOVED }) {
        SCOPED_TRACE(loss);
        const bool refused = loss != TIME_MOVED;
        Reopen();
        ASSERT_TRUE(CopyFileTo(fat16, image));
        ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
        doc->CloseImageHandle();                // as after a write: another program may reach it
        ASSERT_TRUE(ChangeOutside(loss, image, fat16, device, 0));
        if (refused) {
            prompts.boxAnswers = { IDOK };
            doc->SetCurrentSector(3);           // the read finds it and says so
            doc->LoadSector(0, 0);
        } else {
            // A write-back finds it and says so; the edit is dropped after.
            prompts.boxAnswers = { IDOK, IDYES, IDOK, IDOK, IDNO };
            doc->OnWriteProtect();
            doc->GetSectorBuffer()[7] ^= 0x11;
            doc->OnWriteProtect();
            doc->OnWriteProtect();
            ASSERT_FALSE(doc->IsWriteEnabled());
        }
        const std::vector<std::string> told = Boxes();
        ASSERT_EQ(std::count(told.begin(), told.end(), "Warnung: " + OutsideChangeText(loss, image)), 1);
        PutBytes(target, 0, before, true);
        prompts.boxes.clear();
        dialogs.ranges.push_back({ target, "0", "2" });
        doc->OnSaveSectors();
        device.armed = false;
        if (refused) {
            EXPECT_EQ(Boxes(), std::vector<std::string>{ "Fehler: " + OutsideChangeText(loss, image) });
            EXPECT_TRUE(dialogs.infos.empty()) << "the range was asked for";
            EXPECT_TRUE(Bytes(target, 0, 3 * 512) == before) << "the target was cut or written";
        } else {
            EXPECT_TRUE(Boxes().empty());
            EXPECT_EQ(SizeOf(target), 2u * 512);
            EXPECT_TRUE(Bytes(target, 0, 2 * 512) == Bytes(image, 0, 2 * 512)) << "not the image's sectors";
        }
    }
    Reopen();
}

// Found by a read that says nothing itself (a printer's look at a neighbour sector), the loss
// is said by the refused "Sektoren speichern", and that counts as told: the next sector's read
// does not say it a second time.
TEST_F(SectorCopy, ARefusedDumpTellsTheLossOnce)
{
    const std::string image = TempPath("copy-told.img"), target = TempPath("copy-told.bin");
    testsupport::OneFileAsADevice device;
    for (OutsideChange loss : { RENAMED_ONTO, NOW_A_DEVICE }) {
        SCOPED_TRACE(loss);
        Reopen();
        ASSERT_TRUE(CopyFileTo(fat16, image));
        ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
        doc->CloseImageHandle();
        ASSERT_TRUE(ChangeOutside(loss, image, fat16, device, 0));
        uint8_t neighbour[512];
        ASSERT_FALSE(doc->ReadUnits(1, 1, neighbour));
        ASSERT_TRUE(Boxes().empty());
        const std::string said = OutsideChangeText(loss, image);
        DeleteFileA(target.c_str());
        prompts.boxAnswers = { IDOK };
        dialogs.ranges.push_back({ target, "0", "2" });
        doc->OnSaveSectors();
        EXPECT_EQ(Boxes(), std::vector<std::string>{ "Fehler: " + said });
        prompts.boxes.clear();
        prompts.boxAnswers = { IDOK, IDOK };
        doc->SetCurrentSector(3);
        doc->LoadSector(0, 0);
        device.armed = false;
        const std::vector<std::string> after = Boxes();
        EXPECT_EQ(std::count(after.begin(), after.end(), "Warnung: " + said), 0) << "said a second time";
    }
    Reopen();
}

namespace {

// A file system that hands a freed number out again: every file but the one kept (the file
// under the image's name) answers with that number while `on` is set; the file freed had it.
class NewFilesGetTheNumber : public testsupport::DeviceAnswers
{
public:
    NewFilesGetTheNumber(bool on, uint64_t freed, uint64_t kept) : m_on(on), m_freed(freed), m_kept(kept) {}
    bool Facts(HANDLE h, OpenFileFacts* facts) override
    {
        if (!DeviceAnswers::Facts(h, facts))
            return false;
        if (m_on && facts->index != m_kept)
            facts->index = m_freed;
        return true;
    }

private:
    bool m_on;
    uint64_t m_freed, m_kept;
};

}  // namespace

// One rule for the dump target: with the read handle open, the file that was read (by any
// path, also reached only by a hard link under another drive letter once another file took
// its name) and the file behind the image's name now (renamed onto it, also a copy with the
// image's time) are refused and keep every byte; a new file that the dump itself makes is
// never the image, even with the number the replaced image left free, nor at the next dump
// into it. With the handle closed the image is opened first: the other file under its name
// (also after the image was changed) is said before any target, and every file keeps its
// bytes.
TEST_F(SectorCopy, OneRuleForTheDumpTarget)
{
    const std::string folder = TempPath("copy-rule");
    const std::string image = folder + "\\copy-rule.img";
    const std::string fresh = TempPath("copy-rule-new.bin");
    const std::string vHost = scantest::FixturePath("vdrive") + "\\copy-rule.img";
    const std::string vName = "V:\\copy-rule.img";
    const std::string kOpenImage = "Fehler: Die Zieldatei ist das geöffnete Image !\nSie wird nicht überschrieben.";
    enum Change { RENAMED_ONTO, COPY_WITH_ITS_TIME, CHANGED_THEN_RENAMED, NUMBER_FREED };
    const struct {
        Change change;
        bool handleOpen;
        std::string target;
        bool refused;
    } cases[] = {
        { RENAMED_ONTO, true, image, true },           { RENAMED_ONTO, false, image, true },
        { COPY_WITH_ITS_TIME, true, image, true },     { COPY_WITH_ITS_TIME, false, image, true },
        { CHANGED_THEN_RENAMED, false, vName, true },  { RENAMED_ONTO, true, vName, true },
        { RENAMED_ONTO, false, vName, true },          { NUMBER_FREED, true, fresh, false },
        { NUMBER_FREED, false, fresh, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.change) + (c.handleOpen ? ", handle open, " : ", handle closed, ") + c.target);
        Reopen();
        RemoveFolder(folder + ".old");
        CreateDirectoryA(folder.c_str(), nullptr);
        ASSERT_TRUE(CopyFileTo(fat16, image));
        DeleteFileA(vHost.c_str());
        ASSERT_TRUE(CreateHardLinkA(vHost.c_str(), image.c_str(), nullptr)) << "no drive V: folder";
        DeleteFileA(fresh.c_str());
        ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
        FileIdentity read;
        ASSERT_TRUE(GetFileIdentity(image.c_str(), &read));
        if (!c.handleOpen)
            doc->CloseImageHandle();
        const FILETIME time = LastWriteOf(image);
        // Another file under the name: renamed onto it, or (while the document holds the file
        // open) put there after the folder went away with the file read.
        auto replace = [&](const FILETIME* keepTime) {
            if (c.handleOpen) {
                if (!MoveFolderAway(image) || !CopyFileTo(fat16, image))
                    return false;
                if (keepTime)
                    SetLastWriteOf(image, *keepTime);
                return true;
            }
            if (!CopyFileTo(fat16, image + ".new"))
                return false;
            if (keepTime)
                SetLastWriteOf(image + ".new", *keepTime);
            return MoveFileExA((image + ".new").c_str(), image.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
        };
        switch (c.change) {
        case RENAMED_ONTO:
        case NUMBER_FREED:
            ASSERT_TRUE(replace(nullptr));
            break;
        case COPY_WITH_ITS_TIME:
            ASSERT_TRUE(replace(&time));
            break;
        case CHANGED_THEN_RENAMED:
            Sleep(30);
            PutBytes(image, 9 * 512, Noise(512, 9));
            ASSERT_TRUE(replace(nullptr));
            break;
        }
        // The file system hands the freed number to the files made from now on.
        FileIdentity namedNow;
        ASSERT_TRUE(GetFileIdentity(image.c_str(), &namedNow));
        NewFilesGetTheNumber numbers(c.change == NUMBER_FREED, read.index, namedNow.index);
        const uint64_t named = HashOutside(image, 0, 0), readNow = HashOutside(vHost, 0, 0);
        prompts = ScriptedPrompts();
        prompts.boxAnswers.push_back(IDOK);
        dialogs.ranges.push_back({ c.target, "0", "4" });
        doc->OnSaveSectors();
        const std::string replaced = "Fehler: " + OutsideChangeText(doctest::RENAMED_ONTO, image);
        if (c.refused) {
            EXPECT_EQ(Boxes(), std::vector<std::string>{ c.handleOpen ? kOpenImage : replaced });
            EXPECT_TRUE(dialogs.titles.empty()) << "a copy ran";
        } else if (c.handleOpen) {
            // Read on through the handle; a second dump into the file the first one made is the
            // program's own file again.
            dialogs.ranges.push_back({ c.target, "2", "3" });
            doc->OnSaveSectors();
            EXPECT_TRUE(Boxes().empty()) << Boxes()[0];
            EXPECT_EQ(dialogs.titles, std::vector<std::string>(2, "Speichere Sektoren"));
            EXPECT_EQ(SizeOf(fresh), 3u * 512);
            EXPECT_TRUE(Bytes(fresh, 0, 3 * 512) == Bytes(vHost, 2 * 512, 3 * 512)) << "not the sectors read";
        } else {
            // Without the handle the image is opened before the range is asked: the other file
            // under the name is said, no target is made and no copy runs; the next dump is
            // refused for the same reason, not taken for the open image.
            EXPECT_EQ(Boxes(), std::vector<std::string>{ replaced });
            prompts.boxes.clear();
            doc->OnSaveSectors();               // its range still waits, never asked for
            EXPECT_EQ(Boxes(), std::vector<std::string>{ replaced });
            EXPECT_TRUE(dialogs.titles.empty()) << "a copy ran";
            EXPECT_TRUE(dialogs.infos.empty()) << "the range was asked for";
            EXPECT_EQ(GetFileAttributesA(fresh.c_str()), INVALID_FILE_ATTRIBUTES) << "a target was made";
        }
        doc.reset();
        EXPECT_EQ(HashOutside(image, 0, 0), named) << "the file under the image's name was cut or written";
        EXPECT_EQ(HashOutside(vHost, 0, 0), readNow) << "the file that was read was cut or written";
    }
    Reopen();
    DeleteFileA(vHost.c_str());
    RemoveFolder(folder + ".old");
    RemoveFolder(folder);
}

// A dump file the program made is its own file only until a medium is made current: opened
// as the image itself, it is the file that was read, and a dump through another of its names
// (a hard link) is refused once another file has taken its own name (put there after its
// folder went away, while the document reads the file through its handle).
TEST_F(SectorCopy, ADumpFileOpenedAsTheImageIsTheImage)
{
    const std::string folder = TempPath("copy-made");
    const std::string image = TempPath("copy-made.img"), made = folder + "\\copy-made.bin";
    const std::string link = TempPath("copy-made-link.bin");
    RemoveFolder(folder + ".old");
    RemoveFolder(folder);
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileTo(fat16, image));
    DeleteFileA(link.c_str());
    ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
    ASSERT_TRUE(Save(made, 0, 4));
    ASSERT_TRUE(CreateHardLinkA(link.c_str(), made.c_str(), nullptr));
    ASSERT_TRUE(doc->OnOpenDocument(made.c_str()));
    ASSERT_TRUE(MoveFolderAway(made));
    ASSERT_TRUE(CopyFileTo(fat16, made));
    const uint64_t read = HashOutside(link, 0, 0);
    prompts = ScriptedPrompts();
    dialogs.ranges.push_back({ link, "0", "1" });
    doc->OnSaveSectors();
    const std::string refused = "Fehler: Die Zieldatei ist das geöffnete Image !\nSie wird nicht überschrieben.";
    EXPECT_EQ(Boxes(), std::vector<std::string>{ refused });
    EXPECT_EQ(HashOutside(link, 0, 0), read) << "the file that was read was cut or written";
    doc.reset();
    DeleteFileA(link.c_str());
    RemoveFolder(folder + ".old");
    RemoveFolder(folder);
}

namespace {

// "Eine Image-Datei laden" cancelled in its file dialog: the read handle was closed for it.
class CancelledImageChoice : public JobDialogs
{
public:
    bool AskImageFile(CString*) override { return false; }
};

const char kChangedQuestion[] = "Schreibschutz: Der Sektor wurde verändert ?\nSoll ergeschrieben werden ?";

}  // namespace

// "Sektoren speichern" after the read handle was closed (a cancelled image choice, a
// write-back) and the image deleted, renamed away or replaced outside, or held by another
// program that lets nobody read it: the image is opened before the range is asked, what
// happened to it (or the read error) is said, and the target the user would have named keeps
// every byte. A loss said there counts as told: the next read says nothing more.
TEST_F(SectorCopy, TheImageIsOpenedBeforeAnyDumpTarget)
{
    const std::string image = TempPath("copy-first.img"), target = TempPath("copy-first.bin");
    const std::vector<uint8_t> before = Noise(3 * 512, 43);
    testsupport::OneFileAsADevice device;
    const int kHeld = -1;                   // not an outside change: a handle that shares nothing
    enum Route { IMAGE_CHOICE_CANCELLED, WRITE_BACK };
    for (Route route : { IMAGE_CHOICE_CANCELLED, WRITE_BACK }) {
        for (int what : { static_cast<int>(DELETED), static_cast<int>(RENAMED_AWAY), static_cast<int>(RENAMED_ONTO),
                          kHeld }) {
            SCOPED_TRACE((route == WRITE_BACK ? "after a write-back, change " : "after a cancelled choice, change ") +
                         std::to_string(what));
            Reopen();
            DeleteFileA((image + ".away").c_str());
            ASSERT_TRUE(CopyFileTo(fat16, image));
            ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
            if (route == IMAGE_CHOICE_CANCELLED) {
                CancelledImageChoice cancelled;
                doc->SetNavDialogs(&cancelled);
                doc->OnLoadImage();
                doc->SetNavDialogs(&dialogs);
            } else {
                prompts.boxAnswers = { IDOK, IDYES };
                doc->OnWriteProtect();
                doc->GetSectorBuffer()[9] ^= 0x5A;
                doc->OnWriteProtect();
                ASSERT_FALSE(doc->IsWriteEnabled()) << "the write-back failed";
            }
            // Either fails while the document holds the file open.
            HANDLE held = INVALID_HANDLE_VALUE;
            if (what == kHeld) {
                held = CreateFileA(image.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
                ASSERT_NE(held, INVALID_HANDLE_VALUE) << "the read handle is still open";
            } else {
                ASSERT_TRUE(ChangeOutside(static_cast<OutsideChange>(what), image, fat16, device, 0))
                    << "the read handle is still open";
            }
            PutBytes(target, 0, before, true);
            prompts = ScriptedPrompts();
            dialogs.ranges.push_back({ target, "0", "2" });
            doc->OnSaveSectors();
            const std::string said = what == kHeld ? "Fehler beim Lesen vom Laufwerk !"
                                                   : OutsideChangeText(static_cast<OutsideChange>(what), image);
            EXPECT_EQ(Boxes(), std::vector<std::string>{ "Fehler: " + said });
            EXPECT_TRUE(dialogs.infos.empty()) << "the range was asked for";
            EXPECT_TRUE(dialogs.titles.empty()) << "a copy ran";
            EXPECT_TRUE(Bytes(target, 0, 3 * 512) == before) << "the target was cut or written";
            CloseHandle(held);
            prompts = ScriptedPrompts();
            doc->SetCurrentSector(3);
            doc->LoadSector(0, 0);
            // Let go of, the held image is read again; a lost one is not, and not said again.
            EXPECT_EQ(doc->GetLoadState(), what == kHeld ? LOADSTATE_LOADED : LOADSTATE_READ_ERROR);
            EXPECT_TRUE(Boxes().empty()) << "said a second time";
        }
    }
    Reopen();
    DeleteFileA((image + ".away").c_str());
}

// An image deleted or renamed away outside the program, found by a read or by a write-back,
// is said once in words of its own (after "Der Sektor konnte nicht geschrieben werden!" for
// the write-back); later reads and write-backs fail without another word of it, also once the
// file is back under its name, until the image is opened again.
TEST_F(SectorCopy, AnImageGoneIsSaidOnce)
{
    const std::string image = TempPath("copy-gone.img");
    const std::string kWriteFailed = "Fehler: Der Sektor konnte nicht geschrieben werden!";
    testsupport::OneFileAsADevice device;
    enum Finder { READ, WRITE_BACK };
    for (Finder finder : { READ, WRITE_BACK }) {
        for (OutsideChange loss : { DELETED, RENAMED_AWAY }) {
            SCOPED_TRACE((finder == READ ? "read, change " : "write-back, change ") + std::to_string(loss));
            Reopen();
            DeleteFileA((image + ".away").c_str());
            ASSERT_TRUE(CopyFileTo(fat16, image));
            ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
            if (finder == WRITE_BACK) {
                prompts.boxAnswers = { IDOK };
                doc->OnWriteProtect();
                doc->GetSectorBuffer()[9] ^= 0x5A;
            }
            doc->CloseImageHandle();            // as after a write: another program may reach it
            ASSERT_TRUE(ChangeOutside(loss, image, fat16, device, 0));
            const std::string said = "Warnung: " + OutsideChangeText(loss, image);
            // Found, then met again by the same way and by a read.
            struct Step {
                bool writeBack;
                std::deque<int> answers;
                std::vector<std::string> expected;
            };
            std::vector<Step> steps;
            if (finder == READ) {
                steps = { { false, {}, { said } }, { false, {}, {} } };
            } else {
                steps = { { true, { IDYES }, { kChangedQuestion, kWriteFailed, said } },
                          { true, { IDYES }, { kChangedQuestion, kWriteFailed } },
                          { false, { IDNO }, { kChangedQuestion } } };
            }
            uint64_t sector = 3;
            for (const Step& step : steps) {
                prompts = ScriptedPrompts();
                prompts.boxAnswers = step.answers;
                if (step.writeBack) {
                    doc->OnWriteProtect();
                    EXPECT_TRUE(doc->IsWriteEnabled()) << "the edit was dropped";
                } else {
                    doc->SetCurrentSector(sector++);
                    doc->LoadSector(0, 0);
                    EXPECT_EQ(doc->GetLoadState(), LOADSTATE_READ_ERROR);
                }
                EXPECT_EQ(Boxes(), step.expected);
            }
            EXPECT_EQ(doc->GetImageLoss(), IMAGELOSS_GONE);
            // The file back under its name is not read until it is opened again.
            if (loss == RENAMED_AWAY)
                ASSERT_TRUE(MoveFileExA((image + ".away").c_str(), image.c_str(), 0));
            else
                ASSERT_TRUE(CopyFileTo(fat16, image));
            prompts = ScriptedPrompts();
            doc->SetCurrentSector(sector);
            doc->LoadSector(0, 0);
            EXPECT_EQ(doc->GetLoadState(), LOADSTATE_READ_ERROR) << "read after it was said not to be";
            EXPECT_TRUE(Boxes().empty());
            ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
            EXPECT_EQ(doc->GetImageLoss(), IMAGELOSS_NONE);
            EXPECT_EQ(doc->GetLoadState(), LOADSTATE_LOADED);
            EXPECT_TRUE(std::vector<uint8_t>(doc->GetSectorBuffer(), doc->GetSectorBuffer() + 512) ==
                        Bytes(fat16, 0, 512));
        }
    }
    Reopen();
}

// Targets "Sektoren speichern" must not cut: the file the open drive is read from (here Q:
// reads qdrive-raw.img raw, and a physical disk is made of a file), by its own name, in
// another case and by a hard link under another drive letter; and a read-only file, as a
// read-only image is refused for writing. Each is refused before it is opened for writing and
// keeps every byte; an ordinary file beside them takes the dump of the drive's sectors.
TEST_F(SectorCopy, DumpTargetsThatMustKeepEveryByte)
{
    const std::string qRaw = scantest::FixturePath("qdrive-raw.img");
    if (GetDriveTypeA("Q:\\") == DRIVE_NO_ROOT_DIR || !scantest::FileExists(qRaw))
        GTEST_SKIP() << "no drive Q: with a raw device in this prefix (wine-drives.sh not run)";
    const std::string vHost = scantest::FixturePath("vdrive") + "\\qdrive-raw-link.img";
    DeleteFileA(vHost.c_str());
    ASSERT_TRUE(CreateHardLinkA(vHost.c_str(), qRaw.c_str(), nullptr)) << "no drive V: folder";
    const std::string vName = "V:\\qdrive-raw-link.img";
    std::string upper = qRaw;
    CharUpperA(&upper[0]);
    const std::string image = TempPath("copy-keep.img"), ordinary = TempPath("copy-keep.bin");
    const std::string readOnly = TempPath("copy-keep-ro.bin");
    ASSERT_TRUE(CopyFileTo(fat16, image));
    auto readAsTheDrive = [](const std::string& name) {
        return "Fehler: Die Zieldatei " + name + " wird als das geöffnete Laufwerk gelesen !\nSie wird nicht "
                                                  "überschrieben.";
    };
    const std::string kCannotOpen = "Fehler: Die Datei konnte nicht geöffnet werden !";
    const std::string disk = TempPath("copy-physical5.img");
    const struct {
        std::string medium, target, source, message;
    } cases[] = {
        { "Q:", qRaw, qRaw, readAsTheDrive(qRaw) },
        { "Q:", upper, qRaw, readAsTheDrive(upper) },
        { "Q:", vName, qRaw, readAsTheDrive(vName) },
        { "Physical5", disk, disk, readAsTheDrive(disk) },
        { "Q:", readOnly, qRaw, kCannotOpen },
        { image, readOnly, image, kCannotOpen },
        { "Q:", ordinary, qRaw, "" },
        { "Physical5", ordinary, disk, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.medium + " saved to " + c.target);
        Reopen();
        std::unique_ptr<AccessScope> scope;
        if (c.medium == "Physical5") {
            scope.reset(new AccessScope(&fake));
            PhysicalDisk(64ull << 20);
        }
        SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
        PutBytes(readOnly, 0, Noise(3 * 512, 47), true);
        ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
        DeleteFileA(ordinary.c_str());
        ASSERT_TRUE(doc->OnOpenDocument(c.medium.c_str()));
        ASSERT_EQ(doc->GetLoadState(), LOADSTATE_LOADED);
        const uint32_t bps = doc->GetBytesPerSector();
        const uint64_t kept = HashOutside(c.target, 0, 0), source = HashOutside(c.source, 0, 0);
        prompts.boxAnswers = { IDOK };
        dialogs.ranges.push_back({ c.target, "0", "2" });
        doc->OnSaveSectors();
        if (c.message.empty()) {
            EXPECT_TRUE(Boxes().empty()) << Boxes()[0];
            EXPECT_EQ(SizeOf(c.target), 2u * bps);
            EXPECT_TRUE(Bytes(c.target, 0, 2 * bps) == Bytes(c.source, 0, 2 * bps)) << "not the drive's sectors";
        } else {
            EXPECT_EQ(Boxes(), std::vector<std::string>{ c.message });
            EXPECT_TRUE(dialogs.titles.empty()) << "a copy ran";
            EXPECT_EQ(HashOutside(c.target, 0, 0), kept) << "the target was cut or written";
        }
        doc.reset();
        EXPECT_EQ(HashOutside(c.source, 0, 0), source) << "the medium was cut or written";
    }
    Reopen();
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(vHost.c_str());
}

namespace {

// The range dialog with `during` run while it is up (as its message loop would dispatch).
class HookedRange : public JobDialogs
{
public:
    std::function<void()> during;
    INT_PTR RunSectorRange(CSectorRangeDlg& dlg) override
    {
        if (during) {
            std::function<void()> now = during;
            during = nullptr;
            now();
        }
        return JobDialogs::RunSectorRange(dlg);
    }
};

}  // namespace

// Should the read handle go while the range is asked, and the image be changed and another
// file put under its name meanwhile, the file that was read is still known by its number: a
// dump into it through a hard link under another drive letter (another volume number, another
// size and time) is refused, and it keeps every byte.
TEST_F(SectorCopy, TheFileReadIsKnownByItsNumberWhenTheHandleGoesDuringTheRange)
{
    const std::string image = TempPath("copy-during.img");
    const std::string vHost = scantest::FixturePath("vdrive") + "\\copy-during.img";
    const std::string vName = "V:\\copy-during.img";
    ASSERT_TRUE(CopyFileTo(fat16, image));
    DeleteFileA(vHost.c_str());
    ASSERT_TRUE(CreateHardLinkA(vHost.c_str(), image.c_str(), nullptr)) << "no drive V: folder";
    ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
    HookedRange hooked;
    doc->SetNavDialogs(&hooked);
    bool changed = false;
    uint64_t read = 0;
    hooked.during = [&] {
        doc->CloseImageHandle();
        Sleep(30);
        PutBytes(image, 9 * 512, Noise(512, 9));
        changed = CopyFileTo(fat16, image + ".new") &&
                  MoveFileExA((image + ".new").c_str(), image.c_str(), MOVEFILE_REPLACE_EXISTING);
        read = HashOutside(vHost, 0, 0);
    };
    hooked.ranges.push_back({ vName, "0", "4" });
    doc->OnSaveSectors();
    EXPECT_TRUE(changed);
    EXPECT_EQ(Boxes(), std::vector<std::string>{ "Fehler: Die Zieldatei ist das geöffnete Image !\nSie wird nicht "
                                                 "überschrieben." });
    EXPECT_TRUE(hooked.titles.empty()) << "a copy ran";
    EXPECT_EQ(HashOutside(vHost, 0, 0), read) << "the file that was read was cut or written";
    doc->SetNavDialogs(&dialogs);
    doc.reset();
    DeleteFileA(vHost.c_str());
}

// "Sektoren laden" onto a drive letter or physical drive writes only onto the medium made
// current, decided by what identifies the device, not by what its sectors hold: another disk
// put in behind the letter or number (another size, another first sector, only the sector
// shown different, or a clone alike in every byte), a card swapped in the same reader, the
// drive gone, or a disk swapped while the load runs: the load is refused (or stops) with the
// message, and not a byte of the disk put in changes. The disk opened, changed by another
// program (the sector shown, its first sector) or by the program's own load, is still the
// disk opened and takes the load. Drives known by the file they read (Wine) and by their
// storage number and serial number (Windows).
TEST_F(SectorCopy, ALoadOntoADriveThatIsNoLongerTheOneOpenedWritesNothing)
{
    AccessScope scope(&fake);
    const struct {
        const char* open;
        const char* device;
        const char* medium;         // as the message names it
    } drives[] = {
        { "Physical5", kDrive5, "dem physikalischen Laufwerk 5" },
        { "K:", "\\\\.\\K:", "Laufwerk K:" },
    };
    enum Change {
        NONE, OWN_LOAD_OVER_SECTOR_0, OTHER_SIZE, OTHER_SECTOR_0, OTHER_SHOWN, SHOWN_CHANGED, REMOVED, CLONE,
        SECTOR_0_CHANGED, CARD_SWAPPED, SWAPPED_DURING_LOAD
    };
    enum Outcome { LOADED, REFUSED, STOPPED };
    const struct {
        Change change;
        bool storage;               // known by storage number and serial, not by the file
        Outcome outcome;
    } cases[] = {
        { NONE, false, LOADED }, { OWN_LOAD_OVER_SECTOR_0, false, LOADED }, { OTHER_SIZE, false, REFUSED },
        { OTHER_SECTOR_0, false, REFUSED }, { OTHER_SHOWN, false, REFUSED }, { SHOWN_CHANGED, false, LOADED },
        { REMOVED, false, REFUSED }, { CLONE, false, REFUSED }, { SECTOR_0_CHANGED, false, LOADED },
        { CARD_SWAPPED, false, REFUSED }, { SWAPPED_DURING_LOAD, false, STOPPED }, { NONE, true, LOADED },
        { SHOWN_CHANGED, true, LOADED }, { CLONE, true, REFUSED }, { SWAPPED_DURING_LOAD, true, STOPPED },
    };
    const uint64_t kSize = 64ull << 20;
    const uint64_t kShown = 3, kFirst = 10;
    const std::string source = TempPath("copy-swap.bin");
    for (const auto& drive : drives) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(drive.open) + ", change " + std::to_string(c.change) +
                         (c.storage ? ", by storage number" : ""));
            Reopen();                       // lets go of the disks of the case before
            fake.storageNumbers = c.storage;
            fake.mediaChanges.clear();
            fake.afterWrite = nullptr;
            const std::string first = TempPath("copy-swap-first.img"), second = TempPath("copy-swap-second.img");
            ASSERT_TRUE(MakeSparseDisk(fat16, first, kSize));
            ASSERT_TRUE(MakeSparseDisk(fat16, second, c.change == OTHER_SIZE ? 2 * kSize : kSize));
            fake.files[drive.device] = first;
            if (c.change == CARD_SWAPPED)
                fake.mediaChanges[drive.device] = 4;
            ASSERT_TRUE(doc->OnOpenDocument(drive.open));
            // Three chunks, so that a disk swapped after the first one meets the second.
            const uint64_t chunk = SectorChunkUnits(doc->GetSectorCount(), 1, doc->GetDriveCode(), ~0ull);
            const uint64_t count = 3 * chunk;
            const std::vector<uint8_t> noise = Noise(static_cast<uint32_t>(count * 512), 29);
            PutBytes(source, 0, noise, true);
            doc->SetCurrentSector(kShown);
            ASSERT_TRUE(doc->LoadSector(0, 0));
            ASSERT_EQ(static_cast<uint32_t>(LOADSTATE_LOADED), doc->GetLoadState());
            auto answerLoad = [&] {
                // "Sollen die Sektoren wirklich überschrieben werden ?", then the refusal when it comes.
                prompts.boxAnswers = { IDOK, IDOK };
                prompts.typedAnswers.clear();
                if (doc->GetAskBeforeWrite())
                    prompts.typedAnswers.push_back({ true, "OK" });
            };
            if (c.change == OWN_LOAD_OVER_SECTOR_0) {
                answerLoad();
                Load(source, 0, 1);
                ASSERT_TRUE(Bytes(first, 0, 512) == std::vector<uint8_t>(noise.begin(), noise.begin() + 512));
                doc->SetCurrentSector(kShown);
                ASSERT_TRUE(doc->LoadSector(0, 0));
            }
            // The other disk differs from the first in one byte of the sector named, in size, or
            // not at all (a clone); another program changes one byte of the disk opened.
            const uint64_t otherAt = c.change == OTHER_SECTOR_0 || c.change == SECTOR_0_CHANGED ? 100 : kShown * 512 + 511;
            const std::vector<uint8_t> other(1, static_cast<uint8_t>(Bytes(first, otherAt, 1)[0] ^ 0xFF));
            if (c.change == OTHER_SECTOR_0 || c.change == OTHER_SHOWN)
                PutBytes(second, otherAt, other);
            if (c.change == SHOWN_CHANGED || c.change == SECTOR_0_CHANGED)
                PutBytes(first, otherAt, other);
            if (c.change == OTHER_SIZE || c.change == OTHER_SECTOR_0 || c.change == OTHER_SHOWN || c.change == CLONE)
                fake.files[drive.device] = second;
            if (c.change == CARD_SWAPPED)
                ++fake.mediaChanges[drive.device];
            if (c.change == REMOVED)
                fake.files.erase(drive.device);
            const std::string device = drive.device;
            if (c.change == SWAPPED_DURING_LOAD)
                fake.afterWrite = [&, device] { fake.files[device] = second; };
            const uint64_t firstWhole = HashOutside(first, 0, 0), secondWhole = HashOutside(second, 0, 0);
            const uint64_t firstOutside = HashOutside(first, kFirst * 512, count * 512);
            const std::vector<uint8_t> firstRange = Bytes(first, kFirst * 512, count * 512);
            prompts.boxes.clear();
            prompts.typed.clear();
            dialogs.progress = jobtest::FakeProgress();
            fake.writes = 0;
            answerLoad();
            Load(source, kFirst, count);
            fake.afterWrite = nullptr;
            // The typed "OK" of the disk opened, not asked for a disk that is not written.
            EXPECT_EQ(prompts.typed.size(), doc->GetAskBeforeWrite() && c.outcome != REFUSED ? 1u : 0u);
            const std::string notTheOne = "Fehler: Auf " + std::string(drive.medium) +
                                          " ist nicht mehr das Medium, das geöffnet wurde:\nEs wurde gewechselt "
                                          "oder entfernt.\n";
            std::vector<std::string> expected = { "Frage: Sollen die Sektoren wirklich überschrieben werden ?" };
            if (c.outcome == REFUSED)
                expected.push_back(notTheOne + "Es wurden keine Sektoren geladen. Bitte öffnen Sie das Laufwerk neu.");
            EXPECT_EQ(Boxes(), expected);
            EXPECT_EQ(secondWhole, HashOutside(second, 0, 0)) << "the disk put in was written";
            if (c.outcome == REFUSED) {
                EXPECT_EQ(0, fake.writes);
                EXPECT_EQ(firstWhole, HashOutside(first, 0, 0)) << "the disk opened was written";
                EXPECT_TRUE(dialogs.titles.empty()) << "a copy ran";
            } else if (c.outcome == STOPPED) {
                // The first chunk landed on the disk opened; the rest nowhere, with the words why.
                EXPECT_EQ(1, fake.writes);
                EXPECT_EQ(dialogs.progress.questions,
                          std::vector<std::string>{ notTheOne + "Die Sektoren ab " + std::to_string(kFirst + chunk) +
                                                    " wurden nicht geladen. Bitte öffnen Sie das Laufwerk neu." });
                std::vector<uint8_t> expectedRange = firstRange;
                std::copy(noise.begin(), noise.begin() + chunk * 512, expectedRange.begin());
                EXPECT_TRUE(Bytes(first, kFirst * 512, count * 512) == expectedRange);
                EXPECT_EQ(firstOutside, HashOutside(first, kFirst * 512, count * 512));
            } else {
                EXPECT_TRUE(dialogs.progress.questions.empty());
                EXPECT_TRUE(Bytes(first, kFirst * 512, count * 512) == noise);
                EXPECT_EQ(firstOutside, HashOutside(first, kFirst * 512, count * 512)) << "bytes outside the range changed";
            }
            EXPECT_EQ(0, prompts.unexpected);
        }
    }
    fake.storageNumbers = false;
    Reopen();
}
