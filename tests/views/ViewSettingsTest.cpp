#include "views/ViewSettings.h"
#include "views/HexSettings.h"
#include "views/ValueSearchLists.h"

#include "services/AppIdentity.h"
#include "services/Registry.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char kAppKey[] = "Software\\SektorlupeTests\\Views";

class ViewSettingsRegistry : public ::testing::Test
{
protected:
    void SetUp() override { SetAppIdentity("SektorlupeTests", "Views"); }
    testsupport::ScratchKey m_scratch{ "Views" };
};

// A view name that lives only as long as the first view's caller wants: the group must not
// keep the caller's pointer.
TEST(SettingsGroup, KeepsItsOwnCopyOfTheName)
{
    int groupsBefore = SettingsGroupCount();
    char* name = static_cast<char*>(malloc(16));
    strcpy(name, "TempView");
    AnsiViewSettings* first = JoinSettingsGroup(name);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first->viewName, name);
    memset(name, 'X', 8);   // the caller reuses its buffer...
    free(name);             // ...and frees it
    EXPECT_STREQ(first->viewName, "TempView");
    AnsiViewSettings* second = JoinSettingsGroup("TempView");
    EXPECT_EQ(second, first);
    EXPECT_EQ(first->useCount, 2);
    AnsiViewSettings* other = JoinSettingsGroup("OtherView");
    EXPECT_NE(other, first);
    EXPECT_NE(other->groupId, first->groupId);
    EXPECT_EQ(SettingsGroupCount(), groupsBefore + 2);
    LeaveSettingsGroup(second);
    EXPECT_EQ(first->useCount, 1);
    EXPECT_STREQ(first->formats[0].name, "Standard");   // the group and its formats stay
    LeaveSettingsGroup(first);
    LeaveSettingsGroup(other);
    EXPECT_EQ(SettingsGroupCount(), groupsBefore);
    LeaveSettingsGroup(nullptr);
    AnsiViewSettings* empty = JoinSettingsGroup(nullptr);
    ASSERT_NE(empty, nullptr);
    EXPECT_STREQ(empty->viewName, "");
    LeaveSettingsGroup(empty);
}

TEST(SettingsGroup, NewGroupHasStandardFormat)
{
    AnsiViewSettings* s = JoinSettingsGroup("FreshGroup");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->formatCount, 1);
    EXPECT_EQ(s->font.flags, AFF_FIXED_PITCH);
    EXPECT_EQ(s->formats[0].id, 1);
    EXPECT_EQ(s->formats[0].text, kSystemColor);
    EXPECT_EQ(s->formats[0].background, kSystemColor);
    EXPECT_EQ(s->formats[1].name, nullptr);
    LeaveSettingsGroup(s);
}

