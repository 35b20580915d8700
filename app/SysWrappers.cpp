#include "app/SysWrappers.h"

#include <cstdint>
#include <cstring>

#include "app/Log.h"

namespace {
// Module paths never exceed the 32767 characters of a system string; a buffer of
// that size plus the zero always holds the whole path.
constexpr DWORD kMaxModulePathChars = 32768;
constexpr DWORD kFirstModulePathChars = MAX_PATH + 1;
constexpr DWORD kModulePathGrowth = 64;

bool IsStringType(DWORD nType)
{
    return nType == REG_SZ || nType == REG_EXPAND_SZ || nType == REG_MULTI_SZ;
}
}  // namespace

void* XAlloc(size_t nBytes)
{
    void* p = LocalAlloc(LMEM_FIXED, nBytes);
    if (!p) {
        XReplaceLastError(0, ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    SetLastError(0);
    return p;
}

wchar_t* XAllocChars(size_t nChars)
{
    if (nChars > SIZE_MAX / sizeof(wchar_t)) {
        SetLastError(ERROR_ARITHMETIC_OVERFLOW);
        return nullptr;
    }
    return static_cast<wchar_t*>(XAlloc(nChars * sizeof(wchar_t)));
}

wchar_t* XStrDup(const wchar_t* pszText)
{
    if (!pszText) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const size_t nChars = wcslen(pszText) + 1;
    wchar_t* pCopy = XAllocChars(nChars);
    if (pCopy)
        memcpy(pCopy, pszText, nChars * sizeof(wchar_t));
    return pCopy;
}

bool XFree(void* pBuffer)
{
    if (pBuffer && LocalFree(pBuffer)) {
        XReplaceLastError(0, E_FAIL);
        return false;
    }
    SetLastError(0);
    return true;
}

void XRelease(void* pBuffer)
{
    const DWORD nSaved = GetLastError();
    if (!XFree(pBuffer))
        XLog(L"XRelease, XFree: 0x%x.\n", XLastError());
    SetLastError(nSaved);
}

void XCloseHandle(HANDLE hHandle)
{
    const DWORD nSaved = GetLastError();
    if (!CloseHandle(hHandle))
        XLog(L"XCloseHandle, CloseHandle: 0x%x.\n", XLastError());
    SetLastError(nSaved);
}

void XFindClose(HANDLE hFind)
{
    const DWORD nSaved = GetLastError();
    if (!FindClose(hFind))
        XLog(L"XFindClose, CloseHandle: 0x%x.\n", XLastError());
    SetLastError(nSaved);
}

void XRegCloseKey(HKEY hKey)
{
    const DWORD nSaved = GetLastError();
    // RegCloseKey returns its code instead of setting it; the log shows that code.
    const LSTATUS nResult = RegCloseKey(hKey);
    if (nResult != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(nResult));
        XLog(L"XRegCloseKey, RegCloseKey: 0x%x.\n", XLastError());
    }
    SetLastError(nSaved);
}

void XDestroyIcon(HICON hIcon)
{
    const DWORD nSaved = GetLastError();
    if (!DestroyIcon(hIcon))
        XLog(L"XDestroyIcon, DestroyIcon: 0x%x.\n", XLastError());
    SetLastError(nSaved);
}

void XDeleteObject(HGDIOBJ hObject)
{
    const DWORD nSaved = GetLastError();
    if (!DeleteObject(hObject))
        XLog(L"XDeleteObject, DeleteObject: 0x%x.\n", XLastError());
    SetLastError(nSaved);
}

void XFreeSid(PSID pSid)
{
    const DWORD nSaved = GetLastError();
    // FreeSid gives back null on success and the SID itself on failure.
    if (FreeSid(pSid) != nullptr)
        XLog(L"XFreeSid, FreeSid: 0x%x.\n", XLastError());
    SetLastError(nSaved);
}

DWORD XLastError()
{
    const DWORD nError = GetLastError();
    return nError ? nError : static_cast<DWORD>(E_FAIL);
}

void XReplaceLastError(DWORD nFrom, DWORD nTo)
{
    if (GetLastError() == nFrom)
        SetLastError(nTo);
}

wchar_t* XGetWindowText(HWND hWnd)
{
    SetLastError(0);
    const int nLength = GetWindowTextLengthW(hWnd);
    if (nLength < 0 || (nLength == 0 && GetLastError() != 0))
        return nullptr;
    const int nLimit = nLength + 1;
    wchar_t* pText = XAllocChars(static_cast<size_t>(nLimit));
    if (!pText)
        return nullptr;
    pText[0] = L'\0';
    SetLastError(0);
    const int nRead = GetWindowTextW(hWnd, pText, nLimit);
    if (nRead > 0 || (nRead == 0 && GetLastError() == 0)) {
        SetLastError(0);
        return pText;
    }
    XRelease(pText);
    return nullptr;
}

bool XEnableDlgItem(HWND hDlg, int nId, bool bEnable)
{
    SetLastError(0);
    HWND hItem = GetDlgItem(hDlg, nId);
    if (!hItem) {
        XReplaceLastError(0, ERROR_CONTROL_ID_NOT_FOUND);
        return false;
    }
    // The result is the previous state, not a success flag.
    EnableWindow(hItem, bEnable ? TRUE : FALSE);
    SetLastError(0);
    return true;
}

wchar_t* XGetModuleFileName(HMODULE hModule)
{
    for (DWORD nSize = kFirstModulePathChars;; nSize += kModulePathGrowth) {
        wchar_t* pWork = XAllocChars(nSize);
        if (!pWork)
            return nullptr;
        const DWORD nLength = GetModuleFileNameW(hModule, pWork, nSize);
        if (nLength == 0) {
            XReplaceLastError(0, E_FAIL);
            XRelease(pWork);
            return nullptr;
        }
        if (nLength < nSize) {
            // The work buffer is oversized by up to 64 characters; hand out a tight copy.
            wchar_t* pPath = XStrDup(pWork);
            XRelease(pWork);
            if (pPath)
                SetLastError(0);
            return pPath;
        }
        XRelease(pWork);
        if (nSize >= kMaxModulePathChars) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return nullptr;
        }
    }
}

