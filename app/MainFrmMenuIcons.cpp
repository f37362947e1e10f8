// The main frame's owner-drawn menus: every item of the menu bar's popups is measured and
// drawn here; an item whose command has a toolbar button shows that button's picture in an
// icon column (from the greyed list when disabled), others a check glyph when checked, and
// the accelerators of a popup line up in a second column.
#include "app/MainFrm.h"

#include "textlib/TextCopy.h"
#include "uihelpers/DibImage.h"
#include "uihelpers/DibPixels.h"
#include "uihelpers/ThemedDrawing.h"
#include "uihelpers/UiFonts.h"

#include <algorithm>
#include <cstring>

namespace {

const COLORREF kMaskColour = RGB(192, 192, 192);
const COLORREF kGreyTarget = RGB(223, 223, 223);

struct ItemInfo {
    UINT id = 0;
    UINT type = 0;
    ULONG_PTR data = 0;
    HMENU sub = nullptr;
    char text[64] = {};
};

bool ReadItem(HMENU menu, int position, ItemInfo* out)
{
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_DATA | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = out->text;
    info.cch = sizeof out->text;
    out->text[0] = 0;
    if (!::GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info))
        return false;
    out->id = info.wID;
    out->type = info.fType;
    out->data = info.dwItemData;
    out->sub = info.hSubMenu;
    if (info.fType & MFT_OWNERDRAW)
        out->text[0] = 0;   // the type data is no text then
    return true;
}

BOOL MakeOwnerDrawn(HMENU menu, int position, UINT keepType, ULONG_PTR data)
{
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_DATA;
    info.fType = (keepType & (MFT_SEPARATOR | MFT_RADIOCHECK | MFT_MENUBREAK | MFT_MENUBARBREAK)) | MFT_OWNERDRAW;
    info.dwItemData = data;
    return ::SetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info);
}

// Visits the items of `first` and of the popups below it that open no popup themselves:
// visit(popup, position, item), false to stop; done(popup) after each popup. At most
// kMenuPopupStackDepth popups wait at a time; those beyond are left alone.
template <class Visit, class Done>
bool WalkPopups(HMENU first, Visit visit, Done done)
{
    HMENU stack[kMenuPopupStackDepth];
    int depth = 0;
    for (HMENU popup = first; popup; popup = depth > 0 ? stack[--depth] : nullptr) {
        const int items = ::GetMenuItemCount(popup);
        for (int pos = 0; pos < items; ++pos) {
            ItemInfo item;
            if (!ReadItem(popup, pos, &item))
                continue;
            if (item.sub) {
                if (depth < kMenuPopupStackDepth)
                    stack[depth++] = item.sub;
                continue;
            }
            if (!visit(popup, pos, item))
                return false;
        }
        done(popup);
    }
    return true;
}

// The width of a text in the menu font (0 without the menu's device context).
int MenuTextWidth(HDC dc, const char* text, int length)
{
    return dc ? MeasureTextA(dc, text, length, DT_SINGLELINE | DT_VCENTER, nullptr) : 0;
}

bool IsRecentFile(UINT id)
{
    return id >= kFirstRecentFileCommand && id <= kLastRecentFileCommand;
}

void FillSolid(HDC dc, const RECT& r, COLORREF colour)
{
    const COLORREF old = ::SetBkColor(dc, colour);
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    ::SetBkColor(dc, old);
}

// The greyed twin of a picture: recoloured toward light grey, the mask colour kept. Takes
// the image and frees it.
int AddGreyed(HIMAGELIST list, DibImage* image, COLORREF mask = kMaskColour)
{
    if (!image)
        return -1;
    DibColorize(image, DibGetBits(image), kGreyTarget, mask);
    const int index = ImageList_AddMasked(list, DibGetBitmap(image), mask);
    DibFree(image);
    return index;
}

}  // namespace

HDC CMainFrame::MenuDC()
{
    if (!m_menuDC) {
        m_menuDC = ::CreateCompatibleDC(nullptr);
        if (m_menuDC && m_menuFont)
            m_menuDCFont = ::SelectObject(m_menuDC, m_menuFont);
    }
    return m_menuDC;
}

