// Where the controls of the text entry and the choice list dialogs end up, as relations: the
// template's dialog units mapped by the dialog itself (MapDialogRect) or the plain dialog's
// own controls are the reference, never pixel sizes (the fonts are substitutes here). Also
// the password field's font and the wheel that the choice list hands to its list.
#include <gtest/gtest.h>
#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include "uihelpers/ChoiceListDialog.h"
#include "uihelpers/TextEntryDialog.h"
#include "TestWindows.h"

using uitest::ModalSteps;

namespace {

RECT ChildRect(HWND dialog, int id)
{
    RECT rc = {};
    GetWindowRect(GetDlgItem(dialog, id), &rc);
    MapWindowPoints(NULL, dialog, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

RECT Moved(RECT rc, int dx, int dw)
{
    rc.left += dx;
    rc.right += dx + dw;
    return rc;
}

::testing::AssertionResult SameRect(const RECT& want, const RECT& got)
{
    if (EqualRect(&want, &got))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "want {" << want.left << "," << want.top << "," << want.right << ","
                                         << want.bottom << "} got {" << got.left << "," << got.top << "," << got.right
                                         << "," << got.bottom << "}";
}

bool SameFont(const LOGFONTA& a, const LOGFONTA& b)
{
    return memcmp(&a, &b, sizeof a) == 0;
}

// ---------------------------------------------------------------- text entry

struct EntryLook {
    RECT window = {};
    RECT prompt = {}, edit = {}, ok = {}, cancel = {};
    DWORD editStyle = 0, editExStyle = 0;
    bool fontRead = false;
    LOGFONTA editFont = {};         // read while the dialog stands: its font goes with it
};

EntryLook RunEntry(CTextEntryDialog& dlg)
{
    EntryLook look;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        GetWindowRect(d, &look.window);
        look.prompt = ChildRect(d, CTextEntryDialog::IDC_ENTRY_PROMPT);
        look.edit = ChildRect(d, CTextEntryDialog::IDC_ENTRY_EDIT);
        look.ok = ChildRect(d, IDOK);
        look.cancel = ChildRect(d, IDCANCEL);
        HWND edit = GetDlgItem(d, CTextEntryDialog::IDC_ENTRY_EDIT);
        look.editStyle = static_cast<DWORD>(GetWindowLongPtrA(edit, GWL_STYLE));
        look.editExStyle = static_cast<DWORD>(GetWindowLongPtrA(edit, GWL_EXSTYLE));
        HFONT font = reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0));
        look.fontRead = font && GetObjectA(font, sizeof look.editFont, &look.editFont);
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    uitest::RunWatched(steps, [&] { return dlg.DoModal(); });
    return look;
}

// ---------------------------------------------------------------- choice list

// The choice dialog's template in dialog units, as the dialog manager maps a control: each of
// x, y, width and height on its own.
RECT Units(HWND dialog, int x, int y, int cx, int cy)
{
    RECT rc = { x, y, cx, cy };
    MapDialogRect(dialog, &rc);
    return { rc.left, rc.top, rc.left + rc.right, rc.top + rc.bottom };
}

struct ChoiceLook {
    RECT client = {}, list = {}, ok = {}, cancel = {};
    RECT templList = {}, templOk = {}, templCancel = {};
    SIZE templClient = {};
    RECT sizedTopLeft = {}, sizedBottomRight = {};
    bool cancelVisible = false;
};

ChoiceLook RunChoiceAndResize(int mode, int cancelAllowed, const char* prompt, int growX, int growY)
{
    CChoiceListDialog dlg;
    dlg.AppendItem(1, "Eins", 0);
    dlg.AppendItem(2, "Zwei", 0);
    dlg.SetMode(mode, cancelAllowed);
    dlg.m_strPrompt = prompt;
    ChoiceLook look;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        RECT size = Units(d, 0, 0, 227, 171);
        look.templClient = { size.right, size.bottom };
        look.templList = Units(d, 5, 20, 215, 125);
        look.templOk = Units(d, 60, 150, 50, 14);
        look.templCancel = Units(d, 125, 150, 50, 14);
        RECT wr;
        GetWindowRect(d, &wr);
        SetWindowPos(d, NULL, 0, 0, wr.right - wr.left + growX, wr.bottom - wr.top + growY,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        GetClientRect(d, &look.client);
        const int listId = mode == CChoiceListDialog::MODE_MULTIPLE ? CChoiceListDialog::IDC_CHOICE_MULTI
                         : mode == CChoiceListDialog::MODE_CHECK_ONE ? CChoiceListDialog::IDC_CHOICE_CHECK_ONE
                         : mode == CChoiceListDialog::MODE_CHECK_MANY ? CChoiceListDialog::IDC_CHOICE_CHECK_MANY
                         : CChoiceListDialog::IDC_CHOICE_LIST;
        look.list = ChildRect(d, listId);
        look.ok = ChildRect(d, IDOK);
        look.cancel = ChildRect(d, IDCANCEL);
        look.cancelVisible = IsWindowVisible(GetDlgItem(d, IDCANCEL)) != FALSE;
        // Dragged far too small by either corner: the edge being dragged stops.
        look.sizedTopLeft = { 300, 300, 310, 310 };
        SendMessageA(d, WM_SIZING, WMSZ_TOPLEFT, reinterpret_cast<LPARAM>(&look.sizedTopLeft));
        look.sizedBottomRight = { 300, 300, 310, 310 };
        SendMessageA(d, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&look.sizedBottomRight));
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    uitest::RunWatched(steps, [&] { return dlg.DoModal(); });
    return look;
}

// The list's wheel: a list that hands the wheel on to its parent as DefWindowProc does,
// counting how often it is asked (a few times at most, so that a loop shows as a count).
WNDPROC g_listClass = nullptr;
int g_wheelsAtList = 0;
LRESULT CALLBACK WheelHandingList(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MOUSEWHEEL) {
        if (++g_wheelsAtList > 4)
            return 0;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return CallWindowProcA(g_listClass, window, message, wParam, lParam);
}

}  // namespace

