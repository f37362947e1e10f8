// Paint scripts of the text panes for the plain painter: the lines and colour runs a full
// repaint of a view draws at its present scroll position, taken from the view's own line
// composer (ComposeHexLine for the hex view, CTextEdit::ComposeLine for the text editor and
// the decoded-text pane), with the colours and fonts of the view's colour formats and what
// the view draws around the lines (the rest of a short line, the margin, the size box).
#pragma once
#include "tests/support/PlainPainter.h"

#include <stdint.h>

#include <functional>

class CAnsiView;
class CHexView;
class CTextEdit;

namespace plainpaint {

// The cells of one line from `first` for `count` columns and a format pair per cell;
// returns the columns the view's PrintLine reports drawn (the rest of the line is filled
// with the background of format 0).
using ComposeCells = std::function<int(int line, int first, int count, char* cells, uint16_t* pairs)>;
// Appends what the view's PrintMargin draws for a line into its margin rectangle.
using ComposeMargin = std::function<void(Script& script, const RECT& margin, int line)>;

Script BuildPaneScript(const CAnsiView& view, const ComposeCells& cells, const ComposeMargin& margin);

Script BuildHexPaneScript(const CHexView& view);
Script BuildTextPaneScript(const CTextEdit& view);

}  // namespace plainpaint
