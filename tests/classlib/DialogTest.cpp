// Modal dialogs from in-memory templates, driven by posted messages from a thread timer:
// data exchange in both directions, OK and Cancel, failed validation, Enter and Escape, and
// the dialog helpers.
#include <gtest/gtest.h>
#include <windows.h>
#include <functional>
#include <map>
#include <string>
#include "classlib/Controls.h"
#include "classlib/Dialog.h"
#include "classlib/DlgTemplate.h"
#include "tests/support/ModalScript.h"

using testsupport::ThreadDialog;
using Script = testsupport::ModalScript;
using testsupport::StaticTexts;

namespace {

enum {
    IDC_INT = 1001, IDC_UINT, IDC_LONG, IDC_DWORD, IDC_I64, IDC_DOUBLE, IDC_TEXT, IDC_BUF,
    IDC_CHECK = 1010, IDC_RADIO1, IDC_RADIO2, IDC_RADIO3, IDC_AFTER_GROUP,
    IDC_LIST = 1020, IDC_COMBO, IDC_COMBO_EDIT, IDC_LIST_STRING
};

const int kBufSize = 8;

void BuildTemplate(CDlgTemplateBuilder& b, BOOL extended)
{
    ASSERT_TRUE(b.Begin("Datenaustausch", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                        0, 0, 300, 200, "MS Sans Serif", 8, extended));
    const DWORD edit = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
    short y = 5;
    for (int id = IDC_INT; id <= IDC_BUF; ++id, y += 14)
        ASSERT_TRUE(b.AddEdit(static_cast<DWORD>(id), "", edit, 5, y, 120, 12));
    ASSERT_TRUE(b.AddButton(IDC_CHECK, "Prüfen", BS_AUTOCHECKBOX | WS_TABSTOP, 140, 5, 80, 10));
    ASSERT_TRUE(b.AddButton(IDC_RADIO1, "Eins", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 140, 20, 80, 10));
    ASSERT_TRUE(b.AddButton(IDC_RADIO2, "Zwei", BS_AUTORADIOBUTTON, 140, 32, 80, 10));
    ASSERT_TRUE(b.AddButton(IDC_RADIO3, "Drei", BS_AUTORADIOBUTTON, 140, 44, 80, 10));
    ASSERT_TRUE(b.AddButton(IDC_AFTER_GROUP, "Nach", BS_AUTORADIOBUTTON | WS_GROUP, 140, 56, 80, 10));
    ASSERT_TRUE(b.AddListBox(IDC_LIST, WS_BORDER | WS_TABSTOP | WS_VSCROLL, 140, 70, 60, 40));
    ASSERT_TRUE(b.AddComboBox(IDC_COMBO, CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, 205, 70, 60, 60));
    ASSERT_TRUE(b.AddComboBox(IDC_COMBO_EDIT, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_TABSTOP, 205, 90, 60, 60));
    ASSERT_TRUE(b.AddListBox(IDC_LIST_STRING, WS_BORDER | WS_TABSTOP | LBS_SORT, 140, 115, 60, 40));
    ASSERT_TRUE(b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 180, 180, 50, 14));
    ASSERT_TRUE(b.AddButton(IDCANCEL, "Abbrechen", WS_TABSTOP, 240, 180, 50, 14));
}

std::string ItemText(HWND dlg, int id)
{
    char buf[256] = {};
    GetDlgItemTextA(dlg, id, buf, sizeof buf);
    return buf;
}

class DdxDialog : public CDialog {
public:
    int m_int = -42;
    UINT m_uint = 4000000000u;
    long m_long = 123456;
    DWORD m_dword = 4294967295u;
    __int64 m_i64 = INT64_MIN;
    double m_double = 0.1;
    CString m_text = "Größe";
    char m_buf[kBufSize] = "abc";
    int m_check = 1;
    int m_radio = 1;
    int m_list = 2;
    int m_combo = 1;
    CString m_comboText = "frei";
    CString m_listString = "Bir";
    CEdit m_textCtl;

    bool m_range = false;               // DDV_MinMaxInt(0, 1000) on m_int
    bool m_uintRange = false;           // DDV_MinMaxUInt(10, 20) on m_uint
    bool m_maxChars = false;            // DDV_MaxChars(5) on m_text
    UINT m_shownLimit = 0;              // the text field's limit after the load
    int m_okCalls = 0, m_cancelCalls = 0;
    std::function<void(DdxDialog*)> m_onInit;
    std::map<int, std::string> m_shown;  // control texts right after the initial load
    int m_shownCheck = -1, m_shownRadio[3] = { -1, -1, -1 }, m_shownList = -9, m_shownCombo = -9;
    int m_changes = 0;                   // EN_CHANGE of IDC_TEXT seen by the message map
    int m_changesAtInit = -1;

