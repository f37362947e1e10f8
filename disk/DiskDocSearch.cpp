// The sector document's "Suche in Sektoren" and "Weiter in Sekoren": a value or a group of
// values from the "Wert suchen" dialog, searched forwards through a range of the medium in a
// 1 MB window that slides with an overlap, so that a value across a window's end is found.
// Long searches run on the progress dialog's worker; a hit becomes the current sector with
// its bytes selected.
#include "disk/DiskDoc.h"
#include "disk/DiskCommands.h"
#include "disk/DiskDocNavigation.h"
#include "disk/SectorJobs.h"
#include "disk/SectorRangeDialog.h"
#include "textlib/StrPrintf.h"
#include "uihelpers/ProgressDialog.h"
#include "views/FindValueDialog.h"
#include "views/ValueSearchLists.h"
#include <stdlib.h>
#include <string.h>

namespace {

const uint32_t kInputOnlyFlags = VSF_NO_FIND_NEXT | VSF_NO_GROUP | VSF_FORWARD_ONLY | VSF_HAS_SELECTION;

UINT SearchWorkerEntry(ProgressSink* progress, const DWORD_PTR* params)
{
    CDiskDoc* doc = reinterpret_cast<CDiskDoc*>(params[0]);
    return static_cast<UINT>(doc->SearchLoop(progress, *reinterpret_cast<CFileSearch*>(params[1])));
}

}  // namespace

void CDiskDoc::OnSearchSectors()
{
    if (RefuseWhileBusy())
        return;
    {
        // The range and the value are asked for the medium shown: nothing switches under them.
        CountedScope busy(m_busy);
        if (!AskSearch())
            return;
    }
    OnContinueSearch();
}

bool CDiskDoc::AskSearch()
{
    CSectorRangeDlg dlg(AfxGetMainWnd());
    dlg.m_bSave = 1;                        // no file: nothing to confirm
    dlg.m_nForm = CSectorRangeDlg::FORM_RANGE;
    char info[64];
    StrNPrintf(info, sizeof info, "Sektoren von 0 bis %I64i", static_cast<long long>(m_sectorCount));
    if (!AskSectorRange(dlg, info))
        return false;
    const uint64_t start = dlg.m_nFirstSector;
    uint64_t count = dlg.m_nCount;
    if (count > m_sectorCount - start)
        count = m_sectorCount - start;      // cut at the medium's end

    // The document's own lists and flags (registry "Find"); the search runs forwards only, so
    // the dialog offers no direction. "Weitersuchen" stays on the dialog: it keeps the texts
    // and the pattern as OK does, but only OK starts the search. The fixed direction stays in
    // the flags the document keeps (set again after the dialog).
    // The dialog is the hex view's: its byte count choice and its place are the ones it keeps
    // for every search of the program.
    ValueSearchSettings& shared = GetValueSearchSettings();
    ValueSearchSettings settings = shared;
    settings.history = m_findText;
    settings.groups = m_findGroups;
    settings.pattern = m_searchPatterns;
    settings.flags = m_findFlags & ~kInputOnlyFlags;
    INT_PTR result = RunHexFindDialog(AfxGetMainWnd(), &settings, settings.flags | VSF_FORWARD_ONLY, nullptr);
    m_findText = settings.history;
    m_findGroups = settings.groups;
    m_searchPatterns = settings.pattern;
    m_findFlags = (settings.flags & ~kInputOnlyFlags) | VSF_FORWARD_ONLY;
    shared.byteCountChoice = settings.byteCountChoice;
    shared.dialogX = settings.dialogX;
    shared.dialogY = settings.dialogY;
    shared.dialogPlaced = settings.dialogPlaced;
    if (result != IDOK)
        return false;

    m_searchOffset = 0;
    m_searchFirstUnit = start * m_unitsPerSector;
    m_searchUnitCount = count * m_unitsPerSector;
    m_searchCurrentUnit = m_searchFirstUnit;
    return true;
}

void CDiskDoc::OnContinueSearch()
{
    if (m_searchUnitCount == 0 || RefuseWhileBusy())
        return;
    bool found;
    {
        CountedScope busy(m_busy);
        found = SearchOnce();
    }
    if (!found) {
        ReportImageLoss();
        return;
    }
    // The hit becomes the current sector once nothing is busy any more.
    m_currentSector = m_hitSector;
    LoadSector(m_hitOffset, m_hitLength);
}

