#include "classlib/FileDialog.h"
#include "classlib/WinApp.h"
#include <cstring>

namespace {

// Length of the text at p, not reading at or beyond end.
int BoundedLength(const char* p, const char* end, char stop)
{
    const char* q = p;
    while (q < end && *q && *q != stop) ++q;
    return static_cast<int>(q - p);
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Index just after the last path separator (or drive colon), 0 when there is none.
int NameStart(const CString& path)
{
    for (int i = path.GetLength() - 1; i >= 0; --i) {
        char c = path[i];
        if (IsSeparator(c) || c == ':') return i + 1;
    }
    return 0;
}

// A name in a multiple selection may itself be a full path.
bool IsAbsolutePath(const CString& name)
{
    return (name.GetLength() >= 1 && IsSeparator(name[0])) || (name.GetLength() >= 2 && name[1] == ':');
}

CString JoinPath(const CString& folder, const CString& name)
{
    if (folder.IsEmpty() || IsAbsolutePath(name)) return name;
    CString path = folder;
    if (!IsSeparator(folder[folder.GetLength() - 1])) path += '\\';
    path += name;
    return path;
}

}  // namespace

IMPLEMENT_DYNAMIC(CFileDialog, CDialog)

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt, LPCSTR lpszFileName, DWORD dwFlags,
                         LPCSTR lpszFilter, CWnd* pParentWnd) noexcept
    : m_bOpenFileDialog(bOpenFileDialog), m_pszFilter(NULL), m_pszFile(NULL)
{
    m_pParentWnd = pParentWnd;
    ZeroMemory(&m_ofn, sizeof m_ofn);
    ZeroMemory(m_szFileSmall, sizeof m_szFileSmall);
    ZeroMemory(m_szFileTitle, sizeof m_szFileTitle);

    // Two spare NULs after the buffer keep every scan of a multiple selection terminated.
    DWORD fileSize = kFileBufferSize;
    m_pszFile = static_cast<LPSTR>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, kFileBufferSize + 2));
    LPSTR fileBuffer = m_pszFile;
    if (!fileBuffer) {
        fileBuffer = m_szFileSmall;
        fileSize = MAX_PATH;
    }
    if (lpszFileName) lstrcpynA(fileBuffer, lpszFileName, static_cast<int>(fileSize));

    if (lpszDefExt && *lpszDefExt) m_strDefExt = lpszDefExt;
    if (lpszFilter && *lpszFilter) {
        int need = ConvertFilter(lpszFilter, NULL, 0);
        m_pszFilter = static_cast<LPSTR>(HeapAlloc(GetProcessHeap(), 0, static_cast<SIZE_T>(need)));
        if (m_pszFilter) ConvertFilter(lpszFilter, m_pszFilter, need);
    }

    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.hInstance = AfxGetResourceHandle();
    m_ofn.lpstrFilter = m_pszFilter;
    m_ofn.nFilterIndex = m_pszFilter ? 1 : 0;
    m_ofn.lpstrFile = fileBuffer;
    m_ofn.nMaxFile = fileSize;
    m_ofn.lpstrFileTitle = m_szFileTitle;
    m_ofn.nMaxFileTitle = sizeof m_szFileTitle;
    m_ofn.lpstrDefExt = m_strDefExt.IsEmpty() ? NULL : static_cast<LPCSTR>(m_strDefExt);
    m_ofn.Flags = dwFlags | OFN_EXPLORER;
}

CFileDialog::~CFileDialog()
{
    if (m_pszFilter) HeapFree(GetProcessHeap(), 0, m_pszFilter);
    if (m_pszFile) HeapFree(GetProcessHeap(), 0, m_pszFile);
}

int CFileDialog::ConvertFilter(LPCSTR lpszFilter, LPSTR lpszOut, int nOutSize) noexcept
{
    int len = lpszFilter ? static_cast<int>(strlen(lpszFilter)) : 0;
    int need = len + 2;
    if (!lpszOut || nOutSize < need) return need;
    for (int i = 0; i < len; ++i) lpszOut[i] = lpszFilter[i] == '|' ? '\0' : lpszFilter[i];
    lpszOut[len] = '\0';
    lpszOut[len + 1] = '\0';
    return need;
}

INT_PTR CFileDialog::DoModal()
{
    if (!m_ofn.hwndOwner) m_ofn.hwndOwner = OwnerWindow();
    if (m_ofn.lpstrFile && m_ofn.nMaxFile) m_ofn.lpstrFile[m_ofn.nMaxFile - 1] = '\0';
    // Plain calls of the imported functions: they go through the import address table.
    BOOL ok = m_bOpenFileDialog ? ::GetOpenFileNameA(&m_ofn) : ::GetSaveFileNameA(&m_ofn);
    if (m_ofn.lpstrFile && m_ofn.nMaxFile) m_ofn.lpstrFile[m_ofn.nMaxFile - 1] = '\0';
    return ok ? IDOK : IDCANCEL;
}