void CMainFrame::FreeMenuIcons()
{
    for (MenuItemRecord* record : m_menuRecords)
        ::HeapFree(::GetProcessHeap(), 0, record);
    m_menuRecords.clear();
    if (m_menuDC) {
        if (m_menuDCFont)
            ::SelectObject(m_menuDC, m_menuDCFont);
        ::DeleteDC(m_menuDC);
        m_menuDC = nullptr;
    }
    if (m_menuFont)
        ::DeleteObject(m_menuFont);
    m_menuFont = nullptr;
    if (m_menuImages)
        ImageList_Destroy(m_menuImages);
    if (m_menuGreyImages)
        ImageList_Destroy(m_menuGreyImages);
    m_menuImages = m_menuGreyImages = nullptr;
}

int CMainFrame::InitMenuIcons(const UINT* ids, int count)
{
    m_menuCommandCount = 0;
    HINSTANCE module = AfxGetResourceHandle();
    for (int i = 0; ids && i < count && ids[i]; ++i) {
        ToolbarResourceData toolbar = {};
        if (!FindToolbarResource(module, ids[i], &toolbar))
            break;
        if (i == 0) {
            m_iconWidth = toolbar.width;
            m_iconHeight = toolbar.height;
            if (m_menuImages)
                ImageList_Destroy(m_menuImages);
            if (m_menuGreyImages)
                ImageList_Destroy(m_menuGreyImages);
            m_menuImages = ImageList_Create(m_iconWidth, m_iconHeight, ILC_COLORDDB | ILC_MASK, toolbar.count, 8);
            m_menuGreyImages = ImageList_Create(m_iconWidth, m_iconHeight, ILC_COLORDDB | ILC_MASK, toolbar.count, 8);
        }
        if (HBITMAP bitmap = ::LoadBitmapA(module, MAKEINTRESOURCEA(ids[i]))) {
            // The greyed twin from a copy: the list blackens the masked pixels it is given.
            void* bits = nullptr;
            DibImage* image = DibFromBitmap(nullptr, bitmap, &bits);
            ImageList_AddMasked(m_menuImages, bitmap, kMaskColour);
            AddGreyed(m_menuGreyImages, image);
            ::DeleteObject(bitmap);
        }
        m_menuCommandCount = AppendToolbarCommands(m_menuCommands, m_menuCommandCount, toolbar.ids, toolbar.count);
    }
    if (m_menuCommandCount == 0)
        return 0;

    if (!m_menuFont) {
        NONCLIENTMETRICSA metrics = {};
        metrics.cbSize = sizeof metrics;
        if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            m_menuFont = ::CreateFontIndirectA(&metrics.lfMenuFont);
        if (m_menuDC && m_menuFont)
            ::SelectObject(m_menuDC, m_menuFont);
    }
    MenuDC();

    HMENU bar = ::GetMenu(m_hWnd);
    const int tops = bar ? ::GetMenuItemCount(bar) : 0;
    for (int top = 0; top < tops; ++top) {
        int largest = 0;
        WalkPopups(
            ::GetSubMenu(bar, top),
            [&](HMENU popup, int pos, const ItemInfo& item) {
                if (item.type & (MFT_SEPARATOR | MFT_BITMAP))
                    MakeOwnerDrawn(popup, pos, item.type, 0);
                else if (!(item.type & MFT_OWNERDRAW) && !IsRecentFile(item.id))
                    largest = std::max(largest, MakeMenuItemRecord(popup, pos, item.text, item.id));
                return true;
            },
            [&](HMENU popup) {
                SetMenuColumnWidth(popup, largest + 16);
                largest = 0;
            });
    }
    return 1;
}

void CMainFrame::MeasureMenuText(const char* text, MenuItemRecord* record, bool* noIcon)
{
    const MenuTextParts parts = SplitMenuText(text);
    HDC dc = MenuDC();
    const int column = MenuTextWidth(dc, text, parts.textLength) + m_iconWidth + 4;
    const int acceleratorWidth = parts.accelerator ? MenuTextWidth(dc, parts.accelerator, -1) : 0;
    const int accelerator = AcceleratorColumnWidth(parts.accelerator != nullptr, acceleratorWidth);
    record->tabPosition = parts.tabPosition;
    record->textColumn = static_cast<uint16_t>(std::min(column, 0xFFFF));
    record->width = static_cast<uint16_t>(std::min(column + accelerator, 0xFFFF));
    record->height = static_cast<uint16_t>(std::max(m_iconHeight, ::GetSystemMetrics(SM_CYMENU)));
    if (noIcon)
        *noIcon = parts.endsWithNoBreakSpace;
}

