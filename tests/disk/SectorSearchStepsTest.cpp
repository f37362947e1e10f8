// The steps of "Suche in Sektoren" around the scan itself: what the range dialog is preset
// with (for the copy commands too), a cancel by the button and by the cancel handler in the
// middle of a window, and the progress text in the medium's own sectors on a CD image.
#include "SectorJobsTestSupport.h"
#include "ScanTestSupport.h"
#include <gtest/gtest.h>
#include <fstream>
#include <memory>

using namespace doctest;
using jobtest::PatternOf;

namespace {

const char kSlmarke[] = "T:7\t:53 4C 4D 41 52 4B 45";

// The range dialog's preset is kept before the script answers it; with `abortFirst` the
// progress run calls its cancel handler before the worker starts (as a click on Cancel
// while the first window is scanned), without the dialog reporting a cancel.
class StepDialogs : public jobtest::JobDialogs {
public:
    struct Preset {
        uint64_t first;
        uint32_t count;
        int save, form;
        std::string info;
    };
    std::vector<Preset> presets;
    bool abortFirst = false;
    bool hadHandler = false;

    INT_PTR RunSectorRange(CSectorRangeDlg& dlg) override
    {
        presets.push_back({ dlg.m_nFirstSector, dlg.m_nCount, dlg.m_bSave, dlg.m_nForm,
                            static_cast<LPCSTR>(dlg.m_strInfo) });
        return JobDialogs::RunSectorRange(dlg);
    }
    INT_PTR RunProgress(const ProgressRun& run) override
    {
        hadHandler = run.cancelHandler != nullptr;
        if (abortFirst && run.cancelHandler)
            run.cancelHandler(run.cancelArgument);
        return JobDialogs::RunProgress(run);
    }
};

std::vector<uint64_t> ExactOffsets()
{
    std::ifstream in(scantest::FixturePath("search.img.exact.offsets"));
    std::vector<uint64_t> offsets;
    for (uint64_t at; in >> at;)
        offsets.push_back(at);
    return offsets;
}

struct OpenDoc {
    ScriptedPrompts prompts;
    StepDialogs dialogs;
    std::unique_ptr<CDiskDoc> doc;

    bool Open(const std::string& fixture, const std::string& copyName)
    {
        const std::string image = TempPath(copyName);
        if (!CopyFileTo(scantest::FixturePath(fixture), image))
            return false;
        doc.reset(NewDocument());
        doc->SetPrompts(&prompts);
        doc->SetNavDialogs(&dialogs);
        return doc->OnOpenDocument(image.c_str()) != FALSE;
    }
};

}  // namespace

// Each of the three range commands opens the dialog on the current sector with a count of
// one, in its own form and with its own information text.
TEST(SectorRangePreset, StartsAtTheCurrentSectorWithOneSector)
{
    if (!scantest::FileExists(scantest::FixturePath("search.img")))
        GTEST_SKIP() << "search.img was not made";
    OpenDoc o;
    ASSERT_TRUE(o.Open("search.img", "preset-copy.img"));
    const std::string sectors = std::to_string(o.doc->GetSectorCount());
    enum Command { SEARCH, SAVE, LOAD };
    const struct Case {
        Command command;
        uint64_t current;
        int save, form;
        std::string info;
    } cases[] = {
        { SEARCH, 7, 1, CSectorRangeDlg::FORM_RANGE, "Sektoren von 0 bis " + sectors },
        { SAVE, 300, 1, CSectorRangeDlg::FORM_FILE, "max. : " + sectors },
        { LOAD, 12, 0, CSectorRangeDlg::FORM_FILE, "max. : " + sectors },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.info);
        o.dialogs.presets.clear();
        o.doc->SetCurrentSector(c.current);
        ASSERT_TRUE(o.doc->LoadSector(0, 0));
        // No range is scripted: the dialog is cancelled once its preset is seen.
        if (c.command == SEARCH)
            o.doc->OnSearchSectors();
        else if (c.command == SAVE)
            o.doc->OnSaveSectors();
        else
            o.doc->OnLoadSectors();
        ASSERT_EQ(o.dialogs.presets.size(), 1u);
        const StepDialogs::Preset& p = o.dialogs.presets[0];
        EXPECT_EQ(p.first, c.current);
        EXPECT_EQ(p.count, 1u);
        EXPECT_EQ(p.save, c.save);
        EXPECT_EQ(p.form, c.form);
        EXPECT_EQ(p.info, c.info);
        EXPECT_EQ(o.doc->GetCurrentSector(), c.current);
    }
    EXPECT_TRUE(o.prompts.boxes.empty());
}

