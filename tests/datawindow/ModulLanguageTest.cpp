// The module language without a window: the cases of the language as one table of module
// text, bytes and the rows (or error text) they give, the mended faults, and a mutation run
// of damaged modules over random data fenced by no-access pages.
#include <gtest/gtest.h>

#include "datawindow/ModulSet.h"
#include "services/DataStream.h"
#include "services/TextScanner.h"
#include "tests/views/GuardedBuffer.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <new>
#include <random>
#include <string>
#include <vector>

namespace modultest {

// A set that compiled one module from memory; its error text as the loader would show it.
struct Compiled {
    CModulSet set;
    std::string errors;
    int result = 0;

    explicit Compiled(const std::string& text, const char* name = "test")
    {
        CDataStream errorStream(256);
        errorStream.OpenMemory(nullptr, 0, STREAM_CREATE);
        set.SetErrorStream(&errorStream);
        CTextScanner scanner(32768);
        scanner.OpenMemory(text.data(), static_cast<int>(text.size()), STREAM_READ);
        result = set.Compile(&scanner, name);
        errorStream.Close();
        int size = 0;
        char* block = static_cast<char*>(errorStream.TakeMemoryBlock(&size));
        errors.assign(block ? block : "", static_cast<size_t>(size));
        free(block);
        set.SetErrorStream(nullptr);
    }

    // The rows of a run as "name=value" lines ("|" between them).
    std::string Rows(const std::vector<uint8_t>& data, int entry = 0, int maxRows = 8192, int start = 0)
    {
        set.Run(0, data.data(), static_cast<int>(data.size()), entry, maxRows, start);
        std::string out;
        for (int r = 0; r < set.GetRowCount(0); ++r) {
            const char* name;
            const char* value;
            set.GetRow(0, r, &name, &value, nullptr, nullptr);
            out += (r ? "|" : "") + std::string(name) + "=" + value;
        }
        return out;
    }
};

}  // namespace modultest

