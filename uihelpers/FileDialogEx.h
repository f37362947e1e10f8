// The extended open and save dialog. PatchFileDialogImports points the program's import
// entries of GetOpenFileNameA and GetSaveFileNameA at GetOpenFileNameEx and
// GetSaveFileNameEx, so every caller (also CFileDialog) gets the extended dialog without
// knowing: a larger first size, a file-name combo box with a history of folders kept in
// the registry ("OfnList<Ext>"), a popup of the entries that match a typed path (listed by
// a worker thread), "Kopiere aktuellen Pfad" on the frame's context menu, a caption for the
// read-only check box and the open dialog in save mode. The own flag bits are described in
// FileDialogExRules.h.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include "classlib/FileDialog.h"

// Controls of the extended dialog.
enum {
    OFNX_NAME_ID = 1152,          // the file-name field; the combo box takes this id
    OFNX_HIDDEN_NAME_ID = 20949,  // the system's file-name edit, hidden (1152 XOR 0x5555)
    OFNX_READONLY_ID = 1040,      // the read-only check box that takes the caption
    OFNX_POPUP_ID = 1408,         // the suggestion popup
    OFNX_COPY_PATH_ID = 18585     // "Kopiere aktuellen Pfad"
};
// The popup's notification that asks the frame to show it.
const WORD OFNX_SHOW_POPUP = 10;

// Redirects the import entries of the module (NULL: the program) and lets WM_COPYGLOBALDATA,
// WM_COPYDATA and WM_DROPFILES through from processes of lower integrity where the system
// filters them. A module without such imports is left as it is. Returns 1.
int PatchFileDialogImports(const char* moduleName);

// The system's dialogs, extended. On return the record holds the caller's flags again
// (except OFN_READONLY, which the dialog may have changed), hook, filter, custom filter
// and default extension. Records without OFN_EXPLORER get the system's plain dialog.
BOOL WINAPI GetOpenFileNameEx(OPENFILENAMEA* ofn);
BOOL WINAPI GetSaveFileNameEx(OPENFILENAMEA* ofn);

// The hook put into every dialog, and the procedure put on its frame.
UINT_PTR CALLBACK FileDialogExHookProc(HWND hookDialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK FileDialogExHook(HWND frame, UINT message, WPARAM wParam, LPARAM lParam);

// Loads the history into the combo box (appended in order, at most 32 entries) or saves
// its first 16 entries (within 4096 bytes). The number of entries loaded or saved.
int OfnHistoryLoadSave(HWND combo, DWORD keySource, const char* keyText, BOOL save);

// The path-completion worker of one dialog; its argument is the dialog's completion state,
// which it releases when it ends.
DWORD WINAPI PathCompletionThread(LPVOID completion);

// The library's window object on the running dialog's hook dialog: CDN_ notifications are
// also sent to the window that holds the file-name field (the frame), where the extended
// dialog follows folder changes and chosen files. Made on the first dialog, deleted at exit.
class FileDialogEx : public CFileDialog {
public:
    FileDialogEx();
    ~FileDialogEx() override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

// Workers running now, and the most that ever ran at once (tests watch these).
int FileDialogExWorkers();
int FileDialogExMostWorkers();
// Makes a stopping worker linger that long before it ends (0: none), so that tests can see
// that a closing dialog waits for its worker.
void SetFileDialogExWorkerLinger(DWORD milliseconds);
