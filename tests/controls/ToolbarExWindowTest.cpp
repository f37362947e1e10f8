// The toolbar window: its messages side by side with the system's own "ToolbarWindow32"
// (the same numbers, records and results) and, where it answers otherwise, its own answers;
// creation, painting, the mouse, embedded controls and bad input.
#include <gtest/gtest.h>

#include "tests/controls/ToolbarTestSupport.h"
#include "tests/uihelpers/DrawingSurface.h"

#include <algorithm>
#include <cstring>
#include <string>

using tbtest::Button;
using tbtest::ToolbarParent;

// The toolbar answers the common toolbar's messages under their numbers and records.
static_assert(TB_ENABLEBUTTON == 0x401 && TB_MARKBUTTON == 0x406, "state setters");
static_assert(TB_ISBUTTONENABLED == 0x409 && TB_ISBUTTONHIGHLIGHTED == 0x40E, "state queries");
static_assert(TB_GETSTATE == 0x412 && TB_ADDBITMAP == 0x413 && TB_ADDBUTTONSA == 0x414, "buttons");
static_assert(TB_INSERTBUTTONA == 0x415 && TB_DELETEBUTTON == 0x416 && TB_GETBUTTON == 0x417, "buttons");
static_assert(TB_BUTTONCOUNT == 0x418 && TB_COMMANDTOINDEX == 0x419 && TB_ADDSTRINGA == 0x41C, "buttons");
static_assert(TB_GETITEMRECT == 0x41D && TB_BUTTONSTRUCTSIZE == 0x41E && TB_SETBUTTONSIZE == 0x41F, "sizes");
static_assert(TB_SETBITMAPSIZE == 0x420 && TB_GETTOOLTIPS == 0x423 && TB_SETTOOLTIPS == 0x424, "sizes");
static_assert(TB_SETPARENT == 0x425 && TB_CHANGEBITMAP == 0x42B && TB_GETBITMAP == 0x42C, "bitmaps");
static_assert(TB_GETBUTTONTEXTA == 0x42D && TB_REPLACEBITMAP == 0x42E && TB_SETINDENT == 0x42F, "texts");
static_assert(TB_GETRECT == 0x433 && TB_GETSTYLE == 0x439 && TB_GETBUTTONSIZE == 0x43A, "geometry");
static_assert(TB_SETBUTTONWIDTH == 0x43B && TB_GETBUTTONINFOW == 0x43F && TB_SETBUTTONINFOW == 0x440, "info");
static_assert(TB_GETBUTTONINFOA == 0x441 && TB_SETBUTTONINFOA == 0x442 && TB_INSERTBUTTONW == 0x443, "info");
static_assert(TB_ADDBUTTONSW == 0x444 && TB_HITTEST == 0x445 && TB_GETBUTTONTEXTW == 0x44B, "hit test");
static_assert(TB_ADDSTRINGW == 0x44D && TB_SETINSERTMARK == 0x450 && TB_INSERTMARKHITTEST == 0x451, "marks");
static_assert(TB_GETEXTENDEDSTYLE == 0x455 && TB_GETPADDING == 0x456 && TB_SETPADDING == 0x457, "padding");
static_assert(TB_GETSTRINGW == 0x45B && TB_GETSTRINGA == 0x45C && TB_SETLISTGAP == 0x460, "strings");
static_assert(static_cast<int>(TBN_DROPDOWN) == -710, "the drop-down notification");
static_assert(sizeof(TBBUTTON) == 20 && sizeof(TBBUTTONINFOA) == 32, "the records");

namespace {

LRESULT Send(HWND w, UINT msg, WPARAM wp = 0, LPARAM lp = 0)
{
    return SendMessageW(w, msg, wp, lp);
}

// Sends the same message to both toolbars and expects the same answer.
void Both(HWND ours, HWND theirs, UINT msg, WPARAM wp, LPARAM lp, const char* what)
{
    const LRESULT a = Send(ours, msg, wp, lp);
    const LRESULT b = Send(theirs, msg, wp, lp);
    EXPECT_EQ(a, b) << what << " (message 0x" << std::hex << msg << ", wParam " << wp << ")";
}

struct TwoToolbars : ::testing::Test {
    void SetUp() override
    {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES};
        InitCommonControlsEx(&icc);
        ours = parent.Toolbar();
        theirs = parent.Toolbar(0, TOOLBARCLASSNAMEA, 101);
        ASSERT_NE(ours, nullptr);
        ASSERT_NE(theirs, nullptr);
        strips[0] = tbtest::MakeStrip(16, 3, 15);
        strips[1] = tbtest::MakeStrip(16, 2, 15);
    }
    void TearDown() override
    {
        DestroyWindow(ours);
        DestroyWindow(theirs);
        DeleteObject(strips[0]);
        DeleteObject(strips[1]);
    }
    ToolbarParent parent;
    HWND ours = nullptr;
    HWND theirs = nullptr;
    HBITMAP strips[2] = {};
};

}  // namespace

TEST_F(TwoToolbars, AnswerTheStandardMessagesAsTheSystemToolbarDoes)
{
    Both(ours, theirs, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0, "record size");
    TBADDBITMAP first = {nullptr, reinterpret_cast<UINT_PTR>(strips[0])};
    TBADDBITMAP second = {nullptr, reinterpret_cast<UINT_PTR>(strips[1])};
    Both(ours, theirs, TB_ADDBITMAP, 3, reinterpret_cast<LPARAM>(&first), "first bitmap");
    Both(ours, theirs, TB_ADDBITMAP, 2, reinterpret_cast<LPARAM>(&second), "second bitmap: after the first's 3");

    const BYTE group = BTNS_CHECKGROUP;
    const TBBUTTON records[] = {Button(0, 10), Button(1, 11, TBSTATE_ENABLED, BTNS_CHECK), tbtest::Separator(),
                                Button(2, 12, TBSTATE_ENABLED, group), Button(3, 13, TBSTATE_ENABLED, group),
                                Button(4, 14, TBSTATE_ENABLED, group)};
    Both(ours, theirs, TB_ADDBUTTONSW, 6, reinterpret_cast<LPARAM>(records), "add");
    const TBBUTTON extra = Button(1, 15);
    Both(ours, theirs, TB_INSERTBUTTONW, 1, reinterpret_cast<LPARAM>(&extra), "insert");
    Both(ours, theirs, TB_INSERTBUTTONW, 99, reinterpret_cast<LPARAM>(&extra), "insert past the end");
    Both(ours, theirs, TB_DELETEBUTTON, 7, 0, "delete the last");
    Both(ours, theirs, TB_DELETEBUTTON, 40, 0, "delete a missing one");
    Both(ours, theirs, TB_BUTTONCOUNT, 0, 0, "count");

    const int ids[] = {10, 11, 12, 13, 14, 15, 999};
    const UINT setters[] = {TB_ENABLEBUTTON, TB_CHECKBUTTON, TB_PRESSBUTTON, TB_HIDEBUTTON, TB_INDETERMINATE,
                            TB_MARKBUTTON};
    for (UINT setter : setters) {
        Both(ours, theirs, setter, 15, MAKELPARAM(TRUE, 0), "set on");
        Both(ours, theirs, setter, 999, MAKELPARAM(TRUE, 0), "set on a missing button");
        for (int id : ids)
            Both(ours, theirs, TB_GETSTATE, id, 0, "state after setting");
        Both(ours, theirs, setter, 15, MAKELPARAM(FALSE, 0), "set off");
    }
    // Check groups: checking one member lets the other go.
    Both(ours, theirs, TB_CHECKBUTTON, 12, TRUE, "check 12");
    Both(ours, theirs, TB_CHECKBUTTON, 14, TRUE, "check 14");
    for (int id : ids) {
        Both(ours, theirs, TB_GETSTATE, id, 0, "state in the group");
        // The queries answer 0 or 1 (the system's the state bit), -1 for a missing button.
        for (UINT query = TB_ISBUTTONENABLED; query <= TB_ISBUTTONHIGHLIGHTED; ++query) {
            const LRESULT a = Send(ours, query, id);
            const LRESULT b = Send(theirs, query, id);
            EXPECT_TRUE(a == 0 || a == 1 || (id == 999 && a == -1)) << a;
            EXPECT_EQ(a != 0, b != 0) << "query 0x" << std::hex << query << " of " << std::dec << id;
        }
        Both(ours, theirs, TB_COMMANDTOINDEX, id, 0, "index of a command");
        if (id != 999)
            Both(ours, theirs, TB_GETBITMAP, id, 0, "image of a command");
    }
    EXPECT_EQ(Send(ours, TB_GETBITMAP, 999), 0);   // a missing button has image 0 here
    Both(ours, theirs, TB_CHANGEBITMAP, 11, 4, "change image");
    Both(ours, theirs, TB_GETBITMAP, 11, 0, "changed image");
    Both(ours, theirs, TB_CHANGEBITMAP, 999, 4, "change a missing one");
    for (int i = 0; i < 8; ++i) {
        TBBUTTON a = {}, b = {};
        Both(ours, theirs, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&a), "get button");
        Send(theirs, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
        Send(ours, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&a));
        EXPECT_EQ(a.iBitmap, b.iBitmap) << i;
        EXPECT_EQ(a.idCommand, b.idCommand) << i;
        EXPECT_EQ(a.fsState, b.fsState) << i;
        EXPECT_EQ(a.fsStyle, b.fsStyle) << i;
        EXPECT_EQ(a.iString, b.iString) << i;
    }

    // Strings.
    const wchar_t list[] = L"eins\0zwei\0\0";
    Both(ours, theirs, TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(list), "strings");
    Both(ours, theirs, TB_ADDSTRINGA, 0, reinterpret_cast<LPARAM>("drei\0"), "one more");
    for (int s = 0; s < 4; ++s) {
        wchar_t a[16] = {}, b[16] = {};
        Both(ours, theirs, TB_GETSTRINGW, MAKEWPARAM(16, s), reinterpret_cast<LPARAM>(a), "string length");
        Send(ours, TB_GETSTRINGW, MAKEWPARAM(16, s), reinterpret_cast<LPARAM>(a));
        Send(theirs, TB_GETSTRINGW, MAKEWPARAM(16, s), reinterpret_cast<LPARAM>(b));
        EXPECT_STREQ(a, b);
    }

    // Button info by index.
    TBBUTTONINFOW set = {};
    set.cbSize = sizeof set;
    set.dwMask = TBIF_BYINDEX | TBIF_COMMAND | TBIF_IMAGE | TBIF_LPARAM | TBIF_STATE;
    set.idCommand = 77;
    set.iImage = 2;
    set.lParam = 0x5566;
    set.fsState = TBSTATE_ENABLED | TBSTATE_CHECKED;
    Both(ours, theirs, TB_SETBUTTONINFOW, 0, reinterpret_cast<LPARAM>(&set), "set info");
    TBBUTTONINFOW a = {}, b = {};
    a.cbSize = b.cbSize = sizeof a;
    a.dwMask = b.dwMask = TBIF_BYINDEX | TBIF_COMMAND | TBIF_IMAGE | TBIF_LPARAM | TBIF_STATE | TBIF_STYLE;
    Both(ours, theirs, TB_GETBUTTONINFOW, 0, reinterpret_cast<LPARAM>(&a), "get info");
    Send(ours, TB_GETBUTTONINFOW, 0, reinterpret_cast<LPARAM>(&a));
    Send(theirs, TB_GETBUTTONINFOW, 0, reinterpret_cast<LPARAM>(&b));
    EXPECT_EQ(a.idCommand, b.idCommand);
    EXPECT_EQ(a.iImage, b.iImage);
    EXPECT_EQ(a.lParam, b.lParam);
    EXPECT_EQ(a.fsState, b.fsState);
    EXPECT_EQ(a.fsStyle, b.fsStyle);
}

