// The hex view's editing as a window: the status panes it asks the main window for, the
// context menu with its greyed items, and the clipboard, undo and redo commands sent as the
// menu sends them.
#include "views/HexView.h"

#include "tests/views/GuardedBuffer.h"
#include "tests/views/ViewWindowSupport.h"
#include "uihelpers/ClipboardText.h"
#include "uihelpers/StatusPane.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace viewtest;

namespace {

const int kSize = 512;

struct PaneMessage
{
    WPARAM code;
    std::vector<uint32_t> ids;
    std::vector<int32_t> widths;
    int index;
    std::string text;
};

// The main window's side of WM_STATUSPANE, recorded.
class CPaneParent : public CRecordingParent
{
public:
    std::vector<PaneMessage> panes;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != WM_STATUSPANE)
            return CRecordingParent::WindowProc(message, wParam, lParam);
        const StatusPaneRequest* r = reinterpret_cast<const StatusPaneRequest*>(lParam);
        PaneMessage m = { wParam, {}, {}, -1, "" };
        if (wParam == StatusPaneSetBase)
        {
            for (int i = 0; r->ids && i < r->count; ++i)
                m.ids.push_back(r->ids[i]), m.widths.push_back(r->widths[i]);
        }
        else
        {
            m.index = r->index;
            m.text = r->text;
        }
        panes.push_back(m);
        return 1;
    }
};

class HexViewEdit : public ViewWindowTest
{
protected:
    void SetUp() override
    {
        ViewWindowTest::SetUp();
        ASSERT_TRUE(m_panes.CreateEx(0, AfxRegisterWndClass(0), "Hex-Test", WS_POPUP, 0, 0, 640, 400, nullptr, nullptr));
        std::vector<uint8_t> bytes(kSize);
        for (int i = 0; i < kSize; ++i)
            bytes[i] = static_cast<uint8_t>(i * 13 + 5);
        ASSERT_TRUE(m_buffer.Ok());
        m_data = m_buffer.AtEnd(bytes.data(), kSize);
        ASSERT_TRUE(m_view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 600, 360), &m_panes, 4098));
        m_view.SetData(m_data, kSize, 0x2000, HDF_WRITABLE);
    }
    void TearDown() override
    {
        m_view.DestroyWindow();
        m_panes.DestroyWindow();
        ViewWindowTest::TearDown();
    }
    void Command(UINT id) { m_view.SendMessage(WM_COMMAND, id, 0); }
    std::string Clipboard()
    {
        char* text = ClipboardGetText(nullptr);
        std::string s = text ? text : "";
        free(text);
        return s;
    }
    // The value pane as a reader of the bytes would write it: the double word at the offset.
    std::string ValueText(int offset)
    {
        int32_t v = static_cast<int32_t>(m_data[offset] | m_data[offset + 1] << 8 | m_data[offset + 2] << 16 |
                                         static_cast<uint32_t>(m_data[offset + 3]) << 24);
        char text[64];
        snprintf(text, sizeof(text), " Wert: 0x%X / %d", static_cast<unsigned>(v), v);
        return text;
    }

    CPaneParent m_panes;
    GuardedBuffer m_buffer{ kSize };
    uint8_t* m_data = nullptr;
    CHexView m_view;
};

