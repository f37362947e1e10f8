// Single messages of the tree list and what each leaves behind: one fresh window a case.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <string.h>
#include <functional>
#include <vector>
#include "TreeListSupport.h"

namespace {

const DWORD kStyle = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT;

LPARAM L(HTREEITEM h)
{
    return reinterpret_cast<LPARAM>(h);
}

void DrainMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

int HeaderWord(const tltest::Parent& p, int column, UINT mask)
{
    HDITEMA hd = {};
    hd.mask = mask;
    SendMessageA(reinterpret_cast<HWND>(p.Send(TLM_GETHEADER)), HDM_GETITEMA, static_cast<WPARAM>(column),
                 reinterpret_cast<LPARAM>(&hd));
    return mask == HDI_FORMAT ? hd.fmt : hd.cxy;
}

// Texts whose order by stricmp (punctuation by its code) differs from a word sort, which
// passes over hyphens.
const char* const kSortTexts[] = { "ab", "a-c", "AA", "a_b", "b" };

LRESULT SortTextIndex(const char* text)
{
    for (size_t i = 0; i < sizeof kSortTexts / sizeof kSortTexts[0]; ++i)
        if (strcmp(kSortTexts[i], text) == 0)
            return static_cast<LRESULT>(i + 1);
    return 9;
}

// The child indicator TVM_GETITEMA reports: 1 while the item shows an expand button.
LRESULT ChildIndicator(const tltest::Parent& p, HTREEITEM item)
{
    TVITEMA get = {};
    get.mask = TVIF_CHILDREN;
    get.hItem = item;
    p.Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&get));
    return get.cChildren;
}

