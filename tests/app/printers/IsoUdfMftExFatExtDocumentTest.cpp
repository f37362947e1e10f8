// The ISO 9660, ECMA-167, master file table, exFAT directory and ext superblock printers with
// the real document on the fixture images: the document's scan names the area, its type
// chooses the printer, and what the printer reads beyond the sector (the rest of an MFT record,
// the other half of a superblock) comes through the document from the image.
#include <gtest/gtest.h>

#include <memory>

#include "PrinterTestSupport.h"
#include "disk/DiskDoc.h"
#include "services/AppIdentity.h"

using namespace printertest;

namespace {

class AreaPrinter : public CStructurePrinter {
public:
    AreaPrinter() : pane(2048, 50000, 0, "Text")
    {
        pane.SetEditable(0);
        AddPrinterColorFormats(&pane);
        SetPrinterPane(&pane);
    }
    // Prints the current sector as the view does: by the type of its area.
    void PrintCurrent(CDiskDoc* doc)
    {
        pane.ClearText();
        pane.ClearMarks();
        pane.SetMarkLimit(doc->GetLoadedSize());
        SetPrinterDocument(doc);
        PrintStructure(static_cast<int>(doc->GetAreaType()), doc->GetSectorBuffer(), doc->GetLoadedSize());
    }
    std::string Line(int line) const
    {
        int length = 0;
        const char* text = pane.GetLineText(line, &length);
        return text ? std::string(text, static_cast<size_t>(length)) : std::string();
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

class AreaPrinting : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetAppIdentity("SektorlupeTests", "AreaPrintingTest");
        doc.reset(new CDiskDoc);
        doc->SetPrompts(&prompts);
    }
    void TearDown() override
    {
        doc.reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\SektorlupeTests\\AreaPrintingTest");
    }
    // Opens the image and loads the first sector of its first area of the type.
    bool OpenAtArea(const std::string& image, uint32_t type, uint64_t skip = 0)
    {
        if (!doc->OnOpenDocument(image.c_str()))
            return false;
        const AreaTable& areas = doc->GetAreas();
        for (uint32_t i = 0; i < areas.count; ++i) {
            if (areas.type[i] == type) {
                doc->SetCurrentSector(areas.first[i] + skip);
                return doc->LoadSector(0, 0) != FALSE && doc->GetAreaType() == type;
            }
        }
        return false;
    }
    QuietPrompts prompts;
    std::unique_ptr<CDiskDoc> doc;
    AreaPrinter printer;
};

TEST_F(AreaPrinting, IsoDescriptorPathTableAndDirectory)
{
    const std::string image = FixturePath("iso9660.img");
    NEED_FIXTURE(image);
    ASSERT_TRUE(OpenAtArea(image, 12));
    EXPECT_EQ(doc->GetLoadedSize(), 2048u);
    printer.PrintCurrent(doc.get());
    EXPECT_EQ(printer.Line(1), " VOLUME DESKRIPTOR");
    EXPECT_GE(printer.FindLine("  Volume Identifier  : ISOJOLIET"), 0);
    ASSERT_TRUE(OpenAtArea(image, 13));
    printer.PrintCurrent(doc.get());
    EXPECT_EQ(printer.Line(1), " CD PFAD TABELLE");
    EXPECT_GE(printer.FindLine("  SUB"), 0);
    ASSERT_TRUE(OpenAtArea(image, 14));
    printer.PrintCurrent(doc.get());
    EXPECT_EQ(printer.Line(1), " CD VERZEICHNIS");
    EXPECT_GE(printer.FindLine("  README.TXT"), 0);
    EXPECT_EQ(prompts.asked, 0);
}

TEST_F(AreaPrinting, MftRecordReadThroughTheDocument)
{
    const std::string image = FixturePath("ntfs.img");
    NEED_FIXTURE(image);
    for (uint64_t half = 0; half < 2; ++half) {
        ASSERT_TRUE(OpenAtArea(image, 15, half));
        printer.PrintCurrent(doc.get());
        EXPECT_EQ(printer.Line(1), " MASTER FILE TABLE ENTRY");
        EXPECT_GE(printer.FindLine("  Name               : \"$MFT\""), 0) << half;
        EXPECT_GE(printer.FindLine("  Cluster Kette      :"), 0) << half;
    }
    ASSERT_TRUE(OpenAtArea(image, 16));
    printer.PrintCurrent(doc.get());
    EXPECT_GE(printer.FindLine("  Name               : \"$MFT\""), 0);
}

TEST_F(AreaPrinting, UdfAnchorAndExFatDirectoryAndExtSuperblock)
{
    const std::string udf = FixturePath("udf.img");
    if (FileExists(udf)) {
        ASSERT_TRUE(OpenAtArea(udf, 17));
        printer.PrintCurrent(doc.get());
        EXPECT_EQ(printer.Line(1).substr(0, 6), " ECMA ");
        EXPECT_NE(printer.Line(1), " ECMA TAG");
    }
    const std::string exfat = FixturePath("exfat.img");
    if (FileExists(exfat)) {
        ASSERT_TRUE(OpenAtArea(exfat, 20));
        printer.PrintCurrent(doc.get());
        EXPECT_EQ(printer.Line(1), " EXFAT Label  (VALID)");
    }
    const std::string ext = FixturePath("ext2.img");
    if (FileExists(ext)) {
        ASSERT_TRUE(OpenAtArea(ext, 21));
        printer.PrintCurrent(doc.get());
        EXPECT_EQ(printer.Line(1), " SUPERBLOCK");
        EXPECT_GE(printer.FindLine("  Magic                  : EF53h"), 0);
        EXPECT_GE(printer.FindLine("  VolumeName             : 'ext2'"), 0);
    }
    EXPECT_EQ(prompts.asked, 0);
}

}  // namespace
