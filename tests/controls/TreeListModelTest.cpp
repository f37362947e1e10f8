// The tree-list model without a window: random operations checked step by step against a
// plain reference tree kept by the test, growth and number allocation, hit-test arithmetic,
// and the faults the model guards against (a comparator that changes the tree, a search
// that changes windows or outlives its rows, an insertion mark whose number came back).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>
#include "controls/TreeListModel.h"

namespace {

const UINT kRoot = 0xFFFF0000u, kFirst = 0xFFFF0001u, kLast = 0xFFFF0002u, kSort = 0xFFFF0003u;

HTREEITEM H(UINT n) { return reinterpret_cast<HTREEITEM>(static_cast<UINT_PTR>(n)); }

struct Host : TreeListHost {
    std::vector<std::pair<int, UINT>> notes;   // code, item named (new or old)
    std::function<LRESULT(NMHDR*, int)> handler;
    LRESULT Notify(NMHDR* r, int code) override
    {
        UINT item = 0;
        if (code <= -401 && code >= -415) {
            const NMTREEVIEWA* nm = reinterpret_cast<const NMTREEVIEWA*>(r);
            item = static_cast<UINT>(reinterpret_cast<UINT_PTR>(code == static_cast<int>(TVN_DELETEITEMA) ? nm->itemOld.hItem : nm->itemNew.hItem));
        }
        notes.push_back({ code, item });
        return handler ? handler(r, code) : 0;
    }
    int MeasureText(const char*, int length, bool) override { return 7 * length; }
    void InvalidateRows(int, int) override {}
    void InvalidateCell(UINT, int) override {}
    void InvalidateAll() override {}
    void InvalidateRightOf(int) override {}
    void ScrollBarsChanged(bool, bool, bool) override {}
    void Scrolled(bool) override {}
    void QueueWork() override {}
    void HeaderWidth(int, int) override {}
    void RequestColumnWidth(int, int) override {}
    void ReleaseLock() override {}
    void TakeLock() override {}
    HWND Window() override { return nullptr; }
};

// The reference: children lists, expanded and hidden flags, texts.
struct Ref {
    struct Node { UINT parent = 0; std::vector<UINT> children; bool expanded = false; bool hidden = false; std::string text; };
    std::map<UINT, Node> nodes;
    std::vector<UINT> top;
    std::map<UINT, bool> sortedOnly{ { 0, true } };   // parents whose children all came sorted

    std::vector<UINT>& Kids(UINT p) { return p ? nodes[p].children : top; }
    void Subtree(UINT n, std::vector<UINT>& out)
    {
        out.push_back(n);
        for (UINT c : nodes[n].children)
            Subtree(c, out);
    }
    bool Inside(UINT n, UINT root)
    {
        for (UINT x = n; x; x = nodes[x].parent)
            if (x == root)
                return true;
        return false;
    }
    void Shown(const std::vector<UINT>& list, std::vector<UINT>& out)
    {
        for (UINT n : list) {
            if (nodes[n].hidden)
                continue;
            out.push_back(n);
            if (nodes[n].expanded)
                Shown(nodes[n].children, out);
        }
    }
};

int Fold(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()); }

void Check(TreeListModel& m, Ref& ref, const char* step)
{
    SCOPED_TRACE(step);
    ASSERT_EQ(m.count, ref.nodes.size());
    std::function<void(UINT, const std::vector<UINT>&, int)> chain = [&](UINT parent, const std::vector<UINT>& kids, int level) {
        UINT first = parent ? m.Item(parent)->firstChild : m.firstTop;
        UINT last = parent ? m.Item(parent)->lastChild : m.lastTop;
        ASSERT_EQ(first, kids.empty() ? 0u : kids.front());
        ASSERT_EQ(last, kids.empty() ? 0u : kids.back());
        UINT prev = 0;
        for (UINT n : kids) {
            const TreeListItem* it = m.Item(n);
            ASSERT_TRUE(it != nullptr);
            ASSERT_EQ(it->parent, parent);
            ASSERT_EQ(it->prev, prev);
            ASSERT_EQ(it->level, level);
            if (prev) {
                ASSERT_EQ(m.Item(prev)->next, n);
            }
            prev = n;
            chain(n, ref.nodes[n].children, level + 1);
        }
        if (prev) {
            ASSERT_EQ(m.Item(prev)->next, 0u);
        }
    };
    chain(0, ref.top, 0);
    std::vector<UINT> shown;
    ref.Shown(ref.top, shown);
    ASSERT_EQ(m.rowCount, static_cast<int>(shown.size()));
    std::set<UINT> listed(shown.begin(), shown.end());
    for (size_t i = 0; i < shown.size(); ++i) {
        ASSERT_EQ(m.rows[i], shown[i]);
        ASSERT_EQ(m.Item(shown[i])->row, i + 1);
    }
    for (auto& kv : ref.nodes)
        if (!listed.count(kv.first)) {
            ASSERT_EQ(m.Item(kv.first)->row, 0u);
        }
}

