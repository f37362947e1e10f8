// What the disk view computes without a window: the texts of its two status panes, the
// layout of its panes around the splitter, the list positions of the "Info Ansicht" dialog
// and the parts of the document's update hints.
#pragma once
#include <stdint.h>
#include <string>

// The medium pane: "(Img) Sektor %I64i " for an image, "(Phys %i) Sektor %I64i" for a
// physical drive, "(%c:) Sektor %I64i" for everything else (drive letters, and partitions
// of a disk, which have no text of their own).
std::string FormatMediumPaneText(uint32_t driveCode, uint64_t sector);

// The position pane: " Cl:%I64i Sec %I64i" with the cluster number and the sector relative
// to its partition when the sector lies in a cluster area, else " Rel.Sec %I64i".
std::string FormatPositionPaneText(uint64_t sector, uint64_t clusterAreaStart, uint32_t sectorsPerCluster,
                                   uint64_t firstCluster, uint64_t partitionStart);

struct DiskViewLayout {
    int split;                 // the hex view's height; the bar lies below it
    int hexLeft, hexTop, hexRight, hexBottom;
    int textLeft, textTop, textRight, textBottom;
};

const int kSplitterBarHeight = 7;
const int kInitialSplit = 300;

// The panes in a client area of width x height: at least 100 pixels for the decoded text
// when there is room, the whole height for the hex view when there is not. False (nothing
// to lay out) when the area is empty; `split` is then unchanged.
bool ComputeDiskViewLayout(int width, int height, int split, DiskViewLayout* layout);
// The panes around the bar at `split` as it is, with no room kept for the decoded text: how
// a splitter drag places them. False when the area is empty.
bool PlaceDiskViewPanes(int width, int height, int split, DiskViewLayout* layout);

// The split after a splitter drag by `movement` pixels in a client area `height` high: at
// most 7 pixels above the bottom, never above the top.
int DragSplitPosition(int split, int movement, int height);

// "Info Ansicht" list positions: 0 "<default>", then the types in the dialog's order. The
// ext superblock (21) has no position (-1).
int InfoTypeToListPosition(int infoType);
// The InfoType of a list position 1 to 20; 0 for anything else.
int ListPositionToInfoType(int position);

// The document's update hint as the view reads it.
struct UpdateHintParts {
    bool sameSector;   // bit 31: only the selection changes
    int offset;        // bits 8 to 30
    int length;        // bits 0 to 7
};
UpdateHintParts DecodeUpdateHint(uint32_t hint);

const uint32_t kHintNoPrinting = 0x100000;   // buffer and status panes only
const uint32_t kHintUnprotected = 0xFFFFF100u;
const uint32_t kHintProtected = 0xFFFFF200u;
