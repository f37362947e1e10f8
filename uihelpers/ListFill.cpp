#include "uihelpers/ListFill.h"

#include <stdlib.h>
#include <string.h>
#include "services/CaseFold.h"

namespace {

// The message numbers of one kind of box.
struct BoxMessages {
    UINT getCurSel, setCurSel, deleteString, addString, insertString, getTextLen, getText;
};

const BoxMessages kListBox = { LB_GETCURSEL, LB_SETCURSEL, LB_DELETESTRING, LB_ADDSTRING,
                               LB_INSERTSTRING, LB_GETTEXTLEN, LB_GETTEXT };
const BoxMessages kComboBox = { CB_GETCURSEL, CB_SETCURSEL, CB_DELETESTRING, CB_ADDSTRING,
                                CB_INSERTSTRING, CB_GETLBTEXTLEN, CB_GETLBTEXT };

// The system registers the class as "ListBox", so the name is compared without regard to
// case; an exact comparison with "LISTBOX" would drive every real list box with combo box
// messages, which it ignores.
const BoxMessages& MessagesOf(HWND box)
{
    char cls[16] = {};
    GetClassNameA(box, cls, sizeof cls);
    return CompareBytes1252(cls, static_cast<int>(strlen(cls)), "LISTBOX", 7, true) == 0 ? kListBox : kComboBox;
}

// Longer items are cut: the boxes of this library show short entries only, and the cut
// keeps one pathological segment from swamping the list.
const int kMaxItemBytes = 255;

}  // namespace

int FillListFromText(HWND box, const char* text, char separator, BOOL clear)
{
    if (!box)
        return 0;
    const BoxMessages& m = MessagesOf(box);
    LRESULT selected = SendMessageA(box, m.getCurSel, 0, 0);
    if (clear) {
        // LB_ERR and CB_ERR are both -1: deleting from an empty box fails.
        while (SendMessageA(box, m.deleteString, 0, 0) >= 0) {
        }
    }
    int added = 0;
    if (text) {
        const char* p = text;
        for (;;) {
            const char* end = separator ? strchr(p, separator) : p + strlen(p);
            if (!end)
                end = p + strlen(p);
            size_t len = static_cast<size_t>(end - p);
            if (separator == 0 && len == 0)
                break;
            if (len > 0) {
                char segment[kMaxItemBytes + 1];
                size_t n = len > kMaxItemBytes ? kMaxItemBytes : len;
                memcpy(segment, p, n);
                segment[n] = 0;
                if (SendMessageA(box, m.addString, 0, reinterpret_cast<LPARAM>(segment)) >= 0)
                    ++added;
            }
            if (separator ? *end == 0 : false)
                break;
            p = end + 1;
        }
    }
    if (selected >= 0)
        SendMessageA(box, m.setCurSel, clear ? 0 : static_cast<WPARAM>(selected), 0);
    return added;
}

int FillDlgListFromText(HWND dialog, int controlId, const char* text, char separator, BOOL clear)
{
    return FillListFromText(GetDlgItem(dialog, controlId), text, separator, clear);
}

int AddToHistoryList(HWND box, const char* text, int maximum, BOOL caseSensitive)
{
    if (!box || !text)
        return 0;
    const BoxMessages& m = MessagesOf(box);
    LRESULT selected = SendMessageA(box, m.getCurSel, 0, 0);
    SendMessageA(box, m.insertString, 0, reinterpret_cast<LPARAM>(text));
    const int textLength = static_cast<int>(strlen(text));
    char small[kMaxItemBytes + 1];
    for (int index = 1;;) {
        LRESULT len = SendMessageA(box, m.getTextLen, static_cast<WPARAM>(index), 0);
        if (len < 0)
            break;
        // `maximum` counts the entries kept, the new one at index 0 among them: indexes 0 to
        // maximum - 1 stay, so a history of 16 never shows a 17th entry.
        bool remove = index >= maximum;
        if (!remove && len == textLength) {
            char* item = len > kMaxItemBytes ? static_cast<char*>(malloc(static_cast<size_t>(len) + 1)) : small;
            if (item) {
                item[0] = 0;
                LRESULT got = SendMessageA(box, m.getText, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item));
                if (got == len)
                    remove = CompareBytes1252(item, static_cast<int>(got), text, textLength, !caseSensitive) == 0;
                if (item != small)
                    free(item);
            }
        }
        if (remove) {
            if (SendMessageA(box, m.deleteString, static_cast<WPARAM>(index), 0) < 0)
                break;
        } else {
            ++index;
        }
    }
    if (selected >= 0)
        SendMessageA(box, m.setCurSel, 0, 0);
    return 0;
}
