#include "controls/FastListModel.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

// --- items

FastListItems::~FastListItems()
{
    Free();
}

bool FastListItems::Init() noexcept
{
    Free();
    // Room for one item and 8 bytes to spare.
    m_items = static_cast<FastListItem*>(std::calloc(1, sizeof(FastListItem) + 8));
    m_capacity = m_items ? 1 : 0;
    return m_items != nullptr;
}

void FastListItems::Free() noexcept
{
    std::free(m_items);
    m_items = nullptr;
    m_count = 0;
    m_capacity = 0;
}

int FastListItems::InsertGap(int pos, int n) noexcept
{
    if (n <= 0)
        return std::min(std::max(pos, 0), m_count);
    if (n > 0x7FFFFFF - m_count)
        return -1;
    if (m_count + n > m_capacity) {
        long long capacity = m_capacity;
        while (capacity < m_count + n)
            capacity = capacity + capacity / 2 + 64;
        if (capacity > 0x7FFFFFF)
            return -1;
        size_t bytes = static_cast<size_t>(capacity) * sizeof(FastListItem) + 8;
        FastListItem* grown = static_cast<FastListItem*>(std::malloc(bytes));
        if (!grown)
            return -1;
        if (m_count)
            std::memcpy(grown, m_items, static_cast<size_t>(m_count) * sizeof(FastListItem));
        std::memset(grown + m_count, 0, bytes - static_cast<size_t>(m_count) * sizeof(FastListItem));
        std::free(m_items);
        m_items = grown;
        m_capacity = static_cast<int>(capacity);
    }
    pos = std::min(std::max(pos, 0), m_count);
    std::memmove(m_items + pos + n, m_items + pos, static_cast<size_t>(m_count - pos) * sizeof(FastListItem));
    std::memset(m_items + pos, 0, static_cast<size_t>(n) * sizeof(FastListItem));
    m_count += n;
    return pos;
}

void FastListItems::Erase(int first, int n) noexcept
{
    if (first < 0 || first >= m_count || n <= 0)
        return;
    n = std::min(n, m_count - first);
    std::memmove(m_items + first, m_items + first + n, static_cast<size_t>(m_count - first - n) * sizeof(FastListItem));
    m_count -= n;
    std::memset(m_items + m_count, 0, static_cast<size_t>(n) * sizeof(FastListItem));
}

void FastListIndices::Inserted(int pos, int n) noexcept
{
    for (int* i : {&focus, &anchor, &hot, &tooltip, &edit, &mark}) {
        if (*i >= pos)
            *i += n;
    }
}

void FastListIndices::Deleted(int first, int n) noexcept
{
    for (int* i : {&focus, &anchor, &hot, &tooltip, &edit, &mark}) {
        if (*i < first)
            continue;
        *i = *i < first + n ? -1 : *i - n;
    }
}

void FastListIndices::Sorted(const std::vector<int>& newIndexOfOld) noexcept
{
    for (int* i : {&focus, &anchor, &mark, &edit}) {
        if (*i >= 0 && *i < static_cast<int>(newIndexOfOld.size()))
            *i = newIndexOfOld[*i];
        else
            *i = -1;
    }
    hot = tooltip = -1;
}

