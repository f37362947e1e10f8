// The marks of the ISO 9660 volume descriptor printer: each field line leads back to exactly
// the bytes of its field, over the whole line, and those bytes read as isoinfo reports the
// fixture image (made by xorriso) and its root listing.
#include <gtest/gtest.h>

#include "PrinterTestSupport.h"

using namespace printertest;

namespace {

const int kVolumeDescriptor = 12;

std::string Trimmed(const uint8_t* p, uint32_t n)
{
    std::string s(reinterpret_cast<const char*>(p), n);
    const size_t a = s.find_first_not_of(' ');
    const size_t b = s.find_last_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

uint32_t LittleEndian(const uint8_t* p, uint32_t n)
{
    uint32_t v = 0;
    for (uint32_t i = n; i-- > 0;)
        v = v << 8 | p[i];
    return v;
}

}  // namespace

TEST(IsoVolumeMarks, EachFieldLineMarksItsBytesWhichIsoinfoReads)
{
    const std::string image = FixturePath("iso9660.img");
    NEED_FIXTURE(image);
    std::string report, listing;
    NEED_REPORT(image + ".isoinfo.txt", report);
    NEED_REPORT(image + ".isolist.txt", listing);
    std::vector<uint8_t> vd;
    ASSERT_TRUE(LoadBytes(image, 16 * 2048, 2048, &vd));
    TestPrinter p;
    p.Run(kVolumeDescriptor, vd);
    SCOPED_TRACE(p.Text());

    // The root's extent, as the listing's "." of "/" gives it: "[     19 02]  . ".
    const size_t open = listing.find('[');
    ASSERT_NE(open, std::string::npos);
    const std::string rootExtent = std::to_string(strtoul(listing.c_str() + open + 1, nullptr, 10));

    enum Kind { TEXT, NUMBER, NONE };
    // The field's place in the descriptor (ECMA-119 8.4), and what isoinfo says of it; a
    // tool label of "" compares with the given value instead.
    const struct Field {
        const char* label;
        uint32_t offset, width;
        Kind kind;
        const char* tool;
        const char* value;
    } fields[] = {
        {"Descriptor Type", 0, 1, NUMBER, "", "1"},
        {"Descriptor ID", 1, 5, TEXT, "", "CD001"},
        {"Descriptor Version", 6, 1, NUMBER, "", "1"},
        {"Volume Flags", 7, 1, NONE, "", ""},
        {"System Identifier", 8, 32, TEXT, "System id:", ""},
        {"Volume Identifier", 40, 32, TEXT, "Volume id:", ""},
        {"Volume Size", 80, 4, NUMBER, "Volume size is:", ""},
        {"Escape Sequences", 88, 32, NONE, "", ""},
        {"VolumeSet Size", 120, 2, NUMBER, "Volume set size is:", ""},
        {"VolumeSet Seq.Nr.", 124, 2, NUMBER, "Volume set sequence number is:", ""},
        {"Logical Block Size", 128, 2, NUMBER, "Logical block size is:", ""},
        {"PathTable Size", 132, 4, NONE, "", ""},
        {"PathTable 1", 140, 4, NONE, "", ""},
        {"PathTable 2", 144, 4, NONE, "", ""},
        {"VolumeSet ID", 190, 128, TEXT, "Volume set id:", ""},
        {"Publisher ID", 318, 128, TEXT, "Publisher id:", ""},
        {"DataPreparer ID", 446, 128, TEXT, "Data preparer id:", ""},
        {"Application ID", 574, 128, TEXT, "Application id:", ""},
        {"Copyright File ID", 702, 37, TEXT, "Copyright File id:", ""},
        {"Abstract File ID", 739, 37, TEXT, "Abstract File id:", ""},
        {"Bibliographic ID", 776, 37, TEXT, "Bibliographic File id:", ""},
        {"Volume Creation", 813, 17, NONE, "", ""},
        {"Volume Modifiy", 830, 17, NONE, "", ""},
        {"Volume Expiration", 847, 17, NONE, "", ""},
        {"Volume Effective", 864, 17, NONE, "", ""},
        {"FileStructure Ver.", 881, 1, NUMBER, "", "1"},
    };
    for (const Field& f : fields) {
        SCOPED_TRACE(f.label);
        const int line = p.FindLine(std::string("  ") + f.label + " ");
        ASSERT_GE(line, 3);
        const std::string text = p.Line(line);
        const MarkRange* mark = p.MarkAt(line, 2);
        ASSERT_NE(mark, nullptr);
        EXPECT_EQ(mark->byteOffset, f.offset);
        EXPECT_EQ(mark->byteLength, f.width);
        EXPECT_EQ(mark, p.MarkAt(line, 0)) << "the mark starts behind the line's start";
        EXPECT_EQ(mark, p.MarkAt(line, static_cast<int>(text.size()) - 1)) << "the mark ends before the line's end";
        const uint8_t* bytes = vd.data() + mark->byteOffset;
        std::string expected = f.value;
        uint64_t number = 0;
        if (*f.tool && f.kind == NUMBER) {
            ASSERT_TRUE(NumberAfter(report, f.tool, &number));
            expected = std::to_string(number);
        } else if (*f.tool) {
            ASSERT_TRUE(TextAfter(report, f.tool, &expected));
            while (!expected.empty() && expected.back() == ' ')
                expected.pop_back();
        }
        if (f.kind == TEXT) {
            EXPECT_EQ(Trimmed(bytes, mark->byteLength), expected);
        } else if (f.kind == NUMBER) {
            EXPECT_EQ(std::to_string(LittleEndian(bytes, mark->byteLength)), expected);
        }
    }
    // The root's directory record: 34 bytes, whose extent (bytes 2 to 5) is the root's.
    const int root = p.FindLine("  Root Directory ");
    ASSERT_GE(root, 3);
    const MarkRange* mark = p.MarkAt(root, 2);
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->byteOffset, 156u);
    EXPECT_EQ(mark->byteLength, 34u);
    EXPECT_EQ(std::to_string(LittleEndian(vd.data() + mark->byteOffset + 2, 4)), rootExtent);
}
