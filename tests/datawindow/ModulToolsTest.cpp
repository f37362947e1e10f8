// Modules decoding real structures, every number checked against what Debian's tools report
// about the same fixture: the FAT16 and FAT32 boot sectors (minfo, fsck.fat; an IF takes the
// FAT32 path), the example module file of the source tree over both, the MBR's four entries
// in a LOOP from 0x1BE (sfdisk -J), and a BMP header made by ImageMagick (identify). FLOAT and
// DOUBLE texts against the C library's "%e".
#include <gtest/gtest.h>

#include "datawindow/DataWndRows.h"
#include "datawindow/ModulSet.h"
#include "services/DataStream.h"
#include "services/TextScanner.h"
#include "tests/support/TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Fixture(const char* name)
{
    return testsupport::BinaryDir() + "\\fixtures\\" + name;
}

bool Load(const std::string& path, std::string* text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::stringstream s;
    s << in.rdbuf();
    *text = s.str();
    return true;
}

// The number right after `label` in a tool's report (0x numbers read as hexadecimal).
long long After(const std::string& report, const std::string& label)
{
    const size_t at = report.find(label);
    EXPECT_NE(at, std::string::npos) << label;
    return at == std::string::npos ? -1 : std::strtoll(report.c_str() + at + label.size(), nullptr, 0);
}

// The number right before `label`.
long long Before(const std::string& report, const std::string& label)
{
    size_t at = report.find(label);
    EXPECT_NE(at, std::string::npos) << label;
    if (at == std::string::npos)
        return -1;
    while (at > 0 && report[at - 1] == ' ')
        --at;
    size_t start = at;
    while (start > 0 && std::isdigit(static_cast<unsigned char>(report[start - 1])))
        --start;
    return std::strtoll(report.c_str() + start, nullptr, 10);
}

class Module {
public:
    explicit Module(const char* text)
    {
        CTextScanner scanner(32768);
        scanner.OpenMemory(text, static_cast<int>(std::strlen(text)), STREAM_READ);
        m_set.SetErrorEcho(false);
        EXPECT_EQ(m_set.Compile(&scanner, "tools"), 2);
        EXPECT_EQ(m_set.GetErrorCount(), 0) << text;
    }
    // A module file, loaded as the data window loads it.
    struct File {
        std::string path;
    };
    explicit Module(const File& file)
    {
        m_set.SetErrorEcho(false);
        EXPECT_EQ(m_set.LoadFile(file.path.c_str(), nullptr), 2) << file.path;
        EXPECT_EQ(m_set.GetErrorCount(), 0) << file.path;
    }
    const CModulSet& Set() const { return m_set; }
    // Runs the entry and keeps the rows by name (the last row of a name wins).
    void Run(const std::vector<uint8_t>& data, const char* entry = nullptr, int start = 0)
    {
        const int e = entry ? m_set.FindEntry(entry, 0) : 0;
        ASSERT_GE(e, 0) << entry;
        m_set.Run(0, data.data(), static_cast<int>(data.size()), e, 8192, start);
        rows.clear();
        order.clear();
        names.clear();
        for (int r = 0; r < m_set.GetRowCount(0); ++r) {
            const char* name;
            const char* value;
            const OutputRow* row = m_set.GetRow(0, r, &name, &value, nullptr, nullptr);
            rows[name] = value;
            order.push_back(*row);
            names.push_back(name);
        }
    }
    // The value text of row r.
    const char* Text(size_t r)
    {
        const char* value = "";
        m_set.GetRow(0, static_cast<int>(r), nullptr, &value, nullptr, nullptr);
        return value;
    }
    long long Number(const char* name)
    {
        EXPECT_TRUE(rows.count(name)) << name;
        return std::strtoll(rows[name].c_str(), nullptr, 0);
    }
    std::map<std::string, std::string> rows;
    std::vector<OutputRow> order;
    std::vector<std::string> names;

private:
    CModulSet m_set;
};

std::vector<uint8_t> FirstBytes(const std::string& path, size_t count)
{
    std::vector<uint8_t> data(count);
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return {};
    data.resize(std::fread(data.data(), 1, count, f));
    std::fclose(f);
    return data;
}

const char kBootModule[] =
    "MODUL \"Boot\"\n"
    "SEEK 11\n"
    "WORD \"BytesPerSector\"\n"
    "BYTE \"SectorsPerCluster\"\n"
    "WORD \"Reserved\"\n"
    "BYTE \"Fats\"\n"
    "WORD \"RootEntries\"\n"
    "WORD \"SmallSectors\"\n"
    "BYTE \"Media\" #H\n"
    ":spf WORD \"SectorsPerFat16\"\n"
    "WORD \"SectorsPerTrack\"\n"
    "WORD \"Heads\"\n"
    "DWORD \"Hidden\"\n"
    "DWORD \"LargeSectors\"\n"
    "IF spf == 0 GOTO fat32   ; FAT32 keeps its FAT size further on\n"
    "TEXT \"FAT16\"\n"
    "EXIT\n"
    ":fat32 DWORD \"SectorsPerFat32\"\n"
    "TEXT \"FAT32\"\n";

