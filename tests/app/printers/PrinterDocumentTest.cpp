// The printers with the real document: the GPT header reads its entry array through
// CDiskDoc::ReadUnits, and the FAT12 printer takes the sector's place in its FAT from the
// document's volume scan of the image.
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
    void Print(int type, CDiskDoc* doc)
    {
        pane.ClearText();
        pane.ClearMarks();
        pane.SetMarkLimit(doc->GetLoadedSize());
        SetPrinterDocument(doc);
        PrintStructure(type, doc->GetSectorBuffer(), doc->GetLoadedSize());
    }
    std::string Line(int line) const
    {
        int length = 0;
        const char* text = pane.GetLineText(line, &length);
        return text ? std::string(text, static_cast<size_t>(length)) : std::string();
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
    }
    bool Load(uint64_t sector)
    {
        doc->SetCurrentSector(sector);
        return doc->LoadSector(0, 0) != FALSE;
    }
    QuietPrompts prompts;
    std::unique_ptr<CDiskDoc> doc;
};

}  // namespace

TEST_F(PrinterDocument, GptHeaderChecksTheArrayReadThroughTheDocument)
{
    const std::string image = FixturePath("gpt.img");
    NEED_FIXTURE(image);
    std::string crcs;
    NEED_REPORT(image + ".zlibcrc.txt", crcs);
    std::string arrayCrc;
    ASSERT_TRUE(TextAfter(crcs, "array", &arrayCrc));
    ASSERT_TRUE(doc->OnOpenDocument(image.c_str()));
    ASSERT_TRUE(Load(1));
    ASSERT_EQ(512u, doc->GetLoadedSize());
    DocumentPrinter p;
    p.Print(18, doc.get());
    EXPECT_NE(std::string::npos, p.Line(7).find("h\xA0 OK")) << p.Line(7);
    EXPECT_EQ("  PartitionCrc       : " + arrayCrc + "h\xA0 OK", p.Line(17));
    EXPECT_EQ(0, prompts.asked);
}

TEST_F(PrinterDocument, GptHeaderWithoutAMediumCannotCheckTheArray)
{
    // Nothing open: the sector buffer holds nothing and reads fail.
    DocumentPrinter p;
    std::vector<uint8_t> header;
    const std::string image = FixturePath("gpt.img");
    NEED_FIXTURE(image);
    ASSERT_TRUE(LoadBytes(image, 512, 512, &header));
    p.SetPrinterDocument(doc.get());
    p.pane.SetMarkLimit(512);
    p.PrintStructure(18, header.data(), 512);
    EXPECT_NE(std::string::npos, p.Line(17).find("\xA0 UNKNOWN")) << p.Line(17);
    EXPECT_NE(std::string::npos, p.Line(7).find("\xA0 OK")) << p.Line(7);
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

    DocumentPrinter p;
    // The first sector of each FAT starts with the media entry; the next sector of the first
    // FAT starts with the top eight bits of an entry cut at the sector end.
    for (uint64_t first : {reserved, reserved + sectorsPerFat}) {
        ASSERT_TRUE(Load(first));
        p.Print(8, doc.get());
        std::istringstream row(p.Line(3));
        std::string token;
        row >> token;
        char expected[8];
        snprintf(expected, sizeof expected, "%03X", static_cast<unsigned>(0xF00 | media));
        EXPECT_EQ(expected, token) << "sector " << first;
    }
    ASSERT_TRUE(Load(reserved + 1));
    p.Print(8, doc.get());
    std::istringstream row(p.Line(3));
    std::string token;
    row >> token;
    EXPECT_EQ(3u, token.size());
    EXPECT_EQ('?', token[2]) << token;
    EXPECT_EQ(0, prompts.asked);
}
