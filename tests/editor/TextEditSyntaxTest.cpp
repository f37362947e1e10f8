// Syntax definitions read from a scratch registry key and the colours the engine gives each
// byte of a line: words, regions ending with the line or running over line ends (with a
// continuation byte and with escapes), groups switched on and off by bytes and carried over
// a line end, fixed colours, case folding through "UpperLower", and the bracket highlight.
// Every expected colour is worked out by hand from the definition written in the test.
#include "tests/editor/EditorTestSupport.h"

#include "services/Registry.h"

#include <string>
#include <vector>

using namespace edittest;

namespace {

class TextEditSyntax : public EditorTest
{
protected:
    std::string KeyPath(const char* view) { return m_scratch.Path() + "\\" + view; }

    // Opens (creating) view\definition[\sub[\leaf]] for writing.
    void Open(CRegistry& reg, const char* view, const std::string& relative)
    {
        ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, (KeyPath(view) + "\\" + relative).c_str(), REGISTRY_CREATE));
    }
    static void Mode(CRegistry& reg, const char* name, std::vector<uint8_t> bytes)
    {
        reg.WriteValue(bytes.data(), static_cast<int>(bytes.size()), name, REG_BINARY);
    }

    // The definition "CLIKE" under the view: keywords, a hex-number word, "<" and "<=",
    // strings with a backslash escape, block comments, macro lines continued by a
    // backslash, fixed colours for "+" and "-", and group 1 switched on by "@" and off after
    // a blank, continued over a line ending in the group character.
    void WriteCLike(const char* view)
    {
        CRegistry reg;
        Open(reg, view, "CLIKE");
        reg.WriteString("();,=+-*/\"", "Separators");
        reg.WriteString("\\", "Group5");
        reg.WriteString("@", "Group1On");
        reg.WriteString(" ", "Group1Off");
        reg.WriteDword(8, "Group1Color");
        reg.WriteDword(0x08, "GroupContinue");
        Open(reg, view, "CLIKE\\Words\\Keys");
        reg.WriteDword(3, "Color");
        reg.WriteString("int", "w1");
        reg.WriteString("return", "w2");
        reg.WriteString("<", "w3");
        reg.WriteString("", "empty");   // shorter than one byte: no rule
        Open(reg, view, "CLIKE\\Words\\Numbers");
        reg.WriteDword(4, "Color");
        Mode(reg, "Mode", { 4, 0, 3, 0, 0, 0, 0, 0 });   // extended by digits and letters
        reg.WriteString("0x", "hex");
        reg.WriteString("<=", "le");
        Open(reg, view, "CLIKE\\Until\\String");
        reg.WriteDword(5, "Color");
        Mode(reg, "Mode1", { 0, 0, 0, 0, 0, 0, 0, 0 });
        Mode(reg, "Mode2", { 0, 0, 0x80, 0, 0, 0, 0, 0 });   // Group5 bytes escape
        reg.WriteString("\"", "Data1");
        reg.WriteString("\"", "Data2");
        Open(reg, view, "CLIKE\\Until\\Comment");
        reg.WriteDword(6, "Color");
        Mode(reg, "Mode1", { 0, 0, 1, 0, 0, 0, 0, 0 });   // open over every line end
        Mode(reg, "Mode2", { 0, 0, 0, 0, 0, 0, 0, 0 });
        reg.WriteString("/*", "Data1");
        reg.WriteString("*/", "Data2");
        Open(reg, view, "CLIKE\\Until\\Macro");
        reg.WriteDword(7, "Color");
        Mode(reg, "Mode1", { 0, 0, '\\', 0, 0, 0, 0, 0 });   // open while lines end in "\"
        reg.WriteString("#define", "Data1");
        Open(reg, view, "CLIKE\\Fixed\\Ops");
        reg.WriteDword(2, "Color");
        reg.WriteString("+-", "Letters");
    }

    // Formats with ids 3 to 8 after "Standard" (1) and "Markierung" (2): index = id - 1.
    static void AddFormats(CTextEdit& edit)
    {
        for (int id = 3; id <= 8; ++id)
            edit.AddColorFormat(RGB(id, 0, 0), kSystemColor, ("Farbe" + std::to_string(id)).c_str(), id, 0);
        for (int id = 1; id <= 8; ++id)
            ASSERT_EQ(edit.ColorIndex(id), id - 1);
    }

    static std::vector<int> Colors(const CTextEdit& edit, int line)
    {
        std::vector<int> out;
        int length = 0;
        edit.GetLineText(line, &length);
        for (int i = 0; i < length; ++i)
            out.push_back(edit.GetCharColor(i, line));
        return out;
    }
    static std::vector<int> Uniform(size_t n, int color) { return std::vector<int>(n, color); }
};

}  // namespace

