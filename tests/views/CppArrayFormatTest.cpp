// Copy as source. The outputs of random bytes in every format, value size, line size and
// byte order are written to the build tree with the bytes a reader must get back from them;
// the CTest step views_copy_source then reads them with the host's gcc, base64, xxd and
// nasm (check-copy-source.sh). Here: the forms the user sees, and that a cut output stays
// whole.
#include "views/CppArrayFormat.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

std::string Format(const std::vector<uint8_t>& bytes, int size, uint32_t flags, int perLine, int capacity = 0)
{
    if (capacity == 0)
        capacity = CppArrayCapacity(static_cast<int>(bytes.size()), size, perLine);
    std::string out(static_cast<size_t>(capacity), '\x7F');
    int n = FormatCppArray(bytes.data(), static_cast<int>(bytes.size()), size, flags, perLine, &out[0], capacity);
    EXPECT_LT(n, capacity);
    EXPECT_EQ(out[static_cast<size_t>(n)], '\0');
    out.resize(static_cast<size_t>(n));
    return out;
}

bool WriteFile(const std::string& path, const void* data, size_t size)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = fwrite(data, 1, size, file) == size;
    return fclose(file) == 0 && ok;
}

TEST(CppArrayFormat, ThreeBytesInCAndAssemblerAsTheUserSeesThem)
{
    const std::vector<uint8_t> b = { 1, 2, 3 };
    EXPECT_EQ(Format(b, 1, CAF_C, 16), "0x01,0x02,0x03,\n");
    EXPECT_EQ(Format(b, 1, CAF_ASSEMBLER, 16), "DB\t001h,002h,003h,\n");
    EXPECT_EQ(Format(b, 1, CAF_ASSEMBLER, 3), "DB\t001h,002h,003h\n");
    EXPECT_EQ(Format(b, 2, CAF_C, 16), "0x0201,0x0003,\n");
    EXPECT_EQ(Format(b, 2, CAF_C | CAF_BIG_ENDIAN, 16), "0x0102,0x0300,\n");
    EXPECT_EQ(Format(b, 8, CAF_ASSEMBLER, 1), "DQ\t00000000000030201h\n");
    EXPECT_EQ(Format(b, 2, CAF_TEXT_FORMS, 2), "\"\\x01\\x02\"\n\"\\x03\"\n");
    EXPECT_EQ(Format(b, 4, CAF_DUMP, 2), "0201\n03\n");
}

// Random bytes in every form: each case becomes NNN-kind.txt with NNN.expected beside it.
TEST(CppArrayFormat, EveryFormReadsBackWithTheHostTools)
{
    const std::string binary = testsupport::BinaryDir();
    if (binary.empty())
        GTEST_SKIP() << "run through ctest: the host tools read the cases from the build tree";
    const std::string dir = binary + "\\hostcheck\\copy-source";
    CreateDirectoryA((binary + "\\hostcheck").c_str(), nullptr);
    CreateDirectoryA(dir.c_str(), nullptr);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*.*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE)
    {
        do
            DeleteFileA((dir + "\\" + found.cFileName).c_str());
        while (FindNextFileA(search, &found));
        FindClose(search);
    }

    std::mt19937 random(20240117);
    const int sizes[4] = { 1, 2, 4, 8 };
    int index = 0;
    for (int format = 0; format < 4; ++format)
        for (int s = 0; s < 4; ++s)
            for (int bigEndian = 0; bigEndian < 2; ++bigEndian)
                for (int round = 0; round < 3; ++round)
                {
                    const int size = sizes[s];
                    int perLine = 1 + static_cast<int>(random() % 24);
                    int count = 1 + static_cast<int>(random() % 300);
                    if (round == 2)
                        count = 32768;   // the most a copy takes: it must come out whole
                    if (format == CAF_ASSEMBLER)
                        count = (count + size * perLine - 1) / (size * perLine) * (size * perLine);
                    std::vector<uint8_t> bytes(static_cast<size_t>(count));
                    for (auto& b : bytes)
                        b = static_cast<uint8_t>(random());
                    uint32_t flags = static_cast<uint32_t>(format) | (bigEndian ? CAF_BIG_ENDIAN : 0u);
                    std::string text = Format(bytes, size, flags, perLine);

                    // What a little-endian reader gets back: the bytes padded to whole values, each
                    // value turned round when it was written in memory order. Text forms carry the
                    // bytes as they are; a dump turns round its groups of at most 4.
                    std::vector<uint8_t> expected = bytes;
                    std::string kind;
                    int unit = size;
                    if (format == CAF_TEXT_FORMS)
                    {
                        kind = size == 1 ? "b64" : (size == 8 ? "chars" : "str");
                        unit = 1;
                    }
                    else if (format == CAF_DUMP)
                    {
                        kind = "dump";
                        unit = size > 4 ? 4 : size;
                    }
                    else
                    {
                        kind = format == CAF_ASSEMBLER ? "asm" : "c" + std::to_string(8 * size);
                        expected.resize((expected.size() + size - 1) / size * size, 0);
                    }
                    // A dump line holds values-per-line bytes; its groups count from the line start.
                    const bool swapped = format == CAF_DUMP ? !bigEndian : (format != CAF_TEXT_FORMS && bigEndian);
                    const size_t line = format == CAF_DUMP ? static_cast<size_t>(perLine) : expected.size();
                    for (size_t lineStart = 0; swapped && lineStart < expected.size(); lineStart += line)
                    {
                        size_t lineEnd = std::min(expected.size(), lineStart + line);
                        for (size_t at = lineStart; at < lineEnd; at += unit)
                            std::reverse(expected.begin() + at, expected.begin() + std::min(lineEnd, at + unit));
                    }
                    char name[16];
                    snprintf(name, sizeof(name), "%03d", index++);
                    ASSERT_TRUE(WriteFile(dir + "\\" + name + "-" + kind + ".txt", text.data(), text.size()));
                    ASSERT_TRUE(WriteFile(dir + "\\" + name + ".expected", expected.data(), expected.size()));
                }
}

// The preview gets 256 bytes: it is cut after whole values, and string forms stay closed.
TEST(CppArrayFormat, AShortOutputEndsAfterWholeValuesAndClosesItsStrings)
{
    std::vector<uint8_t> bytes(4000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 37 + 11);
    for (int format = 0; format < 4; ++format)
        for (int size : { 1, 2, 4, 8 })
        {
            std::string cut = Format(bytes, size, static_cast<uint32_t>(format), 1000, 256);
            std::string whole = Format(bytes, size, static_cast<uint32_t>(format), 1000);
            ASSERT_LE(cut.size(), 255u);
            ASSERT_GT(cut.size(), 200u) << "format " << format << " size " << size;
            if (format == CAF_TEXT_FORMS && (size == 2 || size == 4))
            {
                // The part of the line that fit, closed as the line would be.
                ASSERT_EQ(cut.substr(cut.size() - 2), "\"\n");
                EXPECT_EQ(whole.compare(0, cut.size() - 2, cut, 0, cut.size() - 2), 0);
            }
            else if (format == CAF_DUMP)
            {
                EXPECT_EQ(whole.compare(0, cut.size() - 1, cut, 0, cut.size() - 1), 0);
            }
            else
            {
                EXPECT_EQ(whole.compare(0, cut.size(), cut), 0) << "format " << format << " size " << size;
            }
        }
    char tiny[4] = { 'x', 'x', 'x', 'x' };
    EXPECT_EQ(FormatCppArray(bytes.data(), 10, 1, CAF_C, 16, tiny, 3), 0);
    EXPECT_EQ(tiny[0], 'x');
}

}  // namespace
