#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>

// The build compiles 8-bit literals to code page 1252 and runs under that ANSI code page:
// German texts in the sources reach the Windows "A" functions as the user reads them.
TEST(BuildLoop, LiteralsAreCodePage1252)
{
    const char* text = "Größe";
    ASSERT_EQ(strlen(text), 5u);
    EXPECT_EQ(static_cast<unsigned char>(text[2]), 0xF6);  // ö
    EXPECT_EQ(static_cast<unsigned char>(text[3]), 0xDF);  // ß
    EXPECT_EQ(GetACP(), 1252u);
    EXPECT_EQ(sizeof(void*), 4u);
    EXPECT_EQ(sizeof(wchar_t), 2u);
}
