// Windows and their objects: the creation hook on the library's own class and on foreign
// classes (EDIT, BUTTON, a dialog), the permanent and temporary handle maps, subclassing,
// and destruction. The window's user-data slot belongs to the program and must stay as it
// was set.
#include <gtest/gtest.h>
#include "classlib/Afx.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

const LONG_PTR kUserData = 0x5EC70A11;

class CProbeWnd : public CWnd {
public:
    std::vector<UINT> seen;          // messages that reached the map, in order
    LONG_PTR userDataAtNcCreate = -1;
    HWND hwndAtCreate = nullptr;
    int postNcDestroyCalls = 0;
    bool failCreate = false;

    afx_msg BOOL OnNcCreate(LPCREATESTRUCTA cs)
    {
        seen.push_back(WM_NCCREATE);
        userDataAtNcCreate = GetWindowLongPtrA(m_hWnd, GWLP_USERDATA);
        return CWnd::OnNcCreate(cs);
    }
    afx_msg int OnCreate(LPCREATESTRUCTA cs)
    {
        seen.push_back(WM_CREATE);
        hwndAtCreate = m_hWnd;
        if (failCreate)
            return -1;
        return CWnd::OnCreate(cs);
    }
    afx_msg void OnDestroy()
    {
        seen.push_back(WM_DESTROY);
        CWnd::OnDestroy();
    }
    void PostNcDestroy() override { ++postNcDestroyCalls; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProbeWnd, CWnd)
    ON_WM_NCCREATE()
    ON_WM_CREATE()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

size_t IndexOf(const std::vector<UINT>& list, UINT message)
{
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i] == message)
            return i;
    }
    return list.size();
}

HWND RawWindow(LPCSTR cls, DWORD style = WS_OVERLAPPED, HWND parent = nullptr)
{
    return CreateWindowExA(0, cls, "raw", style, 0, 0, 100, 30, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

TEST(WndCreate, OwnClassReceivesNcCreateAndCreate)
{
    CProbeWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "own", WS_OVERLAPPED, 0, 0, 100, 50, nullptr, nullptr));
    ASSERT_NE(wnd.m_hWnd, nullptr);
    ASSERT_LT(IndexOf(wnd.seen, WM_NCCREATE), IndexOf(wnd.seen, WM_CREATE));
    EXPECT_LT(IndexOf(wnd.seen, WM_CREATE), wnd.seen.size());
    EXPECT_EQ(wnd.hwndAtCreate, wnd.m_hWnd);
    EXPECT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);
    EXPECT_EQ(CWnd::FromHandle(wnd.m_hWnd), &wnd);
    char cls[64] = "";
    GetClassNameA(wnd.m_hWnd, cls, sizeof(cls));
    EXPECT_STREQ(cls, "SektorlupeWnd");
    // The slot was free when the window was born and the library never wrote to it.
    EXPECT_EQ(wnd.userDataAtNcCreate, 0);
    SetWindowLongPtrA(wnd.m_hWnd, GWLP_USERDATA, kUserData);
    wnd.SendMessage(WM_SIZE, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(GetWindowLongPtrA(wnd.m_hWnd, GWLP_USERDATA), kUserData);

    HWND hWnd = wnd.m_hWnd;
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
    EXPECT_EQ(wnd.postNcDestroyCalls, 1);
    EXPECT_LT(IndexOf(wnd.seen, WM_DESTROY), wnd.seen.size());
}

TEST(WndCreate, ObjectCanBeReusedAfterDestruction)
{
    CProbeWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "1", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_FALSE(wnd.CreateEx(0, nullptr, "2", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));   // one at a time
    wnd.DestroyWindow();
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "3", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    CString text;
    wnd.GetWindowText(text);
    EXPECT_STREQ(text, "3");
    wnd.DestroyWindow();
    EXPECT_EQ(wnd.postNcDestroyCalls, 2);
}

