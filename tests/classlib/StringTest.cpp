// CString against independent computations: std::string for the editing operations,
// snprintf and the program's own StrPrintf for Format, the system's LoadStringA for the
// string table, and CharUpperA/CharLowerA for the case of code page 1252 letters.
#include <gtest/gtest.h>
#include "classlib/Afx.h"
#include "textlib/StrPrintf.h"

#include <cstdio>
#include <cstring>
#include <string>

TEST(CString, ConstructionAndBasics)
{
    CString empty;
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(empty.GetLength(), 0);
    EXPECT_STREQ(empty, "");   // never a null pointer
    CString fromNull(static_cast<LPCSTR>(nullptr));
    EXPECT_STREQ(fromNull, "");
    CString text("Größe");
    EXPECT_EQ(text.GetLength(), 5);
    EXPECT_EQ(text[2], '\xF6');
    EXPECT_EQ(text.GetAt(5), '\0');   // out of range reads 0
    EXPECT_EQ(text.GetAt(-1), '\0');
    text.SetAt(0, 'g');
    text.SetAt(9, 'x');               // ignored
    EXPECT_STREQ(text, "größe");
    EXPECT_STREQ(CString('-', 4), "----");
    EXPECT_STREQ(CString('-', -1), "");
    EXPECT_STREQ(CString("abcdef", 3), "abc");
    EXPECT_STREQ(CString("ab", 10), "ab");   // stops at the terminator
    EXPECT_STREQ(CString(L"Gr\u00F6\u00DFe \u20AC"), "Größe €");   // UTF-16 through code page 1252
    CString copy(text);
    CString moved(static_cast<CString&&>(copy));
    EXPECT_STREQ(moved, "größe");
    EXPECT_STREQ(copy, "");
    text.Empty();
    EXPECT_TRUE(text.IsEmpty());
}

TEST(CString, ConcatenationMatchesStdString)
{
    CString s;
    std::string ref;
    for (int i = 0; i < 200; ++i) {
        char chunk[8];
        snprintf(chunk, sizeof(chunk), "%d,", i);
        s += chunk;
        ref += chunk;
        if (i % 7 == 0) {
            s += 'x';
            ref += 'x';
        }
    }
    EXPECT_EQ(std::string(s), ref);
    EXPECT_EQ(s.GetLength(), static_cast<int>(ref.size()));
    s += s;   // appending itself
    ref += ref;
    EXPECT_EQ(std::string(s), ref);
    s = static_cast<LPCSTR>(s) + 10;   // assigning a part of itself
    ref = ref.substr(10);
    EXPECT_EQ(std::string(s), ref);
    CString a("ab");
    EXPECT_STREQ(a + "cd", "abcd");
    EXPECT_STREQ("xy" + a, "xyab");
    EXPECT_STREQ(a + 'c', "abc");
    EXPECT_STREQ('z' + a, "zab");
    EXPECT_STREQ(a + CString("!"), "ab!");
    EXPECT_STREQ(a + static_cast<LPCSTR>(nullptr), "ab");
}

TEST(CString, Comparisons)
{
    CString a("abc");
    EXPECT_TRUE(a == "abc");
    EXPECT_TRUE("abc" == a);
    EXPECT_TRUE(a != "abd");
    EXPECT_TRUE(a < "abd");
    EXPECT_TRUE("abb" < a);
    EXPECT_TRUE(a <= CString("abc"));
    EXPECT_TRUE(a >= "abc");
    EXPECT_TRUE(a > "ab");
    EXPECT_EQ(a.Compare(nullptr) > 0, true);
    EXPECT_EQ(CString().Compare(nullptr), 0);
    EXPECT_EQ(CString("PHYSICALDRIVE0").CompareNoCase("PhysicalDrive0"), 0);
    EXPECT_EQ(CString("ÄRGER").CompareNoCase("ärger"), 0);   // the ANSI page's letters too
    EXPECT_NE(CString("abc").Compare("ABC"), 0);
}

TEST(CString, ExtractionClampsToTheString)
{
    CString s("0123456789");
    std::string ref = "0123456789";
    for (int first = -2; first <= 12; ++first) {
        for (int count = -1; count <= 12; ++count) {
            int f = first < 0 ? 0 : first;
            std::string expected = f >= 10 || count <= 0 ? "" : ref.substr(static_cast<size_t>(f), static_cast<size_t>(count));
            EXPECT_EQ(std::string(s.Mid(first, count)), expected) << first << "," << count;
        }
    }
    EXPECT_STREQ(s.Mid(7), "789");
    EXPECT_STREQ(s.Left(3), "012");
    EXPECT_STREQ(s.Left(30), "0123456789");
    EXPECT_STREQ(s.Left(-3), "");
    EXPECT_STREQ(s.Right(3), "789");
    EXPECT_STREQ(s.Right(30), "0123456789");
    EXPECT_STREQ(s.Right(0), "");
    EXPECT_STREQ(CString("abc123").SpanIncluding("abc"), "abc");
    EXPECT_STREQ(CString("abc123").SpanExcluding("123"), "abc");
}