void SortFastListItems(FastListItem* items, int count, const std::function<int(DWORD, DWORD)>& compare,
                       std::vector<int>* newIndexOfOld)
{
    struct Entry {
        FastListItem item;
        int old;
    };
    std::vector<Entry> e(count > 0 ? count : 0);
    for (int i = 0; i < count; ++i)
        e[i] = {items[i], i};
    auto less = [&](const Entry& a, const Entry& b) { return compare(a.item.data, b.item.data) < 0; };
    // An iterative quicksort whose scans never pass the bounds of their range, so that a
    // comparison that contradicts itself cannot lead outside the array; small ranges finish
    // by insertion.
    std::vector<std::pair<int, int>> stack;
    if (count > 1)
        stack.push_back({0, count - 1});
    while (!stack.empty()) {
        auto [lo, hi] = stack.back();
        stack.pop_back();
        if (hi - lo < 12) {
            for (int i = lo + 1; i <= hi; ++i) {
                for (int j = i; j > lo && less(e[j], e[j - 1]); --j)
                    std::swap(e[j], e[j - 1]);
            }
            continue;
        }
        std::swap(e[lo + (hi - lo) / 2], e[hi]);
        const Entry pivot = e[hi];
        int store = lo;
        for (int i = lo; i < hi; ++i) {
            if (less(e[i], pivot))
                std::swap(e[i], e[store++]);
        }
        std::swap(e[store], e[hi]);
        // The smaller side first keeps the stack short.
        std::pair<int, int> left{lo, store - 1}, right{store + 1, hi};
        if (left.second - left.first > right.second - right.first)
            std::swap(left, right);
        if (right.first < right.second)
            stack.push_back(right);
        if (left.first < left.second)
            stack.push_back(left);
    }
    if (newIndexOfOld)
        newIndexOfOld->assign(count > 0 ? count : 0, -1);
    for (int i = 0; i < count; ++i) {
        items[i] = e[i].item;
        if (newIndexOfOld)
            (*newIndexOfOld)[e[i].old] = i;
    }
}

// --- scrolling

int ClampTopRow(int row, const FastListPage& page) noexcept
{
    int highest = std::max(0, page.count - page.wholeRows + 1);
    return std::min(std::max(row, 0), highest);
}

int ScrollBarTop(const FastListPage& page) noexcept
{
    if (page.count <= page.wholeRows)
        return 0;
    int highest = std::max(0, page.count - page.wholeRows / 2 + 1);
    return std::min(std::max(page.top, 0), highest);
}

int EnsureVisibleTop(int item, int mode, const FastListPage& page) noexcept
{
    if (item < 0 || item >= page.count)
        return page.top;
    if (mode == -2)
        return ClampTopRow(item, page);
    int rows = mode == 1 ? page.partialRows : page.wholeRows;
    if (rows < 1)
        rows = 1;
    if (item < page.top)
        return item;
    if (item >= page.top + rows) {
        int top = item - page.wholeRows + 1;
        return std::min(std::max(top, 0), std::max(0, page.count - page.wholeRows + 1));
    }
    return page.top;
}

int FollowTailTop(int pos, const FastListPage& page) noexcept
{
    const int whole = page.wholeRows;
    if (pos < page.top + whole - 2 || pos > page.top + whole)
        return page.top;
    if (whole < 2)
        return pos;
    return std::max(0, pos - whole + 2);
}

int WheelRows(int delta, UINT keys) noexcept
{
    int rows = delta / 60;
    if (keys & MK_CONTROL)
        rows *= 9;
    else if (keys & MK_SHIFT)
        rows *= 3;
    return rows;
}

void RowsPerPage(int itemAreaHeight, int rowHeight, int* whole, int* partial) noexcept
{
    if (rowHeight < 1)
        rowHeight = 1;
    if (itemAreaHeight < 0)
        itemAreaHeight = 0;
    *whole = itemAreaHeight / rowHeight;
    *partial = (itemAreaHeight + rowHeight - 1) / rowHeight;
}

int AutoRowHeight(int checkHeight, int stateHeight, int fourthHeight, int imageHeight, int fontHeight, DWORD exStyle,
                  DWORD style) noexcept
{
    int h = std::max({8, checkHeight, stateHeight, fourthHeight, imageHeight});
    h += (exStyle & (LVS_EX_GRIDLINES | FLS_EX_ALTERNATE)) ? 2 : 1;
    h = std::max(h, fontHeight + 3);
    if (exStyle & LVS_EX_GRIDLINES)
        h += 1;
    if ((style & 0x400) && (h & 1))
        h += 1;
    return h;
}

int ClampRowHeight(int height, bool oddAllowed) noexcept
{
    if (!oddAllowed && (height & 1))
        height -= 1;
    return std::min(std::max(height, 1), 256);
}

// --- next item

