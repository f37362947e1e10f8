// What a new user meets first, run in the real frame: "Schriften einstellen" on the hex
// view answered OK without a change, a drag of the splitter between the panes, the About box,
// an image of any extension opened again from the recent file list and from the command line
// of the real program, and every text of the program's dialogs and of the value pane fitting
// its control in the font the system really uses (a static, button or group title too narrow
// for its text shows it cut: a word wrapped away below the control, a letter under the frame).
#include <gtest/gtest.h>

#include "app/DiskApp.h"
#include "app/DiskViewModel.h"
#include "classlib/RecentFileList.h"
#include "tests/app/DiskViewTestSupport.h"
#include "tests/app/support/ProcessWindow.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TestSupport.h"
#include "uihelpers/ClipboardText.h"
#include "editor/TextFindDialogs.h"
#include "views/FindValueDialog.h"
#include "views/HexToolDialogs.h"
#include "views/ValueSearchLists.h"
#include "views/ViewSettings.h"

#include <commctrl.h>
#include <dlgs.h>

#include <cctype>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using diskviewtest::DrainQueue;

namespace {

// The window's text (the support's own WindowText would be defined twice in this program).
std::string TextOf(HWND w)
{
    char text[512] = {};
    GetWindowTextA(w, text, sizeof text);
    return text;
}

const char kTestAppName[] = "FrameCommands";
const UINT kChooseViewFont = 37425;

class RecordingPrompts : public DiskDocPrompts {
public:
    int Box(const char* text, const char*, UINT) override
    {
        boxes.push_back(text);
        return IDCANCEL;
    }
    std::vector<std::string> boxes;
};

// What the user sees of the hex view's font: the face and cell the system gave it, and the
// bytes that fit a line.
struct ShownFont {
    std::string face;
    int charWidth;
    int lineHeight;
    int bytesPerLine;
};

ShownFont FontShown(CHexView* hex)
{
    ShownFont shown;
    HDC dc = GetDC(hex->m_hWnd);
    HGDIOBJ old = SelectObject(dc, hex->Settings()->normalFont);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(dc, sizeof face, face);
    SelectObject(dc, old);
    ReleaseDC(hex->m_hWnd, dc);
    shown.face = face;
    shown.charWidth = hex->Layout().CharWidth();
    shown.lineHeight = hex->Layout().LineHeight();
    shown.bytesPerLine = hex->Model().Layout().BytesPerLine();
    return shown;
}

std::string ClassOf(HWND w)
{
    char name[32] = {};
    GetClassNameA(w, name, sizeof name);
    return name;
}

// The width a control leaves its text, and how the system lays the text out in it; false for
// controls that show no text of their own (icons, pictures, owner-drawn ones).
bool TextArea(HWND control, const TEXTMETRICA& tm, int* width, UINT* format, bool* wraps)
{
    const std::string cls = ClassOf(control);
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    RECT client;
    GetClientRect(control, &client);
    *width = client.right;
    *format = DT_CALCRECT | DT_EXPANDTABS;
    *wraps = false;
    if (lstrcmpiA(cls.c_str(), "Static") == 0) {
        const LONG type = style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP &&
            type != SS_SIMPLE)
            return false;
        if (style & SS_NOPREFIX)
            *format |= DT_NOPREFIX;
        // These statics break their text into lines at their width: a line more than the
        // control is high hides the words that go there.
        *wraps = type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE;
        return true;
    }
    if (lstrcmpiA(cls.c_str(), "Button") != 0)
        return false;
    switch (style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
        *width -= 2 * GetSystemMetrics(SM_CXEDGE);
        return true;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE:
        // The box and the gap before the text.
        *width -= GetSystemMetrics(SM_CXMENUCHECK) + tm.tmAveCharWidth / 2;
        return true;
    case BS_GROUPBOX:
        // The title starts 7 pixels inside the frame and keeps as much from its right end.
        *width -= 14;
        return true;
    default:
        return false;
    }
}