TEST(CString, SearchingAgreesWithTheCLibrary)
{
    CString s("\\\\.\\PhysicalDrive12\\x");
    std::string ref(s);
    EXPECT_EQ(s.Find('P'), static_cast<int>(ref.find('P')));
    EXPECT_EQ(s.Find('\\', 3), static_cast<int>(ref.find('\\', 3)));
    EXPECT_EQ(s.Find("Drive"), static_cast<int>(ref.find("Drive")));
    EXPECT_EQ(s.Find("Drive", 14), -1);
    EXPECT_EQ(s.Find("", 4), 4);
    EXPECT_EQ(s.Find('q'), -1);
    EXPECT_EQ(s.Find('\0'), -1);
    EXPECT_EQ(s.Find(static_cast<LPCSTR>(nullptr)), -1);
    EXPECT_EQ(s.Find('x', 100), -1);
    EXPECT_EQ(s.ReverseFind('\\'), static_cast<int>(ref.rfind('\\')));
    EXPECT_EQ(s.FindOneOf("0123456789"), static_cast<int>(ref.find_first_of("0123456789")));
    EXPECT_EQ(s.FindOneOf(""), -1);
}

TEST(CString, CaseFollowsTheAnsiCodePage)
{
    CString s("abcäöüß xyz ÀÉ");
    std::string upper(s);
    CharUpperA(&upper[0]);
    std::string lower(s);
    CharLowerA(&lower[0]);
    CString u = s;
    u.MakeUpper();
    EXPECT_EQ(std::string(u), upper);
    CString l = s;
    l.MakeLower();
    EXPECT_EQ(std::string(l), lower);
    CString r("abc");
    r.MakeReverse();
    EXPECT_STREQ(r, "cba");
}

TEST(CString, TrimReplaceInsertDelete)
{
    CString s(" \t text \r\n");
    s.TrimLeft();
    EXPECT_STREQ(s, "text \r\n");
    s.TrimRight();
    EXPECT_STREQ(s, "text");
    CString dots("..a.b..");
    dots.TrimLeft('.');
    dots.TrimRight('.');
    EXPECT_STREQ(dots, "a.b");
    CString set("xyAxy");
    set.TrimLeft("yx");
    set.TrimRight("yx");
    EXPECT_STREQ(set, "A");
    CString all("   ");
    all.Trim();
    EXPECT_TRUE(all.IsEmpty());

    CString path("a/b/c");
    EXPECT_EQ(path.Replace('/', '\\'), 2);
    EXPECT_STREQ(path, "a\\b\\c");
    CString text("one two one two one");
    EXPECT_EQ(text.Replace("one", "1"), 3);
    EXPECT_STREQ(text, "1 two 1 two 1");
    EXPECT_EQ(text.Replace("two", nullptr), 2);
    EXPECT_STREQ(text, "1  1  1");
    EXPECT_EQ(text.Replace("", "x"), 0);
    CString amp("R&D");
    EXPECT_EQ(amp.Replace("&", "&&"), 1);   // the replacement contains the pattern
    EXPECT_STREQ(amp, "R&&D");
    EXPECT_EQ(amp.Remove('&'), 2);
    EXPECT_STREQ(amp, "RD");
    EXPECT_EQ(amp.Insert(1, "&"), 3);
    EXPECT_EQ(amp.Insert(-5, '['), 4);
    EXPECT_EQ(amp.Insert(99, ']'), 5);
    EXPECT_STREQ(amp, "[R&D]");
    EXPECT_EQ(amp.Delete(1, 3), 2);
    EXPECT_STREQ(amp, "[]");
    EXPECT_EQ(amp.Delete(5, 1), 2);
    EXPECT_EQ(amp.Delete(0, 100), 0);
}

TEST(CString, BufferAccess)
{
    CString s("abc");
    char* buffer = s.GetBuffer(100);
    ASSERT_NE(buffer, nullptr);
    EXPECT_STREQ(buffer, "abc");   // the text is kept
    strcpy(buffer, "longer text");
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLength(), 11);
    buffer = s.GetBuffer(0);
    buffer[4] = '\0';
    s.ReleaseBuffer();
    EXPECT_STREQ(s, "long");
    buffer = s.GetBufferSetLength(2);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(s.GetLength(), 2);
    EXPECT_STREQ(s, "lo");
    CString t;
    buffer = t.GetBuffer(10);
    ASSERT_NE(buffer, nullptr);
    memset(buffer, 'z', 11);   // ten characters and the terminator's place
    t.ReleaseBuffer(1000);     // clamped to the buffer
    EXPECT_EQ(t.GetLength(), 10);
    EXPECT_STREQ(t, "zzzzzzzzzz");
    CString e;
    e.ReleaseBuffer(5);   // nothing allocated: nothing happens
    EXPECT_TRUE(e.IsEmpty());
    e.FreeExtra();
    EXPECT_EQ(e.GetBuffer(-4) != nullptr, true);
    e.ReleaseBuffer();
    EXPECT_TRUE(e.IsEmpty());
    CString big("0123456789");
    big.GetBuffer(1000);
    big.ReleaseBuffer();
    big.FreeExtra();
    EXPECT_STREQ(big, "0123456789");
}