std::string RandomText(std::mt19937& rng, std::set<std::string>& used)
{
    for (;;) {
        std::string s;
        for (int i = 0; i < 5; ++i) {
            char c = static_cast<char>('a' + rng() % 26);
            s += rng() % 2 ? static_cast<char>(c - 32) : c;
        }
        std::string low = s;
        for (char& c : low) c = static_cast<char>(tolower(c));
        if (used.insert(low).second)
            return s;
    }
}

int CALLBACK CompareByText(HWND, UINT, LPCSTR sibling, LPCSTR text, LPARAM, LPARAM)
{
    return lstrcmpiA(text, sibling);
}

}  // namespace

TEST(TreeListModel, RandomOperationsMatchAReferenceTree)
{
    // The insert-after codes the model takes are the platform's TVI_* pointers.
    ASSERT_EQ(H(kRoot), TVI_ROOT);
    ASSERT_EQ(H(kFirst), TVI_FIRST);
    ASSERT_EQ(H(kLast), TVI_LAST);
    ASSERT_EQ(H(kSort), TVI_SORT);
    for (unsigned seed : { 1u, 2u, 3u }) {
        Host host;
        TreeListModel m(&host);
        m.exStyle = TLX_HIDDENITEMS;
        Ref ref;
        std::mt19937 rng(seed);
        std::set<std::string> used;
        UINT last = 0;
        std::vector<UINT> capacities;
        auto live = [&]() {
            std::vector<UINT> v;
            for (auto& kv : ref.nodes) v.push_back(kv.first);
            return v;
        };
        auto any = [&]() -> UINT { auto v = live(); return v.empty() ? 0 : v[rng() % v.size()]; };
        for (int step = 0; step < 1500; ++step) {
            std::string what;
            int op = static_cast<int>(rng() % 100);
            if (ref.nodes.size() < 8 || op < 45) {
                // Insert with one of every placement code.
                UINT parent = rng() % 4 ? any() : 0;
                std::vector<UINT>& kids = ref.Kids(parent);
                int code = static_cast<int>(rng() % 9);
                TreeListInsert ins = {};
                std::string text = RandomText(rng, used);
                ins.hParent = parent ? H(parent) : H(kRoot);
                ins.item.mask = TVIF_TEXT;
                ins.item.pszText = const_cast<char*>(text.c_str());
                UINT refParent = parent;
                size_t at = kids.size();
                bool sorted = false;
                switch (code) {
                case 0: ins.hInsertAfter = H(kRoot); refParent = 0; at = ref.top.size(); break;
                case 1: ins.hInsertAfter = H(kFirst); at = 0; break;
                case 2: ins.hInsertAfter = H(kLast); break;
                case 3: case 4:
                    if (!ref.sortedOnly[parent]) { ins.hInsertAfter = H(kLast); break; }
                    sorted = true;
                    ins.hInsertAfter = H(code == 3 ? kSort : TLI_COMPARE);
                    if (code == 4) ins.item.hItem = reinterpret_cast<HTREEITEM>(&CompareByText);
                    at = static_cast<size_t>(std::count_if(kids.begin(), kids.end(), [&](UINT k) { return Fold(ref.nodes[k].text, text) < 0; }));
                    break;
                case 5: case 6:
                    if (!parent) { ins.hInsertAfter = H(kLast); break; }
                    refParent = ref.nodes[parent].parent;
                    {
                        std::vector<UINT>& sib = ref.Kids(refParent);
                        at = static_cast<size_t>(std::find(sib.begin(), sib.end(), parent) - sib.begin()) + (code == 5 ? 1 : 0);
                    }
                    ins.hInsertAfter = H(code == 5 ? TLI_AFTERPARENT : TLI_BEFOREPARENT);
                    break;
                case 7: {
                    UINT n = rng() % 5;
                    ins.hInsertAfter = H(TLI_POSITION + n);
                    at = std::min<size_t>(n, kids.size());
                    break;
                }
                default: {
                    UINT after = any();
                    ins.hInsertAfter = H(after);
                    auto pos = std::find(kids.begin(), kids.end(), after);
                    at = pos == kids.end() ? kids.size() : static_cast<size_t>(pos - kids.begin()) + 1;
                    break;
                }
                }
                if (!sorted)
                    ref.sortedOnly[refParent] = false;
                std::vector<UINT>& target = ref.Kids(refParent);
                UINT capBefore = m.capacity;
                UINT n = m.Insert(&ins);
                ASSERT_NE(n, 0u);
                // A new number is the first free one after the last given, wrapping.
                ASSERT_EQ(ref.nodes.count(n), 0u);
                for (UINT k = (last % m.capacity) + 1; k != n; k = (k % m.capacity) + 1)
                    ASSERT_TRUE(ref.nodes.count(k)) << "number " << k << " was free before " << n;
                last = n;
                if (m.capacity != capBefore)
                    capacities.push_back(m.capacity);
                target.insert(target.begin() + static_cast<long>(at), n);
                ref.nodes[n].parent = refParent;
                ref.nodes[n].text = text;
                if (!ref.sortedOnly.count(n)) ref.sortedOnly[n] = true;
                what = "insert code " + std::to_string(code);
            } else if (op < 60) {
                UINT n = any();
                bool childrenOnly = rng() % 4 == 0;
                std::vector<UINT> gone;
                const UINT parentOfN = ref.nodes[n].parent;
                ref.Subtree(n, gone);
                if (childrenOnly) gone.erase(gone.begin());
                host.notes.clear();
                ASSERT_EQ(m.Delete(n, childrenOnly ? 0x3 : 0x1), 1);
                std::vector<UINT> told;
                for (auto& note : host.notes)
                    if (note.first == static_cast<int>(TVN_DELETEITEMA)) told.push_back(note.second);
                std::reverse(gone.begin(), gone.end());   // children before parents, last first
                ASSERT_EQ(told, gone);
                for (UINT g : gone) {
                    ASSERT_TRUE(m.Item(g) == nullptr);
                    ref.nodes.erase(g);
                    ref.sortedOnly.erase(g);
                }
                if (childrenOnly) {
                    ref.nodes[n].children.clear();
                } else {
                    std::vector<UINT>& sib = ref.Kids(parentOfN);
                    sib.erase(std::find(sib.begin(), sib.end(), n));
                }
                what = "delete";
            } else if (op < 75) {
                UINT n = any(), target = rng() % 5 ? any() : kRoot;
                int placement = static_cast<int>(rng() % 4);
                bool asChild = placement & 2, lastPos = placement & 1;
                bool fails = target != kRoot && (asChild ? ref.Inside(target, n) : (target != n && ref.Inside(target, n)));
                int r = m.Move(n, target, placement);
                ASSERT_EQ(r, fails ? 0 : 1);
                if (!fails && target != n) {
                    UINT newParent = target == kRoot ? 0 : (asChild ? target : ref.nodes[target].parent);
                    std::vector<UINT>& from = ref.Kids(ref.nodes[n].parent);
                    from.erase(std::find(from.begin(), from.end(), n));
                    std::vector<UINT>& to = ref.Kids(newParent);
                    size_t at;
                    if (target == kRoot || asChild) at = lastPos ? to.size() : 0;
                    else at = static_cast<size_t>(std::find(to.begin(), to.end(), target) - to.begin()) + (lastPos ? 1 : 0);
                    to.insert(to.begin() + static_cast<long>(at), n);
                    ref.nodes[n].parent = newParent;
                    ref.sortedOnly[newParent] = false;
                }
                what = "move";
            } else if (op < 92) {
                UINT n = any();
                bool expanded = ref.nodes[n].expanded;
                m.Expand(n, TVE_TOGGLE);
                // Every item opens or closes, one without children too.
                ref.nodes[n].expanded = !expanded;
                what = "toggle";
            } else {
                UINT n = any();
                TVITEMA item = {};
                item.mask = TVIF_STATE;
                item.hItem = H(n);
                item.stateMask = TLIS_HIDDEN;
                item.state = ref.nodes[n].hidden ? 0 : TLIS_HIDDEN;
                ASSERT_EQ(m.SetItem(&item), 1);
                ref.nodes[n].hidden = !ref.nodes[n].hidden;
                what = "hide";
            }
            Check(m, ref, (what + " at step " + std::to_string(step)).c_str());
            if (HasFatalFailure())
                return;
        }
        ASSERT_GE(capacities.size(), 2u);
        EXPECT_EQ(capacities[0], 64u);
        EXPECT_EQ(capacities[1], 160u);
    }
}