// "id 1005 'Text': 93 > 88" for every control of the dialog whose text does not fit.
std::string CutTexts(HWND dialog)
{
    std::string cut;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        const std::string text = TextOf(c);
        if (text.empty() || !IsWindowVisible(c))
            continue;
        HDC dc = GetDC(c);
        HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(c, WM_GETFONT, 0, 0));
        HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
        TEXTMETRICA tm = {};
        GetTextMetricsA(dc, &tm);
        int width = 0;
        UINT format = 0;
        bool wraps = false;
        if (TextArea(c, tm, &width, &format, &wraps)) {
            RECT client;
            GetClientRect(c, &client);
            RECT r = {0, 0, width, 0};
            DrawTextA(dc, text.c_str(), -1, &r, format | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
            const bool fits = wraps ? r.bottom <= client.bottom && r.right <= width : r.right <= width;
            if (!fits)
                cut += "id " + std::to_string(GetDlgCtrlID(c)) + " '" + text + "': " + std::to_string(r.right) +
                       "x" + std::to_string(r.bottom) + " in " + std::to_string(width) + "x" +
                       std::to_string(client.bottom) + "\n";
        }
        SelectObject(dc, old);
        ReleaseDC(c, dc);
    }
    return cut;
}

// Copies of the FAT16 fixture under names the image dialog lists only under "Alle Dateien".
std::vector<std::string> ImageCopies(const std::string& fixture)
{
    std::vector<std::string> copies;
    for (const char* ext : {".dd", ".raw", ""}) {
        const std::string copy = testsupport::BinaryDir() + "\\fixtures\\open-by-path-" +
                                 std::to_string(GetCurrentProcessId()) + ext;
        if (CopyFileA(fixture.c_str(), copy.c_str(), FALSE))
            copies.push_back(copy);
    }
    return copies;
}

// Runs a copy command on an emptied clipboard: the text it put there.
std::string CopyToClipboard(const std::function<void()>& copy)
{
    ClipboardSetText("(nichts kopiert)");
    copy();
    char* clip = ClipboardGetText();
    std::string text = clip ? clip : "";
    free(clip);
    return text;
}

// A pattern list (texts, each with its NUL, and an empty one at the end) as one string.
std::string PatternText(const char* pattern)
{
    return pattern ? std::string(pattern, static_cast<size_t>(MultiTextSize(pattern))) : std::string();
}

bool IsWordByte(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// A word in the text pane (other than `other`) that stands again further on, and
// where that next one begins (a search from inside the first finds it).
struct RepeatedWord {
    std::string word;
    int line = -1, column = 0;          // the first
    int nextLine = -1, nextColumn = 0;  // the one after it
};

RepeatedWord FindRepeatedWord(CTextEdit* pane, const std::string& other = std::string())
{
    std::vector<std::string> lines;
    for (int line = 0; line < pane->GetLineCount(); ++line) {
        int length = 0;
        const char* text = pane->GetLineText(line, &length);
        lines.emplace_back(text ? text : "", text ? static_cast<size_t>(length) : 0);
    }
    for (int line = 0; line < static_cast<int>(lines.size()); ++line) {
        const std::string& text = lines[static_cast<size_t>(line)];
        for (size_t at = 0; at < text.size();) {
            size_t end = at;
            while (end < text.size() && IsWordByte(text[end]))
                ++end;
            const bool whole = end - at >= 4 && (at == 0 || !IsWordByte(text[at - 1]));
            if (whole && text.compare(at, end - at, other) != 0) {
                RepeatedWord found;
                found.word = text.substr(at, end - at);
                found.line = line;
                found.column = static_cast<int>(at);
                // The next place it stands, as a plain case-sensitive search finds it.
                for (int next = line; next < static_cast<int>(lines.size()); ++next) {
                    const size_t from = next == line ? at + 1 : 0;
                    const size_t hit = lines[static_cast<size_t>(next)].find(found.word, from);
                    if (hit != std::string::npos) {
                        found.nextLine = next;
                        found.nextColumn = static_cast<int>(hit);
                        return found;
                    }
                }
            }
            at = end > at ? end : at + 1;
        }
    }
    return RepeatedWord();
}

class FrameCommandsTest : public diskviewtest::FrameOnFat16<CDiskApp, RecordingPrompts> {
protected:
    FrameCommandsTest() : FrameOnFat16(kTestAppName) {}

    void SetUp() override
    {
        FrameOnFat16::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        frame->SetActiveView(view);
        DrainQueue();
    }
};

}  // namespace

