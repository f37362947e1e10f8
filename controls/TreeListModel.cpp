// TreeList model: the item table and its growth, item numbers, links, the visible-row
// list, insertion, setting and reading items and cells, texts asked of the parent,
// deletion, moves, group set and count, properties and the deferred-work queue.
#include "controls/TreeListModel.h"

#include <stdlib.h>
#include <string.h>
#include <vector>

namespace {

const UINT kRoot = 0xFFFF0000u;
const UINT kFirst = 0xFFFF0001u;
const UINT kLast = 0xFFFF0002u;
const UINT kSort = 0xFFFF0003u;
const UINT kTextMax = 65535;   // lengths are 16-bit

UINT Num(HTREEITEM h) { return static_cast<UINT>(reinterpret_cast<UINT_PTR>(h)); }
HTREEITEM Handle(UINT n) { return reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(n)); }

// Case folding of ASCII letters only, as the C library's stricmp in the "C" locale.
int CompareNoCaseAscii(const char* a, int la, const char* b, int lb)
{
    int n = la < lb ? la : lb;
    for (int i = 0; i < n; ++i) {
        int x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x += 32;
        if (y >= 'A' && y <= 'Z') y += 32;
        if (x != y) return x - y;
    }
    return la - lb;
}

}  // namespace

LPSTR TreeListAllocChoices(SIZE_T bytes) noexcept
{
    return static_cast<LPSTR>(HeapAlloc(GetProcessHeap(), 0, bytes ? bytes : 1));
}

void TreeListFreeChoices(LPSTR choices) noexcept
{
    if (choices)
        HeapFree(GetProcessHeap(), 0, choices);
}

TreeListSearchState& TreeListSearch()
{
    static TreeListSearchState state = {};
    return state;
}

TreeListModel::TreeListModel(TreeListHost* h) noexcept : host(h)
{
    props[TLP_CALLER1] = 1;
    props[TLP_SCROLLMARGIN] = 3;
    for (int& w : columnWords)
        w = -1;
    for (int c = 0; c < 32; ++c) {
        columns[c].choices = -1;
        columns[c].imageBase = -1;
        order[c] = static_cast<BYTE>(c);
    }
    columns[0].successor = 1;
    DefaultColors();
}

TreeListModel::~TreeListModel()
{
    for (UINT n = 1; n <= capacity; ++n)
        if (items[n])
            FreeItem(n);
    for (int c = 1; c < 32; ++c)
        free(cells[c]);
    free(items);
    free(rows);
    while (queueHead) {
        TreeListWork* w = queueHead;
        queueHead = w->next;
        free(w);
    }
}

// --- cells

TreeListCell* TreeListModel::Cell(UINT n, int column) const noexcept
{
    if (column <= 0 || column >= columnCount || column >= 32 || !Item(n) || !cells[column])
        return nullptr;
    return cells[column][n];
}

TreeListCell* TreeListModel::MakeCell(UINT n, int column) noexcept
{
    TreeListItem* it = Item(n);
    if (!it || column <= 0 || column >= columnCount || !cells[column])
        return nullptr;
    TreeListCell* c = cells[column][n];
    if (!c) {
        c = static_cast<TreeListCell*>(calloc(1, sizeof(TreeListCell)));
        if (!c)
            return nullptr;
        c->image = -2;
        c->state = it->state & 0x11;
        cells[column][n] = c;
    }
    return c;
}

// --- growth and numbers

bool TreeListModel::Grow() noexcept
{
    UINT grown = capacity + capacity / 2 + 64;
    TreeListItem** newItems = static_cast<TreeListItem**>(calloc(grown + 1, sizeof(TreeListItem*)));
    UINT* newRows = static_cast<UINT*>(calloc(grown, sizeof(UINT)));
    TreeListCell** newCells[32] = {};
    bool ok = newItems && newRows;
    for (int c = 1; ok && c < columnCount; ++c) {
        newCells[c] = static_cast<TreeListCell**>(calloc(grown + 1, sizeof(TreeListCell*)));
        ok = newCells[c] != nullptr;
    }
    if (!ok) {
        free(newItems);
        free(newRows);
        for (auto* t : newCells)
            free(t);
        return false;
    }
    if (items)
        memcpy(newItems, items, (capacity + 1) * sizeof(TreeListItem*));
    if (rows)
        memcpy(newRows, rows, static_cast<size_t>(rowCount) * sizeof(UINT));
    for (int c = 1; c < columnCount; ++c) {
        if (cells[c])
            memcpy(newCells[c], cells[c], (capacity + 1) * sizeof(TreeListCell*));
        free(cells[c]);
        cells[c] = newCells[c];
    }
    free(items);
    free(rows);
    items = newItems;
    rows = newRows;
    capacity = grown;
    return true;
}

UINT TreeListModel::TakeNumber() const noexcept
{
    for (UINT n = lastNumber + 1; n <= capacity; ++n)
        if (!items[n])
            return n;
    for (UINT n = 1; n <= lastNumber && n <= capacity; ++n)
        if (!items[n])
            return n;
    return 0;
}

// --- links

void TreeListModel::Link(UINT n, UINT parent, UINT before) noexcept
{
    TreeListItem* it = items[n];
    TreeListItem* p = parent ? items[parent] : nullptr;
    UINT& first = p ? p->firstChild : firstTop;
    UINT& last = p ? p->lastChild : lastTop;
    it->parent = parent;
    if (before) {
        TreeListItem* b = items[before];
        it->next = before;
        it->prev = b->prev;
        if (b->prev)
            items[b->prev]->next = n;
        else
            first = n;
        b->prev = n;
    } else {
        it->next = 0;
        it->prev = last;
        if (last)
            items[last]->next = n;
        else
            first = n;
        last = n;
    }
}

void TreeListModel::Unlink(UINT n) noexcept
{
    TreeListItem* it = items[n];
    TreeListItem* p = it->parent ? items[it->parent] : nullptr;
    UINT& first = p ? p->firstChild : firstTop;
    UINT& last = p ? p->lastChild : lastTop;
    if (it->prev)
        items[it->prev]->next = it->next;
    else
        first = it->next;
    if (it->next)
        items[it->next]->prev = it->prev;
    else
        last = it->prev;
    it->prev = it->next = 0;
    // A parent left without children shows no button, also one that was told it has some:
    // its button would open nothing.
    if (p && !p->firstChild)
        p->flags &= static_cast<BYTE>(~TLIF_BUTTON);
}