TEST(TreeListModel, ButtonHitSixPixelsLeftOfItsCentreAndIndentAtSeven)
{
    Host host;
    TreeListModel m(&host);
    m.style = TVS_HASBUTTONS | TVS_LINESATROOT;
    m.UpdateLinesAtRoot();
    m.SetClientSize(300, 200);
    TreeListInsert ins = {};
    ins.hParent = H(kRoot);
    ins.hInsertAfter = H(kLast);
    ins.item.mask = TVIF_TEXT;
    ins.item.pszText = const_cast<char*>("parent");
    UINT parent = m.Insert(&ins);
    ins.hParent = H(parent);
    UINT child = m.Insert(&ins);
    ASSERT_TRUE(parent && child);
    const int midRow = m.headerHeight + m.rowHeight / 2;
    TVHITTESTINFO hit = {};
    m.HitTest({ m.buttonCenter - 6, midRow }, &hit);
    EXPECT_EQ(hit.flags, static_cast<UINT>(TVHT_ONITEMBUTTON));
    EXPECT_EQ(hit.hItem, H(parent));
    m.HitTest({ m.buttonCenter - 7, midRow }, &hit);
    EXPECT_EQ(hit.flags, static_cast<UINT>(TVHT_ONITEMINDENT));
    m.HitTest({ -1, midRow }, &hit);
    EXPECT_EQ(hit.flags, static_cast<UINT>(TVHT_TOLEFT));
    EXPECT_EQ(hit.hItem, nullptr);
    m.HitTest({ 10, m.headerHeight + 3 * m.rowHeight }, &hit);
    EXPECT_EQ(hit.flags, static_cast<UINT>(TVHT_NOWHERE));
}

