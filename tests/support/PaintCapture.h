// The pixel comparison of a text view against the plain painter, shared by the views' and the
// editor's tests: a view whose repaints can be drawn into a memory bitmap, and the check that
// what it drew (a full paint, then whatever a change made it draw again) equals the plain
// painter's drawing of the final state.
#pragma once
#include "tests/support/PlainPainter.h"
#include "views/AnsiView.h"
#include "views/RepaintWord.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace plainpaint {

template <class View>
class CCapturingView : public View
{
public:
    using View::View;

    // While a context is given, the view's repaints are drawn into it rather than into the
    // (hidden) window, and the repaint words are kept.
    CDC* capture = nullptr;
    std::vector<uint32_t> words;

    void PaintLines(PAINTSTRUCT* paint) override
    {
        if (!capture || paint)
        {
            View::PaintLines(paint);
            return;
        }
        uint32_t& word = this->Layout().RepaintWord();
        words.push_back(word & ~RP_BATCH);
        this->DrawLines(*capture, word & ~RP_BATCH);
        word &= RP_BATCH;
    }
};

// Paints the view whole into one bitmap, runs `change` (when given) with the repaints it
// causes drawn into the same bitmap, each of them expected to be partial, and compares the
// result with the plain painter's drawing of `script` (built afterwards) in another bitmap.
template <class View>
void ExpectPlainPixels(CCapturingView<View>& view, int width, int height, const std::function<void()>& change,
                       const std::function<Script()>& script)
{
    Surface viewPixels(width, height, 0x123456);
    Surface plainPixels(width, height, 0x123456);
    CDC dc;
    dc.Attach(viewPixels.Dc());
    view.PrintClient(&dc);
    if (change)
    {
        view.words.clear();
        view.capture = &dc;
        change();
        view.capture = nullptr;
        EXPECT_FALSE(view.words.empty()) << "nothing was drawn again";
        for (uint32_t word : view.words)
            EXPECT_EQ(word & RP_ALL, 0u) << "a partial repaint is expected";
    }
    dc.Detach();
    Paint(plainPixels.Dc(), script());
    POINT first = { -1, -1 };
    EXPECT_EQ(CountDifferences(viewPixels, plainPixels, &first), 0)
        << "first at " << first.x << "," << first.y << ": view " << std::hex << viewPixels.Pixel(first.x, first.y)
        << ", plain " << plainPixels.Pixel(first.x, first.y);
}

}  // namespace plainpaint
