// CHexView: a caller's byte buffer as a hex dump (address, hex and text columns) on the
// text view base. The data, cursor, selection and line layout are CHexModel's; this class
// keeps the base's caret and line and column counts in step with it, draws the lines the
// composer gives, sends the view's notifications and answers WM_HEXVIEW_QUERY.
#pragma once
#include "views/AnsiView.h"
#include "views/HexCursor.h"
#include "views/HexEditing.h"
#include "views/HexSettings.h"
#include "views/HexUndo.h"

// Notification codes of the hex view (WM_NOTIFY through the base).
const UINT HEXVIEW_NOTIFY_SELECTION = 11253;   // lower end, upper end, active
const UINT HEXVIEW_NOTIFY_SETTINGS = 11254;
const UINT HEXVIEW_NOTIFY_KILLFOCUS = 11255;
const UINT HEXVIEW_NOTIFY_SETFOCUS = 11256;
const UINT HEXVIEW_NOTIFY_TABOUT = 11257;

// Command ids of the view.
enum HexViewCommand : UINT
{
    ID_HEX_COPY = 57634,
    ID_HEX_COPY_CPP = 32826,
    ID_HEX_COPY_CSTRING = 35083,
    ID_HEX_PASTE = 57637,
    ID_HEX_PASTE_SECOND = 35084,
    ID_HEX_UNDO = 57643,
    ID_HEX_REDO = 32803,
    ID_HEX_FIND = 57636,
    ID_HEX_FIND_NEXT = 32805,
    ID_HEX_FIND_SELECTION_ALT = 32806,
    ID_HEX_FIND_SELECTION = 32772,
    ID_HEX_GOTO = 32813,
    ID_HEX_CHECKSUM = 32799,
    ID_HEX_NUMBER_CALCULATOR = 32864,
    ID_HEX_VALUE_INPUT = 35079,
    ID_HEX_FLOAT_CONVERTER = 35081,
    ID_HEX_CRC = 35085,
    ID_HEX_SETTINGS = 35072,
};

class CHexView : public CAnsiView
{
public:
    explicit CHexView(uint32_t modeFlags = 0);
    ~CHexView() override;

    // --- data
    int SetData(const uint8_t* data, int size, uint32_t base, uint32_t flags);
    const uint8_t* GetData(int* size, uint32_t* base) const;
    uint32_t SetBaseAddress(uint32_t base);
    uint32_t GetBaseAddress() const { return m_model.Base(); }

    // --- cursor, selection, scrolling
    int SetCursorAddress(int64_t address, bool absolute);
    int SetSelectionEnd(int64_t address, bool absolute);
    // As SetCursorAddress, extending the selection to the address with `extend`.
    int MoveCursorToAddress(int64_t address, bool absolute, bool extend);
    int64_t GetCursorAddress(bool absolute) const { return m_model.GetCursorAddress(absolute); }
    int64_t GetSelection(bool absolute, int* length) const { return m_model.GetSelection(absolute, length); }
    BOOL HasSelection() const { return m_model.HasSelection() ? TRUE : FALSE; }
    int CopySelection(uint8_t* buffer, int capacity, int* count) const;
    // Up to `count` bytes from the lower of cursor and selection start; the bytes copied.
    int CopyFromCursor(uint8_t* buffer, int count) const { return m_model.CopyFromCursor(buffer, count); }
    // The absolute address of the byte under a cell (column, line).
    int64_t AddressOfCell(int column, int line) const { return m_model.AddressOfCell(column, line); }
    int64_t SetTopAddress(int64_t address, bool absolute);
    int64_t GetTopAddress(bool absolute) const { return m_model.GetTopAddress(absolute, Layout().ScrollLine()); }
    int SetHighlightRange(int index, int start, int length);
    int EnsureRangeVisible(int offset, int length);
    int ShowRange(int index);
    int SelectRange(int64_t address, int length, bool absolute);
    int SetCursorArea(int area);

    // --- mode and marks
    uint32_t SetModeFlags(uint32_t value, uint32_t mask);
    uint32_t GetModeFlags() const { return m_model.Mode() & HVM_PUBLIC_MASK; }
    int SetBitMarks(const uint32_t* bitmap, int count);
    const uint32_t* GetBitMarks(int* count) const;
    bool IsModified() const { return (m_model.Mode() & HVM_MODIFIED) != 0; }
    bool SetModified(bool modified);

    // --- settings (the application key, plus a subkey when given)
    int LoadSettings(const char* subkey);
    int SaveSettings(const char* subkey);
    int SetRasters(int width, int raster, uint32_t statusMode, int selectionRaster);
    uint32_t StatusMode() const { return m_statusMode; }
    // One value of the layout and status settings (HexSettingIndex of HexConfigDialog.h):
    // the requested line width, extra interval, insert space, raster, width raster, mode
    // word, status mode, address digits, group size log2, invert mask, selection raster;
    // 0 for other indexes.
    int GetSetting(int index) const;

