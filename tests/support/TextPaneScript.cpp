// The text editor's part of the paint scripts: its cells and colour words, and the line
// numbers of its margin.
#include "tests/support/PaneScripts.h"

#include "editor/TextEdit.h"

#include <stdio.h>

#include <algorithm>
#include <vector>

namespace plainpaint {

Script BuildTextPaneScript(const CTextEdit& view)
{
    const CTextLayout& L = view.Layout();
    auto cells = [&](int line, int first, int count, char* text, uint16_t* pairs) {
        if (count < 1 || line < 0 || line >= view.GetLineCount())
            return 0;
        std::vector<char> c(static_cast<size_t>(count) + 1);
        std::vector<uint16_t> w(static_cast<size_t>(count) + 1);
        view.ComposeLine(line, first, count, c.data(), w.data());
        // The view draws no more cells than its line rectangle holds (and at most 1024), but
        // reports the whole count drawn.
        const int width = L.TextWidth() + (L.PanOffsetX() ? L.CharWidth() : 0) - (L.MarginWidth() - L.PanOffsetX());
        const int shown = std::min(std::min(count, width / L.CharWidth() + 1), 1024);
        for (int i = 0; i < shown; ++i)
        {
            text[i] = c[static_cast<size_t>(i)];
            pairs[i] = w[static_cast<size_t>(i)];
        }
        return shown;
    };
    auto margin = [](Script& script, const RECT& rect, int line) {
        char number[16];
        snprintf(number, sizeof number, "%d", line + 1);
        Run run;
        run.rect = rect;
        run.x = rect.right - 4;
        run.y = rect.top;
        run.text = RGB(0x80, 0x80, 0x80);
        run.back = RGB(0xC0, 0xC0, 0xC0);
        run.font = static_cast<HFONT>(::GetStockObject(ANSI_VAR_FONT));
        run.align = TA_RIGHT | TA_TOP;
        run.advance = 0;
        run.chars = number;
        script.runs.push_back(run);
    };
    return BuildPaneScript(view, cells, margin);
}

}  // namespace plainpaint