void TreeListModel::SetLevels(UINT n, WORD level) noexcept
{
    items[n]->level = level;
    UINT x = items[n]->firstChild;
    while (x && x != n) {
        TreeListItem* it = items[x];
        it->level = static_cast<WORD>(items[it->parent]->level + 1);
        if (it->firstChild) {
            x = it->firstChild;
            continue;
        }
        while (x && x != n && !items[x]->next)
            x = items[x]->parent;
        if (x && x != n)
            x = items[x]->next;
    }
}

bool TreeListModel::InSubtree(UINT item, UINT root) const noexcept
{
    for (UINT x = item; x; x = items[x]->parent)
        if (x == root)
            return true;
    return false;
}

UINT TreeListModel::NextInTree(UINT n) const noexcept
{
    const TreeListItem* it = items[n];
    if (it->firstChild)
        return it->firstChild;
    for (UINT x = n; x; x = items[x]->parent)
        if (items[x]->next)
            return items[x]->next;
    return 0;
}

UINT TreeListModel::NextShown(UINT n) const noexcept
{
    const TreeListItem* it = items[n];
    if (it->firstChild && (it->state & TVIS_EXPANDED) && !IsHidden(it))
        return it->firstChild;
    for (UINT x = n; x; x = items[x]->parent)
        if (items[x]->next)
            return items[x]->next;
    return 0;
}

bool TreeListModel::Shown(UINT n) const noexcept
{
    const TreeListItem* it = Item(n);
    return it && it->row != 0;
}

int TreeListModel::RowOf(UINT item) const noexcept
{
    const TreeListItem* it = Item(item);
    return it && it->row ? static_cast<int>(it->row) - 1 : -1;
}

// --- the visible-row list

void TreeListModel::RebuildRows(UINT from) noexcept
{
    const int oldCount = rowCount;
    int firstChanged;
    UINT x;
    const TreeListItem* f = Item(from);
    if (f && f->row) {
        int r = static_cast<int>(f->row);
        for (int i = r; i < rowCount; ++i)
            items[rows[i]]->row = 0;
        rowCount = r;
        firstChanged = r;
        x = NextShown(from);
    } else {
        for (int i = 0; i < rowCount; ++i)
            items[rows[i]]->row = 0;
        rowCount = 0;
        firstChanged = 0;
        x = firstTop;
    }
    while (x) {
        TreeListItem* it = items[x];
        if (!IsHidden(it)) {
            rows[rowCount++] = x;
            it->row = static_cast<UINT>(rowCount);
        }
        x = NextShown(x);
    }
    if (props[TLP_AUTOWIDTH] && columnCount > 0) {
        int widest = 0;
        for (int i = firstChanged; i < rowCount; ++i) {
            const UINT n = rows[i];
            const TreeListItem* it = items[n];
            int w = it->level * indent;
            if ((it->flags & TLIF_HASIMAGE) && hasNormalList)
                w += imageWidth;
            // The text may be asked of the parent, which may delete the item while it answers:
            // nothing of the item is read after this (its record was once read when freed).
            // The deletion took its rows out, so the row that took its place is measured next.
            w += TextWidth(n, 0);
            if (!Item(n)) {
                --i;
                continue;
            }
            if (w > widest)
                widest = w;
        }
        widest += (linesAtRoot ? indent : 0) + (hasStateList ? stateWidth : 0) + static_cast<int>(props[TLP_AUTOWIDTH]) + 6;
        if (widest > columns[0].width + 2)
            host->RequestColumnWidth(0, widest);
    }
    host->InvalidateRows(firstChanged, -1);
    if (rowCount != oldCount) {
        firstVisible = BarFirstRow(firstVisible);
        host->ScrollBarsChanged(true, false, false);
    }
}

// Removes a shown item and the shown rows of its subtree from the list.
void TreeListModel::RemoveRows(UINT n) noexcept
{
    TreeListItem* it = items[n];
    if (!it->row)
        return;
    int r = static_cast<int>(it->row) - 1;
    int end = r + 1;
    while (end < rowCount && items[rows[end]]->level > it->level)
        ++end;
    for (int i = r; i < end; ++i)
        items[rows[i]]->row = 0;
    memmove(rows + r, rows + end, static_cast<size_t>(rowCount - end) * sizeof(UINT));
    rowCount -= end - r;
    for (int i = r; i < rowCount; ++i)
        items[rows[i]]->row = static_cast<UINT>(i + 1);
    host->InvalidateRows(r, -1);
    host->ScrollBarsChanged(true, false, false);
}

// Rebuilds the rows from the nearest shown item before n (n itself is linked already).
void TreeListModel::RebuildAfterInsert(UINT n) noexcept
{
    TreeListItem* it = items[n];
    if (it->parent) {
        TreeListItem* p = items[it->parent];
        if (!p->row || !(p->state & TVIS_EXPANDED) || IsHidden(p)) {
            host->InvalidateCell(it->parent, -1);   // it may have gained its button
            return;
        }
    }
    UINT before = it->prev;
    while (before && !items[before]->row)
        before = items[before]->prev;   // hidden siblings
    if (before)
        RebuildRows(before);
    else if (it->parent)
        RebuildRows(it->parent);
    else
        RebuildRows(0);
}

void TreeListModel::AfterStructureChange() noexcept
{
    int f = ClampFirstRow(firstVisible);
    if (f != firstVisible) {
        firstVisible = f;
        host->Scrolled(true);
    }
    host->ScrollBarsChanged(true, false, false);
}

// --- texts

bool TreeListModel::SetText(char** text, WORD* length, const char* source) noexcept
{
    size_t len = source ? strlen(source) : 0;
    if (len > kTextMax)
        len = kTextMax;   // cut, so that the 16-bit length holds it
    if (!*text || len > *length) {
        char* grown = static_cast<char*>(malloc(len + 1));
        if (!grown)
            return false;
        free(*text);
        *text = grown;
    }
    if (len)
        memcpy(*text, source, len);
    (*text)[len] = 0;
    *length = static_cast<WORD>(len);
    return true;
}

bool TreeListModel::StoreText(char** text, WORD* length, BYTE* callback, const char* source) noexcept
{
    if (source == LPSTR_TEXTCALLBACKA) {
        free(*text);
        *text = nullptr;
        *length = 0;
        *callback |= TLCB_TEXT;
        return true;
    }
    if (!SetText(text, length, source))
        return false;
    *callback &= static_cast<BYTE>(~TLCB_TEXT);
    return true;
}

// A selected bit set or cleared by a caller goes through the selection routines.
void TreeListModel::ChangeSelection(UINT item, int column, bool select) noexcept
{
    if (exStyle & TLX_MULTISELECT) {
        if (item != caret)
            ToggleSelection(item, TVC_UNKNOWN);
    } else if (select) {
        Select(item, (exStyle & TLX_CELLSELECT) ? column : 0, 0x8000);
    } else if (item == caret) {
        Select(0, 0, 0x8000);
    }
}