TEST_F(HexViewEdit, StatusPanesComeWithTheFocusAndAreWrittenWhenTheyChange)
{
    m_view.SendMessage(WM_SETFOCUS, 0, 0);
    ASSERT_EQ(m_panes.panes.size(), 3u);
    EXPECT_EQ(m_panes.panes[0].code, static_cast<WPARAM>(StatusPaneSetBase));
    EXPECT_EQ(m_panes.panes[0].ids, std::vector<uint32_t>({ 0, 0 }));
    EXPECT_EQ(m_panes.panes[0].widths, std::vector<int32_t>({ -20, -23 }));
    EXPECT_EQ(m_panes.panes[1].index, 0);
    EXPECT_EQ(m_panes.panes[1].text, " Adr: 0x2000 / 8192");
    EXPECT_EQ(m_panes.panes[2].index, 1);
    EXPECT_EQ(m_panes.panes[2].text, ValueText(0));

    // The second digit of the same byte: nothing new to show.
    m_view.SendMessage(WM_KEYDOWN, VK_RIGHT, 1);
    EXPECT_EQ(m_panes.panes.size(), 3u);
    m_view.SendMessage(WM_KEYDOWN, VK_RIGHT, 1);
    ASSERT_EQ(m_panes.panes.size(), 5u);
    EXPECT_EQ(m_panes.panes[3].text, " Adr: 0x2001 / 8193");
    EXPECT_EQ(m_panes.panes[4].text, ValueText(1));

    // Other bytes (a sector loaded) show at once.
    m_view.SetData(m_data + 4, kSize - 4, 0x3000, HDF_WRITABLE);
    ASSERT_EQ(m_panes.panes.size(), 7u);
    EXPECT_EQ(m_panes.panes[5].text, " Adr: 0x3000 / 12288");
    EXPECT_EQ(m_panes.panes[6].text, ValueText(4));

    m_view.SendMessage(WM_KILLFOCUS, 0, 0);
    ASSERT_EQ(m_panes.panes.size(), 8u);
    EXPECT_EQ(m_panes.panes[7].code, static_cast<WPARAM>(StatusPaneSetBase));
    EXPECT_TRUE(m_panes.panes[7].ids.empty());
    m_view.SendMessage(WM_KEYDOWN, VK_RIGHT, 1);
    EXPECT_EQ(m_panes.panes.size(), 8u) << "without the focus the panes are not written";
}

void CALLBACK CloseMenu(HWND, UINT, UINT_PTR, DWORD)
{
    ::EndMenu();
}

struct MenuItem
{
    UINT id;
    std::string text;
    bool grey;
};

std::vector<MenuItem> ItemsOf(HMENU menu)
{
    std::vector<MenuItem> items;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i)
    {
        char text[64] = { 0 };
        ::GetMenuStringA(menu, i, text, sizeof(text), MF_BYPOSITION);
        UINT state = ::GetMenuState(menu, i, MF_BYPOSITION);
        items.push_back({ ::GetMenuItemID(menu, i), text, (state & MF_GRAYED) != 0 });
    }
    return items;
}

std::vector<MenuItem> ContextMenu(CHexView& view)
{
    HMENU menu = ::CreatePopupMenu();
    UINT_PTR timer = ::SetTimer(nullptr, 0, 100, CloseMenu);
    view.OnContextMenu(5, 5, menu);
    ::KillTimer(nullptr, timer);
    std::vector<MenuItem> items = ItemsOf(menu);
    ::DestroyMenu(menu);
    return items;
}

TEST_F(HexViewEdit, TheContextMenuReachesUndoAndTheToolsAndGreysThemByTheTable)
{
    ClipboardSetText("0x12, 0x34");
    std::vector<MenuItem> items = ContextMenu(m_view);
    const std::vector<std::pair<UINT, const char*>> expected = {
        { ID_HEX_CHECKSUM, "&Checksumme" },       { ID_HEX_GOTO, "&Zu Adresse" },
        { ID_HEX_COPY, "&Kopieren" },             { ID_HEX_FIND, "&Suchen" },
        { ID_HEX_UNDO, "Rückgängig" },            { ID_HEX_REDO, "Wiederherstellen" },
        { 0, "" },                                { ID_HEX_COPY_CSTRING, "Als C-String kopieren" },
        { ID_HEX_PASTE_SECOND, "Hex-Text einfügen" }, { ID_HEX_VALUE_INPUT, "Wert eingeben" },
        { ID_HEX_FLOAT_CONVERTER, "Flieskommakonverter" }, { ID_HEX_CRC, "CRC-Summe berechnen" },
        { 0, "" },                                { ID_HEX_SETTINGS, "&Einstellungen" },
    };
    ASSERT_GE(items.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_EQ(items[i].id, expected[i].first) << i;
        EXPECT_EQ(items[i].text, expected[i].second) << i;
    }
    auto grey = [&](UINT id) {
        for (const MenuItem& item : items)
            if (item.id == id)
                return item.grey;
        ADD_FAILURE() << "no item " << id;
        return false;
    };
    EXPECT_TRUE(grey(ID_HEX_COPY));
    EXPECT_TRUE(grey(ID_HEX_COPY_CSTRING));
    EXPECT_TRUE(grey(ID_HEX_UNDO));
    EXPECT_TRUE(grey(ID_HEX_REDO));
    EXPECT_FALSE(grey(ID_HEX_PASTE_SECOND));
    EXPECT_FALSE(grey(ID_HEX_CRC));

    m_view.SetSelectionEnd(4, false);
    m_view.SendMessage(WM_CHAR, 'a', 1);
    items = ContextMenu(m_view);
    EXPECT_FALSE(grey(ID_HEX_UNDO));
    EXPECT_TRUE(grey(ID_HEX_REDO));
    m_view.SetSelectionEnd(4, false);
    items = ContextMenu(m_view);
    EXPECT_FALSE(grey(ID_HEX_COPY_CSTRING));
    m_view.SetModeFlags(HVM_PROTECTED, HVM_PROTECTED);
    items = ContextMenu(m_view);
    EXPECT_TRUE(grey(ID_HEX_PASTE_SECOND)) << "no paste into protected data";
}