TEST(CString, FormatAgreesWithStrPrintfAndSnprintf)
{
    struct Case {
        const char* format;
        int a;
        const char* s;
    };
    const Case cases[] = {
        {"%d|%s", 42, "text"},
        {"%5d|%-6s|", -7, "ab"},
        {"%08X %x", 0xBEEF, "z"},
        {"Sektor %u von %s", 17, "Größe"},
        {"%%%c%%", 'A', ""},
    };
    for (const Case& c : cases) {
        CString s;
        s.Format(c.format, c.a, c.s);
        char expected[256];
        snprintf(expected, sizeof(expected), c.format, c.a, c.s);
        char own[256];
        StrNPrintf(own, sizeof(own), c.format, c.a, c.s);
        EXPECT_STREQ(s, expected) << c.format;
        EXPECT_STREQ(s, own) << c.format;
    }
    // The engine's 64-bit conversion of the Windows run-time.
    CString big;
    big.Format("Maximaler Sektor %I64i (Sektorgröße: %i)", static_cast<long long>(0x123456789LL), 512);
    EXPECT_STREQ(big, "Maximaler Sektor 4886718345 (Sektorgröße: 512)");
    // A long result grows the string as far as needed.
    std::string longText(5000, 'q');
    CString grown;
    grown.Format("<%s>", longText.c_str());
    EXPECT_EQ(grown.GetLength(), 5002);
    // Formatting a string with itself as an argument.
    CString self("abc");
    self.Format("%s%s", static_cast<LPCSTR>(self), static_cast<LPCSTR>(self));
    EXPECT_STREQ(self, "abcabc");
    CString none;
    none.Format(static_cast<LPCSTR>(nullptr));
    EXPECT_STREQ(none, "");
}

TEST(CString, LoadStringAgreesWithTheSystem)
{
    // The test program has no string table; user32's has, and the system's LoadStringA
    // is the reference for it.
    HMODULE user32 = GetModuleHandleA("user32.dll");
    ASSERT_NE(user32, nullptr);
    HINSTANCE saved = AfxGetResourceHandle();
    AfxSetResourceHandle(user32);
    int compared = 0;
    for (UINT id = 1; id < 0x10000 && compared < 20; ++id) {
        char expected[1024];
        int length = LoadStringA(user32, id, expected, sizeof(expected));
        if (length <= 0 || length >= static_cast<int>(sizeof(expected)) - 1)
            continue;
        CString s;
        ASSERT_TRUE(s.LoadString(id)) << id;
        EXPECT_STREQ(s, expected) << id;
        CString byPointer(MAKEINTRESOURCEA(id));
        EXPECT_STREQ(byPointer, expected) << id;
        ++compared;
    }
    EXPECT_GT(compared, 0);
    AfxSetResourceHandle(saved == GetModuleHandleA(nullptr) ? nullptr : saved);
    CString kept("bleibt");
    EXPECT_FALSE(kept.LoadString(0xFFFF));   // no such string: the text stays
    EXPECT_STREQ(kept, "bleibt");
    EXPECT_FALSE(kept.LoadString(0x12345));
}

TEST(CString, ExtractSubString)
{
    const char* doc = "Sektorlupe\n\nSektorlupe\n\n\nSektorlupe.Document\nSektorlupe Document";
    CString part;
    EXPECT_TRUE(AfxExtractSubString(part, doc, 0));
    EXPECT_STREQ(part, "Sektorlupe");
    EXPECT_TRUE(AfxExtractSubString(part, doc, 1));
    EXPECT_STREQ(part, "");
    EXPECT_TRUE(AfxExtractSubString(part, doc, 5));
    EXPECT_STREQ(part, "Sektorlupe.Document");
    EXPECT_TRUE(AfxExtractSubString(part, doc, 6));
    EXPECT_STREQ(part, "Sektorlupe Document");
    EXPECT_FALSE(AfxExtractSubString(part, doc, 7));
    EXPECT_STREQ(part, "");
    EXPECT_FALSE(AfxExtractSubString(part, nullptr, 0));
    EXPECT_TRUE(AfxExtractSubString(part, "Prompt\nTip", 0));
    EXPECT_STREQ(part, "Prompt");
}
