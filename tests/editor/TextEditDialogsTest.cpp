// The find, replace, confirmation and options dialogs under the test display, driven by
// posted messages: against a real editor (what the user sees happen to the text) and against
// a window that records the WM_TEXTEDIT_QUERY requests (what the dialogs ask for).
#include "tests/editor/EditorTestSupport.h"

#include "editor/TextFindDialogs.h"
#include "editor/TextOptionsDlg.h"
#include "services/Registry.h"
#include "tests/support/ModalScript.h"

#include <string.h>

using namespace edittest;
using testsupport::Click;
using testsupport::ModalScript;
using testsupport::StaticTexts;
using testsupport::WindowText;

namespace {

// A stand-in for the editor: records every request with the flags, mask and texts of its
// record, and answers like an editor that always finds.
struct Request
{
    WPARAM code;
    uint32_t flags;
    uint32_t mask;
    std::string text;
    std::string replacement;
};
std::vector<Request> g_requests;
uint32_t g_editOptions = 0;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_TEXTEDIT_QUERY)
        return DefWindowProcA(window, message, wParam, lParam);
    Request r = { wParam, 0, 0, "", "" };
    switch (wParam)
    {
    case 16:
    {
        const OptionMask* m = reinterpret_cast<const OptionMask*>(lParam);
        r.flags = m->value;
        r.mask = m->mask;
        g_editOptions = (m->value & m->mask) | (g_editOptions & ~m->mask);
        break;
    }
    case 18:
    case 22:
    {
        const FindRequest* f = reinterpret_cast<const FindRequest*>(lParam);
        r.flags = f->flags;
        r.text = f->text ? f->text : "";
        break;
    }
    case 19:
    {
        const ReplaceRequest* f = reinterpret_cast<const ReplaceRequest*>(lParam);
        r.flags = f->flags;
        r.text = f->find ? f->find : "";
        r.replacement = f->replacement ? f->replacement : "";
        break;
    }
    case 21: r.flags = static_cast<uint32_t>(lParam); break;
    default: break;
    }
    g_requests.push_back(r);
    switch (wParam)
    {
    case 17: return static_cast<LRESULT>(g_editOptions);
    case 18: return 1;
    case 19: return 7;
    case 20: return static_cast<LRESULT>(PackTextPosition(8, 16));
    default: return 0;
    }
}

std::vector<Request> RequestsWith(WPARAM code)
{
    std::vector<Request> out;
    for (const Request& r : g_requests)
        if (r.code == code)
            out.push_back(r);
    return out;
}

class TextEditDialogs : public EditorTest
{
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        ASSERT_TRUE(m_parent.CreateEx(0, AfxRegisterWndClass(0), "Dialog-Test", WS_POPUP | WS_VISIBLE, 0, 0, 640,
                                      400, nullptr, nullptr));
        m_recorder = CreateStandInWindow("TextQueryRecorder", RecordingProc, 10, 10);
        g_requests.clear();
    }
    void TearDown() override
    {
        DestroyWindow(m_recorder);
        m_parent.DestroyWindow();
        EditorTest::TearDown();
    }
    // A step that answers a message box: its text is kept, OK pressed.
    ModalScript::Step AnswerBox(HWND* owner, std::string* text)
    {
        return [owner, text](HWND) {
            HWND box = testsupport::ThreadDialog(*owner);
            if (!box)
                return false;
            *text = StaticTexts(box);
            return Click(box, IDOK);
        };
    }
    CWnd m_parent;
    HWND m_recorder = nullptr;
};

}  // namespace

