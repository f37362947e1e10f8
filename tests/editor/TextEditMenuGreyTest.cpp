// The pictures of the editor's context menu: a disabled item shows its picture greyed (every
// pixel a light grey), an enabled one keeps its colours. The pixels are read back from the
// bitmap the menu item holds.
#include "tests/editor/EditorTestSupport.h"

#include "uihelpers/ClipboardText.h"

using namespace edittest;

namespace {

// Whether every pixel of the bitmap is a grey of at least 160 in each channel.
bool AllLightGrey(HBITMAP bitmap)
{
    BITMAP info = {};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info))
        return false;
    BITMAPINFO header = {};
    header.bmiHeader.biSize = sizeof header.bmiHeader;
    header.bmiHeader.biWidth = info.bmWidth;
    header.bmiHeader.biHeight = -info.bmHeight;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    std::vector<DWORD> pixels(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    HDC dc = GetDC(nullptr);
    const int rows = GetDIBits(dc, bitmap, 0, info.bmHeight, pixels.data(), &header, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(rows, info.bmHeight);
    for (DWORD p : pixels)
    {
        const int b = p & 0xFF, g = (p >> 8) & 0xFF, r = (p >> 16) & 0xFF;
        if (r != g || g != b || r < 160)
            return false;
    }
    return true;
}

class TextEditMenuGrey : public EditorTest
{
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        m_frame = CreateStandInWindow("MenuGreyParent", DefWindowProcA);
        ASSERT_NE(m_frame, nullptr);
        m_frameWnd.Attach(m_frame);
    }
    void TearDown() override
    {
        m_frameWnd.Detach();
        DestroyWindow(m_frame);
        EditorTest::TearDown();
    }
    HWND m_frame = nullptr;
    CWnd m_frameWnd;
};

TEST_F(TextEditMenuGrey, DisabledItemsShowTheirPicturesGreyed)
{
    CTextEdit edit(2048, 50000, 0, "MenuGreyTest");
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 600, 300), &m_frameWnd, 4310));
    edit.AppendText("wort   \n");
    ClipboardSetText("x");
    struct Case
    {
        bool readOnly;
        UINT id;
        bool greyed;
    };
    // No selection and a click right of the text: no word to copy, nothing to cut or
    // delete; read-only: nothing to paste.
    const Case cases[] = {
        { false, ID_EDIT_CUT, true },   { false, ID_TEXTEDIT_COPY_WORD, true }, { false, ID_EDIT_CLEAR, true },
        { false, ID_EDIT_PASTE, false }, { false, ID_EDIT_FIND, false },        { true, ID_EDIT_PASTE, true },
        { true, ID_EDIT_FIND, false },
    };
    const int x = edit.Layout().MarginWidth() + 6 * edit.Layout().CharWidth() + 1;
    const int y = edit.Layout().LineHeight() / 2;
    for (const Case& c : cases)
    {
        edit.SetEditable(!c.readOnly);
        HMENU menu = CreatePopupMenu();
        edit.AddEditMenuItems(menu, x, y);
        ASSERT_EQ((GetMenuState(menu, c.id, MF_BYCOMMAND) & MF_GRAYED) != 0, c.greyed) << c.id;
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_CHECKMARKS;
        ASSERT_TRUE(GetMenuItemInfoA(menu, c.id, FALSE, &info));
        ASSERT_NE(info.hbmpUnchecked, nullptr) << c.id;
        EXPECT_EQ(AllLightGrey(info.hbmpUnchecked), c.greyed) << c.id << " read-only " << c.readOnly;
        DestroyMenu(menu);
    }
    edit.DestroyWindow();
}

}  // namespace
