// The sector range dialog on the display: the presets it shows in either form, the questions
// of OK (a dump file that exists, a file to load that does not) and the browse button.
#include "disk/SectorRangeDialog.h"

#include "DiskDocTestSupport.h"
#include "tests/support/ModalScript.h"
#include <gtest/gtest.h>
#include <deque>
#include <string>
#include <vector>

using testsupport::ModalScript;
using testsupport::WindowText;

namespace {

// The questions of OK answered from a script; the browse dialog replaced by a chosen path.
class ScriptedRangeDlg : public CSectorRangeDlg {
public:
    std::deque<int> answers;
    std::vector<std::string> asked;
    std::string browsed;
    std::vector<std::string> browsedFrom;

protected:
    int Ask(const char* text, const char* caption, UINT type) override
    {
        asked.push_back(std::string(caption) + ": " + text + " " + std::to_string(type & MB_ICONMASK));
        const int answer = answers.empty() ? IDCANCEL : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return answer;
    }
    bool BrowseForFile(CString* path) override
    {
        browsedFrom.push_back(static_cast<LPCSTR>(*path));
        *path = browsed.c_str();
        return true;
    }
};

std::string Field(HWND dialog, int id)
{
    return WindowText(GetDlgItem(dialog, id));
}

void Type(HWND dialog, int id, const std::string& text)
{
    SetDlgItemTextA(dialog, id, text.c_str());
}

}  // namespace

// Saving: the presets as the dialog shows them; an existing file asks, and Cancel keeps the
// dialog with everything typed; OK then takes the texts. The browse button shows its picture
// and puts the chosen path into the field.
TEST(SectorRangeDialog, SaveAsksBeforeOverwritingAndKeepsTheTextsOnCancel)
{
    const std::string existing = doctest::TempPath("range-existing.bin");
    ASSERT_TRUE(doctest::MakeSparseDisk("", existing, 512));
    ScriptedRangeDlg dlg;
    dlg.m_bSave = 1;
    dlg.m_nFirstSector = 12345678901ull;
    dlg.m_nCount = 7;
    dlg.m_strInfo = "max. : 99";
    dlg.m_strHint = "Hinweis";
    dlg.browsed = existing;
    dlg.answers = { IDCANCEL, IDOK };
    std::string caption, presets, afterCancel;
    bool picture = false;
    ModalScript script;
    script.Add([&](HWND d) {
        caption = WindowText(d);
        presets = Field(d, 1042) + "|" + Field(d, 1043) + "|" + Field(d, 1092) + "|" + Field(d, 1089);
        picture = SendDlgItemMessageA(d, 1019, BM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
        Type(d, 1041, "vorher.bin");
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(1019, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(d, 1019)));
        Type(d, 1042, "0x10 + 2");
        Type(d, 1043, "3");
        SendMessageA(d, WM_COMMAND, IDOK, 0);
        afterCancel = Field(d, 1041) + "|" + Field(d, 1042) + "|" + Field(d, 1043);
        return testsupport::Click(d, IDOK);
    });
    EXPECT_EQ(script.Run([&] { return dlg.DoModal(); }), IDOK);
    EXPECT_EQ(caption, "Sektoren speichern");
    EXPECT_EQ(presets, "12345678901|7|max. : 99|Hinweis");
    EXPECT_TRUE(picture);
    EXPECT_EQ(dlg.browsedFrom, std::vector<std::string>{ "vorher.bin" });
    EXPECT_EQ(afterCancel, existing + "|0x10 + 2|3");
    const std::string question = "Sektorlupe: Die Datei " + existing +
                                 " existiert bereits !\nSoll sie überschrieben werden ? " +
                                 std::to_string(MB_ICONWARNING);
    EXPECT_EQ(dlg.asked, (std::vector<std::string>{ question, question }));
    EXPECT_EQ(static_cast<LPCSTR>(dlg.m_strFileName), existing);
    EXPECT_TRUE(dlg.m_bValid);
    EXPECT_EQ(dlg.m_nFirstSector, 18u);
    EXPECT_EQ(dlg.m_nCount, 3u);
    DeleteFileA(existing.c_str());
}

