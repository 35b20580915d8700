// The portable half of CDlgMain::OnSetCursor (status/DlgMain.cpp): the tooltip that a control
// of the status window shows, and whether the pointer over it is the hand of a link.
#pragma once
#include <string>

// What the window knows of the control and the state at the moment the pointer moves.
struct ControlFacts {
    std::wstring strText;         // the control's own text (the SMS sender and time)
    bool bTextCut = false;        // that text, in the control's font, is wider than the control
    std::wstring strSignalText;   // the device status's signal text
    bool bUpdateOffered = false;  // the update link holds an offer ("<a>")
    bool bNotifierOffer = false;  // the live-update status is 1: the offer is of a new notifier
};

struct ControlPointer {
    bool bTool = false;  // a tooltip is registered for the control, with strTip (may be empty)
    std::wstring strTip;
    bool bHand = false;  // the hand pointer instead of the window's own
};

ControlPointer PointerOfControl(int nId, const ControlFacts& facts);
