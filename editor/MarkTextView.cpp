// CMarkTextView: marks that tie text stretches to byte ranges, and the context menu entry
// that hands the chosen range to the disk view.
#include "editor/MarkTextView.h"

CMarkTextView::CMarkTextView(uint32_t maxLineLength, uint32_t maxLines, uint32_t flags, const char* viewName)
    : CTextEdit(maxLineLength, maxLines, flags, viewName), m_chosenOffset(0), m_chosenLength(0), m_markLimit(4096)
{
}

CMarkTextView::~CMarkTextView()
{
}

void CMarkTextView::AddMark(uint32_t byteOffset, uint32_t byteLength, uint32_t line, uint32_t firstColumn,
                            int endColumn)
{
    if (byteLength == 0 || byteOffset >= m_markLimit)
        return;
    // Columns are 16-bit (0xFFFF is "to the end of the line"): a larger one is clamped,
    // never wrapped to the line start. The byte range is cut at the end of the 32-bit offset
    // space rather than wrapping round to offset 0.
    MarkRange mark;
    mark.line = line;
    mark.firstColumn = static_cast<uint16_t>(firstColumn > 0xFFFE ? 0xFFFE : firstColumn);
    mark.endColumn = (endColumn < 0 || endColumn > 0xFFFF) ? 0xFFFF : static_cast<uint16_t>(endColumn);
    mark.byteOffset = byteOffset;
    mark.byteLength = byteLength;
    if (static_cast<uint64_t>(byteOffset) + byteLength > 0xFFFFFFFFull)
        mark.byteLength = 0xFFFFFFFFu - byteOffset;
    m_marks.push_back(mark);
}

void CMarkTextView::ClearMarks()
{
    m_marks.clear();
    m_chosenOffset = 0;
    m_chosenLength = 0;
}

const MarkRange* CMarkTextView::GetMark(int n) const
{
    if (n < 0 || static_cast<size_t>(n) >= m_marks.size())
        return nullptr;
    return &m_marks[static_cast<size_t>(n)];
}

const MarkRange* CMarkTextView::FindMark(int column, int line) const
{
    if (column < 0 || line < 0)
        return nullptr;
    for (size_t i = m_marks.size(); i-- > 0;)
    {
        const MarkRange& m = m_marks[i];
        if (m.line == static_cast<uint32_t>(line) && m.firstColumn <= column && (m.endColumn == 0xFFFF || column < m.endColumn))
            return &m;
    }
    return nullptr;
}

uint32_t CMarkTextView::ChooseMarkAt(int column, int line)
{
    m_chosenOffset = 0;
    m_chosenLength = 0;
    if (const MarkRange* m = FindMark(column, line))
    {
        m_chosenOffset = m->byteOffset;
        m_chosenLength = m->byteLength;
    }
    return m_chosenLength;
}

uint32_t CMarkTextView::GetChosenMark(uint32_t* byteOffset) const
{
    if (byteOffset)
        *byteOffset = m_chosenOffset;
    return m_chosenLength;
}

uint32_t CMarkTextView::AddMarkMenuItems(HMENU menu, int x, int y)
{
    int column = 0, line = 0;
    HitTest(x, y, &column, &line, 0);
    ::AppendMenuA(menu, MF_STRING, ID_MARKTEXT_MARK_RANGE, "&Bereich markieren");
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    uint32_t length = ChooseMarkAt(column, line);
    if (!length)
        ::EnableMenuItem(menu, ID_MARKTEXT_MARK_RANGE, MF_BYCOMMAND | MF_GRAYED);
    return length;
}

void CMarkTextView::OnContextMenu(int x, int y, HMENU menu)
{
    bool own = menu == nullptr;
    if (own)
        menu = ::CreatePopupMenu();
    if (!menu)
        return;
    AddMarkMenuItems(menu, x, y);
    CTextEdit::OnContextMenu(x, y, menu);
    if (own)
        ::DestroyMenu(menu);
}

void CMarkTextView::OnMarkRange()
{
    if (!HasWindow())
        return;
    HWND parent = ::GetParent(m_hWnd);
    if (parent)
        ::PostMessageA(parent, WM_COMMAND, ID_MARKTEXT_MARK_RANGE, 0);
}

LRESULT CMarkTextView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == ID_MARKTEXT_MARK_RANGE)
    {
        OnMarkRange();
        return 0;
    }
    return CTextEdit::WindowProc(message, wParam, lParam);
}
