// The device context of a window's client area, owned: released (and the object it replaced
// selected back) when the holder goes. Keeps the caller's last-error value on release.
#pragma once
#include <windows.h>

class CClientDC {
public:
    explicit CClientDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(::GetDC(hWnd)) {}
    ~CClientDC()
    {
        if (m_hDC == nullptr)
            return;
        const DWORD nSaved = GetLastError();
        if (m_hPrevious != nullptr)
            ::SelectObject(m_hDC, m_hPrevious);
        ::ReleaseDC(m_hWnd, m_hDC);
        SetLastError(nSaved);
    }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;

    HDC Get() const { return m_hDC; }
    // Selects hObject until the holder goes (the first object it replaced comes back then);
    // false if it could not be selected.
    bool Select(HGDIOBJ hObject)
    {
        const HGDIOBJ hPrevious = ::SelectObject(m_hDC, hObject);
        if (hPrevious == nullptr || hPrevious == HGDI_ERROR)
            return false;
        if (m_hPrevious == nullptr)
            m_hPrevious = hPrevious;
        return true;
    }

private:
    HWND m_hWnd;
    HDC m_hDC;
    HGDIOBJ m_hPrevious = nullptr;
};
