// How the drive list shows its entries and what the CHS converter marks: the text colour of
// each kind (brighter for media below 8192 MB), where that bit starts and stops, the
// background and the text of an entry as the dialog draws it, the head mark against the
// disk's heads, and the recomputation when a field loses the focus.
#include <gtest/gtest.h>
#include <windows.h>
#include <map>
#include <string>
#include <vector>
#include "disk/ChsConvertDialog.h"
#include "disk/DriveSelectDialog.h"
#include "tests/support/ModalScript.h"

namespace {

// A machine of fixed disks and CD drives of given sizes, letters from C: on, and physical
// drives of given sizes.
class SizedDrives : public DriveQueries {
public:
    struct Letter {
        UINT type;
        uint64_t units;
    };
    std::map<int, Letter> letters;
    std::map<int, uint64_t> physical;

    DWORD LogicalDrives() override
    {
        DWORD mask = 0;
        for (auto& v : letters)
            mask |= 1u << v.first;
        return mask;
    }
    UINT DriveType(int letter) override { return letters.count(letter) ? letters[letter].type : DRIVE_NO_ROOT_DIR; }
    bool VolumeInfo(int letter, char* label, int labelSize, char* fs, int fsSize) override
    {
        lstrcpynA(label, "Vol", labelSize);
        lstrcpynA(fs, letters[letter].type == DRIVE_CDROM ? "CDFS" : "EXT4", fsSize);
        return true;
    }
    uint64_t MediumUnits(uint32_t code, uint32_t* bytesPerSector) override
    {
        *bytesPerSector = 512;
        if (code & 0x8000)
            return physical.count(code & 0x7FFF) ? physical[code & 0x7FFF] : 0;
        return letters.count(static_cast<int>(code)) ? letters[static_cast<int>(code)].units : 0;
    }
    uint32_t PhysicalDriveOfLetter(int) override { return 0; }
    int IconIndex(const char*, DWORD) override { return -1; }
};

const uint64_t kUnitsPerMB = 2048;

}  // namespace

// Physical drives dark blue, CD-ROM drives dark green, FAT volumes dark red, everything else
// in the window's text colour; the small-size bit doubles each part of the colour.
TEST(DriveEntryColour, EachKindAndTheSmallSizeBit)
{
    const COLORREF text = RGB(10, 20, 30);
    const struct {
        uint32_t kind;
        COLORREF colour;
    } cases[] = {
        { DRIVEKIND_PHYSICAL, RGB(0, 0, 120) },
        { DRIVEKIND_PHYSICAL | DRIVEKIND_SMALL, RGB(0, 0, 240) },
        { DRIVEKIND_CDROM, RGB(0, 100, 0) },
        { DRIVEKIND_FAT, RGB(70, 0, 30) },
        { DRIVEKIND_FAT | DRIVEKIND_SMALL, RGB(140, 0, 60) },
        { DRIVEKIND_LETTER, text },
        { DRIVEKIND_LETTER | DRIVEKIND_SMALL, RGB(20, 40, 60) },
        { DRIVEKIND_NTFS, text },
        { DRIVEKIND_NTFS | DRIVEKIND_SMALL, RGB(20, 40, 60) },
        { DRIVEKIND_IMAGE, text },
    };
    for (const auto& c : cases)
        EXPECT_EQ(DriveEntryTextColor(c.kind, text), c.colour) << std::hex << c.kind;
}

// The small-size bit: above 0 and below 8192 MB, for letters and physical drives alike; never
// for a CD-ROM drive.
TEST(DriveEntryColour, TheSmallSizeBitEndsAt8192MB)
{
    SizedDrives m;
    const struct {
        int letter;               // -1: a physical drive (number `disk`)
        int disk;
        UINT type;
        uint64_t sizeMB;
        bool small;
    } cases[] = {
        { 2, 0, DRIVE_FIXED, 1, true },
        { 3, 0, DRIVE_FIXED, 8191, true },
        { 4, 0, DRIVE_FIXED, 8192, false },
        { 5, 0, DRIVE_FIXED, 8193, false },
        { 6, 0, DRIVE_CDROM, 700, false },
        { -1, 0, 0, 8191, true },
        { -1, 1, 0, 8192, false },
    };
    for (const auto& c : cases) {
        if (c.letter >= 0)
            m.letters[c.letter] = { c.type, c.sizeMB * kUnitsPerMB };
        else
            m.physical[c.disk] = c.sizeMB * kUnitsPerMB;
    }
    CTextList list(sizeof(DriveEntryData));
    DriveListOptions all;
    ASSERT_EQ(BuildDriveList(all, m, &list), static_cast<int>(std::size(cases)));
    for (int i = 0; i < list.GetCount(); ++i) {
        const DriveEntryData* d = static_cast<const DriveEntryData*>(list.GetItemDataPtr(i));
        SCOPED_TRACE(list.GetText(i));
        const auto& c = cases[i];
        EXPECT_EQ(d->driveCode, c.letter >= 0 ? static_cast<uint32_t>(c.letter) : 0x8000u + c.disk);
        EXPECT_EQ(d->sizeMB, c.sizeMB);
        EXPECT_EQ((d->kind & DRIVEKIND_SMALL) != 0, c.small);
    }
}