void TreeListModel::Describe(TVITEMA* out, UINT item, int column, UINT mask) const noexcept
{
    memset(out, 0, sizeof *out);
    out->mask = mask;
    out->hItem = Handle(item);
    const TreeListItem* it = Item(item);
    if (!it)
        return;
    out->state = it->state;
    if (column > 0) {
        const TreeListCell* c = Cell(item, column);
        out->state = (it->state & 0xE2) | (c ? c->state & ~0xE2u : 0);
    }
    out->stateMask = 0xFFFFFFFF;
    out->lParam = it->data;
    out->cChildren = column;
}

const char* TreeListModel::ItemText(UINT item, int column, int* length, int buffer) noexcept
{
    TreeListItem* it = Item(item);
    if (length)
        *length = 0;
    if (!it)
        return nullptr;
    bool callback;
    if (column > 0) {
        TreeListCell* c = Cell(item, column);
        if (!c)
            return "";
        callback = (c->callback & TLCB_TEXT) != 0;
        if (!callback) {
            if (length)
                *length = c->text ? c->textLength : 0;
            return c->text ? c->text : "";
        }
    } else {
        callback = (it->callback & TLCB_TEXT) != 0;
        if (!callback) {
            if (length)
                *length = it->textLength;
            return it->text ? it->text : "";
        }
    }
    char* buf = textBuffer[buffer & 1];
    memset(buf, 0, sizeof textBuffer[0]);
    NMTVDISPINFOA info = {};
    Describe(&info.item, item, column, TVIF_TEXT | TVIF_STATE | TVIF_HANDLE | TVIF_PARAM | (column > 0 ? TLIF_CELL : 0));
    info.item.pszText = buf;
    info.item.cchTextMax = sizeof textBuffer[0];
    info.item.iImage = info.item.iSelectedImage = -1;
    info.item.cChildren = column > 0 ? column : -1;
    host->Notify(&info.hdr, TVN_GETDISPINFOA);
    if (!Item(item))
        return nullptr;
    const char* answer = info.item.pszText;
    if (!answer || answer == LPSTR_TEXTCALLBACKA) {
        buf[0] = 0;
    } else {
        // A buffer filled without its zero is cut at 259 bytes.
        size_t n = 0;
        while (n < sizeof textBuffer[0] - 1 && answer[n])
            ++n;
        if (answer != buf)
            memmove(buf, answer, n);
        buf[n] = 0;
    }
    if (length)
        *length = static_cast<int>(strlen(buf));
    if (column > 0) {
        if (TreeListCell* c = Cell(item, column))
            c->textWidth = 0;
    } else {
        items[item]->textWidth = 0;
    }
    return buf;
}

bool TreeListModel::FetchCallbacks(UINT item, int column, bool selected) noexcept
{
    TreeListItem* it = Item(item);
    if (!it)
        return false;
    UINT ask = 0;
    if (column > 0) {
        TreeListCell* c = Cell(item, column);
        if (c && (c->callback & TLCB_IMAGE))
            ask |= TVIF_IMAGE;
    } else {
        if (it->callback & (selected ? TLCB_SELIMAGE : TLCB_IMAGE))
            ask |= selected ? TVIF_SELECTEDIMAGE : TVIF_IMAGE;
        if (it->callback & TLCB_CHILDREN)
            ask |= TVIF_CHILDREN;
    }
    if (!ask)
        return true;
    NMTVDISPINFOA info = {};
    Describe(&info.item, item, column, ask | TVIF_STATE | TVIF_HANDLE | TVIF_PARAM | (column > 0 ? TLIF_CELL : 0));
    info.item.iImage = info.item.iSelectedImage = -1;
    info.item.cChildren = column > 0 ? column : -1;
    host->Notify(&info.hdr, TVN_GETDISPINFOA);
    it = Item(item);
    if (!it)
        return false;
    if (column > 0) {
        if (TreeListCell* c = Cell(item, column)) {
            if (info.item.iImage != -2 && info.item.iImage != -1 && hasList4)
                c->flags |= TLIF_HASIMAGE;
            else
                c->flags &= static_cast<BYTE>(~TLIF_HASIMAGE);
        }
        // The answer's image serves this drawing only; the cell keeps asking.
        answerImage = info.item.iImage;
        return true;
    }
    if (ask & TVIF_CHILDREN) {
        int children = info.item.cChildren;
        if (children == 0) {
            it->flags = static_cast<BYTE>((it->flags & ~TLIF_BUTTON) | TLIF_AUTOCHILD);
        } else if (children == 1) {
            it->flags |= TLIF_BUTTON;
        } else {
            it->flags |= TLIF_AUTOCHILD;
            if (it->firstChild)
                it->flags |= TLIF_BUTTON;
            else
                it->flags &= static_cast<BYTE>(~TLIF_BUTTON);
        }
    }
    answerImage = selected ? info.item.iSelectedImage : info.item.iImage;
    return true;
}

bool TreeListModel::HasChildren(UINT item) noexcept
{
    TreeListItem* it = Item(item);
    if (!it)
        return false;
    if (it->callback & TLCB_CHILDREN) {
        if (!FetchCallbacks(item, 0, false))
            return false;
        it = Item(item);
    }
    return it->firstChild != 0 || (it->flags & TLIF_BUTTON) != 0;
}

// --- insertion

UINT TreeListModel::SortedPlace(UINT parent, const char* text, int length, TreeListInsertCompare compare,
                                LPARAM context, bool deferred, LPARAM) noexcept
{
    std::vector<UINT> siblings;
    for (UINT x = parent ? items[parent]->firstChild : firstTop; x; x = items[x]->next)
        siblings.push_back(x);
    int lo = 0, hi = static_cast<int>(siblings.size());
    insertBusy = true;
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        UINT s = siblings[mid];
        int c;
        if (compare) {
            const char* st = Item(s) ? items[s]->text : nullptr;
            LPARAM data = Item(s) ? items[s]->data : 0;
            host->ReleaseLock();
            c = compare(host->Window(), s, st ? st : "", text ? text : "", data, context);
            host->TakeLock();
        } else {
            int sl = 0;
            const char* st;
            if (Item(s) && (items[s]->callback & TLCB_TEXT) && deferred)
                st = "";   // texts are not asked of the parent under deferral
            else
                st = ItemText(s, 0, &sl, 1);
            if (!st)
                st = "";
            sl = static_cast<int>(strlen(st));
            c = CompareNoCaseAscii(text ? text : "", length, st, sl);
        }
        if (c == 0) {
            lo = mid;
            break;
        }
        if (c < 0)
            hi = mid;
        else
            lo = mid + 1;
    }
    insertBusy = false;
    // The siblings cannot have changed while the busy flag refused every change.
    return lo < static_cast<int>(siblings.size()) && Item(siblings[lo]) ? siblings[lo] : 0;
}

