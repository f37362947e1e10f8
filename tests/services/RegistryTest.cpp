#include "services/AppIdentity.h"
#include "services/Registry.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Reads a value with the plain Win32 API, independent of CRegistry.
bool RawQuery(HKEY key, const char* name, DWORD* type, std::vector<unsigned char>* data)
{
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    data->assign(size, 0);
    return RegQueryValueExA(key, name, nullptr, type, data->empty() ? nullptr : data->data(), &size) ==
           ERROR_SUCCESS && (data->resize(size), true);
}

// The stored UTF-16 units of a text value, exactly as many as the registry holds.
bool RawQueryWide(HKEY key, const wchar_t* name, DWORD* type, std::wstring* text)
{
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    std::vector<wchar_t> units(size / 2 + 1);
    if (RegQueryValueExW(key, name, nullptr, type, reinterpret_cast<BYTE*>(units.data()), &size) != ERROR_SUCCESS)
        return false;
    text->assign(units.data(), size / 2);
    return true;
}

bool KeyExists(const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

class RegistryTest : public ::testing::Test
{
protected:
    RegistryTest() : m_scratch("Services") {}

    void SetUp() override
    {
        SetAppIdentity("SektorlupeTests", "Services");
        HKEY key = m_scratch.Open();
        ASSERT_NE(key, nullptr);
        RegCloseKey(key);
    }

    testsupport::ScratchKey m_scratch;
};

}  // namespace

TEST(AppIdentity, BuildsTheApplicationKeyPath)
{
    char path[64];
    SetAppIdentity("QN", "Sektorlupe");
    EXPECT_EQ(BuildAppKeyPath(path, sizeof(path)), 22);
    EXPECT_STREQ(path, "Software\\QN\\Sektorlupe");
    EXPECT_EQ(BuildAppKeyPath(path, 5), 4);
    EXPECT_STREQ(path, "Soft");
    SetAppIdentity(nullptr, "Solo");
    BuildAppKeyPath(path, sizeof(path));
    EXPECT_STREQ(path, "Software\\Solo");
    EXPECT_STREQ(GetAppRegistryKey(), "");
    SetAppIdentity("SektorlupeTests", "Services");
}

TEST_F(RegistryTest, NullPathOpensTheApplicationKey)
{
    CRegistry reg;
    ASSERT_TRUE(reg.OpenAppKey());
    EXPECT_EQ(reg.GetDepth(), 0);
    ASSERT_TRUE(reg.WriteDword(0x1234, "Marker"));
    reg.Close();

    HKEY raw = m_scratch.Open();
    DWORD type;
    std::vector<unsigned char> data;
    ASSERT_TRUE(RawQuery(raw, "Marker", &type, &data));
    RegCloseKey(raw);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    ASSERT_EQ(data.size(), 4u);
    EXPECT_EQ(data[0] | data[1] << 8, 0x1234);

    // OpenPath with a NULL path reads the same key.
    DWORD value = 0;
    ASSERT_TRUE(reg.OpenPath(nullptr, REGISTRY_READ));
    EXPECT_TRUE(reg.ReadDword(&value, "Marker"));
    EXPECT_EQ(value, 0x1234u);
}

TEST_F(RegistryTest, RootNamesInThePath)
{
    CRegistry reg;
    std::string path = "HKEY_CURRENT_USER\\" + m_scratch.Path();
    EXPECT_TRUE(reg.OpenPath(path.c_str(), REGISTRY_READ));
    std::string shortPath = "hkcu\\" + m_scratch.Path();
    EXPECT_TRUE(reg.OpenPath(shortPath.c_str(), REGISTRY_READ));
    EXPECT_TRUE(reg.OpenPath(m_scratch.Path().c_str(), REGISTRY_READ));   // no root name: HKCU
    // HKEY_LOCAL_MACHINE opens (through the 64-bit view where there is one) for reading.
    EXPECT_TRUE(reg.OpenPath("HKEY_LOCAL_MACHINE\\Software", REGISTRY_READ));
    EXPECT_TRUE(reg.OpenSubKey(REG_ENUM_NEXT));
}

