// The structure printers of the decoded-text pane: each one writes one on-disk structure
// (a master boot record, a boot sector, a FAT, an MFT record, ...) field by field into the
// pane, with marks that lead from a line back to the bytes it shows.
//
// The printers live in this class rather than in the disk view so that they run without a
// window: they only append to the pane's text model (a CMarkTextView) and ask the document
// for further sectors. CDiskView derives from it and sets both pointers; tests set them to a
// windowless pane and a document of their own.
#pragma once
#include <stdint.h>
#include "app/printers/PrinterFrame.h"
#include "textlib/StrPrintf.h"

class CMarkTextView;
class CDiskDoc;
struct BootField;

class CStructurePrinter {
public:
    // A printer: the sector data and the number of bytes loaded (the sector size, 0 after a
    // read error). It reads no byte at or beyond the loaded size.
    typedef void (CStructurePrinter::*StructurePrinter)(const uint8_t* sector, uint32_t loadedSize);

    // The structure types of the area table.
    enum { INFO_TYPE_COUNT = 22 };

    // Where a status word starts behind its StatusMarker. The partition printers write the
    // marker, a blank and the word; the ECMA-167, exFAT directory and ext printers colour the
    // cells right after the marker, whatever stands there.
    enum StatusWordStart {
        SWS_SKIP_ONE_BLANK,   // the word starts after the marker and one blank, if there is one
        SWS_AFTER_MARKER      // the word starts at the cell right after the marker
    };

    CStructurePrinter();
    virtual ~CStructurePrinter();

    void SetPrinterPane(CMarkTextView* pane) { m_pPrinterPane = pane; }
    CMarkTextView* GetPrinterPane() const { return m_pPrinterPane; }
    void SetPrinterDocument(CDiskDoc* doc) { m_pPrinterDoc = doc; }
    CDiskDoc* GetPrinterDocument() const { return m_pPrinterDoc; }

    // Adds the colour formats 10 to 15 the printers use to a pane (a format that is there
    // already is kept), with the window background.
    static void AddPrinterColorFormats(CMarkTextView* pane);

    // The printer of a structure type (1 to 21); null for 0 and unknown types.
    static StructurePrinter GetStructurePrinter(int infoType);
    // Runs the printer of the type on the sector; 0 and unknown types print nothing, as does
    // a printer without a pane.
    void PrintStructure(int infoType, const uint8_t* sector, uint32_t loadedSize);

    // Partition tables.
    void PrintMbr(const uint8_t* sector, uint32_t loadedSize);
    void PrintGptHeader(const uint8_t* sector, uint32_t loadedSize);
    void PrintGptEntries(const uint8_t* sector, uint32_t loadedSize);
    // Boot sectors.
    void PrintFatBootSector(const uint8_t* sector, uint32_t loadedSize);
    void PrintFat32BootSector(const uint8_t* sector, uint32_t loadedSize);
    void PrintNtfsBootSector(const uint8_t* sector, uint32_t loadedSize);
    void PrintExFatBootSector(const uint8_t* sector, uint32_t loadedSize);
    void PrintFat32InfoSector(const uint8_t* sector, uint32_t loadedSize);
    // FAT tables and directories.
    void PrintFat12Table(const uint8_t* sector, uint32_t loadedSize);
    void PrintFat16Table(const uint8_t* sector, uint32_t loadedSize);
    void PrintFat32Table(const uint8_t* sector, uint32_t loadedSize);
    void PrintExFatTable(const uint8_t* sector, uint32_t loadedSize);
    void PrintFatDirectory(const uint8_t* sector, uint32_t loadedSize);

    // ISO 9660, MFT, ECMA-167, exFAT directory and ext printers
    void PrintIsoVolumeDescriptor(const uint8_t* sector, uint32_t loadedSize);
    void PrintIsoPathTable(const uint8_t* sector, uint32_t loadedSize);
    void PrintIsoDirectory(const uint8_t* sector, uint32_t loadedSize);
    void PrintMftRecord(const uint8_t* sector, uint32_t loadedSize);
    void PrintUdfDescriptor(const uint8_t* sector, uint32_t loadedSize);
    void PrintExFatDirectory(const uint8_t* sector, uint32_t loadedSize);
    void PrintExtSuperblock(const uint8_t* sector, uint32_t loadedSize);
    // end of the ISO 9660, MFT, ECMA-167, exFAT directory and ext printers

protected:
    // --- The pane: every printer writes only through these. ---
    // Appends the text after the last line (a "\n" in it ends a line); returns the index of
    // the last line afterwards, -1 without a pane.
    int AppendText(const char* text);
    // Formats with StrPrintf into a line buffer and appends it; returns as AppendText.
    int AppendFormat(const char* format, ...) STRPRINTF_FORMAT(2, 3);
    int PaneLineCount() const;
    // The text of a line; null past the last line or without a pane.
    const char* PaneLineText(int line) const;
    // A mark joining columns [firstCol, endCol) of a line (endCol -1: to the line's end) to
    // `length` bytes at `offset` of the sector. The pane drops marks at or beyond its limit.
    void AddFieldMark(uint32_t offset, uint32_t length, int line, int firstCol, int endCol);
    // Colours the first `count` cells of a line; a line that does not exist is left alone.
    void ColourLine(int line, const uint8_t* colours, int count);

