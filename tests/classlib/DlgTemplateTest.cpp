// The in-memory template builder: its output is walked back with a parser written here from
// the layout of DLGTEMPLATE(EX), and cross-checked by letting the system's dialog manager
// create a dialog from it.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "classlib/DlgTemplate.h"

namespace {

struct NameOrOrdinal {
    WORD ordinal = 0;        // non-zero: stored as 0xFFFF, ordinal
    std::wstring text;
};

struct ParsedItem {
    DWORD style = 0, exStyle = 0, helpId = 0, id = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    size_t offset = 0;
    NameOrOrdinal cls, text;
    WORD extra = 0;
};

struct ParsedTemplate {
    bool ok = false;
    bool extended = false;
    DWORD style = 0, exStyle = 0;
    WORD count = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu, cls;
    std::wstring caption;
    WORD pointSize = 0, weight = 0;
    BYTE italic = 0, charset = 0;
    std::wstring font;
    std::vector<ParsedItem> items;
    size_t end = 0;
};

// A bounded reader over the template bytes.
class Reader {
public:
    Reader(const BYTE* p, size_t n) : m_p(p), m_n(n) {}
    bool Word(WORD& w) { return Get(&w, 2); }
    bool Dword(DWORD& d) { return Get(&d, 4); }
    bool Short(short& s) { return Get(&s, 2); }
    bool Byte(BYTE& b) { return Get(&b, 1); }
    bool String(std::wstring& s)
    {
        s.clear();
        for (;;) {
            WORD w;
            if (!Word(w)) return false;
            if (w == 0) return true;
            s.push_back(static_cast<wchar_t>(w));
        }
    }
    bool NameOrOrd(NameOrOrdinal& n)
    {
        WORD first;
        if (!Word(first)) return false;
        if (first == 0xFFFF) return Word(n.ordinal);
        if (first == 0) return true;
        n.text.push_back(static_cast<wchar_t>(first));
        std::wstring rest;
        if (!String(rest)) return false;
        n.text += rest;
        return true;
    }
    void Align() { m_at = (m_at + 3) & ~static_cast<size_t>(3); }
    size_t At() const { return m_at; }
private:
    bool Get(void* out, size_t k)
    {
        if (m_at + k > m_n) return false;
        memcpy(out, m_p + m_at, k);
        m_at += k;
        return true;
    }
    const BYTE* m_p;
    size_t m_n;
    size_t m_at = 0;
};

ParsedTemplate Parse(const void* block, size_t size)
{
    ParsedTemplate t;
    Reader r(static_cast<const BYTE*>(block), size);
    WORD ver = 0, sig = 0;
    if (size >= 4) memcpy(&ver, block, 2), memcpy(&sig, static_cast<const BYTE*>(block) + 2, 2);
    t.extended = (ver == 1 && sig == 0xFFFF);
    if (t.extended) {
        DWORD help;
        if (!r.Word(ver) || !r.Word(sig) || !r.Dword(help) || !r.Dword(t.exStyle) || !r.Dword(t.style)) return t;
    } else {
        if (!r.Dword(t.style) || !r.Dword(t.exStyle)) return t;
    }
    if (!r.Word(t.count) || !r.Short(t.x) || !r.Short(t.y) || !r.Short(t.cx) || !r.Short(t.cy)) return t;
    if (!r.NameOrOrd(t.menu) || !r.NameOrOrd(t.cls) || !r.String(t.caption)) return t;
    if (t.style & DS_SETFONT) {
        if (!r.Word(t.pointSize)) return t;
        if (t.extended && (!r.Word(t.weight) || !r.Byte(t.italic) || !r.Byte(t.charset))) return t;
        if (!r.String(t.font)) return t;
    }
    for (WORD i = 0; i < t.count; ++i) {
        r.Align();
        ParsedItem item;
        item.offset = r.At();
        if (t.extended) {
            if (!r.Dword(item.helpId) || !r.Dword(item.exStyle) || !r.Dword(item.style)) return t;
        } else {
            if (!r.Dword(item.style) || !r.Dword(item.exStyle)) return t;
        }
        if (!r.Short(item.x) || !r.Short(item.y) || !r.Short(item.cx) || !r.Short(item.cy)) return t;
        if (t.extended) {
            if (!r.Dword(item.id)) return t;
        } else {
            WORD id;
            if (!r.Word(id)) return t;
            item.id = id;
        }
        if (!r.NameOrOrd(item.cls) || !r.NameOrOrd(item.text) || !r.Word(item.extra)) return t;
        t.items.push_back(item);
    }
    t.end = r.At();
    t.ok = true;
    return t;
}

std::string ClassNameOf(HWND h)
{
    char buf[64] = {};
    GetClassNameA(h, buf, sizeof buf);
    return buf;
}

std::string TextOf(HWND h)
{
    char buf[256] = {};
    GetWindowTextA(h, buf, sizeof buf);
    return buf;
}

INT_PTR CALLBACK NullDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The sample dialog of the tests: a caption with umlauts and all six predefined classes
// plus two common-control class names.
void BuildSample(CDlgTemplateBuilder& b, BOOL extended)
{
    ASSERT_TRUE(b.Begin("Größe €", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                        10, 20, 232, 58, "MS Sans Serif", 8, extended));
    ASSERT_TRUE(b.AddStatic(1034, "Maß:", SS_LEFT, 5, 5, 220, 8));
    ASSERT_TRUE(b.AddEdit(1008, "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 5, 15, 220, 13));
    ASSERT_TRUE(b.AddButton(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 120, 35, 50, 14));
    ASSERT_TRUE(b.AddButton(IDCANCEL, "Abbrechen", WS_TABSTOP, 175, 35, 50, 14));
    ASSERT_TRUE(b.AddListBox(1100, WS_BORDER | LBS_NOTIFY, 5, 60, 50, 40));
    ASSERT_TRUE(b.AddComboBox(1101, CBS_DROPDOWNLIST, 60, 60, 50, 60));
    ASSERT_TRUE(b.AddScrollBar(1102, SBS_HORZ, 115, 60, 50, 10));
    ASSERT_TRUE(b.AddControl("msctls_progress32", 1103, 0, WS_EX_CLIENTEDGE, 5, 110, 100, 10));
    ASSERT_TRUE(b.AddControl("button", 1104, BS_AUTOCHECKBOX, 0, 5, 125, 100, 10, "Prüfen"));
}

}  // namespace

TEST(DlgTemplateBuilder, NothingBeforeBegin)
{
    CDlgTemplateBuilder b;
    EXPECT_EQ(nullptr, b.GetTemplate());
    EXPECT_EQ(0u, b.GetSize());
    EXPECT_FALSE(b.AddButton(1, "OK", 0, 0, 0, 10, 10));
    EXPECT_FALSE(b.AddControl(nullptr, 1, 0, 0, 0, 0, 1, 1));
}

TEST(DlgTemplateBuilder, BothFormsWalkBackAndAreDwordAligned)
{
    for (BOOL extended : { TRUE, FALSE }) {
        SCOPED_TRACE(extended ? "DLGTEMPLATEEX" : "DLGTEMPLATE");
        CDlgTemplateBuilder b;
        BuildSample(b, extended);
        ASSERT_NE(nullptr, b.GetTemplate());
        EXPECT_EQ(0u, reinterpret_cast<ULONG_PTR>(b.GetTemplate()) & 3);
        ParsedTemplate t = Parse(b.GetTemplate(), b.GetSize());
        ASSERT_TRUE(t.ok);
        EXPECT_EQ(t.end, static_cast<size_t>(b.GetSize()));
        EXPECT_EQ(!!extended, t.extended);
        EXPECT_EQ(9, t.count);
        EXPECT_EQ(9u, t.items.size());
        EXPECT_EQ(b.GetItemCount(), t.count);
        EXPECT_TRUE(t.style & DS_SETFONT);
        EXPECT_EQ(static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT), t.style);
        EXPECT_EQ(10, t.x);
        EXPECT_EQ(20, t.y);
        EXPECT_EQ(232, t.cx);
        EXPECT_EQ(58, t.cy);
        // Code page 1252: ö = U+00F6, ß = U+00DF, € (0x80) = U+20AC.
        EXPECT_EQ(std::wstring(L"Gr\u00f6\u00dfe \u20ac"), t.caption);
        EXPECT_EQ(std::wstring(L"MS Sans Serif"), t.font);
        EXPECT_EQ(8, t.pointSize);
        for (const ParsedItem& item : t.items) {
            EXPECT_EQ(0u, item.offset & 3) << "item of id " << item.id;
            EXPECT_TRUE(item.style & WS_CHILD);
            EXPECT_TRUE(item.style & WS_VISIBLE);
            EXPECT_EQ(0, item.extra);
        }
        EXPECT_EQ(1034u, t.items[0].id);
        EXPECT_EQ(0x82, t.items[0].cls.ordinal);
        EXPECT_EQ(std::wstring(L"Ma\u00df:"), t.items[0].text.text);
        EXPECT_EQ(0x81, t.items[1].cls.ordinal);
        EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL), t.items[1].style);
        EXPECT_EQ(0x80, t.items[2].cls.ordinal);
        EXPECT_EQ(std::wstring(L"Abbrechen"), t.items[3].text.text);
        EXPECT_EQ(0x83, t.items[4].cls.ordinal);
        EXPECT_EQ(0x85, t.items[5].cls.ordinal);
        EXPECT_EQ(0x84, t.items[6].cls.ordinal);
        EXPECT_EQ(std::wstring(L"msctls_progress32"), t.items[7].cls.text);
        EXPECT_EQ(static_cast<DWORD>(WS_EX_CLIENTEDGE), t.items[7].exStyle);
        // A predefined class given by name is stored as its ordinal, whatever the case.
        EXPECT_EQ(0x80, t.items[8].cls.ordinal);
        EXPECT_EQ(5, t.items[8].x);
        EXPECT_EQ(125, t.items[8].y);
        EXPECT_EQ(100, t.items[8].cx);
        EXPECT_EQ(10, t.items[8].cy);
    }
}

