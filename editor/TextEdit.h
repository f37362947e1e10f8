// CTextEdit: the line-based 8-bit text editor on the text view base. It owns the text (one
// heap block per line), the editor's caret and selection rules, the editing operations with
// their undo journal, the clipboard and its settings. Everything except drawing, input and
// focus works without a window (the base then only records caret, layout and repaint
// requests), which is how the disk view's structure printers fill the decoded-text pane and
// how the model tests drive it.
//
// Filling a read-only pane from code (what the structure printers use):
//   edit.DeleteText(0, 0, 0, TE_LINE_ALL, 0);          // or edit.ClearText(): no line left
//   edit.InsertString("text\n", 0, TE_LINE_APPEND, 0); // or edit.AppendText("text\n")
//   edit.SetLineColors(line, colours, count, -1, 1);
// Both forms work for any number of lines. The older spelling with line 1000 still appends
// and clears while the text has at most 1000 lines, but past that it lands inside the text.
#pragma once
#include "editor/TextDropTarget.h"
#include "editor/UndoRing.h"
#include "editor/WildPattern.h"
#include "views/AnsiView.h"

#include <commctrl.h>

class CRegistry;
class CTextFindDlg;
class CTextReplaceDlg;

#include <stdint.h>
#include <string>

// Line arguments meaning "after the last line" (InsertString, InsertText) and "up to the
// end" (DeleteText).
const int TE_LINE_APPEND = 0x7FFFFFFF;
const int TE_LINE_ALL = 0x7FFFFFFF;

// Notifications the editor sends its parent on top of the text view's.
const UINT TEXTEDIT_NOTIFY_KILLFOCUS = 11511;
const UINT TEXTEDIT_NOTIFY_SETFOCUS = 11512;

// Commands of the editor's message map.
const UINT ID_TEXTEDIT_SELECT_ALL = 34890;
const UINT ID_TEXTEDIT_SELECT_WORD = 34891;
const UINT ID_TEXTEDIT_COPY_WORD = 34892;
const UINT ID_TEXTEDIT_REDO = 32803;
const UINT ID_TEXTEDIT_OPTIONS = 32785;
const UINT ID_TEXTEDIT_FIND_NEXT = 32805;
const UINT ID_TEXTEDIT_FIND_WORD = 32772;

// Records of WM_TEXTEDIT_QUERY: code 16 (OptionMask), 18 (FindRequest), 19 (ReplaceRequest).
struct OptionMask
{
    uint32_t value;
    uint32_t mask;
};
struct FindRequest
{
    uint32_t flags;
    uint32_t reserved;
    const char* text;
};
struct ReplaceRequest
{
    uint32_t flags;
    uint32_t reserved;
    const char* find;
    const char* replacement;
};

// Request flags of FindText.
enum FindTextFlags : uint32_t
{
    FTF_SELECT_RAW = 0x001,     // caret and anchor to the match, no repaint
    FTF_NO_HISTORY = 0x002,     // the text is not recorded
    FTF_AFTER_CARET = 0x004,    // always start behind the current position
    FTF_IN_RANGE = 0x008,       // the match must lie inside the saved range
    FTF_RIGHT_OF_CARET = 0x010, // start one column right of the caret
    FTF_LEFT_OF_CARET = 0x020,  // start one column left of the caret
    FTF_UTF8 = 0x100,
};
// Flags of ReplaceText besides its mode (the flags word as a signed number: 0 or less the
// selection, 1 find first, 2 or more all).
enum ReplaceTextFlags : uint32_t
{
    RTF_STEP_BACK = 0x0004,
    RTF_UTF8 = 0x0100,
    RTF_RESTORE_SELECTION = 0x4000,
    RTF_IN_RANGE = 0x8000,
};
// The most replacements one replace-all makes.
const int kReplaceAllLimit = 10000;

