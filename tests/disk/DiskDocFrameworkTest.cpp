// The document as the framework sees it: the title a new document gets for every kind of
// medium, the "never modified" answers that keep the library's save question away, and the
// sector search settings carried through the registry from one run to the next.
#include "DiskDocTestSupport.h"
#include "ScanTestSupport.h"
#include "classlib/RecentFileList.h"
#include <gtest/gtest.h>
#include <string.h>
#include <memory>
#include <string>
#include <vector>

using namespace doctest;

namespace {

const char kFindKey[] = "Software\\SektorlupeTests\\DiskDocTest\\Find";

// A document whose medium a test names directly, as the constructor would from the settings.
class MediumDoc : public CDiskDoc
{
public:
    void Use(uint32_t driveCode, const std::string& imagePath)
    {
        m_driveCode = driveCode;
        m_imagePath = imagePath.c_str();
    }
};

std::string Title(CDiskDoc& doc)
{
    return static_cast<LPCSTR>(doc.GetTitle());
}

// A new document gets its title from the medium: the letter, the physical drive (the
// program's own spelling, "Pysical"), the image's name, or "Unbenannt".
TEST(DocumentTitle, NewDocumentNamesItsMedium)
{
    FakeDiskAccess fake;
    std::string disk = TempPath("title-physical.img");
    std::string image = scantest::FixturePath("fat12.img");
    if (!scantest::FileExists(image) || !CopyFileTo(image, disk))
        GTEST_SKIP() << "fat12.img was not made";
    fake.files["\\\\.\\PhysicalDrive3"] = disk;
    fake.files["\\\\.\\Q:"] = disk;
    AccessScope scope(&fake);
    ScriptedPrompts prompts;

    struct Case
    {
        uint32_t code;
        std::string image;
        std::string title;
    };
    const Case cases[] = {
        { 16, "", "Q:\\ " },
        { 0, "", "A:\\ " },
        { 0x8003, "", "Pysical_3:\\ " },
        { 0x80FF, "", "Pysical_255:\\ " },  // no such drive, but still named by its number
        { DRIVECODE_IMAGE, image, "fat12.img " },
        { 0x4031, "", "Unbenannt" },        // one partition of a disk
        { DRIVECODE_NONE, "", "Unbenannt" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        std::unique_ptr<MediumDoc> doc(new MediumDoc);
        doc->SetPrompts(&prompts);
        doc->Use(c.code, c.image);
        ASSERT_TRUE(doc->OnNewDocument());
        EXPECT_EQ(c.title, Title(*doc));
        EXPECT_EQ(c.code, doc->GetDriveCode());
        EXPECT_TRUE(doc->GetPathName().IsEmpty());
        doc->SetPrompts(nullptr);
    }
    // The physical drive and the image were really opened and sector 0 read.
    std::unique_ptr<MediumDoc> doc(new MediumDoc);
    doc->Use(DRIVECODE_IMAGE, image);
    ASSERT_TRUE(doc->OnNewDocument());
    std::vector<uint8_t> first;
    ASSERT_TRUE(ReadFileBytes(image, 0, 512, &first));
    EXPECT_EQ(static_cast<uint32_t>(LOADSTATE_LOADED), doc->GetLoadState());
    EXPECT_EQ(0, memcmp(first.data(), doc->GetSectorBuffer(), 512));
    EXPECT_TRUE(prompts.boxes.empty());
    EXPECT_EQ(0, prompts.unexpected);
}

// Sectors are written back behind their own question only: the library's "save changes?"
// question must never come, whatever the view reported.
TEST(DocumentTitle, NeverModifiedAndNothingToSave)
{
    ScriptedPrompts prompts;
    std::unique_ptr<CDiskDoc> doc(NewDocument());
    doc->SetPrompts(&prompts);
    doc->SetModifiedFlag(TRUE);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_TRUE(doc->SaveModified());
    EXPECT_TRUE(prompts.boxes.empty());
    EXPECT_TRUE(prompts.typed.empty());
    doc->SetPrompts(nullptr);
}

// ---------------------------------------------------------------- the search settings

void PutFindValue(const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_CURRENT_USER, kFindKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

// The raw bytes and type of a value of the "Find" subkey; false when it is not there.
bool GetFindValue(const char* name, DWORD* type, std::vector<uint8_t>* data)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kFindKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    LONG rc = RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
        data->assign(size, 0);
        rc = RegQueryValueExA(key, name, nullptr, type, data->data(), &size);
        data->resize(size);
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

class FindSettings : public ::testing::Test
{
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kFindKey); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kFindKey); }
};

