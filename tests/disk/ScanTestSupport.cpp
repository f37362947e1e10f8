#include "ScanTestSupport.h"
#include "DiskDocTestSupport.h"
#include <gtest/gtest.h>
#include "tests/support/TestSupport.h"
#include <ctype.h>
#include <stdio.h>
#include <fstream>
#include <sstream>

namespace scantest {

std::string FixturePath(const std::string& name)
{
    return testsupport::BinaryDir() + "\\fixtures\\" + name;
}

bool FileExists(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool LoadText(const std::string& path, std::string* text)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    *text = s.str();
    return true;
}

bool NumberAfter(const std::string& text, const std::string& label, uint64_t* value, size_t from, size_t* next)
{
    size_t p = text.find(label, from);
    if (p == std::string::npos)
        return false;
    p += label.size();
    while (p < text.size() && (text[p] == ' ' || text[p] == '\t' || text[p] == ':' || text[p] == '=' || text[p] == '('))
        ++p;
    int base = 10;
    if (p + 1 < text.size() && text[p] == '0' && (text[p + 1] == 'x' || text[p + 1] == 'X')) {
        base = 16;
        p += 2;
    }
    size_t start = p;
    uint64_t v = 0;
    while (p < text.size() && (base == 16 ? isxdigit(static_cast<unsigned char>(text[p])) : isdigit(static_cast<unsigned char>(text[p])))) {
        char c = text[p];
        v = v * base + (isdigit(static_cast<unsigned char>(c)) ? c - '0' : (tolower(c) - 'a' + 10));
        ++p;
    }
    if (p == start)
        return false;
    *value = v;
    if (next)
        *next = p;
    return true;
}

bool NumberBefore(const std::string& text, const std::string& label, uint64_t* value)
{
    size_t p = text.find(label);
    if (p == std::string::npos)
        return false;
    while (p > 0 && text[p - 1] == ' ')
        --p;
    size_t end = p;
    while (p > 0 && isdigit(static_cast<unsigned char>(text[p - 1])))
        --p;
    if (p == end)
        return false;
    *value = strtoull(text.substr(p, end - p).c_str(), nullptr, 10);
    return true;
}

bool ScanImage(const std::string& path, VolumeScanResult* result)
{
    ImageFileSource src;
    if (!src.Open(path.c_str()))
        return false;
    result->driveCode = DRIVECODE_IMAGE;
    result->sectorCount = src.SizeInUnits();
    result->bytesPerSector = 512;
    result->unitsPerSector = 1;
    VolumeScanner scanner(src, *result);
    scanner.AnalyzeVolume();
    result->areas.Sort();
    return true;
}

namespace {
ScanPath g_scanPath = kThroughScanner;
}  // namespace

void SetScanPath(ScanPath path)
{
    g_scanPath = path;
}

bool ScanFixture(const std::string& path, VolumeScanResult* result)
{
    if (g_scanPath == kThroughScanner)
        return ScanImage(path, result);
    doctest::ScriptedPrompts prompts;
    CDiskDoc* doc = doctest::NewDocument();
    doc->SetPrompts(&prompts);
    BOOL opened = doc->OnOpenDocument(path.c_str());
    EXPECT_TRUE(opened) << path;
    EXPECT_EQ(0, prompts.unexpected) << "the document asked something while opening " << path;
    if (opened) {
        *result = doc->GetScan();
        // What the document copied back from the scan must be what the scan left.
        EXPECT_EQ(doc->GetSectorCount(), result->sectorCount);
        EXPECT_EQ(doc->GetUnitsPerSector(), result->unitsPerSector);
        EXPECT_EQ(static_cast<uint32_t>(LOADSTATE_LOADED), doc->GetLoadState());
        EXPECT_EQ(0u, doc->GetCurrentSector());
        for (uint32_t i = 1; i < result->areas.count; ++i)
            EXPECT_LE(result->areas.first[i - 1], result->areas.first[i]) << "areas not sorted";
    }
    delete doc;
    return opened != FALSE;
}

int FindArea(const VolumeScanResult& r, uint64_t first, uint64_t end, uint32_t type)
{
    for (uint32_t i = 0; i < r.areas.count; ++i)
        if (r.areas.first[i] == first && r.areas.end[i] == end && r.areas.type[i] == type)
            return static_cast<int>(i);
    return -1;
}

int FindAreaAt(const VolumeScanResult& r, uint64_t first, uint32_t type)
{
    for (uint32_t i = 0; i < r.areas.count; ++i)
        if (r.areas.first[i] == first && r.areas.type[i] == type)
            return static_cast<int>(i);
    return -1;
}

int FindRegion(const VolumeScanResult& r, uint64_t start)
{
    for (uint32_t i = 0; i < r.regions.count; ++i)
        if (r.regions.regionStart[i] == start)
            return static_cast<int>(i);
    return -1;
}

std::string Describe(const VolumeScanResult& r)
{
    std::string s;
    char line[200];
    for (uint32_t i = 0; i < r.areas.count; ++i) {
        snprintf(line, sizeof line, "  area %u: [%llu, %llu) type %u %s\n", i,
                 static_cast<unsigned long long>(r.areas.first[i]), static_cast<unsigned long long>(r.areas.end[i]),
                 r.areas.type[i], r.areas.DisplayName(i));
        s += line;
    }
    for (uint32_t i = 0; i < r.regions.count; ++i) {
        snprintf(line, sizeof line, "  region %u: start %llu data %llu spc %u clusters %llu first %llu\n", i,
                 static_cast<unsigned long long>(r.regions.regionStart[i]),
                 static_cast<unsigned long long>(r.regions.dataStart[i]), r.regions.sectorsPerCluster[i],
                 static_cast<unsigned long long>(r.regions.clusterCount[i]),
                 static_cast<unsigned long long>(r.regions.firstCluster[i]));
        s += line;
    }
    for (uint32_t i = 0; i < r.partitionStarts.count; ++i) {
        snprintf(line, sizeof line, "  partition start %llu\n", static_cast<unsigned long long>(r.partitionStarts.start[i]));
        s += line;
    }
    return s;
}

}  // namespace scantest
