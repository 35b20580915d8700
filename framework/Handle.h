// Owners of the system's handles: one object holds one handle and closes it through the
// wrapper of its kind when it goes. Move-only.
//     CHandle          a kernel handle (a file, a thread, an event): XCloseHandle; both
//                      "no handle" values of the system (null, INVALID_HANDLE_VALUE) count
//                      as empty
//     CInternetHandle  a handle of the internet library: XInternetCloseHandle
//                      (framework/InternetHandle.h)
#pragma once
#include <windows.h>

#include <utility>

#include "app/SysWrappers.h"

template <typename TTraits>
class COwnedHandle {
public:
    using Handle = typename TTraits::Handle;

    COwnedHandle() = default;
    explicit COwnedHandle(Handle h) : m_h(h) {}
    COwnedHandle(COwnedHandle&& other) noexcept : m_h(other.Detach()) {}
    COwnedHandle& operator=(COwnedHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }
    COwnedHandle(const COwnedHandle&) = delete;
    COwnedHandle& operator=(const COwnedHandle&) = delete;
    ~COwnedHandle() { Reset(); }

    Handle Get() const { return m_h; }
    bool IsValid() const { return TTraits::IsValid(m_h); }
    explicit operator bool() const { return IsValid(); }
    Handle Detach() { return std::exchange(m_h, nullptr); }
    // Closes the handle held (keeping the last-error value) and takes h.
    void Reset(Handle h = nullptr)
    {
        const Handle hOld = std::exchange(m_h, h);
        if (TTraits::IsValid(hOld))
            TTraits::Close(hOld);
    }

private:
    Handle m_h = nullptr;
};

struct CKernelHandleTraits {
    using Handle = HANDLE;
    static bool IsValid(HANDLE h) { return h && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { XCloseHandle(h); }
};
using CHandle = COwnedHandle<CKernelHandleTraits>;
