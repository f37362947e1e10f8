// The master file table record printer on records of the fixture NTFS images, compared with
// what `ntfsinfo -v` reports about the same records (tests/disk/make-images.sh saves the
// reports of $MFT, $MFTMirr, a file in three runs and $BadClus with its named stream).
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include "PrinterTestSupport.h"
#include "textlib/StrPrintf.h"

using namespace printertest;

namespace {

const int kMft = 15;
const int kMftMirror = 16;

// What ntfsinfo tells about one attribute of a record.
struct ToolAttribute {
    uint32_t type = 0;
    uint32_t length = 0;
    bool resident = false;
    uint64_t dataSize = 0;     // resident: the value's length; non-resident: the data size
    uint32_t dataOffset = 0;   // resident: the value's offset in the attribute
    std::string name;
    std::vector<std::pair<std::string, uint64_t>> runs;   // LCN text ("0x4" or "<HOLE>"), length
    std::string block;                                   // the attribute's lines
};

struct ToolRecord {
    uint32_t firstAttribute = 0;
    std::vector<ToolAttribute> attributes;
};

bool ParseRecord(const std::string& report, ToolRecord* rec)
{
    size_t inode = report.find("Dumping Inode");
    if (inode == std::string::npos)
        return false;
    uint64_t v = 0;
    if (!NumberAfter(report, "Attribute Offset:", &v, inode))
        return false;
    rec->firstAttribute = static_cast<uint32_t>(v);
    const std::string head = "Dumping attribute ";
    size_t at = report.find(head, inode);
    while (at != std::string::npos) {
        size_t next = report.find(head, at + head.size());
        size_t end = report.find("End of inode reached", at);
        if (next == std::string::npos || (end != std::string::npos && end < next))
            next = end;
        ToolAttribute a;
        a.block = report.substr(at, next == std::string::npos ? std::string::npos : next - at);
        NumberAfter(a.block, "(", &v);
        a.type = static_cast<uint32_t>(v);
        NumberAfter(a.block, "Attribute length:", &v);
        a.length = static_cast<uint32_t>(v);
        std::string text;
        a.resident = TextAfter(a.block, "Resident:", &text) && text.compare(0, 3, "Yes") == 0;
        NumberAfter(a.block, "Data size:", &a.dataSize);
        if (a.resident) {
            NumberAfter(a.block, "Data offset:", &v);
            a.dataOffset = static_cast<uint32_t>(v);
        }
        if (TextAfter(a.block, "Attribute name:", &text) && text.size() >= 2)
            a.name = text.substr(1, text.size() - 2);
        size_t runs = a.block.find("Runlist:");
        if (runs != std::string::npos) {
            size_t line = a.block.find('\n', runs);
            while (line != std::string::npos && line + 1 < a.block.size()) {
                size_t lineEnd = a.block.find('\n', line + 1);
                std::string row = a.block.substr(line + 1, lineEnd == std::string::npos ? std::string::npos : lineEnd - line - 1);
                char vcn[32], lcn[32], len[32];
                if (sscanf(row.c_str(), "%31s %31s %31s", vcn, lcn, len) != 3 || strncmp(vcn, "0x", 2) != 0)
                    break;
                a.runs.push_back(std::make_pair(std::string(lcn), strtoull(len, nullptr, 16)));
                line = lineEnd;
            }
        }
        rec->attributes.push_back(a);
        if (next == end)
            break;
        at = next;
    }
    return !rec->attributes.empty();
}

// "Mon Dec  7 00:10:42 2026 UTC" as the start of the printer's time text ("07.Dec.2026  00:10:42").
std::string PrinterTimeOf(const std::string& text)
{
    static const char* const months[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char wday[8], mon[8];
    int day = 0, h = 0, m = 0, s = 0, year = 0;
    if (sscanf(text.c_str(), "%7s %7s %d %d:%d:%d %d", wday, mon, &day, &h, &m, &s, &year) != 7)
        return "<bad time " + text + ">";
    int month = 0;
    for (int i = 0; i < 12; ++i) {
        if (strcmp(mon, months[i]) == 0)
            month = i + 1;
    }
    char out[40];
    StrPrintf(out, "%02d.%s.%04d  %02d:%02d:%02d.", day, MonthNameTable[month], year, h, m, s);
    return out;
}

// The record's first sector: the master file table starts at its LCN (from `ntfsinfo -m`)
// and holds 1024-byte records.
bool RecordSector(const std::string& report, uint32_t record, uint64_t* sector)
{
    uint64_t lcn = 0, clusterSize = 0;
    if (!NumberAfter(report, "LCN of Data Attribute for FILE_MFT:", &lcn) ||
        !NumberAfter(report, "Cluster Size:", &clusterSize))
        return false;
    *sector = (lcn * clusterSize + record * 1024ull) / 512;
    return true;
}

// "  Name" padded to the 20 columns before " : " of an attribute line.
std::string Label20(const std::string& name)
{
    return "  " + name + std::string(18 - name.size(), ' ');
}

// The first line at or after `from` that is exactly the text.
int FindExactLine(const TestPrinter& p, const std::string& text, int from)
{
    for (int i = from; i < p.LineCount(); ++i) {
        if (p.Line(i) == text)
            return i;
    }
    return -1;
}

std::string Hex4(uint64_t v)
{
    char text[24];
    StrPrintf(text, "%04I64X", v);
    return text;
}

// Runs the printer on the first sector of a record and checks every attribute line and the
// sections against the tool's report of that record.
void ExpectRecordAsReported(const std::string& image, const std::string& report, uint64_t sector,
                            int infoType, TestPrinter* out = nullptr)
{
    ToolRecord rec;
    ASSERT_TRUE(ParseRecord(report, &rec));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(LoadBytes(image, sector * 512, 512, &bytes));
    TestPrinter local;
    TestPrinter& p = out ? *out : local;
    ASSERT_TRUE(p.OpenImage(image));
    p.currentSector = sector;
    p.Run(infoType, bytes);
    SCOPED_TRACE(p.Text());
    EXPECT_EQ(p.Line(1), " MASTER FILE TABLE ENTRY");

    uint32_t off = rec.firstAttribute;
    const ToolAttribute* data = nullptr;
    const ToolAttribute* fileName = nullptr;
    const ToolAttribute* standard = nullptr;
    for (size_t i = 0; i < rec.attributes.size(); ++i) {
        const ToolAttribute& a = rec.attributes[i];
        const std::string line = p.Line(3 + static_cast<int>(i));
        char expect[120];
        StrPrintf(expect, " : Typ=%02Xh Len=%04Xh Off=%04Xh ", a.type & 0xFF, a.length, off);
        EXPECT_EQ(line.substr(20, strlen(expect)), expect) << a.block;
        if (a.resident) {
            EXPECT_NE(line.find("DataSize=" + Hex4(a.dataSize) + "h DataOff=" + Hex4(off + a.dataOffset) + "h"),
                      std::string::npos)
                << a.block;
        } else {
            // A non-resident attribute's size is its data size, as the tool reports it.
            EXPECT_NE(line.find("DataSize=" + Hex4(a.dataSize) + "h DataOff="), std::string::npos) << a.block;
        }
        // A size of more than four digits moves the rest of the line.
        const size_t over = Hex4(a.dataSize).size() - 4;
        if (!a.name.empty())
            EXPECT_EQ(line.substr(line.size() - a.name.size() - 3), " \"" + a.name + "\"");
        else
            EXPECT_EQ(line.size(), 91u + over) << line;
        // The "Off" value leads to the record header's first-attribute offset.
        const MarkRange* mark = p.MarkAt(3 + static_cast<int>(i), 46);
        if (sector % 2 == 0) {
            ASSERT_NE(mark, nullptr);
            EXPECT_EQ(mark->byteOffset, 20);
        }
        if (a.type == 0x80)
            data = &a;
        if (a.type == 0x30)
            fileName = &a;
        if (a.type == 0x10)
            standard = &a;
        off += a.length;
    }
    EXPECT_EQ(p.Line(3 + static_cast<int>(rec.attributes.size())), "");

    std::string text;
    static const char* const toolTimes[4] = {"File Creation Time:", "File Altered Time:", "MFT Changed Time:",
                                             "Last Accessed Time:"};
    static const char* const labels[4] = {"  Access Time        : ", "  Motify Time        : ",
                                          "  Mft Motify Time    : ", "  Access Time        : "};
    if (standard) {
        const int title = FindExactLine(p, " Standard Info", 3);
        ASSERT_GT(title, 0);
        for (int i = 0; i < 4; ++i) {
            ASSERT_TRUE(TextAfter(standard->block, toolTimes[i], &text));
            const std::string expect = labels[i] + PrinterTimeOf(text);
            EXPECT_EQ(p.Line(title + 2 + i).substr(0, expect.size()), expect);
        }
    }
    if (fileName) {
        const int title = FindExactLine(p, " Filename", 3);
        ASSERT_GT(title, 0);
        ASSERT_TRUE(TextAfter(fileName->block, "Filename:", &text));
        EXPECT_EQ(p.Line(title + 2), "  Name               : \"" + text.substr(1, text.size() - 2) + "\"");
        for (int i = 0; i < 4; ++i) {
            ASSERT_TRUE(TextAfter(fileName->block, toolTimes[i], &text));
            const std::string expect = labels[i] + PrinterTimeOf(text);
            EXPECT_EQ(p.Line(title + 3 + i).substr(0, expect.size()), expect);
        }
        uint64_t v = 0;
        ASSERT_TRUE(NumberAfter(fileName->block, "Allocated Size:", &v));
        EXPECT_EQ(p.Line(title + 7), "  Alloc Size         : " + std::to_string(v));
        ASSERT_TRUE(NumberAfter(fileName->block, "Data Size:", &v));
        EXPECT_EQ(p.Line(title + 8), "  Data Size          : " + std::to_string(v));
        ASSERT_TRUE(TextAfter(fileName->block, "File attributes:", &text));
        size_t open = text.find("(0x");
        ASSERT_NE(open, std::string::npos);
        const uint32_t flags = static_cast<uint32_t>(strtoul(text.c_str() + open + 3, nullptr, 16));
        char expect[200];
        StrPrintf(expect, "  Flags              : %08Xh  %s", flags, FormatAttributeFlags(flags));
        EXPECT_EQ(p.Line(title + 9), expect);
    }
    // The clusters of the last data attribute, as absolute numbers.
    const int dataTitle = FindExactLine(p, " Data", 3);
    if (data && !data->resident && !data->runs.empty()) {
        ASSERT_GT(dataTitle, 0);
        std::string expect = "  Cluster Kette      :";
        for (const auto& run : data->runs) {
            char part[64];
            if (run.first == "<HOLE>") {
                StrPrintf(part, " Lücke(%I64u) ,", run.second);
            } else {
                const uint64_t lcn = strtoull(run.first.c_str(), nullptr, 16);
                StrPrintf(part, " %I64u-%I64u ,", lcn, lcn + run.second - 1);
            }
            expect += part;
        }
        expect.erase(expect.size() - 1);
        EXPECT_EQ(p.Line(dataTitle + 2), expect);
        EXPECT_EQ(dataTitle + 3, p.LineCount());
    } else {
        EXPECT_EQ(dataTitle, -1);
    }
}

TEST(MftRecord, MftRecordEqualsNtfsinfo)
{
    const std::string image = FixturePath("ntfs.img");
    NEED_FIXTURE(image);
    std::string report;
    NEED_REPORT(image + ".ntfsinfo.txt", report);
    uint64_t sector = 0;
    ASSERT_TRUE(RecordSector(report, 0, &sector));
    ExpectRecordAsReported(image, report, sector, kMft);
}

TEST(MftRecord, MirrorRecordEqualsNtfsinfo)
{
    const std::string image = FixturePath("ntfs.img");
    NEED_FIXTURE(image);
    std::string report, mftReport;
    NEED_REPORT(image + ".ntfsmirr.txt", report);
    NEED_REPORT(image + ".ntfsinfo.txt", mftReport);
    uint64_t sector = 0;
    ASSERT_TRUE(RecordSector(mftReport, 1, &sector));
    ExpectRecordAsReported(image, report, sector, kMftMirror);
}

// The record of the file each report dumps: a file in three runs (absolute clusters), $MFT of
// a volume with 64 KiB clusters, and a file whose third named stream has its header across
// the end of the record's first 512-byte stride, where NTFS keeps the update sequence number
// (read as stored, that header ends the walk; read as NTFS wrote it, it is the stream "c").
TEST(MftRecord, DumpedRecordsEqualNtfsinfo)
{
    const struct {
        const char* image;
        size_t dataRuns;          // at least
        const char* wantedText;   // shown for the record
    } cases[] = {
        {"ntfsfrag.img", 3, "  Cluster Kette      : "},
        {"ntfs64k.img", 1, "  Cluster Kette      : "},
        {"ntfsads.img", 0, " \"c\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.image);
        const std::string image = FixturePath(c.image);
        NEED_FIXTURE(image);
        std::string report;
        NEED_REPORT(image + ".ntfsinfo.txt", report);
        uint64_t inode = 0, sector = 0;
        ASSERT_TRUE(NumberAfter(report, "Dumping Inode", &inode));
        ASSERT_TRUE(RecordSector(report, static_cast<uint32_t>(inode), &sector));
        for (uint64_t half : {0u, 1u}) {
            TestPrinter p;
            ExpectRecordAsReported(image, report, sector + half, kMft, &p);
            EXPECT_GE(p.FindLine(c.wantedText), 3) << p.Text();
        }
        ToolRecord rec;
        ASSERT_TRUE(ParseRecord(report, &rec));
        size_t runs = 0;
        for (const ToolAttribute& a : rec.attributes)
            runs += a.type == 0x80 ? a.runs.size() : 0;
        EXPECT_GE(runs, c.dataRuns) << "the fixture file is meant to have these runs";
    }
}

TEST(MftRecord, NamedStreamAndSparseRun)
{
    const std::string image = FixturePath("ntfsfrag.img");
    NEED_FIXTURE(image);
    std::string report, mftReport;
    NEED_REPORT(image + ".badclus.txt", report);
    NEED_REPORT(image + ".ntfsinfo.txt", mftReport);
    uint64_t sector = 0;
    ASSERT_TRUE(RecordSector(mftReport, 8, &sector));
    TestPrinter p;
    ExpectRecordAsReported(image, report, sector, kMft, &p);
    EXPECT_GE(p.FindLine("\"$Bad\""), 3);
    EXPECT_GE(p.FindLine("Lücke("), 3);
}

TEST(MftRecord, SecondSectorShowsTheSameLinesWithoutMarksIntoTheFirst)
{
    const std::string image = FixturePath("ntfs.img");
    NEED_FIXTURE(image);
    std::string report;
    NEED_REPORT(image + ".ntfsinfo.txt", report);
    uint64_t sector = 0;
    ASSERT_TRUE(RecordSector(report, 0, &sector));
    std::vector<uint8_t> first, second;
    ASSERT_TRUE(LoadBytes(image, sector * 512, 512, &first));
    ASSERT_TRUE(LoadBytes(image, (sector + 1) * 512, 512, &second));
    TestPrinter a, b;
    ASSERT_TRUE(a.OpenImage(image));
    ASSERT_TRUE(b.OpenImage(image));
    a.currentSector = sector;
    a.Run(kMft, first);
    b.currentSector = sector + 1;
    b.Run(kMft, second);
    EXPECT_EQ(a.Text(), b.Text());
    EXPECT_GT(a.pane.GetMarkCount(), 10);
    // Every attribute header of $MFT's record lies in its first half.
    for (int i = 0; i < b.pane.GetMarkCount(); ++i)
        EXPECT_LT(b.pane.GetMark(i)->byteOffset, 512);
    EXPECT_EQ(b.MarkAt(3, 46), nullptr);
}

// A record served from memory, for damaged and made-up records.
class MemoryRecordPrinter : public TestPrinter {
public:
    uint8_t record[1024] = {};
    bool fail = false;

protected:
    uint32_t DocGetMftRecord(uint8_t* out, uint8_t** place) const override
    {
        if (fail)
            return 0;
        memcpy(out, record, sizeof(record));
        if (place)
            *place = out;
        return 1024;
    }
};


TEST(MftRecord, ResidentDataIsNotReadAsRuns)
{
    MemoryRecordPrinter p;
    uint8_t* r = p.record;
    PutU16(r + 20, 56);
    uint8_t* a = r + 56;
    PutU32(a, 0x80);
    PutU32(a + 4, 48);
    a[8] = 0;             // resident
    PutU16(a + 16, 16);   // value length
    PutU16(a + 20, 24);   // value offset
    PutU16(a + 32, 24);   // where a run list would start: the file's bytes
    const uint8_t looksLikeRuns[] = {0x11, 0x05, 0x40, 0x21, 0x03, 0x10, 0x00, 0x00};
    memcpy(a + 24, looksLikeRuns, sizeof(looksLikeRuns));
    PutU32(a + 48, 0xFFFFFFFF);
    std::vector<uint8_t> sector(512, 0);
    p.Run(kMft, sector);
    EXPECT_EQ(p.Line(3).substr(0, 20), Label20("Data"));
    EXPECT_EQ(p.FindLine("Cluster Kette"), -1) << p.Text();

    // The same bytes as a non-resident attribute are runs: 5 clusters at 64, 3 at 64 + 16.
    a[8] = 1;
    PutU32(a + 4, 72);
    PutU32(a + 24, 7);   // last VCN
    PutU32(a + 28, 0);
    PutU16(a + 32, 64);
    memset(a + 16, 0, 8);
    memcpy(a + 64, looksLikeRuns, sizeof(looksLikeRuns));
    PutU32(a + 72, 0xFFFFFFFF);
    p.Run(kMft, sector);
    const int line = p.FindLine("Cluster Kette");
    ASSERT_GT(line, 0) << p.Text();
    EXPECT_EQ(p.Line(line), "  Cluster Kette      : 64-68 , 80-82 ");
}

TEST(MftRecord, BackwardRunIsSignExtended)
{
    MemoryRecordPrinter p;
    uint8_t* r = p.record;
    PutU16(r + 20, 56);
    uint8_t* a = r + 56;
    PutU32(a, 0x80);
    PutU32(a + 4, 80);
    a[8] = 1;
    PutU32(a + 24, 20);   // clusters 0 to 20: more than the runs hold
    PutU16(a + 32, 64);
    // 4 clusters at 1000, then 2 clusters 100 before: 900. The 0 header ends the list; the
    // run behind it is not one.
    const uint8_t runs[] = {0x21, 0x04, 0xE8, 0x03, 0x21, 0x02, 0x9C, 0xFF, 0x00, 0x11, 0x05, 0x10};
    memcpy(a + 64, runs, sizeof(runs));
    PutU32(a + 80, 0xFFFFFFFF);
    std::vector<uint8_t> sector(512, 0);
    p.Run(kMft, sector);
    const int line = p.FindLine("Cluster Kette");
    ASSERT_GT(line, 0) << p.Text();
    EXPECT_EQ(p.Line(line), "  Cluster Kette      : 1000-1003 , 900-901 ");
}

TEST(MftRecord, OffsetsFromTheRecordStayInsideIt)
{
    MemoryRecordPrinter p;
    uint8_t* r = p.record;
    std::vector<uint8_t> sector(512, 0);

    // A first attribute beyond 1000 lists nothing.
    PutU16(r + 20, 1001);
    p.Run(kMft, sector);
    EXPECT_EQ(p.LineCount(), 3) << p.Text();

    // An attribute that would reach the record's end stops the list before it.
    PutU16(r + 20, 56);
    PutU32(r + 56, 0x10);
    PutU32(r + 60, 1024 - 56);
    p.Run(kMft, sector);
    EXPECT_EQ(p.LineCount(), 3) << p.Text();

    // Name, value and run list offsets that point outside the record: the lines are shown,
    // nothing else is taken from there. A value outside its attribute but inside the record
    // is read where it points.
    PutU32(r + 60, 200);
    r[56 + 9] = 200;               // name of 200 characters ...
    PutU16(r + 56 + 10, 0xFFF0);   // ... far outside
    PutU16(r + 56 + 20, 0xFFF0);   // the standard information value too
    PutU32(r + 256, 0x30);
    PutU32(r + 260, 100);
    PutU16(r + 256 + 20, 60);      // the file name value runs past its attribute (60 + 66 > 100)
    PutU32(r + 356, 0x80);
    PutU32(r + 360, 80);
    r[356 + 8] = 1;
    PutU32(r + 356 + 24, 100);
    PutU16(r + 356 + 32, 0xFFFF);  // run list outside
    PutU32(r + 436, 0xFFFFFFFF);
    p.Run(kMft, sector);
    SCOPED_TRACE(p.Text());
    EXPECT_EQ(p.Line(3).substr(0, 20), Label20("Standard Info"));
    EXPECT_EQ(p.Line(3).substr(p.Line(3).size() - 3), " \"\"");
    EXPECT_EQ(p.Line(4).substr(0, 20), Label20("Filename"));
    EXPECT_EQ(p.Line(5).substr(0, 20), Label20("Data"));
    EXPECT_EQ(p.FindLine("Cluster Kette"), -1);
    // No standard information section: only the file name's, behind the three attribute lines.
    ASSERT_EQ(p.Line(7), " Filename");
    EXPECT_EQ(p.Line(9), "  Name               : \"\"");
    EXPECT_EQ(p.LineCount(), 6 + 3 + 1 + 4 + 2 + 1);

    // A failed record read shows the title alone; no document, nothing.
    p.fail = true;
    p.Run(kMft, sector);
    EXPECT_EQ(p.LineCount(), 3);
    p.hasDocument = false;
    p.Run(kMft, sector);
    EXPECT_EQ(p.LineCount(), 0);
}

TEST(MftRecord, UnknownTypesAndShortLaterAttribute)
{
    MemoryRecordPrinter p;
    uint8_t* r = p.record;
    PutU16(r + 20, 56);
    PutU32(r + 56, 0x100);
    PutU32(r + 60, 24);
    PutU32(r + 80, 0xD0);
    PutU32(r + 84, 16);   // too short: listed, then the list ends
    PutU32(r + 96, 0x10);
    PutU32(r + 100, 96);
    std::vector<uint8_t> sector(512, 0);
    p.Run(kMft, sector);
    EXPECT_EQ(p.LineCount(), 5) << p.Text();
    EXPECT_EQ(p.Line(3).substr(0, 30), Label20("???") + " : Typ=00h");
    EXPECT_EQ(p.Line(4).substr(0, 30), Label20("???") + " : Typ=D0h");
}

void PutName(uint8_t* p, const char* name)
{
    for (size_t i = 0; name[i]; ++i)
        PutU16(p + 2 * i, static_cast<uint8_t>(name[i]));
}

// A resident attribute header: type, length, value length and offset.
uint8_t* PutResident(uint8_t* r, uint32_t at, uint32_t type, uint32_t length, uint32_t valueLength)
{
    uint8_t* a = r + at;
    PutU32(a, type);
    PutU32(a + 4, length);
    PutU16(a + 16, valueLength);
    PutU16(a + 20, 24);
    return a + 24;
}

TEST(MftRecord, SectionsOfAMadeUpRecord)
{
    MemoryRecordPrinter p;
    uint8_t* r = p.record;
    PutU16(r + 20, 56);
    // 2023-09-30 12:34:56.789 as a FILETIME: (that moment - 1601-01-01) in 100 ns steps.
    const uint64_t when = 133405508967890000ull;
    uint8_t* si = PutResident(r, 56, 0x10, 96, 72);
    for (int i = 0; i < 4; ++i)
        PutU64(si + 8 * i, when);
    // Two file names, the short one first: the section shows the second.
    uint8_t* shortName = PutResident(r, 152, 0x30, 104, 80);
    shortName[64] = 7;
    PutName(shortName + 66, "SHORT~1");
    uint8_t* longName = PutResident(r, 256, 0x30, 112, 82);
    longName[64] = 8;
    PutName(longName + 66, "LongName");
    PutU32(longName + 40, 4096);
    PutU32(longName + 48, 1234);
    PutU32(longName + 56, 0x21);
    // A named, non-resident data stream: 16 clusters at 100, then 4 at 100 + 20.
    uint8_t* a = r + 368;
    PutU32(a, 0x80);
    PutU32(a + 4, 88);
    a[8] = 1;
    a[9] = 3;
    PutU16(a + 10, 64);
    PutName(a + 64, "ads");
    PutU32(a + 24, 19);
    PutU16(a + 32, 72);
    const uint8_t runs[] = {0x11, 0x10, 0x64, 0x11, 0x04, 0x14, 0x00};
    memcpy(a + 72, runs, sizeof(runs));
    PutU32(r + 456, 0xFFFFFFFF);

    std::vector<uint8_t> sector(512, 0);
    p.Run(kMft, sector);
    SCOPED_TRACE(p.Text());

    // The attribute lines.
    ASSERT_EQ(p.Line(3), Label20("Standard Info") +
                             " : Typ=10h Len=0060h Off=0038h DataSize=0048h DataOff=0050h Index=0000h");
    EXPECT_EQ(p.Line(6), Label20("Data") +
                             " : Typ=80h Len=0058h Off=0170h DataSize=0000h DataOff=0170h Index=0000h \"ads\"");

    // Standard information: four times.
    const int info = p.FindLine(" Standard Info", 7);
    ASSERT_GT(info, 0);
    EXPECT_EQ(p.Line(info + 2), "  Access Time        : 30.Sep.2023  12:34:56.789");
    EXPECT_EQ(p.Line(info + 3), "  Motify Time        : 30.Sep.2023  12:34:56.789");
    EXPECT_EQ(p.Line(info + 4), "  Mft Motify Time    : 30.Sep.2023  12:34:56.789");
    ASSERT_NE(p.MarkAt(info + 3, 5), nullptr);
    EXPECT_EQ(p.MarkAt(info + 3, 5)->byteOffset, 80u + 8);

    // The file name section shows the second name, its sizes and its flag words.
    const int name = p.FindLine(" Filename", info);
    ASSERT_GT(name, 0);
    EXPECT_EQ(p.Line(name + 2), "  Name               : \"LongName\"");
    ASSERT_NE(p.MarkAt(name + 2, 5), nullptr);
    EXPECT_EQ(p.MarkAt(name + 2, 5)->byteOffset, 280u + 66);
    EXPECT_EQ(p.MarkAt(name + 2, 5)->byteLength, 16u);
    EXPECT_EQ(p.Line(name + 7), "  Alloc Size         : 4096");
    EXPECT_EQ(p.Line(name + 8), "  Data Size          : 1234");
    EXPECT_EQ(p.Line(name + 9), "  Flags              : 00000021h  ARCHIVE READONLY ");

    // The clusters as numbers on the volume: the second run starts 20 after the first.
    const int data = p.FindLine("  Cluster Kette", name);
    ASSERT_GT(data, 0);
    EXPECT_EQ(p.Line(data - 2), " Data");
    EXPECT_EQ(p.Line(data), "  Cluster Kette      : 100-115 , 120-123 ");
    EXPECT_EQ(p.LineCount(), data + 1);

    // The stream grown to 5 GiB: a hole of 2^33 clusters, then 5 clusters at 0x1_2345_6789;
    // the name's allocated size past 2^63. Every number whole and unsigned, and the marks and
    // colours behind the longer size move with their text.
    PutU64(longName + 40, 0x8000000000001000ull);
    PutU64(a + 24, (1ull << 33) + 4);
    PutU64(a + 48, 0x140000000ull);
    const uint8_t bigRuns[] = {0x05, 0x00, 0x00, 0x00, 0x00, 0x02, 0x51, 0x05, 0x89, 0x67, 0x45, 0x23, 0x01, 0x00};
    memcpy(a + 72, bigRuns, sizeof(bigRuns));
    p.Run(kMft, sector);
    EXPECT_EQ(p.Line(6), Label20("Data") +
                             " : Typ=80h Len=0058h Off=0170h DataSize=140000000h DataOff=0170h Index=0000h \"ads\"");
    const struct {
        int column;
        uint32_t offset, length;
    } marks[] = {{69, 368 + 48, 8}, {79, 368 + 20, 2}, {91, 368 + 22, 2}};
    for (const auto& m : marks) {
        ASSERT_NE(p.MarkAt(6, m.column), nullptr) << m.column;
        EXPECT_EQ(p.MarkAt(6, m.column)->byteOffset, m.offset) << m.column;
        EXPECT_EQ(p.MarkAt(6, m.column)->byteLength, m.length) << m.column;
    }
    EXPECT_TRUE(p.CellHasColour(6, 69, PC_RED));     // the 'h' behind the size
    EXPECT_TRUE(p.CellHasColour(6, 78, PC_GREEN));   // the '=' behind "DataOff"
    EXPECT_EQ(p.Line(name + 7), "  Alloc Size         : " + Dec(0x8000000000001000ull));
    EXPECT_EQ(p.Line(p.FindLine("  Cluster Kette")), "  Cluster Kette      : Lücke(" + Dec(1ull << 33) + ") , " +
                                                          Dec(0x123456789ull) + "-" + Dec(0x123456789ull + 4) + " ");

    // A damaged value offset: the standard information's value at 56 + 0xFFF0 in the record
    // takes five digits, and the Index word, its '=' and its mark move with the text. Eight runs
    // of single clusters from 0xF000000000000000 make a line of more than 256 characters,
    // coloured to its end.
    PutU16(r + 56 + 20, 0xFFF0);
    PutU32(a + 4, 160);
    PutU64(a + 24, 7);
    std::string chain = "  Cluster Kette      :";
    for (uint32_t i = 0; i < 8; ++i) {
        uint8_t* run = a + 72 + 10 * i;
        run[0] = 0x81;
        run[1] = 1;
        PutU64(run + 2, i == 0 ? 0xF000000000000000ull : 0x10);
        const uint64_t lcn = 0xF000000000000000ull + 0x10 * i;
        chain += " " + Dec(lcn) + "-" + Dec(lcn) + " ,";
    }
    chain.erase(chain.size() - 1);
    a[72 + 80] = 0;
    PutU32(r + 368 + 160, 0xFFFFFFFF);
    p.Run(kMft, sector);
    EXPECT_EQ(p.Line(3), Label20("Standard Info") +
                             " : Typ=10h Len=0060h Off=0038h DataSize=0048h DataOff=10028h Index=0000h");
    ASSERT_NE(p.MarkAt(3, 79), nullptr);
    EXPECT_EQ(p.MarkAt(3, 79)->byteOffset, 56u + 20);
    ASSERT_NE(p.MarkAt(3, 91), nullptr);
    EXPECT_EQ(p.MarkAt(3, 91)->byteOffset, 56u + 22);
    EXPECT_TRUE(p.CellHasColour(3, 79, PC_RED));     // the 'h' behind the value offset
    EXPECT_TRUE(p.CellHasColour(3, 86, PC_GREEN));   // the '=' behind "Index"
    const int longChain = p.FindLine("  Cluster Kette");
    ASSERT_GT(longChain, 0);
    ASSERT_EQ(p.Line(longChain), chain);
    const int lastDash = static_cast<int>(chain.rfind('-'));
    ASSERT_GT(lastDash, 256);
    EXPECT_TRUE(p.CellHasColour(longChain, lastDash, PC_GREEN));
    EXPECT_TRUE(p.CellHasColour(longChain, static_cast<int>(chain.size()) - 2, PC_RED));

    // A value offset that ends at 0xFFFF still takes four digits: nothing behind it moves.
    PutU16(r + 56 + 20, 0xFFFF - 56);
    p.Run(kMft, sector);
    EXPECT_EQ(p.Line(3), Label20("Standard Info") +
                             " : Typ=10h Len=0060h Off=0038h DataSize=0048h DataOff=FFFFh Index=0000h");
    ASSERT_NE(p.MarkAt(3, 86), nullptr);
    EXPECT_EQ(p.MarkAt(3, 86)->byteOffset, 56u + 22);
    EXPECT_TRUE(p.CellHasColour(3, 85, PC_GREEN));   // the '=' behind "Index"
}

}  // namespace
