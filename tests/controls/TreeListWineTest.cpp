// The "TreeList" window beside Wine's own "SysTreeView32": one script sent to both, their
// answers and notifications compared with the items mapped to the order they were made in.
// Where the control deliberately answers differently, its own answer is asserted.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>
#include "tests/controls/TreeListSupport.h"

// The numbers the control answers to are the platform's.
static_assert(TVM_INSERTITEMA == 0x1100 && TVM_DELETEITEM == 0x1101 && TVM_EXPAND == 0x1102, "tree-view messages");
static_assert(TVM_GETITEMRECT == 0x1104 && TVM_GETCOUNT == 0x1105 && TVM_SETIMAGELIST == 0x1109, "tree-view messages");
static_assert(TVM_GETNEXTITEM == 0x110A && TVM_SELECTITEM == 0x110B && TVM_GETITEMA == 0x110C, "tree-view messages");
static_assert(TVM_SETITEMA == 0x110D && TVM_EDITLABELA == 0x110E && TVM_HITTEST == 0x1111, "tree-view messages");
static_assert(TVM_SORTCHILDREN == 0x1113 && TVM_ENSUREVISIBLE == 0x1114 && TVM_SORTCHILDRENCB == 0x1115, "tree-view messages");
static_assert(TVM_ENDEDITLABELNOW == 0x1116 && TVM_GETISEARCHSTRINGA == 0x1117 && TVM_SETINSERTMARK == 0x111A, "tree-view messages");
static_assert(TVM_SETITEMHEIGHT == 0x111B && TVM_SETBKCOLOR == 0x111D && TVM_GETITEMSTATE == 0x1127, "tree-view messages");
static_assert(TVM_SETLINECOLOR == 0x1128 && TVM_SETEXTENDEDSTYLE == 0x112C && TVM_GETEXTENDEDSTYLE == 0x112D, "tree-view messages");
static_assert(TVN_SELCHANGINGA == 0u - 401 && TVN_SELCHANGEDA == 0u - 402 && TVN_GETDISPINFOA == 0u - 403, "notifications");
static_assert(TVN_SETDISPINFOA == 0u - 404 && TVN_ITEMEXPANDINGA == 0u - 405 && TVN_ITEMEXPANDEDA == 0u - 406, "notifications");
static_assert(TVN_DELETEITEMA == 0u - 409 && TVN_BEGINLABELEDITA == 0u - 410 && TVN_ENDLABELEDITA == 0u - 411, "notifications");
static_assert(TVN_KEYDOWN == 0u - 412 && TVN_GETINFOTIPA == 0u - 413 && TVN_SINGLEEXPAND == 0u - 415, "notifications");
static_assert(TVGN_ROOT == 0 && TVGN_NEXT == 1 && TVGN_PREVIOUS == 2 && TVGN_PARENT == 3 && TVGN_CHILD == 4, "codes");
static_assert(TVGN_FIRSTVISIBLE == 5 && TVGN_NEXTVISIBLE == 6 && TVGN_PREVIOUSVISIBLE == 7 && TVGN_DROPHILITE == 8, "codes");
static_assert(TVGN_CARET == 9 && TVGN_LASTVISIBLE == 10 && TVGN_NEXTSELECTED == 11, "codes");
static_assert(TVHT_NOWHERE == 1 && TVHT_ONITEMICON == 2 && TVHT_ONITEMLABEL == 4 && TVHT_ONITEMINDENT == 8, "hits");
static_assert(TVHT_ONITEMBUTTON == 0x10 && TVHT_ONITEMRIGHT == 0x20 && TVHT_ONITEMSTATEICON == 0x40, "hits");
static_assert(TVHT_ABOVE == 0x100 && TVHT_BELOW == 0x200 && TVHT_TORIGHT == 0x400 && TVHT_TOLEFT == 0x800, "hits");
static_assert(HDN_ITEMCHANGEDA == 0u - 301 && HDN_ITEMCLICKA == 0u - 302 && HDN_ITEMDBLCLICKA == 0u - 303, "header");
static_assert(HDN_DIVIDERDBLCLICKA == 0u - 305 && HDN_BEGINTRACKA == 0u - 306 && HDN_ENDTRACKA == 0u - 307, "header");
static_assert(HDN_TRACKA == 0u - 308 && HDN_BEGINDRAG == 0u - 310 && HDN_ENDDRAG == 0u - 311, "header");

