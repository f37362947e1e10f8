#include "services/TextList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Texts(const CTextList& list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list.GetCount(); ++i)
        out.push_back(list.GetText(i));
    return out;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return s;
}

struct Record
{
    int a;
    int b;
    short c;
};

}  // namespace

TEST(TextList, InsertAccessAndRanges)
{
    CTextList list(sizeof(Record));
    Record r = {7, 8, 9};
    EXPECT_EQ(list.InsertText("b"), 0);
    EXPECT_EQ(list.InsertText("a", 0, &r), 0);
    EXPECT_EQ(list.InsertText(nullptr, 99), 2);       // beyond the count: appended, NULL is ""
    EXPECT_EQ(list.InsertTextN(3, "cdefg", -1), 3);
    EXPECT_EQ(list.InsertTextN(10, "hi", 1), 1);      // the copy ends at the NUL
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"a", "hi", "b", "", "cde"}));
    EXPECT_EQ(list.GetTextLength(4), 3);
    int length = -1;
    EXPECT_STREQ(list.GetTextAndLength(1, &length), "hi");
    EXPECT_EQ(length, 2);

    // User data: copied, or zeroed for NULL.
    const Record* got = static_cast<const Record*>(list.GetItemDataPtr(0));
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->b, 8);
    EXPECT_EQ(list.GetItemData(0), 7u);
    EXPECT_EQ(list.GetItemData(2), 0u);
    EXPECT_TRUE(list.SetItemData(2, 0xDEADBEEFu));
    EXPECT_EQ(list.GetItemData(2), 0xDEADBEEFu);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(list.GetItemDataPtr(3)) % 8, 0u);

    // Out of range.
    EXPECT_EQ(list.GetText(5), nullptr);
    EXPECT_EQ(list.GetText(-1), nullptr);
    EXPECT_EQ(list.GetTextAndLength(5, &length), nullptr);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(list.GetTextLength(9), 0);
    EXPECT_EQ(list.GetItemDataPtr(5), nullptr);
    EXPECT_EQ(list.GetItemData(5), 0u);
    EXPECT_FALSE(list.SetItemData(5, 1));

    // SetTextN keeps the data.
    EXPECT_TRUE(list.SetTextN(-1, "alpha", 0));
    EXPECT_STREQ(list.GetText(0), "alpha");
    EXPECT_EQ(list.GetItemData(0), 7u);
    EXPECT_FALSE(list.SetTextN(1, "x", 5));

    // The data size can change only while the list is empty.
    EXPECT_EQ(list.SetDataSize(4), -1);
    EXPECT_EQ(list.RemoveRange(-3, 2), 2);
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"b", "", "cde"}));
    EXPECT_EQ(list.RemoveRange(2, 100), 1);
    EXPECT_EQ(list.RemoveRange(1, 1), 0);
    EXPECT_EQ(list.Clear(), 1);
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.SetDataSize(-1), -1);
    EXPECT_EQ(list.SetDataSize(2), 2);
    list.InsertText("short");
    EXPECT_EQ(list.GetItemData(0), 0u);   // data shorter than 4 bytes
    EXPECT_FALSE(list.SetItemData(0, 1));
}

TEST(TextList, SortedInsertAndFindAgreeWithStdSort)
{
    std::mt19937 rng(42);
    for (int flags : {0, 1}) {
        CTextList list(4);
        std::vector<std::string> reference;
        for (int i = 0; i < 400; ++i) {
            std::string text;
            int n = static_cast<int>(rng() % 4);
            for (int k = 0; k < n; ++k)
                text += "aAbB"[rng() % 4];
            uint32_t id = static_cast<uint32_t>(i);
            int index = list.InsertSorted(-1, text.c_str(), &id, flags);
            ASSERT_GE(index, 0);
            reference.push_back(text);
        }
        auto key = [flags](const std::string& s) { return flags ? Lower(s) : s; };
        std::stable_sort(reference.begin(), reference.end(),
                         [&](const std::string& x, const std::string& y) { return key(x) < key(y); });
        auto texts = Texts(list);
        ASSERT_EQ(texts.size(), reference.size());
        for (size_t i = 0; i < texts.size(); ++i)
            ASSERT_EQ(key(texts[i]), key(reference[i])) << i;
        // Equal texts keep their insertion order (behind the earlier ones).
        for (int i = 1; i < list.GetCount(); ++i) {
            if (key(texts[i - 1]) == key(texts[i])) {
                EXPECT_LT(list.GetItemData(i - 1), list.GetItemData(i));
            }
        }

        // FindSorted gives the first equal item, or -1.
        for (const char* probe : {"", "a", "ab", "AB", "bbb", "abab", "c", "aaaaa"}) {
            auto first = std::lower_bound(texts.begin(), texts.end(), key(probe),
                                          [&](const std::string& x, const std::string& k) { return key(x) < k; });
            int expected = first != texts.end() && key(*first) == key(probe)
                               ? static_cast<int>(first - texts.begin()) : -1;
            EXPECT_EQ(list.FindSorted(-1, probe, 0, -1, flags), expected) << probe;
        }
        // A length-bounded probe and a sub-range.
        int whole = list.FindSorted(-1, "ab", 0, -1, flags);
        EXPECT_EQ(list.FindSorted(2, "abXYZ", 0, -1, flags), whole);
        if (whole > 0) {
            EXPECT_EQ(list.FindSorted(-1, "ab", 0, whole, flags), -1);
        }
    }
}

