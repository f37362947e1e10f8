#include "app/DiskView.h"

#include "app/DiskViewModel.h"
#include "app/MainFrm.h"
#include "uihelpers/StatusPane.h"
#include "app/res/resource.h"
#include "disk/DiskDoc.h"
#include "disk/DiskDocNavigation.h"
#include "disk/ChsConvertDialog.h"
#include "disk/DiskIo.h"
#include "disk/InfoTypeDialog.h"
#include "disk/MbrCreateDialog.h"
#include "services/ByteUtils.h"
#include "uihelpers/ClipboardText.h"
#include "textlib/Expr.h"
#include "uihelpers/FrameDrawing.h"
#include "uihelpers/MouseTracking.h"

#include <shellapi.h>
#include <cstring>

IMPLEMENT_DYNCREATE(CDiskView, CView)

BEGIN_MESSAGE_MAP(CDiskView, CView)
    ON_WM_SIZE()
    ON_WM_LBUTTONDOWN()
    ON_WM_DESTROY()
    ON_WM_DROPFILES()
    ON_WM_SETFOCUS()
    ON_NOTIFY(ANSIVIEW_NOTIFY_SETFOCUS, CDiskView::IDC_HEX_VIEW, OnHexViewFocus)
    ON_NOTIFY(ANSIVIEW_NOTIFY_SETFOCUS, CDiskView::IDC_TEXT_PANE, OnTextPaneFocus)
    ON_COMMAND(ID_MARKTEXT_MARK_RANGE, OnMarkRange)
    ON_COMMAND(ID_INFO_VIEW, OnInfoView)
    ON_UPDATE_COMMAND_UI(ID_INFO_VIEW, OnUpdateInfoView)
    ON_COMMAND(ID_EDIT_COPY, OnEditCopy)
    ON_UPDATE_COMMAND_UI(ID_EDIT_COPY, OnUpdateEditCopy)
    ON_COMMAND(ID_EDIT_PASTE, OnEditPaste)
    ON_COMMAND(ID_EDIT_FIND, OnFind)
    ON_COMMAND(ID_FIND_NEXT, OnFindNext)
    ON_COMMAND(ID_FIND_WORD, OnFindWord)
    ON_COMMAND(ID_COPY_CPP, OnCopyCpp)
    ON_UPDATE_COMMAND_UI(ID_COPY_CPP, OnUpdateCopyCpp)
    ON_COMMAND(ID_NUMBER_CONVERTER, OnNumberConverter)
    ON_COMMAND(ID_CHECKSUM, OnChecksum)
    ON_COMMAND(ID_GOTO_ADDRESS, OnGotoAddress)
    ON_COMMAND(ID_CHS_CONVERT, OnChsConvert)
    ON_COMMAND(ID_CREATE_MBR, OnCreateMbr)
END_MESSAGE_MAP()

namespace {

// The pane limits of the decoded text: long enough for any printer's line, and room for the
// longest listing (a 64 KB FAT sector as table lines).
const uint32_t kTextMaxLineLength = 2048;
const uint32_t kTextMaxLines = 50000;
const char kTextViewName[] = "Text";

const int kStatusPaneWidth = 175;
const int kSplitterDragThickness = 5;

CWnd* MainWindow()
{
    return AfxGetMainWnd();
}

bool IsWindowObject(CWnd* wnd)
{
    return wnd && wnd->m_hWnd && ::IsWindow(wnd->m_hWnd);
}

// The go-to commands of the document start from the number the user selected in the view.
bool SelectedNumberOfView(CView* view, uint64_t* number)
{
    if (!view || !view->IsKindOf(RUNTIME_CLASS(CDiskView)))
        return false;
    return static_cast<CDiskView*>(view)->GetSelectedNumber(number);
}

// The geometry the disk tools start from: the drive's own, or 1023/255/63 where it cannot be
// read (an image file, a failed query).
DISK_GEOMETRY MediumGeometry(const CDiskDoc* doc)
{
    DISK_GEOMETRY geometry = {};
    geometry.Cylinders.QuadPart = 1023;
    geometry.TracksPerCylinder = 255;
    geometry.SectorsPerTrack = 63;
    DiskIoGetGeometry(doc->GetDriveCode(), &geometry);
    return geometry;
}

}  // namespace

