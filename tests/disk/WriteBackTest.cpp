// The write-back of a changed sector: the yes/no question, the typed "OK" on hard disks of
// 1024 MB or more, a failed write that must keep the edit, and the medium the write goes to.
// Every case runs on a temporary copy of an image; a checksum of every byte outside the
// written sector proves that nothing else changed.
#include "DiskDocTestSupport.h"
#include "NavTestSupport.h"
#include "ScanTestSupport.h"
#include "disk/DiskCommands.h"
#include "tests/support/DeviceAnswers.h"
#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include <string.h>

using namespace doctest;

namespace {

const char kChanged[] = "Der Sektor wurde verändert ?\nSoll ergeschrieben werden ?";
const char kWriteFailed[] = "Der Sektor konnte nicht geschrieben werden!";
std::string ReplacedText(const std::string& path)
{
    return "Die Image-Datei wurde außerhalb des Programms durch eine andere Datei ersetzt:\n" + path +
           "\nBitte öffnen Sie die Image-Datei neu. Bis dahin werden keine Sektoren gelesen oder geschrieben.";
}
const char kDrive5[] = "\\\\.\\PhysicalDrive5";
const uint64_t kBigDisk = 1100ull * 1024 * 1024;     // above the 1024 MB of the typed "OK"

struct Medium
{
    std::string path;       // the file behind it
    std::string open;       // what the document is opened with
    std::vector<uint8_t> bytes;
};

class WriteBack : public ::testing::Test
{
protected:
    void SetUp() override
    {
        source = scantest::FixturePath("fat16.img");
        if (!scantest::FileExists(source))
            GTEST_SKIP() << "fat16.img was not made";
        doc.reset(NewDocument());
        doc->SetPrompts(&prompts);
    }
    void TearDown() override
    {
        if (doc) {
            // Let go of the image handle before the files are touched again.
            doc->SetPrompts(nullptr);
            doc.reset();
        }
    }

    Medium ImageCopy(const char* name)
    {
        Medium m;
        m.path = TempPath(name);
        EXPECT_TRUE(CopyFileTo(source, m.path));
        m.open = m.path;
        ReadFileBytes(m.path, 0, 64 * 512, &m.bytes);
        return m;
    }

    // fat16.img at the start of a sparse disk of `size` bytes, as physical drive 5.
    Medium PhysicalDisk(uint64_t size, const char* name = "physical5.img")
    {
        Medium m;
        m.path = TempPath(name);
        EXPECT_TRUE(MakeSparseDisk(source, m.path, size));
        fake.files[kDrive5] = m.path;
        m.open = "Physical5";
        ReadFileBytes(m.path, 0, 64 * 512, &m.bytes);
        return m;
    }

    // The four ways a pending edit is settled: another sector, the protection switch, another
    // medium (`other`) and closing; each gives whether it went through.
    struct Route {
        const char* name;
        std::function<bool()> run;
    };
    std::vector<Route> RoutesEndingTheEdit(const Medium& other)
    {
        return {
            { "Sektor wechseln", [this] { return MoveTo(7) != FALSE; } },
            { "Schreibschutz", [this] { doc->OnWriteProtect(); return !doc->IsWriteEnabled(); } },
            { "anderes Medium", [this, &other] { return doc->OnOpenDocument(other.open.c_str()) != FALSE; } },
            { "Schließen", [this] { return doc->CanCloseFrame(nullptr) != FALSE; } },
            { "Neu", [this] { return doc->OnNewDocument() != FALSE; } },
            // The command, before the library names the document anew (nothing here handles
            // it further: not handled is the edit settled, handled the command ended).
            { "Neu (Befehl)", [this] { return !doc->OnCmdMsg(ID_FILE_NEW, CN_COMMAND, nullptr, nullptr); } },
        };
    }

    // Opens the medium, switches protection off on sector `sector` and changes one byte.
    void EditSector(const Medium& m, uint64_t sector, uint8_t value)
    {
        ASSERT_TRUE(doc->OnOpenDocument(m.open.c_str()));
        doc->SetCurrentSector(sector);
        ASSERT_TRUE(doc->LoadSector(0, 0));
        ASSERT_EQ(static_cast<uint32_t>(LOADSTATE_LOADED), doc->GetLoadState());
        prompts.boxAnswers.push_back(IDOK);         // "Den Schreibschutz wirklich entfernen ?"
        doc->OnWriteProtect();
        ASSERT_TRUE(doc->IsWriteEnabled());
        doc->GetSectorBuffer()[100] = value;
    }

    // Goes to another sector, which asks the write-back question.
    BOOL MoveTo(uint64_t sector)
    {
        doc->SetCurrentSector(sector);
        return doc->LoadSector(0, 0);
    }

    bool AskedChanged() const
    {
        for (const ScriptedPrompts::Asked& b : prompts.boxes)
            if (b.text == kChanged && b.caption == "Schreibschutz")
                return (b.type & MB_YESNO) && (b.type & MB_DEFBUTTON2) && (b.type & MB_ICONWARNING);
        return false;
    }

    uint8_t ByteOnDisk(const Medium& m, uint64_t sector, uint32_t offset)
    {
        std::vector<uint8_t> b;
        EXPECT_TRUE(ReadFileBytes(m.path, sector * 512 + offset, 1, &b));
        return b.empty() ? 0 : b[0];
    }

    std::string source;
    ScriptedPrompts prompts;
    FakeDiskAccess fake;
    std::unique_ptr<CDiskDoc> doc;
};

}  // namespace

TEST_F(WriteBack, ImageAnsweredNoDropsTheEdit)
{
    Medium m = ImageCopy("wb-no.img");
    uint64_t before = HashOutside(m.path, 0, 0);
    EditSector(m, 1, static_cast<uint8_t>(m.bytes[512 + 100] ^ 0xFF));
    // Only "Nein" does: a question that could not be shown (0) keeps the edit on its sector.
    prompts.boxAnswers.push_back(0);
    EXPECT_FALSE(MoveTo(7));
    EXPECT_EQ(1u, doc->GetCurrentSector());
    EXPECT_TRUE(doc->IsWriteEnabled());
    EXPECT_EQ(before, HashOutside(m.path, 0, 0));
    prompts.boxAnswers.push_back(IDNO);
    EXPECT_TRUE(MoveTo(7));
    EXPECT_TRUE(AskedChanged());
    EXPECT_TRUE(prompts.typed.empty()) << "an image asked for the typed OK";
    EXPECT_EQ(before, HashOutside(m.path, 0, 0));
    EXPECT_EQ(7u, doc->GetCurrentSector());
    EXPECT_EQ(0, memcmp(doc->GetSectorBuffer(), m.bytes.data() + 7 * 512, 512));
    EXPECT_FALSE(doc->IsWriteEnabled());
    EXPECT_EQ(0, prompts.unexpected);
}

