// CFileDialog without showing a dialog: the filter conversion, and DoModal run against
// replacement functions written into this program's import address table, which shows that
// the dialog reaches GetOpenFileNameA/GetSaveFileNameA through those entries.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>
#include <cstring>
#include <string>
#include <vector>
#include "classlib/FileDialog.h"

namespace {

std::string Converted(const char* filter)
{
    int need = CFileDialog::ConvertFilter(filter, nullptr, 0);
    std::vector<char> out(static_cast<size_t>(need), 'x');
    EXPECT_EQ(need, CFileDialog::ConvertFilter(filter, out.data(), need));
    return std::string(out.data(), out.size());
}

// The import address table entry of this executable for dll!name, or null.
void** FindImportEntry(const char* dll, const char* name)
{
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress) return nullptr;
    for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); desc->Name; ++desc) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + desc->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + (desc->OriginalFirstThunk ? desc->OriginalFirstThunk : desc->FirstThunk));
        auto* entries = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++entries) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (strcmp(reinterpret_cast<char*>(byName->Name), name) == 0)
                return reinterpret_cast<void**>(&entries->u1.Function);
        }
    }
    return nullptr;
}

// Swaps an import entry for the lifetime of the object.
class ImportPatch {
public:
    ImportPatch(void** entry, void* replacement) : m_entry(entry)
    {
        if (!m_entry) return;
        DWORD old;
        VirtualProtect(m_entry, sizeof(void*), PAGE_READWRITE, &old);
        m_saved = *m_entry;
        *m_entry = replacement;
        VirtualProtect(m_entry, sizeof(void*), old, &old);
    }
    ~ImportPatch()
    {
        if (!m_entry) return;
        DWORD old;
        VirtualProtect(m_entry, sizeof(void*), PAGE_READWRITE, &old);
        *m_entry = m_saved;
        VirtualProtect(m_entry, sizeof(void*), old, &old);
    }
private:
    void** m_entry;
    void* m_saved = nullptr;
};

struct Seen {
    int openCalls = 0, saveCalls = 0;
    std::string filter;       // up to the double NUL
    std::string file, defExt;
    DWORD flags = 0, maxFile = 0;
    std::string answer;       // what the fake puts into the file buffer (NULs included)
    WORD fileOffset = 0;
    BOOL result = TRUE;
} g_seen;

void Record(OPENFILENAMEA* ofn)
{
    g_seen.flags = ofn->Flags;
    g_seen.maxFile = ofn->nMaxFile;
    g_seen.file = ofn->lpstrFile ? ofn->lpstrFile : "";
    g_seen.defExt = ofn->lpstrDefExt ? ofn->lpstrDefExt : "";
    g_seen.filter.clear();
    if (ofn->lpstrFilter) {
        const char* p = ofn->lpstrFilter;
        while (*p) {
            size_t n = strlen(p);
            g_seen.filter.append(p, n + 1);
            p += n + 1;
        }
    }
    if (!g_seen.answer.empty() && g_seen.answer.size() <= ofn->nMaxFile) {
        memcpy(ofn->lpstrFile, g_seen.answer.data(), g_seen.answer.size());
        ofn->nFileOffset = g_seen.fileOffset;
    }
}

BOOL WINAPI FakeOpen(OPENFILENAMEA* ofn)
{
    ++g_seen.openCalls;
    Record(ofn);
    return g_seen.result;
}

BOOL WINAPI FakeSave(OPENFILENAMEA* ofn)
{
    ++g_seen.saveCalls;
    Record(ofn);
    return g_seen.result;
}

}  // namespace

TEST(FileDialog, FilterConversion)
{
    EXPECT_EQ(std::string("Abbilder (*.img)\0*.img\0Alle Dateien (*.*)\0*.*\0\0\0\0", 49),
              Converted("Abbilder (*.img)|*.img|Alle Dateien (*.*)|*.*||"));
    // A filter without the closing "||" still ends with two NULs.
    EXPECT_EQ(std::string("A\0*.a\0\0", 7), Converted("A|*.a"));
    EXPECT_EQ(std::string("\0\0", 2), Converted(""));
    EXPECT_EQ(2, CFileDialog::ConvertFilter(nullptr, nullptr, 0));
    char small[4] = { 'x', 'x', 'x', 'x' };
    EXPECT_EQ(7, CFileDialog::ConvertFilter("A|*.a", small, sizeof small));   // too small: untouched
    EXPECT_EQ('x', small[0]);
    // Property: the converted text minus the final NUL equals the input with "|" -> NUL.
    std::string in = "x|y||z|";
    std::string out = Converted(in.c_str());
    ASSERT_EQ(in.size() + 2, out.size());
    for (size_t i = 0; i < in.size(); ++i) EXPECT_EQ(in[i] == '|' ? '\0' : in[i], out[i]);
}

TEST(FileDialog, ImportTableHasTheEntries)
{
    void** open = FindImportEntry("comdlg32.dll", "GetOpenFileNameA");
    void** save = FindImportEntry("comdlg32.dll", "GetSaveFileNameA");
    ASSERT_NE(nullptr, open);
    ASSERT_NE(nullptr, save);
    HMODULE comdlg = GetModuleHandleA("comdlg32.dll");
    ASSERT_NE(nullptr, comdlg);
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(comdlg, "GetOpenFileNameA")), *open);
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(comdlg, "GetSaveFileNameA")), *save);
}

