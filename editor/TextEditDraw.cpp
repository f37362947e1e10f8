// CTextEdit: colour numbers and indexes, line colours, the cells of a drawn line, the
// line-number margin and the reaction to settings changes.
#include "editor/TextEdit.h"

#include "services/Registry.h"

#include <stdio.h>
#include <algorithm>
#include <stdlib.h>
#include <string.h>
#include <vector>

namespace {

const int kNoSelection = 100000;
// Cells of a drawn line kept on the stack: more than any window shows.
const int kStackCells = 1024;


}  // namespace

int ComposeLineCells(const LineCellInput& in, char* cells, uint16_t* words)
{
    const int first = in.firstColumn < 0 ? 0 : in.firstColumn;
    const int count = in.columnCount < 0 ? 0 : in.columnCount;
    const int last = first + count;   // exclusive
    const int tw = in.tabWidth < 1 ? 4 : in.tabWidth;
    int out = 0;
    int column = 0;
    for (int i = 0; i < in.length && column < last; ++i)
    {
        unsigned char c = static_cast<unsigned char>(in.text[i]);
        int next = c == '\t' ? (column / tw + 1) * tw : column + 1;
        uint16_t color = static_cast<uint16_t>(in.colors ? in.colors[i] : (in.defaultColor < 0 ? 0 : in.defaultColor));
        for (int cell = column; cell < next && cell < last; ++cell)
        {
            if (cell < first)
                continue;
            cells[out] = c == '\t' ? ' ' : static_cast<char>(c);
            words[out] = (cell >= in.selectFrom && cell < in.selectTo) ? 1 : color;
            ++out;
        }
        column = next;
    }
    const int textCells = out;
    // Cells right of the text: the selected line break, or with the free caret every selected
    // column the caret could stand on, and no other: a selection ending right of the text is
    // drawn to its own column, not as one cell nor to the window's edge, which would show
    // another range than the one copy, cut and delete take (a plainly wrong display).
    for (int cell = first + out; out < count; ++cell)
    {
        bool selected;
        if (in.freeCaret)
            selected = cell >= in.selectFrom && cell < in.selectTo;
        else
            selected = in.drawBreakCell && cell == column && cell >= first;
        cells[out] = ' ';
        words[out] = selected ? 1 : 0;
        ++out;
    }
    words[count] = 0;
    return textCells;
}

// ---------------------------------------------------------------------------------------------
// Colours

int CTextEdit::ColorIndex(int number)
{
    if (number >= 256)
        return 0;
    // A negative number would read before the id map: taken as the first format. Number 0
    // is looked up like any other; no format has it unless a duplicate id was stored as 0.
    if (number < 0)
        return 0;
    AnsiViewSettings* settings = Settings();
    if (!settings || !settings->formats)
        return -1;
    if (!settings->formatMap)
        settings->formatMap = BuildColorFormatMap(settings->formats);
    if (!settings->formatMap)
        return -1;
    return static_cast<int>(settings->formatMap[number]) - 1;
}

int CTextEdit::SetLineColors(int line, const uint8_t* colors, int count, int defaultColor, int stride)
{
    if (m_defaultColor < 0 || !m_readOnly || line < 0 || static_cast<uint32_t>(line) >= m_lineCount || m_tableLent)
        return 0;
    TextLine* record = m_lines[line];
    RepaintOneLine(Layout().RepaintWord(), line);
    if (!colors)
    {
        free(record->colors);
        record->colors = nullptr;
        return 1;
    }
    int result = 1;
    int base = m_defaultColor;
    if (defaultColor == 0)
        base = 0;
    else if (defaultColor > 0)
    {
        base = ColorIndex(defaultColor);
        if (base < 0)
        {
            base = 0;
            result = 0;
        }
    }
    if (record->length < 1)
        return result;
    if (!record->colors)
    {
        record->colors = static_cast<uint8_t*>(malloc(static_cast<size_t>(record->length)));
        if (!record->colors)
            return 0;
    }
    memset(record->colors, base, static_cast<size_t>(record->length));
    // Stride 0 gives every character the first number. A negative stride would walk back
    // before the caller's array (a read out of bounds): it reads forwards instead.
    if (stride < 0)
        stride = 1;
    int n = std::min(count, record->length);
    int lastNumber = -1;
    int lastIndex = base;
    for (int i = 0; i < n; ++i)
    {
        int number = colors[static_cast<size_t>(i) * static_cast<size_t>(stride)];
        if (number != lastNumber)
        {
            lastNumber = number;
            lastIndex = ColorIndex(number);
        }
        if (lastIndex < 0)
        {
            result = 0;
            continue;
        }
        record->colors[i] = static_cast<uint8_t>(lastIndex);
    }
    return result;
}

