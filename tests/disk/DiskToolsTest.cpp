// The arithmetic of "CHS zu Sektor" and "MBR erstellen", without their windows: the
// conversion against the C/H/S bytes sfdisk wrote into the mbr fixture and against its own
// inverse, the partition layout against its rules over random inputs, and the records that
// a host step after this suite hands to sfdisk, fdisk and a BIOS boot in QEMU
// (tests/disk/check-mbr.sh reads mbr-check/ in the build tree); and once through the CHS
// and the MBR dialogs, for what the focus decides.
#include <gtest/gtest.h>

#include "disk/ChsConversion.h"
#include "disk/ChsConvertDialog.h"
#include "disk/MbrCreateDialog.h"
#include "disk/MbrLayout.h"
#include "tests/disk/ScanTestSupport.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TestSupport.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

namespace {

ChsConversion Convert(const char* cylinders, const char* heads, const char* perTrack, const char* c,
                      const char* h, const char* s, const char* number, int edited)
{
    const char* texts[CHS_FIELD_COUNT] = {cylinders, heads, perTrack, c, h, s, number};
    ChsConversion result;
    ConvertChs(texts, edited, &result);
    return result;
}

TEST(ChsConversionTest, CasesAndWideNumbers)
{
    struct Case {
        const char* texts[7];
        int edited;
        int64_t c, h, s, number;
        uint32_t marks;   // bit per field
    };
    const int64_t big = 5000000000ll;   // a sector of a disk over 2 TiB
    const int64_t past = 4294967296ll;
    const Case cases[] = {
        {{"1024", "255", "63", "", "", "", "63"}, CHS_NUMBER, 0, 1, 1, 63, 0},
        {{"1024", "255", "63", "1", "0", "1", ""}, CHS_C, 1, 0, 1, 16065, 0},
        {{"1024", "255", "63", "0", "0", "64", ""}, CHS_S, 0, 0, 64, 63, 1u << CHS_S},
        // An emptied geometry field reads 0, counts as 1 and is marked.
        {{"", "255", "63", "", "", "", "100"}, CHS_CYLINDERS, 0, 1, 38, 100, 1u << CHS_CYLINDERS},
        // Beyond 32 bits the number stays what it is and is marked; never a wrapped value.
        {{"1023", "255", "63", "", "", "", "5000000000"}, CHS_NUMBER, big / 63 / 255, big / 63 % 255, big % 63 + 1,
         big, (1u << CHS_NUMBER) | (1u << CHS_C)},
        {{"1023", "255", "63", "300000000", "0", "1", ""}, CHS_C, 300000000, 0, 1, 300000000ll * 16065,
         (1u << CHS_C) | (1u << CHS_NUMBER)},
        // One past the largest number a 32-bit sector field holds.
        {{"1023", "255", "63", "", "", "", "4294967296"}, CHS_NUMBER, past / 63 / 255, past / 63 % 255, past % 63 + 1,
         past, (1u << CHS_NUMBER) | (1u << CHS_C)},
        // A negative number too large for 64 bits is an overflow (all ones) and marked, never
        // sector 1 at 0/0/2.
        {{"1024", "255", "63", "", "", "", "-18446744073709551616"}, CHS_NUMBER, 0, 0, 1, -1, 1u << CHS_NUMBER},
        // A text that is no whole expression counts with what it reads up to where it stops,
        // and only the ranges and the geometry mark it.
        {{"1024", "255", "63", "", "", "", "12x"}, CHS_NUMBER, 0, 0, 13, 12, 0},
        {{"1024", "255", "63", "", "", "", "12 x"}, CHS_NUMBER, 0, 0, 13, 12, 0},
        {{"1024", "2x", "63", "", "", "", "100"}, CHS_NUMBER, 0, 1, 38, 100, 0},
        {{"1024", "255", "63", "0", "(1", "1", ""}, CHS_H, 0, 1, 1, 63, 0},
        {{"1024", "255", "63", "", "", "", "abc"}, CHS_NUMBER, 0, 0, 1, 0, 0},
        {{"1024", "255", "6x4", "", "", "", "100"}, CHS_NUMBER, 0, 16, 5, 100, 0},
        // The focus outside the fields: nothing is converted, every field keeps its value, an
        // H out of range stays as typed (and marked) rather than giving way to the number's.
        {{"1024", "255", "63", "0", "300", "1", "18900"}, -1, 0, 300, 1, 18900, 1u << CHS_H},
        {{"1024", "255", "63", "2", "0", "1", "7"}, -1, 2, 0, 1, 7, 0},
    };
    for (const Case& k : cases) {
        const char* const* t = k.texts;
        const ChsConversion r = Convert(t[0], t[1], t[2], t[3], t[4], t[5], t[6], k.edited);
        EXPECT_EQ(r.value[CHS_C], k.c) << t[6] << t[3];
        EXPECT_EQ(r.value[CHS_H], k.h) << t[6] << t[3];
        EXPECT_EQ(r.value[CHS_S], k.s) << t[6] << t[3];
        EXPECT_EQ(r.value[CHS_NUMBER], k.number) << t[6] << t[3];
        uint32_t marks = 0;
        for (int i = 0; i < CHS_FIELD_COUNT; ++i)
            marks |= r.marked[i] ? 1u << i : 0;
        EXPECT_EQ(marks, k.marks) << t[6] << t[3];
        if (k.edited >= 0) {
            EXPECT_STREQ(r.text[k.edited], "") << "the edited field keeps what was typed";
        }
        if (k.edited != CHS_NUMBER) {
            EXPECT_EQ(std::strtoll(r.text[CHS_NUMBER], nullptr, 10), k.number);
        }
    }
    // A C/H/S whose sum passes 64 bits: the number is marked and shows nothing, from each of
    // the three fields.
    for (int edited = CHS_C; edited <= CHS_S; ++edited) {
        const ChsConversion r = Convert("1023", "255", "63", "100000000000000000", "0", "1", "", edited);
        EXPECT_TRUE(r.marked[CHS_NUMBER]) << edited;
        EXPECT_STREQ(r.text[CHS_NUMBER], "") << edited;
    }
}

// Through the dialog: typing H converts to the number; the focus then leaving the fields for a
// button converts nothing back, so the H typed out of range stays as typed (and the C with it).
TEST(ChsConvertDialog, FocusLeavingTheFieldsConvertsNothing)
{
    CChsConvertDlg dlg;
    dlg.m_geometry.Cylinders.QuadPart = 1024;
    dlg.m_sector = 0;
    std::vector<std::string> typed, left;
    auto fields = [](HWND d) {
        std::vector<std::string> texts;
        for (int id = 1044; id <= 1047; ++id)
            texts.push_back(testsupport::WindowText(GetDlgItem(d, id)));
        return texts;
    };
    testsupport::ModalScript script;
    script.Add([&](HWND d) {
        SetFocus(GetDlgItem(d, 1045));
        SetDlgItemTextA(d, 1045, "300");
        typed = fields(d);
        SetFocus(GetDlgItem(d, IDCANCEL));
        left = fields(d);
        return testsupport::Click(d, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ((std::vector<std::string>{ "0", "300", "1", "18900" }), typed);
    EXPECT_EQ(typed, left);
}

// "MBR - Erstellen": the total follows C x H x S when a geometry field is changed, not when
// the focus merely passes through one; so the disk's real size (a tail behind its last whole
// cylinder) or a typed total stays, and "Nicht runden" gives the rest partition every sector
// behind the start.
TEST(MbrCreateDialog, TheTotalFollowsTheGeometryOnlyWhenAGeometryFieldChanges)
{
    const unsigned cylinders = 100, heads = 16, perTrack = 63;
    const uint64_t real = cylinders * heads * perTrack + 100;
    enum { C = CMbrCreateDlg::IDC_CYLINDERS, H = CMbrCreateDlg::IDC_HEADS, S = CMbrCreateDlg::IDC_SECTORS,
           T = CMbrCreateDlg::IDC_TOTAL, START = CMbrCreateDlg::IDC_START };
    // Each step types its text into the field, or only moves the focus there (no text).
    struct Step { int id; const char* text; };
    const struct {
        std::vector<Step> steps;
        uint64_t total;
    } cases[] = {
        {{{C, nullptr}}, real},
        {{{C, nullptr}, {H, nullptr}, {S, nullptr}, {START, nullptr}}, real},
        {{{T, "90000"}, {H, nullptr}}, 90000},
        {{{C, nullptr}, {C, "50"}, {START, nullptr}}, uint64_t{50} * heads * perTrack},
    };
    for (const auto& c : cases) {
        CMbrCreateDlg dlg;
        dlg.m_geometry.Cylinders.QuadPart = cylinders;
        dlg.m_geometry.TracksPerCylinder = heads;
        dlg.m_geometry.SectorsPerTrack = perTrack;
        dlg.m_totalSectors = real;
        dlg.m_rounding = MBR_ROUND_NONE;
        std::string total, restCount;
        testsupport::ModalScript script;
        script.Add([&](HWND d) {
            for (const Step& step : c.steps)
                step.text ? (void)SetDlgItemTextA(d, step.id, step.text) : (void)SetFocus(GetDlgItem(d, step.id));
            total = testsupport::WindowText(GetDlgItem(d, T));
            // The end record of partition 1, the rest partition: its sector count.
            restCount = testsupport::WindowText(GetDlgItem(d, CMbrCreateDlg::IDC_FIRST_OUTPUT + 4 + 3));
            return testsupport::Click(d, IDCANCEL);
        });
        EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); })) << c.total;
        EXPECT_EQ(std::to_string(c.total), total) << c.steps.size();
        EXPECT_EQ(std::to_string(c.total - 63), restCount) << c.steps.size();
    }
}

