// Benchmark of painting: the program's main frame with its disk view on the fixture images
// (tests/disk/make-images.sh), shown on the display, on five sectors (an MBR, a FAT16 boot
// sector, a FAT sector, an MFT record and an ext superblock). For each it times the full
// repaint of the hex pane and of the decoded-text pane, the step onto the sector (read,
// decode, repaint), and the decode alone (the printer filling the pane's text, nothing
// painted); once the full repaint of a text editor on a 2,000-line text in the place of the
// decoded pane. Each figure is the median of several rounds and is set against the plain
// painter in the same run: the same lines and colour runs, taken from the views' own line
// composers, in the views' fonts, one ExtTextOut per run and one clip for the pane. Every
// time taken around a paint ends when the display server has what was drawn (see
// plainpaint::FinishDrawing). Beside each step it prints what the system's own controls take
// of it, measured apart: the status bar's update, and a redraw of each shown scroll bar of
// the decoded pane with the number of bars the step changed.
//   sl_bench_paint.exe <fixture folder> [rounds]
#include "app/DiskView.h"
#include "app/MainFrm.h"
#include "app/res/resource.h"
#include "bench/BenchSupport.h"
#include "disk/DiskCommands.h"
#include "disk/DiskDoc.h"
#include "editor/TextEdit.h"
#include "tests/support/PaneScripts.h"
#include "uihelpers/StatusPane.h"
#include "views/RepaintWord.h"

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using bench::Median;
using bench::Now;

class BenchPrompts : public DiskDocPrompts {
public:
    int Box(const char* text, const char*, UINT) override
    {
        fprintf(stderr, "sl_bench_paint: the document says: %s\n", text ? text : "");
        ++boxes;
        return IDNO;
    }
    bool AskText(const char*, const char*, CString*, bool) override { return false; }
    int boxes = 0;
};

void DrainQueue()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message != WM_QUIT)
            DispatchMessageA(&msg);
}

// Everything drawn so far has reached the display.
void Settle(HWND)
{
    plainpaint::FinishDrawing();
}

// A little-endian field of an image file.
uint64_t ReadField(const std::string& path, uint64_t offset, int size)
{
    uint8_t bytes[8] = {};
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    DWORD done = 0;
    if (SetFilePointerEx(h, at, nullptr, FILE_BEGIN))
        ReadFile(h, bytes, static_cast<DWORD>(size), &done, nullptr);
    CloseHandle(h);
    uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return value;
}

struct Target {
    const char* name;
    std::string image;
    uint64_t sector;
};

// The five sectors: the MBR disk's MBR, its first partition's FAT16 boot sector and first
// FAT sector; on the GPT disk the NTFS volume's first MFT record and the ext4 superblock
// (1024 bytes into the volume).
std::vector<Target> FindTargets(const std::string& folder)
{
    std::vector<Target> targets;
    const std::string mbr = folder + "\\mbr.img", gpt = folder + "\\gpt.img";
    const uint64_t fat16 = ReadField(mbr, 0x1C6, 4);
    const uint64_t reserved = ReadField(mbr, fat16 * 512 + 14, 2);
    targets.push_back({ "MBR", mbr, 0 });
    targets.push_back({ "FAT16 boot sector", mbr, fat16 });
    targets.push_back({ "FAT sector", mbr, fat16 + reserved });
    // GPT entries from LBA 2, 128 bytes each, the first LBA at +32.
    const uint64_t ntfs = ReadField(gpt, 2 * 512 + 128 + 32, 8);
    const uint64_t ext = ReadField(gpt, 2 * 512 + 2 * 128 + 32, 8);
    const uint64_t perCluster = ReadField(gpt, ntfs * 512 + 0x0D, 1);
    const uint64_t mftCluster = ReadField(gpt, ntfs * 512 + 0x30, 8);
    targets.push_back({ "MFT record", gpt, ntfs + mftCluster * perCluster });
    targets.push_back({ "ext superblock", gpt, ext + 2 });
    return targets;
}

