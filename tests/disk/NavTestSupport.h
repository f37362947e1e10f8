// Shared by the tests of the navigation and medium commands: the commands' dialogs answered
// from a script, prompts that also note the text a question starts with, a document whose
// tables a test may damage, and the cluster geometry of a fixture from its tool report.
#pragma once
#include "DiskDocTestSupport.h"
#include "ScanTestSupport.h"
#include "disk/DiskDocNavigation.h"
#include "disk/DriveSelectDialog.h"
#include "disk/StartOptionsDialog.h"
#include "uihelpers/ChoiceListDialog.h"
#include <gtest/gtest.h>
#include <deque>
#include <string>
#include <vector>

namespace navtest {

// The dialogs of the commands without windows. Each run takes the next scripted answer; a
// run without one counts as unexpected and is cancelled.
class ScriptedDialogs : public DiskNavDialogs {
public:
    // Choice list: the index of the item to choose, -1 cancels.
    std::deque<int> choices;
    struct ChoiceSeen {
        std::string caption;
        std::vector<std::string> texts;
        std::vector<DWORD> values;
        int widthFactor, heightFactor, mode;
    };
    std::vector<ChoiceSeen> choiceRuns;

    // Drive selection: the drive code chosen, -2 cancels.
    std::deque<int> drives;
    struct DriveSeen {
        int preset, mode, imageEntry, noCdRom;
    };
    std::vector<DriveSeen> driveRuns;

    // Image file: the path chosen, "" cancels.
    std::deque<std::string> imageFiles;
    std::vector<std::string> imageStarts;       // the path each dialog started from

    // Start options: the mode chosen, -2 cancels.
    std::deque<int> startModes;
    std::vector<int> startPresets;

    // The number selected in the view, when set.
    bool hasSelection = false;
    uint64_t selection = 0;

    std::vector<std::string> recent;
    int unexpected = 0;

    INT_PTR RunChoiceList(CChoiceListDialog& dlg) override
    {
        ChoiceSeen seen{ static_cast<LPCSTR>(dlg.m_strCaption), {}, {}, dlg.m_nWidthFactor, dlg.m_nHeightFactor,
                         dlg.m_nMode };
        for (int i = 0; i < dlg.GetItemCount(); ++i) {
            seen.texts.push_back(dlg.GetItemText(i));
            seen.values.push_back(dlg.GetItemValue(i));
        }
        choiceRuns.push_back(seen);
        if (choices.empty()) {
            ++unexpected;
            return IDCANCEL;
        }
        int pick = choices.front();
        choices.pop_front();
        if (pick < 0 || pick >= dlg.GetItemCount()) {
            dlg.m_nCurrent = -1;
            return IDCANCEL;
        }
        dlg.m_nCurrent = pick;
        dlg.m_nResultValue = dlg.GetItemValue(pick);
        dlg.m_strResult = dlg.GetItemText(pick);
        return IDOK;
    }

    INT_PTR RunDriveSelect(CDriveSelectDlg& dlg) override
    {
        driveRuns.push_back({ dlg.m_nDriveCode, dlg.m_nMode, dlg.m_bImageEntry, dlg.m_bNoCdRom });
        if (drives.empty()) {
            ++unexpected;
            return IDCANCEL;
        }
        int code = drives.front();
        drives.pop_front();
        if (code == -2)
            return IDCANCEL;
        dlg.m_nDriveCode = code;
        return IDOK;
    }

    bool AskImageFile(CString* path) override
    {
        imageStarts.push_back(static_cast<LPCSTR>(*path));
        if (imageFiles.empty()) {
            ++unexpected;
            return false;
        }
        std::string p = imageFiles.front();
        imageFiles.pop_front();
        if (p.empty())
            return false;
        *path = p.c_str();
        return true;
    }

