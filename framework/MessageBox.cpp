#include "framework/MessageBox.h"

#include <string>

#include "app/AppStrings.h"
#include "app/SysWrappers.h"
#include "framework/ResourceModule.h"
#include "framework/WinApp.h"
#include "framework/Wnd.h"

namespace {
constexpr UINT kIdAppTitle = 57344;
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
        XBuffer<wchar_t> title(LoadAppString(AfxGetInstanceHandle(), kIdAppTitle));
        if (title.Get())
            strCaption = title.Get();
    }
    return MessageBoxW(hOwner, pszText ? pszText : L"", strCaption.c_str(), nType);
}

int AfxMessageBox(UINT nIdPrompt, UINT nType)
{
    XBuffer<wchar_t> text(LoadAppString(nIdPrompt));
    return AfxMessageBox(text.Get() ? text.Get() : L"", nType);
}
