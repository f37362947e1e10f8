// CChoiceListDialog: the user picks one entry, or ticks several, from a list of texts that
// each carry a 32-bit value. A resizable modal dialog from an in-memory template with four
// list modes, check marks drawn by the dialog, type-ahead, a context menu that ticks or
// clears every entry, and the last closing position of any instance (kept for the run).
#pragma once
#include <windows.h>
#include "classlib/Dialog.h"
#include "classlib/String.h"
#include "uihelpers/ChoiceLayout.h"

// One heap block per item: the value, the selected flag, then the text with its zero.
struct ChoiceItem {
    DWORD value;
    BYTE selected;
    char text[1];
};

// Comparators of SortItems (arguments point to ChoiceItem pointers): the texts without
// regard to case, the values ascending; -1, 0 or 1.
int __cdecl CompareChoiceText(const void* a, const void* b);
int __cdecl CompareChoiceValue(const void* a, const void* b);

// The item table the selection dialogs share: heap items in a growing pointer table
// (16 entries first, then half as many again). InsertChoiceItem places a copy of the text
// by the rules of CChoiceListDialog::AddItem and returns the index (-1 without memory);
// FindChoiceItem gives the first item whose text equals `text` (without regard to case
// with ignoreCase) or -1; FreeChoiceItems frees the items and the table.
int InsertChoiceItem(ChoiceItem*** items, int* count, int* capacity, int index, DWORD value, LPCSTR text,
                     int selected);
int FindChoiceItem(ChoiceItem* const* items, int count, LPCSTR text, int ignoreCase);
void FreeChoiceItems(ChoiceItem** items, int count);

class CChoiceListDialog : public CDialog {
public:
    enum {
        IDC_CHOICE_PROMPT = 1131,
        IDC_CHOICE_LIST = 1133,          // mode 0: single selection
        IDC_CHOICE_MULTI = 1134,         // mode 1: multiple selection
        IDC_CHOICE_CHECK_ONE = 1135,     // mode 2: one check-marked choice (owner-drawn)
        IDC_CHOICE_CHECK_MANY = 1136,    // mode 3: several check-marked choices (owner-drawn)
        ID_CHOICE_CONTEXT_MENU = 1137,
        ID_CHOICE_SELECT_ALL = 1138,
        ID_CHOICE_DESELECT_ALL = 1139,
        kWindowUserData = 196
    };
    enum { MODE_PLAIN = 0, MODE_MULTIPLE = 1, MODE_CHECK_ONE = 2, MODE_CHECK_MANY = 3 };
    // AddItem indexes: sorted by text without regard to case, sorted by value.
    enum { INSERT_BY_TEXT = -12345, INSERT_BY_VALUE = -12346 };

    explicit CChoiceListDialog(CWnd* pParent = NULL);
    ~CChoiceListDialog() override;
    CChoiceListDialog(const CChoiceListDialog&) = delete;
    CChoiceListDialog& operator=(const CChoiceListDialog&) = delete;

    // Inserts a copy of the text at the index (INSERT_BY_TEXT, INSERT_BY_VALUE, or 0 to
    // count; any other index appends). The index where the item was placed; -1 when no
    // memory was left.
    int AddItem(int index, DWORD value, LPCSTR text, int selected);
    int AppendItem(LPCSTR text, int selected) { return AddItem(-1, 0, text, selected); }
    int AppendItem(DWORD value, LPCSTR text, int selected) { return AddItem(-1, value, text, selected); }
    void SetMode(int mode, int cancelAllowed = 1) { m_nMode = mode; m_bCancelAllowed = cancelAllowed; }
    void SetExtraWidth(int factor) { m_nWidthFactor = factor; }
    void SetExtraHeight(int factor) { m_nHeightFactor = factor; }
    void SetCaption(LPCSTR text) { m_strCaption = text ? text : ""; }
    int GetItemCount() const { return m_nItemCount; }
    DWORD GetSelectedValue() const { return m_nResultValue; }

    LPCSTR GetItemText(int index) const;          // NULL out of range
    int CopyItemText(int index, LPSTR buffer, int size) const;
    DWORD GetItemValue(int index) const;          // 0 out of range
    int IsItemSelected(int index) const;          // 0 out of range
    void SetItemSelected(int index, int flag);
    int CopyText(LPSTR buffer, int size) const;   // the result text
    // The first item whose text equals the text (without regard to case with ignoreCase);
    // it becomes the current index. Its index, or -1.
    int FindItem(LPCSTR text, int ignoreCase);
    void SortItems(int (__cdecl* comparator)(const void*, const void*));

    // One key of the type-ahead search at the time `now` (ms), with `current` the item that
    // has the selection: the item to select, or -1 when none matches. No window needed.
    int TypeAheadStep(unsigned char key, DWORD now, int current);

    CString m_strResult;       // the chosen item's text after OK
    CString m_strCaption;      // empty keeps "Auswahl"
    CString m_strPrompt;       // the line above the list; empty hides it
    DWORD m_nResultValue;      // the chosen item's value after OK
    int m_nMode;
    int m_bCancelAllowed;      // 0 hides "Abbrechen" and ignores Escape
    int m_nListId;             // the list of this mode
    int m_nCurrent;            // preselected item on opening, the chosen one after OK
    ChoiceItem** m_ppItems;
    int m_nItemCount;
    int m_nCapacity;
    int m_nWidthFactor;        // see PopupSize.h (divisors 347 and 301)
    int m_nHeightFactor;
    ChoiceLayout m_layout;     // taken from the template when the dialog opens
    int m_bFocusList;          // nonzero: the focus moves to the list on opening
    DWORD m_dwTypeTime;        // type-ahead: time of the last key, keys buffered, the keys
    DWORD m_nTypeCount;
    char m_szTypeBuffer[16];

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    // The last closing position of any instance; FALSE while none has closed.
    static BOOL GetLastPosition(POINT* position);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    static LRESULT CALLBACK ListSubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam,
                                             UINT_PTR idSubclass, DWORD_PTR refData);
    HWND List() const { return ::GetDlgItem(m_hWnd, m_nListId); }
    int ListCurrent() const;
    void SelectInList(int index);
    void OnListDoubleClick();
    void SetAll(int flag);
    void ShowContextMenu();
    void DrawItem(const DRAWITEMSTRUCT* dis);
    void RepaintItem(int index);
};
