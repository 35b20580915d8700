#include "tests/e2e/support/ProgramProcess.h"

#include <algorithm>
#include <cstdio>

namespace {

struct WindowSearch {
    DWORD nProcessId;
    HWND hFound;
};

BOOL CALLBACK FindWindowProc(HWND hWnd, LPARAM lParam)
{
    auto* pFind = reinterpret_cast<WindowSearch*>(lParam);
    wchar_t cls[64];
    DWORD nPid = 0;
    GetWindowThreadProcessId(hWnd, &nPid);
    if (nPid == pFind->nProcessId && GetClassNameW(hWnd, cls, 64) != 0 && lstrcmpW(cls, kMainWindowClass) == 0) {
        pFind->hFound = hWnd;
        return FALSE;
    }
    return TRUE;
}

std::wstring ModuleFolder()
{
    wchar_t path[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L'\\'));
}

}  // namespace

std::wstring NotifierPath()
{
    // Test binaries and probes live in <build>/tests/e2e; the program in <build>.
    std::wstring folder = ModuleFolder();
    for (int i = 0; i < 2; ++i)
        folder = folder.substr(0, folder.find_last_of(L'\\'));
    return folder + L"\\TessaroNotifier.exe";
}

double ElapsedSeconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER PerformanceNow()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0.0 : (n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0);
}

CProgramProcess::~CProgramProcess()
{
    if (m_pi.hProcess != nullptr) {
        if (WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(m_pi.hProcess, 1);
        CloseHandle(m_pi.hProcess);
        CloseHandle(m_pi.hThread);
    }
}

bool CProgramProcess::Start(const std::wstring& strPath)
{
    std::wstring line = L"\"" + strPath + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    m_started = PerformanceNow();
    if (!CreateProcessW(strPath.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_pi)) {
        std::fprintf(stderr, "cannot start the program, error %lu\n", GetLastError());
        m_pi = {};
        return false;
    }
    return true;
}

double CProgramProcess::WaitForWindow(DWORD nTimeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + nTimeoutMs;
    WindowSearch find = {m_pi.dwProcessId, nullptr};
    while (GetTickCount64() < deadline) {
        EnumWindows(FindWindowProc, reinterpret_cast<LPARAM>(&find));
        if (find.hFound != nullptr) {
            m_hWindow = find.hFound;
            return ElapsedSeconds(m_started, PerformanceNow());
        }
        if (WaitForSingleObject(m_pi.hProcess, 2) == WAIT_OBJECT_0)
            break;
    }
    return -1.0;
}

void CProgramProcess::SleepUntil(double nSecondsAfterStart) const
{
    for (;;) {
        const double nLeft = nSecondsAfterStart - ElapsedSeconds(m_started, PerformanceNow());
        if (nLeft <= 0)
            return;
        Sleep(static_cast<DWORD>(nLeft * 1000.0) + 1);
    }
}

bool CProgramProcess::Close()
{
    if (m_hWindow != nullptr)
        PostMessageW(m_hWindow, WM_APP + 3, 0, 0);
    return WaitForSingleObject(m_pi.hProcess, 10000) == WAIT_OBJECT_0;
}

DWORD CProgramProcess::ExitCode() const
{
    DWORD nCode = 0;
    return GetExitCodeProcess(m_pi.hProcess, &nCode) ? nCode : 0xFFFFFFFF;
}