int CMainFrame::MakeMenuItemRecord(HMENU popup, int position, const char* text, UINT command)
{
    MenuItemRecord* record =
        static_cast<MenuItemRecord*>(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(MenuItemRecord)));
    if (!record)
        return 0;
    bool noIcon = false;
    CopyTextLimited(record->text, text, sizeof record->text);
    MeasureMenuText(record->text, record, &noIcon);
    const int image = noIcon ? -1 : LastCommandIndex(m_menuCommands, m_menuCommandCount, command);
    record->image = image < 0 ? kMenuNoImage : static_cast<uint16_t>(image);
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<LPSTR>("");
    ::SetMenuItemInfoA(popup, static_cast<UINT>(position), TRUE, &info);
    UINT type = 0;
    MENUITEMINFOA old = {};
    old.cbSize = sizeof old;
    old.fMask = MIIM_FTYPE;
    if (::GetMenuItemInfoA(popup, static_cast<UINT>(position), TRUE, &old))
        type = old.fType;
    MakeOwnerDrawn(popup, position, type, DataOfRecord(record));
    m_menuRecords.push_back(record);
    return record->textColumn;
}

void CMainFrame::SetMenuColumnWidth(HMENU popup, int width)
{
    const int items = popup ? ::GetMenuItemCount(popup) : 0;
    for (int pos = 0; pos < items; ++pos) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_DATA;
        if (::GetMenuItemInfoA(popup, static_cast<UINT>(pos), TRUE, &info) && (info.fType & MFT_OWNERDRAW))
            ApplyMenuColumnWidth(RecordOfData(info.dwItemData), width);
    }
}

void CMainFrame::OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu)
{
    CFrameWnd::OnInitMenuPopup(pPopupMenu, nIndex, bSysMenu);
    if (bSysMenu || !pPopupMenu || !pPopupMenu->m_hMenu || !m_menuCommandCount)
        return;
    HMENU popup = pPopupMenu->m_hMenu;
    int largest = 0;
    int built = 0;
    for (int pos = ::GetMenuItemCount(popup) - 1; pos >= 0; --pos) {
        ItemInfo item;
        if (!ReadItem(popup, pos, &item))
            continue;
        if (item.type & MFT_OWNERDRAW) {
            if (const MenuItemRecord* record = RecordOfData(item.data))
                largest = std::max<int>(largest, record->textColumn);
            continue;
        }
        if (IsRecentFile(item.id) && !(item.type & MFT_SEPARATOR)) {
            const int width = MenuTextWidth(MenuDC(), item.text, -1);
            const int height = std::max(m_iconHeight, ::GetSystemMetrics(SM_CYMENU));
            const UINT slot = item.id - kFirstRecentFileCommand;
            CopyTextLimited(MenuItemMruText[slot], item.text, sizeof MenuItemMruText[slot]);
            MakeOwnerDrawn(popup, pos, item.type,
                           MakeRecentFileData(width + m_iconWidth + 5, height, item.id));
        } else if (!(item.type & (MFT_SEPARATOR | MFT_BITMAP))) {
            largest = std::max(largest, MakeMenuItemRecord(popup, pos, item.text, item.id));
            ++built;
        } else {
            MakeOwnerDrawn(popup, pos, item.type, 0);
        }
    }
    if (built > 0)
        SetMenuColumnWidth(popup, largest);
}

void CMainFrame::OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct)
{
    if (!lpMeasureItemStruct || lpMeasureItemStruct->CtlType != ODT_MENU) {
        CFrameWnd::OnMeasureItem(nIDCtl, lpMeasureItemStruct);
        return;
    }
    const ULONG_PTR data = lpMeasureItemStruct->itemData;
    if (data == 0) {
        lpMeasureItemStruct->itemWidth = 20;
        lpMeasureItemStruct->itemHeight = 8;
    } else if (const MenuItemRecord* record = RecordOfData(data)) {
        lpMeasureItemStruct->itemWidth = record->width + 2u;
        lpMeasureItemStruct->itemHeight = record->height;
    } else {
        lpMeasureItemStruct->itemWidth = static_cast<UINT>(RecentDataWidth(data) + 2);
        lpMeasureItemStruct->itemHeight = static_cast<UINT>(RecentDataHeight(data));
    }
}