// Sector -> C/H/S -> sector over random geometries, the texts going back as the dialog
// writes them.
TEST(ChsConversionTest, RoundTripOverRandomGeometries)
{
    std::mt19937 rng(4711);
    for (int i = 0; i < 2000; ++i) {
        const unsigned cylinders = 1 + rng() % 70000, heads = 1 + rng() % 255, perTrack = 1 + rng() % 63;
        const uint64_t capacity = uint64_t(cylinders) * heads * perTrack;
        const uint64_t number = (uint64_t(rng()) << 16 ^ rng()) % capacity;
        char geometry[3][16], numberText[24];
        std::snprintf(geometry[0], 16, "%u", cylinders);
        std::snprintf(geometry[1], 16, "%u", heads);
        std::snprintf(geometry[2], 16, "%u", perTrack);
        std::snprintf(numberText, 24, "%llu", static_cast<unsigned long long>(number));
        const ChsConversion forth = Convert(geometry[0], geometry[1], geometry[2], "", "", "", numberText, CHS_NUMBER);
        for (int f = 0; f < CHS_FIELD_COUNT; ++f)
            ASSERT_FALSE(forth.marked[f]) << number << " field " << f;
        const ChsConversion back = Convert(geometry[0], geometry[1], geometry[2], forth.text[CHS_C],
                                           forth.text[CHS_H], forth.text[CHS_S], "", CHS_S);
        ASSERT_EQ(back.value[CHS_NUMBER], static_cast<int64_t>(number)) << cylinders << "/" << heads << "/" << perTrack;
    }
}

