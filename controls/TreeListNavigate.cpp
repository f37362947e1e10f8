// TreeList model: walking the tree (TVM_GETNEXTITEM and the own codes), finding items, the
// three sorts, the insertion mark and the incremental search.
#include "controls/TreeListModel.h"

#include <string.h>
#include <string>
#include <vector>

namespace {

const UINT kRoot = 0xFFFF0000u;
const UINT kFirst = 0xFFFF0001u;

HTREEITEM Handle(UINT n) { return reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(n)); }

unsigned char FoldSearch(unsigned char ch)
{
    if ((ch >= 'a' && ch <= 'z') || (ch >= 0xE0 && ch <= 0xFE))
        return static_cast<unsigned char>(ch - 32);
    return ch;
}

bool BeginsFolded(const char* text, int length, const char* prefix, int n)
{
    if (length < n)
        return false;
    for (int i = 0; i < n; ++i)
        if (FoldSearch(static_cast<unsigned char>(text[i])) != static_cast<unsigned char>(prefix[i]))
            return false;
    return true;
}

bool IsChecked(const TreeListItem* it, DWORD exStyle)
{
    return (exStyle & TLX_CHECKBIT) ? (it->state & 0x1000) != 0 : (it->state & 0xF000) == 0x2000;
}

}  // namespace

UINT TreeListModel::GetNextItem(UINT code, UINT item) noexcept
{
    const bool root = item == kRoot;
    const TreeListItem* it = root ? nullptr : Item(item);
    const int pinned = static_cast<int>(props[TLP_PINNEDROWS]);
    switch (code) {
    case TVGN_ROOT:
        return firstTop;
    case TVGN_NEXT:
        return it ? it->next : 0;
    case TVGN_PREVIOUS:
        return it ? it->prev : 0;
    case TVGN_PARENT:
        return it ? it->parent : 0;
    case TVGN_CHILD:
        return root || item == 0 ? firstTop : (it ? it->firstChild : 0);
    case TVGN_FIRSTVISIBLE:
        // Wrong result mended: with pinned rows the row at the first visible index lies hidden
        // under them, so the answer is the row at the top of the window, the first pinned
        // one (code 14 names where the scrolled part starts).
        return RowItem(ScreenRowToIndex(0));
    case TVGN_NEXTVISIBLE: {
        if (root)
            return Item(firstTop) && items[firstTop]->row && static_cast<int>(items[firstTop]->row) - 1 >= firstVisible
                       ? firstTop : 0;
        if (!it || !it->row)
            return 0;
        int r = static_cast<int>(it->row) - 1;
        if (r < firstVisible || r + 1 >= firstVisible + fullRows)
            return 0;
        return RowItem(r + 1);
    }
    case TVGN_PREVIOUSVISIBLE: {
        if (!it || !it->row)
            return 0;
        int r = static_cast<int>(it->row) - 1;
        if (r - 1 < firstVisible || r >= firstVisible + fullRows + 1)
            return 0;
        return RowItem(r - 1);
    }
    case TVGN_DROPHILITE:
        return dropHilite;
    case TVGN_CARET:
        return caret;
    case TVGN_LASTVISIBLE:
        return rowCount ? rows[rowCount - 1] : 0;
    case TVGN_NEXTSELECTED: {
        if (root)
            return (exStyle & TLX_MULTISELECT) ? GetNextItem(17, kRoot) : caret;
        if (!it)
            return 0;
        if (!(exStyle & TLX_MULTISELECT))
            return 0;   // the caret is the only selected item
        // Tree order through closed branches too, as from TVI_ROOT: a closed item's
        // descendants follow its selection, and a caller walking the selection meets them.
        for (UINT x = NextInTree(item); x; x = NextInTree(x))
            if (items[x]->state & TVIS_SELECTED)
                return x;
        return 0;
    }
    case 12:
        return static_cast<UINT>(dropHiliteColumn);
    case 13:
        return static_cast<UINT>(caretColumn);
    case 14:
        return RowItem(firstVisible + pinned);
    case 15:
        if (exStyle & TLX_MULTISELECT)
            return Item(cursor) ? cursor : caret;
        return selectedCount == 1 || !Item(cursor) ? caret : cursor;
    case 16: {
        UINT n = GetNextItem(15, 0);
        return static_cast<UINT>(n == cursor && n != caret ? cursorColumn : caretColumn);
    }
    case 17: {
        UINT x = root ? firstTop : (it ? NextInTree(item) : 0);
        for (; x; x = NextInTree(x))
            if (items[x]->state & TVIS_SELECTED)
                return x;
        return 0;
    }
    case 18:
        return root || item == 0 ? lastTop : (it ? it->lastChild : 0);
    case 19:
        return root ? firstTop : (it ? NextInTree(item) : 0);
    case 20:
        return RowItem(pinned);
    case 21: {
        UINT x = root ? firstTop : (it ? NextInTree(item) : 0);
        for (; x; x = NextInTree(x))
            if (IsChecked(items[x], exStyle))
                return x;
        return 0;
    }
    case 22:
        return it ? it->level : 0;
    default:
        return 0;
    }
}

