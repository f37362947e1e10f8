// The module language of the data window: user-written "*.dfm" files that say how the bytes
// under the hex cursor are decoded. CModulSet compiles them in two passes into instruction
// records (ModulCompiler.cpp), runs a module or one of its blocks over a byte buffer into the
// rows of an output slot (ModulInterpreter.cpp), and keeps the lists both share (ModulSet.cpp).
// Nothing here needs a window.
//
// What the language leaves open, fixed here:
// - Items may abut wherever no blank is needed to tell them apart: `BYTE"Kopf"#H`,
//   `IF n>=3 EXIT`, `ADD n 1#A` read as their blank-separated forms.
// - A value-name text that begins inside the 15 characters examined after "#" runs to its
//   closing quote (or the line end), however long it is.
// - A byte pattern after "UNTIL" ends at "+n" (the skip), at an action word (EXIT, CALL,
//   SEEK, GOTO, RETURN, MOV, ADD), at ";" or at the line end; any other character that
//   starts no pattern item ends it too and is read as the next operand. Its start, ">" with
//   a label and an offset, is written without blanks (">name+4", ">8"): a number after a
//   blank is a pattern byte.
// - A target given inside the flags ("#>name") sets bit 0x80 of the flag word, but not the
//   part 0x080 that the keyword table's masks test: data lines (forbidden mask 0x4E8) may
//   write their text into a target row. A keyword whose forbidden mask has 0x2000 still
//   refuses it.
// - Values of 1 to 3 bytes are unsigned: their signed decimal form is the value itself.
// - A keyword written in full selects itself even where it is the prefix of an earlier row,
//   so "MOD" is the arithmetic line (which, like "DIV", gives the quotient) and "MO" still
//   selects "MODUL".
// - A run executes at most kStepBudget lines (re-tests of an IF with MOV or ADD included),
//   and does at most WorkBudget(size) units of work (both grown by what it shows, below):
//   every line run, every byte a field or a string scan reads, every byte a pattern test
//   compares, every value-name pair looked at, every value formatted (a float's "%e" weighs
//   most) and every row made or rewritten, shown or hidden, by the length of its text. A unit is about what reading one byte of a
//   field costs; the weights of the dearer pieces are measured against it. What a module
//   shows earns its own way: every row shown adds kRowAllowance units and kRowSteps lines,
//   and a value formatted from bytes no earlier value of the run was formatted from does not
//   weigh against the budget. So a module that decodes its data and shows its rows ends at
//   its row budget or at the data's end, never at the work budget; one that loops without
//   making rows, or whose few lines read or format the same bytes again and again, ends with
//   a "Programmfehler" row instead of holding the user-interface thread. The time a run may
//   take grows at most linearly with the data and the row budget, from a small base.
// - Arithmetic is defined for every value: division by 0 divides by 1, INT_MIN / -1 gives
//   INT_MIN ("MOD" as "DIV"), shifts take their count modulo 32, floats that are NaN count as
//   0 and larger ones saturate. Positions are 64-bit; a position outside the data ends the
//   run.
#pragma once
#include <stdint.h>
#include <stdio.h>

#include <vector>

#include "services/TextList.h"

class CDataStream;
class CTextScanner;

// One compiled line.
struct ModulInstr {
    int32_t value;      // the last value read or computed
    uint8_t opcode;     // low byte of the keyword's code
    uint8_t kind;       // high byte: 1 when the formatted text may go to a target row
    int32_t label;      // instruction of the first label (the line's variable), -1
    int32_t target;     // instruction of the second label, -1
    int32_t number1;
    int32_t number2;
    int32_t pattern;    // index in the pattern list, -1
    uint32_t test;      // bits 0-3 comparison, bits 5-7 action
    uint32_t flags;     // bits 0-11 the line's parts, 12-15 (SEEK: 12-22) width - 1, 16-31 letters
    int32_t names;      // index in the value-name list, -1
    int32_t position;   // data offset at which the line last ran
    int32_t ownLabel;   // the line's own label in the module's sorted label list, -1
};