TEST_F(TextEditDialogs, FindReplaceAndOptionsChangeTheEditorsText)
{
    CTextEdit edit(2048, 50000, 0, "DialogTest");
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 600, 300), &m_parent, 4201));
    edit.AppendText("null eins zwei eins\ndrei eins vier\n");
    EditOptions = 0x1849 & ~0x40u;
    edit.SetCursorPos(11, 0, 0);

    ModalScript script;
    HWND dialog = nullptr;
    std::string offered, box1, box2, box3, box4;
    // "Text suchen" offers the word at the caret; "eins" is found behind the caret.
    script.Add([&](HWND d) {
        dialog = d;
        char text[300];
        GetDlgItemTextA(d, IDC_TF_TEXT, text, sizeof(text));
        offered = text;
        SetDlgItemTextA(d, IDC_TF_TEXT, "eins");
        return Click(d, IDOK);
    });
    EXPECT_EQ(script.Run([&] { return edit.OpenFindDialog(nullptr, 0); }), IDOK);
    EXPECT_EQ(offered, "zwei");
    EXPECT_EQ(edit.GetCaretPos().x, 15);
    EXPECT_EQ(edit.GetAnchor().x, 19);

    // A text that is not there: the message, and the dialog stays for "Abbrechen".
    ModalScript missing;
    missing.Add([&](HWND d) {
        dialog = d;
        SetDlgItemTextA(d, IDC_TF_TEXT, "nirgends");
        return Click(d, IDC_TF_AGAIN);
    });
    missing.Add(AnswerBox(&dialog, &box1));
    missing.Add([&](HWND d) { return d == dialog && Click(d, IDCANCEL); });
    EXPECT_EQ(missing.Run([&] { return edit.OpenFindDialog(nullptr, 0); }), IDCANCEL);
    EXPECT_EQ(box1, "Text wurde nicht gefunden !");

    // "Ändern": Ja for the first match, Nein for the second, Abbrechen at the third.
    edit.SetCursorPos(0, 0, 0);
    ModalScript replace;
    HWND last = nullptr;
    auto answer = [&](int button) {
        return [&, button](HWND d) {
            if (d == last || WindowText(d) != "Text ändern ?")
                return false;
            last = d;
            return Click(d, button);
        };
    };
    replace.Add([&](HWND d) {
        SetDlgItemTextA(d, IDC_TF_TEXT, "eins");
        SetDlgItemTextA(d, IDC_TF_REPLACEMENT, "EINS");
        return Click(d, IDOK);
    });
    replace.Add(ModalScript::Step(answer(IDYES)));
    replace.Add(ModalScript::Step(answer(IDNO)));
    replace.Add(ModalScript::Step(answer(IDCANCEL)));
    EXPECT_EQ(replace.Run([&] { return edit.OpenReplaceDialog(nullptr, nullptr, 0); }), IDOK);
    EXPECT_EQ(Lines(edit)[0], "null EINS zwei eins");
    EXPECT_EQ(Lines(edit)[1], "drei eins vier");

    // "&Alles ändern" reports the count with the blanks of its text; the dialog stays.
    edit.SetCursorPos(0, 0, 0);
    ModalScript all;
    all.Add([&](HWND d) {
        dialog = d;
        SetDlgItemTextA(d, IDC_TF_TEXT, "eins");
        SetDlgItemTextA(d, IDC_TF_REPLACEMENT, "1");
        return Click(d, IDC_TF_AGAIN);
    });
    all.Add(AnswerBox(&dialog, &box2));
    all.Add([&](HWND d) {
        SetDlgItemTextA(d, IDC_TF_TEXT, "sieben");
        return d == dialog && Click(d, IDC_TF_AGAIN);
    });
    all.Add(AnswerBox(&dialog, &box3));
    all.Add([&](HWND d) { return d == dialog && Click(d, IDCANCEL); });
    EXPECT_EQ(all.Run([&] { return edit.OpenReplaceDialog(nullptr, nullptr, 0); }), IDCANCEL);
    EXPECT_EQ(box2, "Es wurden  2  Änderung(en) durchgeführt !");
    EXPECT_EQ(box3, "Text wurde nicht gefunden !");
    EXPECT_EQ(Lines(edit)[0], "null EINS zwei 1");
    EXPECT_EQ(Lines(edit)[1], "drei 1 vier");

    // "Konfiguration" refuses a width that is no number (the data exchange's own message),
    // 0 and 33, and takes 8.
    ModalScript options;
    std::string notANumber;
    options.Add([&](HWND d) {
        dialog = d;
        SetDlgItemTextA(d, IDC_TO_TAB_WIDTH, "abc");
        return Click(d, IDOK);
    });
    options.Add(AnswerBox(&dialog, &notANumber));
    options.Add([&](HWND d) {
        if (d != dialog)
            return false;
        SetDlgItemTextA(d, IDC_TO_TAB_WIDTH, "0");
        return Click(d, IDOK);
    });
    options.Add(AnswerBox(&dialog, &box4));
    options.Add([&](HWND d) {
        if (d != dialog)
            return false;
        SetDlgItemTextA(d, IDC_TO_TAB_WIDTH, "33");
        return Click(d, IDOK);
    });
    options.Add(AnswerBox(&dialog, &box1));
    options.Add([&](HWND d) {
        if (d != dialog)
            return false;
        SetDlgItemTextA(d, IDC_TO_TAB_WIDTH, "8");
        return Click(d, IDOK);
    });
    EXPECT_EQ(options.Run([&] { return edit.OnEditOptions(); }), IDOK);
    EXPECT_EQ(box4, "Tabulator muss zwischen 1 und 32 liegen !");
    EXPECT_EQ(box1, box4);
    EXPECT_FALSE(notANumber.empty());
    EXPECT_NE(notANumber, box4);
    EXPECT_EQ(TabWidth, 8);
    edit.DestroyWindow();
}