// Loading from a file that does not exist is refused and the dialog stays; the range form of
// the search has no file and asks nothing, also with save set.
TEST(SectorRangeDialog, LoadNeedsAnExistingFileAndTheSearchFormNone)
{
    const std::string missing = doctest::TempPath("range-missing.bin");
    const std::string existing = doctest::TempPath("range-load.bin");
    DeleteFileA(missing.c_str());
    ASSERT_TRUE(doctest::MakeSparseDisk("", existing, 512));
    ScriptedRangeDlg load;
    load.m_bSave = 0;
    std::string caption;
    ModalScript script;
    script.Add([&](HWND d) {
        caption = WindowText(d);
        Type(d, 1041, missing);
        SendMessageA(d, WM_COMMAND, IDOK, 0);
        Type(d, 1041, existing);
        return testsupport::Click(d, IDOK);
    });
    EXPECT_EQ(script.Run([&] { return load.DoModal(); }), IDOK);
    EXPECT_EQ(caption, "Sektoren laden");
    EXPECT_EQ(load.asked, std::vector<std::string>{ "Sektorlupe: Die Datei " + missing + " existiert nicht !\n " +
                                                    std::to_string(MB_ICONERROR) });
    EXPECT_EQ(static_cast<LPCSTR>(load.m_strFileName), existing);

    ScriptedRangeDlg search;
    search.m_bSave = 1;
    search.m_nForm = CSectorRangeDlg::FORM_RANGE;
    search.m_nFirstSector = 5;
    search.m_nCount = 1;
    bool fileControls = true;
    ModalScript range;
    range.Add([&](HWND d) {
        caption = WindowText(d);
        fileControls = GetDlgItem(d, 1041) || GetDlgItem(d, 1019);
        Type(d, 1043, "2O48");
        return testsupport::Click(d, IDOK);
    });
    EXPECT_EQ(range.Run([&] { return search.DoModal(); }), IDOK);
    // The range form is captioned by the save flag too, as the file form is.
    EXPECT_EQ(caption, "Sektoren speichern");
    EXPECT_FALSE(fileControls);
    EXPECT_TRUE(search.asked.empty());
    EXPECT_FALSE(search.m_bValid) << "\"2O48\" is no count";
    DeleteFileA(existing.c_str());
}

// The two texts as the commands take them: whole expressions, the first sector 64-bit, the
// count any 32-bit number of sectors; negative values, texts that are no number and counts
// past 32 bits make the range invalid instead of wrapping.
TEST(SectorRangeDialog, RangeTextsAreWholeNumbersWithinTheirWidth)
{
    const struct {
        const char* first;
        const char* count;
        bool valid;
        uint64_t firstSector;
        uint32_t sectors;
    } kCases[] = {
        {"18", "3", true, 18, 3},
        {"0x10 + 2", "4 * 2", true, 18, 8},
        {"5000000000", "1", true, 5000000000ull, 1},
        {"0", "2147483648", true, 0, 0x80000000u},
        {"0", "3000000000", true, 0, 3000000000u},
        {"0", "0xFFFFFFFF", true, 0, 0xFFFFFFFFu},
        {"0", "0x100000000", false, 0, 0},
        {"0", "0xFFFFFFFF + 2", false, 0, 0},
        {"-1", "1", false, 0, 0},
        {"5", "-2", false, 0, 0},
        {"0", "2O48", false, 0, 0},
        {"", "1", false, 0, 0},
    };
    for (const auto& c : kCases) {
        CSectorRangeDlg dlg;
        dlg.m_strFirstSector = c.first;
        dlg.m_strCount = c.count;
        dlg.EvaluateRange();
        EXPECT_EQ(c.valid, dlg.m_bValid) << c.first << " / " << c.count;
        if (c.valid) {
            EXPECT_EQ(c.firstSector, dlg.m_nFirstSector) << c.first;
            EXPECT_EQ(c.sectors, dlg.m_nCount) << c.count;
        }
    }
}