enum { kMaxPatternBytes = 32 };

// A byte pattern after "UNTIL": each byte matches where (data & mask) == value. The offset
// and the label are 32-bit: a module past instruction 32767, or a pattern tested more than
// 32 KB on, would otherwise test some other line's value at some other place.
struct BytePattern {
    int32_t skip;       // bytes the position advances past a match
    int32_t offset;     // tested at position + offset (+ the value of `label`)
    int32_t label;      // instruction whose value is added to the offset, -1
    int32_t length;
    uint8_t value[kMaxPatternBytes];
    uint8_t mask[kMaxPatternBytes];
};

// An entry of the module list: a whole module or a block the user can choose to run.
struct ModulEntry {
    int32_t firstInstr;
    int32_t source;
};

// One loaded file.
struct ModulSource {
    int32_t firstEntry;   // its first module-list entry
    int32_t firstInstr;
    int32_t endInstr;     // exclusive
    int32_t labelCount;
};

// One output row; the entry's text is the value text. The name reference is 32-bit, so
// that the rows of a module past instruction 32767 keep their own names.
struct OutputRow {
    int32_t nameRef;      // >= 0 an instruction whose text is the name; < 0 -(generated name)
    int16_t indent;
    int32_t size;
    int32_t offset;       // from the current block base
    int32_t dataOffset;   // from the start of the data
};

// Flag letters and parts of the flag word.
enum ModulFlag : uint32_t {
    MF_PART_NAME = 0x002,
    MF_PART_LABEL = 0x004,
    MF_PART_COMPARE = 0x008,
    MF_PART_NUMBER1 = 0x010,
    MF_PART_NUMBER2 = 0x020,
    MF_PART_ACTION = 0x040,
    MF_PART_TARGET = 0x080,
    MF_PART_PATTERN = 0x100,
    MF_PART_FLAGS = 0x200,
    MF_PART_NOT = 0x400,
    MF_PART_LABEL_FIRST = 0x800,
    MF_FORBID_FLAG_TARGET = 0x2000,   // only in forbidden masks
    MF_TARGET = 0x80,
    MF_OCTAL = 0x00010000,
    MF_DECREMENT = 0x00020000,
    MF_HEX = 0x00040000,
    MF_SUFFIX = 0x00080000,
    MF_SIGNED = 0x00100000,
    MF_UNSIGNED = 0x00200000,
    MF_CHAR = 0x00400000,
    MF_BINARY = 0x00800000,
    MF_NO_PREFIX = 0x01000000,
    MF_BIG_ENDIAN = 0x02000000,
    MF_AT = 0x04000000,
    MF_INDEX = 0x08000000,
    MF_HIDDEN = 0x10000000,
    MF_ABSOLUTE = 0x20000000,
    MF_ALIGN = 0x40000000,
    MF_GLOBAL = 0x80000000,
};

enum ModulAction : uint32_t {
    MA_NONE = 0,
    MA_EXIT = 32,
    MA_CALL = 64,
    MA_RETURN = 96,
    MA_GOTO = 128,
    MA_SEEK = 160,
    MA_MOV = 192,
    MA_ADD = 224,
};

