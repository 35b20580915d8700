// The program's icon in the notification area: its image follows the router's state, its
// tooltip the text the main window composes, and its menu offers the four tray commands.
#pragma once
#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <map>
#include <string>

#include "app/SysWrappers.h"
#include "framework/Menu.h"

class CWnd;

// The icon's mouse messages reach its window as this message (wParam the icon, lParam the
// mouse message).
constexpr UINT WM_APP_TRAY_NOTIFY = WM_APP + 1;

class CNotifyIcon {
public:
    // Loads the 14 tray images of the program's own module (a language library does not
    // replace them) at the small-icon size of the system's DPI; the icon is not in the
    // tray yet.
    CNotifyIcon();
    // Destroys the menu, and frees the images if Destroy has not.
    ~CNotifyIcon();
    CNotifyIcon(const CNotifyIcon&) = delete;
    CNotifyIcon& operator=(const CNotifyIcon&) = delete;

    // Prepares the record for pWindow, with the images at the small-icon size of its DPI,
    // and loads menu 135 from the current resource module; throws CResourceException when
    // the menu is missing.
    void Create(CWnd* pWindow);
    // The window's DPI is now nDpi: the images are loaded again at its small-icon size, the
    // one the shell asks for, and the shell gets the new one at the next Flush. The old
    // images stay until it has.
    void SetDpi(uint32_t nDpi);
    // Adds the icon on first use (at once); afterwards the image becomes the one the shell
    // is to show, and the shell gets it at the next Flush (the owner's to call, once for a
    // burst of changes).
    void Show(uint32_t nIconId);
    // Tooltip of an added icon, cut to its first 127 characters; null or empty clears it.
    // The shell gets it at the next Flush.
    void SetText(const wchar_t* pszText);
    // One modify call with what the shell lacks of the record (image, tooltip or both);
    // none when it has everything. A refused image shows "Application error.", a refused
    // tooltip is logged; either is tried again at the next Flush.
    void Flush();
    // Removes the icon and frees the images; if the shell refuses to remove it, they are
    // left to the end of the process, as the shell may still show them.
    void Destroy();
    // The taskbar was made anew (the shell restarted) and has forgotten the icon: it is
    // added again at once, with its current image and tooltip.
    void OnTaskbarCreated();

    // Opens the tray menu at the screen point and returns the chosen command (0: none).
    UINT TrackMenu(CWnd* pWindow, POINT pt);

    bool IsAdded() const { return m_bAdded != 0; }
    // What the shell is to show (it has it once no flush is pending).
    const NOTIFYICONDATAW& Record() const { return m_data; }
    // The shell lacks something of the record: a Flush would call it.
    bool NeedsFlush() const { return StaleFlags() != 0; }
    // Calls made to the shell so far: the cost a refresh must avoid when nothing changed.
    int ShellCallCount() const { return m_nShellCalls; }

    // The size the images were loaded at.
    int ImageSize() const { return m_nImageSize; }

private:
    // The 14 images at nSize pixels.
    static std::map<uint32_t, XIcon> LoadImages(int nSize);
    // The shell's notification-area call, counted.
    bool CallShell(DWORD nRequest, UINT nFlags);
    // Adds the icon with the record's image, and its tooltip if bWithTip; true on success.
    bool Add(bool bWithTip);
    // The flags of what the shell shows differently from the record.
    UINT StaleFlags() const;
    void ShowErrorBox();

    NOTIFYICONDATAW m_data;
    int32_t m_bAdded = 0;
    std::map<uint32_t, XIcon> m_icons;
    int m_nImageSize = 0;
    // Images of an earlier DPI, until the shell shows one of m_icons.
    std::map<uint32_t, XIcon> m_retiredIcons;
    CMenu m_menu;
    // What the shell shows, as far as its calls succeeded.
    HICON m_hShellIcon = nullptr;
    std::wstring m_strShellTip;
    bool m_bErrorBoxOpen = false;
    int m_nShellCalls = 0;
};