BOOL CFileDialog::QueryRunningDialog(UINT message, CString& text) const
{
    if (!m_hWnd || !::IsWindow(m_hWnd)) return FALSE;
    // The object sits on the hook's child dialog; the CDM_ messages go to the frame above.
    HWND hFrame = ::GetParent(m_hWnd);
    if (!hFrame) return FALSE;
    int need = static_cast<int>(::SendMessageA(hFrame, message, 0, 0));
    if (need <= 0) return FALSE;
    LPSTR p = text.GetBuffer(need);
    if (!p) return FALSE;
    int got = static_cast<int>(::SendMessageA(hFrame, message, static_cast<WPARAM>(need + 1), reinterpret_cast<LPARAM>(p)));
    p[need] = 0;
    text.ReleaseBuffer(got > 0 ? -1 : 0);
    return got > 0;
}

POSITION CFileDialog::GetStartPosition() const noexcept
{
    if (!m_ofn.lpstrFile || m_ofn.nMaxFile == 0 || m_ofn.lpstrFile[0] == '\0') return NULL;
    return reinterpret_cast<POSITION>(m_ofn.lpstrFile);
}

CString CFileDialog::GetNextPathName(POSITION& pos) const
{
    const char* buf = m_ofn.lpstrFile;
    if (!buf || m_ofn.nMaxFile == 0 || !pos) {
        pos = NULL;
        return CString();
    }
    const char* end = buf + m_ofn.nMaxFile;
    const char* p = reinterpret_cast<const char*>(pos);
    if (p < buf || p >= end) {
        pos = NULL;
        return CString();
    }
    // Explorer style: "folder\0name\0name\0\0", or "path\0\0" for one file. The old style
    // separates with blanks: "folder name name\0".
    const bool explorer = (m_ofn.Flags & OFN_EXPLORER) != 0;
    const char sep = explorer ? '\0' : ' ';
    int folderLen = BoundedLength(buf, end, sep);
    const char* afterFolder = buf + folderLen + 1;
    // One file: the explorer style says so by the character before the name (a separator,
    // not the NUL after the folder); the buffer behind a single path may hold old bytes.
    bool single;
    if (explorer) {
        DWORD off = m_ofn.nFileOffset;
        single = off == 0 || off > m_ofn.nMaxFile || buf[off - 1] != '\0' ||
                 afterFolder >= end || *afterFolder == '\0';
    } else {
        single = buf[folderLen] == '\0' || afterFolder >= end;
    }
    if (single) {
        pos = NULL;
        return CString(buf, folderLen);
    }
    if (p == buf) p = afterFolder;   // the first call starts at the folder
    int nameLen = BoundedLength(p, end, sep);
    CString name(p, nameLen);
    const char* next = p + nameLen;
    if (next < end && *next == ' ') {
        while (next < end && *next == ' ') ++next;   // old style: blanks between names
    } else if (explorer && next < end) {
        ++next;                                       // past the NUL after the name
    } else {
        next = end;                                   // old style: the NUL ends the list
    }
    pos = (next < end && *next != '\0') ? reinterpret_cast<POSITION>(const_cast<char*>(next)) : NULL;
    return JoinPath(CString(buf, folderLen), name);
}

CString CFileDialog::GetPathName() const
{
    CString running;
    if (QueryRunningDialog(CDM_GETFILEPATH, running)) return running;
    POSITION pos = GetStartPosition();
    return pos ? GetNextPathName(pos) : CString();
}

CString CFileDialog::GetFileName() const
{
    CString path = GetPathName();
    return path.Mid(NameStart(path));
}

CString CFileDialog::GetFileExt() const
{
    CString name = GetFileName();
    int dot = name.ReverseFind('.');
    return dot < 0 ? CString() : name.Mid(dot + 1);
}

CString CFileDialog::GetFileTitle() const
{
    CString name = GetFileName();
    int dot = name.ReverseFind('.');
    return dot < 0 ? name : name.Left(dot);
}

CString CFileDialog::GetFolderPath() const
{
    CString running;
    if (QueryRunningDialog(CDM_GETFOLDERPATH, running)) return running;
    CString path = GetPathName();
    int start = NameStart(path);
    if (start == 0) return CString();
    CString folder = path.Left(start);
    // "C:\" stays the root; "C:\dir\" loses its separator.
    if (folder.GetLength() > 1 && IsSeparator(folder[folder.GetLength() - 1]) &&
        !(folder.GetLength() == 3 && folder[1] == ':'))
        folder = folder.Left(folder.GetLength() - 1);
    return folder;
}
