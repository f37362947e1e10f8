// The paths a user takes through the main frame on the fat16 fixture: a click on each
// toolbar button runs its command (the sector steps, the data window and its refresh, and the
// two commands that have no menu item, "Info Ansicht" and "CHS zu Sektor"); a letter typed
// in an open popup picks its item; and the disk view hands paste, find next, find word and
// the hex tools to the pane they belong to.
#include <gtest/gtest.h>

#include "app/MenuIconModel.h"
#include "tests/app/DiskViewTestSupport.h"
#include "tests/classlib/ModalScript.h"
#include "uihelpers/ClipboardText.h"
#include "views/ValueSearchInput.h"
#include "views/ValueSearchLists.h"

#include <cstring>
#include <functional>
#include <iterator>
#include <string>

using diskviewtest::DrainQueue;

namespace {

const char kAppName[] = "FrameButtons";

class SilentPrompts : public DiskDocPrompts {
public:
    int Box(const char*, const char*, UINT) override { return IDNO; }
    bool AskText(const char*, const char*, CString*, bool) override { return false; }
};

class FrameButtonsTest : public diskviewtest::FrameOnFat16<CWinApp, SilentPrompts> {
protected:
    FrameButtonsTest() : FrameOnFat16(kAppName) {}

    std::string CaptionOfDialog(const std::function<void()>& action) { return diskviewtest::CaptionOfDialog(action); }

    void ClickButton(UINT id)
    {
        CToolBarNew& bar = frame->m_wndToolBar;
        frame->SendMessage(WM_IDLEUPDATECMDUI, TRUE);
        frame->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0, TRUE, TRUE);
        const LRESULT index = bar.SendMessage(TB_COMMANDTOINDEX, id);
        ASSERT_GE(index, 0) << id;
        RECT r = {};
        bar.SendMessage(TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        bar.SendMessage(WM_MOUSEMOVE, 0, at);
        bar.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, at);
        bar.SendMessage(WM_LBUTTONUP, 0, at);
        DrainQueue();
    }
};

}  // namespace

TEST_F(FrameButtonsTest, EveryToolbarButtonRunsItsCommand)
{
    CHexView* hex = view->GetHexView();
    struct Button {
        UINT id;
        const char* dialog;            // caption of the dialog it opens, or null
        std::function<bool()> done;    // what the command changed
    };
    const Button buttons[] = {
        {ID_NEXT_SECTOR, nullptr, [&] { return doc->GetCurrentSector() == 1u; }},
        {ID_PREV_SECTOR, nullptr, [&] { return doc->GetCurrentSector() == 0u; }},
        {ID_DATA_WINDOW, nullptr, [&] { return (frame->m_wndChildBar.GetStyle() & WS_VISIBLE) != 0; }},
        {ID_REFRESH_DATA_WINDOW, nullptr, [&] { return frame->m_wndDataWnd.GetSlotOffset(0) == 20; }},
        {ID_INFO_VIEW, "Info-Typ wählen", [] { return true; }},
        {ID_CHS_CONVERT, "CHS - Sektor Konvertierung", [] { return true; }},
    };
    // Two separators keep the groups apart.
    EXPECT_EQ(frame->m_wndToolBar.SendMessage(TB_BUTTONCOUNT), static_cast<LRESULT>(std::size(buttons) + 2));
    for (const Button& b : buttons) {
        hex->SetCursorAddress(20, false);
        if (b.dialog)
            EXPECT_EQ(CaptionOfDialog([&] { ClickButton(b.id); }), b.dialog) << b.id;
        else
            ClickButton(b.id);
        EXPECT_TRUE(b.done()) << b.id;
        // Each button's tooltip is its string's text after the line feed, and the menus
        // take its own picture.
        char prompt[256] = {};
        ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), b.id, prompt, sizeof prompt), 0) << b.id;
        EXPECT_NE(std::strchr(prompt, '\n'), nullptr) << b.id;
    }
    EXPECT_EQ(frame->m_menuCommandCount, static_cast<int>(std::size(buttons)));
    for (int i = 0; i < frame->m_menuCommandCount; ++i)
        EXPECT_EQ(frame->m_menuCommands[i], buttons[i < 2 ? 1 - i : i].id) << i;
}

TEST_F(FrameButtonsTest, ALetterTypedInAPopupPicksItsItem)
{
    // The "Bearbeiten" popup as the frame draws it: owner-drawn items carrying their texts.
    HMENU popup = GetSubMenu(GetMenu(frame->m_hWnd), 1);
    ASSERT_NE(popup, nullptr);
    frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 1);
    const int items = GetMenuItemCount(popup);
    auto positionOf = [&](UINT id) {
        for (int pos = 0; pos < items; ++pos)
            if (GetMenuItemID(popup, pos) == id)
                return pos;
        return -1;
    };
    struct Case {
        char letter;
        UINT expected;   // 0: no item has the letter
        WORD how;
    };
    // "&Kopieren" alone has K; "&Suchen" and "&Springe zu Adresse" share S; "Suche Wor&t"
    // alone has t, typed in either case.
    const Case cases[] = {
        {'k', ID_EDIT_COPY, MNC_EXECUTE},
        {'T', ID_FIND_WORD, MNC_EXECUTE},
        {'s', ID_EDIT_FIND, MNC_SELECT},
        {'q', 0, 0},
    };
    for (const Case& c : cases) {
        const LRESULT answer = frame->SendMessage(WM_MENUCHAR, MAKEWPARAM(static_cast<BYTE>(c.letter), MF_POPUP),
                                                  reinterpret_cast<LPARAM>(popup));
        if (!c.expected) {
            EXPECT_NE(HIWORD(answer), MNC_EXECUTE) << c.letter;
            EXPECT_NE(HIWORD(answer), MNC_SELECT) << c.letter;
            continue;
        }
        EXPECT_EQ(HIWORD(answer), c.how) << c.letter;
        EXPECT_EQ(static_cast<int>(LOWORD(answer)), positionOf(c.expected)) << c.letter;
    }
}

