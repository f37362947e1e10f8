// CSectorRangeDlg: a file name, a first sector and a sector count for "Sektoren speichern" and
// "Sektoren laden" (form 0, "Bereich", with a browse button), or a range alone for the
// search in sectors (form 1, "Bereich wählen"). On OK it confirms overwriting an existing
// file when saving, refuses a missing file when loading, and evaluates the two numbers.
#pragma once
#include <windows.h>
#include <stdint.h>
#include "classlib/Dialog.h"
#include "classlib/String.h"

// The refusal of a dump name that is a drive, disk or other device ("%s" the name).
extern const char kDumpNotAFile[];

class CSectorRangeDlg : public CDialog {
public:
    enum {
        IDD_FILE_FORM = 188,
        IDD_RANGE_FORM = 189,
        IDC_RANGE_BROWSE = 1019,
        IDC_RANGE_FILE = 1041,
        IDC_RANGE_FIRST = 1042,
        IDC_RANGE_COUNT = 1043,
        IDC_RANGE_HINT = 1089,
        IDC_RANGE_INFO = 1092,
    };
    enum { FORM_FILE = 0, FORM_RANGE = 1 };

    explicit CSectorRangeDlg(CWnd* pParent = NULL);
    ~CSectorRangeDlg() override;

    CString m_strFileName;
    CString m_strFirstSector;
    CString m_strCount;
    CString m_strInfo;          // static 1092
    int m_bSave = 0;            // 1 "Sektoren speichern", 0 "Sektoren laden"
    uint64_t m_nFirstSector = 0;
    uint32_t m_nCount = 0;
    int m_nForm = FORM_FILE;    // set before DoModal
    CString m_strHint;          // static 1089
    // After OK: both texts were whole expressions and neither was negative. "2O48" is no
    // sector 2 and an empty count no 0: the caller refuses the range instead.
    bool m_bValid = false;

    INT_PTR DoModal() override;
    // The two texts into first sector, count and the valid flag (what OK does last).
    void EvaluateRange();

    BOOL OnInitDialog() override;
    void OnOK() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The questions of OK (the dialog's message box).
    virtual int Ask(const char* text, const char* caption, UINT type);
    // The open or save dialog of the browse button; true with the chosen path.
    virtual bool BrowseForFile(CString* path);

private:
    HBITMAP m_browseImage = NULL;
};
