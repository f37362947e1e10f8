// Combo-box histories through the registry, checked against the raw values that the plain
// advapi32 calls see.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "classlib/String.h"
#include "services/AppIdentity.h"
#include "services/Registry.h"
#include "tests/support/TestSupport.h"
#include "uihelpers/ComboHistory.h"
#include "uihelpers/ListFill.h"
#include "TestWindows.h"

using uitest::HostDialog;
using Strings = std::vector<std::string>;

namespace {

const DWORD kComboStyle = CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL;

// The application key of the tests is HKCU\Software\SektorlupeTests\UiHelpers, which is
// exactly the scratch key "UiHelpers": the "#" paths land inside it.
class ComboHistory : public ::testing::Test {
protected:
    ComboHistory() : m_scratch("UiHelpers") { SetAppIdentity("SektorlupeTests", "UiHelpers"); }
    testsupport::ScratchKey m_scratch;

    std::string AppPath(const char* sub) const { return m_scratch.Path() + (sub && *sub ? std::string("\\") + sub : ""); }

    // The raw bytes of a value, or "<missing>".
    std::string RawValue(const std::string& keyPath, const char* name, DWORD* type = nullptr) const
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return "<missing>";
        char data[4096];
        DWORD size = sizeof data, t = 0;
        LONG r = RegQueryValueExA(key, name, NULL, &t, reinterpret_cast<BYTE*>(data), &size);
        RegCloseKey(key);
        if (type) *type = t;
        return r == ERROR_SUCCESS ? std::string(data, size) : "<missing>";
    }

    void PutRaw(const std::string& keyPath, const char* name, DWORD type, const std::string& bytes) const
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())));
        RegCloseKey(key);
    }
};

Strings Items(HWND combo)
{
    Strings items;
    int n = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char buf[300] = {};
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf));
        items.push_back(buf);
    }
    return items;
}

std::string Text(HWND w)
{
    char buf[300] = {};
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

std::string Multi(std::initializer_list<const char*> texts)
{
    std::string s;
    for (const char* t : texts) { s += t; s += '\0'; }
    s += '\0';
    return s;
}

}  // namespace

TEST_F(ComboHistory, SaveWithHashStoresTheMarkedEditTextFirst)
{
    HostDialog host("ComboBox", kComboStyle);
    HWND combo = host.Control();
    FillListFromText(combo, "alpha;beta;gamma", ';', FALSE);
    SetWindowTextA(combo, "gamma");     // the current text is also the third item
    EXPECT_EQ(3, SaveComboHistory(host.Dialog(), 100, "#Find", "#HexCrcCalc"));
    DWORD type = 0;
    EXPECT_EQ(Multi({ "\x02gamma", "gamma", "alpha", "beta" }), RawValue(AppPath("HexCrcCalc"), "Find", &type));
    EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), type);
    // No item was selected: the drop-down list now holds the stored history.
    EXPECT_EQ((Strings{ "gamma", "alpha", "beta" }), Items(combo));
    EXPECT_EQ("gamma", Text(combo));
}

TEST_F(ComboHistory, LoadWithHashRestoresTheEditText)
{
    PutRaw(AppPath("HexCrcCalc"), "Find", REG_MULTI_SZ, Multi({ "\x02" "55 AA", "55 AA", "EB 3C 90", "FA 33" }));
    HostDialog host("ComboBox", kComboStyle);
    HWND combo = host.Control();
    FillListFromText(combo, "alt", ';', FALSE);
    char first[16];
    EXPECT_EQ(3, LoadComboHistory(host.Dialog(), 100, "#Find", "#HexCrcCalc", first, sizeof first));
    EXPECT_STREQ("55 AA", first);
    EXPECT_EQ("55 AA", Text(combo));
    EXPECT_EQ((Strings{ "55 AA", "EB 3C 90", "FA 33" }), Items(combo));

    CString s("vorher");
    EXPECT_EQ(3, LoadComboHistory(host.Dialog(), 100, "#Find", "#HexCrcCalc", s));
    EXPECT_STREQ("55 AA", static_cast<LPCSTR>(s));
}

TEST_F(ComboHistory, LoadWithoutHashKeepsTheEditTextAndReplacesTheItems)
{
    // A key path without "#" is taken from HKEY_CURRENT_USER as it stands.
    std::string plain = AppPath("Plain");
    PutRaw(plain, "PolynomList", REG_MULTI_SZ, Multi({ "04C11DB7", "1021", "8005" }));
    HostDialog host("ComboBox", kComboStyle);
    HWND combo = host.Control();
    FillListFromText(combo, "x;y;z;w", ';', FALSE);
    SetWindowTextA(combo, "eigener Text");
    EXPECT_EQ(3, LoadComboHistory(host.Dialog(), 100, "PolynomList", plain.c_str(), NULL, 0));
    EXPECT_EQ("eigener Text", Text(combo));
    EXPECT_EQ((Strings{ "04C11DB7", "1021", "8005" }), Items(combo));
}