CDiskView::CDiskView()
    : m_splitPosition(kInitialSplit),
      m_paneGroupHandle(0),
      m_focusedPane(0),
      m_chosenInfoType(0),
      m_panesCreated(0),
      m_textPane(kTextMaxLineLength, kTextMaxLines, 0, kTextViewName)
{
    SetPrinterPane(&m_textPane);
    SetSelectedNumberHook(SelectedNumberOfView);
}

CDiskView::~CDiskView() = default;

CDiskDoc* CDiskView::GetDocument() const
{
    return static_cast<CDiskDoc*>(m_pDocument);
}

BOOL CDiskView::PreCreateWindow(CREATESTRUCTA& cs)
{
    // Explorer may drop image files on the view.
    cs.dwExStyle |= WS_EX_ACCEPTFILES;
    // Only the splitter bar shows of the view itself: the sizing arrow over it, and no
    // background erase under the children (it would flicker through them). A class of its
    // own, so that no other window of the default class gets that cursor.
    if (!cs.lpszClass)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(nullptr, IDC_SIZENS),
                                           static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH)));
    return CView::PreCreateWindow(cs);
}

BOOL CDiskView::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                       CWnd* pParentWnd, UINT nID, CCreateContext* pContext)
{
    if (!CView::Create(lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, nID, pContext))
        return FALSE;
    const RECT none = {0, 0, 0, 0};
    m_hexView.Create(WS_CHILD | WS_VISIBLE, none, this, IDC_HEX_VIEW);
    m_textPane.Create(WS_CHILD | WS_VISIBLE, none, this, IDC_TEXT_PANE);
    m_textPane.SetEditable(0);
    // Each format only when the pane lacks its id: the pane has already loaded the colours a
    // user saved, and a second row of id 10-15 would get id 0, so that every uncoloured label
    // cell (colour 0) were drawn in the last of them, "OK" green.
    AddPrinterColorFormats(&m_textPane);
    LayOutPanes();
    return TRUE;
}

void CDiskView::OnDraw(CDC* pDC)
{
    if (pDC)
        DrawSplitterBar(pDC->GetSafeHdc(), m_splitPosition, 10000, TRUE);
}

// ---------------------------------------------------------------------------------------------
// Updates

void CDiskView::SelectRange(int offset, int length)
{
    m_hexView.SetHighlightRange(0, offset, length);
    m_hexView.SetCursorAddress(offset, false);
    m_hexView.SetSelectionEnd(static_cast<int64_t>(offset) + length, false);
}

void CDiskView::WriteStatusPanes()
{
    CDiskDoc* doc = GetDocument();
    CWnd* main = MainWindow();
    if (!doc || !main)
        return;
    if (!m_panesCreated) {
        m_paneGroupHandle = 0;
        if (IsWindowObject(main)) {
            uint32_t ids[2] = {ID_MEDIUM_PANE, ID_POSITION_PANE};
            int32_t widths[2] = {kStatusPaneWidth, kStatusPaneWidth};
            StatusPaneRequest request = {};
            request.ids = ids;
            request.widths = widths;
            request.count = 2;
            // The frame takes groups only after some view has announced its base panes (the
            // hex view does when it gets the focus); until then the group is asked for again
            // when the view gets the focus. -1 (no room) is no group either.
            LRESULT handle = main->SendMessage(WM_STATUSPANE, StatusPaneInsertGroup, reinterpret_cast<LPARAM>(&request));
            if (handle != -1)
                m_paneGroupHandle = static_cast<int32_t>(handle);
        }
        m_panesCreated = m_paneGroupHandle != 0;
    }
    if (!m_panesCreated || !IsWindowObject(main))
        return;
    const uint64_t sector = doc->GetCurrentSector();
    const std::string medium = FormatMediumPaneText(doc->GetDriveCode(), sector);
    const std::string position = FormatPositionPaneText(sector, doc->GetClusterAreaStart(), doc->GetSectorsPerCluster(),
                                                        doc->GetFirstClusterNumber(), doc->GetPartitionStart());
    // Each text is drawn at once (update flag 1).
    const int first = PaneGroupFirstIndex(m_paneGroupHandle);
    SendStatusPaneText(main->m_hWnd, first, medium.c_str(), 1);
    SendStatusPaneText(main->m_hWnd, first + 1, position.c_str(), 1);
}

