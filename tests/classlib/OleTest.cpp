// OLE data source and data object against each other and through the clipboard, and the drop
// target fed through its IDropTarget as OLE's drag loop would.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>
#include <cstring>
#include <string>
#include <vector>
#include "classlib/Ole.h"
#include "classlib/Wnd.h"

namespace {

class OleTest : public ::testing::Test {
protected:
    void SetUp() override { m_init = SUCCEEDED(OleInitialize(nullptr)); }
    void TearDown() override
    {
        if (m_init) OleUninitialize();
    }
    bool m_init = false;
};

HGLOBAL GlobalText(const char* text)
{
    size_t n = strlen(text) + 1;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, n);
    memcpy(GlobalLock(h), text, n);
    GlobalUnlock(h);
    return h;
}

std::string ReadGlobal(HGLOBAL h)
{
    if (!h) return "<null>";
    const char* p = static_cast<const char*>(GlobalLock(h));
    std::string s(p, strnlen(p, GlobalSize(h)));
    GlobalUnlock(h);
    return s;
}

}  // namespace

TEST_F(OleTest, SourceAndObjectAgree)
{
    ASSERT_TRUE(m_init);
    COleDataSource source;
    source.CacheGlobalData(CF_TEXT, GlobalText("Sektor 0"));
    source.CacheGlobalData(CF_TEXT, GlobalText("Sektor 1"));   // the newer block wins
    source.CacheGlobalData(CF_OEMTEXT, nullptr);                // nothing offered

    COleDataObject data;
    data.Attach(source.GetDataObject(TRUE));
    EXPECT_TRUE(data.IsDataAvailable(CF_TEXT));
    EXPECT_FALSE(data.IsDataAvailable(CF_UNICODETEXT));
    EXPECT_FALSE(data.IsDataAvailable(CF_OEMTEXT));
    HGLOBAL copy = data.GetGlobalData(CF_TEXT);
    EXPECT_EQ("Sektor 1", ReadGlobal(copy));
    GlobalFree(copy);                                            // ours; the source keeps its own
    copy = data.GetGlobalData(CF_TEXT);
    EXPECT_EQ("Sektor 1", ReadGlobal(copy));
    GlobalFree(copy);
    EXPECT_EQ(nullptr, data.GetGlobalData(CF_HDROP));

    STGMEDIUM med;
    EXPECT_TRUE(data.GetData(CF_TEXT, &med));
    EXPECT_EQ(static_cast<DWORD>(TYMED_HGLOBAL), med.tymed);
    EXPECT_EQ("Sektor 1", ReadGlobal(med.hGlobal));
    ReleaseStgMedium(&med);
    EXPECT_FALSE(data.GetData(CF_HDROP, &med));
    EXPECT_FALSE(data.GetData(CF_TEXT, nullptr));

    // The formats are listed.
    IDataObject* raw = data.GetIDataObject(FALSE);
    IEnumFORMATETC* formats = nullptr;
    ASSERT_EQ(S_OK, raw->EnumFormatEtc(DATADIR_GET, &formats));
    FORMATETC fe;
    ULONG got = 0;
    std::vector<CLIPFORMAT> seen;
    while (formats->Next(1, &fe, &got) == S_OK) seen.push_back(fe.cfFormat);
    formats->Release();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(CF_TEXT, seen[0]);

    source.Empty();
    EXPECT_FALSE(data.IsDataAvailable(CF_TEXT));
    data.Release();
    EXPECT_EQ(nullptr, data.GetIDataObject(FALSE));
    EXPECT_FALSE(data.IsDataAvailable(CF_TEXT));
    EXPECT_EQ(nullptr, data.GetGlobalData(CF_TEXT));
}

TEST_F(OleTest, ClipboardRoundTrip)
{
    ASSERT_TRUE(m_init);
    {
        COleDataSource* source = new COleDataSource;
        source->CacheGlobalData(CF_TEXT, GlobalText("über die Ablage"));
        ASSERT_TRUE(source->SetClipboard());
        delete source;   // the clipboard keeps its own reference
    }
    COleDataObject data;
    ASSERT_TRUE(data.AttachClipboard());
    EXPECT_TRUE(data.IsDataAvailable(CF_TEXT));
    HGLOBAL h = data.GetGlobalData(CF_TEXT);
    EXPECT_EQ("über die Ablage", ReadGlobal(h));
    GlobalFree(h);
    data.Release();
    EXPECT_EQ(S_OK, OleFlushClipboard());
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ("über die Ablage", ReadGlobal(GetClipboardData(CF_TEXT)));
    EmptyClipboard();
    CloseClipboard();
}

namespace {

class RecordingTarget : public COleDropTarget {
public:
    DROPEFFECT enterAnswer = DROPEFFECT_MOVE;
    DROPEFFECT overAnswer = DROPEFFECT_MOVE;
    DROPEFFECT scrollAnswer = DROPEFFECT_NONE;
    BOOL dropAnswer = TRUE;
    std::vector<std::string> calls;
    CPoint lastPoint;
    DWORD lastKeys = 0;
    DROPEFFECT dropEffect = 0;
    bool sawText = false;
    CWnd* lastWnd = nullptr;

