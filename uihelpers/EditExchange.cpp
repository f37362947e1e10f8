#include "uihelpers/EditExchange.h"

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "classlib/Ddx.h"
#include "classlib/String.h"
#include "classlib/Wnd.h"

namespace {

const int kNumberText = 32;     // number fields are read up to 31 characters
const int kPlainText = 260;     // text fields are compared up to 259 characters
const int kComboText = 1024;    // combo texts up to 1023 characters

const int64_t kPowersOfTen[10] = { 1, 10, 100, 1000, 10000, 100000, 1000000, 10000000,
                                   100000000, 1000000000 };

HWND Control(CDataExchange* pDX, int id)
{
    if (!pDX || !pDX->m_pDlgWnd || !pDX->m_pDlgWnd->m_hWnd)
        return nullptr;
    return ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, id);
}

void ReadText(HWND window, char* text, int size)
{
    text[0] = 0;
    ::GetWindowTextA(window, text, size);
    text[size - 1] = 0;
}

// Writes the text unless the field shows it already (compared up to size - 1 characters).
void SetTextIfDifferent(HWND window, const char* text, int size)
{
    char* shown = static_cast<char*>(malloc(static_cast<size_t>(size)));
    if (!shown)
        return;
    ReadText(window, shown, size);
    if (strncmp(shown, text, static_cast<size_t>(size - 1)) != 0)
        ::SetWindowTextA(window, text);
    free(shown);
}

int ClampDecimals(int decimals)
{
    return decimals < 0 ? 0 : decimals > 9 ? 9 : decimals;
}

// The integer of a number field the way the C library's decimal conversion reads it,
// saturated to 32 bits.
int ReadInt(HWND window)
{
    char text[kNumberText];
    ReadText(window, text, sizeof(text));
    long value = strtol(text, nullptr, 10);
    return value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : static_cast<int>(value);
}

void WriteInt(HWND window, int value)
{
    char text[16];
    snprintf(text, sizeof(text), "%d", value);
    SetTextIfDifferent(window, text, kNumberText);
}

bool HasClass(HWND window, const char* name)
{
    char cls[32];
    return window && ::GetClassNameA(window, cls, sizeof(cls)) && lstrcmpiA(cls, name) == 0;
}

// The controls of a range: the "to" edit, up to two labels and the mode selector.
struct RangeControls
{
    HWND label1;
    HWND toEdit;
    HWND label2;
    HWND selector;
    bool radios;
};

RangeControls FindRangeControls(HWND fromEdit)
{
    RangeControls c = { nullptr, nullptr, nullptr, nullptr, false };
    HWND w = ::GetWindow(fromEdit, GW_HWNDNEXT);
    if (HasClass(w, "Static"))
    {
        c.label1 = w;
        w = ::GetWindow(w, GW_HWNDNEXT);
    }
    if (HasClass(w, "Edit"))
    {
        c.toEdit = w;
        w = ::GetWindow(w, GW_HWNDNEXT);
    }
    if (HasClass(w, "Static"))
    {
        c.label2 = w;
        w = ::GetWindow(w, GW_HWNDNEXT);
    }
    if (HasClass(w, "Button"))
    {
        c.selector = w;
        c.radios = true;
    }
    else if (HasClass(w, "ComboBox"))
    {
        c.selector = w;
    }
    return c;
}

// The selector index of a mode and back, over the allowed modes only.
int ModeToIndex(int mode, unsigned allowed)
{
    if (mode < 0 || mode > 5 || !(allowed & (1u << mode)))
        return -1;
    int index = 0;
    for (int m = 0; m < mode; ++m)
        if (allowed & (1u << m))
            ++index;
    return index;
}

int IndexToMode(int index, unsigned allowed)
{
    if (index < 0)
        return 0;
    for (int m = 0; m < 32; ++m)
    {
        if (!(allowed & (1u << m)))
            continue;
        if (index-- == 0)
            return m > 5 ? 0 : m;
    }
    return 0;
}