TEST_F(FrameCommandsTest, FontDialogAnsweredOkWithoutAChangeKeepsTheFont)
{
    CHexView* hex = view->GetHexView();
    const ShownFont before = FontShown(hex);
    ASSERT_GT(before.bytesPerLine, 0);

    testsupport::ModalScript script;
    std::string face = "(no dialog)";
    script.Add([&](HWND dialog) {
        face = TextOf(GetDlgItem(dialog, cmb1));
        return testsupport::Click(dialog, IDOK);
    });
    script.Run([&] { return hex->SendMessage(WM_COMMAND, kChooseViewFont); });
    DrainQueue();
    // The dialog starts on the face the view shows (the stored one may be a substitute's).
    EXPECT_EQ(face, before.face);

    const ShownFont after = FontShown(hex);
    EXPECT_EQ(after.face, before.face);
    EXPECT_EQ(after.charWidth, before.charWidth);
    EXPECT_EQ(after.lineHeight, before.lineHeight);
    EXPECT_EQ(after.bytesPerLine, before.bytesPerLine);
}

TEST_F(FrameCommandsTest, SplitterDragMovesTheBoundaryBetweenThePanes)
{
    CRect client;
    view->GetClientRect(&client);
    const int height = client.Height();
    const int start = view->GetSplitPosition();
    ASSERT_GT(height, 300);
    // Each drag starts on the bar where the one before left it; the bar stops 7 pixels above
    // the bottom (the decoded text then has no room at all) and at the top.
    const struct
    {
        const char* what;
        int dropY;   // client y of the release
        int split;
    } cases[] = {
        { "40 pixels down", start + kSplitterBarHeight / 2 + 40, start + 40 },
        { "past the bottom", height + 50, height - kSplitterBarHeight },
        { "back up 100", height - kSplitterBarHeight + kSplitterBarHeight / 2 - 100, height - kSplitterBarHeight - 100 },
        { "above the top", -50, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const int barY = view->GetSplitPosition() + kSplitterBarHeight / 2;
        // Pressed on the bar, moved and released: the tracking loop reads the queued moves
        // and the release.
        view->PostMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, c.dropY));
        view->PostMessage(WM_LBUTTONUP, 0, MAKELPARAM(20, c.dropY));
        view->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, barY));
        DrainQueue();
        EXPECT_EQ(view->GetSplitPosition(), c.split);
        CRect hexAfter, textAfter;
        view->GetHexView()->GetWindowRect(&hexAfter);
        view->GetTextPane()->GetWindowRect(&textAfter);
        EXPECT_EQ(hexAfter.Height(), c.split);
        EXPECT_EQ(textAfter.top - hexAfter.bottom, kSplitterBarHeight);
    }
}

TEST_F(FrameCommandsTest, AboutCommandShowsTheAboutBox)
{
    testsupport::ModalScript script;
    std::string caption, texts;
    script.Add([&](HWND dialog) {
        caption = TextOf(dialog);
        for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            texts += TextOf(c) + "|";
        return testsupport::Click(dialog, IDOK);
    });
    script.Run([&] { return frame->SendMessage(WM_COMMAND, ID_APP_ABOUT); });
    EXPECT_EQ(caption, "Info über Sektorlupe");
    EXPECT_NE(texts.find("|QN Sektorlupe Version "), std::string::npos) << texts;
    EXPECT_NE(texts.find("Sektoren von Laufwerken, physikalischen"), std::string::npos) << texts;
    EXPECT_TRUE(prompts.boxes.empty());
}

