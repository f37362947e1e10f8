// CNumberEntryDialog: asks for one 32-bit number in decimal, hexadecimal, octal or binary
// notation, on the plain template of the text entry dialog.
//
// Notation: blanks and tabs first, then one "-" or "+"; then a prefix "0x", "0o" or "0b"
// (either case) names the radix, or else a suffix "h", "o" or "b" (either case) right
// behind the leading run of that radix's digits does ("1Fh", "17o", "101b"); otherwise
// decimal. The digits are then read as the C library's unsigned conversion reads them:
// white space (blanks, tabs, line breaks) may stand before them, and so may a sign of their
// own, which flips the first ("--5" is 5, "- 5" and "+-5" are -5); in hexadecimal a "0x"
// before a hex digit is taken once more ("0x0x1F" is 31). Digits are read up to the first
// character that is no digit of the radix, so "12ab" is decimal 12 and an empty text, "0x"
// alone or a lone sign give 0.
#pragma once
#include <windows.h>
#include "classlib/Dialog.h"
#include "classlib/String.h"

// Result of ParseEntryNumber.
enum NumberEntryParse {
    NUMBER_ENTRY_OK = 0,
    NUMBER_ENTRY_TOO_BIG = 1    // more than 32 bits (negative: below -2^31); *value is 0
};

// Reads the text as the dialog's OK does. Non-negative numbers up to 0xFFFFFFFF keep
// their bits in the int; negative ones go down to -2^31. No window needed.
int ParseEntryNumber(const char* text, int* value);

class CNumberEntryDialog : public CDialog {
public:
    enum { kWindowUserData = 197 };

    explicit CNumberEntryDialog(CWnd* pParent = NULL);

    void SetCaption(LPCSTR text) { m_strCaption = text ? text : ""; }

    CString m_strText;        // shown on opening ("0"); exchanged with edit 1008
    int m_nValue;             // the number after IDOK
    CString m_strCaption;     // empty keeps "Dateinamen eingeben"
    CString m_strPrompt;      // empty leaves the prompt blank
    int m_bFocusEdit;         // nonzero: the focus moves to the edit on opening
    int m_nWidthFactor;       // widening of the edit (see PopupSize.h); pixels after opening

    BOOL OnInitDialog() override;
    // A number that does not fit 32 bits is refused with a message; the dialog stays open.
    void OnOK() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
