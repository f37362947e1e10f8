// The printers with the real document on the fixture images: the document's scan names the
// area, its type chooses the printer, and what a printer reads beyond the sector (a GPT entry
// array, the rest of an MFT record, the other half of a superblock, the sector's place in its
// FAT) comes through the document from the image. Printing never asks a question.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "PrinterTestSupport.h"
#include "disk/DiskDoc.h"
#include "services/AppIdentity.h"

using namespace printertest;

namespace {

// A printer that asks the document itself (no stand-ins).
class DocumentPrinter : public CStructurePrinter {
public:
    DocumentPrinter() : pane(2048, 50000, 0, "Text")
    {
        pane.SetEditable(0);
        AddPrinterColorFormats(&pane);
        SetPrinterPane(&pane);
    }
    // Prints the current sector as the view does: by the type of its area, or by `type`.
    void Print(CDiskDoc* doc, int type = -1)
    {
        pane.ClearText();
        pane.ClearMarks();
        pane.SetMarkLimit(doc->GetLoadedSize());
        SetPrinterDocument(doc);
        PrintStructure(type < 0 ? static_cast<int>(doc->GetAreaType()) : type, doc->GetSectorBuffer(),
                       doc->GetLoadedSize());
    }
    std::string Line(int line) const
    {
        int length = 0;
        const char* text = pane.GetLineText(line, &length);
        return text ? std::string(text, static_cast<size_t>(length)) : std::string();
    }
    std::string Text() const
    {
        std::string all;
        for (int i = 0; i < pane.GetLineCount(); ++i)
            all += Line(i) + "\n";
        return all;
    }
    int FindLine(const std::string& text) const
    {
        for (int i = 0; i < pane.GetLineCount(); ++i) {
            if (Line(i).find(text) != std::string::npos)
                return i;
        }
        return -1;
    }
    CMarkTextView pane;
};

class PrinterDocument : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetAppIdentity("SektorlupeTests", "PrinterDocumentTest");
        doc.reset(new CDiskDoc);
        doc->SetPrompts(&prompts);
    }
    void TearDown() override
    {
        doc.reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\SektorlupeTests\\PrinterDocumentTest");
        EXPECT_EQ(0, prompts.asked);
    }
    bool Load(uint64_t sector)
    {
        doc->SetCurrentSector(sector);
        return doc->LoadSector(0, 0) != FALSE;
    }
    // Opens the image and loads the first sector (plus `skip`) of its first area of the type.
    bool OpenAtArea(const std::string& image, uint32_t type, uint64_t skip = 0)
    {
        if (!doc->OnOpenDocument(image.c_str()))
            return false;
        const AreaTable& areas = doc->GetAreas();
        for (uint32_t i = 0; i < areas.count; ++i) {
            if (areas.type[i] == type)
                return Load(areas.first[i] + skip) && doc->GetAreaType() == type;
        }
        return false;
    }
    QuietPrompts prompts;
    std::unique_ptr<CDiskDoc> doc;
    DocumentPrinter printer;
};

}  // namespace

TEST_F(PrinterDocument, GptHeaderChecksTheArrayReadThroughTheDocument)
{
    const std::string image = FixturePath("gpt.img");
    NEED_FIXTURE(image);
    std::string crcs, arrayCrc;
    NEED_REPORT(image + ".zlibcrc.txt", crcs);
    ASSERT_TRUE(TextAfter(crcs, "array", &arrayCrc));
    std::vector<uint8_t> header;
    ASSERT_TRUE(LoadBytes(image, 512, 512, &header));
    // Nothing open yet: the array cannot be read, its CRC is unknown; the header's own is OK.
    printer.SetPrinterDocument(doc.get());
    printer.pane.SetMarkLimit(512);
    printer.PrintStructure(18, header.data(), 512);
    EXPECT_NE(std::string::npos, printer.Line(17).find("\xA0 UNKNOWN")) << printer.Line(17);
    EXPECT_NE(std::string::npos, printer.Line(7).find("\xA0 OK")) << printer.Line(7);

    ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
    ASSERT_TRUE(Load(1));
    ASSERT_EQ(512u, doc->GetLoadedSize());
    printer.Print(doc.get(), 18);
    EXPECT_NE(std::string::npos, printer.Line(7).find("h\xA0 OK")) << printer.Line(7);
    EXPECT_EQ("  PartitionCrc       : " + arrayCrc + "h\xA0 OK", printer.Line(17));
}

