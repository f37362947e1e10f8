// CDataWnd, window class "DataWnd": the data window in the main frame's docked bar. It shows
// what the chosen module makes of the bytes under the hex cursor, in up to 16 output slots,
// each a FastList whose one-word items carry row indexes (DataWndRows.h) and whose texts come
// from GetRowText; a label strip switches the slots. The module set it owns compiles and runs
// the modules (ModulSet.h).
#pragma once
#include "classlib/Afx.h"
#include "controls/FastListCtrl.h"
#include "controls/LabelCtrl.h"
#include "datawindow/DataWndRows.h"
#include "datawindow/ModulSet.h"

#include <string>
#include <vector>

class CDataOptionsDlg;

// The data window asks and reports through this; tests put their own in its place.
class DataWndPrompts {
public:
    virtual ~DataWndPrompts() {}
    // A message box; the button pressed.
    virtual int Box(HWND owner, const char* text, const char* caption, UINT type);
    // The open-file dialog for modules: several files, starting in `folder`. False on cancel.
    virtual bool ChooseModuleFiles(HWND owner, const char* folder, std::vector<std::string>* paths);
    // "Modul Fehler" with the caption and the error text.
    virtual void ShowErrors(HWND owner, const char* caption, const char* text);
    // "Daten Fenster Optionen"; true on OK.
    virtual bool RunOptions(CDataOptionsDlg& dialog);
    // "Module löschen": the paths to remove, chosen from the list. False on cancel.
    virtual bool ChoosePathsToRemove(HWND owner, const std::vector<std::string>& paths, std::vector<int>* chosen);
};

class CDataWnd : public CWnd {
    DECLARE_DYNAMIC(CDataWnd)
public:
    enum { kMaxSlots = 16, IDC_LIST = 14081, IDC_STRIP = 14082 };
    enum Style : DWORD {
        DWS_LABELS = 0x0001,
        DWS_LOAD_LIST = 0x0002,
        DWS_NO_MODULE_MENU = 0x0004,
        DWS_NO_PROPERTIES = 0x0008,
        DWS_ADDRESSES = 0x0010,
        DWS_OFFSETS = 0x0020,
        DWS_LENGTHS = 0x0040,
        DWS_FIXED_FONT = 0x0080,
        DWS_BORDER = 0x0100,
        DWS_LINES = 0x0200,
        DWS_STATE = 0x0400,
        DWS_ENTRY_LABELS = 0x0800,
        DWS_ALTERNATE = 0x1000,
    };
    enum Command : UINT {
        ID_DW_LOAD_MODUL = 14083,
        ID_DW_LOAD_LIST = 14084,
        ID_DW_CLEAR_MODULES = 14085,
        ID_DW_ADD_TO_LIST = 14086,
        ID_DW_SHOW_ADDRESSES = 14087,
        ID_DW_SHOW_LENGTHS = 14088,
        ID_DW_SHOW_OFFSETS = 14089,
        ID_DW_FIXED_FONT = 14090,
        ID_DW_LINES = 14091,
        ID_DW_PROPERTIES = 14092,
        ID_DW_REFRESH = 14093,
        ID_DW_REMOVE_FROM_LIST = 14094,
        ID_DW_COPY_FIELD = 14095,
        ID_DW_ALTERNATE = 14096,
    };
    static const char kSection[];   // "DataWindow"

    CDataWnd();
    ~CDataWnd() override;

    BOOL Create(int slots, DWORD style, const RECT& rect, CWnd* parent, UINT id);

    // The bytes of a slot (-1: the current one); a change of any value, or of the bytes
    // themselves since the slot last ran on them, refreshes it. True when the slot ran again.
    bool SetData(const uint8_t* data, int size, int startOffset, int length, uint32_t addressLow,
                 uint32_t addressHigh, int slot = -1);
    // Runs the slot's module again on the bytes the slot was handed, as they are now (the user
    // may have typed into them); where the buffer under them was given to another sector
    // since (BytesReplaced) and the slot was not handed it, on the slot's copy of its bytes.
    void Refresh(bool redraw, int slot = -1);
    // The host put another sector into the buffer at `data` (perhaps of another size): the
    // slots that were handed it keep running on their copy until they are handed it again.
    // Mends a wrong decode: a refresh ran the new, shorter sector with the old sector's length,
    // the rest of the old sector (or of the previous medium) read as if it were the new one's.
    void BytesReplaced(const uint8_t* data);
    void SelectSlot(int slot);
    // SelectSlot keeps the slot within the count: neither goes past the first or the last.
    void SelectPreviousSlot() { SelectSlot(m_current - 1); }
    void SelectNextSlot() { SelectSlot(m_current + 1); }
    int SetSlotCount(int count);
    int SetMaxRows(int rows);
    int SetViewOptions(int offsets, int lengths, int addresses, int fixedFont, int lines, int alternate, bool redraw);
    int SaveState(const char* section);
    int LoadState(const char* section);
    bool ToggleRow(int item, int mode);
    void CopyRow(int mode);
    int OnProperties();

