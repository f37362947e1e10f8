// The text editor's pixels against the plain painter's: each case paints the editor (or the
// decoded-text pane, its marked form) through the view into one memory bitmap and the same
// cells and colour words (from CTextEdit::ComposeLine) through the plain painter into
// another; the bitmaps must be equal. Cases that change the editor after a first full
// paint draw only what the repaint word names.
#include "editor/MarkTextView.h"

#include "tests/editor/EditorTestSupport.h"
#include "tests/support/PaintCapture.h"
#include "tests/support/PaneScripts.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>
#include <string>

using namespace edittest;

namespace {

class CPixelPane : public CMarkTextView
{
public:
    CPixelPane() : CMarkTextView(2048, 5000, 0, "PixelText") {}
};
using CDrawnEdit = plainpaint::CCapturingView<CPixelPane>;

struct PixelCase
{
    const char* name;
    bool readOnly;
    std::function<void(CDrawnEdit&)> before;   // then a full paint
    std::function<void(CDrawnEdit&)> change;   // then what the repaint word names
};

class EditPaintPixels : public EditorTest
{
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        ASSERT_TRUE(m_parent.CreateEx(0, AfxRegisterWndClass(0), "Pixel-Test", WS_POPUP, 0, 0, 640, 400, nullptr,
                                      nullptr));
    }
    void TearDown() override
    {
        m_parent.DestroyWindow();
        EditorTest::TearDown();
    }
    CWnd m_parent;
};

std::string Text()
{
    std::string text;
    for (int i = 0; i < 120; ++i)
    {
        text += std::to_string(i) + "\tFeld " + std::to_string(i * 37) + ":\tWert 0x" + std::to_string(i * 977) +
                ((i % 5) == 0 ? "  ; ein langer Kommentar, der weit nach rechts reicht" : "") + "\n";
    }
    return text;
}

TEST_F(EditPaintPixels, TheEditorDrawsWhatThePlainPainterDraws)
{
    const PixelCase cases[] = {
        { "plain text with TABs", false, nullptr, nullptr },
        { "decoded pane: coloured fields", true,
          [](CDrawnEdit& e) {
              e.AddColorFormat(RGB(0, 0, 0xC0), static_cast<COLORREF>(-1), "Feld", 10, 0);
              e.AddColorFormat(RGB(0xC0, 0, 0), RGB(0xFF, 0xFF, 0xC0), "Wert", 11, 0);
              uint8_t colours[40];
              for (int i = 0; i < 40; ++i)
                  colours[i] = i < 6 ? 10 : (i < 14 ? 1 : 11);
              for (int line = 0; line < 30; line += 2)
                  e.SetLineColors(line, colours, 40, -1, 1);
          },
          nullptr },
        { "a selection over several lines", false,
          [](CDrawnEdit& e) {
              e.SetCursorPos(5, 3, 0);
              e.SetCursorPos(9, 8, MCF_EXTEND);
          },
          nullptr },
        { "scrolled down and right", false, [](CDrawnEdit& e) { e.SetScrollOrigin(6, 40); }, nullptr },
        { "the line-number margin", false,
          [](CDrawnEdit& e) {
              e.SetMarginWidth(32);
              e.SetScrollOrigin(0, 95);
          },
          nullptr },
        { "fonts taken as not keeping the cells: drawn with an advance per cell", false,
          [](CDrawnEdit& e) {
              ASSERT_NE(e.Settings(), nullptr);
              e.Settings()->gridFonts = 0;
              e.SetCursorPos(3, 2, 0);
              e.SetCursorPos(8, 5, MCF_EXTEND);
          },
          nullptr },
        { "typing redraws the caret line from two columns left", false,
          [](CDrawnEdit& e) { e.SetCursorPos(7, 4, 0); },
          [](CDrawnEdit& e) { e.InsertAtCaret("xyz", 0); } },
        { "the selection grows by a line", false,
          [](CDrawnEdit& e) {
              e.SetCursorPos(2, 10, 0);
              e.SetCursorPos(4, 12, MCF_EXTEND);
          },
          [](CDrawnEdit& e) { e.SetCursorPos(1, 13, MCF_EXTEND); } },
    };
    const std::string text = Text();
    for (const PixelCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CDrawnEdit edit;
        ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 560, 330), &m_parent, 4100));
        edit.AppendText(text.c_str());
        edit.SetEditable(c.readOnly ? 0 : 1);
        if (c.before)
            c.before(edit);

        std::function<void()> change;
        if (c.change)
            change = [&] { c.change(edit); };
        plainpaint::ExpectPlainPixels(edit, 560, 330, change, [&] { return plainpaint::BuildTextPaneScript(edit); });
        edit.SetMarginWidth(0);
        edit.DestroyWindow();
    }
}

}  // namespace
