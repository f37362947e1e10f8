// The toolbar's tables and geometry without a window: references, check groups, strings,
// bitmaps and the separator scan, button sizes, the fit to a width, the hit test.
#include <gtest/gtest.h>

#include "tests/controls/ToolbarTestSupport.h"
#include "uihelpers/DibPixels.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <random>
#include <string>

using tbtest::Block;
using tbtest::Button;

TEST(ToolbarExModel, ReferencesResolveByIndexCommandOccurrenceAndFlags)
{
    Block t;
    const int commands[] = {5, 2, 5, 7, 5};
    const WORD own[] = {0, TBXF_CONTROL, 0, TBXF_CONTROL | TBXF_COLOR, 0};
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(t.Add(Button(-1, commands[i], TBSTATE_ENABLED, BTNS_BUTTON, own[i])));
    struct Case {
        DWORD ref;
        bool plainIsCommand;
        int index;
    } cases[] = {
        {0x12340002, true, 2},                    // an index, though button 1 has command 2
        {0x12340005, false, -1},                  // past the end
        {0x12480005, false, 0},                   // the first button with command 5
        {TbxRefNthCommand(5, 1), false, 2},       // the second one
        {TbxRefNthCommand(5, 2), false, 4},
        {TbxRefNthCommand(5, 3), false, -1},
        {TbxRefNthFlagged(TBXF_CONTROL, 0), false, 1},
        {TbxRefNthFlagged(TBXF_CONTROL, 1), false, 3},
        {TbxRefNthFlagged(TBXF_COLOR, 0), false, 3},
        {7, true, 3},                             // a plain command id
        {3, false, 3},                            // a plain index
        {9, false, -1},
        {0x12000005, true, -1},                   // the mark of a reference, but no form of one
        {0x12FF0001, false, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TbxResolve(t, c.ref, c.plainIsCommand), c.index) << std::hex << c.ref;
}

TEST(ToolbarExModel, InsertionKeepsOrClearsOwnFlagsAndStartsInTheRestingLook)
{
    Block t;
    const TBBUTTON records[] = {Button(0, 1, TBSTATE_ENABLED, 0, TBXF_NOHOTLOOK),
                                Button(1, 2, TBSTATE_ENABLED | TBSTATE_CHECKED),
                                Button(2, 3, 0), Button(3, 4, TBSTATE_ENABLED | TBSTATE_INDETERMINATE)};
    ASSERT_TRUE(TbxInsertButtons(t, 0, records, 4, false));
    EXPECT_EQ(t->buttons[0]->own, 0);
    ASSERT_TRUE(TbxInsertButtons(t, 99, records, 1, true));   // clamped to the end
    EXPECT_EQ(t->buttonCount, 5);
    EXPECT_EQ(t->buttons[4]->own, TBXF_NOHOTLOOK);
    const WORD looks[] = {0, 1, 4, 4, 0};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(t->buttons[i]->paint & TBXP_STATE_MASK, looks[i]) << i;
    BYTE record[24];
    std::memset(record, 0xCC, sizeof record);
    TbxCopyRecord(t->buttons[4], record, sizeof record);
    TBBUTTON copy;
    std::memcpy(&copy, record, 20);
    EXPECT_EQ(copy.idCommand, 1);
    EXPECT_EQ(copy.bReserved[1], TBXF_NOHOTLOOK >> 8);
    EXPECT_EQ(record[20] | record[21] | record[22] | record[23], 0);   // zero-filled behind the 20 bytes

    t->hot = 2;
    ASSERT_TRUE(TbxInsertButtons(t, 1, records, 1, false));
    EXPECT_EQ(t->hot, 3);   // the hot button moved with the insertion
    EXPECT_TRUE(TbxDeleteButton(t, 3));
    EXPECT_EQ(t->hot, -1);
    EXPECT_FALSE(TbxDeleteButton(t, 9));
}

TEST(ToolbarExModel, CheckGroupsEndAtNonGroupButtonsAndWholeDropDowns)
{
    Block t;
    const BYTE group = BTNS_CHECK | BTNS_GROUP;
    const BYTE styles[] = {group, group, static_cast<BYTE>(group | BTNS_WHOLEDROPDOWN), group, BTNS_CHECK, group};
    for (BYTE s : styles)
        t.Add(Button(-1, 1, TBSTATE_ENABLED, s));
    TbxSetState(t, 0, TBSTATE_CHECKED, true);
    EXPECT_EQ(TbxSetState(t, 1, TBSTATE_CHECKED, true), 0);   // 0 lets go
    EXPECT_FALSE(t->buttons[0]->state & TBSTATE_CHECKED);
    // 2 starts a run of its own: checking 3 takes 2's check, not 1's.
    TbxSetState(t, 2, TBSTATE_CHECKED, true);
    EXPECT_TRUE(t->buttons[1]->state & TBSTATE_CHECKED);
    EXPECT_EQ(TbxSetState(t, 3, TBSTATE_CHECKED, true), 2);
    EXPECT_TRUE(t->buttons[1]->state & TBSTATE_CHECKED);
    // A plain check button is no group member; a lone group button has no partner.
    EXPECT_EQ(TbxSetState(t, 4, TBSTATE_CHECKED, true), -1);
    EXPECT_EQ(TbxCheckedGroupMember(t, 5), -1);
}

TEST(ToolbarExModel, StringListsOfEveryFormAndTheirLimits)
{
    Block t;
    EXPECT_EQ(TbxAddStrings(t, L"eins\0zwei\0\0", 0), 0);
    EXPECT_EQ(TbxAddStrings(t, L"|drei|vier|", 0xFFFF), 2);
    EXPECT_EQ(TbxAddStrings(t, L"fünf sechs", 0xFFFE), 4);
    EXPECT_EQ(TbxAddStringsA(t, "Größe\0", 0), 5);
    ASSERT_EQ(t->stringCount, 6);
    EXPECT_STREQ(TbxString(t, 3)->text, L"vier");
    EXPECT_STREQ(TbxString(t, 5)->text, L"Größe");
    const std::wstring tooLong(257, L'x');
    EXPECT_EQ(TbxAddStrings(t, tooLong.c_str(), 0xFFFE), -1);
    EXPECT_EQ(t->stringCount, 6);
    EXPECT_EQ(TbxAddStrings(t, std::wstring(256, L'y').c_str(), 0xFFFE), 6);
    EXPECT_EQ(TbxFindString(t, L"vier", 0, 100), 3);
    EXPECT_EQ(TbxFindString(t, L"vier", 4, 2), -1);

    // Buttons behind a deleted range move down, those in it show no text.
    t.Add(Button(-1, 1, TBSTATE_ENABLED, 0, 0, 1));
    t.Add(Button(-1, 2, TBSTATE_ENABLED, 0, 0, 5));
    EXPECT_EQ(TbxDeleteStrings(t, 0, 2), 2);
    EXPECT_EQ(t->buttons[0]->string, -1);
    EXPECT_EQ(t->buttons[1]->string, 3);
    EXPECT_EQ(TbxDeleteStrings(t, 3, 100), 2);   // clamped to the pool
    // An equal text is taken from the pool, a new one added.
    EXPECT_EQ(TbxSetButtonText(t, 0, L"drei"), 0);
    EXPECT_EQ(TbxSetButtonText(t, 0, L"neu"), 3);
    EXPECT_EQ(TbxSetButtonText(t, 7, L"neu"), -1);
}

namespace {

// A 32-bit image whose first stored row (its bottom row) carries key-colour separators at
// the given columns; image columns hold another colour down to `heights` rows from the top.
DibImage* SeparatedImage(int width, int height, const std::vector<int>& separators, int imageHeight)
{
    void* bits = nullptr;
    DibImage* image = DibCreateBlank(nullptr, width, height, 32, &bits);
    DWORD* p = static_cast<DWORD*>(bits);
    const DWORD key = 0x00FF00FF;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool sep = std::find(separators.begin(), separators.end(), x) != separators.end();
            const int fromTop = height - 1 - y;
            p[y * width + x] = (sep || (y != 0 && fromTop >= imageHeight)) ? key : 0x00102030;
        }
    }
    return image;
}

}  // namespace