    // --- commands the disk view and the main frame call directly
    void OnEditCopy();
    void OnEditPaste();
    void OnFind();
    void OnFindNext();
    void OnFindSelection();
    // The find dialog and its searches; 1 when the last search found something.
    int FindWithDialog();
    // Runs a pattern list on the data from `start` over `count` positions (negative:
    // backwards). On success the cursor goes to the first entry's match, the selection covers
    // it and the window scrolls so that it stands in the upper half; with `highlight` the old
    // highlight ranges are cleared and each entry's match becomes a range. Returns the offset
    // of the first entry's match, or -1.
    int FindPattern(const char* patternList, int start, int count, bool highlight);
    void OnCopyCpp();
    void OnNumberConverter();
    void OnChecksum();
    // Go to address: the cursor goes to the address entered; returns it, -1 on cancel.
    int OnGotoAddress();
    void OnCopyCString();
    void OnPasteHexText();
    void OnUndo();
    void OnRedo();
    void OnValueInput();
    void OnFloatConverter();
    void OnCrcCalculator();
    void OnSettingsDialog();

    // --- editing (no change while the view is write protected)
    // Records `length` bytes at `offset` (absolute with `absolute`) before a change; both
    // ends are clamped into the data. 0 when refused, else the length recorded.
    int RecordUndo(int64_t offset, bool absolute, int length);
    // -1 undoes one step, +1 redoes one; returns the steps done.
    int StepUndo(int n);
    // 1 when the clipboard's text was written into the data (mode 0 search-text forms, 1 hex
    // pairs).
    int PasteFromClipboard(int mode);
    // Copies the selection (text or hex dump by the column); the bytes copied, 0 without one.
    int CopyToClipboard();
    // The selection (at most 32768 bytes) as one quoted C literal; the bytes copied.
    int CopyAsCString();
    // Tab at the ends of the column cycle tells the parent (notification 11257).
    void SetTabOutNotify(bool on) { m_tabOut = on; }

    // Whether a command of the view can run now (the menu items are greyed by this).
    bool IsCommandEnabled(UINT id) const;
    // Runs a command of the view; false for an id that is not the view's.
    bool RunCommand(UINT id);

    CHexModel& Model() { return m_model; }
    const CHexModel& Model() const { return m_model; }

    // --- overrides of the base
    void OnSettingsChanged(int flags) override;
    int PrintLine(CDC* dc, const RECT& rect, int line, int firstColumn, int count, int flags) override;
    void PrintMargin(CDC* dc, const RECT& rect, int line) override;
    void OnContextMenu(int x, int y, HMENU menu) override;
    int MoveCursor(int column, int line, uint32_t flags) override;
    int GetLineLength(int line) override;
    void OnSizeChanged(int windowColumns, int windowLines, int columnDelta, int lineDelta) override;
    int OnCharInput(UINT character, UINT flags) override;
    int OnKey(UINT key, UINT flags) override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    class CViewModel : public CHexModel
    {
    public:
        explicit CViewModel(CHexView* view) : m_view(view) {}
    protected:
        void OnSelectionChanged(int low, int high, int active) override
        {
            int32_t values[3] = { low, high, active };
            m_view->SendNotifyValues(HEXVIEW_NOTIFY_SELECTION, values, 3);
        }
        void OnCursorMoved() override { m_view->RefreshStatusPanes(); }
        void OnDataAttached() override { m_view->ForgetUndo(); }
    private:
        CHexView* m_view;
    };

    class CViewEditor : public CHexEditor
    {
    public:
        CViewEditor(CHexView* view, CHexModel& model, CHexUndoRing& ring) : CHexEditor(model, ring), m_view(view) {}
    protected:
        void OnBeep() override { AnsiViewBeep(MB_ICONASTERISK); }
        void OnTabOut(int backwards) override { m_view->SendNotify(HEXVIEW_NOTIFY_TABOUT, backwards, 0); }
        void OnRefused(const char* text) override;
    private:
        CHexView* m_view;
    };

    // The base's caret, line count and column count follow the model.
    void SyncBase();
    // After a model call: sync, lay out, paint (unless a handler batches).
    void Finish(int layoutFlags);
    // Puts a top line the model computed into the base's origin.
    void ApplyTopLine(int topLine);
    void AddHexColorFormats();
    // New data or a new base: the undo ring belongs to the old bytes.
    void ForgetUndo();
    // The selection's bytes clamped into the data, at most `maximum`; *count 0 without one.
    const uint8_t* SelectedBytes(int maximum, int* count) const;
    // What checksum and CRC work on: the selection, else the first 0x100000 bytes.
    const uint8_t* ToolBytes(int* count) const;
    bool ClipboardHasText() const;

    // The two status panes of the main frame, while the view has the focus.
    void RefreshStatusPanes();
    void ShowStatusPanes(bool show);
    void SendStatusText(int pane, const char* text);
    // The format rows of the colour indexes 0 to 7 (format ids 1 to 8), looked up again
    // only when the group's table has changed.
    const int* ColorRows();

    CViewModel m_model;
    CHexUndoRing m_undo;
    CViewEditor m_editor;
    char* m_addressHistory;   // go to address, newest first (a multi-text list)
    bool m_tabOut;
    bool m_swallowChar;       // the character a handled Ctrl key produces is no input
    bool m_statusActive;
    char m_paneText[2][96];
    uint32_t m_statusMode;
    int m_resizeDepth;
    const uint32_t* m_bitMarks;
    int m_bitMarkCount;
    const ColorFormat* m_rowsTable;
    int m_rowsTableCount;
    int m_rows[8];
};