    INT_PTR RunStartOptions(CStartOptionsDlg& dlg) override
    {
        startPresets.push_back(dlg.m_nOpenMode);
        if (startModes.empty()) {
            ++unexpected;
            return IDCANCEL;
        }
        int mode = startModes.front();
        startModes.pop_front();
        if (mode == -2)
            return IDCANCEL;
        dlg.m_nOpenMode = mode;
        return IDOK;
    }

    bool SelectedNumber(CDiskDoc&, uint64_t* number) override
    {
        if (hasSelection)
            *number = selection;
        return hasSelection;
    }

    void AddToRecentFiles(const char* name) override { recent.push_back(name); }
};

// The document's prompts, noting also the text each question was opened with.
class Prompts : public doctest::ScriptedPrompts {
public:
    std::vector<std::string> startTexts;
    bool AskText(const char* caption, const char* prompt, CString* text, bool hidden) override
    {
        startTexts.push_back(static_cast<LPCSTR>(*text));
        return ScriptedPrompts::AskText(caption, prompt, text, hidden);
    }
    void Type(const std::string& text) { typedAnswers.push_back({ true, text }); }
    void CancelTyping() { typedAnswers.push_back({ false, "" }); }
};

// A document whose scan tables a test may change (damaged volumes the scan would not
// produce from any image).
class TestDoc : public CDiskDoc {
public:
    VolumeScanResult& Scan() { return m_scan; }
};

// How cluster numbers of a fixture map to sectors: cluster c lies at
// dataStart + (c - first) * unitsPerCluster, for first <= c <= last.
struct ClusterGeometry {
    uint64_t first = 0, last = 0, dataStart = 0, unitsPerCluster = 0;
    uint64_t SectorOf(uint64_t c) const { return dataStart + (c - first) * unitsPerCluster; }
};

// From fsstat (FAT, exFAT, NTFS) or dumpe2fs (ext) beside the image; false when the
// report is missing or unreadable.
inline bool FixtureGeometry(const std::string& image, ClusterGeometry* g)
{
    std::string report;
    if (image.rfind("ext", 0) == 0) {
        uint64_t blockSize = 0, blocks = 0;
        if (!scantest::LoadText(scantest::FixturePath(image + ".dumpe2fs.txt"), &report) ||
            !scantest::NumberAfter(report, "Block size:", &blockSize) ||
            !scantest::NumberAfter(report, "Block count:", &blocks) || blockSize < 512)
            return false;
        // Block numbers count from the start of the volume whatever the first data block;
        // block 0 holds the boot block and the superblock's start, so numbering begins at 1.
        g->unitsPerCluster = blockSize / 512;
        g->first = 1;
        g->last = blocks - 1;
        g->dataStart = g->unitsPerCluster;
        return true;
    }
    if (!scantest::LoadText(scantest::FixturePath(image + ".fsstat.txt"), &report))
        return false;
    uint64_t clusterBytes = 0;
    size_t next = 0;
    if (!scantest::NumberAfter(report, "Cluster Size:", &clusterBytes) ||
        !scantest::NumberAfter(report, "Cluster Range:", &g->first, 0, &next) ||
        !scantest::NumberAfter(report, "-", &g->last, next))
        return false;
    g->unitsPerCluster = clusterBytes / 512;
    if (image.rfind("ntfs", 0) == 0)
        g->dataStart = 0;
    else if (!scantest::NumberAfter(report, "Cluster Area:", &g->dataStart) &&
             !scantest::NumberAfter(report, "Cluster Heap:", &g->dataStart))
        return false;
    return g->unitsPerCluster > 0;
}

// Command routing as the frame does it: the update handler's verdict for a command id.
class EnableProbe : public CCmdUI {
public:
    int enabled = -1;
    void Enable(BOOL on) override
    {
        enabled = on ? 1 : 0;
        m_bEnableChanged = TRUE;
    }
};

inline int EnabledState(CDiskDoc& doc, UINT id)
{
    EnableProbe probe;
    probe.m_nID = id;
    probe.DoUpdate(&doc, TRUE);
    return probe.enabled;
}

}  // namespace navtest
