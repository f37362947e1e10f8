// The window procedure of "ToolbarExWindow32": every message runs under the window's lock
// (single stored words are read without it), translated into calls on the model; commands
// are posted and notifications sent only with the lock released.
#include "controls/ToolbarEx.h"
#include "controls/ToolbarExModel.h"

#include <algorithm>
#include <cstring>

LRESULT CALLBACK ToolbarExWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

namespace {

const UINT_PTR kTrackTimer = 6527;

ControlClass& ToolbarClass()
{
    static ControlClass cls(TOOLBAREX_CLASSNAME, &ToolbarExWindowProc,
                            reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)), nullptr, nullptr);
    return cls;
}

// Holds the window's lock for a scope; the release carries the line of the guard.
class Locked {
public:
    Locked(ToolbarExBlock* block, int line) : m_block(block), m_line(line) { block->lock.Enter(); }
    ~Locked() { m_block->lock.Leave(m_line); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    ToolbarExBlock* m_block;
    int m_line;
};
#define TBX_LOCKED(block) Locked locked_((block), __LINE__)

BYTE StateBitOf(UINT message)
{
    static const BYTE bits[] = {TBSTATE_ENABLED, TBSTATE_CHECKED, TBSTATE_PRESSED,
                                TBSTATE_HIDDEN, TBSTATE_INDETERMINATE, TBSTATE_MARKED};
    return bits[(message - TB_ENABLEBUTTON) % 6];
}

HWND Target(ToolbarExBlock* block, int which)
{
    HWND t = block->targets[which];
    if (which == 2 && t == reinterpret_cast<HWND>(-1))
        t = reinterpret_cast<HWND>(::SendMessageW(block->window, TBX_THIRDTARGET, 0, 0));
    return t;
}

// Whether a control's command or notification goes on to the target. Never to the toolbar
// itself: mends an endless loop, where the forward came back as its control's again and was
// posted once more (a notification recursed until the stack ran out).
bool ForwardsTo(HWND target, HWND toolbar)
{
    return target && target != reinterpret_cast<HWND>(-1) && target != toolbar;
}

int FindControl(const ToolbarExBlock* block, HWND control)
{
    if (!control)
        return -1;
    for (int i = 0; i < block->buttonCount; ++i) {
        const ToolbarButton* b = block->buttons[i];
        if ((b->own & TBXF_CONTROL) && reinterpret_cast<HWND>(static_cast<UINT_PTR>(b->data)) == control)
            return i;
    }
    return -1;
}

void OpenTheme(ToolbarExBlock* block)
{
    const ControlThemeApi& api = ToolbarClass().Theme();
    if (!block->theme && api.OpenThemeData && block->window)
        block->theme = api.OpenThemeData(block->window, L"TREEVIEW");
    block->themed = block->theme ? 1 : 0;
}

void CloseThemes(ToolbarExBlock* block)
{
    const ControlThemeApi& api = ToolbarClass().Theme();
    if (api.CloseThemeData) {
        if (block->theme)
            api.CloseThemeData(block->theme);
        if (block->theme2)
            api.CloseThemeData(block->theme2);
    }
    block->theme = block->theme2 = nullptr;
    block->themed = 0;
}

// --- the mouse

BYTE HeldOf(WPARAM keys)
{
    return static_cast<BYTE>(((keys & MK_LBUTTON) ? 1 : 0) | ((keys & MK_RBUTTON) ? 2 : 0));
}

BYTE AsyncHeld()
{
    BYTE held = 0;
    const bool swapped = ::GetSystemMetrics(SM_SWAPBUTTON) != 0;
    if (::GetAsyncKeyState(swapped ? VK_RBUTTON : VK_LBUTTON) & 0x8000)
        held |= 1;
    if (::GetAsyncKeyState(swapped ? VK_LBUTTON : VK_RBUTTON) & 0x8000)
        held |= 2;
    return held;
}

POINT CursorIn(HWND hwnd)
{
    POINT pt = {};
    ::GetCursorPos(&pt);
    ::ScreenToClient(hwnd, &pt);
    return pt;
}

bool Enabled(const ToolbarButton* b)
{
    return (b->state & TBSTATE_ENABLED) && !(b->state & TBSTATE_INDETERMINATE);
}

void Track(ToolbarExBlock* block, POINT pt, BYTE held)
{
    bool arrow = false;
    const int hit = TbxHitTest(block, pt, &arrow);
    if (hit == block->hot && arrow == (block->hotOnArrow != 0) && held == block->held)
        return;
    if (hit != block->hot && block->hot >= 0 && block->hot < block->buttonCount) {
        ToolbarButton* old = block->buttons[block->hot];
        old->paint = static_cast<WORD>((old->paint & ~TBXP_STATE_MASK) | TbxRestingPaintState(old));
        TbxInvalidate(block, &old->rect);
    }
    if (hit != block->hot) {
        block->hot = -1;
        block->hotOnArrow = 0;
        block->arrowPressed = 0;
    }
    if (hit >= 0) {
        ToolbarButton* b = block->buttons[hit];
        const WORD state = TbxHotPaintState(b, arrow, held);
        if (Enabled(b) && arrow && (b->style & BTNS_DROPDOWN))
            block->arrowPressed = (held & 1) ? 1 : 0;
        if ((b->paint & TBXP_STATE_MASK) != state || hit != block->hot) {
            b->paint = static_cast<WORD>((b->paint & ~TBXP_STATE_MASK) | state);
            TbxInvalidate(block, &b->rect);
        }
        block->hot = hit;
        block->hotOnArrow = arrow ? 1 : 0;
    }
    block->held = held;
}

void RequestLeave(ToolbarExBlock* block)
{
    if (block->hot < 0 || !block->window)
        return;
    TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, block->window, 0};
    ::TrackMouseEvent(&tme);
}

struct PendingCommand {
    HWND target = nullptr;
    WPARAM wParam = 0;
};