TEST(ToolbarExModel, SeparatorScanFindsImagesOfVaryingWidth)
{
    struct Case {
        int width;
        std::vector<int> separators;
        int imageHeight;
        std::vector<ToolbarImagePlace> places;
    } cases[] = {
        {20, {0, 5, 12}, 6, {{1, 4, 6}, {6, 6, 6}, {13, 7, 6}}},
        {10, {0}, 9, {{1, 9, 9}}},              // no separator but the first: one image
        {8, {0, 1, 2, 3, 4, 5, 6, 7}, 3, {}},    // nothing but separators: none
    };
    for (const Case& c : cases) {
        DibImage* image = SeparatedImage(c.width, 10, c.separators, c.imageHeight);
        ToolbarImagePlace places[8] = {};
        WORD x = 0;
        const int n = TbxScanImages(image, DibGetBits(image), c.width * 4, 0xFFFF, places, 8, &x);
        ASSERT_EQ(n, static_cast<int>(c.places.size()));
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(places[i].left, c.places[i].left);
            EXPECT_EQ(places[i].width, c.places[i].width);
            EXPECT_EQ(places[i].height, c.places[i].height);
        }
        // The scan goes on where it stopped: one at a time finds the same.
        WORD again = 0;
        int found = 0;
        while (TbxScanImages(image, DibGetBits(image), c.width * 4, 1, nullptr, 0, &again) == 1)
            ++found;
        EXPECT_EQ(found, n);
        DibFree(image);
    }
    // Depths the scan does not read, and a stride shorter than a row.
    DibImage* image = SeparatedImage(20, 4, {0, 5}, 3);
    WORD x = 0;
    EXPECT_EQ(TbxScanImages(image, DibGetBits(image), 40, 0xFFFF, nullptr, 0, &x), 0);
    DibFree(image);
}