int NextFastListItem(const FastListState& s, int start, UINT flags) noexcept
{
    const int count = s.count;
    auto exists = [count](int i) { return i >= 0 && i < count ? i : -1; };
    switch (flags) {
    case 0:
        return start + 1 < count && start + 1 >= 0 ? start + 1 : -1;
    case 0x100:
        return s.hotColumn;
    case 0x101:
        return s.focusColumn;
    case 0x102:
        return s.index.mark >= 0 ? exists(s.index.mark) : exists(s.index.focus);
    case 0x103:
        return s.index.mark >= 0 ? s.markColumn : s.focusColumn;
    case 0x105:   // the page here starts after the top row
        return start > s.top && start <= s.top + s.wholeRows ? exists(start) : -1;
    case 0x106:
        return start - 1 > s.top && start - 1 <= s.top + s.wholeRows ? exists(start - 1) : -1;
    case 0x107: {
        int last = s.top + s.wholeRows;
        return last > s.top ? exists(last) : -1;
    }
    case 0x108:
        return exists(s.index.focus);
    case 0x109:
        return exists(s.index.hot);
    case 0x10A:
        return exists(s.top);
    default:
        break;
    }
    if (flags == LVNI_SELECTED) {
        if (s.selected == 0)
            return -1;
        // Wrong result mended: the one selected item need not be the focused one (a Ctrl press
        // moves the focus off it), so the shortcut holds only for a selected focus; else scan.
        if (s.selected == 1 && s.index.focus >= 0 && s.index.focus < count &&
            (s.items[s.index.focus].state & LVIS_SELECTED) && (start == -1 || start < s.index.focus))
            return s.index.focus;
    }
    const UINT bits = flags & 0xF;
    if (!bits)
        return -1;
    for (int i = std::max(start + 1, 0); i < count; ++i) {
        if (s.items[i].state & bits)
            return i;
    }
    return -1;
}

// --- colours

FastListSysColours FastListSysColours::Current() noexcept
{
    return {::GetSysColor(COLOR_WINDOW),     ::GetSysColor(COLOR_INFOBK),    ::GetSysColor(COLOR_BTNFACE),
            ::GetSysColor(COLOR_WINDOWTEXT), ::GetSysColor(COLOR_HIGHLIGHT), ::GetSysColor(COLOR_SCROLLBAR)};
}

COLORREF DarkenColour(COLORREF c) noexcept
{
    int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    if (b & 0xF0)
        b -= 15;
    if (g & 0xF0)
        g -= 11;
    if (r & 0xF0)
        r -= 11;
    return RGB(r, g, b);
}

namespace {

// 7/8 of a plus 1/8 of b, channel by channel.
COLORREF Tint8(COLORREF a, COLORREF b)
{
    return (a - ((a >> 3) & 0x1F1F1F)) + ((b >> 3) & 0x1F1F1F);
}

// 3/4 of a plus 1/4 of b.
COLORREF Tint4(COLORREF a, COLORREF b)
{
    return (a - ((a >> 2) & 0x3F3F3F)) + ((b >> 2) & 0x3F3F3F);
}

int SquaredDistance(COLORREF a, COLORREF b)
{
    int dr = GetRValue(a) - GetRValue(b), dg = GetGValue(a) - GetGValue(b), db = GetBValue(a) - GetBValue(b);
    return dr * dr + dg * dg + db * db;
}

}  // namespace

void ComputeFastListColours(const FastListSysColours& sys, const bool ownerSet[13], COLORREF t[13]) noexcept
{
    auto set = [&](int i, COLORREF c) {
        if (!ownerSet[i])
            t[i] = c & 0xFFFFFF;
    };
    set(0, sys.window);
    set(2, sys.window);
    COLORREF alt = sys.infoBk;
    if (SquaredDistance(alt, t[2]) < 64)
        alt = RGB(GetRValue(t[2]), GetGValue(t[2]), std::max(0, GetBValue(t[2]) - 8));
    set(1, alt);
    set(3, sys.btnFace);
    set(4, sys.windowText);
    set(5, sys.windowText ^ 0xFF0000);
    set(6, Tint8(t[1], sys.highlight));
    set(7, Tint8(t[2], sys.highlight));
    set(8, DarkenColour(sys.window));
    set(9, DarkenColour(t[1]));
    set(10, DarkenColour(sys.window));
    set(11, Tint4(sys.window, sys.scrollbar));
    set(12, Tint4(sys.btnFace, sys.highlight));
}