TEST_F(RegistryTest, ModesDecideWhatMayBeCreatedAndWritten)
{
    std::string missing = m_scratch.Path() + "\\Missing";
    CRegistry reg;
    // Read and write mode do not create; the failure is the own code.
    EXPECT_FALSE(reg.Open(HKEY_CURRENT_USER, missing.c_str(), REGISTRY_READ));
    EXPECT_EQ(reg.GetLastError(), static_cast<DWORD>(REGISTRY_ERROR_MODE));
    EXPECT_FALSE(reg.Open(HKEY_CURRENT_USER, missing.c_str(), REGISTRY_WRITE));
    EXPECT_EQ(reg.GetLastError(), static_cast<DWORD>(REGISTRY_ERROR_MODE));
    EXPECT_FALSE(KeyExists(missing));
    EXPECT_EQ(reg.GetDepth(), -1);

    // Create mode creates the key and its subkeys.
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, missing.c_str(), REGISTRY_CREATE));
    EXPECT_TRUE(KeyExists(missing));
    ASSERT_TRUE(reg.OpenSubKey("Sub"));
    EXPECT_TRUE(KeyExists(missing + "\\Sub"));
    // ...unless asked not to.
    EXPECT_FALSE(reg.OpenSubKey("NoSuch", 1));
    EXPECT_EQ(reg.GetLastError(), static_cast<DWORD>(REGISTRY_ERROR_MODE));
    EXPECT_FALSE(KeyExists(missing + "\\Sub\\NoSuch"));

    // Write mode: OpenSubKey does not create, CreateSubKey does.
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, missing.c_str(), REGISTRY_WRITE));
    EXPECT_FALSE(reg.OpenSubKey("Other"));
    EXPECT_FALSE(KeyExists(missing + "\\Other"));
    EXPECT_TRUE(reg.CreateSubKey("Other"));
    EXPECT_TRUE(KeyExists(missing + "\\Other"));
    EXPECT_TRUE(reg.WriteString("x", "Text"));

    // Read mode refuses writes, deletes and creation.
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, missing.c_str(), REGISTRY_READ));
    EXPECT_FALSE(reg.WriteDword(1, "Value"));
    EXPECT_EQ(reg.GetLastError(), static_cast<DWORD>(REGISTRY_ERROR_MODE));
    EXPECT_FALSE(reg.DeleteValue("Value"));
    EXPECT_EQ(reg.GetLastError(), static_cast<DWORD>(REGISTRY_ERROR_MODE));
    EXPECT_FALSE(reg.CreateSubKey("Third"));
    EXPECT_EQ(reg.GetLastError(), static_cast<DWORD>(REGISTRY_ERROR_MODE));
    EXPECT_FALSE(KeyExists(missing + "\\Third"));
}

TEST_F(RegistryTest, NothingOpenAndTheLevelLimit)
{
    CRegistry reg;
    DWORD value = 7;
    char text[8] = "keep";
    EXPECT_FALSE(reg.ReadDword(&value, "x"));
    EXPECT_EQ(reg.GetLastError(), static_cast<DWORD>(REGISTRY_ERROR_NOT_OPEN));
    EXPECT_EQ(value, 7u);
    EXPECT_FALSE(reg.ReadString(text, sizeof(text), "x"));
    EXPECT_STREQ(text, "");
    EXPECT_FALSE(reg.OpenSubKey("a"));
    EXPECT_EQ(reg.GetLastError(), static_cast<DWORD>(REGISTRY_ERROR_NOT_OPEN));
    EXPECT_FALSE(reg.CloseSubKey());
    EXPECT_EQ(reg.GetLastError(), static_cast<DWORD>(REGISTRY_ERROR_NOT_OPEN));
    EXPECT_FALSE(reg.WriteDword(1, "x"));
    EXPECT_EQ(reg.GetLastError(), static_cast<DWORD>(REGISTRY_ERROR_NOT_OPEN));
    EXPECT_EQ(reg.EnumValueName(0), nullptr);

    // Level 0 and eleven subkeys make the twelve levels; the thirteenth is refused.
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, m_scratch.Path().c_str(), REGISTRY_CREATE));
    std::string path = m_scratch.Path();
    for (int i = 1; i < CRegistry::kMaxLevels; ++i) {
        ASSERT_TRUE(reg.OpenSubKey("L")) << i;
        path += "\\L";
    }
    EXPECT_EQ(reg.GetDepth(), 11);
    EXPECT_FALSE(reg.OpenSubKey("L"));
    EXPECT_EQ(reg.GetLastError(), static_cast<DWORD>(REGISTRY_ERROR_DEPTH));
    EXPECT_FALSE(KeyExists(path + "\\L"));
    EXPECT_TRUE(KeyExists(path));

    // Closing goes back level by level; the value lands in the current level.
    ASSERT_TRUE(reg.CloseSubKey());
    EXPECT_EQ(reg.GetDepth(), 10);
    ASSERT_TRUE(reg.WriteDword(10, "Depth"));
    HKEY raw;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path.substr(0, path.size() - 2).c_str(), 0, KEY_READ, &raw), 0);
    DWORD type;
    std::vector<unsigned char> data;
    EXPECT_TRUE(RawQuery(raw, "Depth", &type, &data));
    RegCloseKey(raw);
    while (reg.GetDepth() >= 0)
        ASSERT_TRUE(reg.CloseSubKey());
    EXPECT_FALSE(reg.CloseSubKey());
}

