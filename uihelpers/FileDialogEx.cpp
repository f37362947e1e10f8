#include "uihelpers/FileDialogEx.h"

#include <commctrl.h>
#include <dlgs.h>
#include <stdlib.h>
#include <string.h>
#include <new>
#include "services/PathUtils.h"
#include "services/Registry.h"
#include "uihelpers/ClipboardText.h"
#include "uihelpers/ControlSubclass.h"
#include "uihelpers/FileDialogExRules.h"
#include "uihelpers/SuggestList.h"

namespace {

typedef BOOL(WINAPI* FileNameFn)(LPOPENFILENAMEA);

const char kRunProperty[] = "SektorlupeOfnRun";
const UINT_PTR kNameKeysSubclass = 0x4F4E;
const DWORD kWorkerStopWait = 3000;

FileNameFn g_systemOpen = NULL;
FileNameFn g_systemSave = NULL;
FileDialogEx* g_dialogObject = NULL;
bool g_firstSizingDone = false;
bool g_saveRequest = false;           // GetSaveFileNameEx asks for the open dialog in save mode
volatile LONG g_workers = 0;
volatile LONG g_mostWorkers = 0;
volatile DWORD g_workerLinger = 0;

// What a dialog and its worker share. Both hold a reference; the last one frees it, so a
// worker that outlives its dialog never touches the next dialog's texts.
struct CompletionRun {
    volatile LONG refs;
    volatile LONG running;
    HANDLE lock;                       // semaphore guarding the texts and flags
    HANDLE wake;                       // set when there is news or the worker must end
    HWND frame;
    HWND popup;
    char folder[kOfnPathChars + 1];
    char typed[kOfnPathChars + 1];
    bool folderChanged;
    bool typedChanged;
};

void ReleaseCompletion(CompletionRun* c)
{
    if (InterlockedDecrement(&c->refs) == 0) {
        CloseHandle(c->lock);
        CloseHandle(c->wake);
        free(c);
    }
}

class CompletionLock {
public:
    explicit CompletionLock(CompletionRun* c) : m_c(c) { WaitForSingleObject(c->lock, INFINITE); }
    ~CompletionLock() { ReleaseSemaphore(m_c->lock, 1, NULL); }
private:
    CompletionRun* m_c;
};

// One running dialog. Lives on GetOpenFileNameEx's stack for the dialog's run; the frame
// carries a pointer to it as a property, so a dialog opened from within another finds its
// own.
struct DialogRun {
    DialogRun* outer;
    DWORD keySource;
    char keyText[kOfnHistoryBytes];
    char caption[kOfnPathChars + 1];
    bool hasCaption;
    bool saveMode;
    bool sizeFirst;
    int extraHeight;
    LPOFNHOOKPROC callerHook;
    HWND hookDialog;
    HWND frame;
    WNDPROC framePrevious;
    bool prepared;
    HWND combo;
    HWND hiddenEdit;
    HWND popup;
    CompletionRun* completion;
    HANDLE worker;
};

DialogRun* g_run = NULL;

void DeleteDialogObject()
{
    delete g_dialogObject;
    g_dialogObject = NULL;
}

FileNameFn SystemFunction(bool save)
{
    FileNameFn* kept = save ? &g_systemSave : &g_systemOpen;
    if (!*kept) {
        HMODULE comdlg = LoadLibraryA("comdlg32.dll");
        if (comdlg)
            *kept = reinterpret_cast<FileNameFn>(
                reinterpret_cast<void*>(GetProcAddress(comdlg, save ? "GetSaveFileNameA" : "GetOpenFileNameA")));
    }
    return *kept;
}

// --- Import patch ------------------------------------------------------------------------

bool IsComdlgName(const char* name)
{
    return _strnicmp(name, "comdlg32", 8) == 0 && (name[8] == 0 || _stricmp(name + 8, ".dll") == 0);
}

void Redirect(IMAGE_THUNK_DATA* entry, FileNameFn replacement, FileNameFn* system)
{
    FileNameFn current = reinterpret_cast<FileNameFn>(entry->u1.Function);
    if (current == replacement)
        return;                                  // patched before: the system entry is kept
    DWORD old;
    if (!VirtualProtect(entry, sizeof *entry, PAGE_WRITECOPY, &old) &&
        !VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &old))
        return;
    *system = current;
    entry->u1.Function = reinterpret_cast<DWORD_PTR>(replacement);
    VirtualProtect(entry, sizeof *entry, old, &old);
}

