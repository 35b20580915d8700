// Thin wrappers around the system calls of the application shell, with one contract:
// - a returned buffer is new, fixed (LocalAlloc LMEM_FIXED) and the caller's, given back
//   with XRelease;
// - a function that can fail leaves a meaningful last-error value: 0 after success, the
//   reason after failure (E_FAIL where the system left no code);
// - release functions keep the caller's last-error value and report their own failure
//   only to the diagnostic log.
#pragma once
#include <windows.h>

#include <cstddef>
#include <type_traits>
#include <utility>

// New buffer of nBytes, last error 0; null on failure.
void* XAlloc(size_t nBytes);
// XAlloc of nChars UTF-16 units.
wchar_t* XAllocChars(size_t nChars);
// New copy of pszText, last error 0; null text: null and ERROR_INVALID_PARAMETER.
wchar_t* XStrDup(const wchar_t* pszText);

// True and last error 0 if freed or null; false with the system's error otherwise.
bool XFree(void* pBuffer);
// Release functions: keep the last-error value, log a failure.
void XRelease(void* pBuffer);
void XCloseHandle(HANDLE hHandle);
void XFindClose(HANDLE hFind);
void XRegCloseKey(HKEY hKey);
void XDestroyIcon(HICON hIcon);
void XDeleteObject(HGDIOBJ hObject);
void XFreeSid(PSID pSid);

// The last-error value, E_FAIL when it is 0; never 0.
DWORD XLastError();
// Sets the last-error value to nTo if it equals nFrom.
void XReplaceLastError(DWORD nFrom, DWORD nTo);

// New copy of the window's text ("" for an empty one), last error 0; null on failure.
wchar_t* XGetWindowText(HWND hWnd);
// Enables or disables a dialog's control: true and last error 0; false if there is no such control.
bool XEnableDlgItem(HWND hDlg, int nId, bool bEnable);

// New copy of the module's full path (null module: the executable), last error 0; null on failure.
wchar_t* XGetModuleFileName(HMODULE hModule);
// New buffer with the whole version-information block of the file (null path: the
// executable) and its size in *pSize (may be null), last error 0; null on failure.
void* XGetFileVersionInfo(const wchar_t* pszPath, DWORD* pSize);
// Copies the fixed version record of the file (null path: the executable): true and last
// error 0; false on failure (ERROR_INVALID_PARAMETER for a null record, ERROR_NOT_FOUND if
// the block has none).
bool XGetFileVersion(const wchar_t* pszPath, VS_FIXEDFILEINFO* pInfo);

// Reads a registry value into a new buffer; returns the error code (0 on success). String
// types always end in a UTF-16 zero, even when stored without one. pType and pSize
// (the data's byte size) may be null. On failure *ppData is null.
DWORD XRegQueryValue(HKEY hKey, const wchar_t* pszName, void** ppData, DWORD* pType, DWORD* pSize);
// Reads a REG_SZ or REG_EXPAND_SZ value (expanded if bExpand) into a new text; returns the
// error code (ERROR_INVALID_DATA for any other type). On failure *ppText is null.
DWORD XRegQueryString(HKEY hKey, const wchar_t* pszName, wchar_t** ppText, bool bExpand);
// XRegQueryString with its code as the last-error value; the text or null.
wchar_t* XRegGetString(HKEY hKey, const wchar_t* pszName, bool bExpand);
// Opens hRoot\pszSubKey for reading and reads a string value: the text and last error 0,
// or null and the reason.
wchar_t* XRegReadString(HKEY hRoot, const wchar_t* pszSubKey, const wchar_t* pszName, bool bExpand);

// New text with every %NAME% replaced by its environment value, last error 0; null on failure.
wchar_t* XExpandEnvironmentStrings(const wchar_t* pszText);

// True if a file or directory of that name exists. False leaves last error 0 when the file
// or its path is simply absent, the reason otherwise.
bool IsFileExisting(const wchar_t* pszPath);

// Owns one buffer of the wrappers and gives it back with XRelease. Move-only.
template <typename T>
class XBuffer {
public:
    XBuffer() = default;
    explicit XBuffer(T* p) : m_p(p) {}
    XBuffer(XBuffer&& other) noexcept : m_p(other.Detach()) {}
    XBuffer& operator=(XBuffer&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }
    XBuffer(const XBuffer&) = delete;
    XBuffer& operator=(const XBuffer&) = delete;
    ~XBuffer() { XRelease(m_p); }

    T* Get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // Hands the buffer back to the caller, who then owns it.
    T* Detach() { return std::exchange(m_p, nullptr); }
    void Reset(T* p = nullptr) { XRelease(std::exchange(m_p, p)); }
    // For out parameters: releases the current buffer and exposes the slot.
    T** Put()
    {
        Reset();
        return &m_p;
    }

private:
    T* m_p = nullptr;
};

// Owns one handle and gives it back through its release wrapper above, which keeps the
// last-error value and logs a failure. Move-only. kNone is the handle of nothing (a socket's
// is INVALID_SOCKET); a HANDLE also counts as none when it is INVALID_HANDLE_VALUE (what
// CreateFileW gives on failure).
template <typename THandle, auto pfnRelease, THandle kNone = THandle()>
class XOwned {
public:
    XOwned() = default;
    explicit XOwned(THandle h) : m_h(h) {}
    XOwned(XOwned&& other) noexcept : m_h(other.Detach()) {}
    XOwned& operator=(XOwned&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }
    XOwned(const XOwned&) = delete;
    XOwned& operator=(const XOwned&) = delete;
    ~XOwned() { Reset(); }

    THandle Get() const { return m_h; }
    bool IsValid() const { return !IsNone(m_h); }
    explicit operator bool() const { return IsValid(); }
    // Hands the handle back to the caller, who then owns it.
    THandle Detach() { return std::exchange(m_h, kNone); }
    void Reset(THandle h = kNone)
    {
        const THandle hOld = std::exchange(m_h, h);
        if (!IsNone(hOld))
            pfnRelease(hOld);
    }
    // For out parameters: releases the current handle and exposes the slot.
    THandle* Put()
    {
        Reset();
        return &m_h;
    }

private:
    static bool IsNone(THandle h)
    {
        if constexpr (std::is_same_v<THandle, HANDLE>)
            return h == kNone || h == INVALID_HANDLE_VALUE;
        else
            return h == kNone;
    }

    THandle m_h = kNone;
};

using XHandle = XOwned<HANDLE, &XCloseHandle>;
using XRegKey = XOwned<HKEY, &XRegCloseKey>;
using XIcon = XOwned<HICON, &XDestroyIcon>;
using XFont = XOwned<HFONT, &XDeleteObject>;
using XBitmap = XOwned<HBITMAP, &XDeleteObject>;
// A SID made by AllocateAndInitializeSid.
using XSid = XOwned<PSID, &XFreeSid>;
