// Where windows are: the rectangles the layout and placement tests compare.
#pragma once
#include <windows.h>

// The window's rectangle on the screen.
RECT WindowRect(HWND hWnd);
// Control nId's rectangle in the client coordinates of its dialog.
RECT ItemRect(HWND hDialog, int nId);
// The primary screen's work area.
RECT WorkArea();