// --- find

bool TreeListModel::Matches(UINT item, const TreeListFind* r) noexcept
{
    const TreeListItem* it = Item(item);
    if (!it)
        return false;
    if ((r->flags & TLF_DATA) && it->data != r->data)
        return false;
    if ((r->flags & TLF_STATE) && ((it->state ^ r->state) & r->stateMask))
        return false;
    if (r->flags & TLF_TEXT) {
        int length = 0;
        int column = r->column >= 1 ? r->column : 0;
        if (column && !ValidColumn(column))
            return false;
        const char* text = ItemText(item, column, &length, 0);
        if (!text)
            return false;
        const char* want = r->text ? r->text : "";
        int wl = static_cast<int>(strlen(want));
        if (wl != length)
            return false;
        if (r->flags & TLF_NOCASE)
            return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text, length, want, wl) == CSTR_EQUAL;
        return memcmp(text, want, static_cast<size_t>(length)) == 0;
    }
    return true;
}

UINT TreeListModel::Find(UINT start, TreeListFind* r) noexcept
{
    if (!r)
        return 0;
    const UINT f = r->flags;
    const bool recursive = (f & TLF_RECURSIVE) != 0;
    UINT x;
    if (f & (TLF_CHILDREN | TLF_INTOCHILDREN)) {
        if (start == kRoot)
            x = firstTop;
        else if (Item(start))
            x = items[start]->firstChild;
        else
            return 0;
    } else if (start == kRoot) {
        if (!recursive || (f & TLF_AFTER))
            return 0;
        x = firstTop;
    } else {
        if (!Item(start))
            return 0;
        x = (f & TLF_AFTER) ? items[start]->next : start;
    }
    if (!x)
        return 0;
    const int startLevel = items[x]->level;
    r->flags = (r->flags & ~0xFF0000u) | (static_cast<UINT>(startLevel & 0xFF) << 16);
    // Children are entered below the depth limit, counted in levels from the start item.
    const int limit = static_cast<int>((f >> 8) & 0xFF);
    // Each item is visited once: the walk ends after every item, so a text request that
    // changes the tree cannot make it go round.
    for (UINT guard = 0; x && guard <= capacity; ++guard) {
        if (Matches(x, r))
            return x;
        if (!Item(x))
            return 0;
        const TreeListItem* it = items[x];
        bool enter = recursive && it->firstChild && it->level - startLevel < limit;
        if (enter && (f & TLF_SHOWNONLY))
            enter = it->row && (it->state & TVIS_EXPANDED);
        if (enter) {
            x = it->firstChild;
            continue;
        }
        while (x) {
            if (items[x]->next) {
                x = items[x]->next;
                break;
            }
            if (!recursive || items[x]->level <= startLevel) {
                x = 0;
                break;
            }
            x = items[x]->parent;
        }
    }
    return 0;
}

// --- sorting

// Quicksort with an explicit stack. The scans stop at their range's ends whatever the
// comparison answers, so an inconsistent comparison gives some order, never a read outside.
template <class Less>
void TreeListModel::QuickSort(UINT* a, int n, Less cmp) noexcept
{
    struct Range { int lo, hi; } stack[64];
    int top = 0;
    stack[top++] = { 0, n - 1 };
    while (top > 0) {
        Range rg = stack[--top];
        int lo = rg.lo, hi = rg.hi;
        while (hi > lo) {
            int mid = lo + (hi - lo) / 2;
            UINT t = a[lo]; a[lo] = a[mid]; a[mid] = t;
            const UINT pivot = a[lo];
            int i = lo + 1, j = hi;
            for (;;) {
                while (i <= hi && cmp(a[i], pivot) <= 0)
                    ++i;
                while (j > lo && cmp(a[j], pivot) >= 0)
                    --j;
                if (i >= j)
                    break;
                t = a[i]; a[i] = a[j]; a[j] = t;
                ++i;
                --j;
            }
            if (j < lo) j = lo;
            t = a[lo]; a[lo] = a[j]; a[j] = t;
            // The smaller part next, the larger one on the stack.
            if (j - lo < hi - j) {
                if (j + 1 < hi && top < 64) stack[top++] = { j + 1, hi };
                hi = j - 1;
            } else {
                if (lo < j - 1 && top < 64) stack[top++] = { lo, j - 1 };
                lo = j + 1;
            }
        }
    }
}