TEST(ToolbarExModel, BitmapResourcesAboveEightBitsAreReadBehindTheirColourTable)
{
    // Resources 7403 (a table of two entries in front of the pixels) and 7404 (none) hold
    // the same blue and red pixels; the toolbar's copy has them both times.
    for (UINT_PTR id : {7403u, 7404u}) {
        SCOPED_TRACE(id);
        Block t;
        ASSERT_EQ(TbxAddBitmap(t, GetModuleHandleA(nullptr), id, 0, 2, 0, 256, nullptr, nullptr, nullptr), 0);
        const DibImage* image = t->bitmaps[0].image;
        ASSERT_TRUE(image != nullptr);
        ASSERT_EQ(image->biBitCount, 24);
        const BYTE* row = static_cast<const BYTE*>(DibGetBits(image));
        ASSERT_TRUE(row != nullptr);
        EXPECT_EQ(RGB(row[2], row[1], row[0]), RGB(0, 0, 255));
        EXPECT_EQ(RGB(row[5], row[4], row[3]), RGB(255, 0, 0));
        TbxRemoveBitmaps(t);
    }
}

TEST(ToolbarExModel, BitmapsGetGlobalImageIndexesAndRefuseBadSources)
{
    Block t;
    EXPECT_EQ(t.AddStrip(16, 3, 15), 0);
    EXPECT_EQ(t.AddStrip(20, 2, 18), 3);
    EXPECT_EQ(t.AddStrip(16, 4, 15), 5);
    // The same source again: its first index, no new entry.
    const int before = t->bitmapCount;
    EXPECT_EQ(TbxAddBitmap(t, nullptr, reinterpret_cast<UINT_PTR>(t.strips[1]), 0, 2, 0, 512, nullptr, nullptr, nullptr), 3);
    EXPECT_EQ(t->bitmapCount, before);
    EXPECT_EQ(t->bitmaps[1].scale, 512);
    int bitmap = -1;
    RECT place = {};
    ASSERT_TRUE(TbxImagePlace(t, 4, &bitmap, &place));
    EXPECT_EQ(bitmap, 1);
    EXPECT_EQ(place.left, 20);
    EXPECT_EQ(place.right - place.left, 20);
    EXPECT_EQ(place.bottom, 18);
    EXPECT_FALSE(TbxImagePlace(t, 9, nullptr, nullptr));
    EXPECT_FALSE(TbxImagePlace(t, -1, nullptr, nullptr));

    // A null or destroyed handle, and a count below 1.
    EXPECT_EQ(TbxAddBitmap(t, nullptr, 0, 0, 1, 0, 256, nullptr, nullptr, nullptr), -1);
    HBITMAP gone = tbtest::MakeStrip(16, 1, 16);
    DeleteObject(gone);
    EXPECT_EQ(TbxAddBitmap(t, nullptr, reinterpret_cast<UINT_PTR>(gone), 0, 1, 0, 256, nullptr, nullptr, nullptr), -1);
    HBITMAP strip = tbtest::MakeStrip(16, 2, 16);
    EXPECT_EQ(TbxAddBitmap(t, nullptr, reinterpret_cast<UINT_PTR>(strip), 0, 0, 0, 256, nullptr, nullptr, nullptr), -1);
    // An owned bitmap the toolbar refuses is deleted all the same.
    EXPECT_EQ(TbxAddBitmap(t, nullptr, reinterpret_cast<UINT_PTR>(strip), TBXBM_OWN | TBXBM_BYWIDTH, 0, 0, 256, nullptr,
                           nullptr, nullptr),
              -1);
    BITMAP info;
    EXPECT_EQ(GetObjectA(strip, sizeof info, &info), 0);
    EXPECT_EQ(t->bitmapCount, before);

    // A varying-width bitmap counted now, and one without any image.
    DibImage* varying = SeparatedImage(20, 10, {0, 5, 12}, 6);
    HBITMAP handle = DibGetBitmap(varying);
    int count = 0;
    EXPECT_EQ(TbxAddBitmap(t, nullptr, reinterpret_cast<UINT_PTR>(handle), TBXBM_COUNTNOW, 0, TBXBM_VARYING_WIDTH, 256,
                           &count, nullptr, nullptr),
              9);
    EXPECT_EQ(count, 3);
    ASSERT_TRUE(TbxImagePlace(t, 10, &bitmap, &place));
    EXPECT_EQ(place.left, 6);
    EXPECT_EQ(place.right, 12);
    EXPECT_EQ(place.bottom, 6);
    DibImage* empty = SeparatedImage(8, 4, {0, 1, 2, 3, 4, 5, 6, 7}, 3);
    EXPECT_EQ(TbxAddBitmap(t, nullptr, reinterpret_cast<UINT_PTR>(DibGetBitmap(empty)), TBXBM_COUNTNOW, 0,
                           TBXBM_VARYING_WIDTH, 256, nullptr, nullptr, nullptr),
              -1);
    TbxRemoveBitmaps(t);
    DibFree(varying);
    DibFree(empty);
}

