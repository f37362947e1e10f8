// Button pictures (bitmaps 510 and 511 drawn by ImageMagick: a red square with one white
// pixel on C0C0C0 in 4 bits, a dark green square on C0C0C0 in 24 bits), drags captured
// at the drag loop, and the small services.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <io.h>
#include <shellapi.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>
#include "classlib/Ole.h"
#include "uihelpers/WindowServices.h"
#include "TestWindows.h"

namespace {

// The common controls 6 button (the one the program's manifest asks for) understands
// BCM_SETIMAGELIST; the test program has no manifest, so it activates one of its own.
class CommonControls6 {
public:
    CommonControls6()
    {
        char folder[MAX_PATH];
        GetTempPathA(MAX_PATH, folder);
        m_path = std::string(folder) + "sl-cc6.manifest";
        FILE* f = fopen(m_path.c_str(), "w");
        if (!f) return;
        fputs("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
              "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">"
              "<dependency><dependentAssembly><assemblyIdentity type=\"win32\" "
              "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" processorArchitecture=\"*\" "
              "publicKeyToken=\"6595b64144ccf1df\" language=\"*\"/></dependentAssembly></dependency></assembly>\n", f);
        fclose(f);
        ACTCTXA ctx = {};
        ctx.cbSize = sizeof ctx;
        ctx.lpSource = m_path.c_str();
        m_context = CreateActCtxA(&ctx);
        if (m_context != INVALID_HANDLE_VALUE) ActivateActCtx(m_context, &m_cookie);
    }
    ~CommonControls6()
    {
        if (m_context != INVALID_HANDLE_VALUE) {
            DeactivateActCtx(0, m_cookie);
            ReleaseActCtx(m_context);
        }
        DeleteFileA(m_path.c_str());
    }
private:
    std::string m_path;
    HANDLE m_context = INVALID_HANDLE_VALUE;
    ULONG_PTR m_cookie = 0;
};

HWND NewButton()
{
    return CreateWindowExA(0, "BUTTON", "", WS_POPUP | BS_PUSHBUTTON | BS_BITMAP, 0, 0, 60, 30, NULL, NULL,
                           GetModuleHandleA(NULL), NULL);
}

const COLORREF kUnderneath = RGB(1, 2, 3);

// A pixel of image `index` of a list drawn (with its mask) onto kUnderneath.
COLORREF ListPixel(HIMAGELIST list, int index, int x, int y)
{
    HDC screen = GetDC(NULL);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 32, 32);
    ReleaseDC(NULL, screen);
    HGDIOBJ old = SelectObject(dc, canvas);
    HBRUSH brush = CreateSolidBrush(kUnderneath);
    RECT all = { 0, 0, 32, 32 };
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    ImageList_Draw(list, index, dc, 0, 0, ILD_NORMAL);
    COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteObject(canvas);
    DeleteDC(dc);
    return c;
}

bool IsGrey(COLORREF c) { return GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c); }

// The data of the last drag, taken at the drag loop instead of dragging.
struct Captured {
    int drags = 0;
    DWORD effects = 0;
    std::vector<unsigned char> text;      // CF_TEXT with its terminator
    std::vector<wchar_t> unicode;         // CF_UNICODETEXT with its terminator
    bool hasUnicode = false;
    std::string droppedFile;
} g_captured;

template <typename T>
bool Fetch(IDataObject* data, CLIPFORMAT format, std::vector<T>& out)
{
    FORMATETC fe = { format, NULL, DVASPECT_CONTENT, -1, TYMED_HGLOBAL };
    STGMEDIUM med = {};
    if (FAILED(data->GetData(&fe, &med))) return false;
    const T* p = static_cast<const T*>(GlobalLock(med.hGlobal));
    size_t n = GlobalSize(med.hGlobal) / sizeof(T);
    size_t len = 0;
    while (len < n && p[len]) ++len;
    out.assign(p, p + (len < n ? len + 1 : n));
    GlobalUnlock(med.hGlobal);
    ReleaseStgMedium(&med);
    return true;
}