// sfdisk wrote the C/H/S of the mbr fixture's two primary entries with the geometry it
// reports: converting their first and last sectors must give the same bytes.
TEST(ChsConversionTest, AgreesWithTheChsBytesSfdiskWrote)
{
    std::string report;
    FILE* image = std::fopen(scantest::FixturePath("mbr.img").c_str(), "rb");
    if (!image || !scantest::LoadText(scantest::FixturePath("mbr.img.sfdiskg.txt"), &report)) {
        if (image)
            std::fclose(image);
        GTEST_SKIP() << "mbr fixture or its sfdisk -g report missing";
    }
    uint8_t mbr[512] = {};
    ASSERT_EQ(std::fread(mbr, 1, 512, image), 512u);
    std::fclose(image);
    uint64_t heads = 0, perTrack = 0;
    ASSERT_TRUE(scantest::NumberBefore(report, "heads", &heads));
    ASSERT_TRUE(scantest::NumberBefore(report, "sectors/track", &perTrack));
    char h[16], s[16];
    std::snprintf(h, 16, "%u", static_cast<unsigned>(heads));
    std::snprintf(s, 16, "%u", static_cast<unsigned>(perTrack));
    for (int entry = 0; entry < 2; ++entry) {
        const uint8_t* e = mbr + MBR_TABLE_OFFSET + 16 * entry;
        uint32_t first, count;
        std::memcpy(&first, e + 8, 4);
        std::memcpy(&count, e + 12, 4);
        const uint64_t sectors[2] = {first, uint64_t(first) + count - 1};
        for (int end = 0; end < 2; ++end) {
            const uint8_t* chs = e + 1 + 4 * end;
            char number[24];
            std::snprintf(number, 24, "%llu", static_cast<unsigned long long>(sectors[end]));
            const ChsConversion r = Convert("1023", h, s, "", "", "", number, CHS_NUMBER);
            EXPECT_EQ(r.value[CHS_H], chs[0]) << "entry " << entry << " end " << end;
            EXPECT_EQ(r.value[CHS_S], chs[1] & 0x3F) << "entry " << entry << " end " << end;
            EXPECT_EQ(r.value[CHS_C], chs[2] | (chs[1] & 0xC0) << 2) << "entry " << entry << " end " << end;
        }
    }
}

