#include "datawindow/ModulSet.h"

#include "services/DataStream.h"
#include "services/PathUtils.h"
#include "services/TextScanner.h"
#include "textlib/StrPrintf.h"

#include <cstring>
#include <string>

// commdlg.h names its find dialog FindText; the list's member is meant here.
#undef FindText

const char CModulSet::kNoMemory[] = "Nicht genug Speicher für das Modul.";

CModulSet::CModulSet()
    : m_instrs(sizeof(ModulInstr)),
      m_patterns(sizeof(BytePattern)),
      m_names(0),
      m_modules(sizeof(ModulEntry)),
      m_sources(sizeof(ModulSource)),
      m_errorMode(1),
      m_errorStream(nullptr),
      m_errorLine(0),
      m_errorCount(0),
      m_errorsLeftOut(0),
      m_slot(0),
      m_featureMask(0)
{
    for (int i = 0; i < kSlots; ++i)
        m_rows[i].SetDataSize(sizeof(OutputRow));
}

CModulSet::~CModulSet() = default;

ModulInstr* CModulSet::Instr(int index) const
{
    return static_cast<ModulInstr*>(m_instrs.GetItemDataPtr(index));
}

const ModulInstr* CModulSet::GetInstruction(int index) const
{
    return Instr(index);
}

int32_t CModulSet::ValueOf(int index) const
{
    const ModulInstr* instr = Instr(index);
    return instr ? instr->value : 0;
}

void CModulSet::SetValueOf(int index, int32_t value)
{
    if (ModulInstr* instr = Instr(index))
        instr->value = value;
}

const ModulEntry* CModulSet::GetEntry(int entry) const
{
    return static_cast<const ModulEntry*>(m_modules.GetItemDataPtr(entry));
}

// ---------------------------------------------------------------------------------------------
// Errors

void CModulSet::SetErrorEcho(bool on)
{
    m_errorMode = on ? 1 : 0;
}

void CModulSet::SetErrorStream(CDataStream* stream)
{
    m_errorStream = stream;
    m_errorMode = stream ? 2 : 0;
}

namespace {

void WriteErrorLine(int mode, CDataStream* stream, const char* kind, int line, const char* message)
{
    if (mode == 1) {
        StrPrintfOut("\n%s(%i)\t%s", kind, line, message);
    } else if (mode == 2 && stream) {
        char* text = nullptr;
        const int length = StrPrintfAlloc(&text, "%s(%i)\t%s\r\n", kind, line, message);
        if (text && length > 0)
            stream->Write(text, length);
        free(text);
    }
}

}  // namespace

void CModulSet::ReportError(const char* message, bool warning, bool always)
{
    // Mends a frozen window: a file of nothing but faults wrote a line per fault, minutes of them.
    if (++m_errorCount - m_errorsLeftOut > kMaxReportedErrors && !always) {
        ++m_errorsLeftOut;
        return;
    }
    WriteErrorLine(m_errorMode, m_errorStream, warning ? "Warnung" : "Fehler", m_errorLine, message ? message : "");
}

void CModulSet::ReportErrorsLeftOut()
{
    // Part of the same mend: the faults the bound left out are told as one count, so that the
    // text shown does not pass for all of them.
    if (m_errorsLeftOut == 0)
        return;
    char text[120];
    StrNPrintf(text, sizeof text, "%i weitere Fehler und Warnungen werden nicht angezeigt.", m_errorsLeftOut);
    WriteErrorLine(m_errorMode, m_errorStream, "Fehler", 0, text);
}

// ---------------------------------------------------------------------------------------------
// Loading

int CModulSet::LoadFile(const char* path, const char* name)
{
    m_errorLine = 0;
    m_errorCount = 0;
    m_errorsLeftOut = 0;
    try {
        return LoadFileChecked(path, name);
    } catch (...) {
        // Compile leaves the lists as they were; this catches what the opening allocates.
        m_errorLine = 0;
        ReportError(kNoMemory, false);
        return 0;
    }
}

int CModulSet::LoadFileChecked(const char* path, const char* name)
{
    CTextScanner scanner(32768);
    if (!path || !scanner.OpenEx(path, STREAM_READ)) {
        ReportError("Kann Datei nicht öffnen.", false);
        return 0;
    }
    // A file far larger than any module would hold the window (and its memory) while it
    // compiles, at every start when it is in the list; the bounds say where that begins.
    // Mends a frozen start: a huge file in the module list held the window for minutes.
    const long long size = scanner.Seek(0, STREAM_END);
    if (size < 0 || size > kMaxFileBytes || scanner.Seek(0, STREAM_BEGIN) != 0) {
        char text[80];
        StrNPrintf(text, sizeof text, "Datei ist zu groß für ein Modul (mehr als %i MB).", kMaxFileBytes >> 20);
        ReportError(text, false);
        scanner.Close();
        return 0;
    }
    // Mends the same frozen start for a list of many large files, each below the bound.
    if (m_bytesLeft >= 0) {
        if (size > m_bytesLeft) {
            char text[80];
            StrNPrintf(text, sizeof text, "Die Module der Liste sind zusammen größer als %i MB.", kMaxListBytes >> 20);
            ReportError(text, false);
            scanner.Close();
            return 0;
        }
        m_bytesLeft -= size;
    }
    std::string fileName;
    if (!name) {
        // The file name without its folder, up to its first ".", at most 63 characters.
        const char* part = path;
        for (const char* p = path; *p; ++p)
            if (*p == '\\' || *p == '/')
                part = p + 1;
        fileName.assign(part, std::strcspn(part, "."));
        if (fileName.size() > 63)
            fileName.resize(63);
        name = fileName.c_str();
    }
    const int result = Compile(&scanner, name);
    scanner.Close();
    return result;
}