class CModulSet {
public:
    enum { kSlots = 16, kFrames = 16, kTextSize = 1024, kDefaultMaxRows = 8192 };
    static const long kStepBudget = 1000000;
    // The work budget of a run over `size` bytes, and the weights of its pieces in units.
    // Weighed so, a unit took 1 to 14 ns under Wine on a busy build machine whatever the
    // module did (a tiny double's "%e" alone 24 to 60 us), and the dearest hostile runs took
    // at most 42 ms on a 512-byte sector and 372 ms on a megabyte (bounds: 0.1 s and 1 s).
    // The base still lets a module fill the largest row budget with ordinary rows.
    static const long long kWorkBase = 5000000;
    static const int kWorkPerByte = 64;
    static const int kStepWork = 8;       // fetching and dispatching one line
    static const int kElementWork = 4;    // one element of a number field, besides its bytes
    static const int kFormatWork = 128;   // one value formatted, plus a unit per character
    static const int kFloatWork = 8192;   // one float or double formatted with "%e"
    static const int kRowWork = 64;       // one row made or rewritten, plus its text's length
    // What a row shown adds to the budget: its own making, a value formatted and some eighty
    // lines of computing besides; and the lines it adds to the step budget. Endless loops that
    // show a row on every pass took at most 154 ms up to the window's 16000 rows.
    static const int kRowAllowance = 1024;
    static const int kRowSteps = 128;
    static int64_t WorkBudget(int64_t size) { return kWorkBase + kWorkPerByte * (size > 0 ? size : 0); }

    CModulSet();
    virtual ~CModulSet();

    // --- loading
    // Compiles one module file; 2 when the module was added, 1 when one of that name was
    // loaded already (nothing added), 0 when memory ran out (nothing added either). The error
    // count tells whether the text had faults.
    int Compile(CTextScanner* scanner, const char* name);
    // Opens the file (32 KB scanner) and compiles it under `name`, or the file name up to its
    // first "."; 0 when it cannot be opened ("Kann Datei nicht öffnen."), is larger than
    // kMaxFileBytes, or its compile ran out of memory (nothing of it is kept then).
    int LoadFile(const char* path, const char* name);
    // Half the list's bound (below): a file loaded by hand holds the window at most half as
    // long as a list may, and a list keeps room for a file at this bound beside others.
    static const int kMaxFileBytes = 8 << 20;
    // The bytes the files loaded from now on may hold together (-1: no limit); a file beyond
    // them is refused like one too large, so that a long list of large files cannot hold the
    // window either.
    void LimitLoadedBytes(long long bytes) { m_bytesLeft = bytes; }
    // Where the fault begins: a list compiles in one hold of the window. Module text compiles
    // at 16 to 80 MB a second, but lines of one letter, the slowest, at 4 MB: 16 MB of them
    // take 4 s, and past 20 MB the hold passes the 5 s after which Windows takes the window
    // as hung ("Keine Rückmeldung"). Such lines also take 38 bytes of memory per byte of
    // file, 600 MB for 16 MB, of the 2 GB the 32-bit process can address.
    static const int kMaxListBytes = 16 << 20;
    static const char kNoMemory[];   // the error of a load that ran out of memory
    void RemoveAll();

    // --- errors: mode 0 none, 1 printed to the standard output, 2 written to a stream
    void SetErrorEcho(bool on);
    void SetErrorStream(CDataStream* stream);
    // Counts every error; the first kMaxReportedErrors of a file are written, the rest only
    // counted, so that a file of nothing but faults cannot fill the error window for minutes.
    // What the load itself says of the file (`always`, such as that it is loaded already) is
    // written whatever the count: the bound is for the module's own faults.
    void ReportError(const char* message, bool warning, bool always = false);
    int GetErrorCount() const { return m_errorCount; }
    static const int kMaxReportedErrors = 1000;
    // The one line behind the reported errors that counts those left out (none: nothing).
    void ReportErrorsLeftOut();

    // --- running
    int Run(int slot, const uint8_t* data, int size, int entry, int maxRows, int startOffset);
    int RunSlot(const uint8_t* data, int size, int entry, int maxRows, int startOffset);
    int RunByName(int slot, const uint8_t* data, int size, const char* name, int maxRows, int startOffset);