MbrLayout Layout(const char* total, const char* s1, const char* s2, const char* s3, const char* s4,
                 int rounding = MBR_ROUND_CYLINDER, const char* start = "63", const char* heads = "255",
                 const char* perTrack = "63", const char* cylinders = "1023")
{
    MbrInput input = {};
    input.cylinders = cylinders;
    input.heads = heads;
    input.sectorsPerTrack = perTrack;
    input.total = total;
    input.start = start;
    const char* sizes[4] = {s1, s2, s3, s4};
    for (int i = 0; i < 4; ++i)
        input.sizes[i] = sizes[i];
    input.edited = MBR_EDIT_TOTAL;
    input.rounding = rounding;
    MbrLayout layout;
    ComputeMbrLayout(input, &layout);
    return layout;
}

TEST(MbrLayoutTest, EdgeCases)
{
    // The defaults: one partition from 63 to the end of the last full cylinder.
    MbrLayout l = Layout("20971520", "*", "0", "0", "0");
    EXPECT_EQ(l.first[0].sectors, 63u);
    EXPECT_EQ(63 + l.size[0], 20971520u / 16065 * 16065);
    // 50 % of the space behind the start, the rest partition the remainder.
    l = Layout("2000000", "50%", "*", "0", "0", MBR_ROUND_NONE);
    EXPECT_EQ(l.size[0], (2000000u - 63) / 2);
    EXPECT_EQ(l.size[1], 2000000u - 63 - l.size[0]);
    // A size of 0 is no partition, also where the start lies off the unit: the rest follows
    // the start directly.
    l = Layout("2000000", "0", "*", "0", "0");
    EXPECT_EQ(l.size[0], 0u);
    EXPECT_EQ(l.first[1].sectors, 63u);
    // Start 0 is shown as 1 and marked; "4kB" moves start 63 to 64 and marks it.
    l = Layout("100000", "*", "0", "0", "0", MBR_ROUND_NONE, "0");
    EXPECT_EQ(l.start, 1u);
    EXPECT_TRUE(l.marked[MBR_MARK_START]);
    l = Layout("100000", "1", "*", "0", "0", MBR_ROUND_4KB);
    EXPECT_EQ(l.start, 64u);
    EXPECT_EQ(l.size[0] % 64, 0u);
    EXPECT_TRUE(l.marked[MBR_MARK_START]);
    // Heads 256 and 64 sectors per track are marked, and the record cannot hold them.
    l = Layout("20000000", "*", "0", "0", "0", MBR_ROUND_CYLINDER, "63", "256", "64");
    EXPECT_TRUE(l.marked[MBR_MARK_HEADS] && l.marked[MBR_MARK_SECTORS]);
    EXPECT_EQ(l.recordBlocker, MBR_MARK_SECTORS) << "sector 64 spills into the cylinder bits; head 255 fits";
    l = Layout("20000000", "*", "0", "0", "0", MBR_ROUND_NONE, "63", "257");
    EXPECT_EQ(l.recordBlocker, MBR_MARK_HEADS) << "257 heads: head 256 does not fit a byte";
    // The 32-bit fields at their limits: a total of 2^32 - 1 sectors is one, 2^32 is marked; a
    // partition may begin at 2^32 - 64 + 64 - 1 but not at 2^32, and hold 2^32 - 1 sectors
    // but not 2^32 (sizes in KB, two sectors each, behind start 64).
    EXPECT_FALSE(Layout("4294967295", "*", "0", "0", "0", MBR_ROUND_NONE, "64").marked[MBR_MARK_TOTAL]);
    EXPECT_TRUE(Layout("4294967296", "*", "0", "0", "0", MBR_ROUND_NONE, "64").marked[MBR_MARK_TOTAL]);
    l = Layout("8589934592", "2147483616 KB", "1 KB", "0", "0", MBR_ROUND_NONE, "64");
    EXPECT_EQ(l.first[1].sectors, 4294967296u);
    EXPECT_EQ(l.recordBlocker, MBR_MARK_TOTAL);
    l = Layout("8589934592", "2147483648 KB", "0", "0", "0", MBR_ROUND_NONE, "64");
    EXPECT_EQ(l.size[0], 4294967296u);
    EXPECT_EQ(l.recordBlocker, MBR_MARK_SIZE1);
    l = Layout("8589934592", "2147483615 KB", "1 KB", "0", "0", MBR_ROUND_NONE, "64");
    EXPECT_EQ(l.first[1].sectors + l.size[1], 4294967296u);
    EXPECT_LT(l.recordBlocker, 0) << "the last partition ends on the last sector a 32-bit field reaches";
    // "%" with "GB" or "*" and "*" with "GB" are marked; several "*": the last one is the rest.
    l = Layout("2000000", "50% GB", "* GB", "*", "0");
    EXPECT_TRUE(l.marked[MBR_MARK_SIZE1] && l.marked[MBR_MARK_SIZE1 + 1]);
    EXPECT_EQ(l.restPartition, 2);
    // A partition that ends behind the disk, and every later given one, is marked.
    l = Layout("100000", "100", "10", "0", "5", MBR_ROUND_NONE);
    EXPECT_TRUE(l.marked[MBR_MARK_SIZE1] && l.marked[MBR_MARK_SIZE1 + 1] && l.marked[MBR_MARK_SIZE1 + 3]);
    EXPECT_FALSE(l.marked[MBR_MARK_SIZE1 + 2]);
    // Garbage, negative and huge texts, total 0: nothing divides by zero or wraps.
    l = Layout("0", "-5", "x", "99999999999999999 GB", "*", MBR_ROUND_4KB, "-3", "0", "0", "");
    EXPECT_TRUE(l.marked[MBR_MARK_TOTAL] && l.marked[MBR_MARK_SIZE1] && l.marked[MBR_MARK_SIZE1 + 2]);
    EXPECT_EQ(l.size[3], 0u);
}

