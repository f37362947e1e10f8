#include "classlib/Ddx.h"
#include "classlib/Wnd.h"
#include "classlib/WinApp.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cmath>
#include <climits>
#include <cstdint>

namespace {

// The messages of a failed exchange.
const char kMsgInteger[] = "Bitte eine ganze Zahl eingeben.";
const char kMsgUnsigned[] = "Bitte eine positive ganze Zahl eingeben.";
const char kMsgNumber[] = "Bitte eine Zahl eingeben.";
const char kMsgIntRange[] = "Bitte eine Zahl zwischen %d und %d eingeben.";
const char kMsgUIntRange[] = "Bitte eine Zahl zwischen %u und %u eingeben.";
const char kMsgMaxChars[] = "Bitte nicht mehr als %d Zeichen eingeben.";

// Significant digits that survive a round trip through text.
const int kDoubleDigits = 15;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

const char* SkipBlanks(const char* p)
{
    while (IsBlank(*p)) ++p;
    return p;
}

// Digits up to the first non-digit; false on overflow of maxMagnitude or without digits.
bool ReadDigits(const char*& p, unsigned __int64 maxMagnitude, unsigned __int64* magnitude)
{
    if (*p < '0' || *p > '9') return false;
    unsigned __int64 v = 0;
    while (*p >= '0' && *p <= '9') {
        unsigned d = static_cast<unsigned>(*p - '0');
        if (v > (maxMagnitude - d) / 10) return false;
        v = v * 10 + d;
        ++p;
    }
    *magnitude = v;
    return true;
}

int CopyOut(const char* text, int length, LPSTR buf, int size)
{
    if (!buf || size < 1) return -1;
    if (length >= size) {
        buf[0] = 0;
        return -1;
    }
    memcpy(buf, text, static_cast<size_t>(length) + 1);
    return length;
}

void ShowFailure(CDataExchange* pDX, LPCSTR text)
{
    HWND owner = (pDX->m_pDlgWnd) ? pDX->m_pDlgWnd->m_hWnd : NULL;
    LPCSTR caption = AfxGetAppName();
    ::MessageBoxA(owner, text, (caption && *caption) ? caption : NULL, MB_OK | MB_ICONEXCLAMATION);
}

void FailWith(CDataExchange* pDX, LPCSTR text)
{
    ShowFailure(pDX, text);
    pDX->Fail();
}

CString GetText(HWND hWnd)
{
    CString s;
    int n = ::GetWindowTextLengthA(hWnd);
    if (n <= 0) return s;
    LPSTR p = s.GetBuffer(n);
    if (!p) return s;
    ::GetWindowTextA(hWnd, p, n + 1);
    s.ReleaseBuffer();
    return s;
}

// Rewriting an unchanged text would move the caret and raise a change notification for
// nothing.
void SetTextIfChanged(HWND hWnd, LPCSTR text)
{
    if (!text) text = "";
    int have = ::GetWindowTextLengthA(hWnd);
    if (have == static_cast<int>(strlen(text))) {
        CString now = GetText(hWnd);
        if (now.Compare(text) == 0) return;
    }
    ::SetWindowTextA(hWnd, text);
}

// Shared body of the integer exchanges.
void ExchangeSigned(CDataExchange* pDX, int nIDC, __int64 minValue, __int64 maxValue, __int64* value)
{
    if (pDX->m_bFailed) return;
    HWND hWnd = pDX->PrepareEditCtrl(nIDC);
    if (!hWnd) return;
    if (pDX->m_bSaveAndValidate) {
        __int64 v;
        CString text = GetText(hWnd);
        if (!DdxParseSigned(text, minValue, maxValue, &v)) {
            FailWith(pDX, kMsgInteger);
            return;
        }
        *value = v;
    } else {
        char buf[32];
        DdxFormatSigned(*value, buf, sizeof buf);
        SetTextIfChanged(hWnd, buf);
    }
}

void ExchangeUnsigned(CDataExchange* pDX, int nIDC, unsigned __int64 maxValue, unsigned __int64* value)
{
    if (pDX->m_bFailed) return;
    HWND hWnd = pDX->PrepareEditCtrl(nIDC);
    if (!hWnd) return;
    if (pDX->m_bSaveAndValidate) {
        unsigned __int64 v;
        CString text = GetText(hWnd);
        if (!DdxParseUnsigned(text, maxValue, &v)) {
            FailWith(pDX, kMsgUnsigned);
            return;
        }
        *value = v;
    } else {
        char buf[32];
        DdxFormatUnsigned(*value, buf, sizeof buf);
        SetTextIfChanged(hWnd, buf);
    }
}

bool IsComboBox(HWND hWnd)
{
    char cls[16];
    if (!::GetClassNameA(hWnd, cls, sizeof cls)) return false;
    return lstrcmpiA(cls, "ComboBox") == 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Parsing and formatting

BOOL DdxParseSigned(LPCSTR text, __int64 minValue, __int64 maxValue, __int64* value) noexcept
{
    if (!text || !value || minValue > maxValue) return FALSE;
    const char* p = SkipBlanks(text);
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = (*p == '-');
        ++p;
    }
    // The magnitude of the most negative 64-bit value is one more than the largest positive.
    const unsigned __int64 limit = negative ? (static_cast<unsigned __int64>(INT64_MAX) + 1)
                                            : static_cast<unsigned __int64>(INT64_MAX);
    unsigned __int64 magnitude;
    if (!ReadDigits(p, limit, &magnitude)) return FALSE;
    if (*SkipBlanks(p) != 0) return FALSE;
    __int64 v;
    if (negative)
        v = (magnitude == limit) ? INT64_MIN : -static_cast<__int64>(magnitude);
    else
        v = static_cast<__int64>(magnitude);
    if (v < minValue || v > maxValue) return FALSE;
    *value = v;
    return TRUE;
}

BOOL DdxParseUnsigned(LPCSTR text, unsigned __int64 maxValue, unsigned __int64* value) noexcept
{
    if (!text || !value) return FALSE;
    const char* p = SkipBlanks(text);
    if (*p == '+') ++p;
    unsigned __int64 magnitude;
    if (!ReadDigits(p, maxValue, &magnitude)) return FALSE;
    if (*SkipBlanks(p) != 0) return FALSE;
    *value = magnitude;
    return TRUE;
}

BOOL DdxParseDouble(LPCSTR text, double* value) noexcept
{
    if (!text || !value) return FALSE;
    // Check the shape first: strtod would also take "inf", "nan" and hexadecimal forms.
    const char* p = SkipBlanks(text);
    const char* start = p;
    if (*p == '+' || *p == '-') ++p;
    int digits = 0;
    while (*p >= '0' && *p <= '9') { ++p; ++digits; }
    if (*p == '.') {
        ++p;
        while (*p >= '0' && *p <= '9') { ++p; ++digits; }
    }
    if (digits == 0) return FALSE;
    if (*p == 'e' || *p == 'E') {
        ++p;
        if (*p == '+' || *p == '-') ++p;
        if (*p < '0' || *p > '9') return FALSE;
        while (*p >= '0' && *p <= '9') ++p;
    }
    const char* end = p;
    if (*SkipBlanks(p) != 0) return FALSE;
    char* stop = NULL;
    double v = strtod(start, &stop);
    if (stop != end || std::isinf(v) || std::isnan(v)) return FALSE;
    *value = v;
    return TRUE;
}

int DdxFormatUnsigned(unsigned __int64 value, LPSTR buf, int size) noexcept
{
    char tmp[24];
    int i = sizeof tmp - 1;
    tmp[i] = 0;
    do {
        tmp[--i] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    return CopyOut(tmp + i, static_cast<int>(sizeof tmp - 1 - i), buf, size);
}

int DdxFormatSigned(__int64 value, LPSTR buf, int size) noexcept
{
    char tmp[24];
    unsigned __int64 magnitude = value < 0 ? 0 - static_cast<unsigned __int64>(value)
                                           : static_cast<unsigned __int64>(value);
    int n = DdxFormatUnsigned(magnitude, tmp + 1, sizeof tmp - 1);
    if (value < 0) {
        tmp[0] = '-';
        return CopyOut(tmp, n + 1, buf, size);
    }
    return CopyOut(tmp + 1, n, buf, size);
}

int DdxFormatDouble(double value, int digits, LPSTR buf, int size) noexcept
{
    if (digits < 1) digits = 1;
    if (digits > 17) digits = 17;
    char tmp[64];
    int n = snprintf(tmp, sizeof tmp, "%.*g", digits, value);
    if (n < 0 || n >= static_cast<int>(sizeof tmp)) {
        if (buf && size >= 1) buf[0] = 0;
        return -1;
    }
    return CopyOut(tmp, n, buf, size);
}

// ---------------------------------------------------------------------------------------------
// CDataExchange

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) noexcept
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd), m_hWndLastControl(NULL),
      m_bEditLastControl(FALSE), m_bFailed(FALSE)
{
}