void PatchModule(HMODULE module)
{
    BYTE* base = reinterpret_cast<BYTE*>(module);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE)
        return;
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE ||
        nt->OptionalHeader.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_IMPORT)
        return;
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!directory.VirtualAddress)
        return;
    const IMAGE_IMPORT_DESCRIPTOR* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
    for (int i = 0; i < 256 && d[i].Name; ++i) {
        if (!IsComdlgName(reinterpret_cast<const char*>(base + d[i].Name)) || !d[i].OriginalFirstThunk)
            continue;
        const IMAGE_THUNK_DATA* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d[i].OriginalFirstThunk);
        IMAGE_THUNK_DATA* entries = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d[i].FirstThunk);
        for (int k = 0; k < 4096 && names[k].u1.AddressOfData; ++k) {
            if (IMAGE_SNAP_BY_ORDINAL(names[k].u1.Ordinal))
                continue;
            const IMAGE_IMPORT_BY_NAME* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names[k].u1.AddressOfData);
            const char* name = reinterpret_cast<const char*>(byName->Name);
            if (strcmp(name, "GetOpenFileNameA") == 0)
                Redirect(&entries[k], &GetOpenFileNameEx, &g_systemOpen);
            else if (strcmp(name, "GetSaveFileNameA") == 0)
                Redirect(&entries[k], &GetSaveFileNameEx, &g_systemSave);
        }
    }
}

// Lets WM_COPYGLOBALDATA, WM_COPYDATA and WM_DROPFILES reach our windows from processes of
// lower integrity: the program runs elevated, and Explorer could otherwise not drop files
// on it. ChangeWindowMessageFilter exists from Vista on; it is looked up by name so that
// older systems (and Wine builds without it) simply skip this.
void AllowDropMessages()
{
    typedef BOOL(WINAPI * ChangeFilterFn)(UINT message, DWORD flag);
    HMODULE user32 = GetModuleHandleA("user32.dll");
    ChangeFilterFn changeFilter = user32 ? reinterpret_cast<ChangeFilterFn>(reinterpret_cast<void*>(
                                               GetProcAddress(user32, "ChangeWindowMessageFilter")))
                                         : NULL;
    if (!changeFilter)
        return;
    const DWORD kMsgFltAdd = 1;
    const UINT messages[] = { 0x0049 /* WM_COPYGLOBALDATA */, WM_COPYDATA, WM_DROPFILES };
    for (UINT message : messages)
        changeFilter(message, kMsgFltAdd);
}

// --- Dialog helpers ------------------------------------------------------------------------

// A window text of at most 259 characters; longer texts count as none.
void TextOf(HWND window, char* text)
{
    text[0] = 0;
    int length = GetWindowTextLengthA(window);
    if (length > 0 && length <= kOfnPathChars)
        GetWindowTextA(window, text, kOfnPathChars + 1);
}

// A CDM_ query of the frame, at most 259 characters; longer answers count as none.
void QueryDialog(HWND frame, UINT message, char* text)
{
    text[0] = 0;
    LRESULT need = SendMessageA(frame, message, kOfnPathChars + 1, reinterpret_cast<LPARAM>(text));
    if (need <= 0 || need > kOfnPathChars + 1)
        text[0] = 0;
    text[kOfnPathChars] = 0;
}

void HidePopup(DialogRun* run)
{
    if (run->popup)
        ShowWindow(run->popup, SW_HIDE);
}

void Wake(CompletionRun* c)
{
    if (c)
        SetEvent(c->wake);
}

void StopCompletion(DialogRun* run)
{
    if (run->completion) {
        InterlockedExchange(&run->completion->running, 0);
        SetEvent(run->completion->wake);
        if (run->worker) {
            WaitForSingleObject(run->worker, kWorkerStopWait);
            CloseHandle(run->worker);
            run->worker = NULL;
        }
        ReleaseCompletion(run->completion);
        run->completion = NULL;
    }
    if (run->popup) {
        DestroyWindow(run->popup);      // also frees the texts still posted to it
        run->popup = NULL;
    }
}

void StartCompletion(DialogRun* run)
{
    run->popup = SuggestList(0, 0, NULL, run->frame, OFNX_POPUP_ID);
    CompletionRun* c = static_cast<CompletionRun*>(calloc(1, sizeof(CompletionRun)));
    if (!run->popup || !c) {
        free(c);
        return;
    }
    c->lock = CreateSemaphoreA(NULL, 1, 32767, NULL);
    c->wake = CreateEventA(NULL, FALSE, FALSE, NULL);
    if (!c->lock || !c->wake) {
        if (c->lock)
            CloseHandle(c->lock);
        if (c->wake)
            CloseHandle(c->wake);
        free(c);
        return;
    }
    c->refs = 2;
    c->running = 1;
    c->frame = run->frame;
    c->popup = run->popup;
    QueryDialog(run->frame, CDM_GETFOLDERPATH, c->folder);
    c->folderChanged = c->folder[0] != 0;
    run->completion = c;
    run->worker = CreateThread(NULL, 4096, &PathCompletionThread, c, 0, NULL);
    if (!run->worker)
        ReleaseCompletion(c);           // the worker's reference
}