    DROPEFFECT OnDragEnter(CWnd* pWnd, COleDataObject* data, DWORD keys, CPoint point) override
    {
        calls.push_back("enter");
        lastWnd = pWnd;
        lastPoint = point;
        lastKeys = keys;
        sawText = data && data->IsDataAvailable(CF_TEXT);
        return enterAnswer;
    }
    DROPEFFECT OnDragOver(CWnd*, COleDataObject* data, DWORD keys, CPoint point) override
    {
        calls.push_back("over");
        lastPoint = point;
        lastKeys = keys;
        sawText = data && data->IsDataAvailable(CF_TEXT);
        return overAnswer;
    }
    DROPEFFECT OnDragScroll(CWnd*, DWORD, CPoint) override
    {
        calls.push_back("scroll");
        return scrollAnswer;
    }
    BOOL OnDrop(CWnd*, COleDataObject* data, DROPEFFECT effect, CPoint point) override
    {
        calls.push_back("drop");
        dropEffect = effect;
        lastPoint = point;
        sawText = data && data->IsDataAvailable(CF_TEXT);
        return dropAnswer;
    }
    void OnDragLeave(CWnd*) override { calls.push_back("leave"); }
};

std::string Joined(const std::vector<std::string>& v)
{
    std::string s;
    for (const auto& x : v) s += (s.empty() ? "" : ",") + x;
    return s;
}

}  // namespace

TEST_F(OleTest, DropTargetTranslatesTheInterfaceCalls)
{
    ASSERT_TRUE(m_init);
    CWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(0), "Ziel", WS_POPUP, 100, 50, 200, 100, nullptr, nullptr));
    RecordingTarget target;
    ASSERT_TRUE(target.Register(&wnd));
    EXPECT_FALSE(target.Register(&wnd));   // once
    EXPECT_EQ(wnd.m_hWnd, target.GetRegisteredWindow());
    EXPECT_FALSE(COleDropTarget().Register(nullptr));

    COleDataSource source;
    source.CacheGlobalData(CF_TEXT, GlobalText("gezogen"));
    IDataObject* data = source.GetDataObject(FALSE);
    IDropTarget* drop = target.GetInterface();
    POINT origin = { 0, 0 };
    ClientToScreen(wnd.m_hWnd, &origin);
    POINTL at = { origin.x + 5, origin.y + 7 };

    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(S_OK, drop->DragEnter(data, MK_LBUTTON, at, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_MOVE), effect);
    EXPECT_EQ(CPoint(5, 7), target.lastPoint);     // client coordinates
    EXPECT_EQ(static_cast<DWORD>(MK_LBUTTON), target.lastKeys);
    EXPECT_TRUE(target.sawText);
    EXPECT_EQ(&wnd, target.lastWnd);

    // The answer is limited to what the source allows.
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(S_OK, drop->DragOver(MK_LBUTTON | MK_CONTROL, at, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), effect);

    // A scroll answer stands for itself; OnDragOver is not asked.
    target.scrollAnswer = DROPEFFECT_SCROLL | DROPEFFECT_COPY;
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(S_OK, drop->DragOver(MK_LBUTTON, at, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_SCROLL | DROPEFFECT_COPY), effect);
    target.scrollAnswer = DROPEFFECT_NONE;

    target.overAnswer = DROPEFFECT_COPY;
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    POINTL at2 = { origin.x + 9, origin.y + 3 };
    EXPECT_EQ(S_OK, drop->DragOver(MK_LBUTTON | MK_CONTROL, at2, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), effect);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(S_OK, drop->Drop(data, 0, at2, &effect));
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), effect);
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_COPY), target.dropEffect);
    EXPECT_EQ(CPoint(9, 3), target.lastPoint);
    EXPECT_TRUE(target.sawText);
    EXPECT_EQ("enter,scroll,over,scroll,scroll,over,drop", Joined(target.calls));

    // A drag the target refused ends with OnDragLeave instead of OnDrop.
    target.calls.clear();
    target.enterAnswer = DROPEFFECT_NONE;
    effect = DROPEFFECT_COPY;
    drop->DragEnter(data, MK_LBUTTON, at, &effect);
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), effect);
    effect = DROPEFFECT_COPY;
    drop->Drop(data, 0, at, &effect);
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), effect);
    EXPECT_EQ("enter,leave", Joined(target.calls));

    // OnDrop declining gives no effect.
    target.calls.clear();
    target.enterAnswer = DROPEFFECT_COPY;
    target.dropAnswer = FALSE;
    effect = DROPEFFECT_COPY;
    drop->DragEnter(data, MK_LBUTTON, at, &effect);
    drop->Drop(data, 0, at, &effect);
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_NONE), effect);
    EXPECT_EQ("enter,drop,leave", Joined(target.calls));

    // Leaving the window.
    target.calls.clear();
    drop->DragEnter(data, MK_LBUTTON, at, &effect);
    drop->DragLeave();
    EXPECT_EQ("enter,leave", Joined(target.calls));
    EXPECT_EQ(E_INVALIDARG, drop->DragEnter(data, 0, at, nullptr));

    target.Revoke();
    EXPECT_EQ(nullptr, target.GetRegisteredWindow());
    EXPECT_TRUE(target.Register(&wnd));            // again after Revoke
    target.Revoke();
    wnd.DestroyWindow();
}

TEST_F(OleTest, DragWithoutButtonsEndsAtOnce)
{
    ASSERT_TRUE(m_init);
    COleDataSource source;
    source.CacheGlobalData(CF_TEXT, GlobalText("x"));
    // No button is down in the test, so the drop source reports a drop at the first query,
    // onto no target: no effect.
    EXPECT_EQ(static_cast<DROPEFFECT>(DROPEFFECT_NONE), source.DoDragDrop(DROPEFFECT_COPY));
}
