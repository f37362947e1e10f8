#include "views/ValueSearchLists.h"
#include "views/ValueSearch.h"

#include "services/AppIdentity.h"
#include "services/Registry.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Texts(const char* list)
{
    std::vector<std::string> out;
    for (int i = 0; MultiTextAt(list, i); ++i)
        out.push_back(MultiTextAt(list, i));
    return out;
}

// The block a list of texts should be: every text with its NUL, then the closing NUL.
std::string BlockOf(const std::vector<std::string>& texts)
{
    std::string block;
    for (const std::string& t : texts)
    {
        block += t;
        block.push_back('\0');
    }
    block.push_back('\0');
    return block;
}

TEST(MultiText, OperationsAgainstAVectorModel)
{
    std::mt19937 rng(21);
    for (int round = 0; round < 50; ++round)
    {
        char* list = nullptr;
        std::vector<std::string> model;
        for (int step = 0; step < 60; ++step)
        {
            std::string text(1 + rng() % 5, static_cast<char>('a' + rng() % 3));
            switch (rng() % 4)
            {
            case 0:
            case 1:
            {
                int at = static_cast<int>(rng() % (model.size() + 3)) - 1;
                int got = MultiTextInsert(&list, at, text.c_str());
                int expected = (at < 0 || at > static_cast<int>(model.size())) ? static_cast<int>(model.size()) : at;
                ASSERT_EQ(got, expected);
                model.insert(model.begin() + expected, text);
                break;
            }
            case 2:
            {
                int at = static_cast<int>(rng() % (model.size() + 2)) - 1;
                bool inRange = at >= 0 && at < static_cast<int>(model.size());
                ASSERT_EQ(MultiTextRemove(list, at), inRange ? 1 : 0);
                if (inRange)
                    model.erase(model.begin() + at);
                break;
            }
            default:
            {
                ASSERT_EQ(AddToHistory(&list, text.c_str(), 6), 1);
                std::vector<std::string> next = {text};
                for (const std::string& t : model)
                    if (t != text)
                        next.push_back(t);
                if (next.size() > 6)
                    next.resize(6);
                model = next;
                break;
            }
            }
            ASSERT_EQ(Texts(list), model);
            ASSERT_EQ(MultiTextCount(list), static_cast<int>(model.size()));
            if (!list)   // nothing inserted yet: the NULL block is the empty list
            {
                ASSERT_TRUE(model.empty());
                ASSERT_EQ(MultiTextSize(list), 0);
                continue;
            }
            std::string block = BlockOf(model);
            ASSERT_EQ(MultiTextSize(list), static_cast<int>(block.size()));
            ASSERT_EQ(std::string(list, block.size()), block);
            for (size_t i = 0; i < model.size(); ++i)
                ASSERT_EQ(MultiTextFind(list, model[i].c_str()),
                          static_cast<int>(std::find(model.begin(), model.end(), model[i]) - model.begin()));
        }
        MultiTextFree(&list);
        EXPECT_EQ(list, nullptr);
    }
}

TEST(MultiText, EdgeCases)
{
    EXPECT_EQ(MultiTextAt(nullptr, 0), nullptr);
    EXPECT_EQ(MultiTextCount(nullptr), 0);
    EXPECT_EQ(MultiTextSize(nullptr), 0);
    EXPECT_EQ(MultiTextFind(nullptr, "a"), -1);
    EXPECT_EQ(MultiTextRemove(nullptr, 0), 0);
    char* list = nullptr;
    EXPECT_EQ(MultiTextInsert(&list, 0, ""), -1);      // would end the list
    EXPECT_EQ(MultiTextInsert(&list, 0, nullptr), -1);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(MultiTextInsert(&list, 5, "one"), 0);    // an empty list becomes the one text
    EXPECT_EQ(MultiTextSize(list), 5);
    EXPECT_EQ(MultiTextAt(list, -1), nullptr);
    EXPECT_EQ(MultiTextAt(list, 1), nullptr);
    EXPECT_EQ(MultiTextFind(list, "on"), -1);
    EXPECT_EQ(AddToHistory(&list, "", 16), 0);
    char* copy = MultiTextCopy(list, 0);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(MultiTextSize(copy), 1);
    free(copy);
    MultiTextFree(&list);
    MultiTextFree(nullptr);
}