namespace {

using modultest::Compiled;

TEST(ModulLanguageTest, CasesOfTheLanguage)
{
    struct Case {
        const char* module;
        std::vector<uint8_t> data;
        const char* rows;     // expected rows, or the error text when it starts with "Fehler"
        const char* errors;   // the error text beside the rows (none when null)
    } cases[] = {
        {"BYTE \"a\" 3 #H", {1, 2, 3}, "a=0x1 0x2 0x3 "},
        // A name ends at its next quote; a backslash in it is a character like any other.
        {"BYTE \"C:\\\" 2 #H", {1, 2}, "C:\\=0x1 0x2 "},
        {"BYTE \"a\" 3 #HS", {1, 2, 3}, "a=0x1 1 , 0x2 2 , 0x3 3 "},
        {":w WORD \"w\" #M\nPRINT w", {0x12, 0x34}, "w=4660 |?\?\?=13330 "},
        {"BYTE \"b\" #\"1:eins:\"\nBYTE \"c\" #\"1:eins:\"", {1, 2}, "b=eins|c=2 "},
        {"BYTE \"v\" #\"1:a:2:b:?:c:\"", {7}, "v=c"},
        {"BYTE \"h\" #H4\nBYTE \"x\" #HX4\nBYTE \"k\" #HK", {10, 10, 10}, "h=0x000A |x=000Ah |k=A "},
        {":s STRING \"s\"\nPRINT s", {0x61, 0x62, 0, 9}, "s=\"ab\"|?\?\?=2 "},
        {":k STRING_K \"k\" #U\nPRINT k", {0x61, 0, 0x01, 0, 0, 0, 0x62, 0x01, 0, 0, 0, 0, 0x63, 0},
         "k=\"a.\"  ,  \".\"|?\?\?=6 "},
        {"b \"bit\"\nBYT \"byte\"", {0x03, 0x41}, "bit=1 |byte=65 "},
        {"BYTES", {1}, "Fehler(1)\tUnbekannter Befehl\r\n"},
        {"BYTE \"a\" \"b\"", {1}, "Fehler(1)\tName ist bereits angegeben\r\n"},
        {":x BYTE\n:x BYTE", {1}, "Fehler(2)\tDoppelte Marke 'x' gefunden\r\n"},
        {"IF x == 1 GOTO GOTO", {1}, "Fehler(1)\tUnbekannte Marke :x\r\nFehler(1)\tGOTO ist nicht erlaubt.\r\n"},
        {"IF LOCAL_0 < 3 ADD LOCAL_0 1\nPRINT LOCAL_0", {0}, "?\?\?=3 "},
        {":l\nBYTE \"b\"\nPRINT l", {5}, "b=5 |?\?\?=5 "},
        // A second comparison is reported and the first stays: "==" exits.
        {"IF LOCAL_0 == != 0 EXIT\nTEXT \"t\"", {0}, "", "Fehler(1)\tUnerlaubte Vergleichsfunktion.\r\n"},
        // An IF that jumps without a target passes the check and ends the run when taken.
        {"IF LOCAL_0 == 0 GOTO", {0}, "LOCAL_0=Programmfehler"},
        // Jumps, calls and loops into variables are refused and end the run when reached.
        {"TEXT \"B\"\nGOTO LOCAL_0", {0}, "Fehler(2)\tSprungziel ist eine Variable :LOCAL_0\r\n"},
        {"CALL PARAM_0", {0}, "Fehler(1)\tSprungziel ist eine Variable :PARAM_0\r\n"},
        {"LOOP LOCAL_1 3", {0}, "Fehler(1)\tSprungziel ist eine Variable :LOCAL_1\r\n"},
        {"MOV LOCAL_0 2\nLOOP LOCAL_0 PARAM_1", {0}, "Fehler(2)\tSprungziel ist eine Variable :PARAM_1\r\n"},
        {"IF LOCAL_0 == 0 CALL PARAM_2", {0}, "Fehler(1)\tSprungziel ist eine Variable :PARAM_2\r\n"},
        {"IF UNTIL 00 GOTO LOCAL_3", {0}, "Fehler(1)\tSprungziel ist eine Variable :LOCAL_3\r\n"},
        {"TEXT \"B\"\nGOTO LOCAL_0\nTEXT \"C\"", {0}, "B=|LOCAL_0=Programmfehler",
         "Fehler(2)\tSprungziel ist eine Variable :LOCAL_0\r\n"},
        {"MOV LOCAL_0 2\nLOOP LOCAL_0 x\nEXIT\n:x TEXT \"x\"\nRETURN", {0}, "x=|x="},
        // A target in the flags where the keyword forbids one.
        {"IF LOCAL_0 == 0 EXIT #>x\n:x TEXT \"t\"", {0}, "Fehler(1)\tMarken sind in den Flags nicht erlaubt\r\n"},
        // Written in full, MOD is itself; a shorter word still selects the first row.
        {"MO \"m\"\nBYTE \"b\"", {1}, "b=1 "},
        // Items abut where no blank is needed; a value-name text runs past 15 flag characters.
        {"BYTE\"n\"#HK\"255:sehr langer Name weit hinter dem Fenster:\"", {255}, "n=FF sehr langer Name weit hinter dem Fenster"},
        // 1- to 3-byte values are unsigned; 4-byte ones signed.
        {"RWORD \"r\"\nDWORD \"d\"", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "r=16777215 |d=-1 "},
        // A data line may write its text into a target row; the pattern ends at the action.
        {":t TEXT \"Ziel\"\nBYTE \"q\" #N>t\nIF UNTIL 00 AB +1 GOTO ende\nBYTE \"nach\"\n:ende EXIT", {7, 0, 0xAB, 5},
         "Ziel=7 "},
        {"IF UNTIL 01 02 +2 GOTO weiter\nEXIT\n:weiter BYTE \"w\"", {1, 2, 9}, "w=9 "},
        // The skip may stand apart from its "+".
        {"IF UNTIL 01 02 + 2 GOTO weiter\nEXIT\n:weiter BYTE \"w\"", {1, 2, 9}, "w=9 "},
        // "EXIT" ends the pattern although E is a hex digit; the line end ends it too.
        {"IF UNTIL 07 EXIT LOCAL_0\nBYTE \"b\"", {8, 9}, "b=9 "},
        // The start of a pattern abuts ">": a number after a blank is a pattern byte.
        {"IF UNTIL >2 AA GOTO w\nEXIT\n:w TEXT \"w\"", {0, 0, 0xAA}, "w="},
        {"IF UNTIL > 02 AA GOTO w\nEXIT\n:w TEXT \"w\"", {2, 0xAA, 0}, "w="},
        {"STRING \"s\" UNTIL 63", {0x61, 0x62, 0x63, 0}, "s=\"ab\""},
        // S decodes 8-bit text as UTF-8; UTF-16 text keeps its units as they are shown.
        {"STRING \"s\" #S\nSTRING \"u\" #US", {0xC3, 0xA9, 0, 0xC3, 0, 0xA9, 0, 0, 0}, "s=\"\xE9\"|u=\"\xC3\xA9\""},
        // A data line tests its pattern at the position plus ">label+offset", as IF does.
        {"BYTE \"b\" UNTIL >1 AA #H", {1, 2, 3, 0xAA}, "b=0x1 0x2 "},
        {"STRING \"s\" UNTIL >2 AA", {0x61, 0x62, 0x63, 0x64, 0xAA}, "s=\"ab\""},
        {":n BYTE #N\nBYTE \"b\" UNTIL >n+1 AA #H", {1, 5, 6, 7, 8, 0xAA}, "b=0x5 0x6 "},
        {":n BYTE #N\nSTRING \"s\" UNTIL >n AA", {1, 0x61, 0x62, 0x63, 0xAA}, "s=\"ab\""},
        {"MOV LOCAL_0 5\nIF LOCAL_0>=3 EXIT\nTEXT \"t\"", {0}, ""},
        // MOD gives the signed quotient as DIV does; INT_MIN / -1 and BIN over 31 are defined.
        {"MOV LOCAL_0 17\nMOD LOCAL_0 5\nPRINT LOCAL_0\nMOV LOCAL_1 -17\nMOD LOCAL_1 5\nPRINT LOCAL_1", {0},
         "?\?\?=3 |?\?\?=-3 "},
        {"MOV LOCAL_0 -2147483648\nDIV LOCAL_0 -1\nPRINT LOCAL_0\nMOV LOCAL_1 -2147483648\nMOD LOCAL_1 -1\nPRINT LOCAL_1",
         {0}, "?\?\?=-2147483648 |?\?\?=-2147483648 "},
        {"BIN LOCAL_0 33\nPRINT LOCAL_0\nMOV LOCAL_1 7\nDIV LOCAL_1 0\nPRINT LOCAL_1", {0}, "?\?\?=35 |?\?\?=7 "},
        // A float's value: NaN counts as 0, beyond the range it saturates.
        {":f FLOAT #N\nPRINT f\n:g FLOAT #N\nPRINT g\n:h FLOAT #N\nPRINT h",
         {0x00, 0x00, 0xC0, 0x7F, 0xCA, 0xF2, 0x49, 0x71, 0xCA, 0xF2, 0x49, 0xF1},
         "?\?\?=0 |?\?\?=2147483647 |?\?\?=-2147483648 "},
        // Positions are 64-bit: 2^30 steps of 4 bytes leave the data instead of wrapping to 0.
        {"SEEK 1073741824 #4\nBYTE \"b\"", {1, 2}, ""},
        // An index wider than 16 digits is shown with 16.
        {":i BYTE #N\nBYTE \"x\" i 20 #I", {3, 7}, "x[0000000000000003]=7 "},
        // A loop that makes no row ends at the step budget.
        {":a GOTO a", {0}, "LOCAL_0=Programmfehler"},
        // The count of representations starts anew on every line.
        {"BYTE \"a\" #HS\nBYTE \"b\"", {1, 2}, "a=0x1 1 |b=2 "},
        // Aligning with G counts from the data start: the callee's base is 3.
        {"SEEK 3\nCALL sub\nEXIT\n:sub SEEK 4 #RG\nOFFSET \"o\" #G\nRETURN", std::vector<uint8_t>(16), "o=4 "},
        {"CALL sub\n:sub CALL sub", {0}, "LOCAL_0=CALL Überlauf !!!"},
        // Value names compare the shown number as a whole number: 256 names no byte, -1 no
        // byte 255 but a DWORD of all ones, and 2^32 a QWORD.
        {"BYTE \"a\" #\"256:gross:\"\nBYTE \"b\" #\"-1:x:\"\nDWORD \"d\" #\"-1:m:\"\nWORD \"w\" #\"65535:w:\"",
         {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "a=0 |b=255 |d=m|w=w"},
        {"QWORD \"q\" #\"4294967296:vier:\"", {0, 0, 0, 0, 1, 0, 0, 0}, "q=vier"},
        // A second target in a second "#" is named beside the second "#".
        {"BYTE #>x #>x\n:x TEXT \"t\"", {1},
         "Fehler(1)\tEinen Marke ist in den Flags bereits definiert\r\nFehler(1)\tFlags bereits definiert.\r\n"},
        // The representations: 'A' = 0x41, FFFFFFFF unsigned, 0xF after "@", 5 = 101b, 8 = 10o
        // in three digits, and 0x0807060504030201 read little-endian.
        {"BYTE \"c\" #C\nDWORD \"u\" #U\nBYTE \"p\" #PH\nBYTE \"b\" #B\nBYTE \"o\" #O3\nBYTE \"x\" #BX\nQWORD \"q\" #H",
         {0x41, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F, 5, 8, 5, 1, 2, 3, 4, 5, 6, 7, 8},
         "c='A' |u=4294967295 |p=@0xF |b=0b101 |o=0o010 |x=101b |q=0x807060504030201 "},
        {"", {}, ""},
    };
    for (const Case& c : cases) {
        Compiled m(c.module);
        const std::string expected = c.rows;
        if (expected.rfind("Fehler", 0) == 0) {
            EXPECT_EQ(m.errors, expected) << c.module;
            continue;
        }
        EXPECT_EQ(m.errors, c.errors ? c.errors : "") << c.module;
        if (!*c.module)
            continue;
        EXPECT_EQ(m.Rows(c.data), expected) << c.module;
    }
    // A buffer of 0 bytes gives no rows.
    Compiled m("BYTE \"a\"");
    EXPECT_EQ(m.set.Run(0, reinterpret_cast<const uint8_t*>(""), 0, 0, 100, 0), 0);
}

// Every kind of line over bytes decoded by hand, each row as name=value@offset/size/data
// offset^indent: what strings and bit fields consume, where positions stand inside calls and
// loops (offset from the block base, data offset from the data start), and the rows that
// PRINT, SPRINT, UP/DOWN, arrays, SEEK, RVA and IF make or move.
TEST(ModulLanguageTest, RowsAndPositionsOfEveryKindOfLine)
{
    std::vector<uint8_t> counting(16), table(704, 0);
    for (int i = 0; i < 16; ++i)
        counting[i] = static_cast<uint8_t>(0x10 + i);
    // Two PE section headers at 0: VirtualSize at +8, VirtualAddress at +12, PointerToRawData
    // at +20. 0x1100 lies in the first (0x1000 + 0x100 rounded up to 0x200): 0x500 = 1280;
    // 0x1234 in the second (0x1200 + 0x200): 0x1234 - 0x1200 + 0x800 = 0x834 = 2100.
    const uint32_t words[][2] = {{8, 0x100}, {12, 0x1000}, {20, 0x400}, {48, 0x40}, {52, 0x1200}, {60, 0x800}, {660, 0x1234}};
    for (const auto& w : words)
        for (int i = 0; i < 4; ++i)
            table[w[0] + i] = static_cast<uint8_t>(w[1] >> (8 * i));
    struct Case {
        const char* module;
        std::vector<uint8_t> data;
        const char* rows;
    } cases[] = {
        {":s STRING \"s\"\nPRINT s", {0x61, 0x62, 0, 9}, "s=\"ab\"@0/3/0^0|?\?\?=2 @3/0/3^0"},
        {":p STRING_P \"p\"\nBYTE \"n\"\nPRINT p", {3, 0, 0x61, 0x62, 0x63, 7}, "p=\"abc\"@0/5/0^0|n=7 @5/1/5^0|?\?\?=5 @6/0/6^0"},
        {":b STRING_B \"b\"\nPRINT b", {2, 0x61, 0x62}, "b=\"ab\"@0/3/0^0|?\?\?=3 @3/0/3^0"},
        {":d STRING_D \"d\"\nPRINT d", {0x61, 0x62, 0x24, 0}, "d=\"ab\"@0/3/0^0|?\?\?=2 @3/0/3^0"},
        {":k STRING_K \"k\"\nPRINT k", {0x61, 0, 0x62, 0, 0, 9}, "k=\"a\"  ,  \"b\"@0/5/0^0|?\?\?=5 @5/0/5^0"},
        {":u STRING_P \"u\" #U\nPRINT u", {2, 0, 0x61, 0, 0x62, 0}, "u=\"ab\"@0/6/0^0|?\?\?=3 @6/0/6^0"},
        {":u STRING_B \"u\" #UM\nPRINT u", {2, 0, 0x61, 0, 0x62}, "u=\"ab\"@0/5/0^0|?\?\?=3 @5/0/5^0"},
        // B5 = 101 10 101 from the low bit up; then a whole byte 7E = 126 up to the 2-byte bound.
        {"BIT \"a\" 3\nBIT \"b\" 2\nBIT \"c\" 3\nREST \"r\" 2", {0xB5, 0x7E, 0xC3}, "a=5 @0/0/0^0|b=2 @0/0/0^0|c=5 @0/1/0^0|r=126 @1/1/1^0"},
        // From bit 3 to the 2-byte bound: 13 bits of FF7EB5 >> 3 = 1FEFD6, so FD6 = 4054.
        {"BIT \"a\" 3\nREST \"r\" 2", {0xB5, 0x7E, 0xFF}, "a=5 @0/0/0^0|r=4054 @0/2/0^0"},
        {"SEEK 2\nOFFSET \"o\"\nCALL s\nEXIT\n:s SEEK 1\nOFFSET \"i\"\nOFFSET \"g\" #G\nOFFSET \"n\" 5\nLEN \"l\"\nLEN \"h\" #G\nLEN \"a\" #A\nRETURN",
         counting, "o=2 @2/0/2^0|i=1 @1/0/3^0|g=3 @1/0/3^0|n=6 @1/0/3^0|l=13 @1/0/3^0|h=14 @1/0/3^0|a=16 @1/0/3^0"},
        {":a WORD \"a\"\n:b BYTE \"b\"\nPRINT b 2 \"p\"", {1, 0, 5}, "a=1 @0/2/0^0|b=5 @2/1/2^0|p=5 @2/2/2^0"},
        {":t TEXT \"t\"\n:u TEXT \"u\"\n:b BYTE #N\nSPRINT b t #H\nSPRINT b u #R", {0x2A}, "t=0x2A @0/0/0^0|u=@0/42/0^0"},
        {"DOWN \"d\"\nBYTE \"x\"\nUP\nUP\nBYTE \"y\"", {1, 2}, "d=@0/0/0^0|x=1 @0/1/0^1|y=2 @1/1/1^0"},
        {":i BYTE #N\nBYTE \"e\" i #I\n:j BYTE #N\nBYTE \"f\" j 2 #J", {3, 7, 0x1A, 8}, "e[3]=7 @1/1/1^0|f[1Ah]=8 @3/1/3^0"},
        {"LOOP a 3\nBYTE \"n\"\nEXIT\n:a BYTE \"b\"\nRETURN", {1, 2, 3, 4}, "b=1 @0/1/0^0|b=2 @0/1/1^0|b=3 @0/1/2^0|n=4 @3/1/3^0"},
        {"LOOP a 2 #G\nEXIT\n:a BYTE \"b\"\nRETURN", {1, 2}, "b=1 @0/1/0^0|b=2 @1/1/1^0"},
        {"LOOP a 2\nEXIT\n:a CALL b\nBYTE \"a\"\nRETURN\n:b BYTE \"b\"\nRETURN", {1, 2, 3, 4, 5},
         "b=1 @0/1/0^0|a=2 @1/1/1^0|b=3 @0/1/2^0|a=4 @1/1/3^0"},
        // Aligning from 5 to 8; with N from 2 (3 - 1) to 4; a step of 1 times the width 3.
        {"SEEK 2\nSEEK 1 #A\nBYTE \"a\"\nSEEK 4 #R\nBYTE \"r\"\nSEEK 3 #A\nSEEK 4 #RN\nBYTE \"n\"\nSEEK 1 #3\nBYTE \"w\"",
         counting, "a=17 @1/1/1^0|r=20 @4/1/4^0|n=20 @4/1/4^0|w=24 @8/1/8^0"},
        {":n BYTE #N\nSEEK n\nBYTE \"b\"\nSEEK 3\n:f BYTE #N\nSEEK f 1 #M\nBYTE \"m\"\nSEEK 100 #B\nBYTE \"z\"",
         {2, 9, 9, 0x33, 9, 9, 9, 9, 0x48, 0x49}, "b=51 @3/1/3^0|m=72 @8/1/8^0|z=2 @0/1/0^0"},
        {":t BYTE #N\nRVA \"r\" t 0x1234 #H\nRVA \"s\" t 0x1234 #HS\nRVA \"z\" t 0x1100 #S\nMOV LOCAL_0 0x1234\nRVA t LOCAL_0 #AN\n"
         "PRINT LOCAL_0\nSEEK 659\nRVA \"n\" t #S",
         table, "r=0x1234 @1/0/1^0|s=0x834 2100 @1/0/1^0|z=1280 @1/0/1^0|?\?\?=2100 @1/0/1^0|n=2100 @660/4/660^0"},
        {":t BYTE #N\nRVA \"q\" t 0x1234 #S", std::vector<uint8_t>(639), "q=0 @1/0/1^0"},
        {":l IF LOCAL_0 < 3 GOTO l #U\nPRINT LOCAL_0\nMOV LOCAL_1 3\n:m IF LOCAL_1 > 0 GOTO m #D\nPRINT LOCAL_1", {0},
         "?\?\?=4 @0/0/0^0|?\?\?=-1 @0/0/0^0"},
        {"IF LOCAL_0 == 0 SEEK LOCAL_1 2\nBYTE \"b\"\nIF UNTIL 55 +2 GOTO x\n:x BYTE \"c\"", {1, 2, 3, 4, 5, 6}, "b=3 @2/1/2^0|c=6 @5/1/5^0"},
        // AB, then 1?0?0000 (D0 fits, F0 not), the text a" and any byte.
        {"IF UNTIL 1AB ~1?0?0000 \"a\\\"\" ? +1 GOTO y\nEXIT\n:y BYTE \"b\"", {0xAB, 0xD0, 0x61, 0x22, 0x99}, "b=208 @1/1/1^0"},
        {"IF UNTIL 1AB ~1?0?0000 \"a\\\"\" ? +1 GOTO y\nEXIT\n:y BYTE \"b\"", {0xAB, 0xF0, 0x61, 0x22, 0x99}, ""},
        {"SEEK 2\n:f BYTE #N\nSEEK 3\n:g BYTE #N\nSUB g f #O\nPRINT g\nMOV LOCAL_1 3\nADD LOCAL_2 LOCAL_1 10\nPRINT LOCAL_2",
         std::vector<uint8_t>(8), "?\?\?=4 @7/0/7^0|?\?\?=13 @7/0/7^0"},
        {"IF LOCAL_0 == 0 GOTO", {0}, "LOCAL_0=Programmfehler@-1/0/0^0"},
    };
    for (const Case& c : cases) {
        Compiled m(c.module);
        EXPECT_EQ(m.errors, "") << c.module;
        m.set.Run(0, c.data.data(), static_cast<int>(c.data.size()), 0, 100, 0);
        std::string rows;
        for (int r = 0; r < m.set.GetRowCount(0); ++r) {
            const char* name;
            const char* value;
            const OutputRow* row = m.set.GetRow(0, r, &name, &value, nullptr, nullptr);
            rows += std::string(r ? "|" : "") + name + "=" + value + "@" + std::to_string(row->offset) + "/" +
                    std::to_string(row->size) + "/" + std::to_string(row->dataOffset) + "^" + std::to_string(row->indent);
        }
        EXPECT_EQ(rows, c.rows) << c.module;
    }
}

TEST(ModulLanguageTest, ModuleListsAndReloading)
{
    Compiled comments("; nur Kommentar\n\n  ; noch einer\n", "kommentar");
    EXPECT_EQ(comments.set.GetEntryCount(), 1);
    EXPECT_STREQ(comments.set.GetEntryName(0), "Modul - kommentar");
    EXPECT_EQ(comments.set.GetInstructionCount(), 4 + 4 + 1) << "the variables and the single EXIT";

    Compiled direct("MODUL \"M\"\nBLOCK \"B\"\nBYTE");
    EXPECT_EQ(direct.set.GetEntryCount(), 1);
    EXPECT_STREQ(direct.set.GetEntryName(0), "B");
    Compiled between("MODUL \"M\"\nBYTE\nBLOCK \"B\"\nBYTE");
    ASSERT_EQ(between.set.GetEntryCount(), 2);
    EXPECT_STREQ(between.set.GetEntryName(0), "B");
    EXPECT_STREQ(between.set.GetEntryName(1), "Modul - M");

    // The same module again: a warning, and every list as it was.
    const std::string text = "BYTE \"a\" UNTIL 00 #\"1:x:\"\n";
    Compiled once(text, "doppelt");
    const int instrs = once.set.GetInstructionCount();
    const int patterns = once.set.GetPatternCount();
    const int names = once.set.GetValueNameCount();
    CDataStream errors(256);
    errors.OpenMemory(nullptr, 0, STREAM_CREATE);
    once.set.SetErrorStream(&errors);
    CTextScanner scanner(32768);
    scanner.OpenMemory(text.data(), static_cast<int>(text.size()), STREAM_READ);
    EXPECT_EQ(once.set.Compile(&scanner, "doppelt"), 1);
    EXPECT_EQ(once.set.GetErrorCount(), 1);
    EXPECT_EQ(once.set.GetInstructionCount(), instrs);
    EXPECT_EQ(once.set.GetPatternCount(), patterns);
    EXPECT_EQ(once.set.GetValueNameCount(), names);
    EXPECT_EQ(once.set.GetEntryCount(), 1);
    EXPECT_EQ(once.Rows({1, 0}), "a=x") << "the patterns and value names of the first load still serve";
    once.set.SetErrorStream(nullptr);

    // Names, positions, pattern offsets and pattern labels beyond 16 bits: the pattern is
    // tested 40000 bytes on plus the value (1) of a line past instruction 32767.
    std::string big;
    for (int i = 0; i < 33000; ++i)
        big += (i == 32999 ? ":late BYTE \"n" : "BYTE \"n") + std::to_string(i) + "\"\n";
    big += "SEEK -33000\nIF UNTIL >late+40000 AA GOTO weit\nEXIT\n:weit TEXT \"weit\"\n";
    Compiled large(big);
    ASSERT_EQ(large.errors, "");
    std::vector<uint8_t> data(40002, 1);
    data[40000] = 0xCC;
    data[40001] = 0xAA;
    EXPECT_EQ(large.set.Run(0, data.data(), static_cast<int>(data.size()), 0, 40000, 0), 33001);
    const char* name;
    const OutputRow* row = large.set.GetRow(0, 32999, &name, nullptr, nullptr, nullptr);
    ASSERT_NE(row, nullptr);
    EXPECT_STREQ(name, "n32999");
    EXPECT_EQ(row->dataOffset, 32999);
    large.set.GetRow(0, 33000, &name, nullptr, nullptr, nullptr);
    EXPECT_STREQ(name, "weit");

    // A file without a "MODUL" line is named up to the first dot of its name.
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    const std::string path = std::string(folder) + "sl.zwei.punkte.dfm";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fputs("BYTE\n", f);
        std::fclose(f);
    }
    CModulSet fromFile;
    fromFile.SetErrorEcho(false);
    EXPECT_EQ(fromFile.LoadFile(path.c_str(), nullptr), 2);
    EXPECT_STREQ(fromFile.GetSourceName(0), "sl");
    EXPECT_STREQ(fromFile.GetEntryName(0), "Modul - sl");
    DeleteFileA(path.c_str());
    EXPECT_EQ(fromFile.LoadFile(path.c_str(), nullptr), 0) << "Kann Datei nicht öffnen.";
}

// The name handed in is the module's name as it is, however long (only a "MODUL" line's name
// is cut to 63 characters, and the list entry to 255); a second "UNTIL" on a line is reported
// and adds no pattern: the line keeps its first one.
TEST(ModulLanguageTest, HandedInNamesAndSecondPatterns)
{
    const std::string n70(70, 'n'), n300(300, 'l'), m70(70, 'm');
    const struct {
        std::string module, name;
        std::string source, entry;
        int patterns;
        std::string errors, rows;
    } cases[] = {
        { "BYTE \"b\"\n", n70, n70, "Modul - " + n70, 0, "", "b=97 " },
        { "BYTE \"b\"\n", n300, n300, ("Modul - " + n300).substr(0, 255), 0, "", "b=97 " },
        { "MODUL \"" + m70 + "\"\nBYTE \"b\"\n", "x", m70.substr(0, 63), "Modul - " + m70.substr(0, 63), 0, "",
          "b=97 " },
        { "STRING \"s\" UNTIL 63 UNTIL 64\n", "t", "t", "Modul - t", 1,
          "Fehler(1)\tBis-Dump bereits definiert.\r\n", "s=\"ab\"" },
        { "STRING \"s\" UNTIL 63\n", "t", "t", "Modul - t", 1, "", "s=\"ab\"" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.module.substr(0, 40));
        Compiled m(c.module, c.name.c_str());
        EXPECT_EQ(m.result, 2);
        EXPECT_EQ(m.errors, c.errors);
        ASSERT_EQ(m.set.GetSourceCount(), 1);
        EXPECT_EQ(std::string(m.set.GetSourceName(0)), c.source);
        ASSERT_EQ(m.set.GetEntryCount(), 1);
        EXPECT_EQ(std::string(m.set.GetEntryName(0)), c.entry);
        EXPECT_EQ(m.set.GetPatternCount(), c.patterns);
        EXPECT_EQ(m.Rows({ 0x61, 0x62, 0x63, 0x64, 0 }), c.rows);
    }
}

// Three-line modules whose lines each read the whole buffer, scan it with a pattern or look
// through thousands of value names, looping without a visible row: each run ends with the
// "Programmfehler" row in a small part of a second over 4 KB and 64 KB, not after the
// million lines of the step budget.
TEST(ModulLanguageTest, HostileModulesEndWithinTheirWork)
{
    std::string names;
    for (int i = 0; i < 7000; ++i)
        names += "1:x:";
    const std::string modules[] = {
        ":a BYTE 2147483647 #N\nSEEK 0 #A\nGOTO a",
        ":a STRING UNTIL FF FE FD FC #N\nSEEK 0 #A\nGOTO a",
        ":a STRING_K 2147483647 #N\nSEEK 0 #A\nGOTO a",
        ":a BYTE 300 #\"" + names + "\"\nSEEK 0 #A\nGOTO a",
        ":a QWORD 2147483647 UNTIL 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 #N\nSEEK 0 #A\nGOTO a",
        "MOV LOCAL_0 2147483647\nLOOP LOCAL_0 b\nEXIT\n:b WORD 2147483647 #N\nSEEK 0 #A\nRETURN",
    };
    std::mt19937 rng(28);
    GuardedBuffer fence(65536);
    ASSERT_TRUE(fence.Ok());
    for (const std::string& text : modules) {
        Compiled m(text);
        ASSERT_EQ(m.errors, "") << text.substr(0, 60);
        for (size_t size : {size_t(4096), size_t(65536)}) {
            std::vector<uint8_t> bytes(size);
            for (uint8_t& b : bytes)
                b = static_cast<uint8_t>(rng() % 4 ? rng() | 1 : 0);
            const uint8_t* data = fence.AtEnd(bytes.data(), size);
            const int rows = m.set.Run(0, data, static_cast<int>(size), 0, 8192, 0);
            // Ended by its budget, not far behind it: counted in units of work, which a loaded
            // machine's clock would not tell.
            EXPECT_LE(m.set.GetLastRunWork(), 2 * m.set.GetLastRunBudget()) << text.substr(0, 60) << " over " << size;
            const char* value = "";
            m.set.GetRow(0, rows - 1, nullptr, &value, nullptr, nullptr);
            EXPECT_STREQ(value, "Programmfehler") << text.substr(0, 60) << " over " << size;
        }
    }
}

// The budget's two bounds: a run holds the window at most 0.1 s on a 512-byte sector and at
// most 1 s on a megabyte, so a megabyte may take ten times the work of a sector.
// The loop of the tiny double (all bytes 01, the dearest "%e": about 24 us each under Wine,
// measured, against well under 0.24 us for reading its 8 bytes) counts its passes in LOCAL_1:
// it may format at most what 0.1 s holds, and it ends at least a hundred times sooner than
// the same loop over the same bytes without formatting them (#N).
TEST(ModulLanguageTest, FloatLoopEndsWithinATenthOfASecondOfFormatting)
{
    EXPECT_GE(CModulSet::WorkBudget(1 << 20), 10 * CModulSet::WorkBudget(512));
    const std::vector<uint8_t> sector(512, 0x01);
    auto passes = [&](const char* flags, std::string* firstRow) {
        Compiled m(std::string(":a ADD LOCAL_1 1\nDOUBLE 2147483647") + flags + "\nSEEK 0 #A\nGOTO a");
        EXPECT_EQ(m.errors, "");
        const int rows = m.set.Run(0, sector.data(), 512, 0, CModulSet::kDefaultMaxRows, 0);
        const char* value = "";
        m.set.GetRow(0, rows - 1, nullptr, &value, nullptr, nullptr);
        EXPECT_STREQ(value, "Programmfehler") << flags;
        m.set.GetRow(0, 0, nullptr, &value, nullptr, nullptr);
        *firstRow = value;
        return static_cast<int64_t>(m.set.GetInstruction(1)->value);
    };
    std::string shown, hidden;
    const int64_t formatting = passes("", &shown), plain = passes(" #N", &hidden);
    int64_t perPass = 0;
    for (size_t at = 0; (at = shown.find("e-304", at)) != std::string::npos; ++at)
        ++perPass;
    ASSERT_GT(perPass, 0) << shown;
    EXPECT_LE(formatting * perPass, 100000 / 24) << formatting << " passes";
    EXPECT_GE(plain, 100 * formatting);
}

// Loops over one sector of 01 bytes whose every pass formats values, quotes a long text or
// rewrites a row: each ends with the "Programmfehler" row once its counted work passes the
// budget, within one line's share of work past it.
TEST(ModulLanguageTest, FormattingLoopsEndWithinTheBudget)
{
    const char* const modules[] = {
        ":a FLOAT 2147483647\nSEEK 0 #A\nGOTO a",
        "MOV LOCAL_0 2147483647\nLOOP LOCAL_0 b\nEXIT\n:b DOUBLE 2147483647\nSEEK 0 #A\nRETURN",
        ":a BYTE 2147483647 #HBOCUS\nSEEK 0 #A\nGOTO a",
        ":a QWORD 2147483647 #HBOCUS\nSEEK 0 #A\nGOTO a",
        ":a STRING 4096\nSEEK 0 #A\nGOTO a",
        ":t TEXT \"t\"\n:a BYTE 2147483647 #N>t\nSEEK 0 #A\nGOTO a",
        ":t TEXT \"t\"\n:a SPRINT LOCAL_0 t #HBOCUS\nGOTO a",
    };
    const std::vector<uint8_t> sector(512, 0x01);
    // The most one line adds once the budget is passed: a step, a float, a formatted value,
    // the sector's bytes, and its row made and written into a target, each a full text.
    const int64_t oneLine = CModulSet::kStepWork + CModulSet::kFloatWork + CModulSet::kFormatWork + 512
                            + 2 * (CModulSet::kRowWork + CModulSet::kTextSize);
    for (const char* text : modules) {
        Compiled m(text);
        ASSERT_EQ(m.errors, "") << text;
        const int rows = m.set.Run(0, sector.data(), 512, 0, CModulSet::kDefaultMaxRows, 0);
        const char* value = "";
        m.set.GetRow(0, rows - 1, nullptr, &value, nullptr, nullptr);
        EXPECT_STREQ(value, "Programmfehler") << text;
        // The budget the run had: the sector's, and what its rows and first-shown values
        // earned, at most a row's allowance and a float and a value per byte besides.
        const int64_t budget = m.set.GetLastRunBudget();
        EXPECT_GE(budget, CModulSet::WorkBudget(512)) << text;
        EXPECT_LE(budget, CModulSet::WorkBudget(512) + static_cast<int64_t>(rows) * CModulSet::kRowAllowance
                              + 512 * (CModulSet::kFloatWork + CModulSet::kFormatWork)) << text;
        const int64_t work = m.set.GetLastRunWork();
        EXPECT_GT(work, budget) << text;
        EXPECT_LE(work, budget + oneLine) << text;
    }
}

// The two other bounds of a run: at most kStepBudget lines, even where the data is large
// enough for more work (a megabyte: a loop without rows stops at the steps, not the work); and
// each element of a number field costs its bytes besides its own share.
TEST(ModulLanguageTest, StepsAndElementBytesAreCounted)
{
    const std::vector<uint8_t> megabyte(1 << 20, 0x01);
    ASSERT_GT(CModulSet::WorkBudget(1 << 20), 2 * CModulSet::kStepBudget * CModulSet::kStepWork);
    Compiled loop(":a ADD LOCAL_1 1\nGOTO a");
    const int rows = loop.set.Run(0, megabyte.data(), 1 << 20, 0, CModulSet::kDefaultMaxRows, 0);
    const char* value = "";
    loop.set.GetRow(0, rows - 1, nullptr, &value, nullptr, nullptr);
    EXPECT_STREQ(value, "Programmfehler");
    EXPECT_LE(loop.set.GetInstruction(1)->value, CModulSet::kStepBudget / 2) << "two lines a pass";
    int64_t work[2];
    for (int n : {32, 64}) {
        Compiled doubles("DOUBLE " + std::to_string(n) + " #N");
        doubles.set.Run(0, megabyte.data(), 512, 0, CModulSet::kDefaultMaxRows, 0);
        work[n / 64] = doubles.set.GetLastRunWork();
    }
    EXPECT_EQ(work[1] - work[0], 32 * (8 + CModulSet::kElementWork));
}

// A seek moves by its own count: the amount times the width its line was given, never by a
// letter of the flags. On a SEEK line the width runs on into the bits of the letters O, D, H,
// X, S, U and C, which mean nothing to a seek; on an IF line those bits are its letters (U
// and D count the variable). The other actions an IF line carries take no letter either.
TEST(ModulLanguageTest, SeeksMoveByTheirOwnCount)
{
    const struct {
        const char* seek;   // the line before `OFFSET "o"`
        int64_t count;      // the amount it names
        int64_t width;      // the width it names
    } cases[] = {
        {"IF LOCAL_0 == 0 SEEK 2 #D", 2, 1},
        {"IF LOCAL_0 == 0 SEEK 2 #U", 2, 1},
        {"IF LOCAL_0 == 0 SEEK 2 #HOSXC", 2, 1},
        {"IF LOCAL_0 == 0 SEEK 2 #4", 2, 4},
        {"IF LOCAL_0 == 0 SEEK 2 #U4D", 2, 4},
        {"MOV LOCAL_1 3\nIF LOCAL_0 == 0 SEEK LOCAL_1 2 #U", 3 + 2, 1},
        {"SEEK 2 #H", 2, 1},
        {"SEEK 2 #HOSXCUD", 2, 1},
        {"SEEK 2 #20H", 2, 20},
        {"SEEK 2 #H20C", 2, 20},
        {"SEEK 2 #99", 2, 99},
    };
    const std::vector<uint8_t> data(4096);
    for (const auto& c : cases) {
        Compiled m(std::string(c.seek) + "\nOFFSET \"o\"");
        ASSERT_EQ(m.errors, "") << c.seek;
        EXPECT_EQ(m.Rows(data), "o=" + std::to_string(c.count * c.width) + " ") << c.seek;
    }
    // MOV and ADD as an IF's action: the value the line names, whatever its letters say.
    const struct {
        const char* module;
        const char* rows;
    } actions[] = {
        {"IF LOCAL_0 == 0 MOV LOCAL_0 7 #HOSXCABGMR\nPRINT LOCAL_0", "?\?\?=7 "},
        {"IF LOCAL_0 < 5 ADD LOCAL_0 2 #HOSXCABGMR\nPRINT LOCAL_0", "?\?\?=6 "},
    };
    for (const auto& a : actions) {
        Compiled m(a.module);
        ASSERT_EQ(m.errors, "") << a.module;
        EXPECT_EQ(m.Rows(data), a.rows) << a.module;
    }
}

// Modules that decode their data and show what they read or compute are never stopped by the
// work or step budget: each ends at its own end or at its row budget, with no "Programmfehler".
// Their rows: one float per four bytes (tiny floats, the dearest to format), three floats per
// twelve bytes, a hex dump line per 40 bytes, and rows computed by seventy lines each up to
// the largest row budget the window allows.
TEST(ModulLanguageTest, ValidModulesEndAtTheirEndOrRowBudget)
{
    std::string computing;
    for (int i = 0; i < 70; ++i)
        computing += "ADD LOCAL_1 1\n";
    const struct {
        std::string module;   // LOCAL_0 is set to `passes` in front of it
        size_t size;
        int passes;
        int maxRows;
        int rows;             // rows expected
    } cases[] = {
        {"LOOP LOCAL_0 f\nEXIT\n:f FLOAT \"f\"\nRETURN", 4096, 4096 / 4, 8192, 4096 / 4},
        {"LOOP LOCAL_0 f\nEXIT\n:f FLOAT \"f\" 3\nRETURN", 4096, 4096 / 12, 8192, 4096 / 12},
        {"LOOP LOCAL_0 f\nEXIT\n:f BYTE \"h\" 40 #HBOCUS\nRETURN", 65536, 65536 / 40, 8192, 65536 / 40},
        {"LOOP LOCAL_0 f\nEXIT\n:f " + computing + "PRINT LOCAL_1 \"n\"\nRETURN", 512, 20000, 16000, 16000},
    };
    for (const auto& c : cases) {
        const std::string text = "MOV LOCAL_0 " + std::to_string(c.passes) + "\n" + c.module;
        Compiled m(text);
        ASSERT_EQ(m.errors, "") << text.substr(0, 60);
        const std::vector<uint8_t> data(c.size, 0x01);
        const int rows = m.set.Run(0, data.data(), static_cast<int>(data.size()), 0, c.maxRows, 0);
        EXPECT_EQ(rows, c.rows) << text.substr(0, 60);
        const char* value = "";
        m.set.GetRow(0, rows - 1, nullptr, &value, nullptr, nullptr);
        EXPECT_STRNE(value, "Programmfehler") << text.substr(0, 60);
        EXPECT_LE(m.set.GetLastRunWork(), m.set.GetLastRunBudget()) << text.substr(0, 60);
    }
}

// What rows earn does not let a loop run on: endless loops that show a row on every pass, with
// a hundred and twenty lines of computing, a value re-read, or an opened level, end at the
// largest row budget the window allows (or earlier with "Programmfehler") in a small part of a
// second, over a sector and over 64 KB.
TEST(ModulLanguageTest, EndlessLoopsWithRowsEndAtTheRowBudget)
{
    std::string computing;
    for (int i = 0; i < 120; ++i)
        computing += "ADD LOCAL_1 1\n";
    const std::string modules[] = {
        ":a TEXT \"t\"\n" + computing + "GOTO a",
        ":a BYTE \"b\" 4 #HBOCUS\nSEEK 0 #A\nGOTO a",
        ":a DOWN \"d\"\nUP \"u\"\nPRINT LOCAL_1 #HBOCUS\nADD LOCAL_1 1\nGOTO a",
        "MOV LOCAL_0 2147483647\nLOOP LOCAL_0 b\nEXIT\n:b TEXT \"t\"\n" + computing + "RETURN",
    };
    const int maxRows = 16000;
    for (const std::string& text : modules) {
        Compiled m(text);
        ASSERT_EQ(m.errors, "") << text.substr(0, 60);
        for (size_t size : {size_t(512), size_t(65536)}) {
            const std::vector<uint8_t> data(size, 0x01);
            const int rows = m.set.Run(0, data.data(), static_cast<int>(size), 0, maxRows, 0);
            EXPECT_LE(m.set.GetLastRunWork(), 2 * m.set.GetLastRunBudget()) << text.substr(0, 60) << " over " << size;
            const char* value = "";
            m.set.GetRow(0, rows - 1, nullptr, &value, nullptr, nullptr);
            EXPECT_TRUE(rows == maxRows || std::string(value) == "Programmfehler")
                << text.substr(0, 60) << " over " << size << ": " << rows << " rows, " << value;
            EXPECT_LE(m.set.GetLastRunBudget(), CModulSet::WorkBudget(static_cast<int64_t>(size))
                                                     + int64_t(maxRows) * CModulSet::kRowAllowance
                                                     + static_cast<int64_t>(size) * CModulSet::kFormatWork)
                << text.substr(0, 60);
        }
    }
}

// Damaged modules over random data placed against a no-access page: every run ends (rows,
// steps or data), never reads past the data, and every message is one of the compiler's with
// a line number.
TEST(ModulLanguageTest, DamagedModulesNeverEscapeTheirData)
{
    static const char* const kLines[] = {
        "BYTE \"a\" 3 #H", "WORD \"w\" LOCAL_0 #M", "DWORD 2 #HS", "QWORD #H", "FLOAT 2", "DOUBLE", "RWORD #U",
        "STRING \"s\" UNTIL 00", "STRING_P #U", "STRING_B 7", "STRING_D", "STRING_K #K", "BIT 3", "REST 4 1",
        "OFFSET \"o\" x 4", "LEN #A", "IF LOCAL_0 < 5 ADD LOCAL_0 1", "IF x == 3 GOTO y", "LOOP LOCAL_1 y",
        "LOOP x 3", ":x BYTE \"x\" #I", ":y CALL x", "RETURN", "SEEK 4 #R", "SEEK x #M", "SEEK -99999 #A",
        "SEEK 2147483647 #B", "TEXT \"t\"", "PRINT x 4", "SPRINT x y #R", "ADD x 5", "MUL x y", "DIV x 0",
        "MOD x -1", "BIN x 40", "MOV x 2147483647", "DOWN \"d\"", "UP", "RVA x y #SA", "IF UNTIL >x+2 ? ~1?0 \"a\\n\" +3 GOTO y",
        "BLOCK \"b\" 1 2", "MODUL \"m\"", "GOTO z", "CALL y", "IF UNTIL 41 EXIT", "BYTE \"", "STRING #\"1:a",
        "WORD #>", "BYTE 99999999999999 -2147483648", "#", "!!", "IF x >= <= 1", "LOOP LOCAL_2 -5", "\x01\xff",
    };
    const int kLineCount = sizeof(kLines) / sizeof(kLines[0]);
    static const char* const kMessages[] = {
        "Doppelte Marke", "Erwarte Befehl", "Unbekannter Befehl", "Name ist bereits angegeben",
        "Zuviele Zahlen definiert", "Marken sind in den Flags nicht erlaubt",
        "Einen Marke ist in den Flags bereits definiert", "Unbekannte Marke :", "Leere Marke in Flags",
        "Flags bereits definiert.", "Not Zeichen bereits definiert.", "Unerlaubte Vergleichsfunktion.",
        "Unbekanntes Zeichen", "Bis-Dump bereits definiert.", "EXIT ist nicht erlaubt.", "CALL ist nicht erlaubt.",
        "SEEK ist nicht erlaubt.", "GOTO ist nicht erlaubt.", "RETURN ist nicht erlaubt.", "MOV ist nicht erlaubt.",
        "ADD ist nicht erlaubt.", "Zuviele Marken definiert",
        "Syntaxfehler, fehlente Angaben", "Syntaxfehler, zuviele  Angaben", "Sprungziel ist eine Variable :",
    };
    static const char* const kJumps[] = {"GOTO L", "CALL L", "LOOP LOCAL_0 L", "LOOP L", "IF LOCAL_1 < 9 GOTO L",
                                         "IF UNTIL 00 CALL L", "SPRINT LOCAL_2 L", "SEEK L"};
    const int kJumpCount = sizeof(kJumps) / sizeof(kJumps[0]);
    static const char* const kOpen[] = {"BYTE \"offen", "IF UNTIL \"ab GOTO L1", "WORD #\"1:eins:2:zw",
                                        "STRING UNTIL >", "IF UNTIL >L2", "DWORD #>", "BYTE #\"", "TEXT \""};
    const int kOpenCount = sizeof(kOpen) / sizeof(kOpen[0]);
    std::mt19937 rng(20261207);
    GuardedBuffer fence(65536);
    ASSERT_TRUE(fence.Ok());
    double mostOfItsBudget = 0;
    for (int round = 0; round < 10000; ++round) {
        std::vector<std::string> lines;
        const int count = 1 + static_cast<int>(rng() % 24);
        for (int i = 0; i < count; ++i) {
            std::string line = kLines[rng() % kLineCount];
            switch (rng() % 12) {
            case 0: line[rng() % line.size()] = static_cast<char>(rng()); break;   // a damaged byte
            case 1: line = line.substr(0, rng() % line.size()); break;            // cut short
            case 2: line += " " + std::to_string(static_cast<int>(rng())); break; // a huge number
            case 3: line = ":L" + std::to_string(rng() % 6) + " " + line; break;   // a label
            case 4: line = kJumps[rng() % kJumpCount] + std::to_string(rng() % 7); break;
            case 5: line += " #" + std::to_string(rng() % 120); break;           // any width
            case 6: line = kOpen[rng() % kOpenCount]; break;                       // unterminated
            case 7:
                for (int d = 0; d < 20; ++d)   // a chain of calls deeper than the frames
                    lines.push_back(":D" + std::to_string(d) + " CALL D" + std::to_string(d + 1));
                line = ":D20 RETURN";
                break;
            default: break;
            }
            lines.push_back(line);
        }
        // Lines deleted, doubled and swapped.
        for (int edits = static_cast<int>(rng() % 4); edits > 0 && !lines.empty(); --edits) {
            const size_t a = rng() % lines.size(), b = rng() % lines.size();
            switch (rng() % 3) {
            case 0: lines.erase(lines.begin() + static_cast<ptrdiff_t>(a)); break;
            case 1: lines.insert(lines.begin() + static_cast<ptrdiff_t>(a), lines[a]); break;
            default: std::swap(lines[a], lines[b]); break;
            }
        }
        std::string text;
        for (const std::string& line : lines)
            text += line + (rng() % 3 ? "\n" : "\r\n");
        if (rng() % 20 == 0) {   // nothing but random bytes
            text.resize(rng() % 2000);
            for (char& c : text)
                c = static_cast<char>(rng());
        }
        Compiled m(text);
        for (size_t from = 0, at; (at = m.errors.find("\r\n", from)) != std::string::npos; from = at + 2) {
            const std::string message = m.errors.substr(from, at - from);
            const size_t tab = message.find(")\t");
            bool known = false;
            for (const char* k : kMessages)
                known = known || (tab != std::string::npos && message.compare(tab + 2, std::strlen(k), k) == 0);
            const bool numbered = message.rfind("Fehler(", 0) == 0 && tab > 7
                                  && message.find_first_not_of("0123456789", 7) == tab;
            ASSERT_TRUE(known && numbered) << message << "\n" << text;
        }
        std::vector<uint8_t> bytes(rng() % 65537);
        for (uint8_t& b : bytes)
            b = static_cast<uint8_t>(rng() % 4 ? rng() : 0);
        // Against the upper fence a read past the end faults, against the lower one a read
        // before the start.
        const uint8_t* data = round % 2 ? fence.AtEnd(bytes.data(), bytes.size()) : fence.AtStart(bytes.data(), bytes.size());
        for (int e = 0; e < m.set.GetEntryCount(); ++e) {
            m.set.Run(static_cast<int>(rng() % 16), data, static_cast<int>(bytes.size()), e, 2000,
                      static_cast<int>(rng() % 8));
            mostOfItsBudget = std::max(mostOfItsBudget, static_cast<double>(m.set.GetLastRunWork()) /
                                                            static_cast<double>(m.set.GetLastRunBudget()));
        }
    }
    EXPECT_LE(mostOfItsBudget, 2.0) << "every run ends within its work";
}

}  // namespace