TEST_F(TextEditDialogs, DialogsAskOnlyThroughTheQueryMessage)
{
    // Find with the highlight offered (bit 18) and chosen: options under 0x201F0, the
    // highlight request, then the search, then the queries that keep the dialog clear.
    g_editOptions = 0x40000;
    CTextFindDlg find(nullptr);
    char text[kFindTextSize + 8];
    memset(text, '#', sizeof(text));
    strcpy(text, "abc");
    ModalScript script;
    bool highlightEnabled = false;
    script.Add([&](HWND d) {
        highlightEnabled = IsWindowEnabled(GetDlgItem(d, IDC_TF_HIGHLIGHT)) != 0;
        CheckDlgButton(d, IDC_TF_HIGHLIGHT, BST_CHECKED);
        CheckDlgButton(d, IDC_TF_IGNORE_CASE, BST_CHECKED);
        return Click(d, IDOK);
    });
    EXPECT_EQ(script.Run([&] { return find.Run(m_recorder, text, kFindTextSize, 0, "abc\0alt\0"); }), IDOK);
    EXPECT_TRUE(highlightEnabled);
    std::vector<WPARAM> order;
    for (const Request& r : g_requests)
        order.push_back(r.code);
    const std::vector<WPARAM> want = { 17, 16, 22, 18, 20, 1, 3, 5 };
    EXPECT_TRUE(order == want);
    ASSERT_EQ(RequestsWith(16).size(), 1u);
    EXPECT_EQ(RequestsWith(16)[0].mask, 0x201F0u);
    EXPECT_EQ(RequestsWith(16)[0].flags, 0x20010u);
    EXPECT_EQ(RequestsWith(22)[0].flags, 0x1000u);
    EXPECT_EQ(RequestsWith(18)[0].text, "abc");
    EXPECT_EQ(RequestsWith(18)[0].flags, 0u);

    // A pattern token goes in at the combo's caret and checks "Regulärer Ausdruck"; with a
    // "*" in the text the highlight box is disabled and no highlight request goes out.
    g_requests.clear();
    std::string built;
    int caret = -1;
    bool patternChecked = false;
    bool enabledAfterToken = false;
    ModalScript tokens;
    tokens.Add([&](HWND d) {
        SetDlgItemTextA(d, IDC_TF_TEXT, "abcdef");
        SendDlgItemMessageA(d, IDC_TF_TEXT, CB_SETEDITSEL, 0, MAKELPARAM(3, 3));
        PostMessageA(d, WM_COMMAND, ID_TF_CLASS_BASE + 14, 0);
        return true;
    });
    tokens.Add([&](HWND d) {
        char t[300];
        GetDlgItemTextA(d, IDC_TF_TEXT, t, sizeof(t));
        built = t;
        DWORD selection = static_cast<DWORD>(SendDlgItemMessageA(d, IDC_TF_TEXT, CB_GETEDITSEL, 0, 0));
        caret = LOWORD(selection);
        patternChecked = IsDlgButtonChecked(d, IDC_TF_PATTERN) == BST_CHECKED;
        // The highlight box follows a click of the pattern box and an edit of the text, not
        // the menu's insertion.
        enabledAfterToken = IsWindowEnabled(GetDlgItem(d, IDC_TF_HIGHLIGHT)) != 0;
        SetDlgItemTextA(d, IDC_TF_TEXT, "a*b");
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_TF_TEXT, CBN_EDITCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_TF_TEXT)));
        highlightEnabled = IsWindowEnabled(GetDlgItem(d, IDC_TF_HIGHLIGHT)) != 0;
        return Click(d, IDC_TF_AGAIN);
    });
    tokens.Add([&](HWND d) { return Click(d, IDCANCEL); });
    EXPECT_EQ(tokens.Run([&] { return find.Run(m_recorder, text, kFindTextSize, 0x20000, nullptr); }), IDCANCEL);
    EXPECT_EQ(built, "abc\\[]def");
    EXPECT_EQ(caret, 5);
    EXPECT_TRUE(patternChecked);
    EXPECT_TRUE(enabledAfterToken);
    EXPECT_FALSE(highlightEnabled);
    EXPECT_TRUE(RequestsWith(22).empty());
    ASSERT_EQ(RequestsWith(18).size(), 1u);
    EXPECT_EQ(RequestsWith(18)[0].flags, 4u);
    EXPECT_STREQ(text, "a*b");

    // Replace all: 2 over the whole file, 0xC002 inside the selection when it is offered.
    for (uint32_t flags : { 0u, 0x10000u })
    {
        g_requests.clear();
        CTextReplaceDlg replace(nullptr);
        char findText[kFindTextSize] = "alt";
        char replacement[kFindTextSize] = "neu";
        HWND dialog = nullptr;
        std::string box;
        ModalScript run;
        run.Add([&](HWND d) {
            dialog = d;
            return Click(d, IDC_TF_AGAIN);
        });
        run.Add(AnswerBox(&dialog, &box));
        run.Add([&](HWND d) { return d == dialog && Click(d, IDCANCEL); });
        EXPECT_EQ(run.Run([&] {
                      return replace.Run(m_recorder, findText, kFindTextSize, replacement, kFindTextSize, flags, nullptr);
                  }),
                  IDCANCEL);
        ASSERT_EQ(RequestsWith(19).size(), 1u);
        EXPECT_EQ(RequestsWith(19)[0].flags, flags ? 0xC002u : 2u);
        EXPECT_EQ(RequestsWith(19)[0].replacement, "neu");
        EXPECT_EQ(box, "Es wurden  7  Änderung(en) durchgeführt !");
    }

    // Options: the mask 0xFE0F, with the word-marking group offered 0x30FE0F; then the width.
    for (uint32_t flags : { 0x0u, 0x80000u | 0x100000u })
    {
        g_requests.clear();
        CTextOptionsDlg options(nullptr);
        ModalScript run;
        run.Add([&](HWND d) { return Click(d, IDOK); });
        EXPECT_EQ(run.Run([&] { return options.Run(m_recorder, flags | 0x405, 6); }), IDOK);
        ASSERT_EQ(g_requests.size(), 2u);
        EXPECT_EQ(g_requests[0].code, 16u);
        EXPECT_EQ(g_requests[0].mask, flags ? 0x30FE0Fu : 0xFE0Fu);
        EXPECT_EQ(g_requests[0].flags, 0x405u | (flags ? 0x100000u : 0u));
        EXPECT_EQ(g_requests[1].code, 21u);
        EXPECT_EQ(g_requests[1].flags, 6u);
    }
}