DWORD CaptureDrag(COleDataSource* source, DWORD effects)
{
    g_captured = Captured();
    g_captured.drags = 1;
    g_captured.effects = effects;
    IDataObject* data = source->GetDataObject(FALSE);
    Fetch(data, CF_TEXT, g_captured.text);
    g_captured.hasUnicode = Fetch(data, CF_UNICODETEXT, g_captured.unicode);
    FORMATETC fe = { CF_HDROP, NULL, DVASPECT_CONTENT, -1, TYMED_HGLOBAL };
    STGMEDIUM med = {};
    if (SUCCEEDED(data->GetData(&fe, &med))) {
        char name[MAX_PATH] = {};
        if (DragQueryFileA(static_cast<HDROP>(med.hGlobal), 0xFFFFFFFF, NULL, 0) == 1)
            DragQueryFileA(static_cast<HDROP>(med.hGlobal), 0, name, MAX_PATH);
        g_captured.droppedFile = name;
        ReleaseStgMedium(&med);
    }
    return DROPEFFECT_COPY;
}

class DragCapture {
public:
    DragCapture() { m_previous = SetDragRunner(&CaptureDrag); g_captured = Captured(); }
    ~DragCapture() { SetDragRunner(m_previous); }
private:
    DragRunner m_previous;
};

std::string TempFile(const char* name)
{
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    std::string path = std::string(folder) + name;
    FILE* f = fopen(path.c_str(), "w");
    if (f) fclose(f);
    return path;
}

}  // namespace

TEST(ButtonImage, GreyLevelsNeverMeetTheMaskColourAndFollowTheLuminance)
{
    // A grey ramp has luminance 257 g / 256, rising with g: its grey levels must not fall.
    int previous = 0;
    for (int g = 0; g < 256; ++g) {
        int level = DisabledGreyLevel(RGB(g, g, g));
        EXPECT_GE(level, previous) << g;
        previous = level;
    }
    for (DWORD c = 0; c < 0x1000000; c += 0x010305) {
        int level = DisabledGreyLevel(c);
        EXPECT_NE(192, level) << c;
        EXPECT_GE(level, 144) << c;
        EXPECT_LE(level, 208) << c;
    }
    // Green weighs twice red, blue least: pure channels order their greys so.
    EXPECT_GT(DisabledGreyLevel(RGB(0, 255, 0)), DisabledGreyLevel(RGB(255, 0, 0)));
    EXPECT_GT(DisabledGreyLevel(RGB(255, 0, 0)), DisabledGreyLevel(RGB(0, 0, 255)));
}

TEST(ButtonImage, ThemedButtonsShareOneImageListPerBitmapWithAGreyDisabledState)
{
    CommonControls6 cc6;
    int previous = SetButtonThemeOverride(1);
    HWND first = NewButton(), second = NewButton();
    int before = ButtonImageCacheCount();
    EXPECT_TRUE(SetButtonBitmap(first, 510));
    EXPECT_TRUE(SetButtonBitmap(second, 510));
    EXPECT_EQ(before + 1, ButtonImageCacheCount());
    BUTTON_IMAGELIST a = {}, b = {};
    SendMessageA(first, BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&a));
    SendMessageA(second, BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&b));
    ASSERT_TRUE(a.himl != NULL);
    EXPECT_EQ(a.himl, b.himl);
    EXPECT_EQ(static_cast<UINT>(BUTTON_IMAGELIST_ALIGN_CENTER), a.uAlign);
    EXPECT_EQ(6, ImageList_GetImageCount(a.himl));
    for (int state = 0; state < 6; ++state) {
        SCOPED_TRACE(state);
        COLORREF square = ListPixel(a.himl, state, 7, 7);
        EXPECT_EQ(kUnderneath, ListPixel(a.himl, state, 1, 1));     // the mask colour is clear
        if (state == 3) {
            EXPECT_TRUE(IsGrey(square));
            EXPECT_EQ(DisabledGreyLevel(RGB(255, 0, 0)), GetRValue(square));
        } else {
            EXPECT_EQ(RGB(255, 0, 0), square);
        }
    }
    // The 24-bit picture greys its pixels.
    EXPECT_TRUE(SetButtonBitmap(first, 511));
    SendMessageA(first, BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&a));
    EXPECT_EQ(RGB(0, 128, 0), ListPixel(a.himl, 0, 7, 7));
    EXPECT_TRUE(IsGrey(ListPixel(a.himl, 3, 7, 7)));

    // 32-bit pictures with bit fields grey their pixels too, read through their masks: red
    // squares with the channels in the usual places and one byte further up.
    struct Fields { BITMAPINFOHEADER h; DWORD masks[3]; DWORD pixels[16 * 16]; };
    static Fields fields[2] = {};
    const int shifts[2][3] = { { 16, 8, 0 }, { 24, 16, 8 } };
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        Fields& f = fields[k];
        f.h.biSize = sizeof f.h;
        f.h.biWidth = 16;
        f.h.biHeight = 16;
        f.h.biPlanes = 1;
        f.h.biBitCount = 32;
        f.h.biCompression = BI_BITFIELDS;
        for (int c = 0; c < 3; ++c)
            f.masks[c] = 0xFFu << shifts[k][c];
        for (DWORD& pixel : f.pixels)
            pixel = f.masks[0];
        EXPECT_TRUE(SetButtonBitmap(first, reinterpret_cast<UINT_PTR>(&f)));
        SendMessageA(first, BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&a));
        EXPECT_EQ(RGB(255, 0, 0), ListPixel(a.himl, 0, 7, 7));
        const COLORREF grey = ListPixel(a.himl, 3, 7, 7);
        EXPECT_TRUE(IsGrey(grey));
        EXPECT_EQ(DisabledGreyLevel(RGB(255, 0, 0)), GetRValue(grey));
    }
    DestroyWindow(first);
    DestroyWindow(second);
    SetButtonThemeOverride(previous);
}