TEST_F(TwoToolbars, OwnAnswersWhereTheyDiffer)
{
    // The defaults, and padding that answers with the new padding.
    EXPECT_EQ(Send(ours, TB_GETBUTTONSIZE), MAKELONG(23, 22));
    EXPECT_EQ(Send(ours, TB_GETPADDING), MAKELONG(7, 7));
    EXPECT_EQ(Send(ours, TB_SETPADDING, 0, MAKELPARAM(4, 5)), MAKELONG(4, 5));
    EXPECT_EQ(Send(ours, TB_SETPADDING, 0, MAKELPARAM(1, 0)), MAKELONG(2, 2));   // at least 2
    EXPECT_EQ(Send(ours, TB_GETTOOLTIPS), 0);

    // wParam 0xFFFE adds exactly one string: what follows its zero is not read as more.
    EXPECT_EQ(Send(ours, TB_ADDSTRINGW, 0xFFFE, reinterpret_cast<LPARAM>(L"eins\0zwei\0")), 0);
    EXPECT_EQ(Send(ours, TB_ADDSTRINGA, 0xFFFE, reinterpret_cast<LPARAM>("drei\0vier\0")), 1);
    EXPECT_EQ(Send(ours, TBX_STRINGCOUNT), 2);
    wchar_t one[16] = {};
    EXPECT_EQ(Send(ours, TB_GETSTRINGW, MAKEWPARAM(16, 1), reinterpret_cast<LPARAM>(one)), 4);
    EXPECT_STREQ(one, L"drei");

    // A count of 0 or above 1023, or another HIWORD, adds nothing; 0x5003 inserts at 3.
    TBBUTTON many[1024];
    for (int i = 0; i < 1024; ++i)
        many[i] = Button(-1, i + 1);
    EXPECT_EQ(Send(ours, TB_ADDBUTTONSW, 0, reinterpret_cast<LPARAM>(many)), 0);
    EXPECT_EQ(Send(ours, TB_ADDBUTTONSW, 1024, reinterpret_cast<LPARAM>(many)), 0);
    EXPECT_EQ(Send(ours, TB_ADDBUTTONSW, MAKEWPARAM(2, 0x4000), reinterpret_cast<LPARAM>(many)), 0);
    EXPECT_EQ(Send(ours, TB_ADDBUTTONSW, 1023, reinterpret_cast<LPARAM>(many)), 1);
    EXPECT_EQ(Send(ours, TB_DELETEBUTTON, 0), 1);
    EXPECT_EQ(Send(ours, TBX_DELETERANGE, 5, 0xFFFF), 1017);
    TBBUTTON marked = Button(-1, 500);
    EXPECT_EQ(Send(ours, TB_ADDBUTTONSW, MAKEWPARAM(1, 0x5003), reinterpret_cast<LPARAM>(&marked)), 1);
    EXPECT_EQ(Send(ours, TB_COMMANDTOINDEX, 500), 3);

    // The hit test: -1 between buttons.
    TBADDBITMAP first = {nullptr, reinterpret_cast<UINT_PTR>(strips[0])};
    Send(ours, TB_ADDBITMAP, 3, reinterpret_cast<LPARAM>(&first));
    Send(ours, TBX_DELETERANGE, 0, 0xFFFF);
    const TBBUTTON two[] = {Button(0, 1), Button(1, 2)};
    Send(ours, TB_ADDBUTTONSW, 2, reinterpret_cast<LPARAM>(two));
    RECT r0 = {}, r1 = {};
    Send(ours, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r0));
    Send(ours, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r1));
    POINT between = {r1.left, (r1.top + r1.bottom) / 2};
    EXPECT_EQ(Send(ours, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&between)), -1);
    POINT inside = {(r1.left + r1.right) / 2, (r1.top + r1.bottom) / 2};
    EXPECT_EQ(Send(ours, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&inside)), 1);
    // TB_SETBUTTONSIZE: 0 means 24; negative is refused.
    EXPECT_EQ(Send(ours, TB_SETBUTTONSIZE, 0, MAKELPARAM(0, 0)), 1);
    EXPECT_EQ(Send(ours, TB_GETBUTTONSIZE), MAKELONG(24, 24));
    EXPECT_EQ(Send(ours, TB_SETBUTTONSIZE, 0, MAKELPARAM(-3, 30)), 0);
    EXPECT_EQ(Send(ours, TB_SETBUTTONSIZE, 0, MAKELPARAM(0, 0)), 1);
    EXPECT_EQ(Send(ours, TB_GETBUTTONSIZE), MAKELONG(24, 24));   // stable when asked again
}

TEST_F(TwoToolbars, MendedAnswers)
{
    const TBBUTTON three[] = {Button(-1, 1), Button(-1, 2), Button(-1, 3)};
    Send(ours, TB_ADDBUTTONSW, 3, reinterpret_cast<LPARAM>(three));
    // A missing button has no info: -1, not the first button's index 0.
    TBBUTTONINFOA info = {};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_COMMAND | TBIF_BYINDEX;
    EXPECT_EQ(Send(ours, TB_GETBUTTONINFOA, 7, reinterpret_cast<LPARAM>(&info)), -1);
    EXPECT_EQ(Send(ours, TB_GETBUTTONINFOA, TbxRefCommand(9), reinterpret_cast<LPARAM>(&info)), -1);
    info.dwMask = TBIF_COMMAND;
    EXPECT_EQ(Send(ours, TB_GETBUTTONINFOA, TbxRefCommand(3), reinterpret_cast<LPARAM>(&info)), 2);
    info.cbSize = 20;
    EXPECT_EQ(Send(ours, TB_GETBUTTONINFOA, 0, reinterpret_cast<LPARAM>(&info)), -1);

    // A record size above 20 copies the 20 stored bytes and zero-fills the rest; nothing
    // behind the record is read or written.
    Send(ours, TB_BUTTONSTRUCTSIZE, 4000);
    std::vector<BYTE> record(4000 + 16, 0xAB);
    EXPECT_EQ(Send(ours, TB_GETBUTTON, 1, reinterpret_cast<LPARAM>(record.data())), 1);
    TBBUTTON copy;
    std::memcpy(&copy, record.data(), 20);
    EXPECT_EQ(copy.idCommand, 2);
    for (size_t i = 20; i < 4000; ++i)
        ASSERT_EQ(record[i], 0) << i;
    for (size_t i = 4000; i < record.size(); ++i)
        ASSERT_EQ(record[i], 0xAB) << i;
    Send(ours, TB_BUTTONSTRUCTSIZE, 8);
    std::fill(record.begin(), record.end(), 0xAB);
    Send(ours, TB_GETBUTTON, 1, reinterpret_cast<LPARAM>(record.data()));
    EXPECT_EQ(record[8], 0xAB);

    // TB_GETSTRINGA stays inside the caller's buffer: the first size - 1 characters, the
    // zero behind them and their count, for every size up to one past the text.
    const std::string text = "Sektorlupe";
    ASSERT_EQ(Send(ours, TB_ADDSTRINGA, 0, reinterpret_cast<LPARAM>((text + '\0').c_str())), 0);
    for (int size = 1; size <= static_cast<int>(text.size()) + 2; ++size) {
        std::vector<char> buffer(static_cast<size_t>(size) + 8, 'X');
        const int kept = std::min<int>(size - 1, static_cast<int>(text.size()));
        EXPECT_EQ(Send(ours, TB_GETSTRINGA, MAKEWPARAM(size, 0), reinterpret_cast<LPARAM>(buffer.data())), kept)
            << "size " << size;
        EXPECT_EQ(std::string(buffer.data()), text.substr(0, static_cast<size_t>(kept))) << "size " << size;
        for (size_t i = static_cast<size_t>(size); i < buffer.size(); ++i)
            ASSERT_EQ(buffer[i], 'X') << "size " << size << ", byte " << i;
    }
}

TEST(ToolbarExWindow, ACreationWithoutABlockIsRefused)
{
    ToolbarParent parent;
    TbxFailAllocations(1);
    HWND w = parent.Toolbar();
    TbxFailAllocations(0);
    EXPECT_EQ(w, nullptr);   // WM_NCCREATE said no
    HWND ok = parent.Toolbar();
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(Send(ok, TB_BUTTONCOUNT), 0);
    DestroyWindow(ok);
}

