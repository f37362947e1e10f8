// The exFAT directory printer on the root directory of the fixture image made by mkfs.exfat,
// compared with what `dump.exfat` reports about its entries (tests/disk/make-images.sh saves
// it as exfat.img.dumpexfat.txt), and on file entry sets whose values are worked out here.
#include <gtest/gtest.h>

#include <string.h>

#include "PrinterTestSupport.h"
#include "textlib/StrPrintf.h"

using namespace printertest;

namespace {

const int kExFatDirectory = 20;

std::string ExValue(const TestPrinter& p, const std::string& label, int from)
{
    const int line = p.FindLine("  " + label + " ", from);
    return line < 0 ? std::string("<no line " + label + ">") : FieldValue(p.Line(line));
}

std::string Hex(uint64_t v, int digits)
{
    char text[32];
    StrPrintf(text, "%0*I64X", digits, v);
    return text;
}

void RootEntriesEqualDumpExfat(const char* name)
{
    const std::string image = FixturePath(name);
    NEED_FIXTURE(image);
    std::string report;
    NEED_REPORT(image + ".dumpexfat.txt", report);
    uint64_t heap = 0, root = 0, clusterBits = 0;
    ASSERT_TRUE(NumberAfter(report, "Cluster Heap Offset (sector offset):", &heap));
    ASSERT_TRUE(NumberAfter(report, "Root Cluster (cluster offset):", &root));
    ASSERT_TRUE(NumberAfter(report, "Sector per Cluster bits:", &clusterBits));
    const uint64_t sector = heap + ((root - 2) << clusterBits);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(LoadBytes(image, sector * 512, 512, &bytes));
    TestPrinter p;
    p.Run(kExFatDirectory, bytes);
    SCOPED_TRACE(p.Text());

    // Sixteen entries, each with its title block.
    int titles = 0;
    for (int line = p.FindLine(" EXFAT "); line >= 0; line = p.FindLine(" EXFAT ", line + 1))
        ++titles;
    EXPECT_EQ(titles, 16);

    uint64_t v = 0;
    std::string text;
    const int label = p.FindLine(" EXFAT Label  (VALID)");
    ASSERT_GE(label, 0);
    ASSERT_TRUE(NumberAfter(report, "Volume entry type:", &v));
    EXPECT_EQ(ExValue(p, "Type", label), Hex(v, 2) + "h");
    ASSERT_TRUE(TextAfter(report, "Volume label:", &text));
    EXPECT_EQ(ExValue(p, "Name", label), text);
    ASSERT_TRUE(NumberAfter(report, "Volume label character count:", &v));
    EXPECT_EQ(ExValue(p, "Length", label), std::to_string(v));

    const int bitmap = p.FindLine(" EXFAT Bitmap  (VALID)");
    ASSERT_GE(bitmap, 0);
    ASSERT_TRUE(NumberAfter(report, "Bitmap entry type:", &v));
    EXPECT_EQ(ExValue(p, "Type", bitmap), Hex(v, 2) + "h");
    ASSERT_TRUE(NumberAfter(report, "Bitmap start cluster:", &v));
    EXPECT_EQ(ExValue(p, "StartCluster", bitmap), std::to_string(v));
    ASSERT_TRUE(NumberAfter(report, "Bitmap size:", &v));
    EXPECT_EQ(ExValue(p, "FileSize", bitmap), std::to_string(v));

    const int upcase = p.FindLine(" EXFAT Upcase  (VALID)");
    ASSERT_GE(upcase, 0);
    ASSERT_TRUE(NumberAfter(report, "Upcase table entry type:", &v));
    EXPECT_EQ(ExValue(p, "Type", upcase), Hex(v, 2) + "h");
    ASSERT_TRUE(NumberAfter(report, "Upcase table start cluster:", &v));
    EXPECT_EQ(ExValue(p, "StartCluster", upcase), std::to_string(v));
    ASSERT_TRUE(NumberAfter(report, "Upcase table size:", &v));
    EXPECT_EQ(ExValue(p, "Size", upcase), std::to_string(v));

    // The unused rest: all-zero entries.
    const int empty = p.FindLine(" EXFAT Empty  ");
    ASSERT_GE(empty, 0);
    EXPECT_EQ(ExValue(p, "Type", empty), "00h");

    // Each title is marked with its entry, each field line with its field.
    ASSERT_NE(p.MarkAt(bitmap, 3), nullptr);
    const uint32_t entry = p.MarkAt(bitmap, 3)->byteOffset;
    EXPECT_EQ(p.MarkAt(bitmap, 3)->byteLength, 32);
    const int start = p.FindLine("  StartCluster ", bitmap);
    ASSERT_NE(p.MarkAt(start, 3), nullptr);
    EXPECT_EQ(p.MarkAt(start, 3)->byteOffset, entry + 20);
    EXPECT_EQ(p.MarkAt(start, 3)->byteLength, 4);
}


// The root directories of mkfs.exfat's volume of 8 MiB and of its volume of 3 TiB.
TEST(ExFatDirectory, RootEntriesEqualDumpExfat)
{
    for (const char* name : {"exfat.img", "exfat3t.img"}) {
        SCOPED_TRACE(name);
        RootEntriesEqualDumpExfat(name);
        if (HasFatalFailure() || IsSkipped())
            return;
    }
}

// A DOS date and time as exFAT stores it.
uint32_t DosStamp(int year, int month, int day, int hour, int minute, int second)
{
    const uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day);
    const uint32_t time = static_cast<uint32_t>((hour << 11) | (minute << 5) | (second / 2));
    return (date << 16) | time;
}