// "Weitersuchen" with wrap on finds the next match at every click, round the end of the text
// twice, and never says "Text wurde nicht gefunden !"; the matches are counted on the lines.
// The stored history is empty: the combo box fills from the list each search makes anew, and
// shows it as it is at the last click.
TEST_F(TextEditDialogs, AgainFindsTheNextMatchAtEveryClick)
{
    {
        CRegistry reg;
        ASSERT_TRUE(reg.Open(HKEY_CURRENT_USER, (m_scratch.Path() + "\\DialogTest").c_str(), REGISTRY_CREATE));
        ASSERT_TRUE(reg.WriteMultiString("", "Find"));
    }
    CTextEdit edit(2048, 50000, 0, "DialogTest");
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 600, 300), &m_parent, 4210));
    edit.AppendText("eins zwei eins\ndrei eins vier\n");
    EditOptions = 0x1849 | 0x40;
    edit.SetCursorPos(0, 0, 0);
    std::vector<POINT> hits;
    const std::vector<std::string> lines = Lines(edit);
    for (size_t l = 0; l < lines.size(); ++l)
        for (size_t at = lines[l].find("eins"); at != std::string::npos; at = lines[l].find("eins", at + 1))
            hits.push_back({ static_cast<LONG>(at), static_cast<LONG>(l) });
    ASSERT_EQ(hits.size(), 3u);
    const size_t clicks = 2 * hits.size() + 1;
    HWND dialog = nullptr;
    int boxes = 0;
    std::vector<POINT> found;
    std::vector<std::string> items;
    ModalScript script;
    script.Add([&](HWND d) {
        dialog = d;
        SetDlgItemTextA(d, IDC_TF_TEXT, "eins");
        return Click(d, IDC_TF_AGAIN);
    });
    for (size_t k = 0; k < clicks; ++k)
        script.Add([&, k](HWND) {
            if (HWND box = testsupport::ThreadDialog(dialog))
            {
                ++boxes;
                Click(box, IDOK);
                return false;
            }
            found.push_back(edit.GetCaretPos());
            for (int i = 0; k + 1 == clicks && i < SendDlgItemMessageA(dialog, IDC_TF_TEXT, CB_GETCOUNT, 0, 0); ++i)
            {
                char text[300] = {};
                if (SendDlgItemMessageA(dialog, IDC_TF_TEXT, CB_GETLBTEXTLEN, i, 0) < 300)
                    SendDlgItemMessageA(dialog, IDC_TF_TEXT, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
                items.push_back(text);
            }
            return Click(dialog, k + 1 < clicks ? IDC_TF_AGAIN : IDCANCEL);
        });
    EXPECT_EQ(script.Run([&] { return edit.OpenFindDialog(nullptr, 0); }), IDCANCEL);
    EXPECT_EQ(boxes, 0);
    ASSERT_EQ(found.size(), clicks);
    // "Weitersuchen" starts behind the caret: the first click finds the second match.
    for (size_t k = 0; k < clicks; ++k)
    {
        const POINT want = hits[(k + 1) % hits.size()];
        EXPECT_EQ(found[k].x, want.x) << k;
        EXPECT_EQ(found[k].y, want.y) << k;
    }
    std::vector<std::string> history;
    for (const char* h = edit.GetFindHistory(); h && *h; h += strlen(h) + 1)
        history.push_back(h);
    EXPECT_TRUE(!history.empty() && items == history);
    edit.DestroyWindow();
}

