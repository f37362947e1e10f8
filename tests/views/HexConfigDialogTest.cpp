// The "Konfiguration" dialog: the field rules without a window, then the dialog on a hex
// view, driven through its controls, with the result read back from the view and from the
// registry values the view saves.
#include "views/HexConfigDialog.h"

#include "services/AppIdentity.h"
#include "tests/support/TestSupport.h"
#include "tests/uihelpers/TestWindows.h"
#include "tests/views/ViewWindowSupport.h"
#include "views/HexView.h"

#include <gtest/gtest.h>

#include <string>

namespace {

DWORD StoredDword(const testsupport::ScratchKey& key, const char* name)
{
    HKEY k = key.Open();
    DWORD value = 0xDEADBEEF, size = sizeof value;
    RegQueryValueExA(k, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(k);
    return value;
}

void Click(HWND d, int id)
{
    SendMessageA(GetDlgItem(d, id), BM_CLICK, 0, 0);
}

void TypeNumber(HWND d, int id, const char* text)
{
    SetWindowTextA(GetDlgItem(d, id), text);
    SendMessageA(d, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(GetDlgItem(d, id)));
}

bool Enabled(HWND d, int id)
{
    return IsWindowEnabled(GetDlgItem(d, id)) != FALSE;
}

// The focus leaves a field (the dialog hears it as the edit's focus loss).
void Leave(HWND d, int id)
{
    SendMessageA(d, WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS), reinterpret_cast<LPARAM>(GetDlgItem(d, id)));
}

using HexConfigWindow = viewtest::ViewWindowTest;

}  // namespace

TEST(HexConfig, FieldRules)
{
    // interval 4096 (none), width raster 1 while off, status size 3, group log2 0.
    int settings[HEXSET_COUNT] = { 300, 4096, 1, 0, 1, HVM_AUTO_WIDTH, 0xC003, 12, 0, 0, 1 };
    HexConfigFields f = FillHexConfig(settings);
    EXPECT_EQ(f.extraOn, 0);
    EXPECT_EQ(f.interval, 4);
    EXPECT_EQ(f.fixedOn, 0);
    EXPECT_EQ(f.lineWidth, 256);
    EXPECT_EQ(f.rasterOn, 0);
    EXPECT_EQ(f.raster, 1);
    EXPECT_EQ(f.widthRaster, 4);
    EXPECT_EQ(f.digits, 8);
    EXPECT_EQ(f.valueSize, 2);
    EXPECT_EQ(f.positive, 1);
    EXPECT_EQ(f.bigEndian, 1);

    // Out-of-range numbers and letters (read as 0) come back into range; the option switched
    // on last wins over the one it excludes.
    f.interval = 0;
    f.lineWidth = -1;
    f.raster = 300;
    f.digits = 0;
    f.fixedOn = 1;
    f.widthRasterOn = 1;
    ValidateHexConfig(&f, IDC_HC_WIDTH_RASTER_ON);
    EXPECT_EQ(f.interval, 1);
    EXPECT_EQ(f.lineWidth, 1);
    EXPECT_EQ(f.raster, 256);
    EXPECT_EQ(f.digits, 1);
    EXPECT_EQ(f.fixedOn, 0);
    f.fixedOn = 1;
    ValidateHexConfig(&f, IDC_HC_FIXED_ON);
    EXPECT_EQ(f.widthRasterOn, 0);

    // What OK hands on: a fixed width as a negative one, options off as 0, invert only with
    // groups, the selection raster as its box stands (it snaps only with groups), the status
    // bits put back over the others.
    f.lineWidth = 24;
    f.groupLog2 = 0;
    f.invert = 1;
    f.positive = 0;
    f.hexDistances = 1;
    HexConfigResult r = HexConfigToSettings(f);
    EXPECT_EQ(r.widthOrFixed, -24);
    EXPECT_EQ(r.interval, 0);
    EXPECT_EQ(r.raster, 0);
    EXPECT_EQ(r.invert, 0);
    EXPECT_EQ(r.selectionRaster, 1);
    f.selectionRaster = 0;
    EXPECT_EQ(HexConfigToSettings(f).selectionRaster, 0);
    EXPECT_EQ(r.statusMode, 0x6002u);
}