TEST(SettingsGroup, ColorFormatTable)
{
    AnsiViewSettings* s = JoinSettingsGroup("FormatGroup");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(AddColorFormat(s, 0xFF, kSystemColor, "Adressen", 2, 0), 1);
    // A negative id asks first: no row of id 5 yet, so one is appended with id 5...
    EXPECT_EQ(AddColorFormat(s, 1, 2, "Fuenf", -5, 3), 2);
    EXPECT_EQ(s->formats[2].id, 5);
    // ...and the next time its row comes back, nothing added.
    EXPECT_EQ(AddColorFormat(s, 7, 7, "Anders", -5, 0), 2);
    EXPECT_EQ(s->formatCount, 3);
    // A duplicate id is stored as 0.
    EXPECT_EQ(AddColorFormat(s, 9, 9, "Doppelt", 2, 0), 3);
    EXPECT_EQ(s->formats[3].id, 0);
    COLORREF text = 0, background = 0;
    uint32_t style = 0;
    EXPECT_EQ(GetColorFormat(s, 2, &text, &background, &style), 1);
    EXPECT_EQ(text, 1u);
    EXPECT_EQ(background, 2u);
    EXPECT_EQ(style, 3u);
    EXPECT_EQ(GetColorFormat(s, 4, &text, &background, &style), 0);
    EXPECT_EQ(GetColorFormat(s, -1, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(FindColorFormat(s->formats, "Fuenf", 0), 2);
    EXPECT_EQ(FindColorFormat(s->formats, "fuenf", 0), -1);   // case counts
    EXPECT_EQ(FindColorFormat(s->formats, nullptr, 2), 1);
    // A row updated by its name (id 0) keeps its id, so that it is still saved; by its id,
    // it keeps that id and its name.
    const struct
    {
        const char* name;
        int id;
        COLORREF text;
    } updates[] = { { "Fuenf", 0, 11 }, { nullptr, 5, 13 }, { "Anders", 5, 14 } };
    for (const auto& u : updates)
    {
        EXPECT_EQ(UpdateColorFormat(s->formats, u.text, 12, u.name, u.id, 1), 1) << u.text;
        EXPECT_EQ(s->formats[2].text, u.text);
        EXPECT_EQ(s->formats[2].id, 5) << u.text;
        EXPECT_STREQ(s->formats[2].name, "Fuenf");
    }
    EXPECT_EQ(UpdateColorFormat(s->formats, 11, 12, "Keiner", 0, 1), 0);
    uint8_t* map = BuildColorFormatMap(s->formats);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map[1], 1);
    EXPECT_EQ(map[2], 2);
    EXPECT_EQ(map[5], 3);
    EXPECT_EQ(map[0], 4);   // the duplicate's id 0
    EXPECT_EQ(map[3], 0);
    free(map);
    // Format pairs: an index past the table is row 0, a high byte of 0 the low byte's row.
    EXPECT_EQ(FormatPairTextRow(s, 0x0002), 2);
    EXPECT_EQ(FormatPairBackgroundRow(s, 0x0002), 2);
    EXPECT_EQ(FormatPairBackgroundRow(s, 0x0102), 1);
    EXPECT_EQ(FormatPairTextRow(s, 0x0009), 0);
    LeaveSettingsGroup(s);
}

TEST(SettingsGroup, FontRequests)
{
    AnsiFontInfo stored = {};
    stored.height = 20;
    stored.flags = AFF_BOLD;
    strcpy(stored.faceName, "Lucida Console");
    AnsiFontInfo request;
    const char* faces[5];
    EXPECT_EQ(FontCandidates(60, "Courier", stored, &request, faces), 5);
    EXPECT_EQ(request.height, 48);
    EXPECT_EQ(request.width, 0);
    EXPECT_EQ(request.flags, AFF_FIXED_PITCH);
    EXPECT_STREQ(faces[0], "Courier");
    FontCandidates(3, "Courier", stored, &request, faces);
    EXPECT_EQ(request.height, 6);
    FontCandidates(0, "Courier", stored, &request, faces);
    EXPECT_EQ(request.height, 20);
    EXPECT_EQ(request.flags, AFF_BOLD);
    EXPECT_STREQ(faces[0], "Lucida Console");
    EXPECT_STREQ(faces[1], "Courier");
    EXPECT_STREQ(faces[4], "");
    HFONT font = CreateAnsiFont(request);
    EXPECT_NE(font, nullptr);
    DeleteObject(font);
    // An unterminated face name (hostile registry data) is cut, not overrun.
    memset(request.faceName, 'A', sizeof request.faceName);
    font = CreateAnsiFont(request);
    DeleteObject(font);
}

TEST_F(ViewSettingsRegistry, RegistryPath)
{
    char buffer[256];
    EXPECT_EQ(GetViewRegistryPath(buffer, sizeof buffer, nullptr, nullptr), static_cast<int>(strlen(kAppKey)));
    EXPECT_STREQ(buffer, kAppKey);
    GetViewRegistryPath(buffer, sizeof buffer, "Sub", nullptr);
    EXPECT_STREQ(buffer, "Software\\SektorlupeTests\\Views\\Sub");
    EXPECT_EQ(GetViewRegistryPath(buffer, sizeof buffer, "#Whole\\Path", nullptr), 10);
    EXPECT_STREQ(buffer, "Whole\\Path");
    EXPECT_EQ(GetViewRegistryPath(buffer, 5, "#Whole\\Path", nullptr), 0);
    EXPECT_STREQ(buffer, "");
    GetViewRegistryPath(buffer, sizeof buffer, "Sub", "Own\\Key");
    EXPECT_STREQ(buffer, "Own\\Key\\Sub");
    // The first part that does not fit ends the path.
    EXPECT_EQ(GetViewRegistryPath(buffer, 26, "Sub", nullptr), 24);
    EXPECT_STREQ(buffer, "Software\\SektorlupeTests");
    EXPECT_EQ(GetViewRegistryPath(buffer, 0, "Sub", nullptr), 0);
    EXPECT_EQ(GetViewRegistryPath(nullptr, 10, "Sub", nullptr), 0);
}

TEST_F(ViewSettingsRegistry, FontAndColorsSurviveARestart)
{
    AnsiViewSettings* s = JoinSettingsGroup("RoundTrip");
    ASSERT_NE(s, nullptr);
    AddColorFormat(s, 0x0000FF, kSystemColor, "Adressen", 2, 0);
    AddColorFormat(s, 0xFFFFFF, 0xFF0000, "Markierung", 4, 1);
    AddColorFormat(s, 0x123456, 0x654321, "Doppelt", 4, 0);   // id 0: not saved
    s->font.height = 17;
    s->font.width = 8;
    s->font.flags = AFF_FIXED_PITCH | AFF_ITALIC;
    strcpy(s->font.faceName, "Courier New");
    bool fontLoaded = true;
    // Loading from a key that does not exist yet sets the stored path and reads nothing.
    EXPECT_EQ(LoadViewSettings(s, kAppKey, 0, nullptr, &fontLoaded), 0);
    EXPECT_FALSE(fontLoaded);
    EXPECT_STREQ(s->registryPath, "Software\\SektorlupeTests\\Views\\RoundTrip");
    EXPECT_EQ(SaveViewSettings(s, nullptr, nullptr), 1);
    LeaveSettingsGroup(s);

    // The next run: a new group of the same name loads what was saved.
    AnsiViewSettings* t = JoinSettingsGroup("RoundTrip");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->formatCount, 1);
    AddColorFormat(t, kSystemColor, kSystemColor, "Adressen", 2, 0);   // the view's defaults
    EXPECT_EQ(LoadViewSettings(t, "Software\\SektorlupeTests\\Views\\", 0, nullptr, &fontLoaded), 1);
    EXPECT_TRUE(fontLoaded);
    EXPECT_EQ(t->font.height, 17);
    EXPECT_EQ(t->font.width, 8);
    EXPECT_EQ(t->font.flags, AFF_FIXED_PITCH | AFF_ITALIC);
    EXPECT_STREQ(t->font.faceName, "Courier New");
    int row = FindColorFormat(t->formats, nullptr, 2);
    ASSERT_EQ(row, 1);   // the existing row took the colours
    EXPECT_EQ(t->formats[row].text, 0x0000FFu);
    row = FindColorFormat(t->formats, nullptr, 4);
    ASSERT_GE(row, 0);
    EXPECT_STREQ(t->formats[row].name, "Markierung");
    EXPECT_EQ(t->formats[row].background, 0xFF0000u);
    EXPECT_EQ(t->formats[row].style, 1u);
    EXPECT_EQ(FindColorFormat(t->formats, "Doppelt", 0), -1);
    EXPECT_EQ(t->formatCount, 3);   // Standard (id 1 is saved and read back onto row 0)
    LeaveSettingsGroup(t);
}