// A size is a number with "MB", "KB", "GB", "%" or "*" behind it (or nothing, or "*" alone); a
// fraction counts with its whole part, as the evaluator reads it; a unit the dialog does not
// know, or words behind the number, are marked and block the record. Sector counts: 2048 per MB.
TEST(MbrLayoutTest, TextsThatAreNoNumberAreMarkedAndBlockTheRecord)
{
    struct Case {
        const char* size;
        long long sectors;      // -1: unreadable
    } cases[] = {
        {"1 GB", 2048 * 1024}, {"1gb", 2048 * 1024}, {"500 MB", 500 * 2048}, {"512 KB", 1024},
        {" 20 ", 20 * 2048},   {"3*4", 12 * 2048},   {"", 0},
        {"1.5 GB", 2048 * 1024}, {"2,5", 2 * 2048}, {"3.25 kb", 3 * 1024 / 512},
        {"1.", -1},            {".5 GB", -1},        {"1.5x", -1},          {"1.2.3", -1},
        {"2 TB", -1},          {"abc", -1},          {"12 x", -1},
        {"GB", -1},            {"50% GB", -1},       {"* GB", -1},          {"(3", -1},
    };
    uint8_t record[MBR_RECORD_SIZE];
    const int types[4] = {0, 0, 0, 0};
    for (const Case& c : cases) {
        const MbrLayout l = Layout("40000000", "1", c.size, "0", "0", MBR_ROUND_NONE);
        if (c.sectors < 0) {
            EXPECT_TRUE(l.marked[MBR_MARK_SIZE1 + 1]) << c.size;
            EXPECT_EQ(l.recordBlocker, MBR_MARK_SIZE1 + 1) << c.size;
            EXPECT_FALSE(BuildMbrRecord(l, 1, types, record)) << c.size;
        } else {
            EXPECT_FALSE(l.marked[MBR_MARK_SIZE1 + 1]) << c.size;
            EXPECT_EQ(l.size[1], static_cast<uint64_t>(c.sectors)) << c.size;
            EXPECT_EQ(l.recordBlocker, -1) << c.size;
        }
    }
    // The geometry and the start likewise: the first unreadable field is the one to correct.
    MbrLayout l = Layout("40000000", "*", "0", "0", "0", MBR_ROUND_NONE, "1.5", "abc");
    EXPECT_TRUE(l.marked[MBR_MARK_HEADS] && l.marked[MBR_MARK_START]);
    EXPECT_EQ(l.recordBlocker, MBR_MARK_HEADS);
    l = Layout("40000000", "*", "0", "0", "0", MBR_ROUND_NONE, "63 x");
    EXPECT_EQ(l.recordBlocker, MBR_MARK_START);
}