// --- columns

std::vector<int> DistributeByWeight(const std::vector<int>& weights, int d, int phase)
{
    const int n = static_cast<int>(weights.size());
    std::vector<int> shares(n, 0);
    long long total = 0;
    for (int w : weights)
        total += std::max(w, 0);
    if (total <= 0 || n == 0)
        return shares;
    const long long q = d / total;
    const long long r = d % total;
    // The column whose weight range holds phase mod W starts the diffusion.
    long long p = ((phase % total) + total) % total;
    int start = 0;
    for (long long acc = 0; start < n; ++start) {
        acc += std::max(weights[start], 0);
        if (p < acc)
            break;
    }
    if (start >= n)
        start = 0;
    long long carry = 0;
    for (int k = 0; k < n; ++k) {
        int i = (start + k) % n;
        long long w = std::max(weights[i], 0);
        carry += r * w;
        // Rounded share of what has built up; the rest is carried on.
        long long extra = carry >= 0 ? (carry + total / 2) / total : -((-carry + total / 2) / total);
        carry -= extra * total;
        shares[i] = static_cast<int>(q * w + extra);
    }
    return shares;
}

int FastListColumns::Insert(int at, const FastListColumn& column)
{
    if (Count() >= kMax)
        return -1;
    at = std::min(std::max(at, 0), Count());
    m_columns.insert(m_columns.begin() + at, column);
    if (column.weight > 0)
        m_restretch = true;
    for (int& c : m_order) {
        if (c >= at)
            ++c;
    }
    // A new column takes the display position of its index.
    int position = std::min(at, static_cast<int>(m_order.size()));
    m_order.insert(m_order.begin() + position, at);
    RecomputeEdges();
    return at;
}

bool FastListColumns::Delete(int c)
{
    if (!Valid(c))
        return false;
    m_columns.erase(m_columns.begin() + c);
    m_order.erase(std::remove(m_order.begin(), m_order.end(), c), m_order.end());
    for (int& o : m_order) {
        if (o > c)
            --o;
    }
    RecomputeEdges();
    return true;
}

int FastListColumns::ColumnAt(int position) const noexcept
{
    return position >= 0 && position < static_cast<int>(m_order.size()) ? m_order[position] : -1;
}

int FastListColumns::PositionOf(int column) const noexcept
{
    for (size_t p = 0; p < m_order.size(); ++p) {
        if (m_order[p] == column)
            return static_cast<int>(p);
    }
    return -1;
}

bool FastListColumns::SetOrder(const int* order, int n)
{
    if (!order || n != Count())
        return false;
    std::vector<bool> seen(n, false);
    for (int i = 0; i < n; ++i) {
        if (order[i] < 0 || order[i] >= n || seen[order[i]])
            return false;
        seen[order[i]] = true;
    }
    m_order.assign(order, order + n);
    RecomputeEdges();
    return true;
}

void FastListColumns::RecomputeEdges()
{
    m_edges.assign(1, 0);
    m_fixedSum = m_stretchSum = 0;
    for (int c : m_order) {
        const FastListColumn& col = m_columns[c];
        int w = col.hidden ? 0 : col.shown;
        if (col.weight > 0)
            m_stretchSum += w;
        else
            m_fixedSum += w;
        m_edges.push_back(m_edges.back() + w);
    }
}

std::vector<int> FastListColumns::Stretch(int visibleWidth)
{
    std::vector<int> changed;
    std::vector<int> weights;
    std::vector<int> columns;
    int fixed = 0;
    int current = 0;
    for (int c : m_order) {
        const FastListColumn& col = m_columns[c];
        if (col.hidden)
            continue;
        if (col.weight > 0) {
            weights.push_back(col.weight);
            columns.push_back(c);
            current += col.shown;
        } else {
            fixed += col.shown;
        }
    }
    if (!columns.empty() && m_restretch) {
        // A new stretch column: the whole free width is shared again.
        for (int c : columns)
            m_columns[c].shown = 0;
        current = 0;
    }
    m_restretch = false;
    if (!columns.empty()) {
        const int free = std::max(0, visibleWidth - fixed);
        std::vector<int> shares = DistributeByWeight(weights, free - current, visibleWidth);
        for (size_t k = 0; k < columns.size(); ++k) {
            FastListColumn& col = m_columns[columns[k]];
            int shown = std::max(col.shown + shares[k], std::max(col.minWidth, 0));
            if (shown != col.shown) {
                col.shown = shown;
                changed.push_back(columns[k]);
            }
        }
    }
    m_lastVisible = visibleWidth;
    RecomputeEdges();
    return changed;
}