// The password field takes the place, the font and the extended style of the field it
// replaces, and widens with it; prompt and edit grow by the widening, the buttons move by it,
// nothing moves up or down.
TEST(PopupGeometry, TextEntryFieldsKeepTheirPlacesAndTheirFont)
{
    CTextEntryDialog plain;
    const EntryLook base = RunEntry(plain);
    // The plain field has a font of its own (the template's); the system font would be none.
    ASSERT_TRUE(base.fontRead);
    const struct { int hide; int factor; } kCases[] = {
        { 1, 0 }, { 1, 177 }, { 0, 354 }, { 0, -100 }, { 1, 0x12340000 + 531 },
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(::testing::Message() << "hide " << c.hide << " factor " << c.factor);
        CTextEntryDialog dlg;
        dlg.m_bHideInput = c.hide;
        dlg.m_nWidthFactor = c.factor;
        const EntryLook look = RunEntry(dlg);
        const int d = dlg.m_nWidthFactor;
        EXPECT_EQ(c.factor != 0, d != 0);
        EXPECT_EQ(base.window.right - base.window.left + d, look.window.right - look.window.left);
        EXPECT_EQ(base.window.bottom - base.window.top, look.window.bottom - look.window.top);
        EXPECT_TRUE(SameRect(Moved(base.prompt, 0, d), look.prompt));
        EXPECT_TRUE(SameRect(Moved(base.edit, 0, d), look.edit));
        EXPECT_TRUE(SameRect(Moved(base.ok, d, 0), look.ok));
        EXPECT_TRUE(SameRect(Moved(base.cancel, d, 0), look.cancel));
        EXPECT_EQ(base.editStyle | (c.hide ? ES_PASSWORD : 0), look.editStyle);
        EXPECT_EQ(base.editExStyle, look.editExStyle);
        EXPECT_TRUE(look.fontRead && SameFont(base.editFont, look.editFont)) << "the field lost the dialog's font";
    }
}