TEST(ExFatDirectory, FileEntrySet)
{
    std::vector<uint8_t> d(512, 0);
    uint8_t* file = &d[0];
    file[0] = 0x85;
    file[1] = 2;
    PutU16(file + 2, 0xBEEF);
    PutU16(file + 4, 0x0021);
    PutU32(file + 8, DosStamp(2023, 5, 17, 13, 45, 30));
    PutU32(file + 12, DosStamp(1999, 12, 31, 23, 59, 58));
    PutU32(file + 16, DosStamp(2000, 2, 29, 0, 0, 0));
    file[20] = 150;   // create time + 1.5 s
    file[21] = 99;
    uint8_t* stream = &d[32];
    stream[0] = 0xC0;
    stream[1] = 3;
    stream[3] = 15;
    PutU16(stream + 4, 0x1234);
    PutU32(stream + 8, 5000);
    PutU32(stream + 12, 0x80000000);   // a valid size past 2^63
    PutU32(stream + 20, 0x80000077);   // a cluster past 2^31
    PutU32(stream + 24, 8192);
    PutU32(stream + 28, 1);   // a size above 4 GB
    uint8_t* name = &d[64];
    name[0] = 0xC1;
    const char* fifteen = "ABCDEFGHIJKLMNO";
    for (int i = 0; i < 15; ++i)
        PutU16(name + 2 + 2 * i, static_cast<uint8_t>(fifteen[i]));
    // The next entry follows without a zero: the name must stop at its 15 characters.
    memset(&d[96], 0xA0, 32);

    TestPrinter p;
    p.Run(kExFatDirectory, d);
    SCOPED_TRACE(p.Text());
    EXPECT_EQ(p.Line(1), " EXFAT File  (VALID)");
    EXPECT_EQ(ExValue(p, "Type", 0), "85h");
    EXPECT_EQ(ExValue(p, "Continuations", 0), "2");
    EXPECT_EQ(ExValue(p, "CheckSum", 0), "BEEFh");
    EXPECT_EQ(ExValue(p, "Attributes", 0), "0021h  (ReadOnly Archive)");
    EXPECT_EQ(ExValue(p, "CreateTime", 0), "2023-05-17 13:45:31.500");
    EXPECT_EQ(ExValue(p, "WriteTime", 0), "1999-12-31 23:59:58.990");
    EXPECT_EQ(ExValue(p, "AccessTime", 0), "2000-02-29 00:00:00.000");

    const int info = p.FindLine(" EXFAT Fileinfo  (CONTINUED VALID)");
    ASSERT_GT(info, 0);
    EXPECT_EQ(ExValue(p, "Flags", info), "03h (ALWAYS1 CONTIGUOUS)");
    EXPECT_EQ(ExValue(p, "NameLength", info), "15");
    EXPECT_EQ(ExValue(p, "NameHash", info), "1234h");
    EXPECT_EQ(ExValue(p, "ValidSize", info), std::to_string(5000ull + (1ull << 63)));
    EXPECT_EQ(ExValue(p, "StartCluster", info), std::to_string(0x80000077ull));
    EXPECT_TRUE(p.CellHasColour(p.FindLine("  ValidSize ", info), 27 + 18, PC_RED));
    EXPECT_EQ(ExValue(p, "FileSize", info), std::to_string(8192ull + (1ull << 32)));

    const int fileName = p.FindLine(" EXFAT Filename  (CONTINUED VALID)");
    ASSERT_GT(fileName, 0);
    const int nameLine = p.FindLine("  Name ", fileName);
    EXPECT_EQ(FieldValue(p.Line(nameLine)), fifteen);
    EXPECT_EQ(p.Line(nameLine + 1), "");
    ASSERT_NE(p.MarkAt(nameLine, 3), nullptr);
    EXPECT_EQ(p.MarkAt(nameLine, 3)->byteOffset, 66);
    EXPECT_EQ(p.MarkAt(nameLine, 3)->byteLength, 30);

    // 0xA0 (a volume GUID entry): not a kind of its own.
    const int guid = p.FindLine(" EXFAT Unknown Tag 32  (OPTIONAL VALID)");
    ASSERT_GT(guid, 0);
    EXPECT_EQ(ExValue(p, "Type", guid), "A0h");
    EXPECT_EQ(p.Line(guid + 2).substr(0, 6), "  Type");
    EXPECT_EQ(p.Line(guid + 3), "");
    EXPECT_EQ(p.Line(guid + 4), " EXFAT Empty  ");
}

TEST(ExFatDirectory, FlagWordsAndShortLoads)
{
    std::vector<uint8_t> d(64, 0);
    d[0] = 0x05;   // a file entry no longer in use: no flag words
    d[32] = 0x40;  // a secondary entry of type code 0, no longer in use
    TestPrinter p;
    p.Run(kExFatDirectory, d);
    EXPECT_EQ(p.Line(1), " EXFAT File  ") << p.Text();
    EXPECT_EQ(ExValue(p, "Attributes", 0), "0000h  ");
    EXPECT_GE(p.FindLine(" EXFAT Fileinfo  (CONTINUED)"), 0) << p.Text();

    // A loaded size that ends inside an entry shows that entry with zeros for the rest;
    // no load shows nothing.
    TestPrinter q;
    q.Run(kExFatDirectory, d.data(), 40);
    EXPECT_GE(q.FindLine(" EXFAT Fileinfo  (CONTINUED)"), 0);
    TestPrinter r;
    r.Run(kExFatDirectory, d.data(), 0);
    EXPECT_EQ(r.LineCount(), 0);
}

}  // namespace