TEST_F(TextEditSyntax, WordsRegionsFixedColoursAndOrder)
{
    WriteCLike("SynWords");
    CTextEdit edit(2048, 50000, 0, "SynWords");
    AddFormats(edit);
    edit.AppendText("int x = 0x1F;\n"
                    "printf(a+b);\n"
                    "s = \"a\\\"b\" + 1;\n"
                    "\"a\\\\\"x\n"
                    "a <= b\n"
                    "INT (int) int2\n"
                    "\"abc\n"
                    "d\n");
    ASSERT_EQ(edit.LoadSyntaxColors("CLIKE"), 1);
    EXPECT_TRUE(edit.HasSyntaxRules());
    EXPECT_STREQ(edit.GetSyntaxName(), "CLIKE");
    // int, return, <, 0x, <= and three pairs of two; the empty word is dropped.
    EXPECT_EQ(edit.GetSyntaxRuleCount(), 11);
    // Ids 2 to 8 are named by the definition: indexes 1 to 7 are in use, "Standard" is not.
    const uint32_t* inUse = edit.GetColorsInUse();
    ASSERT_NE(inUse, nullptr);
    EXPECT_EQ(inUse[0], 0xFEu);

    // "int" between separators; "0x" runs on over "1F" and stops at ";".
    EXPECT_EQ(Colors(edit, 0), (std::vector<int>{ 2, 2, 2, 0, 0, 0, 0, 0, 3, 3, 3, 3, 0 }));
    // "int" inside "printf" has a letter before it; "+" has its fixed colour.
    EXPECT_EQ(Colors(edit, 1), (std::vector<int>{ 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0 }));
    // The escaped quote does not end the string; the closing quote is coloured too.
    EXPECT_EQ(Colors(edit, 2), (std::vector<int>{ 0, 0, 0, 0, 4, 4, 4, 4, 4, 4, 0, 1, 0, 0, 0 }));
    // An escaped backslash does not escape the quote after it.
    EXPECT_EQ(Colors(edit, 3), (std::vector<int>{ 4, 4, 4, 4, 4, 0 }));
    // "<=" is tried before "<" (longer texts first); "<" alone would stop before "=".
    EXPECT_EQ(Colors(edit, 4), (std::vector<int>{ 0, 0, 3, 3, 0, 0 }));
    // Without "UpperLower" words match case-sensitively; "(" is a separator; "int2" is not
    // followed by a separator.
    EXPECT_EQ(Colors(edit, 5), (std::vector<int>{ 0, 0, 0, 0, 0, 2, 2, 2, 0, 0, 0, 0, 0, 0 }));
    // A string region ends with its line.
    EXPECT_EQ(Colors(edit, 6), Uniform(4, 4));
    EXPECT_EQ(Colors(edit, 7), Uniform(1, 0));
    EXPECT_EQ(edit.GetLine(6)->openRule, 0);

    // Without a definition every line is back in the default colour.
    EXPECT_EQ(edit.LoadSyntaxColors(nullptr), 0);
    EXPECT_FALSE(edit.HasSyntaxRules());
    EXPECT_EQ(Colors(edit, 0), Uniform(13, 0));
    EXPECT_EQ(edit.GetLine(0)->colors, nullptr);
    EXPECT_EQ(edit.ColorLine(0), 1);
}