// The inner edit of the name combo reports Up and Down to the dialog first, as a key
// notification of the combo box; the dialog uses them while the popup is shown.
LRESULT CALLBACK NameEditKeys(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR combo)
{
    if (message == WM_KEYDOWN && (wParam == VK_UP || wParam == VK_DOWN) &&
        !SendMessageA(reinterpret_cast<HWND>(combo), CB_GETDROPPEDSTATE, 0, 0)) {
        NMKEY record;
        memset(&record, 0, sizeof record);
        record.hdr.code = static_cast<UINT>(NM_KEYDOWN);
        record.nVKey = static_cast<UINT>(wParam);
        record.uFlags = HIWORD(lParam);
        if (NotifyKeyDown(reinterpret_cast<HWND>(combo), &record))
            return 0;
    }
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(edit, &NameEditKeys, id);
    return DefSubclassProc(edit, message, wParam, lParam);
}

bool HasClass(HWND window, const char* name)
{
    char cls[32] = "";
    return window && GetClassNameA(window, cls, sizeof cls) && _stricmp(cls, name) == 0;
}

// The system's file-name field: the edit 1152 of the classic explorer template, or the
// combo box 1148 that newer templates (and Wine) have in its place.
HWND FindNameField(HWND frame)
{
    HWND edit = GetDlgItem(frame, OFNX_NAME_ID);
    if (HasClass(edit, "Edit"))
        return edit;
    HWND combo = GetDlgItem(frame, cmb13);
    if (HasClass(combo, "ComboBoxEx32") || HasClass(combo, "ComboBox"))
        return combo;
    return NULL;
}

void ReplaceNameEdit(DialogRun* run)
{
    HWND edit = FindNameField(run->frame);
    if (!edit)
        return;
    RECT rc;
    GetWindowRect(edit, &rc);
    MapWindowPoints(NULL, run->frame, reinterpret_cast<POINT*>(&rc), 2);
    HWND combo = CreateWindowExA(WS_EX_ACCEPTFILES, "ComboBox", "",
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                                 rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top + 260, run->frame,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(OFNX_HIDDEN_NAME_ID)),
                                 reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(run->frame, GWLP_HINSTANCE)), NULL);
    if (!combo)
        return;
    SetWindowPos(combo, edit, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageA(combo, WM_SETFONT, SendMessageA(edit, WM_GETFONT, 0, 0), FALSE);
    char text[kOfnPathChars + 1];
    TextOf(edit, text);
    SetWindowTextA(combo, text);
    ShowWindow(edit, SW_HIDE);
    SetWindowLongPtrA(edit, GWLP_ID, OFNX_HIDDEN_NAME_ID);
    SetWindowLongPtrA(combo, GWLP_ID, OFNX_NAME_ID);
    run->combo = combo;
    run->hiddenEdit = edit;
    InstallSubclass(combo, &CeFileNameComboProc);
    InstallSubclass(edit, &CeFileNameEditProc);
    HWND inner = GetWindow(combo, GW_CHILD);
    if (inner)
        SetWindowSubclass(inner, &NameEditKeys, kNameKeysSubclass, reinterpret_cast<DWORD_PTR>(combo));
    SetFocus(combo);
    OfnHistoryLoadSave(combo, run->keySource, run->keyText, FALSE);
}