// A 2,000-line text: numbered declarations with TABs and comments of varying length.
std::string EditorText()
{
    std::string text;
    char line[160];
    for (int i = 0; i < 2000; ++i) {
        snprintf(line, sizeof line, "%04d\tstatic const unsigned Feld%d = 0x%08X;\t// Zeile %d%s\n", i, i,
                 static_cast<unsigned>(i) * 2654435761u, i + 1, (i % 7) == 0 ? ", mit einem laengeren Kommentar" : "");
        text += line;
    }
    return text;
}

struct Figure {
    std::string what;
    double view;
    double plain;
    double goal;   // the ratio view / plain must not exceed it
};

void PrintFigure(const Figure& f, int* misses)
{
    const double ratio = f.plain > 0 ? f.view / f.plain : 0;
    const bool missed = ratio > f.goal;
    if (missed)
        ++*misses;
    printf("  %-36s %9.2f ms %9.2f ms %7.2f %6.2f%s\n", f.what.c_str(), f.view * 1000, f.plain * 1000, ratio, f.goal,
           missed ? "  (missed)" : "");
}

// Times a full repaint of a pane and the plain painter's one of the same script, in turns.
void TimeRepaint(CAnsiView& pane, const plainpaint::Script& script, int rounds, double* view, double* plain)
{
    std::vector<double> v, p;
    for (int r = 0; r < rounds; ++r) {
        double t0 = Now();
        pane.RequestUpdate(0);
        Settle(pane.m_hWnd);
        v.push_back(Now() - t0);
        t0 = Now();
        HDC dc = GetDC(pane.m_hWnd);
        plainpaint::Paint(dc, script);
        ReleaseDC(pane.m_hWnd, dc);
        plainpaint::FinishDrawing();
        p.push_back(Now() - t0);
    }
    *view = Median(v);
    *plain = Median(p);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: sl_bench_paint <fixture folder> [rounds]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int rounds = argc > 2 ? atoi(argv[2]) : 21;
    if (rounds < 1)
        return 2;
    std::vector<Target> targets = FindTargets(folder);
    for (const Target& t : targets) {
        if (GetFileAttributesA(t.image.c_str()) == INVALID_FILE_ATTRIBUTES) {
            fprintf(stderr, "sl_bench_paint: %s is missing (tests/disk/make-images.sh makes it)\n", t.image.c_str());
            return 1;
        }
    }

    bench::PrepareSettings();
    CWinApp app{ "SektorlupeBench" };
    app.SetRegistryKey("SektorlupeBench");
    CSingleDocTemplate* docTemplate = new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CDiskDoc),
                                                             RUNTIME_CLASS(CMainFrame), RUNTIME_CLASS(CDiskView));
    app.AddDocTemplate(docTemplate);
    CDiskDoc* doc = static_cast<CDiskDoc*>(docTemplate->OpenDocumentFile(nullptr, FALSE));
    CMainFrame* frame = doc ? static_cast<CMainFrame*>(app.m_pMainWnd) : nullptr;
    if (!frame) {
        fprintf(stderr, "sl_bench_paint: no main frame\n");
        return 1;
    }
    BenchPrompts prompts;
    doc->SetPrompts(&prompts);
    POSITION pos = doc->GetFirstViewPosition();
    CDiskView* view = static_cast<CDiskView*>(doc->GetNextView(pos));
    frame->MoveWindow(0, 0, 1000, 760, TRUE);
    frame->ShowWindow(SW_SHOW);
    frame->UpdateWindow();
    DrainQueue();
    CHexView& hex = *view->GetHexView();
    CMarkTextView& text = *view->GetTextPane();

    // The editor takes the decoded pane's place while it is timed.
    CTextEdit editor(2048, 10000, 0, "BenchEdit");
    RECT paneRect;
    text.GetWindowRect(&paneRect);
    view->ScreenToClient(&paneRect);
    editor.Create(WS_CHILD, paneRect, view, 4200);
    editor.SetEditable(0);
    editor.AppendText(EditorText().c_str());
    editor.SetEditable(1);
    editor.SetMarginWidth(32);

    int misses = 0;
    int failures = 0;
    std::string opened;
    printf("%d rounds each, medians; the ratio is the view's time over the plain painter's\n", rounds);
    printf("  %-36s %12s %12s %7s %6s\n", "", "view", "plain", "ratio", "goal");
    for (const Target& t : targets) {
        if (opened != t.image) {
            if (!doc->OnOpenDocument(t.image.c_str())) {
                fprintf(stderr, "sl_bench_paint: the document refused %s\n", t.image.c_str());
                return 1;
            }
            opened = t.image;
        }
        auto goTo = [&](uint64_t sector) {
            doc->SetCurrentSector(sector);
            doc->LoadSector(0, 0);
            frame->RedrawWindow(nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            DrainQueue();
            Settle(frame->m_hWnd);
        };
        goTo(t.sector);
        const int infoType = static_cast<int>(doc->GetAreaType());
        printf("%s: sector %llu of %s, structure type %d, %d text lines\n", t.name,
               static_cast<unsigned long long>(t.sector), t.image.c_str(), infoType, text.GetLineCount());
        if (text.GetLineCount() < 3) {
            fprintf(stderr, "sl_bench_paint: nothing decoded on %s\n", t.name);
            ++failures;
        }


        double hexView, hexPlain, textView, textPlain;
        TimeRepaint(hex, plainpaint::BuildHexPaneScript(hex), rounds, &hexView, &hexPlain);
        TimeRepaint(text, plainpaint::BuildTextPaneScript(text), rounds, &textView, &textPlain);

        // The step lands on the sector: forward from the one before it, back onto sector 0.
        // A step: the view's work from the command until the display has it; the plain
        // painter's full repaint of both panes is taken in each round right after the step, on
        // the scripts of the sector stepped to, so that both see the machine alike.
        struct StepFigures {
            double step;
            double plain;
            int barsChanged;
        };
        auto timeStep = [&](uint64_t from, UINT command, uint64_t to) {
            goTo(to);
            const plainpaint::Script hexScript = plainpaint::BuildHexPaneScript(hex);
            const plainpaint::Script textScript = plainpaint::BuildTextPaneScript(text);
            std::vector<double> step, plainBoth;
            StepFigures figures = { 0, 0, 0 };
            for (int r = 0; r < rounds; ++r) {
                goTo(from);
                const ScrollBarState was[2] = { text.Layout().Bar(0), text.Layout().Bar(1) };
                const double t0 = Now();
                frame->SendMessage(WM_COMMAND, command);
                frame->RedrawWindow(nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
                Settle(frame->m_hWnd);
                step.push_back(Now() - t0);
                const double t1 = Now();
                for (CAnsiView* pane : { static_cast<CAnsiView*>(&hex), static_cast<CAnsiView*>(&text) }) {
                    HDC dc = GetDC(pane->m_hWnd);
                    plainpaint::Paint(dc, pane == &hex ? hexScript : textScript);
                    ReleaseDC(pane->m_hWnd, dc);
                }
                Settle(frame->m_hWnd);
                plainBoth.push_back(Now() - t1);
                figures.barsChanged = 0;
                for (int b = 0; b < 2; ++b) {
                    const ScrollBarState& now = text.Layout().Bar(b);
                    if ((now.shown || was[b].shown) &&
                        (now.shown != was[b].shown || now.range != was[b].range || now.page != was[b].page ||
                         now.position != was[b].position))
                        ++figures.barsChanged;
                }
                if (doc->GetCurrentSector() != to) {
                    fprintf(stderr, "sl_bench_paint: the step did not reach sector %llu\n",
                            static_cast<unsigned long long>(to));
                    ++failures;
                    break;
                }
            }
            figures.step = Median(step);
            figures.plain = Median(plainBoth);
            return figures;
        };
        // Onto the sector from the one before it (back onto sector 0), and onward to the next.
        const StepFigures onto = t.sector == 0 ? timeStep(1, ID_PREV_SECTOR, 0)
                                               : timeStep(t.sector - 1, ID_NEXT_SECTOR, t.sector);
        const StepFigures onward = timeStep(t.sector, ID_NEXT_SECTOR, t.sector + 1);
        std::vector<double> decode;

        // What the system's own controls take of a step: the status bar's update with two new
        // texts (as the view writes the medium and the position), and a redraw of each shown
        // scroll bar of the decoded pane.
        std::vector<double> status, bar[2];
        for (int r = 0; r < rounds; ++r) {
            const int first = PaneGroupFirstIndex(view->GetPaneGroupHandle());
            const char* paneText = (r & 1) ? "(Img) Sektor 1" : "(Img) Sektor 2";
            double t0 = Now();
            SendStatusPaneText(frame->m_hWnd, first, paneText, 0);
            SendStatusPaneText(frame->m_hWnd, first + 1, paneText, 1);
            Settle(frame->m_hWnd);
            status.push_back(Now() - t0);
            for (int b = 0; b < 2; ++b) {
                HWND scrollBar = text.GetScrollBar(b)->m_hWnd;
                if (!::IsWindowVisible(scrollBar))
                    continue;
                t0 = Now();
                ::RedrawWindow(scrollBar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                Settle(frame->m_hWnd);
                bar[b].push_back(Now() - t0);
            }
        }
        const double statusTime = Median(status) * 1000;
        goTo(t.sector);

        // The decode alone: the pane's repaints are held back while the printer fills it.
        for (int r = 0; r < rounds; ++r) {
            uint32_t& word = text.Layout().RepaintWord();
            word |= RP_BATCH;
            const double t0 = Now();
            text.DeleteText(0, 0, 0, TE_LINE_ALL, 0);
            text.ClearMarks();
            view->PrintStructure(infoType, doc->GetSectorBuffer(), doc->GetLoadedSize());
            decode.push_back(Now() - t0);
            word = 0;
        }
        text.RequestUpdate(0);
        Settle(frame->m_hWnd);

        PrintFigure({ "full repaint, hex pane", hexView, hexPlain, 1.5 }, &misses);
        PrintFigure({ "full repaint, decoded pane", textView, textPlain, 1.5 }, &misses);
        PrintFigure({ "step onto it (over both panes' plain)", onto.step, onto.plain, 2.0 }, &misses);
        PrintFigure({ "step onward to the next sector", onward.step, onward.plain, 2.0 }, &misses);
        printf("  %-36s %9.2f ms; a scroll bar redrawn %.2f ms, changed by the steps: %d onto, %d onward\n",
               "  of a step the status bar's update", statusTime, std::max(Median(bar[0]), Median(bar[1])) * 1000,
               onto.barsChanged, onward.barsChanged);
        PrintFigure({ "decode alone (over the step onto it)", Median(decode), onto.step, 0.10 }, &misses);
    }

    // The editor on the 2,000-line text, scrolled into its middle, with a selection over
    // several lines and its line-number margin.
    text.ShowWindow(SW_HIDE);
    editor.ShowWindow(SW_SHOW);
    editor.SetCursorPos(6, 990, 0);
    editor.SetCursorPos(14, 1004, MCF_EXTEND);
    editor.SetScrollOrigin(0, 985);
    frame->RedrawWindow(nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    Settle(frame->m_hWnd);
    double editView, editPlain;
    TimeRepaint(editor, plainpaint::BuildTextPaneScript(editor), rounds, &editView, &editPlain);
    printf("text editor, 2,000 lines, scrolled to line %d, a selection over 15 lines, line numbers\n",
           static_cast<int>(editor.GetScrollOrigin().y) + 1);
    PrintFigure({ "full repaint, text editor", editView, editPlain, 1.5 }, &misses);
    editor.ShowWindow(SW_HIDE);
    text.ShowWindow(SW_SHOW);

    printf("%s\n", misses ? "some goals missed" : "all goals met");
    editor.DestroyWindow();
    frame->SendMessage(WM_CLOSE);
    DrainQueue();
    bench::ForgetSettings();
    return failures || prompts.boxes ? 1 : 0;
}
