// The dialogs of the sector document's navigation, medium and sector range commands, behind
// one object: the windows by default, scripted answers in tests. Text questions and message boxes go
// through the document's DiskDocPrompts like every other question of the document.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "classlib/String.h"

class CDiskDoc;
class CView;
class CChoiceListDialog;
class CDriveSelectDlg;
class CStartOptionsDlg;
class CSectorRangeDlg;
struct ProgressRun;

class DiskNavDialogs {
public:
    virtual ~DiskNavDialogs() {}
    // The modal runs; IDOK or IDCANCEL.
    virtual INT_PTR RunChoiceList(CChoiceListDialog& dlg);
    virtual INT_PTR RunDriveSelect(CDriveSelectDlg& dlg);
    virtual INT_PTR RunStartOptions(CStartOptionsDlg& dlg);
    virtual INT_PTR RunSectorRange(CSectorRangeDlg& dlg);
    // A long operation behind the progress dialog; IDOK, IDCANCEL after a cancel, -1 when
    // the dialog could not be shown (the worker then never ran).
    virtual INT_PTR RunProgress(const ProgressRun& run);
    // The open-file dialog for an image file, starting at *path; true with the chosen file
    // in *path when the user accepted one.
    virtual bool AskImageFile(CString* path);
    // The number the user selected in the document's view; false when there is none (no
    // view, or nothing selected).
    virtual bool SelectedNumber(CDiskDoc& doc, uint64_t* number);
    // Adds a medium's name to the application's recent file list.
    virtual void AddToRecentFiles(const char* name);
};

// The title and the recent-list name of a drive letter ("E :\", "E:\") or a physical drive
// ("Physical_1 :\", "Physical1"); false for any other code.
bool MediumNames(uint32_t code, char* title, int titleSize, char* listName, int listSize);

// How the document reaches the number selected in its view; the application sets it when
// the view class is there. The view is the document's first one; false when it has none
// selected.
typedef bool (*SelectedNumberHook)(CView* view, uint64_t* number);
void SetSelectedNumberHook(SelectedNumberHook hook);

// The filter of the open-file dialog for image files, in the program's "|" form.
extern const char kImageFileFilter[];