TEST_F(ComboHistory, MarkedListReadWithoutHashPutsTheCurrentTextFirstOnce)
{
    PutRaw(AppPath(""), "Werte", REG_MULTI_SZ, Multi({ "\x02" "b", "b", "a", "b", "c" }));
    HostDialog host("ComboBox", kComboStyle);
    char first[8] = "zzz";
    EXPECT_EQ(3, LoadComboHistory(host.Dialog(), 100, "Werte", "#", first, sizeof first));
    EXPECT_STREQ("b", first);
    EXPECT_EQ((Strings{ "b", "a", "c" }), Items(host.Control()));
}

TEST_F(ComboHistory, MissingKeyOrValueLeavesTheComboAlone)
{
    HostDialog host("ComboBox", kComboStyle);
    HWND combo = host.Control();
    FillListFromText(combo, "bleibt", ';', FALSE);
    SetWindowTextA(combo, "auch");
    char first[8] = "zzz";
    EXPECT_EQ(0, LoadComboHistory(host.Dialog(), 100, "#Find", "#GibtEsNicht", first, sizeof first));
    EXPECT_EQ(0, LoadComboHistory(host.Dialog(), 100, "#Fehlt", "#", first, sizeof first));
    EXPECT_STREQ("zzz", first);
    CString kept("alt");
    EXPECT_EQ(0, LoadComboHistory(host.Dialog(), 100, "#Fehlt", "#", kept));
    EXPECT_STREQ("alt", static_cast<LPCSTR>(kept));
    EXPECT_EQ((Strings{ "bleibt" }), Items(combo));
    EXPECT_EQ("auch", Text(combo));
    EXPECT_EQ(0, LoadComboHistory(host.Dialog(), 999, "#Find", "#", first, sizeof first));
    CRegistry closed;
    EXPECT_EQ(0, LoadComboHistoryFrom(host.Dialog(), 100, "#Find", closed, first, sizeof first));
    EXPECT_EQ(0, SaveComboHistoryTo(host.Dialog(), 100, "#Find", closed));
}

TEST_F(ComboHistory, HostileValuesAreReadWithinTheirData)
{
    HostDialog host("ComboBox", kComboStyle);
    // No terminators at all, the wrong type, an empty value, a lone mark byte.
    PutRaw(AppPath(""), "Roh", REG_MULTI_SZ, std::string("\x02" "abc", 4));
    PutRaw(AppPath(""), "Binaer", REG_BINARY, std::string("eins\0zwei", 9));
    PutRaw(AppPath(""), "Leer", REG_MULTI_SZ, std::string());
    PutRaw(AppPath(""), "Marke", REG_MULTI_SZ, std::string("\x02", 1));
    char first[3];
    EXPECT_EQ(0, LoadComboHistory(host.Dialog(), 100, "#Roh", "#", first, sizeof first));
    EXPECT_EQ("abc", Text(host.Control()));
    EXPECT_STREQ("ab", first);                      // cut to size - 1
    EXPECT_EQ(2, LoadComboHistory(host.Dialog(), 100, "Binaer", "#", first, sizeof first));
    EXPECT_EQ((Strings{ "eins", "zwei" }), Items(host.Control()));
    EXPECT_EQ(0, LoadComboHistory(host.Dialog(), 100, "Leer", "#", first, sizeof first));
    EXPECT_STREQ("", first);
    EXPECT_EQ(0, LoadComboHistory(host.Dialog(), 100, "Marke", "#", first, sizeof first));
    EXPECT_EQ(0u, Items(host.Control()).size());
}

