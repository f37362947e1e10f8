#include "app/DiskViewModel.h"

#include "textlib/StrPrintf.h"

namespace {

const uint32_t kDriveCodeImage = 0xC000;
const uint32_t kDriveCodePhysical = 0x8000;

// The InfoType at each list position of the dialog; position 0 is "<default>".
const int kTypeAtPosition[21] = {
    0,  2,  3,  4,  5,  8,  9,  10, 11, 6,  7,
    1,  12, 13, 14, 15, 16, 17, 18, 19, 20,
};

}  // namespace

std::string FormatMediumPaneText(uint32_t driveCode, uint64_t sector)
{
    char text[64];
    const long long number = static_cast<long long>(sector);
    if (driveCode == kDriveCodeImage)
        StrPrintf(text, "(Img) Sektor %I64i ", number);
    else if (driveCode & kDriveCodePhysical)
        StrPrintf(text, "(Phys %i) Sektor %I64i", static_cast<int>(driveCode & 0xFF), number);
    else
        StrPrintf(text, "(%c:) Sektor %I64i", static_cast<int>('A' + (driveCode & 0xFFFF)), number);
    return text;
}

std::string FormatPositionPaneText(uint64_t sector, uint64_t clusterAreaStart, uint32_t sectorsPerCluster,
                                   uint64_t firstCluster, uint64_t partitionStart)
{
    char text[96];
    const uint64_t relative = sector - partitionStart;
    if (sectorsPerCluster > 0 && sector >= clusterAreaStart) {
        const uint64_t cluster = (sector - clusterAreaStart) / sectorsPerCluster + firstCluster;
        StrPrintf(text, " Cl:%I64i Sec %I64i", static_cast<long long>(cluster), static_cast<long long>(relative));
    } else {
        StrPrintf(text, " Rel.Sec %I64i", static_cast<long long>(relative));
    }
    return text;
}

bool ComputeDiskViewLayout(int width, int height, int split, DiskViewLayout* layout)
{
    if (width <= 0 || height <= 0)
        return false;
    if (split + 100 > height)
        split = height - 100;
    if (split < 0)
        split = height;
    return PlaceDiskViewPanes(width, height, split, layout);
}

bool PlaceDiskViewPanes(int width, int height, int split, DiskViewLayout* layout)
{
    if (width <= 0 || height <= 0)
        return false;
    layout->split = split;
    layout->hexLeft = 0;
    layout->hexTop = 0;
    layout->hexRight = width;
    layout->hexBottom = split;
    layout->textLeft = 0;
    layout->textTop = split + kSplitterBarHeight;
    layout->textRight = width;
    layout->textBottom = height;
    return true;
}

int DragSplitPosition(int split, int movement, int height)
{
    if (movement == 0)
        return split;
    split += movement;
    if (split >= height - 6)
        split = height - kSplitterBarHeight;
    if (split < 0)
        split = 0;
    return split;
}

int InfoTypeToListPosition(int infoType)
{
    for (int position = 0; position < 21; ++position)
        if (kTypeAtPosition[position] == infoType)
            return position;
    return -1;
}

int ListPositionToInfoType(int position)
{
    if (position < 1 || position > 20)
        return 0;
    return kTypeAtPosition[position];
}

UpdateHintParts DecodeUpdateHint(uint32_t hint)
{
    UpdateHintParts parts;
    parts.sameSector = (hint & 0x80000000u) != 0;
    parts.offset = static_cast<int>((hint >> 8) & 0x7FFFFF);
    parts.length = static_cast<int>(hint & 0xFF);
    return parts;
}