TEST_F(FrameCommandsTest, EveryDialogTextFitsItsControl)
{
    CHexView* hex = view->GetHexView();
    CMarkTextView* pane = view->GetTextPane();
    auto frameCommand = [&](UINT id) { return [=] { frame->SendMessage(WM_COMMAND, id); }; };
    auto hexCommand = [&](UINT id) { return [=] { hex->SendMessage(WM_COMMAND, id); }; };
    const struct {
        const char* name;
        std::function<void()> open;
    } dialogs[] = {
        {"Info über Sektorlupe", frameCommand(ID_APP_ABOUT)},
        {"Startoptionen", frameCommand(ID_START_OPTIONS)},
        {"Laufwerk auswählen", frameCommand(ID_SELECT_DRIVE)},
        {"Springe zu Sektor", frameCommand(ID_GOTO_SECTOR)},
        {"Springe zu Bereich", frameCommand(ID_GOTO_AREA)},
        {"Sektoren speichern", frameCommand(ID_SAVE_SECTORS)},
        {"Sektoren laden", frameCommand(ID_LOAD_SECTORS)},
        {"Suche in Sektoren", frameCommand(ID_SEARCH_SECTORS)},
        {"Info Ansicht", frameCommand(ID_INFO_VIEW)},
        {"CHS Umrechnung", frameCommand(ID_CHS_CONVERT)},
        {"MBR erstellen", frameCommand(ID_CREATE_MBR)},
        {"Zahlen Rechner", hexCommand(ID_HEX_NUMBER_CALCULATOR)},
        {"Check-Summe", hexCommand(ID_HEX_CHECKSUM)},
        {"Wert suchen", hexCommand(ID_HEX_FIND)},
        {"Cursor setzen", hexCommand(ID_HEX_GOTO)},
        {"Wert eingeben", hexCommand(ID_HEX_VALUE_INPUT)},
        {"Float Rechner", hexCommand(ID_HEX_FLOAT_CONVERTER)},
        {"CRC", hexCommand(ID_HEX_CRC)},
        {"Hex-Einstellungen", hexCommand(ID_HEX_SETTINGS)},
        {"Farben", [=] { hex->RunColorsDialog(0, nullptr); }},
        {"Text-Optionen", [=] { pane->OnEditOptions(); }},
        {"Text suchen", [=] { pane->OpenFindDialog("", 0); }},
        {"Bereich wurde nicht gefunden !",
         [=] { ShowHexFindMessage(hex->m_hWnd, "Bereich wurde nicht gefunden !", MB_OK | MB_ICONINFORMATION); }},
    };
    for (const auto& d : dialogs) {
        SCOPED_TRACE(d.name);
        testsupport::ModalScript script;
        std::string caption = "(none)", cut;
        script.Add([&](HWND dialog) {
            caption = TextOf(dialog);
            cut = CutTexts(dialog);
            return testsupport::Click(dialog, IDCANCEL);
        });
        script.Run([&] {
            d.open();
            return 0;
        });
        DrainQueue();
        EXPECT_EQ(cut, "") << "dialog \"" << caption << "\"";
        // A modeless dialog (the text pane's find) is left open by its command.
        while (HWND left = testsupport::ThreadDialog())
            DestroyWindow(left);
    }
}