// A subkey name is read as an integer in the program's number forms ("0x1F" is 31, "012"
// decimal 12) up to where the number stops ("13x" is 13); only ids above 0 with a "Name"
// give a row.
TEST_F(ViewSettingsRegistry, OddColorKeysAreSkipped)
{
    const struct
    {
        const char* key;
        bool named;
        int id;   // the row it gives, 0 none
    } cases[] = {
        { "0", true, 0 },   { "abc", true, 0 }, { "13x", true, 13 }, { "-3", true, 0 },
        { "7", true, 7 },   { "8", false, 0 },  { "0x1F", true, 31 }, { "0X2a", true, 42 },
        { "012", true, 12 }, { "0b101", true, 5 }, { "0x", true, 0 },
    };
    {
        CRegistry reg;
        ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, "Software\\SektorlupeTests\\Views\\Odd\\Colors", REGISTRY_CREATE));
        for (const auto& c : cases)
        {
            ASSERT_TRUE(reg.CreateSubKey(c.key));
            reg.WriteDword(0x111111, "TX");
            if (c.named)
                reg.WriteString(c.key, "Name");
            reg.CloseSubKey();
        }
    }
    AnsiViewSettings* s = JoinSettingsGroup("Odd");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(LoadViewSettings(s, kAppKey, 0, nullptr, nullptr), 1);
    int rows = 1;   // Standard
    for (const auto& c : cases)
    {
        if (c.id == 0)
        {
            EXPECT_EQ(FindColorFormat(s->formats, c.key, 0), -1) << c.key;
            continue;
        }
        ++rows;
        int row = FindColorFormat(s->formats, nullptr, c.id);
        ASSERT_GE(row, 1) << c.key;
        EXPECT_STREQ(s->formats[row].name, c.key);
        EXPECT_EQ(s->formats[row].text, 0x111111u) << c.key;
        EXPECT_EQ(s->formats[row].background, kSystemColor) << c.key;   // missing "BG": the system colour
    }
    EXPECT_EQ(s->formatCount, rows);
    EXPECT_EQ(LoadViewSettings(s, nullptr, 0, nullptr, nullptr), 0);
    EXPECT_EQ(LoadViewSettings(nullptr, kAppKey, 0, nullptr, nullptr), 0);
    LeaveSettingsGroup(s);
}

