// The window-free rules of the extended file dialog: what a request takes from the record,
// where histories live, which chosen paths are kept (against a real folder tree), and the
// path completion over real folders.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>
#include "services/AppIdentity.h"
#include "uihelpers/FileDialogExRules.h"
#include "TestWindows.h"

using uitest::Touch;

namespace {

std::string TempRoot()
{
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return folder;
}


// A folder tree made for one test and removed afterwards.
class Tree {
public:
    explicit Tree(const char* name) : m_root(TempRoot() + name)
    {
        Remove();
        CreateDirectoryA(m_root.c_str(), NULL);
    }
    ~Tree() { Remove(); }
    std::string operator/(const std::string& rest) const { return m_root + "\\" + rest; }
    const std::string& Root() const { return m_root; }
private:
    void Remove() { uitest::RemoveTree(m_root); }
    std::string m_root;
};

struct Recorder : CompletionSink {
    std::vector<std::string> added;
    int resets = 0, shows = 0;
    void Reset() override { ++resets; added.clear(); }
    bool Add(const char* s) override { added.push_back(s); return true; }
    void Show() override { ++shows; }
};

void RunToIdle(PathCompletion& c)
{
    for (int guard = 0; guard < 100000 && c.Step(); ++guard) {}
}

}  // namespace

TEST(FileDialogExRules, RequestsTakeCaptionKeyAndFlags)
{
    char custom[64] = "Software\\Sektorlupe\\Listen\\Dumps";
    char folders[] = "C:\\eins\0D:\\zwei\0\0";
    struct Case {
        DWORD flags; const char* filter; const char* defExt; char* customFilter;
        const char* caption; int filterSkip; DWORD key; const char* keyText; bool clearCustom;
    } cases[] = {
        { OFN_EXPLORER | 0x80000000, "Sektoren@Abbilder\0*.img\0", "bin", NULL, "Sektoren", 9, 0, "bin", false },
        { OFN_EXPLORER | 0x80000000, "Abbilder\0*.img\0", NULL, NULL, "Abbilder", 0, 0, "", false },
        { OFN_EXPLORER | 0x90000000, NULL, "iso", NULL, "", 0, 0x10000000, "iso", false },
        { OFN_EXPLORER | 0x30000000, "A\0*\0", NULL, folders, NULL, 0, 0x30000000, folders, true },
        { OFN_EXPLORER | 0x50000000, "A\0*\0", "bin", custom, NULL, 0, 0x50000000, custom, true },
        { OFN_EXPLORER | 0x40000000, "A\0*\0", "bin", NULL, NULL, 0, 0x40000000, "", true },
        { OFN_EXPLORER | 0x70000000, "A\0*\0", "bin", custom, NULL, 0, 0x70000000, "", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        OPENFILENAMEA ofn = {};
        ofn.lStructSize = sizeof ofn;
        ofn.Flags = c.flags;
        ofn.lpstrFilter = c.filter;
        ofn.lpstrDefExt = c.defExt;
        ofn.lpstrCustomFilter = c.customFilter;
        ofn.nMaxCustFilter = c.customFilter ? 64 : 0;
        OfnRequest r;
        ParseOfnRequest(&ofn, &r);
        EXPECT_EQ((c.flags & ~0xF0000000u) | OFN_ENABLESIZING, r.systemFlags);
        EXPECT_EQ(c.caption != NULL, r.hasCaption);
        if (c.caption) {
            EXPECT_STREQ(c.caption, r.caption);
        }
        EXPECT_EQ(c.filter ? c.filter + c.filterSkip : NULL, r.filter);
        EXPECT_EQ(c.key, r.keySource);
        size_t keyBytes = c.key == 0x30000000 ? sizeof folders : strlen(c.keyText) + 1;   // a list ends in two NULs
        EXPECT_EQ(0, memcmp(c.keyText, r.keyText, keyBytes));
        EXPECT_EQ(c.clearCustom, r.clearCustomFilter);
        EXPECT_EQ(ofn.Flags, c.flags);                 // the record itself stays
    }
    // A template keeps the caller's sizing choice; an unreadable default extension is dropped.
    OPENFILENAMEA ofn = {};
    ofn.Flags = OFN_EXPLORER | OFN_ENABLETEMPLATE;
    ofn.lpstrDefExt = reinterpret_cast<LPCSTR>(static_cast<UINT_PTR>(16));
    OfnRequest r;
    ParseOfnRequest(&ofn, &r);
    EXPECT_EQ(0u, r.systemFlags & OFN_ENABLESIZING);
    EXPECT_TRUE(r.dropDefExt);
    EXPECT_STREQ("", r.keyText);
    // An unterminated folder list stops at the buffer's end.
    char open[8];
    memset(open, 'x', sizeof open);
    ofn.Flags = OFN_EXPLORER | 0x30000000;
    ofn.lpstrCustomFilter = open;
    ofn.nMaxCustFilter = sizeof open;
    ParseOfnRequest(&ofn, &r);
    EXPECT_EQ(std::string(8, 'x'), std::string(r.keyText));
    EXPECT_EQ(0, r.keyText[9]);
}

TEST(FileDialogExRules, HistoryValuesAndKeys)
{
    struct { const char* key; const char* name; } names[] = {
        { "BIN", "OfnListBin" }, { "bin", "OfnListBin" }, { "*.img", "OfnListImg" }, { "a.b.TXT", "OfnListTxt" },
        { "", "OfnList" }, { "x?", "OfnList" }, { "*", "OfnList" }, { "\xE4\xD6L", "OfnList\xC4\xF6l" },
        { "abcdefghijklmnopqrstuvwxyzABCDEF", "OfnListAbcdefghijklmnopqrstuvwx" },
    };
    for (const auto& n : names) {
        char name[40];
        OfnHistoryValueName(n.key, name, sizeof name);
        EXPECT_STREQ(n.name, name) << n.key;
    }

    char path[300], value[40];
    SetAppIdentity("SektorlupeTests", "Uihelpers");
    ASSERT_TRUE(ResolveOfnHistoryPlace(0x10000000, "bin", path, sizeof path, value, sizeof value));
    EXPECT_STREQ("Software\\SektorlupeTests\\Uihelpers", path);
    EXPECT_STREQ("OfnListBin", value);
    // Without a maker's key: "QN" when the program has a key there, else the common one.
    SetAppIdentity("", "SektorlupeOfnProbe");
    ASSERT_TRUE(ResolveOfnHistoryPlace(0, "iso", path, sizeof path, value, sizeof value));
    EXPECT_STREQ("Software\\QN\\Common\\OfnList", path);
    HKEY probe;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, "Software\\QN\\SektorlupeOfnProbe", &probe));
    RegCloseKey(probe);
    ResolveOfnHistoryPlace(0, "iso", path, sizeof path, value, sizeof value);
    EXPECT_STREQ("Software\\QN\\SektorlupeOfnProbe", path);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\QN\\SektorlupeOfnProbe");
    SetAppIdentity("SektorlupeTests", "Uihelpers");

    ASSERT_TRUE(ResolveOfnHistoryPlace(0x60000000, "Software\\Eigen\\Liste\\Ordner", path, sizeof path, value, sizeof value));
    EXPECT_STREQ("Software\\Eigen\\Liste", path);
    EXPECT_STREQ("Ordner", value);
    ResolveOfnHistoryPlace(0x40000000, "K\\abcdefghijklmnopqrstuvwxyz0123456789", path, sizeof path, value, sizeof value);
    EXPECT_EQ(31u, strlen(value));
    EXPECT_FALSE(ResolveOfnHistoryPlace(0x40000000, "Software\\Ohne\\", path, sizeof path, value, sizeof value));
    EXPECT_FALSE(ResolveOfnHistoryPlace(0x30000000, "C:\\\0", path, sizeof path, value, sizeof value));
    EXPECT_FALSE(ResolveOfnHistoryPlace(0x70000000, "bin", path, sizeof path, value, sizeof value));
}

