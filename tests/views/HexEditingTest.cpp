// Editing the hex view's bytes without a window: typing, paste, value input and the undo
// ring, each checked against a plain copy of the buffer that the test changes itself.
#include "views/HexEditing.h"
#include "views/HexTools.h"

#include "GuardedBuffer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

class CountingEditor : public CHexEditor
{
public:
    using CHexEditor::CHexEditor;
    int beeps = 0;
    int refusals = 0;
    std::vector<int> tabOuts;

protected:
    void OnBeep() override { ++beeps; }
    void OnRefused(const char* text) override { refusals += text && *text ? 1 : 0; }
    void OnTabOut(int backwards) override { tabOuts.push_back(backwards); }
};

struct Fixture
{
    explicit Fixture(std::vector<uint8_t> bytes) : data(std::move(bytes)), editor(model, ring)
    {
        model.SetData(data.data(), static_cast<int>(data.size()), 0x1000, HDF_WRITABLE);
        model.Relayout(16, 4, 1, 6, 0, 0);
    }
    void Type(const char* text)
    {
        for (const char* p = text; *p; ++p)
            editor.TypeCharacter(static_cast<unsigned char>(*p), false, false);
    }
    bool Modified() const { return (model.Mode() & HVM_MODIFIED) != 0; }

    std::vector<uint8_t> data;
    CHexModel model;
    CHexUndoRing ring;
    CountingEditor editor;
};

TEST(HexEditing, TwoDigitsUndoneOneByOneLeaveTheCursorOnTheDigitTypedAndRedoBehindIt)
{
    Fixture f(std::vector<uint8_t>(32, 0));
    f.model.SetCursorAddress(5, false);
    f.Type("41");
    EXPECT_EQ(f.data[5], 0x41);
    EXPECT_EQ(f.model.Cursor(), 6);
    EXPECT_TRUE(f.model.FirstDigit());
    ASSERT_EQ(f.ring.UndoCount(), 2);

    ASSERT_EQ(f.editor.StepUndo(-1), 1);
    EXPECT_EQ(f.data[5], 0x40);
    EXPECT_EQ(f.model.Cursor(), 5);
    EXPECT_FALSE(f.model.FirstDigit());
    ASSERT_EQ(f.editor.StepUndo(-1), 1);
    EXPECT_EQ(f.data[5], 0x00);
    EXPECT_EQ(f.model.Cursor(), 5);
    EXPECT_TRUE(f.model.FirstDigit());
    EXPECT_FALSE(f.Modified()) << "back at the oldest entry, made on unchanged data";
    EXPECT_EQ(f.editor.StepUndo(-1), 0);

    ASSERT_EQ(f.editor.StepUndo(1), 1);
    EXPECT_EQ(f.data[5], 0x40);
    EXPECT_EQ(f.model.Cursor(), 5);
    EXPECT_FALSE(f.model.FirstDigit());
    EXPECT_TRUE(f.Modified());
    ASSERT_EQ(f.editor.StepUndo(1), 1);
    EXPECT_EQ(f.data[5], 0x41);
    EXPECT_EQ(f.model.Cursor(), 6) << "redo of the second digit ends behind the byte";
    EXPECT_EQ(f.editor.StepUndo(1), 0);
}