TEST_F(TextEditSyntax, RegionsCarryOverLineEndsAndFollowEdits)
{
    WriteCLike("SynRegions");
    CTextEdit edit(2048, 50000, 0, "SynRegions");
    AddFormats(edit);
    edit.AppendText("a /* b\n"
                    "still\n"
                    "x */ y\n"
                    "#define A 1 \\\n"
                    "  + 2\n"
                    "int\n");
    ASSERT_EQ(edit.LoadSyntaxColors("CLIKE"), 1);
    EXPECT_EQ(Colors(edit, 0), (std::vector<int>{ 0, 0, 5, 5, 5, 5 }));
    // A line wholly inside the region needs no colour bytes: it is in the carried colour.
    EXPECT_EQ(Colors(edit, 1), Uniform(5, 5));
    EXPECT_EQ(edit.GetLine(1)->colors, nullptr);
    EXPECT_NE(edit.GetLine(1)->openRule, 0);
    EXPECT_EQ(Colors(edit, 2), (std::vector<int>{ 5, 5, 5, 5, 0, 0 }));
    EXPECT_EQ(edit.GetLine(2)->openRule, 0);
    // The macro runs on over the line ending in a backslash, and no further; the fixed "+"
    // inside it keeps the region's colour.
    EXPECT_EQ(Colors(edit, 3), Uniform(13, 6));
    EXPECT_EQ(Colors(edit, 4), Uniform(5, 6));
    EXPECT_EQ(Colors(edit, 5), Uniform(3, 2));

    // Taking the comment opener away re-colours the lines after it, as far as the carried
    // state changes.
    ASSERT_TRUE(edit.DeleteText(2, 0, 4, 0, 0));
    EXPECT_EQ(Colors(edit, 0), Uniform(4, 0));
    EXPECT_EQ(Colors(edit, 1), Uniform(5, 0));
    EXPECT_EQ(Colors(edit, 2), Uniform(6, 0));
    // And putting it back opens the region again.
    ASSERT_EQ(edit.InsertString("/*", 2, 0, 0), 0);   // no new line
    EXPECT_EQ(Colors(edit, 1), Uniform(5, 5));
    EXPECT_EQ(Colors(edit, 2), (std::vector<int>{ 5, 5, 5, 5, 0, 0 }));
    // Ending the macro line without its backslash closes the macro at that line's end.
    int length = 0;
    edit.GetLineText(3, &length);
    ASSERT_TRUE(edit.DeleteText(length - 1, 3, length, 3, 0));
    EXPECT_EQ(Colors(edit, 4), (std::vector<int>{ 0, 0, 1, 0, 0 }));
    // ColorLine reports the line after the last one it coloured.
    EXPECT_EQ(edit.ColorLine(5), 6);

    // Lines removed: the line that moves up follows a line in another state than before,
    // although the joined line's own state stays.
    edit.ClearText();
    edit.AppendText("x\n/* y\nz\nw\n");
    for (int l = 0; l < edit.GetLineCount(); l = edit.ColorLine(l))
    {
    }
    EXPECT_EQ(Colors(edit, 3), Uniform(1, 5));
    ASSERT_TRUE(edit.DeleteText(1, 0, 0, 2, 0));
    ASSERT_EQ(Lines(edit), (std::vector<std::string>{ "xz", "w" }));
    EXPECT_EQ(Colors(edit, 0), Uniform(2, 0));
    EXPECT_EQ(Colors(edit, 1), Uniform(1, 0));
    EXPECT_EQ(edit.ColorLine(99), edit.GetLineCount() + 1);
}

