// Shared by the volume-scan tests: the fixture images and the tools' reports beside them,
// small parsers for those reports, and looks into a scan result.
#pragma once
#include "disk/VolumeScan.h"
#include <stdint.h>
#include <string>

namespace scantest {

// <build>\fixtures\<name>, where make-images.sh leaves the images and reports.
std::string FixturePath(const std::string& name);
bool FileExists(const std::string& path);
bool LoadText(const std::string& path, std::string* text);

// The integer that follows the first `label` at or after `from` (blanks, ':', '=' and '('
// skipped; "0x" prefixed hexadecimal accepted). *next (may be null) gets the position
// behind the number. False when the label or the number is missing.
bool NumberAfter(const std::string& text, const std::string& label, uint64_t* value, size_t from = 0,
                 size_t* next = nullptr);
// The integer standing right in front of the first `label` (blanks between skipped).
bool NumberBefore(const std::string& text, const std::string& label, uint64_t* value);

// Opens the image read-only and scans it as the document scans an image file.
bool ScanImage(const std::string& path, VolumeScanResult* result);

// Which way the fixture tests reach a scan: the scanner over the image file, or the sector
// document opening the path exactly as the program does.
enum ScanPath { kThroughScanner, kThroughDocument };
void SetScanPath(ScanPath path);
// ScanImage, or the document's tables after CDiskDoc::OnOpenDocument of the path.
bool ScanFixture(const std::string& path, VolumeScanResult* result);

// Index of the area [first, end) of the type, -1 when there is none.
int FindArea(const VolumeScanResult& r, uint64_t first, uint64_t end, uint32_t type);
// Index of the first area of the type that begins at `first`, -1 when none.
int FindAreaAt(const VolumeScanResult& r, uint64_t first, uint32_t type);
// Index of the region that begins at `start`, -1 when none.
int FindRegion(const VolumeScanResult& r, uint64_t start);
// The table as text, for failure messages.
std::string Describe(const VolumeScanResult& r);

}  // namespace scantest