void CModulSet::RemoveAll()
{
    ForgetValueNames();
    m_modules.Clear();
    m_sources.Clear();
    m_patterns.Clear();
    m_names.Clear();
    for (int i = 0; i < kSlots; ++i) {
        m_rows[i].Clear();
        m_rowNames[i].Clear();
    }
    // The shared variables stay.
    m_instrs.RemoveRange(4, m_instrs.GetCount());
}

// ---------------------------------------------------------------------------------------------
// Slots and rows

int CModulSet::RunSlot(const uint8_t* data, int size, int entry, int maxRows, int startOffset)
{
    return Run(m_slot, data, size, entry, maxRows, startOffset);
}

int CModulSet::RunByName(int slot, const uint8_t* data, int size, const char* name, int maxRows, int startOffset)
{
    const int entry = name ? m_modules.FindText(name) : -1;
    return entry >= 0 ? Run(slot, data, size, entry, maxRows, startOffset) : 0;
}

int CModulSet::SelectSlot(int slot)
{
    const int previous = m_slot;
    // A negative slot would index the output lists before their first.
    if (slot >= 0 && slot < kSlots)
        m_slot = slot;
    return previous;
}

void CModulSet::ClearSlot(int slot)
{
    if (slot < 0)
        slot = m_slot;
    if (slot < kSlots) {
        m_rows[slot].Clear();
        m_rowNames[slot].Clear();
    }
}

int CModulSet::GetRowCount(int slot) const
{
    if (slot < 0)
        slot = m_slot;
    return slot < kSlots ? m_rows[slot].GetCount() : 0;
}

const OutputRow* CModulSet::GetRow(int slot, int row, const char** name, const char** value, int* nameLength,
                                   int* valueLength) const
{
    static const char kEmpty[] = "";
    const char* n = kEmpty;
    const char* v = kEmpty;
    int nl = 0, vl = 0;
    const OutputRow* r = nullptr;
    if (slot >= 0 && slot < kSlots) {
        r = static_cast<const OutputRow*>(m_rows[slot].GetItemDataPtr(row));
        if (r) {
            const char* text = m_rows[slot].GetTextAndLength(row, &vl);
            v = text ? text : kEmpty;
            const char* found = r->nameRef >= 0 ? m_instrs.GetTextAndLength(r->nameRef, &nl)
                                                : m_rowNames[slot].GetTextAndLength(-r->nameRef, &nl);
            n = found ? found : kEmpty;
        }
    }
    if (name)
        *name = n;
    if (value)
        *value = v;
    if (nameLength)
        *nameLength = nl;
    if (valueLength)
        *valueLength = vl;
    return r;
}

// ---------------------------------------------------------------------------------------------
// Lists

int CModulSet::FindSource(const char* name) const
{
    return name ? m_sources.FindText(name) : -1;
}

int CModulSet::FindEntry(const char* name, int source) const
{
    if (!name)
        return -1;
    if (source > 0)
        return m_modules.FindText(name, GetSourceFirstEntry(source), GetSourceEndEntry(source));
    return m_modules.FindText(name);
}

int CModulSet::GetSourceFirstEntry(int source) const
{
    const ModulSource* s = static_cast<const ModulSource*>(m_sources.GetItemDataPtr(source));
    return s ? s->firstEntry : m_modules.GetCount();
}

int CModulSet::GetSourceEndEntry(int source) const
{
    if (!m_sources.GetItemDataPtr(source))
        return m_modules.GetCount();
    return source + 1 < m_sources.GetCount() ? GetSourceFirstEntry(source + 1) : m_modules.GetCount();
}

// A negative n is refused as one of 4 or more is: it would name the variables of the module
// before this one, or one of its lines, and change that value.
int CModulSet::SetParam(int source, int n, int32_t value)
{
    const ModulSource* s = static_cast<const ModulSource*>(m_sources.GetItemDataPtr(source));
    if (!s || n < 0 || n >= 4 || s->firstInstr - 4 + n < 0)
        return -1;
    const int index = s->firstInstr - 4 + n;
    SetValueOf(index, value);
    return index;
}

int CModulSet::GetParam(int source, int n, int32_t* value) const
{
    const ModulSource* s = static_cast<const ModulSource*>(m_sources.GetItemDataPtr(source));
    if (value)
        *value = 0;
    if (!s || n < 0 || n >= 4 || s->firstInstr - 4 + n < 0)
        return -1;
    const int index = s->firstInstr - 4 + n;
    if (value)
        *value = ValueOf(index);
    return index;
}