TEST_F(TextEditSyntax, GroupsSwitchedByBytesAndContinuedByTheGroupCharacter)
{
    WriteCLike("SynGroups");
    CTextEdit edit(2048, 50000, 0, "SynGroups");
    AddFormats(edit);
    edit.AppendText("@ab cd\n"
                    "@ab\\\n"
                    "xy z\n"
                    "@ab\n"
                    "xy z\n");
    ASSERT_EQ(edit.LoadSyntaxColors("CLIKE"), 1);
    // "@" switches group 1 on; the blank still belongs to it, the byte after the blank not.
    EXPECT_EQ(Colors(edit, 0), (std::vector<int>{ 7, 7, 7, 7, 0, 0 }));
    EXPECT_EQ(Colors(edit, 1), Uniform(4, 7));
    // Carried over the backslash line end ("GroupContinue"), ...
    EXPECT_EQ(Colors(edit, 2), (std::vector<int>{ 7, 7, 7, 0 }));
    EXPECT_EQ(edit.GetLine(1)->groupBits, 0x08);
    // ... but not over a plain line end ("Groups" is 0).
    EXPECT_EQ(Colors(edit, 4), Uniform(4, 0));
}

TEST_F(TextEditSyntax, UpperLowerFoldsWordsThroughTheCaseTable)
{
    {
        CRegistry reg;
        ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, (KeyPath("SynFold") + "\\FOLD\\Words\\Keys").c_str(), REGISTRY_CREATE));
        reg.WriteDword(3, "Color");
        reg.WriteString("BEGIN", "w1");
        reg.WriteString("\xC4ND", "w2");   // "ÄND"
        ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, (KeyPath("SynFold") + "\\FOLD").c_str(), REGISTRY_CREATE));
        reg.WriteString("\xE4\xC4\xF6\xD6", "UpperLower");   // ä Ä, ö Ö
        ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, KeyPath("SynFold").c_str(), REGISTRY_CREATE));
        reg.WriteString("fold", ".fld");
    }
    CTextEdit edit(2048, 50000, 0, "SynFold");
    AddFormats(edit);
    edit.AppendText("begin x\n"
                    "\xE4nd\n"
                    "Begin2\n");
    // Found through the extension's value, whose text names the key in upper case.
    ASSERT_EQ(edit.LoadSyntaxColors(".fld"), 1);
    EXPECT_STREQ(edit.GetSyntaxName(), "FOLD");
    EXPECT_EQ(Colors(edit, 0), (std::vector<int>{ 2, 2, 2, 2, 2, 0, 0 }));
    EXPECT_EQ(Colors(edit, 1), Uniform(3, 2));
    EXPECT_EQ(Colors(edit, 2), Uniform(6, 0));
    // The comparisons of the find engine fold through the same table.
    EXPECT_EQ(edit.CompareFold("\xF6l", "\xD6L", 2, 1), 0);
    EXPECT_NE(edit.CompareFold("\xF6l", "\xD6L", 2, 0), 0);
    EXPECT_EQ(edit.FoldChar(0xE4), 0xC4);
    // A missing key loads nothing.
    EXPECT_EQ(edit.LoadSyntaxColors("NOTHERE"), 0);
    EXPECT_EQ(edit.FoldChar(0xE4), 0xE4);
}

TEST_F(TextEditSyntax, SetLineColorsStaysRefusedWhileRulesColour)
{
    WriteCLike("SynPane");
    CTextEdit edit(2048, 50000, 0, "SynPane");
    AddFormats(edit);
    edit.AppendText("int x\n");
    edit.SetEditable(0);
    ASSERT_EQ(edit.LoadSyntaxColors("CLIKE"), 1);
    const uint8_t numbers[] = { 4, 4, 4, 4, 4 };
    EXPECT_EQ(edit.SetLineColors(0, numbers, 5, 1, 1), 0);
    EXPECT_EQ(Colors(edit, 0), (std::vector<int>{ 2, 2, 2, 0, 0 }));
    // A fixed colour ends the rules; then the pane's own colours go in again.
    EXPECT_EQ(edit.SetDefaultColor(1), 1);
    EXPECT_EQ(edit.SetLineColors(0, numbers, 5, 1, 1), 1);
    EXPECT_EQ(Colors(edit, 0), Uniform(5, 3));
}

