// The list of recently used files: kept in the application's profile (a section with
// values made from an entry format such as "File%d", numbered from 1) and shown in the
// file menu from the command id of its first entry on.
#pragma once
#include <windows.h>
#include "classlib/String.h"

class CCmdUI;

class CRecentFileList {
public:
    // nSize entries (at least 1, at most 16); menu texts cut to nMaxDispLen characters.
    CRecentFileList(UINT nStart, LPCSTR lpszSection, LPCSTR lpszEntryFormat, int nSize,
                    int nMaxDispLen = 30) noexcept;
    virtual ~CRecentFileList();

    int GetSize() const noexcept { return m_nSize; }
    // An index outside the list gives an empty string that belongs to nobody.
    CString& operator[](int nIndex) noexcept;

    // Puts the path first (moving it up when it is already in the list, compared without
    // regard to case); the last entry falls out. Null or empty paths are ignored.
    virtual void Add(LPCSTR lpszPathName);
    virtual void Remove(int nIndex);
    // The text of entry nIndex for the menu: the bare name for a file in lpszCurDir, the
    // path cut in the middle ("C:\...\dir\file") when longer than the display length.
    virtual BOOL GetDisplayName(CString& strName, int nIndex, LPCSTR lpszCurDir, int nCurDir,
                                BOOL bAtLeastName = TRUE) const;
    // Replaces the menu item of the first entry (pCmdUI) by one item per entry, numbered
    // "&1 ..." to "1&0 ..."; without entries the item keeps its original text, disabled.
    virtual void UpdateMenu(CCmdUI* pCmdUI);
    virtual void ReadList();
    virtual void WriteList();

    UINT m_nStart;
    CString m_strSectionName;
    CString m_strEntryFormat;
    int m_nSize;
    int m_nMaxDisplayLength;
    CString m_strOriginal;   // the menu text shown while the list is empty

protected:
    CString m_arrNames[16];
    CString m_outOfRange;
};

// Shortens a path in place to at most cchMax characters by replacing middle folders with
// "..."; with bAtLeastName the file name stays whole even when that is still too long.
void AfxAbbreviateName(CString& path, int cchMax, BOOL bAtLeastName);
