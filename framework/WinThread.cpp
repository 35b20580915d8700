#include "framework/WinThread.h"

#include "framework/Wnd.h"

namespace {
// Handed to the new thread, on the creator's stack until the thread has read it.
struct ThreadStart {
    CWinThread* pThread;
    HANDLE hQueueReady;
};
}  // namespace

CWinThread::~CWinThread()
{
    if (m_hThread)
        CloseHandle(m_hThread);
}

bool CWinThread::CreateThread(HANDLE* phWait)
{
    if (phWait)
        *phWait = nullptr;
    if (m_hThread) {
        SetLastError(ERROR_ALREADY_INITIALIZED);
        return false;
    }
    ThreadStart start = {this, CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    if (!start.hQueueReady)
        return false;
    // Made suspended so that the handle and id are stored before the thread can run (and,
    // auto-deleting, end and free the object).
    DWORD nThreadId = 0;
    HANDLE hThread = ::CreateThread(nullptr, 0, &ThreadEntry, &start, CREATE_SUSPENDED, &nThreadId);
    if (!hThread) {
        const DWORD nError = GetLastError();
        CloseHandle(start.hQueueReady);
        SetLastError(nError);
        return false;
    }
    if (phWait &&
        !DuplicateHandle(GetCurrentProcess(), hThread, GetCurrentProcess(), phWait, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        // The thread has not run: it ends here, and the object stays the caller's.
        const DWORD nError = GetLastError();
        TerminateThread(hThread, 0);
        CloseHandle(hThread);
        CloseHandle(start.hQueueReady);
        *phWait = nullptr;
        SetLastError(nError);
        return false;
    }
    m_hThread = hThread;
    m_nThreadID = nThreadId;
    ::ResumeThread(hThread);
    // The thread's first act is to make its queue; wait for that, or for its end. From here
    // on the object may already be gone.
    const HANDLE ahWait[2] = {start.hQueueReady, hThread};
    WaitForMultipleObjects(2, ahWait, FALSE, INFINITE);
    CloseHandle(start.hQueueReady);
    return true;
}

DWORD WINAPI CWinThread::ThreadEntry(void* pParam)
{
    const ThreadStart start = *static_cast<ThreadStart*>(pParam);
    CWinThread* pThread = start.pThread;
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    SetEvent(start.hQueueReady);

    int nExitCode = -1;
    // A worker handles its own failures; one that escapes anyway ends the thread here, not
    // by unwinding into the system's thread start.
    try {
        nExitCode = pThread->InitInstance() ? pThread->Run() : pThread->ExitInstance();
    } catch (...) {
        nExitCode = -1;
    }
    if (pThread->m_bAutoDelete)
        delete pThread;
    return static_cast<DWORD>(nExitCode);
}

bool CWinThread::InitInstance()
{
    return true;
}

int CWinThread::Run()
{
    while (PumpMessage()) {
    }
    return ExitInstance();
}

int CWinThread::ExitInstance()
{
    return m_nQuitCode;
}

bool CWinThread::PumpMessage()
{
    MSG msg;
    const BOOL nResult = GetMessageW(&msg, nullptr, 0, 0);
    if (nResult == 0) {
        m_nQuitCode = static_cast<int>(msg.wParam);
        return false;
    }
    if (nResult == -1) {
        // Only invalid arguments make GetMessageW fail; end rather than spin.
        m_nQuitCode = -1;
        return false;
    }
    if (!msg.hwnd && OnThreadMessage(msg))
        return true;
    if (!PreTranslateMessage(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

bool CWinThread::PreTranslateMessage(MSG& msg)
{
    for (HWND hWnd = msg.hwnd; hWnd;) {
        if (CWnd* pWnd = CWnd::FromHandlePermanent(hWnd)) {
            if (pWnd->PreTranslateMessage(msg))
                return true;
        }
        // Up to the top-level window, not on to its owner.
        if (!(GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_CHILD))
            break;
        hWnd = GetParent(hWnd);
    }
    return false;
}

bool CWinThread::OnThreadMessage(const MSG&)
{
    return false;
}