TEST_F(HexViewEdit, ClipboardCommandsCopyPasteUndoAndRedo)
{
    memcpy(m_data + 10, "A\x01" "1", 3);
    m_view.SetCursorAddress(10, false);
    m_view.SetSelectionEnd(13, false);
    Command(ID_HEX_COPY);
    EXPECT_EQ(Clipboard(), ":41 01 31");
    Command(ID_HEX_COPY_CSTRING);
    EXPECT_EQ(Clipboard(), "\"A\\x01\"\"1\"");

    ClipboardSetText("0x12, 0x34");
    m_view.SetCursorAddress(100, false);
    const uint8_t before[2] = { m_data[100], m_data[101] };
    Command(ID_HEX_PASTE_SECOND);
    EXPECT_EQ(m_data[100], 0x12);
    EXPECT_EQ(m_data[101], 0x34);
    EXPECT_TRUE(m_view.IsModified());
    Command(ID_HEX_UNDO);
    EXPECT_EQ(m_data[100], before[0]);
    EXPECT_EQ(m_data[101], before[1]);
    EXPECT_FALSE(m_view.IsModified());
    Command(ID_HEX_REDO);
    EXPECT_EQ(m_data[101], 0x34);

    // Protected data takes nothing: the paste beeps.
    ClipboardSetText("\"xy\"");
    m_view.SetModeFlags(HVM_PROTECTED, HVM_PROTECTED);
    int beeps = g_beeps;
    Command(ID_HEX_PASTE);
    EXPECT_EQ(g_beeps, beeps + 1);
    EXPECT_EQ(m_data[100], 0x12);
    Command(ID_HEX_UNDO);
    EXPECT_EQ(m_data[101], 0x34);
    m_view.SetModeFlags(0, HVM_PROTECTED);
    Command(ID_HEX_PASTE);
    EXPECT_EQ(m_data[100], 'x');
    EXPECT_EQ(m_data[101], 'y');

    // Another base or other bytes: the old edits can no longer be undone.
    EXPECT_TRUE(m_view.IsCommandEnabled(ID_HEX_UNDO));
    m_view.SetBaseAddress(0x4000);
    EXPECT_FALSE(m_view.IsCommandEnabled(ID_HEX_UNDO));
    m_view.SendMessage(WM_CHAR, '7', 1);
    EXPECT_TRUE(m_view.IsCommandEnabled(ID_HEX_UNDO));
    m_view.SetData(m_data, kSize, 0x2000, HDF_WRITABLE);
    EXPECT_FALSE(m_view.IsCommandEnabled(ID_HEX_UNDO));
    Command(ID_HEX_UNDO);
    EXPECT_EQ(m_data[100], 'x');
}

