// Writing a sector back from the disk view's hex pane, end to end in the frame: an edit made
// while the protection is on changes nothing and asks nothing; with the protection off it is
// written only when the question is answered "yes", and then lands in exactly the byte of the
// sector it was made in. Every test works on a scratch copy of a FAT image, so the fixture
// itself stays as mkfs made it and is the reference the copy is compared with.
#include <gtest/gtest.h>

#include "app/DiskView.h"
#include "app/MainFrm.h"
#include "app/res/resource.h"
#include "disk/DiskCommands.h"
#include "disk/DiskDoc.h"
#include "services/AppIdentity.h"
#include "tests/support/TestSupport.h"

#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "tests/app/DiskViewTestSupport.h"
#include "tests/disk/SectorJobsTestSupport.h"

using diskviewtest::DrainQueue;
using diskviewtest::FileExists;

namespace {

const char kTestAppName[] = "DiskViewWrite";
const char kUnprotectQuestion[] = "Den Schreibschutz wirklich entfernen ?";
const char kChangedQuestion[] = "Der Sektor wurde verändert ?\nSoll ergeschrieben werden ?";

std::vector<uint8_t> ReadWholeFile(const std::string& path)
{
    std::vector<uint8_t> bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(file);
    return bytes;
}

// FNV-1a over the whole file: a second, independent look at "nothing changed".
uint64_t Fnv1a(const std::vector<uint8_t>& bytes)
{
    uint64_t hash = 0xcbf29ce484222325ull;
    for (uint8_t b : bytes) {
        hash ^= b;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

// The offsets where two files differ (a length difference counts as one at the shorter end).
std::vector<size_t> Differences(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    std::vector<size_t> at;
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i)
        if (a[i] != b[i])
            at.push_back(i);
    if (a.size() != b.size())
        at.push_back(common);
    return at;
}

// The questions of the document, answered from a script; every one is recorded. A question
// the script did not expect is answered "no"/"cancel", which never writes.
class ScriptedPrompts : public DiskDocPrompts {
public:
    struct Asked {
        std::string text;
        std::string caption;
        UINT type;
    };
    int Box(const char* text, const char* caption, UINT type) override
    {
        boxes.push_back({ text ? text : "", caption ? caption : "", type });
        if (answers.empty())
            return (type & MB_TYPEMASK) == MB_OKCANCEL ? IDCANCEL : IDNO;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    bool AskText(const char* caption, const char*, CString*, bool) override
    {
        typed.push_back(caption ? caption : "");
        return false;
    }
    std::deque<int> answers;
    std::vector<Asked> boxes;
    std::vector<std::string> typed;   // captions of the text entry dialogs asked for
};

class DiskViewWriteTest : public ::testing::Test {
protected:
    DiskViewWriteTest() : key(kTestAppName) {}

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(diskviewtest::BuildFrame(app, key, kTestAppName, &prompts, &doc, &frame, &view));
        hex = view->GetHexView();
        ASSERT_NE(hex, nullptr);
    }

    void TearDown() override
    {
        if (app.m_pMainWnd)
            app.m_pMainWnd->SendMessage(WM_CLOSE);
        DrainQueue();
        // Every test leaves the medium settled: closing asks nothing.
        EXPECT_TRUE(prompts.boxes.empty()) << prompts.boxes.front().text;
        if (!scratch.empty()) {
            SetFileAttributesA(scratch.c_str(), FILE_ATTRIBUTE_NORMAL);
            EXPECT_TRUE(DeleteFileA(scratch.c_str())) << scratch;
        }
        if (!reserved.empty())
            DeleteFileA(reserved.c_str());
        for (const std::string& extra : extras)
            DeleteFileA(extra.c_str());
    }

    // Copies a fixture image to a scratch file and opens the copy as the program does; false
    // (the test skips) when the fixture is missing.
    bool OpenScratchCopy(const char* name)
    {
        original = testsupport::BinaryDir() + "\\fixtures\\" + name;
        if (testsupport::BinaryDir().empty() || !FileExists(original))
            return false;
        char dir[MAX_PATH];
        char file[MAX_PATH];
        if (!GetTempPathA(sizeof dir, dir) || !GetTempFileNameA(dir, "slw", 0, file)) {
            ADD_FAILURE() << "no scratch file";
            return false;
        }
        // The document opens images by their extension: the reserved name gets ".img".
        reserved = file;
        scratch = reserved + ".img";
        if (!CopyFileA(original.c_str(), scratch.c_str(), FALSE)) {
            ADD_FAILURE() << "copy to " << scratch << " failed";
            return false;
        }
        SetFileAttributesA(scratch.c_str(), FILE_ATTRIBUTE_NORMAL);
        reference = ReadWholeFile(original);
        if (reference.size() < 64 * 512 || ReadWholeFile(scratch) != reference) {
            ADD_FAILURE() << "the scratch copy differs from " << original;
            return false;
        }
        EXPECT_TRUE(doc->OnOpenDocument(scratch.c_str()));
        DrainQueue();
        return doc->GetLoadedSize() == 512 && doc->GetDriveCode() == DRIVECODE_IMAGE;
    }

    void GoTo(uint64_t sector)
    {
        doc->SetCurrentSector(sector);
        doc->LoadSector(0, 0);
        DrainQueue();
    }

    // The next-sector command as the menu and the keyboard send it.
    void StepToNextSector()
    {
        frame->SendMessage(WM_COMMAND, ID_NEXT_SECTOR);
        DrainQueue();
    }

    // Types two hex digits at `offset` of the hex pane's hex column.
    void TypeByte(int offset, uint8_t value)
    {
        static const char digits[] = "0123456789abcdef";
        hex->SetCursorArea(HEX_AREA_HEX);
        hex->SetCursorAddress(offset, false);
        ::SetFocus(hex->m_hWnd);
        ::SendMessageA(hex->m_hWnd, WM_CHAR, static_cast<WPARAM>(digits[value >> 4]), 1);
        ::SendMessageA(hex->m_hWnd, WM_CHAR, static_cast<WPARAM>(digits[value & 15]), 1);
        DrainQueue();
    }

    // The bytes of a sector in the reference image.
    std::vector<uint8_t> ReferenceSector(uint64_t sector) const
    {
        return std::vector<uint8_t>(reference.begin() + static_cast<ptrdiff_t>(sector * 512),
                                    reference.begin() + static_cast<ptrdiff_t>(sector * 512 + 512));
    }

    // The hex pane shows the document's buffer itself, `sector` of the image in it.
    void ExpectPaneShows(uint64_t sector)
    {
        EXPECT_EQ(doc->GetCurrentSector(), sector);
        EXPECT_EQ(doc->GetLastSectorRead(), sector);
        int size = 0;
        uint32_t base = 0;
        const uint8_t* data = hex->GetData(&size, &base);
        ASSERT_EQ(data, doc->GetSectorBuffer());
        ASSERT_EQ(size, 512);
        EXPECT_EQ(std::vector<uint8_t>(data, data + 512), ReferenceSector(sector)) << "sector " << sector;
    }

    // Switches the protection off, answering OK to its question.
    void Unprotect()
    {
        prompts.answers.push_back(IDOK);
        frame->SendMessage(WM_COMMAND, ID_WRITE_PROTECT);
        DrainQueue();
        ASSERT_EQ(prompts.boxes.size(), 1u);
        EXPECT_EQ(prompts.boxes[0].text, kUnprotectQuestion);
        EXPECT_EQ(prompts.boxes[0].caption, "Schreibschutz");
        EXPECT_EQ(prompts.boxes[0].type & MB_TYPEMASK, static_cast<UINT>(MB_OKCANCEL));
        prompts.boxes.clear();
        ASSERT_TRUE(doc->IsWriteEnabled());
        ASSERT_EQ(hex->GetModeFlags() & HVM_PROTECTED, 0u);
    }

    // The one question a changed sector gets when the view leaves it.
    void ExpectChangedQuestionAsked()
    {
        ASSERT_EQ(prompts.boxes.size(), 1u);
        EXPECT_EQ(prompts.boxes[0].text, kChangedQuestion);
        EXPECT_EQ(prompts.boxes[0].caption, "Schreibschutz");
        EXPECT_EQ(prompts.boxes[0].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
        EXPECT_TRUE(prompts.typed.empty()) << "an image asked for the typed OK";
        prompts.boxes.clear();
    }

    // Leaves the edited sector with the answers "no", then "yes" after the same edit again;
    // `edit` makes the edit on the loaded sector. Only the "yes" reaches the file, in the one
    // byte edited.
    template <typename Edit>
    void CheckWriteBack(uint64_t sector, int offset, Edit edit)
    {
        const uint8_t before = reference[sector * 512 + static_cast<size_t>(offset)];
        const uint8_t wanted = static_cast<uint8_t>(before ^ 0x5A);
        const uint64_t untouched = Fnv1a(reference);

        // Answer "no": the edit is dropped.
        GoTo(sector);
        ExpectPaneShows(sector);
        Unprotect();
        edit(offset, wanted);
        ASSERT_EQ(doc->GetSectorBuffer()[offset], wanted) << "the edit did not reach the sector buffer";
        prompts.answers.push_back(IDNO);
        StepToNextSector();
        ExpectChangedQuestionAsked();
        EXPECT_EQ(Fnv1a(ReadWholeFile(scratch)), untouched);
        EXPECT_TRUE(Differences(ReadWholeFile(scratch), reference).empty());
        ExpectPaneShows(sector + 1);
        EXPECT_FALSE(doc->IsWriteEnabled());
        EXPECT_NE(hex->GetModeFlags() & HVM_PROTECTED, 0u);

        // Answer "yes": exactly the edited byte of that sector changes in the file.
        GoTo(sector);
        ExpectPaneShows(sector);
        Unprotect();
        edit(offset, wanted);
        ASSERT_EQ(doc->GetSectorBuffer()[offset], wanted);
        prompts.answers.push_back(IDYES);
        StepToNextSector();
        ExpectChangedQuestionAsked();
        const std::vector<uint8_t> written = ReadWholeFile(scratch);
        ASSERT_EQ(written.size(), reference.size());
        const std::vector<size_t> changed = Differences(written, reference);
        ASSERT_EQ(changed.size(), 1u);
        EXPECT_EQ(changed[0], sector * 512 + static_cast<size_t>(offset));
        EXPECT_EQ(written[changed[0]], wanted);
        EXPECT_NE(Fnv1a(written), untouched);

        // The view went on to the next sector, protected again.
        ExpectPaneShows(sector + 1);
        EXPECT_FALSE(doc->IsWriteEnabled());
        EXPECT_NE(hex->GetModeFlags() & HVM_PROTECTED, 0u);

        // Back on the written sector, the document reads the new byte from the file.
        GoTo(sector);
        EXPECT_EQ(doc->GetSectorBuffer()[offset], wanted);
        EXPECT_TRUE(prompts.boxes.empty());
    }

    testsupport::ScratchKey key;
    CWinApp app{"DiskViewWriteTest"};
    ScriptedPrompts prompts;
    CDiskDoc* doc = nullptr;
    CMainFrame* frame = nullptr;
    CDiskView* view = nullptr;
    CHexView* hex = nullptr;
    std::string original;
    std::string reserved;
    std::string scratch;
    std::vector<uint8_t> reference;   // the fixture's bytes, read before anything is written
    std::vector<std::string> extras;  // further scratch files
};

}  // namespace

#define REQUIRE_SCRATCH_COPY(name) \
    if (!OpenScratchCopy(name)) GTEST_SKIP() << name << " is missing or its copy did not open (run through ctest)"

TEST_F(DiskViewWriteTest, TypingIntoTheProtectedPaneChangesNothingAndSteppingOnAsksNothing)
{
    REQUIRE_SCRATCH_COPY("fat16.img");
    const uint64_t sector = 1;      // the reserved sector after the boot sector
    const int offset = 0x1A3;
    GoTo(sector);
    ExpectPaneShows(sector);
    ASSERT_FALSE(doc->IsWriteEnabled());
    ASSERT_NE(hex->GetModeFlags() & HVM_PROTECTED, 0u);

    const uint8_t before = doc->GetSectorBuffer()[offset];
    TypeByte(offset, static_cast<uint8_t>(before ^ 0x5A));
    TypeByte(0, static_cast<uint8_t>(doc->GetSectorBuffer()[0] ^ 0xFF));
    EXPECT_EQ(std::vector<uint8_t>(doc->GetSectorBuffer(), doc->GetSectorBuffer() + 512), ReferenceSector(sector));
    EXPECT_FALSE(hex->IsModified());

    StepToNextSector();
    EXPECT_TRUE(prompts.boxes.empty()) << prompts.boxes.front().text;
    EXPECT_TRUE(prompts.typed.empty());
    ExpectPaneShows(sector + 1);
    EXPECT_EQ(Fnv1a(ReadWholeFile(scratch)), Fnv1a(reference));
    EXPECT_TRUE(Differences(ReadWholeFile(scratch), reference).empty());
}

TEST_F(DiskViewWriteTest, ProtectionAnsweredCancelStaysOnAndTheSectorStaysAsItIs)
{
    REQUIRE_SCRATCH_COPY("fat12.img");
    GoTo(2);
    prompts.answers.push_back(IDCANCEL);
    frame->SendMessage(WM_COMMAND, ID_WRITE_PROTECT);
    DrainQueue();
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_EQ(prompts.boxes[0].text, kUnprotectQuestion);
    prompts.boxes.clear();
    EXPECT_FALSE(doc->IsWriteEnabled());
    EXPECT_NE(hex->GetModeFlags() & HVM_PROTECTED, 0u);
    TypeByte(7, static_cast<uint8_t>(doc->GetSectorBuffer()[7] ^ 0x33));
    EXPECT_EQ(std::vector<uint8_t>(doc->GetSectorBuffer(), doc->GetSectorBuffer() + 512), ReferenceSector(2));
    StepToNextSector();
    EXPECT_TRUE(prompts.boxes.empty());
    ExpectPaneShows(3);
    EXPECT_TRUE(Differences(ReadWholeFile(scratch), reference).empty());
}

// The pane shows the document's own buffer: a byte changed in the pane's data is the
// document's change. This takes the write-back from the pane's side without the keyboard.
TEST_F(DiskViewWriteTest, AnEditInThePaneIsWrittenOnlyOnYesAndOnlyInItsSector)
{
    REQUIRE_SCRATCH_COPY("fat16.img");
    CheckWriteBack(5, 0x13B, [this](int offset, uint8_t value) {
        int size = 0;
        uint32_t base = 0;
        ASSERT_EQ(hex->GetData(&size, &base), doc->GetSectorBuffer());
        ASSERT_GT(size, offset);
        hex->Model().WritableData()[offset] = value;
    });
}

TEST_F(DiskViewWriteTest, AnEditInTheFirstAndLastByteOfASectorStaysInThatSector)
{
    REQUIRE_SCRATCH_COPY("fat12.img");
    auto poke = [this](int offset, uint8_t value) { hex->Model().WritableData()[offset] = value; };
    CheckWriteBack(9, 511, poke);
    reference = ReadWholeFile(scratch);
    CheckWriteBack(12, 0, poke);
}

// Typing in the hex pane and undoing the last digit: the sector is written with what is left,
// byte for byte, and nothing of the undone digit reaches the image.
TEST_F(DiskViewWriteTest, TypedDigitsWithTheLastOneUndoneAreWrittenAsTheyStandOnYes)
{
    REQUIRE_SCRATCH_COPY("fat16.img");
    const uint64_t sector = 3;
    const int first = 0x40;
    const int second = 0x1F0;
    GoTo(sector);
    ExpectPaneShows(sector);
    Unprotect();
    const std::vector<uint8_t> before = ReferenceSector(sector);
    const uint8_t firstValue = static_cast<uint8_t>(before[first] ^ 0x5A);
    TypeByte(first, firstValue);
    // Two digits at the second byte, the low one undone through the view's command.
    const uint8_t high = static_cast<uint8_t>((before[second] >> 4) ^ 0x8);
    const uint8_t low = static_cast<uint8_t>((before[second] & 15) ^ 0x1);
    TypeByte(second, static_cast<uint8_t>(high << 4 | low));
    ::SendMessageA(hex->m_hWnd, WM_COMMAND, ID_HEX_UNDO, 0);
    DrainQueue();
    const uint8_t secondValue = static_cast<uint8_t>(high << 4 | (before[second] & 15));
    ASSERT_EQ(doc->GetSectorBuffer()[second], secondValue);
    EXPECT_EQ(hex->GetCursorAddress(false), second) << "undo puts the cursor on the digit it took back";
    EXPECT_TRUE(hex->IsModified());

    prompts.answers.push_back(IDYES);
    StepToNextSector();
    ExpectChangedQuestionAsked();
    const std::vector<uint8_t> written = ReadWholeFile(scratch);
    ASSERT_EQ(written.size(), reference.size());
    const std::vector<size_t> changed = Differences(written, reference);
    ASSERT_EQ(changed, std::vector<size_t>({ sector * 512 + first, sector * 512 + second }));
    EXPECT_EQ(written[changed[0]], firstValue);
    EXPECT_EQ(written[changed[1]], secondValue);
    ExpectPaneShows(sector + 1);
    EXPECT_NE(hex->GetModeFlags() & HVM_PROTECTED, 0u);
    EXPECT_EQ(hex->StepUndo(-1), 0) << "the new sector starts with an empty undo ring";
}

// ---------------------------------------------------------------- no write but the confirmed one

// A file dropped on the view becomes the medium the window names, so picking the first
// image again really opens it, and the next write lands there.
TEST_F(DiskViewWriteTest, ADroppedImageIsNamedAndTheFirstCanBePickedAgain)
{
    REQUIRE_SCRATCH_COPY("fat16.img");
    ASSERT_EQ(app.OpenDocumentFile(scratch.c_str()), doc);
    const std::string second = reserved + "b.img";
    extras.push_back(second);
    ASSERT_TRUE(CopyFileA(original.c_str(), second.c_str(), FALSE));
    ASSERT_NO_FATAL_FAILURE(diskviewtest::DropFile(view, second));
    EXPECT_EQ(std::string(doc->GetPathName()), second);
    EXPECT_EQ(std::string(doc->GetTitle()), second.substr(second.rfind('\\') + 1));
    ASSERT_EQ(app.OpenDocumentFile(scratch.c_str()), doc);
    ASSERT_EQ(std::string(doc->GetImagePath()), scratch) << "the first image was taken as still open";
    CheckWriteBack(5, 0x40, [this](int offset, uint8_t value) { hex->Model().WritableData()[offset] = value; });
    EXPECT_EQ(ReadWholeFile(second), reference);
}

// The library's save and save-as would write the document's path anew: for this document
// that path is the image itself. Neither has a handler, and posted they change nothing.
TEST_F(DiskViewWriteTest, SaveAndSaveAsNeverTouchTheImage)
{
    REQUIRE_SCRATCH_COPY("fat12.img");
    ASSERT_EQ(app.OpenDocumentFile(scratch.c_str()), doc);
    for (UINT id : { static_cast<UINT>(ID_FILE_SAVE), static_cast<UINT>(ID_FILE_SAVE_AS) }) {
        AFX_CMDHANDLERINFO info = {};
        // Checked before posting: a handler of save-as would open its file dialog and wait.
        ASSERT_FALSE(frame->OnCmdMsg(id, CN_COMMAND, nullptr, &info)) << id << " has a handler";
        frame->PostMessage(WM_COMMAND, id);
    }
    DrainQueue();
    EXPECT_FALSE(doc->OnSaveDocument(scratch.c_str()));
    EXPECT_EQ(ReadWholeFile(scratch), reference);
    // No other command of the library's file range reaches a handler that could write a
    // document's file: only new, open, close, print set-up and the recent files have one.
    for (UINT id = ID_FILE_NEW; id <= ID_FILE_MRU_LAST; ++id) {
        AFX_CMDHANDLERINFO info = {};
        const bool known = id == ID_FILE_NEW || id == ID_FILE_OPEN || id == ID_FILE_CLOSE ||
                           id == ID_FILE_PRINT_SETUP || id >= ID_FILE_MRU_FIRST;
        EXPECT_TRUE(known || !frame->OnCmdMsg(id, CN_COMMAND, nullptr, &info)) << id << " has a handler";
    }
}

// The end of the session and "Schließen" ask as the close box does: a failed write-back
// keeps the session, the frame and the edit; "no" drops the edit, "yes" writes it.
TEST_F(DiskViewWriteTest, EndOfSessionAndCloseSettleThePendingEdit)
{
    REQUIRE_SCRATCH_COPY("fat16.img");
    auto ask = [this](WPARAM command, std::deque<int> answers) {
        prompts.answers = answers;
        const LRESULT result = frame->SendMessage(command ? WM_COMMAND : WM_QUERYENDSESSION, command);
        EXPECT_EQ(prompts.boxes.size(), answers.size());
        EXPECT_EQ(prompts.boxes.empty() ? "" : prompts.boxes[0].text, kChangedQuestion);
        prompts.boxes.clear();
        return result;
    };
    const HWND frameWindow = frame->m_hWnd;
    GoTo(5);
    for (std::deque<int> last : { std::deque<int>{ IDNO }, std::deque<int>{ IDYES } }) {
        Unprotect();
        hex->Model().WritableData()[0x77] ^= 0x5A;
        HANDLE held = CreateFileA(scratch.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_FALSE(ask(0, { IDYES, IDOK }));
        ask(ID_FILE_CLOSE, { IDYES, IDOK });
        CloseHandle(held);
        ASSERT_TRUE(IsWindow(frameWindow)) << "the frame went with the edit";
        EXPECT_TRUE(ask(0, last));
        EXPECT_EQ(Differences(ReadWholeFile(scratch), reference).size(), last[0] == IDYES ? 1u : 0u);
        EXPECT_NE(hex->GetModeFlags() & HVM_PROTECTED, 0u);
    }
    EXPECT_EQ(Differences(ReadWholeFile(scratch), reference), std::vector<size_t>{ 5 * 512 + 0x77 });
}

// Protection switched off without typing, then "Sektoren laden" given up before and after
// its write-back step (the scripted prompts answer "Abbrechen"), or a close the end of the
// session did not follow: the pane in the frame agrees with the document afterwards. Still
// unprotected, a byte typed then is asked about when the view leaves the sector; protected
// again, the pane takes no typing. Nothing reaches the image either way. (The document's
// suite walks every step of the load.)
TEST_F(DiskViewWriteTest, RoutesEndingWithoutALoadLeaveThePaneAndTheDocumentAgreeing)
{
    REQUIRE_SCRATCH_COPY("fat16.img");
    jobtest::JobDialogs dialogs;
    doc->SetNavDialogs(&dialogs);
    const std::string file = reserved + "-two.bin";
    extras.push_back(file);
    FILE* f = std::fopen(file.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    const std::vector<uint8_t> bytes(1024, 0xA5);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    const struct {
        const char* route;
        std::function<void()> run;
        std::vector<std::string> said;
    } routes[] = {
        { "range dialog cancelled", [&] { frame->SendMessage(WM_COMMAND, ID_LOAD_SECTORS); }, {} },
        { "last question",
          [&] {
              dialogs.ranges.push_back({ file, "6", "2" });
              frame->SendMessage(WM_COMMAND, ID_LOAD_SECTORS);
          },
          { "Sollen die Sektoren wirklich überschrieben werden ?" } },
        { "end of session not followed", [&] { EXPECT_NE(frame->SendMessage(WM_QUERYENDSESSION), 0); }, {} },
    };
    const uint64_t sector = 6;
    const int offset = 0x40;
    const uint8_t typed = static_cast<uint8_t>(reference[sector * 512 + offset] ^ 0x5A);
    for (const auto& r : routes) {
        SCOPED_TRACE(r.route);
        GoTo(sector);
        ASSERT_NO_FATAL_FAILURE(Unprotect());
        r.run();
        DrainQueue();
        std::vector<std::string> said;
        for (const auto& box : prompts.boxes)
            said.push_back(box.text);
        EXPECT_EQ(said, r.said);
        EXPECT_TRUE(dialogs.titles.empty()) << "a load ran";
        prompts.boxes.clear();
        const bool writable = doc->IsWriteEnabled() != FALSE;
        EXPECT_EQ(writable, (hex->GetModeFlags() & HVM_PROTECTED) == 0) << "the pane and the document disagree";
        TypeByte(offset, typed);
        const bool taken = doc->GetSectorBuffer()[offset] == typed;
        EXPECT_EQ(taken, writable) << "typing into the pane";
        StepToNextSector();                 // the scripted "Nein" drops a byte that was taken
        if (taken)
            ExpectChangedQuestionAsked();
        EXPECT_TRUE(prompts.boxes.empty()) << prompts.boxes.front().text;
        prompts.boxes.clear();
        ExpectPaneShows(sector + 1);
        EXPECT_TRUE(Differences(ReadWholeFile(scratch), reference).empty());
    }
    doc->SetNavDialogs(nullptr);
}

// ---------------------------------------------------------------- dumps that would cut what must stay

// "Sektoren speichern" from the frame cuts nothing the user did not mean: after a write-back
// closed the read handle, an image renamed away is said before the range is asked; an image
// deleted is said once by the next read, and the dump then refused with it; a read-only
// target and the file drive Q: is read from (Wine's "q::" link) are refused before they are
// opened for writing. Every file keeps its bytes and no copy runs.
TEST_F(DiskViewWriteTest, ADumpCutsNothingTheUserDidNotMean)
{
    REQUIRE_SCRATCH_COPY("fat16.img");
    jobtest::JobDialogs dialogs;
    doc->SetNavDialogs(&dialogs);
    const std::string target = reserved + "-dump.bin", away = scratch + ".away";
    extras.push_back(target);
    extras.push_back(away);
    const std::string gone = "Die Image-Datei wurde außerhalb des Programms gelöscht oder umbenannt:\n" + scratch +
                             "\nBitte öffnen Sie die Image-Datei neu. Bis dahin werden keine Sektoren gelesen oder "
                             "geschrieben.";
    const std::string qRaw = testsupport::BinaryDir() + "\\fixtures\\qdrive-raw.img";
    const bool haveQ = GetDriveTypeA("Q:\\") != DRIVE_NO_ROOT_DIR && FileExists(qRaw);
    enum Kind { RENAMED_AWAY, DELETED, READ_ONLY_TARGET, FILE_OF_DRIVE_Q };
    const struct {
        Kind kind;
        std::string target;
        std::vector<std::string> said;      // by the step to the next sector, then by the dump
    } cases[] = {
        { RENAMED_AWAY, target, { gone } },
        { DELETED, target, { gone, gone } },
        { READ_ONLY_TARGET, target, { "Die Datei konnte nicht geöffnet werden !" } },
        { FILE_OF_DRIVE_Q, qRaw,
          { "Die Zieldatei " + qRaw + " wird als das geöffnete Laufwerk gelesen !\nSie wird nicht überschrieben." } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        if (c.kind == FILE_OF_DRIVE_Q && !haveQ) {
            ADD_FAILURE() << "no drive Q: with a raw device (the disk_drives fixture did not run)";
            continue;
        }
        SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        FILE* f = std::fopen(target.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        const std::vector<uint8_t> kept(3 * 512, 0xC3);
        std::fwrite(kept.data(), 1, kept.size(), f);
        std::fclose(f);
        if (c.kind == READ_ONLY_TARGET) {
            ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
        }
        if (c.kind == FILE_OF_DRIVE_Q) {
            ASSERT_TRUE(doc->OnOpenDocument("Q:"));
            DrainQueue();
            ASSERT_EQ(doc->GetLoadState(), static_cast<uint32_t>(LOADSTATE_LOADED));
        }
        if (c.kind == RENAMED_AWAY || c.kind == DELETED) {
            // A write-back through the protection switch closes the read handle.
            GoTo(5);
            ASSERT_NO_FATAL_FAILURE(Unprotect());
            hex->Model().WritableData()[0x40] ^= 0x5A;
            prompts.answers.push_back(IDYES);
            frame->SendMessage(WM_COMMAND, ID_WRITE_PROTECT);
            DrainQueue();
            ASSERT_FALSE(doc->IsWriteEnabled());
            prompts.boxes.clear();
            ASSERT_TRUE(c.kind == DELETED ? DeleteFileA(scratch.c_str()) : MoveFileA(scratch.c_str(), away.c_str()))
                << "the document still holds the image open";
        }
        if (c.kind == DELETED)
            StepToNextSector();
        const std::vector<uint8_t> before = ReadWholeFile(c.target);
        dialogs.titles.clear();
        dialogs.ranges.push_back({ c.target, "0", "2" });
        frame->SendMessage(WM_COMMAND, ID_SAVE_SECTORS);
        DrainQueue();
        dialogs.ranges.clear();
        std::vector<std::string> said;
        for (const auto& box : prompts.boxes)
            said.push_back(box.text);
        prompts.boxes.clear();
        EXPECT_EQ(said, c.said);
        EXPECT_TRUE(dialogs.titles.empty()) << "a copy ran";
        EXPECT_EQ(ReadWholeFile(c.target), before) << "the target was cut or written";
        if (c.kind == RENAMED_AWAY || c.kind == DELETED) {
            // Told once: the next step reads nothing and says nothing more.
            StepToNextSector();
            EXPECT_TRUE(prompts.boxes.empty()) << prompts.boxes.front().text;
            EXPECT_EQ(doc->GetLoadState(), static_cast<uint32_t>(LOADSTATE_READ_ERROR));
            prompts.boxes.clear();
        }
        // The image as the next case (and the end of the test) finds it.
        if (c.kind == RENAMED_AWAY) {
            ASSERT_TRUE(MoveFileA(away.c_str(), scratch.c_str()));
        } else if (c.kind == DELETED) {
            ASSERT_TRUE(CopyFileA(original.c_str(), scratch.c_str(), FALSE));
        }
        ASSERT_TRUE(doc->OnOpenDocument(scratch.c_str()));
        DrainQueue();
        EXPECT_TRUE(prompts.boxes.empty());
    }
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    doc->SetNavDialogs(nullptr);
}