TEST(ToolbarExWindow, OwnMessagesOfWidthsColoursTargetsAndScales)
{
    ToolbarParent parent;
    HWND w = parent.Toolbar();
    const TBBUTTON records[] = {Button(-1, 1), Button(-1, 2, TBSTATE_ENABLED, 0, TBXF_COLOR), Button(-1, 3)};
    Send(w, TBX_ADDBUTTONS, 3, reinterpret_cast<LPARAM>(records));
    // Fixed widths: clamped to 512; 0 back to automatic with the old width returned.
    EXPECT_EQ(Send(w, TBX_SETBUTTONWIDTH, 0, 600), 0);
    EXPECT_EQ(Send(w, TBX_SETBUTTONWIDTH, 0, 0), 512);
    EXPECT_EQ(Send(w, TBX_SETBUTTONWIDTH, 0, 40), 0);
    EXPECT_EQ(Send(w, TBX_SETBUTTONWIDTH, 1, 40), -1);   // a colour button
    EXPECT_EQ(Send(w, TBX_SETBUTTONWIDTH, 7, 40), -1);
    // Palette: index 9 refused; -1 goes back to the system colour.
    EXPECT_EQ(Send(w, TBX_PALETTE, 9, 0), -1);
    EXPECT_EQ(static_cast<COLORREF>(Send(w, TBX_PALETTE, 0, RGB(1, 2, 3))), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(static_cast<COLORREF>(Send(w, TBX_PALETTE, 0, -1)), RGB(1, 2, 3));
    EXPECT_EQ(static_cast<COLORREF>(Send(w, TBX_PALETTE, 0, -1)), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(static_cast<COLORREF>(Send(w, TBX_KEYCOLOR, 0)), 0xFF00FFu);
    EXPECT_EQ(static_cast<COLORREF>(Send(w, TBX_KEYCOLOR, 0x80000001, 0x123456)), 0x800080u);
    EXPECT_EQ(Send(w, TBX_KEYCOLOR, 2), 0);
    // Targets: 0x1234 with a low half above 2 changes nothing; the third starts as none.
    EXPECT_EQ(Send(w, TB_SETPARENT, 0x1111, 0x12340003), 0);
    EXPECT_EQ(Send(w, TB_SETPARENT, static_cast<WPARAM>(-1), 0x12340002), 0);
    EXPECT_EQ(Send(w, TB_SETPARENT, static_cast<WPARAM>(-1), 0x12340002), -1);
    EXPECT_EQ(reinterpret_cast<HWND>(Send(w, TB_SETPARENT, reinterpret_cast<WPARAM>(parent.hwnd), 0)), parent.hwnd);
    // Image scales: 0 means 100 %, -1 only reads, a bad bitmap index gives -1.
    EXPECT_EQ(Send(w, TBX_IMAGESCALE, static_cast<WPARAM>(-1), 0xFFFF), 256);
    EXPECT_EQ(Send(w, TBX_IMAGESCALE, static_cast<WPARAM>(-1), -1), 0xFFFF);
    EXPECT_EQ(Send(w, TBX_IMAGESCALE, static_cast<WPARAM>(-1), 0), 0xFFFF);
    EXPECT_EQ(Send(w, TBX_IMAGESCALE, static_cast<WPARAM>(-1), -1), 256);
    EXPECT_EQ(Send(w, TBX_IMAGESCALE, 3, 512), -1);
    // State and style words, the 0x73C3 form, and ranges.
    EXPECT_EQ(Send(w, TBX_SETSTATESTYLE, 2, 0x73C30101), TBSTATE_ENABLED << 16);
    EXPECT_EQ(Send(w, TBX_GETSTATESTYLE, 2), (TBSTATE_ENABLED | TBSTATE_CHECKED) << 16);
    Send(w, TBX_SETSTATESTYLE, 2, 0x00000101);   // the separator bit stays as it is
    EXPECT_EQ(Send(w, TBX_GETSTATESTYLE, 2) & 0xFF, 0);
    EXPECT_EQ(Send(w, TBX_SETSTYLES, MAKEWPARAM(0, 3), MAKELPARAM(BTNS_CHECKGROUP, BTNS_CHECKGROUP)), 3);
    EXPECT_EQ(Send(w, TBX_COUNTBYFLAGS, MAKEWPARAM(0, 3), MAKELPARAM(TBXF_COLOR, TBXF_COLOR)), 1);
    EXPECT_EQ(Send(w, TBX_SETSTATES, MAKEWPARAM(2, 0x1248), MAKELPARAM(0, TBSTATE_ENABLED)), 1);
    EXPECT_EQ(Send(w, TB_GETSTATE, 2) & TBSTATE_ENABLED, 0);
    UINT32 ids[5] = {};
    EXPECT_EQ(Send(w, TBX_LISTCOMMANDS, 5, reinterpret_cast<LPARAM>(ids)), 3);
    EXPECT_EQ(ids[2], 3u);
    EXPECT_EQ(Send(w, TBX_COMMANDBYINDEX, 1), 2);
    EXPECT_EQ(Send(w, TBX_COMMANDBYINDEX, 3), -1);
    // Texts of buttons through the pool; overlays on and off.
    EXPECT_EQ(Send(w, TBX_SETTEXTA, 0, reinterpret_cast<LPARAM>("Eins")), 0);
    EXPECT_EQ(Send(w, TBX_SETTEXTW, 1, reinterpret_cast<LPARAM>(L"Eins")), 0);
    EXPECT_EQ(Send(w, TBX_STRINGCOUNT), 1);
    EXPECT_EQ(Send(w, TBX_FINDSTRINGA, MAKEWPARAM(0, 5), reinterpret_cast<LPARAM>("Eins")), 0);
    EXPECT_EQ(Send(w, TBX_SETTEXTA, 0, reinterpret_cast<LPARAM>(std::string(300, 'x').c_str())), -1);
    char text[32] = {};
    EXPECT_EQ(Send(w, TB_GETBUTTONTEXTA, 2, reinterpret_cast<LPARAM>(text)), 4);
    EXPECT_STREQ(text, "Eins");
    EXPECT_EQ(Send(w, TB_GETBUTTONTEXTA, 2, 0), -1);
    ToolbarOverlayRecord overlay = {TbxRefIndex(1), 0, 0, 0x05, 9, {}};
    EXPECT_EQ(Send(w, TBX_ADDOVERLAYA, reinterpret_cast<WPARAM>(&overlay), reinterpret_cast<LPARAM>("3")), 1);
    EXPECT_EQ(Send(w, TBX_REMOVEOVERLAY, 0x12220009), 1);
    EXPECT_EQ(Send(w, TBX_REMOVEOVERLAY, 0x12220009), 0);
    DestroyWindow(w);
}

TEST(ToolbarExWindow, BitmapsAreCountedDescribedAndReplaced)
{
    ToolbarParent parent;
    HWND w = parent.Toolbar();
    HBITMAP a = tbtest::MakeStrip(16, 3, 15);
    HBITMAP b = tbtest::MakeStrip(16, 3, 15);
    HBITMAP c = tbtest::MakeStrip(20, 2, 15);
    ToolbarAddBitmapRecord record = {0, static_cast<DWORD>(reinterpret_cast<UINT_PTR>(a)),
                                     TBXBM_BYWIDTH | TBXBM_COUNTNOW | 0x20, 0, 16, 0};
    EXPECT_EQ(Send(w, TB_ADDBITMAP, 0x12340000, reinterpret_cast<LPARAM>(&record)), 0);
    EXPECT_EQ(record.count, 3);
    EXPECT_EQ(record.scale, 15);   // the height written back
    TBADDBITMAP add = {nullptr, reinterpret_cast<UINT_PTR>(c)};
    EXPECT_EQ(Send(w, TB_ADDBITMAP, 2, reinterpret_cast<LPARAM>(&add)), 3);
    ToolbarBitmapInfo info[4] = {};
    EXPECT_EQ(Send(w, TBX_DESCRIBEBITMAPS, MAKEWPARAM(0, 4), reinterpret_cast<LPARAM>(info)), 2);
    EXPECT_EQ(info[1].count, 2);
    EXPECT_EQ(info[1].width, 20);
    EXPECT_EQ(info[0].scale, 256);
    // The system's own strips name no module of this process: a failure, nothing added.
    TBADDBITMAP system = {HINST_COMMCTRL, IDB_STD_SMALL_COLOR};
    EXPECT_EQ(Send(w, TB_ADDBITMAP, 15, reinterpret_cast<LPARAM>(&system)), -1);
    EXPECT_EQ(Send(w, TBX_DESCRIBEBITMAPS, MAKEWPARAM(0, 4), reinterpret_cast<LPARAM>(info)), 2);
    // Replaced in place: the old one must be there, the new one not; all but the last keep
    // their image count.
    TBREPLACEBITMAP replace = {nullptr, reinterpret_cast<UINT_PTR>(a), nullptr, reinterpret_cast<UINT_PTR>(b), 3};
    EXPECT_EQ(Send(w, TB_REPLACEBITMAP, 0, reinterpret_cast<LPARAM>(&replace)), 1);
    EXPECT_EQ(Send(w, TB_REPLACEBITMAP, 0, reinterpret_cast<LPARAM>(&replace)), 0);
    TBREPLACEBITMAP wrongCount = {nullptr, reinterpret_cast<UINT_PTR>(b), nullptr, reinterpret_cast<UINT_PTR>(a), 2};
    EXPECT_EQ(Send(w, TB_REPLACEBITMAP, 0, reinterpret_cast<LPARAM>(&wrongCount)), 0);
    TBREPLACEBITMAP taken = {nullptr, reinterpret_cast<UINT_PTR>(b), nullptr, reinterpret_cast<UINT_PTR>(c), 3};
    EXPECT_EQ(Send(w, TB_REPLACEBITMAP, 0, reinterpret_cast<LPARAM>(&taken)), 0);
    EXPECT_EQ(Send(w, TBX_COUNTIMAGES, 0, 0), 0);
    // A bitmap resource is counted as the same bitmap added with varying widths is.
    HMODULE module = GetModuleHandleA(nullptr);
    ToolbarExBlock* table = TbxNewBlock();
    int added = 0;
    EXPECT_EQ(TbxAddBitmap(table, module, 7400, TBXBM_COUNTNOW, 0, TBXBM_VARYING_WIDTH, 256, &added, nullptr, nullptr),
              0);
    TbxFreeBlock(table);
    EXPECT_GT(added, 0);
    EXPECT_EQ(Send(w, TBX_COUNTIMAGES, 7400, reinterpret_cast<LPARAM>(module)), added);
    EXPECT_EQ(Send(w, TBX_REMOVEBITMAPS), 2);
    // Disabling the window turns its style over and keeps the look in step.
    EnableWindow(w, FALSE);
    EXPECT_TRUE(GetWindowLongA(w, GWL_STYLE) & WS_DISABLED);
    EXPECT_EQ(static_cast<ToolbarExBlock*>(GetControlBlock(w))->enabled, 0);
    DestroyWindow(w);
    DeleteObject(a);
    DeleteObject(b);
    DeleteObject(c);
}

TEST(ToolbarExWindow, PaintsEachButtonsImageOnItsBackground)
{
    ToolbarParent parent;
    HWND w = parent.Toolbar(TBSTYLE_FLAT);
    HBITMAP strip = tbtest::MakeStrip(16, 2, 16);
    TBADDBITMAP add = {nullptr, reinterpret_cast<UINT_PTR>(strip)};
    ASSERT_EQ(Send(w, TB_ADDBITMAP, 2, reinterpret_cast<LPARAM>(&add)), 0);
    const TBBUTTON two[] = {Button(0, 1), Button(1, 2, 0)};
    Send(w, TB_ADDBUTTONSW, 2, reinterpret_cast<LPARAM>(two));
    drawtest::Surface surface(600, 60);
    Send(w, WM_PAINT, reinterpret_cast<WPARAM>(surface.Dc()), 0);
    RECT r0 = {}, r1 = {};
    Send(w, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r0));
    Send(w, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r1));
    const int cx0 = (r0.left + r0.right) / 2;
    const int cx1 = (r1.left + r1.right) / 2;
    const int cy = (r0.top + r0.bottom) / 2;
    // The image's own colour in the middle of the enabled button, the strip's grey gone.
    EXPECT_EQ(surface.At(cx0 - 1, cy), RGB(0, 200, 30));
    EXPECT_NE(surface.At(r0.left + 1, r0.top + 1), RGB(192, 192, 192));
    // The disabled one is greyed: not its own colour.
    EXPECT_NE(surface.At(cx1 - 1, cy), RGB(40, 200, 30));
    DestroyWindow(w);
    DeleteObject(strip);
}