TEST(SelectionText, QuotedOrHexAndBackAgain)
{
    char text[VS_SELECTION_TEXT_SIZE];
    const uint8_t abc[] = {'a', '"', 'b', '\\', 127};
    SelectionToSearchText(abc, 5, text);
    EXPECT_STREQ(text, "\"a\\\"b\\\\\\177\"");
    const uint8_t binary[] = {0x00, 0xAB, 0x20};
    EXPECT_EQ(SelectionToSearchText(binary, 3, text), 9);
    EXPECT_STREQ(text, ":00 AB 20");
    EXPECT_EQ(SelectionToSearchText(nullptr, 3, text), 0);
    EXPECT_STREQ(text, "");
    // Round trip through the parser for random selections, printable or not, up to 64
    // bytes; longer selections are cut to 64.
    std::mt19937 rng(9);
    for (int i = 0; i < 3000; ++i)
    {
        int count = 1 + static_cast<int>(rng() % 80);
        std::vector<uint8_t> bytes(count);
        bool printable = rng() % 2;
        for (uint8_t& b : bytes)
            b = static_cast<uint8_t>(printable ? 32 + rng() % 96 : rng() % 256);
        int length = SelectionToSearchText(bytes.data(), count, text);
        ASSERT_EQ(length, static_cast<int>(strlen(text)));
        ASSERT_LT(length, VS_SELECTION_TEXT_SIZE);
        uint8_t back[VS_SLOT_SIZE];
        int n = ParseSearchText(text, back, VS_SLOT_SIZE, 1);
        int kept = count > VS_SELECTION_MAX ? VS_SELECTION_MAX : count;
        ASSERT_EQ(n, kept) << text;
        ASSERT_EQ(std::vector<uint8_t>(back, back + n), std::vector<uint8_t>(bytes.begin(), bytes.begin() + kept)) << text;
    }
}

TEST(SelectionText, PatternTemplate)
{
    const uint8_t hello[] = {'H', 'e', 'l', 'l', 'o'};
    // "T:0x" + the count in 4 hex digits, "/G" at characters 9 and 10, ":" at 12, the hex
    // from 13; the distance in front is the count in decimal.
    char* pattern = MakeSelectionPattern(hello, 5, VSF_IGNORE_CASE);
    ASSERT_NE(pattern, nullptr);
    const char expected[] = "5\0T:0x0005 /G :48656C6C6F\0";
    EXPECT_EQ(std::string(pattern, sizeof expected), std::string(expected, sizeof expected));
    free(pattern);
    pattern = MakeSelectionPattern(hello, 5, 0);
    ASSERT_NE(pattern, nullptr);
    EXPECT_STREQ(pattern + 2, "T:0x0005    :48656C6C6F");
    free(pattern);
    std::vector<uint8_t> many(100, 0x5A);
    pattern = MakeSelectionPattern(many.data(), 100, 0);
    ASSERT_NE(pattern, nullptr);
    EXPECT_STREQ(pattern, "64");
    EXPECT_EQ(strlen(pattern + 3), 13u + 128u);
    free(pattern);
    EXPECT_EQ(MakeSelectionPattern(hello, 0, 0), nullptr);
}

TEST(SelectionText, SingleAndGroupPatterns)
{
    char* single = MakeSinglePattern("T:1\t:41");
    ASSERT_NE(single, nullptr);
    const char expected[] = "\0T:1\t:41\0";
    EXPECT_EQ(std::string(single, sizeof expected), std::string(expected, sizeof expected));
    SearchPattern pattern;
    EXPECT_EQ(CompileSearchPattern(single, &pattern), 1);
    free(single);
    EXPECT_EQ(MakeSinglePattern(""), nullptr);
    EXPECT_EQ(MakeSinglePattern(nullptr), nullptr);

    std::string groups = BlockOf({"1000", "T:1\t:41", "T:1\t:42"});
    char* group = MakeGroupPattern(groups.data());
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(std::string(group, groups.size()), groups);
    EXPECT_EQ(CompileSearchPattern(group, &pattern), 2);
    EXPECT_EQ(pattern.distance, 1000);
    free(group);
    std::string distanceOnly = BlockOf({"1000"});
    EXPECT_EQ(MakeGroupPattern(distanceOnly.data()), nullptr);
}

// ---------------------------------------------------------------------------------------

class ValueSearchRegistry : public ::testing::Test
{
protected:
    ValueSearchRegistry() : m_scratch("Views") {}
    void SetUp() override
    {
        SetAppIdentity("SektorlupeTests", "Views");
        ResetValueSearchSettings(&m_settings);
    }
    void TearDown() override { ResetValueSearchSettings(&m_settings); }

    testsupport::ScratchKey m_scratch;
    ValueSearchSettings m_settings = {nullptr, nullptr, nullptr, 0, 0, 0, 0, 0};
};