TEST(FileDialogExRules, ChosenPathsAgainstARealTree)
{
    Tree t("sl-ofn-chosen");
    CreateDirectoryA((t / "sub").c_str(), NULL);
    Touch(t / "file.bin");
    const std::string root = t.Root() + "\\";
    struct Case { std::string path; DWORD key; bool save; std::string text; bool remember, file; } cases[] = {
        // Folders kept (key 0): folders get "\", files and missing names count by their folder.
        { t / "sub", 0, false, root + "sub\\", true, false },
        { t / "sub/", 0, false, root + "sub\\", true, false },
        { t / "file.bin", 0, false, root, true, true },
        { t / "missing.bin", 0, false, root, true, false },
        { t / "nix\\missing.bin", 0, false, t / "nix\\missing.bin", false, false },
        { t / "missing.bin", 0, true, t / "missing.bin", false, false },
        // Whatever exists (0x10), in save mode also what does not.
        { t / "file.bin", 0x10000000, false, t / "file.bin", true, true },
        { t / "missing.bin", 0x10000000, false, t / "missing.bin", false, false },
        { t / "missing.bin", 0x10000000, true, t / "missing.bin", true, false },
        // Nothing (0x20); files only (0x30). The registry-path keys keep by their low bits.
        { t / "sub", 0x20000000, false, root + "sub\\", false, false },
        { t / "file.bin", 0x30000000, false, t / "file.bin", true, true },
        { t / "missing.bin", 0x30000000, true, t / "missing.bin", true, false },
        { t / "sub", 0x30000000, false, root + "sub\\", false, false },
        { t / "file.bin", 0x40000000, false, root, true, true },
        { t / "sub", 0x50000000, false, root + "sub\\", true, false },
        { t / "missing.bin", 0x60000000, true, t / "missing.bin", false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + " " + std::to_string(c.key) + (c.save ? " save" : ""));
        ChosenPath out;
        ClassifyChosenPath(c.path.c_str(), c.key, c.save, &out);
        EXPECT_EQ(c.remember, out.remember);
        EXPECT_EQ(c.file, out.existingFile);
        if (c.remember) {
            EXPECT_EQ(c.text, std::string(out.text));
        }
    }
    // Lengths: 259 characters are taken, 260 never.
    ChosenPath out;
    std::string longest = "C:\\" + std::string(256, 'a');
    ClassifyChosenPath(longest.c_str(), 0x10000000, true, &out);
    EXPECT_TRUE(out.remember);
    EXPECT_EQ(longest, std::string(out.text));
    ClassifyChosenPath((longest + "b").c_str(), 0x10000000, true, &out);
    EXPECT_FALSE(out.remember);
    ClassifyChosenPath("", 0x10000000, true, &out);
    EXPECT_FALSE(out.remember);
}

