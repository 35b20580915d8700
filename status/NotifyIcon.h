// The program's icon in the notification area: its image follows the router's state, its
// tooltip the text the main window composes, and its menu offers the four tray commands.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <map>

#include "framework/Menu.h"

class CWnd;

class CNotifyIcon {
public:
    // Loads the 14 tray images of the program's own module (a language library does not
    // replace them); the icon is not in the tray yet.
    CNotifyIcon();
    // Destroys the menu; the images are freed by Destroy.
    ~CNotifyIcon();
    CNotifyIcon(const CNotifyIcon&) = delete;
    CNotifyIcon& operator=(const CNotifyIcon&) = delete;

    // Prepares the record for pWindow and loads menu 135 from the current resource module;
    // throws CResourceException when the menu is missing.
    void Create(CWnd* pWindow);
    // Adds the icon on first use, changes its image afterwards.
    void Show(uint32_t nIconId);
    // Tooltip of an added icon, cut to its first 127 characters; null or empty clears it.
    void SetText(const wchar_t* pszText);
    // Removes the icon and frees the images.
    void Destroy();
    // The taskbar was made anew (Explorer restarted): the shell forgot the icon, so the next
    // Show adds it again instead of failing on a modify.
    void OnTaskbarCreated();

    // Opens the tray menu at the screen point and returns the chosen command (0: none).
    UINT TrackMenu(CWnd* pWindow, POINT pt);

    bool IsAdded() const { return m_bAdded != 0; }
    const NOTIFYICONDATAW& Record() const { return m_data; }

private:
    NOTIFYICONDATAW m_data;
    int32_t m_bAdded = 0;
    std::map<uint32_t, HICON> m_icons;
    CMenu m_menu;
    bool m_bErrorBoxOpen = false;
};