bool CDiskDoc::SearchOnce()
{
    // Some 4 KB: on this thread's stack, which the worker only borrows it from.
    CFileSearch engine;
    m_hitSector = ~0ull;
    if (engine.SetPattern(m_searchPatterns) < 1) {
        // An empty or unparsable text leaves nothing to search for.
        MessageBeep(MB_ICONEXCLAMATION);
        return false;
    }
    const uint64_t end = m_searchFirstUnit + m_searchUnitCount;
    const uint64_t remaining = end > m_searchCurrentUnit ? end - m_searchCurrentUnit : 0;
    if (!SearchNeedsProgressDialog(remaining, m_driveCode)) {
        CWaitCursor wait;
        SearchLoop(nullptr, engine);
    } else {
        ProgressRun run = { "Suche in Sektoren",
                            m_searchFirstUnit,
                            end,
                            &SearchWorkerEntry,
                            { reinterpret_cast<DWORD_PTR>(this), reinterpret_cast<DWORD_PTR>(&engine), 0, 0, 0 },
                            &CFileSearch::OnCancel,
                            &engine };
        NavDialogs().RunProgress(run);
    }
    return m_hitSector != ~0ull;
}

void CDiskDoc::OnUpdateContinueSearch(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_searchUnitCount != 0);
}

int CDiskDoc::SearchLoop(ProgressSink* progress, CFileSearch& engine)
{
    const uint64_t end = m_searchFirstUnit + m_searchUnitCount;
    const uint32_t overlap = SearchOverlapUnits(engine.Distance());
    const uint32_t flags = (m_findFlags & VSF_KEEP_ORDER) ? FTP_KEEP_ORDER : 0;
    const uint32_t u = m_unitsPerSector ? m_unitsPerSector : 1;
    if (!m_searchWindow) {
        m_searchWindow = static_cast<uint8_t*>(malloc(SEARCH_WINDOW_UNITS * 512));
        if (!m_searchWindow) {
            MessageBeep(MB_ICONEXCLAMATION);
            return 0;
        }
    }
    SearchWindowSpan window;
    window.base = m_searchWindowBase;
    window.units = m_searchWindowUnits;
    window.Follow(m_searchCurrentUnit);
    DWORD lastText = GetTickCount() - 1000;
    int found = 0;
    for (;;) {
        const uint64_t current = m_searchCurrentUnit;
        if (current >= end) {
            MessageBeep(MB_ICONEXCLAMATION);
            break;
        }
        if (progress) {
            const DWORD now = GetTickCount();
            if (now - lastText >= 500) {
                lastText = now;
                // Said in the medium's own sectors, as the text reads: counted in 512-byte
                // units, a CD's line would name sectors four times the ones being read (on
                // 512-byte media units and sectors are the same).
                char text[96];
                StrNPrintf(text, sizeof text, "Sektor %I64i (bis %I64i)", static_cast<long long>(window.base / u),
                           static_cast<long long>(end / u));
                progress->SetText(0, text);
            }
            progress->SetPos(current);
            if (progress->IsCancelled()) {
                MessageBeep(MB_ICONEXCLAMATION);
                break;
            }
        }
        if (window.NeedsRead(current, end, overlap)) {
            const SearchRefill r = PlanSearchRefill(window, current, end);
            if (r.keepUnits)
                memmove(m_searchWindow, m_searchWindow + (current - window.base) * 512, r.keepUnits * 512);
            window.base = current;
            window.units = r.keepUnits;
            if (r.readUnits && !ReadSectors(m_driveCode, r.readUnit, static_cast<uint32_t>(r.readUnits),
                                            m_searchWindow + r.keepUnits * 512)) {
                // The position stays: "Weiter in Sekoren" tries the same place again.
                if (progress)
                    progress->AskUser("Lesefehler", "Fehler", MB_OK | MB_ICONERROR);
                else
                    ErrorBox("Lesefehler", "Fehler", MB_OK | MB_ICONERROR);
                MessageBeep(MB_ICONEXCLAMATION);
                break;
            }
            window.units += r.readUnits;
        }
        // Only up to the range's end, even when the window holds more from an earlier search:
        // a hit behind the end would be a sector the user did not ask to search.
        const int from = static_cast<int>((current - window.base) * 512 + m_searchOffset);
        const int to = static_cast<int>((window.SearchEndUnit(end) - window.base) * 512);
        const int m = from < to ? engine.FindTextPatterns(m_searchWindow, from, to - from, flags) : -1;
        if (m >= 0) {
            const uint64_t unit = window.base + static_cast<uint64_t>(m) / 512;
            m_searchCurrentUnit = unit;
            m_hitLength = static_cast<uint32_t>(engine.MatchLength());
            m_hitSector = unit / u;
            m_hitOffset = (unit % u) * 512 + static_cast<uint64_t>(m) % 512;
            // The next search starts one byte behind this hit's start.
            m_searchOffset = static_cast<uint64_t>(m) % 512 + 1;
            found = 1;
            break;
        }
        if (engine.Aborted()) {
            MessageBeep(MB_ICONEXCLAMATION);
            break;                          // cancelled in the middle of the window
        }
        m_searchCurrentUnit = window.NextUnit(current, end, overlap);
        m_searchOffset = 0;
    }
    m_searchWindowBase = window.base;
    m_searchWindowUnits = window.units;
    return found;
}