TEST(WndCreate, FailedCreateCleansUp)
{
    CProbeWnd wnd;
    wnd.failCreate = true;
    EXPECT_FALSE(wnd.CreateEx(0, nullptr, "fail", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(wnd.postNcDestroyCalls, 1);
    // A class that does not exist never makes a window: PostNcDestroy all the same.
    CProbeWnd other;
    EXPECT_FALSE(other.CreateEx(0, "NoSuchClass.Sektorlupe", "x", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(other.postNcDestroyCalls, 1);
    EXPECT_TRUE(other.seen.empty());
}

TEST(WndCreate, ForeignEditClassIsSubclassedAndStillWorks)
{
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "parent", WS_OVERLAPPED, 0, 0, 200, 100, nullptr, nullptr));
    CProbeWnd edit;
    ASSERT_TRUE(edit.Create("EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, CRect(0, 0, 150, 20), &parent, 1001));
    EXPECT_LT(IndexOf(edit.seen, WM_NCCREATE), IndexOf(edit.seen, WM_CREATE));
    EXPECT_LT(IndexOf(edit.seen, WM_CREATE), edit.seen.size());
    EXPECT_EQ(edit.userDataAtNcCreate, 0);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(edit.m_hWnd, GWLP_WNDPROC)), &AfxWndProc);
    SetWindowLongPtrA(edit.m_hWnd, GWLP_USERDATA, kUserData);

    // The edit control's own procedure still does the work behind the object.
    edit.SetWindowText("Größe 123");
    CString text;
    edit.GetWindowText(text);
    EXPECT_STREQ(text, "Größe 123");
    edit.SendMessage(EM_SETSEL, 0, 5);
    DWORD start = 0;
    DWORD end = 0;
    edit.SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 5u);
    EXPECT_EQ(parent.GetDlgItem(1001), &edit);
    EXPECT_EQ(edit.GetDlgCtrlID(), 1001);
    EXPECT_EQ(edit.GetParent(), &parent);
    EXPECT_EQ(GetWindowLongPtrA(edit.m_hWnd, GWLP_USERDATA), kUserData);
    parent.DestroyWindow();   // takes the child with it
    EXPECT_EQ(edit.m_hWnd, nullptr);
    EXPECT_EQ(edit.postNcDestroyCalls, 1);
}

TEST(WndCreate, ForeignButtonClass)
{
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "parent", WS_OVERLAPPED, 0, 0, 200, 100, nullptr, nullptr));
    CProbeWnd button;
    ASSERT_TRUE(button.Create("BUTTON", "Knopf", WS_CHILD | BS_AUTOCHECKBOX, CRect(0, 0, 80, 20), &parent, 1002));
    EXPECT_LT(IndexOf(button.seen, WM_CREATE), button.seen.size());
    parent.CheckDlgButton(1002, BST_CHECKED);
    EXPECT_EQ(parent.IsDlgButtonChecked(1002), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(button.SendMessage(BM_GETCHECK), BST_CHECKED);
    button.DestroyWindow();
    parent.DestroyWindow();
}

namespace {

// A dialog made by the dialog manager: the hook attaches it before WM_INITDIALOG.
class CProbeDialog : public CWnd {
public:
    bool sawInitDialog = false;
    LONG_PTR userDataAtInit = -1;
    afx_msg LRESULT OnInitDialog(WPARAM, LPARAM)
    {
        sawInitDialog = true;
        userDataAtInit = GetWindowLongPtrA(m_hWnd, GWLP_USERDATA);
        PostMessage(WM_COMMAND, IDOK);
        return TRUE;
    }
    afx_msg void OnOK() { ::EndDialog(m_hWnd, 1234); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProbeDialog, CWnd)
    ON_MESSAGE(WM_INITDIALOG, OnInitDialog)
    ON_COMMAND(IDOK, OnOK)
END_MESSAGE_MAP()

}  // namespace

TEST(WndCreate, ModalDialogFromTemplateReachesTheMap)
{
    // The smallest template: style, no controls, empty menu, class and title.
    alignas(4) WORD buffer[32] = {};
    DLGTEMPLATE* tmpl = reinterpret_cast<DLGTEMPLATE*>(buffer);
    tmpl->style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    tmpl->cx = 100;
    tmpl->cy = 50;
    CProbeDialog dialog;
    AfxHookWindowCreate(&dialog);
    INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr), tmpl, nullptr, &AfxDlgProcPassThrough, 0);
    EXPECT_TRUE(AfxUnhookWindowCreate());
    EXPECT_EQ(result, 1234);
    EXPECT_TRUE(dialog.sawInitDialog);
    EXPECT_EQ(dialog.userDataAtInit, 0);
    EXPECT_EQ(dialog.m_hWnd, nullptr);   // detached with WM_NCDESTROY
}

TEST(WndCreate, UnhookWithoutWindowReportsFalse)
{
    CWnd wnd;
    AfxHookWindowCreate(&wnd);
    EXPECT_FALSE(AfxUnhookWindowCreate());
    EXPECT_EQ(wnd.m_hWnd, nullptr);
}

TEST(WndMaps, TemporaryObjectsForForeignWindows)
{
    HWND raw = RawWindow("STATIC");
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(raw), nullptr);
    CWnd* temp = CWnd::FromHandle(raw);
    ASSERT_NE(temp, nullptr);
    EXPECT_EQ(temp->m_hWnd, raw);
    EXPECT_EQ(CWnd::FromHandle(raw), temp);   // the same wrapper until idle time
    EXPECT_EQ(CWnd::FromHandlePermanent(raw), nullptr);
    EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);
    // The wrapper is a plain view of the window: the procedure stays the class's own.
    EXPECT_NE(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(raw, GWLP_WNDPROC)), &AfxWndProc);
    AfxDeleteTempMaps();
    EXPECT_TRUE(IsWindow(raw));   // freeing the wrapper leaves the window alone
    EXPECT_EQ(CWnd::FromHandlePermanent(raw), nullptr);
    DestroyWindow(raw);
}