HWND CDataExchange::PrepareCtrl(int nIDC) noexcept
{
    HWND hDlg = m_pDlgWnd ? m_pDlgWnd->m_hWnd : NULL;
    HWND hWnd = hDlg ? ::GetDlgItem(hDlg, nIDC) : NULL;
    if (!hWnd) {
        // A control the dialog does not have: nothing sensible can be exchanged.
        m_bFailed = TRUE;
        return NULL;
    }
    m_hWndLastControl = hWnd;
    m_bEditLastControl = FALSE;
    return hWnd;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC) noexcept
{
    HWND hWnd = PrepareCtrl(nIDC);
    if (hWnd) m_bEditLastControl = TRUE;
    return hWnd;
}

void CDataExchange::Fail() noexcept
{
    m_bFailed = TRUE;
    if (!m_bSaveAndValidate || !m_hWndLastControl || !::IsWindow(m_hWndLastControl)) return;
    ::SetFocus(m_hWndLastControl);
    if (m_bEditLastControl) ::SendMessageA(m_hWndLastControl, EM_SETSEL, 0, -1);
}

// ---------------------------------------------------------------------------------------------
// DDX_Text

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) noexcept
{
    if (!pDX) return;
    __int64 v = value;
    ExchangeSigned(pDX, nIDC, INT_MIN, INT_MAX, &v);
    if (pDX->m_bSaveAndValidate && !pDX->m_bFailed) value = static_cast<int>(v);
}