namespace {

// Leaves the process about `keep` bytes of memory while it lives: all free address space is
// reserved, the heap filled with small blocks until it can give no more, and then one piece
// of `keep` bytes of address space is let go, for large blocks and for the heap to grow in.
class MemorySqueeze {
public:
    explicit MemorySqueeze(SIZE_T keep)
    {
        m_reserved.reserve(1 << 16);
        m_taken.reserve(1 << 20);
        for (SIZE_T size = SIZE_T(1) << 30; size >= (SIZE_T(64) << 10); size /= 2)
            while (m_reserved.size() < m_reserved.capacity())
                if (void* p = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS))
                    m_reserved.push_back({p, size});
                else
                    break;
        while (m_taken.size() < m_taken.capacity())
            if (void* p = std::malloc(1024))
                m_taken.push_back(p);
            else
                break;
        for (Block& b : m_reserved)
            if (b.size >= keep) {
                VirtualFree(b.address, 0, MEM_RELEASE);
                char* tail = static_cast<char*>(b.address) + keep;
                b.size -= keep;
                b.address = b.size ? VirtualAlloc(tail, b.size, MEM_RESERVE, PAGE_NOACCESS) : nullptr;
                break;
            }
    }
    ~MemorySqueeze()
    {
        for (void* p : m_taken)
            std::free(p);
        for (const Block& b : m_reserved)
            if (b.address)
                VirtualFree(b.address, 0, MEM_RELEASE);
    }
    MemorySqueeze(const MemorySqueeze&) = delete;
    MemorySqueeze& operator=(const MemorySqueeze&) = delete;

private:
    struct Block {
        void* address;
        SIZE_T size;
    };
    std::vector<Block> m_reserved;
    std::vector<void*> m_taken;
};