namespace {

// A toolbar with three picture buttons in a shown parent, for the mouse tests.
struct MouseToolbar {
    MouseToolbar()
    {
        ShowWindow(parent.hwnd, SW_SHOWNOACTIVATE);
        w = parent.Toolbar(TBSTYLE_FLAT);
        strip = tbtest::MakeStrip(16, 3, 16);
        TBADDBITMAP add = {nullptr, reinterpret_cast<UINT_PTR>(strip)};
        Send(w, TB_ADDBITMAP, 3, reinterpret_cast<LPARAM>(&add));
        const TBBUTTON buttons[] = {Button(0, 301), Button(1, 302), Button(2, 303, 0),
                                    Button(0, 304, TBSTATE_ENABLED, BTNS_DROPDOWN, TBXF_RIGHTCLICK)};
        // The own add keeps the own flags (the standard one clears them).
        Send(w, TBX_ADDBUTTONS, 4, reinterpret_cast<LPARAM>(buttons));
        UpdateWindow(w);
        ToolbarParent::Drain();
    }
    ~MouseToolbar()
    {
        DestroyWindow(w);
        DeleteObject(strip);
    }
    RECT Rect(int i)
    {
        RECT r = {};
        Send(w, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
        return r;
    }
    LPARAM Centre(int i)
    {
        const RECT r = Rect(i);
        return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    void Click(int i)
    {
        Send(w, WM_MOUSEMOVE, 0, Centre(i));
        Send(w, WM_LBUTTONDOWN, MK_LBUTTON, Centre(i));
        Send(w, WM_LBUTTONUP, 0, Centre(i));
    }
    // The commands waiting in the queue for the parent.
    int QueuedCommands()
    {
        int n = 0;
        MSG msg;
        while (PeekMessageA(&msg, parent.hwnd, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
            ++n;
            DispatchMessageA(&msg);
        }
        return n;
    }
    ToolbarParent parent;
    HWND w = nullptr;
    HBITMAP strip = nullptr;
};

MouseToolbar* g_mouse = nullptr;
bool g_lockFreeInHandler = false;
LRESULT g_stateInHandler = 0;

}  // namespace

TEST(ToolbarExMouse, AGreyButtonRunsNothingAnEnabledOneExactlyOnceAfterTheLock)
{
    MouseToolbar t;
    g_mouse = &t;
    t.parent.onCommand = [](ToolbarParent*, WPARAM wp, LPARAM) {
        // The handler calls back into the toolbar; its lock is free by now.
        ControlBlock* block = GetControlBlock(g_mouse->w);
        g_lockFreeInHandler = block && !block->lock.Held();
        g_stateInHandler = Send(g_mouse->w, TB_GETSTATE, LOWORD(wp));
    };
    t.Click(2);   // disabled
    EXPECT_EQ(t.QueuedCommands(), 0);
    t.Click(1);
    EXPECT_TRUE(t.parent.commands.empty());   // posted, not sent
    EXPECT_EQ(t.QueuedCommands(), 1);
    ASSERT_EQ(t.parent.commands.size(), 1u);
    EXPECT_EQ(LOWORD(t.parent.commands[0].first), 302);
    EXPECT_EQ(reinterpret_cast<HWND>(t.parent.commands[0].second), t.w);
    EXPECT_TRUE(g_lockFreeInHandler);
    EXPECT_EQ(g_stateInHandler, TBSTATE_ENABLED);
    // A grey check button is not toggled either.
    Send(t.w, TBX_SETSTATESTYLE, 2, (BTNS_CHECK << 8) | BTNS_CHECK);
    t.Click(2);
    EXPECT_EQ(Send(t.w, TB_GETSTATE, 303) & TBSTATE_CHECKED, 0);
    // A press on a grey drop-down's arrow sends nothing; on an enabled one TBN_DROPDOWN.
    const RECT r = t.Rect(3);
    const LPARAM arrow = MAKELPARAM(r.right - 4, (r.top + r.bottom) / 2);
    Send(t.w, WM_LBUTTONDOWN, MK_LBUTTON, arrow);
    EXPECT_EQ(t.parent.notifyCodes, std::vector<int>{static_cast<int>(TBN_DROPDOWN)});
    Send(t.w, WM_LBUTTONUP, 0, arrow);
    EXPECT_EQ(t.QueuedCommands(), 0);   // a release on the arrow part runs nothing
    Send(t.w, TB_ENABLEBUTTON, 304, FALSE);
    Send(t.w, WM_MOUSEMOVE, 0, MAKELPARAM(0, 0));
    Send(t.w, WM_LBUTTONDOWN, MK_LBUTTON, arrow);
    EXPECT_EQ(t.parent.notifyCodes.size(), 1u);
    g_mouse = nullptr;
}

TEST(ToolbarExMouse, AReleaseRunsButtonsAndLabelCellsButNotControlCells)
{
    struct Case { WORD own; int commands; } cases[] = {
        { 0, 1 }, { TBXF_LABEL, 1 }, { TBXF_LABEL2, 1 }, { TBXF_CONTROL, 0 },
    };
    for (const Case& c : cases) {
        MouseToolbar t;
        const RECT before = t.Rect(1);
        Send(t.w, TBX_SETOWNFLAGS, TbxRefIndex(1), MAKELPARAM(c.own, 0xC000 | TBXF_CONTROL));
        // The click lands where the button was, which it still covers.
        const RECT after = t.Rect(1);
        RECT both = {};
        ASSERT_TRUE(IntersectRect(&both, &before, &after)) << c.own;
        POINT point = { (both.left + both.right) / 2, (both.top + both.bottom) / 2 };
        ASSERT_EQ(Send(t.w, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&point)), 1) << c.own;
        const LPARAM at = MAKELPARAM(point.x, point.y);
        Send(t.w, WM_MOUSEMOVE, 0, at);
        Send(t.w, WM_LBUTTONDOWN, MK_LBUTTON, at);
        Send(t.w, WM_LBUTTONUP, 0, at);
        ASSERT_EQ(t.QueuedCommands(), c.commands) << c.own;
        if (c.commands) {
            EXPECT_EQ(LOWORD(t.parent.commands.back().first), 302) << c.own;
        }
    }
}

TEST(ToolbarExMouse, MovingToTheNextButtonRepaintsExactlyTheTwo)
{
    MouseToolbar t;
    Send(t.w, WM_MOUSEMOVE, 0, t.Centre(0));
    ValidateRect(t.w, nullptr);
    Send(t.w, WM_MOUSEMOVE, 0, t.Centre(1));
    HRGN update = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetUpdateRgn(t.w, update, FALSE), ERROR);
    const RECT a = t.Rect(0);
    const RECT b = t.Rect(1);
    HRGN both = CreateRectRgn(a.left, a.top, a.right, a.bottom);
    HRGN second = CreateRectRgn(b.left, b.top, b.right, b.bottom);
    CombineRgn(both, both, second, RGN_OR);
    EXPECT_TRUE(EqualRgn(update, both));
    // Moving within the button changes nothing.
    ValidateRect(t.w, nullptr);
    Send(t.w, WM_MOUSEMOVE, 0, t.Centre(1) + 1);
    RECT none = {};
    EXPECT_FALSE(GetUpdateRect(t.w, &none, FALSE));
    DeleteObject(update);
    DeleteObject(both);
    DeleteObject(second);
}

TEST(ToolbarExMouse, ARightReleaseOverEmptySpaceReachesTheParentAsAContextMenu)
{
    MouseToolbar t;
    const RECT last = t.Rect(3);
    Send(t.w, WM_RBUTTONUP, 0, MAKELPARAM(last.right + 40, 5));
    EXPECT_EQ(t.parent.contextMenus, 1);
    Send(t.w, WM_RBUTTONUP, 0, t.Centre(0));
    EXPECT_EQ(t.parent.contextMenus, 1);
    // Over a button with the right-click flag: its command id + 1 is posted.
    Send(t.w, WM_RBUTTONUP, 0, MAKELPARAM(last.left + 6, (last.top + last.bottom) / 2));
    EXPECT_EQ(t.QueuedCommands(), 1);
    ASSERT_FALSE(t.parent.commands.empty());
    EXPECT_EQ(LOWORD(t.parent.commands.back().first), 305);
    EXPECT_EQ(t.parent.contextMenus, 1);
}

TEST(ToolbarExWindow, EmbeddedControlsSitInTheirCellsAndTheirCommandsAreForwarded)
{
    ToolbarParent parent;
    ToolbarParent second;
    HWND w = parent.Toolbar();
    HWND combo = CreateWindowExA(0, "ComboBox", nullptr, WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 120, 200, w,
                                 reinterpret_cast<HMENU>(900), GetModuleHandleA(nullptr), nullptr);
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("a"));
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("b"));
    SendMessageA(combo, CB_SETITEMDATA, 1, 4711);
    SendMessageA(combo, CB_SETCURSEL, 1, 0);
    const TBBUTTON cells[] = {Button(-1, 1), Button(-1, 2)};
    Send(w, TB_ADDBUTTONSW, 2, reinterpret_cast<LPARAM>(cells));
    EXPECT_EQ(Send(w, TBX_SETOWNFLAGS, 1, MAKELPARAM(TBXF_CONTROL, TBXF_CONTROL)), 0);
    Send(w, TBX_SETDATA, 1, reinterpret_cast<LPARAM>(combo));
    EXPECT_EQ(Send(w, TBX_FINDCONTROL, 0, reinterpret_cast<LPARAM>(combo)), 1);
    Send(w, TBX_IDEALSIZE);
    EXPECT_TRUE(IsWindowVisible(combo) || (GetWindowLongA(combo, GWL_STYLE) & WS_VISIBLE));
    RECT cell = {}, placed = {};
    Send(w, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&cell));
    GetWindowRect(combo, &placed);
    MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_GE(placed.left, cell.left);
    EXPECT_LE(placed.right, cell.right);
    // The second target gets the command and, for a selection change, the item's data.
    Send(w, TB_SETPARENT, reinterpret_cast<WPARAM>(second.hwnd), 0x12340001);
    Send(w, WM_COMMAND, MAKEWPARAM(900, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    ToolbarParent::Drain();
    ASSERT_EQ(second.commands.size(), 2u);
    EXPECT_EQ(second.commands[0].first, MAKEWPARAM(900, CBN_SELCHANGE));
    EXPECT_EQ(second.commands[1].first, 4711u);
    EXPECT_TRUE(parent.commands.empty());
    // The focus tells the parent.
    SendMessageA(w, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(parent.notifyCodes, std::vector<int>{static_cast<int>(NM_SETFOCUS)});
    // Deleting the cell hides its control.
    Send(w, TB_DELETEBUTTON, 1);
    EXPECT_FALSE(GetWindowLongA(combo, GWL_STYLE) & WS_VISIBLE);
    DestroyWindow(w);
}

TEST(ToolbarExWindow, AForwardToTheToolbarItselfIsDropped)
{
    struct Case {
        LPARAM slot;   // which target is the toolbar itself
        bool notify;
    } cases[] = {{0x12340001, false}, {0x12340002, false}, {0x12340001, true}, {0x12340002, true}};
    for (const Case& c : cases) {
        ToolbarParent parent;
        HWND w = parent.Toolbar();
        HWND edit = CreateWindowExA(0, "Edit", nullptr, WS_CHILD, 0, 0, 60, 20, w, reinterpret_cast<HMENU>(901),
                                    GetModuleHandleA(nullptr), nullptr);
        const TBBUTTON cell = Button(-1, 1);
        Send(w, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&cell));
        Send(w, TBX_SETOWNFLAGS, 0, MAKELPARAM(TBXF_CONTROL, TBXF_CONTROL));
        Send(w, TBX_SETDATA, 0, reinterpret_cast<LPARAM>(edit));
        Send(w, TB_SETPARENT, reinterpret_cast<WPARAM>(w), c.slot);
        if (c.notify) {
            NMHDR header = {edit, 901, static_cast<UINT>(NM_CLICK)};
            Send(w, WM_NOTIFY, 901, reinterpret_cast<LPARAM>(&header));
        } else {
            Send(w, WM_COMMAND, MAKEWPARAM(901, EN_CHANGE), reinterpret_cast<LPARAM>(edit));
        }
        // A forward to itself would come back without end: a bounded pump finds none waiting.
        MSG msg;
        int echoes = 0;
        while (echoes < 50 && PeekMessageA(&msg, w, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
            ++echoes;
            DispatchMessageA(&msg);
        }
        EXPECT_EQ(echoes, 0) << std::hex << c.slot << " " << c.notify;
        DestroyWindow(w);
    }
}

namespace {

bool SameRect(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

// A shown flat toolbar with one 16 x 16 picture as its bitmap; the caller deletes `strip`.
HWND FlatToolbarWithPicture(ToolbarParent& parent, HBITMAP* strip)
{
    ShowWindow(parent.hwnd, SW_SHOWNOACTIVATE);
    HWND w = parent.Toolbar(TBSTYLE_FLAT);
    *strip = tbtest::MakeStrip(16, 1, 16);
    TBADDBITMAP add = {nullptr, reinterpret_cast<UINT_PTR>(*strip)};
    Send(w, TB_ADDBITMAP, 1, reinterpret_cast<LPARAM>(&add));
    return w;
}

void ItemRects(HWND w, RECT (&rects)[4])
{
    for (int i = 0; i < 4; ++i)
        Send(w, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rects[i]));
}

// Paints what waits, reads the four buttons' places and leaves nothing to repaint.
void Settle(HWND w, RECT (&rects)[4])
{
    UpdateWindow(w);
    ToolbarParent::Drain();
    ItemRects(w, rects);
    ValidateRect(w, nullptr);
}

// What a layout of four buttons should repaint: the old and new places of the buttons that
// moved and the new places of those whose look changed (bit i of `looks`), within the client
// area. The caller deletes it.
HRGN ChangedRegion(HWND w, const RECT (&before)[4], const RECT (&after)[4], unsigned looks)
{
    HRGN expected = CreateRectRgn(0, 0, 0, 0);
    for (int i = 0; i < 4; ++i) {
        const bool moved = !SameRect(before[i], after[i]);
        for (const RECT* r : {&before[i], &after[i]}) {
            if ((moved || (((looks >> i) & 1u) && r == &after[i])) && !IsRectEmpty(r)) {
                HRGN part = CreateRectRgnIndirect(r);
                CombineRgn(expected, expected, part, RGN_OR);
                DeleteObject(part);
            }
        }
    }
    RECT client = {};
    GetClientRect(w, &client);
    HRGN window = CreateRectRgnIndirect(&client);
    CombineRgn(expected, expected, window, RGN_AND);
    DeleteObject(window);
    return expected;
}

}  // namespace

TEST(ToolbarExLayout, ALayoutRepaintsOnlyTheButtonsWhoseLookChanged)
{
    // Each change leaves the toolbar to find out in its next layout what it moved; the
    // expected region is made from the rectangles read before and after.
    struct Case {
        const char* what;
        void (*change)(HWND w, ToolbarExBlock* block);
        int rebuilt;          // the button whose look was marked for rebuild, -1
        bool still = false;   // nothing moves, nothing is repainted
        int markAfter = -1;   // an insert mark after this button, -1 none
    };
    const Case cases[] = {
        {"a middle button hides",
         [](HWND, ToolbarExBlock* block) {
             block->buttons[1]->state |= TBSTATE_HIDDEN;
             block->dirty |= TBXD_LAYOUT;
         },
         -1},
        {"the third button's picture grows",
         [](HWND, ToolbarExBlock* block) {
             block->bitmaps[1].scale = 512;
             block->dirty |= TBXD_SIZES | TBXD_LAYOUT;
         },
         -1},
        {"a middle button wraps",
         [](HWND, ToolbarExBlock* block) {
             block->buttons[2]->state |= TBSTATE_WRAP;
             block->dirty |= TBXD_LAYOUT;
         },
         -1},
        {"the last button hides",
         [](HWND, ToolbarExBlock* block) {
             block->buttons[3]->state |= TBSTATE_HIDDEN;
             block->dirty |= TBXD_LAYOUT;
         },
         -1},
        {"one button's look is rebuilt in place",
         [](HWND, ToolbarExBlock* block) {
             block->buttons[2]->paint |= TBXP_REBUILD;
             block->dirty |= TBXD_LAYOUT;
         },
         2},
        {"a fit that is not kept", [](HWND w, ToolbarExBlock*) { Send(w, TBX_FIT, 40, 0); }, -1, true, 2},
        {"a kept fit to a narrower width", [](HWND w, ToolbarExBlock*) { Send(w, TBX_FIT, 60, TBXFIT_KEEP); }, -1},
    };
    for (const Case& c : cases) {
        ToolbarParent parent;
        ShowWindow(parent.hwnd, SW_SHOWNOACTIVATE);
        HWND w = parent.Toolbar(TBSTYLE_FLAT);
        HBITMAP first = tbtest::MakeStrip(16, 1, 40);   // tall enough for the doubled picture
        HBITMAP second = tbtest::MakeStrip(16, 1, 16);
        TBADDBITMAP add1 = {nullptr, reinterpret_cast<UINT_PTR>(first)};
        TBADDBITMAP add2 = {nullptr, reinterpret_cast<UINT_PTR>(second)};
        Send(w, TB_ADDBITMAP, 1, reinterpret_cast<LPARAM>(&add1));
        Send(w, TB_ADDBITMAP, 1, reinterpret_cast<LPARAM>(&add2));
        const TBBUTTON buttons[] = {Button(0, 1), Button(0, 2), Button(1, 3), Button(0, 4)};
        Send(w, TB_ADDBUTTONSW, 4, reinterpret_cast<LPARAM>(buttons));
        if (c.markAfter >= 0) {
            TBINSERTMARK mark = {c.markAfter, TBIMHT_AFTER};
            Send(w, TB_SETINSERTMARK, 0, reinterpret_cast<LPARAM>(&mark));
        }
        RECT before[4], after[4];
        Settle(w, before);
        c.change(w, static_cast<ToolbarExBlock*>(GetControlBlock(w)));
        ItemRects(w, after);
        bool anyMoved = false;
        for (int i = 0; i < 4; ++i)
            anyMoved = anyMoved || !SameRect(before[i], after[i]);
        EXPECT_EQ(anyMoved || c.rebuilt >= 0, !c.still) << c.what;
        HRGN expected = ChangedRegion(w, before, after, c.rebuilt >= 0 ? 1u << c.rebuilt : 0u);
        HRGN update = CreateRectRgn(0, 0, 0, 0);
        ASSERT_NE(GetUpdateRgn(w, update, FALSE), ERROR) << c.what;
        EXPECT_TRUE(EqualRgn(update, expected)) << c.what;
        // The first button keeps its place and look in every case: it is left alone.
        EXPECT_TRUE(SameRect(before[0], after[0])) << c.what;
        EXPECT_FALSE(RectInRegion(update, &after[0])) << c.what;
        DeleteObject(update);
        DeleteObject(expected);
        DestroyWindow(w);
        DeleteObject(first);
        DeleteObject(second);
    }
}

TEST(ToolbarExLayout, MessagesThatLayOutAgainRepaintOnlyTheButtonsTheyChanged)
{
    // Each message runs its layout at once; the window's update region afterwards is the old
    // and new places of the buttons that moved and the places of those whose look changed,
    // made from the rectangles read before and after, never the whole window.
    struct Case {
        const char* what;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        unsigned looks;   // bit i: button i shows a new look where it is
    };
    const BYTE wrap = TBSTATE_WRAP;
    const Case cases[] = {
        {"own flags", TBX_SETOWNFLAGS, TbxRefIndex(2), MAKELPARAM(TBXF_FLAT, TBXF_FLAT), 1u << 2},
        {"a text", TBX_SETTEXTW, TbxRefIndex(1), reinterpret_cast<LPARAM>(L"Sektor"), 1u << 1},
        {"a fixed width", TBX_SETBUTTONWIDTH, TbxRefIndex(1), 60, 1u << 1},
        {"a string index", TBX_SETSTRINGINDEX, TbxRefIndex(3), 0, 1u << 3},
        {"the image size", TB_SETBITMAPSIZE, 0, MAKELPARAM(16, 48), 0},
        {"a style", TBX_SETSTATESTYLE, TbxRefIndex(2), MAKELPARAM(MAKEWORD(BTNS_DROPDOWN, BTNS_DROPDOWN), 0), 1u << 2},
        {"hiding", TB_HIDEBUTTON, 2, TRUE, 0},
        {"a wrap", TBX_SETSTATESTYLE, TbxRefIndex(2), MAKELPARAM(0, MAKEWORD(wrap, wrap)), 1u << 2},
        {"styles over a range", TBX_SETSTYLES, MAKEWPARAM(2, 4), MAKELPARAM(BTNS_DROPDOWN, BTNS_DROPDOWN),
         (1u << 2) | (1u << 3)},
        {"states over a range", TBX_SETSTATES, MAKEWPARAM(1, 2), MAKELPARAM(0, TBSTATE_ENABLED), 1u << 1},
        {"the indent", TB_SETINDENT, 10, 0, 0},
        {"a relayout that changes nothing", TBX_RELAYOUT, TBXD_LAYOUT, 0, 0},
        {"a relayout that rebuilds", TBX_RELAYOUT, TBXD_REBUILD, 0, 0xF},
    };
    for (const Case& c : cases) {
        ToolbarParent parent;
        HBITMAP strip = nullptr;
        HWND w = FlatToolbarWithPicture(parent, &strip);
        Send(w, TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(L"eins\0"));
        const TBBUTTON buttons[] = {Button(0, 1), Button(0, 2), Button(0, 3), Button(0, 4)};
        Send(w, TB_ADDBUTTONSW, 4, reinterpret_cast<LPARAM>(buttons));
        RECT before[4], after[4];
        Settle(w, before);
        Send(w, c.message, c.wParam, c.lParam);
        // The update region is taken before anything else could lay the toolbar out.
        HRGN update = CreateRectRgn(0, 0, 0, 0);
        ASSERT_NE(GetUpdateRgn(w, update, FALSE), ERROR) << c.what;
        ItemRects(w, after);
        HRGN expected = ChangedRegion(w, before, after, c.looks);
        RECT client = {};
        GetClientRect(w, &client);
        HRGN window = CreateRectRgnIndirect(&client);
        EXPECT_FALSE(EqualRgn(expected, window)) << c.what << ": the case must leave a part alone";
        RECT box = {};
        const bool changesNothing = c.message == TBX_RELAYOUT && c.looks == 0;
        EXPECT_EQ(GetRgnBox(expected, &box) == NULLREGION, changesNothing) << c.what;
        EXPECT_TRUE(EqualRgn(update, expected)) << c.what;
        DeleteObject(window);
        DeleteObject(update);
        DeleteObject(expected);
        DestroyWindow(w);
        DeleteObject(strip);
    }
}

TEST(ToolbarExPaint, HotAndHotPressedButtonsShowTheHighlightColour)
{
    // A pixel of the frame's inside, left of the picture, painted with the highlight colour
    // red and then blue: the hot looks follow it, the normal look does not. The cell's
    // margin shows the look's background: the checked one for a pressed look.
    struct Case {
        const char* what;
        bool over;
        WPARAM keys;
        bool highlighted;
        int marginPalette;
    };
    const Case cases[] = {
        {"normal", false, 0, false, 0},
        {"hot", true, 0, true, 0},
        {"hot pressed", true, MK_LBUTTON, true, 3},
    };
    const COLORREF face = RGB(10, 20, 30);
    const COLORREF checkedFace = RGB(200, 210, 220);
    for (const Case& c : cases) {
        ToolbarParent parent;
        HBITMAP strip = nullptr;
        HWND w = FlatToolbarWithPicture(parent, &strip);
        const TBBUTTON one[] = {Button(0, 1)};
        Send(w, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(one));
        Send(w, TB_SETPADDING, 0, MAKELPARAM(24, 24));   // room beside the picture
        Send(w, TBX_PALETTE, 0, static_cast<LPARAM>(face));
        Send(w, TBX_PALETTE, 3, static_cast<LPARAM>(checkedFace));
        ToolbarExBlock* block = static_cast<ToolbarExBlock*>(GetControlBlock(w));
        ASSERT_TRUE(block->deepScreen) << "the highlight is drawn on screens of more than 8 bits";
        RECT r = {};
        Send(w, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
        const LPARAM centre = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        Send(w, WM_MOUSEMOVE, c.keys, c.over ? centre : MAKELPARAM(r.right + 50, 5));
        const RECT inner = TbxInnerRect(block, block->buttons[0]);
        const int x = inner.left + 6;
        const int y = (inner.top + inner.bottom) / 2;
        COLORREF seen[2] = {};
        const COLORREF highlight[2] = {RGB(255, 0, 0), RGB(0, 0, 255)};
        for (int k = 0; k < 2; ++k) {
            Send(w, TBX_PALETTE, 4, static_cast<LPARAM>(highlight[k]));
            drawtest::Surface surface(600, 60);
            Send(w, WM_PAINT, reinterpret_cast<WPARAM>(surface.Dc()), 0);
            seen[k] = surface.At(x, y);
            EXPECT_EQ(surface.At(r.left, y), c.marginPalette == 3 ? checkedFace : face) << c.what;
        }
        if (c.highlighted) {
            EXPECT_GT(GetRValue(seen[0]), GetBValue(seen[0])) << c.what;
            EXPECT_GT(GetBValue(seen[1]), GetRValue(seen[1])) << c.what;
        } else {
            EXPECT_EQ(seen[0], seen[1]) << c.what;
        }
        DestroyWindow(w);
        DeleteObject(strip);
    }
}

TEST(ToolbarExMouse, DropDownsAndRightReleasesFollowFlagsStateAndPlace)
{
    // Buttons: 0 a drop-down issuing right-button commands, 1 the same greyed, 2 a drop-down
    // without that flag, 3 a plain button issuing right-button commands.
    struct Case {
        const char* what;
        UINT message;
        int button;
        bool onArrow;
        int dropDowns;   // TBN_DROPDOWN sent
        int commands;    // WM_COMMAND posted (command id + 1 for a right release)
        int contextMenus;
        bool destroyOnDropDown = false;   // the parent destroys the toolbar from TBN_DROPDOWN
    };
    const Case cases[] = {
        {"press on the arrow", WM_LBUTTONDOWN, 0, true, 1, 0, 0},
        {"double click on the arrow", WM_LBUTTONDBLCLK, 0, true, 1, 0, 0},
        {"press on the main part", WM_LBUTTONDOWN, 0, false, 0, 0, 0},
        {"press on a grey arrow", WM_LBUTTONDOWN, 1, true, 0, 0, 0},
        {"press on an arrow without the flag", WM_LBUTTONDOWN, 2, true, 0, 0, 0},
        {"right release on the main part", WM_RBUTTONUP, 0, false, 0, 1, 0},
        {"right release on the arrow", WM_RBUTTONUP, 0, true, 0, 0, 0},
        {"right release on a grey button", WM_RBUTTONUP, 1, false, 0, 0, 0},
        {"right release without the flag", WM_RBUTTONUP, 2, false, 0, 0, 0},
        {"right release on a plain flagged button", WM_RBUTTONUP, 3, false, 0, 1, 0},
        {"press on the arrow, the parent destroying the toolbar", WM_LBUTTONDOWN, 0, true, 1, 0, 0, true},
    };
    for (const Case& c : cases) {
        ToolbarParent parent;
        HBITMAP strip = nullptr;
        HWND w = FlatToolbarWithPicture(parent, &strip);
        const TBBUTTON buttons[] = {Button(0, 10, TBSTATE_ENABLED, BTNS_DROPDOWN, TBXF_RIGHTCLICK),
                                    Button(0, 20, 0, BTNS_DROPDOWN, TBXF_RIGHTCLICK),
                                    Button(0, 30, TBSTATE_ENABLED, BTNS_DROPDOWN),
                                    Button(0, 40, TBSTATE_ENABLED, BTNS_BUTTON, TBXF_RIGHTCLICK)};
        Send(w, TBX_ADDBUTTONS, 4, reinterpret_cast<LPARAM>(buttons));
        ToolbarExBlock* block = static_cast<ToolbarExBlock*>(GetControlBlock(w));
        RECT r = {};
        Send(w, TB_GETITEMRECT, c.button, reinterpret_cast<LPARAM>(&r));
        const RECT inner = TbxInnerRect(block, block->buttons[c.button]);
        const int arrow = block->buttons[c.button]->packedWidth >> 10;
        const int x = c.onArrow ? inner.right - arrow / 2 - 1 : inner.left + 3;
        const LPARAM at = MAKELPARAM(x, (inner.top + inner.bottom) / 2);
        POINT probe = {x, (inner.top + inner.bottom) / 2};
        const LRESULT hit = Send(w, TB_HITTEST, 0x12345678, reinterpret_cast<LPARAM>(&probe));
        ASSERT_EQ(hit & 0xFFFF, c.button) << c.what;
        ASSERT_EQ((hit & 0x40000000) != 0, c.onArrow) << c.what;
        const WPARAM keys = c.message == WM_RBUTTONUP ? 0 : MK_LBUTTON;
        if (c.destroyOnDropDown) {
            parent.onNotify = [](ToolbarParent*, NMHDR* header) {
                if (header->code == static_cast<UINT>(TBN_DROPDOWN))
                    DestroyWindow(header->hwndFrom);
            };
        }
        Send(w, c.message, keys, at);
        parent.onNotify = nullptr;
        EXPECT_EQ(IsWindow(w) == FALSE, c.destroyOnDropDown) << c.what;
        int posted = 0;
        MSG msg;
        while (PeekMessageA(&msg, parent.hwnd, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
            ++posted;
            EXPECT_EQ(LOWORD(msg.wParam), (c.button + 1) * 10 + 1) << c.what;
        }
        ToolbarParent::Drain();
        EXPECT_EQ(std::count(parent.notifyCodes.begin(), parent.notifyCodes.end(), static_cast<int>(TBN_DROPDOWN)),
                  c.dropDowns)
            << c.what;
        EXPECT_EQ(posted, c.commands) << c.what;
        EXPECT_EQ(parent.contextMenus, c.contextMenus) << c.what;
        DestroyWindow(w);
        DeleteObject(strip);
    }
}

TEST(ToolbarExPaint, AButtonWhoseRowChangesHeightIsDrawnForItsNewCell)
{
    // A small button beside a tall one: the row shrinks when the tall one hides and grows
    // when it shows again; the small one's picture stays in the middle of its cell.
    struct Case {
        const char* what;
        bool tallShownFirst;
    };
    const Case cases[] = {{"the row shrinks", true}, {"the row grows", false}};
    for (const Case& c : cases) {
        ToolbarParent parent;
        HWND w = parent.Toolbar(TBSTYLE_FLAT);
        HBITMAP tall = tbtest::MakeStrip(16, 1, 40);
        HBITMAP small = tbtest::MakeStrip(16, 1, 16);
        TBADDBITMAP add1 = {nullptr, reinterpret_cast<UINT_PTR>(tall)};
        TBADDBITMAP add2 = {nullptr, reinterpret_cast<UINT_PTR>(small)};
        Send(w, TB_ADDBITMAP, 1, reinterpret_cast<LPARAM>(&add1));
        Send(w, TB_ADDBITMAP, 1, reinterpret_cast<LPARAM>(&add2));
        const TBBUTTON two[] = {Button(0, 1, c.tallShownFirst ? TBSTATE_ENABLED : TBSTATE_ENABLED | TBSTATE_HIDDEN),
                                Button(1, 2)};
        Send(w, TB_ADDBUTTONSW, 2, reinterpret_cast<LPARAM>(two));
        RECT before = {}, after = {};
        for (int pass = 0; pass < 2; ++pass) {
            drawtest::Surface surface(600, 60);
            Send(w, WM_PAINT, reinterpret_cast<WPARAM>(surface.Dc()), 0);
            RECT& r = pass == 0 ? before : after;
            Send(w, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
            EXPECT_EQ(surface.At((r.left + r.right) / 2 - 1, (r.top + r.bottom) / 2), RGB(0, 200, 30))
                << c.what << ", pass " << pass;
            Send(w, TB_HIDEBUTTON, 1, MAKELPARAM(c.tallShownFirst, 0));
        }
        EXPECT_NE(before.bottom - before.top, after.bottom - after.top) << c.what;
        DestroyWindow(w);
        DeleteObject(tall);
        DeleteObject(small);
    }
}

TEST(ToolbarExWindow, EnablingAndDisablingKeepsTheToolbarShownWithItsOwnStyle)
{
    // The toolbar was made visible; its own style bits are the flat one and the list one.
    // A step enables or disables the window, or sends WM_ENABLE alone (`direct`), which the
    // toolbar answers by writing the style that goes with it.
    struct Step {
        BOOL enable;
        bool direct;
    };
    const Step steps[] = {{FALSE, false}, {TRUE, false}, {FALSE, false}, {FALSE, false}, {TRUE, false},
                          {TRUE, false},  {TRUE, true},  {FALSE, true},  {FALSE, true},  {TRUE, true}};
    ToolbarParent parent;
    ShowWindow(parent.hwnd, SW_SHOWNOACTIVATE);
    HWND w = parent.Toolbar(TBSTYLE_FLAT | TBSTYLE_LIST);
    ASSERT_NE(w, nullptr);
    const DWORD created = static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE));
    ASSERT_TRUE(created & WS_VISIBLE);
    ASSERT_TRUE(IsWindowVisible(w));
    ToolbarExBlock* block = static_cast<ToolbarExBlock*>(GetControlBlock(w));
    int n = 0;
    for (const Step& s : steps) {
        if (s.direct)
            SendMessageA(w, WM_ENABLE, s.enable, 0);
        else
            EnableWindow(w, s.enable);
        const DWORD now = static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE));
        EXPECT_TRUE(IsWindowVisible(w)) << "step " << n;
        EXPECT_EQ(now & ~WS_DISABLED, created & ~WS_DISABLED) << "step " << n;
        EXPECT_EQ((now & WS_DISABLED) != 0, !s.enable) << "step " << n;
        EXPECT_EQ(IsWindowEnabled(w) != FALSE, s.enable != FALSE) << "step " << n;
        EXPECT_EQ(block->enabled != 0, s.enable != FALSE) << "step " << n;
        EXPECT_EQ(Send(w, TB_GETSTYLE) & 0xFFFF, static_cast<LRESULT>(created & 0xFFFF)) << "step " << n;
        ++n;
    }
    DestroyWindow(w);
}

namespace {

// A 24-bit strip of `count` images of varying widths for the separator scan: the first stored
// (bottom) row holds the key colour in the first column and after each image, the images'
// own colour elsewhere. Image k is 8 + 4k pixels wide. The caller deletes it.
HBITMAP MakeVaryingStrip(int count, int height, int* width)
{
    int total = 1;
    for (int k = 0; k < count; ++k)
        total += 8 + 4 * k + 1;
    *width = total;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = total;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    BYTE* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    const int stride = (total * 3 + 3) / 4 * 4;
    std::memset(bits, 0x80, static_cast<size_t>(stride) * height);   // the key grey everywhere
    int x = 1;
    for (int k = 0; k < count; ++k) {
        for (int i = 0; i < 8 + 4 * k; ++i, ++x) {
            for (int row = 0; row < height; ++row) {
                BYTE* p = bits + row * stride + x * 3;
                p[0] = 30;
                p[1] = 200;
                p[2] = static_cast<BYTE>(40 * k);
            }
        }
        ++x;   // the separator column keeps the key
    }
    return bitmap;
}

}  // namespace

TEST(ToolbarExWindow, ABitmapAddedAgainTellsItsCountWidthAndHeightAsTheFirstTime)
{
    // Flags 0x08, 0x10 and 0x20 ask for the count, the image width and the height back.
    struct Case {
        const char* what;
        bool varying;
        int count;    // images made
        int height;
    };
    const Case cases[] = {
        {"images of one width", false, 3, 15},
        {"images of varying widths", true, 4, 12},
    };
    for (const Case& c : cases) {
        ToolbarParent parent;
        HWND w = parent.Toolbar();
        int bitmapWidth = 0;
        HBITMAP strip = c.varying ? MakeVaryingStrip(c.count, c.height, &bitmapWidth)
                                  : tbtest::MakeStrip(16, c.count, c.height);
        const WORD askBack = TBXBM_COUNTNOW | 0x10 | 0x20;
        const WORD width = static_cast<WORD>(c.varying ? TBXBM_VARYING_WIDTH : 16);
        const WORD flags = static_cast<WORD>(askBack | (c.varying ? 0 : TBXBM_BYWIDTH));
        const int expectedCount = c.count;
        int firstIndex = -2;
        for (int round = 0; round < 2; ++round) {
            ToolbarAddBitmapRecord record = {0, static_cast<DWORD>(reinterpret_cast<UINT_PTR>(strip)), flags, 0, width,
                                             0};
            const LRESULT first = Send(w, TB_ADDBITMAP, 0x12340000, reinterpret_cast<LPARAM>(&record));
            if (round == 0)
                firstIndex = static_cast<int>(first);
            EXPECT_EQ(first, 0) << c.what << ", round " << round;
            EXPECT_EQ(record.count, expectedCount) << c.what << ", round " << round;
            EXPECT_EQ(record.width, width) << c.what << ", round " << round;
            EXPECT_EQ(record.scale, c.height) << c.what << ", round " << round;   // the height written back
        }
        EXPECT_EQ(firstIndex, 0) << c.what;
        ToolbarBitmapInfo info[2] = {};
        EXPECT_EQ(Send(w, TBX_DESCRIBEBITMAPS, MAKEWPARAM(0, 2), reinterpret_cast<LPARAM>(info)), 1) << c.what;
        DestroyWindow(w);
        DeleteObject(strip);
    }
}

TEST(ToolbarExWindow, AHiddenControlCellHidesItsControlAndShowsItAgain)
{
    // Each way of hiding the cell, then of showing it again.
    struct Case {
        const char* what;
        UINT message;
        WPARAM wParam;
        LPARAM hide;
        LPARAM show;
    };
    const BYTE hidden = TBSTATE_HIDDEN;
    const Case cases[] = {
        {"TB_HIDEBUTTON", TB_HIDEBUTTON, 2, TRUE, FALSE},
        {"state and style", TBX_SETSTATESTYLE, TbxRefIndex(1), MAKELPARAM(0, MAKEWORD(hidden, hidden)),
         MAKELPARAM(0, MAKEWORD(0, hidden))},
        {"states over a range", TBX_SETSTATES, MAKEWPARAM(1, 2), MAKELPARAM(hidden, hidden), MAKELPARAM(0, hidden)},
        {"states by command", TBX_SETSTATES, MAKEWPARAM(2, 0x1248), MAKELPARAM(hidden, hidden),
         MAKELPARAM(0, hidden)},
    };
    for (const Case& c : cases) {
        ToolbarParent parent;
        ShowWindow(parent.hwnd, SW_SHOWNOACTIVATE);
        HWND w = parent.Toolbar();
        HWND edit = CreateWindowExA(0, "Edit", nullptr, WS_CHILD | WS_BORDER, 0, 0, 80, 20, w,
                                    reinterpret_cast<HMENU>(901), GetModuleHandleA(nullptr), nullptr);
        const TBBUTTON cells[] = {Button(-1, 1), Button(-1, 2, TBSTATE_ENABLED, BTNS_BUTTON, TBXF_CONTROL),
                                  Button(-1, 3)};
        Send(w, TBX_ADDBUTTONS, 3, reinterpret_cast<LPARAM>(cells));
        Send(w, TBX_SETDATA, 1, reinterpret_cast<LPARAM>(edit));
        Send(w, TBX_IDEALSIZE);
        ASSERT_TRUE(IsWindowVisible(edit)) << c.what;
        Send(w, c.message, c.wParam, c.hide);
        EXPECT_EQ(Send(w, TB_ISBUTTONHIDDEN, 2), 1) << c.what;
        Send(w, TBX_IDEALSIZE);
        EXPECT_FALSE(GetWindowLongA(edit, GWL_STYLE) & WS_VISIBLE) << c.what;
        // The button behind it moved into the cell's place: nothing covers it.
        RECT next = {};
        Send(w, TB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&next));
        POINT inNext = {(next.left + next.right) / 2, (next.top + next.bottom) / 2};
        EXPECT_EQ(ChildWindowFromPointEx(w, inNext, CWP_SKIPINVISIBLE), w) << c.what;
        Send(w, c.message, c.wParam, c.show);
        Send(w, TBX_IDEALSIZE);
        EXPECT_TRUE(IsWindowVisible(edit)) << c.what;
        RECT cell = {}, placed = {};
        Send(w, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&cell));
        GetWindowRect(edit, &placed);
        MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&placed), 2);
        EXPECT_GE(placed.left, cell.left) << c.what;
        EXPECT_LE(placed.right, cell.right) << c.what;
        DestroyWindow(w);
    }
}