TEST_F(ViewSettingsRegistry, ShortFontValueIsIgnored)
{
    {
        CRegistry reg;
        ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, "Software\\SektorlupeTests\\Views\\Short", REGISTRY_CREATE));
        const char shortFont[10] = { 1, 2, 3 };
        reg.WriteValue(shortFont, sizeof shortFont, "Font", REG_BINARY);
    }
    AnsiViewSettings* s = JoinSettingsGroup("Short");
    bool fontLoaded = true;
    LoadViewSettings(s, kAppKey, 0, nullptr, &fontLoaded);
    EXPECT_FALSE(fontLoaded);
    EXPECT_EQ(s->font.height, 0);
    LeaveSettingsGroup(s);
}

// ---- the hex view's own values ----

TEST_F(ViewSettingsRegistry, HexSettingsDefaultsAndRoundTrip)
{
    HexViewSettings s = DefaultHexViewSettings();
    EXPECT_EQ(s.lineWidth, 16);
    EXPECT_EQ(s.statusbarMode, 0x1002u);
    // Nothing stored yet: the defaults stay.
    HexViewSettings loaded = DefaultHexViewSettings();
    EXPECT_EQ(LoadHexViewSettings(&loaded, nullptr, nullptr), 1);
    EXPECT_EQ(loaded.lineWidth, 16);
    EXPECT_EQ(loaded.hexFlags, static_cast<uint32_t>(HVM_AUTO_WIDTH | HVM_RASTER | HVM_WIDTH_RASTER));

    s.insertSpace = 0;
    s.extraSpace = 8;
    s.lineWidth = 24;
    s.raster = 2;
    s.widthRaster = 8;
    s.invertBytes = 3;
    s.outputFormat = 2;
    s.selectionRaster = 1;
    s.statusbarMode = 0xC001;
    s.addressLength = 8;
    s.hexFlags = HVM_RASTER | HVM_PROTECTED | HVM_OWNS_DATA;
    EXPECT_EQ(SaveHexViewSettings(s, nullptr, nullptr), 1);
    loaded = DefaultHexViewSettings();
    loaded.hexFlags |= HVM_NO_TEXT;   // bits outside 1..3 are the view's and stay
    LoadHexViewSettings(&loaded, nullptr, nullptr);
    EXPECT_EQ(loaded.insertSpace, 0);
    EXPECT_EQ(loaded.extraSpace, 8);
    EXPECT_EQ(loaded.lineWidth, 24);
    EXPECT_EQ(loaded.raster, 2);
    EXPECT_EQ(loaded.widthRaster, 8);
    EXPECT_EQ(loaded.invertBytes, 3);
    EXPECT_EQ(loaded.outputFormat, 2);
    EXPECT_EQ(loaded.selectionRaster, 1);
    EXPECT_EQ(loaded.statusbarMode, 0xC001u);
    EXPECT_EQ(loaded.addressLength, 8);
    EXPECT_EQ(loaded.hexFlags, static_cast<uint32_t>(HVM_RASTER | HVM_NO_TEXT));

    // Onto a model and back.
    CHexModel model;
    ApplyHexViewSettings(model, loaded);
    EXPECT_EQ(model.Layout().GroupSize(), 4);
    EXPECT_EQ(model.Layout().InvertMask(), 3);
    EXPECT_EQ(model.Layout().AddressWidth(), 10);
    EXPECT_EQ(model.Layout().InsertSpace(), 0);
    EXPECT_EQ(model.Layout().BytesPerLine(), 24);   // no width raster bit: 24 stays
    EXPECT_TRUE(model.SelectionRaster());
    HexViewSettings back = CollectHexViewSettings(model, loaded.statusbarMode);
    EXPECT_EQ(back.lineWidth, 24);
    EXPECT_EQ(back.extraSpace, 8);
    EXPECT_EQ(back.raster, 2);
    EXPECT_EQ(back.outputFormat, 2);
    EXPECT_EQ(back.addressLength, 8);
}