TEST_F(ValueSearchRegistry, DefaultsWithoutValues)
{
    CRegistry registry;
    ASSERT_TRUE(registry.OpenAppKey());
    LoadValueSearchSettings(registry, &m_settings);
    EXPECT_EQ(m_settings.history, nullptr);
    EXPECT_EQ(m_settings.groups, nullptr);
    EXPECT_EQ(m_settings.flags, static_cast<uint32_t>(VSF_WRAP));
    EXPECT_EQ(m_settings.byteCountChoice, 2);
}

TEST_F(ValueSearchRegistry, SaveAndLoadRoundTrip)
{
    AddToHistory(&m_settings.history, "second", VS_HISTORY_MAX);
    AddToHistory(&m_settings.history, "\"first\"", VS_HISTORY_MAX);
    MultiTextInsert(&m_settings.groups, -1, "500");
    MultiTextInsert(&m_settings.groups, -1, "T:1\t:41\t(\"A\")");
    m_settings.flags = VSF_BACKWARDS | VSF_GROUP | VSF_KEEP_ORDER;
    {
        CRegistry registry;
        ASSERT_TRUE(registry.OpenAppKey());
        EXPECT_EQ(SaveValueSearchSettings(registry, m_settings), 1);
    }
    // What the registry holds, read with the plain API.
    HKEY key = m_scratch.Open();
    ASSERT_NE(key, nullptr);
    char raw[256];
    DWORD type = 0, size = sizeof raw;
    ASSERT_EQ(RegQueryValueExA(key, "HexFind", nullptr, &type, reinterpret_cast<BYTE*>(raw), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(std::string(raw, size), BlockOf({"\"first\"", "second"}));
    DWORD flags = 0;
    size = sizeof flags;
    ASSERT_EQ(RegQueryValueExA(key, "HexFindFlags", nullptr, &type, reinterpret_cast<BYTE*>(&flags), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(flags, 0x31u);
    RegCloseKey(key);

    ValueSearchSettings loaded = {nullptr, nullptr, nullptr, VSF_WRAP, 2, 0, 0, 0};
    {
        CRegistry registry;
        ASSERT_TRUE(registry.Open(HKEY_CURRENT_USER, nullptr, REGISTRY_READ));
        LoadValueSearchSettings(registry, &loaded);
    }
    EXPECT_EQ(Texts(loaded.history), Texts(m_settings.history));
    EXPECT_EQ(Texts(loaded.groups), Texts(m_settings.groups));
    EXPECT_EQ(loaded.flags, m_settings.flags);
    ResetValueSearchSettings(&loaded);
}

TEST_F(ValueSearchRegistry, ListsAreReadOnlyOnceAndCut)
{
    // 20 texts in the history and 20 entry lines in the group list, written raw.
    std::vector<std::string> history, groups = {"100"};
    for (int i = 0; i < 20; ++i)
    {
        history.push_back("text" + std::to_string(i));
        groups.push_back("T:1\t:4" + std::to_string(i % 10));
    }
    HKEY key = m_scratch.Open();
    ASSERT_NE(key, nullptr);
    std::string block = BlockOf(history);
    RegSetValueExA(key, "HexFind", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(block.data()), block.size());
    block = BlockOf(groups);
    RegSetValueExA(key, "HexGroup", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(block.data()), block.size());
    RegCloseKey(key);

    CRegistry registry;
    ASSERT_TRUE(registry.OpenAppKey());
    LoadValueSearchSettings(registry, &m_settings);
    EXPECT_EQ(Texts(m_settings.history), std::vector<std::string>(history.begin(), history.begin() + 16));
    EXPECT_EQ(Texts(m_settings.groups), std::vector<std::string>(groups.begin(), groups.begin() + 17));

    // A list already held is not replaced by a second load.
    MultiTextFree(&m_settings.history);
    MultiTextInsert(&m_settings.history, 0, "mine");
    LoadValueSearchSettings(registry, &m_settings);
    EXPECT_EQ(Texts(m_settings.history), std::vector<std::string>{"mine"});
}

TEST_F(ValueSearchRegistry, OversizedOrBrokenValuesAreIgnored)
{
    HKEY key = m_scratch.Open();
    ASSERT_NE(key, nullptr);
    // More than 2048 bytes: not read at all.
    std::string big = BlockOf(std::vector<std::string>(300, "0123456789"));
    RegSetValueExA(key, "HexFind", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(big.data()), big.size());
    // Without any terminator: the reader adds them.
    const char bare[] = {'1', '0'};
    RegSetValueExA(key, "HexGroup", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(bare), sizeof bare);
    RegCloseKey(key);
    CRegistry registry;
    ASSERT_TRUE(registry.OpenAppKey());
    LoadValueSearchSettings(registry, &m_settings);
    EXPECT_EQ(m_settings.history, nullptr);
    EXPECT_EQ(Texts(m_settings.groups), std::vector<std::string>{"10"});
}

}  // namespace