TEST(ModulToolsTest, BootSectorsAsMinfoAndFsckReportThem)
{
    std::string minfo, fsck;
    const std::vector<uint8_t> fat16 = FirstBytes(Fixture("fat16.img"), 512);
    const std::vector<uint8_t> fat32 = FirstBytes(Fixture("fat32.img"), 512);
    if (fat16.size() != 512 || fat32.size() != 512 || !Load(Fixture("fat16.img.minfo.txt"), &minfo)
        || !Load(Fixture("fat32.img.fsck.txt"), &fsck))
        GTEST_SKIP() << "FAT fixtures or their reports missing";
    Module m(kBootModule);
    m.Run(fat16);
    EXPECT_EQ(m.Number("BytesPerSector"), After(minfo, "sector size: "));
    EXPECT_EQ(m.Number("SectorsPerCluster"), After(minfo, "cluster size: "));
    EXPECT_EQ(m.Number("Reserved"), After(minfo, "reserved (boot) sectors: "));
    EXPECT_EQ(m.Number("Fats"), After(minfo, "fats: "));
    EXPECT_EQ(m.Number("RootEntries"), After(minfo, "max available root directory slots: "));
    EXPECT_EQ(m.Number("SmallSectors"), After(minfo, "small size: "));
    EXPECT_EQ(m.Number("Media"), After(minfo, "media descriptor byte: "));
    EXPECT_EQ(m.Number("SectorsPerFat16"), After(minfo, "sectors per fat: "));
    EXPECT_EQ(m.Number("SectorsPerTrack"), After(minfo, "\nsectors per track: "));
    EXPECT_EQ(m.Number("Heads"), After(minfo, "\nheads: "));
    EXPECT_EQ(m.Number("Hidden"), After(minfo, "hidden sectors: "));
    EXPECT_TRUE(m.rows.count("FAT16") && !m.rows.count("FAT32"));

    m.Run(fat32);
    EXPECT_EQ(m.Number("BytesPerSector") * m.Number("SectorsPerCluster"), Before(fsck, "bytes per cluster"));
    EXPECT_EQ(m.Number("Reserved"), Before(fsck, "reserved sectors"));
    EXPECT_EQ(m.Number("Fats"), Before(fsck, "FATs"));
    EXPECT_EQ(m.Number("SectorsPerFat32"), After(fsck, "(= "));
    EXPECT_EQ(m.Number("SectorsPerTrack"), Before(fsck, "sectors/track"));
    EXPECT_EQ(m.Number("Heads"), Before(fsck, "heads"));
    EXPECT_EQ(m.Number("Hidden"), Before(fsck, "hidden sectors"));
    EXPECT_EQ(m.Number("LargeSectors"), Before(fsck, "sectors total"));
    EXPECT_TRUE(m.rows.count("FAT32") && !m.rows.count("FAT16"));
}

// The quoted text right after `label` ("disk label=" and the like), quotes included.
std::string QuotedAfter(const std::string& report, const std::string& label)
{
    const size_t at = report.find(label + "\"");
    EXPECT_NE(at, std::string::npos) << label;
    const size_t end = at == std::string::npos ? at : report.find('"', at + label.size() + 1);
    return end == std::string::npos ? std::string() : report.substr(at + label.size(), end - at - label.size() + 1);
}