// The status panes' state of an editor: what the texts are made of. Two states give the same
// texts exactly when they are equal.
struct TextStatusState
{
    int caretColumn;
    int caretLine;
    int anchorColumn;
    int anchorLine;
    int selectionMode;
    uint32_t caretMode;
    bool operator==(const TextStatusState& o) const
    {
        return caretColumn == o.caretColumn && caretLine == o.caretLine && anchorColumn == o.anchorColumn &&
               anchorLine == o.anchorLine && selectionMode == o.selectionMode && (caretMode & 3) == (o.caretMode & 3);
    }
};
// Pane 0 (" Zeile: n  Spalte: m", with " (Y:n)" or " (X:n)" for a selection) and pane 1
// ("Einf." or "Über."). Returns the length of pane 0's text.
int FormatTextStatus(const TextStatusState& state, char* text, int size);
const char* TextStatusModeText(uint32_t caretMode);
// The timer that refreshes the panes while the editor has the focus.
const UINT_PTR kTextStatusTimer = 0x88881212;

// A text position in one message word for WM_TEXTEDIT_QUERY: the column in the low and the
// line in the high 16 bits, both unsigned and clamped to 0..65535. The text view's signed
// packing would turn line 32768 of a 50,000-line pane into a negative line; no line or
// column of a text is negative, so the editor reads and answers the words unsigned.
inline uint32_t PackTextPosition(int column, int line)
{
    uint32_t c = column < 0 ? 0u : column > 0xFFFF ? 0xFFFFu : static_cast<uint32_t>(column);
    uint32_t l = line < 0 ? 0u : line > 0xFFFF ? 0xFFFFu : static_cast<uint32_t>(line);
    return c | (l << 16);
}
inline void UnpackTextPosition(uint32_t packed, int* column, int* line)
{
    if (column)
        *column = static_cast<int>(packed & 0xFFFFu);
    if (line)
        *line = static_cast<int>(packed >> 16);
}

// Insert flags of InsertText.
enum TextInsertFlags : int
{
    TIF_NEW_LINES = 0x001,     // every text line becomes a line of its own
    TIF_CARET_START = 0x002,
    TIF_CARET_END = 0x004,
    TIF_REPAINT = 0x008,
    TIF_AT_CARET = 0x020,
    TIF_JOURNAL = 0x080,       // start and end go into the newest undo entry
    TIF_COMMIT = 0x100,        // with TIF_JOURNAL: a new entry of kind 1 is made for them
    TIF_COMMIT_GROUP = 0x200,  // with TIF_COMMIT: kind 17
    TIF_UTF8 = 0x400,
    TIF_UTF16 = 0x800,
};

// Range flags of GetTextRange, DeleteText.
enum TextRangeFlags : int
{
    TRF_CARET_MOVE = 0x006,    // DeleteText: clamp the caret afterwards
    TRF_REPAINT = 0x008,
    TRF_WORD = 0x010,
    TRF_START_CARET = 0x020,
    TRF_END_ANCHOR = 0x040,
    TRF_SELECTION = 0x060,
    TRF_UTF8 = 0x400,
    TRF_UTF16 = 0x800,
};

// EditOptions bits.
enum EditOptionBits : uint32_t
{
    EO_FREE_CARET = 0x00000001,
    EO_LINEWISE = 0x00000002,
    EO_CARET_TO_START = 0x00000004,
    EO_BRACKETS = 0x00000008,
    EO_FIND_IGNORE_CASE = 0x00000010,
    EO_FIND_BACKWARD = 0x00000020,
    EO_FIND_WRAP = 0x00000040,          // "Gesamten Text durchsuchen"
    EO_FIND_WHOLE_WORDS = 0x00000080,
    EO_FIND_PATTERN = 0x00000100,
    EO_LINE_NUMBERS = 0x00000400,
    EO_BRACKETS_WINDOW = 0x00000800,
    EO_UNDERSCORE_SEPARATES = 0x00008000,
    EO_NO_BREAK_CELL = 0x00000200,
    EO_REPLACE_SELECTION = 0x00010000,  // the replace dialog offers "Auswahl"
    EO_HIGHLIGHT_WORD = 0x00020000,
    EO_HIGHLIGHT_OFFERED = 0x00040000,
    EO_CHANGED = 0x80000000,
};

// Process-wide settings shared by every editor.
extern uint32_t EditOptions;   // default 0x1849
extern int TabWidth;           // 1..32, default 4