LRESULT OnLButtonUp(ToolbarExBlock* block, HWND hwnd, WPARAM keys, POINT pt)
{
    PendingCommand post;
    {
        TBX_LOCKED(block);
        bool arrow = false;
        const int hit = TbxHitTest(block, pt, &arrow);
        const int hot = block->hot;
        if (hit >= 0 && hit == hot && !arrow) {
            ToolbarButton* b = block->buttons[hit];
            // A grey button runs nothing and toggles nothing, as a grey menu item; a control
            // cell leaves the click to its control. A label cell is never drawn pressed, but
            // a release over it runs its command.
            if (!(b->own & TBXF_CONTROL) && Enabled(b)) {
                if (b->style & BTNS_CHECK) {
                    const bool checked = (b->state & TBSTATE_CHECKED) != 0;
                    const bool group = (b->style & BTNS_GROUP) != 0;
                    if (!checked || !group)
                        TbxSetState(block, hit, TBSTATE_CHECKED, !checked);
                }
                post.target = block->targets[0];
                post.wParam = MAKEWPARAM(static_cast<WORD>(b->command), 0);
            }
            block->held = 0xFF;
        }
        Track(block, pt, HeldOf(keys));
    }
    if (post.target)
        ::PostMessageW(post.target, WM_COMMAND, post.wParam, reinterpret_cast<LPARAM>(hwnd));
    return 0;
}

LRESULT OnLButtonDown(ToolbarExBlock* block, WPARAM keys, POINT pt)
{
    TBX_LOCKED(block);
    Track(block, pt, HeldOf(keys));
    const int hot = block->hot;
    if (hot < 0 || !block->hotOnArrow)
        return 0;
    ToolbarButton* b = block->buttons[hot];
    // Only a button that issues commands on the right opens its list here; a grey one opens
    // nothing, as it runs nothing on a release.
    if (!(b->own & TBXF_RIGHTCLICK) || !Enabled(b))
        return 0;
    NMTOOLBARW record = {};
    record.iItem = hot;
    TbxCopyRecord(b, &record.tbButton, sizeof(record.tbButton));
    record.cchText = 0;
    record.pszText = nullptr;
    ControlNotifyUnlocked(block, &record.hdr, TBN_DROPDOWN, __LINE__);
    return 0;
}

// The right button: returns true when the message goes on to default processing.
bool OnRButtonUp(ToolbarExBlock* block, HWND hwnd, WPARAM keys, POINT pt)
{
    PendingCommand post;
    bool toDefault = false;
    {
        TBX_LOCKED(block);
        Track(block, pt, HeldOf(keys));
        const int hot = block->hot;
        if (hot < 0) {
            toDefault = true;
        } else {
            const ToolbarButton* b = block->buttons[hot];
            // Over a button the release never reaches the parent as a context menu; a grey
            // button runs nothing here either, as at the left-button release.
            if ((b->own & TBXF_RIGHTCLICK) && !block->hotOnArrow && Enabled(b)) {
                post.target = block->targets[0];
                post.wParam = MAKEWPARAM(static_cast<WORD>(b->command + 1), 0);
            }
        }
    }
    if (post.target)
        ::PostMessageW(post.target, WM_COMMAND, post.wParam, reinterpret_cast<LPARAM>(hwnd));
    return toDefault;
}

// --- embedded controls

LRESULT ForwardCommand(ToolbarExBlock* block, HWND hwnd, WPARAM wParam, LPARAM lParam, bool* handled)
{
    HWND targets[2] = {};
    HWND control = reinterpret_cast<HWND>(lParam);
    WPARAM second = 0;
    bool hasSecond = false;
    {
        TBX_LOCKED(block);
        if (!control || FindControl(block, control) < 0) {
            *handled = false;
            return 0;
        }
        targets[0] = block->targets[1] ? block->targets[1] : block->targets[0];
        targets[1] = Target(block, 2);
        if (HIWORD(wParam) == CBN_SELCHANGE) {
            second = static_cast<WPARAM>(TbxComboSelectionCommand(control));
            hasSecond = true;
        }
    }
    *handled = true;
    for (HWND t : targets) {
        if (!ForwardsTo(t, hwnd))
            continue;
        ::PostMessageW(t, WM_COMMAND, wParam, lParam);
        if (hasSecond)
            ::PostMessageW(t, WM_COMMAND, second, lParam);
    }
    return 0;
}

LRESULT ForwardNotify(ToolbarExBlock* block, HWND hwnd, WPARAM wParam, LPARAM lParam, bool* handled)
{
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    TBX_LOCKED(block);
    if (!header || FindControl(block, header->hwndFrom) < 0) {
        *handled = false;
        return 0;
    }
    *handled = true;
    HWND targets[2] = {block->targets[1] ? block->targets[1] : block->targets[0], Target(block, 2)};
    LRESULT result = 0;
    for (HWND t : targets) {
        if (!ForwardsTo(t, hwnd))
            continue;
        const LRESULT r = ::SendMessageW(t, WM_NOTIFY, wParam, lParam);
        if (r)
            result = r;
    }
    return result;
}

// --- creation and destruction

LRESULT OnNcCreate(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    ToolbarExBlock* block = TbxNewBlock();
    if (!block)
        return FALSE;   // no block, no window: every later message would find none
    ToolbarClass().AddUser();
    block->window = hwnd;
    SetControlBlock(hwnd, block);
    return ::DefWindowProcA(hwnd, WM_NCCREATE, wParam, lParam);
}

void OnCreate(ToolbarExBlock* block, HWND hwnd)
{
    TBX_LOCKED(block);
    const DWORD style = static_cast<DWORD>(::GetWindowLongA(hwnd, GWL_STYLE));
    TbxInitDefaults(block, hwnd, style);
    block->exStyle = static_cast<DWORD>(::GetWindowLongA(hwnd, GWL_EXSTYLE));
    OpenTheme(block);
    ::SetTimer(hwnd, kTrackTimer, 1000, nullptr);
    TbxTakeFontMetrics(block);
}