TEST(MenuLetters, TheLetterAfterTheAmpersandPicksOneItemOrCyclesThroughSeveral)
{
    const char* texts[] = {"&Suchen\tShift+F3", nullptr, "Suche Wor&t", "&Springe zu Adresse", "A && B", "&Ändern",
                           "&&x &y"};
    const int n = static_cast<int>(std::size(texts));
    struct Case {
        char letter;
        int highlighted;
        int index;
        bool execute;
    };
    const Case cases[] = {
        {'s', -1, 0, false},   // two items: the first is selected
        {'S', 0, 3, false},    // from the first, the next one
        {'s', 3, 0, false},    // round from the end
        {'t', 3, 2, true},     // one item: it runs
        {'\xE4', -1, 5, true}, // "ä" finds "&Ä"
        {'y', -1, 6, true},    // "&&" is a plain ampersand
        {'x', -1, -1, false},
        {'b', -1, -1, false},
    };
    for (const Case& c : cases) {
        const MenuLetterChoice choice = ChooseMenuItemByLetter(texts, n, c.highlighted, c.letter);
        EXPECT_EQ(choice.index, c.index) << c.letter << " from " << c.highlighted;
        EXPECT_EQ(choice.execute, c.execute) << c.letter << " from " << c.highlighted;
    }
    EXPECT_EQ(MenuItemLetter("Wor&t"), 't');
    EXPECT_EQ(MenuItemLetter("ohne"), 0);
}

TEST_F(FrameButtonsTest, PasteFindAndTheHexToolsGoToTheirPane)
{
    CHexView* hex = view->GetHexView();
    CMarkTextView* text = view->GetTextPane();
    uint8_t* sector = doc->GetSectorBuffer();

    // Paste: into the hex view's bytes when it has the focus, never when the text pane has.
    hex->SetModeFlags(0, HVM_PROTECTED);
    ::SetFocus(text->m_hWnd);
    hex->SetCursorAddress(0x1C0, false);
    const uint8_t before[2] = {sector[0x1C0], sector[0x1C1]};
    ClipboardSetText("\"QZ\"");
    view->SendMessage(WM_COMMAND, ID_EDIT_PASTE);
    EXPECT_EQ(sector[0x1C0], before[0]);
    EXPECT_EQ(sector[0x1C1], before[1]);
    ::SetFocus(hex->m_hWnd);
    view->SendMessage(WM_COMMAND, ID_EDIT_PASTE);
    EXPECT_EQ(sector[0x1C0], 'Q');
    EXPECT_EQ(sector[0x1C1], 'Z');

    // Find next in the hex view: the value search's pattern from the cursor on.
    const char* found = static_cast<const char*>(memchr(sector, 'F', 512));
    while (found && std::memcmp(found, "FAT16", 5) != 0)
        found = static_cast<const char*>(memchr(found + 1, 'F', sector + 512 - reinterpret_cast<const uint8_t*>(found) - 1));
    ASSERT_NE(found, nullptr) << "a FAT16 boot sector names its file system";
    const int fatAt = static_cast<int>(reinterpret_cast<const uint8_t*>(found) - sector);
    ValueSearchSettings& search = GetValueSearchSettings();
    EntryLineOptions options = {InputKindOfText("\"FAT16\""), SBC_VARIABLE, false, false, false};
    char line[VS_ENTRY_LINE_SIZE];
    ASSERT_GT(BuildEntryLine("\"FAT16\"", options, line, sizeof line), 0);
    MultiTextFree(&search.pattern);
    search.pattern = MakeSinglePattern(line);
    hex->SetCursorAddress(0, false);
    view->SendMessage(WM_COMMAND, ID_FIND_NEXT);
    EXPECT_EQ(hex->GetSelection(false, nullptr), fatAt);

    // Find word in the text pane: the word under its caret, the hex cursor stays.
    ::SetFocus(text->m_hWnd);
    hex->SetCursorAddress(3, false);
    text->SelectWordAt(2, 1);
    char word[128] = {};
    text->GetText(word, sizeof word, TRF_SELECTION);
    ASSERT_GT(std::strlen(word), 0u);
    view->SendMessage(WM_COMMAND, ID_FIND_WORD);
    view->SendMessage(WM_COMMAND, ID_FIND_NEXT);
    char selected[128] = {};
    text->GetText(selected, sizeof selected, TRF_SELECTION);
    EXPECT_STREQ(selected, word);
    EXPECT_EQ(hex->GetCursorAddress(false), 3);

    // The hex tools open from either pane; go to address gives the hex view the focus first.
    struct Tool {
        UINT id;
        const char* caption;
    };
    const Tool tools[] = {
        {ID_NUMBER_CONVERTER, "Zahlen umwandeln"},
        {ID_CHECKSUM, "Checksumme"},
        {ID_GOTO_ADDRESS, "Cursor setzen"},
    };
    for (const Tool& tool : tools) {
        ::SetFocus(text->m_hWnd);
        const std::string caption = CaptionOfDialog([&] { view->SendMessage(WM_COMMAND, tool.id); });
        EXPECT_EQ(caption, tool.caption);
    }
    EXPECT_EQ(::GetFocus(), hex->m_hWnd);
    EXPECT_EQ(view->GetFocusedPane(), 0);
}