namespace {

const DWORD kStyle = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT;

// One tree with the items of the script by the order they were made in.
struct Side {
    explicit Side(const char* cls) : p(cls, kStyle) {}
    tltest::Parent p;
    std::vector<HTREEITEM> items;
    long Index(HTREEITEM h) const
    {
        if (!h)
            return -1;
        auto at = std::find(items.begin(), items.end(), h);
        return at == items.end() ? -2 : static_cast<long>(at - items.begin());
    }
    HTREEITEM Item(int i) const { return i < 0 ? nullptr : items[static_cast<size_t>(i)]; }
    void Add(int parent, HTREEITEM after, const char* text)
    {
        items.push_back(p.Insert(parent < 0 ? TVI_ROOT : Item(parent), after, text, static_cast<LPARAM>(items.size())));
    }
    // The notifications since the last call, items as indexes.
    std::vector<long> Told()
    {
        std::vector<long> v;
        for (const tltest::Note& n : p.notes) {
            v.push_back(n.code);
            v.push_back(static_cast<long>(n.action & 0xFF));
            v.push_back(Index(n.oldItem));
            v.push_back(Index(n.newItem));
        }
        p.notes.clear();
        return v;
    }
    // The tree in pre-order with each item's level.
    std::vector<long> Walk() const
    {
        std::vector<long> v;
        std::vector<std::pair<HTREEITEM, int>> stack;
        for (HTREEITEM h = reinterpret_cast<HTREEITEM>(p.Send(TVM_GETNEXTITEM, TVGN_ROOT, 0)); h;
             h = reinterpret_cast<HTREEITEM>(p.Send(TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(h))))
            stack.push_back({ h, 0 });
        std::reverse(stack.begin(), stack.end());
        while (!stack.empty()) {
            auto [h, level] = stack.back();
            stack.pop_back();
            v.push_back(Index(h));
            v.push_back(level);
            std::vector<HTREEITEM> kids;
            for (HTREEITEM c = reinterpret_cast<HTREEITEM>(p.Send(TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(h))); c;
                 c = reinterpret_cast<HTREEITEM>(p.Send(TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(c))))
                kids.push_back(c);
            for (auto k = kids.rbegin(); k != kids.rend(); ++k)
                stack.push_back({ *k, level + 1 });
        }
        return v;
    }
};

int CALLBACK ByDataDescending(LPARAM a, LPARAM b, LPARAM)
{
    return a < b ? 1 : (a > b ? -1 : 0);
}

template <class F>
void Compare(Side& ours, Side& wine, const char* what, F step)
{
    std::vector<long> a = step(ours), b = step(wine);
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at])
        ++at;
    EXPECT_EQ(a, b) << what << ": first difference at " << at;
}

}  // namespace