TEST(FileDialog, DoModalGoesThroughTheImportEntries)
{
    ImportPatch open(FindImportEntry("comdlg32.dll", "GetOpenFileNameA"), reinterpret_cast<void*>(&FakeOpen));
    ImportPatch save(FindImportEntry("comdlg32.dll", "GetSaveFileNameA"), reinterpret_cast<void*>(&FakeSave));
    g_seen = Seen();
    static const char kPath[] = "C:\\Abbilder\\disk.img";
    g_seen.answer.assign(kPath, sizeof kPath);
    g_seen.answer.push_back('\0');
    g_seen.fileOffset = 12;

    CFileDialog dlg(TRUE, "img", "start.img", OFN_HIDEREADONLY | OFN_FILEMUSTEXIST,
                    "Abbilder (*.img)|*.img|Alle Dateien (*.*)|*.*||");
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(1, g_seen.openCalls);
    EXPECT_EQ(0, g_seen.saveCalls);
    EXPECT_EQ(std::string("Abbilder (*.img)\0*.img\0Alle Dateien (*.*)\0*.*\0", 46), g_seen.filter);
    EXPECT_EQ("start.img", g_seen.file);
    EXPECT_EQ("img", g_seen.defExt);
    EXPECT_EQ(static_cast<DWORD>(OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_EXPLORER), g_seen.flags);
    EXPECT_GE(g_seen.maxFile, CFileDialog::kFileBufferSize);
    EXPECT_EQ(CString("C:\\Abbilder\\disk.img"), dlg.GetPathName());
    EXPECT_EQ(CString("disk.img"), dlg.GetFileName());
    EXPECT_EQ(CString("img"), dlg.GetFileExt());
    EXPECT_EQ(CString("disk"), dlg.GetFileTitle());
    EXPECT_EQ(CString("C:\\Abbilder"), dlg.GetFolderPath());
    POSITION pos = dlg.GetStartPosition();
    ASSERT_NE(nullptr, pos);
    EXPECT_EQ(CString("C:\\Abbilder\\disk.img"), dlg.GetNextPathName(pos));
    EXPECT_EQ(nullptr, pos);

    g_seen.answer.clear();
    g_seen.result = FALSE;
    CFileDialog saveDlg(FALSE, nullptr, nullptr);
    EXPECT_EQ(IDCANCEL, saveDlg.DoModal());
    EXPECT_EQ(1, g_seen.saveCalls);
    EXPECT_TRUE(g_seen.filter.empty());
    EXPECT_TRUE(g_seen.defExt.empty());
    EXPECT_TRUE(saveDlg.GetPathName().IsEmpty());
    EXPECT_EQ(nullptr, saveDlg.GetStartPosition());
}

TEST(FileDialog, MultipleSelection)
{
    ImportPatch open(FindImportEntry("comdlg32.dll", "GetOpenFileNameA"), reinterpret_cast<void*>(&FakeOpen));
    g_seen = Seen();
    static const char kAnswer[] = "C:\\Daten\0eins.bin\0zwei.img\0D:\\anders\\drei.iso\0";
    g_seen.answer.assign(kAnswer, sizeof kAnswer);   // the literal's NUL closes the list
    g_seen.fileOffset = 9;

    CFileDialog dlg(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY);
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_TRUE(g_seen.flags & OFN_EXPLORER);
    std::vector<std::string> paths;
    for (POSITION pos = dlg.GetStartPosition(); pos;) paths.push_back(static_cast<LPCSTR>(dlg.GetNextPathName(pos)));
    ASSERT_EQ(3u, paths.size());
    EXPECT_EQ("C:\\Daten\\eins.bin", paths[0]);
    EXPECT_EQ("C:\\Daten\\zwei.img", paths[1]);
    EXPECT_EQ("D:\\anders\\drei.iso", paths[2]);
    EXPECT_EQ(CString("C:\\Daten\\eins.bin"), dlg.GetPathName());
    EXPECT_EQ(CString("C:\\Daten"), dlg.GetFolderPath());

    // The old style separates with blanks.
    dlg.m_ofn.Flags &= ~static_cast<DWORD>(OFN_EXPLORER);
    strcpy(dlg.m_ofn.lpstrFile, "C:\\ALT A.TXT  B.TXT");
    paths.clear();
    for (POSITION pos = dlg.GetStartPosition(); pos;) paths.push_back(static_cast<LPCSTR>(dlg.GetNextPathName(pos)));
    ASSERT_EQ(2u, paths.size());
    EXPECT_EQ("C:\\ALT\\A.TXT", paths[0]);
    EXPECT_EQ("C:\\ALT\\B.TXT", paths[1]);

    // A position outside the buffer ends the walk.
    POSITION bogus = reinterpret_cast<POSITION>(&paths);
    EXPECT_TRUE(dlg.GetNextPathName(bogus).IsEmpty());
    EXPECT_EQ(nullptr, bogus);
}

TEST(FileDialog, RootFolderAndNamesWithoutExtension)
{
    ImportPatch open(FindImportEntry("comdlg32.dll", "GetOpenFileNameA"), reinterpret_cast<void*>(&FakeOpen));
    g_seen = Seen();
    static const char kPath[] = "D:\\README";
    g_seen.answer.assign(kPath, sizeof kPath);
    g_seen.answer.push_back('\0');
    CFileDialog dlg(TRUE);
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(CString("README"), dlg.GetFileName());
    EXPECT_TRUE(dlg.GetFileExt().IsEmpty());
    EXPECT_EQ(CString("README"), dlg.GetFileTitle());
    EXPECT_EQ(CString("D:\\"), dlg.GetFolderPath());
}