void DDX_Text(CDataExchange* pDX, int nIDC, long& value) noexcept
{
    if (!pDX) return;
    __int64 v = value;
    ExchangeSigned(pDX, nIDC, LONG_MIN, LONG_MAX, &v);
    if (pDX->m_bSaveAndValidate && !pDX->m_bFailed) value = static_cast<long>(v);
}

void DDX_Text(CDataExchange* pDX, int nIDC, __int64& value) noexcept
{
    if (!pDX) return;
    ExchangeSigned(pDX, nIDC, INT64_MIN, INT64_MAX, &value);
}

void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) noexcept
{
    if (!pDX) return;
    unsigned __int64 v = value;
    ExchangeUnsigned(pDX, nIDC, UINT_MAX, &v);
    if (pDX->m_bSaveAndValidate && !pDX->m_bFailed) value = static_cast<UINT>(v);
}

void DDX_Text(CDataExchange* pDX, int nIDC, DWORD& value) noexcept
{
    if (!pDX) return;
    unsigned __int64 v = value;
    ExchangeUnsigned(pDX, nIDC, ULONG_MAX, &v);
    if (pDX->m_bSaveAndValidate && !pDX->m_bFailed) value = static_cast<DWORD>(v);
}

void DDX_Text(CDataExchange* pDX, int nIDC, double& value) noexcept
{
    if (!pDX || pDX->m_bFailed) return;
    HWND hWnd = pDX->PrepareEditCtrl(nIDC);
    if (!hWnd) return;
    if (pDX->m_bSaveAndValidate) {
        double v;
        CString text = GetText(hWnd);
        if (!DdxParseDouble(text, &v)) {
            FailWith(pDX, kMsgNumber);
            return;
        }
        value = v;
    } else {
        char buf[64];
        DdxFormatDouble(value, kDoubleDigits, buf, sizeof buf);
        SetTextIfChanged(hWnd, buf);
    }
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) noexcept
{
    if (!pDX || pDX->m_bFailed) return;
    HWND hWnd = pDX->PrepareEditCtrl(nIDC);
    if (!hWnd) return;
    if (pDX->m_bSaveAndValidate)
        value = GetText(hWnd);
    else
        SetTextIfChanged(hWnd, value);
}

void DDX_Text(CDataExchange* pDX, int nIDC, LPSTR value, int nMaxLen) noexcept
{
    if (!pDX || pDX->m_bFailed) return;
    HWND hWnd = pDX->PrepareEditCtrl(nIDC);
    if (!hWnd || !value || nMaxLen < 1) return;
    if (pDX->m_bSaveAndValidate) {
        if (::GetWindowTextLengthA(hWnd) > nMaxLen - 1) {
            CString msg;
            msg.Format(kMsgMaxChars, nMaxLen - 1);
            FailWith(pDX, msg);
            return;
        }
        ::GetWindowTextA(hWnd, value, nMaxLen);
        value[nMaxLen - 1] = 0;
    } else {
        // The buffer need not be terminated within its size; never read past it.
        int n = 0;
        while (n < nMaxLen && value[n]) ++n;
        CString text(value, n);
        SetTextIfChanged(hWnd, text);
    }
}