TEST(ToolbarExModel, ButtonSizesFollowImagesArrowsAndScales)
{
    EXPECT_EQ(TbxArrowWidth(16), 13);   // (16 + 2) / 4 = 4, 4 * 13 / 4
    EXPECT_EQ(TbxArrowWidth(2), 13);    // at least 4 quarters
    EXPECT_EQ(TbxArrowWidth(30), 19);   // at most 6

    Block t;
    t.AddStrip(16, 2, 16);
    t.Add(Button(0, 1));
    t.Add(Button(1, 2, TBSTATE_ENABLED, BTNS_DROPDOWN));
    t.Add(tbtest::Separator());
    TbxLayout(t, true);
    const int gaps = t->gap[0] + t->padding.cx;
    EXPECT_EQ(t->buttons[0]->extentX, 16 + gaps);
    EXPECT_EQ(t->buttons[0]->extentY, 16 + t->gap[1] + t->padding.cy);
    EXPECT_EQ(t->buttons[1]->extentX, 16 + 13 + gaps);
    EXPECT_EQ(t->buttons[1]->packedWidth >> 10, 13);
    EXPECT_EQ(t->buttons[2]->rect.right - t->buttons[2]->rect.left, 8);
    // A text below its picture widens the button to the text; every other button gets a
    // text row, so that all stand equally high.
    const wchar_t* label = L"Ein ziemlich langer Text";
    TbxAddStrings(t, label, 0xFFFE);
    t.Add(Button(0, 5, TBSTATE_ENABLED, 0, 0, 0));
    TbxLayout(t, true);
    const SIZE text = TbxMeasureText(t, label, static_cast<int>(wcslen(label)), false);
    ASSERT_GT(text.cx, 16);
    EXPECT_TRUE(t->buttons[3]->paint & TBXP_TEXTBELOW);
    EXPECT_EQ(t->buttons[3]->extentX, text.cx + gaps);
    EXPECT_TRUE(t->buttons[0]->paint & TBXP_TEXTROW);
    EXPECT_EQ(t->buttons[0]->rect.bottom, t->buttons[3]->rect.bottom);
    TbxDeleteButton(t, 3);

    // A text-only button is its text (at least 4) and 8 more, within the width limits; the
    // padding and the gap come on top.
    struct Limits { int min, max; } limits[] = { { -1, -1 }, { 200, -1 }, { -1, 40 }, { 20, 30 } };
    for (const Limits& l : limits) {
        Block plain;
        TbxAddStrings(plain, label, 0xFFFE);
        TbxAddStrings(plain, L"i", 0xFFFE);
        plain.Add(Button(-1, 1, TBSTATE_ENABLED, 0, 0, 0));
        plain.Add(Button(-1, 2, TBSTATE_ENABLED, 0, 0, 1));
        plain->minWidth = l.min;
        plain->maxWidth = l.max;
        TbxLayout(plain, true);
        const wchar_t* texts[] = { label, L"i" };
        for (int i = 0; i < 2; ++i) {
            int w = std::max<int>(TbxMeasureText(plain, texts[i], static_cast<int>(wcslen(texts[i])), false).cx, 4) + 8;
            if (l.min >= 0)
                w = std::max(w, l.min);
            if (l.max >= 0)
                w = std::min(w, l.max);
            EXPECT_TRUE(plain->buttons[i]->paint & TBXP_TEXTONLY);
            EXPECT_EQ(plain->buttons[i]->extentX, w + plain->gap[0] + plain->padding.cx) << l.min << ".." << l.max << " " << i;
        }
    }

    // Scale 512 draws 32 x 32 on a deep screen; on an 8-bit one the images stay as they are.
    t->scale = 512;
    TbxLayout(t, true);
    EXPECT_EQ(t->buttons[0]->extentX, 32 + gaps);
    SetDibScreenDepth(8);
    Block shallow;
    SetDibScreenDepth(0);
    shallow.AddStrip(16, 1, 16);
    shallow.Add(Button(0, 1));
    shallow->scale = 512;
    TbxLayout(shallow, true);
    EXPECT_EQ(shallow->buttons[0]->extentX, 16 + gaps);
    // Its looks are cached at the screen's depth.
    TbxRenderButton(shallow, 0);
    ASSERT_NE(shallow->buttons[0]->cache, nullptr);
    EXPECT_EQ(shallow->buttons[0]->cache->biBitCount, 8);
    EXPECT_EQ(std::abs(shallow->buttons[0]->cache->biHeight), 6 * (shallow->buttons[0]->rect.bottom - shallow->buttons[0]->rect.top));
}

namespace {

// Random buttons of four widths (and hidden ones), no separators.
void FillRandom(Block& t, std::mt19937& random, int count)
{
    static const int widths[] = {8, 16, 24, 40};
    for (int w : widths)
        t.AddStrip(w, 1, 16);
    for (int i = 0; i < count; ++i) {
        const int image = static_cast<int>(random() % 4);
        const BYTE state = random() % 9 == 0 ? (TBSTATE_ENABLED | TBSTATE_HIDDEN) : TBSTATE_ENABLED;
        t.Add(Button(image, 100 + i, state));
    }
}

bool Visible(const ToolbarButton* b)
{
    return !(b->state & TBSTATE_HIDDEN);
}

}  // namespace