void* XGetFileVersionInfo(const wchar_t* pszPath, DWORD* pSize)
{
    wchar_t* pOwnPath = nullptr;
    if (!pszPath) {
        pOwnPath = XGetModuleFileName(nullptr);
        if (!pOwnPath)
            return nullptr;
        pszPath = pOwnPath;
    }

    void* pBlock = nullptr;
    DWORD nHandle = 0;
    const DWORD nSize = GetFileVersionInfoSizeW(pszPath, &nHandle);
    if (nSize == 0) {
        XReplaceLastError(0, E_FAIL);
    } else {
        pBlock = XAlloc(nSize);
        if (pBlock && !GetFileVersionInfoW(pszPath, 0, nSize, pBlock)) {
            XReplaceLastError(0, E_FAIL);
            XRelease(pBlock);
            pBlock = nullptr;
        }
    }
    XRelease(pOwnPath);

    if (pBlock) {
        if (pSize)
            *pSize = nSize;
        SetLastError(0);
    }
    return pBlock;
}

bool XGetFileVersion(const wchar_t* pszPath, VS_FIXEDFILEINFO* pInfo)
{
    if (!pInfo) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    void* pBlock = XGetFileVersionInfo(pszPath, nullptr);
    if (!pBlock)
        return false;

    void* pRoot = nullptr;
    UINT nRootSize = 0;
    if (!VerQueryValueW(pBlock, L"\\", &pRoot, &nRootSize) || !pRoot || nRootSize < sizeof(VS_FIXEDFILEINFO)) {
        XRelease(pBlock);
        SetLastError(ERROR_NOT_FOUND);
        return false;
    }
    memcpy(pInfo, pRoot, sizeof(VS_FIXEDFILEINFO));
    XRelease(pBlock);
    SetLastError(0);
    return true;
}

