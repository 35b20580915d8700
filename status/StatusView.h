// The portable half of CDlgMain::RefreshDisplay (status/DlgMain.cpp).
// What a refresh of the main window shows for the router's state: the texts and images of
// the device-status group, the tray icon and its tooltip. The window applies it to its
// controls; everything that needs no window is decided here.
#pragma once
#include <cstdint>
#include <string>

class CDeviceStatus;

struct CStatusView {
    bool bLinkUp = false;        // shows 1001, 1013, 1014 and 1012 and hides 1020, else the reverse
    std::wstring strStatusLine;  // 1001
    std::wstring strTechnology;  // 1014
    uint32_t nSignalIconId = 0;  // 1013; 0 clears the image
    std::wstring strUsers;       // 1012
    std::wstring strTrayTip;     // one to three lines, or empty
    uint32_t nTrayIconId = 0;
};

// strNoConnection is the text control 1020 holds; it is the tooltip while the link is down.
// Controls of a hidden part keep their texts: only the shown part is filled.
CStatusView ComposeStatusView(const CDeviceStatus& status, bool bUnseenEvents, const std::wstring& strNoConnection);