void OnNcDestroy(ToolbarExBlock* block, HWND hwnd)
{
    block->lock.Enter();
    SetControlBlock(hwnd, nullptr);
    block->destroyed = 1;
    block->lock.Leave(__LINE__);
    ToolbarClass().ReleaseUser();
}

// Counts the messages of a block under way. A parent that destroys the toolbar from its
// TBN_DROPDOWN handler runs WM_NCDESTROY inside the press that sent it: freed there, the block
// (and its lock, which the press takes back after the notification) was gone under the press,
// whose next lock entry then waited on a deleted critical section for ever. The block goes
// when the outermost message ends.
class MessageUnderWay {
public:
    explicit MessageUnderWay(ToolbarExBlock* block) : m_block(block) { ::InterlockedIncrement(&block->nesting); }
    ~MessageUnderWay()
    {
        if (::InterlockedDecrement(&m_block->nesting) == 0 && m_block->destroyed)
            TbxFreeBlock(m_block);   // with the overlays
    }
    MessageUnderWay(const MessageUnderWay&) = delete;
    MessageUnderWay& operator=(const MessageUnderWay&) = delete;

private:
    ToolbarExBlock* m_block;
};

LRESULT Dispatch(ToolbarExBlock* block, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

LRESULT AddButtonsMessage(ToolbarExBlock* block, UINT message, WPARAM wParam, LPARAM lParam)
{
    const int count = LOWORD(wParam);
    const WORD where = HIWORD(wParam);
    if (count < 1 || count > 1023 || !lParam)
        return 0;
    int index;
    if (where == 0)
        index = block->buttonCount;
    else if ((where & 0xFC00) == 0x5000)
        index = where & 0x3FF;
    else
        return 0;
    return TbxInsertButtons(block, index, reinterpret_cast<const TBBUTTON*>(lParam), count,
                            message == TBX_ADDBUTTONS)
               ? 1
               : 0;
}

LRESULT AddStringMessage(ToolbarExBlock* block, WPARAM wParam, LPARAM lParam, bool wide)
{
    // 0xFFFF (a list led by its separator) and 0xFFFE (one string) name no module.
    if (wParam && wParam != 0xFFFF && wParam != 0xFFFE) {
        // A string resource: its text is the list, its first character the separator.
        const wchar_t* text = nullptr;
        const int n = ::LoadStringW(reinterpret_cast<HINSTANCE>(wParam), static_cast<UINT>(lParam),
                                    reinterpret_cast<LPWSTR>(&text), 0);
        if (n <= 0 || !text)
            return -1;
        wchar_t* copy = static_cast<wchar_t*>(TbxAlloc(sizeof(wchar_t) * (static_cast<size_t>(n) + 1)));
        if (!copy)
            return -1;
        std::memcpy(copy, text, sizeof(wchar_t) * n);
        copy[n] = 0;
        const LRESULT r = TbxAddStrings(block, copy, 0xFFFF);
        TbxFree(copy);
        return r;
    }
    if (!lParam || IS_INTRESOURCE(lParam))
        return -1;
    const int mode = wParam == 0xFFFF || wParam == 0xFFFE ? static_cast<int>(wParam) : 0;
    return wide ? TbxAddStrings(block, reinterpret_cast<const wchar_t*>(lParam), mode)
                : TbxAddStringsA(block, reinterpret_cast<const char*>(lParam), mode);
}

LRESULT GetStringMessage(ToolbarExBlock* block, WPARAM wParam, LPARAM lParam, bool wide)
{
    const int size = LOWORD(wParam);
    const ToolbarString* s = TbxString(block, HIWORD(wParam));
    if (!s || !lParam || size < 1)
        return -1;
    if (wide) {
        const int n = std::min<int>(s->length, size - 1);
        std::memcpy(reinterpret_cast<wchar_t*>(lParam), s->text, sizeof(wchar_t) * n);
        reinterpret_cast<wchar_t*>(lParam)[n] = 0;
        return n;
    }
    // The whole text is converted aside and then cut to the caller's size: converting straight
    // into a short buffer failed as a whole (an empty text), and a size of 1 asked the system
    // for the needed length and then put the zero at that length, past the buffer.
    char* out = reinterpret_cast<char*>(lParam);
    int n = 0;
    const int needed = ::WideCharToMultiByte(CP_ACP, 0, s->text, s->length, nullptr, 0, nullptr, nullptr);
    if (needed > 0) {
        char* whole = static_cast<char*>(TbxAlloc(static_cast<size_t>(needed)));
        if (!whole)
            return -1;
        n = ::WideCharToMultiByte(CP_ACP, 0, s->text, s->length, whole, needed, nullptr, nullptr);
        n = std::max(0, std::min(n, size - 1));
        std::memcpy(out, whole, static_cast<size_t>(n));
        TbxFree(whole);
    }
    out[n] = 0;
    return n;
}

LRESULT GetButtonText(ToolbarExBlock* block, WPARAM wParam, LPARAM lParam, bool wide)
{
    const int index = TbxResolve(block, static_cast<DWORD>(wParam), true);
    if (index < 0 || !lParam)
        return -1;
    const ToolbarString* s = TbxString(block, block->buttons[index]->string);
    const wchar_t* text = s ? s->text : L"";
    if (wide) {
        const int n = s ? s->length : 0;
        std::memcpy(reinterpret_cast<wchar_t*>(lParam), text, sizeof(wchar_t) * (n + 1));
        return n;
    }
    const int n = ::WideCharToMultiByte(CP_ACP, 0, text, -1, reinterpret_cast<char*>(lParam), 0x7FFF, nullptr, nullptr);
    return n > 0 ? n - 1 : 0;
}

LRESULT AddBitmapMessage(ToolbarExBlock* block, WPARAM wParam, LPARAM lParam)
{
    if (!lParam)
        return -1;
    if (HIWORD(wParam) == 0x1234) {
        ToolbarAddBitmapRecord* r = reinterpret_cast<ToolbarAddBitmapRecord*>(lParam);
        int count = 0;
        int width = 0;
        int height = 0;
        const int first = TbxAddBitmap(block, reinterpret_cast<HMODULE>(static_cast<UINT_PTR>(r->module)), r->id,
                                       r->flags, r->count, r->width, r->scale, &count, &width, &height);
        if (first >= 0) {
            if (r->flags & 0x08)
                r->count = static_cast<WORD>(count);
            if (r->flags & 0x10)
                r->width = static_cast<WORD>(width);
            if (r->flags & 0x20)
                r->scale = static_cast<WORD>(height);
        }
        return first;
    }
    const TBADDBITMAP* r = reinterpret_cast<const TBADDBITMAP*>(lParam);
    return TbxAddBitmap(block, reinterpret_cast<HMODULE>(r->hInst), r->nID, 0, LOWORD(wParam), 0, 256, nullptr,
                        nullptr, nullptr);
}

LRESULT OnStyleChanged(ToolbarExBlock* block, WPARAM wParam, LPARAM lParam)
{
    const STYLESTRUCT* s = reinterpret_cast<const STYLESTRUCT*>(lParam);
    if (!s)
        return 0;
    TBX_LOCKED(block);
    if (wParam == static_cast<WPARAM>(GWL_EXSTYLE)) {
        block->exStyle = s->styleNew;
        return 0;
    }
    if (wParam != static_cast<WPARAM>(GWL_STYLE))
        return 0;
    const DWORD diff = s->styleOld ^ s->styleNew;
    block->style = s->styleNew;
    if (diff & WS_DISABLED) {
        block->enabled = (s->styleNew & WS_DISABLED) ? 0 : 1;
        TbxInvalidate(block, nullptr);
    }
    if (diff & TBXS_VERTICAL) {
        block->vertical = (s->styleNew & TBXS_VERTICAL) ? 1 : 0;
        TbxRebuildAll(block);
    }
    // The list style moves texts beside the pictures, so it changes every size as well.
    if (diff & (TBXS_STACK | TBXS_FLAT | TBXS_LIST))
        TbxRebuildAll(block);
    return 0;
}

// The window style WM_ENABLE writes: the live style (WS_VISIBLE and the other frame bits as
// the system keeps them) with WS_DISABLED and the toolbar's own low 16 bits from the copy.
DWORD EnabledStyle(DWORD live, DWORD copy)
{
    return (live & ~(WS_DISABLED | 0xFFFFu)) | (copy & (WS_DISABLED | 0xFFFFu));
}

// Ends a message that may have changed sizes or places: the layout runs now and repaints the
// buttons that moved or changed their look; invalidating the whole window instead made every
// such message flicker the toolbar from end to end.
LRESULT Relaid(ToolbarExBlock* block, LRESULT result)
{
    TbxRelayout(block);
    return result;
}

}  // namespace