DWORD XRegQueryValue(HKEY hKey, const wchar_t* pszName, void** ppData, DWORD* pType, DWORD* pSize)
{
    if (!ppData)
        return ERROR_INVALID_PARAMETER;
    *ppData = nullptr;

    DWORD nType = REG_NONE;
    DWORD nSize = 0;
    LSTATUS nResult = RegQueryValueExW(hKey, pszName, nullptr, &nType, nullptr, &nSize);
    if (nResult != ERROR_SUCCESS)
        return static_cast<DWORD>(nResult);

    // String data gets a UTF-16 zero after it, so a value stored without terminator
    // still ends in one. An odd byte count is padded first to keep the zero aligned.
    size_t nAlloc = nSize;
    if (IsStringType(nType))
        nAlloc = static_cast<size_t>(nSize) + (nSize & 1) + sizeof(wchar_t);
    BYTE* pData = static_cast<BYTE*>(XAlloc(nAlloc));
    if (!pData)
        return XLastError();
    if (nAlloc > nSize)
        memset(pData + nSize, 0, nAlloc - nSize);

    DWORD nType2 = REG_NONE;
    DWORD nSize2 = nSize;
    nResult = RegQueryValueExW(hKey, pszName, nullptr, &nType2, pData, &nSize2);
    if (nSize2 != nSize)
        XLog(L"RegQueryValueEx: suspicious state.");
    if (nResult != ERROR_SUCCESS) {
        XRelease(pData);
        return static_cast<DWORD>(nResult);
    }

    *ppData = pData;
    if (pType)
        *pType = nType2;
    if (pSize)
        *pSize = nSize2;
    return ERROR_SUCCESS;
}

DWORD XRegQueryString(HKEY hKey, const wchar_t* pszName, wchar_t** ppText, bool bExpand)
{
    if (!ppText)
        return ERROR_INVALID_PARAMETER;
    *ppText = nullptr;

    void* pData = nullptr;
    DWORD nType = REG_NONE;
    const DWORD nResult = XRegQueryValue(hKey, pszName, &pData, &nType, nullptr);
    if (nResult != ERROR_SUCCESS)
        return nResult;

    wchar_t* pStored = static_cast<wchar_t*>(pData);
    if (nType == REG_SZ || (nType == REG_EXPAND_SZ && !bExpand)) {
        *ppText = pStored;
        return ERROR_SUCCESS;
    }
    if (nType == REG_EXPAND_SZ) {
        wchar_t* pExpanded = XExpandEnvironmentStrings(pStored);
        if (!pExpanded) {
            const DWORD nError = XLastError();
            XRelease(pStored);
            return nError;
        }
        XRelease(pStored);
        *ppText = pExpanded;
        return ERROR_SUCCESS;
    }
    XRelease(pStored);
    return ERROR_INVALID_DATA;
}

wchar_t* XRegGetString(HKEY hKey, const wchar_t* pszName, bool bExpand)
{
    wchar_t* pText = nullptr;
    const DWORD nResult = XRegQueryString(hKey, pszName, &pText, bExpand);
    SetLastError(nResult);
    return nResult == ERROR_SUCCESS ? pText : nullptr;
}

wchar_t* XRegReadString(HKEY hRoot, const wchar_t* pszSubKey, const wchar_t* pszName, bool bExpand)
{
    HKEY hKey = nullptr;
    const LSTATUS nResult = RegOpenKeyExW(hRoot, pszSubKey, 0, KEY_READ, &hKey);
    if (nResult != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(nResult));
        return nullptr;
    }
    wchar_t* pText = XRegGetString(hKey, pszName, bExpand);
    XRegCloseKey(hKey);
    if (pText)
        SetLastError(0);
    return pText;
}

wchar_t* XExpandEnvironmentStrings(const wchar_t* pszText)
{
    if (!pszText) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    wchar_t szProbe[1];
    const DWORD nChars = ExpandEnvironmentStringsW(pszText, szProbe, 1);
    if (nChars == 0) {
        XReplaceLastError(0, E_FAIL);
        return nullptr;
    }
    wchar_t* pExpanded = XAllocChars(nChars);
    if (!pExpanded)
        return nullptr;
    const DWORD nWritten = ExpandEnvironmentStringsW(pszText, pExpanded, nChars);
    if (nWritten == 0 || nWritten > nChars) {
        // A larger count means the environment changed between the two calls.
        if (nWritten > nChars)
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
        XReplaceLastError(0, E_FAIL);
        XRelease(pExpanded);
        return nullptr;
    }
    SetLastError(0);
    return pExpanded;
}

bool IsFileExisting(const wchar_t* pszPath)
{
    if (!pszPath) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW(pszPath, &data);
    if (hFind != INVALID_HANDLE_VALUE) {
        XFindClose(hFind);
        SetLastError(0);
        return true;
    }
    // A file or path that is simply absent is an answer, not an error.
    const DWORD nError = GetLastError();
    if (nError == 0)
        SetLastError(static_cast<DWORD>(E_FAIL));
    else if (nError == ERROR_FILE_NOT_FOUND || nError == ERROR_PATH_NOT_FOUND)
        SetLastError(0);
    return false;
}