void CMainFrame::DrawMenuItem(const DRAWITEMSTRUCT* d)
{
    if (!d || !d->hDC || !(d->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)))
        return;
    HDC dc = d->hDC;
    const RECT& r = d->rcItem;
    const MenuColours c = MenuColoursFrom(::GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_HIGHLIGHT),
                                          ::GetSysColor(COLOR_GRAYTEXT), ::GetSysColor(COLOR_CAPTIONTEXT),
                                          ::GetSysColor(COLOR_MENUTEXT));
    const bool disabled = (d->itemState & (ODS_DISABLED | ODS_GRAYED)) != 0;
    const bool selected = (d->itemState & ODS_SELECTED) && !disabled;
    const bool checked = (d->itemState & ODS_CHECKED) != 0;
    const ULONG_PTR data = d->itemData;
    const MenuItemRecord* record = RecordOfData(data);

    RECT icon = {r.left, r.top, r.left + 4 + m_iconWidth, r.bottom};
    FillSolid(dc, icon, selected ? c.iconSelection : ::GetSysColor(COLOR_MENU));
    FillSolid(dc, {icon.right, r.top, r.right, r.bottom}, selected ? c.selection : c.background);

    if (data != 0) {
        if (!record || record->image == kMenuNoImage) {
            if (checked) {
                const RECT glyph = {r.left + 1, r.top + 4, r.left + 1 + m_iconWidth, r.top + 4 + m_iconHeight};
                DrawThemedGlyph(dc, &glyph, GLYPH_MENU_CHECK | (disabled ? 2u : 1u), 0);
            }
        } else {
            if (checked) {
                FillSolid(dc, icon, ::GetSysColor(COLOR_BTNFACE));
                DrawFrame3d(dc, r.left, r.top + 1, m_iconWidth + 2, m_iconHeight + 2, 7);
            }
            ImageList_Draw(disabled ? m_menuGreyImages : m_menuImages, record->image, dc, r.left + 1, r.top + 2,
                           ILD_TRANSPARENT);
        }
    }

    RECT text = {icon.right, r.top, r.right, r.bottom};
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const bool shifted = c.background != ::GetSysColor(COLOR_MENU) || c.selection != ::GetSysColor(COLOR_HIGHLIGHT);
    if (shifted)
        text.left += 3;
    if (data == 0) {
        if (shifted) {
            FillSolid(dc, {r.left + 2, r.top + 3, text.left - 5, r.top + 4}, ::GetSysColor(COLOR_GRAYTEXT));
            FillSolid(dc, {r.left + 2, r.top + 4, text.left - 5, r.top + 5}, c.selectedText);
            FillSolid(dc, {text.left - 2, r.top + 3, r.right - 2, r.top + 4}, c.dark);
            FillSolid(dc, {text.left - 2, r.top + 4, r.right - 2, r.top + 5}, c.light);
        } else {
            FillSolid(dc, {r.left + 2, r.top + 3, r.right - 2, r.top + 4}, c.dark);
            FillSolid(dc, {r.left + 2, r.top + 4, r.right - 2, r.top + 5}, c.selectedText);
        }
        ::SetBkMode(dc, oldMode);
        return;
    }
    const char* label = record ? record->text : MenuItemMruText[RecentDataSlot(data) & 15];
    const int labelLength = record && record->tabPosition >= 0 ? record->tabPosition : static_cast<int>(std::strlen(label));
    const char* accelerator = record && record->tabPosition >= 0 ? record->text + record->tabPosition + 1 : nullptr;
    RECT accelRect = text;
    // The accelerators start 4 pixels plus the popup's common text column (less the icon
    // column, which the text rectangle already leaves out) right of the text's left edge, so
    // they line up under each other.
    if (record)
        accelRect.left = text.left + 4 + (record->textColumn - m_iconWidth);
    HGDIOBJ oldFont = m_menuFont ? ::SelectObject(dc, m_menuFont) : nullptr;
    const UINT format = DT_SINGLELINE | DT_VCENTER;
    auto draw = [&](int dx, int dy, COLORREF colour) {
        const COLORREF old = ::SetTextColor(dc, colour);
        RECT t = text;
        ::OffsetRect(&t, dx, dy);
        t.top += 2;
        ::DrawTextA(dc, label, labelLength, &t, format);
        if (accelerator) {
            RECT a = accelRect;
            ::OffsetRect(&a, dx, dy);
            a.top += 2;
            ::DrawTextA(dc, accelerator, -1, &a, format);
        }
        ::SetTextColor(dc, old);
    };
    if (!disabled) {
        draw(0, 0, selected ? c.selectedText : c.text);
    } else {
        draw(1, 3 - 2, c.light);
        draw(0, 0, c.dark);
    }
    if (oldFont)
        ::SelectObject(dc, oldFont);
    ::SetBkMode(dc, oldMode);
}

