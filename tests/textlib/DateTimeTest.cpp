#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <string>

#include "textlib/DateTime.h"

namespace {

std::string Format(int seconds, DWORD flags)
{
    char buffer[40];
    memset(buffer, '#', sizeof(buffer));
    int length = FormatDateTime(buffer, seconds, flags);
    EXPECT_EQ(length, static_cast<int>(strlen(buffer)));
    EXPECT_LE(length, 19);
    return buffer;
}

const DWORD kUtc = DTF_PRINTER_TIME | DTF_UTC;

}  // namespace

TEST(DateTime, KnownUniversalTimes)
{
    // The epoch, the billennium (published widely as 2001-09-09 01:46:40 UTC) and the last
    // second of a signed 32-bit time_t (2038-01-19 03:14:07 UTC).
    EXPECT_EQ(Format(0, kUtc), "01.01.1970 00:00:00");
    EXPECT_EQ(Format(1000000000, kUtc), "09.09.2001 01:46:40");
    EXPECT_EQ(Format(2147483647, kUtc), "19.01.2038 03:14:07");
    // 951782400 = 30 years and 58 days after the epoch (7 leap days between): 29.02.2000.
    EXPECT_EQ(Format(951782400 + 3723, kUtc), "29.02.2000 01:02:03");
    EXPECT_EQ(DTF_PRINTER_TIME, 114u);
}

TEST(DateTime, LocalTimeAgreesWithTheRunTime)
{
    std::mt19937 random(99);
    for (int i = 0; i < 2000; i++) {
        int seconds = i == 0 ? 0 : i == 1 ? INT_MAX : static_cast<int>(random() & 0x7FFFFFFF);
        __time32_t time = seconds;
        const struct tm* parts = _localtime32(&time);
        char expected[40] = "--.--.---- --:--:--";   // west of Greenwich 0 lies before 1970
        if (parts != NULL)
            snprintf(expected, sizeof(expected), "%02d.%02d.%04d %02d:%02d:%02d", parts->tm_mday,
                     parts->tm_mon + 1, parts->tm_year + 1900, parts->tm_hour, parts->tm_min, parts->tm_sec);
        ASSERT_EQ(Format(seconds, DTF_PRINTER_TIME), expected) << seconds;
        parts = _gmtime32(&time);
        ASSERT_TRUE(parts != NULL);
        snprintf(expected, sizeof(expected), "%02d.%02d.%04d %02d:%02d:%02d", parts->tm_mday,
                 parts->tm_mon + 1, parts->tm_year + 1900, parts->tm_hour, parts->tm_min, parts->tm_sec);
        ASSERT_EQ(Format(seconds, kUtc), expected) << seconds;
    }
}

TEST(DateTime, TimesTheRunTimeCannotConvert)
{
    for (int seconds : { -1, -86400, INT_MIN }) {
        EXPECT_EQ(Format(seconds, kUtc), "--.--.---- --:--:--");
        EXPECT_EQ(Format(seconds, DTF_PRINTER_TIME), "--.--.---- --:--:--");
        EXPECT_EQ(Format(seconds, DTF_DATE), "--.--.--");
        EXPECT_EQ(Format(seconds, DTF_TIME), "--:--");
    }
}

TEST(DateTime, FlagCombinations)
{
    const int seconds = 1000000000;   // 09.09.2001 01:46:40 UTC
    EXPECT_EQ(Format(seconds, DTF_DATE | DTF_UTC), "09.09.01");
    EXPECT_EQ(Format(seconds, DTF_DATE | DTF_YEAR4 | DTF_UTC), "09.09.2001");
    EXPECT_EQ(Format(seconds, DTF_TIME | DTF_UTC), "01:46");
    EXPECT_EQ(Format(seconds, DTF_TIME | DTF_SECONDS | DTF_UTC), "01:46:40");
    EXPECT_EQ(Format(seconds, DTF_DATE | DTF_TIME | DTF_UTC), "09.09.01 01:46");
    EXPECT_EQ(Format(seconds, DTF_UTC), "");
    EXPECT_EQ(Format(seconds, DTF_SECONDS | DTF_YEAR4 | DTF_UTC), "");
    EXPECT_EQ(Format(seconds, kUtc | 0xFFFF0000), "09.09.2001 01:46:40");   // unknown bits
    EXPECT_EQ(FormatDateTime(NULL, seconds, kUtc), 0);
}