    // --- slots and rows
    int SelectSlot(int slot);
    int GetCurrentSlot() const { return m_slot; }
    void ClearSlot(int slot);
    int GetRowCount(int slot = -1) const;
    const OutputRow* GetRow(int slot, int row, const char** name, const char** value, int* nameLength,
                            int* valueLength) const;
    // The units of work the last run did; above WorkBudget when it ended with "Programmfehler"
    // for that reason.
    int64_t GetLastRunWork() const { return m_lastRunWork; }
    // The budget the last run ended with: WorkBudget(size) and what its rows and first-shown
    // values earned.
    int64_t GetLastRunBudget() const { return m_lastRunBudget; }

    // --- lists
    int GetEntryCount() const { return m_modules.GetCount(); }
    const char* GetEntryName(int entry) const { return m_modules.GetText(entry); }
    const ModulEntry* GetEntry(int entry) const;
    int GetSourceCount() const { return m_sources.GetCount(); }
    const char* GetSourceName(int source) const { return m_sources.GetText(source); }
    int FindSource(const char* name) const;
    int FindEntry(const char* name, int source) const;
    int GetSourceFirstEntry(int source) const;
    int GetSourceEndEntry(int source) const;
    int SetParam(int source, int n, int32_t value);
    int GetParam(int source, int n, int32_t* value) const;
    int GetInstructionCount() const { return m_instrs.GetCount(); }
    int GetPatternCount() const { return m_patterns.GetCount(); }
    int GetValueNameCount() const { return m_names.GetCount(); }
    const ModulInstr* GetInstruction(int index) const;

    // The set's feature mask against which "BLOCK" lines choose themselves; 0.
    uint32_t GetFeatureMask() const { return m_featureMask; }

    // Formats one value as the flags of `instr` ask; `count` is the running count of
    // representations of the line (reset to 0 for every line). Appends to `text` (its length
    // `length`, the buffer kTextSize bytes) and returns the new length. `work`, when given,
    // grows by the value-name pairs looked at.
    int FormatValue(const ModulInstr& instr, uint32_t value, int bytes, int* count, char* text, int length,
                    int64_t* work = nullptr) const;
    int FormatValue64(const ModulInstr& instr, uint64_t value, int bytes, int* count, char* text, int length,
                      int64_t* work = nullptr) const;

private:
    CModulSet(const CModulSet&) = delete;
    CModulSet& operator=(const CModulSet&) = delete;

    // One "value:name:" pair of a value-name text, read once per text. The value is read as
    // the language reads its numbers: 32 bits for fields of up to 4 bytes, 64 for 8-byte ones.
    struct ValueName {
        bool any;          // "?"
        bool valid;        // a number was read
        uint64_t value;
        uint32_t value32;
        int nameStart;     // the name's place in the text
        int nameEnd;
    };
    const std::vector<ValueName>& ValueNames(int index) const;
    void ForgetValueNames() const
    {
        m_valueNames.clear();
        m_valueNamesRead.clear();
    }

    int LoadFileChecked(const char* path, const char* name);
    ModulInstr* Instr(int index) const;
    int32_t ValueOf(int index) const;
    void SetValueOf(int index, int32_t value);

    friend class ModulCompiler;
    friend class ModulRun;

    CTextList m_instrs;     // user data ModulInstr; text = the row name
    CTextList m_patterns;   // user data BytePattern
    CTextList m_names;      // value-name texts
    CTextList m_modules;    // user data ModulEntry
    CTextList m_sources;    // user data ModulSource
    CTextList m_rows[kSlots];       // user data OutputRow; text = the value text
    CTextList m_rowNames[kSlots];   // generated row names
    int m_errorMode;
    CDataStream* m_errorStream;
    int m_errorLine;
    int m_errorCount;
    int m_errorsLeftOut;    // counted but not written
    long long m_bytesLeft = -1;
    int m_slot;
    uint32_t m_featureMask;
    int64_t m_lastRunWork = 0;
    int64_t m_lastRunBudget = 0;
    // The value-name texts read into pairs, by index; emptied whenever the texts change.
    mutable std::vector<std::vector<ValueName>> m_valueNames;
    mutable std::vector<bool> m_valueNamesRead;
};