TEST_F(FrameCommandsTest, ValuePaneFitsTheLongestValue)
{
    // The four bytes that give the longest value text, signed.
    static const uint8_t bytes[512] = {0xFA, 0x31, 0xC0, 0x8E};
    CHexView* hex = view->GetHexView();
    // The focused hex view shows its address and value panes.
    frame->ShowWindow(SW_SHOW);
    hex->SetFocus();
    hex->SetData(bytes, sizeof bytes, 0, 0);
    hex->SetCursorAddress(0, false);
    DrainQueue();
    HWND bar = GetDlgItem(frame->m_hWnd, AFX_IDW_STATUS_BAR);
    ASSERT_NE(bar, nullptr);
    const int parts = static_cast<int>(SendMessageA(bar, SB_GETPARTS, 0, 0));
    int pane = -1;
    char text[256] = {};
    for (int part = 0; part < parts && pane < 0; ++part) {
        SendMessageA(bar, SB_GETTEXTA, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text));
        if (std::string(text).find(" Wert: 0x") == 0)
            pane = part;
    }
    ASSERT_GE(pane, 0) << "no value pane";
    EXPECT_STREQ(text, " Wert: 0x8EC031FA / -1900006918");
    RECT rect = {};
    SendMessageA(bar, SB_GETRECT, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(&rect));
    int borders[3] = {};
    SendMessageA(bar, SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders));
    HDC dc = GetDC(bar);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(bar, WM_GETFONT, 0, 0)));
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
    SelectObject(dc, old);
    ReleaseDC(bar, dc);
    EXPECT_LE(extent.cx, rect.right - rect.left - 2 * borders[0]) << text;
}

TEST_F(FrameCommandsTest, PromptsShowWholeBesideTheHexViewsPanes)
{
    CHexView* hex = view->GetHexView();
    frame->ShowWindow(SW_SHOW);
    hex->SetFocus();
    DrainQueue();
    CStatusPaneBar& bar = frame->m_wndStatusBar;
    auto partRects = [&] {
        std::vector<RECT> rects(static_cast<size_t>(bar.SendMessage(SB_GETPARTS)));
        for (size_t part = 0; part < rects.size(); ++part)
            bar.SendMessage(SB_GETRECT, part, reinterpret_cast<LPARAM>(&rects[part]));
        return rects;
    };
    auto partText = [&](int part) {
        char text[512] = {};
        bar.SendMessage(SB_GETTEXTA, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text));
        return std::string(text);
    };
    const std::vector<RECT> idle = partRects();
    ASSERT_EQ(idle.size(), 5u) << "the message pane, the hex view's two and the disk view's two";

    // As a menu item or toolbar button under the mouse shows its prompt in pane 0.
    for (const UINT id : {ID_INFO_VIEW, ID_CHS_CONVERT}) {
        CString prompt;
        frame->GetMessageString(id, prompt);
        SCOPED_TRACE(static_cast<LPCSTR>(prompt));
        ASSERT_FALSE(prompt.IsEmpty());
        frame->SendMessage(WM_SETMESSAGESTRING, id);
        ASSERT_EQ(partText(0), static_cast<LPCSTR>(prompt));
        const std::vector<RECT> rects = partRects();
        ASSERT_EQ(rects.size(), idle.size());
        EXPECT_GE(rects[0].right - rects[0].left, bar.TextNeed(prompt));
        // The others keep room for their own texts (the last one beside the size grip).
        for (int part = 1; part < static_cast<int>(rects.size()); ++part) {
            const int grip = part + 1 == static_cast<int>(rects.size()) ? GetSystemMetrics(SM_CXVSCROLL) : 0;
            EXPECT_GE(rects[part].right - rects[part].left, bar.TextNeed(partText(part).c_str()) + grip)
                << partText(part);
        }
    }
    // Back to the idle text, the panes get their widths back.
    frame->SendMessage(WM_SETMESSAGESTRING, AFX_IDS_IDLEMESSAGE);
    const std::vector<RECT> after = partRects();
    ASSERT_EQ(after.size(), idle.size());
    for (size_t part = 0; part < idle.size(); ++part)
        EXPECT_TRUE(EqualRect(&after[part], &idle[part])) << part;
}