// On opening the highlight box is set from the controls as they are before the data exchange
// fills them: offered, it opens enabled even for a pattern holding "*".
TEST_F(TextEditDialogs, HighlightBoxOpensFromTheEmptyControls)
{
    CTextFindDlg find(nullptr);
    CTextReplaceDlg replace(nullptr);
    for (uint32_t offered : { 0x40000u, 0u })
    {
        for (int which = 0; which < 2; ++which)
        {
            SCOPED_TRACE(std::string(which ? "Ändern" : "Text suchen") + (offered ? ", offered" : ""));
            g_editOptions = offered;
            char text[kFindTextSize] = "a*b";
            char replacement[kFindTextSize] = "";
            bool enabled = !offered;
            bool patternChecked = false;
            ModalScript run;
            run.Add([&](HWND d) {
                enabled = IsWindowEnabled(GetDlgItem(d, IDC_TF_HIGHLIGHT)) != 0;
                patternChecked = IsDlgButtonChecked(d, IDC_TF_PATTERN) == BST_CHECKED;
                return Click(d, IDCANCEL);
            });
            run.Run([&] {
                return which ? replace.Run(m_recorder, text, kFindTextSize, replacement, kFindTextSize, EO_FIND_PATTERN,
                                           nullptr)
                             : find.Run(m_recorder, text, kFindTextSize, EO_FIND_PATTERN, nullptr);
            });
            EXPECT_TRUE(patternChecked);
            EXPECT_EQ(enabled, offered != 0);
        }
    }
}