// Filling: "Fixe Breite von" (the width not following the window) and "Breiten Raster" never
// come up both checked, whatever mode word the registry brought; the fixed width the view lays
// out with is the one shown, and its line width stays as it was.
TEST(HexConfig, FillingShowsOneOfFixedWidthAndWidthRaster)
{
    const struct
    {
        int mode;
        int fixedOn, widthRasterOn;
    } cases[] = {
        { HVM_AUTO_WIDTH | HVM_WIDTH_RASTER, 0, 1 },
        { HVM_AUTO_WIDTH, 0, 0 },
        { HVM_WIDTH_RASTER, 1, 0 },
        { HVM_WIDTH_RASTER | HVM_RASTER, 1, 0 },
        { 0, 1, 0 },
    };
    for (const auto& c : cases)
    {
        int settings[HEXSET_COUNT] = { 24, 4, 1, 4, 8, c.mode, 0x1002, 6, 0, 0, 0 };
        HexConfigFields f = FillHexConfig(settings);
        EXPECT_EQ(f.fixedOn, c.fixedOn) << c.mode;
        EXPECT_EQ(f.widthRasterOn, c.widthRasterOn) << c.mode;
        EXPECT_EQ(f.lineWidth, 24) << c.mode;
        EXPECT_EQ(f.widthRaster, 8) << c.mode;
        // OK without a change hands on the fixed width, or the width raster, or neither.
        const int handed = HexConfigToSettings(f).widthOrFixed;
        EXPECT_EQ(handed, c.fixedOn ? -24 : c.widthRasterOn ? 8 : 0) << c.mode;
    }
}

