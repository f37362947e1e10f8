// CFileDialog: the system's open and save dialog (comdlg32) with the OPENFILENAME record
// filled from the constructor's arguments. DoModal calls GetOpenFileNameA/GetSaveFileNameA
// as ordinary imported functions, that is through the program's import address table, so
// code that rewrites those entries (the program's extended file dialog) takes over every
// file dialog of the program without this class knowing.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include "classlib/Dialog.h"

class CFileDialog : public CDialog {
    DECLARE_DYNAMIC(CFileDialog)
public:
    // lpszFilter: pairs of description and pattern separated by "|", ending with "||", e.g.
    // "Abbilder (*.img)|*.img|Alle Dateien (*.*)|*.*||". OFN_EXPLORER is always added.
    CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt = NULL, LPCSTR lpszFileName = NULL,
                DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR lpszFilter = NULL,
                CWnd* pParentWnd = NULL) noexcept;
    ~CFileDialog() override;

    // The record handed to the system; callers may adjust it before DoModal.
    OPENFILENAMEA m_ofn;

    // IDOK when the user chose a file, IDCANCEL otherwise (also when the system's dialog
    // failed: CommDlgExtendedError tells why).
    INT_PTR DoModal() override;

    // The chosen file (the first one of a multiple selection), its name, the extension
    // without the point, the name without the extension, and its folder. While the dialog
    // is shown (a hook attached this object to it) they ask the dialog instead.
    CString GetPathName() const;
    CString GetFileName() const;
    CString GetFileExt() const;
    CString GetFileTitle() const;
    CString GetFolderPath() const;
    BOOL GetReadOnlyPref() const noexcept { return (m_ofn.Flags & OFN_READONLY) != 0; }

    // The files of a multiple selection (OFN_ALLOWMULTISELECT), as full paths:
    //     for (POSITION pos = dlg.GetStartPosition(); pos; ) path = dlg.GetNextPathName(pos);
    POSITION GetStartPosition() const noexcept;
    CString GetNextPathName(POSITION& pos) const;

    // The filter in the system's form: every "|" becomes a NUL and two NULs end the list.
    // Returns the bytes needed (the text's length + 2); writes only when nOutSize is enough.
    static int ConvertFilter(LPCSTR lpszFilter, LPSTR lpszOut, int nOutSize) noexcept;

    // Size of the file name buffer: room for a large multiple selection.
    static constexpr DWORD kFileBufferSize = 0x8000;

protected:
    // A text of the running dialog (CDM_GETFILEPATH, CDM_GETFOLDERPATH); FALSE when no
    // dialog is shown.
    BOOL QueryRunningDialog(UINT message, CString& text) const;

    BOOL m_bOpenFileDialog;
    CString m_strDefExt;
    LPSTR m_pszFilter;                 // converted filter (heap), or NULL
    LPSTR m_pszFile;                   // file name buffer (heap), kFileBufferSize + 2 bytes
    char m_szFileSmall[MAX_PATH + 2];  // used when the heap refused the large buffer
    char m_szFileTitle[64];
};