UINT TreeListModel::Insert(const TreeListInsert* record) noexcept
{
    if (!record || StructureLocked())
        return 0;
    UINT parent = Num(record->hParent);
    UINT after = Num(record->hInsertAfter);
    if (parent == kRoot)
        parent = 0;
    else if (parent && !Item(parent))
        return 0;
    if (after == kRoot)
        parent = 0;
    if ((after == TLI_AFTERPARENT || after == TLI_BEFOREPARENT) && !parent)
        return 0;   // there is no item to stand beside
    if (count >= capacity && !Grow())
        return 0;
    const TVITEMA& src = record->item;
    const UINT mask = src.mask;
    const bool deferred = (mask & TLIF_DEFERRED) != 0;
    TreeListItem* it = static_cast<TreeListItem*>(calloc(1, sizeof(TreeListItem) + static_cast<size_t>(extraBytes)));
    if (!it)
        return 0;
    UINT deferredBits = 0;
    if (mask & TVIF_STATE) {
        it->state = src.state & src.stateMask;
        if (deferred) {
            deferredBits = it->state & 0xA2;
            it->state &= ~0xA2u;
        }
    } else if ((style & TVS_CHECKBOXES) && !(exStyle & TLX_CHECKBIT)) {
        it->state = 0x1000;
    }
    if (style & TVS_SINGLEEXPAND)
        it->state &= ~static_cast<UINT>(TVIS_EXPANDED);
    const bool selectIt = (it->state & TVIS_SELECTED) != 0;
    it->state &= ~static_cast<UINT>(TVIS_SELECTED);
    if (mask & TVIF_IMAGE) {
        it->image = src.iImage;
        if (src.iImage == -1)
            it->callback |= TLCB_IMAGE;
    }
    if (mask & TVIF_SELECTEDIMAGE) {
        it->selectedImage = src.iSelectedImage;
        if (src.iSelectedImage == -1)
            it->callback |= TLCB_SELIMAGE;
    }
    if (it->image != -2 && hasNormalList)
        it->flags |= TLIF_HASIMAGE;
    if (mask & TLIF_PARAM2)
        it->data = record->data2;
    else if (mask & TVIF_PARAM)
        it->data = src.lParam;
    if ((mask & TVIF_CHILDREN) && src.cChildren == I_CHILDRENCALLBACK)
        it->callback |= TLCB_CHILDREN;
    else if ((mask & TVIF_CHILDREN) && src.cChildren == 1)
        it->flags |= TLIF_BUTTON;
    else if (!((mask & TVIF_CHILDREN) && src.cChildren == 0))
        it->flags |= TLIF_AUTOCHILD;
    if ((mask & TVIF_TEXT) && src.pszText == LPSTR_TEXTCALLBACKA) {
        it->callback |= TLCB_TEXT;
    } else if (!SetText(&it->text, &it->textLength, (mask & TVIF_TEXT) ? src.pszText : "")) {
        free(it);
        return 0;
    }

    // Where it goes.
    UINT before = 0;   // 0: last
    if (after == TLI_AFTERPARENT || after == TLI_BEFOREPARENT) {
        UINT anchorItem = parent;
        parent = items[anchorItem]->parent;
        before = after == TLI_AFTERPARENT ? items[anchorItem]->next : anchorItem;
    } else if (after == kFirst) {
        before = parent ? items[parent]->firstChild : firstTop;
    } else if (after == kSort || after == TLI_COMPARE) {
        TreeListInsertCompare compare = nullptr;
        if (after == TLI_COMPARE) {
            compare = reinterpret_cast<TreeListInsertCompare>(src.hItem);
            if (!compare) {
                free(it->text);
                free(it);
                return 0;
            }
        }
        before = SortedPlace(parent, it->text, it->textLength, compare, src.lParam, deferred, it->data);
        // A parent asked during the search may have left: the busy flag refused changes,
        // but a callback text request can still have deleted nothing; check anyway.
        if (parent && !Item(parent)) {
            free(it->text);
            free(it);
            return 0;
        }
    } else if (after >= TLI_POSITION && after < TLI_POSITION + 0x100000) {
        UINT pos = after - TLI_POSITION;
        before = parent ? items[parent]->firstChild : firstTop;
        while (before && pos--)
            before = items[before]->next;
    } else if (after != kLast && after != kRoot && Item(after) && items[after]->parent == parent) {
        before = items[after]->next;
    }
    if (count >= capacity && !Grow()) {
        free(it->text);
        free(it);
        return 0;
    }
    UINT n = TakeNumber();
    items[n] = it;
    lastNumber = n;
    ++count;
    Link(n, parent, before);
    it->level = parent ? static_cast<WORD>(items[parent]->level + 1) : 0;
    if (parent && (items[parent]->flags & TLIF_AUTOCHILD))
        items[parent]->flags |= TLIF_BUTTON;
    if (deferredBits)
        Queue(n, deferredBits | 0xA20000, TLW_SETSTATE);
    if (parent && items[parent]->firstChild != n && !(items[parent]->state & TVIS_EXPANDED)) {
        host->InvalidateCell(parent, -1);
    } else if (deferred) {
        UINT from = it->prev;
        while (from && !items[from]->row)
            from = items[from]->prev;
        Queue(from ? from : parent, 0, TLW_REBUILD);
    } else {
        RebuildAfterInsert(n);
    }
    if (selectIt)
        Select(n, 0, (exStyle & TLX_MULTISELECT) ? 0 : 0x8000);
    return Item(n) ? n : 0;
}

// --- setting and reading

