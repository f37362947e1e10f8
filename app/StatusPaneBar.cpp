#include "app/StatusPaneBar.h"

#include "app/StatusPaneLayout.h"
#include "uihelpers/TextMetrics.h"

#include <commctrl.h>
#include <cstring>
#include <vector>

IMPLEMENT_DYNAMIC(CStatusPaneBar, CStatusBar)

namespace {

int g_liveRecords = 0;

// The room the bar gives a pane around its text: the sunken edge and a little air each side.
const int kPaneTextRoom = 8;

// SB_SETTEXT's part number: the low byte of wParam (255 is the simple-mode part).
int PartOfSetText(WPARAM wParam)
{
    return static_cast<int>(wParam & 0xFF);
}

}  // namespace

PaneColorRecord* NewPaneColorRecord(const char* text, int32_t background, int32_t textColor)
{
    if (!text)
        text = "";
    const size_t length = std::strlen(text);
    void* block = ::HeapAlloc(::GetProcessHeap(), 0, length + 16);
    if (!block)
        return nullptr;
    PaneColorRecord* record = static_cast<PaneColorRecord*>(block);
    record->background = background;
    record->textColor = textColor;
    record->length = static_cast<uint32_t>(length);
    std::memcpy(record->text, text, length + 1);
    ++g_liveRecords;
    return record;
}

void FreePaneColorRecord(PaneColorRecord* record)
{
    if (!record)
        return;
    ::HeapFree(::GetProcessHeap(), 0, record);
    --g_liveRecords;
}

CStatusPaneBar::CStatusPaneBar() noexcept = default;

CStatusPaneBar::~CStatusPaneBar() = default;

int CStatusPaneBar::LiveRecordCount()
{
    return g_liveRecords;
}

UINT CStatusPaneBar::PartType(int part) const
{
    if (!m_hWnd || part < 0)
        return 0;
    LRESULT info = ::SendMessageA(m_hWnd, SB_GETTEXTLENGTHA, static_cast<WPARAM>(part), 0);
    return HIWORD(info);
}

PaneColorRecord* CStatusPaneBar::PartRecord(int part) const
{
    if (PartType(part) != kColorPaneType)
        return nullptr;
    char scratch[4] = {};
    // For an owner-drawn part the control answers with the data word and writes nothing.
    LRESULT data = ::SendMessageA(m_hWnd, SB_GETTEXTA, static_cast<WPARAM>(part),
                                  reinterpret_cast<LPARAM>(scratch));
    return reinterpret_cast<PaneColorRecord*>(data);
}

BOOL CStatusPaneBar::SetPartRecord(int part, PaneColorRecord* record)
{
    if (!m_hWnd || !record || part < 0) {
        FreePaneColorRecord(record);
        return FALSE;
    }
    if (::SendMessageA(m_hWnd, SB_SETTEXTA, static_cast<WPARAM>(part) | kColorPaneType,
                       reinterpret_cast<LPARAM>(record)))
        return TRUE;
    FreePaneColorRecord(record);   // the control took nothing (no such part)
    return FALSE;
}

void CStatusPaneBar::FreeAllRecords()
{
    const int parts = static_cast<int>(::SendMessageA(m_hWnd, SB_GETPARTS, 0, 0));
    for (int part = 0; part < parts; ++part) {
        if (PaneColorRecord* record = PartRecord(part)) {
            // Leave the part plain, so that nothing can reach the freed block.
            CStatusBar::WindowProc(SB_SETTEXTA, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(""));
            FreePaneColorRecord(record);
        }
    }
}

int CStatusPaneBar::TextNeed(const char* text) const
{
    if (!m_hWnd || !text || !*text)
        return 0;
    return GetWindowTextExtent(text, m_hWnd, -1, nullptr) + kPaneTextRoom;
}

const char* CStatusPaneBar::PartText(int part) const
{
    if (part < 0 || part >= static_cast<int>(m_panes.size()))
        return "";
    if (const PaneColorRecord* record = PartRecord(part))
        return record->text;
    return m_panes[static_cast<size_t>(part)].strText;
}

