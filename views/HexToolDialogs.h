// The hex tool dialogs: address input (go to address), value input (write a number at the
// cursor, and the form "Kopiere im C++ Format" with its live preview), the checksum table,
// the number calculator and the floating-point converter. Each is built from an in-memory
// template, reopens where it was last closed during the run, paints the fields the user only
// reads light yellow and an input that does not evaluate light red. What they compute is in
// HexTools.h, CppArrayFormat.h and FloatConverter.h.
#pragma once
#include <windows.h>
#include <stdint.h>

#include "classlib/Dialog.h"
#include "views/CppArrayFormat.h"
#include "views/FloatConverter.h"
#include "views/HexToolDialog.h"
#include "views/HexTools.h"

class CDlgTemplateBuilder;

// Control ids of the dialogs.
enum HexToolControl
{
    IDC_HT_PROMPT = 1101,
    IDC_HT_VALUE = 1102,          // the address's edit or, with a history, its combo box
    IDC_HT_SIZE_FIRST = 1110,     // 1110..1113 the size radios
    IDC_HT_BIG_ENDIAN = 1114,
    IDC_HT_FORMAT_FIRST = 1120,   // 1120..1123 the format radios
    IDC_HT_PREVIEW = 1125,
    IDC_HT_SUM_FIRST = 1130,      // 1130..1138 the nine sums, row by row
    IDC_HT_CALC_INPUT = 1140,
    IDC_HT_RESULT_FIRST = 1141,   // 1141..1145 decimal, hex, octal, binary, ANSI
    IDC_HT_FLOAT_FIRST = 1150,    // 1150.. one field per FloatField
    IDC_HT_SWAP_BYTES = 1160,
    IDC_HT_SWAP_WORDS = 1161,
    IDC_HT_SWAP_QWORDS = 1162,
};

// Flags of the address input.
enum AddressInputFlags : uint32_t
{
    ADF_HEX = 1,      // shown in hex with "0x", else signed decimal
    ADF_64BIT = 2,    // a 64-bit value
};

enum
{
    HEX_PREVIEW_TIMER = 46654,   // the value input's preview countdown
    HEX_CALC_TIMER = 46655,      // the calculator looks for a new list selection
};

// The tool dialogs' common base: the template, the remembered position and the field colours.
class CHexToolDialog : public CDialog
{
public:
    explicit CHexToolDialog(CWnd* parent);
    ~CHexToolDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Both remember where the dialog stood.
    void OnOK() override;
    void OnCancel() override;

protected:
    // Runs the template that BuildTemplate made; -1 when it could not be built.
    INT_PTR RunTemplate();
    virtual bool BuildTemplate(CDlgTemplateBuilder& builder) = 0;
    // Which fields are drawn yellow (read only) or red (bad input).
    virtual bool IsResultField(int /*id*/) const { return false; }
    virtual bool IsBadField(int /*id*/) const { return false; }
    virtual ToolDialogPosition& Position() = 0;
    void PlaceAtLastPosition();
    void RememberPosition();
    HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }
    bool Checked(int id) const;
    void Check(int id, bool on);
    // The first checked radio of `count` from `first`; `fallback` when none is.
    int CheckedRadio(int first, int count, int fallback) const;

    CDlgTemplateBuilder* m_template;
};

class CAddressInputDlg : public CHexToolDialog
{
public:
    explicit CAddressInputDlg(CWnd* parent);
    // caption and prompt replace the template's "Neuer Hexbereich" and "Speichergröße :"
    // (NULL keeps them); with `history` a drop-down combo box offers its texts, and the text
    // entered goes to its top. On OK *value holds the evaluated text.
    INT_PTR Run(const char* caption, const char* prompt, int64_t* value, uint32_t flags, char** history);

    BOOL OnInitDialog() override;
    void OnOK() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    bool BuildTemplate(CDlgTemplateBuilder& builder) override;
    ToolDialogPosition& Position() override;

private:
    const char* m_caption;
    const char* m_prompt;
    int64_t m_value;
    uint32_t m_flags;
    char** m_history;
    char m_text[256];
};