namespace {

// The pixels of a button's rectangle as the toolbar paints them now.
std::vector<COLORREF> PaintedButton(HWND w, const RECT& r)
{
    drawtest::Surface surface(600, 60);
    Send(w, WM_PAINT, reinterpret_cast<WPARAM>(surface.Dc()), 0);
    std::vector<COLORREF> pixels;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            pixels.push_back(surface.At(x, y));
    return pixels;
}

}  // namespace

TEST(ToolbarExMouse, AButtonGreyedUnderTheMouseLosesItsHotLookAtOnceAndTakesItBackWhenEnabled)
{
    struct Case {
        const char* what;
        UINT message;
        WPARAM wParam;
        LPARAM grey;
        LPARAM enable;
    };
    const BYTE enabled = TBSTATE_ENABLED;
    const Case cases[] = {
        {"TB_ENABLEBUTTON", TB_ENABLEBUTTON, 302, FALSE, TRUE},
        {"TB_INDETERMINATE", TB_INDETERMINATE, 302, TRUE, FALSE},
        {"state and style", TBX_SETSTATESTYLE, TbxRefIndex(1), MAKELPARAM(0, MAKEWORD(0, enabled)),
         MAKELPARAM(0, MAKEWORD(enabled, enabled))},
        {"states over a range", TBX_SETSTATES, MAKEWPARAM(0, 3), MAKELPARAM(0, enabled), MAKELPARAM(enabled, enabled)},
        {"states by command", TBX_SETSTATES, MAKEWPARAM(302, 0x1248), MAKELPARAM(0, enabled),
         MAKELPARAM(enabled, enabled)},
    };
    for (const Case& c : cases) {
        MouseToolbar t;
        // The highlight in red, so that the hot look stands out.
        Send(t.w, TBX_PALETTE, 4, static_cast<LPARAM>(RGB(255, 0, 0)));
        const RECT r = t.Rect(1);
        ToolbarExBlock* block = static_cast<ToolbarExBlock*>(GetControlBlock(t.w));
        Send(t.w, WM_MOUSEMOVE, 0, t.Centre(1));
        ASSERT_EQ(block->hot, 1) << c.what;
        const std::vector<COLORREF> hotLook = PaintedButton(t.w, r);
        // Each change repaints the button at once, without the mouse moving.
        auto changeRepaints = [&](LPARAM lParam) {
            ValidateRect(t.w, nullptr);
            Send(t.w, c.message, c.wParam, lParam);
            HRGN update = CreateRectRgn(0, 0, 0, 0);
            const bool repainted = GetUpdateRgn(t.w, update, FALSE) != ERROR && RectInRegion(update, &r);
            DeleteObject(update);
            return repainted;
        };
        EXPECT_TRUE(changeRepaints(c.grey)) << c.what;
        const std::vector<COLORREF> greyedUnderMouse = PaintedButton(t.w, r);
        EXPECT_TRUE(changeRepaints(c.enable)) << c.what;
        EXPECT_TRUE(PaintedButton(t.w, r) == hotLook) << c.what;
        // Greyed again, the look it keeps once the mouse has gone is the one it shows already.
        Send(t.w, c.message, c.wParam, c.grey);
        Send(t.w, WM_MOUSEMOVE, 0, MAKELPARAM(r.left + 1, 59));   // below the buttons
        ASSERT_NE(block->hot, 1) << c.what;
        const std::vector<COLORREF> greyedAlone = PaintedButton(t.w, r);
        EXPECT_FALSE(greyedAlone == hotLook) << c.what;
        EXPECT_TRUE(greyedUnderMouse == greyedAlone) << c.what;
    }
}