void PrepareDialog(DialogRun* run)
{
    HWND frame = run->frame;
    if (run->sizeFirst && !g_firstSizingDone) {
        g_firstSizingDone = true;
        int width = 600, height = 450 + run->extraHeight;
        int icon = GetSystemMetrics(SM_CXICON);
        if (icon > 32) {
            width = width * icon / 32;
            height = height * icon / 32;
        }
        SetWindowPos(frame, NULL, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (run->hasCaption) {
        HWND check = GetDlgItem(frame, OFNX_READONLY_ID);
        if (check) {
            RECT rc;
            GetWindowRect(check, &rc);
            HWND name = FindNameField(frame);
            int wanted = 450;
            if (name) {
                RECT nameRect;
                GetWindowRect(name, &nameRect);
                wanted = nameRect.right - nameRect.left;
            }
            if (rc.right - rc.left < wanted)
                SetWindowPos(check, NULL, 0, 0, wanted, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            SetWindowTextA(check, run->caption);
        }
        if (run->saveMode) {
            char ok[32] = "";
            GetDlgItemTextA(frame, IDOK, ok, sizeof ok);
            SetDlgItemTextA(frame, IDOK, strcmp(ok, "Ö&ffnen") == 0 ? "&Speichern" : "&Save");
        }
    }
    if (run->keySource == OFNX_KEY_NONE)
        return;
    ReplaceNameEdit(run);
    if (run->combo && !run->popup)
        StartCompletion(run);
}

// A path the user chose goes to the top of the history, and the history is saved.
void HandleChosenPath(DialogRun* run, const char* path)
{
    if (!run->combo || run->keySource == OFNX_KEY_NONE)
        return;
    ChosenPath chosen;
    ClassifyChosenPath(path, run->keySource, run->saveMode, &chosen);
    if (!chosen.remember)
        return;
    int count = static_cast<int>(SendMessageA(run->combo, CB_GETCOUNT, 0, 0));
    int found = -1;
    for (int i = 0; i < count && found < 0; ++i) {
        char item[kOfnPathChars + 1];
        LRESULT length = SendMessageA(run->combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length > 0 && length <= kOfnPathChars &&
            SendMessageA(run->combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item)) > 0 &&
            strcmp(item, chosen.text) == 0)
            found = i;
    }
    if (found != 0) {
        if (found > 0)
            SendMessageA(run->combo, CB_DELETESTRING, static_cast<WPARAM>(found), 0);
        SendMessageA(run->combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(chosen.text));
        if (found > 0 && !chosen.existingFile)
            SendMessageA(run->combo, CB_SETCURSEL, 0, 0);
    }
    OfnHistoryLoadSave(run->combo, run->keySource, run->keyText, TRUE);
}

// "/" typed for "\" in the file-name field.
void NormaliseSlashes(DialogRun* run)
{
    char text[kOfnPathChars + 1];
    TextOf(run->combo, text);
    bool changed = false;
    for (char* p = text; *p; ++p)
        if (*p == '/') {
            *p = '\\';
            changed = true;
        }
    if (changed) {
        SendMessageA(run->combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        SetWindowTextA(run->combo, text);
    }
}

void ShowPopupUnderCombo(DialogRun* run)
{
    bool typed;
    {
        CompletionLock lock(run->completion);
        typed = run->completion->typed[0] != 0;
    }
    if (!typed || IsWindowVisible(run->popup) || SendMessageA(run->combo, CB_GETDROPPEDSTATE, 0, 0))
        return;
    RECT rc;
    GetWindowRect(run->combo, &rc);
    SetWindowPos(run->popup, HWND_TOP, rc.left, rc.bottom, rc.right - rc.left - 20, 120,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void TakeSuggestion(DialogRun* run)
{
    int selected = static_cast<int>(SendMessageA(run->popup, LB_GETCURSEL, 0, 0));
    LRESULT length = SendMessageA(run->popup, LB_GETTEXTLEN, static_cast<WPARAM>(selected), 0);
    if (selected < 0 || length < 0 || length > kOfnPathChars)
        return;
    char text[kOfnPathChars + 1];
    SendMessageA(run->popup, LB_GETTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(text));
    SendMessageA(run->combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SetWindowTextA(run->combo, text);
    SendMessageA(run->combo, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}

// Up and Down move through the shown popup and copy the entry into the field.
bool StepSuggestion(DialogRun* run, NMKEY* key)
{
    if (!run->popup || !IsWindowVisible(run->popup))
        return false;
    int count = static_cast<int>(SendMessageA(run->popup, LB_GETCOUNT, 0, 0));
    int current = static_cast<int>(SendMessageA(run->popup, LB_GETCURSEL, 0, 0));
    int next = current + (key->nVKey == VK_DOWN ? 1 : -1);
    if (next >= 0 && next < count && next != current) {
        SendMessageA(run->popup, LB_SETCURSEL, static_cast<WPARAM>(next), 0);
        TakeSuggestion(run);
        int end = GetWindowTextLengthA(run->combo);
        SendMessageA(run->combo, CB_SETEDITSEL, 0, MAKELPARAM(end, end));
    }
    key->hdr.idFrom = CE_KEY_HANDLED;
    return true;
}

bool OnCommand(DialogRun* run, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    WORD id = LOWORD(wParam), code = HIWORD(wParam);
    if (id == OFNX_COPY_PATH_ID && lParam == 0) {
        char folder[kOfnPathChars + 1];
        QueryDialog(run->frame, CDM_GETFOLDERPATH, folder);
        if (folder[0])
            ClipboardSetText(folder);
        *result = 0;
        return true;
    }
    if (id == OFNX_POPUP_ID && run->popup && run->completion) {
        if (code == LBN_SELCHANGE) {
            TakeSuggestion(run);
            HidePopup(run);
        } else if (code == OFNX_SHOW_POPUP) {
            ShowPopupUnderCombo(run);
        }
        *result = 0;
        return true;
    }
    if (id == OFNX_NAME_ID && run->combo) {
        switch (code) {
        case CBN_KILLFOCUS: {
            HWND focus = GetFocus();
            if (!run->popup || (focus != run->popup && !IsChild(run->popup, focus)))
                HidePopup(run);
            break;
        }
        case CBN_EDITCHANGE:
            if (run->completion) {
                char text[kOfnPathChars + 1];
                TextOf(run->combo, text);
                {
                    CompletionLock lock(run->completion);
                    strcpy(run->completion->typed, text);
                    run->completion->typedChanged = true;
                }
                Wake(run->completion);
                if (!text[0])
                    HidePopup(run);
            }
            break;
        case CBN_DROPDOWN:
            HidePopup(run);
            break;
        case CBN_CLOSEUP: {
            int selected = static_cast<int>(SendMessageA(run->combo, CB_GETCURSEL, 0, 0));
            LRESULT length = SendMessageA(run->combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(selected), 0);
            char item[kOfnPathChars + 1];
            if (selected >= 0 && length > 0 && length <= kOfnPathChars &&
                SendMessageA(run->combo, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(item)) > 0 &&
                GetPathTypeA(item) >= PATH_FOLDER)
                PostMessageA(run->frame, WM_COMMAND, IDOK, 0);
            break;
        }
        case EN_CHANGE: {
            char shown[kOfnPathChars + 1], hidden[kOfnPathChars + 1] = "";
            TextOf(run->combo, shown);
            SendMessageA(run->hiddenEdit, CE_MSG_PARTNER_GETTEXT, sizeof hidden, reinterpret_cast<LPARAM>(hidden));
            hidden[kOfnPathChars] = 0;
            if (strcmp(shown, hidden) != 0)
                SendMessageA(run->hiddenEdit, CE_MSG_PARTNER_SETTEXT, 0, reinterpret_cast<LPARAM>(shown));
            *result = CallWindowProcA(run->framePrevious, run->frame, WM_COMMAND, wParam,
                                      reinterpret_cast<LPARAM>(run->combo));
            return true;
        }
        default:
            break;
        }
        return false;
    }
    if (id == IDOK && run->combo && run->keySource != OFNX_KEY_FOLDER_LIST) {
        // Enter in the field never reaches it as a key: the dialog manager turns it into
        // IDOK first. So the slashes are mended here, for Enter and the button alike.
        NormaliseSlashes(run);
        char text[kOfnPathChars + 1];
        TextOf(run->combo, text);
        HandleChosenPath(run, text);
    }
    return false;
}

bool OnNotify(DialogRun* run, LPARAM lParam, LRESULT* result)
{
    NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
    if (!header)
        return false;
    int code = static_cast<int>(header->code);
    if (code == static_cast<int>(NM_KEYDOWN) && run->combo && header->hwndFrom == run->combo) {
        NMKEY* key = reinterpret_cast<NMKEY*>(lParam);
        if ((key->nVKey == VK_DOWN || key->nVKey == VK_UP) && StepSuggestion(run, key)) {
            *result = 1;
            return true;
        }
        if (key->nVKey == VK_RETURN)
            NormaliseSlashes(run);
        return false;
    }
    // The CDN_ notifications arrive here as copies sent on by FileDialogEx; the system's
    // frame never gets them otherwise, so they stop here.
    if (code > static_cast<int>(CDN_FIRST) || code < static_cast<int>(CDN_INCLUDEITEM))
        return false;
    if (code == static_cast<int>(CDN_FOLDERCHANGE)) {
        HidePopup(run);
        if (run->completion) {
            char folder[kOfnPathChars + 1];
            QueryDialog(run->frame, CDM_GETFOLDERPATH, folder);
            {
                CompletionLock lock(run->completion);
                strcpy(run->completion->folder, folder);
                run->completion->typed[0] = 0;
                run->completion->folderChanged = run->completion->typedChanged = true;
            }
            Wake(run->completion);
        }
    } else if (code == static_cast<int>(CDN_FILEOK)) {
        HidePopup(run);
        char path[kOfnPathChars + 1];
        QueryDialog(run->frame, CDM_GETFILEPATH, path);
        HandleChosenPath(run, path);
    }
    *result = 0;
    return true;
}

void ShowCopyPathMenu(HWND frame, LPARAM lParam)
{
    POINT at = { static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)) };
    if (lParam == -1)
        GetCursorPos(&at);
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    AppendMenuA(menu, MF_STRING, OFNX_COPY_PATH_ID, "Kopiere aktuellen Pfad");
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, frame, NULL);
    DestroyMenu(menu);
}

// The completion sink of the worker: everything goes to the windows by posting.
class PostingSink : public CompletionSink {
public:
    explicit PostingSink(CompletionRun* c) : m_c(c) {}
    void Reset() override { PostMessageA(m_c->popup, LB_RESETCONTENT, 0, 0); }
    bool Add(const char* suggestion) override
    {
        char* copy = SuggestTextDup(suggestion, -1);
        if (!copy)
            return false;
        if (PostMessageA(m_c->popup, SUGGEST_ADDSTRING, SUGGEST_HEAP_TEXT, reinterpret_cast<LPARAM>(copy)))
            return true;
        Sleep(10);
        SuggestTextFree(copy);
        return false;
    }
    void Show() override
    {
        WPARAM show = MAKEWPARAM(OFNX_POPUP_ID, OFNX_SHOW_POPUP);
        if (!PostMessageA(m_c->frame, WM_COMMAND, show, reinterpret_cast<LPARAM>(m_c->popup))) {
            Sleep(10);
            PostMessageA(m_c->frame, WM_COMMAND, show, reinterpret_cast<LPARAM>(m_c->popup));
        }
    }
private:
    CompletionRun* m_c;
};

DialogRun* RunOfFrame(HWND frame)
{
    return static_cast<DialogRun*>(GetPropA(frame, kRunProperty));
}

BOOL RunDialog(OPENFILENAMEA* ofn, bool saveDialog, bool saveMode)
{
    FileNameFn system = SystemFunction(saveDialog);
    if (!system)
        return FALSE;
    if (!ofn || ofn->lStructSize < sizeof(OPENFILENAME_NT4A))
        return system(ofn);
    OfnRequest* r = static_cast<OfnRequest*>(malloc(sizeof(OfnRequest)));
    if (!r)
        return system(ofn);
    ParseOfnRequest(ofn, r);
    const DWORD callerFlags = ofn->Flags;
    LPOFNHOOKPROC callerHook = ofn->lpfnHook;
    LPCSTR filter = ofn->lpstrFilter, defExt = ofn->lpstrDefExt;
    LPSTR custom = ofn->lpstrCustomFilter;
    ofn->Flags = r->systemFlags;
    ofn->lpstrFilter = r->filter;
    if (r->clearCustomFilter)
        ofn->lpstrCustomFilter = NULL;
    if (r->dropDefExt)
        ofn->lpstrDefExt = NULL;

    // Only the explorer dialog is extended: its hook dialog is a child of the frame that the
    // hook subclasses. An old-style dialog's hook is the dialog itself, and its parent is the
    // caller's own window, which the frame procedure would take over and break; such a
    // request runs as the plain system dialog.
    DialogRun* run = NULL;
    if (r->systemFlags & OFN_EXPLORER)
        run = static_cast<DialogRun*>(calloc(1, sizeof(DialogRun)));
    if (run) {
        run->keySource = r->keySource;
        memcpy(run->keyText, r->keyText, sizeof run->keyText);
        strcpy(run->caption, r->caption);
        run->hasCaption = r->hasCaption;
        run->saveMode = saveMode;
        run->callerHook = (callerFlags & OFN_ENABLEHOOK) ? callerHook : NULL;
        if ((r->systemFlags & OFN_ENABLESIZING) && !g_run && !g_firstSizingDone) {
            run->sizeFirst = true;
            run->extraHeight = (r->systemFlags & OFN_ENABLETEMPLATE) && ofn->lpTemplateName ? 100 : 0;
        }
        ofn->lpfnHook = &FileDialogExHookProc;
        ofn->Flags |= OFN_ENABLEHOOK;
        run->outer = g_run;
        g_run = run;
    }
    free(r);
    BOOL chosen = system(ofn);
    if (run) {
        g_run = run->outer;
        StopCompletion(run);            // a dialog that failed half-way may have left it
        free(run);
    }
    ofn->lpfnHook = callerHook;
    ofn->Flags = (ofn->Flags & OFN_READONLY) | (callerFlags & ~static_cast<DWORD>(OFN_READONLY));
    // The caller's filter (still with its caption), custom filter and default extension go
    // back too: a request run a second time from the same record would otherwise lose its
    // caption and its history key, and a custom-filter buffer would be left null.
    ofn->lpstrFilter = filter;
    ofn->lpstrCustomFilter = custom;
    ofn->lpstrDefExt = defExt;
    return chosen;
}

}  // namespace

// --- Public operations -----------------------------------------------------------------------

int PatchFileDialogImports(const char* moduleName)
{
    static bool registered = false;
    if (!registered) {
        registered = true;
        atexit(&DeleteDialogObject);
    }
    HMODULE module = GetModuleHandleA(moduleName);
    if (module)
        PatchModule(module);
    AllowDropMessages();
    return 1;
}

BOOL WINAPI GetOpenFileNameEx(OPENFILENAMEA* ofn)
{
    bool saveMode = g_saveRequest;
    g_saveRequest = false;
    return RunDialog(ofn, false, saveMode);
}

BOOL WINAPI GetSaveFileNameEx(OPENFILENAMEA* ofn)
{
    if (ofn && (ofn->Flags & OFNX_CAPTION)) {
        // The open dialog in save mode: only it shows the read-only check box for the caption.
        g_saveRequest = true;
        return GetOpenFileNameEx(ofn);
    }
    return RunDialog(ofn, true, true);
}

UINT_PTR CALLBACK FileDialogExHookProc(HWND hookDialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND frame = GetParent(hookDialog);
    DialogRun* run = frame ? RunOfFrame(frame) : NULL;
    if (!run && frame && g_run && !g_run->hookDialog) {
        run = g_run;
        run->hookDialog = hookDialog;
        run->frame = frame;
        SetPropA(frame, kRunProperty, run);
        run->framePrevious = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FileDialogExHook)));
    }
    if (!run)
        return 0;
    if (message == WM_INITDIALOG) {
        if (!g_dialogObject)
            g_dialogObject = new (std::nothrow) FileDialogEx;
        if (g_dialogObject) {
            if (g_dialogObject->m_hWnd)
                g_dialogObject->Detach();
            g_dialogObject->Attach(hookDialog);
        }
    } else if (message == WM_NOTIFY && g_dialogObject && g_dialogObject->m_hWnd == hookDialog) {
        LRESULT ignored = 0;
        g_dialogObject->OnNotify(wParam, lParam, &ignored);
    } else if (message == WM_DESTROY && g_dialogObject && g_dialogObject->m_hWnd == hookDialog) {
        g_dialogObject->Detach();
    }
    return run->callerHook ? run->callerHook(hookDialog, message, wParam, lParam) : 0;
}