// Random edits of every kind against a list of snapshots kept by the test: any number of
// undo steps gives the snapshot of that many edits ago, redo gives the later ones back, and
// a new edit after an undo drops what could have been redone.
TEST(HexEditing, RandomEditsUndoAndRedoThroughEverySnapshot)
{
    std::mt19937 random(1234);
    GuardedBuffer guard(200);
    std::vector<uint8_t> start(200);
    for (auto& b : start)
        b = static_cast<uint8_t>(random());
    uint8_t* data = guard.AtEnd(start.data(), start.size());
    CHexModel model;
    CHexUndoRing ring;
    CountingEditor editor(model, ring);
    model.SetData(data, 200, 0, HDF_WRITABLE);
    std::vector<std::vector<uint8_t>> snapshots{ start };
    for (int round = 0; round < 300; ++round)
    {
        int kind = static_cast<int>(random() % 4);
        int offset = static_cast<int>(random() % 210);
        bool made = false;
        if (kind == 0)
        {
            // Typed digits and characters in both columns; beyond the end nothing changes.
            model.SetCursorArea(random() % 2 ? HEX_AREA_TEXT : HEX_AREA_HEX);
            model.SetCursorAddress(offset, false);
            made = editor.TypeCharacter("0123456789abcdefXYZ"[random() % 19], false, false) == 1;
        }
        else if (kind == 1)
        {
            std::string text = ":";
            for (int i = random() % 40; i > 0; --i)
                text += "0123456789ABCDEF"[random() % 16], text += "0123456789ABCDEF"[random() % 16], text += ' ';
            model.SetCursorAddress(offset, false);
            if (random() % 2)
                model.SetSelectionEnd(offset + static_cast<int>(random() % 20), false);
            made = editor.Paste(text.c_str(), HEX_PASTE_HEX_TEXT) == 1;
        }
        else if (kind == 2)
        {
            uint8_t value[8];
            for (auto& b : value)
                b = static_cast<uint8_t>(random());
            model.SetCursorAddress(offset, false);
            made = editor.WriteValue(value, 1 + static_cast<int>(random() % 8), random() % 2 != 0) > 0;
        }
        else
        {
            // Undo a few steps, check, redo some of them.
            int back = static_cast<int>(random() % 5);
            int done = editor.StepUndo(-back);
            ASSERT_LE(done, back);
            ASSERT_LT(static_cast<size_t>(done), snapshots.size());
            const std::vector<uint8_t>& expected = snapshots[snapshots.size() - 1 - done];
            ASSERT_EQ(std::vector<uint8_t>(data, data + 200), expected) << "round " << round;
            int forward = static_cast<int>(random() % (done + 1));
            ASSERT_EQ(editor.StepUndo(forward), forward);
            snapshots.resize(snapshots.size() - done + forward);
            ASSERT_EQ(std::vector<uint8_t>(data, data + 200), snapshots.back());
            continue;
        }
        // Every edit that wrote made an entry, even one that wrote the same bytes again.
        if (made)
        {
            snapshots.push_back(std::vector<uint8_t>(data, data + 200));
            ASSERT_EQ(ring.RedoCount(), 0);
        }
        else
        {
            ASSERT_EQ(std::vector<uint8_t>(data, data + 200), snapshots.back());
        }
    }
    // Undo all (the ring keeps 255 steps), then redo all.
    int kept = ring.UndoCount();
    ASSERT_LE(kept, 255);
    ASSERT_EQ(editor.StepUndo(-1000), kept);
    ASSERT_EQ(std::vector<uint8_t>(data, data + 200), snapshots[snapshots.size() - 1 - kept]);
    ASSERT_EQ(editor.StepUndo(kept), kept);
    ASSERT_EQ(std::vector<uint8_t>(data, data + 200), snapshots.back());
}

TEST(HexEditing, TheRingKeeps255StepsAndANewEditDropsTheRedoHistory)
{
    Fixture f(std::vector<uint8_t>(300, 0));
    f.model.SetCursorArea(HEX_AREA_TEXT);
    for (int i = 0; i < 256; ++i)
    {
        f.model.SetCursorAddress(i, false);
        f.editor.TypeCharacter('A', false, false);
    }
    EXPECT_EQ(f.editor.StepUndo(-300), 255);
    EXPECT_EQ(f.data[0], 'A') << "the first of 256 edits can no longer be undone";
    EXPECT_EQ(f.data[1], 0);
    EXPECT_TRUE(f.Modified()) << "the oldest entry left was made on changed data";
    EXPECT_EQ(f.editor.StepUndo(3), 3);
    f.model.SetCursorAddress(299, false);
    f.editor.TypeCharacter('B', false, false);
    EXPECT_EQ(f.ring.RedoCount(), 0);
    EXPECT_EQ(f.editor.StepUndo(1), 0);
    EXPECT_EQ(f.editor.StepUndo(-1), 1);
    EXPECT_EQ(f.data[299], 0);
    EXPECT_EQ(f.data[3], 'A');
}