TEST(DlgTemplateBuilder, DialogManagerCreatesTheControls)
{
    for (BOOL extended : { TRUE, FALSE }) {
        SCOPED_TRACE(extended ? "DLGTEMPLATEEX" : "DLGTEMPLATE");
        CDlgTemplateBuilder b;
        BuildSample(b, extended);
        HWND dlg = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), b.GetTemplate(), nullptr, NullDlgProc, 0);
        ASSERT_NE(nullptr, dlg);
        EXPECT_EQ("Größe €", TextOf(dlg));
        EXPECT_EQ("Static", ClassNameOf(GetDlgItem(dlg, 1034)));
        EXPECT_EQ("Maß:", TextOf(GetDlgItem(dlg, 1034)));
        EXPECT_EQ("Edit", ClassNameOf(GetDlgItem(dlg, 1008)));
        EXPECT_EQ("Button", ClassNameOf(GetDlgItem(dlg, IDOK)));
        EXPECT_EQ("Abbrechen", TextOf(GetDlgItem(dlg, IDCANCEL)));
        EXPECT_EQ("ListBox", ClassNameOf(GetDlgItem(dlg, 1100)));
        EXPECT_EQ("ComboBox", ClassNameOf(GetDlgItem(dlg, 1101)));
        EXPECT_EQ("ScrollBar", ClassNameOf(GetDlgItem(dlg, 1102)));
        EXPECT_EQ("msctls_progress32", ClassNameOf(GetDlgItem(dlg, 1103)));
        EXPECT_EQ("Prüfen", TextOf(GetDlgItem(dlg, 1104)));
        // Positions and sizes are dialog units, each mapped on its own (so the bottom is
        // map(y) + map(cy), which may round differently from map(y + cy)).
        RECT units = { 5, 15, 220, 13 };
        MapDialogRect(dlg, &units);
        RECT got;
        GetWindowRect(GetDlgItem(dlg, 1008), &got);
        MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&got), 2);
        EXPECT_EQ(units.left, got.left);
        EXPECT_EQ(units.top, got.top);
        EXPECT_EQ(units.right, got.right - got.left);
        EXPECT_EQ(units.bottom, got.bottom - got.top);
        DestroyWindow(dlg);
    }
}