LRESULT CALLBACK FileDialogExHook(HWND frame, UINT message, WPARAM wParam, LPARAM lParam)
{
    DialogRun* run = RunOfFrame(frame);
    if (!run)
        return DefWindowProcA(frame, message, wParam, lParam);
    WNDPROC previous = run->framePrevious;
    LRESULT result = 0;
    switch (message) {
    case WM_SHOWWINDOW:
        if (wParam && !run->prepared) {
            run->prepared = true;
            PrepareDialog(run);
        }
        break;
    case WM_WINDOWPOSCHANGED: {
        // A closing dialog is hidden first (EndDialog, DestroyWindow), and DestroyWindow
        // takes the popup, which the frame owns, down before the frame's own WM_DESTROY:
        // the worker is stopped here, while the popup still stands. A dialog shown again
        // gets a new one.
        UINT flags = reinterpret_cast<const WINDOWPOS*>(lParam)->flags;
        if (flags & SWP_HIDEWINDOW)
            StopCompletion(run);
        else if ((flags & SWP_SHOWWINDOW) && run->prepared && run->combo && !run->popup)
            StartCompletion(run);
        break;
    }
    case WM_DESTROY:
        // The caller's hook hears of the end from the hook dialog's own WM_DESTROY, which
        // FileDialogExHookProc hands on; it is not told a second time from here.
        StopCompletion(run);
        break;
    case WM_EXITSIZEMOVE:
    case WM_LBUTTONDOWN:
        HidePopup(run);
        break;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == frame) {
            ShowCopyPathMenu(frame, lParam);
            return 0;
        }
        break;
    case WM_COMMAND:
        if (OnCommand(run, wParam, lParam, &result))
            return result;
        break;
    case WM_NOTIFY:
        if (OnNotify(run, lParam, &result))
            return result;
        break;
    case WM_NCDESTROY:
        RemovePropA(frame, kRunProperty);
        SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        run->frame = NULL;
        break;
    default:
        break;
    }
    return CallWindowProcA(previous, frame, message, wParam, lParam);
}

