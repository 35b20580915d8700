// A static control: a text label or an icon label. Texts through CWnd.
#pragma once
#include "framework/Wnd.h"

class CStatic : public CWnd {
public:
    // STM_SETICON: the label shows hIcon (null: nothing); the previous icon.
    HICON SetIcon(HICON hIcon);
};
