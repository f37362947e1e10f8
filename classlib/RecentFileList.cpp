#include "classlib/RecentFileList.h"
#include "classlib/CmdTarget.h"
#include "classlib/WinApp.h"

#include <cstring>

CRecentFileList::CRecentFileList(UINT nStart, LPCSTR lpszSection, LPCSTR lpszEntryFormat, int nSize,
                                 int nMaxDispLen) noexcept
    : m_nStart(nStart), m_strSectionName(lpszSection), m_strEntryFormat(lpszEntryFormat),
      m_nSize(nSize < 1 ? 1 : (nSize > 16 ? 16 : nSize)), m_nMaxDisplayLength(nMaxDispLen)
{
}

CRecentFileList::~CRecentFileList()
{
}

CString& CRecentFileList::operator[](int nIndex) noexcept
{
    if (nIndex < 0 || nIndex >= m_nSize) {
        m_outOfRange.Empty();
        return m_outOfRange;
    }
    return m_arrNames[nIndex];
}

void CRecentFileList::Add(LPCSTR lpszPathName)
{
    if (!lpszPathName || !*lpszPathName)
        return;
    CString path(lpszPathName);   // the argument may be one of our own entries
    int found = m_nSize - 1;
    for (int i = 0; i < m_nSize; ++i) {
        if (m_arrNames[i].CompareNoCase(path) == 0) {
            found = i;
            break;
        }
    }
    for (int i = found; i > 0; --i)
        m_arrNames[i] = m_arrNames[i - 1];
    m_arrNames[0] = path;
}

void CRecentFileList::Remove(int nIndex)
{
    if (nIndex < 0 || nIndex >= m_nSize)
        return;
    for (int i = nIndex; i < m_nSize - 1; ++i)
        m_arrNames[i] = m_arrNames[i + 1];
    m_arrNames[m_nSize - 1].Empty();
}

static int RootLength(const CString& path)
{
    // "C:\", "\\server\share\", or nothing recognisable.
    int length = path.GetLength();
    if (length >= 2 && path[1] == ':')
        return (length >= 3 && (path[2] == '\\' || path[2] == '/')) ? 3 : 2;
    if (length >= 2 && path[0] == '\\' && path[1] == '\\') {
        int seps = 0;
        for (int i = 2; i < length; ++i) {
            if (path[i] == '\\' || path[i] == '/') {
                if (++seps == 2)
                    return i + 1;
            }
        }
        return length;
    }
    return 0;
}

void AfxAbbreviateName(CString& path, int cchMax, BOOL bAtLeastName)
{
    int length = path.GetLength();
    if (cchMax < 0 || length <= cchMax)
        return;
    int nameStart = 0;
    for (int i = 0; i < length; ++i) {
        if (path[i] == '\\' || path[i] == '/')
            nameStart = i + 1;
    }
    CString name = path.Mid(nameStart);
    int root = RootLength(path);
    if (root > nameStart)
        root = nameStart;
    // root + "..." + "\" + name is the shortest form that still says where the file is.
    if (root + 4 + name.GetLength() > cchMax) {
        path = bAtLeastName ? name : name.Left(cchMax);
        return;
    }
    // Add trailing folders back while they fit.
    int tailStart = nameStart;   // start of the kept tail, just after a separator
    for (;;) {
        int sep = tailStart - 1;   // the separator before the tail
        int prev = sep - 1;
        while (prev >= root && path[prev] != '\\' && path[prev] != '/')
            --prev;
        int candidate = prev + 1;
        if (candidate <= root || root + 4 + (length - candidate) > cchMax)
            break;
        tailStart = candidate;
    }
    path = path.Left(root) + "...\\" + path.Mid(tailStart);
}