std::vector<int> CStatusPaneBar::EdgesWithRoomForMessage(const int* edges, int count)
{
    std::vector<int> fitted(edges, edges + count);
    const int message = CommandToIndex(ID_SEPARATOR);
    if (message < 0 || message >= count)
        return fitted;
    // The panes of the focused view and of the disk view are asked for in characters of an
    // average width and in fixed pixels, both well beyond the texts they show; the message
    // pane only gets what they leave, too little for a long prompt such as the one of "Info
    // Ansicht" beside the hex view's panes, which would lose its end. While its text needs
    // more, the others give up first what lies beyond their own texts.
    std::vector<int> needs;
    for (int part = 0; part < count; ++part)
        needs.push_back(TextNeed(PartText(part)));
    if (GetStyle() & SBARS_SIZEGRIP)
        needs.back() += ::GetSystemMetrics(SM_CXVSCROLL);
    m_messageNeed = needs[static_cast<size_t>(message)];
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    int borders[3] = {0, 0, 0};
    ::SendMessageA(m_hWnd, SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders));
    return FitPartEdges(fitted, needs, message, client.right - client.left, borders[2]);
}

void CStatusPaneBar::WidenPaneToFit(int part, const char* text)
{
    if (part < 0 || part >= GetCount())
        return;
    UINT id = 0;
    UINT style = 0;
    int width = 0;
    GetPaneInfo(part, id, style, width);
    // A stretching pane takes the slack of the bar already. The others are asked for in
    // characters of an average width, which a value such as " Wert: 0x8EC031FA / -1900006918"
    // in the bar's own font outgrows: cut at the asked width, the value's last digits would be
    // lost under the next pane, so such a pane grows to its text and keeps that width.
    if (style & SBPS_STRETCH)
        return;
    const int needed = m_hWnd && text ? GetWindowTextExtent(text, m_hWnd, -1, nullptr) : 0;
    if (needed > width)
        SetPaneInfo(part, id, style, needed);
}

LRESULT CStatusPaneBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case SB_SETTEXTA:
    case SB_SETTEXTW: {
        // The data word of an owner-drawn part is read only when it is one of our records.
        if (message == SB_SETTEXTA && lParam) {
            if (!(wParam & SBT_OWNERDRAW))
                WidenPaneToFit(PartOfSetText(wParam), reinterpret_cast<const char*>(lParam));
            else if ((wParam & 0xFF00) == kColorPaneType)
                WidenPaneToFit(PartOfSetText(wParam), reinterpret_cast<const PaneColorRecord*>(lParam)->text);
        }
        const int part = PartOfSetText(wParam);
        PaneColorRecord* old = PartRecord(part);
        LRESULT result = CStatusBar::WindowProc(message, wParam, lParam);
        if (old && result && reinterpret_cast<PaneColorRecord*>(lParam) != old)
            FreePaneColorRecord(old);
        // A new prompt in the message pane may need other room than the text before it.
        if (result && part == CommandToIndex(ID_SEPARATOR) && TextNeed(PartText(part)) != m_messageNeed)
            UpdateAllPanes(TRUE, FALSE);
        return result;
    }
    case SB_SETPARTS: {
        const int keep = static_cast<int>(wParam);
        const int parts = static_cast<int>(::SendMessageA(m_hWnd, SB_GETPARTS, 0, 0));
        std::vector<int> edges;
        if (lParam && keep > 0) {
            edges = EdgesWithRoomForMessage(reinterpret_cast<const int*>(lParam), keep);
            lParam = reinterpret_cast<LPARAM>(edges.data());
            // The same parts again would only repaint the whole bar, once for each prompt.
            if (parts == keep) {
                std::vector<int> current(static_cast<size_t>(parts));
                ::SendMessageA(m_hWnd, SB_GETPARTS, wParam, reinterpret_cast<LPARAM>(current.data()));
                if (current == edges)
                    return TRUE;
            }
        }
        // Parts beyond the new count vanish with whatever data they held.
        std::vector<PaneColorRecord*> dropped;
        for (int part = keep; part < parts; ++part)
            if (PaneColorRecord* record = PartRecord(part))
                dropped.push_back(record);
        LRESULT result = CStatusBar::WindowProc(message, wParam, lParam);
        if (result) {
            for (PaneColorRecord* record : dropped)
                FreePaneColorRecord(record);
        }
        return result;
    }
    case WM_DESTROY:
        FreeAllRecords();
        break;
    default:
        break;
    }
    return CStatusBar::WindowProc(message, wParam, lParam);
}