LRESULT CMainFrame::OnMenuItemRelease(WPARAM wParam, LPARAM lParam)
{
    CMenu* menu = reinterpret_cast<CMenu*>(lParam);
    if (!menu || !menu->m_hMenu)
        return 0;
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_DATA;
    if (!::GetMenuItemInfoA(menu->m_hMenu, static_cast<UINT>(wParam), TRUE, &info))
        return 0;
    if (MenuItemRecord* record = RecordOfData(info.dwItemData)) {
        auto it = std::find(m_menuRecords.begin(), m_menuRecords.end(), record);
        if (it != m_menuRecords.end()) {
            m_menuRecords.erase(it);
            ::HeapFree(::GetProcessHeap(), 0, record);
        }
    }
    MENUITEMINFOA clear = {};
    clear.cbSize = sizeof clear;
    clear.fMask = MIIM_STRING;
    clear.dwTypeData = const_cast<LPSTR>("");
    ::SetMenuItemInfoA(menu->m_hMenu, static_cast<UINT>(wParam), TRUE, &clear);
    clear.fMask = MIIM_FTYPE | MIIM_DATA;
    clear.fType = (info.fType & ~MFT_STRING) | MFT_OWNERDRAW;
    clear.dwItemData = 0;
    return ::SetMenuItemInfoA(menu->m_hMenu, static_cast<UINT>(wParam), TRUE, &clear);
}

LRESULT CMainFrame::OnMenuChar(WPARAM wParam, LPARAM lParam)
{
    HMENU popup = reinterpret_cast<HMENU>(lParam);
    const char letter = static_cast<char>(LOWORD(wParam));
    const int items = popup && !(HIWORD(wParam) & MF_SYSMENU) ? ::GetMenuItemCount(popup) : 0;
    std::vector<const char*> texts;
    int highlighted = -1;
    for (int pos = 0; pos < items; ++pos) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_STATE;
        const char* text = nullptr;
        if (::GetMenuItemInfoA(popup, static_cast<UINT>(pos), TRUE, &info) && (info.fType & MFT_OWNERDRAW) &&
            info.dwItemData != 0 && info.dwItemData != kInsertedPopupMark) {
            const MenuItemRecord* record = RecordOfData(info.dwItemData);
            text = record ? record->text : MenuItemMruText[RecentDataSlot(info.dwItemData) & 15];
        }
        if (info.fState & MFS_HILITE)
            highlighted = pos;
        texts.push_back(text);
    }
    const MenuLetterChoice choice =
        ChooseMenuItemByLetter(texts.data(), static_cast<int>(texts.size()), highlighted, letter);
    if (choice.index < 0)
        return DefWindowProc(WM_MENUCHAR, wParam, lParam);
    return MAKELRESULT(choice.index, choice.execute ? MNC_EXECUTE : MNC_SELECT);
}

// --- the further operations

