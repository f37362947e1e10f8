// The printer dispatch and the frame the printers share: appending lines, marks, colours,
// and what the printers ask of the document.
#include "app/printers/StructurePrinter.h"

#include <stdarg.h>
#include <string.h>

#include "disk/DiskDoc.h"
#include "editor/MarkTextView.h"
#include "textlib/StrPrintf.h"

namespace {

// The pane keeps lines of at most 2048 characters; a little more room lets the editor cut.
const int kLineBufferSize = 2100;

}  // namespace

CStructurePrinter::CStructurePrinter() {}

CStructurePrinter::~CStructurePrinter() {}

void CStructurePrinter::AddPrinterColorFormats(CMarkTextView* pane)
{
    if (!pane)
        return;
    // A negative id finds the format of that id and adds it only when it is missing.
    for (const PrinterColorFormat& f : PrinterColorFormats)
        pane->AddColorFormat(f.rgb, static_cast<COLORREF>(-1), f.name, -f.number, 0);
}

CStructurePrinter::StructurePrinter CStructurePrinter::GetStructurePrinter(int infoType)
{
    // Indexed by the area type of the area table.
    static const StructurePrinter printers[INFO_TYPE_COUNT] = {
        nullptr,
        &CStructurePrinter::PrintMbr,
        &CStructurePrinter::PrintFatBootSector,
        &CStructurePrinter::PrintFat32BootSector,
        &CStructurePrinter::PrintNtfsBootSector,
        &CStructurePrinter::PrintExFatBootSector,
        &CStructurePrinter::PrintFatDirectory,
        &CStructurePrinter::PrintFat32InfoSector,
        &CStructurePrinter::PrintFat12Table,
        &CStructurePrinter::PrintFat16Table,
        &CStructurePrinter::PrintFat32Table,
        &CStructurePrinter::PrintExFatTable,
        &CStructurePrinter::PrintIsoVolumeDescriptor,
        &CStructurePrinter::PrintIsoPathTable,
        &CStructurePrinter::PrintIsoDirectory,
        &CStructurePrinter::PrintMftRecord,
        &CStructurePrinter::PrintMftRecord,   // the mirror holds the same records
        &CStructurePrinter::PrintUdfDescriptor,
        &CStructurePrinter::PrintGptHeader,
        &CStructurePrinter::PrintGptEntries,
        &CStructurePrinter::PrintExFatDirectory,
        &CStructurePrinter::PrintExtSuperblock,
    };
    if (infoType <= 0 || infoType >= INFO_TYPE_COUNT)
        return nullptr;
    return printers[infoType];
}

void CStructurePrinter::PrintStructure(int infoType, const uint8_t* sector, uint32_t loadedSize)
{
    StructurePrinter printer = GetStructurePrinter(infoType);
    if (!printer || !m_pPrinterPane || !sector)
        return;
    // Printers read only the loaded bytes (a field beyond them reads as zeros). After a failed
    // read the loaded size is 0 while the buffer still holds the sector read before: its
    // values, shown under this sector's title, would pass for this sector's contents.
    (this->*printer)(sector, loadedSize);
}

// --- the pane -------------------------------------------------------------------------

int CStructurePrinter::AppendFormat(const char* format, ...)
{
    char line[kLineBufferSize];
    va_list args;
    va_start(args, format);
    StrVNPrintf(line, sizeof(line), format, args);
    va_end(args);
    return AppendText(line);
}

int CStructurePrinter::AppendText(const char* text)
{
    if (!m_pPrinterPane)
        return -1;
    // Appended behind the last line however long the listing is: a fixed line 1000 would glue
    // the text of a long FAT listing onto that line instead.
    m_pPrinterPane->AppendText(text);
    return m_pPrinterPane->GetLineCount() - 1;
}

int CStructurePrinter::PaneLineCount() const
{
    return m_pPrinterPane ? m_pPrinterPane->GetLineCount() : 0;
}

const char* CStructurePrinter::PaneLineText(int line) const
{
    if (!m_pPrinterPane || line < 0 || line >= m_pPrinterPane->GetLineCount())
        return nullptr;
    return m_pPrinterPane->GetLineText(line, nullptr);
}

void CStructurePrinter::AddFieldMark(uint32_t offset, uint32_t length, int line, int firstCol,
                                     int endCol)
{
    if (!m_pPrinterPane || line < 0 || length == 0 || offset > 0xFFFF)
        return;
    // Marks hold 16-bit offsets and lengths; a field longer than that is cut.
    if (length > 0xFFFF)
        length = 0xFFFF;
    m_pPrinterPane->AddMark(static_cast<uint16_t>(offset), static_cast<uint16_t>(length), line,
                            firstCol, endCol);
}

