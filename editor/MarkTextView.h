// CMarkTextView: the disk view's decoded-text pane. A read-only CTextEdit that also keeps
// marks: stretches of text lines tied to byte ranges of the sector the text describes. The
// context menu offers "&Bereich markieren" over a mark; the command goes to the parent (the
// disk view), which asks GetChosenMark for the bytes and selects them in the hex view.
#pragma once
#include "editor/TextEdit.h"

#include <stdint.h>
#include <vector>

const UINT ID_MARKTEXT_MARK_RANGE = 20891;

// One mark: a text stretch and the bytes it stands for. Offset and length are 32-bit: the
// disk view raises the mark limit to the size it loaded, and a buffer of 64 KB or more
// would otherwise point a mark at the wrong bytes.
struct MarkRange
{
    uint32_t line;         // 32-bit: a pane may be built with more than 65,536 lines
    uint16_t firstColumn;
    uint16_t endColumn;    // first column not covered; 0xFFFF to the end of the line
    uint32_t byteOffset;
    uint32_t byteLength;
};

class CMarkTextView : public CTextEdit
{
public:
    CMarkTextView(uint32_t maxLineLength, uint32_t maxLines, uint32_t flags, const char* viewName);
    ~CMarkTextView() override;

    // Ignored when the length is 0 or the offset is not below the mark limit. End column -1
    // (0xFFFF) runs to the end of the line.
    void AddMark(uint32_t byteOffset, uint32_t byteLength, uint32_t line, uint32_t firstColumn, int endColumn);
    void SetMarkLimit(uint32_t limit) { m_markLimit = limit; }
    uint32_t GetMarkLimit() const { return m_markLimit; }
    void ClearMarks();
    void RemoveAllMarks() { m_marks.clear(); }
    int GetMarkCount() const { return static_cast<int>(m_marks.size()); }
    const MarkRange* GetMark(int n) const;

    // The mark covering a cell, the last added winning; null when none.
    const MarkRange* FindMark(int column, int line) const;
    // Chooses the mark at a cell as the context menu does; returns its byte length (0: none).
    uint32_t ChooseMarkAt(int column, int line);
    // The byte length of the chosen mark (0 when none) and its offset.
    uint32_t GetChosenMark(uint32_t* byteOffset) const;

    // Adds "&Bereich markieren" and a separator to the menu, chooses the mark under the
    // point and greys the entry when there is none. Returns the chosen byte length.
    uint32_t AddMarkMenuItems(HMENU menu, int x, int y);
    void OnContextMenu(int x, int y, HMENU menu) override;
    void OnMarkRange();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::vector<MarkRange> m_marks;
    uint32_t m_chosenOffset;
    uint32_t m_chosenLength;
    uint32_t m_markLimit;
};
