// DemoDriver.exe: the hand of the demo (tools/demo.sh). It reads one request per line on
// standard input and answers each with one line, "ok ..." or "fail WHY", so that the demo
// can act on the running notifier as a user would and learn where its windows are:
//
//   main MS               wait for the notifier's main window
//   text ID MS TEXT...    wait until the main window's control ID reads TEXT (contains it)
//   show MS               ask the notifier to show its status window (as a second start
//                         does); "ok X Y W H" once it stands still
//   hide                  the status window loses the activation, as when the user clicks
//                         elsewhere, and hides itself
//   command ID            the main window gets WM_COMMAND ID, as from its own control or a
//                         popup's link
//   popup MS              wait for the next desktop alert (not the one answered last) to
//                         finish sliding in; "ok X Y W H"
//   popup-gone MS         wait until no desktop alert is shown
//   dialog TITLE MS       wait for a dialog of the notifier with this title whose OK button
//                         is enabled; "ok X Y W H" of its client area (a display without a
//                         window manager leaves the frame undrawn)
//   press TITLE ID        press button ID of that dialog
//   gone TITLE MS         wait until that dialog has closed
//   quit
//
// Screen coordinates are physical pixels. Every wait is bounded by its MS.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "resources/resource.h"
#include "tests/e2e/support/NotifierRun.h"