// The checked radio's index in the group that starts at `first`, or sets it.
int ExchangeRadioGroup(HWND first, bool save, int index)
{
    int i = 0;
    int found = -1;
    for (HWND w = first; w; w = ::GetWindow(w, GW_HWNDNEXT))
    {
        if (w != first && (::GetWindowLongA(w, GWL_STYLE) & WS_GROUP))
            break;
        if (!(::SendMessageA(w, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON))
            continue;
        if (save)
        {
            if (found < 0 && ::SendMessageA(w, BM_GETCHECK, 0, 0) == BST_CHECKED)
                found = i;
        }
        else
        {
            ::SendMessageA(w, BM_SETCHECK, i == index ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        ++i;
    }
    return found;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Number texts

int FormatGroupedDecimal(double value, int decimals, char* text, int size)
{
    if (!text || size < 1)
        return 0;
    decimals = ClampDecimals(decimals);
    // A magnitude past 64 bits (or an infinity) would make the conversion undefined: it is
    // shown as the largest one that fits; a NaN has no digits and shows as 0.
    double scaled = fabs(value) * static_cast<double>(kPowersOfTen[decimals]) + 0.4999999;
    uint64_t n = 0;
    if (scaled >= 9223372036854775807.0)
        n = INT64_MAX;
    else if (scaled >= 0)
        n = static_cast<uint64_t>(scaled);
    uint64_t power = static_cast<uint64_t>(kPowersOfTen[decimals]);
    char digits[24];
    int count = snprintf(digits, sizeof(digits), "%llu", static_cast<unsigned long long>(n / power));
    char out[48];
    int pos = 0;
    if (value < 0)
        out[pos++] = '-';
    for (int i = 0; i < count; ++i)
    {
        int fromRight = count - i;
        out[pos++] = digits[i];
        if (fromRight > 1 && (fromRight - 1) % 3 == 0 && fromRight - 1 <= 12)
            out[pos++] = ' ';
    }
    if (decimals > 0)
        pos += snprintf(out + pos, sizeof(out) - static_cast<size_t>(pos), ".%0*llu", decimals,
                        static_cast<unsigned long long>(n % power));
    out[pos] = 0;
    int length = pos < size - 1 ? pos : size - 1;
    memcpy(text, out, static_cast<size_t>(length));
    text[length] = 0;
    return length;
}

double ParseGroupedDecimal(const char* text, int decimals)
{
    decimals = ClampDecimals(decimals);
    if (!text)
        return 0;
    // Blanks (the grouping the load writes) are skipped everywhere; a TAB is no blank here
    // and ends the number like any other character.
    const char* p = text;
    while (*p == ' ')
        ++p;
    bool negative = *p == '-';
    if (negative)
        ++p;
    double whole = 0;
    for (;; ++p)
    {
        if (*p == ' ')
            continue;
        if (*p < '0' || *p > '9')
            break;
        whole = whole * 10 + (*p - '0');
    }
    double fraction = 0;
    int read = 0;
    if (*p == '.' || *p == ',')
    {
        for (++p; read < decimals; ++p)
        {
            if (*p == ' ')
                continue;
            if (*p < '0' || *p > '9')
                break;
            fraction = fraction * 10 + (*p - '0');
            ++read;
        }
    }
    double value = whole + fraction / static_cast<double>(kPowersOfTen[read]);
    return negative ? -value : value;
}

// ---------------------------------------------------------------------------------------------
// Exchange routines

void DdxComboText(CDataExchange* pDX, int id, CString& value)
{
    HWND combo = Control(pDX, id);
    if (!combo)
        return;
    char* text = static_cast<char*>(malloc(kComboText));
    if (!text)
        return;
    text[0] = 0;
    LRESULT selected = ::SendMessageA(combo, CB_GETCURSEL, 0, 0);
    LRESULT length = selected >= 0 ? ::SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(selected), 0) : -1;
    // An item of 1024 characters or more is not read: it would not fit the text buffer. The
    // window text stands in for it.
    bool itemRead = false;
    if (selected >= 0 && length >= 0 && length < kComboText)
        itemRead = ::SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(text)) >= 0;
    if (pDX->m_bSaveAndValidate)
    {
        if (selected >= 0 && length >= kComboText)
        {
            // A selected item too long for the comparison buffer is still stored whole: the
            // selection, not the edit field that has not followed it yet, is the choice.
            char* item = static_cast<char*>(malloc(static_cast<size_t>(length) + 1));
            if (item && ::SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(item)) >= 0)
            {
                item[length] = 0;
                value = item;
                free(item);
                free(text);
                return;
            }
            free(item);
        }
        if (selected < 0 || !itemRead)
            ReadText(combo, text, kComboText);
        value = text;
    }
    else
    {
        if (selected < 0)
            ReadText(combo, text, kComboText);
        else if (!itemRead)
            lstrcpynA(text, value, kComboText);   // an item too long to read counts as equal
        if (strncmp(text, value, kComboText - 1) != 0)
        {
            // The old item would stay selected behind the new text, and the next save, which
            // prefers the selection, would hand back that item instead of the value loaded.
            if (selected >= 0)
                ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
            ::SetWindowTextA(combo, value);
        }
    }
    free(text);
}

void DdxInt(CDataExchange* pDX, int id, int& value)
{
    HWND field = Control(pDX, id);
    if (!field)
        return;
    if (pDX->m_bSaveAndValidate)
        value = ReadInt(field);
    else
        WriteInt(field, value);
}

void DdxText(CDataExchange* pDX, int id, char* buffer, int size)
{
    HWND field = Control(pDX, id);
    if (!field || !buffer || size < 1)
        return;
    if (pDX->m_bSaveAndValidate)
        ReadText(field, buffer, size);
    else
        SetTextIfDifferent(field, buffer, kPlainText);
}

void DdxDouble(CDataExchange* pDX, int id, double& value, int decimals)
{
    HWND field = Control(pDX, id);
    if (!field)
        return;
    char text[kNumberText + 16];
    if (pDX->m_bSaveAndValidate)
    {
        ReadText(field, text, kNumberText);
        value = ParseGroupedDecimal(text, decimals);
    }
    else
    {
        FormatGroupedDecimal(value, decimals, text, sizeof(text));
        SetTextIfDifferent(field, text, kNumberText);
    }
}

void DdxFloat(CDataExchange* pDX, int id, float& value, int decimals)
{
    double d = value;
    DdxDouble(pDX, id, d, decimals);
    if (pDX && pDX->m_bSaveAndValidate)
        value = static_cast<float>(d);
}

void DdxFloatScaled(CDataExchange* pDX, int id, float& value, double factor, int decimals)
{
    if (factor == 0)
        factor = 1;
    double d = value * factor;
    DdxDouble(pDX, id, d, decimals);
    if (pDX && pDX->m_bSaveAndValidate)
        value = static_cast<float>(d / factor);
}

void DdxRange(CDataExchange* pDX, int fromId, int& from, int& to, int& mode, unsigned allowedModes)
{
    HWND fromEdit = Control(pDX, fromId);
    if (!fromEdit)
        return;
    RangeControls c = FindRangeControls(fromEdit);
    if (pDX->m_bSaveAndValidate)
    {
        from = ReadInt(fromEdit);
        if (c.toEdit)
            to = ReadInt(c.toEdit);
        if (c.selector)
        {
            int index = c.radios ? ExchangeRadioGroup(c.selector, true, 0)
                                 : static_cast<int>(::SendMessageA(c.selector, CB_GETCURSEL, 0, 0));
            mode = IndexToMode(index, allowedModes);
        }
        return;
    }
    WriteInt(fromEdit, from);
    if (c.toEdit)
        WriteInt(c.toEdit, to);
    int index = ModeToIndex(mode, allowedModes);
    if (c.selector && c.radios)
        ExchangeRadioGroup(c.selector, false, index);
    else if (c.selector)
        ::SendMessageA(c.selector, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    const bool range = mode == 5;
    if (c.label1)
        SetTextIfDifferent(c.label1, range ? "Von :" : "Wert :", kPlainText);
    if (c.label2)
        SetTextIfDifferent(c.label2, range ? "Bis :" : "", kPlainText);
    ::EnableWindow(fromEdit, mode != 0);
    if (c.toEdit)
        ::EnableWindow(c.toEdit, range);
}

void ComboRefreshEditText(HWND combo)
{
    if (!combo || ::SendMessageA(combo, CB_GETCURSEL, 0, 0) < 0)
        return;
    char* text = static_cast<char*>(malloc(kComboText));
    if (!text)
        return;
    DWORD start = 0;
    DWORD end = 0;
    ::SendMessageA(combo, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    ReadText(combo, text, kComboText);
    ::SetWindowTextA(combo, text);
    ::SendMessageA(combo, CB_SETEDITSEL, 0, MAKELPARAM(start, end));
    free(text);
}