TEST_F(RegistryTest, WritesAreSeenByTheRawApi)
{
    CRegistry reg;
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, m_scratch.Path().c_str(), REGISTRY_WRITE));
    EXPECT_TRUE(reg.WriteString("Größe", "Text"));
    EXPECT_TRUE(reg.WriteString(nullptr, "Empty"));
    EXPECT_TRUE(reg.WriteMultiString("one\0two\0\0", "List"));
    EXPECT_TRUE(reg.WriteMultiString("\0", "EmptyList"));
    EXPECT_TRUE(reg.WriteValue("\x01\x02\x03", 3, "Bin", REG_BINARY));
    EXPECT_FALSE(reg.WriteValue(nullptr, 3, "Bin", REG_BINARY));
    EXPECT_EQ(reg.GetLastError(), static_cast<DWORD>(REGISTRY_ERROR_NO_DATA));
    EXPECT_TRUE(reg.WriteString("default", nullptr));

    HKEY raw = m_scratch.Open();
    DWORD type;
    std::vector<unsigned char> data;
    // The registry keeps texts as UTF-16: the wide query shows the five characters of
    // "Größe" (Wine's RegSetValueExA adds a NUL of its own to a text handed over without one).
    std::wstring wide;
    ASSERT_TRUE(RawQueryWide(raw, L"Text", &type, &wide));
    if (!wide.empty() && wide.back() == L'\0')
        wide.pop_back();
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(wide, std::wstring(L"Gr\x00F6\x00DF" L"e"));
    ASSERT_TRUE(RawQueryWide(raw, L"Empty", &type, &wide));
    EXPECT_EQ(wide, std::wstring(1, L'\0'));   // the terminating zero alone
    ASSERT_TRUE(RawQuery(raw, "List", &type, &data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(std::string(data.begin(), data.end()), std::string("one\0two\0\0", 9));
    ASSERT_TRUE(RawQuery(raw, "EmptyList", &type, &data));
    EXPECT_EQ(std::string(data.begin(), data.end()), std::string("\0", 1));
    ASSERT_TRUE(RawQuery(raw, "Bin", &type, &data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(data.size(), 3u);
    ASSERT_TRUE(RawQueryWide(raw, nullptr, &type, &wide));
    if (!wide.empty() && wide.back() == L'\0')
        wide.pop_back();
    EXPECT_EQ(wide, L"default");
    RegCloseKey(raw);
}

TEST_F(RegistryTest, ReadsTerminateByTheTypeAsked)
{
    // Values written with the raw API, with and without their own terminators.
    HKEY raw = m_scratch.Open();
    RegSetValueExA(raw, "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3);
    RegSetValueExA(raw, "WithNul", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 4);
    RegSetValueExA(raw, "Multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>("a\0bc\0"), 5);
    DWORD number = 0xCAFE;
    RegSetValueExA(raw, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
    RegSetValueExA(raw, "Long", 0, REG_BINARY, reinterpret_cast<const BYTE*>("0123456789"), 10);
    RegCloseKey(raw);

    CRegistry reg;
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, m_scratch.Path().c_str(), REGISTRY_READ));
    char text[16];
    EXPECT_TRUE(reg.ReadString(text, sizeof(text), "Bare"));
    EXPECT_STREQ(text, "abc");
    EXPECT_EQ(reg.GetLastSize(), 4u);
    EXPECT_TRUE(reg.ReadString(text, 4, "WithNul"));
    EXPECT_STREQ(text, "abc");
    EXPECT_EQ(reg.GetLastSize(), 4u);

    // A text that leaves no room for its terminator: emptied, 234.
    memset(text, 'X', sizeof(text));
    EXPECT_FALSE(reg.ReadString(text, 3, "Bare"));
    EXPECT_EQ(reg.GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(text[0], '\0');
    EXPECT_EQ(reg.GetLastSize(), 0u);
    memset(text, 'X', sizeof(text));
    EXPECT_FALSE(reg.ReadString(text, 3, "Bare"));
    EXPECT_FALSE(reg.ReadString(text, 2, "WithNul"));
    EXPECT_EQ(text[0], '\0');

    // Multi-strings end with two NULs.
    memset(text, 'X', sizeof(text));
    EXPECT_TRUE(reg.ReadValue(text, sizeof(text), "Multi", REG_MULTI_SZ));
    EXPECT_EQ(std::string(text, 6), std::string("a\0bc\0\0", 6));
    EXPECT_EQ(reg.GetLastSize(), 6u);
    EXPECT_EQ(reg.GetLastType(), static_cast<DWORD>(REG_MULTI_SZ));
    memset(text, 'X', sizeof(text));
    EXPECT_FALSE(reg.ReadValue(text, sizeof(text), "NoSuchValue", REG_MULTI_SZ));
    EXPECT_EQ(text[0], '\0');
    EXPECT_EQ(text[1], '\0');

    // Binary reads: no terminator; too small leaves the buffer as it was.
    DWORD value = 5;
    EXPECT_TRUE(reg.ReadDword(&value, "Number"));
    EXPECT_EQ(value, 0xCAFEu);
    value = 5;
    EXPECT_FALSE(reg.ReadDword(&value, "Long"));
    EXPECT_EQ(value, 5u);
    EXPECT_FALSE(reg.ReadDword(&value, "Missing"));
    EXPECT_EQ(value, 5u);
    EXPECT_EQ(reg.GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    // ReadValueAlloc: the whole value and four zero bytes.
    void* block = reinterpret_cast<void*>(1);
    ASSERT_TRUE(reg.ReadValueAlloc(&block, "Long", REG_BINARY));
    EXPECT_EQ(memcmp(block, "0123456789\0\0\0\0", 14), 0);
    EXPECT_EQ(reg.GetLastSize(), 10u);
    free(block);
    ASSERT_TRUE(reg.ReadValueAlloc(&block, "Multi", REG_MULTI_SZ));
    EXPECT_EQ(memcmp(block, "a\0bc\0\0", 6), 0);
    EXPECT_EQ(reg.GetLastSize(), 6u);
    free(block);
    block = reinterpret_cast<void*>(1);
    EXPECT_FALSE(reg.ReadValueAlloc(&block, "Missing", REG_SZ));
    EXPECT_EQ(block, nullptr);
}

TEST_F(RegistryTest, EmptyValueAllocBeginsWithFourZeros)
{
    CRegistry reg;
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, m_scratch.Path().c_str(), REGISTRY_WRITE));
    ASSERT_TRUE(reg.WriteString("", "Empty"));
    void* block = nullptr;
    ASSERT_TRUE(reg.ReadValueAlloc(&block, "Empty", REG_SZ));
    EXPECT_EQ(memcmp(block, "\0\0\0\0", 4), 0);
    EXPECT_EQ(reg.GetLastSize(), 1u);
    free(block);
    reg.Close();
    EXPECT_FALSE(reg.ReadValueAlloc(&block, "Empty", REG_SZ));
    EXPECT_EQ(reg.GetLastError(), static_cast<DWORD>(REGISTRY_ERROR_NOT_OPEN));
}

TEST_F(RegistryTest, EnumerationAndDeleteOfTheValueJustRead)
{
    CRegistry reg;
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, m_scratch.Path().c_str(), REGISTRY_WRITE));
    const char* names[] = {"List1", "List2", "Other", "List3"};
    for (const char* name : names)
        ASSERT_TRUE(reg.WriteString(name, name));   // each value holds its own name

    // Enumerate with -1: every value once, its name in the value-name buffer.
    std::vector<std::string> seen;
    char text[32];
    while (reg.ReadString(text, sizeof(text), REG_ENUM_NEXT)) {
        EXPECT_STREQ(text, reg.GetValueName());
        seen.push_back(text);
    }
    EXPECT_EQ(reg.GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    EXPECT_EQ(seen.size(), 4u);

    // Delete every "List" value while enumerating: none may be skipped.
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, m_scratch.Path().c_str(), REGISTRY_WRITE));
    int deleted = 0;
    while (reg.ReadString(text, sizeof(text), REG_ENUM_NEXT)) {
        if (strncmp(reg.GetValueName(), "List", 4) == 0) {
            ASSERT_TRUE(reg.DeleteValue(REG_ENUM_NEXT));
            ++deleted;
        }
    }
    EXPECT_EQ(deleted, 3);
    HKEY raw = m_scratch.Open();
    DWORD count = 0;
    RegQueryInfoKeyA(raw, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(raw);
    EXPECT_EQ(count, 1u);

    // EnumValueName: by index, and -1 without advancing.
    const char* name = reg.EnumValueName(0);
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name, "Other");
    EXPECT_EQ(reg.GetLastType(), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(reg.EnumValueName(1), nullptr);
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, m_scratch.Path().c_str(), REGISTRY_WRITE));
    EXPECT_STREQ(reg.EnumValueName(-1), "Other");
    EXPECT_STREQ(reg.EnumValueName(-1), "Other");
    // -1 writes the value last enumerated.
    ASSERT_TRUE(reg.WriteString("changed", REG_ENUM_NEXT));
    EXPECT_TRUE(reg.ReadString(text, sizeof(text), "Other"));
    EXPECT_STREQ(text, "changed");
}