TEST(HexConfig, DialogOpensWithTheFixedWidthAloneWhenBothCameFromTheRegistry)
{
    testsupport::ScratchKey scratch("Views");
    SetAppIdentity("SektorlupeTests", "Views");
    CHexView view;
    uint8_t data[64] = {};
    view.SetData(data, sizeof data, 0, 0);
    // A "HexFlags" of 8: a width raster, and a width that does not follow the window.
    view.Model().SetModeBits(HVM_WIDTH_RASTER, HVM_AUTO_WIDTH | HVM_WIDTH_RASTER);
    ASSERT_EQ(view.GetSetting(HEXSET_MODE) & (HVM_AUTO_WIDTH | HVM_WIDTH_RASTER), HVM_WIDTH_RASTER);
    uitest::ModalSteps script;
    LRESULT fixed = -1, widthRaster = -1;
    bool fixedEdit = false, widthRasterEdit = true;
    script.Add([&](HWND d) {
        fixed = SendMessageA(GetDlgItem(d, IDC_HC_FIXED_ON), BM_GETCHECK, 0, 0);
        widthRaster = SendMessageA(GetDlgItem(d, IDC_HC_WIDTH_RASTER_ON), BM_GETCHECK, 0, 0);
        fixedEdit = Enabled(d, IDC_HC_FIXED);
        widthRasterEdit = Enabled(d, IDC_HC_WIDTH_RASTER);
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    script.Start();
    EXPECT_EQ(RunHexConfigDialog(&view), IDCANCEL);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(fixed, BST_CHECKED);
    EXPECT_EQ(widthRaster, BST_UNCHECKED);
    EXPECT_TRUE(fixedEdit);
    EXPECT_FALSE(widthRasterEdit);
}

TEST(HexConfig, DialogLaysTheViewOutAndTheViewKeepsIt)
{
    testsupport::ScratchKey scratch("Views");
    SetAppIdentity("SektorlupeTests", "Views");
    CHexView view;
    uint8_t data[64] = {};
    view.SetData(data, sizeof data, 0, 0);
    uitest::ModalSteps script;
    script.Add([](HWND d) {
        // Defaults: the width follows the window on a raster of 4; DWord groups may be inverted.
        EXPECT_EQ(SendMessageA(GetDlgItem(d, IDC_HC_WIDTH_RASTER_ON), BM_GETCHECK, 0, 0), BST_CHECKED);
        EXPECT_FALSE(Enabled(d, IDC_HC_FIXED));
        EXPECT_FALSE(Enabled(d, IDC_HC_INVERT));
        EXPECT_EQ(uitest::WindowText(GetDlgItem(d, IDC_HC_RASTER)), "4");
        EXPECT_EQ(uitest::WindowText(GetDlgItem(d, IDC_HC_WIDTH_RASTER)), "4");
        Click(d, IDC_HC_FIXED_ON);
        EXPECT_EQ(SendMessageA(GetDlgItem(d, IDC_HC_WIDTH_RASTER_ON), BM_GETCHECK, 0, 0), BST_UNCHECKED);
        EXPECT_TRUE(Enabled(d, IDC_HC_FIXED));
        TypeNumber(d, IDC_HC_FIXED, "300");
        EXPECT_EQ(uitest::WindowText(GetDlgItem(d, IDC_HC_FIXED)), "300") << "rewritten while typed";
        Leave(d, IDC_HC_FIXED);
        EXPECT_EQ(uitest::WindowText(GetDlgItem(d, IDC_HC_FIXED)), "256");
        TypeNumber(d, IDC_HC_FIXED, "");
        EXPECT_EQ(uitest::WindowText(GetDlgItem(d, IDC_HC_FIXED)), "");
        TypeNumber(d, IDC_HC_FIXED, "24");
        TypeNumber(d, IDC_HC_DIGITS, "9");
        Leave(d, IDC_HC_DIGITS);
        EXPECT_EQ(uitest::WindowText(GetDlgItem(d, IDC_HC_DIGITS)), "8");
        Click(d, IDC_HC_FORMAT_FIRST + 2);
        EXPECT_TRUE(Enabled(d, IDC_HC_INVERT));
        Click(d, IDC_HC_INVERT);
        Click(d, IDC_HC_VALUE_FIRST + 1);
        Click(d, IDC_HC_HEX_DISTANCES);
        PostMessageA(d, WM_COMMAND, IDOK, 0);
        return true;
    });
    script.Start();
    EXPECT_EQ(RunHexConfigDialog(&view), IDOK);
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(view.GetSetting(HEXSET_BYTES_PER_LINE), 24);
    EXPECT_EQ(view.Model().Layout().BytesPerLine(), 24);
    EXPECT_EQ(view.GetSetting(HEXSET_MODE) & (HVM_AUTO_WIDTH | HVM_WIDTH_RASTER), 0);
    EXPECT_EQ(view.GetSetting(HEXSET_GROUP_LOG2), 2);
    EXPECT_EQ(view.GetSetting(HEXSET_INVERT_MASK), 3);
    EXPECT_EQ(view.GetSetting(HEXSET_ADDRESS_DIGITS), 8);
    EXPECT_EQ(view.GetSetting(HEXSET_STATUS_MODE) & 0xE003, 0x2001);

    // Saved as the view saves when it goes, read back raw.
    ASSERT_EQ(view.SaveSettings(nullptr), 1);
    EXPECT_EQ(StoredDword(scratch, "LineWidth"), 24u);
    EXPECT_EQ(StoredDword(scratch, "OutputFormat"), 2u);
    EXPECT_EQ(StoredDword(scratch, "AddressLength"), 8u);
    EXPECT_EQ(StoredDword(scratch, "HexFlags") & (HVM_AUTO_WIDTH | HVM_WIDTH_RASTER), 0u);
    EXPECT_EQ(StoredDword(scratch, "StatusbarMode") & 0xE003, 0x2001u);

    // Cancel changes nothing.
    uitest::ModalSteps cancel;
    cancel.Add([](HWND d) {
        TypeNumber(d, IDC_HC_FIXED, "8");
        PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    cancel.Start();
    EXPECT_EQ(RunHexConfigDialog(&view), IDCANCEL);
    EXPECT_EQ(view.GetSetting(HEXSET_BYTES_PER_LINE), 24);
}

// The parent hears of new settings (11254) once per OK of the dialog, and not after Cancel.
TEST_F(HexConfigWindow, OkTellsTheParentOfTheNewSettings)
{
    CHexView view;
    ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 600, 360), &m_parent, 4098));
    uint8_t data[64] = {};
    view.SetData(data, sizeof data, 0, 0);
    const struct
    {
        int button;
        const char* width;   // typed into "Fixe Breite von" after switching it on
        int notices;         // 11254 heard so far
        int bytesPerLine;
    } cases[] = { { IDCANCEL, "8", 0, -1 }, { IDOK, "12", 1, 12 }, { IDOK, "20", 2, 20 } };
    for (const auto& c : cases)
    {
        const int before = view.Model().Layout().BytesPerLine();
        uitest::ModalSteps script;
        script.Add([&](HWND d) {
            if (SendMessageA(GetDlgItem(d, IDC_HC_FIXED_ON), BM_GETCHECK, 0, 0) != BST_CHECKED)
                Click(d, IDC_HC_FIXED_ON);
            TypeNumber(d, IDC_HC_FIXED, c.width);
            PostMessageA(d, WM_COMMAND, c.button, 0);
            return true;
        });
        script.Start();
        EXPECT_EQ(RunHexConfigDialog(&view), c.button);
        EXPECT_TRUE(script.Finished());
        EXPECT_EQ(m_parent.Count(HEXVIEW_NOTIFY_SETTINGS), c.notices) << c.width;
        EXPECT_EQ(view.Model().Layout().BytesPerLine(), c.bytesPerLine < 0 ? before : c.bytesPerLine) << c.width;
    }
}

// Keys typed into a field that is checked as it changes: the field shows what was typed,
// its value kept in range only once the focus leaves it ("08" once gave 81: the "0" was
// rewritten as "1" with the caret before it). OK lays out with the value in range.
TEST(HexConfig, FieldsKeepTheKeysTypedUntilTheyAreLeft)
{
    testsupport::ScratchKey scratch("Views");
    SetAppIdentity("SektorlupeTests", "Views");
    const struct
    {
        int field;
        const char* keys;
        const char* typed;   // shown while the caret is in the field
        const char* left;    // shown once the focus went on
        int setting, value;  // HexSettingIndex and its value after OK
    } cases[] = {
        { IDC_HC_FIXED, "08", "08", "8", HEXSET_BYTES_PER_LINE, 8 },
        { IDC_HC_FIXED, "0", "0", "1", HEXSET_BYTES_PER_LINE, 1 },
        { IDC_HC_FIXED, "300", "300", "256", HEXSET_BYTES_PER_LINE, 256 },
        { IDC_HC_DIGITS, "0", "0", "1", HEXSET_ADDRESS_DIGITS, 1 },
        { IDC_HC_RASTER, "07", "07", "7", HEXSET_RASTER, 7 },
    };
    for (const auto& c : cases)
    {
        CHexView view;
        uint8_t data[64] = {};
        view.SetData(data, sizeof data, 0, 0);
        std::string typed, left;
        uitest::ModalSteps script;
        script.Add([&](HWND d) {
            for (int box : { IDC_HC_FIXED_ON, IDC_HC_RASTER_ON })
                if (SendMessageA(GetDlgItem(d, box), BM_GETCHECK, 0, 0) != BST_CHECKED)
                    Click(d, box);
            HWND field = GetDlgItem(d, c.field);
            SetFocus(field);
            SendMessageA(field, EM_SETSEL, 0, -1);
            for (const char* k = c.keys; *k; ++k)
                SendMessageA(field, WM_CHAR, static_cast<unsigned char>(*k), 1);
            typed = uitest::WindowText(field);
            SetFocus(GetDlgItem(d, IDOK));
            left = uitest::WindowText(field);
            PostMessageA(d, WM_COMMAND, IDOK, 0);
            return true;
        });
        script.Start();
        EXPECT_EQ(RunHexConfigDialog(&view), IDOK) << c.keys;
        EXPECT_TRUE(script.Finished()) << c.keys;
        EXPECT_EQ(typed, c.typed) << c.keys;
        EXPECT_EQ(left, c.left) << c.keys;
        EXPECT_EQ(view.GetSetting(c.setting), c.value) << c.keys;
    }
}
