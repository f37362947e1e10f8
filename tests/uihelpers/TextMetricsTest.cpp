#include "uihelpers/TextMetrics.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/uihelpers/TestWindows.h"
#include "uihelpers/AttrText.h"

namespace {

// Runs the shortening into a buffer with guard bytes on both sides and checks them.
std::string Compact(const char* path, int size, int width, const unsigned char* table, int front)
{
    std::string buffer(static_cast<size_t>(size) + 16, '\x5A');
    int length = CompactPathToWidth(path, &buffer[8], size, width, table, front);
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_EQ('\x5A', buffer[static_cast<size_t>(i)]);
        EXPECT_EQ('\x5A', buffer[static_cast<size_t>(size) + 8 + static_cast<size_t>(i)]);
    }
    std::string out(&buffer[8]);
    EXPECT_EQ(static_cast<int>(out.size()), length);
    EXPECT_LT(length, size);
    return out;
}

int PlainWidth(const std::string& s, const unsigned char* table)
{
    int w = 0;
    for (unsigned char c : s)
        w += table ? table[c] : 1;
    return w;
}

} // namespace

TEST(TextWidthByTable, CountsCharactersWithoutTableAndStopsAtLineEnds)
{
    EXPECT_EQ(5, TextWidthByTable("Größe", nullptr, 100));
    EXPECT_EQ(3, TextWidthByTable("abc\rdef", nullptr, 100));
    EXPECT_EQ(3, TextWidthByTable("abc\ndef", nullptr, 100));
    EXPECT_EQ(2, TextWidthByTable("abcdef", nullptr, 2));
    EXPECT_EQ(0, TextWidthByTable("abc", nullptr, 0));
    EXPECT_EQ(0, TextWidthByTable("abc", nullptr, -5));
    EXPECT_EQ(0, TextWidthByTable(nullptr, nullptr, 10));
}

TEST(TextWidthByTable, SumsTableEntriesLikeAPlainLoop)
{
    unsigned char table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = static_cast<unsigned char>((i * 7 + 3) & 0xFF);
    const char* text = "Sektor \xE4\xF6\xFC 0x1F";
    int expected = 0;
    for (const char* p = text; *p; ++p)
        expected += table[static_cast<unsigned char>(*p)];
    EXPECT_EQ(expected, TextWidthByTable(text, table, 1000));
}

TEST(FontWidths, TableAgreesWithTheMeasuredExtent)
{
    EXPECT_EQ(0, GetCharWidthTable(nullptr, nullptr));
    int height = -1;
    EXPECT_EQ(0, GetFontTextExtent(nullptr, nullptr, -1, &height));
    EXPECT_EQ(0, height);
    unsigned char table[256];
    HFONT font = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
    ASSERT_EQ(256, GetStockFontWidthTable(table, -1));
    unsigned char again[256];
    ASSERT_EQ(256, GetFontWidthTable(again, font));
    EXPECT_EQ(0, memcmp(table, again, 256));
    // Without kerning the extent of a text is the sum of its characters' widths.
    const char* text = "Partition";
    int measured = GetFontTextExtent(text, font, -1, &height);
    EXPECT_GT(measured, 0);
    EXPECT_GT(height, 0);
    EXPECT_EQ(TextWidthByTable(text, table, 100), measured);
    EXPECT_EQ(GetFontTextExtent("Part", font, -1, nullptr), GetFontTextExtent(text, font, 4, nullptr));
}

