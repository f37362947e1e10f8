// The text editor's "Text suchen" and "Ändern" dialogs and the question "Text ändern ?"
// asked for each match. They hold no search logic: they collect the text and the options,
// write the options into the editor's EditOptions and ask the editor to find and replace,
// all through WM_TEXTEDIT_QUERY, so they work against any window that answers it.
#pragma once
#include "classlib/Dialog.h"

#include <stdint.h>
#include <windows.h>

// Size of the dialogs' text buffers: 259 characters and a terminator.
const int kFindTextSize = 260;

// Control ids of the dialogs.
enum TextFindControl
{
    IDC_TF_TEXT = 1029,
    IDC_TF_IGNORE_CASE = 1030,
    IDC_TF_WHOLE_TEXT = 1031,
    IDC_TF_WHOLE_WORDS = 1032,
    IDC_TF_PATTERN = 1033,
    IDC_TF_BACKWARD = 1034,
    IDC_TF_FORWARD = 1035,
    IDC_TF_REPLACEMENT = 1036,
    IDC_TF_AGAIN = 1037,         // "Weitersuchen", "&Alles ändern"
    IDC_TF_WHOLE_FILE = 1047,
    IDC_TF_CLASS_MENU = 1049,
    IDC_TF_HIGHLIGHT = 1051,
    IDC_TF_SELECTION = 1054,
    IDC_TF_REPLACE_IN = 1055,
};

// The pattern-class menu: command 5776 + value inserts the value's token.
const UINT ID_TF_CLASS_BASE = 5776;

// The token of a pattern class (values 1 to 21; null for the others).
const char* PatternClassToken(int value);
// Builds head + token + tail with the token inserted at `caret` of `text` (cut to the
// text's length). Returns the new caret: behind the token, or between the two closing
// characters of a bracket token (values 14 to 21). -1 when the value has no token or the
// result does not fit `size`.
int InsertPatternToken(const char* text, int caret, int value, char* out, int size);

// Where a dialog goes so as not to cover the found text: `dialog` and `found` in screen
// pixels. False when the dialog does not cover it; else true with the dialog's new top.
bool KeepClearOfFoundText(const RECT& dialog, const RECT& found, int lineHeight, int screenHeight, int* newTop);

// The kept screen positions of the three dialogs for the rest of the run.
enum TextDialogKind
{
    TDK_CONFIRM = 0,
    TDK_REPLACE = 1,
    TDK_FIND = 2,
};
struct KeptDialogPosition
{
    int x;
    int y;
    int valid;
};
KeptDialogPosition& TextDialogPosition(TextDialogKind kind);

// The question asked for every match of an interactive replace: IDYES, IDNO or IDCANCEL.
class CReplaceAskDlg : public CDialog
{
public:
    explicit CReplaceAskDlg(CWnd* parent);
    INT_PTR DoModal() override;
    BOOL OnInitDialog() override;
    void OnCancel() override;

    HWND m_editor = nullptr;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void Finish(int result);
};

// Shared by the two dialogs: the option boxes, the find combo box with the history, the
// pattern-class button and menu, the highlight box and the kept position.
class CTextSearchDlgBase : public CDialog
{
public:
    CTextSearchDlgBase(CWnd* parent, TextDialogKind kind);
    ~CTextSearchDlgBase() override;

    int m_regularExpression = 0;
    int m_highlightWord = 0;
    int m_offersHighlight = 0;
    int m_ignoreCase = 0;
    int m_wholeWords = 0;
    int m_backward = 0;
    int m_forward = 1;
    int m_wholeText = 0;
    char m_findText[kFindTextSize] = {};
    const char* m_history = nullptr;
    HWND m_editor = nullptr;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    // The first steps of opening: the bitmap, the kept position, the combo's subclass.
    void OpenCommon();
    // The last steps of opening: whether the editor offers highlighting, the highlight box,
    // then the class library's initialisation with the data exchange.
    void FinishOpening();
    INT_PTR RunTemplate(const DLGTEMPLATE* dialogTemplate);
    // The history into the find combo box (and the replacement's) while it is empty.
    void FillHistory(bool bothCombos);
    void ExchangeOptions(CDataExchange* pDX);
    void SetOptionsFromFlags(uint32_t flags);
    uint32_t OptionsFromFields() const;
    // Reads the controls and sends the options (code 16, mask 0x201F0).
    bool WriteOptions();
    // Writes the options and reads the find text (kFindTextSize bytes); an empty one beeps.
    bool ReadFindText(char* text);
    void UpdateHighlightBox();
    void SendHighlightRequest(const char* text);
    LRESULT Query(WPARAM code, LPARAM value) const;
    bool FindOnce(uint32_t requestFlags, const char* text);
    void ShowPatternMenu();
    void InsertPatternClass(int value);
    void KeepPosition();
    void ReadComboText(int id, char* text, int size) const;

    TextDialogKind m_kind;
    uint8_t m_bitmap[216];   // the pattern-class button's 16 x 14, 16-colour packed bitmap
};

class CTextFindDlg : public CTextSearchDlgBase
{
public:
    explicit CTextFindDlg(CWnd* parent);
    // Runs the dialog modal; copies the dialog's text back into `text` (cut to `size`)
    // whatever the result. IDOK after a found text, IDCANCEL otherwise.
    INT_PTR Run(HWND editor, char* text, int size, uint32_t flags, const char* history);

    int m_highlightAtOpening = 0;

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnCancel() override;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void Find(bool again);
};

class CTextReplaceDlg : public CTextSearchDlgBase
{
public:
    explicit CTextReplaceDlg(CWnd* parent);
    ~CTextReplaceDlg() override;
    // As CTextFindDlg::Run with a second text; a null replacement buffer is an empty text.
    INT_PTR Run(HWND editor, char* find, int findSize, char* replacement, int replacementSize, uint32_t flags,
                const char* history);

    int m_selectionOffered = 0;
    int m_replaceIn = 0;           // 0 whole file, 1 selection
    char m_replacement[kFindTextSize] = {};
    CReplaceAskDlg* m_ask;

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnCancel() override;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void ReplaceAll();
};