// A cancel ends the search without a hit, the current sector kept: by the dialog's button
// before the first window is read, and by the cancel handler while the first window is
// scanned (the scan stops there, at its first position). "Weiter in Sekoren" then goes on
// from where the search stood and finds the first value.
TEST(SectorSearchCancel, StopsWithoutAHitAndWeiterGoesOn)
{
    const std::vector<uint64_t> exact = ExactOffsets();
    if (exact.empty())
        GTEST_SKIP() << "search.img was not made";
    SetHexFindDialogSeam(&jobtest::AnswerFind);
    const struct Case {
        const char* how;
        size_t cancelAfter;
        bool abortFirst;
    } cases[] = {
        { "button", 1, false },
        { "cancel handler", ~size_t(0), true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        OpenDoc o;
        ASSERT_TRUE(o.Open("search.img", "cancel-copy.img"));
        o.doc->SetCurrentSector(9);
        ASSERT_TRUE(o.doc->LoadSector(0, 0));
        o.dialogs.progress.cancelAfter = c.cancelAfter;
        o.dialogs.abortFirst = c.abortFirst;
        jobtest::g_find = { PatternOf("", { kSlmarke }), 0 };
        o.dialogs.ranges.push_back({ "", "0", std::to_string(o.doc->GetSectorCount()) });
        o.doc->OnSearchSectors();
        EXPECT_TRUE(o.dialogs.hadHandler);
        EXPECT_EQ(o.doc->GetHitSector(), ~0ull);
        EXPECT_EQ(o.doc->GetCurrentSector(), 9u);
        EXPECT_EQ(o.dialogs.progress.positions, std::vector<uint64_t>{ 0 });
        o.dialogs.progress = jobtest::FakeProgress();
        o.dialogs.abortFirst = false;
        o.doc->OnContinueSearch();
        EXPECT_EQ(o.doc->GetHitSector() * 512 + o.doc->GetHitOffset(), exact[0]);
        EXPECT_EQ(o.prompts.unexpected, 0);
    }
    SetHexFindDialogSeam(nullptr);
}

// On the CD image (2048-byte sectors, four units each) the dialog's text names the window's
// first sector and the range's end in those sectors, as the range was given.
TEST(SectorSearchText, NamesTheMediumsOwnSectors)
{
    if (!scantest::FileExists(scantest::FixturePath("isoudf.img")))
        GTEST_SKIP() << "isoudf.img was not made";
    SetHexFindDialogSeam(&jobtest::AnswerFind);
    OpenDoc o;
    ASSERT_TRUE(o.Open("isoudf.img", "text-copy.img"));
    ASSERT_EQ(o.doc->GetBytesPerSector(), 2048u);
    const struct {
        uint64_t first, count;
    } cases[] = { { 10, 400 }, { 0, 300 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        ASSERT_LE(c.first + c.count, o.doc->GetSectorCount());
        o.dialogs.progress = jobtest::FakeProgress();
        // A value no image holds: the search runs to the range's end.
        jobtest::g_find = { PatternOf("", { "T:7\t:7E 7F 7E 7F 7E 7F 7E" }), 0 };
        o.dialogs.ranges.push_back({ "", std::to_string(c.first), std::to_string(c.count) });
        o.doc->OnSearchSectors();
        EXPECT_EQ(o.doc->GetHitSector(), ~0ull);
        ASSERT_FALSE(o.dialogs.progress.texts.empty()) << "the search ran without the dialog";
        EXPECT_EQ(o.dialogs.progress.texts.front(),
                  "Sektor " + std::to_string(c.first) + " (bis " + std::to_string(c.first + c.count) + ")");
        // The bar itself counts units, from the range's first one.
        ASSERT_FALSE(o.dialogs.progress.positions.empty());
        EXPECT_EQ(o.dialogs.progress.positions.front(), c.first * 4);
    }
    SetHexFindDialogSeam(nullptr);
    EXPECT_EQ(o.prompts.unexpected, 0);
}
