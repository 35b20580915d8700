// Owners of GDI objects and icons: each gives its handle back when it goes, keeping the
// caller's last-error value as the release wrappers do. Move-only.
#pragma once
#include <windows.h>

#include <utility>

template <typename THandle, void (*pfnRelease)(THandle)>
class CGdiHandle {
public:
    CGdiHandle() = default;
    explicit CGdiHandle(THandle h) : m_h(h) {}
    CGdiHandle(CGdiHandle&& other) noexcept : m_h(other.Detach()) {}
    CGdiHandle& operator=(CGdiHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }
    CGdiHandle(const CGdiHandle&) = delete;
    CGdiHandle& operator=(const CGdiHandle&) = delete;
    ~CGdiHandle() { Reset(); }

    THandle Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
    // Gives the handle to the caller, who then owns it.
    THandle Detach() { return std::exchange(m_h, nullptr); }
    void Reset(THandle h = nullptr)
    {
        if (THandle hOld = std::exchange(m_h, h))
            pfnRelease(hOld);
    }

private:
    THandle m_h = nullptr;
};

template <typename THandle>
void ReleaseGdiObject(THandle h)
{
    const DWORD nError = GetLastError();
    DeleteObject(h);
    SetLastError(nError);
}

inline void ReleaseIcon(HICON h)
{
    const DWORD nError = GetLastError();
    DestroyIcon(h);
    SetLastError(nError);
}

using CFontHandle = CGdiHandle<HFONT, ReleaseGdiObject<HFONT>>;
using CBitmapHandle = CGdiHandle<HBITMAP, ReleaseGdiObject<HBITMAP>>;
using CIconHandle = CGdiHandle<HICON, ReleaseIcon>;