namespace {

TreeListModel* g_sorted = nullptr;
std::mt19937* g_rng = nullptr;
int g_refusedChanges = 0, g_acceptedChanges = 0, g_nested = 0;

int CALLBACK MeddlingCompare(HWND, UINT a, UINT b, LPARAM, LPARAM, LPARAM)
{
    TreeListModel& m = *g_sorted;
    switch ((*g_rng)() % 6) {
    case 0: (m.Delete(a, 1) ? g_acceptedChanges : g_refusedChanges)++; break;
    case 1: {
        TreeListInsert ins = {};
        ins.hParent = H(kRoot);
        ins.hInsertAfter = H(kFirst);
        (m.Insert(&ins) ? g_acceptedChanges : g_refusedChanges)++;
        break;
    }
    case 2: (m.Move(b, a, 2) ? g_acceptedChanges : g_refusedChanges)++; break;
    case 3:
        // Sorting again from inside a comparison is allowed.
        if (UINT c = m.Item(a) ? m.Item(a)->firstChild : 0) {
            m.SortChildren(a, false);
            ++g_nested;
            (void)c;
        }
        break;
    default: break;
    }
    return static_cast<int>((*g_rng)() % 3) - 1;   // answers at random
}

std::vector<UINT> Children(TreeListModel& m, UINT parent)
{
    std::vector<UINT> v;
    UINT x = parent ? m.Item(parent)->firstChild : m.firstTop;
    for (UINT guard = 0; x && guard <= m.count; ++guard, x = m.Item(x)->next)
        v.push_back(x);
    return v;
}

}  // namespace