TEST(FileDialogExRules, CompletionFoldersAndMatching)
{
    struct { const char* current; const char* typed; const char* folder; int nameStart; } cases[] = {
        { "C:\\Daten", "ab", "C:\\Daten", 0 },
        { "C:\\Daten", "sub\\x", "C:\\Daten\\sub\\", 4 },
        { "C:\\Daten\\", "sub/", "C:\\Daten\\sub/", 4 },
        { "C:\\Daten", "D:\\Bilder\\b", "D:\\Bilder\\", 10 },
        { "C:\\Daten", "\\\\server\\share\\", "\\\\server\\share\\", 15 },
        { "C:\\Daten", "\\Windows\\s", "C:\\Windows\\", 9 },
    };
    for (const auto& c : cases) {
        char folder[300];
        int start = -1;
        ASSERT_TRUE(CompletionFolder(c.current, c.typed, folder, sizeof folder, &start)) << c.typed;
        EXPECT_STREQ(c.folder, folder);
        EXPECT_EQ(c.nameStart, start);
    }
    char folder[300];
    int start;
    EXPECT_FALSE(CompletionFolder("", "ab", folder, sizeof folder, &start));
    EXPECT_FALSE(CompletionFolder("", "rel\\ab", folder, sizeof folder, &start));
    std::string deep(250, 'd');
    EXPECT_FALSE(CompletionFolder(("C:\\" + deep).c_str(), "0123456789\\", folder, sizeof folder, &start));

    EXPECT_TRUE(NameMatchesTyped("Abbild.BIN", "abb"));
    EXPECT_TRUE(NameMatchesTyped("\xC4rger", "\xE4r"));
    EXPECT_TRUE(NameMatchesTyped("x", ""));
    EXPECT_FALSE(NameMatchesTyped("ab", "abc"));
    EXPECT_FALSE(NameMatchesTyped("xab", "ab"));
}

TEST(FileDialogExRules, CompletionListsAFolderAndOffersAtMostAHundredMatches)
{
    Tree t("sl-ofn-complete");
    for (int i = 0; i < 150; ++i) {
        char name[16];
        sprintf(name, i % 2 ? "a%03d.bin" : "A%03d.IMG", i);
        Touch(t / name);
    }
    Touch(t / "b1.bin");
    CreateDirectoryA((t / "sub").c_str(), NULL);
    Touch(t / "sub\\inner.bin");

    Recorder sink;
    PathCompletion c(&sink);
    c.Update(t.Root().c_str(), "a");
    RunToIdle(c);
    EXPECT_EQ(152, c.ListedCount());                  // "." and ".." left out
    ASSERT_EQ(100u, sink.added.size());
    for (const std::string& s : sink.added) EXPECT_TRUE(s[0] == 'a' || s[0] == 'A') << s;
    EXPECT_EQ(1, sink.shows);

    c.Update(NULL, "B");
    RunToIdle(c);
    EXPECT_EQ((std::vector<std::string>{ "b1.bin" }), sink.added);
    // A typed folder is listed itself; the suggestions keep what was typed before the name.
    c.Update(NULL, "sub\\");
    RunToIdle(c);
    EXPECT_EQ((std::vector<std::string>{ "sub\\inner.bin" }), sink.added);
    std::string absolute = t / "sub\\IN";
    c.Update(NULL, absolute.c_str());
    RunToIdle(c);
    EXPECT_EQ((std::vector<std::string>{ t / "sub\\inner.bin" }), sink.added);
    // Nothing typed, or a folder that cannot be listed: no suggestions.
    c.Update(NULL, "");
    RunToIdle(c);
    EXPECT_TRUE(sink.added.empty());
    c.Update((t / "gibt-es-nicht").c_str(), "a");
    RunToIdle(c);
    EXPECT_TRUE(sink.added.empty());
    EXPECT_EQ(0, c.ListedCount());
}

TEST(FileDialogExRules, CompletionStopsListingAtItsLimit)
{
    // The worker's limit is 2000 names; a smaller one keeps the folder quick to make.
    Tree t("sl-ofn-many");
    for (int i = 0; i < 45; ++i) {
        char name[16];
        sprintf(name, "n%04d", i);
        Touch(t / name);
    }
    Recorder sink;
    PathCompletion c(&sink, 40);
    c.Update(t.Root().c_str(), "n");
    RunToIdle(c);
    EXPECT_EQ(40, c.ListedCount());
    EXPECT_EQ(40u, sink.added.size());
}
