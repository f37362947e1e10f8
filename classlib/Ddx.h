// Dialog data exchange: DoDataExchange of a dialog lists its controls once, and the same
// list moves values into the controls when the dialog opens and back into the variables on
// OK. Invalid input shows a German message, puts the focus on the offending control and
// makes UpdateData return FALSE, so the dialog stays open.
#pragma once
#include <windows.h>
#include "classlib/String.h"

class CWnd;

class CDataExchange {
public:
    // The order of the first two fields is relied on by exchange routines outside this
    // library: the save flag first, the dialog second.
    BOOL m_bSaveAndValidate;    // TRUE: controls -> variables (and validate); FALSE: variables -> controls
    CWnd* m_pDlgWnd;            // the dialog whose controls are exchanged
    HWND m_hWndLastControl;     // the control prepared last, which takes the focus on failure
    BOOL m_bEditLastControl;    // that control is an edit field (its text is selected on failure)
    BOOL m_bFailed;             // a validation failed; the routines after it do nothing

    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) noexcept;

    // The control's window, remembered for Fail. A missing control fails the exchange
    // (without a message) and gives NULL.
    HWND PrepareCtrl(int nIDC) noexcept;
    HWND PrepareEditCtrl(int nIDC) noexcept;
    // Marks the exchange failed. Shows nothing itself (the caller has said why); while saving
    // it moves the focus to the last prepared control and selects an edit field's text.
    void Fail() noexcept;
};

// Texts <-> numbers of the exchange, without windows. Blanks and tabs around the number are
// allowed; anything else beside the digits and one leading sign is not; a value outside
// [minValue, maxValue] fails. The unsigned form takes no minus sign.
BOOL DdxParseSigned(LPCSTR text, __int64 minValue, __int64 maxValue, __int64* value) noexcept;
BOOL DdxParseUnsigned(LPCSTR text, unsigned __int64 maxValue, unsigned __int64* value) noexcept;
// Decimal notation with an optional point and exponent (C locale); overflow fails.
BOOL DdxParseDouble(LPCSTR text, double* value) noexcept;
// Decimal text into buf (size in bytes, at least 1); the result is the length, or -1 when
// it does not fit (buf then holds "").
int DdxFormatSigned(__int64 value, LPSTR buf, int size) noexcept;
int DdxFormatUnsigned(unsigned __int64 value, LPSTR buf, int size) noexcept;
// Shortest-looking text with the given significant digits (%g style).
int DdxFormatDouble(double value, int digits, LPSTR buf, int size) noexcept;

// Edit fields and other text controls.
void DDX_Text(CDataExchange* pDX, int nIDC, int& value) noexcept;
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) noexcept;
void DDX_Text(CDataExchange* pDX, int nIDC, long& value) noexcept;
void DDX_Text(CDataExchange* pDX, int nIDC, DWORD& value) noexcept;
void DDX_Text(CDataExchange* pDX, int nIDC, __int64& value) noexcept;
void DDX_Text(CDataExchange* pDX, int nIDC, double& value) noexcept;
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) noexcept;
// A character buffer of nMaxLen bytes (with the terminator). A longer text fails with a
// message and leaves the buffer unchanged; a NULL buffer or nMaxLen < 1 exchanges nothing.
void DDX_Text(CDataExchange* pDX, int nIDC, LPSTR value, int nMaxLen) noexcept;

// Check box state: 0 unchecked, 1 checked, 2 indeterminate (other values load as checked).
void DDX_Check(CDataExchange* pDX, int nIDC, int& value) noexcept;
// The radio buttons of the group that starts at nIDC (up to the next WS_GROUP control):
// index of the checked one, -1 for none.
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value) noexcept;
// Selected index of a list box or combo box, -1 for none.
void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index) noexcept;
void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index) noexcept;
// Text of the selected item. Loading selects the first item that begins with the text (no
// selection in a list box when none does; a combo box then shows the text in its edit).
void DDX_LBString(CDataExchange* pDX, int nIDC, CString& value) noexcept;
void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value) noexcept;
// Subclasses the control into rControl the first time (in either direction).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) noexcept;

// Validation after the DDX_ of the same control: saving checks the variable the DDX_ has just
// stored (a failure leaves that value in it and keeps the dialog open). Loading:
// DDV_MaxChars limits the text the control accepts; the range checks do nothing.
void DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars) noexcept;
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal) noexcept;
void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal) noexcept;