// One line of text. Widths are 32-bit: 2048 TABs of width 32 do not fit 16 bits.
struct TextLine
{
    uint32_t state;
    int32_t length;
    int32_t indent;
    int32_t width;
    uint8_t groupBits;     // colouring state at the line end: the group bits carried on
    uint16_t openRule;     // and the delimiter rule left open (its number + 1, 0 for none);
                           // 16 bits, as a definition may hold up to 4096 rules
    uint8_t* colors;       // one colour index per character, null until coloured
    char text[1];          // length bytes, then a NUL
};

// A copy slot: text kept by Ctrl+digit copies.
struct CopySlot
{
    char* text;
    int length;
};

// A caller's hook on the editor (kinds 1 to 8): 2 line inserted (line), 3 line about to be
// deleted (line), 4 caret moved (column, line), 7 before a change (column, line, modified
// byte; a zero result cancels the edit). The others are kept for their later users.
class CTextEdit;
struct TextSyntax;
typedef int (*TextEditHook)(CTextEdit* edit, void* context, int a, int b, int c);
// The margin hook (kind 5) has a shape of its own: it is handed to SetHook cast to
// TextEditHook (through TextEditMarginHookAsHook) and asked for each margin cell drawn, with
// the line, an icon to draw (out), the icon size (64) and a width (out). Its result: the
// pixels it takes in the low 16 bits, and bit 16 to put the icon left and the number after
// it instead of the icon left and the number right-aligned.
typedef int (*TextEditMarginHook)(CTextEdit* edit, void* context, int line, HICON* icon, int iconSize, int* width);
inline TextEditHook TextEditMarginHookAsHook(TextEditMarginHook hook)
{
    return reinterpret_cast<TextEditHook>(reinterpret_cast<void (*)()>(hook));
}
// The status hook (kind 6) is asked on each status update with the caret, the last key it
// returned and a text buffer of kTextStatusTextSize bytes holding pane 0's usual text, which
// it may rewrite; it returns the new key (an unchanged key writes nothing). The context-menu
// hook (kind 8) gets the menu and the cell of the last right press; a nonzero answer means it
// handled the menu, which is then not shown.
const int kTextStatusTextSize = 128;
typedef int (*TextEditStatusHook)(CTextEdit* edit, void* context, int column, int line, int lastKey, char* text);
typedef int (*TextEditMenuHook)(CTextEdit* edit, void* context, HMENU menu, int column, int line, int reserved);
inline TextEditHook TextEditStatusHookAsHook(TextEditStatusHook hook)
{
    return reinterpret_cast<TextEditHook>(reinterpret_cast<void (*)()>(hook));
}
inline TextEditHook TextEditMenuHookAsHook(TextEditMenuHook hook)
{
    return reinterpret_cast<TextEditHook>(reinterpret_cast<void (*)()>(hook));
}
enum TextEditHookKind
{
    TEH_COLOR_LINE = 1,
    TEH_LINE_INSERTED = 2,
    TEH_LINE_DELETING = 3,
    TEH_CARET_MOVED = 4,
    TEH_MARGIN = 5,
    TEH_STATUS = 6,
    TEH_BEFORE_CHANGE = 7,
    TEH_CONTEXT_MENU = 8,
};

// Character classes of word moves and runs: 0 below 33, 1 punctuation, 2 underscore,
// 3 digits, lower case and 221..255, 4 upper case and 192..220.
int TextCharClass(unsigned char c);

// The find and replace dialogs' helpers: the index of the first byte within `length` whose
// CharClassTable flags meet `mask` (-1 when none, or when the terminating NUL is reached),
// and the subclassing of one control of a dialog through the chained subclass procedures of
// uihelpers/ControlSubclass.h (InstallSubclass's result; 0 without the control).
int FindClassChar(const char* text, unsigned mask, int length);
int SubclassDlgItem(HWND dialog, int id, WNDPROC proc);

