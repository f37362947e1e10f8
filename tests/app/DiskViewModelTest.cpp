// The disk view's window-free parts: status pane texts, pane layout and splitter limits, the
// "Info Ansicht" list positions and the update hints.
#include <gtest/gtest.h>

#include "app/DiskViewModel.h"
#include "disk/InfoTypeDialog.h"

#include <string>

TEST(DiskViewStatusText, MediumPaneNamesTheKindOfMedium)
{
    EXPECT_EQ(FormatMediumPaneText(0xC000, 0), "(Img) Sektor 0 ");
    EXPECT_EQ(FormatMediumPaneText(0xC000, 5000000000ull), "(Img) Sektor 5000000000 ");
    EXPECT_EQ(FormatMediumPaneText(0x8001, 63), "(Phys 1) Sektor 63");
    EXPECT_EQ(FormatMediumPaneText(0, 7), "(A:) Sektor 7");
    EXPECT_EQ(FormatMediumPaneText(2, 7), "(C:) Sektor 7");
    EXPECT_EQ(FormatMediumPaneText(25, 1), "(Z:) Sektor 1");
}

TEST(DiskViewStatusText, PositionPaneShowsClusterOnlyInsideTheClusterArea)
{
    // A FAT16 partition at 2048 whose data area starts at 2048 + 4 + 2 * 64 + 32, 4 sectors
    // per cluster, first cluster 2.
    const uint64_t start = 2048;
    const uint64_t data = start + 4 + 2 * 64 + 32;
    EXPECT_EQ(FormatPositionPaneText(data, data, 4, 2, start), " Cl:2 Sec 164");
    EXPECT_EQ(FormatPositionPaneText(data + 3, data, 4, 2, start), " Cl:2 Sec 167");
    EXPECT_EQ(FormatPositionPaneText(data + 4, data, 4, 2, start), " Cl:3 Sec 168");
    // In the FAT of the same partition: relative sector only.
    EXPECT_EQ(FormatPositionPaneText(start + 5, data, 4, 2, start), " Rel.Sec 5");
    // No cluster numbering at all.
    EXPECT_EQ(FormatPositionPaneText(0, 0, 0, 0, 0), " Rel.Sec 0");
    EXPECT_EQ(FormatPositionPaneText(12345678901ull, 0, 0, 0, 0), " Rel.Sec 12345678901");
}

TEST(DiskViewLayoutTest, PanesAroundTheSplitter)
{
    DiskViewLayout layout = {};
    ASSERT_TRUE(ComputeDiskViewLayout(800, 600, kInitialSplit, &layout));
    EXPECT_EQ(layout.split, 300);
    EXPECT_EQ(layout.hexBottom, 300);
    EXPECT_EQ(layout.hexRight, 800);
    EXPECT_EQ(layout.textTop, 307);
    EXPECT_EQ(layout.textBottom, 600);

    // The decoded text keeps 100 pixels when the split would leave less.
    ASSERT_TRUE(ComputeDiskViewLayout(800, 350, 300, &layout));
    EXPECT_EQ(layout.split, 250);
    // Less than 100 pixels in all: the hex view takes the whole height and the text pane
    // starts below the bottom.
    ASSERT_TRUE(ComputeDiskViewLayout(800, 80, 300, &layout));
    EXPECT_EQ(layout.split, 80);
    EXPECT_EQ(layout.hexBottom, 80);
    EXPECT_EQ(layout.textTop, 87);

    layout.split = 12345;
    EXPECT_FALSE(ComputeDiskViewLayout(0, 600, 300, &layout));
    EXPECT_FALSE(ComputeDiskViewLayout(800, 0, 300, &layout));
    EXPECT_EQ(layout.split, 12345);
}

TEST(DiskViewLayoutTest, SplitterDragStopsAtBothEdges)
{
    EXPECT_EQ(DragSplitPosition(300, 0, 600), 300);
    EXPECT_EQ(DragSplitPosition(300, 50, 600), 350);
    EXPECT_EQ(DragSplitPosition(300, 294, 600), 593);   // 594 >= 600 - 6: 7 above the bottom
    EXPECT_EQ(DragSplitPosition(300, 293, 600), 593);
    EXPECT_EQ(DragSplitPosition(300, 292, 600), 592);
    EXPECT_EQ(DragSplitPosition(300, -400, 600), 0);
}

TEST(DiskViewInfoTypes, ListPositionsMatchTheDialogTexts)
{
    // Each type's position must name it in the dialog's own list.
    const struct {
        int infoType;
        const char* text;
    } expected[] = {
        {1, "MasterBootRecord"},     {2, "Bootsektor"},          {3, "Bootsektor (FAT32)"},
        {4, "Bootsektor (NTFS)"},    {5, "Bootsektor (EXFAT)"},  {6, "Verzeichnis"},
        {7, "Infosektor"},           {8, "FAT12"},               {9, "FAT16"},
        {10, "FAT32"},               {11, "FATEX"},              {12, "VolumeDescriptor"},
        {13, "CD Pfad Tabelle"},     {14, "CD Verzeichnis"},     {15, "Master File Table"},
        {16, "Mirror MFT"},          {17, "Ecma-Tag"},           {18, "GUID Partitionstablle"},
        {19, "GUID Partitioneinträge"}, {20, "EXFAT Verzeichnis"},
    };
    for (const auto& e : expected) {
        const int position = InfoTypeToListPosition(e.infoType);
        ASSERT_GE(position, 1) << e.infoType;
        ASSERT_NE(CInfoTypeDlg::EntryText(position), nullptr);
        EXPECT_STREQ(CInfoTypeDlg::EntryText(position), e.text) << e.infoType;
        EXPECT_EQ(ListPositionToInfoType(position), e.infoType);
    }
    EXPECT_EQ(InfoTypeToListPosition(0), 0);
    EXPECT_STREQ(CInfoTypeDlg::EntryText(0), "<default>");
    EXPECT_EQ(InfoTypeToListPosition(21), -1);   // the ext superblock has no entry
    EXPECT_EQ(ListPositionToInfoType(0), 0);
    EXPECT_EQ(ListPositionToInfoType(-1), 0);
    EXPECT_EQ(ListPositionToInfoType(21), 0);
}

TEST(DiskViewHints, PartsOfTheUpdateHint)
{
    UpdateHintParts parts = DecodeUpdateHint(0);
    EXPECT_FALSE(parts.sameSector);
    EXPECT_EQ(parts.length, 0);
    parts = DecodeUpdateHint((0x1FEu << 8) | 2);
    EXPECT_FALSE(parts.sameSector);
    EXPECT_EQ(parts.offset, 0x1FE);
    EXPECT_EQ(parts.length, 2);
    parts = DecodeUpdateHint(0x80000000u | (0x7FFFFFu << 8) | 0xFF);
    EXPECT_TRUE(parts.sameSector);
    EXPECT_EQ(parts.offset, 0x7FFFFF);
    EXPECT_EQ(parts.length, 255);
    parts = DecodeUpdateHint(kHintNoPrinting);
    EXPECT_EQ(parts.length, 0);
    EXPECT_FALSE(parts.sameSector);
}