// A disk over 2 TiB: the rest partition's count does not fit its 32-bit field, so OK is
// refused with the focus on its size field; a start beyond 32 bits points to the total.
TEST(MbrLayoutTest, RecordRefusesWhatItsFieldsCannotHold)
{
    uint8_t record[MBR_RECORD_SIZE];
    const int types[4] = {0, 0, 0, 0};
    MbrLayout l = Layout("6000000000", "*", "0", "0", "0");
    EXPECT_EQ(l.size[0], 6000000000u / 16065 * 16065 - 63) << "kept 64-bit until OK";
    EXPECT_EQ(l.recordBlocker, MBR_MARK_SIZE1);
    EXPECT_FALSE(BuildMbrRecord(l, 1, types, record));
    l = Layout("6000000000", "2000 GB", "100 GB", "10", "0");
    EXPECT_EQ(l.recordBlocker, MBR_MARK_TOTAL);
    l = Layout("6000000000", "1900 GB", "0", "0", "0");
    EXPECT_EQ(l.recordBlocker, -1);
    EXPECT_TRUE(BuildMbrRecord(l, 1, types, record));
}

// Over random inputs: the partitions lie end to end from the start, inside the disk unless
// marked, and with a rounding unit every one ends on a unit boundary counted from sector 0.
TEST(MbrLayoutTest, PartitionsLieEndToEndOnTheUnit)
{
    std::mt19937 rng(1234);
    const char* forms[] = {"%u", "%u GB", "%u KB", "%u%%", "*", "0"};
    for (int round = 0; round < 3000; ++round) {
        char total[24], start[16], heads[8], perTrack[8], sizes[4][24];
        const unsigned totalSectors = 1000 + rng() % 400000000;
        std::snprintf(total, 24, "%u", totalSectors);
        std::snprintf(start, 16, "%u", rng() % 5000);
        std::snprintf(heads, 8, "%u", 1 + rng() % 255);
        std::snprintf(perTrack, 8, "%u", 1 + rng() % 63);
        for (auto& size : sizes)
            std::snprintf(size, 24, forms[rng() % 6], rng() % (rng() % 2 ? 50 : 5000));
        const int rounding = static_cast<int>(rng() % 4);
        const MbrLayout l = Layout(total, sizes[0], sizes[1], sizes[2], sizes[3], rounding, start, heads, perTrack);
        const uint64_t unit = rounding == MBR_ROUND_CYLINDER ? l.heads * l.sectorsPerTrack
                              : rounding == MBR_ROUND_HEAD   ? l.sectorsPerTrack
                              : rounding == MBR_ROUND_4KB    ? 64
                                                             : 0;
        uint64_t next = l.start;
        bool outside = false;
        for (int i = 0; i < 4; ++i) {
            if (l.size[i] == 0)
                continue;
            ASSERT_EQ(l.first[i].sectors, next) << round;
            ASSERT_EQ(l.last[i].sectors, l.size[i]);
            next += l.size[i];
            outside = outside || next > totalSectors;
            // Partition 1 anchors the boundaries at the start sector's side.
            if (unit && l.size[0] != 0) {
                ASSERT_EQ(next % unit, 0u) << round << " partition " << i;
            }
            if (outside) {
                ASSERT_TRUE(l.marked[MBR_MARK_SIZE1 + i]) << round << " partition " << i;
            }
        }
        if (l.restPartition >= 0 && !outside) {
            ASSERT_LE(next, totalSectors);
        }
    }
}