TEST(TreeListModel, AComparatorCannotInsertDeleteOrMoveWhileItSorts)
{
    Host host;
    TreeListModel m(&host);
    Ref ref;
    std::mt19937 rng(7);
    g_sorted = &m;
    g_rng = &rng;
    TreeListInsert ins = {};
    ins.hInsertAfter = H(kLast);
    ins.item.mask = TVIF_TEXT;
    for (int i = 0; i < 300; ++i) {
        std::string text = "t" + std::to_string(rng() % 1000);
        ins.item.pszText = const_cast<char*>(text.c_str());
        UINT parent = i < 60 || ref.top.empty() ? 0 : ref.top[rng() % ref.top.size()];
        ins.hParent = parent ? H(parent) : H(kRoot);
        UINT n = m.Insert(&ins);
        ASSERT_NE(n, 0u);
        ref.Kids(parent).push_back(n);
        ref.nodes[n].parent = parent;
        ref.nodes[n].expanded = false;
    }
    for (UINT top : ref.top) {
        m.Expand(top, TVE_EXPAND);
        ref.nodes[top].expanded = true;
    }
    TreeListSort sort = { H(kRoot), &MeddlingCompare, 0 };
    for (int round = 0; round < 5; ++round) {
        ASSERT_NE(m.SortItems(&sort, round % 2 == 1), 0);
        // Whatever the answers, every parent keeps the same children, in some order.
        for (UINT p : std::vector<UINT>{ 0 }) {
            std::vector<UINT> now = Children(m, p), before = ref.top;
            std::sort(now.begin(), now.end());
            std::sort(before.begin(), before.end());
            ASSERT_EQ(now, before);
            ref.top = Children(m, p);
        }
        for (auto& kv : ref.nodes) {
            std::vector<UINT> now = Children(m, kv.first), before = kv.second.children;
            std::sort(now.begin(), now.end());
            std::sort(before.begin(), before.end());
            ASSERT_EQ(now, before);
            kv.second.children = Children(m, kv.first);
        }
        Check(m, ref, "after a meddling sort");
    }
    EXPECT_EQ(g_acceptedChanges, 0);
    EXPECT_GT(g_refusedChanges, 100);
    EXPECT_GT(g_nested, 0);
    // Once the sort is over, changes are accepted again.
    EXPECT_EQ(m.Delete(ref.top.back(), 1), 1);
}

namespace {

UINT AddTop(TreeListModel& m, const char* text)
{
    TreeListInsert ins = {};
    ins.hParent = H(kRoot);
    ins.hInsertAfter = H(kLast);
    ins.item.mask = TVIF_TEXT;
    ins.item.pszText = const_cast<char*>(text);
    return m.Insert(&ins);
}

std::string TextOf(TreeListModel& m, UINT n)
{
    int length = 0;
    const char* t = m.ItemText(n, 0, &length);
    return t ? std::string(t, static_cast<size_t>(length)) : std::string();
}

}  // namespace

TEST(TreeListModel, SearchBelongsToItsWindowAndSurvivesVanishedRows)
{
    Host ha, hb;
    TreeListModel a(&ha), b(&hb);
    for (const char* t : { "Alpha", "Beta", "Bear", "Echo", "Gamma" }) {
        AddTop(a, t);
        AddTop(b, t);
    }
    // "b" then "e" typed into one window within the time-out finds "Be...".
    UINT hit = a.SearchChar('b', 1000);
    EXPECT_EQ(TextOf(a, hit), "Beta");
    EXPECT_EQ(TextOf(a, a.SearchChar('e', 1100)), "Beta");
    char buf[20];
    EXPECT_EQ(a.GetSearchString(buf, 1200), 1);
    EXPECT_STREQ(buf, "BE");
    EXPECT_EQ(a.GetSearchString(nullptr, 1950), 0);
    // The same keys split between two windows: the second starts its own search.
    a.SearchChar('b', 3000);
    EXPECT_EQ(TextOf(b, b.SearchChar('e', 3100)), "Echo");
    // Repeating a letter steps through the items with that initial.
    b.Select(0, 0, 0x8000);
    EXPECT_EQ(TextOf(b, b.SearchChar('b', 5000)), "Beta");
    EXPECT_EQ(TextOf(b, b.SearchChar('b', 5100)), "Bear");
    // Rows vanish within the time-out: the search goes on inside the rows left.
    Host hc;
    TreeListModel c(&hc);
    std::vector<UINT> made;
    for (int i = 0; i < 30; ++i)
        made.push_back(AddTop(c, i % 2 ? "zulu" : "yankee"));
    c.Select(made[28], 0, 0x8000);
    EXPECT_EQ(c.SearchChar('x', 7000), 0u);
    for (int i = 29; i >= 3; --i)
        c.Delete(made[static_cast<size_t>(i)], 1);
    ASSERT_EQ(c.rowCount, 3);
    UINT found = c.SearchChar('y', 7300);
    EXPECT_TRUE(found == 0 || c.Item(found) != nullptr);
    EXPECT_EQ(TextOf(c, c.SearchChar('z', 9000)), "zulu");
}