// A compile that runs out of memory keeps nothing of the file and says so, rather than load
// a module with lines left out, whose labels and jumps would name other lines.
TEST(ModulLanguageTest, ACompileThatRunsOutOfMemoryKeepsNothing)
{
    // A million lines of one keyword letter need far more than the 24 MB left to the heap.
    std::string text;
    for (int i = 0; i < 1 << 20; ++i)
        text += "B\n";
    CModulSet set;
    set.SetErrorEcho(false);
    CTextScanner scanner(32768);
    scanner.OpenMemory(text.data(), static_cast<int>(text.size()), STREAM_READ);
    int result = -1;
    // The first exception of a process sets up the unwinder with memory of its own: one
    // thrown before the memory is taken leaves the compile's own as the one under test.
    try {
        throw std::bad_alloc();
    } catch (const std::bad_alloc&) {
    }
    {
        MemorySqueeze squeeze(SIZE_T(24) << 20);
        result = set.Compile(&scanner, "knapp");
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(set.GetErrorCount(), 1);
    EXPECT_EQ(set.GetSourceCount(), 0);
    EXPECT_EQ(set.GetEntryCount(), 0);
    EXPECT_EQ(set.GetInstructionCount(), 0);
    // With memory again the same file loads whole: one instruction per line.
    scanner.Seek(0, STREAM_BEGIN);
    EXPECT_EQ(set.Compile(&scanner, "knapp"), 2);
    EXPECT_EQ(set.GetInstructionCount(), 4 + 4 + (1 << 20) + 1) << "variables, parameters, lines, EXIT";
}

// A file of nothing but faults writes its first errors and one line that counts the rest, so
// that the error window comes up at once; the count behind it stays whole. At the bound, one
// past it, and a 2 MB file of a million faulty lines.
TEST(ModulLanguageTest, ErrorsOfOneFileAreBounded)
{
    const int limit = CModulSet::kMaxReportedErrors;
    for (int faults : {limit, limit + 1, 1 << 20}) {
        SCOPED_TRACE(faults);
        std::string text;
        text.reserve(static_cast<size_t>(faults) * 2);
        for (int i = 0; i < faults; ++i)
            text += "?\n";
        Compiled c(text);
        EXPECT_EQ(c.set.GetErrorCount(), faults);
        const int shown = std::min(faults, limit);
        std::vector<std::string> lines;
        for (size_t at = 0, end; (end = c.errors.find("\r\n", at)) != std::string::npos; at = end + 2)
            lines.push_back(c.errors.substr(at, end - at));
        ASSERT_EQ(lines.size(), static_cast<size_t>(faults > limit ? limit + 1 : faults));
        const std::string last = "Fehler(" + std::to_string(shown) + ")\t";
        EXPECT_EQ(lines[shown - 1].substr(0, last.size()), last) << "the first errors are the ones shown";
        if (faults > limit) {
            EXPECT_EQ(lines.back(), "Fehler(0)\t" + std::to_string(faults - limit) +
                                        " weitere Fehler und Warnungen werden nicht angezeigt.");
        }

        // Loaded a second time: what the load says of the file comes whatever the count, and
        // the line behind it still counts only the module's own faults left out.
        CDataStream again(256);
        again.OpenMemory(nullptr, 0, STREAM_CREATE);
        c.set.SetErrorStream(&again);
        CTextScanner scanner(32768);
        scanner.OpenMemory(text.data(), static_cast<int>(text.size()), STREAM_READ);
        c.set.Compile(&scanner, "test");
        c.set.SetErrorStream(nullptr);
        again.Close();
        int size = 0;
        char* block = static_cast<char*>(again.TakeMemoryBlock(&size));
        const std::string second(block ? block : "", static_cast<size_t>(size));
        free(block);
        EXPECT_EQ(c.set.GetErrorCount(), faults + 1);
        const std::string warning = "Warnung(0)\tModul ist bereits geladen.\r\n";
        const size_t at = second.find(warning);
        ASSERT_NE(at, std::string::npos) << "the warning is lost behind the bound";
        const std::string after = second.substr(at + warning.size());
        if (faults > limit)
            EXPECT_EQ(after, "Fehler(0)\t" + std::to_string(faults - limit) +
                                 " weitere Fehler und Warnungen werden nicht angezeigt.\r\n");
        else
            EXPECT_EQ(after, "");
    }
}

}  // namespace
