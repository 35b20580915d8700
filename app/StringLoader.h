// Lookups in the string table of the current resource module: the language library when
// one is loaded, else the program's own English table. Every call reads the resource
// anew; nothing is cached, so lookups are safe from any thread.
#pragma once
#include <windows.h>

#include <cstdint>

// Names the module whose string table a lookup reads. Made on the stack per lookup.
class CResolver {
public:
    explicit CResolver(HMODULE hModule) : m_hModule(hModule) {}
    virtual ~CResolver() = default;

    HMODULE GetModule() const { return m_hModule; }

private:
    HMODULE m_hModule;
};

// Address of the string's entry (its UTF-16 count, then the text without terminator)
// inside the module's loaded resource data; valid while the module stays loaded. Null
// with the last-error value set when the block is missing or malformed, or the string is
// absent (ERROR_RESOURCE_NAME_NOT_FOUND).
const WORD* GetStringResourceImage(uint32_t nId, const CResolver& resolver);

// New zero-terminated copy of the string from the current resource module
// (AfxGetResourceHandle), given back with XRelease; null if the string is absent or
// empty or the module has no string table.
wchar_t* LoadAppString(uint32_t nId);
// The same from the named module.
wchar_t* LoadAppString(HMODULE hModule, uint32_t nId);

// Replaces every "%s" of the window's text by the application title (string 57344 of the
// current resource module; empty if absent) and sets the result. A text without "%s"
// stays as it is. False if the window's text cannot be read or set.
bool InsertAppTitle(HWND hWnd);
