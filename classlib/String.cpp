#include "classlib/String.h"
#include "classlib/WinApp.h"
#include "textlib/StrPrintf.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// Far below INT_MAX, so that length arithmetic and the header never overflow.
const int kMaxLength = 0x3FFFFFF0;

// The shared empty string: a header with length 0 and capacity 0, then the terminator.
// Capacity 0 marks it; it is never written.
alignas(int) const char s_emptyBlock[2 * sizeof(int) + sizeof(int)] = {};

int SafeLength(LPCSTR text) noexcept
{
    if (!text)
        return 0;
    size_t n = strlen(text);
    return n > static_cast<size_t>(kMaxLength) ? kMaxLength : static_cast<int>(n);
}

bool IsCSpace(char ch) noexcept
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

}  // namespace

LPSTR CString::EmptyData() noexcept
{
    return const_cast<char*>(s_emptyBlock) + sizeof(Data);
}

CString::Data* CString::Allocate(int capacity) noexcept
{
    if (capacity < 1)
        capacity = 1;
    if (capacity > kMaxLength)
        return nullptr;
    Data* d = static_cast<Data*>(malloc(sizeof(Data) + static_cast<size_t>(capacity) + 1));
    if (!d)
        return nullptr;
    d->length = 0;
    d->capacity = capacity;
    reinterpret_cast<char*>(d + 1)[0] = '\0';
    return d;
}

void CString::Release() noexcept
{
    if (!IsSharedEmpty())
        free(Header());
    m_pchData = EmptyData();
}

bool CString::Reserve(int capacity) noexcept
{
    if (!IsSharedEmpty() && Header()->capacity >= capacity)
        return true;
    Data* d = Allocate(capacity);
    if (!d)
        return false;
    int length = GetLength();
    memcpy(d + 1, m_pchData, static_cast<size_t>(length) + 1);
    d->length = length;
    Release();
    m_pchData = reinterpret_cast<char*>(d + 1);
    return true;
}

bool CString::AssignCopy(LPCSTR src, int length) noexcept
{
    if (!src || length <= 0) {
        if (!IsSharedEmpty()) {
            Header()->length = 0;
            m_pchData[0] = '\0';
        }
        return true;
    }
    if (!IsSharedEmpty() && Header()->capacity >= length) {
        memmove(m_pchData, src, static_cast<size_t>(length));   // src may lie in our own text
        m_pchData[length] = '\0';
        Header()->length = length;
        return true;
    }
    Data* d = Allocate(length);
    if (!d)
        return false;
    char* text = reinterpret_cast<char*>(d + 1);
    memcpy(text, src, static_cast<size_t>(length));
    text[length] = '\0';
    d->length = length;
    Release();
    m_pchData = text;
    return true;
}

bool CString::Append(LPCSTR src, int length) noexcept
{
    if (!src || length <= 0)
        return true;
    int old = GetLength();
    if (length > kMaxLength - old)
        return false;
    int need = old + length;
    if (!IsSharedEmpty() && Header()->capacity >= need) {
        memmove(m_pchData + old, src, static_cast<size_t>(length));
        m_pchData[need] = '\0';
        Header()->length = need;
        return true;
    }
    // Grow by half again, so that a loop of appends stays linear.
    int grown = need <= kMaxLength - need / 2 ? need + need / 2 : kMaxLength;
    Data* d = Allocate(grown);
    if (!d && grown != need)
        d = Allocate(need);
    if (!d)
        return false;
    char* text = reinterpret_cast<char*>(d + 1);
    memcpy(text, m_pchData, static_cast<size_t>(old));
    memcpy(text + old, src, static_cast<size_t>(length));   // before the old block goes
    text[need] = '\0';
    d->length = need;
    Release();
    m_pchData = text;
    return true;
}

// --- construction

CString::CString() noexcept : m_pchData(EmptyData())
{
}

CString::CString(const CString& src) noexcept : m_pchData(EmptyData())
{
    AssignCopy(src.m_pchData, src.GetLength());
}

CString::CString(CString&& src) noexcept : m_pchData(src.m_pchData)
{
    src.m_pchData = EmptyData();
}

CString::CString(LPCSTR src) noexcept : m_pchData(EmptyData())
{
    if (src && IS_INTRESOURCE(src))
        LoadString(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(src)));
    else
        AssignCopy(src, SafeLength(src));
}