TEST(TreeListModel, InsertionMarkForgetsItsPlaceholderWhenItIsDeleted)
{
    Host host;
    TreeListModel m(&host);
    std::vector<UINT> made;
    for (int i = 0; i < 10; ++i)
        made.push_back(AddTop(m, "item"));
    UINT mark = m.SetInsertMark(made[3], true);
    ASSERT_NE(mark, 0u);
    EXPECT_EQ(m.Item(made[3])->next, mark);
    EXPECT_EQ(m.GetItemColor(mark, 0, false), m.colors[TLCOL_INSERTMARK]);
    // A second mark moves the placeholder.
    UINT mark2 = m.SetInsertMark(made[6], false);
    EXPECT_EQ(m.Item(mark), nullptr);
    EXPECT_EQ(m.Item(made[6])->prev, mark2);
    // The caller deletes the placeholder itself; numbers go round until one comes back.
    ASSERT_EQ(m.Delete(mark2, 1), 1);
    UINT reused = 0;
    for (int i = 0; i < 200 && !reused; ++i) {
        UINT n = AddTop(m, "filler");
        if (n == mark2)
            reused = n;
        else
            m.Delete(n, 1);
    }
    ASSERT_EQ(reused, mark2);
    m.SetInsertMark(made[1], true);
    EXPECT_NE(m.Item(reused), nullptr) << "setting the mark again deleted an item that took the old number";
    EXPECT_EQ(m.SetInsertMark(0, false), 0u);
    EXPECT_EQ(m.count, 11u);
}

TEST(TreeListModel, DeferredSetItemQueuesSelectionAndExpansion)
{
    // A set-item with the deferral bit leaves selecting and expanding (which notify the
    // parent) to the queue; other state bits take effect at once.
    struct Case {
        const char* what;
        int column;        // 0: the item, else the cell of that column
        UINT exStyle;
        UINT state;
        UINT stateMask;
        UINT queued;       // bits that only the queue sets
        UINT atOnce;       // bits set before the queue runs
        int caretColumn;   // caret column after the queue, -1: no caret expected
    };
    const Case cases[] = {
        { "expand the item", 0, 0, TVIS_EXPANDED, TVIS_EXPANDED, TVIS_EXPANDED, 0, -1 },
        { "select the item", 0, 0, TVIS_SELECTED, TVIS_SELECTED, TVIS_SELECTED, 0, 0 },
        { "select and make bold", 0, 0, TVIS_SELECTED | TVIS_BOLD, TVIS_SELECTED | TVIS_BOLD, TVIS_SELECTED, TVIS_BOLD, 0 },
        { "expand through a cell", 1, 0, TVIS_EXPANDED, TVIS_EXPANDED, TVIS_EXPANDED, 0, -1 },
        { "select a cell", 1, TLX_CELLSELECT, TVIS_SELECTED, TVIS_SELECTED, TVIS_SELECTED, 0, 1 },
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Host host;
        TreeListModel m(&host);
        m.exStyle = k.exStyle;
        LVCOLUMNA col = {};
        ASSERT_EQ(m.AddColumn(0, &col, 50, 0), 0);
        ASSERT_EQ(m.AddColumn(1, &col, 50, 0), 1);
        UINT parent = AddTop(m, "parent");
        TreeListInsert ins = {};
        ins.hParent = H(parent);
        ins.hInsertAfter = H(kLast);
        ins.item.mask = TVIF_TEXT;
        ins.item.pszText = const_cast<char*>("child");
        ASSERT_NE(m.Insert(&ins), 0u);
        m.RunQueue();
        host.notes.clear();
        TVITEMA r = {};
        r.mask = TVIF_STATE | TLIF_DEFERRED | (k.column ? TLIF_CELL : 0);
        r.hItem = H(parent);
        r.cChildren = k.column;
        r.state = k.state;
        r.stateMask = k.stateMask;
        ASSERT_EQ(m.SetItem(&r), 1);
        EXPECT_EQ(m.Item(parent)->state & k.queued, 0u);
        EXPECT_EQ(m.Item(parent)->state & k.atOnce, k.atOnce);
        EXPECT_EQ(m.rowCount, 1);
        EXPECT_EQ(m.caret, 0u);
        EXPECT_TRUE(host.notes.empty()) << "the parent was told " << host.notes.size() << " things at once";
        m.RunQueue();
        EXPECT_EQ(m.Item(parent)->state & (k.queued | k.atOnce), k.queued | k.atOnce);
        EXPECT_FALSE(host.notes.empty());
        if (k.queued & TVIS_EXPANDED) {
            EXPECT_EQ(m.rowCount, 2);
        }
        if (k.caretColumn >= 0) {
            EXPECT_EQ(m.caret, parent);
            EXPECT_EQ(m.caretColumn, k.caretColumn);
        }
    }
}