TEST(ButtonImage, ClassicButtonsTakeAPlainBitmapThatClearDeletes)
{
    int previous = SetButtonThemeOverride(0);
    HWND button = NewButton();
    EXPECT_FALSE(ClearButtonBitmap(button));
    EXPECT_FALSE(SetButtonBitmap(button, 511));          // TRUE only when one was there
    HGDIOBJ set = reinterpret_cast<HGDIOBJ>(SendMessageA(button, BM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_TRUE(set != NULL);
    EXPECT_EQ(OBJ_BITMAP, static_cast<int>(GetObjectType(set)));
    EXPECT_TRUE(ClearButtonBitmap(button));
    EXPECT_TRUE(SendMessageA(button, BM_GETIMAGE, IMAGE_BITMAP, 0) == 0);
    EXPECT_EQ(0u, GetObjectType(set));                   // deleted

    // A packed DIB from memory: a 2 x 2 32-bit picture. Then bad ones and a missing id.
    struct { BITMAPINFOHEADER h; DWORD pixels[4]; } packed = {};
    packed.h.biSize = sizeof packed.h;
    packed.h.biWidth = 2;
    packed.h.biHeight = 2;
    packed.h.biPlanes = 1;
    packed.h.biBitCount = 32;
    EXPECT_FALSE(SetButtonBitmap(button, reinterpret_cast<UINT_PTR>(&packed)));
    EXPECT_TRUE(SetButtonBitmap(button, reinterpret_cast<UINT_PTR>(&packed)));
    ClearButtonBitmap(button);
    struct { BITMAPINFOHEADER h; DWORD word; } bad[3] = {};
    bad[0].h = packed.h; bad[0].h.biSize = 500;
    bad[1].h = packed.h; bad[1].h.biBitCount = 33;
    bad[2].h = packed.h; bad[2].h.biBitCount = 4; bad[2].h.biClrUsed = 17;
    for (auto& b : bad)
        EXPECT_FALSE(SetButtonBitmap(button, reinterpret_cast<UINT_PTR>(&b)));
    EXPECT_FALSE(SetButtonBitmap(button, 599));
    EXPECT_TRUE(SendMessageA(button, BM_GETIMAGE, IMAGE_BITMAP, 0) == 0);
    DestroyWindow(button);
    SetButtonThemeOverride(previous);
}

TEST(ButtonImage, AClassicPictureMadeHereIsDeletedWhenReplacedACallersOwnIsNot)
{
    int previous = SetButtonThemeOverride(0);
    struct { BITMAPINFOHEADER h; DWORD pixels[4]; } packed = {};
    packed.h.biSize = sizeof packed.h;
    packed.h.biWidth = 2;
    packed.h.biHeight = 2;
    packed.h.biPlanes = 1;
    packed.h.biBitCount = 32;
    // What the button holds before SetButtonBitmap(510) replaces it: 0 the caller's own
    // bitmap set with BM_SETIMAGE, else a bitmap given to SetButtonBitmap.
    struct Case { UINT_PTR first; bool deleted; } cases[] = {
        { 0, false },
        { 511, true },
        { reinterpret_cast<UINT_PTR>(&packed), true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        HWND button = NewButton();
        if (c.first) {
            EXPECT_FALSE(SetButtonBitmap(button, c.first));
        } else {
            HBITMAP own = CreateBitmap(2, 2, 1, 32, NULL);
            SendMessageA(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(own));
        }
        HGDIOBJ old = reinterpret_cast<HGDIOBJ>(SendMessageA(button, BM_GETIMAGE, IMAGE_BITMAP, 0));
        ASSERT_EQ(OBJ_BITMAP, static_cast<int>(GetObjectType(old)));
        EXPECT_TRUE(SetButtonBitmap(button, 510));
        EXPECT_EQ(c.deleted ? 0 : OBJ_BITMAP, static_cast<int>(GetObjectType(old)));
        // Set again, the new picture replaces itself and goes the same way.
        HGDIOBJ now = reinterpret_cast<HGDIOBJ>(SendMessageA(button, BM_GETIMAGE, IMAGE_BITMAP, 0));
        ASSERT_NE(old, now);
        EXPECT_TRUE(SetButtonBitmap(button, 510));
        EXPECT_EQ(0u, GetObjectType(now));
        EXPECT_TRUE(ClearButtonBitmap(button));
        if (!c.deleted)
            DeleteObject(old);
        DestroyWindow(button);
    }
    SetButtonThemeOverride(previous);
}

TEST(DragSource, TextFormsByMode)
{
    DragCapture capture;
    // Mode 2: UTF-16 in; 8-bit text with 0xFF for what lies above 255.
    const wchar_t wide[] = { L'A', 0x00E4, 0x20AC, L'z', 0 };
    EXPECT_EQ(1, DoDragText(wide, -1, 2));
    EXPECT_EQ(DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, g_captured.effects);
    EXPECT_EQ((std::vector<unsigned char>{ 'A', 0xE4, 0xFF, 'z', 0 }), g_captured.text);
    EXPECT_EQ((std::vector<wchar_t>(wide, wide + 5)), g_captured.unicode);
    EXPECT_EQ(1, DoDragText(wide, 2, 2));
    EXPECT_EQ((std::vector<unsigned char>{ 'A', 0xE4, 0 }), g_captured.text);

    // Mode 1: UTF-8 in; UTF-16 as the system converts it.
    const char utf8[] = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC";
    EXPECT_EQ(1, DoDragText(utf8, -1, 1));
    wchar_t expect[32] = {};
    int units = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, expect, 32);
    EXPECT_EQ((std::vector<wchar_t>(expect, expect + units)), g_captured.unicode);
    EXPECT_EQ((std::vector<unsigned char>(utf8, utf8 + sizeof utf8)), g_captured.text);

    // Mode 0: CF_TEXT only; an explicit length cuts the text.
    EXPECT_EQ(1, DoDragText("Sektor 12", 6, 0));
    EXPECT_FALSE(g_captured.hasUnicode);
    EXPECT_EQ((std::vector<unsigned char>{ 'S', 'e', 'k', 't', 'o', 'r', 0 }), g_captured.text);

    // Length 0 starts no drag.
    g_captured = Captured();
    EXPECT_EQ(0, DoDragText("x", 0, 0));
    EXPECT_EQ(0, DoDragText(NULL, -1, 1));
    EXPECT_EQ(0, g_captured.drags);
}

TEST(DragSource, FilesByFullPathOnlyWhenTheyExist)
{
    DragCapture capture;
    std::string path = TempFile("sl-drag.bin");
    char full[MAX_PATH];
    GetFullPathNameA(path.c_str(), MAX_PATH, full, NULL);
    EXPECT_EQ(1, DoDragFile(path.c_str()));
    EXPECT_EQ(std::string(full), g_captured.droppedFile);
    DeleteFileA(path.c_str());

    g_captured = Captured();
    EXPECT_EQ(0, DoDragFile(path.c_str()));
    EXPECT_EQ(0, DoDragFile(("C:\\" + std::string(300, 'a')).c_str()));
    EXPECT_EQ(0, DoDragFile(""));
    EXPECT_EQ(0, g_captured.drags);
}

int g_consoleRequests = 0;

BOOL WINAPI RefuseConsole()
{
    ++g_consoleRequests;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
}

// A console the system refuses is asked for once, and the answer is nonzero all the same.
TEST(WindowServices, TheDebugConsoleIsAskedForOnceAndAnswersNonzero)
{
    ConsoleAllocator previous = SetConsoleAllocator(&RefuseConsole);
    EXPECT_NE(0, OpenDebugConsole());
    EXPECT_NE(0, OpenDebugConsole());
    EXPECT_EQ(1, g_consoleRequests);
    SetConsoleAllocator(previous);   // the real console's first call is still to come
}

TEST(WindowServices, RecycleOfAMissingPathFailsQuietly)
{
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    std::string missing = std::string(folder) + "sl-not-there\\nothing.bin";
    EXPECT_EQ(0, RecycleFile(missing.c_str()));
    EXPECT_EQ(0, RecycleFile(""));
    EXPECT_TRUE(uitest::ThreadDialog() == NULL);

    // Only the file named is recycled: a name too long to pass whole, whose first 259
    // characters name another file, and a wildcard leave every file where it is.
    std::string dir = std::string(folder) + "sl-recycle";
    CreateDirectoryA(dir.c_str(), NULL);
    std::string prefix = dir + "\\" + std::string(259 - dir.size() - 1, 'k');
    ASSERT_EQ(prefix.size(), 259u);
    const std::string kept[] = { prefix, dir + "\\one.txt", dir + "\\two.txt" };
    for (const std::string& name : kept) {
        HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << name;
        CloseHandle(h);
    }
    EXPECT_EQ(0, RecycleFile((prefix + "tail").c_str()));
    EXPECT_EQ(0, RecycleFile((dir + "\\*.txt").c_str()));
    EXPECT_EQ(0, RecycleFile((dir + "\\on?.txt").c_str()));
    for (const std::string& name : kept) {
        EXPECT_NE(GetFileAttributesA(name.c_str()), INVALID_FILE_ATTRIBUTES) << name;
        DeleteFileA(name.c_str());
    }
    RemoveDirectoryA(dir.c_str());
}

TEST(WindowServices, FrontWindowsComeBackRestoredOrMaximised)
{
    HWND w = CreateWindowExA(0, "STATIC", "front", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, NULL, NULL,
                             GetModuleHandleA(NULL), NULL);
    ShowWindow(w, SW_MINIMIZE);
    BringWindowToFront(w);
    EXPECT_FALSE(IsIconic(w));
    EXPECT_TRUE(IsWindowVisible(w));
    ShowWindow(w, SW_MAXIMIZE);
    BringWindowToFront(w);
    EXPECT_TRUE(IsZoomed(w));
    DestroyWindow(w);
}

TEST(WindowServices, MessageBoxWithPlainArguments)
{
    uitest::ModalSteps steps;
    std::string caption, text;
    steps.Add([&](HWND box) {
        caption = uitest::WindowText(box);
        PostMessageA(box, WM_COMMAND, IDNO, 0);
        return true;
    });
    steps.Start();
    EXPECT_EQ(IDNO, ShowMessageBoxParams(NULL, "Weiter?", "Frage", MB_YESNO | MB_ICONQUESTION));
    steps.Stop();
    EXPECT_FALSE(steps.TimedOut());
    EXPECT_EQ("Frage", caption);
}

TEST(WindowServices, DebugConsoleTakesStandardOutputOnce)
{
    // The test's own output goes back where it went (a pipe under CTest) afterwards.
    fflush(stdout);
    int saved = _dup(_fileno(stdout));
    int opened = OpenDebugConsole();
    int again = OpenDebugConsole();
    int printed = printf("Konsole offen\n");
    int flushed = fflush(stdout);
    _dup2(saved, _fileno(stdout));
    _close(saved);
    EXPECT_NE(0, opened);
    EXPECT_EQ(opened, again);
    EXPECT_GT(printed, 0);
    EXPECT_EQ(0, flushed);
}