CString::CString(LPCSTR src, int length) noexcept : m_pchData(EmptyData())
{
    if (src && length > 0)
        AssignCopy(src, static_cast<int>(strnlen(src, static_cast<size_t>(length))));
}

CString::CString(LPCWSTR src) noexcept : m_pchData(EmptyData())
{
    *this = src;
}

CString::CString(char ch, int repeat) noexcept : m_pchData(EmptyData())
{
    if (repeat > 0 && ch != '\0' && Reserve(repeat)) {
        memset(m_pchData, ch, static_cast<size_t>(repeat));
        m_pchData[repeat] = '\0';
        Header()->length = repeat;
    }
}

CString::~CString()
{
    Release();
}

void CString::Empty() noexcept
{
    Release();
}

char CString::GetAt(int index) const noexcept
{
    return (index >= 0 && index < GetLength()) ? m_pchData[index] : '\0';
}

void CString::SetAt(int index, char ch) noexcept
{
    if (index >= 0 && index < GetLength() && ch != '\0')
        m_pchData[index] = ch;
}

// --- assignment and concatenation

CString& CString::operator=(const CString& src) noexcept
{
    if (this != &src)
        AssignCopy(src.m_pchData, src.GetLength());
    return *this;
}

CString& CString::operator=(CString&& src) noexcept
{
    if (this != &src) {
        Release();
        m_pchData = src.m_pchData;
        src.m_pchData = EmptyData();
    }
    return *this;
}

CString& CString::operator=(LPCSTR src) noexcept
{
    if (src && IS_INTRESOURCE(src)) {
        Empty();
        LoadString(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(src)));
    } else {
        AssignCopy(src, SafeLength(src));
    }
    return *this;
}

CString& CString::operator=(LPCWSTR src) noexcept
{
    if (!src || !*src) {
        Empty();
        return *this;
    }
    int needed = WideCharToMultiByte(CP_ACP, 0, src, -1, nullptr, 0, nullptr, nullptr);
    CString converted;
    if (needed > 1 && converted.GetBuffer(needed - 1)) {
        int written = WideCharToMultiByte(CP_ACP, 0, src, -1, converted.m_pchData, needed, nullptr, nullptr);
        converted.ReleaseBuffer(written > 0 ? written - 1 : 0);
    }
    *this = static_cast<CString&&>(converted);
    return *this;
}

CString& CString::operator=(char ch) noexcept
{
    AssignCopy(&ch, ch ? 1 : 0);
    return *this;
}

CString& CString::operator+=(const CString& src) noexcept
{
    Append(src.m_pchData, src.GetLength());
    return *this;
}

CString& CString::operator+=(LPCSTR src) noexcept
{
    Append(src, SafeLength(src));
    return *this;
}

CString& CString::operator+=(char ch) noexcept
{
    if (ch)
        Append(&ch, 1);
    return *this;
}

CString CString::Concat(LPCSTR a, int lengthA, LPCSTR b, int lengthB) noexcept
{
    CString result;
    if (lengthA + static_cast<long long>(lengthB) <= kMaxLength && result.Reserve(lengthA + lengthB)) {
        result.Append(a, lengthA);
        result.Append(b, lengthB);
    }
    return result;
}

CString operator+(const CString& a, const CString& b) noexcept
{
    return CString::Concat(a, a.GetLength(), b, b.GetLength());
}

CString operator+(const CString& a, LPCSTR b) noexcept
{
    return CString::Concat(a, a.GetLength(), b, SafeLength(b));
}

CString operator+(LPCSTR a, const CString& b) noexcept
{
    return CString::Concat(a, SafeLength(a), b, b.GetLength());
}

CString operator+(const CString& a, char b) noexcept
{
    return CString::Concat(a, a.GetLength(), &b, b ? 1 : 0);
}

CString operator+(char a, const CString& b) noexcept
{
    return CString::Concat(&a, a ? 1 : 0, b, b.GetLength());
}

// --- comparison

int CString::Compare(LPCSTR other) const noexcept
{
    return strcmp(m_pchData, other ? other : "");
}

int CString::CompareNoCase(LPCSTR other) const noexcept
{
    return lstrcmpiA(m_pchData, other ? other : "");
}