TEST_F(ComboHistory, SaveKeepsSixteenEntriesAndSkipsEmptyAndEqualItems)
{
    HostDialog host("ComboBox", kComboStyle);
    HWND combo = host.Control();
    for (int i = 0; i < 20; ++i) {
        std::string item = "eintrag" + std::to_string(i);
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        if (i == 3) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(""));
    }
    SendMessageA(combo, CB_SETCURSEL, 5, 0);   // selected: the list is not rebuilt
    SetWindowTextA(combo, "neu");
    EXPECT_EQ(16, SaveComboHistory(host.Dialog(), 100, "Liste", AppPath("Sub").c_str()));
    std::string raw = RawValue(AppPath("Sub"), "Liste");
    std::string expected("neu");
    expected += '\0';
    for (int i = 0; i < 15; ++i) { expected += "eintrag" + std::to_string(i); expected += '\0'; }
    expected += '\0';
    EXPECT_EQ(expected, raw);
    EXPECT_EQ(21u, Items(combo).size());
    // An empty current text saved with "*" is the first of the 16 all the same, unwritten
    // behind its mark: 15 items follow it.
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SetWindowTextA(combo, "");
    EXPECT_EQ(15, SaveComboHistory(host.Dialog(), 100, "*Liste", AppPath("Sub").c_str()));
    expected.assign("\x02", 2);
    for (int i = 0; i < 15; ++i) { expected += "eintrag" + std::to_string(i); expected += '\0'; }
    expected += '\0';
    EXPECT_EQ(expected, RawValue(AppPath("Sub"), "Liste"));
}

TEST_F(ComboHistory, EmptyCurrentTextStoresNothingUnlessStarred)
{
    HostDialog host("ComboBox", kComboStyle);
    HWND combo = host.Control();
    FillListFromText(combo, "a;b", ';', FALSE);
    SetWindowTextA(combo, "");
    EXPECT_EQ(0, SaveComboHistory(host.Dialog(), 100, "#Leer", "#"));
    EXPECT_EQ("<missing>", RawValue(AppPath(""), "Leer"));
    // With "*" the empty text is kept in its marked form only, so the entries behind it
    // stay readable.
    EXPECT_EQ(2, SaveComboHistory(host.Dialog(), 100, "*#Leer", "#"));
    EXPECT_EQ(Multi({ "\x02", "a", "b" }), RawValue(AppPath(""), "Leer"));
    // An empty edit with a selected item saves the item as the current text.
    SendMessageA(combo, CB_SETCURSEL, 1, 0);
    SetWindowTextA(combo, "");
    EXPECT_EQ(2, SaveComboHistory(host.Dialog(), 100, "Sel", "#"));
    EXPECT_EQ(Multi({ "b", "a" }), RawValue(AppPath(""), "Sel"));
}

TEST_F(ComboHistory, SaveThenLoadRoundTrips)
{
    HostDialog a("ComboBox", kComboStyle);
    FillListFromText(a.Control(), "Größe;Länge;Breite", ';', FALSE);
    SetWindowTextA(a.Control(), "Höhe");
    EXPECT_EQ(4, SaveComboHistory(a.Dialog(), 100, "*Dim", "#Runde\\Tief"));
    HostDialog b("ComboBox", kComboStyle);
    SetWindowTextA(b.Control(), "fremd");
    CRegistry reg;
    ASSERT_TRUE(OpenHistoryKey(reg, "#Runde\\Tief", REGISTRY_READ));
    CString first;
    EXPECT_EQ(4, LoadComboHistoryFrom(b.Dialog(), 100, "#Dim", reg, first));
    EXPECT_STREQ("Höhe", static_cast<LPCSTR>(first));
    EXPECT_EQ("Höhe", Text(b.Control()));
    EXPECT_EQ((Strings{ "Höhe", "Größe", "Länge", "Breite" }), Items(b.Control()));
}

// A "*" save with an empty edit text keeps it as a lone mark; the entries behind it load back
// whole, with or without "#", and the next save stores them again instead of an empty list.
TEST_F(ComboHistory, StarredEmptyTextLoadsBackWhole)
{
    for (const char* loadName : { "Leer", "#Leer" }) {
        HostDialog a("ComboBox", kComboStyle);
        FillListFromText(a.Control(), "a;b", ';', FALSE);
        SetWindowTextA(a.Control(), "");
        ASSERT_EQ(2, SaveComboHistory(a.Dialog(), 100, "*#Leer", "#"));
        const std::string saved = RawValue(AppPath(""), "Leer");
        HostDialog b("ComboBox", kComboStyle);
        char first[8] = "zzz";
        EXPECT_EQ(2, LoadComboHistory(b.Dialog(), 100, loadName, "#", first, sizeof first)) << loadName;
        EXPECT_STREQ("", first) << loadName;
        EXPECT_EQ((Strings{ "a", "b" }), Items(b.Control())) << loadName;
        EXPECT_EQ("", Text(b.Control())) << loadName;
        EXPECT_EQ(2, SaveComboHistory(b.Dialog(), 100, "*#Leer", "#")) << loadName;
        EXPECT_EQ(saved, RawValue(AppPath(""), "Leer")) << loadName;
    }
}