// The cells of one drawn line: what PrintLine hands the base's line drawer. Pure, so that
// tests can check colours and selection without a device context.
struct LineCellInput
{
    const char* text;
    int length;
    const uint8_t* colors;   // per character, or null
    int defaultColor;        // colour index of characters without colours
    int firstColumn;         // first display column drawn
    int columnCount;         // cells wanted
    int tabWidth;
    int selectFrom;          // selected display columns [from, to); 100000 when none
    int selectTo;
    bool breakSelected;      // the selection continues past the line end
    bool drawBreakCell;      // ... and the line break is drawn as one selected cell
    bool freeCaret;          // selected columns right of the text are shown selected
};
// Writes columnCount cells (TABs expanded into blanks, blanks after the text), each with its
// colour word (low byte text format, high byte background; 1 the selection), and one more
// word after them. Returns the number of cells that show text.
int ComposeLineCells(const LineCellInput& in, char* cells, uint16_t* words);

// What the replacements of one replace-all, or of one interactive pass, wrote: the first
// and the latest replacement, each from (index, line) up to (index, line), kept where
// later replacements move them. No match of the same run may take a byte of them, nor
// span the place of an empty one: where occurrences overlap ("aa" in "aaa"), the one
// left of a replacement, or the one met again round the end, was found in text the run
// had written itself and replaced or asked about a second time. Only these two can be
// met: the next search starts beside the latest replacement, and round the end the run
// stops at its first.
struct ReplacedText
{
    struct Span
    {
        int line = 0, from = 0, endLine = 0, end = 0;   // line and byte index
    };
    bool any = false;
    Span first, last;
};

class CTextEdit : public CAnsiView
{
public:
    CTextEdit(uint32_t maxLineLength, uint32_t maxLines, uint32_t flags, const char* viewName);
    ~CTextEdit() override;

    // --- line store (nonzero on success)
    int InsertLine(int index, const char* text, int length);
    int SetLine(int index, const char* text, int length);
    int DeleteLine(int index);
    virtual const TextLine* GetLine(int line) const;
    int GetLineCount() const { return static_cast<int>(m_lineCount); }
    int GetMaxLineLength() const { return static_cast<int>(m_maxLineLength); }
    int GetMaxLines() const { return static_cast<int>(m_maxLines); }
    static int ColumnToIndex(int column, const char* text, int length);
    static int IndexToColumn(int index, const char* text, int length);

    // --- text access
    // Text that makes a line too long is wrapped inside the new text; the old text behind
    // the position stays whole (joined to the last new line, or a line of its own), so that
    // removing the inserted range gives the old line back. Returns the lines added, -1 when
    // the table filled up (what fitted stays; the old text is kept in any case).
    int InsertText(const char* text, int column, int line, int flags, int length);
    int InsertString(const char* text, int column, int line, int flags);
    int AppendText(const char* text) { return InsertString(text, 0, TE_LINE_APPEND, 0); }
    int InsertAtCaret(const char* text, int flags);
    int SetLineText(const char* text, int line, int length, int flags);
    void SetLineState(int line, int set, uint32_t value);
    // The text between two positions in a new heap block (malloc; the caller frees it).
    int GetTextRange(char** out, int column1, int line1, int column2, int line2, int flags);
    int GetTextAlloc(char** out, int flags) { return GetTextRange(out, 0, 0, 0, 0, flags); }
    int GetText(char* buffer, int size, int flags);
    int GetRangeText(char* buffer, int size, int column1, int line1, int column2, int line2, int flags);
    const char* GetLineText(int line, int* length) const;
    int GetLineLength(int line) override;
    // Refused (0) for an empty range, a range starting past the text or wholly above it, and
    // a join of two lines that would be longer than a line may be (a beep, as for a join by
    // Backspace). Whole lines up to the end leave no empty line behind.
    int DeleteText(int column1, int line1, int column2, int line2, int flags);
    int ClearText() { return DeleteText(0, 0, 0, TE_LINE_ALL, 0); }
    int ClearAll();

