// CFindValueDialog: the "Wert suchen" dialog of the hex view. It fills its controls from the
// shared value-search settings (history, group list, flags, byte count, position), and on OK
// or "Weitersuchen" writes them back together with the new current pattern. The texts and
// entry lines themselves come from ValueSearchInput and ValueSearchLists.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "classlib/Dialog.h"
#include "views/ValueSearchInput.h"
#include "views/ValueSearchLists.h"

class CDlgTemplateBuilder;

// The dialog's result for "Weitersuchen": the search runs and the dialog opens again.
enum { FIND_VALUE_AGAIN = 0x8001 };

// Control ids of the dialog.
enum FindValueControl
{
    IDC_FV_TEXT = 1001,
    IDC_FV_KIND_FIRST = 1010,       // 1010..1016: the input kinds Dezimal .. Bit-Maske
    IDC_FV_COUNT_FIRST = 1020,      // 1020..1023: Byte, Word, DWord, Variabel
    IDC_FV_BACKWARDS = 1030,
    IDC_FV_FORWARDS = 1031,
    IDC_FV_SELECTION_ONLY = 1040,
    IDC_FV_WRAP = 1041,
    IDC_FV_IGNORE_CASE = 1042,
    IDC_FV_GROUP = 1043,
    IDC_FV_KEEP_ORDER = 1044,
    IDC_FV_FROM_START = 1045,
    IDC_FV_UNICODE = 1046,
    IDC_FV_MOTOROLA = 1047,
    IDC_FV_DISTANCE = 1050,
    IDC_FV_DISTANCE_LABEL = 1051,
    IDC_FV_LIST = 1060,
    IDC_FV_ADD = 1061,
    IDC_FV_DELETE = 1062,
    IDC_FV_DELETE_ALL = 1063,
    IDC_FV_UP = 1064,
    IDC_FV_DOWN = 1065,
    IDC_FV_FIND_AGAIN = 1070,
};

class CFindValueDialog : public CDialog
{
public:
    // flags: the stored search flags plus the input-only bits (VSF_NO_FIND_NEXT,
    // VSF_NO_GROUP, VSF_FORWARD_ONLY, VSF_HAS_SELECTION). initialText: shown instead of the
    // newest history text when not NULL or empty.
    CFindValueDialog(CWnd* parent, ValueSearchSettings* settings, uint32_t flags,
                     const char* initialText);
    ~CFindValueDialog() override;

    // IDOK, IDCANCEL or FIND_VALUE_AGAIN; -1 when the dialog could not be created.
    INT_PTR DoModal() override;

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }
    bool Checked(int id) const;
    void Check(int id, bool on);
    int CheckedKind() const;
    int CheckedCount() const;
    void SetKind(int kind);
    void SetCount(int choice);
    void GetText(char* text, int size) const;
    void SetText(const char* text);
    void UpdateControls();
    void OnKindClicked(int kind);
    void OnTextEdited();
    void OnListSelection();
    void AddEntry();
    void DeleteEntries();
    void MoveEntry(int step);
    EntryLineOptions CurrentEntryOptions() const;
    int BuildCurrentEntry(const char* text, char* line, int size) const;
    bool RefuseUnsearchableText(const char* text);
    void Finish(int result);
    void RememberPosition();

    ValueSearchSettings* m_settings;
    uint32_t m_flags;
    const char* m_initialText;
    int m_kind;
    int m_numberCount;      // the byte count of numbers, kept while text forces "Variabel"
    CDlgTemplateBuilder* m_template;
};

// The two messages of the find commands go through this function, so tests can see them
// without a box on the screen. NULL restores the message box.
typedef int (*HexFindMessageFunc)(HWND owner, const char* text, UINT type);
void SetHexFindMessageSeam(HexFindMessageFunc function);
int ShowHexFindMessage(HWND owner, const char* text, UINT type);

// The same for the dialog: a test may answer in its place (settings and flags as the
// dialog receives them; it returns what DoModal would). NULL restores the dialog.
typedef INT_PTR (*HexFindDialogFunc)(CWnd* parent, ValueSearchSettings* settings,
                                     uint32_t flags, const char* initialText);
void SetHexFindDialogSeam(HexFindDialogFunc function);
INT_PTR RunHexFindDialog(CWnd* parent, ValueSearchSettings* settings, uint32_t flags,
                         const char* initialText);