int CTextEdit::SetDefaultColor(int number)
{
    free(m_columnColors);
    m_columnColors = nullptr;
    // A default of 0 or below is the first format, without a lookup.
    int index = number <= 0 ? 0 : ColorIndex(number);
    m_defaultColor = index < 0 ? 0 : index;
    return index < 0 ? 0 : 1;
}

int CTextEdit::SetColumnColors(const uint8_t* numbers, int count, int defaultNumber)
{
    if (!numbers || count < 1)
        return SetDefaultColor(0);
    int result = SetDefaultColor(defaultNumber);
    m_columnColors = static_cast<uint8_t*>(malloc(m_maxLineLength + 16));
    if (!m_columnColors)
        return 0;
    memset(m_columnColors, m_defaultColor, m_maxLineLength + 16);
    for (int i = 0; i < count && static_cast<uint32_t>(i) < m_maxLineLength; ++i)
    {
        int index = ColorIndex(numbers[i]);
        if (index < 0)
            result = 0;
        else
            m_columnColors[i] = static_cast<uint8_t>(index);
    }
    return result;
}

int CTextEdit::GetLineTextAndColors(char** text, uint8_t** colors, int line, int column1, int column2,
                                    int flags) const
{
    if (text)
        *text = nullptr;
    if (colors)
        *colors = nullptr;
    const TextLine* record = GetLine(line);
    std::string out;
    std::string outColors;
    const int tw = TabWidth < 1 ? 4 : TabWidth;
    int column = 0;
    for (int i = 0; i < record->length; ++i)
    {
        unsigned char c = static_cast<unsigned char>(record->text[i]);
        int next = c == '\t' ? (column / tw + 1) * tw : column + 1;
        uint8_t color = static_cast<uint8_t>(GetCharColor(i, line));
        for (int cell = column; cell < next; ++cell)
        {
            if (cell < column1 || (column2 >= 0 && cell >= column2))
                continue;
            if (c == '\t' && !(flags & 1) && cell != std::max(column, column1))
                continue;
            unsigned char shown = (c == '\t' && (flags & 1)) ? ' ' : c;
            if (flags & 0x200)
            {
                out.push_back(static_cast<char>(shown));
                out.push_back('\0');
                outColors.push_back(static_cast<char>(color));
            }
            else if ((flags & 0x100) && shown > 127)
            {
                out.push_back(static_cast<char>(0xC0 | (shown >> 6)));
                out.push_back(static_cast<char>(0x80 | (shown & 0x3F)));
                outColors.append(2, static_cast<char>(color));
            }
            else
            {
                out.push_back(static_cast<char>(shown));
                outColors.push_back(static_cast<char>(color));
            }
        }
        column = next;
    }
    if (!outColors.empty() && static_cast<uint8_t>(outColors[0]) > 254)
        outColors[0] = 0;
    if (text)
    {
        *text = static_cast<char*>(malloc(out.size() + 2));
        if (*text)
        {
            memcpy(*text, out.data(), out.size());
            (*text)[out.size()] = 0;
            (*text)[out.size() + 1] = 0;
        }
    }
    if (colors)
    {
        *colors = static_cast<uint8_t*>(malloc(outColors.size() + 1));
        if (*colors)
        {
            memcpy(*colors, outColors.data(), outColors.size());
            (*colors)[outColors.size()] = 0;
        }
    }
    return static_cast<int>(out.size());
}