    // --- state, caret, selection
    int SetEditable(int editable);
    bool IsReadOnly() const { return m_readOnly != 0; }
    int SetModified(int value);
    int IsModified() const { return m_modified; }
    POINT SetCursorPos(int column, int line, int flags = 0);
    POINT GetCursorOrAnchor() const;
    POINT GetAnchor() const { POINT p = { m_anchorColumn, m_anchorLine }; return p; }
    int GetSelectionMode() const { return m_selectionMode; }
    int HasSelection() const { return m_selectionMode; }
    void SelectAll();
    int IsInSelection(int column, int line) const;
    int GetSelectedLines(int* first, int* end) const;
    int GetSelectionStart(int* column, int* line) const;
    POINT GetCaretPos() const { POINT p = { Layout().CaretColumn(), Layout().CaretLine() }; return p; }
    POINT GetCellSize() const { POINT p = { Layout().CharWidth(), Layout().LineHeight() }; return p; }
    TextEditHook SetHook(int kind, TextEditHook hook, void* context);
    int MoveCursor(int column, int line, uint32_t flags) override;
    int WordRun(int index, const char* text, int length, int leftward, int* outEnd) const;
    int PunctRun(int index, const char* text, int length, int leftward, int* outEnd) const;
    int GetWordAt(int column, int line, int copy);
    void SelectWordAt(int column, int line);

    // --- editing
    int InsertChar(int ch, int journal);
    int DeleteSelection(int partOfLarger);
    int CutSelection(int slot);
    int CopySelection(int slot);
    int Paste(int source);
    int IndentBlock(int unindent);
    const CopySlot& GetCopySlot(int slot) const { return m_copySlots[slot < 0 || slot > 9 ? 0 : slot]; }