TEST(DlgTemplateBuilder, FontOptionalAndIdsChecked)
{
    CDlgTemplateBuilder b;
    // DS_SETFONT asked for without a font name is dropped: the font block must match the bit.
    ASSERT_TRUE(b.Begin(nullptr, WS_POPUP | DS_SETFONT, 0, 0, 100, 50, nullptr, 8, FALSE));
    ASSERT_TRUE(b.AddButton(0x12345, "X", 0, 0, 0, 10, 10) == FALSE);   // 16-bit ids only
    ASSERT_TRUE(b.AddButton(static_cast<DWORD>(-1), "X", 0, 0, 0, 10, 10));
    ParsedTemplate t = Parse(b.GetTemplate(), b.GetSize());
    ASSERT_TRUE(t.ok);
    EXPECT_FALSE(t.style & DS_SETFONT);
    EXPECT_TRUE(t.caption.empty());
    ASSERT_EQ(1u, t.items.size());
    EXPECT_EQ(0xFFFFu, t.items[0].id);

    // The extended form keeps 32-bit ids; a resource ordinal as text is stored as such.
    ASSERT_TRUE(b.Begin("", WS_POPUP, 0, 0, 100, 50, "Tahoma", 9, TRUE));
    EXPECT_EQ(0u, b.GetItemCount());
    ASSERT_TRUE(b.AddStatic(0x12345, MAKEINTRESOURCEA(128), SS_ICON, 0, 0, 10, 10));
    t = Parse(b.GetTemplate(), b.GetSize());
    ASSERT_TRUE(t.ok);
    EXPECT_EQ(std::wstring(L"Tahoma"), t.font);
    EXPECT_EQ(9, t.pointSize);
    ASSERT_EQ(1u, t.items.size());
    EXPECT_EQ(0x12345u, t.items[0].id);
    EXPECT_EQ(128, t.items[0].text.ordinal);
}

TEST(DlgTemplateBuilder, ManyControlsKeepTheCount)
{
    CDlgTemplateBuilder b;
    ASSERT_TRUE(b.Begin("Viele", WS_POPUP, 0, 0, 300, 300));
    for (int i = 0; i < 500; ++i) {
        std::string text(static_cast<size_t>(i % 7), 'x');   // odd lengths exercise the padding
        ASSERT_TRUE(b.AddStatic(static_cast<DWORD>(2000 + i), text.c_str(), 0, 0, static_cast<short>(i), 10, 8));
    }
    ParsedTemplate t = Parse(b.GetTemplate(), b.GetSize());
    ASSERT_TRUE(t.ok);
    ASSERT_EQ(500u, t.items.size());
    for (int i = 0; i < 500; ++i) {
        EXPECT_EQ(static_cast<DWORD>(2000 + i), t.items[static_cast<size_t>(i)].id);
        EXPECT_EQ(static_cast<size_t>(i % 7), t.items[static_cast<size_t>(i)].text.text.size());
    }
}