// datawindow/examples/FatBootSector.dfm, the module the README names, over the boot sectors
// of mkfs.fat's FAT16 and FAT32 images: each row as minfo reports the field, the total as
// fsstat counts the sectors, the signature as the image holds it.
TEST(ModulToolsTest, ExampleModuleFileAsMinfoReportsTheBootSectors)
{
    if (testsupport::SourceDir().empty())
        GTEST_SKIP() << "SL_SOURCE_DIR is not set (run through ctest)";
    Module m(Module::File{testsupport::SourceDir() + "\\datawindow\\examples\\FatBootSector.dfm"});
    struct Field {
        const char* row;
        const char* minfo;   // the label before the number in minfo's report
        bool fat32Only;
    } const fields[] = {
        {"Bytes pro Sektor", "sector size: ", false},
        {"Sektoren pro Cluster", "cluster size: ", false},
        {"Reservierte Sektoren", "reserved (boot) sectors: ", false},
        {"Anzahl FATs", "fats: ", false},
        {"Stammverzeichnis-Eintraege", "max available root directory slots: ", false},
        {"Sektoren (16 Bit)", "small size: ", false},
        {"Medium", "media descriptor byte: ", false},
        {"Sektoren pro FAT", "sectors per fat: ", false},
        {"Sektoren pro Spur", "\nsectors per track: ", false},
        {"Koepfe", "\nheads: ", false},
        {"Versteckte Sektoren", "hidden sectors: ", false},
        {"Laufwerksnummer", "physical drive id: ", false},
        {"Erweiterte Signatur", "dos4=", false},
        {"Sektoren pro FAT (32 Bit)", "Big fatlen=", true},
        {"Flags", "Extended flags=", true},
        {"Version", "FS version=", true},
        {"Stammverzeichnis-Cluster", "rootCluster=", true},
        {"FSInfo-Sektor", "infoSector location=", true},
        {"Sicherungs-Bootsektor", "backup boot sector=", true},
    };
    for (const char* image : {"fat16.img", "fat32.img"}) {
        SCOPED_TRACE(image);
        std::string minfo, fsstat;
        const std::vector<uint8_t> sector = FirstBytes(Fixture(image), 512);
        if (sector.size() != 512 || !Load(Fixture(image) + ".minfo.txt", &minfo)
            || !Load(Fixture(image) + ".fsstat.txt", &fsstat))
            GTEST_SKIP() << image << " or its reports missing";
        const bool fat32 = std::string(image) == "fat32.img";
        m.Run(sector);
        for (const Field& f : fields) {
            if (f.fat32Only && !fat32) {
                EXPECT_FALSE(m.rows.count(f.row)) << f.row;
                continue;
            }
            EXPECT_EQ(m.Number(f.row), After(minfo, f.minfo)) << f.row;
        }
        EXPECT_EQ(m.rows["OEM-Name"], QuotedAfter(minfo, "banner:"));
        EXPECT_EQ(m.rows["Volume-Name"], QuotedAfter(minfo, "disk label="));
        EXPECT_EQ(m.rows["Dateisystem"], QuotedAfter(minfo, "disk type="));
        EXPECT_EQ(m.Number("Volume-ID"), std::strtoll(minfo.c_str() + minfo.find("serial number: ") + 15, nullptr, 16));
        const long long total = m.Number("Sektoren (16 Bit)") ? m.Number("Sektoren (16 Bit)") : m.Number("Sektoren (32 Bit)");
        EXPECT_EQ(total, After(fsstat, "Total Range: 0 - ") + 1);
        EXPECT_EQ(m.Number("Signatur"), sector[510] | sector[511] << 8);
        EXPECT_NE(m.rows["Signatur"].find("in Ordnung"), std::string::npos) << m.rows["Signatur"];
    }
}

// The four entries in a loop from 0x1BE: each pass's base moves 16 bytes on, so the fields keep
// their offsets within the entry while their data offsets walk through the table.
TEST(ModulToolsTest, PartitionTableInALoopAsSfdiskReadsIt)
{
    std::string sfdisk;
    const std::vector<uint8_t> mbr = FirstBytes(Fixture("mbr.img"), 512);
    if (mbr.size() != 512 || !Load(Fixture("mbr.img.sfdisk.txt"), &sfdisk))
        GTEST_SKIP() << "mbr fixture or its sfdisk report missing";
    Module m("MOV LOCAL_0 4\n"
             "LOOP LOCAL_0 entry\n"
             "EXIT\n"
             ":entry DOWN \"Eintrag\"\n"
             "BIT \"Kennung\" 7\n"
             "BIT \"aktiv\" 1\n"
             "BYTE \"Kopf\"\n"
             "BIT \"Sektor\" 6\n"
             "BIT \"ZylHoch\" 2\n"
             "BYTE \"Zyl\"\n"
             "BYTE \"Typ\" #HK\n"
             "SEEK 3\n"
             "DWORD \"Start\"\n"
             "DWORD \"Anzahl\"\n"
             "UP\n"
             "RETURN\n");
    m.Run(mbr, nullptr, 0x1BE);
    int entry = -1;
    for (size_t r = 0; r < m.order.size(); ++r) {
        const std::string& name = m.names[r];
        if (name == "Eintrag") {
            ++entry;
            continue;
        }
        ASSERT_TRUE(entry >= 0 && entry < 4) << name;
        EXPECT_EQ(m.order[r].indent, 1) << name;
        if (name == "Start") {
            // The loop moved the base: the field's offset within its entry stays 8, and so
            // does the "Offset" column of a run from 0x1BE.
            EXPECT_EQ(m.order[r].offset, 8);
            EXPECT_EQ(m.order[r].dataOffset, 0x1BE + 16 * entry + 8);
            char cell[32];
            const DataSlotView view = {0, 0, 0x1BE};
            FormatCell(m.Set(), view, static_cast<uint32_t>(r), DW_COL_OFFSET, cell, sizeof cell);
            EXPECT_STREQ(cell, "0x8");
        }
    }
    ASSERT_EQ(entry, 3);
    for (int n = 1; n <= 4; ++n) {
        const std::string node = "\"node\": \"mbr.img" + std::to_string(n) + "\"";
        const size_t at = sfdisk.find(node);
        const std::string part = at == std::string::npos ? std::string() : sfdisk.substr(at, 200);
        const long long start = part.empty() ? 0 : After(part, "\"start\": ");
        const long long size = part.empty() ? 0 : After(part, "\"size\": ");
        const long long type = part.empty() ? 0 : std::strtoll(part.c_str() + part.find("\"type\": \"") + 9, nullptr, 16);
        const long long bootable = part.find("\"bootable\": true") != std::string::npos ? 1 : 0;
        // The rows of entry n are the n-th of each name.
        int seen[4] = {0, 0, 0, 0};
        for (size_t r = 0; r < m.order.size(); ++r) {
            const char* names[4] = {"Start", "Anzahl", "Typ", "aktiv"};
            const long long expected[4] = {start, size, type, bootable};
            for (int k = 0; k < 4; ++k)
                if (m.names[r] == names[k] && ++seen[k] == n) {
                    const char* text = m.Text(r);
                    EXPECT_EQ(std::strtoll(text, nullptr, k == 2 ? 16 : 10), expected[k]) << names[k] << " " << n;
                }
        }
    }
}