TEST(ToolbarExModel, FitToAWidthFillsEveryLineAsFarAsItGoes)
{
    std::mt19937 random(20);
    for (int round = 0; round < 40; ++round) {
        Block t;
        FillRandom(t, random, 3 + static_cast<int>(random() % 30));
        t->indent = static_cast<int>(random() % 3) * 4;
        const int target = round < 20 ? 5 + static_cast<int>(random() % 400) : 5 + static_cast<int>(random() % 16379);
        const DWORD size = TbxFit(t, target, TBXFIT_KEEP);
        // Lines in order: each ends within the target unless it holds one button, and the
        // next line's first button would not have fitted behind it.
        std::vector<std::vector<const ToolbarButton*>> lines;
        LONG top = -1;
        for (int i = 0; i < t->buttonCount; ++i) {
            const ToolbarButton* b = t->buttons[i];
            if (!Visible(b))
                continue;
            if (b->rect.top != top) {
                lines.push_back({});
                top = b->rect.top;
            }
            lines.back().push_back(b);
        }
        int widest = 0;
        for (size_t l = 0; l < lines.size(); ++l) {
            const LONG end = lines[l].back()->rect.right;
            widest = std::max<int>(widest, end);
            if (lines[l].size() > 1) {
                EXPECT_LE(end, target) << "round " << round << " line " << l;
            }
            if (l + 1 < lines.size()) {
                EXPECT_GT(end + lines[l + 1][0]->extentX, target) << "round " << round << " line " << l;
            }
        }
        EXPECT_EQ(LOWORD(size), widest);
    }
}

TEST(ToolbarExModel, TargetsBelowFiveGiveOneColumnAndFitsLeaveTheStatesAlone)
{
    std::mt19937 random(7);
    for (int target = 0; target <= 4; ++target) {
        Block t;
        FillRandom(t, random, 12);
        TbxFit(t, target, TBXFIT_KEEP);
        LONG left = -1;
        LONG bottom = 0;
        for (int i = 0; i < t->buttonCount; ++i) {
            const ToolbarButton* b = t->buttons[i];
            if (!Visible(b))
                continue;
            if (left < 0)
                left = b->rect.left;
            EXPECT_EQ(b->rect.left, left) << "target " << target;
            EXPECT_GE(b->rect.top, bottom);
            bottom = b->rect.bottom;
        }
        // Without KEEP the wraps go back to what they were: one row again.
        Block u;
        FillRandom(u, random, 12);
        const DWORD column = TbxFit(u, target, 0);
        const DWORD row = TbxFit(u, 17000, 0);
        EXPECT_GT(HIWORD(column), HIWORD(row));
        for (int i = 0; i < u->buttonCount; ++i)
            EXPECT_FALSE(u->buttons[i]->state & TBSTATE_WRAP);
    }
}

TEST(ToolbarExModel, HitTestCoversInnerRectanglesOnly)
{
    std::mt19937 random(3);
    for (int round = 0; round < 10; ++round) {
        Block t;
        FillRandom(t, random, 15);
        t.Add(Button(0, 900, TBSTATE_ENABLED, BTNS_DROPDOWN));
        TbxFit(t, 100 + static_cast<int>(random() % 200), TBXFIT_KEEP);
        for (int i = 0; i < t->buttonCount; ++i) {
            const ToolbarButton* b = t->buttons[i];
            if (!Visible(b))
                continue;
            const RECT inner = TbxInnerRect(t, b);
            for (int y = inner.top; y < inner.bottom; y += 3) {
                for (int x = inner.left; x < inner.right; x += 2) {
                    bool arrow = false;
                    ASSERT_EQ(TbxHitTest(t, {x, y}, &arrow), i) << x << "," << y;
                    EXPECT_EQ(arrow, (b->style & BTNS_DROPDOWN) && x >= inner.right - (b->packedWidth >> 10));
                }
            }
            // The margins between buttons hit nothing.
            EXPECT_EQ(TbxHitTest(t, {b->rect.left, inner.top}, nullptr), -1);
            EXPECT_EQ(TbxHitTest(t, {inner.left, b->rect.top}, nullptr), -1);
        }
    }
}