void CDiskView::ClearTextPane()
{
    // Every line goes, not only the first thousand: a FAT sector of a large-sector medium
    // prints thousands of table lines, and whatever stayed below the next, shorter listing
    // would read as part of the new sector.
    m_textPane.DeleteText(0, 0, 0, TE_LINE_ALL, 0);
    m_textPane.ClearMarks();
}

void CDiskView::FinishPrinting()
{
    // The caret's own repaint goes into the full one that follows: the pane is drawn once.
    uint32_t& word = m_textPane.Layout().RepaintWord();
    const uint32_t outer = word & RP_BATCH;
    word |= RP_BATCH;
    m_textPane.SetCursorPos(0, 0, 0);
    word = (word & ~RP_BATCH) | outer;
    if (m_textPane.m_hWnd)
        m_textPane.RequestUpdate(0);
}

void CDiskView::PrintCurrentSector(int infoType)
{
    CDiskDoc* doc = GetDocument();
    if (!doc)
        return;
    SetPrinterDocument(doc);
    ClearTextPane();
    PrintStructure(infoType, doc->GetSectorBuffer(), doc->GetLoadedSize());
    FinishPrinting();
}

void CDiskView::OnUpdate(CView* /*pSender*/, LPARAM lHint, CObject* /*pHint*/)
{
    CDiskDoc* doc = GetDocument();
    if (!doc)
        return;
    SetPrinterDocument(doc);
    const uint32_t hint = static_cast<uint32_t>(lHint);
    const UpdateHintParts parts = DecodeUpdateHint(hint);
    if (hint == kHintUnprotected) {
        m_hexView.SetModeFlags(0, 1);
        return;
    }
    if (hint == kHintProtected) {
        m_hexView.SetModeFlags(1, 1);
        return;
    }
    if (parts.sameSector) {
        SelectRange(parts.offset, parts.length);
        return;
    }

    const uint32_t loaded = doc->GetLoadedSize();
    // Another sector goes into the buffer the data window's slots may have been handed: they
    // keep what they decoded of the old one until they are handed the new one.
    if (CMainFrame* frame = DYNAMIC_DOWNCAST(CMainFrame, GetParentFrame()))
        frame->m_wndDataWnd.BytesReplaced(doc->GetSectorBuffer());
    m_hexView.SetData(doc->GetSectorBuffer(), static_cast<int>(loaded), 0, 0);
    m_textPane.SetMarkLimit(loaded);
    if (parts.length != 0)
        SelectRange(parts.offset, parts.length);

    WriteStatusPanes();

    if (hint != kHintNoPrinting) {
        int infoType = static_cast<int>(doc->GetAreaType());
        if (infoType == 0)
            infoType = m_chosenInfoType;
        ClearTextPane();
        PrintStructure(infoType, doc->GetSectorBuffer(), loaded);
        FinishPrinting();
    }
}

// ---------------------------------------------------------------------------------------------
// Layout and splitter

void CDiskView::LayOutPanes(bool dragged)
{
    if (!m_hWnd)
        return;
    CRect client;
    GetClientRect(&client);
    DiskViewLayout layout;
    // A size change keeps 100 pixels for the decoded text where it can; a drag puts the bar
    // where it was dropped, down to 7 pixels above the bottom.
    if (!(dragged ? PlaceDiskViewPanes : ComputeDiskViewLayout)(client.Width(), client.Height(), m_splitPosition,
                                                                &layout))
        return;
    m_splitPosition = layout.split;
    if (m_hexView.m_hWnd)
        m_hexView.MoveWindow(layout.hexLeft, layout.hexTop, layout.hexRight - layout.hexLeft,
                             layout.hexBottom - layout.hexTop, TRUE);
    if (m_textPane.m_hWnd)
        m_textPane.MoveWindow(layout.textLeft, layout.textTop, layout.textRight - layout.textLeft,
                              layout.textBottom - layout.textTop, TRUE);
}

void CDiskView::OnSize(UINT nType, int cx, int cy)
{
    CView::OnSize(nType, cx, cy);
    LayOutPanes();
}