// ---------------------------------------------------------------------------------------------
// Buttons and lists

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) noexcept
{
    if (!pDX || pDX->m_bFailed) return;
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (!hWnd) return;
    if (pDX->m_bSaveAndValidate) {
        value = static_cast<int>(::SendMessageA(hWnd, BM_GETCHECK, 0, 0));
    } else {
        WPARAM state = value == 0 ? BST_UNCHECKED : value == 2 ? BST_INDETERMINATE : BST_CHECKED;
        ::SendMessageA(hWnd, BM_SETCHECK, state, 0);
    }
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value) noexcept
{
    if (!pDX || pDX->m_bFailed) return;
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (!hWnd) return;
    if (pDX->m_bSaveAndValidate) value = -1;
    int index = 0;
    do {
        if (::SendMessageA(hWnd, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) {
            if (pDX->m_bSaveAndValidate) {
                if (::SendMessageA(hWnd, BM_GETCHECK, 0, 0) == BST_CHECKED && value == -1)
                    value = index;
            } else {
                ::SendMessageA(hWnd, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            ++index;
        }
        hWnd = ::GetWindow(hWnd, GW_HWNDNEXT);
    } while (hWnd && !(::GetWindowLongA(hWnd, GWL_STYLE) & WS_GROUP));
}

void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index) noexcept
{
    if (!pDX || pDX->m_bFailed) return;
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (!hWnd) return;
    if (pDX->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessageA(hWnd, LB_GETCURSEL, 0, 0));
    else
        ::SendMessageA(hWnd, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index) noexcept
{
    if (!pDX || pDX->m_bFailed) return;
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (!hWnd) return;
    if (pDX->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessageA(hWnd, CB_GETCURSEL, 0, 0));
    else
        ::SendMessageA(hWnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDX_LBString(CDataExchange* pDX, int nIDC, CString& value) noexcept
{
    if (!pDX || pDX->m_bFailed) return;
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (!hWnd) return;
    if (pDX->m_bSaveAndValidate) {
        CString text;
        LRESULT sel = ::SendMessageA(hWnd, LB_GETCURSEL, 0, 0);
        if (sel != LB_ERR) {
            LRESULT len = ::SendMessageA(hWnd, LB_GETTEXTLEN, static_cast<WPARAM>(sel), 0);
            if (len != LB_ERR && len >= 0) {
                // An owner-drawn list without strings writes its item data (a pointer's size).
                LPSTR p = text.GetBuffer(static_cast<int>(len) + static_cast<int>(sizeof(ULONG_PTR)));
                if (p) {
                    LRESULT got = ::SendMessageA(hWnd, LB_GETTEXT, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(p));
                    text.ReleaseBuffer(got == LB_ERR ? 0 : -1);
                }
            }
        }
        value = text;
    } else {
        LRESULT found = ::SendMessageA(hWnd, LB_SELECTSTRING, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(static_cast<LPCSTR>(value)));
        if (found == LB_ERR) ::SendMessageA(hWnd, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    }
}

void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value) noexcept
{
    if (!pDX || pDX->m_bFailed) return;
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (!hWnd) return;
    if (pDX->m_bSaveAndValidate) {
        // The window text of a combo box is its edit field, or the selected item of a
        // drop-down list.
        value = GetText(hWnd);
    } else {
        LRESULT found = ::SendMessageA(hWnd, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(static_cast<LPCSTR>(value)));
        if (found == CB_ERR) {
            // A drop-down list ignores the text; an editable combo shows it.
            ::SendMessageA(hWnd, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
            SetTextIfChanged(hWnd, value);
        }
    }
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) noexcept
{
    if (!pDX || pDX->m_bFailed || rControl.m_hWnd) return;
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (!hWnd) return;
    if (!rControl.SubclassWindow(hWnd)) pDX->m_bFailed = TRUE;
}

// ---------------------------------------------------------------------------------------------
// Validation

void DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars) noexcept
{
    if (!pDX || pDX->m_bFailed) return;
    if (nChars < 0) nChars = 0;
    if (pDX->m_bSaveAndValidate) {
        if (value.GetLength() > nChars) {
            CString msg;
            msg.Format(kMsgMaxChars, nChars);
            FailWith(pDX, msg);
        }
    } else if (pDX->m_hWndLastControl) {
        HWND hWnd = pDX->m_hWndLastControl;
        // A limit of 0 would mean "no limit" to the control; one character is the nearest.
        WPARAM limit = nChars ? static_cast<WPARAM>(nChars) : 1;
        ::SendMessageA(hWnd, IsComboBox(hWnd) ? CB_LIMITTEXT : EM_LIMITTEXT, limit, 0);
    }
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal) noexcept
{
    if (!pDX || pDX->m_bFailed || !pDX->m_bSaveAndValidate) return;
    if (value < minVal || value > maxVal) {
        CString msg;
        msg.Format(kMsgIntRange, minVal, maxVal);
        FailWith(pDX, msg);
    }
}

void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal) noexcept
{
    if (!pDX || pDX->m_bFailed || !pDX->m_bSaveAndValidate) return;
    if (value < minVal || value > maxVal) {
        CString msg;
        msg.Format(kMsgUIntRange, minVal, maxVal);
        FailWith(pDX, msg);
    }
}