// ---------------------------------------------------------------------------------------------
// Drawing

int CTextEdit::ComposeLine(int line, int firstColumn, int count, char* cells, uint16_t* words) const
{
    const TextLine* record = GetLine(line);
    LineCellInput in;
    in.text = record->text;
    in.length = record->length;
    in.colors = record->colors;
    if (!in.colors && m_columnColors && record->length > 0)
        in.colors = m_columnColors;
    // With rules, a line without colour bytes is all in the colour it starts with (an open
    // region of the line before, or 0).
    in.defaultColor = m_defaultColor < 0 ? CarriedColor(line) : m_defaultColor;
    in.firstColumn = firstColumn;
    in.columnCount = count;
    in.tabWidth = TabWidth;
    in.selectFrom = kNoSelection;
    in.selectTo = kNoSelection;
    in.breakSelected = false;
    in.freeCaret = (EditOptions & EO_FREE_CARET) != 0;
    if (m_selectionMode)
    {
        int c1, l1, c2, l2;
        SelectionOrdered(&c1, &l1, &c2, &l2);
        if (m_selectionMode == 1 && line == l1)
        {
            in.selectFrom = c1;
            in.selectTo = c2;
        }
        else if (m_selectionMode == 2 && (EditOptions & EO_LINEWISE))
        {
            int first = 0, end = 0;
            GetSelectedLines(&first, &end);
            if (line >= first && line < end)
            {
                in.selectFrom = 0;
                in.breakSelected = true;
            }
        }
        else if (m_selectionMode == 2 && line >= l1 && line <= l2)
        {
            in.selectFrom = line == l1 ? c1 : 0;
            if (line == l2)
                in.selectTo = c2;
            else
                in.breakSelected = true;
        }
    }
    in.drawBreakCell = in.breakSelected && !(EditOptions & EO_NO_BREAK_CELL);
    int shown = ComposeLineCells(in, cells, words);
    ApplyBracketHighlight(line, firstColumn, count, words);
    return shown;
}

int CTextEdit::PrintLine(CDC* dc, const RECT& rect, int line, int firstColumn, int count, int flags)
{
    if (!dc || count < 1 || line < 0 || static_cast<uint32_t>(line) >= m_lineCount)
        return 0;
    // The cells of a window's width on the stack; only a wider line takes the heap.
    char cellBuffer[kStackCells + 1];
    uint16_t wordBuffer[kStackCells + 1];
    std::vector<char> wideCells;
    std::vector<uint16_t> wideWords;
    char* cells = cellBuffer;
    uint16_t* words = wordBuffer;
    if (count > kStackCells)
    {
        wideCells.resize(static_cast<size_t>(count) + 1);
        wideWords.resize(static_cast<size_t>(count) + 1);
        cells = wideCells.data();
        words = wideWords.data();
    }
    ComposeLine(line, firstColumn, count, cells, words);
    // TABs are already blanks: the tab origin bits no longer matter.
    DrawTextLine(dc, rect, cells, words, count, flags & 0x400, TabWidth);
    return count;
}