TEST_F(TextEditSyntax, BracketHighlightFindsThePartner)
{
    WriteCLike("SynBrackets");
    {
        CRegistry reg;
        ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, (KeyPath("SynBrackets") + "\\CLIKE").c_str(), REGISTRY_CREATE));
        // "(" ")" and "{" "}", marked with colour ids 3 (brackets) and 4 (range); brackets in
        // strings (id 5) do not count.
        reg.WriteDword(0xA0000403u, "BracketOn");
        reg.WriteDword(5, "BracketOff");
    }
    CTextEdit edit(2048, 50000, 0, "SynBrackets");
    AddFormats(edit);
    edit.AppendText("f(a{b}(c))\n"
                    "(\"(\" x)\n"
                    "{\n"
                    "x\n"
                    "}\n"
                    "(ab\n");
    ASSERT_EQ(edit.LoadSyntaxColors("CLIKE"), 1);
    EditOptions = (EditOptions | EO_BRACKETS) & ~EO_BRACKETS_WINDOW;

    edit.MoveCursor(1, 0, 0);
    ASSERT_TRUE(edit.IsBracketHighlightActive());
    EXPECT_EQ(edit.GetBracketDirection(), 0);
    EXPECT_EQ(edit.GetBracketPartner().x, 9);
    EXPECT_EQ(edit.GetBracketPartner().y, 0);
    char cells[16];
    uint16_t words[17];
    edit.ComposeLine(0, 0, 12, cells, words);
    EXPECT_EQ(words[1], 2 << 8);
    EXPECT_EQ(words[9], 2 << 8);
    EXPECT_EQ(words[3], 0);

    // Backward from a closing bracket.
    edit.MoveCursor(8, 0, 0);
    EXPECT_EQ(edit.GetBracketPartner().x, 6);
    // The bracket inside the string is no bracket, neither at the caret nor on the way.
    edit.MoveCursor(0, 1, 0);
    ASSERT_TRUE(edit.IsBracketHighlightActive());
    EXPECT_EQ(edit.GetBracketPartner().x, 6);
    EXPECT_EQ(edit.GetBracketPartner().y, 1);
    edit.MoveCursor(2, 1, 0);
    EXPECT_FALSE(edit.IsBracketHighlightActive());
    // Over lines.
    edit.MoveCursor(0, 2, 0);
    EXPECT_EQ(edit.GetBracketPartner().y, 4);
    // No partner: no highlight.
    edit.MoveCursor(0, 5, 0);
    EXPECT_FALSE(edit.IsBracketHighlightActive());

    // Window-wide: a direction, the range between marked with the second colour (over the
    // line breaks inside it), and column 0 of the last line searched when nothing matches.
    EditOptions |= EO_BRACKETS_WINDOW;
    edit.MoveCursor(0, 2, 0);
    ASSERT_TRUE(edit.IsBracketHighlightActive());
    EXPECT_EQ(edit.GetBracketDirection(), 1);
    edit.ComposeLine(3, 0, 3, cells, words);
    EXPECT_EQ(words[0], 3 << 8);
    EXPECT_EQ(words[1], 3 << 8);
    EXPECT_EQ(words[2], 0);
    edit.ComposeLine(4, 0, 3, cells, words);
    EXPECT_EQ(words[0], 3 << 8);
    EXPECT_EQ(words[1], 0);
    edit.MoveCursor(0, 4, 0);
    EXPECT_EQ(edit.GetBracketDirection(), -1);
    EXPECT_EQ(edit.GetBracketPartner().y, 2);
    edit.MoveCursor(0, 5, 0);
    ASSERT_TRUE(edit.IsBracketHighlightActive());
    EXPECT_EQ(edit.GetBracketPartner().x, 0);
    EXPECT_EQ(edit.GetBracketPartner().y, 5);

    // Off the bracket, or with the option cleared, nothing is highlighted.
    edit.MoveCursor(1, 5, 0);
    EXPECT_FALSE(edit.IsBracketHighlightActive());
    EditOptions &= ~EO_BRACKETS;
    edit.MoveCursor(1, 0, 0);
    EXPECT_FALSE(edit.IsBracketHighlightActive());
    edit.ComposeLine(0, 0, 12, cells, words);
    EXPECT_EQ(words[1], 0);
}