namespace {

struct SortEntry {
    UINT number;
    LPARAM data;
    std::string text;
};

}  // namespace

int TreeListModel::Sort(UINT parent, bool subtree, int kind, const void* compare, LPARAM context, bool nested) noexcept
{
    // Parent 0 is the invisible root, the same as TVI_ROOT, here as wherever a parent is taken.
    if (parent == kRoot)
        parent = 0;
    else if (parent != 0 && !Item(parent))
        return 0;
    UINT first = parent ? items[parent]->firstChild : firstTop;
    UINT last = parent ? items[parent]->lastChild : lastTop;
    if (!first)
        return 1;
    if (first == last) {
        if (items[first]->firstChild)
            Sort(first, subtree, kind, compare, context, nested);
        return 1;
    }
    if (subtree) {
        std::vector<UINT> withChildren;
        for (UINT x = first; x; x = items[x]->next)
            if (items[x]->firstChild)
                withChildren.push_back(x);
        for (UINT x : withChildren)
            if (Item(x))
                Sort(x, true, kind, compare, context, true);
        if (parent && !Item(parent))
            return 0;
        first = parent ? items[parent]->firstChild : firstTop;
    }
    std::vector<SortEntry> entries;
    for (UINT x = first; x; x = items[x]->next)
        entries.push_back({ x, items[x]->data, std::string() });
    if (kind == 0) {
        // Texts asked of the parent are taken before the sort: the comparisons run with the
        // lock released and must not ask again.
        for (SortEntry& e : entries) {
            int length = 0;
            const char* t = ItemText(e.number, 0, &length, 0);
            if (!t)
                return 0;
            e.text.assign(t, static_cast<size_t>(length));
        }
    }
    std::vector<UINT> order;
    std::vector<size_t> index(capacity + 1, 0);
    for (size_t i = 0; i < entries.size(); ++i) {
        order.push_back(entries[i].number);
        index[entries[i].number] = i;
    }
    HWND window = host->Window();
    ++sortDepth;
    host->ReleaseLock();
    auto cmp = [&](UINT a, UINT b) -> int {
        const SortEntry& x = entries[index[a]];
        const SortEntry& y = entries[index[b]];
        if (kind == 0)
            return _stricmp(x.text.c_str(), y.text.c_str());
        if (kind == 1)
            return reinterpret_cast<PFNTVCOMPARE>(const_cast<void*>(compare))(x.data, y.data, context);
        return reinterpret_cast<TreeListItemCompare>(const_cast<void*>(compare))(window, a, b, x.data, y.data, context);
    };
    QuickSort(order.data(), static_cast<int>(order.size()), cmp);
    host->TakeLock();
    --sortDepth;
    // Nothing could be inserted, deleted or moved meanwhile (a nested sort may have
    // reordered them); check that the children are still the ones sorted before relinking.
    if (parent && !Item(parent))
        return 0;
    size_t k = 0;
    for (UINT x = parent ? items[parent]->firstChild : firstTop; x; x = items[x]->next, ++k)
        if (k >= entries.size() || x > capacity || entries[index[x]].number != x)
            return 0;
    if (k != entries.size())
        return 0;
    UINT prev = 0;
    for (UINT n : order) {
        items[n]->prev = prev;
        items[n]->next = 0;
        if (prev)
            items[prev]->next = n;
        prev = n;
    }
    if (parent) {
        items[parent]->firstChild = order.front();
        items[parent]->lastChild = order.back();
    } else {
        firstTop = order.front();
        lastTop = order.back();
    }
    if (!nested) {
        if (!parent || (items[parent]->row && (items[parent]->state & TVIS_EXPANDED)))
            RebuildRows(parent);
        if ((style & TVS_SHOWSELALWAYS) && Item(caret))
            EnsureVisible(caret, caretColumn);
    }
    return 1;
}

int TreeListModel::SortChildren(UINT parent, bool subtree) noexcept
{
    return Sort(parent, subtree, 0, nullptr, 0, false);
}

int TreeListModel::SortChildrenCallback(const TVSORTCB* r, bool subtree) noexcept
{
    if (!r || !r->lpfnCompare)
        return 0;
    UINT parent = static_cast<UINT>(reinterpret_cast<UINT_PTR>(r->hParent));
    return Sort(parent, subtree, 1, reinterpret_cast<const void*>(r->lpfnCompare), r->lParam, false);
}