HTREEITEM InsertToldParent(const tltest::Parent& p, const char* text)
{
    TVINSERTSTRUCTA ins = {};
    ins.hParent = TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_CHILDREN;
    ins.item.pszText = const_cast<char*>(text);
    ins.item.cChildren = 1;
    return reinterpret_cast<HTREEITEM>(p.Send(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
}

// The item data of the top-level items in their order, one decimal digit each.
LRESULT TopOrder(const tltest::Parent& p)
{
    LRESULT order = 0;
    for (LRESULT h = p.Send(TVM_GETNEXTITEM, TVGN_ROOT, 0); h; h = p.Send(TVM_GETNEXTITEM, TVGN_NEXT, h))
        order = order * 10 + p.Send(TLM_GETITEMDATA, 0, h);
    return order;
}

int CALLBACK DataDescending(LPARAM a, LPARAM b, LPARAM)
{
    return static_cast<int>(b - a);
}

int CALLBACK ItemDataAscending(HWND, UINT, UINT, LPARAM a, LPARAM b, LPARAM)
{
    return static_cast<int>(a - b);
}

}  // namespace

TEST(TreeListMessageRules, EachMessageLeavesWhatItsRuleSays)
{
    struct Case {
        const char* what;
        std::function<LRESULT(tltest::Parent& p)> act;
        std::function<LRESULT(tltest::Parent& p)> expected;
    } cases[] = {
        { "rows taken away leave the first row at most half a page above the end",
          [](tltest::Parent& p) {
              p.Send(TVM_SETEXTENDEDSTYLE, TLX_HIDDENITEMS, TLX_HIDDENITEMS);
              std::vector<HTREEITEM> items;
              for (int i = 0; i < 40; ++i)
                  items.push_back(p.Insert(TVI_ROOT, TVI_LAST, "row"));
              p.Send(WM_VSCROLL, (25 << 4) | 12, 0);   // own code 12: to row 25
              if (p.Send(TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0) != L(items[25]))
                  return LRESULT(-1);
              for (int i = 39; i >= 20; --i)
                  tltest::SetItem(p, items[i], 0, TVIF_STATE, TLIS_HIDDEN, TLIS_HIDDEN);
              Sleep(250);   // past the scroll bar's redraw pause, so the queued update runs
              DrainMessages();
              const LRESULT first = p.Send(TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0);
              for (int i = 0; i < 40; ++i)
                  if (L(items[i]) == first)
                      return LRESULT(i);
              return LRESULT(-2);
          },
          [](tltest::Parent& p) {
              RECT client;
              GetClientRect(p.Tree(), &client);
              const int full = static_cast<int>(client.bottom / p.Send(TVM_GETITEMHEIGHT));
              return LRESULT(20 - full / 2);
          } },
        { "the tip offered to the parent names the item with mask 0x801C",
          [](tltest::Parent& p) {
              p.Send(TVM_SETEXTENDEDSTYLE, TLX_TIPOFFER, TLX_TIPOFFER);
              HTREEITEM item = p.Insert(TVI_ROOT, TVI_LAST, "offered");
              UINT mask = 0;
              p.answer = [&mask](NMHDR* hdr) -> LRESULT {
                  if (static_cast<int>(hdr->code) == TLN_TIPOFFER)
                      mask = reinterpret_cast<NMTVDISPINFOA*>(hdr)->item.mask;
                  return 0;
              };
              RECT label = {};
              memcpy(&label, &item, sizeof item);
              p.Send(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&label));
              p.Send(WM_MOUSEMOVE, 0, MAKELPARAM(label.left + 2, (label.top + label.bottom) / 2));
              p.answer = nullptr;
              return LRESULT(mask);
          },
          [](tltest::Parent&) { return LRESULT(0x801C); } },
        { "the header's list follows the normal list as it is now",
          [](tltest::Parent& p) {
              HIMAGELIST a = ImageList_Create(16, 16, ILC_COLOR32, 1, 1), b = ImageList_Create(16, 16, ILC_COLOR32, 1, 1);
              p.Send(TVM_SETIMAGELIST, TVSIL_NORMAL | 0x40000000, reinterpret_cast<LPARAM>(a));
              p.Send(TVM_SETIMAGELIST, TVSIL_NORMAL | 0x40000000, reinterpret_cast<LPARAM>(b));
              const bool follows = p.Send(TVM_GETIMAGELIST, 5) == reinterpret_cast<LRESULT>(b);
              p.Send(TVM_SETIMAGELIST, TVSIL_NORMAL | 0x40000000, 0);
              ImageList_Destroy(a);
              ImageList_Destroy(b);
              return LRESULT(follows);
          },
          [](tltest::Parent&) { return LRESULT(1); } },
        { "setting a column hands the header the caller's format bits",
          [](tltest::Parent& p) {
              tltest::AddColumns(p, 2, 100);
              LVCOLUMNA col = {};
              col.mask = LVCF_FMT;
              col.fmt = LVCFMT_RIGHT | HDF_SORTUP;
              p.Send(TLM_SETCOLUMN, 1, reinterpret_cast<LPARAM>(&col));
              return LRESULT(HeaderWord(p, 1, HDI_FORMAT) & (HDF_SORTUP | HDF_JUSTIFYMASK));
          },
          [](tltest::Parent&) { return LRESULT(HDF_SORTUP | HDF_RIGHT); } },
        { "suspending the drawing leaves the window shown",
          [](tltest::Parent& p) {
              p.Send(WM_SETREDRAW, 0);
              const bool shown = (GetWindowLongA(p.Tree(), GWL_STYLE) & WS_VISIBLE) != 0;
              p.Send(WM_SETREDRAW, 1);
              return LRESULT(shown);
          },
          [](tltest::Parent&) { return LRESULT(1); } },
        { "a column inserted hidden by its own mask bit alone starts hidden",
          [](tltest::Parent& p) {
              tltest::AddColumns(p, 1, 100);
              LVCOLUMNA col = {};
              col.mask = LVCF_WIDTH | TLCF_HIDDEN;
              col.fmt = static_cast<int>(TLCF_HIDDEN);
              col.cx = 80;
              if (p.Send(TLM_INSERTCOLUMN, 1, reinterpret_cast<LPARAM>(&col)) != 1)
                  return LRESULT(-1);
              return LRESULT(HeaderWord(p, 1, HDI_WIDTH));
          },
          [](tltest::Parent&) { return LRESULT(0); } },
        { "a queued background change redraws the next column's cell too",
          [](tltest::Parent& p) {
              tltest::AddColumns(p, 3, 80);
              HTREEITEM item = p.Insert(TVI_ROOT, TVI_LAST, "row");
              UpdateWindow(p.Tree());
              ValidateRect(p.Tree(), nullptr);
              DrainMessages();
              TreeListColorRecord record = { 0x2, 1, { 0, 0 }, RGB(0, 128, 0) };
              p.Send(TLM_SETCOLORREC, reinterpret_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&record));
              MSG msg;   // the queue alone, not the paint that would validate what it asked for
              while (PeekMessageA(&msg, p.Tree(), TLM_RUNQUEUE, TLM_RUNQUEUE, PM_REMOVE))
                  DispatchMessageA(&msg);
              RECT next = {};
              memcpy(&next, &item, sizeof item);
              p.Send(TVM_GETITEMRECT, 0x80 | (2u << 24), reinterpret_cast<LPARAM>(&next));
              HRGN update = CreateRectRgn(0, 0, 0, 0);
              GetUpdateRgn(p.Tree(), update, FALSE);
              const BOOL redrawn = PtInRegion(update, (next.left + next.right) / 2, (next.top + next.bottom) / 2);
              DeleteObject(update);
              return LRESULT(redrawn != FALSE);
          },
          [](tltest::Parent&) { return LRESULT(1); } },
        { "sorting by text compares as the C library's stricmp does",
          [](tltest::Parent& p) {
              for (const char* t : kSortTexts)
                  p.Insert(TVI_ROOT, TVI_LAST, t);
              p.Send(TVM_SORTCHILDREN, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
              LRESULT order = 0;
              char buf[16];
              for (LRESULT h = p.Send(TVM_GETNEXTITEM, TVGN_ROOT, 0); h; h = p.Send(TVM_GETNEXTITEM, TVGN_NEXT, h)) {
                  TVITEMA get = {};
                  get.mask = TVIF_TEXT;
                  get.hItem = reinterpret_cast<HTREEITEM>(h);
                  get.pszText = buf;
                  get.cchTextMax = sizeof buf;
                  p.Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&get));
                  order = order * 10 + SortTextIndex(buf);
              }
              return order;
          },
          [](tltest::Parent&) {
              std::vector<const char*> sorted(std::begin(kSortTexts), std::end(kSortTexts));
              std::stable_sort(sorted.begin(), sorted.end(), [](const char* a, const char* b) { return _stricmp(a, b) < 0; });
              LRESULT order = 0;
              for (const char* t : sorted)
                  order = order * 10 + SortTextIndex(t);
              return order;
          } },
        { "an edit armed by a click starts at the press, not where the button comes up",
          [](tltest::Parent& p) {
              SetWindowLongA(p.Tree(), GWL_STYLE, GetWindowLongA(p.Tree(), GWL_STYLE) | TVS_EDITLABELS);
              p.Send(TVM_SETEXTENDEDSTYLE, TLX_EDITONCLICK, TLX_EDITONCLICK);
              p.Send(TLM_PROPERTY, TLP_EDITCLICK | kPropertyWrite, 2);
              HTREEITEM first = p.Insert(TVI_ROOT, TVI_LAST, "first");
              HTREEITEM second = p.Insert(TVI_ROOT, TVI_LAST, "second");
              HTREEITEM asked = nullptr;
              p.answer = [&asked](NMHDR* hdr) -> LRESULT {
                  if (static_cast<int>(hdr->code) == TLN_EDITREQUEST)
                      asked = reinterpret_cast<TreeListEditRequest*>(hdr)->item.hItem;
                  return 0;
              };
              RECT from = {}, to = {};
              memcpy(&from, &first, sizeof first);
              memcpy(&to, &second, sizeof second);
              p.Send(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&from));
              p.Send(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&to));
              p.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.left + 3, (from.top + from.bottom) / 2));
              p.Send(WM_LBUTTONUP, 0, MAKELPARAM(to.left + 3, (to.top + to.bottom) / 2));
              p.answer = nullptr;
              return LRESULT(asked == first ? 1 : asked == second ? 2 : 0);
          },
          [](tltest::Parent&) { return LRESULT(1); } },
        { "without columns a label wider than the window gets a scroll range up to its end",
          [](tltest::Parent& p) {
              const std::string text(120, 'W');
              HTREEITEM item = p.Insert(TVI_ROOT, TVI_LAST, text.c_str());
              UpdateWindow(p.Tree());
              const RECT label = tltest::ItemOrCellRect(p, item, -1, TRUE);
              HDC dc = GetDC(p.Tree());
              HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(p.Send(WM_GETFONT)));
              SIZE size = {};
              GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
              SelectObject(dc, old);
              ReleaseDC(p.Tree(), dc);
              SCROLLINFO si = { sizeof si, SIF_RANGE, 0, 0, 0, 0, 0 };
              GetScrollInfo(p.Tree(), SB_HORZ, &si);
              // The text starts 2 pixels into the label.
              return LRESULT(size.cx > 300 && si.nMax + 1 >= label.left + 2 + size.cx);
          },
          [](tltest::Parent&) { return LRESULT(1); } },
        { "a parent told it has children loses its button with its last child, deleted or moved away",
          [](tltest::Parent& p) {
              HTREEITEM deleted = InsertToldParent(p, "deleted");
              HTREEITEM moved = InsertToldParent(p, "moved");
              HTREEITEM gone = p.Insert(deleted, TVI_LAST, "gone");
              HTREEITEM away = p.Insert(moved, TVI_LAST, "away");
              const LRESULT before = ChildIndicator(p, deleted) * 10 + ChildIndicator(p, moved);
              p.Send(TVM_DELETEITEM, 0, L(gone));
              p.Send(TLM_MOVEITEM + 1, L(deleted), L(away));   // after "deleted", at the top level
              return before * 100 + ChildIndicator(p, deleted) * 10 + ChildIndicator(p, moved);
          },
          [](tltest::Parent&) { return LRESULT(1100); } },
        { "a branch reset by its collapse keeps the button it was told of, to be filled again",
          [](tltest::Parent& p) {
              HTREEITEM told = InsertToldParent(p, "told");
              p.Insert(told, TVI_LAST, "child");
              p.Send(TVM_EXPAND, TVE_EXPAND, L(told));
              p.Send(TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, L(told));
              return p.Send(TVM_GETNEXTITEM, TVGN_CHILD, L(told)) * 10 + ChildIndicator(p, told);
          },
          [](tltest::Parent&) { return LRESULT(1); } },
        { "the three sorts take parent 0 as the root",
          [](tltest::Parent& p) {
              const char* texts[] = { "b", "a", "c" };
              for (const char* t : texts)
                  p.Insert(TVI_ROOT, TVI_LAST, t, t[0] - 'a' + 1);
              LRESULT result = p.Send(TVM_SORTCHILDREN, 0, 0);
              LRESULT orders = TopOrder(p);
              TVSORTCB cb = { nullptr, &DataDescending, 0 };
              result += p.Send(TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&cb));
              orders = orders * 1000 + TopOrder(p);
              TreeListSort own = { nullptr, &ItemDataAscending, 0 };
              result += p.Send(TLM_SORTITEMS, 0, reinterpret_cast<LPARAM>(&own));
              // Every sort answers 1; a refused one shows as its count, negative.
              return result == 3 ? orders * 1000 + TopOrder(p) : -result;
          },
          [](tltest::Parent&) {
              // By text and by data ascending the data run 1, 2, 3; by data descending back.
              std::vector<LRESULT> data = { 2, 1, 3 };
              std::sort(data.begin(), data.end());
              const LRESULT up = data[0] * 100 + data[1] * 10 + data[2];
              const LRESULT down = data[2] * 100 + data[1] * 10 + data[0];
              return up * 1000000 + down * 1000 + up;
          } },
        { "a drop highlight naming a column the control lacks highlights nothing",
          [](tltest::Parent& p) {
              p.Send(TVM_SETEXTENDEDSTYLE, TLX_CELLSELECT, TLX_CELLSELECT);
              tltest::AddColumns(p, 2, 100);
              HTREEITEM item = p.Insert(TVI_ROOT, TVI_LAST, "row");
              p.Send(TLM_SETDROPHILITE, 1, L(item));
              const LRESULT before = p.Send(TVM_GETNEXTITEM, TVGN_DROPHILITE, 0) == L(item);
              p.Send(TLM_SETDROPHILITE, 2, L(item));
              const LRESULT state = p.Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), 0) & TVIS_DROPHILITED;
              return before * 100 + (p.Send(TVM_GETNEXTITEM, TVGN_DROPHILITE, 0) != 0) * 10 +
                     p.Send(TVM_GETNEXTITEM, 12, 0) + (state ? 1000 : 0);
          },
          [](tltest::Parent&) { return LRESULT(100); } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tltest::Parent p(TREELIST_CLASS, kStyle, 300, 200);
        ShowWindow(p.Window(), SW_SHOW);
        const LRESULT got = c.act(p);
        EXPECT_EQ(got, c.expected(p));
        DrainMessages();
    }
}