TEST_F(WriteBack, ImageAnsweredYesWritesTheOldSectorOnly)
{
    Medium m = ImageCopy("wb-yes.img");
    uint64_t outside = HashOutside(m.path, 1 * 512, 512);
    uint8_t value = static_cast<uint8_t>(m.bytes[512 + 100] ^ 0x5A);
    EditSector(m, 1, value);
    prompts.boxAnswers.push_back(IDYES);
    EXPECT_TRUE(MoveTo(7));
    EXPECT_TRUE(prompts.typed.empty());
    EXPECT_EQ(value, ByteOnDisk(m, 1, 100));
    EXPECT_EQ(outside, HashOutside(m.path, 1 * 512, 512)) << "bytes outside sector 1 changed";
    EXPECT_EQ(7u, doc->GetCurrentSector());
    EXPECT_EQ(m.bytes[7 * 512 + 100], doc->GetSectorBuffer()[100]);
    EXPECT_EQ(0, prompts.unexpected);
}

TEST_F(WriteBack, SameSectorWithASelectionNeverAsks)
{
    Medium m = ImageCopy("wb-select.img");
    EditSector(m, 2, 0x11);
    EXPECT_TRUE(doc->LoadSector(10, 4));
    EXPECT_TRUE(prompts.boxes.size() == 1) << "a selection move asked the write-back question";
    EXPECT_TRUE(doc->IsWriteEnabled());
    EXPECT_EQ(0x11, doc->GetSectorBuffer()[100]);
}

// "Ja" on a disk of 1024 MB or more asks for the typed "OK", by every route that writes the
// edit back. Typed, the old sector is written and the route goes on; cancelled or mistyped
// (said in words), nothing is written and nothing thrown away: the edit stays unprotected on
// the sector it belongs to, until "Nein" drops it.
TEST_F(WriteBack, BigPhysicalDiskNeedsTheTypedOk)
{
    AccessScope scope(&fake);
    struct Case
    {
        bool typedOk;
        const char* text;
        bool written;
    } cases[] = {
        { true, "OK", true },
        { true, "ok", true },           // compared without regard to case
        { true, "OK ", false },
        { true, "ja", false },
        { false, "OK", false },         // the dialog was cancelled
    };
    const std::string kMistyped = "Schreibschutz: Es wurde nicht \"OK\" eingegeben.\nDer Sektor wurde nicht "
                                  "geschrieben, die Änderung bleibt erhalten.";
    // The whole disk is hashed before and after all cases; each case checks the first
    // 64 MB, where the file system's bytes are.
    const uint64_t kHead = 64ull << 20;
    Medium m = PhysicalDisk(kBigDisk);
    Medium other = ImageCopy("wb-typed-other.img");
    uint64_t outsideAll = HashOutside(m.path, 3 * 512, 512);
    for (const Route& route : RoutesEndingTheEdit(other)) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(route.name) + ": " + c.text + (c.typedOk ? " confirmed" : " cancelled"));
            uint64_t outside = HashOutside(m.path, 3 * 512, 512, kHead);
            uint64_t whole = HashOutside(m.path, 0, 0, kHead);
            uint8_t value = static_cast<uint8_t>(ByteOnDisk(m, 3, 100) ^ 0xC3);
            EditSector(m, 3, value);
            EXPECT_TRUE(doc->GetAskBeforeWrite());
            prompts.boxes.clear();
            prompts.boxAnswers = { IDYES, IDOK };
            prompts.typedAnswers.push_back({ c.typedOk, c.text });
            size_t typedBefore = prompts.typed.size();
            EXPECT_EQ(c.written, route.run());
            ASSERT_EQ(typedBefore + 1, prompts.typed.size());
            EXPECT_EQ("Bitte OK eingeben bei Festplatten :", prompts.typed.back().text);
            EXPECT_EQ("Sicherheits Abfrage", prompts.typed.back().caption);
            std::vector<std::string> said;
            for (const ScriptedPrompts::Asked& b : prompts.boxes)
                said.push_back(b.caption + ": " + b.text);
            std::vector<std::string> expected = { "Schreibschutz: " + std::string(kChanged) };
            if (c.typedOk && !c.written)
                expected.push_back(kMistyped);
            EXPECT_EQ(said, expected);
            if (c.written) {
                EXPECT_EQ(value, ByteOnDisk(m, 3, 100));
                EXPECT_EQ(outside, HashOutside(m.path, 3 * 512, 512, kHead));
                EXPECT_FALSE(doc->IsWriteEnabled());
                continue;
            }
            EXPECT_EQ(whole, HashOutside(m.path, 0, 0, kHead)) << "written without the typed OK";
            EXPECT_TRUE(doc->IsWriteEnabled()) << "the edit was thrown away";
            EXPECT_EQ(value, doc->GetSectorBuffer()[100]);
            EXPECT_EQ(3u, doc->GetCurrentSector());
            EXPECT_EQ(0x8005u, doc->GetDriveCode());
            // "Nein" drops it, and the route goes on.
            prompts.boxAnswers = { IDNO };
            EXPECT_TRUE(route.run());
            EXPECT_EQ(whole, HashOutside(m.path, 0, 0, kHead));
            EXPECT_FALSE(doc->IsWriteEnabled());
        }
    }
    EXPECT_EQ(outsideAll, HashOutside(m.path, 3 * 512, 512));
    EXPECT_EQ(0, prompts.unexpected);
}

TEST_F(WriteBack, SmallPhysicalDiskWritesWithoutTypedOk)
{
    AccessScope scope(&fake);
    Medium m = PhysicalDisk(64ull * 1024 * 1024);
    uint64_t outside = HashOutside(m.path, 2 * 512, 512);
    EditSector(m, 2, 0x77);
    EXPECT_FALSE(doc->GetAskBeforeWrite());
    prompts.boxAnswers.push_back(IDYES);
    EXPECT_TRUE(MoveTo(9));
    EXPECT_TRUE(prompts.typed.empty());
    EXPECT_EQ(0x77, ByteOnDisk(m, 2, 100));
    EXPECT_EQ(outside, HashOutside(m.path, 2 * 512, 512));
    EXPECT_EQ(0, prompts.unexpected);
}

TEST_F(WriteBack, FailedWriteKeepsTheEditAndTheOldSector)
{
    AccessScope scope(&fake);
    Medium m = PhysicalDisk(64ull * 1024 * 1024);
    uint64_t whole = HashOutside(m.path, 0, 0);
    EditSector(m, 2, 0x99);
    fake.refuseWrites = true;
    prompts.boxAnswers.push_back(IDYES);
    prompts.boxAnswers.push_back(IDOK);     // the error box
    EXPECT_FALSE(MoveTo(9));
    ASSERT_FALSE(prompts.boxes.empty());
    EXPECT_EQ(kWriteFailed, prompts.boxes.back().text);
    EXPECT_EQ("Fehler", prompts.boxes.back().caption);
    EXPECT_EQ(2u, doc->GetCurrentSector()) << "the document left the sector the edit belongs to";
    EXPECT_EQ(2u, doc->GetLastSectorRead());
    EXPECT_TRUE(doc->IsWriteEnabled());
    EXPECT_EQ(0x99, doc->GetSectorBuffer()[100]);
    EXPECT_EQ(whole, HashOutside(m.path, 0, 0));

    // Closing the program asks again; a second failure keeps the frame open.
    prompts.boxAnswers.push_back(IDYES);
    prompts.boxAnswers.push_back(IDOK);
    EXPECT_FALSE(doc->CanCloseFrame(nullptr));
    EXPECT_EQ(0x99, doc->GetSectorBuffer()[100]);

    // Once the disk takes writes again the same edit reaches it, at the old sector.
    fake.refuseWrites = false;
    prompts.boxAnswers.push_back(IDYES);
    EXPECT_TRUE(doc->CanCloseFrame(nullptr));
    EXPECT_EQ(0x99, ByteOnDisk(m, 2, 100));
    EXPECT_FALSE(doc->IsWriteEnabled());
    // Nothing is left to ask when the frame goes.
    size_t asked = prompts.boxes.size();
    doc->PreCloseFrame(nullptr);
    EXPECT_EQ(asked, prompts.boxes.size());
    EXPECT_EQ(0, prompts.unexpected);
}