TEST(HexEditing, ProtectionAndTheAddressColumnRefuseInput)
{
    Fixture f(std::vector<uint8_t>(16, 0x11));
    f.model.SetModeBits(HVM_PROTECTED, HVM_PROTECTED);
    f.Type("ab");
    EXPECT_EQ(f.data, std::vector<uint8_t>(16, 0x11));
    EXPECT_EQ(f.editor.beeps, 0) << "typing while protected is swallowed quietly";
    EXPECT_EQ(f.editor.Paste(":01 02", HEX_PASTE_HEX_TEXT), 0);
    EXPECT_EQ(f.editor.beeps, 1);
    uint8_t value[8] = { 1, 2, 3, 4 };
    EXPECT_EQ(f.editor.WriteValue(value, 4, false), HVW_PROTECTED);
    EXPECT_EQ(f.editor.RecordUndo(0, false, 4), 0);
    EXPECT_EQ(f.data, std::vector<uint8_t>(16, 0x11));

    f.model.SetModeBits(0, HVM_PROTECTED);
    f.model.SetCursorArea(HEX_AREA_ADDRESS);
    f.Type("1");
    EXPECT_EQ(f.editor.beeps, 2);
    f.model.SetCursorArea(HEX_AREA_HEX);
    f.Type("g\x01");
    EXPECT_EQ(f.editor.beeps, 4) << "a letter that is no hex digit and a control character";
    EXPECT_EQ(f.data, std::vector<uint8_t>(16, 0x11));
    EXPECT_FALSE(f.Modified());
}

TEST(HexEditing, TabWalksTheShownColumnsAndTellsTheParentAtTheEnds)
{
    Fixture f(std::vector<uint8_t>(16, 0));
    f.model.SetCursorAddress(3, false);
    const int forward[] = { HEX_AREA_TEXT, HEX_AREA_ADDRESS, HEX_AREA_HEX };
    for (int area : forward)
    {
        f.editor.TypeCharacter('\t', false, true);
        EXPECT_EQ(f.model.Area(), area);
        EXPECT_EQ(f.model.Cursor(), 3);
    }
    EXPECT_EQ(f.editor.tabOuts, std::vector<int>({ 0 }));
    f.editor.TypeCharacter('\t', true, true);   // hex -> address
    f.editor.TypeCharacter('\t', true, true);   // address -> text, told as backwards
    EXPECT_EQ(f.model.Area(), HEX_AREA_TEXT);
    EXPECT_EQ(f.editor.tabOuts, std::vector<int>({ 0, 1 }));

    // With the text column hidden, Tab from the hex column is the end of the cycle.
    f.model.SetModeBits(HVM_NO_TEXT, HVM_NO_TEXT);
    f.model.Relayout(-1, -1, -1, -1, -1, -1);
    ASSERT_EQ(f.model.Area(), HEX_AREA_HEX);
    f.editor.TypeCharacter('\t', false, true);
    EXPECT_EQ(f.model.Area(), HEX_AREA_ADDRESS);
    EXPECT_EQ(f.editor.tabOuts, std::vector<int>({ 0, 1, 0 }));
}

TEST(HexEditing, PasteFormsGoToTheCursorOrTheSelectionAndStopAtTheEnd)
{
    struct Case
    {
        const char* text;
        int mode;
        int cursor;
        int selectionEnd;   // -1 none
        std::vector<uint8_t> expected;   // bytes from the cursor (or selection start) on
    };
    const Case cases[] = {
        { "0x12, 0x34", HEX_PASTE_HEX_TEXT, 2, -1, { 0x12, 0x34, 0 } },
        // A "0x" that begins a value is no byte 00, also when the text does not begin with it.
        { "\r\n0x12,\r\n0X34", HEX_PASTE_HEX_TEXT, 2, -1, { 0x12, 0x34, 0 } },
        { "12, 0x34 56", HEX_PASTE_HEX_TEXT, 1, -1, { 0x12, 0x34, 0x56, 0 } },
        { "12:34\r\nAB\xA0" "cd", HEX_PASTE_HEX_TEXT, 0, -1, { 0x12, 0x34, 0xAB, 0xCD, 0 } },
        { "\"Hi\\n\"", HEX_PASTE_SEARCH_TEXT, 4, -1, { 'H', 'i', '\n', 0 } },
        { "0x11223344", HEX_PASTE_SEARCH_TEXT, 1, -1, { 0x44, 0x33, 0x22, 0x11, 0 } },
        { ":01 02 03 04 05", HEX_PASTE_SEARCH_TEXT, 3, 6, { 1, 2, 3, 0 } },   // cut to the selection
        { ":01 02 03 04 05", HEX_PASTE_HEX_TEXT, 6, -1, { 1, 2 } },           // cut at the end
        { "zz", HEX_PASTE_HEX_TEXT, 0, -1, { 0 } },                            // nothing to read
        // A number that does not fit 64 bits or the room left, or text behind a number, pastes
        // nothing: no wrapped or cut value reaches the sector.
        { "-99999999999999999999", HEX_PASTE_SEARCH_TEXT, 0, -1, { 0, 0, 0, 0, 0, 0, 0, 0 } },
        { "99999999999999999999", HEX_PASTE_SEARCH_TEXT, 0, -1, { 0, 0, 0, 0, 0, 0, 0, 0 } },
        { "70000", HEX_PASTE_SEARCH_TEXT, 6, -1, { 0, 0 } },
        { "12 GB", HEX_PASTE_SEARCH_TEXT, 0, -1, { 0, 0, 0, 0 } },
        { "-5", HEX_PASTE_SEARCH_TEXT, 6, -1, { 0xFB, 0xFF } },
    };
    for (const Case& c : cases)
    {
        Fixture f(std::vector<uint8_t>(8, 0));
        f.model.SetCursorAddress(c.cursor, false);
        if (c.selectionEnd >= 0)
            f.model.SetSelectionEnd(c.selectionEnd, false);
        int wrote = f.editor.Paste(c.text, c.mode);
        std::vector<uint8_t> got(f.data.begin() + c.cursor,
                                 f.data.begin() + std::min<size_t>(f.data.size(), c.cursor + c.expected.size()));
        EXPECT_EQ(got, c.expected) << c.text;
        EXPECT_EQ(wrote, c.expected[0] != 0 ? 1 : 0) << c.text;
        EXPECT_EQ(f.editor.beeps, 0) << c.text;
        // A paste that gives no bytes writes nothing and says why.
        EXPECT_EQ(f.editor.refusals, wrote ? 0 : 1) << c.text;
        // Nothing in front of the target changed.
        EXPECT_EQ(std::vector<uint8_t>(f.data.begin(), f.data.begin() + c.cursor), std::vector<uint8_t>(c.cursor, 0));
    }
}