    // Modules.
    int LoadModul(const char* path, const char* name);
    void OnLoadModul(bool addToList, const char* section);
    int LoadModulList(const char* section);
    // The registry list of module files (ModulList.h), called as the window's own: 2 stored,
    // 1 already listed, 0 failed; 1 removed, 2 not listed, 0 no key.
    static int AddToModulList(const char* path, const char* section);
    static int RemoveFromModulList(const char* path, const char* section);
    void OnRemoveFromModulList();
    void ClearModules();

    CModulSet& Modules() { return m_modules; }
    CFastListCtrl* GetList(int slot) { return slot >= 0 && slot < kMaxSlots ? &m_lists[slot] : nullptr; }
    CLabelCtrl& GetStrip() { return m_strip; }
    int GetCurrentSlot() const { return m_current; }
    int GetSlotCount() const { return m_slotCount; }
    int GetMaxRows() const { return m_maxRows; }
    int GetChosenEntry(int slot) const { return slot >= 0 && slot < kMaxSlots ? m_entry[slot] : -1; }
    int GetChosenSource(int slot) const { return slot >= 0 && slot < kMaxSlots ? m_source[slot] : -1; }
    void ChooseEntry(int slot, int source, int entry);
    const std::vector<uint32_t>& Items(int slot) const { return m_items[slot < 0 ? 0 : slot % kMaxSlots]; }
    // What a slot was handed by SetData (or the options dialog).
    const uint8_t* GetSlotData(int slot) const { return m_data[slot]; }
    int GetSlotOffset(int slot) const { return m_startOffset[slot]; }
    int GetSlotLength(int slot) const { return m_length[slot]; }

    // The prompts of every data window (null: the real dialogs).
    static DataWndPrompts* SetPrompts(DataWndPrompts* prompts);

    // The text callback of the lists.
    static void __stdcall GetRowText(void* context, DWORD data, int column, int columnPlusOne,
                                     FastListTextRequest* request);

protected:
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnDestroy();
    afx_msg LRESULT OnCopy(WPARAM, LPARAM);
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    DECLARE_MESSAGE_MAP()

private:
    void LayOut();
    void SyncItems(int slot);
    // Whether the slot's buffer holds other bytes than the slot last ran on.
    bool BytesChangedSinceRun(int slot, const uint8_t* data, int size) const;
    // "Aktualisieren": the current slot runs again over the bytes it was handed, as they are
    // now, from its own start offset (Refresh; a slot whose buffer went on to another sector
    // runs on its copy). The frame's refresh command is what hands the cursor's bytes.
    void RefreshCurrentSlot();
    void RedrawList(int slot);
    void ShowContextMenu(POINT screen);
    void PostGotoRow(int item);
    void ShowEntryLabel(int slot);
    // Every slot's source follows its entry, and its label names the entry (or its number).
    void LabelSlotsByEntries();
    void ApplyFont();
    DataSlotView ViewOf(int slot) const;
    int FocusedItem() const;
    static DataWndPrompts& Prompts();

    CLabelCtrl m_strip;
    CFastListCtrl m_lists[kMaxSlots];
    CModulSet m_modules;
    POINT m_clickPoint;
    int m_width;
    int m_height;
    DWORD m_style;
    int m_slotCount;
    int m_current;
    uint64_t m_address[kMaxSlots];
    const uint8_t* m_data[kMaxSlots];
    int m_startOffset[kMaxSlots];
    int m_length[kMaxSlots];
    int m_size[kMaxSlots];
    int m_showOffsets;
    int m_showLengths;
    int m_showAddresses;
    int m_fixedFont;
    int m_lines;
    int m_alternate;
    int m_saveState;
    int m_maxRows;
    int m_entry[kMaxSlots];
    int m_source[kMaxSlots];
    bool m_listsCreated;
    bool m_shown;
    std::vector<uint32_t> m_items[kMaxSlots];
    // A copy of the bytes each slot last ran on: the disk view hands every sector in the same
    // buffer, so the pointer alone does not tell that another sector lies in it.
    std::vector<uint8_t> m_ranOn[kMaxSlots];
    // The buffer a slot was handed holds another sector now (BytesReplaced).
    bool m_replaced[kMaxSlots] = {};
    // SetData is handing a slot new bytes: the run takes them and keeps a copy.
    bool m_handing = false;
    // The text callback's context of each list: the window and the slot it shows.
    struct TextContext {
        CDataWnd* window;
        int slot;
    } m_textContext[kMaxSlots];
};
