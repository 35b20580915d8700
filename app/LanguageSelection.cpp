#include "app/LanguageSelection.h"

#include <cwchar>

#include "app/Log.h"
#include "app/ResourceModule.h"
#include "app/StringLoader.h"
#include "app/SysWrappers.h"
#include "app/TraceLog.h"
#include "resources/StringIds.h"

namespace {

constexpr DWORD kModulePathChars = 260;

// "<folder of the executable>\<code>.dll"; an empty text if the executable's path cannot
// be had. Null only if memory runs out.
wchar_t* BuildLibraryPath(const wchar_t* pszCode)
{
    wchar_t szModule[kModulePathChars];
    DWORD nFolder = GetModuleFileNameW(nullptr, szModule, kModulePathChars);
    // A full buffer means the path was cut: no path then.
    if (nFolder == 0 || nFolder >= kModulePathChars)
        nFolder = 0;
    while (nFolder > 0 && szModule[nFolder - 1] != L'\\')
        --nFolder;
    if (nFolder == 0)
        return XStrDup(L"");

    static const wchar_t kExtension[] = L".dll";
    const size_t nCode = wcslen(pszCode);
    const size_t nExtension = sizeof(kExtension) / sizeof(wchar_t) - 1;
    // nFolder counts the backslash.
    wchar_t* pszPath = XAllocChars(nFolder + nCode + nExtension + 1);
    if (!pszPath)
        return nullptr;
    wmemcpy(pszPath, szModule, nFolder);
    wmemcpy(pszPath + nFolder, pszCode, nCode);
    wmemcpy(pszPath + nFolder + nCode, kExtension, nExtension + 1);
    return pszPath;
}

}  // namespace

HMODULE SelectLanguageLibrary()
{
    // No library is loaded yet, so the key comes from the program's own table.
    XBuffer<wchar_t> key(LoadAppString(AfxGetInstanceHandle(), IDS_LANGUAGE_SETTINGS_KEY));
    XBuffer<wchar_t> code;
    if (key)
        code.Reset(XRegReadString(HKEY_USERS, key.Get(), L"AppLang", true));
    const wchar_t* pszCode = code && code.Get()[0] != L'\0' ? code.Get() : L"En";

    if (wcscmp(pszCode, L"En") == 0) {
        WriteTraceLog(L"Default Language English Selected since registry value was empty.");
        return nullptr;
    }

    HMODULE hLangDLL = nullptr;
    XBuffer<wchar_t> path(BuildLibraryPath(pszCode));
    const wchar_t* pszPath = path ? path.Get() : L"";
    if (!IsFileExisting(pszPath)) {
        WriteTraceLog(L"IsFileExisting failed");
    } else {
        hLangDLL = LoadLibraryW(pszPath);
        const DWORD nError = GetLastError();
        XLog(1, L"Loading %s %s (0x%x)", pszPath, hLangDLL ? L"suceeded" : L"failed", nError);
        if (!hLangDLL)
            WriteTraceLog(L"LoadLibrary failed [m_hLangDLL is NULL]");
    }

    if (hLangDLL)
        AfxSetResourceHandle(hLangDLL);
    else
        WriteTraceLog(L"AfxSetResourceHandle failed [m_hLangDLL is NULL]");
    return hLangDLL;
}
