#include "uihelpers/NumberEntryDialog.h"

#include <string.h>
#include "textlib/IntParse.h"
#include "uihelpers/TextEntryDialog.h"

namespace {

// Length of the leading run of characters from `set`.
size_t RunOf(const char* text, const char* set)
{
    return strspn(text, set);
}

bool IsChar(char c, char lower)
{
    return c == lower || c == lower - 'a' + 'A';
}

}  // namespace

int ParseEntryNumber(const char* text, int* value)
{
    *value = 0;
    if (!text)
        return NUMBER_ENTRY_OK;
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    bool negative = false;
    if (*p == '-' || *p == '+') {
        negative = *p == '-';
        ++p;
    }
    int radix = 10;
    if (p[0] == '0' && (IsChar(p[1], 'x') || IsChar(p[1], 'o') || IsChar(p[1], 'b'))) {
        radix = IsChar(p[1], 'x') ? 16 : IsChar(p[1], 'o') ? 8 : 2;
        p += 2;
    } else {
        size_t hex = RunOf(p, "0123456789abcdefABCDEF");
        size_t oct = RunOf(p, "01234567");
        size_t bin = RunOf(p, "01");
        if (hex && IsChar(p[hex], 'h'))
            radix = 16;
        else if (oct && IsChar(p[oct], 'o'))
            radix = 8;
        else if (bin && IsChar(p[bin], 'b'))
            radix = 2;
    }
    // The digits are read as the C library's unsigned conversion reads them: white space, a
    // sign of their own and, in hexadecimal, a "0x" may come first ("- 5" is -5, "0x 1F" is 31).
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    if (*p == '-' || *p == '+') {
        negative = negative != (*p == '-');
        ++p;
    }
    if (radix == 16 && p[0] == '0' && IsChar(p[1], 'x') && p[2] && strchr("0123456789abcdefABCDEF", p[2]))
        p += 2;
    // That conversion gives all ones for a number past 32 bits, and 0x1FFFFFFFF would come back
    // as -1: the digits are read in 64 bits, which saturate, and a number beyond 32 bits is
    // refused with a message instead.
    unsigned long long magnitude = static_cast<unsigned long long>(
        ParseInteger64(p, static_cast<unsigned>(radix) | IPF_NO_SIGN | IPF_NO_LEADING_BLANKS, NULL));
    if (magnitude > 0xFFFFFFFFull)
        return NUMBER_ENTRY_TOO_BIG;
    if (negative) {
        if (magnitude > 0x80000000ull)
            return NUMBER_ENTRY_TOO_BIG;
        *value = static_cast<int>(0u - static_cast<unsigned>(magnitude));
    } else {
        *value = static_cast<int>(static_cast<unsigned>(magnitude));
    }
    return NUMBER_ENTRY_OK;
}

CNumberEntryDialog::CNumberEntryDialog(CWnd* pParent)
    : m_strText("0"), m_nValue(0), m_bFocusEdit(0), m_nWidthFactor(0)
{
    m_pParentWnd = pParent;
    InitModalIndirect(EntryTemplate(false), pParent);
}

void CNumberEntryDialog::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, CTextEntryDialog::IDC_ENTRY_EDIT, m_strText);
}

BOOL CNumberEntryDialog::OnInitDialog()
{
    // Only the edit grows; the prompt keeps its width.
    PrepareEntryDialog(m_hWnd, kWindowUserData, m_bFocusEdit, &m_nWidthFactor, false);
    CDialog::OnInitDialog();
    if (!m_strCaption.IsEmpty())
        SetWindowText(m_strCaption);
    if (!m_strPrompt.IsEmpty())
        SetDlgItemText(CTextEntryDialog::IDC_ENTRY_PROMPT, m_strPrompt);
    return TRUE;
}

void CNumberEntryDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    int value = 0;
    if (ParseEntryNumber(m_strText, &value) != NUMBER_ENTRY_OK) {
        char caption[128];
        ::GetWindowTextA(m_hWnd, caption, sizeof caption);
        ::MessageBoxA(m_hWnd, "Die Zahl passt nicht in 32 Bit.", caption, MB_OK | MB_ICONEXCLAMATION);
        HWND edit = ::GetDlgItem(m_hWnd, CTextEntryDialog::IDC_ENTRY_EDIT);
        if (edit) {
            PostMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
            ::SendMessageA(edit, EM_SETSEL, 0, -1);
        }
        return;
    }
    m_nValue = value;
    EndDialog(IDOK);
}