BOOL CRecentFileList::GetDisplayName(CString& strName, int nIndex, LPCSTR lpszCurDir, int nCurDir,
                                     BOOL bAtLeastName) const
{
    if (nIndex < 0 || nIndex >= m_nSize || m_arrNames[nIndex].IsEmpty())
        return FALSE;
    strName = m_arrNames[nIndex];
    // A file in the current folder shows by its name alone.
    if (lpszCurDir && nCurDir > 0 && strName.GetLength() > nCurDir &&
        CString(lpszCurDir, nCurDir).CompareNoCase(strName.Left(nCurDir)) == 0) {
        CString rest = strName.Mid(nCurDir);
        if (rest[0] == '\\' || rest[0] == '/')
            rest = rest.Mid(1);
        if (!rest.IsEmpty() && rest.FindOneOf("\\/") < 0)
            strName = rest;
    }
    AfxAbbreviateName(strName, m_nMaxDisplayLength, bAtLeastName);
    return TRUE;
}

void CRecentFileList::UpdateMenu(CCmdUI* pCmdUI)
{
    if (!pCmdUI)
        return;
    HMENU menu = pCmdUI->m_hMenu;
    if (!menu) {
        pCmdUI->Enable(!m_arrNames[0].IsEmpty());
        return;
    }
    if (m_strOriginal.IsEmpty()) {
        char text[256] = "";
        ::GetMenuStringA(menu, pCmdUI->m_nIndex, text, sizeof(text), MF_BYPOSITION);
        m_strOriginal = text;
    }
    if (m_arrNames[0].IsEmpty()) {
        // Entries shown before go; the first one's item turns back into the placeholder.
        for (int i = 1; i < m_nSize; ++i)
            ::DeleteMenu(menu, pCmdUI->m_nID + static_cast<UINT>(i), MF_BYCOMMAND);
        pCmdUI->m_nIndexMax = static_cast<UINT>(::GetMenuItemCount(menu));
        if (!m_strOriginal.IsEmpty())
            pCmdUI->SetText(m_strOriginal);
        pCmdUI->Enable(FALSE);
        return;
    }
    for (int i = 0; i < m_nSize; ++i)
        ::DeleteMenu(menu, pCmdUI->m_nID + static_cast<UINT>(i), MF_BYCOMMAND);

    char curDir[MAX_PATH + 1] = "";
    DWORD curLength = ::GetCurrentDirectoryA(sizeof(curDir), curDir);
    if (curLength >= sizeof(curDir))
        curLength = 0;
    for (int i = 0; i < m_nSize; ++i) {
        CString name;
        if (!GetDisplayName(name, i, curDir, static_cast<int>(curLength)))
            break;
        name.Replace("&", "&&");   // an ampersand of the path is no mnemonic
        CString text;
        if (i < 9)
            text.Format("&%d %s", i + 1, static_cast<LPCSTR>(name));
        else if (i == 9)
            text.Format("1&0 %s", static_cast<LPCSTR>(name));
        else
            text.Format("%d %s", i + 1, static_cast<LPCSTR>(name));
        ::InsertMenuA(menu, pCmdUI->m_nIndex++, MF_STRING | MF_BYPOSITION, pCmdUI->m_nID++, text);
    }
    // The caller's loop goes on after the last inserted item.
    pCmdUI->m_nIndex--;
    pCmdUI->m_nIndexMax = static_cast<UINT>(::GetMenuItemCount(menu));
    pCmdUI->m_bEnableChanged = TRUE;
}

void CRecentFileList::ReadList()
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return;
    for (int i = 0; i < m_nSize; ++i) {
        CString entry;
        entry.Format(m_strEntryFormat, i + 1);
        m_arrNames[i] = app->GetProfileString(m_strSectionName, entry, "");
    }
}

void CRecentFileList::WriteList()
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return;
    for (int i = 0; i < m_nSize; ++i) {
        CString entry;
        entry.Format(m_strEntryFormat, i + 1);
        // An emptied entry is deleted, so an old file does not come back at the next start.
        app->WriteProfileString(m_strSectionName, entry,
                                m_arrNames[i].IsEmpty() ? nullptr : static_cast<LPCSTR>(m_arrNames[i]));
    }
}
