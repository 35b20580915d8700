// A thread with a message loop. The application object is one (the user-interface thread);
// a worker derives from it, overrides InitInstance / OnThreadMessage / ExitInstance, and
// is started with CreateThread:
//     thread: InitInstance(); true -> Run() (the loop, then ExitInstance()); false ->
//     ExitInstance(). Its result is the thread's exit code (-1 if an exception escaped
//     them). Then, with m_bAutoDelete, the object deletes itself.
// An owner that waits for an auto-deleting thread takes a handle of its own from
// CreateThread, made before the thread runs: m_hThread goes with the object.
#pragma once
#include <windows.h>

class CWnd;

class CWinThread {
public:
    CWinThread() = default;
    // Closes m_hThread.
    virtual ~CWinThread();
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Starts the thread, running at once, default stack, no security attributes. Returns
    // when the thread has its message queue, so PostThreadMessageW works from then on. False
    // with the system's last error if the thread could not be made (the object stays).
    // phWait (may be null) receives a handle of the thread of the caller's own, made before
    // the thread runs, to wait on an auto-deleting thread with; the caller closes it.
    bool CreateThread(HANDLE* phWait = nullptr);

    // Runs first on the thread; true enters the message loop. The base returns true.
    virtual bool InitInstance();
    // The message loop: PumpMessage until WM_QUIT, then ExitInstance's result.
    virtual int Run();
    // Runs on the thread after the loop, or after a false InitInstance; its result is the
    // thread's exit code. The base returns the WM_QUIT's wParam (0 if there was none).
    virtual int ExitInstance();

    // One message: waits for it, lets OnThreadMessage take a message without a window,
    // then PreTranslateMessage, then TranslateMessage and DispatchMessageW. False once
    // WM_QUIT arrives (its wParam is kept for ExitInstance).
    bool PumpMessage();
    // Offers the message to the bound windows (CWnd::PreTranslateMessage) from its window up
    // to its top-level window; true as soon as one has handled it.
    virtual bool PreTranslateMessage(MSG& msg);
    // A message posted to the thread rather than to a window; true when handled. The base
    // handles none.
    virtual bool OnThreadMessage(const MSG& msg);

    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    // The thread's main window; for the application, the window whose end ends the program.
    CWnd* m_pMainWnd = nullptr;
    // The object deletes itself when its thread ends (CreateThread only).
    bool m_bAutoDelete = true;

protected:
    // wParam of the WM_QUIT that ended the loop.
    int m_nQuitCode = 0;

private:
    static DWORD WINAPI ThreadEntry(void* pParam);
};
