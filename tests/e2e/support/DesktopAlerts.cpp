#include "tests/e2e/support/DesktopAlerts.h"

#include <algorithm>
#include <cstdlib>

#include "framework/DesktopAlertLayout.h"
#include "resources/resource.h"
#include "tests/e2e/support/ProgramProcess.h"

namespace {

struct PopupSearch {
    DWORD nProcessId;
    std::vector<HWND> found;
};

BOOL CALLBACK FindPopupProc(HWND hWnd, LPARAM lParam)
{
    auto* pSearch = reinterpret_cast<PopupSearch*>(lParam);
    wchar_t cls[64];
    DWORD nPid = 0;
    GetWindowThreadProcessId(hWnd, &nPid);
    if (nPid == pSearch->nProcessId && IsWindowVisible(hWnd) && GetClassNameW(hWnd, cls, 64) != 0 &&
        lstrcmpW(cls, kPopupClass) == 0)
        pSearch->found.push_back(hWnd);
    return TRUE;
}

UINT DpiOf(HWND hWnd)
{
    const UINT nDpi = GetDpiForWindow(hWnd);
    return nDpi != 0 ? nDpi : 96;
}

// The popup's metrics as the popup itself has them: small caption, at its DPI.
DesktopAlertMetrics MetricsOf(HWND hPopup)
{
    const UINT nDpi = DpiOf(hPopup);
    return ScaleDesktopAlertMetrics(nDpi, true, GetSystemMetricsForDpi(SM_CXSMICON, nDpi));
}

// The program's image strip: four kind images of 32 by 32 side by side, 0x00RRGGBB.
constexpr int kStripImage = 32;
constexpr uint32_t kStripBackground = 0xC0C0C0;

const std::vector<uint32_t>& StripPixels()
{
    static const std::vector<uint32_t> s_pixels = [] {
        std::vector<uint32_t> pixels;
        HMODULE hModule = LoadLibraryExW(NotifierPath().c_str(), nullptr,
                                         LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        if (hModule == nullptr)
            return pixels;
        HBITMAP hBitmap = static_cast<HBITMAP>(
            LoadImageW(hModule, MAKEINTRESOURCEW(IDB_ALERT_IMAGES), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        if (hBitmap != nullptr) {
            BITMAPINFO info = {};
            info.bmiHeader.biSize = sizeof(info.bmiHeader);
            info.bmiHeader.biWidth = 4 * kStripImage;
            info.bmiHeader.biHeight = -kStripImage;
            info.bmiHeader.biPlanes = 1;
            info.bmiHeader.biBitCount = 32;
            pixels.resize(4 * kStripImage * kStripImage);
            HDC hDC = GetDC(nullptr);
            if (GetDIBits(hDC, hBitmap, 0, kStripImage, pixels.data(), &info, DIB_RGB_COLORS) != kStripImage)
                pixels.clear();
            ReleaseDC(nullptr, hDC);
            DeleteObject(hBitmap);
        }
        FreeLibrary(hModule);
        for (uint32_t& pixel : pixels)
            pixel &= 0xFFFFFF;
        return pixels;
    }();
    return s_pixels;
}

int Distance(uint32_t a, uint32_t b)
{
    int n = 0;
    for (int nShift = 0; nShift < 24; nShift += 8)
        n += std::abs(static_cast<int>((a >> nShift) & 0xFF) - static_cast<int>((b >> nShift) & 0xFF));
    return n;
}

double SecondsSince(const LARGE_INTEGER& start)
{
    return ElapsedSeconds(start, PerformanceNow());
}

}  // namespace

std::vector<uint32_t> ScreenPixels(const RECT& rc)
{
    const int cx = rc.right - rc.left;
    const int cy = rc.bottom - rc.top;
    std::vector<uint32_t> pixels;
    if (cx <= 0 || cy <= 0)
        return pixels;
    HDC hScreen = GetDC(nullptr);
    HDC hMemory = CreateCompatibleDC(hScreen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = cx;
    info.bmiHeader.biHeight = -cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* pBits = nullptr;
    HBITMAP hBitmap = CreateDIBSection(hScreen, &info, DIB_RGB_COLORS, &pBits, nullptr, 0);
    if (hBitmap != nullptr && hMemory != nullptr) {
        HGDIOBJ hOld = SelectObject(hMemory, hBitmap);
        if (BitBlt(hMemory, 0, 0, cx, cy, hScreen, rc.left, rc.top, SRCCOPY | CAPTUREBLT)) {
            GdiFlush();
            const auto* pFirst = static_cast<const uint32_t*>(pBits);
            pixels.assign(pFirst, pFirst + static_cast<size_t>(cx) * static_cast<size_t>(cy));
        }
        SelectObject(hMemory, hOld);
    }
    if (hBitmap != nullptr)
        DeleteObject(hBitmap);
    if (hMemory != nullptr)
        DeleteDC(hMemory);
    ReleaseDC(nullptr, hScreen);
    for (uint32_t& pixel : pixels)
        pixel &= 0xFFFFFF;
    return pixels;
}

const char* PopupKindName(PopupKind nKind)
{
    switch (nKind) {
    case PopupKind::Call:
        return "call";
    case PopupKind::Sms:
        return "SMS";
    case PopupKind::Error:
        return "error";
    case PopupKind::Update:
        return "update";
    default:
        return "unknown";
    }
}

void PrintTo(PopupKind nKind, std::ostream* pOut)
{
    *pOut << PopupKindName(nKind);
}

std::vector<HWND> VisiblePopups(DWORD nProcessId)
{
    PopupSearch search{nProcessId, {}};
    EnumWindows(FindPopupProc, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForPopup(DWORD nProcessId, DWORD nTimeoutMs, HWND hNot)
{
    const ULONGLONG deadline = GetTickCount64() + nTimeoutMs;
    for (;;) {
        for (HWND hWnd : VisiblePopups(nProcessId)) {
            if (hWnd != hNot)
                return hWnd;
        }
        if (GetTickCount64() >= deadline)
            return nullptr;
        Sleep(10);
    }
}

POINT PopupClosePoint(HWND hPopup)
{
    const DesktopAlertMetrics m = MetricsOf(hPopup);
    RECT rc = {};
    GetWindowRect(hPopup, &rc);
    const LONG nWidth = rc.right - rc.left;
    return POINT{nWidth - m.nBorder - m.nCaptionMargin / 2 - m.nCloseBox / 2, m.nBorder + m.nCaptionHeight / 2};
}

POINT PopupCaptionPoint(HWND hPopup)
{
    const DesktopAlertMetrics m = MetricsOf(hPopup);
    // Between the small icon and the close button, on the title.
    return POINT{m.nBorder + m.nCaptionMargin + m.nSmallIcon + 3 * m.nCaptionMargin, m.nBorder + m.nCaptionHeight / 2};
}

POINT PopupLinkPoint(HWND hPopup)
{
    const DesktopAlertMetrics m = MetricsOf(hPopup);
    const LONG nColumnLeft = m.nBorder + m.nPadding + m.nIcon + m.nIconGap;
    const LONG nBodyTop = m.nBorder + m.nCaptionHeight + m.nPadding;
    return POINT{nColumnLeft + m.nIconGap, nBodyTop + m.nTextGap};
}

void PostClick(HWND hPopup, POINT ptClient)
{
    const LPARAM lp = MAKELPARAM(ptClient.x, ptClient.y);
    PostMessageW(hPopup, WM_LBUTTONDOWN, MK_LBUTTON, lp);
    PostMessageW(hPopup, WM_LBUTTONUP, 0, lp);
}

void PostDrag(HWND hPopup, POINT ptClient, POINT ptBy)
{
    // The popup follows the pointer from where it was pressed; the move's client point is
    // read against the window where it stood then.
    const LPARAM lpTo = MAKELPARAM(ptClient.x + ptBy.x, ptClient.y + ptBy.y);
    PostMessageW(hPopup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(ptClient.x, ptClient.y));
    PostMessageW(hPopup, WM_MOUSEMOVE, MK_LBUTTON, lpTo);
    PostMessageW(hPopup, WM_LBUTTONUP, 0, lpTo);
}

RECT WindowRect(HWND hWnd)
{
    RECT rc = {};
    GetWindowRect(hWnd, &rc);
    return rc;
}

bool MouseClick(HWND hPopup, POINT ptClient)
{
    RECT rc = {};
    if (!GetWindowRect(hPopup, &rc))
        return false;
    POINT ptWas = {};
    GetCursorPos(&ptWas);
    const POINT ptDown = {rc.left + ptClient.x, rc.top + ptClient.y};
    const auto moveTo = [](POINT pt) {
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dx = MulDiv(pt.x, 65536, GetSystemMetrics(SM_CXSCREEN));
        input.mi.dy = MulDiv(pt.y, 65536, GetSystemMetrics(SM_CYSCREEN));
        input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        return SendInput(1, &input, sizeof(INPUT)) == 1;
    };
    const auto button = [](DWORD nFlags) {
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = nFlags;
        return SendInput(1, &input, sizeof(INPUT)) == 1;
    };
    bool bSent = moveTo(ptDown);
    Sleep(50);
    bSent = bSent && button(MOUSEEVENTF_LEFTDOWN);
    Sleep(50);
    bSent = button(MOUSEEVENTF_LEFTUP) && bSent;
    Sleep(50);
    moveTo(ptWas);
    return bSent;
}

PopupKind PopupKindOnScreen(HWND hPopup)
{
    const std::vector<uint32_t>& strip = StripPixels();
    RECT rc = {};
    if (strip.empty() || !GetWindowRect(hPopup, &rc))
        return PopupKind::Unknown;
    const DesktopAlertMetrics m = MetricsOf(hPopup);
    const LONG nLeft = rc.left + m.nBorder + m.nPadding;
    const LONG nTop = rc.top + m.nBorder + m.nCaptionHeight + m.nPadding;
    const int n = m.nIcon;
    const std::vector<uint32_t> shown = ScreenPixels(RECT{nLeft, nTop, nLeft + n, nTop + n});
    if (shown.empty())
        return PopupKind::Unknown;
    // The mean difference over each image's own pixels (not its background), the shown icon
    // sampled at the strip's size.
    PopupKind nBest = PopupKind::Unknown;
    double nBestScore = 0;
    for (int nKind = 0; nKind < 4; ++nKind) {
        long long nSum = 0;
        int nCount = 0;
        for (int y = 0; y < kStripImage; ++y) {
            for (int x = 0; x < kStripImage; ++x) {
                const uint32_t nStrip = strip[static_cast<size_t>(y * 4 * kStripImage + nKind * kStripImage + x)];
                if (nStrip == kStripBackground)
                    continue;
                const uint32_t nShown = shown[static_cast<size_t>((y * n / kStripImage) * n + x * n / kStripImage)];
                nSum += Distance(nStrip, nShown);
                ++nCount;
            }
        }
        const double nScore = nCount > 0 ? static_cast<double>(nSum) / nCount : 1e9;
        if (nBest == PopupKind::Unknown || nScore < nBestScore) {
            nBest = static_cast<PopupKind>(nKind);
            nBestScore = nScore;
        }
    }
    // A fair match differs by little more than the translucency's tint.
    return nBestScore < 120 ? nBest : PopupKind::Unknown;
}

CPopupWatch::CPopupWatch(DWORD nProcessId) : m_nProcessId(nProcessId)
{
    m_start = PerformanceNow();
    m_thread = std::thread([this] { Run(); });
}

CPopupWatch::~CPopupWatch()
{
    m_bStop = true;
    m_thread.join();
}

void CPopupWatch::Run()
{
    // A popup slides in for eight steps of 45 ms: its icon is read once it stands whole.
    constexpr double kWholeAfter = 0.7;
    while (!m_bStop) {
        const std::vector<HWND> visible = VisiblePopups(m_nProcessId);
        const double nNow = SecondsSince(m_start);
        std::vector<std::pair<HWND, RECT>> rects;
        for (HWND hWnd : visible) {
            RECT rc = {};
            GetWindowRect(hWnd, &rc);
            rects.emplace_back(hWnd, rc);
        }
        std::vector<HWND> toRead;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (SeenPopup& seen : m_seen) {
                if (seen.nGoneAt >= 0)
                    continue;
                bool bVisible = false;
                for (const auto& entry : rects) {
                    if (entry.first == seen.hWnd) {
                        bVisible = true;
                        seen.rcWindow = entry.second;
                    }
                }
                if (!bVisible)
                    seen.nGoneAt = nNow;
                else if (seen.nKind == PopupKind::Unknown && nNow - seen.nShownAt >= kWholeAfter)
                    toRead.push_back(seen.hWnd);
            }
            for (const auto& entry : rects) {
                bool bKnown = false;
                for (const SeenPopup& seen : m_seen)
                    bKnown = bKnown || (seen.hWnd == entry.first && seen.nGoneAt < 0);
                if (!bKnown) {
                    SeenPopup seen;
                    seen.hWnd = entry.first;
                    seen.nShownAt = nNow;
                    seen.rcWindow = entry.second;
                    m_seen.push_back(seen);
                }
            }
            m_nMaxAtOnce = std::max(m_nMaxAtOnce, static_cast<int>(visible.size()));
        }
        for (HWND hWnd : toRead) {
            const PopupKind nKind = PopupKindOnScreen(hWnd);
            std::lock_guard<std::mutex> lock(m_mutex);
            for (SeenPopup& seen : m_seen) {
                if (seen.hWnd == hWnd && seen.nGoneAt < 0)
                    seen.nKind = nKind;
            }
        }
        Sleep(20);
    }
}

std::vector<SeenPopup> CPopupWatch::Seen() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_seen;
}

bool CPopupWatch::WaitForCount(size_t nCount, DWORD nTimeoutMs, bool bGone) const
{
    const ULONGLONG deadline = GetTickCount64() + nTimeoutMs;
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            size_t nDone = 0;
            for (const SeenPopup& seen : m_seen)
                nDone += (!bGone || seen.nGoneAt >= 0) ? 1 : 0;
            if (nDone >= nCount)
                return true;
        }
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(20);
    }
}

int CPopupWatch::MaxAtOnce() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nMaxAtOnce;
}