TEST(MbrLayoutTest, BootCodeTemplateLayout)
{
    const uint8_t* code = MbrBootCode();
    const struct {
        int offset;
        const char* text;
    } messages[] = {
        {263, "Invalid partition table\n\r"}, {289, "Error loading operating system\n\r"},
        {322, "Missing operating system\n\r"}, {349, "Error loading extension\n\r"},
        {375, "Start QN-BootLoader\n\r"}, {397, "Start QN-Extension\n\r"},
    };
    for (const auto& m : messages)
        EXPECT_STREQ(reinterpret_cast<const char*>(code + m.offset), m.text);
    EXPECT_EQ(code[247], 16);   // the disk address packet: 16 bytes, one sector to 0:7C00
    EXPECT_EQ(code[249] | code[250] << 8, 1);
    EXPECT_EQ(code[251] | code[252] << 8 | code[253] << 16 | code[254] << 24, 0x7C00);
    for (int i = 440; i < 510; ++i)
        ASSERT_EQ(code[i], 0) << i;
    EXPECT_EQ(code[510], 0x55);
    EXPECT_EQ(code[511], 0xAA);
}

// The load of the active partition's sector tries up to five times; a BIOS leaves in the disk
// address packet's count the sectors a failed extended read moved (0), so every try must set
// the count to 1 again before "int 13h, AH=42h". Read from the code's own bytes: the retry
// loop's start from its "dec bp; jnz" branch, then the store between there and the read.
TEST(MbrLayoutTest, BootCodeSetsTheSectorCountBeforeEveryExtendedRead)
{
    const uint8_t* code = MbrBootCode();
    const int kCodeEnd = 247;                       // the packet follows the code
    const int kOrigin = 0x0600;                     // where the code runs after its move
    const int countAddress = kOrigin + kCodeEnd + 2;
    auto at = [&](int from, int to, std::initializer_list<int> bytes) {
        for (int i = from; i + static_cast<int>(bytes.size()) <= to; ++i) {
            int k = 0;
            for (int b : bytes) {
                if (code[i + k] != b)
                    break;
                ++k;
            }
            if (k == static_cast<int>(bytes.size()))
                return i;
        }
        return -1;
    };
    const int read = at(0, kCodeEnd, {0xB4, 0x42});                 // mov ah, 42h
    ASSERT_GE(read, 0);
    // The last "dec bp; jnz rel8" is the retry of this load (the first is the extension's).
    int loopStart = -1, branch = -1;
    for (int i = read; i + 3 <= kCodeEnd; ++i)
        if (code[i] == 0x4D && code[i + 1] == 0x75) {
            branch = i;
            loopStart = i + 3 + static_cast<int8_t>(code[i + 2]);
        }
    ASSERT_GE(branch, 0) << "no retry branch behind the read";
    ASSERT_GE(loopStart, 0);
    ASSERT_LT(loopStart, read) << "the retry does not go back before the read";
    // "mov word [countAddress], 1", or SI on the packet and "mov word [si + 2], 1".
    const int absolute = at(loopStart, read, {0xC7, 0x06, countAddress & 0xFF, countAddress >> 8, 0x01, 0x00});
    const int packet = kOrigin + kCodeEnd;
    const int si = at(loopStart, read, {0xBE, packet & 0xFF, packet >> 8});
    const int throughSi = si >= 0 ? at(si, read, {0xC7, 0x44, 0x02, 0x01, 0x00}) : -1;
    EXPECT_TRUE(absolute >= 0 || throughSi >= 0) << "the count is not set again inside the retry loop";
}