TEST(HexEditing, CopiedHexColumnPastedAsHexTextGivesTheBytesBack)
{
    std::mt19937 random(77);
    for (int round = 0; round < 20; ++round)
    {
        std::vector<uint8_t> source(1 + random() % 300);
        for (auto& b : source)
            b = static_cast<uint8_t>(random());
        int length = 0;
        char* text = MakeCopyText(source.data(), static_cast<int>(source.size()), false, &length);
        ASSERT_NE(text, nullptr);
        Fixture f(std::vector<uint8_t>(source.size(), 0));
        EXPECT_EQ(f.editor.Paste(text, HEX_PASTE_HEX_TEXT), 1);
        free(text);
        EXPECT_EQ(f.data, source);
    }
    // From the text column, printable bytes are copied as they are.
    int length = 0;
    char* text = MakeCopyText(reinterpret_cast<const uint8_t*>("Sektor"), 6, true, &length);
    EXPECT_EQ(std::string(text, length), "Sektor");
    free(text);
}

// A megabyte of text, unclosed quotes and stray characters, pasted into data that ends at a
// fence: only the bytes up to the end change, and a text that gives no byte changes nothing.
TEST(HexEditing, HugeAndMalformedPastesStayInsideTheData)
{
    std::string pairs;
    for (int i = 0; i < 1 << 19; ++i)
        pairs += "A5";
    const std::string dump = ":" + pairs;
    const std::string quoted = "\"" + std::string(1 << 20, 'q') + "\"";
    struct Case
    {
        const char* text;
        int mode;
        uint8_t expect;   // every byte from the cursor to the end; 0 for none written
    };
    const Case cases[] = {
        { pairs.c_str(), HEX_PASTE_HEX_TEXT, 0xA5 }, { dump.c_str(), HEX_PASTE_SEARCH_TEXT, 0xA5 },
        { quoted.c_str(), HEX_PASTE_SEARCH_TEXT, 'q' }, { "", HEX_PASTE_HEX_TEXT, 0 },
        { "\"", HEX_PASTE_SEARCH_TEXT, 0 }, { "0x", HEX_PASTE_HEX_TEXT, 0 },
        { ",,::\r\n", HEX_PASTE_HEX_TEXT, 0 }, { "", HEX_PASTE_SEARCH_TEXT, 0 },
    };
    GuardedBuffer guard(64);
    for (const Case& c : cases)
    {
        const std::vector<uint8_t> zeros(64, 0);
        uint8_t* data = guard.AtEnd(zeros.data(), zeros.size());
        CHexModel model;
        CHexUndoRing ring;
        CountingEditor editor(model, ring);
        model.SetData(data, 64, 0, HDF_WRITABLE);
        model.SetCursorAddress(61, false);
        int wrote = editor.Paste(c.text, c.mode);
        EXPECT_EQ(wrote, c.expect ? 1 : 0) << c.mode << " " << std::string(c.text).substr(0, 8);
        for (int i = 0; i < 64; ++i)
            ASSERT_EQ(data[i], i >= 61 ? c.expect : 0) << i << " " << std::string(c.text).substr(0, 8);
        EXPECT_EQ(ring.UndoCount(), c.expect ? 1 : 0);
        // A cursor set past the end stands on the last byte: one byte fits.
        model.SetCursorAddress(1000, false);
        EXPECT_EQ(editor.Paste("11 22", HEX_PASTE_HEX_TEXT), 1);
        EXPECT_EQ(data[63], 0x11);
        EXPECT_EQ(data[62], c.expect);
    }
}

