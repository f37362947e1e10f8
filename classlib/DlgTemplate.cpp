#include "classlib/DlgTemplate.h"

namespace {

// Offsets of the item count in the two header forms.
const DWORD kItemCountOffsetPlain = 8;     // style, exStyle, cdit
const DWORD kItemCountOffsetEx = 16;       // dlgVer, signature, helpID, exStyle, style, cDlgItems

bool EqualsAsciiNoCase(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        char ca = *a, cb = *b;
        if (ca >= 'A' && ca <= 'Z') ca = static_cast<char>(ca - 'A' + 'a');
        if (cb >= 'A' && cb <= 'Z') cb = static_cast<char>(cb - 'A' + 'a');
        if (ca != cb) return false;
        if (ca == 0) return true;
    }
}

// The dialog manager knows six classes by ordinal; storing them that way keeps a template the
// same whichever way the caller named the class.
WORD PredefinedClassOrdinal(const char* name)
{
    static const struct { const char* name; WORD ordinal; } kClasses[] = {
        { "Button", DLGCLASS_BUTTON },   { "Edit", DLGCLASS_EDIT },
        { "Static", DLGCLASS_STATIC },   { "ListBox", DLGCLASS_LISTBOX },
        { "ScrollBar", DLGCLASS_SCROLLBAR }, { "ComboBox", DLGCLASS_COMBOBOX },
    };
    for (const auto& c : kClasses)
        if (EqualsAsciiNoCase(name, c.name)) return c.ordinal;
    return 0;
}

}  // namespace

CDlgTemplateBuilder::CDlgTemplateBuilder()
    : m_block(NULL), m_size(0), m_capacity(0), m_items(0), m_extended(FALSE), m_failed(FALSE)
{
}

CDlgTemplateBuilder::~CDlgTemplateBuilder()
{
    Reset();
}

void CDlgTemplateBuilder::Reset()
{
    if (m_block) HeapFree(GetProcessHeap(), 0, m_block);
    m_block = NULL;
    m_size = m_capacity = 0;
    m_items = 0;
    m_extended = FALSE;
    m_failed = FALSE;
}

BOOL CDlgTemplateBuilder::Fail()
{
    m_failed = TRUE;
    return FALSE;
}

BOOL CDlgTemplateBuilder::Reserve(DWORD extra)
{
    if (m_failed) return FALSE;
    if (extra > 0x10000000 || m_size > 0x10000000) return Fail();
    DWORD need = m_size + extra;
    if (need <= m_capacity) return TRUE;
    DWORD cap = m_capacity ? m_capacity : 256;
    while (cap < need) cap *= 2;
    void* p = m_block ? HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, m_block, cap)
                      : HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, cap);
    if (!p) return Fail();
    m_block = static_cast<BYTE*>(p);
    m_capacity = cap;
    return TRUE;
}

BOOL CDlgTemplateBuilder::PutBytes(const void* data, DWORD n)
{
    if (!Reserve(n)) return FALSE;
    CopyMemory(m_block + m_size, data, n);
    m_size += n;
    return TRUE;
}

BOOL CDlgTemplateBuilder::AlignToDword()
{
    static const BYTE kZero[3] = { 0, 0, 0 };
    DWORD pad = (4 - (m_size & 3)) & 3;
    return pad ? PutBytes(kZero, pad) : TRUE;
}

BOOL CDlgTemplateBuilder::PutText(LPCSTR text)
{
    if (!text || !*text) return PutWord(0);
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, NULL, 0);
    if (n <= 0 || n > 0x08000000) return Fail();
    DWORD bytes = static_cast<DWORD>(n) * sizeof(WCHAR);
    if (!Reserve(bytes)) return FALSE;
    int done = MultiByteToWideChar(CP_ACP, 0, text, -1, reinterpret_cast<LPWSTR>(m_block + m_size), n);
    if (done != n) return Fail();
    m_size += bytes;
    return TRUE;
}