TEST_F(FrameCommandsTest, FindWordAndFindInTheTextPaneSearchTheWordAtTheCaret)
{
    CMarkTextView* pane = view->GetTextPane();
    frame->ShowWindow(SW_SHOW);
    ::SetFocus(pane->m_hWnd);
    ASSERT_EQ(view->GetFocusedPane(), 1);
    // Forwards, case-sensitive, any part of a word, wrapping once.
    const uint32_t options = pane->SetOptionFlags(0x40, 0x10 | 0x20 | 0x40 | 0x80 | 0x100);

    // The caret inside a word, nothing selected: "Suchen" (Shift+F3) with its dialog answered
    // OK on the text it offers (the pane has searched nothing before), then "Suche Wort"
    // (Ctrl+F3) on another word, which the last search must not stand in for.
    std::string offered = "(kein Dialog)";
    const RepeatedWord first = FindRepeatedWord(pane);
    const struct {
        RepeatedWord word;
        std::function<void()> command;
    } cases[] = {
        {first,
         [&] {
             testsupport::ModalScript script;
             script.Add([&](HWND dialog) {
                 offered = TextOf(GetDlgItem(dialog, IDC_TF_TEXT));
                 return testsupport::Click(dialog, IDOK);
             });
             script.Run([&] { return view->SendMessage(WM_COMMAND, ID_EDIT_FIND); });
         }},
        {FindRepeatedWord(pane, first.word), [&] { view->SendMessage(WM_COMMAND, ID_FIND_WORD); }},
    };
    for (const auto& c : cases) {
        ASSERT_GE(c.word.nextLine, 0) << "the boot sector's text repeats no word";
        SCOPED_TRACE(c.word.word);
        pane->SetCursorPos(c.word.column + 2, c.word.line);
        ASSERT_EQ(pane->HasSelection(), 0);
        c.command();
        DrainQueue();
        char selected[256] = {};
        pane->GetText(selected, sizeof selected, TRF_SELECTION);
        EXPECT_EQ(selected, c.word.word);
        EXPECT_EQ(pane->GetCaretPos().y, c.word.nextLine);
        EXPECT_EQ(pane->GetCaretPos().x, c.word.nextColumn);
    }
    EXPECT_EQ(offered, first.word);
    pane->SetOptionFlags(options, 0x10 | 0x20 | 0x40 | 0x80 | 0x100);
}

TEST_F(FrameCommandsTest, FindWordInTheHexPaneSearchesTheSelectionOnly)
{
    CHexView* hex = view->GetHexView();
    frame->ShowWindow(SW_SHOW);
    ::SetFocus(hex->m_hWnd);
    ASSERT_EQ(view->GetFocusedPane(), 0);
    int size = 0;
    const uint8_t* bytes = hex->GetData(&size, nullptr);
    ASSERT_GT(size, 16);
    const std::string sector(reinterpret_cast<const char*>(bytes), static_cast<size_t>(size));
    // The caret inside a word of the boot sector ("mkfs.fat" of its OEM name), and two bytes
    // without letters (which a search that ignores case would take alike) that stand again
    // further on.
    int inWord = -1;
    for (int at = 0; at + 4 <= size && inWord < 0; ++at)
        if (std::isalpha(bytes[at]) && std::isalpha(bytes[at + 1]) && std::isalpha(bytes[at + 2]) &&
            std::isalpha(bytes[at + 3]))
            inWord = at + 1;
    int pair = -1;
    size_t again = std::string::npos;
    for (int at = 0; at + 2 <= size && again == std::string::npos; ++at) {
        if (std::isalpha(bytes[at]) || std::isalpha(bytes[at + 1]))
            continue;
        pair = at;
        again = sector.find(sector.substr(static_cast<size_t>(at), 2), static_cast<size_t>(at) + 1);
    }
    ASSERT_GE(inWord, 0);
    ASSERT_NE(again, std::string::npos);

    const ValueSearchSettings& search = GetValueSearchSettings();
    struct Case {
        int cursor, length;   // selected from the cursor on; 0 nothing
        int found, foundLength;
    };
    const Case cases[] = {
        {inWord, 0, inWord, 0},                     // nothing selected: nothing to search
        {pair, 2, static_cast<int>(again), 2},      // the selection: its next place
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cursor);
        hex->SetCursorAddress(c.cursor, false);
        if (c.length > 0)
            hex->SetSelectionEnd(c.cursor + c.length, false);
        const std::string pattern = PatternText(search.pattern);
        testsupport::ModalScript nothingAsked;   // a box would fail it
        nothingAsked.Run([&] { return view->SendMessage(WM_COMMAND, ID_FIND_WORD); }, 5000);
        int length = 0;
        EXPECT_EQ(hex->GetSelection(false, &length), c.found);
        EXPECT_EQ(length, c.foundLength);
        if (c.length == 0) {
            EXPECT_EQ(PatternText(search.pattern), pattern);
        }
    }
}

