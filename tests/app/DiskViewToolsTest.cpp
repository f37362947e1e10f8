// The disk view's edit, find and tool commands in the real frame: routed to the pane that
// has the focus, the CHS converter preset from the medium and the selection, and "MBR
// erstellen" putting exactly the dialog's record on the clipboard, or saying why it cannot.
#include <gtest/gtest.h>

#include "disk/ChsConvertDialog.h"
#include "disk/MbrCreateDialog.h"
#include "services/ByteUtils.h"
#include "tests/app/DiskViewTestSupport.h"
#include "tests/classlib/ModalScript.h"
#include "uihelpers/ClipboardText.h"

#include <cstdlib>
#include <deque>
#include <string>

using diskviewtest::DrainQueue;

namespace {

const char kTestAppName[] = "DiskViewTools";

class RecordingPrompts : public DiskDocPrompts {
public:
    int Box(const char* text, const char* caption, UINT type) override
    {
        boxes.push_back(std::string(caption) + "|" + text + "|" + std::to_string(type & MB_ICONMASK));
        return IDOK;
    }
    std::vector<std::string> boxes;
};

class EnableProbe : public CCmdUI {
public:
    int enabled = -1;
    void Enable(BOOL on) override
    {
        enabled = on ? 1 : 0;
        m_bEnableChanged = TRUE;
    }
};

std::string FieldText(HWND dialog, int id)
{
    char text[128] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

COLORREF BrushColour(HBRUSH brush)
{
    LOGBRUSH lb = {};
    GetObjectA(brush, sizeof lb, &lb);
    return brush ? lb.lbColor : CLR_INVALID;
}

HBRUSH FieldBrush(HWND dialog, int id, UINT message)
{
    HDC dc = GetDC(dialog);
    const LRESULT brush = SendMessageA(dialog, message, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    ReleaseDC(dialog, dc);
    return reinterpret_cast<HBRUSH>(brush);
}

std::string Clipboard()
{
    char* text = ClipboardGetText();
    std::string s = text ? text : "";
    free(text);
    return s;
}

struct ClipboardHolder {
    HANDLE opened, release;
};

DWORD WINAPI HoldClipboard(LPVOID p)
{
    // The clipboard is held by a window: opened without one, it would count as nobody's.
    ClipboardHolder* h = static_cast<ClipboardHolder*>(p);
    HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    OpenClipboard(owner);
    SetEvent(h->opened);
    WaitForSingleObject(h->release, INFINITE);
    CloseClipboard();
    DestroyWindow(owner);
    return 0;
}

class DiskViewToolsTest : public diskviewtest::FrameOnFat16<CWinApp, RecordingPrompts> {
protected:
    DiskViewToolsTest() : FrameOnFat16(kTestAppName) {}

    int Enabled(UINT id)
    {
        EnableProbe probe;
        probe.m_nID = id;
        probe.DoUpdate(view, TRUE);
        return probe.enabled;
    }

    void Command(UINT id, modalscript::Script& script)
    {
        script.Start();
        view->SendMessage(WM_COMMAND, id);
        script.Stop();
        EXPECT_TRUE(script.Finished() && !script.TimedOut());
        DrainQueue();
    }
};

TEST_F(DiskViewToolsTest, EditAndFindGoToTheFocusedPane)
{
    CMarkTextView* text = view->GetTextPane();
    CHexView* hex = view->GetHexView();
    ::SetFocus(text->m_hWnd);
    ASSERT_EQ(view->GetFocusedPane(), 1);
    EXPECT_EQ(Enabled(ID_EDIT_COPY), 0) << "no selection in the text pane";
    text->SelectWordAt(2, 1);
    ASSERT_TRUE(text->HasSelection());
    char selected[256] = {};
    text->GetText(selected, sizeof selected, TRF_SELECTION);
    ClipboardSetText("vorher");
    EXPECT_EQ(Enabled(ID_EDIT_COPY), 1);
    EXPECT_EQ(Enabled(ID_COPY_CPP), 0) << "C++ copy follows the hex view's selection only";
    view->SendMessage(WM_COMMAND, ID_EDIT_COPY);
    EXPECT_EQ(Clipboard(), selected);

    ::SetFocus(hex->m_hWnd);
    ASSERT_EQ(view->GetFocusedPane(), 0);
    EXPECT_EQ(Enabled(ID_EDIT_COPY), 0);
    hex->SetCursorAddress(0, false);
    hex->SetSelectionEnd(4, false);
    EXPECT_EQ(Enabled(ID_EDIT_COPY), 1);
    EXPECT_EQ(Enabled(ID_COPY_CPP), 1);

    std::string caption;
    modalscript::Script find;
    find.Add([&] {
        HWND d = modalscript::FindThreadDialog(nullptr);
        if (!d)
            return false;
        char title[64] = {};
        GetWindowTextA(d, title, sizeof title);
        caption = title;
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    Command(ID_EDIT_FIND, find);
    EXPECT_EQ(caption, "Wert suchen");
}

TEST_F(DiskViewToolsTest, ChsConverterStartsFromGeometryAndSelectedNumber)
{
    CHexView* hex = view->GetHexView();
    ::SetFocus(hex->m_hWnd);
    doc->GetSectorBuffer()[100] = 0x10;
    doc->GetSectorBuffer()[101] = 0x00;
    hex->SetCursorAddress(100, false);
    hex->SetSelectionEnd(102, false);
    std::string opened, typed;
    COLORREF marked = CLR_INVALID;
    modalscript::Script chs;
    chs.Add([&] {
        HWND d = modalscript::FindThreadDialog(nullptr);
        if (!d)
            return false;
        for (int id = 1041; id <= 1047; ++id)
            opened += FieldText(d, id) + " ";
        // Typing C: the number follows, C itself keeps the text as typed.
        SetFocus(GetDlgItem(d, 1044));
        SetDlgItemTextA(d, 1044, "0x1");
        typed = FieldText(d, 1044) + " " + FieldText(d, 1047);
        SetFocus(GetDlgItem(d, 1046));
        SetDlgItemTextA(d, 1046, "64");
        marked = BrushColour(FieldBrush(d, 1046, WM_CTLCOLOREDIT));
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    Command(ID_CHS_CONVERT, chs);
    EXPECT_EQ(opened, "1023 255 63 0 0 17 16 ");
    EXPECT_EQ(typed, "0x1 16081");
    EXPECT_EQ(marked, RGB(255, 128, 128));
}

// OK puts the dialog's record on the clipboard as a hex dump; Cancel leaves the clipboard;
// a clipboard that another thread holds open gives an error and no success message.
TEST_F(DiskViewToolsTest, MbrRecordGoesToTheClipboardOrSaysWhyNot)
{
    uint8_t expected[MBR_RECORD_SIZE] = {};
    COLORREF output = CLR_INVALID;
    auto okScript = [&](modalscript::Script& s, int button) {
        s.Add([&, button] {
            HWND d = modalscript::FindThreadDialog(nullptr);
            if (!d)
                return false;
            {
                MbrLayout layout;
                MbrInput input = {};
                const std::string texts[5] = {FieldText(d, 1041), FieldText(d, 1042), FieldText(d, 1043),
                                              FieldText(d, 1044), FieldText(d, 1081)};
                input.cylinders = texts[0].c_str();
                input.heads = texts[1].c_str();
                input.sectorsPerTrack = texts[2].c_str();
                input.total = texts[3].c_str();
                input.start = texts[4].c_str();
                const char* sizes[4] = {"*", "0", "0", "0"};
                for (int i = 0; i < 4; ++i)
                    input.sizes[i] = sizes[i];
                ComputeMbrLayout(input, &layout);
                const int types[4] = {0, 0, 0, 0};
                BuildMbrRecord(layout, 0, types, expected);
            }
            output = BrushColour(FieldBrush(d, 1045, WM_CTLCOLORSTATIC));
            PostMessageA(d, WM_COMMAND, button, 0);
            return true;
        });
    };
    ClipboardSetText("vorher");
    modalscript::Script cancel;
    okScript(cancel, IDCANCEL);
    Command(ID_CREATE_MBR, cancel);
    EXPECT_EQ(Clipboard(), "vorher");
    EXPECT_TRUE(prompts.boxes.empty());

    modalscript::Script ok;
    okScript(ok, IDOK);
    Command(ID_CREATE_MBR, ok);
    EXPECT_EQ(output, RGB(255, 255, 128));
    uint8_t pasted[MBR_RECORD_SIZE] = {};
    const std::string dump = Clipboard();
    EXPECT_EQ(HexPairsToBytes(pasted, MBR_RECORD_SIZE, dump.c_str(), nullptr), MBR_RECORD_SIZE);
    EXPECT_EQ(0, memcmp(pasted, expected, MBR_RECORD_SIZE));
    EXPECT_EQ(pasted[446 + 8], 63) << "partition 1 from sector 63 of the 1023/255/63 preset";
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_EQ(prompts.boxes[0], "MBR|Ein Hex-Dump des Master-Boot-Records wurde in der Zwischenablage abgelegt|0");

    // Another program holds the clipboard open.
    HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ClipboardHolder holder = {opened, release};
    HANDLE thread = CreateThread(nullptr, 0, HoldClipboard, &holder, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(opened, 60000), WAIT_OBJECT_0);
    prompts.boxes.clear();
    modalscript::Script held;
    okScript(held, IDOK);
    Command(ID_CREATE_MBR, held);
    SetEvent(release);
    WaitForSingleObject(thread, 60000);
    CloseHandle(thread);
    CloseHandle(opened);
    CloseHandle(release);
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_EQ(prompts.boxes[0].rfind("MBR|Der Hex-Dump", 0), 0u) << prompts.boxes[0];
    EXPECT_NE(prompts.boxes[0].find(std::to_string(MB_ICONSTOP)), std::string::npos);
}

// OK on a layout whose numbers the record cannot hold (the rest partition of a disk over
// 2 TiB) is refused: the dialog stays with the focus on that partition's size, the clipboard
// keeps its text; the total beyond 32 bits is drawn light red.
TEST_F(DiskViewToolsTest, MbrOkIsRefusedWhileTheRecordCannotHoldTheLayout)
{
    ClipboardSetText("vorher");
    int focusAfterOk = 0;
    COLORREF total = CLR_INVALID;
    modalscript::Script refused;
    refused.Add([&] {
        HWND d = modalscript::FindThreadDialog(nullptr);
        if (!d)
            return false;
        SetFocus(GetDlgItem(d, 1044));
        SetDlgItemTextA(d, 1044, "6000000000");
        total = BrushColour(FieldBrush(d, 1044, WM_CTLCOLOREDIT));
        SendMessageA(d, WM_COMMAND, IDOK, 0);
        focusAfterOk = GetDlgCtrlID(GetFocus());
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    Command(ID_CREATE_MBR, refused);
    EXPECT_EQ(total, RGB(255, 128, 128));
    EXPECT_EQ(focusAfterOk, 1077);
    EXPECT_EQ(Clipboard(), "vorher");
    EXPECT_TRUE(prompts.boxes.empty());
}

}  // namespace
