// CChoiceTreeDialog ("Auswahl"): the user picks one row, or ticks several, from rows of a
// tree-list control with further columns, sorted by a click on a column header, with a
// context menu that copies a field, deletes a row and ticks or clears every row. It shares
// the choice dialogs' frame (ChoiceLayout.h) and remembers its own last closing position.
// It lives in controls/ because it needs the tree-list control.
#pragma once
#include <windows.h>
#include "classlib/Dialog.h"
#include "classlib/String.h"
#include "uihelpers/ChoiceLayout.h"
#include "uihelpers/ChoiceListDialog.h"

class CTreeListCtrl;

// A column: header text, width (0: a fill column), format (LVCFMT_LEFT, _RIGHT, _CENTER)
// and flag (kColumnHidden: the column starts hidden).
struct ChoiceTreeColumn {
    char* text;
    short width;
    BYTE format;
    BYTE flag;
};

// The text of column 1 or higher of one item.
struct ChoiceTreeField {
    char* text;
    WORD item;
    BYTE column;
};

class CChoiceTreeDialog : public CDialog {
public:
    enum {
        IDC_CHOICE_PROMPT = 1131,
        IDC_PLACEHOLDER = 1046,
        IDC_TREE = 1007,
        ID_SELECT_ALL = 1138,
        ID_DESELECT_ALL = 1139,
        ID_COPY_FIELD = 1140,
        ID_DELETE_ROW = 57632
    };
    // Options: rows can be ticked; ticks shown as check boxes (with OPT_TICKS); the grid
    // lines and alternating rows of the control switched on; no sorting by header click;
    // one untitled column when none is given (OPT_HEADER1, OPT_DELETEROW); "Zeile löschen"
    // in the context menu; OPT_HEADER is set by the dialog when the control has a header.
    enum { OPT_TICKS = 0x01, OPT_CHECKBOXES = 0x02, OPT_LINES = 0x04, OPT_NOSORT = 0x08, OPT_HEADER1 = 0x10,
           OPT_DELETEROW = 0x20, OPT_HEADER = 0x80 };
    enum { kColumnHidden = 0x01 };
    enum { INSERT_BY_TEXT = CChoiceListDialog::INSERT_BY_TEXT, INSERT_BY_VALUE = CChoiceListDialog::INSERT_BY_VALUE };

    explicit CChoiceTreeDialog(CWnd* pParent = NULL);
    ~CChoiceTreeDialog() override;
    CChoiceTreeDialog(const CChoiceTreeDialog&) = delete;
    CChoiceTreeDialog& operator=(const CChoiceTreeDialog&) = delete;

    // Columns come first: -1 once items exist (or without memory); else the column number.
    int AddColumn(LPCSTR text, WORD width, BYTE format, BYTE flag);
    // As CChoiceListDialog::AddItem; the fields already given stay with their items.
    int AddItem(int index, DWORD value, LPCSTR text, int selected);
    int SetItemText(int item, LPCSTR text);
    // Column 0 is the item's text; 1 on success, 0 for a bad item or column.
    int SetFieldText(int item, LPCSTR text, int column);
    LPCSTR GetItemText(int item) const;                 // NULL out of range
    LPCSTR GetFieldText(int item, int column) const;    // "" without a field, NULL for a bad item
    int CopyFieldText(int item, int column, LPSTR buffer, int size) const;
    DWORD GetItemValue(int item) const;
    DWORD SetItemValue(int item, DWORD value);          // the old value
    int IsItemSelected(int item) const;
    int FindItem(LPCSTR text, int ignoreCase);
    void SortItems(int(__cdecl* comparator)(const void*, const void*));
    void SetCaption(LPCSTR text) { m_strCaption = text ? text : ""; }
    int CopyText(LPSTR buffer, int size) const;
    int GetItemCount() const { return m_nItemCount; }
    int GetColumnCount() const { return m_nColumnCount; }
    void SetOptions(DWORD options) { m_dwOptions = options & ~static_cast<DWORD>(OPT_HEADER); }
    void SetCancelAllowed(int allowed) { m_bCancelAllowed = allowed; }
    void SetExtraWidth(int factor) { m_nWidthFactor = factor; }
    void SetExtraHeight(int factor) { m_nHeightFactor = factor; }

    // The last closing position of any instance; FALSE while none has closed.
    static BOOL GetLastPosition(POINT* position);

    CString m_strResult;
    CString m_strCaption;
    CString m_strPrompt;
    DWORD m_nResultValue;
    DWORD m_dwOptions;
    int m_bCancelAllowed;
    int m_bSizeChanged;
    int m_nCurrent;            // preselected item on opening, the chosen one after OK
    int m_nSecond;
    ChoiceTreeColumn* m_pColumns;
    int m_nColumnCapacity;
    int m_nColumnCount;
    ChoiceItem** m_ppItems;
    int m_nItemCount;
    int m_nCapacity;
    ChoiceTreeField* m_pFields;
    int m_nFieldCapacity;
    int m_nFieldCount;
    int m_nWidthFactor;
    int m_nHeightFactor;
    ChoiceLayout m_layout;
    int m_bFocusList;
    int m_nMenuItem;           // the row (item index) and column under the last context menu
    int m_nMenuColumn;
    CTreeListCtrl* m_pTree;

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

private:
    ChoiceTreeField* Field(int item, int column) const;
    HWND Tree() const;
    HTREEITEM RowOfItem(int item) const;
    void SetTick(HTREEITEM row, bool on);
    bool Ticked(HTREEITEM row) const;
    void SortByColumn(int column);
    void ShowContextMenu();
    void SetAll(bool on);
    static int CALLBACK CompareRows(HWND control, UINT item1, UINT item2, LPARAM data1, LPARAM data2, LPARAM column);
};
