// Measuring attributed text under a GDI as strict as Windows': GetTextExtentExPoint refuses a
// maximum extent below -1 there, and that failure would end the walk over the runs (the
// size of the text then misses every run behind the one that overran). Wine takes such an
// extent, so the test program's import of the call is pointed at a stand-in that refuses it
// as Windows does and notes the smallest extent it was asked with.
#include "uihelpers/AttrText.h"

#include <gtest/gtest.h>
#include <string.h>
#include <vector>

namespace {

typedef BOOL(WINAPI* ExtentExA)(HDC, LPCSTR, int, int, LPINT, LPINT, LPSIZE);
typedef BOOL(WINAPI* ExtentExW)(HDC, LPCWSTR, int, int, LPINT, LPINT, LPSIZE);
ExtentExA g_realA = nullptr;
ExtentExW g_realW = nullptr;
int g_smallestExtent = 0;
int g_refused = 0;

bool Refuse(int maxExtent)
{
    if (maxExtent < g_smallestExtent)
        g_smallestExtent = maxExtent;
    if (maxExtent >= -1)
        return false;
    ++g_refused;
    SetLastError(ERROR_INVALID_PARAMETER);
    return true;
}

BOOL WINAPI StrictExtentExA(HDC dc, LPCSTR s, int n, int max, LPINT fit, LPINT dx, LPSIZE size)
{
    return Refuse(max) ? FALSE : g_realA(dc, s, n, max, fit, dx, size);
}

BOOL WINAPI StrictExtentExW(HDC dc, LPCWSTR s, int n, int max, LPINT fit, LPINT dx, LPSIZE size)
{
    return Refuse(max) ? FALSE : g_realW(dc, s, n, max, fit, dx, size);
}

// Points the program's import of `dll`!`name` at `replacement`; the address it had, or null
// when the program does not import it.
void* PatchImport(const char* dll, const char* name, void* replacement)
{
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(NULL));
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress)
        return nullptr;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name; ++d) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0 || !d->OriginalFirstThunk)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0)
                continue;
            DWORD old = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
            void* was = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            return was;
        }
    }
    return nullptr;
}

// The strict stand-in for the length of one test.
class StrictGdi {
public:
    StrictGdi()
    {
        g_realA = reinterpret_cast<ExtentExA>(PatchImport("gdi32.dll", "GetTextExtentExPointA",
                                                          reinterpret_cast<void*>(&StrictExtentExA)));
        g_realW = reinterpret_cast<ExtentExW>(PatchImport("gdi32.dll", "GetTextExtentExPointW",
                                                          reinterpret_cast<void*>(&StrictExtentExW)));
        g_smallestExtent = 0;
        g_refused = 0;
    }
    ~StrictGdi()
    {
        if (g_realA)
            PatchImport("gdi32.dll", "GetTextExtentExPointA", reinterpret_cast<void*>(g_realA));
        if (g_realW)
            PatchImport("gdi32.dll", "GetTextExtentExPointW", reinterpret_cast<void*>(g_realW));
    }
    bool Active() const { return g_realA && g_realW; }
};

HFONT Arial(int height)
{
    LOGFONTA lf = {};
    lf.lfHeight = height;
    strcpy(lf.lfFaceName, "Arial");
    return CreateFontIndirectA(&lf);
}

// One run measured alone in its font with the real GDI and a room of at least 0.
struct RunExtent {
    int fit;
    SIZE size;
};

RunExtent MeasureRun(HDC dc, HFONT font, const char* text, int n, int room)
{
    RunExtent r = { 0, { 0, 0 } };
    HGDIOBJ old = SelectObject(dc, font);
    std::vector<int> dx(static_cast<size_t>(n), 0);
    g_realA(dc, text, n, room > 0 ? room : 0, &r.fit, dx.data(), &r.size);
    SelectObject(dc, old);
    return r;
}

}  // namespace

// Three runs (small, large, small font); the room ends inside the first run, inside the
// second, or right at the end of the first: the runs behind an overrun are still measured
// for the size, GDI is never asked with a negative extent, and the fit count stops inside
// the run that did not fit.
TEST(AttrMeasureStrictGdi, RunsBehindAnOverrunAreMeasuredWithoutANegativeExtent)
{
    StrictGdi strict;
    ASSERT_TRUE(strict.Active()) << "the program does not import the extent calls from gdi32";
    HFONT fonts[4] = { Arial(-12), Arial(-26), nullptr, nullptr };
    HDC dc = CreateCompatibleDC(NULL);
    const char text[] = "Sektor 0x1F Bootsektor";
    const int count = static_cast<int>(strlen(text));
    const int cut1 = 7, cut2 = 12;
    std::vector<BYTE> attributes(static_cast<size_t>(count), 0);
    for (int i = cut1; i < cut2; ++i)
        attributes[static_cast<size_t>(i)] = 1 << ATTR_FONT_SHIFT;
    const RunExtent whole[3] = { MeasureRun(dc, fonts[0], text, cut1, 0), MeasureRun(dc, fonts[1], text + cut1, cut2 - cut1, 0),
                           MeasureRun(dc, fonts[0], text + cut2, count - cut2, 0) };
    const int total = whole[0].size.cx + whole[1].size.cx + whole[2].size.cx;
    const struct { const char* where; int limit; } kRooms[] = {
        { "inside the first run", whole[0].size.cx / 2 },
        { "inside the second run", whole[0].size.cx + whole[1].size.cx / 2 },
        { "at the end of the first run", whole[0].size.cx },
        { "none", 0 },
    };
    for (const auto& room : kRooms) {
        SCOPED_TRACE(room.where);
        // The fit count as the runs give it: each run's fit while the ones before it fitted whole.
        int wantFit = 0, used = 0;
        const int starts[3] = { 0, cut1, cut2 }, lengths[3] = { cut1, cut2 - cut1, count - cut2 };
        for (int r = 0; r < 3; ++r) {
            const RunExtent part = MeasureRun(dc, fonts[r == 1 ? 1 : 0], text + starts[r], lengths[r], room.limit - used);
            wantFit += part.fit;
            if (part.fit < lengths[r])
                break;
            used += part.size.cx;
        }
        g_smallestExtent = 0;
        g_refused = 0;
        int fit = -1;
        SIZE size = { 0, 0 };
        EXPECT_EQ(1, MeasureAttrTextA(dc, text, count, room.limit, &fit, nullptr, &size, attributes.data(), fonts));
        EXPECT_EQ(0, g_refused) << "GDI was asked with a negative extent";
        EXPECT_GE(g_smallestExtent, 0);
        EXPECT_EQ(wantFit, fit);
        EXPECT_EQ(total, size.cx) << "the runs behind the overrun are missing from the size";
        EXPECT_EQ(whole[2].size.cy, size.cy);

        // The wide form walks the same way.
        wchar_t wide[64] = {};
        MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 64);
        g_refused = 0;
        SIZE wideSize = { 0, 0 };
        int wideFit = -1;
        EXPECT_EQ(1, MeasureAttrTextW(dc, wide, count, room.limit, &wideFit, nullptr, &wideSize, attributes.data(), fonts));
        EXPECT_EQ(0, g_refused);
        EXPECT_EQ(size.cx, wideSize.cx);
        EXPECT_EQ(fit, wideFit);
    }
    DeleteDC(dc);
    DeleteObject(fonts[0]);
    DeleteObject(fonts[1]);
}