int RegisterToolbarExClass(HINSTANCE instance)
{
    return ToolbarClass().Register(instance);
}

LRESULT TbxComboSelectionCommand(HWND combo)
{
    const LRESULT sel = ::SendMessageA(combo, CB_GETCURSEL, 0, 0);
    const LRESULT data = ::SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(sel), 0);
    return data < 1 ? ::GetDlgCtrlID(combo) + sel : data;
}

LRESULT CALLBACK ToolbarExWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        return OnNcCreate(hwnd, wParam, lParam);
    ToolbarExBlock* block = static_cast<ToolbarExBlock*>(GetControlBlock(hwnd));
    if (!block)
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    MessageUnderWay underWay(block);
    return Dispatch(block, hwnd, message, wParam, lParam);
}

namespace {

LRESULT Dispatch(ToolbarExBlock* block, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const DWORD w = static_cast<DWORD>(wParam);
    switch (message) {
    case WM_CREATE:
        OnCreate(block, hwnd);
        return 0;
    case WM_DESTROY: {
        TBX_LOCKED(block);
        ::KillTimer(hwnd, kTrackTimer);
        TbxFreeTables(block);
        CloseThemes(block);
        return 0;
    }
    case WM_NCDESTROY:
        OnNcDestroy(block, hwnd);
        return ::DefWindowProcA(hwnd, message, wParam, lParam);

    // --- state bits
    case TB_ENABLEBUTTON:
    case TB_CHECKBUTTON:
    case TB_PRESSBUTTON:
    case TB_HIDEBUTTON:
    case TB_INDETERMINATE:
    case TB_MARKBUTTON: {
        TBX_LOCKED(block);
        const int index = TbxResolve(block, w, true);
        if (index < 0)
            return 0;
        TbxSetState(block, index, StateBitOf(message), LOWORD(lParam) != 0);
        return Relaid(block, 1);
    }
    case TB_ISBUTTONENABLED:
    case TB_ISBUTTONCHECKED:
    case TB_ISBUTTONPRESSED:
    case TB_ISBUTTONHIDDEN:
    case TB_ISBUTTONINDETERMINATE:
    case TB_ISBUTTONHIGHLIGHTED: {
        TBX_LOCKED(block);
        const int index = TbxResolve(block, w, true);
        if (index < 0)
            return -1;
        return (block->buttons[index]->state & StateBitOf(message - 8)) ? 1 : 0;
    }
    case TB_GETSTATE: {
        TBX_LOCKED(block);
        const int index = TbxResolve(block, w, true);
        return index < 0 ? -1 : block->buttons[index]->state;
    }

    // --- buttons
    case TB_ADDBITMAP: {
        TBX_LOCKED(block);
        return AddBitmapMessage(block, wParam, lParam);
    }
    case TB_ADDBUTTONSA:
    case TB_ADDBUTTONSW:
    case TBX_ADDBUTTONS: {
        TBX_LOCKED(block);
        return AddButtonsMessage(block, message, wParam, lParam);
    }
    case TB_INSERTBUTTONA:
    case TB_INSERTBUTTONW:
    case TBX_INSERTBUTTON: {
        TBX_LOCKED(block);
        if (!lParam)
            return 0;
        int index = (w >> 24) == 0x12 ? TbxResolve(block, w, false) : static_cast<int>(wParam);
        if (index < 0 || index > block->buttonCount)
            index = block->buttonCount;
        return TbxInsertButtons(block, index, reinterpret_cast<const TBBUTTON*>(lParam), 1,
                                message != TBX_INSERTBUTTON)
                   ? 1
                   : 0;
    }
    case TB_DELETEBUTTON: {
        TBX_LOCKED(block);
        return TbxDeleteButton(block, TbxResolve(block, w, false)) ? 1 : 0;
    }
    case TB_GETBUTTON: {
        TBX_LOCKED(block);
        const int index = TbxResolve(block, w, false);
        if (index < 0 || !lParam)
            return 0;
        TbxCopyRecord(block->buttons[index], reinterpret_cast<void*>(lParam), block->recordSize);
        return 1;
    }
    case TB_BUTTONCOUNT:
        return block->buttonCount;
    case TB_COMMANDTOINDEX: {
        TBX_LOCKED(block);
        return TbxResolve(block, w, true);
    }
    case TB_ADDSTRINGA:
    case TB_ADDSTRINGW: {
        TBX_LOCKED(block);
        return AddStringMessage(block, wParam, lParam, message == TB_ADDSTRINGW);
    }
    case TB_GETITEMRECT:
    case TB_GETRECT: {
        TBX_LOCKED(block);
        const int index = TbxResolve(block, w, message == TB_GETRECT);
        if (index < 0 || !lParam)
            return 0;
        TbxLayout(block);
        *reinterpret_cast<RECT*>(lParam) = block->buttons[index]->rect;
        return 1;
    }
    case TB_BUTTONSTRUCTSIZE:
        block->recordSize = static_cast<int>(wParam);
        return 0;
    case TB_SETBUTTONSIZE: {
        int cx = static_cast<short>(LOWORD(lParam));
        int cy = static_cast<short>(HIWORD(lParam));
        if (cx < 0 || cy < 0)
            return 0;
        TBX_LOCKED(block);
        if (cx == 0)
            cx = 24;
        if (cy == 0)
            cy = 24;
        // Never below the image and its padding, so that asking again gives the same.
        cx = std::max<int>(cx, block->image.cx + block->padding.cx);
        cy = std::max<int>(cy, block->image.cy + block->padding.cy);
        block->button = {cx, cy};
        TbxRebuildAll(block);
        return 1;
    }
    case TB_SETBITMAPSIZE: {
        TBX_LOCKED(block);
        block->image = {std::max<int>(2, static_cast<short>(LOWORD(lParam))),
                        std::max<int>(2, static_cast<short>(HIWORD(lParam)))};
        block->dirty |= TBXD_SIZES | TBXD_LAYOUT;
        return Relaid(block, 1);
    }
    case TB_GETTOOLTIPS:
    case TB_SETTOOLTIPS:
        return 0;
    case TB_SETPARENT: {
        TBX_LOCKED(block);
        const DWORD l = static_cast<DWORD>(lParam);
        int which = 0;
        if ((l >> 16) == 0x1234) {
            which = static_cast<int>(l & 0xFFFF);
            if (which > 2)
                return 0;
        }
        HWND old = block->targets[which];
        block->targets[which] = reinterpret_cast<HWND>(wParam);
        return reinterpret_cast<LRESULT>(old);
    }
    case TB_CHANGEBITMAP: {
        TBX_LOCKED(block);
        const int index = TbxResolve(block, w, true);
        if (index < 0)
            return 0;
        block->buttons[index]->image = static_cast<int>(lParam);
        TbxMarkRebuild(block, index, false);
        return 1;
    }
    case TB_GETBITMAP: {
        TBX_LOCKED(block);
        const int index = TbxResolve(block, w, true);
        return index < 0 ? 0 : block->buttons[index]->image;
    }
    case TB_GETBUTTONTEXTA:
    case TB_GETBUTTONTEXTW: {
        TBX_LOCKED(block);
        return GetButtonText(block, wParam, lParam, message == TB_GETBUTTONTEXTW);
    }
    case TB_REPLACEBITMAP: {
        TBX_LOCKED(block);
        const TBREPLACEBITMAP* r = reinterpret_cast<const TBREPLACEBITMAP*>(lParam);
        if (!r)
            return 0;
        return TbxReplaceBitmap(block, reinterpret_cast<HMODULE>(r->hInstOld), r->nIDOld,
                                reinterpret_cast<HMODULE>(r->hInstNew), r->nIDNew, r->nButtons)
                   ? 1
                   : 0;
    }
    case TB_SETINDENT: {
        TBX_LOCKED(block);
        if (block->indent != static_cast<int>(wParam)) {
            block->indent = static_cast<int>(wParam);
            block->dirty |= TBXD_LAYOUT;
        }
        return Relaid(block, 1);
    }
    case TB_GETSTYLE:
        return block->style;
    case TB_GETBUTTONSIZE:
        return MAKELONG(block->button.cx, block->button.cy);
    case TB_SETBUTTONWIDTH: {
        TBX_LOCKED(block);
        const int lo = static_cast<short>(LOWORD(lParam));
        const int hi = static_cast<short>(HIWORD(lParam));
        block->minWidth = lo < 0 ? -1 : lo;
        block->maxWidth = hi < 0 ? -1 : hi;
        TbxRebuildAll(block);
        return 1;
    }
    case TB_GETBUTTONINFOW:
    case TB_GETBUTTONINFOA: {
        TBX_LOCKED(block);
        return TbxGetButtonInfo(block, wParam, reinterpret_cast<void*>(lParam), message == TB_GETBUTTONINFOW);
    }
    case TB_SETBUTTONINFOW:
    case TB_SETBUTTONINFOA: {
        TBX_LOCKED(block);
        return Relaid(block, TbxSetButtonInfo(block, wParam, reinterpret_cast<const void*>(lParam),
                                              message == TB_SETBUTTONINFOW));
    }
    case TB_HITTEST: {
        if (!lParam)
            return -1;
        TBX_LOCKED(block);
        bool arrow = false;
        const int index = TbxHitTest(block, *reinterpret_cast<const POINT*>(lParam), &arrow);
        if (index >= 0 && arrow && w == 0x12345678)
            return index | 0x40000000;
        return index;
    }
    case TB_SETINSERTMARK: {
        const TBINSERTMARK* mark = reinterpret_cast<const TBINSERTMARK*>(lParam);
        if (!mark)
            return 0;
        TBX_LOCKED(block);
        TbxLayout(block);
        const DWORD ref = static_cast<DWORD>(mark->iButton);
        const int index = (ref >> 24) == 0x12 ? TbxResolve(block, ref, false) : mark->iButton;
        TbxSetInsertMark(block, index, mark->dwFlags, nullptr);
        return 0;
    }
    case TB_INSERTMARKHITTEST: {
        TBINSERTMARK* mark = reinterpret_cast<TBINSERTMARK*>(lParam);
        if (!wParam || !mark)
            return 0;
        TBX_LOCKED(block);
        int index = -1;
        DWORD flags = 2;
        const bool hit = TbxInsertMarkHitTest(block, *reinterpret_cast<const POINT*>(wParam), &index, &flags);
        mark->iButton = index;
        mark->dwFlags = flags;
        return hit ? 1 : 0;
    }
    case TB_GETEXTENDEDSTYLE:
        return block->exStyle;
    case TB_GETPADDING:
        return MAKELONG(block->padding.cx, block->padding.cy);
    case TB_SETPADDING: {
        TBX_LOCKED(block);
        block->padding = {std::max<int>(2, static_cast<short>(LOWORD(lParam))),
                          std::max<int>(2, static_cast<short>(HIWORD(lParam)))};
        TbxRebuildAll(block);
        return MAKELONG(block->padding.cx, block->padding.cy);
    }
    case TB_GETSTRINGW:
    case TB_GETSTRINGA: {
        TBX_LOCKED(block);
        return GetStringMessage(block, wParam, lParam, message == TB_GETSTRINGW);
    }
    case TB_SETLISTGAP: {
        TBX_LOCKED(block);
        block->gap[0] = std::max(0, static_cast<int>(wParam));
        if (HIWORD(lParam) == 0x1248)
            block->gap[1] = std::max(0, static_cast<int>(static_cast<short>(LOWORD(lParam))));
        TbxRebuildAll(block);
        return 0;
    }

    // --- the own messages
    case TBX_RETRACK: {
        TBX_LOCKED(block);
        Track(block, CursorIn(hwnd), AsyncHeld());
        return 0;
    }
    case TBX_REMOVEOVERLAY: {
        TBX_LOCKED(block);
        return TbxRemoveOverlay(block, w);
    }
    case TBX_ADDOVERLAYW:
    case TBX_ADDOVERLAYA: {
        TBX_LOCKED(block);
        const ToolbarOverlayRecord* record = reinterpret_cast<const ToolbarOverlayRecord*>(wParam);
        if (message == TBX_ADDOVERLAYW)
            return TbxAddOverlay(block, record, reinterpret_cast<const wchar_t*>(lParam));
        const char* text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        const int n = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
        wchar_t* wide = static_cast<wchar_t*>(TbxAlloc(sizeof(wchar_t) * (n > 0 ? n : 1)));
        if (!wide)
            return 0;
        if (n > 0)
            ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide, n);
        const LRESULT r = TbxAddOverlay(block, record, wide);
        TbxFree(wide);
        return r;
    }
    case TBX_RELAYOUT: {
        {
            TBX_LOCKED(block);
            block->dirty |= static_cast<BYTE>(wParam);
            if (wParam & (TBXD_ALL | TBXD_REBUILD))
                TbxMarkAllForRebuild(block);
            TbxRelayout(block);
        }
        if (LOWORD(lParam))
            ::UpdateWindow(hwnd);
        return 1;
    }
    case TBX_SETBUTTONWIDTH: {
        TBX_LOCKED(block);
        return Relaid(block, TbxSetFixedWidth(block, TbxResolve(block, w, false), static_cast<int>(lParam)));
    }
    case TBX_FINDCONTROL: {
        TBX_LOCKED(block);
        return FindControl(block, reinterpret_cast<HWND>(lParam));
    }
    case TBX_SETTEXTW:
    case TBX_SETTEXTA: {
        TBX_LOCKED(block);
        const int index = TbxResolve(block, w, false);
        if (index < 0 || !lParam)
            return -1;
        if (message == TBX_SETTEXTW)
            return Relaid(block, TbxSetButtonText(block, index, reinterpret_cast<const wchar_t*>(lParam)));
        const char* text = reinterpret_cast<const char*>(lParam);
        if (std::strlen(text) > 256)
            return -1;
        wchar_t wide[257];
        if (::MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 257) <= 0)
            return -1;
        return Relaid(block, TbxSetButtonText(block, index, wide));
    }
    case TBX_SETSTATESTYLE: {
        TBX_LOCKED(block);
        return Relaid(block, TbxSetStateStyle(block, TbxResolve(block, w, false), static_cast<DWORD>(lParam)));
    }
    case TBX_GETSTATESTYLE: {
        TBX_LOCKED(block);
        const int index = TbxResolve(block, w, false);
        if (index < 0)
            return 0;
        return (static_cast<LRESULT>(block->buttons[index]->state) << 16) | block->buttons[index]->style;
    }
    case TBX_SETCOMMAND: {
        TBX_LOCKED(block);
        const int index = TbxResolve(block, w, false);
        if (index < 0)
            return 0;
        const int old = block->buttons[index]->command;
        block->buttons[index]->command = static_cast<int>(lParam);
        return old;
    }
    case TBX_GETCOMMAND: {
        TBX_LOCKED(block);
        const int index = TbxResolve(block, w, false);
        return index < 0 ? 0 : block->buttons[index]->command;
    }
    case TBX_SETIMAGE: {
        TBX_LOCKED(block);
        return Relaid(block, TbxSetImage(block, TbxResolve(block, w, false), static_cast<int>(lParam)));
    }
    case TBX_GETIMAGE: {
        TBX_LOCKED(block);
        const int index = TbxResolve(block, w, false);
        return index < 0 ? 0 : block->buttons[index]->image;
    }
    case TBX_SETSTRINGINDEX: {
        TBX_LOCKED(block);
        return Relaid(block, TbxSetStringIndex(block, TbxResolve(block, w, false), static_cast<int>(lParam)));
    }
    case TBX_GETSTRINGINDEX: {
        TBX_LOCKED(block);
        const int index = TbxResolve(block, w, false);
        return index < 0 ? 0 : block->buttons[index]->string;
    }
    case TBX_DELETESTRINGS: {
        TBX_LOCKED(block);
        return Relaid(block, TbxDeleteStrings(block, static_cast<int>(wParam), static_cast<int>(lParam)));
    }
    case TBX_FINDSTRINGW:
    case TBX_FINDSTRINGA: {
        if (!lParam)
            return -1;
        TBX_LOCKED(block);
        const int first = LOWORD(wParam);
        const int count = HIWORD(wParam);
        if (message == TBX_FINDSTRINGW)
            return TbxFindString(block, reinterpret_cast<const wchar_t*>(lParam), first, count);
        const char* text = reinterpret_cast<const char*>(lParam);
        const size_t length = std::strlen(text);
        if (length > 254)
            return -1;
        // Widened byte by byte, as the pool's texts were typed.
        wchar_t wide[256];
        for (size_t i = 0; i <= length; ++i)
            wide[i] = static_cast<unsigned char>(text[i]);
        return TbxFindString(block, wide, first, count);
    }
    case TBX_STRINGCOUNT:
        return block->stringCount;
    case TBX_COUNTBYFLAGS: {
        TBX_LOCKED(block);
        const int first = LOWORD(wParam);
        const int end = std::min<int>(HIWORD(wParam), block->buttonCount);
        const WORD value = LOWORD(lParam);
        const WORD mask = HIWORD(lParam);
        int n = 0;
        for (int i = first; i < end; ++i) {
            const ToolbarButton* b = block->buttons[i];
            if (mask ? (b->own & mask) == (value & mask) : b->command == 0)
                ++n;
        }
        return n;
    }
    case TBX_SETSTYLES:
    case TBX_SETSTATES:
    case TBX_SETOWNFLAGSRANGE: {
        TBX_LOCKED(block);
        return Relaid(block, TbxSetRange(block, message, wParam, lParam));
    }
    case TBX_COUNTIMAGES:
        return TbxCountImages(wParam, lParam);
    case TBX_DESCRIBEBITMAPS: {
        TBX_LOCKED(block);
        ToolbarBitmapInfo* out = reinterpret_cast<ToolbarBitmapInfo*>(lParam);
        const int first = LOWORD(wParam);
        const int count = HIWORD(wParam);
        if (!out)
            return 0;
        int n = 0;
        for (int i = first; i < block->bitmapCount && n < count; ++i, ++n) {
            const ToolbarBitmap& b = block->bitmaps[i];
            out[n] = {static_cast<DWORD>(reinterpret_cast<UINT_PTR>(b.module)), static_cast<DWORD>(b.id), b.count,
                      b.scale, static_cast<WORD>((b.flags & TBXB_VARYING) ? 0 : b.imageWidth), b.imageHeight};
        }
        return n;
    }
    case TBX_LISTCOMMANDS: {
        TBX_LOCKED(block);
        UINT32* out = reinterpret_cast<UINT32*>(lParam);
        if (!out)
            return 0;
        const int n = std::min<int>(static_cast<int>(wParam), block->buttonCount);
        for (int i = 0; i < n; ++i)
            out[i] = static_cast<UINT32>(block->buttons[i]->command);
        return n < 0 ? 0 : n;
    }
    case TBX_REMOVEBITMAPS: {
        TBX_LOCKED(block);
        return TbxRemoveBitmaps(block);
    }
    case TBX_DELETERANGE: {
        TBX_LOCKED(block);
        const int first = static_cast<int>(wParam);
        const int end = std::min<int>(static_cast<int>(lParam), block->buttonCount);
        int n = 0;
        for (int i = end - 1; i >= first && i >= 0; --i)
            n += TbxDeleteButton(block, i) ? 1 : 0;
        return n;
    }
    case TBX_THIRDTARGET:
        return 0;
    case TBX_IMAGESIZE:
        return MAKELONG(block->image.cx, block->image.cy);
    case TBX_COMMANDBYINDEX: {
        TBX_LOCKED(block);
        return w < static_cast<DWORD>(block->buttonCount) ? block->buttons[w]->command : -1;
    }
    case TBX_GETOWNFLAGS: {
        TBX_LOCKED(block);
        const int index = TbxResolve(block, w, false);
        return index < 0 ? -1 : block->buttons[index]->own;
    }
    case TBX_SETOWNFLAGS: {
        TBX_LOCKED(block);
        return Relaid(block, TbxSetOwnFlags(block, TbxResolve(block, w, false), LOWORD(lParam), HIWORD(lParam)));
    }
    case TBX_GETDATA: {
        TBX_LOCKED(block);
        const int index = TbxResolve(block, w, false);
        return index < 0 ? 0 : block->buttons[index]->data;
    }
    case TBX_SETDATA: {
        TBX_LOCKED(block);
        return Relaid(block, TbxSetData(block, TbxResolve(block, w, false), static_cast<DWORD>(lParam)));
    }
    case TBX_IMAGESCALE: {
        TBX_LOCKED(block);
        return TbxImageScale(block, static_cast<int>(wParam), static_cast<int>(lParam));
    }
    case TBX_IDEALSIZE: {
        TBX_LOCKED(block);
        TbxLayout(block);
        return MAKELONG(block->ideal.cx, block->ideal.cy);
    }
    case TBX_FIT: {
        TBX_LOCKED(block);
        return TbxFit(block, static_cast<int>(wParam), static_cast<DWORD>(lParam));
    }
    case TBX_KEYCOLOR: {
        const int index = static_cast<int>(w & 0x7FFFFFFF);
        if (index > 1)
            return 0;
        if (!(w & 0x80000000))
            return block->keyColors[index];
        TBX_LOCKED(block);
        const COLORREF old = block->keyColors[index];
        block->keyColors[index] = static_cast<COLORREF>(lParam);
        if (block->buttonCount)
            TbxRebuildAll(block);
        return old;
    }
    case TBX_PALETTE: {
        if (w > 8)
            return -1;
        TBX_LOCKED(block);
        const COLORREF old = block->palette[w];
        if (static_cast<COLORREF>(lParam) == static_cast<COLORREF>(-1)) {
            block->paletteSet[w] = 0;
        } else {
            block->paletteSet[w] = 1;
            block->palette[w] = static_cast<COLORREF>(lParam);
        }
        TbxDefaultColors(block);
        if (block->palette[w] != old)
            TbxRebuildAll(block);
        return old;
    }