TEST(ToolbarExModel, InsertMarkBandsAndTheirHitTest)
{
    Block t;
    t.AddStrip(16, 3, 16);
    for (int i = 0; i < 3; ++i)
        t.Add(Button(i, i + 1));
    TbxLayout(t, true);
    RECT old;
    EXPECT_TRUE(TbxSetInsertMark(t, 1, 0, &old));
    const RECT& b1 = t->buttons[1]->rect;
    EXPECT_EQ(t->insertRect.left, b1.left - 3);
    EXPECT_EQ(t->insertRect.right, b1.left + 3);
    EXPECT_FALSE(TbxSetInsertMark(t, 1, 0, &old));   // unchanged
    TbxSetInsertMark(t, 0, 0, &old);
    EXPECT_GE(t->insertRect.left, -2);                 // moved right at the left edge
    TbxSetInsertMark(t, 7, 0, &old);
    EXPECT_EQ(t->insertMark, -1);
    int index = 0;
    DWORD flags = 0;
    EXPECT_TRUE(TbxInsertMarkHitTest(t, {b1.right - 2, b1.top + 3}, &index, &flags));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(flags, 1u);
    EXPECT_FALSE(TbxInsertMarkHitTest(t, {5000, 5}, &index, &flags));
    EXPECT_EQ(index, -1);
    EXPECT_EQ(flags, 2u);
}

TEST(ToolbarExModel, SmallButtonsStackInOneCellOfATallRow)
{
    Block t;
    t->style |= TBXS_STACK;
    t.AddStrip(16, 1, 40);   // a tall picture sets the row's thickness
    t.AddStrip(16, 1, 10);
    t.Add(Button(0, 1));
    t.Add(Button(1, 2));
    t.Add(Button(1, 3));
    t.Add(Button(1, 4, TBSTATE_ENABLED, BTNS_BUTTON, TBXF_NOSTACK));
    TbxLayout(t, true);
    const ToolbarButton* first = t->buttons[1];
    const ToolbarButton* second = t->buttons[2];
    EXPECT_TRUE(first->paint & TBXP_STACKFIRST);
    EXPECT_TRUE(second->paint & TBXP_STACKMEMBER);
    EXPECT_TRUE(second->paint & TBXP_STACKLAST);
    EXPECT_EQ(first->rect.left, second->rect.left);
    EXPECT_EQ(second->rect.bottom, first->rect.top);   // the next member sits above
    EXPECT_EQ(first->rect.bottom, t->buttons[0]->rect.bottom);
    // The flagged button stays in the row behind the stack.
    EXPECT_FALSE(t->buttons[3]->paint & (TBXP_STACKFIRST | TBXP_STACKMEMBER));
    EXPECT_EQ(t->buttons[3]->rect.left, first->rect.right);
    // An insert mark after the stack's first button goes behind the whole stack.
    RECT old;
    TbxSetInsertMark(t, 1, 1, &old);
    EXPECT_EQ(t->insertRect.left, second->rect.right - 3);
}

TEST(ToolbarExModel, OnlyVisibleUnwrappedStackableNeighboursShareACell)
{
    // Buttons of a row: T a tall picture that makes the row thick, s a small one, w a small
    // wrapped one, h a small hidden one, n a small one that refuses stacking, | a separator.
    // Expected marks: F first of a stack, M a further member, L the last member, - none.
    struct Case {
        const char* row;
        const char* marks;
    };
    const Case cases[] = {
        {"Tss", "-FL"},   {"Tsw", "---"},   {"Tssw", "-FL-"}, {"Ts|s", "----"},
        {"Tshs", "----"}, {"Tsns", "----"}, {"Tsss", "-FL-"},
    };
    for (const Case& c : cases) {
        Block t;
        t->style |= TBXS_STACK;
        t.AddStrip(16, 1, 40);
        t.AddStrip(16, 1, 10);
        for (const char* p = c.row; *p; ++p) {
            switch (*p) {
            case 'T': t.Add(Button(0, 1)); break;
            case 's': t.Add(Button(1, 2)); break;
            case 'w': t.Add(Button(1, 3, TBSTATE_ENABLED | TBSTATE_WRAP)); break;
            case 'h': t.Add(Button(1, 4, TBSTATE_ENABLED | TBSTATE_HIDDEN)); break;
            case 'n': t.Add(Button(1, 5, TBSTATE_ENABLED, BTNS_BUTTON, TBXF_NOSTACK)); break;
            default: t.Add(tbtest::Separator()); break;
            }
        }
        TbxLayout(t, true);
        std::string got;
        for (int i = 0; i < t->buttonCount; ++i) {
            const WORD paint = t->buttons[i]->paint;
            got += (paint & TBXP_STACKFIRST) ? 'F' : (paint & TBXP_STACKLAST) ? 'L' : (paint & TBXP_STACKMEMBER) ? 'M' : '-';
        }
        EXPECT_EQ(got, c.marks) << c.row;
    }
}

TEST(ToolbarExModel, AnOverlayTextIsReplacedOnlyWhenItsSuccessorIsMade)
{
    struct Case {
        int failures;   // allocations that fail while the successor is added
        LRESULT added;
        const wchar_t* left;   // the text the button's overlay shows afterwards
    };
    const Case cases[] = {{0, 1, L"neu"}, {1, 0, L"alt"}};
    for (const Case& c : cases) {
        Block t;
        t.Add(Button(-1, 1));
        const ToolbarOverlayRecord first = {0x12340000, 0, 0, 0x05, 1, {}};
        ASSERT_EQ(TbxAddOverlay(t, &first, L"alt"), 1);
        const ToolbarOverlayRecord successor = {0x12340000, 0, 0, 0x25, 2, {}};
        TbxFailAllocations(c.failures);
        EXPECT_EQ(TbxAddOverlay(t, &successor, L"neu"), c.added) << c.failures;
        TbxFailAllocations(0);
        int items = 0;
        for (const ToolbarOverlay* item = t->overlays; item; item = item->next)
            ++items;
        EXPECT_EQ(items, 1) << c.failures;
        ASSERT_NE(t->overlays, nullptr);
        EXPECT_STREQ(t->overlays->text, c.left) << c.failures;
    }
}

