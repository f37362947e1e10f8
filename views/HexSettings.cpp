#include "views/HexSettings.h"

#include "services/Registry.h"
#include "views/ValueSearchLists.h"

namespace {

const uint32_t kStoredModeBits = HVM_AUTO_WIDTH | HVM_RASTER | HVM_WIDTH_RASTER;

// Opens the application key (and the subkey) in `mode`.
bool OpenHexKey(CRegistry& registry, const char* subkey, int mode)
{
    if (!registry.Open(HKEY_CURRENT_USER, nullptr, mode))
        return false;
    if (subkey && *subkey)
        return mode == REGISTRY_READ ? registry.OpenSubKey(subkey) != 0 : registry.CreateSubKey(subkey) != 0;
    return true;
}

void ReadInt(CRegistry& registry, const char* name, int* value)
{
    DWORD v = 0;
    if (registry.ReadDword(&v, name))
        *value = static_cast<int>(v);
}

}  // namespace

HexViewSettings DefaultHexViewSettings()
{
    HexViewSettings s;
    s.insertSpace = 1;
    s.extraSpace = 4;
    s.lineWidth = 16;
    s.raster = 4;
    s.widthRaster = 4;
    s.invertBytes = 0;
    s.outputFormat = 0;
    s.selectionRaster = 0;
    s.statusbarMode = 0x1002;
    s.addressLength = 6;
    s.hexFlags = kStoredModeBits;
    return s;
}

int LoadHexViewSettings(HexViewSettings* settings, const char* subkey, ValueSearchSettings* search)
{
    if (!settings)
        return 0;
    CRegistry registry;
    if (OpenHexKey(registry, subkey, REGISTRY_READ))
    {
        if (search)
            LoadValueSearchSettings(registry, search);
        ReadInt(registry, "InsertSpace", &settings->insertSpace);
        ReadInt(registry, "ExtraSpace", &settings->extraSpace);
        ReadInt(registry, "LineWidth", &settings->lineWidth);
        ReadInt(registry, "Raster", &settings->raster);
        ReadInt(registry, "WidthRaster", &settings->widthRaster);
        ReadInt(registry, "InvertBytes", &settings->invertBytes);
        ReadInt(registry, "OutputFormat", &settings->outputFormat);
        ReadInt(registry, "SelectionRaster", &settings->selectionRaster);
        DWORD value = 0;
        if (registry.ReadDword(&value, "StatusbarMode"))
            settings->statusbarMode = value;
        ReadInt(registry, "AddressLength", &settings->addressLength);
        if (registry.ReadDword(&value, "HexFlags"))
            settings->hexFlags = (settings->hexFlags & ~kStoredModeBits) | (value & kStoredModeBits);
    }
    // Hand-edited values are brought into the ranges the layout can use.
    if (settings->lineWidth < 1)
        settings->lineWidth = 16;
    if (settings->lineWidth > CHexLayout::kMaxBytesPerLine)
        settings->lineWidth = CHexLayout::kMaxBytesPerLine;
    if (settings->addressLength < 1 || settings->addressLength > 8)
        settings->addressLength = settings->addressLength < 1 ? 1 : 8;
    settings->outputFormat &= 3;
    return 1;
}

int SaveHexViewSettings(const HexViewSettings& settings, const char* subkey, const ValueSearchSettings* search)
{
    CRegistry registry;
    if (!OpenHexKey(registry, subkey, REGISTRY_CREATE))
        return 0;
    if (search)
        SaveValueSearchSettings(registry, *search);
    registry.WriteDword(static_cast<DWORD>(settings.addressLength), "AddressLength");
    registry.WriteDword(static_cast<DWORD>(settings.insertSpace), "InsertSpace");
    registry.WriteDword(static_cast<DWORD>(settings.extraSpace), "ExtraSpace");
    registry.WriteDword(static_cast<DWORD>(settings.lineWidth), "LineWidth");
    registry.WriteDword(static_cast<DWORD>(settings.raster), "Raster");
    registry.WriteDword(settings.hexFlags, "HexFlags");
    registry.WriteDword(settings.statusbarMode, "StatusbarMode");
    registry.WriteDword(static_cast<DWORD>(settings.widthRaster), "WidthRaster");
    registry.WriteDword(static_cast<DWORD>(settings.invertBytes), "InvertBytes");
    registry.WriteDword(static_cast<DWORD>(settings.outputFormat), "OutputFormat");
    registry.WriteDword(static_cast<DWORD>(settings.selectionRaster), "SelectionRaster");
    return 1;
}