// Another program holding the image without write sharing makes the write fail (a read-only
// attribute would not: the tests may run with rights that ignore it).
static HANDLE HoldAgainstWriters(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

TEST_F(WriteBack, ImageHeldByAnotherProgramKeepsTheEdit)
{
    Medium m = ImageCopy("wb-held.img");
    uint64_t whole = HashOutside(m.path, 0, 0);
    EditSector(m, 1, 0x42);
    HANDLE held = HoldAgainstWriters(m.path);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    prompts.boxAnswers.push_back(IDYES);
    prompts.boxAnswers.push_back(IDOK);
    EXPECT_FALSE(MoveTo(5));
    EXPECT_EQ(1u, doc->GetCurrentSector());
    EXPECT_TRUE(doc->IsWriteEnabled());
    EXPECT_EQ(0x42, doc->GetSectorBuffer()[100]);
    EXPECT_EQ(whole, HashOutside(m.path, 0, 0));
    CloseHandle(held);
    // Answering no at close drops the edit and lets the frame go.
    prompts.boxAnswers.push_back(IDNO);
    EXPECT_TRUE(doc->CanCloseFrame(nullptr));
    EXPECT_EQ(whole, HashOutside(m.path, 0, 0));
    EXPECT_EQ(0, prompts.unexpected);
}

TEST_F(WriteBack, APendingEditGoesToTheMediumItCameFrom)
{
    Medium a = ImageCopy("wb-first.img");
    Medium b = ImageCopy("wb-second.img");
    uint64_t aOutside = HashOutside(a.path, 6 * 512, 512);
    uint64_t bWhole = HashOutside(b.path, 0, 0);
    EditSector(a, 6, 0xEE);
    prompts.boxAnswers.push_back(IDYES);
    ASSERT_TRUE(doc->OnOpenDocument(b.open.c_str()));
    EXPECT_EQ(0xEE, ByteOnDisk(a, 6, 100));
    EXPECT_EQ(aOutside, HashOutside(a.path, 6 * 512, 512));
    EXPECT_EQ(bWhole, HashOutside(b.path, 0, 0)) << "the edit of one image reached the other";
    EXPECT_EQ(0u, doc->GetCurrentSector());
    EXPECT_FALSE(doc->IsWriteEnabled());
    EXPECT_EQ(0u, doc->GetLastSectorRead());
    // A sector read on the new medium that then fails never writes to the old one.
    doc->SetCurrentSector(doc->GetSectorCount() + 10);
    doc->LoadSector(0, 0);
    EXPECT_EQ(static_cast<uint32_t>(LOADSTATE_READ_ERROR), doc->GetLoadState());
    EXPECT_EQ(0, prompts.unexpected);
}

TEST_F(WriteBack, AFailedWriteBeforeAMediumChangeKeepsTheMedium)
{
    Medium a = ImageCopy("wb-stay.img");
    Medium b = ImageCopy("wb-other.img");
    EditSector(a, 3, 0x24);
    HANDLE held = HoldAgainstWriters(a.path);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    prompts.boxAnswers.push_back(IDYES);
    prompts.boxAnswers.push_back(IDOK);
    EXPECT_FALSE(doc->OnOpenDocument(b.open.c_str()));
    EXPECT_EQ(DRIVECODE_IMAGE, doc->GetDriveCode());
    EXPECT_EQ(a.path, std::string(doc->GetImagePath()));
    EXPECT_EQ(3u, doc->GetCurrentSector());
    EXPECT_EQ(0x24, doc->GetSectorBuffer()[100]);
    CloseHandle(held);
    prompts.boxAnswers.push_back(IDNO);
    EXPECT_TRUE(doc->CanCloseFrame(nullptr));
    EXPECT_EQ(0, prompts.unexpected);
}

TEST_F(WriteBack, ProtectionSwitch)
{
    Medium m = ImageCopy("wb-switch.img");
    ASSERT_TRUE(doc->OnOpenDocument(m.open.c_str()));
    // Cancel keeps protection on.
    prompts.boxAnswers.push_back(IDCANCEL);
    doc->OnWriteProtect();
    EXPECT_FALSE(doc->IsWriteEnabled());
    EXPECT_EQ("Den Schreibschutz wirklich entfernen ?", prompts.boxes.back().text);
    // Off, change, on again answering Cancel: nothing changes.
    EditSector(m, 0, static_cast<uint8_t>(m.bytes[100] ^ 1));
    prompts.boxAnswers.push_back(IDCANCEL);
    doc->OnWriteProtect();
    EXPECT_TRUE(doc->IsWriteEnabled());
    EXPECT_TRUE(prompts.boxes.back().type & MB_YESNOCANCEL);
    // No: the snapshot comes back.
    prompts.boxAnswers.push_back(IDNO);
    doc->OnWriteProtect();
    EXPECT_FALSE(doc->IsWriteEnabled());
    EXPECT_EQ(m.bytes[100], doc->GetSectorBuffer()[100]);
    // A sector that failed to read cannot be unprotected.
    doc->SetCurrentSector(doc->GetSectorCount());
    doc->LoadSector(0, 0);
    prompts.boxAnswers.push_back(IDOK);
    doc->OnWriteProtect();
    EXPECT_EQ("Es ist kein Sektor geladen !", prompts.boxes.back().text);
    EXPECT_FALSE(doc->IsWriteEnabled());
    EXPECT_EQ(0, prompts.unexpected);
}

TEST_F(WriteBack, ReadOnlyImageIsForViewingOnly)
{
    Medium m = ImageCopy("wb-readonly.img");
    ASSERT_TRUE(SetFileAttributesA(m.path.c_str(), FILE_ATTRIBUTE_READONLY));
    uint64_t whole = HashOutside(m.path, 0, 0);
    EditSector(m, 2, 0x3C);
    prompts.boxAnswers.push_back(IDYES);
    prompts.boxAnswers.push_back(IDOK);
    EXPECT_FALSE(MoveTo(6));
    EXPECT_EQ(kWriteFailed, prompts.boxes.back().text);
    EXPECT_EQ(2u, doc->GetCurrentSector());
    EXPECT_EQ(0x3C, doc->GetSectorBuffer()[100]);
    EXPECT_EQ(whole, HashOutside(m.path, 0, 0));
    prompts.boxAnswers.push_back(IDNO);
    EXPECT_TRUE(doc->CanCloseFrame(nullptr));
    doc.reset();
    SetFileAttributesA(m.path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(0, prompts.unexpected);
}

// The typed "OK" follows the disk behind the number now: a big disk put where a small stick
// was, one that refuses the geometry, one that tells no size at all.
TEST_F(WriteBack, TheTypedOkFollowsTheDiskBehindTheNumber)
{
    AccessScope scope(&fake);
    const struct
    {
        uint64_t size;
        bool noGeometry, noSize;
    } cases[] = { { kBigDisk, false, false }, { kBigDisk, true, false }, { 64ull << 20, true, true } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.noGeometry + c.noSize);
        fake.refuseGeometry = fake.refuseLength = fake.refuseGeometryEx = false;
        ASSERT_TRUE(doc->OnOpenDocument(PhysicalDisk(64ull << 20, "physical5-small.img").open.c_str()));
        fake.refuseGeometry = c.noGeometry;
        fake.refuseLength = fake.refuseGeometryEx = c.noSize;
        Medium m = PhysicalDisk(c.size);
        uint64_t whole = HashOutside(m.path, 0, 0, 64ull << 20);
        EditSector(m, 3, static_cast<uint8_t>(m.bytes[3 * 512 + 100] ^ 0x81));
        EXPECT_EQ(c.noSize ? 0 : c.size / 512, doc->GetSectorCount());
        prompts.boxAnswers.push_back(IDYES);
        prompts.typedAnswers.push_back({ false, "" });
        EXPECT_FALSE(MoveTo(4)) << "the edit was thrown away";
        EXPECT_EQ(prompts.boxAnswers.size() + prompts.typedAnswers.size(), 0u) << "no typed OK was asked";
        EXPECT_EQ(whole, HashOutside(m.path, 0, 0, 64ull << 20));
        prompts.boxAnswers.push_back(IDNO);
        EXPECT_TRUE(MoveTo(4));
    }
}

// While the write-back question is up, nothing switches, closes, loads, settles or steps (its
// message loop may dispatch any of it): the one answer writes the edit where it came from.
TEST_F(WriteBack, NothingMovesUnderTheWriteBackQuestion)
{
    Medium a = ImageCopy("wb-asked.img");
    Medium b = ImageCopy("wb-elsewhere.img");
    const uint64_t aOutside = HashOutside(a.path, 3 * 512, 512);
    const uint64_t bWhole = HashOutside(b.path, 0, 0);
    EditSector(a, 3, 0x6B);
    HookedPrompts hooked;
    doc->SetPrompts(&hooked);
    hooked.boxAnswers.push_back(IDYES);
    hooked.trigger = kChanged;
    hooked.during = [&] {
        EXPECT_TRUE(doc->IsBusy());
        EXPECT_FALSE(doc->OnOpenDocument(b.open.c_str()));
        EXPECT_FALSE(doc->CanCloseFrame(nullptr));
        EXPECT_FALSE(doc->SaveModified());
        EXPECT_FALSE(doc->LoadSector(0, 0));
        EXPECT_FALSE(doc->SettlePendingWrite());
        doc->OnWriteProtect();
        for (UINT id : { ID_NEXT_SECTOR, ID_FILE_MRU_FILE1, ID_FILE_OPEN, ID_WRITE_PROTECT })
            EXPECT_TRUE(doc->OnCmdMsg(id, CN_COMMAND, nullptr, nullptr)) << id;
    };
    EXPECT_TRUE(MoveTo(8));
    EXPECT_EQ(hooked.boxes.size(), 1u) << "a question inside the question";
    EXPECT_EQ(0x6B, ByteOnDisk(a, 3, 100));
    EXPECT_EQ(aOutside, HashOutside(a.path, 3 * 512, 512));
    EXPECT_EQ(bWhole, HashOutside(b.path, 0, 0)) << "the edit or a second write reached the other image";
    EXPECT_EQ(a.path, std::string(doc->GetImagePath()));
    EXPECT_EQ(8u, doc->GetCurrentSector());
    EXPECT_FALSE(doc->IsWriteEnabled());
    EXPECT_FALSE(doc->IsBusy());
    EXPECT_EQ(0, hooked.unexpected);
    doc->SetPrompts(&prompts);
}

// Another file renamed onto the image's name while the document holds no handle (after a
// write, or a cancelled file dialog) is not the medium the edit was read from: the write-back
// is refused with the edit kept, and no sector of the other file is shown as the image's.
TEST_F(WriteBack, AFileRenamedOntoTheImageIsNeverWritten)
{
    Medium m = ImageCopy("wb-renamed.img");
    const std::string other = TempPath("wb-renamed-other.img");
    for (UINT answer : { IDYES, IDNO }) {
        SCOPED_TRACE(answer == IDYES ? "Ja" : "Nein");
        ASSERT_TRUE(CopyFileTo(source, m.path));
        EditSector(m, 5, static_cast<uint8_t>(m.bytes[5 * 512 + 100] ^ 0x5A));
        doc->CloseImageHandle();
        ASSERT_TRUE(CopyFileTo(source, other));
        ASSERT_TRUE(MoveFileExA(other.c_str(), m.path.c_str(), MOVEFILE_REPLACE_EXISTING));
        // The other file's sector 5 differs from the image's in the byte the edit changed.
        const std::vector<uint8_t> otherByte(1, static_cast<uint8_t>(m.bytes[5 * 512 + 100] ^ 0x77));
        HANDLE o = CreateFileA(m.path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        DWORD done = 0;
        SetFilePointer(o, 5 * 512 + 100, nullptr, FILE_BEGIN);
        WriteFile(o, otherByte.data(), 1, &done, nullptr);
        CloseHandle(o);
        const uint64_t otherWhole = HashOutside(m.path, 0, 0);
        prompts = ScriptedPrompts();
        prompts.boxAnswers.push_back(answer);
        prompts.boxAnswers.push_back(IDOK);        // the error box, or the replaced image's
        prompts.boxAnswers.push_back(IDOK);
        const BOOL moved = MoveTo(7);
        EXPECT_EQ(otherWhole, HashOutside(m.path, 0, 0)) << "the other file was written";
        // The refusal is said, and why, once: a step further says nothing more.
        std::vector<std::string> said;
        for (const ScriptedPrompts::Asked& b : prompts.boxes)
            said.push_back(b.text);
        if (answer == IDYES) {
            EXPECT_FALSE(moved);
            EXPECT_EQ(said, (std::vector<std::string>{ kChanged, kWriteFailed, ReplacedText(m.path) }));
            EXPECT_EQ(5u, doc->GetCurrentSector());
            EXPECT_TRUE(doc->IsWriteEnabled()) << "the edit must stay for a later close or reopen";
            EXPECT_EQ(m.bytes[5 * 512 + 100] ^ 0x5A, doc->GetSectorBuffer()[100]);
            prompts.boxAnswers.push_back(IDNO);
        } else {
            EXPECT_EQ(static_cast<uint32_t>(LOADSTATE_READ_ERROR), doc->GetLoadState())
                << "the other file's sector was shown as the image's";
            EXPECT_EQ(said, (std::vector<std::string>{ kChanged, ReplacedText(m.path) }));
        }
        const size_t before = prompts.boxes.size();
        MoveTo(8);
        EXPECT_EQ(static_cast<uint32_t>(LOADSTATE_READ_ERROR), doc->GetLoadState());
        EXPECT_EQ(before + (answer == IDYES ? 1 : 0), prompts.boxes.size()) << "said more than once";
        // Opened again, the image shows the file now under its name.
        ASSERT_TRUE(doc->OnOpenDocument(m.path.c_str()));
        EXPECT_TRUE(MoveTo(5));
        EXPECT_EQ(otherByte[0], doc->GetSectorBuffer()[100]);
        EXPECT_EQ(0, prompts.unexpected);
        doc->SetPrompts(nullptr);
        doc.reset(NewDocument());
        doc->SetPrompts(&prompts);
    }
}

namespace {

// Writes `bytes` at `offset` of the file, in place (a file that is not there is made); with
// `size` set the file is first cut to nothing and grown to that size again. Shared as another
// program writes a disk: the document holds the drive it shows open.
void ChangeInPlace(const std::string& path, uint64_t offset, const std::vector<uint8_t>& bytes, int64_t size = -1)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0,
                           nullptr);
    LARGE_INTEGER pos;
    if (size >= 0) {
        SetEndOfFile(h);                    // the position is 0: cut
        pos.QuadPart = size;
        SetFilePointerEx(h, pos, nullptr, FILE_BEGIN);
        SetEndOfFile(h);                    // and grown again, zeros
    }
    pos.QuadPart = static_cast<LONGLONG>(offset);
    DWORD done = 0;
    SetFilePointerEx(h, pos, nullptr, FILE_BEGIN);
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(h);
}

}  // namespace