TEST_F(FrameCommandsTest, CopyAndCppCopyFromTheHexPanePutTheSelectedBytesOnTheClipboard)
{
    CHexView* hex = view->GetHexView();
    frame->ShowWindow(SW_SHOW);
    ::SetFocus(hex->m_hWnd);
    ASSERT_EQ(view->GetFocusedPane(), 0);
    int size = 0;
    const uint8_t* bytes = hex->GetData(&size, nullptr);
    ASSERT_GT(size, 64);

    // The forms of the bytes: a hex dump, and C source of one byte a value, 16 to a line.
    auto dump = [&](int from, int count) {
        std::string out = ":";
        for (int i = 0; i < count; ++i) {
            char pairText[4];
            snprintf(pairText, sizeof pairText, i + 1 < count ? "%02X " : "%02X", bytes[from + i]);
            out += pairText;
        }
        return out;
    };
    auto cSource = [&](int from, int count) {
        std::string out;
        for (int i = 0; i < count; ++i) {
            char value[8];
            snprintf(value, sizeof value, "0x%02X,", bytes[from + i]);
            out += value;
            if (i % 16 == 15 || i + 1 == count)
                out += "\n";
        }
        return out;
    };
    auto copy = [&] { view->SendMessage(WM_COMMAND, ID_EDIT_COPY); };
    auto copyCpp = [&] {
        testsupport::ModalScript script;
        script.Add([&](HWND dialog) {
            CheckRadioButton(dialog, IDC_HT_FORMAT_FIRST, IDC_HT_FORMAT_FIRST + 3, IDC_HT_FORMAT_FIRST);
            CheckRadioButton(dialog, IDC_HT_SIZE_FIRST, IDC_HT_SIZE_FIRST + 3, IDC_HT_SIZE_FIRST);
            CheckDlgButton(dialog, IDC_HT_BIG_ENDIAN, BST_UNCHECKED);
            SetDlgItemTextA(dialog, IDC_HT_VALUE, "16");
            return testsupport::Click(dialog, IDOK);
        });
        script.Run([&] { return view->SendMessage(WM_COMMAND, ID_COPY_CPP); });
    };
    struct Case {
        const char* name;
        int from, count;
        std::function<void()> command;
        std::string expected;
    };
    const Case cases[] = {
        {"Kopieren", 0, 20, copy, dump(0, 20)},
        {"C++ Kopieren", 3, 20, copyCpp, cSource(3, 20)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hex->SetCursorAddress(c.from, false);
        hex->SetSelectionEnd(c.from + c.count, false);
        EXPECT_EQ(CopyToClipboard(c.command), c.expected);
    }
}

TEST_F(FrameCommandsTest, ImageOfAnyExtensionReopensFromTheRecentList)
{
    app.m_pRecentFileList = new CRecentFileList(ID_FILE_MRU_FILE1, "Recent File List", "File%d", 8);
    const std::string fixture = diskviewtest::FixtureImage("fat16.img");
    const std::vector<std::string> copies = ImageCopies(fixture);
    ASSERT_EQ(copies.size(), 3u);
    for (const std::string& copy : copies) {
        // Opened once as "Eine Image-Datei laden" opens the file chosen, then left for the
        // fixture.
        ASSERT_TRUE(doc->SwitchMedium(DRIVECODE_IMAGE, copy.c_str(), nullptr, nullptr)) << copy;
        ASSERT_STRCASEEQ(app.GetRecentFile(0), copy.c_str());
        ASSERT_TRUE(doc->OnOpenDocument(fixture.c_str()));
        app.AddToRecentFileList(fixture.c_str());

        // The second entry is the copy: picked there it opens again and stays in the list.
        ASSERT_STRCASEEQ(app.GetRecentFile(1), copy.c_str());
        frame->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE2);
        DrainQueue();
        EXPECT_TRUE(prompts.boxes.empty()) << copy << ": " << (prompts.boxes.empty() ? "" : prompts.boxes[0]);
        prompts.boxes.clear();
        EXPECT_STRCASEEQ(static_cast<LPCSTR>(doc->GetImagePath()), copy.c_str());
        EXPECT_EQ(doc->GetAreaType(), 2u) << copy;   // the FAT16 boot sector
        EXPECT_STRCASEEQ(app.GetRecentFile(0), copy.c_str());
    }
    ASSERT_TRUE(doc->OnOpenDocument(fixture.c_str()));   // lets go of the last copy
    for (const std::string& copy : copies)
        DeleteFileA(copy.c_str());
}