TEST_F(RegistryTest, SubkeyEnumerationWithNullName)
{
    HKEY raw = m_scratch.Open();
    HKEY sub;
    for (const char* name : {"A", "B", "C"}) {
        RegCreateKeyExA(raw, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr);
        RegSetValueExA(sub, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(name), 1);
        RegCloseKey(sub);
    }
    RegCloseKey(raw);

    CRegistry reg;
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, m_scratch.Path().c_str(), REGISTRY_READ));
    std::string names;
    while (reg.OpenSubKey(REG_ENUM_NEXT)) {
        char text[8];
        EXPECT_TRUE(reg.ReadString(text, sizeof(text), "Name"));
        names += text;
        ASSERT_TRUE(reg.CloseSubKey());
    }
    // The end of the enumeration is reported as every failed open is.
    EXPECT_EQ(reg.GetLastError(), static_cast<DWORD>(REGISTRY_ERROR_MODE));
    EXPECT_EQ(names, "ABC");
}

TEST_F(RegistryTest, LongValueNamesAreCutInTheBufferButReachedWhole)
{
    std::string longName(300, 'n');
    HKEY raw = m_scratch.Open();
    RegSetValueExA(raw, longName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>("v"), 1);
    RegCloseKey(raw);

    CRegistry reg;
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, m_scratch.Path().c_str(), REGISTRY_WRITE));
    char text[8];
    ASSERT_TRUE(reg.ReadString(text, sizeof(text), REG_ENUM_NEXT));
    EXPECT_STREQ(text, "v");
    EXPECT_EQ(strlen(reg.GetValueName()), 256u);
    ASSERT_TRUE(reg.DeleteValue(REG_ENUM_NEXT));
    raw = m_scratch.Open();
    DWORD type;
    std::vector<unsigned char> data;
    EXPECT_FALSE(RawQuery(raw, longName.c_str(), &type, &data));
    RegCloseKey(raw);
}