TEST(ToolbarExModel, TheInsertMarkFollowsItsButtonThroughAFit)
{
    struct Case {
        int target;
        DWORD flags;
    };
    const Case cases[] = {{60, TBXFIT_KEEP}, {60, 0}, {17000, TBXFIT_KEEP}, {1, TBXFIT_KEEP}};
    for (const Case& c : cases) {
        Block t;
        t.AddStrip(16, 1, 16);
        for (int i = 0; i < 4; ++i)
            t.Add(Button(0, i + 1));
        TbxLayout(t, true);
        TbxSetInsertMark(t, 3, 1, nullptr);
        TbxFit(t, c.target, c.flags);
        const RECT& r = t->buttons[3]->rect;
        EXPECT_EQ(t->insertRect.left, r.right - 3) << c.target << " " << c.flags;
        EXPECT_EQ(t->insertRect.top, r.top) << c.target << " " << c.flags;
    }
}

TEST(ToolbarExModel, StyleRangesSkipSeparatorsButMayTurnButtonsIntoThem)
{
    // Buttons 0 and 2 carry command 5, button 1 is a separator (command 0).
    struct Case {
        WPARAM range;
        LPARAM valueMask;
        int touched;
        BYTE styles[3];
    } cases[] = {
        {MAKEWPARAM(5, 0x1248), MAKELPARAM(BTNS_SEP, BTNS_SEP), 2, {BTNS_SEP, BTNS_SEP, BTNS_SEP}},
        {MAKEWPARAM(0, 0x1248), MAKELPARAM(0, BTNS_SEP), 1, {0, 0, 0}},
        {MAKEWPARAM(0, 3), MAKELPARAM(BTNS_CHECK, BTNS_SEP | BTNS_CHECK), 2, {BTNS_CHECK, BTNS_SEP, BTNS_CHECK}},
        {MAKEWPARAM(0, 3), MAKELPARAM(BTNS_SEP, BTNS_SEP), 2, {BTNS_SEP, BTNS_SEP, BTNS_SEP}},
    };
    for (const Case& c : cases) {
        Block t;
        t.Add(Button(-1, 5));
        t.Add(Button(0, 0, 0, BTNS_SEP));
        t.Add(Button(-1, 5));
        EXPECT_EQ(TbxSetRange(t, TBX_SETSTYLES, c.range, c.valueMask), c.touched) << std::hex << c.range;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(t->buttons[i]->style, c.styles[i]) << std::hex << c.range << " button " << i;
    }
}

TEST(ToolbarExModel, ALayoutRedrawsOnlyTheButtonsWhoseLookOrSizeChanged)
{
    struct Case {
        const char* what;
        void (*change)(ToolbarExBlock* block);
        unsigned rebuilt;   // bit i: button i is to be drawn again
    } cases[] = {
        {"one button marked", [](ToolbarExBlock* b) { TbxMarkRebuild(b, 1, true); }, 0x2},
        {"sizes asked for again", [](ToolbarExBlock* b) { b->dirty |= TBXD_SIZES; }, 0x0},
        {"one button measured larger", [](ToolbarExBlock* b) { b->buttons[2]->image = 2; b->dirty |= TBXD_SIZES; }, 0x4},
        {"all marked", [](ToolbarExBlock* b) { TbxMarkAllForRebuild(b); }, 0xF},
        {"text row for all", [](ToolbarExBlock* b) { TbxSetButtonText(b, 3, L"Neu"); }, 0xF},
    };
    for (const Case& c : cases) {
        Block t;
        t.AddStrip(16, 2, 16);
        t.AddStrip(24, 1, 24);   // image 2, larger
        for (int i = 0; i < 4; ++i)
            t.Add(Button(i % 2, i + 1));
        TbxLayout(t, true);
        for (int i = 0; i < 4; ++i)
            t->buttons[i]->paint &= static_cast<WORD>(~TBXP_REBUILD);   // as drawn
        c.change(t);
        TbxLayout(t);
        unsigned rebuilt = 0;
        for (int i = 0; i < 4; ++i)
            if (t->buttons[i]->paint & TBXP_REBUILD)
                rebuilt |= 1u << i;
        EXPECT_EQ(rebuilt, c.rebuilt) << c.what;
    }
}

