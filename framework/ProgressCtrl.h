// A progress bar.
#pragma once
#include "framework/Wnd.h"

class CProgressCtrl : public CWnd {
public:
    // PBM_SETRANGE32: the bar spans nLower to nUpper.
    void SetRange32(int nLower, int nUpper);
    // PBM_SETPOS; the previous position.
    int SetPos(int nPos);
};