TEST(ToolbarExWindow, ACellThatLosesItsControlHidesItAndShowsTheNewOne)
{
    // Each way a control cell gives up its control: another control, none, or the cell's
    // own flag 0x2000 cleared for the button alone or over a range.
    struct Case {
        const char* what;
        UINT message;
        WPARAM wParam;
        bool newControl;   // lParam: the second edit
        LPARAM lParam;
    };
    const Case cases[] = {
        {"another control", TBX_SETDATA, 1, true, 0},
        {"no control", TBX_SETDATA, 1, false, 0},
        {"own flags", TBX_SETOWNFLAGS, TbxRefIndex(1), false, MAKELPARAM(0, TBXF_CONTROL)},
        {"own flags over a range", TBX_SETOWNFLAGSRANGE, MAKEWPARAM(0, 3), false, MAKELPARAM(0, TBXF_CONTROL)},
    };
    for (const Case& c : cases) {
        ToolbarParent parent;
        ShowWindow(parent.hwnd, SW_SHOWNOACTIVATE);
        HWND w = parent.Toolbar();
        HWND edits[2];
        for (int i = 0; i < 2; ++i)
            edits[i] = CreateWindowExA(0, "Edit", nullptr, WS_CHILD | WS_BORDER, 0, 0, 80, 20, w,
                                       reinterpret_cast<HMENU>(static_cast<UINT_PTR>(901 + i)),
                                       GetModuleHandleA(nullptr), nullptr);
        const TBBUTTON cells[] = {Button(-1, 1), Button(-1, 2, TBSTATE_ENABLED, BTNS_BUTTON, TBXF_CONTROL),
                                  Button(-1, 3)};
        Send(w, TBX_ADDBUTTONS, 3, reinterpret_cast<LPARAM>(cells));
        Send(w, TBX_SETDATA, 1, reinterpret_cast<LPARAM>(edits[0]));
        Send(w, TBX_IDEALSIZE);
        ASSERT_TRUE(IsWindowVisible(edits[0])) << c.what;
        Send(w, c.message, c.wParam, c.newControl ? reinterpret_cast<LPARAM>(edits[1]) : c.lParam);
        Send(w, TBX_IDEALSIZE);
        EXPECT_FALSE(GetWindowLongA(edits[0], GWL_STYLE) & WS_VISIBLE) << c.what;
        EXPECT_EQ((GetWindowLongA(edits[1], GWL_STYLE) & WS_VISIBLE) != 0, c.newControl) << c.what;
        // What shows in the cell now is the new control, or the toolbar itself.
        RECT cell = {};
        Send(w, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&cell));
        POINT inCell = {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
        EXPECT_EQ(ChildWindowFromPointEx(w, inCell, CWP_SKIPINVISIBLE), c.newControl ? edits[1] : w) << c.what;
        DestroyWindow(w);
    }
}

