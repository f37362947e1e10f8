// CString: an 8-bit (ANSI, code page 1252) string on the heap.
//
// The object is one pointer to the characters; the length and the allocated size sit in a
// small header just before them, so the characters are always terminated and operator
// LPCTSTR never returns null (an empty string points at a shared, read-only empty block).
// Copies are deep. When the heap refuses a block the string keeps its old value (or stays
// empty), and GetBuffer returns null; nothing throws.
#pragma once
#include <windows.h>
#include <cstdarg>

#if defined(__GNUC__)
#define AFX_FORMAT_CHECK(fmt, first) __attribute__((format(ms_printf, fmt, first)))
#else
#define AFX_FORMAT_CHECK(fmt, first)
#endif

class CString {
public:
    CString() noexcept;
    CString(const CString& src) noexcept;
    CString(CString&& src) noexcept;
    // A pointer made with MAKEINTRESOURCE loads that string from the string table.
    CString(LPCSTR src) noexcept;
    CString(LPCSTR src, int length) noexcept;
    CString(LPCWSTR src) noexcept;                  // converted through the ANSI code page
    CString(char ch, int repeat = 1) noexcept;
    ~CString();

    int GetLength() const noexcept { return Header()->length; }
    BOOL IsEmpty() const noexcept { return Header()->length == 0; }
    void Empty() noexcept;
    // Out-of-range indexes read 0 and write nothing.
    char GetAt(int index) const noexcept;
    void SetAt(int index, char ch) noexcept;
    char operator[](int index) const noexcept { return GetAt(index); }
    operator LPCSTR() const noexcept { return m_pchData; }

    CString& operator=(const CString& src) noexcept;
    CString& operator=(CString&& src) noexcept;
    CString& operator=(LPCSTR src) noexcept;
    CString& operator=(LPCWSTR src) noexcept;
    CString& operator=(char ch) noexcept;
    CString& operator+=(const CString& src) noexcept;
    CString& operator+=(LPCSTR src) noexcept;
    CString& operator+=(char ch) noexcept;

    friend CString operator+(const CString& a, const CString& b) noexcept;
    friend CString operator+(const CString& a, LPCSTR b) noexcept;
    friend CString operator+(LPCSTR a, const CString& b) noexcept;
    friend CString operator+(const CString& a, char b) noexcept;
    friend CString operator+(char a, const CString& b) noexcept;

    // Byte-wise (strcmp) and case-blind by the system's ANSI rules (lstrcmpiA); a null
    // pointer compares as the empty string.
    int Compare(LPCSTR other) const noexcept;
    int CompareNoCase(LPCSTR other) const noexcept;
    int Collate(LPCSTR other) const noexcept;
    int CollateNoCase(LPCSTR other) const noexcept;

    // Positions and counts are clamped to the string.
    CString Mid(int first) const noexcept;
    CString Mid(int first, int count) const noexcept;
    CString Left(int count) const noexcept;
    CString Right(int count) const noexcept;
    CString SpanIncluding(LPCSTR charSet) const noexcept;
    CString SpanExcluding(LPCSTR charSet) const noexcept;

    // Index of the first (last) match, or -1.
    int Find(char ch, int start = 0) const noexcept;
    int Find(LPCSTR sub, int start = 0) const noexcept;
    int ReverseFind(char ch) const noexcept;
    int FindOneOf(LPCSTR charSet) const noexcept;

    void MakeUpper() noexcept;
    void MakeLower() noexcept;
    void MakeReverse() noexcept;
    // Without an argument the white space of isspace in the C locale: blank, \t \n \v \f \r.
    void TrimLeft() noexcept;
    void TrimLeft(char target) noexcept;
    void TrimLeft(LPCSTR targets) noexcept;
    void TrimRight() noexcept;
    void TrimRight(char target) noexcept;
    void TrimRight(LPCSTR targets) noexcept;
    void Trim() noexcept { TrimRight(); TrimLeft(); }
    // Returns the number of replacements (removals, for Remove).
    int Replace(char oldCh, char newCh) noexcept;
    int Replace(LPCSTR oldText, LPCSTR newText) noexcept;
    int Remove(char ch) noexcept;
    // Return the new length.
    int Insert(int index, char ch) noexcept;
    int Insert(int index, LPCSTR text) noexcept;
    int Delete(int index, int count = 1) noexcept;

    // Direct access: room for at least minLength characters plus the terminator, the
    // current text kept; null when the heap refuses. ReleaseBuffer(-1) takes the length
    // up to the first NUL (never beyond the buffer).
    LPSTR GetBuffer(int minLength) noexcept;
    LPSTR GetBufferSetLength(int length) noexcept;
    void ReleaseBuffer(int newLength = -1) noexcept;
    void FreeExtra() noexcept;

    // From the string table of the resource module; FALSE (and the string unchanged)
    // when there is no such string.
    BOOL LoadString(UINT id) noexcept;

    // Through the program's own formatting engine, so its conversions (%I64i and the
    // rest) work here too. A format that fails leaves the string empty.
    void Format(LPCSTR format, ...) noexcept AFX_FORMAT_CHECK(2, 3);
    void Format(UINT formatId, ...) noexcept;
    void FormatV(LPCSTR format, va_list args) noexcept;

private:
    struct Data {
        int length;      // characters, without the terminator
        int capacity;    // characters that fit, without the terminator; 0 for the shared empty block
    };
    Data* Header() const noexcept { return reinterpret_cast<Data*>(m_pchData) - 1; }
    bool IsSharedEmpty() const noexcept { return Header()->capacity == 0; }
    static LPSTR EmptyData() noexcept;
    static Data* Allocate(int capacity) noexcept;
    void Release() noexcept;
    bool AssignCopy(LPCSTR src, int length) noexcept;
    bool Append(LPCSTR src, int length) noexcept;
    bool Reserve(int capacity) noexcept;   // keeps the text; fails without changing anything
    static CString Concat(LPCSTR a, int lengthA, LPCSTR b, int lengthB) noexcept;

    LPSTR m_pchData;
};

bool operator==(const CString& a, const CString& b) noexcept;
bool operator==(const CString& a, LPCSTR b) noexcept;
bool operator==(LPCSTR a, const CString& b) noexcept;
bool operator!=(const CString& a, const CString& b) noexcept;
bool operator!=(const CString& a, LPCSTR b) noexcept;
bool operator!=(LPCSTR a, const CString& b) noexcept;
bool operator<(const CString& a, const CString& b) noexcept;
bool operator<(const CString& a, LPCSTR b) noexcept;
bool operator<(LPCSTR a, const CString& b) noexcept;
bool operator>(const CString& a, const CString& b) noexcept;
bool operator>(const CString& a, LPCSTR b) noexcept;
bool operator>(LPCSTR a, const CString& b) noexcept;
bool operator<=(const CString& a, const CString& b) noexcept;
bool operator<=(const CString& a, LPCSTR b) noexcept;
bool operator<=(LPCSTR a, const CString& b) noexcept;
bool operator>=(const CString& a, const CString& b) noexcept;
bool operator>=(const CString& a, LPCSTR b) noexcept;
bool operator>=(LPCSTR a, const CString& b) noexcept;

// Part iSubString (from 0) of a text whose parts are separated by chSep, such as the
// "prompt\ntooltip" strings and document strings. FALSE (and rString empty) when the text
// has fewer parts or is null.
BOOL AfxExtractSubString(CString& rString, LPCSTR lpszFullString, int iSubString, char chSep = '\n');