// The bytes of value input are little-endian: the sign is that of the highest byte given.
TEST(HexEditing, ValueInputFillsFromTheSignOfTheHighestByte)
{
    struct Case
    {
        std::vector<uint8_t> bytes;
        const char* shown;
    };
    const Case cases[] = {
        { { 0xFF, 0x7F }, "0x7FFF" },
        { { 0x00, 0x80 }, "0xFFFF8000" },
        { { 0x85 }, "0xFFFFFF85" },
        { { 0x01, 0x02, 0x03, 0x04, 0x05, 0x06 }, "0x60504030201" },
        { { 0x01, 0x02, 0x03, 0x04, 0x05, 0xF6 }, "0xFFFFF60504030201" },
    };
    for (const Case& c : cases)
    {
        uint8_t value[8];
        memset(value, 0x5A, sizeof(value));
        memcpy(value, c.bytes.data(), c.bytes.size());
        int count = SignExtendValueBytes(value, static_cast<int>(c.bytes.size()));
        char text[80];
        FormatValueInputText(value, count, 1, text, sizeof(text));
        EXPECT_STREQ(text, c.shown);
        // Read back, the text gives the same bytes.
        uint8_t back[8];
        ParseValueInputText(text, back);
        EXPECT_EQ(0, memcmp(back, value, count > 4 ? 8 : 4)) << c.shown;
    }
}

TEST(HexEditing, ValueInputWritesAtTheSelectionStartReversedForBigEndianAndCutAtTheEnd)
{
    Fixture f(std::vector<uint8_t>(10, 0));
    const uint8_t value[8] = { 1, 2, 3, 4, 5, 6, 7, 8 };
    f.model.SetCursorAddress(2, false);
    f.model.SetSelectionEnd(4, false);
    EXPECT_EQ(f.editor.WriteValue(value, 4, true), 4);
    EXPECT_EQ(f.data, std::vector<uint8_t>({ 0, 0, 4, 3, 2, 1, 0, 0, 0, 0 }));
    f.model.SetCursorAddress(7, false);
    EXPECT_EQ(f.editor.WriteValue(value, 8, false), 3);
    EXPECT_EQ(f.data, std::vector<uint8_t>({ 0, 0, 4, 3, 2, 1, 0, 1, 2, 3 }));
    EXPECT_EQ(f.editor.StepUndo(-2), 2);
    EXPECT_EQ(f.data, std::vector<uint8_t>(10, 0));
    EXPECT_FALSE(f.Modified());
}

TEST(HexEditing, RecordUndoClampsBothEndsAndRefusesOutsideTheData)
{
    Fixture f(std::vector<uint8_t>(10, 7));
    EXPECT_EQ(f.editor.RecordUndo(-3, false, 5), 2);
    EXPECT_EQ(f.editor.RecordUndo(8, false, 5), 2);
    EXPECT_EQ(f.editor.RecordUndo(0x1000 + 9, true, 100), 1);
    EXPECT_EQ(f.editor.RecordUndo(10, false, 1), 0);
    EXPECT_EQ(f.editor.RecordUndo(-5, false, 5), 0);
    EXPECT_EQ(f.editor.RecordUndo(0, false, 0), 0);

    // Empty data takes no input at all.
    Fixture empty{ std::vector<uint8_t>() };
    empty.Type("12");
    EXPECT_EQ(empty.editor.Paste("12", HEX_PASTE_HEX_TEXT), 0);
    uint8_t value[8] = { 0 };
    EXPECT_EQ(empty.editor.WriteValue(value, 4, false), HVW_NOTHING);
}

}  // namespace
