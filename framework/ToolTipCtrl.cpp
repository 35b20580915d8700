#include "framework/ToolTipCtrl.h"

#include <commctrl.h>

#include "app/ResourceModule.h"
#include "app/StringLoader.h"
#include "app/SysWrappers.h"

namespace {

// The record size that every common-controls version takes.
TTTOOLINFOW ToolFor(HWND hControl)
{
    TTTOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = GetParent(hControl);
    tool.uId = reinterpret_cast<UINT_PTR>(hControl);
    return tool;
}
}  // namespace

CToolTipCtrl::~CToolTipCtrl()
{
    if (m_hWnd)
        DestroyWindow();
}

bool CToolTipCtrl::Create(CWnd* pParentWnd, DWORD nStyle)
{
    if (m_hWnd) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    HWND hWnd = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX | nStyle,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                pParentWnd ? pParentWnd->m_hWnd : nullptr, nullptr, AfxGetInstanceHandle(), nullptr);
    if (!hWnd)
        return false;
    if (!SubclassWindow(hWnd)) {
        const DWORD nError = GetLastError();
        ::DestroyWindow(hWnd);
        SetLastError(nError);
        return false;
    }
    return true;
}

bool CToolTipCtrl::AddTool(HWND hControl, const wchar_t* pszText)
{
    if (!hControl)
        return false;
    TTTOOLINFOW tool = ToolFor(hControl);
    if (::SendMessageW(m_hWnd, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool))) {
        UpdateTipText(pszText, hControl);
        return true;
    }
    tool = ToolFor(hControl);
    tool.lpszText = const_cast<wchar_t*>(pszText ? pszText : L"");
    return ::SendMessageW(m_hWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) != FALSE;
}

bool CToolTipCtrl::AddTool(HWND hControl, UINT nIdText)
{
    XBuffer<wchar_t> text(LoadAppString(nIdText));
    return AddTool(hControl, text.Get() ? text.Get() : L"");
}

void CToolTipCtrl::UpdateTipText(const wchar_t* pszText, HWND hControl)
{
    TTTOOLINFOW tool = ToolFor(hControl);
    tool.lpszText = const_cast<wchar_t*>(pszText ? pszText : L"");
    ::SendMessageW(m_hWnd, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CToolTipCtrl::RelayEvent(MSG* pMsg)
{
    if (m_hWnd && pMsg)
        ::SendMessageW(m_hWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(pMsg));
}