void TreeListModel::ApplyState(UINT item, TreeListItem* it, UINT state, UINT mask, bool quiet, bool deferred) noexcept
{
    if (style & TVS_SINGLEEXPAND)
        mask &= ~static_cast<UINT>(TVIS_EXPANDED);
    const UINT special = TVIS_SELECTED | TVIS_EXPANDED | TVIS_EXPANDPARTIAL;
    const UINT old = it->state;
    const UINT plain = mask & ~special;
    it->state = (old & ~plain) | (state & plain);
    const UINT changed = old ^ it->state;
    bool repaintRow = false, repaintCell = false;
    if (changed & 0xFF00)
        repaintCell = true;
    if ((changed & TLIS_HIDDEN) && (exStyle & TLX_HIDDENITEMS)) {
        if (it->state & TLIS_HIDDEN)
            RemoveRows(item);
        else
            RebuildAfterInsert(item);
        it = Item(item);
    }
    if (exStyle & TLX_CHECKBIT) {
        if ((changed & 0x1000) && (it->state & 0x1000))
            lastChecked = item;
    } else if ((changed & 0xF000) && (it->state & 0xF000) == 0x2000) {
        lastChecked = item;
    }
    if (changed & 0x19) {
        it->textWidth = 0;
        repaintCell = true;
    }
    if ((changed >> 16) & spanMask)
        repaintRow = true;
    if (repaintRow || repaintCell) {
        if (deferred)
            Queue(item, repaintRow ? 0xFFFFFFFFu : 0, repaintRow ? TLW_ROW : TLW_CELL);
        else if (it->row)
            host->InvalidateCell(item, repaintRow ? -1 : 0);
    }
    if ((mask & TVIS_SELECTED) && ((old ^ state) & TVIS_SELECTED)) {
        ChangeSelection(item, 0, (state & TVIS_SELECTED) != 0);
        it = Item(item);
        if (!it)
            return;
    }
    if (mask & (TVIS_EXPANDED | TVIS_EXPANDPARTIAL)) {
        // A bit outside the mask keeps the item's own value: the expand-partial bit set alone
        // (or under the single-expand style, which takes the expanded bit out of the mask)
        // would otherwise read as "not expanded" and collapse an open item.
        UINT want = ((state & mask) | (it->state & ~mask)) & (TVIS_EXPANDED | TVIS_EXPANDPARTIAL);
        UINT have = it->state & (TVIS_EXPANDED | TVIS_EXPANDPARTIAL);
        if (want != have) {
            if (it->firstChild) {
                UINT action = (want & TVIS_EXPANDED) ? TVE_EXPAND : TVE_COLLAPSE;
                if (want & TVIS_EXPANDPARTIAL)
                    action |= TVE_EXPANDPARTIAL;
                ExpandOne(item, action, quiet);   // a refusal keeps the old bits
            } else {
                it->state = (it->state & ~(mask & (TVIS_EXPANDED | TVIS_EXPANDPARTIAL))) | want;
            }
        }
    }
}

int TreeListModel::SetCell(UINT item, int column, TVITEMA* r) noexcept
{
    TreeListCell* c = MakeCell(item, column);
    if (!c)
        return 0;
    TreeListItem* it = items[item];
    bool repaint = false;
    if (r->mask & TVIF_PARAM)
        it->data = r->lParam;
    if (r->mask & TVIF_IMAGE) {
        c->image = r->iImage;
        c->callback = static_cast<BYTE>(r->iImage == -1 ? c->callback | TLCB_IMAGE : c->callback & ~TLCB_IMAGE);
        if (r->iImage != -2 && hasList4)
            c->flags |= TLIF_HASIMAGE;
        else
            c->flags &= static_cast<BYTE>(~TLIF_HASIMAGE);
        repaint = true;
    }
    if (r->mask & TVIF_TEXT) {
        if (!StoreText(&c->text, &c->textLength, &c->callback, r->pszText))
            return 0;
        c->textWidth = 0;
        repaint = true;
    }
    if (r->mask & TVIF_STATE) {
        UINT cellMask = (r->mask & TLIF_CELLSTATE) ? r->stateMask : r->stateMask & ~0xE2u;
        UINT old = c->state;
        c->state = (c->state & ~cellMask) | (r->state & cellMask);
        if ((old ^ c->state) & 0x19)
            c->textWidth = 0;
        repaint = true;
        UINT itemMask = (r->mask & TLIF_CELLSTATE) ? 0 : r->stateMask & 0xE2;
        if (r->mask & TLIF_DEFERRED) {
            // Selection and expansion wait for the queue, as for the item itself; the cell's
            // column rides along in bits 8-12 so that a cell selection stays a cell selection.
            QueueStateBits(item, column, r->state, itemMask);
            itemMask &= ~0xA2u;
        }
        if ((itemMask & TVIS_SELECTED) && ((it->state ^ r->state) & TVIS_SELECTED)) {
            ChangeSelection(item, column, (r->state & TVIS_SELECTED) != 0);
            if (!Item(item))
                return 1;
        }
        itemMask &= ~static_cast<UINT>(TVIS_SELECTED);
        if (itemMask)
            ApplyState(item, items[item], r->state, itemMask, false, (r->mask & TLIF_DEFERRED) != 0);
    }
    if (repaint && Item(item)) {
        if (r->mask & TLIF_DEFERRED)
            Queue(item, static_cast<UINT>(column), TLW_CELL);
        else if (items[item]->row)
            host->InvalidateCell(item, column);
    }
    return 1;
}

int TreeListModel::SetItem(TVITEMA* r) noexcept
{
    if (!r)
        return 0;
    UINT item = Num(r->hItem);
    TreeListItem* it = Item(item);
    if (!it)
        return 0;
    if ((r->mask & TLIF_CELL) && r->cChildren != 0) {
        if (!ValidColumn(r->cChildren))
            return 0;
        return SetCell(item, r->cChildren, r);
    }
    const bool deferred = (r->mask & TLIF_DEFERRED) != 0;
    bool repaint = false;
    if (r->mask & TVIF_PARAM)
        it->data = r->lParam;
    if (r->mask & TVIF_IMAGE) {
        it->image = r->iImage;
        it->callback = static_cast<BYTE>(r->iImage == -1 ? it->callback | TLCB_IMAGE : it->callback & ~TLCB_IMAGE);
        repaint = true;
    }
    if (r->mask & TVIF_SELECTEDIMAGE) {
        it->selectedImage = r->iSelectedImage;
        it->callback = static_cast<BYTE>(r->iSelectedImage == -1 ? it->callback | TLCB_SELIMAGE
                                                                   : it->callback & ~TLCB_SELIMAGE);
        repaint = true;
    }
    if (r->mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE)) {
        if (it->image != -2 && hasNormalList)
            it->flags |= TLIF_HASIMAGE;
        else
            it->flags &= static_cast<BYTE>(~TLIF_HASIMAGE);
    }
    if (r->mask & TVIF_CHILDREN) {
        it->callback &= static_cast<BYTE>(~TLCB_CHILDREN);
        it->flags &= static_cast<BYTE>(~(TLIF_BUTTON | TLIF_AUTOCHILD));
        if (r->cChildren == I_CHILDRENCALLBACK)
            it->callback |= TLCB_CHILDREN;
        else if (r->cChildren == 1)
            it->flags |= TLIF_BUTTON;
        else if (r->cChildren != 0)
            it->flags = static_cast<BYTE>(it->flags | TLIF_AUTOCHILD | (it->firstChild ? TLIF_BUTTON : 0));
        repaint = true;
    }
    if (r->mask & TVIF_TEXT) {
        if (!StoreText(&it->text, &it->textLength, &it->callback, r->pszText))
            return 0;
        it->textWidth = 0;
        repaint = true;
    }
    if (repaint) {
        if (deferred)
            Queue(item, 0, TLW_CELL);
        else if (it->row)
            host->InvalidateCell(item, 0);
    }
    if (r->mask & TVIF_STATE) {
        UINT mask = r->stateMask;
        if (deferred) {
            // Selecting and expanding notify the parent; a caller that sets items from inside
            // a notification asks for them to run later, from the queue.
            QueueStateBits(item, 0, r->state, mask);
            mask &= ~0xA2u;
        }
        ApplyState(item, it, r->state, mask, false, deferred);
    }
    return 1;
}