MenuItemRecord* CMainFrame::FindMenuRecord(UINT command, HMENU* popupOut)
{
    HMENU bar = m_hWnd ? ::GetMenu(m_hWnd) : nullptr;
    if (!bar || IsRecentFile(command))
        return nullptr;
    MenuItemRecord* found = nullptr;
    const int tops = ::GetMenuItemCount(bar);
    for (int top = 0; top < tops && !found; ++top) {
        WalkPopups(
            ::GetSubMenu(bar, top),
            [&](HMENU popup, int, const ItemInfo& item) {
                if (item.id != command || !(item.type & MFT_OWNERDRAW) || !RecordOfData(item.data))
                    return true;
                found = RecordOfData(item.data);
                if (popupOut)
                    *popupOut = popup;
                return false;
            },
            [](HMENU) {});
    }
    return found;
}

int CMainFrame::SetMenuItemText(UINT command, const char* text)
{
    HMENU popup = nullptr;
    MenuItemRecord* record = FindMenuRecord(command, &popup);
    if (!record || !text)
        return record ? 1 : 0;
    char next[64];
    if (text[0] == '\t') {
        // Only the accelerator: an item without one gets it after its text.
        const int keep = record->tabPosition >= 0 ? record->tabPosition : static_cast<int>(std::strlen(record->text));
        if (record->tabPosition >= 0 && std::strcmp(record->text + record->tabPosition, text) == 0)
            return 1;
        char joined[256];
        std::memcpy(joined, record->text, static_cast<size_t>(keep));
        lstrcpynA(joined + keep, text, static_cast<int>(sizeof joined) - keep);
        CopyTextLimited(next, joined, sizeof next);
    } else {
        if (std::strcmp(record->text, text) == 0)
            return 1;
        CopyTextLimited(next, text, sizeof next);
    }
    std::memcpy(record->text, next, sizeof next);
    // Set once as a string and once more as drawn by us, so that the menu measures it again.
    // Every record of the popup is measured afresh: their text columns already carry the
    // 16 pixels of margin, and a largest column taken from them with 16 more widened the
    // popup at every call.
    const int items = ::GetMenuItemCount(popup);
    int largest = 0;
    for (int pos = 0; pos < items; ++pos) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_DATA;
        if (!::GetMenuItemInfoA(popup, static_cast<UINT>(pos), TRUE, &info) || !(info.fType & MFT_OWNERDRAW))
            continue;
        MenuItemRecord* other = RecordOfData(info.dwItemData);
        if (other)
            MeasureMenuText(other->text, other, nullptr);
        if (other == record) {
            MENUITEMINFOA plain = {};
            plain.cbSize = sizeof plain;
            plain.fMask = MIIM_FTYPE | MIIM_STRING;
            plain.fType = MFT_STRING;
            plain.dwTypeData = record->text;
            ::SetMenuItemInfoA(popup, static_cast<UINT>(pos), TRUE, &plain);
            MakeOwnerDrawn(popup, pos, 0, DataOfRecord(record));
        }
        if (other)
            largest = std::max<int>(largest, other->textColumn);
    }
    SetMenuColumnWidth(popup, largest + 16);
    return 2;
}

int CMainFrame::GetMenuItemImage(UINT command)
{
    const MenuItemRecord* record = FindMenuRecord(command, nullptr);
    return record && record->image != kMenuNoImage ? record->image : -1;
}

int CMainFrame::SetMenuItemImage(UINT command, int index)
{
    MenuItemRecord* record = FindMenuRecord(command, nullptr);
    if (!record)
        return 0;
    record->image = index < 0 ? kMenuNoImage : static_cast<uint16_t>(index);
    return 1;
}

int CMainFrame::AddMenuIcon(UINT command, HICON icon)
{
    if (!m_menuImages || !m_menuGreyImages || !icon)
        return -1;
    const int index = ImageList_AddIcon(m_menuImages, icon);
    if (index < 0)
        return -1;
    void* bits = nullptr;
    AddGreyed(m_menuGreyImages, DibFromIcon(nullptr, icon, &bits, kMaskColour));
    if (command < 65535)
        SetMenuItemImage(command, index);
    return index;
}