TEST_F(TextEditDialogs, KeptPositionsOnTheScreenAreTakenOthersIgnored)
{
    CTextFindDlg find(nullptr);
    char text[kFindTextSize] = "x";
    const struct
    {
        int x;
        int y;
        bool taken;
    } places[] = { { 120, 90, true }, { -100, 90, false }, { 120, -10, false }, { -99, -9, true } };
    for (const auto& place : places)
    {
        TextDialogPosition(TDK_FIND) = { place.x, place.y, 1 };
        RECT where = {};
        ModalScript run;
        run.Add([&](HWND d) {
            GetWindowRect(d, &where);
            return Click(d, IDCANCEL);
        });
        run.Run([&] { return find.Run(m_recorder, text, kFindTextSize, 0, nullptr); });
        EXPECT_EQ(where.left == place.x && where.top == place.y, place.taken) << place.x << "," << place.y;
        // "Abbrechen" keeps where the dialog was.
        EXPECT_EQ(TextDialogPosition(TDK_FIND).x, where.left);
        EXPECT_EQ(TextDialogPosition(TDK_FIND).valid, 1);
    }
}

TEST_F(TextEditDialogs, TextsOf259CharactersComeBackWholeAndLongerOnesCut)
{
    // Run copies back at most the buffer's size, never past it.
    CTextFindDlg find(nullptr);
    char buffer[kFindTextSize + 16];
    const std::string text259(259, 'w');
    for (int size : { kFindTextSize, 100 })
    {
        memset(buffer, 'G', sizeof(buffer));
        memcpy(buffer, text259.c_str(), static_cast<size_t>(size - 1));
        buffer[size - 1] = 0;
        ModalScript run;
        run.Add([&](HWND d) { return Click(d, IDCANCEL); });
        run.Run([&] { return find.Run(m_recorder, buffer, size, 0, nullptr); });
        EXPECT_EQ(strlen(buffer), static_cast<size_t>(size - 1));
        for (size_t i = static_cast<size_t>(size); i < sizeof(buffer); ++i)
            ASSERT_EQ(buffer[i], 'G') << "byte " << i << " behind a buffer of " << size;
    }
    // The editor's own buffer holds 259 characters and the terminator: a given text of 259
    // characters reaches the dialog whole, a longer one cut to 259.
    CTextEdit edit(2048, 50000, 0, "DialogTest");
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 600, 300), &m_parent, 4202));
    for (size_t length : { 259u, 260u, 1000u })
    {
        int shown = -1;
        ModalScript run;
        run.Add([&](HWND d) {
            shown = GetWindowTextLengthA(GetDlgItem(d, IDC_TF_TEXT));
            return Click(d, IDCANCEL);
        });
        run.Run([&] { return edit.OpenFindDialog(std::string(length, 'v').c_str(), 0); });
        EXPECT_EQ(shown, 259);
    }
    edit.DestroyWindow();
}