TEST_F(HexViewEdit, CopyInTheTextColumnGivesTheTextUnlessAByteIsBelow32)
{
    memcpy(m_data + 10, "A\x01" "1", 3);
    memcpy(m_data + 20, "Wort ist Text", 13);
    const struct
    {
        int from, count;
        std::string expected;
    } cases[] = {
        { 20, 13, std::string(reinterpret_cast<const char*>(m_data) + 20, 13) },
        { 10, 3, ":41 01 31" },   // the byte 01 has no text: a hex dump as from the hex column
    };
    for (const auto& c : cases)
    {
        m_view.SetCursorAddress(c.from, false);
        m_view.SetCursorArea(HEX_AREA_TEXT);
        m_view.SetSelectionEnd(c.from + c.count, false);
        ClipboardSetText("(nichts kopiert)");
        Command(ID_HEX_COPY);
        EXPECT_EQ(Clipboard(), c.expected) << c.from;
    }
}

TEST_F(HexViewEdit, CtrlXRedoesTheStepUndone)
{
    m_view.SetCursorAddress(20, false);
    const uint8_t before = m_data[20];
    m_view.SendMessage(WM_CHAR, before >= 0x70 ? '1' : '7', 1);
    const uint8_t typed = m_data[20];
    ASSERT_NE(typed, before);
    Command(ID_HEX_UNDO);
    ASSERT_EQ(m_data[20], before);
    g_keyDown[VK_CONTROL] = true;
    m_view.SendMessage(WM_KEYDOWN, 'X', 1);
    g_keyDown[VK_CONTROL] = false;
    m_view.SendMessage(WM_CHAR, 0x18, 1);
    EXPECT_EQ(m_data[20], typed);
    EXPECT_EQ(g_beeps, 0) << "the key's control character is no input";
}

bool g_messageKeys[256];
SHORT WINAPI MessageKeys(int key)
{
    return (key >= 0 && key < 256 && g_messageKeys[key]) ? static_cast<SHORT>(0xFF80) : 0;
}

// Ctrl held with the key message counts also where the asynchronous state still calls it
// released (it can lag behind the queue): Ctrl+X right after the focus came redoes the step.
TEST_F(HexViewEdit, CtrlHeldWithTheMessageCountsWhereTheAsynchronousStateLags)
{
    AnsiViewSystemSeam seam = { FakeKeyState, FakeTick, FakeBeep, MessageKeys };
    SetAnsiViewSystemSeam(&seam);
    struct Case {
        bool asyncCtrl, messageCtrl, redone;
    } const cases[] = {
        { true, false, true },     // the asynchronous state alone
        { false, true, true },     // lagging: only the message had Ctrl
        { false, false, false },   // held nowhere: a plain X
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.asyncCtrl << c.messageCtrl);
        m_view.SetCursorAddress(20, false);
        const uint8_t before = m_data[20];
        m_view.SendMessage(WM_CHAR, before >= 0x70 ? '1' : '7', 1);
        const uint8_t typed = m_data[20];
        Command(ID_HEX_UNDO);
        ASSERT_EQ(m_data[20], before);
        g_keyDown[VK_CONTROL] = c.asyncCtrl;
        g_messageKeys[VK_CONTROL] = c.messageCtrl;
        m_view.SendMessage(WM_KEYDOWN, 'X', 1);
        g_keyDown[VK_CONTROL] = g_messageKeys[VK_CONTROL] = false;
        EXPECT_EQ(m_data[20], c.redone ? typed : before);
    }
}

TEST_F(HexViewEdit, ACtrlShortcutsCharacterIsNoInput)
{
    g_keyDown[VK_CONTROL] = true;
    m_view.SendMessage(WM_KEYDOWN, 'C', 1);
    g_keyDown[VK_CONTROL] = false;
    m_view.SendMessage(WM_CHAR, 3, 1);
    EXPECT_EQ(g_beeps, 0);
    m_view.SendMessage(WM_CHAR, 3, 1);
    EXPECT_EQ(g_beeps, 1) << "a control character typed on its own beeps";
}

}  // namespace
