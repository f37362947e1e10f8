// The reference for the cross-checks is mingw's C99 printf (__mingw_vsnprintf, the engine
// behind __USE_MINGW_ANSI_STDIO), not msvcrt's: it rounds exactly and writes "%e" with at
// least two exponent digits, as C99 asks.
#define __USE_MINGW_ANSI_STDIO 1
#include <gtest/gtest.h>
#include <windows.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "textlib/StrPrintf.h"

namespace {

std::string Reference(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int length = __mingw_vsnprintf(NULL, 0, format, args);
    va_end(args);
    std::string text(length > 0 ? length : 0, '\0');
    std::vector<char> buffer(text.size() + 1);
    __mingw_vsnprintf(buffer.data(), buffer.size(), format, again);
    va_end(again);
    return std::string(buffer.data(), text.size());
}

// Formats with the three buffer forms and insists that they agree, then returns the text.
std::string Mine(const char* format, ...)
{
    std::vector<char> big(70000, '#');
    std::vector<char> bounded(70000, '#');
    va_list args;
    va_start(args, format);
    va_list second, third;
    va_copy(second, args);
    va_copy(third, args);
    int length = StrVPrintf(big.data(), format, args);
    int boundedLength = StrVNPrintf(bounded.data(), static_cast<int>(bounded.size()), format, second);
    char* heap = NULL;
    int heapLength = StrVPrintfAlloc(&heap, format, third);
    va_end(third);
    va_end(second);
    va_end(args);

    EXPECT_EQ(length, boundedLength) << format;
    EXPECT_EQ(length, heapLength) << format;
    EXPECT_TRUE(heap != NULL);
    std::string text(big.data(), length > 0 ? length : 0);
    EXPECT_EQ(big[length], '\0') << format;
    EXPECT_EQ(std::string(bounded.data(), boundedLength), text) << format;
    if (heap != NULL) {
        EXPECT_EQ(std::string(heap, heapLength), text) << format;
        EXPECT_EQ(heap[heapLength], '\0');
    }
    free(heap);
    return text;
}

// "%I64" is this engine's 64-bit prefix; the C99 reference spells it "ll". C gives the flags
// "+" and " " to signed conversions only; mingw's engine nevertheless puts a blank before an
// unsigned value from 2^31 (or 2^63) on, so the reference gets unsigned formats without them.
std::string ToReferenceFormat(const std::string& format)
{
    std::string result = format;
    for (size_t at; (at = result.find("I64")) != std::string::npos;)
        result.replace(at, 3, "ll");
    char conversion = result.size() >= 2 ? result[result.size() - 2] : 0;
    if (strchr("uxXo", conversion) != NULL) {
        size_t end = result.find_first_not_of("%-0+ ", result.find('%') + 1);
        for (size_t at = result.find('%') + 1; at < end;) {
            if (result[at] == ' ' || result[at] == '+') {
                result.erase(at, 1);
                end--;
            } else {
                at++;
            }
        }
    }
    return result;
}

const char* const kFlagSets[] = { "", "-", "0", "+", " ", "-0", "+0", "- ", "-+", "0 ", "+ -0" };
const char* const kWidths[] = { "", "1", "5", "12", "25" };
const char* const kPrecisions[] = { "", ".", ".0", ".1", ".5", ".12", ".30" };

std::vector<std::string> IntegerFormats(const char* prefix, const char* conversions)
{
    std::vector<std::string> formats;
    for (const char* flags : kFlagSets)
        for (const char* width : kWidths)
            for (const char* precision : kPrecisions)
                for (const char* c = conversions; *c; c++)
                    formats.push_back(std::string("[%") + flags + width + precision + prefix + *c + "]");
    return formats;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Integers against the C99 reference

TEST(StrPrintfIntegers, ThirtyTwoBitMatchC99)
{
    const int values[] = { INT_MIN, INT_MIN + 1, -65536, -1000, -1, 0, 1, 7, 42, 255, 65535,
                           1000000, 0x7FFF1234, INT_MAX };
    int checked = 0;
    for (const std::string& format : IntegerFormats("", "diuxXo")) {
        for (int value : values) {
            ASSERT_EQ(Mine(format.c_str(), value), Reference(ToReferenceFormat(format).c_str(), value))
                << format << " " << value;
            checked++;
        }
    }
    EXPECT_GT(checked, 30000);
}

TEST(StrPrintfIntegers, SixtyFourBitMatchC99)
{
    const long long values[] = { LLONG_MIN, LLONG_MIN + 1, -4294967296LL, -1, 0, 1, 4294967295LL,
                                 4294967296LL, 0x0123456789ABCDEFLL, LLONG_MAX,
                                 static_cast<long long>(ULLONG_MAX - 5) };
    for (const char* prefix : { "I64", "ll" }) {
        for (const std::string& format : IntegerFormats(prefix, "diuxXo")) {
            std::string reference = ToReferenceFormat(format);
            for (long long value : values)
                ASSERT_EQ(Mine(format.c_str(), value), Reference(reference.c_str(), value)) << format;
        }
    }
}

TEST(StrPrintfIntegers, StarWidthAndPrecisionMatchC99)
{
    const int widths[] = { INT_MIN + 1, -30, -7, -1, 0, 1, 9, 30 };
    const int precisions[] = { -5, -1, 0, 1, 3, 20 };
    const long long values[] = { LLONG_MIN, -123456789, -1, 0, 5, 99999, LLONG_MAX };
    for (const char* flags : { "", "-", "0", "+", " 0" }) {
        for (int width : widths) {
            if (width == INT_MIN + 1)
                continue;   // the reference would pad two billion characters
            for (int precision : precisions) {
                for (long long value : values) {
                    std::string format = std::string("<%") + flags + "*.*I64i>";
                    std::string reference = ToReferenceFormat(format);
                    ASSERT_EQ(Mine(format.c_str(), width, precision, value),
                              Reference(reference.c_str(), width, precision, value)) << format;
                    format = std::string("<%") + flags + "*X>";
                    ASSERT_EQ(Mine(format.c_str(), width, static_cast<unsigned>(value)),
                              Reference(format.c_str(), width, static_cast<unsigned>(value)));
                }
            }
        }
    }
}

TEST(StrPrintfIntegers, PointerIsEightHexDigits)
{
    int object = 0;
    char expected[16];
    __mingw_snprintf(expected, sizeof(expected), "%08X", static_cast<unsigned>(reinterpret_cast<uintptr_t>(&object)));
    EXPECT_EQ(Mine("%p", static_cast<void*>(&object)), expected);
    EXPECT_EQ(Mine("%p|%-10p|", static_cast<void*>(NULL), static_cast<void*>(NULL)), "00000000|00000000  |");
}

// ---------------------------------------------------------------------------------------------
// Characters and texts

TEST(StrPrintfTexts, TextsMatchC99)
{
    const char* const texts[] = { "", "a", "Größe", "sector text with blanks", "0123456789ABCDEF" };
    for (const char* flags : { "", "-", "0-" }) {
        for (const char* width : kWidths) {
            for (const char* precision : kPrecisions) {
                std::string format = std::string("|%") + flags + width + precision + "s|";
                for (const char* text : texts)
                    ASSERT_EQ(Mine(format.c_str(), text), Reference(format.c_str(), text)) << format;
                format = std::string("|%") + flags + width + "c|";
                ASSERT_EQ(Mine(format.c_str(), 'x'), Reference(format.c_str(), 'x'));
                ASSERT_EQ(Mine(format.c_str(), 0xF6), Reference(format.c_str(), 0xF6));
            }
        }
    }
    for (int precision = -2; precision < 8; precision++)
        EXPECT_EQ(Mine("%.*s|%*s", precision, "marke", precision, "ab"),
                  Reference("%.*s|%*s", precision, "marke", precision, "ab"));
}

TEST(StrPrintfTexts, CharacterZeroIsWrittenAndCounted)
{
    char buffer[16];
    memset(buffer, '#', sizeof(buffer));
    EXPECT_EQ(StrPrintf(buffer, "a%cb", 0), 3);
    EXPECT_EQ(memcmp(buffer, "a\0b\0", 4), 0);
}

TEST(StrPrintfTexts, NullTextPrintsNullInParentheses)
{
    EXPECT_EQ(Mine("[%s]", static_cast<const char*>(NULL)), "[(null)]");
    EXPECT_EQ(Mine("[%8s][%-7s]", static_cast<const char*>(NULL), static_cast<const char*>(NULL)), "[  (null)][(null) ]");
    EXPECT_EQ(Mine("[%.3s]", static_cast<const char*>(NULL)), "[(nu]");
    EXPECT_EQ(Mine("[%S]", static_cast<const wchar_t*>(NULL)), "[(null)]");
}

// A text that ends exactly at a page the process may not read: the precision must keep the
// engine from looking one byte further.
TEST(StrPrintfTexts, PrecisionNeverReadsPastTheField)
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    char* pages = static_cast<char*>(VirtualAlloc(NULL, 2 * info.dwPageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_TRUE(pages != NULL);
    DWORD old;
    ASSERT_TRUE(VirtualProtect(pages + info.dwPageSize, info.dwPageSize, PAGE_NOACCESS, &old));

    char* narrow = pages + info.dwPageSize - 8;
    memcpy(narrow, "FAT32   ", 8);   // an OEM name field without terminator
    EXPECT_EQ(Mine("'%.8s'", narrow), "'FAT32   '");
    EXPECT_EQ(Mine("'%-10.*s'", 8, narrow), "'FAT32     '");

    wchar_t* wide = reinterpret_cast<wchar_t*>(pages + info.dwPageSize) - 4;
    const wchar_t name[4] = { L'N', L'a', 0xD83D, 0xDE00 };   // ends in a surrogate pair
    memcpy(wide, name, sizeof(name));
    EXPECT_EQ(Mine("%.4S", wide), "Na?");
    EXPECT_EQ(Mine("%.3S", wide), "Na?");   // the lone high half, its partner never read
    EXPECT_EQ(Mine("%.2S|%5.1S|", wide, wide), "Na|    N|");
    VirtualFree(pages, 0, MEM_RELEASE);
}

TEST(StrPrintfTexts, WideUnitsAboveLatin1GoThroughCodePage1252)
{
    // Every BMP character outside Latin-1 against Windows' own table for code page 1252,
    // without best-fit mapping, "?" as the default.
    int mapped = 0;
    for (unsigned unit = 0x100; unit <= 0xFFFF; unit++) {
        if (unit >= 0xD800 && unit <= 0xDFFF)
            continue;
        wchar_t text[2] = { static_cast<wchar_t>(unit), 0 };
        char expected[4] = {};
        BOOL usedDefault = FALSE;
        ASSERT_EQ(WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, text, 1, expected, sizeof(expected), "?", &usedDefault), 1);
        char buffer[8];
        ASSERT_EQ(StrPrintf(buffer, "%S", text), 1);
        ASSERT_EQ(buffer[0], expected[0]) << std::hex << unit;
        ASSERT_EQ(StrPrintf(buffer, "%lc", static_cast<int>(unit)), 1);
        ASSERT_EQ(buffer[0], expected[0]);
        if (expected[0] != '?')
            mapped++;
    }
    EXPECT_EQ(mapped, 27);   // code page 1252 has 27 characters in 0x80..0x9F
    // Latin-1 units stay the byte of the same value.
    for (unsigned unit = 1; unit <= 0xFF; unit++) {
        wchar_t text[2] = { static_cast<wchar_t>(unit), 0 };
        char buffer[8];
        ASSERT_EQ(StrPrintf(buffer, "%S", text), 1);
        ASSERT_EQ(static_cast<unsigned char>(buffer[0]), unit);
    }
}

TEST(StrPrintfTexts, WideTextWithPrecisionAndWidth)
{
    const wchar_t* name = L"Gr\u00F6\u00DFe \u20AC\u0100\U0001F600!";
    EXPECT_EQ(Mine("%S", name), "Größe €?" "?!");
    EXPECT_EQ(Mine("%ls", name), "Größe €?" "?!");
    EXPECT_EQ(Mine("[%.5S]", name), "[Größe]");
    EXPECT_EQ(Mine("[%.16S]", L"Volume"), "[Volume]");           // stops at the zero unit
    EXPECT_EQ(Mine("[%12.7S]", name), "[     Größe €]");
    EXPECT_EQ(Mine("[%-12.9S]", name), "[Größe €?" "?   ]");   // the pair's second unit is cut off
    EXPECT_EQ(Mine("[%.10S]", name), "[Größe €?" "?]");
    const wchar_t field[16] = { 'E', 'F', 'I', ' ', 'S', 'y', 's', 't', 'e', 'm', 0, 'x', 'x', 'x', 'x', 'x' };
    EXPECT_EQ(Mine("  Name                   : %.16S", field), "  Name                   : EFI System");
}

// ---------------------------------------------------------------------------------------------
// Floating point against the C99 reference

namespace {

double RandomDouble(std::mt19937_64& random)
{
    for (;;) {
        uint64_t bits = random();
        double value;
        memcpy(&value, &bits, sizeof(value));
        if (std::isfinite(value))
            return value;
    }
}

}  // namespace

TEST(StrPrintfFloat, RandomBitPatternsMatchC99Exactly)
{
    std::mt19937_64 random(20240611);
    const char* const formats[] = { "%e", "%g", "%.0e", "%.1e", "%.3e", "%.10e", "%.16e", "%.17e",
                                    "%.25e", "%.0g", "%.1g", "%.3g", "%.10g", "%.17g", "%.25g",
                                    "%+e", "% g", "%-24.8e|", "%024.3g", "%+014.5e" };
    for (int i = 0; i < 4000; i++) {
        double value = RandomDouble(random);
        for (const char* format : formats)
            ASSERT_EQ(Mine(format, value), Reference(format, value)) << format << " " << i;
    }
}

TEST(StrPrintfFloat, OrdinaryValuesMatchC99Exactly)
{
    std::mt19937_64 random(77);
    std::vector<double> values = { 0.0, -0.0, 1.0, -1.0, 0.1, 0.5, 1.5, 2.5, 3.5, 0.125, 0.375,
                                   1e-5, 1e-4, 9.9999e-5, 0.0001, 123456.0, 999999.5, 1e6, 1e15,
                                   1e16, 1e21, 1e22, 1e23, 1.7976931348623157e308, DBL_MIN,
                                   4.9406564584124654e-324, 2.2250738585072009e-308, 1e-300,
                                   M_PI, -M_E, 1.0 / 3.0, 2.0 / 3.0, 9.5, 99.5, 0.95, 0.05 };
    for (int i = 0; i < 3000; i++) {
        // Decimal-looking numbers, the kind the converters and the data window show.
        double mantissa = static_cast<double>(random() % 2000001) - 1000000.0;
        int exponent = static_cast<int>(random() % 41) - 20;
        values.push_back(mantissa * pow(10.0, exponent));
        values.push_back(static_cast<double>(static_cast<int64_t>(random() >> (random() % 64))));
        values.push_back(static_cast<double>(random() % 100000) / 8.0);   // exact ties at .x25 and .x75
    }
    const char* const formats[] = { "%e", "%g", "%f", "%.0f", "%.1f", "%.2f", "%.3f", "%.0e",
                                    "%.1e", "%.2e", "%.0g", "%.1g", "%.2g", "%.4g", "%.15g",
                                    "%.17g", "%12.4f", "%-12.1f|", "%+.3f", "%012.2f", "% .5g" };
    for (double value : values) {
        for (const char* format : formats)
            ASSERT_EQ(Mine(format, value), Reference(format, value)) << format << " " << value;
    }
}

TEST(StrPrintfFloat, LongFixedAndExponentTextsAreExact)
{
    // All 309 integer digits of the largest double and all 1074 decimals of the smallest.
    for (const char* format : { "%f", "%.0f", "%.1074f", "%.1100f", "%.760e", "%.800g" }) {
        for (double value : { DBL_MAX, -DBL_MAX, DBL_MIN, 4.9406564584124654e-324, 1e300, 1e-300, 0.1 })
            ASSERT_EQ(Mine(format, value), Reference(format, value)) << format << " " << value;
    }
}

TEST(StrPrintfFloat, SeventeenDigitsRoundTrip)
{
    // Independent of the reference: 17 significant digits identify every double.
    std::mt19937_64 random(5);
    for (int i = 0; i < 20000; i++) {
        double value = RandomDouble(random);
        char text[40];
        StrPrintf(text, "%.17g", value);
        ASSERT_EQ(strtod(text, NULL), value) << text;
        StrPrintf(text, "%.16e", value);
        ASSERT_EQ(strtod(text, NULL), value) << text;
    }
}

TEST(StrPrintfFloat, InfinityAndNan)
{
    double infinity = HUGE_VAL;
    double nan = std::nan("");
    double negativeNan = -nan;
    EXPECT_EQ(Mine("%e %g %f", infinity, -infinity, infinity), "inf -inf inf");
    EXPECT_EQ(Mine("%+e|% g|%06f|%-6e|", infinity, infinity, -infinity, infinity), "+inf| inf|  -inf|inf   |");
    EXPECT_EQ(Mine("%e %g %5f", nan, nan, nan), "nan nan   nan");
    EXPECT_EQ(Mine("%g|%+g", std::signbit(negativeNan) ? negativeNan : -negativeNan, negativeNan), "nan|+nan");
    for (const char* format : { "%e", "%g", "%f", "%+e", "% g", "%8f", "%-8e|", "%08g", "%.3e" }) {
        for (double value : { infinity, -infinity, nan, -nan })
            EXPECT_EQ(Mine(format, value), Reference(format, value)) << format << " " << value;
    }
}

// ---------------------------------------------------------------------------------------------
// Unknown conversions and odd formats

TEST(StrPrintfFormat, UnknownConversionsAreCopied)
{
    EXPECT_EQ(Mine("%y%d", 5), "%y5");
    EXPECT_EQ(Mine("%-5y|%d", 6), "%-5y|6");
    EXPECT_EQ(Mine("%I32d|%d", 7), "%I32d|7");   // "I" without "64" is no prefix
    EXPECT_EQ(Mine("%#x|%d", 8), "%#x|8");
    EXPECT_EQ(Mine("%n|%d", 9), "%n|9");         // nothing is ever stored through the arguments
    EXPECT_EQ(Mine("%E %G %F", 1.0), "%E %G %F");
    EXPECT_EQ(Mine("100%% %5%|%-3%|"), "100% %|%|");
    EXPECT_EQ(Mine("end %"), "end %");
    EXPECT_EQ(Mine("end %-08.3I64"), "end %-08.3I64");
    EXPECT_EQ(Mine("0x%%0%uI64X", 8u), "0x%08I64X");
}

TEST(StrPrintfFormat, NullFormatAndNullBuffer)
{
    char buffer[4] = { 'x', 'x', 'x', 'x' };
    EXPECT_EQ(StrPrintf(buffer, NULL), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(StrPrintf(NULL, "%d", 5), 0);
    EXPECT_EQ(StrNPrintf(NULL, 10, "%d", 5), 0);
    char* heap = NULL;
    EXPECT_EQ(StrPrintfAlloc(&heap, NULL), 0);
    ASSERT_TRUE(heap != NULL);
    EXPECT_EQ(heap[0], '\0');
    free(heap);
    EXPECT_EQ(StrPrintfAlloc(NULL, "%d", 5), -1);
    EXPECT_EQ(StrPrintfSink(NULL, NULL, "%d", 5), 0);
    EXPECT_EQ(StrFPrintf(NULL, "%d", 5), 0);
}

TEST(StrPrintfFormat, WidthAndPrecisionSaturate)
{
    // A width that overflows int is INT_MAX; a bounded buffer ends it at once.
    char buffer[8];
    EXPECT_EQ(StrNPrintf(buffer, sizeof(buffer), "%99999999999d", 5), 7);
    EXPECT_STREQ(buffer, "       ");
    EXPECT_EQ(StrNPrintf(buffer, sizeof(buffer), "%.2000000000f", 1.0), 7);
    EXPECT_STREQ(buffer, "1.00000");
    EXPECT_EQ(StrNPrintf(buffer, sizeof(buffer), "%-*d|", INT_MIN, 5), 7);
    EXPECT_STREQ(buffer, "5      ");
    EXPECT_EQ(StrNPrintf(buffer, sizeof(buffer), "%.*S", 2000000000, L"ab"), 2);
}

// ---------------------------------------------------------------------------------------------
// Sinks

namespace {

struct Guarded {
    std::vector<char> bytes;
    explicit Guarded(size_t size) : bytes(size + 16, '\x5A') {}
    bool GuardIntact(size_t from) const
    {
        for (size_t i = from; i < bytes.size(); i++)
            if (bytes[i] != '\x5A')
                return false;
        return true;
    }
};

}  // namespace

namespace {

// Every size from 0 to the full length + 2: the prefix of the full text, terminated, and not
// one byte written at or after `size`.
template <typename Call>
void CheckEveryBound(const std::string& full, Call call)
{
    int fullLength = static_cast<int>(full.size());
    for (int size = 0; size <= fullLength + 2; size++) {
        Guarded buffer(size);
        int length = call(buffer.bytes.data(), size);
        int expected = size < 1 ? 0 : std::min(size - 1, fullLength);
        ASSERT_EQ(length, expected) << size;
        if (size >= 1) {
            ASSERT_EQ(std::string(buffer.bytes.data(), length), full.substr(0, length));
            ASSERT_EQ(buffer.bytes[length], '\0');
        }
        ASSERT_TRUE(buffer.GuardIntact(size)) << "wrote past size " << size;
    }
}

}  // namespace

TEST(StrPrintfSinks, BoundedGivesThePrefixForEverySize)
{
    std::string longText(600, 'q');   // more than one staging block of the engine
    for (int k = 0; k < 600; k += 7)
        longText[k] = static_cast<char>('A' + k % 26);
    const char* text = longText.c_str();
    CheckEveryBound(Mine("%s|%I64i|%-9s|%e", text, -123456789012LL, "ab", 1.25e-7),
                    [&](char* buffer, int size) {
                        return StrNPrintf(buffer, size, "%s|%I64i|%-9s|%e", text, -123456789012LL, "ab", 1.25e-7);
                    });
    CheckEveryBound(Mine("%500d|%S|%.40f", 42, L"tail\u20AC", 0.1),
                    [&](char* buffer, int size) {
                        return StrNPrintf(buffer, size, "%500d|%S|%.40f", 42, L"tail\u20AC", 0.1);
                    });
    CheckEveryBound("", [&](char* buffer, int size) { return StrNPrintf(buffer, size, "%s", ""); });

    Guarded negative(0);
    EXPECT_EQ(StrNPrintf(negative.bytes.data(), -5, "%s", "abc"), 0);
    EXPECT_TRUE(negative.GuardIntact(0));
}

TEST(StrPrintfSinks, HeapHoldsTextsFarBeyondAnyBlock)
{
    std::string text(100000, 'x');
    for (size_t i = 0; i < text.size(); i += 1000)
        text[i] = 'y';
    char* heap = NULL;
    int length = StrPrintfAlloc(&heap, "<%150000s>%d", text.c_str(), 77);
    ASSERT_TRUE(heap != NULL);
    std::string expected = "<" + std::string(50000, ' ') + text + ">77";
    ASSERT_EQ(length, static_cast<int>(expected.size()));
    EXPECT_EQ(strlen(heap), expected.size());
    EXPECT_TRUE(expected == heap);
    free(heap);

    // 1e300 in full through the heap: the same text the reference gives.
    ASSERT_EQ(StrPrintfAlloc(&heap, "%.2000f", 1e300), 301 + 1 + 2000);
    EXPECT_EQ(std::string(heap), Reference("%.2000f", 1e300));
    free(heap);
}

TEST(StrPrintfSinks, StreamAndStandardOutput)
{
    FILE* file = tmpfile();
    ASSERT_TRUE(file != NULL);
    std::string expected = Mine("%s=%08X %g\n", "Signature", 0xAA55u, 0.5);
    EXPECT_EQ(StrFPrintf(file, "%s=%08X %g\n", "Signature", 0xAA55u, 0.5), static_cast<int>(expected.size()));
    std::string big(5000, 'z');
    EXPECT_EQ(StrFPrintf(file, "%s", big.c_str()), 5000);
    rewind(file);
    std::vector<char> back(expected.size() + 5000 + 1);
    EXPECT_EQ(fread(back.data(), 1, back.size(), file), expected.size() + 5000);
    EXPECT_EQ(std::string(back.data(), expected.size()), expected);
    fclose(file);
    EXPECT_EQ(StrPrintfOut("StrPrintfOut: %i\n", 1), 16);
    fflush(stdout);
}

namespace {

struct Collector {
    std::string text;
    int calls;
    int limit;   // characters the sink takes in total before it refuses
};

int CollectSink(void* context, const char* text, int length)
{
    Collector* collector = static_cast<Collector*>(context);
    collector->calls++;
    int room = collector->limit - static_cast<int>(collector->text.size());
    int taken = length < room ? length : room;
    collector->text.append(text, taken);
    return taken;
}

int CallVSink(Collector* collector, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int length = StrVPrintfSink(CollectSink, collector, format, args);
    va_end(args);
    return length;
}

}  // namespace

TEST(StrPrintfSinks, CallerSinkSeesTheWholeTextAndCanStopIt)
{
    std::string expected = Mine("%s %I64u %.3e %-700s|", "Sektor", 123456789012345ULL, 2.5, "x");
    Collector all = { "", 0, INT_MAX };
    EXPECT_EQ(StrPrintfSink(CollectSink, &all, "%s %I64u %.3e %-700s|", "Sektor", 123456789012345ULL, 2.5, "x"),
              static_cast<int>(expected.size()));
    EXPECT_EQ(all.text, expected);
    EXPECT_GE(all.calls, 2);   // more than one block

    Collector partial = { "", 0, 300 };
    EXPECT_EQ(CallVSink(&partial, "%s %I64u %.3e %-700s|", "Sektor", 123456789012345ULL, 2.5, "x"), 300);
    EXPECT_EQ(partial.text, expected.substr(0, 300));
    int callsAtStop = partial.calls;
    EXPECT_LE(callsAtStop, 3);   // the engine stops offering text once the sink refuses
}
