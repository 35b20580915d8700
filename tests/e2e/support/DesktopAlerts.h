// The real program's desktop alerts seen from outside: its popup windows found by class
// and process, points of their parts taken from the popup's own layout at the window's
// DPI, clicks on them, the kind a popup shows read from its icon on the screen, and a
// watch that notes every popup as it comes and goes.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

inline constexpr wchar_t kPopupClass[] = L"TnDesktopAlertWnd";

// The kinds in the order of the program's image strip.
enum class PopupKind { Call = 0, Sms = 1, Error = 2, Update = 3, Unknown = -1 };
const char* PopupKindName(PopupKind nKind);
// For GoogleTest's messages.
void PrintTo(PopupKind nKind, std::ostream* pOut);

// The visible popups of a process.
std::vector<HWND> VisiblePopups(DWORD nProcessId);
// Waits for a visible popup of the process other than hNot; null after nTimeoutMs.
HWND WaitForPopup(DWORD nProcessId, DWORD nTimeoutMs, HWND hNot = nullptr);

// Client points of a popup's parts. The link point lies on the first line of a link that
// stands alone and is at least as tall as the icon (an SMS: sender, time and body).
POINT PopupClosePoint(HWND hPopup);
POINT PopupCaptionPoint(HWND hPopup);
POINT PopupLinkPoint(HWND hPopup);

// Presses and releases the left button at a client point of the popup, as posted mouse
// messages: the quick way, without the pointer.
void PostClick(HWND hPopup, POINT ptClient);
// Presses the left button at a client point, moves the pointer by ptBy and releases it
// there, as posted mouse messages. (Under Wine on a bare X display, pointer moves sent with
// SendInput do not reach a window that has the capture, nor the release after them.)
void PostDrag(HWND hPopup, POINT ptClient, POINT ptBy);
// A click with the real pointer (SendInput): moved there, pressed, released. The pointer
// goes back where it was.
bool MouseClick(HWND hPopup, POINT ptClient);
// The window's rectangle on the screen.
RECT WindowRect(HWND hWnd);

// 32-bit pixels (0x00RRGGBB) of a rectangle of the screen, row by row from the top; none if
// the screen cannot be read.
std::vector<uint32_t> ScreenPixels(const RECT& rc);

// The kind of the icon the popup shows on the screen, matched against the program's own
// image strip; Unknown if the screen cannot be read or nothing matches.
PopupKind PopupKindOnScreen(HWND hPopup);

struct SeenPopup {
    HWND hWnd = nullptr;
    double nShownAt = 0;  // seconds since the watch started: first seen visible
    double nGoneAt = -1;  // first seen hidden or destroyed; -1 while it shows
    RECT rcWindow = {};   // its rectangle when last seen visible
    PopupKind nKind = PopupKind::Unknown;
};

// Polls the process's popups every 20 ms on a thread of its own.
class CPopupWatch {
public:
    explicit CPopupWatch(DWORD nProcessId);
    ~CPopupWatch();
    CPopupWatch(const CPopupWatch&) = delete;
    CPopupWatch& operator=(const CPopupWatch&) = delete;

    std::vector<SeenPopup> Seen() const;
    // Waits until at least nCount popups have been seen (and, with bGone, have gone).
    bool WaitForCount(size_t nCount, DWORD nTimeoutMs, bool bGone = false) const;
    // The most popups seen visible at one time.
    int MaxAtOnce() const;

private:
    void Run();

    DWORD m_nProcessId;
    LARGE_INTEGER m_start = {};
    std::atomic<bool> m_bStop = false;
    mutable std::mutex m_mutex;
    std::vector<SeenPopup> m_seen;
    int m_nMaxAtOnce = 0;
    std::thread m_thread;
};
