#include "tests/windows/support/OpenLog.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

bool HasOpenLog()
{
    return getenv("TN_OPEN_LOG") != nullptr;
}

std::vector<std::wstring> OpenedAddresses()
{
    std::vector<std::wstring> lines;
    const char* pszLog = getenv("TN_OPEN_LOG");
    if (pszLog == nullptr)
        return lines;
    const std::wstring path = L"Z:" + std::wstring(pszLog, pszLog + strlen(pszLog));
    HANDLE hFile =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return lines;
    std::string bytes(1 << 20, '\0');
    DWORD nRead = 0;
    ReadFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &nRead, nullptr);
    CloseHandle(hFile);
    bytes.resize(nRead);
    for (size_t nStart = 0; nStart < bytes.size();) {
        const size_t nEnd = bytes.find('\n', nStart);
        lines.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(nStart),
                           bytes.begin() +
                               static_cast<std::ptrdiff_t>(nEnd == std::string::npos ? bytes.size() : nEnd));
        nStart = nEnd == std::string::npos ? bytes.size() : nEnd + 1;
    }
    return lines;
}
