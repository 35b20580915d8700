#include "framework/ProgressCtrl.h"

#include <commctrl.h>

void CProgressCtrl::SetRange32(int nLower, int nUpper)
{
    ::SendMessageW(m_hWnd, PBM_SETRANGE32, static_cast<WPARAM>(nLower), static_cast<LPARAM>(nUpper));
}

int CProgressCtrl::SetPos(int nPos)
{
    return static_cast<int>(::SendMessageW(m_hWnd, PBM_SETPOS, static_cast<WPARAM>(nPos), 0));
}