TEST(OpenByPath, ImageOfAnyExtensionOpensFromTheCommandLine)
{
    if (testsupport::BinaryDir().empty())
        GTEST_SKIP() << "SL_BINARY_DIR is not set (run through ctest)";
    const std::string fixture = diskviewtest::FixtureImage("fat16.img");
    if (fixture.empty())
        GTEST_SKIP() << "fat16 fixture missing";
    const std::vector<std::string> copies = ImageCopies(fixture);
    ASSERT_EQ(copies.size(), 3u);
    const std::string program = testsupport::BinaryDir() + "\\Sektorlupe.exe";
    ASSERT_NE(GetFileAttributesA(program.c_str()), INVALID_FILE_ATTRIBUTES);

    for (const std::string& copy : copies) {
        testsupport::ProcessWindow run;
        ASSERT_TRUE(run.Start("\"" + program + "\" \"" + copy + "\""));
        // The first window is the main one, showing the image: no box that says it could not
        // be opened (which would come first and end the program).
        HWND frame = run.WaitForWindow(nullptr, nullptr, 60000);
        ASSERT_NE(frame, nullptr) << copy;
        ASSERT_NE(testsupport::WindowClassName(frame), "#32770")
            << copy << ": " << testsupport::ListChildWindows(frame).back().text;
        HWND statusBar = testsupport::FindChildWindow(frame, "msctls_statusbar32");
        ASSERT_NE(statusBar, nullptr);
        const bool shown = testsupport::WaitUntil([&] {
            const int parts = testsupport::StatusBarPartCount(statusBar);
            std::string pane;
            for (int part = 1; part < parts; ++part)
                if (testsupport::ReadStatusBarText(statusBar, part, &pane) && pane == "(Img) Sektor 0 ")
                    return true;
            return false;
        });
        EXPECT_TRUE(shown) << copy;
        DWORD exitCode = 1;
        EXPECT_TRUE(run.CloseAndWait(frame, 30000, &exitCode)) << copy;
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\QN\\Sektorlupe");
    for (const std::string& copy : copies)
        DeleteFileA(copy.c_str());
}

