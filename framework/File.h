// A file on disk, written through its handle. Failures raise CFileException; the handle
// is owned, so a file is closed as an exception passes.
#pragma once
#include <windows.h>

#include <string>

#include "app/SysWrappers.h"

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareExclusive = 0x0010,
        modeCreate = 0x1000,
        typeBinary = 0x8000,
    };

    CFile() = default;
    // modeCreate: created anew, an existing file of that name cut to zero; otherwise the
    // file must exist. Not shared while open. Throws CFileException.
    CFile(const wchar_t* pszFileName, UINT nOpenFlags);
    // Closes the file without reporting a failure.
    ~CFile() = default;
    CFile(CFile&&) = default;
    CFile& operator=(CFile&&) = default;

    // Writes all nCount bytes; throws CFileException.
    void Write(const void* pBuffer, UINT nCount);
    // Closes the file; throws CFileException when the system reports a failure (the
    // handle is gone either way). Nothing happens if no file is open.
    void Close();
    // Deletes a file by name; false with the system's last error when it cannot.
    static bool Remove(const wchar_t* pszFileName);

private:
    XHandle m_hFile;
    std::wstring m_strFileName;
};
