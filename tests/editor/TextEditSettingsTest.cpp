// The editor's settings in the registry, and positions in the query message of a long pane.
#include "tests/editor/EditorTestSupport.h"

#include "services/Registry.h"

using namespace edittest;

namespace {

class TextEditSettings : public EditorTest
{
protected:
    std::string KeyPath(const char* view) { return m_scratch.Path() + "\\" + view; }
    void WriteDword(const char* view, const char* name, DWORD value)
    {
        CRegistry reg;
        ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, KeyPath(view).c_str(), REGISTRY_CREATE));
        reg.WriteDword(value, name);
    }
};

}  // namespace

TEST_F(TextEditSettings, FlagsTabWidthFindAndCopySlotsAreLoaded)
{
    {
        CRegistry reg;
        ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, KeyPath("SetView").c_str(), REGISTRY_CREATE));
        reg.WriteDword(0xFFFFFFFF, "Flags");
        reg.WriteDword(33, "Tabualtor");
        reg.WriteString("kopiert", "Copy3");
        reg.WriteMultiString("eins\0zwei\0", "Find");
    }
    EditOptions = 0x1849;
    CTextEdit edit(2048, 50000, 0, "SetView");
    // The changed bit and bits 18 to 21 stay the running ones (20 and 21 because bit 19 was
    // clear); everything else comes from the stored word.
    const uint32_t kept = 0x800C0000u | 0x300000u;
    EXPECT_EQ(EditOptions, ((0x1849u & kept) | (0xFFFFFFFFu & ~kept)) & ~0x80000000u);
    EXPECT_EQ(TabWidth, 4);
    EXPECT_EQ(std::string(edit.GetCopySlot(3).text, static_cast<size_t>(edit.GetCopySlot(3).length)), "kopiert");
    EXPECT_EQ(edit.GetCopySlot(4).text, nullptr);
    // Bit 10 shows the line numbers.
    EXPECT_EQ(edit.Layout().MarginWidth(), 32);
    // Underscore separating words (bit 15) with bits 12, 13 and 14 set.
    uint32_t mask = (0x73E318u | 0x426u | 0x84000u) & 0x8639Eu;
    EXPECT_EQ(edit.GetWordStopMask(), mask);
    WriteDword("SetView", "Tabualtor", 0);
    TabWidth = 9;
    edit.LoadSettings(nullptr);
    EXPECT_EQ(TabWidth, 4);
    WriteDword("SetView", "Tabualtor", 7);
    edit.LoadSettings(nullptr);
    EXPECT_EQ(TabWidth, 7);
    // A missing key changes nothing.
    EXPECT_EQ(edit.LoadSettings("GibtEsNicht"), 0);
    EXPECT_EQ(TabWidth, 7);
}

TEST_F(TextEditSettings, SavedSettingsReadBack)
{
    EditOptions = 0x1849;
    TabWidth = 6;
    {
        CTextEdit edit(2048, 50000, 0, "SaveView");
        edit.AppendText("abc def");
        edit.SetCursorPos(0, 0);
        edit.SetCursorPos(3, 0, MCF_EXTEND);
        edit.CopySelection(2);   // short: marks the settings for saving at destruction
        EXPECT_NE(EditOptions & EO_CHANGED, 0u);
    }
    EXPECT_EQ(EditOptions & EO_CHANGED, 0u);
    CRegistry reg;
    ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, KeyPath("SaveView").c_str(), REGISTRY_READ));
    DWORD value = 0;
    ASSERT_TRUE(reg.ReadDword(&value, "Flags"));
    EXPECT_EQ(value, 0x1849u);
    ASSERT_TRUE(reg.ReadDword(&value, "Tabualtor"));
    EXPECT_EQ(value, 6u);
    char text[32];
    ASSERT_TRUE(reg.ReadString(text, sizeof(text), "Copy2"));
    EXPECT_STREQ(text, "abc");
    // A new editor takes the slot back.
    CTextEdit again(2048, 50000, 0, "SaveView");
    EXPECT_EQ(again.GetCopySlot(2).length, 3);
}

TEST_F(TextEditSettings, PositionQueriesReachLinesPast32767)
{
    CMarkTextView pane(64, 50000, 0, "Text");
    std::string many;
    for (int i = 0; i < 40000; ++i)
        many += "z\n";
    pane.AppendText(many.c_str());
    ASSERT_EQ(pane.GetLineCount(), 40000);
    pane.SetCursorPos(1, 39000);
    // Windowless the message goes straight to the window procedure.
    LRESULT answer = pane.WindowProc(WM_TEXTEDIT_QUERY, 1, 0);
    int column = -1, line = -1;
    UnpackTextPosition(static_cast<uint32_t>(answer), &column, &line);
    EXPECT_EQ(column, 1);
    EXPECT_EQ(line, 39000);
    pane.WindowProc(WM_TEXTEDIT_QUERY, 0, static_cast<LPARAM>(PackTextPosition(0, 33000)));
    EXPECT_EQ(pane.GetCursorPos().y, 33000);
    // Too large for the word: clamped, not wrapped.
    EXPECT_EQ(PackTextPosition(70000, -3), 0xFFFFu);
}