void CDiskView::OnLButtonDown(UINT /*nFlags*/, CPoint point)
{
    // The view's own client area shows only on the splitter bar: every press is on it.
    CRect client;
    GetClientRect(&client);
    CRect area = client;
    ClientToScreen(&area);
    POINT screen = {point.x, point.y};
    ClientToScreen(&screen);
    // The dragged outline is drawn 5 pixels thick in the middle of the 7-pixel bar.
    const int movement = TrackSplitter(m_hWnd, SPLIT_HORIZONTAL_BAR, area, m_splitPosition, screen.x, screen.y,
                                       kSplitterBarHeight, kSplitterDragThickness, TRACK_CENTRED);
    if (movement == 0)
        return;
    m_splitPosition = DragSplitPosition(m_splitPosition, movement, client.Height());
    LayOutPanes(true);
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// ---------------------------------------------------------------------------------------------
// Focus, status panes, dropped files

void CDiskView::OnDestroy()
{
    CWnd* main = MainWindow();
    if (m_panesCreated && IsWindowObject(main)) {
        main->SendMessage(WM_STATUSPANE, StatusPaneRemoveGroup, static_cast<LPARAM>(m_paneGroupHandle));
        m_panesCreated = 0;
    }
    CView::OnDestroy();
}

void CDiskView::OnDropFiles(HDROP hDropInfo)
{
    char path[MAX_PATH + 1] = {};
    const UINT length = ::DragQueryFileA(hDropInfo, 0, path, sizeof(path));
    ::DragFinish(hDropInfo);
    CDiskDoc* doc = GetDocument();
    if (!doc || length == 0 || !path[0])
        return;
    // The way every other change of medium goes (pending edit first, then title, path and
    // recent list), so that the title always names the medium a write would reach.
    if (doc->SaveModified())
        doc->OpenMediumPath(path);
}

void CDiskView::OnSetFocus(CWnd* pOldWnd)
{
    CView::OnSetFocus(pOldWnd);
    CWnd& pane = m_focusedPane == 1 ? static_cast<CWnd&>(m_textPane) : static_cast<CWnd&>(m_hexView);
    if (pane.m_hWnd)
        pane.SetFocus();
    if (!m_panesCreated && MainWindow())
        OnUpdate(nullptr, static_cast<LPARAM>(kHintNoPrinting), nullptr);
}

void CDiskView::OnHexViewFocus(NMHDR* /*pNotify*/, LRESULT* pResult)
{
    m_focusedPane = 0;
    if (pResult)
        *pResult = 1;
}

void CDiskView::OnTextPaneFocus(NMHDR* /*pNotify*/, LRESULT* pResult)
{
    m_focusedPane = 1;
    if (pResult)
        *pResult = 1;
}

void CDiskView::OnMarkRange()
{
    uint32_t offset = 0;
    const uint32_t length = m_textPane.GetChosenMark(&offset);
    if (length == 0)
        return;
    m_hexView.SetCursorAddress(offset, false);
    m_hexView.SetSelectionEnd(static_cast<int64_t>(offset) + length, false);
}

bool CDiskView::GetSelectedNumber(uint64_t* value)
{
    if (!value)
        return false;
    // Only while the decoded text has the focus: a selection left there must not stand in
    // for a number while the user works in the data window or elsewhere.
    const bool textFocused = m_textPane.m_hWnd && ::GetFocus() == m_textPane.m_hWnd;
    if (textFocused && m_textPane.HasSelection() && !m_hexView.HasSelection()) {
        char text[257] = {};
        m_textPane.GetText(text, sizeof(text), TRF_SELECTION);
        long long number = 0;
        ExprStatus status = 0;
        // Whatever the evaluator makes of the text is taken, as a user selecting "0x3F" or
        // "2*63" expects; a text it cannot read leaves 0.
        EvalInt64Expression(text, &number, &status, EXPR_WHOLE, nullptr, nullptr);
        *value = static_cast<uint64_t>(number);
        return true;
    }
    if (m_hexView.HasSelection()) {
        // Up to 8 bytes: sector and cluster numbers of GPT, NTFS and exFAT are 64-bit fields,
        // and by their low 32 bits one past 2^32 would be proposed as a place near the start.
        uint8_t bytes[8] = {};
        int count = 0;
        m_hexView.CopySelection(bytes, static_cast<int>(sizeof(bytes)), &count);
        uint64_t number = 0;
        for (int i = count - 1; i >= 0; --i)
            number = (number << 8) | bytes[i];
        *value = number;
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// "Info Ansicht"

void CDiskView::ApplyInfoViewChoice(int position)
{
    CDiskDoc* doc = GetDocument();
    if (!doc)
        return;
    SetPrinterDocument(doc);
    ClearTextPane();
    if (position == 0) {
        PrintStructure(static_cast<int>(doc->GetAreaType()), doc->GetSectorBuffer(), doc->GetLoadedSize());
        m_chosenInfoType = 0;
    } else if (position > 0) {
        const int infoType = ListPositionToInfoType(position);
        if (infoType != 0) {
            PrintStructure(infoType, doc->GetSectorBuffer(), doc->GetLoadedSize());
            m_chosenInfoType = infoType;
        }
    }
    FinishPrinting();
}

void CDiskView::OnInfoView()
{
    CDiskDoc* doc = GetDocument();
    if (!doc)
        return;
    CInfoTypeDlg dialog(this);
    dialog.m_nPosition = InfoTypeToListPosition(static_cast<int>(doc->GetAreaType()));
    if (dialog.DoModal() != IDOK)
        return;
    ApplyInfoViewChoice(dialog.m_nPosition);
}

void CDiskView::OnUpdateInfoView(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(GetDocument() != nullptr);
}

// ---------------------------------------------------------------------------------------------
// Edit, find and tool commands

void CDiskView::OnEditCopy()
{
    if (TextPaneFocused())
        m_textPane.OnEditCopy();
    else
        m_hexView.OnEditCopy();
}

void CDiskView::OnUpdateEditCopy(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(TextPaneFocused() ? m_textPane.HasSelection() != 0 : m_hexView.HasSelection() != 0);
}

void CDiskView::OnEditPaste()
{
    if (TextPaneFocused())
        m_textPane.OnEditPaste();
    else
        m_hexView.OnEditPaste();
}

void CDiskView::OnFind()
{
    if (TextPaneFocused())
        m_textPane.OpenFindDialog(nullptr, 0);
    else
        m_hexView.OnFind();
}

void CDiskView::OnFindNext()
{
    if (TextPaneFocused())
        m_textPane.OnFindNext();
    else
        m_hexView.OnFindNext();
}

void CDiskView::OnFindWord()
{
    if (TextPaneFocused())
        m_textPane.OnFindWord();
    else
        m_hexView.OnFindSelection();
}

void CDiskView::OnCopyCpp()
{
    m_hexView.OnCopyCpp();
}

void CDiskView::OnUpdateCopyCpp(CCmdUI* pCmdUI)
{
    pCmdUI->Enable(m_hexView.HasSelection() != 0);
}

void CDiskView::OnNumberConverter()
{
    m_hexView.OnNumberConverter();
}

void CDiskView::OnChecksum()
{
    m_hexView.OnChecksum();
}

void CDiskView::OnGotoAddress()
{
    if (m_hexView.m_hWnd)
        m_hexView.SetFocus();
    m_hexView.OnGotoAddress();
}

void CDiskView::OnChsConvert()
{
    CDiskDoc* doc = GetDocument();
    if (!doc)
        return;
    CChsConvertDlg dialog(this);
    dialog.m_geometry = MediumGeometry(doc);
    dialog.m_sector = doc->GetCurrentSector();
    uint64_t selected = 0;
    if (GetSelectedNumber(&selected))
        dialog.m_sector = selected;
    dialog.DoModal();
}

void CDiskView::OnCreateMbr()
{
    CDiskDoc* doc = GetDocument();
    if (!doc)
        return;
    CMbrCreateDlg dialog(this);
    dialog.m_geometry = MediumGeometry(doc);
    dialog.m_totalSectors = doc->GetMediumSectors();
    if (dialog.DoModal() != IDOK)
        return;
    char text[MBR_RECORD_SIZE * 4 + 2];
    FormatBytesAsHex(text, dialog.m_mbr, MBR_RECORD_SIZE, 0xA0002000);
    // Another program may hold the clipboard open: then the user must not be told that the
    // record is there, or the next paste would put the old clipboard text into a sector.
    if (ClipboardSetText(text, -1) == 0) {
        doc->ErrorBox("Der Hex-Dump des Master-Boot-Records konnte nicht in der Zwischenablage abgelegt werden.\n"
                      "Die Zwischenablage wird von einem anderen Programm benutzt.",
                      "MBR", MB_OK | MB_ICONSTOP);
        return;
    }
    doc->ErrorBox("Ein Hex-Dump des Master-Boot-Records wurde in der Zwischenablage abgelegt", "MBR", MB_OK);
}