BOOL CDlgTemplateBuilder::PutNameOrOrdinal(LPCSTR name)
{
    if (name && IS_INTRESOURCE(name)) {
        if (!PutWord(0xFFFF)) return FALSE;
        return PutWord(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
    }
    return PutText(name);
}

BOOL CDlgTemplateBuilder::Begin(LPCSTR caption, DWORD style, short x, short y, short cx, short cy,
                                LPCSTR fontName, WORD pointSize, BOOL extended, DWORD exStyle)
{
    Reset();
    m_extended = extended ? TRUE : FALSE;
    // IS_INTRESOURCE: a font name cannot be an ordinal; treat such a pointer as no font.
    bool hasFont = fontName && !IS_INTRESOURCE(fontName) && *fontName;
    if (hasFont) style |= DS_SETFONT;
    else style &= ~static_cast<DWORD>(DS_SETFONT);
    if (caption && IS_INTRESOURCE(caption)) caption = NULL;

    BOOL ok = TRUE;
    if (m_extended) {
        ok = ok && PutWord(1);          // dlgVer
        ok = ok && PutWord(0xFFFF);     // signature of the extended form
        ok = ok && PutDword(0);         // helpID
        ok = ok && PutDword(exStyle);
        ok = ok && PutDword(style);
        ok = ok && PutWord(0);          // cDlgItems, patched by AddControl
    } else {
        ok = ok && PutDword(style);
        ok = ok && PutDword(exStyle);
        ok = ok && PutWord(0);          // cdit, patched by AddControl
    }
    ok = ok && PutWord(static_cast<WORD>(x)) && PutWord(static_cast<WORD>(y));
    ok = ok && PutWord(static_cast<WORD>(cx)) && PutWord(static_cast<WORD>(cy));
    ok = ok && PutWord(0);              // no menu
    ok = ok && PutWord(0);              // the standard dialog class
    ok = ok && PutText(caption);
    if (hasFont) {
        ok = ok && PutWord(pointSize);
        if (m_extended) {
            static const BYTE kItalicCharset[2] = { 0, DEFAULT_CHARSET };
            ok = ok && PutWord(FW_NORMAL);
            ok = ok && PutBytes(kItalicCharset, 2);
        }
        ok = ok && PutText(fontName);
    }
    return ok ? TRUE : Fail();
}

BOOL CDlgTemplateBuilder::AddControl(LPCSTR className, DWORD id, DWORD style, DWORD exStyle,
                                     short x, short y, short cx, short cy, LPCSTR text)
{
    if (m_failed || !m_block) return FALSE;
    if (m_items == 0xFFFF) return FALSE;
    if (!className) return FALSE;
    if (!m_extended && id > 0xFFFF && id != static_cast<DWORD>(-1)) return FALSE;

    LPCSTR cls = className;
    if (!IS_INTRESOURCE(className)) {
        if (!*className) return FALSE;
        WORD ordinal = PredefinedClassOrdinal(className);
        if (ordinal) cls = MAKEINTRESOURCEA(ordinal);
    }
    style |= WS_CHILD | WS_VISIBLE;

    BOOL ok = AlignToDword();
    if (m_extended) {
        ok = ok && PutDword(0);         // helpID
        ok = ok && PutDword(exStyle);
        ok = ok && PutDword(style);
    } else {
        ok = ok && PutDword(style);
        ok = ok && PutDword(exStyle);
    }
    ok = ok && PutWord(static_cast<WORD>(x)) && PutWord(static_cast<WORD>(y));
    ok = ok && PutWord(static_cast<WORD>(cx)) && PutWord(static_cast<WORD>(cy));
    ok = ok && (m_extended ? PutDword(id) : PutWord(static_cast<WORD>(id)));
    ok = ok && PutNameOrOrdinal(cls);
    ok = ok && PutNameOrOrdinal(text);
    ok = ok && PutWord(0);              // no creation data
    if (!ok) return Fail();

    ++m_items;
    DWORD at = m_extended ? kItemCountOffsetEx : kItemCountOffsetPlain;
    CopyMemory(m_block + at, &m_items, sizeof m_items);
    return TRUE;
}