    // --- The shape every printer shares. ---
    // "\n", a blank, the title and "\n\n": line 1 holds the title, line 3 is the first field.
    void AppendTitle(const char* title);
    // Appends a field line and marks `width` bytes at `offset` on it, whole line; returns
    // the line index.
    int AppendFieldLine(uint32_t offset, uint32_t width, const char* format, ...)
        STRPRINTF_FORMAT(4, 5);
    // Title line (line 1) in colour 10 over `cells` cells.
    void ColourTitleLine(int cells = 64);
    // The standard field colouring over 64 cells: label standard, column 20 blue, the colon
    // green, the value red, the rest blue.
    static void BuildStandardColours(uint8_t colours[64]);
    // Applies `colours` to each existing line from `first` to `last`.
    void ColourLines(int first, int last, const uint8_t* colours, int count);
    // As ColourLines over `normalCount` cells of the 256-cell array `colours`, but a line that
    // holds a StatusMarker gets its status word coloured: 8 cells from the word's start in
    // colour 15 when its first character is 'O', 14 otherwise, and the whole 256-cell array is
    // applied so that the word is reached wherever it stands. The first marker of a line
    // counts.
    void ColourLinesWithStatus(int first, int last, const uint8_t colours[256], int normalCount,
                               StatusWordStart wordStart = SWS_SKIP_ONE_BLANK);
    // Copies `count` bytes of a field into `out`; bytes at or beyond `size` read as 0.
    static void CopyFieldBytes(uint8_t* out, const uint8_t* buf, uint32_t size, uint32_t off,
                               uint32_t count);

    // --- The document: what the printers ask of it. Without a document the answers are
    // those of an empty one (sector 0, nothing loaded, reads fail). Virtual so that a test
    // can stand in for a medium.
    virtual bool HasPrinterDocument() const { return m_pPrinterDoc != nullptr; }
    virtual uint64_t DocCurrentSector() const;
    virtual uint32_t DocLoadedSize() const;
    virtual uint64_t DocFatStart() const;
    virtual uint32_t DocSectorsPerFat() const;
    // 512-byte units per sector of the open medium (1 without a document).
    virtual uint32_t DocUnitsPerSector() const;
    // Reads `count` 512-byte units from `firstUnit` of the open medium into `buffer`.
    virtual bool DocReadUnits(uint64_t firstUnit, uint32_t count, void* buffer) const;
    // The whole MFT record around the current sector (1024 bytes) and the current sector's
    // place in it; 1024 on success, 0 when it cannot be read or there is no document.
    virtual uint32_t DocGetMftRecord(uint8_t* record1024, uint8_t** place) const;

private:
    // The boot sector printers' table-driven lines and their colouring.
    void AppendBootFields(const BootField* fields, int count, const uint8_t* sector,
                          uint32_t loadedSize);
    void ColourBootSectorLines(int lastLine);
    // The record lines of an ISO path table or directory (lines 3 to 203) in `colours` (400
    // cells), each moved right by its count in `over` behind the sector number.
    void ColourIsoRecordLines(const uint8_t* colours, const uint8_t* over);
    // The rows of the 16-bit (format 16), 32-bit (32) and exFAT (0) tables.
    void PrintFatRows(const char* title, const uint8_t* sector, uint32_t loadedSize,
                      uint32_t entryBytes, uint32_t perRow, int format);

    CMarkTextView* m_pPrinterPane = nullptr;
    CDiskDoc* m_pPrinterDoc = nullptr;
};

// The name of a GPT partition type given as GUID text (any case); empty when not known.
const char* GptTypeNameOf(const char* guidText);