// The replace dialog through Ctrl+H, answering "Ja" to every question: a read-only pane opens
// it too and only the replacement beeps (the search then moves on, so the one match is asked
// about once); "Auswahl" from a selection made downwards, without wrap, asks about the
// matches inside the selection and no others, and says nothing of "nicht gefunden".
TEST_F(TextEditDialogs, ReplaceDialogAsksAboutTheMatchesOfItsEditor)
{
    struct Case
    {
        const char* what;
        bool readOnly;
        POINT anchor, caret;
        const char* find;
        const char* replacement;
        int questions;
        int beeps;
        std::vector<std::string> after;
    };
    const char* const text = "eins zwei eins\ndrei eins vier\neins 512\n";
    const Case cases[] = {
        { "read-only pane", true, { 0, 0 }, { 0, 0 }, "512", "1024", 1, 1,
          { "eins zwei eins", "drei eins vier", "eins 512" } },
        { "Auswahl, selection made downwards", false, { 5, 0 }, { 9, 1 }, "eins", "EINS", 2, 0,
          { "eins zwei EINS", "drei EINS vier", "eins 512" } },
    };
    int id = 4203;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        CMarkTextView pane(2048, 50000, 0, "DialogTest");
        ASSERT_TRUE(pane.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 600, 300), &m_parent, id++));
        EditOptions = 0x1849 & ~0x40u;   // no wrap
        pane.AppendText(text);
        pane.SetEditable(c.readOnly ? 0 : 1);
        pane.SetCursorPos(c.anchor.x, c.anchor.y);
        pane.SetCursorPos(c.caret.x, c.caret.y, MCF_EXTEND);
        g_beeps = 0;
        ModalScript script;
        bool selectionChosen = false;
        script.Add([&](HWND d) {
            if (WindowText(d) != "Ändern")
                return false;
            selectionChosen = IsDlgButtonChecked(d, IDC_TF_SELECTION) == BST_CHECKED;
            SetDlgItemTextA(d, IDC_TF_TEXT, c.find);
            SetDlgItemTextA(d, IDC_TF_REPLACEMENT, c.replacement);
            return Click(d, IDOK);
        });
        HWND last = nullptr;
        for (int q = 0; q < c.questions; ++q)
            script.Add([&](HWND d) {
                if (d == last || WindowText(d) != "Text ändern ?")
                    return false;
                last = d;
                return Click(d, IDYES);
            });
        g_keys[VK_CONTROL] = true;
        script.Run([&] { return pane.SendMessage(WM_KEYDOWN, 'H', 1); });
        g_keys[VK_CONTROL] = false;
        EXPECT_EQ(selectionChosen, c.anchor.y != c.caret.y);
        EXPECT_EQ(g_beeps, c.beeps);
        EXPECT_EQ(Lines(pane), c.after);
        pane.DestroyWindow();
    }
}

// What the find and replace commands start from, one row each: the text a dialog offers for
// the selection there is (the replace dialog takes the word at the caret beside a selection
// over several lines, the find dialog the last search text), the answer of query code 0 (the
// caret before the move, not the anchor), and a find-word that finds nothing (no beep: only
// find next beeps).
TEST_F(TextEditDialogs, FindEngineStartCases)
{
    enum Action
    {
        kOfferFind,
        kOfferReplace,
        kQuerySetCaret,
        kFindWord,
    };
    struct Case
    {
        const char* what;
        POINT anchor, caret;
        Action action;
        const char* offered;   // the dialog's text (kOffer...)
        LRESULT answer;        // the query's or the command's result
        int beeps;
    };
    const Case cases[] = {
        { "find, no selection: the word", { 11, 0 }, { 11, 0 }, kOfferFind, "zwei", 0, 0 },
        { "find, one line: the selection", { 5, 0 }, { 9, 0 }, kOfferFind, "eins", 0, 0 },
        { "find, two lines: the last search", { 2, 0 }, { 12, 1 }, kOfferFind, "vorher", 0, 0 },
        { "replace, one line: the selection", { 5, 0 }, { 9, 0 }, kOfferReplace, "eins", 0, 0 },
        { "replace, two lines: the word at the caret", { 2, 0 }, { 12, 1 }, kOfferReplace, "vier", 0, 0 },
        { "code 0 answers the caret, not the anchor", { 2, 0 }, { 7, 0 }, kQuerySetCaret, nullptr,
          static_cast<LRESULT>(PackTextPosition(7, 0)), 0 },
        { "find word without a further match: no beep", { 12, 1 }, { 12, 1 }, kFindWord, nullptr, 0, 0 },
    };
    int id = 4300;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        CTextEdit edit(2048, 50000, 0, "DialogTest");
        EditOptions = 0x1849 & ~0x40u;   // no wrap
        ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 600, 300), &m_parent, id++));
        edit.AppendText("null eins zwei eins\ndrei eins vier\n");
        edit.SetSearchText("vorher");
        edit.SetCursorPos(c.anchor.x, c.anchor.y);
        edit.SetCursorPos(c.caret.x, c.caret.y, MCF_EXTEND);
        g_beeps = 0;
        std::string offered;
        ModalScript script;
        script.Add([&](HWND d) {
            char text[300];
            GetDlgItemTextA(d, IDC_TF_TEXT, text, sizeof(text));
            offered = text;
            return Click(d, IDCANCEL);
        });
        switch (c.action)
        {
        case kOfferFind:
            script.Run([&] { return edit.OpenFindDialog(nullptr, 0); });
            EXPECT_EQ(offered, c.offered);
            break;
        case kOfferReplace:
            script.Run([&] { return edit.OpenReplaceDialog(nullptr, nullptr, 0); });
            EXPECT_EQ(offered, c.offered);
            break;
        case kQuerySetCaret:
            EXPECT_EQ(edit.SendMessage(WM_TEXTEDIT_QUERY, 0, static_cast<LPARAM>(PackTextPosition(1, 1))), c.answer);
            EXPECT_EQ(edit.GetCaretPos().x, 1);
            EXPECT_EQ(edit.GetCaretPos().y, 1);
            EXPECT_EQ(edit.HasSelection(), 0);
            break;
        case kFindWord:
            EXPECT_EQ(edit.OnFindWord(), c.answer);
            break;
        }
        EXPECT_EQ(g_beeps, c.beeps);
        edit.DestroyWindow();
    }
}

