// The hex view's pixels against the plain painter's: each case paints the pane through the
// view into one memory bitmap and the same lines and colour runs (from the view's own line
// composer) through the plain painter into another; the bitmaps must be equal. The cases
// that change the view after a first full paint draw only what the repaint word names, so
// that a repaint which leaves a stale pixel behind shows too.
#include "views/HexView.h"

#include "tests/support/PaintCapture.h"
#include "tests/support/PaneScripts.h"
#include "tests/views/ViewWindowSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace viewtest;

namespace {

using CDrawnHexView = plainpaint::CCapturingView<CHexView>;

struct PixelCase
{
    const char* name;
    int width;
    int height;
    std::function<void(CDrawnHexView&)> before;   // then a full paint
    std::function<void(CDrawnHexView&)> change;   // then what the repaint word names
};

class HexPaintPixels : public ViewWindowTest
{
};

TEST_F(HexPaintPixels, TheViewDrawsWhatThePlainPainterDraws)
{
    std::vector<uint8_t> data(600);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 13 + (i >> 4));
    static uint32_t marks[32];
    for (int i = 0; i < 32; ++i)
        marks[i] = 0x0F0F00F0u << (i & 3);

    const PixelCase cases[] = {
        { "plain dump", 620, 330, nullptr, nullptr },
        { "selection, highlight ranges and bit marks", 620, 330,
          [](CDrawnHexView& v) {
              v.SetBitMarks(marks, 600);
              v.SetHighlightRange(2, 90, 50);
              v.SetHighlightRange(5, 130, 3);
              v.SetCursorAddress(20, false);
              v.SetSelectionEnd(70, false);
          },
          nullptr },
        { "scrolled down and right", 420, 330, [](CDrawnHexView& v) { v.SetScrollOrigin(5, 7); }, nullptr },
        { "both bars and the size box", 300, 160, [](CDrawnHexView& v) { v.SetScrollOrigin(3, 2); }, nullptr },
        { "fonts taken as not keeping the cells: drawn with an advance per cell", 620, 330,
          [](CDrawnHexView& v) {
              ASSERT_NE(v.Settings(), nullptr);
              v.Settings()->gridFonts = 0;
              v.SetHighlightRange(0, 30, 20);
          },
          nullptr },
        { "the selection moves: only its lines are drawn again", 620, 330,
          [](CDrawnHexView& v) {
              v.SetCursorAddress(20, false);
              v.SetSelectionEnd(70, false);
          },
          [](CDrawnHexView& v) {
              v.SetCursorAddress(150, false);
              v.SetSelectionEnd(183, false);
          } },
        { "the cursor steps: the caret lines are drawn again", 620, 330,
          [](CDrawnHexView& v) { v.SetCursorAddress(40, false); },
          [](CDrawnHexView& v) { v.SetCursorAddress(57, false); } },
    };
    for (const PixelCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        CDrawnHexView view;
        ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, c.width, c.height), &m_parent, 4098));
        view.SetData(data.data(), static_cast<int>(data.size()), 0x7C00, HDF_WRITABLE);
        if (c.before)
            c.before(view);

        std::function<void()> change;
        if (c.change)
            change = [&] { c.change(view); };
        plainpaint::ExpectPlainPixels(view, c.width, c.height, change,
                                      [&] { return plainpaint::BuildHexPaneScript(view); });
        view.DestroyWindow();
    }
}

}  // namespace