// What the search dialog left in the registry comes back at the next start and is written
// out again when the document goes, although the document itself never looks into it.
TEST_F(FindSettings, FlagsAndTextListsSurviveTheDocument)
{
    const DWORD flags = 0x00010025;
    const char text[] = "55 AA\0FAT32\0\xC4rger\0";         // three texts and the list's end
    const char groups[] = "Hex\0Text\0";
    PutFindValue("Flags", REG_DWORD, &flags, sizeof flags);
    PutFindValue("FindText", REG_MULTI_SZ, text, sizeof text);
    PutFindValue("FindGroups", REG_MULTI_SZ, groups, sizeof groups);
    {
        std::unique_ptr<CDiskDoc> doc(NewDocument());
        // Gone from the registry while the program runs: only the document can bring them back.
        RegDeleteTreeA(HKEY_CURRENT_USER, kFindKey);
    }
    DWORD type = 0;
    std::vector<uint8_t> data;
    ASSERT_TRUE(GetFindValue("Flags", &type, &data));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    ASSERT_EQ(4u, data.size());
    DWORD back = 0;
    memcpy(&back, data.data(), 4);
    EXPECT_EQ(flags, back);

    ASSERT_TRUE(GetFindValue("FindText", &type, &data));
    EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), type);
    EXPECT_EQ(std::vector<uint8_t>(text, text + sizeof text), data);
    ASSERT_TRUE(GetFindValue("FindGroups", &type, &data));
    EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), type);
    EXPECT_EQ(std::vector<uint8_t>(groups, groups + sizeof groups), data);
}

// Without saved lists only the flags are written (as 0): no empty lists appear.
TEST_F(FindSettings, AbsentListsStayAbsent)
{
    {
        std::unique_ptr<CDiskDoc> doc(NewDocument());
    }
    DWORD type = 0;
    std::vector<uint8_t> data;
    ASSERT_TRUE(GetFindValue("Flags", &type, &data));
    ASSERT_EQ(4u, data.size());
    DWORD back = 0xFFFFFFFF;
    memcpy(&back, data.data(), 4);
    EXPECT_EQ(0u, back);
    EXPECT_FALSE(GetFindValue("FindText", &type, &data));
    EXPECT_FALSE(GetFindValue("FindGroups", &type, &data));
}

// ---------------------------------------------------------------- the recent file list

std::vector<WPARAM> g_commands;

LRESULT CALLBACK CommandSinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND) {
        g_commands.push_back(wParam);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Reopening takes the newest recent entry unless that is what the document shows, then the
// one before it; the comparison ignores case as Windows paths do.
TEST(DocumentRecent, ReopenRecentPicksTheEntryNotShown)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CommandSinkProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "DiskDocRecentSink";
    RegisterClassA(&wc);
    HWND sink = CreateWindowA("DiskDocRecentSink", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, sink);
    CWnd main;
    main.Attach(sink);
    {
        CWinApp app;
        app.m_pRecentFileList = new CRecentFileList(0, "Recent File List", "File%d", 4);
        app.m_pMainWnd = &main;
        std::unique_ptr<CDiskDoc> doc(NewDocument());
        g_commands.clear();

        doc->ReopenRecent();                    // an empty list: nothing to reopen
        EXPECT_TRUE(g_commands.empty());

        app.AddToRecentFileList("X:\\b.img");
        doc->SetPathName("x:\\B.IMG", FALSE);
        doc->ReopenRecent();                    // the only entry is the one shown
        EXPECT_TRUE(g_commands.empty());

        app.AddToRecentFileList("Physical1");
        doc->ReopenRecent();
        ASSERT_EQ(1u, g_commands.size());
        EXPECT_EQ(static_cast<WPARAM>(ID_FILE_MRU_FILE1), g_commands[0]);

        doc->SetPathName("physical1", FALSE);
        doc->ReopenRecent();
        ASSERT_EQ(2u, g_commands.size());
        EXPECT_EQ(static_cast<WPARAM>(ID_FILE_MRU_FILE2), g_commands[1]);
        app.m_pMainWnd = nullptr;
    }
    main.Detach();
    DestroyWindow(sink);
}

}  // namespace