int OfnHistoryLoadSave(HWND combo, DWORD keySource, const char* keyText, BOOL save)
{
    keySource &= OFNX_KEY_MASK;
    if (!combo || keySource == OFNX_KEY_NONE)
        return 0;
    char list[kOfnHistoryBytes + 4];
    if (keySource == OFNX_KEY_FOLDER_LIST) {
        if (save || !keyText)
            return 0;
        // The caller's list, up to its empty text (or 4096 bytes).
        int i = 0;
        while (i < kOfnHistoryBytes && (keyText[i] || (i > 0 && keyText[i - 1]))) {
            list[i] = keyText[i];
            ++i;
        }
        list[i] = list[i + 1] = 0;
    }
    char keyPath[300], valueName[40];
    if (keySource != OFNX_KEY_FOLDER_LIST &&
        !ResolveOfnHistoryPlace(keySource, keyText, keyPath, sizeof keyPath, valueName, sizeof valueName))
        return 0;
    if (save) {
        int used = 0, saved = 0;
        int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count && saved < kOfnHistorySaved; ++i) {
            LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
            if (length <= 0 || length > kOfnPathChars)
                continue;
            if (used + static_cast<int>(length) + 2 > kOfnHistoryBytes)
                break;
            SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(list + used));
            used += static_cast<int>(length) + 1;
            ++saved;
        }
        list[used] = 0;
        CRegistry registry;
        if (!registry.Open(HKEY_CURRENT_USER, keyPath, REGISTRY_CREATE) || !registry.WriteMultiString(list, valueName))
            return 0;
        return saved;
    }
    if (keySource != OFNX_KEY_FOLDER_LIST) {
        CRegistry registry;
        if (!registry.Open(HKEY_CURRENT_USER, keyPath, REGISTRY_READ) ||
            !registry.ReadValue(list, kOfnHistoryBytes, valueName, REG_MULTI_SZ) ||
            registry.GetLastType() != REG_MULTI_SZ)
            return 0;
        list[kOfnHistoryBytes] = list[kOfnHistoryBytes + 1] = 0;
    }
    int loaded = 0;
    for (const char* p = list; *p && loaded < kOfnHistoryLoaded; p += strlen(p) + 1) {
        if (strlen(p) > static_cast<size_t>(kOfnPathChars))
            continue;
        SendMessageA(combo, CB_INSERTSTRING, static_cast<WPARAM>(loaded), reinterpret_cast<LPARAM>(p));
        ++loaded;
    }
    return loaded;
}