    BOOL OnInitDialog() override
    {
        static const char* const kItems[] = { "Null", "Eins", "Zwei", "Drei" };
        for (const char* item : kItems) {
            SendDlgItemMessage(IDC_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
            SendDlgItemMessage(IDC_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
            SendDlgItemMessage(IDC_COMBO_EDIT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        }
        static const char* const kFruit[] = { "Apfel", "Birne", "Kirsche" };
        for (const char* item : kFruit)
            SendDlgItemMessage(IDC_LIST_STRING, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        BOOL result = CDialog::OnInitDialog();
        m_changesAtInit = m_changes;
        for (int id = IDC_INT; id <= IDC_BUF; ++id) m_shown[id] = ItemText(m_hWnd, id);
        m_shown[IDC_COMBO_EDIT] = ItemText(m_hWnd, IDC_COMBO_EDIT);
        m_shownLimit = static_cast<UINT>(SendDlgItemMessage(IDC_TEXT, EM_GETLIMITTEXT));
        m_shownCheck = static_cast<int>(SendDlgItemMessage(IDC_CHECK, BM_GETCHECK));
        for (int i = 0; i < 3; ++i)
            m_shownRadio[i] = static_cast<int>(SendDlgItemMessage(IDC_RADIO1 + i, BM_GETCHECK));
        m_shownList = static_cast<int>(SendDlgItemMessage(IDC_LIST, LB_GETCURSEL));
        m_shownCombo = static_cast<int>(SendDlgItemMessage(IDC_COMBO, CB_GETCURSEL));
        int sel = static_cast<int>(SendDlgItemMessage(IDC_LIST_STRING, LB_GETCURSEL));
        char buf[64] = {};
        if (sel >= 0) SendDlgItemMessage(IDC_LIST_STRING, LB_GETTEXT, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(buf));
        m_shown[IDC_LIST_STRING] = buf;
        if (m_onInit) m_onInit(this);
        return result;
    }

    void OnOK() override
    {
        ++m_okCalls;
        CDialog::OnOK();
    }

    void OnCancel() override
    {
        ++m_cancelCalls;
        CDialog::OnCancel();
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_INT, m_int);
        if (m_range) DDV_MinMaxInt(pDX, m_int, 0, 1000);
        DDX_Text(pDX, IDC_UINT, m_uint);
        if (m_uintRange) DDV_MinMaxUInt(pDX, m_uint, 10, 20);
        DDX_Text(pDX, IDC_LONG, m_long);
        DDX_Text(pDX, IDC_DWORD, m_dword);
        DDX_Text(pDX, IDC_I64, m_i64);
        DDX_Text(pDX, IDC_DOUBLE, m_double);
        DDX_Control(pDX, IDC_TEXT, m_textCtl);
        DDX_Text(pDX, IDC_TEXT, m_text);
        if (m_maxChars) DDV_MaxChars(pDX, m_text, 5);
        DDX_Text(pDX, IDC_BUF, m_buf, kBufSize);
        DDX_Check(pDX, IDC_CHECK, m_check);
        DDX_Radio(pDX, IDC_RADIO1, m_radio);
        DDX_LBIndex(pDX, IDC_LIST, m_list);
        DDX_CBIndex(pDX, IDC_COMBO, m_combo);
        DDX_CBString(pDX, IDC_COMBO_EDIT, m_comboText);
        DDX_LBString(pDX, IDC_LIST_STRING, m_listString);
    }

    afx_msg void OnTextChange() { ++m_changes; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DdxDialog, CDialog)
    ON_EN_CHANGE(IDC_TEXT, OnTextChange)
END_MESSAGE_MAP()

// Runs the dialog with a script; the script must end the dialog.
INT_PTR RunScripted(DdxDialog& dlg, CDlgTemplateBuilder& b, Script& script)
{
    EXPECT_TRUE(dlg.InitModalIndirect(b.GetTemplate()));
    script.Start();
    INT_PTR r = dlg.DoModal();
    script.Stop();
    EXPECT_FALSE(script.TimedOut());
    return r;
}

}  // namespace

TEST(Dialog, LoadShowsTheVariablesAndCancelKeepsThem)
{
    for (BOOL extended : { TRUE, FALSE }) {
        SCOPED_TRACE(extended ? "DLGTEMPLATEEX" : "DLGTEMPLATE");
        CDlgTemplateBuilder b;
        BuildTemplate(b, extended);
        DdxDialog dlg;
        HWND seen = nullptr;
        dlg.m_onInit = [&](DdxDialog* d) {
            seen = d->m_hWnd;
            // Typing after the load must not reach the variables when the user cancels.
            d->SetDlgItemText(IDC_INT, "77");
            d->SetDlgItemText(IDC_TEXT, "anders");
            d->PostMessage(WM_COMMAND, IDCANCEL, 0);
        };
        Script script;
        EXPECT_EQ(IDCANCEL, RunScripted(dlg, b, script));
        EXPECT_NE(nullptr, seen);
        EXPECT_EQ(nullptr, dlg.m_hWnd);   // destroyed and detached again
        EXPECT_EQ("-42", dlg.m_shown[IDC_INT]);
        EXPECT_EQ("4000000000", dlg.m_shown[IDC_UINT]);
        EXPECT_EQ("123456", dlg.m_shown[IDC_LONG]);
        EXPECT_EQ("4294967295", dlg.m_shown[IDC_DWORD]);
        EXPECT_EQ("-9223372036854775808", dlg.m_shown[IDC_I64]);
        EXPECT_EQ("0.1", dlg.m_shown[IDC_DOUBLE]);
        EXPECT_EQ("Größe", dlg.m_shown[IDC_TEXT]);
        EXPECT_EQ("abc", dlg.m_shown[IDC_BUF]);
        EXPECT_EQ(BST_CHECKED, dlg.m_shownCheck);
        EXPECT_EQ(BST_UNCHECKED, dlg.m_shownRadio[0]);
        EXPECT_EQ(BST_CHECKED, dlg.m_shownRadio[1]);
        EXPECT_EQ(BST_UNCHECKED, dlg.m_shownRadio[2]);
        EXPECT_EQ(2, dlg.m_shownList);
        EXPECT_EQ(1, dlg.m_shownCombo);
        EXPECT_EQ("frei", dlg.m_shown[IDC_COMBO_EDIT]);        // no item begins with it
        EXPECT_EQ("Birne", dlg.m_shown[IDC_LIST_STRING]);      // first item beginning with "Bir"
        EXPECT_EQ(1, dlg.m_cancelCalls);
        EXPECT_EQ(0, dlg.m_okCalls);
        EXPECT_EQ(-42, dlg.m_int);
        EXPECT_EQ(CString("Größe"), dlg.m_text);
        // The load's own EN_CHANGE was locked out; the later typing was not.
        EXPECT_EQ(0, dlg.m_changesAtInit);
        EXPECT_EQ(1, dlg.m_changes);
    }
}

TEST(Dialog, OkSavesWhatWasTyped)
{
    for (BOOL extended : { TRUE, FALSE }) {
        SCOPED_TRACE(extended ? "DLGTEMPLATEEX" : "DLGTEMPLATE");
        CDlgTemplateBuilder b;
        BuildTemplate(b, extended);
        DdxDialog dlg;
        HWND textCtl = nullptr;
        CWnd* permanent = nullptr;
        dlg.m_onInit = [&](DdxDialog* d) {
            textCtl = d->m_textCtl.m_hWnd;
            permanent = CWnd::FromHandlePermanent(::GetDlgItem(d->m_hWnd, IDC_TEXT));
            d->SetDlgItemText(IDC_INT, "  -17 ");
            d->SetDlgItemText(IDC_UINT, "+3000000000");
            d->SetDlgItemText(IDC_LONG, "-2147483648");
            d->SetDlgItemText(IDC_DWORD, "0");
            d->SetDlgItemText(IDC_I64, "9223372036854775807");
            d->SetDlgItemText(IDC_DOUBLE, "-1.25e3");
            d->SetDlgItemText(IDC_TEXT, "Übergröße");
            d->SetDlgItemText(IDC_BUF, "1234567");                      // exactly the room
            d->SendDlgItemMessage(IDC_CHECK, BM_SETCHECK, BST_UNCHECKED);
            d->CheckRadioButton(IDC_RADIO1, IDC_RADIO3, IDC_RADIO3);
            d->SendDlgItemMessage(IDC_LIST, LB_SETCURSEL, 0);
            d->SendDlgItemMessage(IDC_COMBO, CB_SETCURSEL, 3);
            d->SetDlgItemText(IDC_COMBO_EDIT, "getippt");
            d->SendDlgItemMessage(IDC_LIST_STRING, LB_SETCURSEL, 2);
            d->PostMessage(WM_COMMAND, IDOK, 0);
        };
        Script script;
        EXPECT_EQ(IDOK, RunScripted(dlg, b, script));
        EXPECT_EQ(1, dlg.m_okCalls);
        EXPECT_EQ(-17, dlg.m_int);
        EXPECT_EQ(3000000000u, dlg.m_uint);
        EXPECT_EQ(LONG_MIN, dlg.m_long);
        EXPECT_EQ(0u, dlg.m_dword);
        EXPECT_EQ(INT64_MAX, dlg.m_i64);
        EXPECT_EQ(-1250.0, dlg.m_double);
        EXPECT_EQ(CString("Übergröße"), dlg.m_text);
        EXPECT_STREQ("1234567", dlg.m_buf);
        EXPECT_EQ(0, dlg.m_check);
        EXPECT_EQ(2, dlg.m_radio);
        EXPECT_EQ(0, dlg.m_list);
        EXPECT_EQ(3, dlg.m_combo);
        EXPECT_EQ(CString("getippt"), dlg.m_comboText);
        EXPECT_EQ(CString("Kirsche"), dlg.m_listString);
        // DDX_Control subclassed the edit into the member, once, as a permanent object.
        EXPECT_NE(nullptr, textCtl);
        EXPECT_EQ(static_cast<CWnd*>(&dlg.m_textCtl), permanent);
        EXPECT_EQ(nullptr, dlg.m_textCtl.m_hWnd);
    }
}

namespace {

// Types a bad value, presses OK, and expects a message box; closes it, checks that the
// dialog is still there with the focus on the bad field, then cancels.
struct FailedOkRun {
    std::string message;
    bool stillOpen = false;
    bool focusOnField = false;
    DWORD selection = 0;
    INT_PTR result = 0;
};

FailedOkRun RunFailedOk(DdxDialog& dlg, int fieldId, const char* badText)
{
    FailedOkRun run;
    CDlgTemplateBuilder b;
    BuildTemplate(b, TRUE);
    HWND hDlg = nullptr;
    dlg.m_onInit = [&](DdxDialog* d) {
        hDlg = d->m_hWnd;
        d->SetDlgItemText(fieldId, badText);
        d->PostMessage(WM_COMMAND, IDOK, 0);
    };
    Script script;
    HWND box = nullptr;
    script.Add([&] {
        box = hDlg ? ThreadDialog(hDlg) : nullptr;
        if (!box) return false;
        run.message = StaticTexts(box);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return true;
    });
    script.Add([&] {
        if (IsWindow(box)) return false;
        run.stillOpen = IsWindow(hDlg) != FALSE;   // EndDialog would have ended the run with IDOK
        HWND field = GetDlgItem(hDlg, fieldId);
        run.focusOnField = GetFocus() == field;
        run.selection = static_cast<DWORD>(SendMessageA(field, EM_GETSEL, 0, 0));
        PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    run.result = RunScripted(dlg, b, script);
    return run;
}

}  // namespace

TEST(Dialog, InvalidIntegerKeepsTheDialogOpen)
{
    DdxDialog dlg;
    FailedOkRun run = RunFailedOk(dlg, IDC_INT, "12x");
    EXPECT_EQ(IDCANCEL, run.result);
    EXPECT_EQ("Bitte eine ganze Zahl eingeben.", run.message);
    EXPECT_TRUE(run.stillOpen);
    EXPECT_TRUE(run.focusOnField);
    EXPECT_EQ(static_cast<DWORD>(MAKELONG(0, 3)), run.selection);   // the whole text selected
    EXPECT_EQ(1, dlg.m_okCalls);
    EXPECT_EQ(-42, dlg.m_int);
}

TEST(Dialog, FailedValidationMessages)
{
    {
        DdxDialog dlg;
        FailedOkRun run = RunFailedOk(dlg, IDC_UINT, "-1");
        EXPECT_EQ("Bitte eine positive ganze Zahl eingeben.", run.message);
        EXPECT_EQ(4000000000u, dlg.m_uint);
        EXPECT_TRUE(run.focusOnField);
    }
    {
        DdxDialog dlg;
        FailedOkRun run = RunFailedOk(dlg, IDC_DOUBLE, "1,5");
        EXPECT_EQ("Bitte eine Zahl eingeben.", run.message);
    }
    {
        DdxDialog dlg;
        dlg.m_range = true;
        dlg.m_int = 5;
        FailedOkRun run = RunFailedOk(dlg, IDC_INT, "1001");
        EXPECT_EQ("Bitte eine Zahl zwischen 0 und 1000 eingeben.", run.message);
        EXPECT_TRUE(run.stillOpen);
        EXPECT_TRUE(run.focusOnField);
    }
    {
        DdxDialog dlg;
        dlg.m_uintRange = true;
        dlg.m_uint = 15;
        FailedOkRun run = RunFailedOk(dlg, IDC_UINT, "21");
        EXPECT_EQ("Bitte eine Zahl zwischen 10 und 20 eingeben.", run.message);
        // The check runs on the variable after the exchange stored it.
        EXPECT_EQ(21u, dlg.m_uint);
    }
    {
        DdxDialog dlg;
        dlg.m_maxChars = true;
        dlg.m_text = "abc";
        FailedOkRun run = RunFailedOk(dlg, IDC_TEXT, "abcdef");
        EXPECT_EQ("Bitte nicht mehr als 5 Zeichen eingeben.", run.message);
        EXPECT_EQ(5u, dlg.m_shownLimit);          // loading limited the field
        EXPECT_EQ(CString("abcdef"), dlg.m_text);
    }
    {
        DdxDialog dlg;
        FailedOkRun run = RunFailedOk(dlg, IDC_BUF, "12345678");   // one more than the room
        EXPECT_EQ("Bitte nicht mehr als 7 Zeichen eingeben.", run.message);
        EXPECT_STREQ("abc", dlg.m_buf);
    }
}

TEST(Dialog, EnterAndEscapeReachTheOverrides)
{
    for (UINT key : { VK_RETURN, VK_ESCAPE }) {
        CDlgTemplateBuilder b;
        BuildTemplate(b, TRUE);
        DdxDialog dlg;
        HWND hDlg = nullptr;
        dlg.m_onInit = [&](DdxDialog* d) {
            hDlg = d->m_hWnd;
            d->SetDlgItemText(IDC_INT, "9");
        };
        Script script;
        script.Add([&] {
            if (!hDlg) return false;
            HWND edit = GetDlgItem(hDlg, IDC_INT);
            SetFocus(edit);
            PostMessageA(edit, WM_KEYDOWN, key, 1);
            PostMessageA(edit, WM_KEYUP, key, 0xC0000001);
            return true;
        });
        INT_PTR r = RunScripted(dlg, b, script);
        if (key == VK_RETURN) {
            EXPECT_EQ(IDOK, r);
            EXPECT_EQ(1, dlg.m_okCalls);
            EXPECT_EQ(9, dlg.m_int);
        } else {
            EXPECT_EQ(IDCANCEL, r);
            EXPECT_EQ(1, dlg.m_cancelCalls);
            EXPECT_EQ(-42, dlg.m_int);
        }
    }
}

TEST(Dialog, EndDialogValueAndHelpers)
{
    CDlgTemplateBuilder b;
    BuildTemplate(b, FALSE);
    DdxDialog dlg;
    DWORD defId = 0;
    HWND focusAfterGoto = nullptr, focusAfterNext = nullptr, target = nullptr, next = nullptr;
    RECT mapped = { 0, 0, 4, 8 };
    RECT reference = { 0, 0, 4, 8 };
    dlg.m_onInit = [&](DdxDialog* d) {
        d->SetDefID(IDCANCEL);
        defId = d->GetDefID();
        d->MapDialogRect(&mapped);
        ::MapDialogRect(d->m_hWnd, &reference);
    };
    HWND hDlg = nullptr;
    Script script;
    script.Add([&] {
        hDlg = ThreadDialog(nullptr);
        if (!hDlg) return false;
        target = GetDlgItem(hDlg, IDC_TEXT);
        next = GetNextDlgTabItem(hDlg, target, FALSE);
        dlg.GotoDlgCtrl(CWnd::FromHandle(target));
        focusAfterGoto = GetFocus();
        dlg.NextDlgCtrl();
        focusAfterNext = GetFocus();
        dlg.PrevDlgCtrl();
        dlg.EndDialog(42);
        return true;
    });
    EXPECT_EQ(42, RunScripted(dlg, b, script));
    EXPECT_EQ(static_cast<DWORD>(MAKELONG(IDCANCEL, DC_HASDEFID)), defId);
    EXPECT_EQ(reference.right, mapped.right);
    EXPECT_EQ(reference.bottom, mapped.bottom);
    EXPECT_GT(mapped.right, 0);
    EXPECT_EQ(target, focusAfterGoto);
    EXPECT_EQ(next, focusAfterNext);
    EXPECT_EQ(0, dlg.m_okCalls);
}

TEST(Dialog, OwnerIsDisabledWhileModal)
{
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, AfxRegisterWndClass(0), "Besitzer", WS_POPUP | WS_VISIBLE,
                               10, 10, 200, 100, nullptr, nullptr));
    CDlgTemplateBuilder b;
    BuildTemplate(b, TRUE);
    DdxDialog dlg;
    BOOL enabledWhileModal = TRUE;
    HWND ownerSeen = nullptr;
    dlg.m_onInit = [&](DdxDialog* d) {
        enabledWhileModal = owner.IsWindowEnabled();
        ownerSeen = ::GetWindow(d->m_hWnd, GW_OWNER);
        d->PostMessage(WM_COMMAND, IDCANCEL, 0);
    };
    EXPECT_TRUE(dlg.InitModalIndirect(b.GetTemplate(), &owner));
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_FALSE(enabledWhileModal);
    EXPECT_EQ(owner.m_hWnd, ownerSeen);
    EXPECT_TRUE(owner.IsWindowEnabled());
    owner.DestroyWindow();
}

TEST(Dialog, NoTemplateFailsWithoutAWindow)
{
    CDialog none;
    EXPECT_EQ(-1, none.DoModal());
    EXPECT_FALSE(none.InitModalIndirect(nullptr));
    CDialog missing(4711);   // no such dialog resource
    EXPECT_EQ(-1, missing.DoModal());
    CDialog named("KeinDialog");
    EXPECT_EQ(-1, named.DoModal());
    EXPECT_FALSE(none.UpdateData(TRUE));   // no window, nothing to exchange
}

TEST(Dialog, ExchangeWithoutTheControlFails)
{
    // A DDX_ for a control the dialog does not have makes UpdateData fail; OK then keeps the
    // dialog open, so the test cancels.
    class MissingControl : public CDialog {
    public:
        int value = 5;
        BOOL loaded = TRUE;
        BOOL OnInitDialog() override
        {
            loaded = UpdateData(FALSE);
            PostMessage(WM_COMMAND, IDOK, 0);
            PostMessage(WM_COMMAND, IDCANCEL, 0);
            return TRUE;
        }
    protected:
        void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, 9999, value); }
    };
    CDlgTemplateBuilder b;
    BuildTemplate(b, TRUE);
    MissingControl dlg;
    ASSERT_TRUE(dlg.InitModalIndirect(b.GetTemplate()));
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_FALSE(dlg.loaded);
    EXPECT_EQ(5, dlg.value);
}

TEST(Dialog, ModelessFromTheSameTemplate)
{
    CDlgTemplateBuilder b;
    BuildTemplate(b, TRUE);
    DdxDialog dlg;
    ASSERT_TRUE(dlg.CreateIndirect(b.GetTemplate()));
    ASSERT_NE(nullptr, dlg.m_hWnd);
    EXPECT_EQ(static_cast<CWnd*>(&dlg), CWnd::FromHandlePermanent(dlg.m_hWnd));
    EXPECT_EQ("-42", dlg.m_shown[IDC_INT]);    // OnInitDialog ran the load
    EXPECT_FALSE(dlg.CreateIndirect(b.GetTemplate()));   // one window per object
    // The application's loop hands keyboard messages to PreTranslateMessage: Tab moves on.
    HWND first = ::GetDlgItem(dlg.m_hWnd, IDC_INT);
    ::SetFocus(first);
    MSG msg = {};
    msg.hwnd = first;
    msg.message = WM_KEYDOWN;
    msg.wParam = VK_TAB;
    EXPECT_TRUE(dlg.PreTranslateMessage(&msg));
    EXPECT_EQ(::GetDlgItem(dlg.m_hWnd, IDC_UINT), ::GetFocus());
    MSG other = msg;
    other.message = WM_PAINT;
    EXPECT_FALSE(dlg.PreTranslateMessage(&other));
    EXPECT_FALSE(dlg.PreTranslateMessage(nullptr));
    // Editing and reading back without a modal run.
    dlg.SetDlgItemText(IDC_INT, "314");
    EXPECT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(314, dlg.m_int);
    dlg.DestroyWindow();
    EXPECT_EQ(nullptr, dlg.m_hWnd);
}