// The same name, even the same file, with content the program never read: made anew (the file
// system handing the freed number out again), copied over in place (with its old time put
// back, too), cut and grown again, or changed elsewhere. The write-back is refused with the
// edit kept, and the file keeps every byte.
TEST_F(WriteBack, ContentTheProgramNeverReadIsNeverWritten)
{
    enum Change { MADE_ANEW, COPIED_OVER, COPIED_OVER_TIME_KEPT, CUT_AND_GROWN, CHANGED_ELSEWHERE };
    for (Change change : { MADE_ANEW, COPIED_OVER, COPIED_OVER_TIME_KEPT, CUT_AND_GROWN, CHANGED_ELSEWHERE }) {
        SCOPED_TRACE(change);
        testsupport::DeviceAnswers numbers(change == MADE_ANEW ? testsupport::DeviceAnswers::PINNED_INDEX
                                                               : testsupport::DeviceAnswers::AS_IS);
        Medium m = ImageCopy("wb-content.img");
        const uint8_t edit = static_cast<uint8_t>(m.bytes[5 * 512 + 100] ^ 0x5A);
        EditSector(m, 5, edit);
        doc->CloseImageHandle();
        const FILETIME before = LastWriteOf(m.path);
        Sleep(30);                          // another program's write comes a clock tick later
        std::vector<uint8_t> other(512, 0xA5);
        const uint64_t size = 64 * 512 > m.bytes.size() ? m.bytes.size() : 64 * 512;
        std::vector<uint8_t> whole;
        ASSERT_TRUE(ReadWholeFile(m.path, &whole));
        switch (change) {
        case MADE_ANEW:
            ASSERT_TRUE(DeleteFileA(m.path.c_str()));
            ChangeInPlace(m.path, 0, whole);
            ChangeInPlace(m.path, 5 * 512, other);
            break;
        case COPIED_OVER:
        case COPIED_OVER_TIME_KEPT:
            ChangeInPlace(m.path, 5 * 512, other);
            if (change == COPIED_OVER_TIME_KEPT)
                SetLastWriteOf(m.path, before);
            break;
        case CUT_AND_GROWN:
            ChangeInPlace(m.path, size, {}, static_cast<int64_t>(whole.size()));
            break;
        case CHANGED_ELSEWHERE:
            ChangeInPlace(m.path, 30 * 512, other);
            break;
        }
        const uint64_t changed = HashOutside(m.path, 0, 0);
        prompts = ScriptedPrompts();
        prompts.boxAnswers.push_back(IDYES);
        prompts.boxAnswers.push_back(IDOK);        // the error box
        prompts.boxAnswers.push_back(IDOK);        // and why
        EXPECT_FALSE(MoveTo(7));
        EXPECT_EQ(changed, HashOutside(m.path, 0, 0)) << "the edit went into content never read";
        std::vector<std::string> said;
        for (const ScriptedPrompts::Asked& b : prompts.boxes)
            said.push_back(b.text);
        EXPECT_EQ(said, (std::vector<std::string>{ kChanged, kWriteFailed, OutsideChangeText(TIME_MOVED, m.path) }));
        EXPECT_EQ(5u, doc->GetCurrentSector());
        EXPECT_TRUE(doc->IsWriteEnabled());
        EXPECT_EQ(edit, doc->GetSectorBuffer()[100]);
        doc->SetPrompts(nullptr);
        doc.reset(NewDocument());
        doc->SetPrompts(&prompts);
    }
}