TEST_F(PrinterDocument, Fat12TakesTheFatPositionFromTheScan)
{
    const std::string image = FixturePath("fat12.img");
    NEED_FIXTURE(image);
    std::string minfo;
    NEED_REPORT(image + ".minfo.txt", minfo);
    uint64_t sectorsPerFat = 0, reserved = 0, media = 0;
    ASSERT_TRUE(NumberAfter(minfo, "sectors per fat:", &sectorsPerFat));
    ASSERT_TRUE(NumberAfter(minfo, "reserved (boot) sectors:", &reserved));
    ASSERT_TRUE(NumberAfter(minfo, "media descriptor byte:", &media));
    ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
    EXPECT_EQ(reserved, doc->GetFatStart());
    EXPECT_EQ(sectorsPerFat, doc->GetSectorsPerFat());
    // The first sector of each FAT starts with the media entry; the next sector of the first
    // FAT starts with the top eight bits of an entry cut at the sector end.
    char media12[8];
    snprintf(media12, sizeof media12, "%03X", static_cast<unsigned>(0xF00 | media));
    for (uint64_t sector : {reserved, reserved + sectorsPerFat, reserved + 1}) {
        ASSERT_TRUE(Load(sector));
        printer.Print(doc.get(), 8);
        std::istringstream row(printer.Line(3));
        std::string token;
        row >> token;
        if (sector == reserved + 1)
            EXPECT_TRUE(token.size() == 3 && token[2] == '?') << token;
        else
            EXPECT_EQ(media12, token) << "sector " << sector;
    }
}

TEST_F(PrinterDocument, Fat12OfEachVolumeOfADiskPrintsAsTheVolumeAlone)
{
    // Each FAT12 volume of a two-volume disk, and the same volume cut out as an image of its
    // own: every sector of its FAT prints the same both ways.
    const std::string disk = FixturePath("fat12pair.img");
    NEED_FIXTURE(disk);
    const struct {
        const char* alone;
        uint64_t start;
    } volumes[] = { { "fat12pair-1.img", 2048 }, { "fat12pair-2.img", 10240 } };
    for (const auto& v : volumes) {
        SCOPED_TRACE(v.alone);
        const std::string alone = FixturePath(v.alone);
        NEED_FIXTURE(alone);
        std::vector<std::string> lonePrints;
        ASSERT_TRUE(OpenAtArea(alone, 8));
        const uint64_t fatStart = doc->GetCurrentSector();
        const uint64_t fatEnd = doc->GetAreas().end[doc->GetAreas().Find(fatStart)];
        ASSERT_GT(fatEnd, fatStart + 3);        // a FAT of several sectors: every phase occurs
        for (uint64_t sector = fatStart; sector < fatEnd; ++sector) {
            ASSERT_TRUE(Load(sector));
            printer.Print(doc.get());
            lonePrints.push_back(printer.Text());
        }
        ASSERT_TRUE(doc->OnOpenDocument(disk.c_str()));
        for (uint64_t k = 0; k < lonePrints.size(); ++k) {
            ASSERT_TRUE(Load(v.start + fatStart + k));
            ASSERT_EQ(8u, doc->GetAreaType());
            printer.Print(doc.get());
            EXPECT_EQ(lonePrints[k], printer.Text()) << "FAT sector " << k;
        }
    }
}

TEST_F(PrinterDocument, AreasOfEveryImageChooseTheirPrinter)
{
    // Image, area type, sector within the area, a line the print must hold.
    const struct {
        const char* image;
        uint32_t type;
        uint64_t skip;
        const char* line;
    } cases[] = {
        {"iso9660.img", 12, 0, "  Volume Identifier  : ISOJOLIET"},
        {"iso9660.img", 13, 0, "  SUB"},
        {"iso9660.img", 14, 0, "  README.TXT"},
        {"ntfs.img", 15, 0, "  Name               : \"$MFT\""},
        {"ntfs.img", 15, 1, "  Name               : \"$MFT\""},
        {"ntfs.img", 15, 1, "  Cluster Kette      :"},
        {"ntfs.img", 16, 0, "  Name               : \"$MFT\""},
        {"udf.img", 17, 0, " ECMA "},
        {"exfat.img", 20, 0, " EXFAT Label  (VALID)"},
        {"ext2.img", 21, 0, "  VolumeName             : 'ext2'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.image) + " " + c.line);
        const std::string image = FixturePath(c.image);
        if (!FileExists(image))
            continue;
        ASSERT_TRUE(OpenAtArea(image, c.type, c.skip));
        printer.Print(doc.get());
        EXPECT_GE(printer.FindLine(c.line), 0);
    }
}