// Every text value is stored with one terminating zero, an empty one as that zero alone (a
// value of no bytes makes other readers fail); texts stored without it are still read whole.
TEST_F(RegistryTest, TextValuesAreStoredWithTheirZero)
{
    struct Case
    {
        const char* name;
        const char* data;     // null: WriteString(nullptr)
        int size;             // -1: WriteString, else WriteValue with this size
        DWORD type;
        const char* text;     // what the value holds, without its zero
    };
    const Case cases[] = {
        { "Text", "Größe", -1, REG_SZ, "Größe" },
        { "Empty", "", -1, REG_SZ, "" },
        { "Null", nullptr, -1, REG_SZ, "" },
        { "Unterminated", "abc", 3, REG_SZ, "abc" },
        { "NoBytes", "", 0, REG_SZ, "" },
        { "Expand", "%TEMP%", 6, REG_EXPAND_SZ, "%TEMP%" },
        { "Terminated", "xy\0", 3, REG_SZ, "xy" },
    };
    CRegistry reg;
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, m_scratch.Path().c_str(), REGISTRY_WRITE));
    for (const Case& c : cases) {
        if (c.size < 0)
            EXPECT_TRUE(reg.WriteString(c.data, c.name)) << c.name;
        else
            EXPECT_TRUE(reg.WriteValue(c.data, c.size, c.name, c.type)) << c.name;
    }
    HKEY raw = m_scratch.Open();
    for (const Case& c : cases) {
        DWORD type = 0;
        std::vector<unsigned char> data;
        ASSERT_TRUE(RawQuery(raw, c.name, &type, &data)) << c.name;
        EXPECT_EQ(type, c.type) << c.name;
        EXPECT_EQ(std::string(data.begin(), data.end()), std::string(c.text, std::strlen(c.text) + 1)) << c.name;
    }
    // Written by another program without the zero: read whole all the same.
    ASSERT_EQ(RegSetValueExA(raw, "Foreign", 0, REG_SZ, reinterpret_cast<const BYTE*>("abcd"), 4), ERROR_SUCCESS);
    RegCloseKey(raw);
    char text[16];
    ASSERT_TRUE(reg.ReadString(text, sizeof text, "Foreign"));
    EXPECT_STREQ(text, "abcd");
}