// An entry drawn by the dialog: light blue behind it when selected and focused, light grey
// when only one of the two, the window colour otherwise; its text in the colour of its kind,
// from 24 pixels in.
TEST(DriveEntryDrawing, BackgroundByStateAndTextByKind)
{
    SizedDrives m;
    m.letters[2] = { DRIVE_FIXED, 20000 * kUnitsPerMB };   // plain letter: window text
    m.physical[0] = 4000 * kUnitsPerMB;                    // a small physical drive: RGB(0,0,240)
    const struct {
        int entry;
        UINT state;
        COLORREF background;     // CLR_INVALID: the window colour
        COLORREF text;           // CLR_INVALID: the window text colour
    } cases[] = {
        { 0, ODS_SELECTED | ODS_FOCUS, RGB(150, 150, 255), CLR_INVALID },
        { 0, ODS_SELECTED, RGB(200, 200, 200), CLR_INVALID },
        { 0, ODS_FOCUS, RGB(200, 200, 200), CLR_INVALID },
        { 0, 0, CLR_INVALID, CLR_INVALID },
        { 1, 0, CLR_INVALID, RGB(0, 0, 240) },
        { 1, ODS_SELECTED | ODS_FOCUS, RGB(150, 150, 255), RGB(0, 0, 240) },
    };
    const int width = 300, height = 24;
    CDriveSelectDlg dlg;
    dlg.m_pQueries = &m;
    std::vector<std::string> failures;
    testsupport::ModalScript script;
    script.Add([&](HWND d) {
        HWND list = GetDlgItem(d, CDriveSelectDlg::IDC_DRIVE_LIST);
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, bitmap);
        const DWORD* px = static_cast<const DWORD*>(bits);
        auto at = [&](int x, int y) {
            const DWORD v = px[y * width + x];
            return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
        };
        for (const auto& c : cases) {
            DRAWITEMSTRUCT dis = {};
            dis.CtlType = ODT_LISTBOX;
            dis.CtlID = CDriveSelectDlg::IDC_DRIVE_LIST;
            dis.itemID = static_cast<UINT>(c.entry);
            dis.itemAction = ODA_DRAWENTIRE;
            dis.itemState = c.state;
            dis.hwndItem = list;
            dis.hDC = dc;
            dis.rcItem = { 0, 0, width, height };
            dis.itemData = static_cast<ULONG_PTR>(SendMessageA(list, LB_GETITEMDATA, c.entry, 0));
            SendMessageA(d, WM_DRAWITEM, CDriveSelectDlg::IDC_DRIVE_LIST, reinterpret_cast<LPARAM>(&dis));
            GdiFlush();
            const COLORREF background = c.background == CLR_INVALID ? GetSysColor(COLOR_WINDOW) : c.background;
            const COLORREF text = c.text == CLR_INVALID ? GetSysColor(COLOR_WINDOWTEXT) : c.text;
            const std::string name = "entry " + std::to_string(c.entry) + " state " + std::to_string(c.state);
            if (at(1, 1) != background || at(width - 2, height - 2) != background)
                failures.push_back(name + ": background");
            // The text: pixels of its colour, none of them before its indent.
            int inText = 0, beforeIndent = 0;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    if (at(x, y) == text)
                        ++(x < 4 + CDriveSelectDlg::kTextIndent ? beforeIndent : inText);
            if (inText == 0)
                failures.push_back(name + ": no text in its colour");
            if (beforeIndent != 0)
                failures.push_back(name + ": text before the indent");
        }
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        return testsupport::Click(d, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    EXPECT_EQ(failures, std::vector<std::string>{});
}

// The head mark: a head inside its range of 0 to 254 is still marked when the disk has no
// such head (H >= heads), typed or computed; the last head is not.
TEST(ChsHeadMark, AHeadTheDiskDoesNotHaveIsMarked)
{
    const struct {
        const char* heads;
        const char* h;
        bool marked;
    } cases[] = {
        { "16", "15", false }, { "16", "16", true }, { "16", "200", true }, { "255", "254", false }, { "1", "0", false },
        { "1", "1", true },
    };
    for (const auto& c : cases) {
        const char* texts[CHS_FIELD_COUNT] = { "1024", c.heads, "63", "0", c.h, "1", "" };
        ChsConversion r;
        ConvertChs(texts, CHS_H, &r);
        EXPECT_EQ(r.marked[CHS_H], c.marked) << c.heads << " heads, H " << c.h;
    }
}

// Leaving a field recomputes the others from what is left: a C typed as "1+1" stands as typed
// while it is edited, and reads "2" once the focus went to the sector number, with the
// number worked out from it.
TEST(ChsConvertDialog, LeavingAFieldRecomputes)
{
    CChsConvertDlg dlg;
    dlg.m_geometry.Cylinders.QuadPart = 1024;
    dlg.m_geometry.TracksPerCylinder = 16;
    dlg.m_geometry.SectorsPerTrack = 63;
    dlg.m_sector = 0;
    std::string typed, left, number;
    bool focused = true;
    testsupport::ModalScript script;
    script.Add([&](HWND d) {
        char text[64];
        HWND c = GetDlgItem(d, 1044);
        SetFocus(c);
        focused = GetFocus() == c;
        SetWindowTextA(c, "1+1");
        GetWindowTextA(c, text, sizeof text);
        typed = text;
        SetFocus(GetDlgItem(d, 1047));
        focused = focused && GetFocus() == GetDlgItem(d, 1047);
        GetWindowTextA(c, text, sizeof text);
        left = text;
        GetDlgItemTextA(d, 1047, text, sizeof text);
        number = text;
        return testsupport::Click(d, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, script.Run([&] { return dlg.DoModal(); }));
    if (!focused)
        GTEST_SKIP() << "the dialog's fields take no focus on this display";
    EXPECT_EQ(typed, "1+1");
    EXPECT_EQ(left, "2");
    EXPECT_EQ(number, std::to_string(2 * 16 * 63));
}