void CTextEdit::PrintMargin(CDC* dc, const RECT& rect, int line)
{
    if (!dc)
        return;
    HGDIOBJ oldFont = ::SelectObject(dc->m_hDC, ::GetStockObject(ANSI_VAR_FONT));
    COLORREF oldText = ::SetTextColor(dc->m_hDC, RGB(0x80, 0x80, 0x80));
    COLORREF oldBack = ::SetBkColor(dc->m_hDC, RGB(0xC0, 0xC0, 0xC0));
    ::ExtTextOutW(dc->m_hDC, rect.left, rect.top, ETO_OPAQUE, &rect, L"", 0, nullptr);
    char number[16];
    snprintf(number, sizeof(number), "%d", line + 1);
    RECT r = rect;
    UINT align = DT_RIGHT;
    if (m_hooks[TEH_MARGIN])
    {
        TextEditMarginHook hook =
            reinterpret_cast<TextEditMarginHook>(reinterpret_cast<void (*)()>(m_hooks[TEH_MARGIN]));
        HICON icon = nullptr;
        int width = 0;
        int result = hook(this, m_hookContexts[TEH_MARGIN], line, &icon, 64, &width);
        if (result & 0x10000)
        {
            // Icon first, then the number after the room the hook asked for.
            r.left += 4;
            if (icon)
                ::DrawIcon(dc->m_hDC, r.left, r.top, icon);
            r.left += result & 0xFFFF;
            align = DT_LEFT;
        }
        else
        {
            r.right -= 4 + (result & 0xFFFF);
            if (icon)
                ::DrawIcon(dc->m_hDC, r.left, r.top, icon);
        }
    }
    else
    {
        r.right -= 4;
    }
    ::DrawTextA(dc->m_hDC, number, -1, &r, align | DT_NOPREFIX | DT_SINGLELINE);
    ::SetBkColor(dc->m_hDC, oldBack);
    ::SetTextColor(dc->m_hDC, oldText);
    ::SelectObject(dc->m_hDC, oldFont);
}

int CTextEdit::EditColors()
{
    // The format of the character at the caret is the one the user means; with a syntax
    // definition the formats it uses are offered first.
    int row = 0;
    const int line = Layout().CaretLine();
    if (line >= 0 && line < GetLineCount())
    {
        const TextLine* record = GetLine(line);
        int index = record ? ColumnToIndex(Layout().CaretColumn(), record->text, record->length) : 0;
        row = GetCharColor(index, line);
    }
    return RunColorsDialog(row < 0 ? 0 : row, reinterpret_cast<const uint8_t*>(GetColorsInUse()));
}

void CTextEdit::OnSettingsChanged(int flags)
{
    if (flags & 1)
    {
        // A new tab width can make a line wider than the columns the view scrolls through
        // (a TAB counts up to 32 of them): the columns grow with it, as for a new line.
        for (uint32_t i = m_lineCount; i-- > 0;)
        {
            MeasureLine(m_lines[i]);
            if (m_lines[i]->width + 1 > Layout().ColumnCount())
                Layout().SetColumnCount(m_lines[i]->width + 1);
        }
    }
    if (flags & 2)
    {
        for (int l = 0; l < static_cast<int>(m_lineCount); l = ColorLine(l))
        {
        }
    }
    if (flags & 8)
        Layout().UpdateLayout(0);
    if (flags & 4)
    {
        Layout().RepaintWord() |= RP_ALL;
        RequestUpdate(1);
    }
}

int CTextEdit::SetLineNumberWidth(int width)
{
    int old = m_lineNumberWidth;
    if (width < 1)
        width = 1;
    if (width > 256)
        width = 256;
    if (width != m_lineNumberWidth)
    {
        m_lineNumberWidth = width;
        if (EditOptions & EO_LINE_NUMBERS)
            SetMarginWidth(width);
    }
    return old;
}

void CTextEdit::ApplyMargin()
{
    SetMarginWidth((EditOptions & EO_LINE_NUMBERS) ? m_lineNumberWidth : 0);
}

void CTextEdit::InvalidateLines(int line1, int line2)
{
    if (line1 > line2)
        std::swap(line1, line2);
    uint32_t& word = Layout().RepaintWord();
    if (line2 - line1 < 32 && line1 < 0x20000)
        RepaintLineRange(word, line1, line2);
    else
        RepaintFromLine(word, line1);
}
