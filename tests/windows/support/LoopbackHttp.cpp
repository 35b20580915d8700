#include "tests/windows/support/LoopbackHttp.h"

#include <cstdio>

#ifndef TN_SOURCE_DIR
#error TN_SOURCE_DIR names the source tree, whose tests/http holds the servers
#endif

std::string UnixPath(const std::wstring& strPath)
{
    using UnixNameFn = char*(CDECL*)(const WCHAR*);
    const auto pfnUnixName = reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!pfnUnixName)
        return {};
    char* pszUnix = pfnUnixName(strPath.c_str());
    if (!pszUnix)
        return {};
    std::string strUnix = pszUnix;
    HeapFree(GetProcessHeap(), 0, pszUnix);
    return strUnix;
}

std::wstring MakeServedFolder(const std::wstring& strPrefix)
{
    wchar_t szTemp[MAX_PATH] = {};
    if (GetTempPathW(MAX_PATH, szTemp) == 0)
        return std::wstring();
    // Wine reuses process ids from run to run; the tick count keeps runs apart.
    const std::wstring strFolder = std::wstring(szTemp) + strPrefix + L"-" + std::to_wstring(GetCurrentProcessId()) +
                                   L"-" + std::to_wstring(GetTickCount64());
    if (!CreateDirectoryW(strFolder.c_str(), nullptr) || !CreateDirectoryW((strFolder + L"\\www").c_str(), nullptr))
        return std::wstring();
    return strFolder;
}

std::string ReadBytes(const std::wstring& strPath)
{
    std::string bytes;
    HANDLE hFile = CreateFileW(strPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return bytes;
    char buffer[65536];
    DWORD nRead = 0;
    while (ReadFile(hFile, buffer, sizeof(buffer), &nRead, nullptr) && nRead)
        bytes.append(buffer, nRead);
    CloseHandle(hFile);
    return bytes;
}

bool WriteBytes(const std::wstring& strPath, const std::string& bytes)
{
    HANDLE hFile = CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    DWORD nWritten = 0;
    const bool bOk = WriteFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &nWritten, nullptr) &&
                     nWritten == bytes.size();
    CloseHandle(hFile);
    return bOk;
}

bool CLoopbackHttp::Start(const std::wstring& strRoot, const std::wstring& strWork, int nLifetimeSeconds)
{
    Stop();
    // Wine reuses process ids from run to run: the tick count keeps an earlier run's ports
    // file apart.
    const std::wstring strPortsFile =
        strWork + L"\\ports-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount64());
    const std::string strRootUnix = UnixPath(strRoot);
    const std::string strPortsUnix = UnixPath(strPortsFile);
    if (strRootUnix.empty() || strPortsUnix.empty())
        return false;
    const std::wstring strCommandText = L"python3 \"" TN_SOURCE_DIR L"/tests/http/updater_servers.py\" --root \"" +
                                        std::wstring(strRootUnix.begin(), strRootUnix.end()) + L"\" --ports \"" +
                                        std::wstring(strPortsUnix.begin(), strPortsUnix.end()) + L"\" --lifetime " +
                                        std::to_wstring(nLifetimeSeconds);
    std::wstring strCommand = strCommandText;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(L"Z:\\usr\\bin\\python3", strCommand.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    if (process.hProcess)
        CloseHandle(process.hProcess);
    if (process.hThread)
        CloseHandle(process.hThread);
    m_strPortsFile = strPortsFile;
    const ULONGLONG nDeadline = GetTickCount64() + 20000;
    std::string ports;
    while ((ports = ReadBytes(m_strPortsFile)).find("scripted") == std::string::npos) {
        if (GetTickCount64() >= nDeadline)
            return false;
        Sleep(20);
    }
    int nStock = 0;
    int nScripted = 0;
    if (sscanf(ports.c_str(), "stock %d scripted %d", &nStock, &nScripted) != 2)
        return false;
    m_nStockPort = nStock;
    m_nScriptedPort = nScripted;
    return true;
}

void CLoopbackHttp::Stop()
{
    // The servers stop once their ports file is gone.
    if (!m_strPortsFile.empty())
        DeleteFileW(m_strPortsFile.c_str());
    m_strPortsFile.clear();
    m_nStockPort = 0;
    m_nScriptedPort = 0;
}