// The program's own writes are no change of content: writes on steps in a row, the same
// sector written twice, an undo written back, and another program reading meanwhile.
TEST_F(WriteBack, OwnWritesInARowAreNeverRefused)
{
    Medium m = ImageCopy("wb-ordinary.img");
    const uint8_t original = m.bytes[512 + 100];
    EditSector(m, 1, 0x31);
    prompts.boxAnswers.push_back(IDYES);
    ASSERT_TRUE(MoveTo(2));
    auto editHere = [&](uint8_t value) {
        prompts.boxAnswers.push_back(IDOK);
        doc->OnWriteProtect();
        ASSERT_TRUE(doc->IsWriteEnabled());
        doc->GetSectorBuffer()[100] = value;
    };
    editHere(0x32);
    prompts.boxAnswers.push_back(IDYES);
    ASSERT_TRUE(MoveTo(1));
    EXPECT_EQ(0x31, doc->GetSectorBuffer()[100]);
    // Another program reads the image meanwhile.
    HANDLE reader = CreateFileA(m.path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    uint8_t sector[512];
    DWORD done = 0;
    EXPECT_TRUE(ReadFile(reader, sector, sizeof sector, &done, nullptr));
    CloseHandle(reader);
    // Sector 1 once more, through the protection switch; then its first byte undone.
    for (uint8_t value : { static_cast<uint8_t>(0x33), original }) {
        editHere(value);
        prompts.boxAnswers.push_back(IDYES);
        doc->OnWriteProtect();
        EXPECT_FALSE(doc->IsWriteEnabled());
        EXPECT_EQ(value, ByteOnDisk(m, 1, 100));
    }
    editHere(0x34);
    prompts.boxAnswers.push_back(IDYES);
    EXPECT_TRUE(MoveTo(3));
    EXPECT_EQ(0x34, ByteOnDisk(m, 1, 100));
    EXPECT_EQ(0x32, ByteOnDisk(m, 2, 100));
    for (const ScriptedPrompts::Asked& b : prompts.boxes)
        EXPECT_NE(kWriteFailed, b.text);
    EXPECT_EQ(0, prompts.unexpected);
}

// The image opened again while a sector of it is changed, by every way a user does it: the
// edit is written to the image it was read from ("Ja"), then the image opens again and shows
// it. The medium to come is held for reading when the question comes; the write must not
// find its own program in the way.
TEST_F(WriteBack, OpeningTheImageAgainWritesItsChangedSectorFirst)
{
    Medium m = ImageCopy("wb-again.img");
    const std::string link = TempPath("wb-again-link.img");
    DeleteFileA(link.c_str());
    ASSERT_TRUE(CreateHardLinkA(link.c_str(), m.path.c_str(), nullptr));
    navtest::ScriptedDialogs dialogs;
    doc->SetNavDialogs(&dialogs);
    const struct {
        const char* route;
        std::function<BOOL()> run;
    } routes[] = {
        { "recent list, command line", [&] { return doc->OnOpenDocument(m.path.c_str()); } },
        { "dropped on the view", [&] { return doc->OpenMediumPath(m.path.c_str()); } },
        { "Eine Image-Datei laden", [&] { dialogs.imageFiles.push_back(m.path); doc->OnLoadImage(); return TRUE; } },
        { "Eine Image-Datei laden, hard link", [&] { dialogs.imageFiles.push_back(link); doc->OnLoadImage(); return TRUE; } },
        { "Laufwerk auswählen, image, Abbrechen",
          [&] {
              dialogs.drives.push_back(static_cast<int>(DRIVECODE_IMAGE));
              dialogs.imageFiles.push_back("");
              doc->OnSelectDrive();
              return TRUE;
          } },
    };
    uint8_t value = static_cast<uint8_t>(m.bytes[5 * 512 + 100] ^ 0x40);
    for (const auto& r : routes) {
        SCOPED_TRACE(r.route);
        const uint64_t outside = HashOutside(m.path, 5 * 512, 512);
        ++value;
        EditSector(m, 5, value);
        prompts.boxAnswers.push_back(IDYES);
        EXPECT_TRUE(r.run());
        EXPECT_EQ(value, ByteOnDisk(m, 5, 100)) << "the edit was not written";
        EXPECT_EQ(outside, HashOutside(m.path, 5 * 512, 512)) << "bytes outside sector 5 changed";
        EXPECT_EQ(DRIVECODE_IMAGE, doc->GetDriveCode());
        EXPECT_EQ(0u, doc->GetCurrentSector());
        EXPECT_FALSE(doc->IsWriteEnabled());
        EXPECT_TRUE(MoveTo(5));
        EXPECT_EQ(value, doc->GetSectorBuffer()[100]) << "the image opened again does not show the edit";
    }
    for (const ScriptedPrompts::Asked& b : prompts.boxes)
        EXPECT_NE(kWriteFailed, b.text);
    EXPECT_EQ(0, prompts.unexpected);
    EXPECT_EQ(0, dialogs.unexpected);
    doc->SetNavDialogs(nullptr);
    DeleteFileA(link.c_str());
}

namespace {

// Another program that holds the image for a moment: every handle without the right to
// write answers none of a file's questions while it is armed.
class HeldForAMoment : public testsupport::DeviceAnswers
{
public:
    bool armed = false;
    bool Facts(HANDLE h, OpenFileFacts* facts) override
    {
        if (armed && !(GrantedAccess(h) & FILE_WRITE_DATA))
            return false;
        return DeviceAnswers::Facts(h, facts);
    }
};

}  // namespace

// The program learns its own write through the write handle before it closes: no later open is
// needed, so another program holding the image in that moment never locks the user's next
// write out.
TEST_F(WriteBack, TheProgramsOwnWriteIsKnownWithoutAnotherOpen)
{
    Medium m = ImageCopy("wb-known.img");
    HeldForAMoment other;
    EditSector(m, 2, 0x61);
    other.armed = true;
    prompts.boxAnswers.push_back(IDYES);
    doc->OnWriteProtect();
    other.armed = false;
    EXPECT_FALSE(doc->IsWriteEnabled());
    EXPECT_EQ(0x61, ByteOnDisk(m, 2, 100));
    prompts.boxAnswers.push_back(IDOK);
    doc->OnWriteProtect();
    ASSERT_TRUE(doc->IsWriteEnabled());
    doc->GetSectorBuffer()[100] = 0x62;
    prompts.boxAnswers.push_back(IDYES);
    EXPECT_TRUE(MoveTo(3));
    EXPECT_EQ(0x62, ByteOnDisk(m, 2, 100)) << "the program's own write locked the next one out";
    for (const ScriptedPrompts::Asked& b : prompts.boxes)
        EXPECT_NE(kWriteFailed, b.text);
    EXPECT_EQ(0, prompts.unexpected);
}

// A write into an image refused because another program changed it in place (its time, its
// size, the sector's bytes with the time put back), put another file under its name or made
// the name lead to a device: after "Der Sektor konnte nicht geschrieben werden!" the user is
// told once what happened and to open the image again, by every route that writes the edit
// back; another try says only that the write failed. The file keeps every byte and the edit
// stays. Opening the image again clears it: the edit is dropped, a write goes through, and a
// second change after that is said again.
TEST_F(WriteBack, EveryRefusedWriteSaysWhyOnce)
{
    Medium other = ImageCopy("wb-why-other.img");
    testsupport::OneFileAsADevice device;
    const std::vector<Route> routes = RoutesEndingTheEdit(other);
    auto unprotectAndEdit = [&](uint8_t value) {
        doc->SetCurrentSector(5);
        ASSERT_TRUE(doc->LoadSector(0, 0));
        prompts.boxAnswers.push_back(IDOK);
        doc->OnWriteProtect();
        ASSERT_TRUE(doc->IsWriteEnabled());
        doc->GetSectorBuffer()[100] = value;
    };
    for (OutsideChange loss : { RENAMED_ONTO, TIME_MOVED, SIZE_GROWN, BYTES_CHANGED_TIME_KEPT, NOW_A_DEVICE }) {
        for (const auto& route : routes) {
            SCOPED_TRACE(std::string(route.name) + ", loss " + std::to_string(loss));
            Medium m = ImageCopy("wb-why.img");
            doc.reset(NewDocument());
            prompts = ScriptedPrompts();
            doc->SetPrompts(&prompts);
            ASSERT_TRUE(doc->OnOpenDocument(m.open.c_str()));
            for (int round : { 0, 1 }) {
                SCOPED_TRACE(round == 0 ? "first" : "after opening it again");
                const uint8_t edit = static_cast<uint8_t>(0x70 + round);
                unprotectAndEdit(edit);
                doc->CloseImageHandle();            // as after an earlier write: another program may reach it
                ASSERT_TRUE(ChangeOutside(loss, m.path, source, device, round));
                const uint64_t whole = HashOutside(m.path, 0, 0);
                for (int attempt : { 0, 1 }) {
                    prompts.boxes.clear();
                    prompts.boxAnswers = { IDYES, IDOK, IDOK };
                    EXPECT_FALSE(route.run()) << "attempt " << attempt;
                    std::vector<std::string> said;
                    for (const ScriptedPrompts::Asked& b : prompts.boxes)
                        said.push_back(b.caption + ": " + b.text);
                    std::vector<std::string> expected = { "Schreibschutz: " + std::string(kChanged),
                                                          "Fehler: " + std::string(kWriteFailed) };
                    if (attempt == 0)
                        expected.push_back("Warnung: " + OutsideChangeText(loss, m.path));
                    EXPECT_EQ(said, expected) << "attempt " << attempt;
                    EXPECT_TRUE(doc->IsWriteEnabled());
                    EXPECT_EQ(edit, doc->GetSectorBuffer()[100]);
                    EXPECT_EQ(5u, doc->GetCurrentSector());
                    EXPECT_EQ(m.path, std::string(doc->GetImagePath()));
                }
                // Said once, it holds for every sector: one whose bytes still look as they
                // were read takes no write either until the image is opened again.
                std::vector<uint8_t> bytes(512, 0x5A);
                EXPECT_FALSE(doc->WriteSectors(DRIVECODE_IMAGE, 9, 1, bytes.data(), nullptr));
                device.armed = false;
                EXPECT_EQ(whole, HashOutside(m.path, 0, 0)) << "the refused write reached the file";
                // Opened again: the edit is dropped unwritten, and the file as it is now is
                // the image a write goes into.
                prompts.boxAnswers = { IDNO };
                ASSERT_TRUE(doc->OnOpenDocument(m.open.c_str()));
                EXPECT_EQ(whole, HashOutside(m.path, 0, 0));
                EXPECT_EQ(IMAGELOSS_NONE, doc->GetImageLoss());
                unprotectAndEdit(static_cast<uint8_t>(0x60 + round));
                prompts.boxes.clear();
                prompts.boxAnswers = { IDYES };
                EXPECT_TRUE(MoveTo(6));
                EXPECT_EQ(0x60 + round, ByteOnDisk(m, 5, 100));
                ASSERT_EQ(1u, prompts.boxes.size()) << prompts.boxes.back().text;
            }
            EXPECT_EQ(0, prompts.unexpected);
            doc->SetPrompts(nullptr);
            doc.reset(NewDocument());
            doc->SetPrompts(&prompts);
        }
    }
}

// The image to come cannot be opened again after the changed sector was written (another
// program took it meanwhile): it is shown as any image is that cannot be opened, the same as
// without an edit: "Eine Image-Datei laden" makes it current and shows it unreadable without a
// word, the recent list and the command line say it could not be opened and keep the image
// shown. The edit reaches the image it came from either way.
TEST_F(WriteBack, AnImageThatCannotBeOpenedAgainAfterTheWriteIsShownAsWithoutAnEdit)
{
    Medium a = ImageCopy("wb-unopened-a.img");
    Medium b = ImageCopy("wb-unopened-b.img");
    navtest::ScriptedDialogs dialogs;
    doc->SetNavDialogs(&dialogs);
    HookedPrompts hooked;
    doc->SetPrompts(&hooked);
    HANDLE held = INVALID_HANDLE_VALUE;
    auto holdB = [&] {
        held = CreateFileA(b.path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
    };
    const std::string kCannotOpen = "Fehler: Das Medium konnte nicht geöffnet werden :\n" + b.path;
    const struct {
        const char* route;
        std::function<BOOL()> run;
        bool madeCurrent;
    } routes[] = {
        { "Eine Image-Datei laden", [&] { dialogs.imageFiles.push_back(b.path); doc->OnLoadImage(); return TRUE; }, true },
        { "recent list, command line", [&] { return doc->OnOpenDocument(b.path.c_str()); }, false },
    };
    for (const auto& r : routes) {
        std::vector<std::string> saidWithout;
        for (bool edited : { false, true }) {
            SCOPED_TRACE(std::string(r.route) + (edited ? ", edited" : ", not edited"));
            hooked = HookedPrompts();
            ASSERT_TRUE(doc->OnOpenDocument(a.open.c_str()));
            const uint8_t value = static_cast<uint8_t>(ByteOnDisk(a, 4, 100) ^ 0x3C);
            if (edited) {
                doc->SetCurrentSector(4);
                ASSERT_TRUE(doc->LoadSector(0, 0));
                hooked.boxAnswers.push_back(IDOK);
                doc->OnWriteProtect();
                doc->GetSectorBuffer()[100] = value;
                hooked.boxes.clear();
                hooked.boxAnswers.push_back(IDYES);
                hooked.trigger = kChanged;
                hooked.during = holdB;          // after the medium to come was opened
            } else {
                holdB();
            }
            hooked.boxAnswers.push_back(IDOK);
            EXPECT_EQ(r.madeCurrent, r.run() != FALSE);
            CloseHandle(held);
            std::vector<std::string> said;
            for (const ScriptedPrompts::Asked& box : hooked.boxes)
                if (box.text != kChanged)
                    said.push_back(box.caption + ": " + box.text);
            EXPECT_EQ(said, r.madeCurrent ? std::vector<std::string>{} : std::vector<std::string>{ kCannotOpen });
            if (edited) {
                EXPECT_EQ(said, saidWithout) << "said otherwise than without an edit";
                EXPECT_EQ(value, ByteOnDisk(a, 4, 100)) << "the edit was not written";
            }
            saidWithout = said;
            EXPECT_EQ(r.madeCurrent ? b.path : a.path, std::string(doc->GetImagePath()));
            if (r.madeCurrent) {
                EXPECT_EQ(static_cast<uint32_t>(LOADSTATE_READ_ERROR), doc->GetLoadState());
            }
            EXPECT_FALSE(doc->IsWriteEnabled());
            EXPECT_FALSE(doc->WasSwitchCancelled());
        }
    }
    EXPECT_EQ(0, dialogs.unexpected);
    doc->SetNavDialogs(nullptr);
    doc->SetPrompts(&prompts);
}

// A read that finds another file under the image's name, or a device behind it, shows the
// sector as unreadable and says once what happened; opening the image again reads it.
TEST_F(WriteBack, AReadThatFindsTheNameLeadingElsewhereSaysSoOnce)
{
    testsupport::OneFileAsADevice device;
    for (OutsideChange loss : { RENAMED_ONTO, NOW_A_DEVICE }) {
        SCOPED_TRACE(loss);
        doc.reset(NewDocument());
        prompts = ScriptedPrompts();
        doc->SetPrompts(&prompts);
        Medium m = ImageCopy("wb-read-why.img");
        ASSERT_TRUE(doc->OnOpenDocument(m.open.c_str()));
        doc->CloseImageHandle();                    // as after a write
        ASSERT_TRUE(ChangeOutside(loss, m.path, source, device, 0));
        prompts.boxAnswers = { IDOK };
        for (uint64_t sector : { 3, 4 }) {
            EXPECT_TRUE(MoveTo(sector));
            EXPECT_EQ(static_cast<uint32_t>(LOADSTATE_READ_ERROR), doc->GetLoadState()) << sector;
        }
        device.armed = false;
        ASSERT_EQ(1u, prompts.boxes.size()) << "said more than once";
        EXPECT_EQ("Warnung", prompts.boxes[0].caption);
        EXPECT_EQ(OutsideChangeText(loss, m.path), prompts.boxes[0].text);
        ASSERT_TRUE(doc->OnOpenDocument(m.open.c_str()));
        EXPECT_TRUE(MoveTo(3));
        EXPECT_EQ(static_cast<uint32_t>(LOADSTATE_LOADED), doc->GetLoadState());
        EXPECT_EQ(0, prompts.unexpected);
    }
}

// A write-back to a drive goes only to the disk opened, decided by what identifies the device
// and not by what its sectors hold: another disk or stick put in behind the same drive number
// or letter (one whose sector differs, one whose sector holds the same bytes, a clone alike in
// every byte), a card swapped in the same reader, or the drive gone is never written, by every
// route that writes the edit back, and the user is told why; the typed "OK" of a big disk is
// not asked for a disk that would not be written. The sector read again first keeps another
// program's change of the disk opened; a drive that no longer reads takes no write either.
// Both disks keep every byte and the edit stays. Drives known by the file they read (Wine) and
// by their storage number and serial number (Windows).
TEST_F(WriteBack, ADriveWhoseSectorIsNoLongerTheOneReadIsNeverWritten)
{
    AccessScope scope(&fake);
    enum Change { SWAPPED, CHANGED_IN_PLACE, REMOVED, UNREADABLE, SWAPPED_SAME_BYTES, CARD_SWAPPED };
    const struct {
        const char* open;
        const char* device;
        const char* medium;         // as the message names it
    } drives[] = {
        { "Physical5", kDrive5, "dem physikalischen Laufwerk 5" },
        { "K:", "\\\\.\\K:", "Laufwerk K:" },
    };
    const struct {
        Change change;
        bool storage;               // known by storage number and serial, not by the file
    } changes[] = {
        { SWAPPED, false }, { CHANGED_IN_PLACE, false }, { REMOVED, false }, { UNREADABLE, false },
        { SWAPPED_SAME_BYTES, false }, { CARD_SWAPPED, false }, { SWAPPED_SAME_BYTES, true },
        { CHANGED_IN_PLACE, true },
    };
    Medium other = ImageCopy("wb-drive-other.img");
    const std::vector<Route> routes = RoutesEndingTheEdit(other);
    const uint64_t kSize = 64ull << 20;
    for (const auto& drive : drives) {
        for (const auto& c : changes) {
            const Change change = c.change;
            for (const auto& route : routes) {
                SCOPED_TRACE(std::string(drive.open) + ", " + route.name + ", change " + std::to_string(change) +
                             (c.storage ? ", by storage number" : ""));
                fake.storageNumbers = c.storage;
                fake.mediaChanges.clear();
                if (change == CARD_SWAPPED)
                    fake.mediaChanges[drive.device] = 2;
                const std::string first = TempPath("wb-drive-first.img"), second = TempPath("wb-drive-second.img");
                ASSERT_TRUE(MakeSparseDisk(source, first, kSize));
                ASSERT_TRUE(MakeSparseDisk(source, second, kSize));
                fake.files[drive.device] = first;
                Medium m;
                m.path = first;
                m.open = drive.open;
                const uint8_t read = ByteOnDisk(m, 3, 100);
                EditSector(m, 3, static_cast<uint8_t>(read ^ 0x5A));
                // The other disk differs from the first in the sector's last byte only, or not.
                const std::vector<uint8_t> other511(1, static_cast<uint8_t>(ByteOnDisk(m, 3, 511) ^ 0xFF));
                if (change == SWAPPED) {
                    ChangeInPlace(second, 3 * 512 + 511, other511);
                    fake.files[drive.device] = second;
                } else if (change == SWAPPED_SAME_BYTES) {
                    fake.files[drive.device] = second;
                } else if (change == CARD_SWAPPED) {
                    ++fake.mediaChanges[drive.device];
                } else if (change == CHANGED_IN_PLACE) {
                    ChangeInPlace(first, 3 * 512 + 511, other511);
                } else if (change == REMOVED) {
                    fake.files.erase(drive.device);
                }
                const uint64_t firstWhole = HashOutside(first, 0, 0), secondWhole = HashOutside(second, 0, 0);
                const bool notTheOne = change == SWAPPED || change == SWAPPED_SAME_BYTES || change == CARD_SWAPPED ||
                                       change == REMOVED;
                for (int attempt : { 0, 1 }) {
                    // The sector that no longer reads (once, at the read before the write).
                    fake.failingUnits.clear();
                    if (change == UNREADABLE)
                        fake.failingUnits[3] = 1;
                    prompts.boxes.clear();
                    prompts.typed.clear();
                    prompts.boxAnswers = { IDYES, IDOK, IDOK };
                    prompts.typedAnswers.clear();
                    if (doc->GetAskBeforeWrite())
                        prompts.typedAnswers.push_back({ true, "OK" });
                    EXPECT_FALSE(route.run()) << "attempt " << attempt;
                    std::vector<std::string> said;
                    for (const ScriptedPrompts::Asked& b : prompts.boxes)
                        said.push_back(b.caption + ": " + b.text);
                    std::vector<std::string> expected = { "Schreibschutz: " + std::string(kChanged),
                                                          "Fehler: " + std::string(kWriteFailed) };
                    if (notTheOne)
                        expected.push_back("Warnung: Auf " + std::string(drive.medium) +
                                           " ist nicht mehr das Medium, das geöffnet wurde:\nEs wurde gewechselt "
                                           "oder entfernt.\nDie Änderung wurde nicht geschrieben. Bitte öffnen Sie "
                                           "das Laufwerk neu.");
                    else if (change == CHANGED_IN_PLACE)
                        expected.push_back("Warnung: Sektor 3 auf " + std::string(drive.medium) +
                                           " enthält nicht mehr, was gelesen wurde:\nDas Medium wurde gewechselt "
                                           "oder außerhalb des Programms verändert.\nDie Änderung wurde nicht "
                                           "geschrieben.");
                    EXPECT_EQ(said, expected) << "attempt " << attempt;
                    // The typed "OK" only for the disk opened, whose rule it is.
                    EXPECT_EQ(prompts.typed.size(), doc->GetAskBeforeWrite() && !notTheOne ? 1u : 0u);
                    EXPECT_EQ(firstWhole, HashOutside(first, 0, 0)) << "the first disk was written";
                    EXPECT_EQ(secondWhole, HashOutside(second, 0, 0)) << "the disk put in was written";
                    EXPECT_TRUE(doc->IsWriteEnabled());
                    EXPECT_EQ(read ^ 0x5A, doc->GetSectorBuffer()[100]);
                    EXPECT_EQ(3u, doc->GetCurrentSector());
                    EXPECT_EQ(drive.open == std::string("K:") ? 10u : 0x8005u, doc->GetDriveCode());
                }
                fake.failingUnits.clear();
                // The sectors shown are still those of the disk opened, never of the one put in.
                if (change == SWAPPED) {
                    std::vector<uint8_t> now(512);
                    EXPECT_TRUE(doc->ReadUnits(3, 1, now.data()));
                    std::vector<uint8_t> opened;
                    ASSERT_TRUE(ReadFileBytes(first, 3 * 512, 512, &opened));
                    EXPECT_TRUE(now == opened) << "a sector of the disk put in was read";
                }
                // "Nein" drops the edit and lets the frame go.
                prompts.boxAnswers = { IDNO };
                EXPECT_TRUE(doc->CanCloseFrame(nullptr));
                EXPECT_FALSE(doc->IsWriteEnabled());
                EXPECT_EQ(0, prompts.unexpected);
                doc->SetPrompts(nullptr);
                doc.reset(NewDocument());
                prompts = ScriptedPrompts();
                doc->SetPrompts(&prompts);
            }
        }
    }
    fake.storageNumbers = false;
    fake.mediaChanges.clear();
}