// Queues the selected, expanded and expand-partial bits of a state change (work kind 1).
void TreeListModel::QueueStateBits(UINT item, int column, UINT state, UINT mask) noexcept
{
    mask &= 0xA2;
    if (mask)
        Queue(item, (state & mask) | static_cast<UINT>(column & 0x1F) << 8 | mask << 16, TLW_SETSTATE);
}

int TreeListModel::GetItem(TVITEMA* r) noexcept
{
    if (!r)
        return 0;
    UINT item = Num(r->hItem);
    TreeListItem* it = Item(item);
    if (!it)
        return 0;
    const UINT mask = r->mask;
    int column = (mask & TLIF_CELL) ? r->cChildren : 0;
    if (!ValidColumn(column))
        return 0;
    const char* text = nullptr;
    int length = 0;
    if (column > 0) {
        // Changed row mended: a record made by a read would paint the row's selection in a
        // cell drawn empty before, so reading changed what the user sees. Unwritten, the cell
        // reads as a new one would (image -2, the item's focused and bold bits).
        const TreeListCell* c = Cell(item, column);   // no record made
        if (mask & TVIF_PARAM)
            r->lParam = it->data;
        if (mask & TVIF_IMAGE)
            r->iImage = c ? c->image : -2;
        if (mask & TVIF_STATE)
            r->state = ((it->state & 0xE2) | ((c ? c->state : it->state & 0x11) & ~0xE2u)) & r->stateMask;
    } else {
        if (mask & TVIF_PARAM)
            r->lParam = it->data;
        if (mask & TVIF_STATE)
            r->state = it->state & r->stateMask;
        if (mask & TVIF_IMAGE)
            r->iImage = it->image;
        if (mask & TVIF_SELECTEDIMAGE)
            r->iSelectedImage = it->selectedImage;
        if (mask & TVIF_CHILDREN) {
            if (it->callback & TLCB_CHILDREN) {
                if (!FetchCallbacks(item, 0, false))
                    return 0;
                it = items[item];
            }
            r->cChildren = (it->flags & TLIF_BUTTON) ? 1 : 0;
        }
    }
    if (mask & TVIF_TEXT) {
        text = ItemText(item, column, &length, 0);
        if (!text)
            return 0;
        if (mask & TLIF_TEXTPOINTER) {
            r->pszText = const_cast<LPSTR>(text);
            r->cchTextMax = length + 1;
        } else if (r->cchTextMax > 0 && r->pszText && r->pszText != LPSTR_TEXTCALLBACKA) {
            int n = length < r->cchTextMax - 1 ? length : r->cchTextMax - 1;
            memmove(r->pszText, text, static_cast<size_t>(n));
            r->pszText[n] = 0;
        }
    }
    return 1;
}

int TreeListModel::SetItemData(UINT item, LPARAM data) noexcept
{
    TreeListItem* it = Item(item);
    if (!it)
        return 0;
    it->data = data;
    return 1;
}

UINT TreeListModel::GetItemState(UINT item) const noexcept
{
    const TreeListItem* it = Item(item);
    return it ? it->state : 0;
}

// --- group set and count

namespace {

void CollectChosen(const TreeListModel& m, UINT item, UINT choice, std::vector<UINT>& out)
{
    if (item == kRoot) {
        if (choice & TLG_SUBTREE)
            for (UINT x = m.firstTop; x; x = m.NextInTree(x))
                out.push_back(x);
        return;
    }
    const TreeListItem* it = m.Item(item);
    if (choice & TLG_SELF)
        out.push_back(item);
    if (choice & TLG_ANCESTORS)
        for (UINT p = it->parent; p; p = m.Item(p)->parent)
            out.push_back(p);
    if (choice & TLG_SIBLINGS)
        for (UINT s = it->parent ? m.Item(it->parent)->firstChild : m.firstTop; s; s = m.Item(s)->next)
            if (s != item)
                out.push_back(s);
    if ((choice & TLG_SUBTREE) && it->firstChild) {
        UINT x = it->firstChild;
        while (x && x != item) {
            out.push_back(x);
            const TreeListItem* xi = m.Item(x);
            if (xi->firstChild) {
                x = xi->firstChild;
                continue;
            }
            while (x && x != item && !m.Item(x)->next)
                x = m.Item(x)->parent;
            if (x && x != item)
                x = m.Item(x)->next;
        }
    }
}

}  // namespace

int TreeListModel::GroupSet(TVITEMA* r) noexcept
{
    if (!r)
        return -1;
    UINT item = Num(r->hItem);
    if (item != kRoot && !Item(item))
        return -1;
    std::vector<UINT> chosen;
    CollectChosen(*this, item, r->mask & TLG_CHOICE_BITS, chosen);
    int changed = 0;
    for (UINT n : chosen) {
        TreeListItem* it = Item(n);
        if (!it)
            continue;
        UINT high = r->stateMask >> 16;
        if ((r->mask & TLG_FILTERHIGH) && !(~(it->state ^ r->state) & high))
            continue;
        if ((r->mask & TLG_FILTERLOW) && !(~((it->state >> 16) ^ (r->state >> 16)) & high))
            continue;
        TVITEMA one = *r;
        one.hItem = Handle(n);
        one.mask &= ~(TLG_CHOICE_BITS | TLG_FILTER_BITS);
        if (r->mask & (TLG_SWAPHALVES1 | TLG_SWAPHALVES2)) {
            UINT m = high | (r->stateMask & 0xFFFF);
            one.state = ((it->state >> 16) | (it->state << 16)) & m;
            one.stateMask = m;
        }
        if (SetItem(&one))
            ++changed;
    }
    return changed;
}

