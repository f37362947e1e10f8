#include "app/ExpandLongPath.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <string.h>
#include <string>

namespace {

const char kSentinel = '\x5A';

// An output buffer prefilled with a sentinel, so that "left untouched" can be checked byte
// for byte, including the bytes after the size handed to the function.
struct Output {
    char bytes[1200];
    Output() { memset(bytes, kSentinel, sizeof(bytes)); }
    bool Untouched() const
    {
        for (char c : bytes) {
            if (c != kSentinel)
                return false;
        }
        return true;
    }
};

std::string Expand(const std::string& path, bool* ok = nullptr, int size = kExpandPathBufferSize)
{
    Output out;
    bool result = ExpandLongPath(path.c_str(), out.bytes, size);
    if (ok)
        *ok = result;
    return result ? std::string(out.bytes) : path;
}

// The system's long form of a path: expands short components, but keeps the letter case
// as typed, so it only serves to name the temporary folder.
std::string LongPathOf(const std::string& path)
{
    char buffer[1024];
    DWORD n = GetLongPathNameA(path.c_str(), buffer, sizeof(buffer));
    return (n > 0 && n < sizeof(buffer)) ? std::string(buffer, n) : std::string();
}

std::string ShortPathOf(const std::string& path)
{
    char buffer[1024];
    DWORD n = GetShortPathNameA(path.c_str(), buffer, sizeof(buffer));
    return (n > 0 && n < sizeof(buffer)) ? std::string(buffer, n) : std::string();
}

std::string Lower(std::string text)
{
    CharLowerBuffA(&text[0], DWORD(text.size()));
    return text;
}

// Lower case after the root "C:\", which the expansion copies as it stands.
std::string LowerAfterRoot(const std::string& path)
{
    return path.substr(0, 3) + Lower(path.substr(3));
}

// A string record in the manner of the class library's CString, for the record form.
class TextRecord {
public:
    explicit TextRecord(const char* text) : m_text(text) {}
    operator const char*() const { return m_text.c_str(); }
    TextRecord& operator=(const char* text) { m_text = text; ++assignments; return *this; }
    const std::string& Text() const { return m_text; }
    int assignments = 0;

private:
    std::string m_text;
};

TEST(ExpandLongPathArguments, NullEmptyAndMissingBufferAreRefused)
{
    Output out;
    EXPECT_FALSE(ExpandFullPathComponents(nullptr, out.bytes, kExpandPathBufferSize));
    EXPECT_FALSE(ExpandFullPathComponents("C:\\x", nullptr, kExpandPathBufferSize));
    EXPECT_FALSE(ExpandFullPathComponents("C:\\x", out.bytes, 0));
    SetLastError(0);
    EXPECT_FALSE(ExpandLongPath(nullptr, out.bytes, kExpandPathBufferSize));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_FALSE(ExpandLongPath("", out.bytes, kExpandPathBufferSize));
    EXPECT_FALSE(ExpandLongPath("C:\\windows", nullptr, kExpandPathBufferSize));
    EXPECT_FALSE(ExpandLongPath("C:\\windows", out.bytes, 0));
    EXPECT_FALSE(ExpandLongPath("C:\\windows", out.bytes, -5));
    EXPECT_TRUE(out.Untouched());
}

TEST(ExpandLongPathArguments, FullPathTooLongForTheWorkBufferLeavesTheRecord)
{
    // 600 characters: GetFullPathNameA needs more than the 516-byte work buffer.
    std::string longPath = "C:\\" + std::string(600, 'x');
    Output out;
    SetLastError(0);
    EXPECT_FALSE(ExpandLongPath(longPath.c_str(), out.bytes, sizeof(out.bytes)));
    // Windows reports the size needed, Wine refuses such a name outright.
    DWORD error = GetLastError();
    EXPECT_TRUE(error == ERROR_INSUFFICIENT_BUFFER || error == ERROR_FILENAME_EXCED_RANGE) << error;
    EXPECT_TRUE(out.Untouched());
}

// Names that the document opens as they stand come back refused, the buffer untouched and
// no error set: drives ("C:" alone would expand to C's current folder), device paths, the
// root, and the bare names of physical drives in any case (no such file being here).
TEST(ExpandLongPathLeftAsGiven, DrivesDevicesRootsAndPhysicalNames)
{
    for (const char* path : {"C:", "c:", "D:\\", "D:/", "z:/", "\\\\.\\PhysicalDrive0", "\\\\.\\C:",
                             "\\\\?\\C:\\windows", "//./PhysicalDrive1",
                             "\\\\?\\Volume{00000000-0000-0000-0000-000000000000}\\", "C:\\\\", "\\",
                             "Physical0", "physical12", "PHYSICALc"}) {
        Output out;
        SetLastError(12345);
        EXPECT_FALSE(ExpandLongPath(path, out.bytes, sizeof(out.bytes))) << path;
        EXPECT_TRUE(out.Untouched()) << path;
        if (path[1] == ':' && strlen(path) <= 3) {
            EXPECT_EQ(DWORD(ERROR_SUCCESS), GetLastError()) << path;
        }
    }
    // Only a bare drive name counts: a folder of that name, a shorter prefix, a longer name
    // and any name with a folder or a drive in front are files, expanded like every other.
    for (const char* path : {"C:\\Physical0\\x.img", "C:\\Physica", "PHYSICALDRIVE3", "physical1.img",
                             "C:\\temp\\PhysicalDrive0", "C:\\temp\\Physical1", "x:pHySiCaL1",
                             "Z:/irgendwo/physical", ".\\Physical2"}) {
        bool ok = false;
        const std::string expanded = Expand(path, &ok);
        EXPECT_TRUE(ok) << path;
        const std::string name = std::string(path).substr(std::string(path).find_last_of("\\/:") + 1);
        EXPECT_EQ(Lower(name), Lower(expanded.substr(expanded.size() - name.size()))) << expanded;
        EXPECT_NE(expanded.find(':'), std::string::npos) << expanded << " is no full path";
    }
}

// A folder and a file with long names in the temporary folder, removed afterwards.
class ExpandLongPathOnDisk : public ::testing::Test {
protected:
    static constexpr const char* kFolder = "Unterordner mit langem Namen";
    static constexpr const char* kFile = "Eine lange Bilddatei.img";