// Records for the host step: OK's record of each layout as sector 0 of a sparse image of the
// layout's size, and beside it what sfdisk and fdisk must read from it.
TEST(MbrLayoutTest, WritesRecordsForTheToolCheck)
{
    if (testsupport::BinaryDir().empty())
        GTEST_SKIP() << "no build tree";
    const std::string dir = testsupport::BinaryDir() + "\\mbr-check";
    CreateDirectoryA(dir.c_str(), nullptr);
    struct Image {
        const char* name;
        const char* total;
        const char* sizes[4];
        int rounding;
        int boot;
        int types[4];
    } images[] = {
        {"defaults", "131072", {"*", "0", "0", "0"}, MBR_ROUND_CYLINDER, 1, {1, 0, 0, 0}},
        {"beyond1024", "20971520", {"2 GB", "50%", "*", "0"}, MBR_ROUND_CYLINDER, 2, {2, 3, 5, 0}},
        {"four", "204800", {"10", "512 KB", "*", "20%"}, MBR_ROUND_4KB, 3, {0, 4, 2, 5}},
    };
    std::string expected;
    for (const Image& im : images) {
        const MbrLayout l = Layout(im.total, im.sizes[0], im.sizes[1], im.sizes[2], im.sizes[3], im.rounding);
        uint8_t record[MBR_RECORD_SIZE];
        ASSERT_TRUE(BuildMbrRecord(l, im.boot, im.types, record)) << im.name;
        const std::string path = dir + "\\" + im.name + ".img";
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
        DWORD written = 0;
        EXPECT_TRUE(WriteFile(file, record, sizeof record, &written, nullptr) && written == sizeof record);
        LARGE_INTEGER size;
        size.QuadPart = static_cast<LONGLONG>(l.total) * 512;
        EXPECT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN) && SetEndOfFile(file));
        CloseHandle(file);
        // name partition start sectors type boot startC/H/S endC/H/S (C 1024 and up: the
        // marker bytes, which fdisk shows as 1023/254/63)
        for (int i = 0; i < 4; ++i) {
            if (l.size[i] == 0)
                continue;
            char line[200];
            const MbrChs& a = l.first[i];
            const MbrChs& b = l.last[i];
            std::snprintf(line, sizeof line, "%s %d %llu %llu %x %d %llu/%llu/%llu %llu/%llu/%llu\n", im.name, i + 1,
                          static_cast<unsigned long long>(a.sectors), static_cast<unsigned long long>(b.sectors),
                          MbrTypeCode(im.types[i]), im.boot == i + 1,
                          static_cast<unsigned long long>(a.cylinder < 1024 ? a.cylinder : 1023),
                          static_cast<unsigned long long>(a.cylinder < 1024 ? a.head : 0),
                          static_cast<unsigned long long>(a.cylinder < 1024 ? a.sector : 1),
                          static_cast<unsigned long long>(b.cylinder < 1024 ? b.cylinder : 1023),
                          static_cast<unsigned long long>(b.cylinder < 1024 ? b.head : 254),
                          static_cast<unsigned long long>(b.cylinder < 1024 ? b.sector : 63));
            expected += line;
        }
    }
    FILE* out = std::fopen((dir + "\\expected.txt").c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fputs(expected.c_str(), out);
    std::fclose(out);
}

}  // namespace