TEST_F(TextEditSettings, ColourDefinitionsGiveFixedOrColumnColours)
{
    {
        CRegistry reg;
        ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, (KeyPath("SynView") + "\\HEXDUMP").c_str(), REGISTRY_CREATE));
        const uint8_t columns[] = { 2, 2, 1, 2 };
        reg.WriteValue(columns, sizeof(columns), "ColorArray", REG_BINARY);
        reg.WriteDword(1, "Color");
        reg.CloseSubKey();
        ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, (KeyPath("SynView") + "\\PLAIN").c_str(), REGISTRY_CREATE));
        reg.WriteDword(2, "Color");
        ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, KeyPath("SynView").c_str(), REGISTRY_CREATE));
        reg.WriteString("hexdump", ".hex");
    }
    CTextEdit edit(2048, 50000, 0, "SynView");
    edit.AppendText("abcdef");
    EXPECT_EQ(edit.LoadSyntaxColors(".hex"), 1);
    EXPECT_STREQ(edit.GetSyntaxName(), "HEXDUMP");
    // Row 1 is "Markierung" (id 2), row 0 "Standard" (id 1); past the array the default.
    EXPECT_EQ(edit.GetCharColor(0, 0), 1);
    EXPECT_EQ(edit.GetCharColor(2, 0), 0);
    EXPECT_EQ(edit.GetCharColor(3, 0), 1);
    EXPECT_EQ(edit.GetCharColor(5, 0), 0);
    EXPECT_EQ(edit.LoadSyntaxColors("PLAIN"), 1);
    EXPECT_EQ(edit.GetCharColor(4, 0), 1);
    EXPECT_EQ(edit.LoadSyntaxColors("FEHLT"), 0);
    EXPECT_EQ(edit.GetCharColor(4, 0), 0);
    EXPECT_EQ(edit.LoadSyntaxColors(".none"), 0);
}

// Font and colours come from the machine's hive first and the user's over them: a format
// only the machine names is there, and the user's colours win where both name one. They sit
// below the editor's own key, in the key of the view group's name.
TEST_F(TextEditSettings, ColoursLoadMachineWideFirstThenTheUsers)
{
    struct Row
    {
        HKEY hive;
        const char* id;
        const char* name;
        DWORD text;
    };
    const Row rows[] = {
        { HKEY_LOCAL_MACHINE, "2", "Markierung", 0x0000FF },
        { HKEY_LOCAL_MACHINE, "5", "Maschine", 0x123456 },
        { HKEY_CURRENT_USER, "2", "Markierung", 0x00FFFF },
    };
    const std::string view = KeyPath("HiveView") + "\\HiveView";
    // The machine's key is not a scratch key: gone before and after, whatever the outcome.
    struct MachineKey
    {
        std::string path;
        explicit MachineKey(const std::string& p) : path(p) { RegDeleteTreeA(HKEY_LOCAL_MACHINE, path.c_str()); }
        ~MachineKey() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, path.c_str()); }
    } machineKey(KeyPath("HiveView"));
    for (const Row& r : rows)
    {
        CRegistry reg;
        ASSERT_TRUE(reg.Open(r.hive, (view + "\\Colors\\" + r.id).c_str(), REGISTRY_CREATE)) << r.id;
        reg.WriteString(r.name, "Name");
        reg.WriteDword(r.text, "TX");
        reg.WriteDword(0xFFFFFF, "BG");
    }
    struct Expect
    {
        int id;
        COLORREF text;   // the user's over the machine's, the machine's where the user has none
    };
    const Expect expected[] = { { 2, 0x00FFFF }, { 5, 0x123456 } };
    {
        CTextEdit edit(2048, 50000, 0, "HiveView");
        for (const Expect& e : expected)
        {
            SCOPED_TRACE(e.id);
            int before = edit.Settings()->formatCount;
            int row = edit.AddColorFormat(0, 0, "gefragt", -e.id, 0);   // finds the row of the id
            EXPECT_EQ(edit.Settings()->formatCount, before);
            COLORREF text = 0;
            ASSERT_EQ(edit.GetColorFormat(row, &text, nullptr, nullptr), 1);
            EXPECT_EQ(text, e.text);
        }
    }
}
