// CDriveSelectDlg ("Laufwerk auswählen"): the media the user can open — drive letters,
// physical drives and, on request, an image file — as an owner-drawn list with the shell's
// icons, coloured by kind. It returns the chosen drive code.
//
// The list is built without a window (BuildDriveList) from what a DriveQueries object
// answers, so the texts, kinds, sizes and the preselection are tested on a made-up machine;
// the dialog asks the real system through SystemDriveQueries.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <stdint.h>
#include "classlib/Dialog.h"
#include "classlib/String.h"
#include "services/TextList.h"

// What the drive list needs to know about the machine.
class DriveQueries {
public:
    virtual ~DriveQueries() {}
    // The bit mask of GetLogicalDrives (bit 0 = A:).
    virtual DWORD LogicalDrives() = 0;
    // GetDriveTypeA of the letter's root (letter 0 = A).
    virtual UINT DriveType(int letter) = 0;
    // Label and file-system name of the letter's volume; false when the volume does not
    // answer (no medium in the drive), the texts then empty.
    virtual bool VolumeInfo(int letter, char* label, int labelSize, char* fileSystem, int fileSystemSize) = 0;
    // Size of the medium in 512-byte units (0 when unknown) and its sector size (0 unknown).
    virtual uint64_t MediumUnits(uint32_t driveCode, uint32_t* bytesPerSector) = 0;
    // Drive code of the physical drive that holds the letter (0x8000 + disk), 0 when unknown.
    virtual uint32_t PhysicalDriveOfLetter(int letter) = 0;
    // Index in the shell's small system image list of the path's icon; with attributes the
    // path need not exist (the shell answers for that kind of object). -1 when none.
    virtual int IconIndex(const char* path, DWORD fileAttributes) = 0;
};

// The answers of the running system (volume queries, the device layer, the shell).
class SystemDriveQueries : public DriveQueries {
public:
    DWORD LogicalDrives() override;
    UINT DriveType(int letter) override;
    bool VolumeInfo(int letter, char* label, int labelSize, char* fileSystem, int fileSystemSize) override;
    uint64_t MediumUnits(uint32_t driveCode, uint32_t* bytesPerSector) override;
    uint32_t PhysicalDriveOfLetter(int letter) override;
    int IconIndex(const char* path, DWORD fileAttributes) override;
};

// Kinds of entries; the small-size bit marks media above 0 and below 8192 MB.
enum DriveEntryKind : uint32_t {
    DRIVEKIND_IMAGE = 0,
    DRIVEKIND_PHYSICAL = 1,
    DRIVEKIND_LETTER = 2,
    DRIVEKIND_CDROM = 3,
    DRIVEKIND_FAT = 4,
    DRIVEKIND_NTFS = 5,
    DRIVEKIND_SMALL = 0x100,
};

// The 16 bytes each entry of the list carries beside its text.
struct DriveEntryData {
    uint32_t driveCode;
    uint32_t iconIndex;
    uint32_t kind;
    uint32_t sizeMB;
};

enum DriveListMode {
    DRIVELIST_ALL = 0,          // drive letters and physical drives
    DRIVELIST_PHYSICAL = 1,     // physical drives only
    DRIVELIST_LETTERS = 2,      // drive letters only
};

struct DriveListOptions {
    int mode = DRIVELIST_ALL;
    int imageEntry = 0;         // nonzero: "Image-Datei" (0xC000) at the end
    int noCdRom = 0;            // nonzero: CD-ROM drives left out
    int fatOnly = 0;            // nonzero: of the drive letters only those whose text names FAT
    uint32_t sizeLimitMB = 0;   // nonzero: media larger than this left out
};

const uint32_t kDriveCodeImageFile = 0xC000;
const uint32_t kDriveCodePhysical = 0x8000;

// "   (%i.%02i MB)" and its siblings: the size of a medium given in KiB.
void FormatDriveSize(uint64_t kib, char* text, int size);

// A volume label written in one case only becomes title case (in place): a letter behind a
// blank or a punctuation character is upper case, every other letter lower case.
void TitleCaseLabel(char* label);

// The text of the entry for a drive code: "PhysicalDrive%i" with size and letters, or the
// label, letter, drive type and file system of a drive letter. False when the medium is not
// listed (absent, network drive, physical drive without size). letterDisks[l] is the
// physical drive number behind letter l, 0xFF for none (may be null).
bool MakeDriveText(uint32_t driveCode, DriveQueries& queries, const uint8_t* letterDisks, char* text, int size,
                   int* iconIndex);

// Fills the list (16 bytes of DriveEntryData per item) in the order of the dialog: drive
// letters, physical drives, the image entry. Returns the number of entries.
int BuildDriveList(const DriveListOptions& options, DriveQueries& queries, CTextList* entries);

// The entry to select for a preset drive code: the one with that code; among the drive
// letters, C: when nothing was selected before it. -1 when none.
int PreselectedDriveEntry(const CTextList& entries, int presetDriveCode);

// The colour of an entry's text by its kind (with the small-size bit doubled).
COLORREF DriveEntryTextColor(uint32_t kind, COLORREF windowText);

class CDriveSelectDlg : public CDialog {
public:
    enum { IDC_DRIVE_LIST = 1082, kTextIndent = 20 };

    explicit CDriveSelectDlg(CWnd* pParent = NULL);

    uint32_t m_nChosenSize;     // MB of the chosen entry after OK
    int m_nDriveCode;           // preset: the entry to preselect; after OK the chosen code, -1 none
    uint32_t m_nSizeLimit;      // nonzero: entries larger than this many MB are left out
    CString m_strChosenText;    // the chosen entry's text, or "<kein Laufwerk gewählt>"
    int m_nMode;                // DriveListMode
    int m_bImageEntry;
    int m_bNoCdRom;
    int m_bFatOnly;

    // The machine the list describes; the running system unless a test sets its own.
    DriveQueries* m_pQueries;

    const CTextList& Entries() const { return m_entries; }

    BOOL OnInitDialog() override;
    void OnOK() override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void DrawEntry(const DRAWITEMSTRUCT* dis);

    HIMAGELIST m_hImageList;
    int m_nTextIndent;
    int m_nEntryCount;
    CTextList m_entries;
    SystemDriveQueries m_systemQueries;
};
