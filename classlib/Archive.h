// CArchive: the direction of a document's serialisation and the file handle it works on.
// The documents of this program store nothing themselves, so the archive is a thin record:
// it only says whether it stores or loads and lets Serialize read or write raw bytes.
#pragma once
#include <windows.h>

class CDocument;

class CArchive {
public:
    enum Mode { store = 0, load = 1 };

    // The archive does not own the file handle.
    CArchive(HANDLE file, UINT mode) noexcept : m_hFile(file), m_nMode(mode) {}

    BOOL IsStoring() const noexcept { return (m_nMode & load) == 0; }
    BOOL IsLoading() const noexcept { return (m_nMode & load) != 0; }
    HANDLE GetFile() const noexcept { return m_hFile; }

    // Bytes actually transferred (0 without a file or on failure).
    UINT Read(void* buffer, UINT count) noexcept;
    BOOL Write(const void* buffer, UINT count) noexcept;

    CDocument* m_pDocument = nullptr;

private:
    HANDLE m_hFile;
    UINT m_nMode;
};