TEST(ToolbarExModel, AButtonIsHitOnItsOwnCaptionAndArrowButNotOnAnEmptyTextRow)
{
    Block t;
    t.AddStrip(16, 1, 16);
    const int text = TbxAddStrings(t, L"Text", 0xFFFE);
    t.Add(Button(0, 1, TBSTATE_ENABLED, BTNS_BUTTON, 0, text));   // caption below its picture
    t.Add(Button(0, 2));                                          // picture only: its text row is empty
    t.Add(Button(0, 3, TBSTATE_ENABLED, BTNS_DROPDOWN));
    TbxLayout(t, true);
    const int below = t->gap[1] / 2 + 1;   // one pixel inside the bottom gap: the text row
    struct Case {
        int button;
        bool inTextRow;
        bool onArrowPart;
        int hit;
        bool arrow;
    } cases[] = {
        {0, true, false, 0, false},
        {0, false, false, 0, false},
        {1, true, false, -1, false},
        {1, false, false, 1, false},
        {2, false, true, 2, true},
        {2, false, false, 2, false},
    };
    for (const Case& c : cases) {
        const RECT& r = t->buttons[c.button]->rect;
        const int arrow = t->buttons[c.button]->packedWidth >> 10;
        const int content = t->buttons[c.button]->packedWidth & 0x3FF;
        POINT pt = {r.left + t->gap[0] / 2 + 2, (r.top + r.bottom) / 2 - t->textHeight / 2 - 1};
        if (c.inTextRow)
            pt.y = r.bottom - below;
        if (c.onArrowPart)
            pt.x = r.left + content + arrow / 2;
        ASSERT_TRUE(PtInRect(&r, pt)) << c.button;
        bool onArrow = false;
        EXPECT_EQ(TbxHitTest(t, pt, &onArrow), c.hit) << c.button << " " << c.inTextRow << " " << c.onArrowPart;
        EXPECT_EQ(onArrow, c.arrow) << c.button;
    }
}

namespace {

// A 24-bit picture of 16 x 16 on `background` with a square of `square` in its middle.
HBITMAP PictureOn(COLORREF background, COLORREF square)
{
    HBITMAP bitmap = tbtest::MakeStrip(16, 1, 16, background);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const RECT r = {4, 4, 12, 12};
    HBRUSH brush = CreateSolidBrush(square);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

// The cached looks of one flat button showing the picture.
std::vector<BYTE> RenderedLooks(HBITMAP picture)
{
    Block t;
    t->style |= TBXS_FLAT;
    TbxAddBitmap(t, nullptr, reinterpret_cast<UINT_PTR>(picture), 0, 1, 0, 256, nullptr, nullptr, nullptr);
    t.Add(Button(0, 1));
    t.Add(Button(0, 2, TBSTATE_ENABLED | TBSTATE_CHECKED));
    TbxLayout(t, true);
    std::vector<BYTE> looks;
    for (int i = 0; i < 2; ++i) {
        TbxRenderButton(t, i);
        const DibImage* cache = t->buttons[i]->cache;
        if (!cache)
            return {};
        const BYTE* bits = static_cast<const BYTE*>(DibGetBits(const_cast<DibImage*>(cache)));
        const size_t stride = (static_cast<size_t>(cache->biWidth) * cache->biBitCount + 31) / 32 * 4;
        looks.insert(looks.end(), bits, bits + stride * static_cast<size_t>(std::abs(cache->biHeight)));
    }
    return looks;
}

}  // namespace

TEST(ToolbarExModel, ClassicGreysOfAPictureStandForTheSystemColours)
{
    const int elements[] = {COLOR_BTNSHADOW, COLOR_BTNFACE, COLOR_3DLIGHT};
    COLORREF saved[3];
    for (int i = 0; i < 3; ++i)
        saved[i] = GetSysColor(elements[i]);
    // Colours unlike the classic greys, so that a grey left as it is shows.
    const COLORREF chosen[3] = {RGB(90, 20, 20), RGB(20, 90, 20), RGB(20, 20, 90)};
    ASSERT_TRUE(SetSysColors(3, elements, chosen));
    const COLORREF grey[3] = {0x808080, 0xC0C0C0, 0xDFDFDF};
    const COLORREF plainBackground = RGB(1, 2, 3);
    struct Case {
        int background;   // index of the grey, -1: a colour no grey stands for
        int square;
    } cases[] = {{1, 0}, {2, 1}, {0, 2}, {-1, 0}, {1, -1}};
    for (const Case& c : cases) {
        const COLORREF squareColour = c.square >= 0 ? grey[c.square] : RGB(200, 100, 50);
        HBITMAP picture = PictureOn(c.background >= 0 ? grey[c.background] : plainBackground, squareColour);
        // The same picture already in the system's colours, on a background no grey stands for.
        HBITMAP mapped = PictureOn(plainBackground, c.square >= 0 ? GetSysColor(elements[c.square]) : squareColour);
        const std::vector<BYTE> drawn = RenderedLooks(picture);
        const std::vector<BYTE> expected = RenderedLooks(mapped);
        ASSERT_FALSE(expected.empty());
        EXPECT_TRUE(drawn == expected) << c.background << " " << c.square;
        DeleteObject(picture);
        DeleteObject(mapped);
    }
    SetSysColors(3, elements, saved);
}
