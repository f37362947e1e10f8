// Shared by the tests of saving, loading and searching sector ranges: the range dialog and
// the value search dialog answered from a script, and a progress dialog that runs the worker
// at once on the test's thread, cancels when told and answers questions in order.
#pragma once
#include "DiskDocTestSupport.h"
#include "disk/DiskDocNavigation.h"
#include "disk/SectorRangeDialog.h"
#include "uihelpers/ProgressDialog.h"
#include "views/FindValueDialog.h"
#include "views/ValueSearch.h"
#include "views/ValueSearchLists.h"
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace jobtest {

class FakeProgress : public ProgressSink {
public:
    std::vector<uint64_t> positions;
    std::vector<std::string> questions;
    std::deque<int> answers;             // a question without one is answered IDCANCEL
    size_t cancelAfter = ~size_t(0);     // positions before the user cancels
    const ProgressRun* run = nullptr;
    bool cancelled = false;

    void SetPos(uint64_t position) override { positions.push_back(position); }
    std::vector<std::string> texts;      // text line 0, as set
    void SetText(int line, const char* text) override
    {
        if (line == 0)
            texts.push_back(text ? text : "");
    }
    bool IsCancelled() override
    {
        if (!cancelled && positions.size() >= cancelAfter) {
            cancelled = true;
            if (run && run->cancelHandler)
                run->cancelHandler(run->cancelArgument);
        }
        return cancelled;
    }
    int AskUser(const char* text, const char* caption, UINT) override
    {
        questions.push_back(std::string(caption ? caption : "") + ": " + text);
        if (answers.empty())
            return IDCANCEL;
        int a = answers.front();
        answers.pop_front();
        return a;
    }
};

class JobDialogs : public DiskNavDialogs {
public:
    struct Range {
        std::string file, first, count;
    };
    std::deque<Range> ranges;            // each run takes one; none left cancels
    std::vector<std::string> infos;      // the information text of each run
    std::vector<int> forms;
    FakeProgress progress;
    bool realProgress = false;           // the real dialog and its worker thread
    std::vector<std::string> titles;

    INT_PTR RunSectorRange(CSectorRangeDlg& dlg) override
    {
        infos.push_back(static_cast<LPCSTR>(dlg.m_strInfo));
        forms.push_back(dlg.m_nForm);
        if (ranges.empty())
            return IDCANCEL;
        Range r = ranges.front();
        ranges.pop_front();
        dlg.m_strFileName = r.file.c_str();
        dlg.m_strFirstSector = r.first.c_str();
        dlg.m_strCount = r.count.c_str();
        dlg.EvaluateRange();
        return IDOK;
    }
    INT_PTR RunProgress(const ProgressRun& run) override
    {
        titles.push_back(run.title);
        if (realProgress)
            return DiskNavDialogs::RunProgress(run);
        progress.run = &run;
        run.worker(&progress, run.params);
        progress.run = nullptr;
        return progress.cancelled ? IDCANCEL : IDOK;
    }
};

// The progress dialog's run on the test's thread; `during` runs once at the first chunk (as
// the dialog's message loop would dispatch what the user did meanwhile).
class HookedDialogs : public JobDialogs {
public:
    class Progress : public FakeProgress {
    public:
        std::function<void()> during;
        void SetPos(uint64_t position) override
        {
            if (during) {
                std::function<void()> now = during;
                during = nullptr;
                now();
            }
            FakeProgress::SetPos(position);
        }
    };
    Progress hooked;
    INT_PTR RunProgress(const ProgressRun& run) override
    {
        titles.push_back(run.title);
        hooked.run = &run;
        run.worker(&hooked, run.params);
        hooked.run = nullptr;
        return IDOK;
    }
};

// The value search dialog: OK with this pattern list (a block of texts), and the flags it
// was opened with.
struct FindAnswer {
    std::string patternList;             // empty: the dialog is cancelled
    uint32_t storedFlags = 0;
    uint32_t openedWith = 0;
    int runs = 0;
    INT_PTR result = IDOK;               // how the dialog ends when it has a pattern
    int seenX = -1;                      // the place and byte count it was opened with
    int seenCount = -1;
    int movedTo = -1;                    // >= 0: the dialog is moved there and Byte chosen
};
inline FindAnswer g_find;

inline INT_PTR AnswerFind(CWnd*, ValueSearchSettings* settings, uint32_t flags, const char*)
{
    ++g_find.runs;
    g_find.openedWith = flags;
    g_find.seenX = settings->dialogPlaced ? settings->dialogX : -1;
    g_find.seenCount = settings->byteCountChoice;
    if (g_find.movedTo >= 0) {
        settings->dialogX = settings->dialogY = g_find.movedTo;
        settings->dialogPlaced = 1;
        settings->byteCountChoice = 0;
    }
    if (g_find.patternList.empty())
        return IDCANCEL;
    MultiTextFree(&settings->pattern);
    settings->pattern = static_cast<char*>(malloc(g_find.patternList.size()));
    memcpy(settings->pattern, g_find.patternList.data(), g_find.patternList.size());
    settings->flags = g_find.storedFlags;
    return g_find.result;
}

// A pattern list of one entry line, or of a group (distance, lines).
inline std::string PatternOf(const std::string& distance, const std::vector<std::string>& lines)
{
    std::string block = distance;
    block.push_back('\0');
    for (const std::string& line : lines) {
        block += line;
        block.push_back('\0');
    }
    block.push_back('\0');
    return block;
}

}  // namespace jobtest