void ApplyHexViewSettings(CHexModel& model, const HexViewSettings& settings)
{
    model.SetModeBits(settings.hexFlags | HVM_LAYOUT_STALE, kStoredModeBits | HVM_LAYOUT_STALE);
    model.Layout().SetRasterRequests(settings.raster, settings.widthRaster);
    model.SetSelectionRaster(settings.selectionRaster != 0);
    model.Relayout(settings.lineWidth < 1 ? 16 : settings.lineWidth, settings.extraSpace, settings.insertSpace,
                   settings.addressLength, settings.outputFormat & 3, settings.invertBytes != 0);
}

HexViewSettings CollectHexViewSettings(const CHexModel& model, uint32_t statusbarMode)
{
    const CHexLayout& L = model.Layout();
    HexViewSettings s;
    s.insertSpace = L.InsertSpace();
    s.extraSpace = L.RequestedExtraInterval() == CHexLayout::kNoExtraInterval ? 0 : L.RequestedExtraInterval();
    s.lineWidth = L.RequestedBytesPerLine();
    s.raster = L.RequestedRaster();
    s.widthRaster = L.RequestedWidthRaster();
    s.invertBytes = L.InvertMask();
    s.outputFormat = L.GroupLog2();
    s.selectionRaster = model.SelectionRaster() ? 1 : 0;
    s.statusbarMode = statusbarMode;
    s.addressLength = L.AddressDigits();
    s.hexFlags = model.Mode();
    return s;
}

int SetHexRasters(CHexModel& model, int width, int raster, uint32_t* statusMode, uint32_t newStatusMode,
                  int selectionRaster, int windowColumns)
{
    CHexLayout& L = model.Layout();
    uint32_t before = model.Mode();
    int widthRaster = L.RequestedWidthRaster();
    int bytes = L.RequestedBytesPerLine();
    if (width == 0)
    {
        widthRaster = 1;
        model.SetModeBits(HVM_AUTO_WIDTH, HVM_AUTO_WIDTH | HVM_WIDTH_RASTER);
    }
    else if (width > 0)
    {
        widthRaster = width;
        model.SetModeBits(HVM_AUTO_WIDTH | HVM_WIDTH_RASTER, HVM_AUTO_WIDTH | HVM_WIDTH_RASTER);
    }
    else
    {
        bytes = width < -CHexLayout::kMaxBytesPerLine ? CHexLayout::kMaxBytesPerLine : -width;
        model.SetModeBits(0, HVM_AUTO_WIDTH | HVM_WIDTH_RASTER);
    }
    int lineRaster = raster;
    if (raster < 1)
    {
        lineRaster = 1;
        model.SetModeBits(0, HVM_RASTER);
    }
    else
    {
        model.SetModeBits(HVM_RASTER, HVM_RASTER);
    }
    L.SetRasterRequests(lineRaster, widthRaster);
    if (statusMode && !(*statusMode & 0x80000000u) && *statusMode != newStatusMode)
        *statusMode = newStatusMode | 0x1000;
    if (selectionRaster >= 0)
        model.SetSelectionRaster(selectionRaster != 0);
    uint32_t changed = (before ^ model.Mode()) & (HVM_AUTO_WIDTH | HVM_WIDTH_RASTER);
    model.SetModeBits(HVM_LAYOUT_STALE, HVM_LAYOUT_STALE);
    if (changed && (model.Mode() & HVM_AUTO_WIDTH))
    {
        model.Relayout(bytes, -1, -1, -1, -1, -1);   // the rasters first, then the fit
        model.Relayout(L.AutoBytesPerLine(windowColumns), -1, -1, -1, -1, -1);
    }
    else
    {
        model.Relayout(bytes, -1, -1, -1, -1, -1);
    }
    return L.RequestedBytesPerLine();
}