TEST(TreeListBesideWine, AnswersTheTreeViewMessagesAsWinesTreeViewDoes)
{
    Side ours(TREELIST_CLASS), wine(WC_TREEVIEWA);
    ASSERT_TRUE(ours.p.Tree() && wine.p.Tree());
    for (Side* s : { &ours, &wine }) {
        s->Add(-1, TVI_LAST, "Delta");     // 0
        s->Add(-1, TVI_SORT, "alpha");     // 1
        s->Add(-1, TVI_SORT, "Charlie");   // 2
        s->Add(-1, TVI_SORT, "bravo");     // 3
        s->Add(-1, TVI_FIRST, "Echo");     // 4
        s->Add(2, TVI_LAST, "x1");         // 5
        s->Add(2, TVI_FIRST, "x0");        // 6
        s->Add(2, s->Item(6), "x2");       // 7
        s->Add(5, TVI_LAST, "deep");       // 8
        s->Add(3, TVI_LAST, "kilo");       // 9
        s->Add(-1, TVI_SORT, "Foxtrot");   // 10
    }
    Compare(ours, wine, "tree", [](Side& s) { return s.Walk(); });
    Compare(ours, wine, "count", [](Side& s) { return std::vector<long>{ static_cast<long>(s.p.Send(TVM_GETCOUNT)) }; });
    Compare(ours, wine, "expand", [](Side& s) {
        std::vector<long> v;
        s.p.notes.clear();
        // First expansions (both announce them), a collapsed one.
        for (int i : { 2, 5, 3 })
            v.push_back(static_cast<long>(s.p.Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(s.Item(i)))));
        v.push_back(static_cast<long>(s.p.Send(TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(s.Item(9)))));
        std::vector<long> told = s.Told();
        v.insert(v.end(), told.begin(), told.end());
        return v;
    });
    // Unlike Wine's, the control expands an item without children as any other: announced,
    // its bits set, result 1. Closed again, so that both trees go on alike.
    ours.p.notes.clear();
    EXPECT_EQ(ours.p.Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(ours.Item(8))), 1);
    EXPECT_EQ(tltest::Codes(ours.p.notes),
              (std::vector<int>{ static_cast<int>(TVN_ITEMEXPANDINGA), static_cast<int>(TVN_ITEMEXPANDEDA) }));
    EXPECT_EQ(ours.p.Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(ours.Item(8)), 0) & (TVIS_EXPANDED | TVIS_EXPANDEDONCE),
              TVIS_EXPANDED | TVIS_EXPANDEDONCE);
    ours.p.Send(TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(ours.Item(8)));
    ours.p.notes.clear();
    Compare(ours, wine, "next items", [](Side& s) {
        std::vector<long> v;
        for (UINT code : { TVGN_ROOT, TVGN_FIRSTVISIBLE, TVGN_LASTVISIBLE, TVGN_CARET, TVGN_DROPHILITE })
            v.push_back(s.Index(reinterpret_cast<HTREEITEM>(s.p.Send(TVM_GETNEXTITEM, code, 0))));
        for (int i = 0; i < static_cast<int>(s.items.size()); ++i)
            for (UINT code : { TVGN_NEXT, TVGN_PREVIOUS, TVGN_PARENT, TVGN_CHILD, TVGN_NEXTVISIBLE, TVGN_PREVIOUSVISIBLE })
                v.push_back(s.Index(reinterpret_cast<HTREEITEM>(s.p.Send(TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(s.Item(i))))));
        return v;
    });
    Compare(ours, wine, "set and get items", [](Side& s) {
        std::vector<long> v;
        TVITEMA set = {};
        set.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
        set.hItem = s.Item(0);
        set.pszText = const_cast<char*>("Zulu");
        set.lParam = 99;
        set.iImage = 3;
        set.iSelectedImage = 4;
        set.state = TVIS_BOLD;
        set.stateMask = TVIS_BOLD;
        v.push_back(static_cast<long>(s.p.Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&set))));
        for (int i : { 0, 2, 8 }) {
            char text[8] = {};
            TVITEMA get = {};
            get.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_CHILDREN;
            get.hItem = s.Item(i);
            get.pszText = text;
            get.cchTextMax = sizeof text;
            get.stateMask = TVIS_BOLD | TVIS_EXPANDED;
            v.push_back(static_cast<long>(s.p.Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&get))));
            v.push_back(static_cast<long>(std::string(text).size()) * 1000 + text[0]);
            v.push_back(static_cast<long>(get.lParam));
            v.push_back(get.iImage);
            v.push_back(get.iSelectedImage);
            v.push_back(static_cast<long>(get.state & (TVIS_BOLD | TVIS_EXPANDED)));
            v.push_back(get.cChildren);
        }
        return v;
    });
    Compare(ours, wine, "select with a veto", [](Side& s) {
        std::vector<long> v;
        s.p.notes.clear();
        v.push_back(static_cast<long>(s.p.Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(s.Item(6)))));
        HTREEITEM refused = s.Item(7);
        s.p.answer = [refused](NMHDR* h) -> LRESULT {
            return static_cast<int>(h->code) == static_cast<int>(TVN_SELCHANGINGA) &&
                   reinterpret_cast<NMTREEVIEWA*>(h)->itemNew.hItem == refused;
        };
        v.push_back(static_cast<long>(s.p.Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(s.Item(7)))));
        s.p.answer = nullptr;
        v.push_back(s.Index(reinterpret_cast<HTREEITEM>(s.p.Send(TVM_GETNEXTITEM, TVGN_CARET, 0))));
        std::vector<long> told = s.Told();
        v.insert(v.end(), told.begin(), told.end());
        return v;
    });
    Compare(ours, wine, "colours", [](Side& s) {
        std::vector<long> v;
        for (UINT set : { TVM_SETBKCOLOR, TVM_SETTEXTCOLOR, TVM_SETLINECOLOR, TVM_SETINSERTMARKCOLOR }) {
            s.p.Send(set, 0, RGB(10, 20, 30));
            v.push_back(static_cast<long>(s.p.Send(set, 0, RGB(40, 50, 60))));
        }
        for (UINT get : { TVM_GETBKCOLOR, TVM_GETTEXTCOLOR, TVM_GETLINECOLOR, TVM_GETINSERTMARKCOLOR })
            v.push_back(static_cast<long>(s.p.Send(get)));
        return v;
    });
    Compare(ours, wine, "delete a branch", [](Side& s) {
        std::vector<long> v;
        s.p.notes.clear();
        v.push_back(static_cast<long>(s.p.Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(s.Item(2)))));
        std::vector<long> gone;
        for (const tltest::Note& n : s.p.notes)
            if (n.code == static_cast<int>(TVN_DELETEITEMA))
                gone.push_back(s.Index(n.oldItem));
        s.p.notes.clear();
        std::sort(gone.begin(), gone.end());
        for (long g : gone)
            s.items[static_cast<size_t>(g)] = nullptr;   // the handle may come back for a new item
        v.insert(v.end(), gone.begin(), gone.end());
        std::vector<long> rest = s.Walk();
        v.insert(v.end(), rest.begin(), rest.end());
        v.push_back(static_cast<long>(s.p.Send(TVM_GETCOUNT)));
        return v;
    });
    Compare(ours, wine, "sort by text and by data", [](Side& s) {
        std::vector<long> v;
        for (const char* t : { "mike", "Lima", "november", "Hotel" })
            s.Add(-1, TVI_LAST, t);
        v.push_back(static_cast<long>(s.p.Send(TVM_SORTCHILDREN, 0, reinterpret_cast<LPARAM>(TVI_ROOT))));
        std::vector<long> byText = s.Walk();
        v.insert(v.end(), byText.begin(), byText.end());
        TVSORTCB sort = { TVI_ROOT, &ByDataDescending, 0 };
        v.push_back(static_cast<long>(s.p.Send(TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort))));
        std::vector<long> byData = s.Walk();
        v.insert(v.end(), byData.begin(), byData.end());
        return v;
    });
}