    // --- window messages
    case WM_SIZE: {
        TBX_LOCKED(block);
        const int oldWidth = block->clientWidth;
        const int oldHeight = block->clientHeight;
        block->clientWidth = LOWORD(lParam);
        block->clientHeight = HIWORD(lParam);
        if (block->clientWidth > oldWidth) {
            RECT strip = {oldWidth, 0, block->clientWidth, block->clientHeight};
            TbxInvalidate(block, &strip);
        }
        if (block->clientHeight > oldHeight) {
            RECT strip = {0, oldHeight, block->clientWidth, block->clientHeight};
            TbxInvalidate(block, &strip);
        }
        return 0;
    }
    case WM_SETFOCUS: {
        NMHDR header = {};
        ControlNotifyParent(hwnd, &header, NM_SETFOCUS);
        return 0;
    }
    case WM_KILLFOCUS:
        return 0;
    case WM_ENABLE: {
        DWORD style = 0;
        {
            TBX_LOCKED(block);
            if ((wParam != 0) == (block->enabled != 0))
                return 0;
            // The copy with WS_DISABLED turned over. The system may have set the bit already
            // (then no WM_STYLECHANGED follows), so the copy and the look follow here too.
            block->style ^= WS_DISABLED;
            block->enabled = wParam ? 1 : 0;
            // Only the copy's own bits go back: it was taken at WM_CREATE, before WS_VISIBLE,
            // and written back whole it hid the toolbar for good.
            style = EnabledStyle(static_cast<DWORD>(::GetWindowLongA(hwnd, GWL_STYLE)), block->style);
            TbxInvalidate(block, nullptr);
        }
        ::SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(style));
        return 0;
    }
    case WM_PAINT: {
        TBX_LOCKED(block);
        if (wParam) {
            TbxPaint(block, reinterpret_cast<HDC>(wParam), nullptr);
            return 0;
        }
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd, &ps);
        if (dc)
            TbxPaint(block, dc, &ps.rcPaint);
        ::EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_SYSCOLORCHANGE: {
        TBX_LOCKED(block);
        CloseThemes(block);
        OpenTheme(block);
        TbxDefaultColors(block);
        TbxRebuildAll(block);
        return 0;
    }
    case WM_DRAWITEM:
        if (wParam == 1)
            return ::SendMessageW(::GetParent(hwnd), message, wParam, lParam);
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_SETFONT: {
        TBX_LOCKED(block);
        block->font = reinterpret_cast<HFONT>(wParam);
        if (TbxTakeFontMetrics(block))
            TbxRebuildAll(block);
        if (LOWORD(lParam))
            TbxInvalidate(block, nullptr);
        return 0;
    }
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(block->font);
    case WM_COMMAND: {
        bool handled = false;
        const LRESULT r = ForwardCommand(block, hwnd, wParam, lParam, &handled);
        return handled ? r : ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
    case WM_NOTIFY: {
        bool handled = false;
        const LRESULT r = ForwardNotify(block, hwnd, wParam, lParam, &handled);
        return handled ? r : ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
    case WM_STYLECHANGED:
        return OnStyleChanged(block, wParam, lParam);
    case WM_KEYDOWN:
    case WM_KEYUP:
        return 0;

    // --- the mouse
    case WM_MOUSEMOVE: {
        TBX_LOCKED(block);
        Track(block, {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}, HeldOf(wParam));
        RequestLeave(block);
        return 0;
    }
    case WM_MOUSELEAVE: {
        TBX_LOCKED(block);
        Track(block, CursorIn(hwnd), AsyncHeld());
        return 0;
    }
    case WM_TIMER:
        if (wParam == kTrackTimer)
            return ::DefWindowProcA(hwnd, message, wParam, lParam);
        {
            TBX_LOCKED(block);
            Track(block, CursorIn(hwnd), AsyncHeld());
        }
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        return OnLButtonDown(block, wParam, {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
    case WM_LBUTTONUP:
        return OnLButtonUp(block, hwnd, wParam, {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: {
        {
            TBX_LOCKED(block);
            Track(block, {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}, HeldOf(wParam));
        }
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
    case WM_RBUTTONUP:
        if (OnRButtonUp(block, hwnd, wParam, {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}))
            return ::DefWindowProcA(hwnd, message, wParam, lParam);
        return 0;
    default:
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

}  // namespace