int TreeListModel::CountItems(const TreeListCount* r) noexcept
{
    if (!r)
        return -1;
    UINT item = Num(r->hItem);
    if (item != kRoot && !Item(item))
        return -1;
    std::vector<UINT> chosen;
    CollectChosen(*this, item, r->flags & TLG_CHOICE_BITS, chosen);
    int n = 0;
    for (UINT x : chosen) {
        const TreeListItem* it = Item(x);
        if (!it)
            continue;
        bool hit = (r->flags & TLC_ALL) != 0;
        hit = hit || ((r->flags & TLC_STATE) && (it->state & r->stateMask) == (r->state & r->stateMask));
        hit = hit || ((r->flags & TLC_DATA) && it->data == r->data);
        hit = hit || ((r->flags & TLC_IMAGE) && it->image == r->image);
        if (hit)
            ++n;
    }
    return n;
}

// --- deletion

// Every stored reference to an item goes with it, so that a number taken again later
// cannot be mistaken for the one deleted.
void TreeListModel::ForgetItem(UINT n) noexcept
{
    if (caret == n) { caret = 0; caretColumn = 0; }
    if (editItem == n) editItem = 0;
    if (dragItem == n) dragItem = 0;
    if (lastChecked == n) lastChecked = 0;
    if (insertMark == n) insertMark = 0;
    if (dropMark == n) dropMark = 0;
    if (dropHilite == n) { dropHilite = 0; dropHiliteColumn = 0; }
    if (dropTarget == n) dropTarget = 0;
    if (hotItem == n) hotItem = 0;
    if (pressedItem == n) pressedItem = 0;
    if (downItem == n) { downItem = 0; downKind = 0; }
    if (anchor == n) anchor = 0;
    if (cursor == n) cursor = 0;
    if (focusItem == n) focusItem = 0;
    // Queued work on the item goes with it, but for two kinds: a selection notice reports an
    // item that is gone by design (its data travels in the record), and a row rebuild queued
    // from here is still owed to the items inserted after this one, so it starts from the
    // nearest shown item before this one instead (once it was dropped, and a deferred insert
    // under a sibling deleted meanwhile never got its row).
    UINT anchor = 0;
    bool anchorFound = false;
    for (TreeListWork* w = queueHead; w; w = w->next) {
        if (w->item != n || w->kind == TLW_SELCHANGED)
            continue;
        if (w->kind != TLW_REBUILD) {
            w->kind = 0;   // the work is dropped when the queue runs
            continue;
        }
        if (!anchorFound) {
            const TreeListItem* it = items[n];
            anchor = it->prev;
            while (anchor && !items[anchor]->row)
                anchor = items[anchor]->prev;
            if (!anchor)
                anchor = it->parent;
            anchorFound = true;
        }
        w->item = anchor;
    }
}

void TreeListModel::FreeItem(UINT n) noexcept
{
    TreeListItem* it = items[n];
    for (int c = 1; c < 32; ++c) {
        if (cells[c] && cells[c][n]) {
            free(cells[c][n]->text);
            free(cells[c][n]);
            cells[c][n] = nullptr;
        }
    }
    free(it->text);
    free(it);
    items[n] = nullptr;
}

int TreeListModel::DeleteOne(UINT item, int mode) noexcept
{
    const bool deferred = (mode & 0x4) != 0;
    // Children first, the last one first. A handler may add children meanwhile; they are
    // taken in a further round.
    for (int round = 0; round < 3; ++round) {
        TreeListItem* it = Item(item);
        if (!it)
            return 1;
        if (!it->firstChild)
            break;
        std::vector<UINT> children;
        for (UINT c = it->lastChild; c; c = items[c]->prev)
            children.push_back(c);
        for (UINT c : children)
            if (Item(c) && items[c]->parent == item)
                DeleteOne(c, mode & 0x4);
    }
    if (mode & 0x2)
        return 1;
    TreeListItem* it = Item(item);
    if (!it)
        return 1;
    if (it->state & TVIS_SELECTED) {
        if (caret == item) {
            caret = 0;
            caretColumn = 0;
        }
        if (deferred) {
            Queue(item, static_cast<UINT>(it->data), TLW_SELCHANGED);
        } else {
            NMTREEVIEWA nm = {};
            Describe(&nm.itemOld, item, 0, 0x801C);
            nm.action = TVC_UNKNOWN;
            host->Notify(&nm.hdr, TVN_SELCHANGEDA);
        }
        it = Item(item);
        if (!it)
            return 1;
    }
    if (!deferred) {
        NMTREEVIEWA nm = {};
        nm.itemOld.mask = TVIF_HANDLE | TVIF_PARAM | TVIF_STATE;
        nm.itemOld.hItem = Handle(item);
        nm.itemOld.state = it->state;
        nm.itemOld.lParam = it->data;
        host->Notify(&nm.hdr, TVN_DELETEITEMA);
        it = Item(item);
        if (!it)
            return 1;
    }
    // Children a handler added after the last round go without notification.
    while (it->lastChild) {
        UINT c = it->lastChild;
        while (items[c]->lastChild)
            c = items[c]->lastChild;
        RemoveRows(c);
        ForgetItem(c);
        if (items[c]->state & TVIS_SELECTED)
            --selectedCount;
        Unlink(c);
        FreeItem(c);
        --count;
    }
    RemoveRows(item);
    ForgetItem(item);
    if (it->state & TVIS_SELECTED)
        --selectedCount;
    UINT parent = it->parent;
    Unlink(item);
    FreeItem(item);
    --count;
    if (parent && Item(parent) && items[parent]->row)
        host->InvalidateCell(parent, -1);
    return 1;
}

int TreeListModel::Delete(UINT item, int mode) noexcept
{
    if (StructureLocked())
        return 0;
    if (item == kRoot || item == TLI_DELETEUNPINNED) {
        std::vector<UINT> tops;
        for (UINT x = firstTop; x; x = items[x]->next)
            tops.push_back(x);
        size_t keep = 0;
        if (item == TLI_DELETEUNPINNED && props[TLP_PINNEDROWS] > 0)
            keep = static_cast<size_t>(props[TLP_PINNEDROWS]);
        for (size_t i = tops.size(); i > keep; --i)
            if (Item(tops[i - 1]) && !items[tops[i - 1]]->parent && !StructureLocked())
                DeleteOne(tops[i - 1], mode & 0x4);
        AfterStructureChange();
        host->InvalidateAll();
        return 1;
    }
    if (!Item(item))
        return 0;
    DeleteOne(item, mode);
    AfterStructureChange();
    return 1;
}

// --- moving