bool FastListColumns::SetHidden(int c, bool hidden)
{
    if (!Valid(c))
        return false;
    FastListColumn& col = m_columns[c];
    if (col.hidden == hidden)
        return false;
    if (hidden) {
        col.saved = col.shown > 0 ? col.shown : 100;
        col.shown = 0;
        col.hidden = true;
    } else {
        col.hidden = false;
        col.shown = col.saved > 0 ? col.saved : 100;
        col.width = col.shown;
        col.saved = 0;
    }
    RecomputeEdges();
    return true;
}

// --- type-ahead

namespace {

DWORD DefaultClock()
{
    return ::GetTickCount();
}

DWORD (*g_clock)() = &DefaultClock;

}  // namespace

unsigned char TypeAheadUpper(unsigned char c) noexcept
{
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE))
        return static_cast<unsigned char>(c - 32);
    return c;
}

FastListTypeAhead& FastListTypeAhead::Shared() noexcept
{
    static FastListTypeAhead shared;
    return shared;
}

void FastListTypeAhead::SetClock(DWORD (*clock)()) noexcept
{
    g_clock = clock ? clock : &DefaultClock;
}

DWORD FastListTypeAhead::Now() noexcept
{
    return g_clock();
}

void FastListTypeAhead::Reset() noexcept
{
    m_window = nullptr;
    m_start = -1;
    m_length = 0;
    m_prefix[0] = 0;
    m_any = false;
}

std::string FastListTypeAhead::Prefix() const
{
    if (!m_any || Now() - m_last >= 751)
        return std::string();
    return std::string(m_prefix, m_length);
}

int FastListTypeAhead::Type(HWND window, unsigned char ch, int focus, int count,
                            const std::function<std::string(int item)>& textOf) noexcept
{
    if (count <= 0)
        return -1;
    const DWORD now = Now();
    const DWORD pause = m_length == 0 ? 500 : (m_length < 3 ? 750 : 1000);
    // A prefix belongs to the list it was typed in; another list starts its own.
    if (!m_any || window != m_window || now - m_last > pause || m_length >= 16) {
        m_window = window;
        m_start = focus >= 0 && focus < count ? focus : 0;
        m_length = 0;
    }
    m_any = true;
    m_last = now;
    m_prefix[m_length++] = static_cast<char>(TypeAheadUpper(ch));
    m_prefix[m_length] = 0;
    // The list may have shrunk since the search began.
    if (m_start >= count)
        m_start = count - 1;
    if (m_start < 0)
        m_start = 0;

    auto begins = [&](int item, const char* prefix, int length) {
        std::string text = textOf(item);
        if (static_cast<int>(text.size()) < length)
            return false;
        for (int k = 0; k < length; ++k) {
            if (TypeAheadUpper(static_cast<unsigned char>(text[k])) != static_cast<unsigned char>(prefix[k]))
                return false;
        }
        return true;
    };
    int candidate = -1;
    for (int step = 1; step < count; ++step) {
        int item = (m_start + step) % count;
        if (begins(item, m_prefix, m_length))
            return item;
        if (candidate < 0 && begins(item, m_prefix, 1))
            candidate = item;
    }
    if (candidate < 0)
        return -1;
    // No item has the whole prefix: each further character moves on to the next item that
    // begins with it, so typing one letter again cycles through its items.
    for (int k = 1; k < m_length; ++k) {
        for (int step = 1; step <= count; ++step) {
            int item = (candidate + step) % count;
            if (begins(item, m_prefix + k, 1)) {
                candidate = item;
                break;
            }
        }
    }
    return candidate;
}