TEST_F(TextEditSyntax, RuleTableStopsAt4096AndAnEmptyDefinitionKeepsTheDefaults)
{
    {
        CRegistry reg;
        // Three classes of 1500 words: 4500 wanted, the table takes 4096.
        for (int k = 0; k < 3; ++k)
        {
            ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, (KeyPath("SynLimit") + "\\MANY\\Words\\K" + std::to_string(k)).c_str(),
                                 REGISTRY_CREATE));
            reg.WriteDword(3, "Color");
            for (int i = 0; i < 1500; ++i)
            {
                std::string word = "w" + std::to_string(k * 1500 + i);
                reg.WriteString(word.c_str(), word.c_str());
            }
        }
        ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, (KeyPath("SynLimit") + "\\BARE").c_str(), REGISTRY_CREATE));
    }
    CTextEdit edit(2048, 50000, 0, "SynLimit");
    AddFormats(edit);
    edit.AppendText("w7 w4095 x\n");
    ASSERT_EQ(edit.LoadSyntaxColors("MANY"), 1);
    EXPECT_EQ(edit.GetSyntaxRuleCount(), 4096);
    EXPECT_EQ(Colors(edit, 0)[0], 2);
    EXPECT_EQ(Colors(edit, 0)[9], 0);
    // The first two classes fit whole; of the third only 4096 - 3000 words became rules.
    edit.ClearText();
    for (int line = 0; line < 15; ++line)
    {
        std::string text;
        for (int i = 0; i < 100; ++i)
            text += "w" + std::to_string(3000 + line * 100 + i) + " ";
        edit.AppendText((text + "\n").c_str());
    }
    int coloured = 0;
    for (int line = 0; line < 15; ++line)
    {
        std::vector<int> colors = Colors(edit, line);
        for (size_t i = 0; i < colors.size(); i += 6)   // every word is "w" + 4 digits + blank
            coloured += colors[i] == 2;
    }
    EXPECT_EQ(coloured, 4096 - 3000);
    // A definition without values: rules on, but nothing to colour.
    ASSERT_EQ(edit.LoadSyntaxColors("BARE"), 1);
    EXPECT_TRUE(edit.HasSyntaxRules());
    EXPECT_EQ(edit.GetSyntaxRuleCount(), 0);
    EXPECT_EQ(Colors(edit, 0), Uniform(600, 0));
    EXPECT_EQ(edit.GetLine(0)->colors, nullptr);
}

namespace {

int g_hookCalls = 0;
int ColourItMyself(CTextEdit*, void*, int, int, int)
{
    ++g_hookCalls;
    return 1;
}

}  // namespace

TEST_F(TextEditSyntax, ColourHookTakesOverTheLine)
{
    WriteCLike("SynHook");
    CTextEdit edit(2048, 50000, 0, "SynHook");
    AddFormats(edit);
    edit.AppendText("int\n");
    ASSERT_EQ(edit.LoadSyntaxColors("CLIKE"), 1);
    EXPECT_EQ(Colors(edit, 0), Uniform(3, 2));
    g_hookCalls = 0;
    edit.SetHook(TEH_COLOR_LINE, ColourItMyself, nullptr);
    edit.AppendText("int\n");
    EXPECT_GE(g_hookCalls, 1);
    EXPECT_EQ(Colors(edit, 1), Uniform(3, 0));
    edit.SetHook(TEH_COLOR_LINE, nullptr, nullptr);
}