    // --- undo journal
    void ClearUndo() { m_undo.Clear(); }
    int Undo(int steps);
    int JournalLines(int line1, int line2);
    int JournalLineRange(int line1, int line2);
    CUndoRing& Journal() { return m_undo; }
    // A read-only editor greys undo and redo: Undo refuses there, so an enabled item would
    // do nothing.
    bool CanUndo() const { return m_undo.CanUndo(); }
    bool CanRedo() const { return m_undo.CanRedo(); }
    // The update state of the undo and redo commands for menus and bars.
    BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* handlerInfo) override;

    // --- colours
    int ColorIndex(int number);
    int SetLineColors(int line, const uint8_t* colors, int count, int defaultColor, int stride);
    int SetDefaultColor(int number);
    int SetColumnColors(const uint8_t* numbers, int count, int defaultNumber);
    // Without a name: back to uncoloured lines in the default colour. With one, the
    // definition's key (a subkey of the view's key; ".ext" and "#name" name a value holding
    // the subkey's name) gives a fixed colour ("Color"), colours by column ("ColorArray") or
    // the rules of the colouring engine (classes, groups, "Words", "Until", "Fixed").
    int LoadSyntaxColors(const char* name);
    const char* GetSyntaxName() const { return m_syntaxName; }
    bool HasSyntaxRules() const { return m_defaultColor < 0 && m_syntax != nullptr; }
    int GetSyntaxRuleCount() const;
    // The colour indexes the loaded rules name (256 bits), for the colour dialog; null
    // without rules.
    const uint32_t* GetColorsInUse() const;
    // Colours a line with the loaded rules, and the lines after it while the state carried
    // over the line end changes. Returns the next line to colour (line + 1 without rules).
    // A hook of kind 1 is asked first: a nonzero answer means it coloured the line itself.
    int ColorLine(int line);
    // The upper-case form the engine and the fold comparisons use.
    unsigned char FoldChar(unsigned char c) const;
    // Bracket highlight: the bracket at the caret and its partner, as PrintLine marks them.
    // Direction 0 marks the two brackets; under the window-wide option -1 or +1 tells on
    // which side of the caret the partner lies and the range between them is marked.
    bool IsBracketHighlightActive() const { return m_bracketActive; }
    int GetBracketDirection() const { return m_bracketDirection; }
    POINT GetBracketPartner() const { POINT p = { m_bracketColumn, m_bracketLine }; return p; }
    // The cell colours of the bracket highlight on one line (high byte of the colour words).
    void ApplyBracketHighlight(int line, int firstColumn, int count, uint16_t* words) const;
    int GetCharColor(int index, int line) const;
    int CharClass(unsigned char c) const { return TextCharClass(c); }
    // The case table (upper-case form of each byte) and the class table (bit 0 digit, bit 1
    // letter, ...): a loaded definition's, else the defaults.
    const uint8_t* CaseTable() const;
    const uint8_t* ClassTable() const;
    bool IsWordChar(unsigned char c) const { return (ClassTable()[c] & 3) != 0; }
    int MatchWildPattern(const char* pattern, int patternLength, const char* text, int textLength,
                         uint32_t flags) const;
    int SpanCharSet(const char* text, uint32_t groups, int length) const;
    int CompareFold(const char* a, const char* b, int length, int fold) const;
    int CompareChar(unsigned char a, unsigned char b, int fold) const;
    int CompareWild(const char* pattern, const char* text, int length, int fold) const;
    // One backslash escape of a search pattern: its character, and the bytes it took.
    static int DecodeEscape(const char* text, int* outLength);
    // The text of a line between two display columns (column2 < 0: to the end) and its
    // colour indexes, both new heap blocks (malloc) with a terminator. Flags: 1 TABs as
    // blanks, 0x100 bytes above 127 as UTF-8 (the colour repeated per byte), 0x200 UTF-16
    // (one colour per character). Returns the length in bytes of the text.
    int GetLineTextAndColors(char** text, uint8_t** colors, int line, int column1, int column2, int flags) const;
    // Cells of one line as PrintLine draws them (see ComposeLineCells).
    int ComposeLine(int line, int firstColumn, int count, char* cells, uint16_t* words) const;

    // --- drawing overrides
    int EditColors() override;
    void OnSettingsChanged(int flags) override;
    int PrintLine(CDC* dc, const RECT& rect, int line, int firstColumn, int count, int flags) override;
    void PrintMargin(CDC* dc, const RECT& rect, int line) override;
    int SetLineNumberWidth(int width);
    void InvalidateLines(int line1, int line2);

    // --- input overrides
    void OnLayoutChanged() override;
    int OnCharInput(UINT character, UINT flags) override;
    int OnKey(UINT key, UINT flags) override;
    int PreLButtonDblClk(UINT keyFlags, int x, int y, int column, int line) override;
    int PreLButtonDown(UINT keyFlags, int x, int y, int column, int line) override;
    int PreLButtonUp(UINT keyFlags, int x, int y, int column, int line) override;
    int PreMouseMove(UINT keyFlags, int x, int y, int column, int line) override;
    void OnContextMenu(int x, int y, HMENU menu) override;

    // --- commands
    void OnEditCopy() { CopySelection(-1); }
    void OnEditCut() { CutSelection(-1); }
    void OnEditPaste() { Paste(-1); }
    void OnEditClear() { DeleteSelection(0); }
    void OnEditUndo() { Undo(-1); }
    void OnEditRedo() { Undo(1); }
    void OnSelectWord();
    void OnCopyWord();
    virtual int CopyToSlot(UINT id) { return CopySelection(static_cast<int>(id) - 34880); }
    virtual int CopyByCommand(UINT id) { return CopySelection(static_cast<int>(id) - 32810); }
    virtual int PasteByCommand(UINT id) { return Paste(static_cast<int>(id) - 32820); }

    // --- find and replace (EditOptions and TabWidth are shared by all editors)
    uint32_t SetOptionFlags(uint32_t value, uint32_t mask);
    uint32_t GetOptionFlags() const { return EditOptions; }
    int SetTabWidth(int width);
    int FindText(const char* text, uint32_t flags);
    int ReplaceText(const char* find, const char* replacement, uint32_t flags);
    void SetSearchText(const char* text);
    const char* GetSearchText() const { return m_lastSearch; }
    const char* GetReplaceText() const { return m_lastReplace; }
    const char* GetFindHistory() const { return m_findHistory; }
    int SaveSelectionRange();
    int SetSavedRange(int column1, int line1, int column2, int line2);
    int InSavedRange(int column, int line) const;
    int OpenFindDialog(const char* text, int flags);
    int OpenReplaceDialog(const char* find, const char* replacement, uint32_t flags);
    int OnFindNext();
    int OnFindWord();
    int OnEditOptions();
    CTextFindDlg* FindDialog() const { return m_findDlg; }
    CTextReplaceDlg* ReplaceDialog() const { return m_replaceDlg; }

    // --- settings
    int LoadSettings(const char* viewName);
    int SaveSettings(const char* viewName);
    uint32_t GetWordStopMask() const { return m_wordStopMask; }

    // --- context menu, status panes, keyboard texts, drag and drop
    // The menu's items with their pictures and greying, without tracking it.
    void AddEditMenuItems(HMENU menu, int x, int y);
    int UpdateStatusBar();
    void OnStatusFocus();
    void OnStatusUnfocus();
    bool IsStatusActive() const { return m_statusActive != 0; }
    // Reads the key texts of "Accel" under the definition `name` (null: only frees them).
    int LoadAccel(const char* name);
    const char* GetKeyText(int index) const { return index >= 0 && index < 55 ? m_keyTexts[index] : nullptr; }
    int StartDrag();
    bool IsDragSource() const { return m_dragSource != 0; }
    void SetAcceptDrops(bool accept) { m_acceptDrops = accept ? 1 : 0; }
    void SetDropDisabled(int disabled) { m_dropDisabled = disabled; }
    CTextDropTarget& DropTarget() { return m_dropTarget; }
    // The drop target's steps (CTextDropTarget calls them).
    DROPEFFECT DropEffectFor(CWnd* window, COleDataObject* data);
    BOOL DropData(CWnd* window, COleDataObject* data, CPoint point);
    void DropLeave(CWnd* window);
    DROPEFFECT DropScroll(CWnd* window);
    // The editor under the mouse during a drag, null otherwise.
    static CTextEdit* CurrentDropEditor();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void NotifyParent(UINT code);
    LRESULT AnswerPositionQuery(WPARAM code, LPARAM value);
    LRESULT AnswerTextEditQuery(WPARAM code, LPARAM value);
    void CreateFindDialogs();
    void DestroyFindDialogs();
    void FreeKeyTexts();
    bool RecordDropWindow(CWnd* window);
    bool MatchAt(const char* text, int textLength, bool pattern, bool forward, const TextLine* record, int index,
                 int* matchLength) const;
    int ReplaceSelection(const char* replacement, int length);
    int ReplaceAll(const char* find, const char* replacement, int length, uint32_t flags);
    void SearchTextForDialog(char* buffer, int size, const char* given, bool utf8, bool wordBesideLines);
    int PasteOneLineDown(bool countUp);
    int CallHook(int kind, int a, int b, int c);
    bool AllowChange();
    bool Refuse();   // beeps; returns false for `return Refuse()` style
    TextLine* MakeLine(const char* text, int length);
    static void MeasureLine(TextLine* line);
    void FreeLine(TextLine* line);
    void SetCaretRaw(int column, int line);
    bool SelectionOrdered(int* c1, int* l1, int* c2, int* l2) const;
    int StoreWrapped(int index, bool replace, const std::string& text, int endOffset, int* endColumn, int* endLine,
                     int keep, bool* full);
    void FillGap(std::string& out, int fromColumn, int toColumn) const;
    void ReplayEntry(UndoEntry* entry);
    bool RunContinues(const UndoEntry* earlier, const UndoEntry* later) const;
    void SetRun(UndoEntry* entry, int cls, int column, int line, int nextColumn, int nextLine);
    void JournalTyping(int kind, int character, int key, int startColumn, int startLine, int endColumn, int endLine,
                       int runClass, int nextColumn);
    void RecomputeWordStopMask();
    void ApplyMargin();
    bool ColorOneLine(int line);
    int CarriedColor(int line) const;
    void ReadSyntaxRules(CRegistry& reg);
    // Opens the subkey of a definition under the view's key (a name beginning with "." and,
    // with hashNames, "#" is looked up as a value first); its name goes to `subkey`.
    int OpenDefinitionKey(CRegistry& reg, const char* name, bool hashNames, char* subkey, int size);
    void UpdateBracketHighlight();

    TextLine** m_lines;
    uint32_t m_lineCount;
    uint32_t m_lineCapacity;
    bool m_tableLent;
    uint32_t m_maxLineLength;
    uint32_t m_maxLines;
    uint8_t m_readOnly;
    uint8_t m_modified;
    bool m_replaying;
    int m_anchorColumn;
    int m_anchorLine;
    int m_selectionMode;
    int m_desiredColumn;
    CUndoRing m_undo;
    CopySlot m_copySlots[10];
    char* m_keyTexts[55];
    char* m_findHistory;
    int m_findHistoryLength;
    char* m_lastSearch = nullptr;
    char* m_lastReplace = nullptr;
    std::string m_findWork;          // a decoded or suffixed search text
    int m_savedFirstColumn = 0;      // the saved range (SaveSelectionRange, SetSavedRange)
    int m_savedEndColumn = 0;
    int m_savedFirstLine = 0;
    int m_savedLastLine = 0;
    uint8_t m_savedCaretAtStart = 0;
    POINT m_matchStart = { 0, 0 };   // the last match FindText selected
    POINT m_matchEnd = { 0, 0 };
    const ReplacedText* m_replaceAllText = nullptr;   // the running replace-all's
    // The questions of an interactive replace share one pass over the text: the first
    // candidate of the first search is the origin, and once the pass has wrapped it ends there.
    // Each search on its own would wrap again, so that a replacement holding the search text
    // was found and replaced without end. Only an answer carries the pass on: a search that
    // goes on right of the match ("Nein"), or the search after the match was replaced (or its
    // replacement refused). Find next and the other plain finds are searches of their own,
    // which wrap at every press. The pass goes on only while the editor is as the last step
    // left it: an edit in between starts a new one.
    struct SearchPass
    {
        bool valid = false;
        std::string text;         // the text searched, suffix included
        uint32_t options = 0;     // the search bits of EditOptions
        bool inRange = false;
        int originLine = 0;
        int originIndex = 0;      // forward: wrapped, only candidates before it; backward: after it
        bool wrapped = false;
        int bound = 0;            // first (forward) or last (backward) candidate on the caret line
        POINT caret = { 0, 0 };
        POINT anchor = { 0, 0 };
        int selectionMode = 0;
        uint32_t generation = 0;
        bool answered = false;    // the match was replaced, or its replacement refused
        ReplacedText replaced;
    };
    SearchPass m_pass;
    uint32_t m_textGeneration = 0;   // counts every change of a line
    bool PassHolds() const;
    void KeepPassState(bool answered);
    CTextFindDlg* m_findDlg = nullptr;
    CTextReplaceDlg* m_replaceDlg = nullptr;
    uint8_t m_statusActive = 0;
    bool m_statusValid = false;      // false forces the next status update
    TextStatusState m_statusState = {};
    int m_statusHookKey = -1;
    uint8_t m_acceptDrops = 1;
    uint8_t m_dragSource = 0;
    int m_dropDisabled = 0;
    DROPEFFECT m_dropEffect = 0;
    CWnd* m_dropWindow = nullptr;
    uint32_t m_wordStopMask;
    int m_lineNumberWidth;
    int m_defaultColor;
    uint8_t* m_columnColors;
    bool m_ctrlHandled;
    DWORD m_doubleClickTick;
    int m_doubleClickColumn;
    int m_doubleClickLine;
    bool m_dragAllowed;
    bool m_dragArmed;
    POINT m_dragPoint;
    POINT m_dragCell;
    POINT m_contextCell;
    CTextDropTarget m_dropTarget;
    POINT m_insertEnd;
    char m_syntaxName[16];
    TextEditHook m_hooks[9];
    void* m_hookContexts[9];     // the end of the last insertion as a removal of it needs it
    TextSyntax* m_syntax = nullptr;   // rule tables of a loaded definition, null when none
    bool m_bracketActive = false;
    int m_bracketDirection = 0;
    int m_bracketColumn = 0;
    int m_bracketLine = 0;
    int m_bracketCaretColumn = 0;
    int m_bracketCaretLine = 0;
};

// The line text read through a plain function, for callers that hold the editor as data
// (printers' tables of handlers): null and length 0 without an editor or past the text.
inline const char* GetLineText(const CTextEdit* edit, int line, int* length)
{
    if (!edit)
    {
        if (length)
            *length = 0;
        return nullptr;
    }
    return edit->GetLineText(line, length);
}