// A BMP header in two blocks; the signature is read up to its "M" by a pattern, and the size
// line writes its value into the heading row that stands before it.
TEST(ModulToolsTest, BmpHeaderAsIdentifyDescribesIt)
{
    std::string identify;
    const std::vector<uint8_t> bmp = FirstBytes(Fixture("test.bmp"), 64);
    if (bmp.size() < 54 || !Load(Fixture("test.bmp.identify.txt"), &identify))
        GTEST_SKIP() << "BMP fixture or its identify report missing";
    long long width = 0, height = 0, depth = 0, bytes = 0;
    ASSERT_EQ(std::sscanf(identify.c_str(), "%lld %lld %lld %lld", &width, &height, &depth, &bytes), 4);
    Module m("MODUL \"BMP\"\n"
             "BLOCK \"Datei\"\n"
             "STRING \"Kennung\" UNTIL 4D +0\n"
             "BYTE \"M\" #C\n"
             ":size DWORD \"Größe\"\n"
             "SEEK 4\n"
             "DWORD \"Bildanfang\"\n"
             "EXIT\n"
             "BLOCK \"Info\"\n"
             ":dim TEXT \"Maße\"\n"
             "DWORD \"Kopfgröße\"\n"
             ":w DWORD \"Breite\"\n"
             ":h DWORD \"Höhe\"\n"
             "SPRINT w dim\n"
             "WORD \"Ebenen\"\n"
             "WORD \"Bits\"\n");
    m.Run(bmp, "Datei");
    EXPECT_EQ(m.rows["Kennung"], "\"B\"");
    EXPECT_EQ(m.rows["M"], "'M' ");
    EXPECT_EQ(m.Number("Größe"), bytes);
    EXPECT_EQ(m.Number("Bildanfang"), 54);
    EXPECT_FALSE(m.rows.count("Breite")) << "the first block ends at its EXIT";
    m.Run(bmp, "Info", 14);
    EXPECT_EQ(m.Number("Breite"), width);
    EXPECT_EQ(m.Number("Höhe"), height);
    EXPECT_EQ(m.Number("Maße"), width);
    EXPECT_EQ(m.Number("Bits"), depth * 3) << "truecolor: three channels";
}

TEST(ModulToolsTest, FloatsAsTheCLibraryWritesThem)
{
    std::mt19937 rng(99);
    Module m("FLOAT \"f\" 3\nDOUBLE \"d\" 2\n");
    for (int round = 0; round < 200; ++round) {
        float f[3];
        double d[2];
        for (float& x : f)
            x = std::ldexp(static_cast<float>(rng()) / 4294967296.0f - 0.5f, static_cast<int>(rng() % 200) - 100);
        for (double& x : d)
            x = std::ldexp(static_cast<double>(rng()) / 4294967296.0 - 0.5, static_cast<int>(rng() % 1200) - 600);
        std::vector<uint8_t> data(sizeof f + sizeof d);
        std::memcpy(data.data(), f, sizeof f);
        std::memcpy(data.data() + sizeof f, d, sizeof d);
        m.Run(data);
        char expected[200];
        __mingw_snprintf(expected, sizeof expected, "%e  ,  %e  ,  %e", f[0], f[1], f[2]);
        EXPECT_EQ(m.rows["f"], expected);
        __mingw_snprintf(expected, sizeof expected, "%e  ,  %e", d[0], d[1]);
        EXPECT_EQ(m.rows["d"], expected);
    }
}

}  // namespace
