#include "tests/e2e/support/ForeignWindows.h"

#include <commctrl.h>

#include <cstddef>

namespace {

struct DialogSearch {
    DWORD nProcessId;
    const std::function<bool(HWND)>* pPick;
    HWND hFound;
};

BOOL CALLBACK FindDialogProc(HWND hWnd, LPARAM lParam)
{
    auto* pSearch = reinterpret_cast<DialogSearch*>(lParam);
    wchar_t szClass[16] = {};
    DWORD nProcessId = 0;
    GetWindowThreadProcessId(hWnd, &nProcessId);
    if (nProcessId != pSearch->nProcessId || GetClassNameW(hWnd, szClass, 16) == 0 ||
        lstrcmpW(szClass, L"#32770") != 0 || !(*pSearch->pPick)(hWnd))
        return TRUE;
    pSearch->hFound = hWnd;
    return FALSE;
}

// Memory in another process, for a message whose argument points at a structure.
class CForeignBuffer {
public:
    CForeignBuffer(DWORD nProcessId, size_t nBytes)
        : m_hProcess(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, nProcessId))
    {
        if (m_hProcess != nullptr)
            m_pRemote = VirtualAllocEx(m_hProcess, nullptr, nBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~CForeignBuffer()
    {
        if (m_pRemote != nullptr)
            VirtualFreeEx(m_hProcess, m_pRemote, 0, MEM_RELEASE);
        if (m_hProcess != nullptr)
            CloseHandle(m_hProcess);
    }
    CForeignBuffer(const CForeignBuffer&) = delete;
    CForeignBuffer& operator=(const CForeignBuffer&) = delete;

    void* Get() const { return m_pRemote; }
    bool Write(const void* pBytes, size_t nBytes) const
    {
        return WriteProcessMemory(m_hProcess, m_pRemote, pBytes, nBytes, nullptr) != FALSE;
    }

private:
    HANDLE m_hProcess;
    void* m_pRemote = nullptr;
};

}  // namespace

HWND FindDialogOfProcess(DWORD nProcessId, const std::function<bool(HWND)>& pick)
{
    DialogSearch search = {nProcessId, &pick, nullptr};
    EnumWindows(FindDialogProc, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

HWND FindMessageBox(DWORD nProcessId, int nNotId)
{
    return FindDialogOfProcess(nProcessId, [nNotId](HWND hWnd) {
        return IsWindowVisible(hWnd) && GetDlgItem(hWnd, 0xFFFF) != nullptr && GetDlgItem(hWnd, nNotId) == nullptr;
    });
}

void PressButton(HWND hDlg, int nId)
{
    PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hDlg, nId)));
}

bool FindLinkPoint(HWND hLink, POINT* pPoint)
{
    DWORD nProcessId = 0;
    GetWindowThreadProcessId(hLink, &nProcessId);
    CForeignBuffer remote(nProcessId, sizeof(LHITTESTINFO));
    RECT rc = {};
    if (remote.Get() == nullptr || !GetClientRect(hLink, &rc))
        return false;
    // Every other pixel: a link is at least a word wide and a line high.
    for (LONG y = 1; y < rc.bottom; y += 2) {
        for (LONG x = 1; x < rc.right; x += 2) {
            const POINT pt = {x, y};
            DWORD_PTR nHit = 0;
            if (!remote.Write(&pt, sizeof(pt)) ||
                !SendMessageTimeoutW(hLink, LM_HITTEST, 0, reinterpret_cast<LPARAM>(remote.Get()), SMTO_ABORTIFHUNG,
                                     5000, &nHit))
                return false;
            if (nHit != 0) {
                *pPoint = pt;
                return true;
            }
        }
    }
    return false;
}

bool ClickLink(HWND hLink)
{
    POINT pt = {};
    if (!FindLinkPoint(hLink, &pt))
        return false;
    const LPARAM nAt = MAKELPARAM(pt.x, pt.y);
    PostMessageW(hLink, WM_LBUTTONDOWN, MK_LBUTTON, nAt);
    PostMessageW(hLink, WM_LBUTTONUP, 0, nAt);
    return true;
}