TEST(ToolbarExLayout, RangeMessagesRepaintOnlyTheButtonsTheyChange)
{
    // Buttons 0-3 with command ids 1, 7, 7, 2. `initial`: the buttons that carry the value
    // before the message (given one by one); the message touches the range, or the buttons
    // with the command id, and should repaint only those of them that change.
    struct Case {
        const char* what;
        UINT message;
        WORD first;
        WORD end;      // 0x1248: `first` is a command id
        WORD value;
        WORD mask;
        unsigned initial;
    };
    const Case cases[] = {
        {"checked states", TBX_SETSTATES, 0, 4, TBSTATE_CHECKED, TBSTATE_CHECKED, 0xA},
        {"checked states by command", TBX_SETSTATES, 7, 0x1248, TBSTATE_CHECKED, TBSTATE_CHECKED, 0x4},
        {"cleared checks", TBX_SETSTATES, 1, 4, 0, TBSTATE_CHECKED, 0x5},
        {"group styles", TBX_SETSTYLES, 0, 4, BTNS_GROUP, BTNS_GROUP, 0x5},
        {"check styles (rebuilt)", TBX_SETSTYLES, 0, 3, BTNS_CHECK, BTNS_CHECK, 0x2},
        {"right-click flags", TBX_SETOWNFLAGSRANGE, 0, 4, TBXF_RIGHTCLICK, TBXF_RIGHTCLICK, 0x8},
        {"no-hot-look flags (rebuilt)", TBX_SETOWNFLAGSRANGE, 1, 4, TBXF_NOHOTLOOK, TBXF_NOHOTLOOK, 0x1 | 0x4},
        {"no-hot-look flags by command (rebuilt)", TBX_SETOWNFLAGSRANGE, 7, 0x1248, TBXF_NOHOTLOOK, TBXF_NOHOTLOOK,
         0x2},
    };
    const int commands[4] = {1, 7, 7, 2};
    for (const Case& c : cases) {
        ToolbarParent parent;
        HBITMAP strip = nullptr;
        HWND w = FlatToolbarWithPicture(parent, &strip);
        const TBBUTTON buttons[] = {Button(0, commands[0]), Button(0, commands[1]), Button(0, commands[2]),
                                    Button(0, commands[3])};
        Send(w, TBX_ADDBUTTONS, 4, reinterpret_cast<LPARAM>(buttons));
        // For the "cleared" case the value is 0: the initial buttons carry the mask.
        const WORD carried = c.value ? c.value : c.mask;
        for (int i = 0; i < 4; ++i) {
            if ((c.initial >> i) & 1u)
                Send(w, c.message, MAKEWPARAM(i, i + 1), MAKELPARAM(carried, c.mask));
        }
        unsigned touched = 0;
        for (int i = 0; i < 4; ++i) {
            const bool in = c.end == 0x1248 ? commands[i] == c.first : i >= c.first && i < c.end;
            touched |= in ? 1u << i : 0u;
        }
        // A button changes when it does not yet carry what the message gives it.
        const unsigned carriesAlready = c.value ? c.initial : ~c.initial & 0xFu;
        const unsigned changes = touched & ~carriesAlready;
        ASSERT_NE(changes, 0u) << c.what;
        ASSERT_NE(changes, touched) << c.what << ": the case must leave a touched button as it is";
        RECT before[4], after[4];
        Settle(w, before);
        const LRESULT n = Send(w, c.message, MAKEWPARAM(c.first, c.end), MAKELPARAM(c.value, c.mask));
        HRGN update = CreateRectRgn(0, 0, 0, 0);
        ASSERT_NE(GetUpdateRgn(w, update, FALSE), ERROR) << c.what;
        ItemRects(w, after);
        int count = 0;
        for (int i = 0; i < 4; ++i) {
            count += (touched >> i) & 1u;
            EXPECT_TRUE(SameRect(before[i], after[i])) << c.what << ": nothing moves";
        }
        EXPECT_EQ(n, count) << c.what;
        HRGN expected = ChangedRegion(w, before, after, changes);
        EXPECT_TRUE(EqualRgn(update, expected)) << c.what;
        DeleteObject(update);
        DeleteObject(expected);
        DestroyWindow(w);
        DeleteObject(strip);
    }
}