// The preview of the format form: FormatCppArray's arguments.
typedef int (*ValuePreviewFunction)(const uint8_t* bytes, int count, int valueSize, uint32_t flags, int valuesPerLine,
                                    char* output, int capacity);

class CValueInputDlg : public CHexToolDialog
{
public:
    explicit CValueInputDlg(CWnd* parent);
    // The plain form: 8 bytes and their count in; on OK the value typed and the count of the
    // size chosen, and whether "Big Endian Format" was checked.
    INT_PTR Run(uint8_t value[8], int* count, bool* bigEndian);
    // The format form of "Kopiere im C++ Format" over the bytes, with the live preview; on OK
    // the settings hold the choices (BigEndian as it was) and *bigEndian the check box.
    INT_PTR RunFormat(const uint8_t* bytes, int count, CppCopySettings* settings, bool* bigEndian);

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool BuildTemplate(CDlgTemplateBuilder& builder) override;
    bool IsResultField(int id) const override { return id == IDC_HT_PREVIEW; }
    ToolDialogPosition& Position() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void RelabelSizes();
    void ShowPreview();

    bool m_formatForm;
    const char* m_caption;
    const char* m_label;
    char m_text[256];
    uint8_t m_value[8];
    int m_count;
    int m_sizeChoice;
    int m_bigEndian;
    int m_format;
    unsigned m_numberForm;
    const uint8_t* m_bytes;
    int m_byteCount;
    ValuePreviewFunction m_preview;
    int m_countdown;
};

class CChecksumDlg : public CHexToolDialog
{
public:
    explicit CChecksumDlg(CWnd* parent);
    // The sums over the bytes; without `offerBigEndian` the "Big Endian" box is hidden.
    INT_PTR Run(const uint8_t* bytes, int count, bool offerBigEndian);

    BOOL OnInitDialog() override;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool BuildTemplate(CDlgTemplateBuilder& builder) override;
    bool IsResultField(int id) const override { return id >= IDC_HT_SUM_FIRST && id < IDC_HT_SUM_FIRST + 9; }
    ToolDialogPosition& Position() override;

private:
    void ShowSums();

    ChecksumSums m_sums;
    bool m_offerBigEndian;
};

class CNumberCalcDlg : public CHexToolDialog
{
public:
    explicit CNumberCalcDlg(CWnd* parent);
    // Starts with the first up to 4 bytes as its value (0 without); "Abbruch" only with
    // showCancel. On OK the text goes to the top of "CalculatorLast".
    INT_PTR Run(const uint8_t* bytes, int count, bool is64, bool showCancel);
    long long Result() const { return m_result; }
    bool ResultValid() const { return m_valid; }

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool BuildTemplate(CDlgTemplateBuilder& builder) override;
    bool IsResultField(int id) const override { return id >= IDC_HT_RESULT_FIRST && id < IDC_HT_RESULT_FIRST + 5; }
    bool IsBadField(int id) const override { return id == IDC_HT_CALC_INPUT && !m_valid; }
    ToolDialogPosition& Position() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Recompute();

    CString m_input;
    bool m_is64;
    bool m_showCancel;
    long long m_result;
    bool m_valid;
    int m_lastSelection;
    char m_results[5][CALC_RESULT_SIZE];
};

class CFloatConvDlg : public CHexToolDialog
{
public:
    explicit CFloatConvDlg(CWnd* parent);
    // The bytes as source kind 0 (double), 1 (float) or 2 (bytes).
    INT_PTR Run(const uint8_t* bytes, int count, int kind);

    BOOL OnInitDialog() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool BuildTemplate(CDlgTemplateBuilder& builder) override;
    bool IsBadField(int id) const override;
    ToolDialogPosition& Position() override;

private:
    void FieldEdited(int field);
    void FieldEntered(int field);
    void ShowAll(int except);

    CFloatConverter m_converter;
    const uint8_t* m_bytes;
    int m_count;
    int m_kind;
    char m_texts[FF_COUNT][FLOAT_FIELD_SIZE];
    bool m_bad[FF_COUNT];   // drawn red: the text does not parse
};