    void SetUp() override
    {
        char temp[MAX_PATH];
        ASSERT_GT(GetTempPathA(sizeof(temp), temp), 0u);
        std::string tempLong = LongPathOf(temp);
        ASSERT_FALSE(tempLong.empty());
        if (tempLong.back() != '\\')
            tempLong += '\\';
        m_base = tempLong + "Sektorlupe Expand " + std::to_string(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryA(m_base.c_str(), nullptr)) << m_base;
        ASSERT_TRUE(CreateDirectoryA(Folder().c_str(), nullptr));
        HANDLE file = CreateFileA(File().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        CloseHandle(file);
    }

    void TearDown() override
    {
        DeleteFileA(File().c_str());
        RemoveDirectoryA(Folder().c_str());
        RemoveDirectoryA(m_base.c_str());
    }

    std::string Folder() const { return m_base + "\\" + kFolder; }
    std::string File() const { return Folder() + "\\" + kFile; }

    std::string m_base;
};

TEST_F(ExpandLongPathOnDisk, LongPathComesBackUnchanged)
{
    bool ok = false;
    EXPECT_EQ(File(), Expand(File(), &ok));
    EXPECT_TRUE(ok);
}

TEST_F(ExpandLongPathOnDisk, EveryComponentGetsItsStoredCase)
{
    std::string typed = LowerAfterRoot(File());
    ASSERT_NE(typed, File());
    EXPECT_EQ(File(), Expand(typed));
    // The root is copied as typed; the components after it take their stored case.
    EXPECT_EQ("c:" + File().substr(2), Expand(Lower(File())));
    // Forward slashes are separators as well; the result is joined with backslashes.
    std::string slashed = typed;
    for (char& c : slashed)
        if (c == '\\')
            c = '/';
    EXPECT_EQ(File(), Expand(slashed));
}

TEST_F(ExpandLongPathOnDisk, ShortNamesBecomeLongNames)
{
    std::string shortFile = ShortPathOf(File());
    ASSERT_FALSE(shortFile.empty());
    if (shortFile == File()) {
        // No 8.3 names on this file system: the long path must pass through unchanged.
        EXPECT_EQ(File(), Expand(shortFile));
        return;
    }
    // The short form really is short: the folder and the file name are cut to 8.3.
    EXPECT_EQ(std::string::npos, shortFile.find(kFolder));
    EXPECT_EQ(std::string::npos, shortFile.find(kFile));
    EXPECT_EQ(File(), Expand(shortFile));
    EXPECT_EQ(File(), Expand(LowerAfterRoot(shortFile)));
    EXPECT_EQ(Folder(), Expand(ShortPathOf(Folder())));
}

TEST_F(ExpandLongPathOnDisk, RelativePathsBecomeFull)
{
    char saved[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(sizeof(saved), saved), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(m_base.c_str()));
    std::string relative = Lower(std::string(kFolder) + "\\" + kFile);
    std::string result = Expand(relative);
    std::string dotted = Expand(".\\" + Lower(kFolder) + "\\..\\" + relative);
    SetCurrentDirectoryA(saved);
    EXPECT_EQ(File(), result);
    EXPECT_EQ(File(), dotted);
}

TEST_F(ExpandLongPathOnDisk, DoubledSeparatorKeepsTheRestAfterTheEmptyComponent)
{
    std::string typed = LowerAfterRoot(Folder()) + "\\\\" + Lower(kFile);
    char full[1024];
    ASSERT_GT(GetFullPathNameA(typed.c_str(), sizeof(full), full, nullptr), 0u);
    std::string fullPath = full;
    // The component walk works on the full path. Where that still holds the doubled
    // separator, one separator is skipped after the folder, the empty component is not
    // found and the rest "\name" is copied as it stands; where the system already joined
    // the separators, every component is expanded.
    std::string expected;
    size_t doubled = fullPath.find("\\\\", 2);
    if (doubled != std::string::npos)
        expected = Folder() + "\\" + fullPath.substr(doubled + 1);
    else
        expected = File();
    EXPECT_EQ(expected, Expand(typed));
}

TEST_F(ExpandLongPathOnDisk, ComponentWalkSkipsExactlyOneSeparator)
{
    // "C:/dir//file" as a full path: after "dir" one separator is skipped and "\" written,
    // the empty component ends the walk, and the rest "/file" follows unchanged.
    std::string typed = LowerAfterRoot(Folder()) + "//" + Lower(kFile);
    Output out;
    ASSERT_TRUE(ExpandFullPathComponents(typed.c_str(), out.bytes, kExpandPathBufferSize));
    EXPECT_EQ(Folder() + "\\/" + Lower(kFile), std::string(out.bytes));

    // With single separators of either kind the whole path is expanded.
    std::string mixed = LowerAfterRoot(Folder()) + "/" + Lower(kFile);
    ASSERT_TRUE(ExpandFullPathComponents(mixed.c_str(), out.bytes, kExpandPathBufferSize));
    EXPECT_EQ(File(), std::string(out.bytes));

    // The root is copied with its whole run of separators.
    ASSERT_TRUE(ExpandFullPathComponents("C:\\\\nirgends\\x", out.bytes, kExpandPathBufferSize));
    EXPECT_STREQ("C:\\\\nirgends\\x", out.bytes);
}

TEST_F(ExpandLongPathOnDisk, WildcardEndsTheExpansion)
{
    std::string typed = LowerAfterRoot(m_base) + "\\unter*\\" + Lower(kFile);
    EXPECT_EQ(m_base + "\\unter*\\" + Lower(kFile), Expand(typed));
    std::string question = LowerAfterRoot(m_base) + "\\" + Lower(kFolder) + "\\eine lange ?ilddatei.img";
    EXPECT_EQ(Folder() + "\\eine lange ?ilddatei.img", Expand(question));
}

TEST_F(ExpandLongPathOnDisk, MissingComponentKeepsTheRestAsTyped)
{
    std::string typed = LowerAfterRoot(m_base) + "\\gibt es nicht\\" + Lower(kFolder) + "\\" + Lower(kFile);
    EXPECT_EQ(m_base + "\\gibt es nicht\\" + Lower(kFolder) + "\\" + Lower(kFile), Expand(typed));
    std::string missingFile = LowerAfterRoot(Folder()) + "\\fehlt.img";
    EXPECT_EQ(Folder() + "\\fehlt.img", Expand(missingFile));
}

// A file named like a physical drive is a file: a path to it, a name relative to the current
// folder and a bare drive name of which a file lies in the current folder all come back as the
// file's full path, so that the program opens that file and remembers where it is. A bare
// drive name without such a file stays the drive.
TEST_F(ExpandLongPathOnDisk, FilesNamedLikePhysicalDrivesAreExpanded)
{
    const struct {
        const char* file;       // made in the folder
        std::string typed;      // with the folder current
        bool expanded;
    } cases[] = {
        {"PhysicalTest.img", LowerAfterRoot(Folder() + "\\PhysicalTest.img"), true},
        {"physical backup.img", "physical backup.img", true},
        {"Physical1", "physical1", true},
        {"PhysicalC", "PhysicalC", true},
        {nullptr, "Physical2", false},
        {nullptr, "PhysicalD", false},
    };
    char saved[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(sizeof(saved), saved), 0u);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const std::string made = c.file ? Folder() + "\\" + c.file : std::string();
        if (c.file) {
            HANDLE file = CreateFileA(made.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
            ASSERT_NE(INVALID_HANDLE_VALUE, file);
            CloseHandle(file);
        }
        ASSERT_TRUE(SetCurrentDirectoryA(Folder().c_str()));
        Output out;
        const bool ok = ExpandLongPath(c.typed.c_str(), out.bytes, sizeof(out.bytes));
        SetCurrentDirectoryA(saved);
        if (c.file)
            DeleteFileA(made.c_str());
        EXPECT_EQ(c.expanded, ok);
        if (c.expanded) {
            EXPECT_EQ(made, std::string(out.bytes));
        } else {
            EXPECT_TRUE(out.Untouched());
        }
    }
}

TEST_F(ExpandLongPathOnDisk, OutputIsBoundedByTheBufferSize)
{
    std::string typed = LowerAfterRoot(File());
    int needed = int(File().size()) + 1;

    Output exact;
    ASSERT_TRUE(ExpandLongPath(typed.c_str(), exact.bytes, needed));
    EXPECT_EQ(File(), std::string(exact.bytes));
    for (size_t i = size_t(needed); i < sizeof(exact.bytes); ++i)
        ASSERT_EQ(kSentinel, exact.bytes[i]) << "byte " << i << " written past the size";

    Output tooSmall;
    SetLastError(0);
    EXPECT_FALSE(ExpandLongPath(typed.c_str(), tooSmall.bytes, needed - 1));
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_TRUE(tooSmall.Untouched());

    // The same when the part that does not fit is the unexpanded rest after a wildcard.
    std::string wild = LowerAfterRoot(Folder()) + "\\*.img";
    int wildNeeded = int(Folder().size() + 7);
    Output wildOut;
    EXPECT_FALSE(ExpandLongPath(wild.c_str(), wildOut.bytes, wildNeeded - 1));
    EXPECT_TRUE(wildOut.Untouched());
    EXPECT_TRUE(ExpandLongPath(wild.c_str(), wildOut.bytes, wildNeeded));
    EXPECT_EQ(Folder() + "\\*.img", std::string(wildOut.bytes));
}

TEST_F(ExpandLongPathOnDisk, RecordFormReplacesOnlyOnSuccess)
{
    TextRecord record(LowerAfterRoot(File()).c_str());
    EXPECT_TRUE(ExpandLongPathOf(record));
    EXPECT_EQ(File(), record.Text());
    EXPECT_EQ(1, record.assignments);

    for (const char* kept : {"D:", "\\\\.\\PhysicalDrive0", "Physical1", ""}) {
        TextRecord unchanged(kept);
        EXPECT_FALSE(ExpandLongPathOf(unchanged)) << kept;
        EXPECT_EQ(kept, unchanged.Text());
        EXPECT_EQ(0, unchanged.assignments);
    }
}

}  // namespace