TEST(TextList, FindTextModes)
{
    CTextList list;
    list.InsertText("Alpha");
    list.InsertText("beta");
    list.InsertText("ALPHA");
    EXPECT_EQ(list.FindText("ALPHA"), 2);
    EXPECT_EQ(list.FindText("alpha"), -1);
    EXPECT_EQ(list.FindText("alpha", 0, -1, 1), 0);
    EXPECT_EQ(list.FindText("alpha", 1, -1, 1), 2);
    EXPECT_EQ(list.FindText("alpha", 1, 2, 1), -1);
    EXPECT_EQ(list.FindText("Alph"), -1);
    EXPECT_EQ(list.FindText(nullptr), -1);
    // Letters of code page 1252 fold as well.
    list.InsertText("Größe");
    EXPECT_EQ(list.FindText("GRÖßE", 0, -1, 1), 3);
}

TEST(TextList, MostRecentlyUsedCut)
{
    CTextList list;
    for (const char* t : {"a", "b", "A", "c", "b", "d", "e"})
        list.InsertText(t);
    // Exact duplicates among the first 5 go; the rest beyond 5 is cut.
    list.SetLimit(5, 0);
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"a", "b", "A", "c", "d"}));
    // Case-insensitive mode removes "A" as well.
    list.SetLimit(3, 1);
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"a", "b", "c"}));

    EXPECT_EQ(list.MoveToFront("C"), 0);   // found by the find mode
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"c", "a", "b"}));
    EXPECT_EQ(list.MoveToFront("z"), 1);

    // The usual history step: move or insert at the front, then cut.
    if (list.MoveToFront("new") != 0)
        list.InsertText("new", 0);
    list.SetLimit(3, 1);
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"new", "c", "a"}));
    // Only the first maximum-count items are searched.
    list.InsertText("tail", -1);
    list.SetLimit(2, 0);
    EXPECT_EQ(list.GetCount(), 2);
    list.InsertText("x");
    EXPECT_EQ(list.MoveToFront("x"), 1);
    // A negative maximum means 16.
    for (int i = 0; i < 30; ++i)
        list.AddFormat("%i", i);
    list.SetLimit(-1, 0);
    EXPECT_EQ(list.GetCount(), 16);
}

TEST(TextList, JoinAndSplitRoundTrip)
{
    std::mt19937 rng(9);
    for (int round = 0; round < 200; ++round) {
        CTextList list(8);
        int n = static_cast<int>(rng() % 10);
        for (int i = 0; i < n; ++i) {
            std::string text(1 + rng() % 6, static_cast<char>('a' + rng() % 26));
            list.InsertText(text.c_str());
        }
        char* block = nullptr;
        int size = list.JoinMultiString(0, -1, &block);
        ASSERT_NE(block, nullptr);
        int expected = 1;
        for (int i = 0; i < n; ++i)
            expected += list.GetTextLength(i) + 1;
        EXPECT_EQ(size, std::max(expected, 2));
        EXPECT_EQ(block[size - 1], '\0');
        EXPECT_EQ(block[size - 2], '\0');

        CTextList back(8);
        int first = back.InsertSplit(0, block, 0, nullptr);
        EXPECT_EQ(first, n > 0 ? 0 : -1);
        EXPECT_EQ(Texts(back), Texts(list));
        free(block);
    }
    // A sub-range, and empty texts left out of the block.
    CTextList list;
    for (const char* t : {"one", "", "two", "three"})
        list.InsertText(t);
    char* block = nullptr;
    EXPECT_EQ(list.JoinMultiString(1, 3, &block), 5);
    EXPECT_EQ(std::string(block, 5), std::string("two\0\0", 5));
    free(block);
    EXPECT_EQ(list.JoinMultiString(3, 1, &block), 2);
    EXPECT_EQ(std::string(block, 2), std::string("\0\0", 2));
    free(block);
}

TEST(TextList, SplitAtCharacters)
{
    CTextList list(4);
    uint32_t data = 5;
    EXPECT_EQ(list.InsertSplit(';', "bin;img;;iso;", -1, &data), 0);
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"bin", "img", "", "iso"}));
    EXPECT_EQ(list.GetItemData(3), 5u);
    EXPECT_EQ(list.InsertSplit('|', "x|y", 1, nullptr), 1);
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"bin", "x", "y", "img", "", "iso"}));
    EXPECT_EQ(list.InsertSplit(';', "", 0, nullptr), -1);
    EXPECT_EQ(list.InsertSplit(';', nullptr, 0, nullptr), -1);
    EXPECT_EQ(list.InsertSplit(0, "\0", 0, nullptr), -1);
    EXPECT_EQ(list.GetCount(), 6);
}

TEST(TextList, AddFormatUsesTheProgramsEngine)
{
    CTextList list;
    EXPECT_EQ(list.AddFormat("%s(%i)\t%s", "Fehler", 12, "Erwarte Befehl"), 0);
    EXPECT_STREQ(list.GetText(0), "Fehler(12)\tErwarte Befehl");
    EXPECT_EQ(list.AddFormat("%04X-%I64u", 0xBEEF, 12345678901234ull), 1);
    EXPECT_STREQ(list.GetText(1), "BEEF-12345678901234");
}