TEST(WndMaps, AttachDetach)
{
    HWND raw = RawWindow("STATIC");
    CWnd wnd;
    EXPECT_FALSE(wnd.Attach(nullptr));
    ASSERT_TRUE(wnd.Attach(raw));
    EXPECT_EQ(CWnd::FromHandlePermanent(raw), &wnd);
    CWnd other;
    EXPECT_FALSE(other.Attach(raw));   // one owner per window
    EXPECT_EQ(wnd.Detach(), raw);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(raw), nullptr);
    EXPECT_TRUE(IsWindow(raw));
    DestroyWindow(raw);
    EXPECT_FALSE(wnd.Attach(raw));   // a dead handle is refused
}

TEST(WndMaps, SubclassAndUnsubclassKeepUserData)
{
    HWND parent = RawWindow("STATIC");
    HWND raw = CreateWindowExA(0, "EDIT", "abc", WS_CHILD, 0, 0, 50, 20, parent, reinterpret_cast<HMENU>(77),
                               GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(raw, nullptr);
    SetWindowLongPtrA(raw, GWLP_USERDATA, kUserData);
    WNDPROC original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(raw, GWLP_WNDPROC));

    CWnd parentWnd;
    ASSERT_TRUE(parentWnd.Attach(parent));
    CProbeWnd sub;
    ASSERT_TRUE(sub.SubclassDlgItem(77, &parentWnd));
    EXPECT_EQ(CWnd::FromHandlePermanent(raw), &sub);
    sub.SetWindowText("xyz");
    CString text;
    sub.GetWindowText(text);
    EXPECT_STREQ(text, "xyz");
    EXPECT_EQ(sub.UnsubclassWindow(), raw);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(raw, GWLP_WNDPROC)), original);
    EXPECT_EQ(GetWindowLongPtrA(raw, GWLP_USERDATA), kUserData);
    EXPECT_EQ(CWnd::FromHandlePermanent(raw), nullptr);
    parentWnd.Detach();
    DestroyWindow(parent);
}

namespace {
DWORD WINAPI LookUpFromWorker(LPVOID param)
{
    HWND hWnd = static_cast<HWND>(param);
    return CWnd::FromHandlePermanent(hWnd) != nullptr ? 1 : 0;
}
}  // namespace

TEST(WndMaps, PermanentMapIsSharedWithOtherThreads)
{
    CWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "shared", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    HANDLE thread = CreateThread(nullptr, 0, &LookUpFromWorker, wnd.m_hWnd, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, 60000);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    EXPECT_EQ(code, 1u);
    wnd.DestroyWindow();
}

TEST(WndMaps, SafeHandleOfNullObject)
{
    CWnd* volatile nothing = nullptr;   // as a caller's pointer that happens to be null
    EXPECT_EQ(nothing->GetSafeHwnd(), nullptr);
    CWnd wnd;
    EXPECT_EQ(wnd.GetSafeHwnd(), nullptr);
}

TEST(WndHelpers, TextAndGeometryWrappers)
{
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "Eltern", WS_OVERLAPPED, 10, 20, 300, 200, nullptr, nullptr));
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | ES_AUTOHSCROLL, 5, 6, 100, 20, parent.m_hWnd,
                                reinterpret_cast<HMENU>(5), GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(edit, nullptr);
    parent.SetDlgItemInt(5, static_cast<UINT>(-42), TRUE);
    BOOL ok = FALSE;
    EXPECT_EQ(static_cast<int>(parent.GetDlgItemInt(5, &ok, TRUE)), -42);
    EXPECT_TRUE(ok);
    parent.SetDlgItemText(5, nullptr);   // null is the empty text
    CString text("unchanged");
    EXPECT_EQ(parent.GetDlgItemText(5, text), 0);
    EXPECT_TRUE(text.IsEmpty());
    char small[4] = "xyz";
    parent.SetDlgItemText(5, "abcdef");
    EXPECT_EQ(parent.GetDlgItemText(5, small, sizeof(small)), 3);
    EXPECT_STREQ(small, "abc");
    EXPECT_EQ(parent.GetDlgItemText(5, small, 0), 0);
    EXPECT_EQ(parent.GetDlgItemText(5, nullptr, 10), 0);
    EXPECT_EQ(parent.GetWindowTextLength(), 6);

    // Client-to-screen and back agree with the system's own mapping.
    CRect rect(1, 2, 30, 40);
    CRect screen = rect;
    parent.ClientToScreen(&screen);
    POINT expected = {1, 2};
    ClientToScreen(parent.m_hWnd, &expected);
    EXPECT_EQ(screen.left, expected.x);
    EXPECT_EQ(screen.top, expected.y);
    parent.ScreenToClient(&screen);
    EXPECT_TRUE(screen == rect);

    EXPECT_TRUE(parent.ModifyStyle(0, WS_THICKFRAME));
    EXPECT_TRUE(parent.GetStyle() & WS_THICKFRAME);
    EXPECT_FALSE(parent.ModifyStyle(0, WS_THICKFRAME));   // no change, no work
    EXPECT_EQ(parent.GetDescendantWindow(5)->m_hWnd, edit);
    EXPECT_EQ(parent.GetDescendantWindow(5, TRUE), nullptr);   // no permanent object
    EXPECT_EQ(CWnd::FromHandle(edit)->GetTopLevelParent(), &parent);
    parent.DestroyWindow();
}