int CString::Collate(LPCSTR other) const noexcept
{
    return lstrcmpA(m_pchData, other ? other : "");
}

int CString::CollateNoCase(LPCSTR other) const noexcept
{
    return lstrcmpiA(m_pchData, other ? other : "");
}

bool operator==(const CString& a, const CString& b) noexcept { return a.Compare(b) == 0; }
bool operator==(const CString& a, LPCSTR b) noexcept { return a.Compare(b) == 0; }
bool operator==(LPCSTR a, const CString& b) noexcept { return b.Compare(a) == 0; }
bool operator!=(const CString& a, const CString& b) noexcept { return a.Compare(b) != 0; }
bool operator!=(const CString& a, LPCSTR b) noexcept { return a.Compare(b) != 0; }
bool operator!=(LPCSTR a, const CString& b) noexcept { return b.Compare(a) != 0; }
bool operator<(const CString& a, const CString& b) noexcept { return a.Compare(b) < 0; }
bool operator<(const CString& a, LPCSTR b) noexcept { return a.Compare(b) < 0; }
bool operator<(LPCSTR a, const CString& b) noexcept { return b.Compare(a) > 0; }
bool operator>(const CString& a, const CString& b) noexcept { return a.Compare(b) > 0; }
bool operator>(const CString& a, LPCSTR b) noexcept { return a.Compare(b) > 0; }
bool operator>(LPCSTR a, const CString& b) noexcept { return b.Compare(a) < 0; }
bool operator<=(const CString& a, const CString& b) noexcept { return a.Compare(b) <= 0; }
bool operator<=(const CString& a, LPCSTR b) noexcept { return a.Compare(b) <= 0; }
bool operator<=(LPCSTR a, const CString& b) noexcept { return b.Compare(a) >= 0; }
bool operator>=(const CString& a, const CString& b) noexcept { return a.Compare(b) >= 0; }
bool operator>=(const CString& a, LPCSTR b) noexcept { return a.Compare(b) >= 0; }
bool operator>=(LPCSTR a, const CString& b) noexcept { return b.Compare(a) <= 0; }

// --- extraction