namespace {

constexpr wchar_t kPopupClass[] = L"TnDesktopAlertWnd";
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr UINT kShowStatus = WM_APP + 2;
// A window that keeps its place this long has finished moving (the popup slides in).
constexpr DWORD kStillMs = 400;

HWND s_hMain = nullptr;
HWND s_hLastPopup = nullptr;

std::wstring ClassOf(HWND hWnd)
{
    wchar_t sz[128] = {};
    GetClassNameW(hWnd, sz, 128);
    return sz;
}

std::wstring TextOf(HWND hWnd)
{
    wchar_t sz[1024] = {};
    // WM_GETTEXT reaches a control of another process, where GetWindowText would not.
    SendMessageTimeoutW(hWnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(sz), SMTO_ABORTIFHUNG, 2000, nullptr);
    return sz;
}

DWORD ProcessOf(HWND hWnd)
{
    DWORD nPid = 0;
    GetWindowThreadProcessId(hWnd, &nPid);
    return nPid;
}

struct Search {
    const wchar_t* pszClass;
    const wchar_t* pszTitle;  // null: any
    DWORD nProcessId;         // 0: any
    bool bVisible;
    HWND hFound;
};

BOOL CALLBACK SearchProc(HWND hWnd, LPARAM lParam)
{
    auto* pSearch = reinterpret_cast<Search*>(lParam);
    if (ClassOf(hWnd) != pSearch->pszClass)
        return TRUE;
    if (pSearch->nProcessId != 0 && ProcessOf(hWnd) != pSearch->nProcessId)
        return TRUE;
    if (pSearch->bVisible && !IsWindowVisible(hWnd))
        return TRUE;
    if (pSearch->pszTitle != nullptr && TextOf(hWnd) != pSearch->pszTitle)
        return TRUE;
    pSearch->hFound = hWnd;
    return FALSE;
}

HWND FindTopLevel(const wchar_t* pszClass, const wchar_t* pszTitle, DWORD nProcessId, bool bVisible)
{
    Search search = {pszClass, pszTitle, nProcessId, bVisible, nullptr};
    EnumWindows(SearchProc, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

HWND MainWindow()
{
    if (s_hMain == nullptr || !IsWindow(s_hMain))
        s_hMain = FindTopLevel(kMainWindowClass, nullptr, 0, false);
    return s_hMain;
}

// Waits until the window is shown and has kept its place for kStillMs.
bool WaitStill(HWND hWnd, DWORD nTimeoutMs, RECT& rc)
{
    RECT rcLast = {};
    ULONGLONG nSince = 0;
    return WaitUntil(
        [&] {
            if (!IsWindow(hWnd) || !IsWindowVisible(hWnd) || !GetWindowRect(hWnd, &rc) || rc.right <= rc.left) {
                nSince = 0;
                return false;
            }
            const ULONGLONG nNow = GetTickCount64();
            if (nSince == 0 || !EqualRect(&rc, &rcLast)) {
                rcLast = rc;
                nSince = nNow;
                return false;
            }
            return nNow - nSince >= kStillMs;
        },
        nTimeoutMs);
}

void Answer(const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    std::vfprintf(stdout, pszFormat, args);
    va_end(args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void AnswerRect(const RECT& rc)
{
    Answer("ok %ld %ld %ld %ld", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
}

// The notifier's dialog of this title (its updater, a question box).
HWND NotifierDialog(const std::wstring& strTitle)
{
    HWND hMain = MainWindow();
    if (hMain == nullptr)
        return nullptr;
    return FindTopLevel(kDialogClass, strTitle.c_str(), ProcessOf(hMain), true);
}

std::wstring Widen(const std::string& text)
{
    std::wstring wide(text.size() + 1, L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(n > 0 ? n - 1 : 0);
    return wide;
}

// Splits off the next blank-separated word of rest.
std::string NextWord(std::string& rest)
{
    const size_t nStart = rest.find_first_not_of(' ');
    if (nStart == std::string::npos) {
        rest.clear();
        return {};
    }
    const size_t nEnd = rest.find(' ', nStart);
    std::string word = rest.substr(nStart, nEnd == std::string::npos ? std::string::npos : nEnd - nStart);
    rest = nEnd == std::string::npos ? std::string() : rest.substr(nEnd + 1);
    return word;
}

DWORD Number(const std::string& word)
{
    return static_cast<DWORD>(std::strtoul(word.c_str(), nullptr, 10));
}

// Dialog titles may hold blanks: a request names them with '_' in their place.
std::wstring Title(const std::string& word)
{
    std::wstring title = Widen(word);
    for (wchar_t& c : title)
        if (c == L'_')
            c = L' ';
    return title;
}

void Handle(const std::string& verb, std::string rest)
{
    if (verb == "main") {
        const DWORD nMs = Number(NextWord(rest));
        if (WaitUntil([] { return MainWindow() != nullptr; }, nMs))
            Answer("ok");
        else
            Answer("fail no main window");
    } else if (verb == "text") {
        const int nId = static_cast<int>(Number(NextWord(rest)));
        const DWORD nMs = Number(NextWord(rest));
        const std::wstring wanted = Widen(rest);
        std::wstring text;
        const bool bOk = WaitUntil(
            [&] {
                HWND hMain = MainWindow();
                text = hMain != nullptr ? TextOf(GetDlgItem(hMain, nId)) : std::wstring();
                return text.find(wanted) != std::wstring::npos;
            },
            nMs);
        Answer("%s control %d reads \"%ls\"", bOk ? "ok" : "fail", nId, text.c_str());
    } else if (verb == "show") {
        const DWORD nMs = Number(NextWord(rest));
        HWND hMain = MainWindow();
        RECT rc = {};
        // The notifier brings its window to the front itself; let it.
        AllowSetForegroundWindow(ASFW_ANY);
        if (hMain == nullptr || !PostMessageW(hMain, kShowStatus, 0, 0))
            Answer("fail no main window");
        else if (!WaitStill(hMain, nMs, rc))
            Answer("fail the status window did not show");
        else
            AnswerRect(rc);
    } else if (verb == "hide") {
        HWND hMain = MainWindow();
        if (hMain == nullptr) {
            Answer("fail no main window");
            return;
        }
        SendMessageTimeoutW(hMain, WM_ACTIVATE, WA_INACTIVE, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
        if (WaitUntil([&] { return !IsWindowVisible(hMain); }, 3000))
            Answer("ok");
        else
            Answer("fail the status window stays");
    } else if (verb == "command") {
        const WORD nId = static_cast<WORD>(Number(NextWord(rest)));
        HWND hMain = MainWindow();
        AllowSetForegroundWindow(ASFW_ANY);
        if (hMain != nullptr && PostMessageW(hMain, WM_COMMAND, MAKEWPARAM(nId, 0), 0))
            Answer("ok");
        else
            Answer("fail no main window");
    } else if (verb == "popup") {
        const DWORD nMs = Number(NextWord(rest));
        HWND hPopup = nullptr;
        RECT rc = {};
        const ULONGLONG nDeadline = GetTickCount64() + nMs;
        const bool bFound = WaitUntil(
            [&] {
                HWND hWnd = FindTopLevel(kPopupClass, nullptr, 0, true);
                if (hWnd == nullptr || hWnd == s_hLastPopup)
                    return false;
                hPopup = hWnd;
                return true;
            },
            nMs);
        const ULONGLONG nNow = GetTickCount64();
        if (!bFound || !WaitStill(hPopup, nDeadline > nNow ? static_cast<DWORD>(nDeadline - nNow) : 0, rc)) {
            Answer("fail no new desktop alert");
            return;
        }
        s_hLastPopup = hPopup;
        AnswerRect(rc);
    } else if (verb == "popup-gone") {
        const DWORD nMs = Number(NextWord(rest));
        if (WaitUntil([] { return FindTopLevel(kPopupClass, nullptr, 0, true) == nullptr; }, nMs))
            Answer("ok");
        else
            Answer("fail a desktop alert stays");
    } else if (verb == "dialog") {
        const std::wstring title = Title(NextWord(rest));
        const DWORD nMs = Number(NextWord(rest));
        HWND hDialog = nullptr;
        RECT rc = {};
        const bool bFound = WaitUntil(
            [&] {
                hDialog = NotifierDialog(title);
                return hDialog != nullptr && IsWindowEnabled(GetDlgItem(hDialog, IDOK));
            },
            nMs);
        if (bFound && WaitStill(hDialog, 3000, rc)) {
            RECT rcClient = {};
            GetClientRect(hDialog, &rcClient);
            MapWindowPoints(hDialog, nullptr, reinterpret_cast<POINT*>(&rcClient), 2);
            AnswerRect(rcClient);
        }
        else
            Answer("fail no dialog \"%ls\" ready", title.c_str());
    } else if (verb == "press") {
        const std::wstring title = Title(NextWord(rest));
        const int nId = static_cast<int>(Number(NextWord(rest)));
        HWND hDialog = NotifierDialog(title);
        HWND hButton = hDialog != nullptr ? GetDlgItem(hDialog, nId) : nullptr;
        if (hButton != nullptr &&
            PostMessageW(hDialog, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), reinterpret_cast<LPARAM>(hButton)))
            Answer("ok");
        else
            Answer("fail no button %d in \"%ls\"", nId, title.c_str());
    } else if (verb == "gone") {
        const std::wstring title = Title(NextWord(rest));
        const DWORD nMs = Number(NextWord(rest));
        if (WaitUntil([&] { return NotifierDialog(title) == nullptr; }, nMs))
            Answer("ok");
        else
            Answer("fail \"%ls\" stays", title.c_str());
    } else {
        Answer("fail unknown request %s", verb.c_str());
    }
}

}  // namespace

int wmain()
{
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    char szLine[1024];
    while (std::fgets(szLine, sizeof(szLine), stdin) != nullptr) {
        std::string line = szLine;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        std::string rest = line;
        const std::string verb = NextWord(rest);
        if (verb.empty())
            continue;
        if (verb == "quit")
            break;
        Handle(verb, rest);
    }
    return 0;
}