int TreeListModel::Move(UINT item, UINT target, int placement) noexcept
{
    if (StructureLocked() || !Item(item))
        return 0;
    TreeListItem* it = items[item];
    const bool asChild = (placement & 2) != 0;
    const bool last = (placement & 1) != 0;
    UINT parent, before;
    if (target == kRoot || target == kLast) {
        parent = 0;
        before = last ? 0 : firstTop;
    } else {
        TreeListItem* t = Item(target);
        if (!t)
            return 0;
        if (asChild) {
            if (InSubtree(target, item))
                return 0;
            parent = target;
            before = last ? 0 : t->firstChild;
        } else {
            if (target == item)
                return 1;
            if (InSubtree(target, item))
                return 0;
            parent = t->parent;
            before = last ? t->next : target;
        }
    }
    if (it->parent == parent &&
        (before == item || it->next == before || (before == 0 && (parent ? items[parent]->lastChild : lastTop) == item)))
        return 1;
    UINT oldParent = it->parent;
    Unlink(item);
    Link(item, parent, before);
    SetLevels(item, parent ? static_cast<WORD>(items[parent]->level + 1) : 0);
    if (parent)
        items[parent]->flags |= TLIF_BUTTON;
    (void)oldParent;
    RebuildRows(0);
    AfterStructureChange();
    return 1;
}

// --- properties, styles, extra bytes

LPARAM TreeListModel::PropertyStored(UINT number, LPARAM value) const noexcept
{
    if (number == TLP_UNSCROLLEDROW || number == TLP_PINNEDEDIT)
        return value ? 1 : 0;
    if (number == TLP_MINROWHEIGHT)
        return static_cast<signed char>(value);
    return value;
}

bool TreeListModel::PropertyWriteChanges(UINT number, LPARAM value) const noexcept
{
    if (number < 1 || number > 16 || number == TLP_SELECTEDCOUNT || number == TLP_WINDOWPROC)
        return false;
    const LPARAM old = number == TLP_UNSCROLLEDROW ? (props[number] ? 1 : 0) : props[number];
    return PropertyStored(number, value) != old;
}

LRESULT TreeListModel::Property(UINT number, bool write, LPARAM value) noexcept
{
    if (number < 1 || number > 16)
        return 0;
    LPARAM old = props[number];
    if (number == TLP_SELECTEDCOUNT)
        return selectedCount;
    if (number == TLP_UNSCROLLEDROW)
        old = old ? 1 : 0;
    if (!write || number == TLP_WINDOWPROC)
        return old;
    if (number == TLP_HOOK) {
        props[number] = value;   // stored even when equal
        return old;
    }
    if (!PropertyWriteChanges(number, value))
        return old;
    props[number] = PropertyStored(number, value);
    switch (number) {
    case TLP_CALLER1:
        if (rowCount)
            host->InvalidateAll();
        break;
    case TLP_PINNEDROWS:
    case TLP_UNSCROLLEDROW:
        host->InvalidateAll();
        break;
    case TLP_MINROWHEIGHT:
        ComputeRowHeight();
        host->ScrollBarsChanged(true, false, false);
        break;
    case TLP_SPANMASK:
        spanRequested = static_cast<WORD>(value);
        UpdateSpanMask();
        host->InvalidateAll();
        break;
    case TLP_AUTOWIDTH:
        RebuildRows(0);
        break;
    default:
        break;
    }
    return old;
}

int TreeListModel::SetExtraBytes(int n) noexcept
{
    if (n < 0 || n > 0x1000000)
        return -1;
    if (count)
        return 0;
    extraBytes = n;
    return n;
}

// --- the deferred-work queue

void TreeListModel::Queue(UINT item, UINT value, UINT kind) noexcept
{
    TreeListWork* w = static_cast<TreeListWork*>(malloc(sizeof(TreeListWork)));
    if (!w)
        return;   // dropped
    w->next = nullptr;
    w->item = item;
    w->value = value;
    w->kind = kind;
    if (queueTail)
        queueTail->next = w;
    else
        queueHead = w;
    queueTail = w;
    if (!queuePosted) {
        queuePosted = true;
        host->QueueWork();
    }
}

void TreeListModel::RunQueue() noexcept
{
    while (queueHead) {
        TreeListWork* w = queueHead;
        queueHead = w->next;
        if (!queueHead)
            queueTail = nullptr;
        UINT item = w->item, value = w->value, kind = w->kind;
        free(w);
        TreeListItem* it = Item(item);
        switch (kind) {
        case TLW_SETSTATE:
        case TLW_SETSTATEQUIET: {
            UINT state = value & 0xFFFF, mask = value >> 16;
            const int column = static_cast<int>((value >> 8) & 0x1F);
            if (it && column && (mask & TVIS_SELECTED)) {
                // A queued cell selection (bits 8-12 name the cell's column).
                if ((it->state ^ state) & TVIS_SELECTED)
                    ChangeSelection(item, ValidColumn(column) ? column : 0, (state & TVIS_SELECTED) != 0);
                mask &= ~static_cast<UINT>(TVIS_SELECTED);
                it = Item(item);
            }
            if (it)
                ApplyState(item, it, state, mask, kind == TLW_SETSTATEQUIET, false);
            break;
        }
        case TLW_EXPAND:
            if (it || item == kRoot)
                Expand(item, value);
            break;
        case TLW_SELCHANGED: {
            NMTREEVIEWA nm = {};
            nm.action = TVC_UNKNOWN;
            nm.itemOld.mask = 0x801C;
            nm.itemOld.hItem = Handle(item);
            nm.itemOld.lParam = static_cast<LPARAM>(value);
            host->Notify(&nm.hdr, TVN_SELCHANGEDA);
            break;
        }
        case TLW_HSCROLL:
            ScrollH(static_cast<int>(value), 0);
            break;
        case TLW_VSCROLL:
            ScrollV(static_cast<int>(value), 0);
            break;
        case TLW_HBAR:
            host->ScrollBarsChanged(false, true, true);
            break;
        case TLW_VBAR:
            host->ScrollBarsChanged(true, false, true);
            break;
        case TLW_REBUILD:
            RebuildRows(it ? item : 0);
            break;
        case TLW_CELL:
            if (it && it->row)
                host->InvalidateCell(item, static_cast<int>(value));
            break;
        case TLW_ALLROWS:
            host->InvalidateAll();
            break;
        case TLW_ROW:
            if (it && it->row)
                host->InvalidateCell(item, -1);
            break;
        default:
            break;   // work of an item deleted meanwhile
        }
    }
    queuePosted = false;
}

void TreeListModel::DeleteAll() noexcept
{
    int savedSort = sortDepth;
    bool savedBusy = insertBusy;
    sortDepth = 0;
    insertBusy = false;
    std::vector<UINT> tops;
    for (UINT x = firstTop; x; x = items[x]->next)
        tops.push_back(x);
    for (size_t i = tops.size(); i > 0; --i)
        if (Item(tops[i - 1]) && !items[tops[i - 1]]->parent)
            DeleteOne(tops[i - 1], 0);
    sortDepth = savedSort;
    insertBusy = savedBusy;
}