TEST(CompactPath, SmallBuffersAndPathsThatFit)
{
    char out[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(0, CompactPathToWidth("C:\\a\\b", out, 1, 100, nullptr, 1));
    EXPECT_EQ('\0', out[0]);
    EXPECT_EQ(0, CompactPathToWidth("C:\\a\\b", out, 0, 100, nullptr, 1));
    EXPECT_EQ(0, CompactPathToWidth("C:\\a\\b", nullptr, 10, 100, nullptr, 1));
    EXPECT_EQ("", Compact(nullptr, 10, 100, nullptr, 1));
    EXPECT_EQ("C:\\Programme\\datei.txt", Compact("C:\\Programme\\datei.txt", 64, 100, nullptr, 1));
    // No separator after the root: copied whole, cut to the buffer.
    EXPECT_EQ("datei.txt", Compact("datei.txt", 64, 3, nullptr, 1));
    EXPECT_EQ("date", Compact("datei.txt", 5, 3, nullptr, 1));
}

TEST(CompactPath, HandWorkedCases)
{
    // Counting characters: file name 9, "...\" 4, so a width of 20 leaves 7: the root
    // "C:\" (3) fits, "Werkzeug\" (9) does not.
    const char* path = "C:\\Programme\\Firma\\Werkzeug\\datei.txt";
    EXPECT_EQ("C:\\...\\datei.txt", Compact(path, 64, 20, nullptr, 1));
    // Front count 0, width 30: budget 17 takes "Werkzeug\" (9) and "Firma\" (6).
    EXPECT_EQ("...\\Firma\\Werkzeug\\datei.txt", Compact(path, 64, 30, nullptr, 0));
    // A server path keeps "\\server\" in front.
    EXPECT_EQ("\\\\server\\...\\datei.txt", Compact("\\\\server\\share\\ordner\\datei.txt", 64, 25, nullptr, 1));
    // A one-character file name stays with its folder.
    EXPECT_EQ("...\\bbbbbbbb\\x", Compact("C:\\aaaaaaaaaa\\bbbbbbbb\\x", 64, 16, nullptr, 0));
    // With a table: every character 2, "." 1 and "\" 3, so "...\" is 6 wide.
    unsigned char table[256];
    memset(table, 2, sizeof table);
    table[static_cast<unsigned char>('.')] = 1;
    table[static_cast<unsigned char>('\\')] = 3;
    // "d.txt" is 9, budget 30 - 9 - 6 = 15: "C:\" is 7, then "ccc\" (9) > 8 left.
    EXPECT_EQ("C:\\...\\d.txt", Compact("C:\\aaaa\\bbbb\\ccc\\d.txt", 64, 30, table, 1));
    // A small buffer cuts the output but still terminates it.
    EXPECT_EQ("C:\\...\\da", Compact(path, 10, 20, nullptr, 1));
}

TEST(CompactPath, RandomPathsFitTheWidthAndKeepTheFileName)
{
    std::mt19937 rng(1234);
    const char alphabet[] = "abcXYZ.\\/\\\\";
    unsigned char table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = static_cast<unsigned char>(1 + (i % 5));
    for (int round = 0; round < 3000; ++round)
    {
        std::string path;
        int len = static_cast<int>(rng() % 80);
        for (int i = 0; i < len; ++i)
            path += alphabet[rng() % (sizeof(alphabet) - 1)];
        const unsigned char* t = (round & 1) ? table : nullptr;
        int width = static_cast<int>(rng() % 120);
        int front = static_cast<int>(rng() % 3);
        int size = 2 + static_cast<int>(rng() % 100);
        std::string out = Compact(path.c_str(), size, width, t, front);
        if (size <= static_cast<int>(path.size()))
            continue; // cut by the buffer: only the guard checks apply
        if (path.find("...") != std::string::npos)
            continue; // the path's own dots would blur where the ellipsis stands
        size_t dots = out.find("...\\");
        if (dots == std::string::npos)
        {
            EXPECT_EQ(path, out);
            continue;
        }
        // Kept front part, ellipsis, kept tail: both parts are the path's own.
        std::string head = out.substr(0, dots);
        std::string tail = out.substr(dots + 4);
        EXPECT_EQ(0, path.compare(0, head.size(), head)) << path;
        ASSERT_LE(tail.size(), path.size());
        EXPECT_EQ(0, path.compare(path.size() - tail.size(), tail.size(), tail)) << path;
        // The file name (after the last separator) always stays.
        // The last component runs to the end, its own trailing separator included.
        size_t sep = path.find_last_of("\\/", path.size() - 2);
        EXPECT_GE(tail.size(), path.size() - sep - 1) << path;
        // Once the width holds the file name (with its folder when the name is one
        // character) and the ellipsis, the result fits it.
        size_t lastStart = sep + 1;
        if (path.size() - lastStart == 1 && sep > 0)
        {
            size_t prev = path.find_last_of("\\/", sep - 1);
            lastStart = prev == std::string::npos ? 0 : prev + 1;
        }
        int separators = 0;
        for (char c : path)
            separators += (c == '\\' || c == '/');
        int ellipsis = t ? 3 * t['.'] + t['\\'] : 4;
        if (separators < 25 && lastStart > 3 && width >= PlainWidth(path.substr(lastStart), t) + ellipsis)
        {
            EXPECT_LE(PlainWidth(out, t), width) << path << " -> " << out << " table " << (t != nullptr);
        }
    }
}

TEST(CompactPath, TextBeforeAndAfterNarrowTheWidth)
{
    const char* path = "C:\\Programme\\Firma\\Werkzeug\\datei.txt";
    char plain[64], ex[64];
    // 5 characters before and 5 after take 10 of 30: as if the width were 20.
    CompactPathToWidth(path, plain, 64, 20, nullptr, 1);
    CompactPathToWidthEx(path, ex, 64, 30, nullptr, 1, "Text:", "(neu)", -1, -1);
    EXPECT_STREQ(plain, ex);
    // The path inside the text before it: only the text up to the path counts.
    std::string line = std::string("Kopiere ") + path;
    const char* inside = line.c_str() + 8;
    CompactPathToWidthEx(inside, ex, 64, 28, nullptr, 1, line.c_str(), nullptr, 0, 1000);
    EXPECT_STREQ(plain, ex);
}

TEST(TextExtents, WindowFontAndWideAttributedTextMeasureAsGdiDoes)
{
    HFONT fonts[4] = {nullptr, nullptr, nullptr, nullptr};
    for (int i = 0; i < 2; ++i)
    {
        LOGFONTA lf = {};
        lf.lfHeight = i ? -27 : -13;
        strcpy(lf.lfFaceName, "Arial");
        fonts[i] = CreateFontIndirectA(&lf);
    }
    HDC dc = CreateCompatibleDC(NULL);
    HGDIOBJ systemFont = GetCurrentObject(dc, OBJ_FONT);

    // A field's extent is measured in the font the field was given, not the dialog's.
    uitest::HostDialog host("EDIT", WS_BORDER);
    SendMessageA(host.Control(), WM_SETFONT, reinterpret_cast<WPARAM>(fonts[1]), FALSE);
    const struct { const char* text; int length; } texts[] = {
        {"Sektor 0", -1}, {"Sektor 0", 3}, {"Gr\xF6\xDF" "e", -1}, {"", -1}};
    SelectObject(dc, fonts[1]);
    for (auto& t : texts)
    {
        SIZE want = {0, 0};
        GetTextExtentPoint32A(dc, t.text, t.length < 0 ? static_cast<int>(strlen(t.text)) : t.length, &want);
        int height = -1;
        EXPECT_EQ(want.cx, GetWindowTextExtent(t.text, host.Control(), t.length, &height)) << t.text;
        EXPECT_EQ(want.cy, height) << t.text;
    }
    SelectObject(dc, systemFont);

    // UTF-16 text beyond Latin-1 in two fonts: the fit, the partial extents and the size are
    // those GDI gives for each run, the later run counted from the end of the earlier one.
    const wchar_t text[] = L"\u03A9mega \u03A3\u0394\u20AC Sektor";
    const int count = static_cast<int>(wcslen(text));
    const int split = 6;
    std::vector<BYTE> attributes(static_cast<size_t>(count), 0);
    for (int i = split; i < count; ++i)
        attributes[static_cast<size_t>(i)] = 0x40;
    // Each run alone, measured in its font with a room.
    struct Run { int fit; SIZE size; std::vector<int> dx; };
    auto measure = [&](int font, int from, int n, int room) {
        Run r = {0, {0, 0}, std::vector<int>(static_cast<size_t>(n), 0)};
        SelectObject(dc, fonts[font]);
        GetTextExtentExPointW(dc, text + from, n, room > 0 ? room : 0, &r.fit, r.dx.data(), &r.size);
        SelectObject(dc, systemFont);
        return r;
    };
    const int first = measure(0, 0, split, 0).size.cx;
    const int second = measure(1, split, count - split, 0).size.cx;
    // Room for all, room that ends inside the second run, room that ends inside the first.
    const struct { int limit, fitAtLeast, fitBelow; } rooms[] = {
        {first + second + 5, count, count + 1}, {first + second / 2, split + 1, count}, {first / 2, 0, split}};
    for (auto& room : rooms)
    {
        const int limit = room.limit;
        Run a = measure(0, 0, split, limit);
        Run b = measure(1, split, count - split, limit - first);
        const bool firstWhole = a.fit == split;
        const int wantFit = a.fit + (firstWhole ? b.fit : 0);
        ASSERT_GE(wantFit, room.fitAtLeast);
        ASSERT_LT(wantFit, room.fitBelow);
        std::vector<int> want(static_cast<size_t>(count), -7);
        for (int i = 0; i < wantFit; ++i)
            want[static_cast<size_t>(i)] = i < split ? a.dx[static_cast<size_t>(i)] : first + b.dx[static_cast<size_t>(i - split)];
        int fit = -1;
        std::vector<int> partial(static_cast<size_t>(count), -7);
        SIZE size = {0, 0};
        EXPECT_EQ(1, MeasureAttrTextW(dc, text, count, limit, &fit, partial.data(), &size, attributes.data(), fonts)) << limit;
        EXPECT_EQ(wantFit, fit) << limit;
        EXPECT_EQ(want, partial) << limit;
        EXPECT_EQ(first + second, size.cx) << limit;
        EXPECT_EQ(b.size.cy, size.cy) << limit;
        EXPECT_EQ(systemFont, GetCurrentObject(dc, OBJ_FONT));
    }
    // Without attributes it is GDI's own call in the selected font.
    SIZE plain = {0, 0}, got = {0, 0};
    int plainFit = 0, gotFit = -1;
    GetTextExtentExPointW(dc, text, count, 40, &plainFit, nullptr, &plain);
    EXPECT_NE(0, MeasureAttrTextW(dc, text, count, 40, &gotFit, nullptr, &got, nullptr, fonts));
    EXPECT_EQ(plainFit, gotFit);
    EXPECT_EQ(plain.cx, got.cx);

    DeleteDC(dc);
    DeleteObject(fonts[0]);
    DeleteObject(fonts[1]);
}