// The list keeps the template's margins to the client edges, the buttons keep their size,
// their gap and their distance to the bottom and sit centred as a pair ("OK" alone without
// Cancel); an empty prompt raises the list by 20 pixels; the minimum size is the buttons'
// row plus 40 by the buttons' height to the bottom plus 100 (20 less without a prompt).
TEST(PopupGeometry, ChoiceListLayoutFollowsTheTemplate)
{
    const struct { int mode; int cancel; const char* prompt; int growX, growY; } kCases[] = {
        { CChoiceListDialog::MODE_PLAIN, 1, "Bereich:", 0, 0 },
        { CChoiceListDialog::MODE_PLAIN, 1, "Bereich:", 150, 90 },
        { CChoiceListDialog::MODE_MULTIPLE, 0, "", 61, 200 },
        { CChoiceListDialog::MODE_CHECK_ONE, 0, "Bereich:", 0, 0 },
        { CChoiceListDialog::MODE_CHECK_MANY, 1, "", 33, 17 },
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " cancel " << c.cancel << " prompt '" << c.prompt
                                          << "' grown " << c.growX << "," << c.growY);
        const ChoiceLook l = RunChoiceAndResize(c.mode, c.cancel, c.prompt, c.growX, c.growY);
        const int raise = *c.prompt ? 0 : 20;
        const int cx = l.client.right, cy = l.client.bottom;
        ASSERT_GT(cx, 0);
        EXPECT_TRUE(SameRect({ l.templList.left, l.templList.top - raise, cx - (l.templClient.cx - l.templList.right),
                               cy - (l.templClient.cy - l.templList.bottom) },
                             l.list));
        const int w = l.templOk.right - l.templOk.left, h = l.templOk.bottom - l.templOk.top;
        const int top = cy - (l.templClient.cy - l.templOk.top);
        EXPECT_EQ(w, l.ok.right - l.ok.left);
        EXPECT_EQ(h, l.ok.bottom - l.ok.top);
        EXPECT_EQ(top, l.ok.top);
        EXPECT_EQ(c.cancel != 0, l.cancelVisible);
        if (c.cancel) {
            EXPECT_TRUE(SameRect({ l.ok.right + (l.templCancel.left - l.templOk.right), top,
                                   l.ok.right + (l.templCancel.left - l.templOk.right) + w, top + h },
                                 l.cancel));
            EXPECT_LE(abs(l.ok.left - (cx - l.cancel.right)), 1) << "the pair is not centred";
        } else {
            EXPECT_LE(abs(l.ok.left - (cx - l.ok.right)), 1) << "OK alone is not centred";
        }
        const int minWidth = (c.cancel ? l.templCancel.right : l.templCancel.left) - l.templOk.left + 40;
        const int minHeight = l.templClient.cy - l.templOk.top + 100 - raise;
        EXPECT_TRUE(SameRect({ 310 - minWidth, 310 - minHeight, 310, 310 }, l.sizedTopLeft));
        EXPECT_TRUE(SameRect({ 300, 300, 300 + minWidth, 300 + minHeight }, l.sizedBottomRight));
    }
}

// A wheel turned over the dialog scrolls its list; a list that hands the wheel back to its
// parent is not asked again.
TEST(PopupGeometry, ChoiceListHandsTheWheelToItsList)
{
    CChoiceListDialog dlg;
    char name[16];
    for (int i = 0; i < 80; ++i) {
        wsprintfA(name, "Eintrag %02d", i);
        dlg.AppendItem(static_cast<DWORD>(i), name, 0);
    }
    dlg.m_nCurrent = 0;
    LRESULT topBefore = -1, topAfter = -1;
    ModalSteps steps;
    steps.Add([&](HWND d) {
        HWND list = GetDlgItem(d, CChoiceListDialog::IDC_CHOICE_LIST);
        RECT rc;
        GetWindowRect(d, &rc);
        const LPARAM at = MAKELPARAM(rc.left + 20, rc.bottom - 10);
        topBefore = SendMessageA(list, LB_GETTOPINDEX, 0, 0);
        SendMessageA(d, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA * 2), at);
        topAfter = SendMessageA(list, LB_GETTOPINDEX, 0, 0);
        g_wheelsAtList = 0;
        g_listClass = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WheelHandingList)));
        SendMessageA(d, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), at);
        SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_listClass));
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    uitest::RunWatched(steps, [&] { return dlg.DoModal(); });
    EXPECT_EQ(0, topBefore);
    EXPECT_GT(topAfter, topBefore) << "the wheel did not reach the list";
    EXPECT_EQ(1, g_wheelsAtList) << "the wheel went round between list and dialog";
}