TEST_F(ViewSettingsRegistry, HexSettingsEdgeValues)
{
    {
        CRegistry reg;
        ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, kAppKey, REGISTRY_CREATE));
        reg.WriteDword(0, "LineWidth");
        reg.WriteDword(0, "HexFlags");
        reg.WriteDword(99, "AddressLength");
    }
    HexViewSettings s = DefaultHexViewSettings();
    s.hexFlags |= HVM_PROTECTED | HVM_OWNS_DATA;
    LoadHexViewSettings(&s, nullptr, nullptr);
    EXPECT_EQ(s.lineWidth, 16);   // a stored width of 0 gives 16 bytes per line
    // "HexFlags" 0 clears bits 1 to 3 and keeps protection and ownership.
    EXPECT_EQ(s.hexFlags, static_cast<uint32_t>(HVM_PROTECTED | HVM_OWNS_DATA));
    EXPECT_EQ(s.addressLength, 8);
    EXPECT_EQ(LoadHexViewSettings(nullptr, nullptr, nullptr), 0);
}

TEST_F(ViewSettingsRegistry, HexSettingsCarryTheSearchLists)
{
    ValueSearchSettings search;
    memset(&search, 0, sizeof search);
    ResetValueSearchSettings(&search);
    AddToHistory(&search.history, "\"abc\"", 16);
    search.flags = 0x21;
    EXPECT_EQ(SaveHexViewSettings(DefaultHexViewSettings(), "Sub", &search), 1);
    ValueSearchSettings read;
    memset(&read, 0, sizeof read);
    ResetValueSearchSettings(&read);
    HexViewSettings s = DefaultHexViewSettings();
    LoadHexViewSettings(&s, "Sub", &read);
    ASSERT_NE(read.history, nullptr);
    EXPECT_STREQ(MultiTextAt(read.history, 0), "\"abc\"");
    EXPECT_EQ(read.flags, 0x21u);
    ResetValueSearchSettings(&search);
    ResetValueSearchSettings(&read);
}

}  // namespace

namespace {

TEST(HexRasters, WidthModes)
{
    CHexModel m;
    uint32_t status = 0x0002;
    // A fixed width of 20 bytes: automatic width and width raster off.
    EXPECT_EQ(SetHexRasters(m, -20, 4, &status, 0x8001, 1, 200), 20);
    EXPECT_FALSE(m.Mode() & HVM_AUTO_WIDTH);
    EXPECT_FALSE(m.Mode() & HVM_WIDTH_RASTER);
    EXPECT_TRUE(m.Mode() & HVM_RASTER);
    EXPECT_EQ(m.Layout().BytesPerLine(), 20);
    EXPECT_EQ(status, 0x8001u | 0x1000u);   // a changed status mode asks for a refresh
    EXPECT_TRUE(m.SelectionRaster());
    // 300 is cut to 256.
    SetHexRasters(m, -300, 0, &status, status, -1, 200);
    EXPECT_EQ(m.Layout().BytesPerLine(), 256);
    EXPECT_FALSE(m.Mode() & HVM_RASTER);
    EXPECT_TRUE(m.SelectionRaster());   // -1 keeps it
    // Following the window on a raster of 8: the width fits 200 columns, a multiple of 8.
    SetHexRasters(m, 8, 4, &status, status, 0, 200);
    EXPECT_TRUE(m.Mode() & HVM_AUTO_WIDTH);
    EXPECT_TRUE(m.Mode() & HVM_WIDTH_RASTER);
    EXPECT_EQ(m.Layout().BytesPerLine() % 8, 0);
    EXPECT_LE(m.Layout().LineLength(), 200);
    EXPECT_GT(m.Layout().LineLength() + 8 * 4, 200);   // and one more raster step would not fit
    // A status mode with bit 31 is kept.
    status = 0x80000000u;
    SetHexRasters(m, 0, 4, &status, 5, -1, 200);
    EXPECT_EQ(status, 0x80000000u);
}

}  // namespace