int CMainFrame::AddMenuBitmap(UINT command, HBITMAP bitmap, COLORREF mask)
{
    if (!m_menuImages || !m_menuGreyImages || !bitmap)
        return -1;
    // The image list changes the pixels under the mask: it gets a copy.
    void* bits = nullptr;
    DibImage* normal = DibFromBitmap(nullptr, bitmap, &bits);
    if (!normal)
        return -1;
    const int index = ImageList_AddMasked(m_menuImages, DibGetBitmap(normal), mask);
    DibFree(normal);
    if (index < 0)
        return -1;
    void* greyBits = nullptr;
    AddGreyed(m_menuGreyImages, DibFromBitmap(nullptr, bitmap, &greyBits), mask);
    if (command < 65535)
        SetMenuItemImage(command, index);
    return index;
}

BOOL CMainFrame::InsertPopup(UINT id, HMENU source, const char* text, int position)
{
    HMENU bar = m_hWnd ? ::GetMenu(m_hWnd) : nullptr;
    if (!bar || !source)
        return FALSE;
    HMENU popup = ::CreatePopupMenu();
    if (!popup)
        return FALSE;
    const int items = ::GetMenuItemCount(source);
    for (int pos = 0; pos < items; ++pos) {
        char itemText[256] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING | MIIM_DATA;
        info.dwTypeData = itemText;
        info.cch = sizeof itemText;
        if (!::GetMenuItemInfoA(source, static_cast<UINT>(pos), TRUE, &info))
            continue;
        info.cch = static_cast<UINT>(std::strlen(itemText));
        // A drawn item gets a record of its own: RemovePopupById frees the copy's records,
        // which the source popup's items would otherwise still be drawn from.
        MenuItemRecord* copy = nullptr;
        if (const MenuItemRecord* record = (info.fType & MFT_OWNERDRAW) ? RecordOfData(info.dwItemData) : nullptr) {
            copy = static_cast<MenuItemRecord*>(::HeapAlloc(::GetProcessHeap(), 0, sizeof(MenuItemRecord)));
            if (!copy)
                continue;
            *copy = *record;
            info.dwItemData = DataOfRecord(copy);
        }
        if (::InsertMenuItemA(popup, static_cast<UINT>(pos), TRUE, &info)) {
            if (copy)
                m_menuRecords.push_back(copy);
        } else if (copy) {
            ::HeapFree(::GetProcessHeap(), 0, copy);
        }
    }
    const int tops = ::GetMenuItemCount(bar);
    if (position < 0 || position >= tops)
        position = tops > 0 ? tops - 1 : 0;
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_STRING | MIIM_DATA;
    info.wID = id;
    info.hSubMenu = popup;
    info.dwTypeData = const_cast<LPSTR>(text ? text : "");
    info.dwItemData = kInsertedPopupMark;
    if (!::InsertMenuItemA(bar, static_cast<UINT>(position), TRUE, &info)) {
        ::DestroyMenu(popup);
        return FALSE;
    }
    ::DrawMenuBar(m_hWnd);
    return TRUE;
}

BOOL CMainFrame::RemovePopupById(UINT id)
{
    HMENU bar = m_hWnd ? ::GetMenu(m_hWnd) : nullptr;
    if (!bar)
        return FALSE;
    const int tops = ::GetMenuItemCount(bar);
    for (int top = 0; top < tops; ++top) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_DATA;
        if (!::GetMenuItemInfoA(bar, static_cast<UINT>(top), TRUE, &info) || info.wID != id || !info.hSubMenu)
            continue;
        CMenu* popup = CMenu::FromHandle(info.hSubMenu);
        for (int pos = ::GetMenuItemCount(info.hSubMenu) - 1; pos >= 0; --pos)
            SendMessage(WM_MENUITEMRELEASE, static_cast<WPARAM>(pos), reinterpret_cast<LPARAM>(popup));
        ::RemoveMenu(bar, static_cast<UINT>(top), MF_BYPOSITION);
        if (info.dwItemData == kInsertedPopupMark) {
            // The popups below the copied items are the source's own: taken out first, they
            // outlive the copy that DestroyMenu takes down with everything still in it.
            for (int pos = ::GetMenuItemCount(info.hSubMenu) - 1; pos >= 0; --pos)
                if (::GetSubMenu(info.hSubMenu, pos))
                    ::RemoveMenu(info.hSubMenu, static_cast<UINT>(pos), MF_BYPOSITION);
            ::DestroyMenu(info.hSubMenu);
        }
        ::DrawMenuBar(m_hWnd);
        return TRUE;
    }
    return FALSE;
}