DWORD WINAPI PathCompletionThread(LPVOID param)
{
    CompletionRun* c = static_cast<CompletionRun*>(param);
    LONG now = InterlockedIncrement(&g_workers);
    for (LONG most = g_mostWorkers; now > most; most = g_mostWorkers)
        InterlockedCompareExchange(&g_mostWorkers, now, most);
    {
        PostingSink sink(c);
        PathCompletion completion(&sink);
        char folder[kOfnPathChars + 1], typed[kOfnPathChars + 1];
        unsigned rounds = 0;
        while (c->running) {
            bool folderNews = false, typedNews = false;
            {
                CompletionLock lock(c);
                if (c->folderChanged) {
                    strcpy(folder, c->folder);
                    c->folderChanged = false;
                    folderNews = true;
                }
                if (c->typedChanged) {
                    strcpy(typed, c->typed);
                    c->typedChanged = false;
                    typedNews = true;
                }
            }
            if (folderNews || typedNews)
                completion.Update(folderNews ? folder : NULL, typedNews ? typed : NULL);
            if (!completion.Step())
                WaitForSingleObject(c->wake, 1000);
            else if ((++rounds & 255) == 0)
                Sleep(10);
        }
    }
    if (g_workerLinger)
        Sleep(g_workerLinger);
    InterlockedDecrement(&g_workers);
    ReleaseCompletion(c);
    return 0;
}

FileDialogEx::FileDialogEx() : CFileDialog(FALSE, NULL, NULL, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, NULL, NULL)
{
}

FileDialogEx::~FileDialogEx()
{
    if (m_hWnd)
        Detach();
}

BOOL FileDialogEx::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    int code = header ? static_cast<int>(header->code) : 0;
    if (m_hWnd && code <= static_cast<int>(CDN_INITDONE) && code >= static_cast<int>(CDN_INCLUDEITEM)) {
        HWND holder = ::GetDlgItem(m_hWnd, OFNX_NAME_ID) ? m_hWnd : ::GetParent(m_hWnd);
        // Sent to the hook dialog itself it would come straight back here.
        if (holder && holder != m_hWnd)
            ::SendMessageA(holder, WM_NOTIFY, wParam, lParam);
    }
    return CFileDialog::OnNotify(wParam, lParam, pResult);
}

int FileDialogExWorkers()
{
    return g_workers;
}

int FileDialogExMostWorkers()
{
    return g_mostWorkers;
}

void SetFileDialogExWorkerLinger(DWORD milliseconds)
{
    g_workerLinger = milliseconds;
}