// The three templates as built: groups only where the layout starts one,
// no limit on the combo boxes' text beyond the edit control's own, and an options edit that
// does not scroll. A history text chosen from the list leaves the highlight box as it was;
// only typing re-checks it.
TEST_F(TextEditDialogs, TemplatesCarryTheirOwnStylesOnly)
{
    struct Control
    {
        int id;
        bool group;
    };
    struct Case
    {
        const char* name;
        int which;   // 0 find, 1 replace, 2 options
        std::vector<Control> controls;
    };
    const Case cases[] = {
        { "Text suchen", 0,
          { { IDC_TF_TEXT, false }, { IDC_TF_BACKWARD, false }, { IDC_TF_FORWARD, false }, { IDOK, false },
            { IDCANCEL, false } } },
        { "Ändern", 1,
          { { IDC_TF_TEXT, false }, { IDC_TF_BACKWARD, false }, { IDC_TF_REPLACE_IN, false },
            { IDC_TF_WHOLE_FILE, true }, { IDC_TF_SELECTION, false }, { IDOK, true }, { IDCANCEL, false } } },
        { "Konfiguration", 2,
          { { IDC_TO_TAB_WIDTH, false }, { IDOK, false }, { IDC_TO_MODE_NONE, true }, { IDC_TO_MODE_CARET, false } } },
    };
    const char history[] = "x\0a*b\0";
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        g_editOptions = EO_HIGHLIGHT_OFFERED;
        char text[kFindTextSize] = "x";
        char replacement[kFindTextSize] = "";
        std::vector<LONG> styles;
        LRESULT comboLimit = 0;
        bool enabledAfterChoice = false;
        ModalScript run;
        run.Add([&](HWND d) {
            for (const Control& control : c.controls)
                styles.push_back(GetWindowLongA(GetDlgItem(d, control.id), GWL_STYLE));
            if (c.which < 2)
            {
                HWND combo = GetDlgItem(d, IDC_TF_TEXT);
                comboLimit = SendMessageA(GetWindow(combo, GW_CHILD), EM_GETLIMITTEXT, 0, 0);
                SendMessageA(combo, CB_SETCURSEL, 1, 0);
                SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_TF_TEXT, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
                enabledAfterChoice = IsWindowEnabled(GetDlgItem(d, IDC_TF_HIGHLIGHT)) != 0;
            }
            return Click(d, IDCANCEL);
        });
        run.Run([&]() -> INT_PTR {
            if (c.which == 0)
                return CTextFindDlg(nullptr).Run(m_recorder, text, kFindTextSize, EO_FIND_PATTERN, history);
            if (c.which == 1)
                return CTextReplaceDlg(nullptr).Run(m_recorder, text, kFindTextSize, replacement, kFindTextSize,
                                                    EO_FIND_PATTERN, history);
            return CTextOptionsDlg(nullptr).Run(m_recorder, 0, 4);
        });
        ASSERT_EQ(styles.size(), c.controls.size());
        for (size_t i = 0; i < styles.size(); ++i)
            EXPECT_EQ((styles[i] & WS_GROUP) != 0, c.controls[i].group) << c.controls[i].id;
        if (c.which == 2)
            EXPECT_EQ(styles[0] & ES_AUTOHSCROLL, 0);
        else
        {
            EXPECT_GT(comboLimit, kFindTextSize - 1);
            EXPECT_TRUE(enabledAfterChoice);
        }
    }
}