CString CString::Mid(int first) const noexcept
{
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const noexcept
{
    int length = GetLength();
    if (first < 0)
        first = 0;
    if (first >= length || count <= 0)
        return CString();
    if (count > length - first)
        count = length - first;
    return CString(m_pchData + first, count);
}

CString CString::Left(int count) const noexcept
{
    return Mid(0, count);
}

CString CString::Right(int count) const noexcept
{
    int length = GetLength();
    if (count <= 0)
        return CString();
    if (count > length)
        count = length;
    return CString(m_pchData + length - count, count);
}

CString CString::SpanIncluding(LPCSTR charSet) const noexcept
{
    if (!charSet)
        return CString();
    return Left(static_cast<int>(strspn(m_pchData, charSet)));
}

CString CString::SpanExcluding(LPCSTR charSet) const noexcept
{
    if (!charSet)
        return *this;
    return Left(static_cast<int>(strcspn(m_pchData, charSet)));
}

// --- searching

int CString::Find(char ch, int start) const noexcept
{
    if (start < 0)
        start = 0;
    if (ch == '\0' || start >= GetLength())
        return -1;
    const char* hit = strchr(m_pchData + start, ch);
    return hit ? static_cast<int>(hit - m_pchData) : -1;
}

int CString::Find(LPCSTR sub, int start) const noexcept
{
    if (!sub)
        return -1;
    if (start < 0)
        start = 0;
    if (start > GetLength())
        return -1;
    const char* hit = strstr(m_pchData + start, sub);
    return hit ? static_cast<int>(hit - m_pchData) : -1;
}

int CString::ReverseFind(char ch) const noexcept
{
    if (ch == '\0')
        return -1;
    const char* hit = strrchr(m_pchData, ch);
    return hit ? static_cast<int>(hit - m_pchData) : -1;
}

int CString::FindOneOf(LPCSTR charSet) const noexcept
{
    if (!charSet || !*charSet)
        return -1;
    const char* hit = strpbrk(m_pchData, charSet);
    return hit ? static_cast<int>(hit - m_pchData) : -1;
}

// --- changing

void CString::MakeUpper() noexcept
{
    if (GetLength() > 0)
        CharUpperBuffA(m_pchData, static_cast<DWORD>(GetLength()));
}

void CString::MakeLower() noexcept
{
    if (GetLength() > 0)
        CharLowerBuffA(m_pchData, static_cast<DWORD>(GetLength()));
}

void CString::MakeReverse() noexcept
{
    std::reverse(m_pchData, m_pchData + GetLength());
}

void CString::TrimLeft() noexcept
{
    int n = 0;
    while (n < GetLength() && IsCSpace(m_pchData[n]))
        ++n;
    Delete(0, n);
}

void CString::TrimLeft(char target) noexcept
{
    int n = 0;
    while (target && n < GetLength() && m_pchData[n] == target)
        ++n;
    Delete(0, n);
}

void CString::TrimLeft(LPCSTR targets) noexcept
{
    if (targets)
        Delete(0, static_cast<int>(strspn(m_pchData, targets)));
}

void CString::TrimRight() noexcept
{
    int n = GetLength();
    while (n > 0 && IsCSpace(m_pchData[n - 1]))
        --n;
    Delete(n, GetLength() - n);
}

void CString::TrimRight(char target) noexcept
{
    int n = GetLength();
    while (target && n > 0 && m_pchData[n - 1] == target)
        --n;
    Delete(n, GetLength() - n);
}

void CString::TrimRight(LPCSTR targets) noexcept
{
    if (!targets)
        return;
    int n = GetLength();
    while (n > 0 && strchr(targets, m_pchData[n - 1]))
        --n;
    Delete(n, GetLength() - n);
}

int CString::Replace(char oldCh, char newCh) noexcept
{
    if (oldCh == '\0' || newCh == '\0' || oldCh == newCh)
        return 0;
    int count = 0;
    for (int i = 0; i < GetLength(); ++i) {
        if (m_pchData[i] == oldCh) {
            m_pchData[i] = newCh;
            ++count;
        }
    }
    return count;
}

int CString::Replace(LPCSTR oldText, LPCSTR newText) noexcept
{
    int oldLength = SafeLength(oldText);
    if (oldLength == 0)
        return 0;
    int newLength = SafeLength(newText);
    CString result;
    int count = 0;
    int pos = 0;
    for (;;) {
        const char* hit = strstr(m_pchData + pos, oldText);
        if (!hit)
            break;
        int at = static_cast<int>(hit - m_pchData);
        if (!result.Append(m_pchData + pos, at - pos) || !result.Append(newText, newLength))
            return 0;   // out of memory: the string stays as it was
        pos = at + oldLength;
        ++count;
    }
    if (count == 0)
        return 0;
    if (!result.Append(m_pchData + pos, GetLength() - pos))
        return 0;
    *this = static_cast<CString&&>(result);
    return count;
}

int CString::Remove(char ch) noexcept
{
    if (ch == '\0' || GetLength() == 0)
        return 0;
    int length = GetLength();
    int kept = 0;
    for (int i = 0; i < length; ++i) {
        if (m_pchData[i] != ch)
            m_pchData[kept++] = m_pchData[i];
    }
    m_pchData[kept] = '\0';
    Header()->length = kept;
    return length - kept;
}

int CString::Insert(int index, char ch) noexcept
{
    return ch ? Insert(index, CString(ch)) : GetLength();
}

int CString::Insert(int index, LPCSTR text) noexcept
{
    int length = GetLength();
    if (index < 0)
        index = 0;
    if (index > length)
        index = length;
    int add = SafeLength(text);
    if (add == 0)
        return length;
    CString result = Left(index);
    if (result.Append(text, add) && result.Append(m_pchData + index, length - index))
        *this = static_cast<CString&&>(result);
    return GetLength();
}

int CString::Delete(int index, int count) noexcept
{
    int length = GetLength();
    if (index < 0)
        index = 0;
    if (count <= 0 || index >= length)
        return length;
    if (count > length - index)
        count = length - index;
    memmove(m_pchData + index, m_pchData + index + count, static_cast<size_t>(length - index - count) + 1);
    Header()->length = length - count;
    return length - count;
}

// --- buffer access

LPSTR CString::GetBuffer(int minLength) noexcept
{
    if (minLength < GetLength())
        minLength = GetLength();
    if (!Reserve(minLength))
        return nullptr;
    return m_pchData;
}

LPSTR CString::GetBufferSetLength(int length) noexcept
{
    if (length < 0)
        length = 0;
    if (!GetBuffer(length))
        return nullptr;
    Header()->length = length;
    m_pchData[length] = '\0';
    return m_pchData;
}

void CString::ReleaseBuffer(int newLength) noexcept
{
    if (IsSharedEmpty())
        return;
    int capacity = Header()->capacity;
    if (newLength < 0)
        newLength = static_cast<int>(strnlen(m_pchData, static_cast<size_t>(capacity)));
    if (newLength > capacity)
        newLength = capacity;
    m_pchData[newLength] = '\0';
    Header()->length = newLength;
}

void CString::FreeExtra() noexcept
{
    if (IsSharedEmpty() || Header()->capacity == GetLength())
        return;
    if (GetLength() == 0) {
        Release();
        return;
    }
    CString copy(m_pchData, GetLength());
    if (copy.GetLength() == GetLength())
        *this = static_cast<CString&&>(copy);
}

// --- resources and formatting

BOOL CString::LoadString(UINT id) noexcept
{
    // String tables hold blocks of 16 counted UTF-16 strings; block n + 1 holds the ids
    // 16n to 16n + 15. Walking the block gives the exact length, with no buffer to guess.
    if (id > 0xFFFF)
        return FALSE;
    HINSTANCE module = AfxGetResourceHandle();
    HRSRC res = FindResourceA(module, MAKEINTRESOURCEA((id >> 4) + 1), reinterpret_cast<LPCSTR>(RT_STRING));
    if (!res)
        return FALSE;
    HGLOBAL loaded = LoadResource(module, res);
    const WCHAR* block = loaded ? static_cast<const WCHAR*>(LockResource(loaded)) : nullptr;
    DWORD units = SizeofResource(module, res) / sizeof(WCHAR);
    if (!block)
        return FALSE;
    DWORD pos = 0;
    for (UINT i = 0; i < (id & 15); ++i) {
        if (pos >= units)
            return FALSE;
        pos += 1 + block[pos];
    }
    if (pos >= units)
        return FALSE;
    int length = block[pos];
    if (length == 0 || pos + 1 + static_cast<DWORD>(length) > units)
        return FALSE;
    int needed = WideCharToMultiByte(CP_ACP, 0, block + pos + 1, length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return FALSE;
    CString text;
    char* buffer = text.GetBuffer(needed);
    if (!buffer)
        return FALSE;
    int written = WideCharToMultiByte(CP_ACP, 0, block + pos + 1, length, buffer, needed, nullptr, nullptr);
    text.ReleaseBuffer(written > 0 ? written : 0);
    *this = static_cast<CString&&>(text);
    return TRUE;
}

void CString::Format(LPCSTR format, ...) noexcept
{
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::Format(UINT formatId, ...) noexcept
{
    CString format;
    if (!format.LoadString(formatId)) {
        Empty();
        return;
    }
    va_list args;
    va_start(args, formatId);
    FormatV(format, args);
    va_end(args);
}

void CString::FormatV(LPCSTR format, va_list args) noexcept
{
    char* out = nullptr;
    int length = StrVPrintfAlloc(&out, format, args);
    if (length < 0 || !out) {
        free(out);
        Empty();
        return;
    }
    // The text may hold NULs (a %c of 0); the string ends at the first, as C strings do.
    if (!AssignCopy(out, static_cast<int>(strnlen(out, static_cast<size_t>(length)))))
        Empty();
    free(out);
}

BOOL AfxExtractSubString(CString& rString, LPCSTR lpszFullString, int iSubString, char chSep)
{
    rString.Empty();
    if (!lpszFullString || iSubString < 0)
        return FALSE;
    const char* start = lpszFullString;
    for (int i = 0; i < iSubString; ++i) {
        const char* sep = strchr(start, chSep);
        if (!sep || chSep == '\0')
            return FALSE;
        start = sep + 1;
    }
    const char* end = chSep ? strchr(start, chSep) : nullptr;
    int length = end ? static_cast<int>(end - start) : SafeLength(start);
    rString = CString(start, length);
    return TRUE;
}
