#include "framework/MessageBox.h"

#include <string>
#include <utility>

#include "app/ResourceModule.h"
#include "app/StringLoader.h"
#include "app/SysWrappers.h"
#include "framework/ModalLoop.h"
#include "framework/WinApp.h"
#include "framework/Wnd.h"

namespace {

// The box whose window is about to be made on this thread, so that a stop request can end it.
thread_local CModalLoop* t_pBoxAwaitingWindow = nullptr;

// The first top-level window that MessageBoxW makes is the box.
LRESULT CALLBACK CatchBoxWindow(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HCBT_CREATEWND && t_pBoxAwaitingWindow != nullptr) {
        const CBT_CREATEWNDW* pCreate = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
        if (pCreate != nullptr && pCreate->lpcs != nullptr && (pCreate->lpcs->style & WS_CHILD) == 0) {
            CModalLoop* pLoop = t_pBoxAwaitingWindow;
            t_pBoxAwaitingWindow = nullptr;
            pLoop->SetWindow(reinterpret_cast<HWND>(wParam), ModalWindowKind::Box);
        }
    }
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

// Watches the thread's window creation while one box is being made.
class CBoxWindowCatcher {
public:
    explicit CBoxWindowCatcher(CModalLoop& loop)
        : m_pPrevious(std::exchange(t_pBoxAwaitingWindow, &loop)),
          m_hHook(SetWindowsHookExW(WH_CBT, CatchBoxWindow, nullptr, GetCurrentThreadId()))
    {
    }
    ~CBoxWindowCatcher()
    {
        if (m_hHook != nullptr)
            UnhookWindowsHookEx(m_hHook);
        t_pBoxAwaitingWindow = m_pPrevious;
    }
    CBoxWindowCatcher(const CBoxWindowCatcher&) = delete;
    CBoxWindowCatcher& operator=(const CBoxWindowCatcher&) = delete;

private:
    CModalLoop* m_pPrevious;
    HHOOK m_hHook;
};
}  // namespace

int AfxMessageBox(const wchar_t* pszText, UINT nType)
{
    std::wstring strCaption;
    HWND hOwner = nullptr;
    if (CWinApp* pApp = AfxGetApp()) {
        strCaption = pApp->GetAppName();
        if (pApp->m_pMainWnd && IsWindow(pApp->m_pMainWnd->m_hWnd))
            hOwner = GetLastActivePopup(pApp->m_pMainWnd->m_hWnd);
    } else {
        XBuffer<wchar_t> title(LoadAppString(AfxGetInstanceHandle(), AFX_IDS_APP_TITLE));
        if (title.Get())
            strCaption = title.Get();
    }
    CModalLoop loop(AfxDismissAnswerOfBox(nType));
    if (loop.IsRefused())
        return loop.DismissAnswer();
    CBoxWindowCatcher catcher(loop);
    return MessageBoxW(hOwner, pszText ? pszText : L"", strCaption.c_str(), nType);
}

int AfxMessageBox(UINT nIdPrompt, UINT nType)
{
    XBuffer<wchar_t> text(LoadAppString(nIdPrompt));
    return AfxMessageBox(text.Get() ? text.Get() : L"", nType);
}
