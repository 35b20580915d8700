#include "tests/windows/support/WindowRects.h"

RECT WindowRect(HWND hWnd)
{
    RECT rc = {};
    GetWindowRect(hWnd, &rc);
    return rc;
}

RECT ItemRect(HWND hDialog, int nId)
{
    RECT rc = WindowRect(GetDlgItem(hDialog, nId));
    MapWindowPoints(nullptr, hDialog, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

RECT WorkArea()
{
    RECT rc = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &rc, 0);
    return rc;
}