int TreeListModel::SortItems(const TreeListSort* r, bool subtree) noexcept
{
    if (!r || !r->compare)
        return 0;
    UINT parent = static_cast<UINT>(reinterpret_cast<UINT_PTR>(r->hParent));
    return Sort(parent, subtree, 2, reinterpret_cast<const void*>(r->compare), r->lParamSort, false);
}

// --- the insertion mark: a real, empty item painted in the insertion-mark colour

UINT TreeListModel::SetInsertMark(UINT item, bool after) noexcept
{
    if (Item(insertMark)) {
        if (Delete(insertMark, 0x4 | 0x1) == 0)
            return 0;   // refused while a sort runs
        insertMark = 0;
    }
    if (!item)
        return 0;
    TreeListItem* it = Item(item);
    if (!it)
        return 0;
    TreeListInsert ins = {};
    ins.hParent = it->parent ? Handle(it->parent) : reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(kRoot));
    if (after)
        ins.hInsertAfter = Handle(item);
    else
        ins.hInsertAfter = it->prev ? Handle(it->prev) : reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(kFirst));
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    ins.item.pszText = const_cast<LPSTR>("");
    ins.item.iImage = ins.item.iSelectedImage = -2;
    ins.item.cChildren = 0;
    UINT n = Insert(&ins);
    if (!n)
        return 0;
    SetItemColor(n, 255, colors[TLCOL_INSERTMARK], false, false);
    insertMark = n;
    return n;
}

// --- incremental search

UINT TreeListModel::SearchChar(unsigned char ch, DWORD now) noexcept
{
    if (ch < 32 || (exStyle & TLX_NOSEARCH) || rowCount == 0)
        return 0;
    TreeListSearchState& s = TreeListSearch();
    DWORD elapsed = now - s.time;
    DWORD limit = s.length >= 3 ? 1000 : 750;
    // A search goes on only in the window that began it; another window starts anew: its
    // start row counts the rows of the first window, and would step through this one's from
    // a place that means nothing here (or past their end).
    bool goOn = s.owner == this && s.length > 0 && s.length < 16 && elapsed <= limit;
    if (!goOn) {
        s.length = 0;
        s.startRow = Item(caret) && items[caret]->row ? static_cast<int>(items[caret]->row) - 1 : -1;
    }
    s.owner = this;
    s.time = now;
    s.text[s.length++] = static_cast<char>(FoldSearch(ch));
    const int column = caretColumn;
    int firstHit = -1;
    // One round over the rows after the start row; the start row is clipped to the rows
    // shown, so rows that vanished meanwhile cannot send the scan outside the list.
    for (int k = 1; k <= rowCount; ++k) {
        if (s.startRow >= rowCount)
            s.startRow = rowCount - 1;
        int r = (s.startRow + k) % rowCount;
        if (r < 0)
            r += rowCount;
        UINT n = rows[r];
        int length = 0;
        const char* text = ItemText(n, column, &length, 0);
        if (!text || r >= rowCount || rows[r] != n)
            continue;
        if (BeginsFolded(text, length, s.text, s.length)) {
            Select(n, column, 0x8000);
            if (Item(n)) {
                EnsureVisible(n, column);
                cursor = n;
            }
            return n;
        }
        if (firstHit < 0 && BeginsFolded(text, length, s.text, 1))
            firstHit = r;
    }
    if (firstHit < 0 || firstHit >= rowCount)
        return 0;
    int current = firstHit;
    for (int i = 1; i < s.length; ++i) {
        for (int k = 1; k <= rowCount; ++k) {
            int r = (current + k) % rowCount;
            if (r >= rowCount)
                break;
            UINT n = rows[r];
            int length = 0;
            const char* text = ItemText(n, column, &length, 0);
            if (text && r < rowCount && rows[r] == n && BeginsFolded(text, length, s.text + i, 1)) {
                current = r;
                break;
            }
        }
        if (current >= rowCount)
            return 0;
    }
    UINT n = rows[current];
    Select(n, column, 0x8000);
    if (Item(n)) {
        EnsureVisible(n, column);
        cursor = n;
    }
    return n;
}

int TreeListModel::GetSearchString(char* buffer, DWORD now) const noexcept
{
    const TreeListSearchState& s = TreeListSearch();
    bool young = s.length > 0 && now - s.time < 750;
    if (!buffer)
        return young ? s.length : 0;
    if (!young) {
        buffer[0] = 0;
        return 0;
    }
    memcpy(buffer, s.text, static_cast<size_t>(s.length));
    buffer[s.length] = 0;
    return 1;
}