void CStructurePrinter::ColourLine(int line, const uint8_t* colours, int count)
{
    if (!m_pPrinterPane || line < 0 || line >= m_pPrinterPane->GetLineCount())
        return;
    m_pPrinterPane->SetLineColors(line, colours, count, -1, 1);
}

// --- the shared shape -----------------------------------------------------------------

void CStructurePrinter::AppendTitle(const char* title)
{
    AppendFormat("\n %s\n\n", title);
}

int CStructurePrinter::AppendFieldLine(uint32_t offset, uint32_t width, const char* format, ...)
{
    char text[kLineBufferSize];
    va_list args;
    va_start(args, format);
    StrVNPrintf(text, sizeof(text), format, args);
    va_end(args);
    int line = AppendText(text);
    AddFieldMark(offset, width, line, 0, -1);
    return line;
}

void CStructurePrinter::ColourTitleLine(int cells)
{
    uint8_t colours[256];
    if (cells > 256)
        cells = 256;
    memset(colours, PC_BLUE, sizeof(colours));
    ColourLine(1, colours, cells);
}

void CStructurePrinter::BuildStandardColours(uint8_t colours[64])
{
    for (int i = 0; i < 64; ++i) {
        if (i < 20)
            colours[i] = PC_NONE;
        else if (i == 20)
            colours[i] = PC_BLUE;
        else if (i == 21)
            colours[i] = PC_GREEN;   // the colon
        else if (i < 42)
            colours[i] = PC_RED;     // the value
        else
            colours[i] = PC_BLUE;
    }
}

void CStructurePrinter::ColourLines(int first, int last, const uint8_t* colours, int count)
{
    const int lineCount = PaneLineCount();
    for (int line = first; line <= last && line < lineCount; ++line)
        ColourLine(line, colours, count);
}

void CStructurePrinter::ColourLinesWithStatus(int first, int last, const uint8_t colours[256],
                                              int normalCount, StatusWordStart wordStart)
{
    const int lineCount = PaneLineCount();
    uint8_t statusColours[256];
    for (int line = first; line <= last && line < lineCount; ++line) {
        const char* text = PaneLineText(line);
        const char* marker = text ? strchr(text, static_cast<char>(StatusMarker)) : nullptr;
        if (!marker) {
            ColourLine(line, colours, normalCount);
            continue;
        }
        int start = static_cast<int>(marker - text) + 1;
        if (wordStart == SWS_SKIP_ONE_BLANK && text[start] == ' ')
            ++start;
        const uint8_t wordColour = text[start] == 'O' ? PC_OK : PC_ERROR;
        memcpy(statusColours, colours, sizeof(statusColours));
        for (int i = 0; i < 8 && start + i < 256; ++i)
            statusColours[start + i] = wordColour;
        ColourLine(line, statusColours, 256);
    }
}

void CStructurePrinter::CopyFieldBytes(uint8_t* out, const uint8_t* buf, uint32_t size,
                                       uint32_t off, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i)
        out[i] = (off < size && i < size - off) ? buf[off + i] : 0;
}

// --- the document ---------------------------------------------------------------------

uint64_t CStructurePrinter::DocCurrentSector() const
{
    return m_pPrinterDoc ? m_pPrinterDoc->GetCurrentSector() : 0;
}

uint32_t CStructurePrinter::DocLoadedSize() const
{
    return m_pPrinterDoc ? m_pPrinterDoc->GetLoadedSize() : 0;
}

// The FAT of the volume the current sector lies in: a disk may hold several FAT volumes,
// and only the sector's own FAT gives its place for the 12-bit phase.
uint64_t CStructurePrinter::DocFatStart() const
{
    return m_pPrinterDoc ? m_pPrinterDoc->GetScan().FatStartOf(m_pPrinterDoc->GetCurrentSector()) : 0;
}

uint32_t CStructurePrinter::DocSectorsPerFat() const
{
    return m_pPrinterDoc ? m_pPrinterDoc->GetScan().SectorsPerFatOf(m_pPrinterDoc->GetCurrentSector()) : 1;
}

uint32_t CStructurePrinter::DocUnitsPerSector() const
{
    uint32_t units = m_pPrinterDoc ? m_pPrinterDoc->GetUnitsPerSector() : 1;
    return units ? units : 1;
}

bool CStructurePrinter::DocReadUnits(uint64_t firstUnit, uint32_t count, void* buffer) const
{
    if (!m_pPrinterDoc || !buffer)
        return false;
    return m_pPrinterDoc->ReadUnits(firstUnit, count, buffer) != 0;
}

uint32_t CStructurePrinter::DocGetMftRecord(uint8_t* record1024, uint8_t** place) const
{
    if (!m_pPrinterDoc)
        return 0;
    return m_pPrinterDoc->GetMftRecord(record1024, place);
}
