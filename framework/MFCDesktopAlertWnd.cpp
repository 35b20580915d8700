#include "framework/MFCDesktopAlertWnd.h"

#include <algorithm>

#include "app/ResourceModule.h"

const UINT AFX_WM_ON_CLOSEPOPUPWINDOW = RegisterWindowMessageW(L"TnDesktopAlertWndClosed");

namespace {

const wchar_t kClassName[] = L"TnDesktopAlertWnd";
// Above other windows, no taskbar button, never activated, translucent.
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_LAYERED;

constexpr UINT_PTR kTimerSlide = 1;
constexpr UINT_PTR kTimerAutoClose = 2;
constexpr int kSlideSteps = 8;

constexpr COLORREF kCaptionColour = RGB(47, 92, 150);
constexpr COLORREF kCaptionTextColour = RGB(255, 255, 255);
constexpr COLORREF kCloseHotColour = RGB(196, 43, 28);
constexpr COLORREF kBorderColour = RGB(70, 96, 130);
constexpr COLORREF kBodyColour = RGB(250, 251, 253);
constexpr COLORREF kTextColour = RGB(30, 30, 30);
constexpr COLORREF kLinkColour = RGB(0, 90, 190);
constexpr COLORREF kLinkHotColour = RGB(0, 50, 130);

// Wrapping as a multi-line edit control does, long words broken, no mnemonics.
constexpr UINT kTextFormat = DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX;

bool RegisterPopupClass()
{
    static const bool s_bRegistered = [] {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = AfxGetInstanceHandle();
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return s_bRegistered;
}

// The button that presses and drags, as the hand holds it now (not as the messages seen
// so far tell it).
bool IsPrimaryButtonDown()
{
    const int nButton = GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;
    return (GetAsyncKeyState(nButton) & 0x8000) != 0;
}

// The signed client point of a mouse message.
POINT PointOf(LPARAM lParam)
{
    return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

RECT ToRECT(const Rect& rc)
{
    return RECT{rc.left, rc.top, rc.right, rc.bottom};
}

bool Contains(const Rect& rc, POINT pt)
{
    return pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
}

void Fill(HDC hDC, const Rect& rc, COLORREF colour)
{
    const RECT r = ToRECT(rc);
    SetBkColor(hDC, colour);
    ExtTextOutW(hDC, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

// The message font of the DPI, and its underlined and bold variants.
LOGFONTW MessageFont(UINT nDpi, bool bCaption)
{
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, nDpi)) {
        metrics.cbSize = sizeof(metrics);
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
        const UINT nSystemDpi = GetDpiForSystem();
        metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, nDpi, nSystemDpi ? nSystemDpi : 96);
        metrics.lfSmCaptionFont.lfHeight = MulDiv(metrics.lfSmCaptionFont.lfHeight, nDpi, nSystemDpi ? nSystemDpi : 96);
    }
    LOGFONTW font = bCaption ? metrics.lfSmCaptionFont : metrics.lfMessageFont;
    if (bCaption) {
        // The caption's face at the body's height reads best in a caption this small.
        font.lfHeight = metrics.lfMessageFont.lfHeight;
        font.lfWeight = FW_BOLD;
    }
    return font;
}

// The extent of a text wrapped in nWidth pixels; nothing for an empty text.
Size MeasureText(HDC hDC, HFONT hFont, const std::wstring& strText, int32_t nWidth)
{
    if (strText.empty())
        return Size{};
    RECT rc = {0, 0, nWidth, 0};
    HGDIOBJ hOld = SelectObject(hDC, hFont);
    DrawTextW(hDC, strText.c_str(), static_cast<int>(strText.size()), &rc, kTextFormat | DT_CALCRECT);
    SelectObject(hDC, hOld);
    return Size{rc.right - rc.left, rc.bottom - rc.top};
}

}  // namespace

CMFCDesktopAlertWnd::~CMFCDesktopAlertWnd()
{
    // Unbound first, so the window's end no longer reaches this object.
    if (m_hWnd != nullptr)
        ::DestroyWindow(UnsubclassWindow());
}

void CMFCDesktopAlertWnd::SetAutoCloseTime(UINT nMs)
{
    m_nAutoCloseTime = nMs;
    if (m_hWnd == nullptr || !m_bFullyShown || m_bClosing || m_bCloseDue)
        return;
    KillTimer(kTimerAutoClose);
    if (nMs > 0)
        SetTimer(kTimerAutoClose, nMs);
}

bool CMFCDesktopAlertWnd::Create(CWnd* pWndOwner, const CMFCDesktopAlertWndInfo& params, HMENU hMenu, POINT ptPos)
{
    if (m_hWnd != nullptr || hMenu != nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!RegisterPopupClass())
        return false;
    m_info = params;
    m_hOwner = pWndOwner != nullptr ? pWndOwner->m_hWnd : nullptr;

    const bool bDefaultPlace = ptPos.x == -1 && ptPos.y == -1;
    HMONITOR hMonitor = MonitorFromPoint(bDefaultPlace ? POINT{0, 0} : ptPos,
                                         bDefaultPlace ? MONITOR_DEFAULTTOPRIMARY : MONITOR_DEFAULTTONEAREST);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(hMonitor, &monitor))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &monitor.rcWork, 0);
    m_rcWork = Rect{monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right, monitor.rcWork.bottom};

    // Made hidden on the monitor it will show on, so that it has that monitor's DPI.
    HWND hWnd = CreateWindowExW(kExStyle, kClassName, L"", WS_POPUP, m_rcWork.right - 1, m_rcWork.bottom - 1, 1, 1,
                                m_hOwner, nullptr, AfxGetInstanceHandle(), nullptr);
    if (hWnd == nullptr)
        return false;
    if (!SubclassWindow(hWnd)) {
        const DWORD nError = GetLastError();
        ::DestroyWindow(hWnd);
        SetLastError(nError);
        return false;
    }
    SetLayeredWindowAttributes(hWnd, 0, m_nTransparency, LWA_ALPHA);
    const UINT nDpi = GetDpiForWindow(hWnd);
    m_nDpi = nDpi != 0 ? nDpi : 96;
    Layout();
    m_rcFinal = PlaceDesktopAlert(m_rcWork, m_parts.szWindow, bDefaultPlace ? Point{-1, -1} : Point{ptPos.x, ptPos.y});
    m_ptLastPos = POINT{m_rcFinal.left, m_rcFinal.top};

    if (m_nAnimationType == SLIDE && m_nAnimationSpeed > 0 && SetTimer(kTimerSlide, m_nAnimationSpeed) != 0) {
        m_nStep = 1;
        ShowStep();
    } else {
        FinishSlide();
    }
    SetLastError(0);
    return true;
}

void CMFCDesktopAlertWnd::Layout()
{
    m_metrics = ScaleDesktopAlertMetrics(m_nDpi, m_bSmallCaption, GetSystemMetricsForDpi(SM_CXSMICON, m_nDpi));
    LOGFONTW font = MessageFont(m_nDpi, false);
    m_fontBody.Reset(CreateFontIndirectW(&font));
    font.lfUnderline = TRUE;
    m_fontLink.Reset(CreateFontIndirectW(&font));
    font = MessageFont(m_nDpi, true);
    m_fontTitle.Reset(CreateFontIndirectW(&font));

    HDC hDC = GetDC(m_hWnd);
    const int32_t nLine = std::max<int32_t>(MeasureText(hDC, m_fontBody.Get(), L"X", 1000).cy, 1);
    // The texts together get a few lines, and never more than the work area leaves.
    const int32_t nChrome = 2 * m_metrics.nBorder + m_metrics.nCaptionHeight + 2 * m_metrics.nPadding;
    const int32_t nMaxTexts = std::max(nLine, std::min(m_metrics.nMaxTextLines * nLine, m_rcWork.Height() - nChrome));

    // The column is as wide as the wider text wraps to within the maximum.
    const HFONT hBody = m_fontBody.Get();
    const HFONT hLink = m_fontLink.Get();
    m_nColumnWidth = std::clamp(std::max(MeasureText(hDC, hBody, m_info.m_strText, m_metrics.nMaxTextWidth).cx,
                                         MeasureText(hDC, hLink, m_info.m_strURL, m_metrics.nMaxTextWidth).cx),
                                m_metrics.nMinTextWidth, m_metrics.nMaxTextWidth);

    // Texts too tall are cut: the plain text leaves the link at least its first two lines,
    // the link takes what the plain text leaves.
    auto cut = [&](HFONT hFont, const std::wstring& strText, int32_t nBudget) {
        return CutTextToFit(strText, [&](const std::wstring& strCandidate) {
            return MeasureText(hDC, hFont, strCandidate, m_nColumnWidth).cy <= nBudget;
        });
    };
    int32_t nTextBudget = nMaxTexts;
    if (!m_info.m_strURL.empty()) {
        const int32_t nLinkHeight = MeasureText(hDC, hLink, m_info.m_strURL, m_nColumnWidth).cy;
        nTextBudget = std::max(nLine, nMaxTexts - m_metrics.nTextGap - std::min(nLinkHeight, 2 * nLine));
    }
    m_strShownText = m_info.m_strText.empty() ? std::wstring() : cut(hBody, m_info.m_strText, nTextBudget);
    const Size szText = {m_nColumnWidth, MeasureText(hDC, hBody, m_strShownText, m_nColumnWidth).cy};
    const int32_t nLinkBudget = std::max(nLine, nMaxTexts - (szText.cy > 0 ? szText.cy + m_metrics.nTextGap : 0));
    m_strShownURL = m_info.m_strURL.empty() ? std::wstring() : cut(hLink, m_info.m_strURL, nLinkBudget);
    const Size szLink = MeasureText(hDC, hLink, m_strShownURL, m_nColumnWidth);
    ReleaseDC(m_hWnd, hDC);

    m_parts = ArrangeDesktopAlert(m_metrics, m_info.m_hIcon != nullptr, szText, szLink);
}

void CMFCDesktopAlertWnd::ShowStep()
{
    const int32_t nHeight = SlideHeight(m_rcFinal.Height(), m_nStep, kSlideSteps);
    SetWindowPos(HWND_TOPMOST, m_rcFinal.left, m_rcFinal.bottom - nHeight, m_rcFinal.Width(), nHeight,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void CMFCDesktopAlertWnd::FinishSlide()
{
    KillTimer(kTimerSlide);
    m_nStep = kSlideSteps;
    ShowStep();
    m_bFullyShown = true;
    if (m_nAutoCloseTime > 0)
        SetTimer(kTimerAutoClose, m_nAutoCloseTime);
}

void CMFCDesktopAlertWnd::OnTimer(UINT_PTR nIdEvent)
{
    if (nIdEvent == kTimerSlide) {
        if (++m_nStep >= kSlideSteps)
            FinishSlide();
        else
            ShowStep();
    } else if (nIdEvent == kTimerAutoClose) {
        KillTimer(kTimerAutoClose);
        // Not from under the user's hand: a drag ends first. Only while the button is still
        // down, though: a drag whose release never came (a window system that lets input go
        // elsewhere while the popup, never active, holds the capture) would keep the popup,
        // and every alert behind it, for good.
        if (m_press == Press::Drag && IsPrimaryButtonDown())
            m_bCloseDue = true;
        else
            ClosePopup();
    }
}

void CMFCDesktopAlertWnd::ClosePopup()
{
    if (m_bClosing || m_hWnd == nullptr)
        return;
    m_bClosing = true;
    KillTimer(kTimerSlide);
    KillTimer(kTimerAutoClose);
    EndPress();
    // Out of sight before the owner opens the next popup in the same place.
    ShowWindow(SW_HIDE);
    HWND hWnd = m_hWnd;
    if (m_hOwner != nullptr && IsWindow(m_hOwner))
        ::SendMessageW(m_hOwner, AFX_WM_ON_CLOSEPOPUPWINDOW, 0, reinterpret_cast<LPARAM>(this));
    // The owner may have destroyed the popup meanwhile, and with it this object.
    if (IsWindow(hWnd) && FromHandlePermanent(hWnd) == this)
        DestroyWindow();
}

bool CMFCDesktopAlertWnd::OnClickLinkButton(UINT)
{
    return false;
}

void CMFCDesktopAlertWnd::PostNcDestroy()
{
    delete this;
}

RECT CMFCDesktopAlertWnd::GetPartRect(Part nPart) const
{
    switch (nPart) {
    case PartCaption:
        return ToRECT(m_parts.rcCaption);
    case PartClose:
        return ToRECT(m_parts.rcClose);
    case PartIcon:
        return ToRECT(m_parts.rcIcon);
    case PartText:
        return ToRECT(m_parts.rcText);
    case PartLink:
        return ToRECT(m_parts.rcLink);
    }
    return RECT{};
}

LRESULT CMFCDesktopAlertWnd::WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    const POINT pt = PointOf(lParam);
    switch (nMsg) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
        OnButtonDown(pt);
        return 0;
    case WM_LBUTTONUP:
        // May close the popup: nothing of the object is touched after it.
        OnButtonUp(pt);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(pt);
        return 0;
    case WM_MOUSELEAVE:
        m_bTrackingLeave = false;
        SetHotPart(PartClose, false);
        SetHotPart(PartLink, false);
        return 0;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != m_hWnd && m_press != Press::None) {
            const bool bCloseDue = m_bCloseDue;
            m_press = Press::None;
            if (bCloseDue)
                ClosePopup();
        }
        return 0;
    case WM_SETTEXT:
    case WM_SETICON: {
        const LRESULT nResult = Default();
        const RECT rc = ToRECT(m_parts.rcCaption);
        InvalidateRect(m_hWnd, &rc, FALSE);
        return nResult;
    }
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    default:
        return CWnd::WindowProc(nMsg, wParam, lParam);
    }
}

void CMFCDesktopAlertWnd::OnButtonDown(POINT pt)
{
    if (m_bClosing)
        return;
    // A click during the slide finds the popup where it will stay.
    if (!m_bFullyShown)
        FinishSlide();
    if (Contains(m_parts.rcClose, pt)) {
        m_press = Press::Close;
    } else if (!m_strShownURL.empty() && Contains(m_parts.rcLink, pt)) {
        m_press = Press::Link;
    } else {
        m_press = Press::Drag;
        m_ptPressScreen = pt;
        ClientToScreen(m_hWnd, &m_ptPressScreen);
        m_ptWindowAtPress = POINT{m_rcFinal.left, m_rcFinal.top};
    }
    SetCapture(m_hWnd);
}

void CMFCDesktopAlertWnd::EndPress()
{
    m_press = Press::None;
    if (GetCapture() == m_hWnd)
        ReleaseCapture();
}

void CMFCDesktopAlertWnd::OnButtonUp(POINT pt)
{
    const Press press = m_press;
    const bool bCloseDue = m_bCloseDue;
    EndPress();
    if (press == Press::Close && Contains(m_parts.rcClose, pt))
        ClosePopup();
    else if (press == Press::Link && Contains(m_parts.rcLink, pt))
        OnClickLinkButton(m_info.m_nURLCmdID);
    else if (press == Press::Drag && bCloseDue)
        ClosePopup();
}

void CMFCDesktopAlertWnd::OnMouseMove(POINT pt)
{
    if (m_press == Press::Drag) {
        POINT ptScreen = pt;
        ClientToScreen(m_hWnd, &ptScreen);
        const int32_t x = m_ptWindowAtPress.x + (ptScreen.x - m_ptPressScreen.x);
        const int32_t y = m_ptWindowAtPress.y + (ptScreen.y - m_ptPressScreen.y);
        m_rcFinal = Rect{x, y, x + m_rcFinal.Width(), y + m_rcFinal.Height()};
        m_ptLastPos = POINT{x, y};
        SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    // While a button is held, only the pressed part lights up.
    const bool bFree = m_press == Press::None;
    SetHotPart(PartClose, (bFree || m_press == Press::Close) && Contains(m_parts.rcClose, pt));
    SetHotPart(PartLink, (bFree || m_press == Press::Link) && !m_strShownURL.empty() && Contains(m_parts.rcLink, pt));
    if (!m_bTrackingLeave) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, m_hWnd, 0};
        m_bTrackingLeave = TrackMouseEvent(&track) != FALSE;
    }
}

void CMFCDesktopAlertWnd::SetHotPart(Part nPart, bool bHot)
{
    bool& bState = nPart == PartClose ? m_bCloseHot : m_bLinkHot;
    if (bState == bHot)
        return;
    bState = bHot;
    const RECT rc = GetPartRect(nPart);
    InvalidateRect(m_hWnd, &rc, FALSE);
}

BOOL CMFCDesktopAlertWnd::OnSetCursor(HWND hWnd, UINT nHitTest, UINT nMouseMsg)
{
    if (hWnd != m_hWnd || nHitTest != HTCLIENT)
        return CWnd::OnSetCursor(hWnd, nHitTest, nMouseMsg);
    POINT pt = {};
    GetCursorPos(&pt);
    ScreenToClient(m_hWnd, &pt);
    const bool bOnLink = !m_strShownURL.empty() && Contains(m_parts.rcLink, pt) && m_press != Press::Drag;
    SetCursor(LoadCursorW(nullptr, bOnLink ? IDC_HAND : IDC_ARROW));
    return TRUE;
}

void CMFCDesktopAlertWnd::OnDpiChanged(UINT nDpi, const RECT& rcSuggested)
{
    m_nDpi = nDpi != 0 ? nDpi : 96;
    Layout();
    m_rcFinal = Rect{rcSuggested.left, rcSuggested.top, rcSuggested.left + m_parts.szWindow.cx,
                     rcSuggested.top + m_parts.szWindow.cy};
    m_ptLastPos = POINT{m_rcFinal.left, m_rcFinal.top};
    ShowStep();
    ReloadIcons(m_nDpi);
    InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CMFCDesktopAlertWnd::ReloadIcons(UINT) {}

void CMFCDesktopAlertWnd::OnPaint()
{
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(m_hWnd, &ps);
    // Drawn whole off screen, so a slide step or a hover never flickers; the window shows
    // the popup's top part while it slides in.
    const int32_t cx = m_parts.szWindow.cx;
    const int32_t cy = m_parts.szWindow.cy;
    HDC hMemory = CreateCompatibleDC(hDC);
    XBitmap bitmap(CreateCompatibleBitmap(hDC, cx, cy));
    if (hMemory != nullptr && bitmap) {
        HGDIOBJ hOld = SelectObject(hMemory, bitmap.Get());
        Draw(hMemory);
        BitBlt(hDC, 0, 0, cx, cy, hMemory, 0, 0, SRCCOPY);
        SelectObject(hMemory, hOld);
    } else {
        Draw(hDC);
    }
    if (hMemory != nullptr)
        DeleteDC(hMemory);
    EndPaint(m_hWnd, &ps);
}

void CMFCDesktopAlertWnd::Draw(HDC hDC) const
{
    const DesktopAlertParts& p = m_parts;
    const Rect rcAll = {0, 0, p.szWindow.cx, p.szWindow.cy};
    Fill(hDC, rcAll, kBorderColour);
    Fill(hDC,
         Rect{m_metrics.nBorder, m_metrics.nBorder, rcAll.right - m_metrics.nBorder, rcAll.bottom - m_metrics.nBorder},
         kBodyColour);
    SetBkMode(hDC, TRANSPARENT);

    // Caption: small icon, title, close button.
    Fill(hDC, p.rcCaption, kCaptionColour);
    if (HICON hSmall = reinterpret_cast<HICON>(::SendMessageW(m_hWnd, WM_GETICON, ICON_SMALL, 0)))
        DrawIconEx(hDC, p.rcSmallIcon.left, p.rcSmallIcon.top, hSmall, p.rcSmallIcon.Width(), p.rcSmallIcon.Height(), 0,
                   nullptr, DI_NORMAL);
    const std::wstring strTitle = GetWindowText();
    RECT rcTitle = ToRECT(p.rcTitle);
    HGDIOBJ hOldFont = SelectObject(hDC, m_fontTitle.Get());
    SetTextColor(hDC, kCaptionTextColour);
    DrawTextW(hDC, strTitle.c_str(), static_cast<int>(strTitle.size()), &rcTitle,
              DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    if (m_bCloseHot)
        Fill(hDC, p.rcClose, kCloseHotColour);
    HPEN hPen = CreatePen(PS_SOLID, std::max(1, MulDiv(3, static_cast<int>(m_nDpi), 192)), kCaptionTextColour);
    HGDIOBJ hOldPen = SelectObject(hDC, hPen);
    const Rect& g = p.rcCloseGlyph;
    MoveToEx(hDC, g.left, g.top, nullptr);
    LineTo(hDC, g.right, g.bottom);
    MoveToEx(hDC, g.right - 1, g.top, nullptr);
    LineTo(hDC, g.left - 1, g.bottom);
    SelectObject(hDC, hOldPen);
    DeleteObject(hPen);

    // Body: icon, plain text, link.
    if (m_info.m_hIcon != nullptr)
        DrawIconEx(hDC, p.rcIcon.left, p.rcIcon.top, m_info.m_hIcon, p.rcIcon.Width(), p.rcIcon.Height(), 0, nullptr,
                   DI_NORMAL);
    if (!m_strShownText.empty()) {
        RECT rc = ToRECT(p.rcText);
        SelectObject(hDC, m_fontBody.Get());
        SetTextColor(hDC, kTextColour);
        DrawTextW(hDC, m_strShownText.c_str(), static_cast<int>(m_strShownText.size()), &rc, kTextFormat);
    }
    if (!m_strShownURL.empty()) {
        // Wrapped in the whole column, as it was measured.
        RECT rc = {p.rcLink.left, p.rcLink.top, p.rcLink.left + m_nColumnWidth, p.rcLink.bottom};
        SelectObject(hDC, m_fontLink.Get());
        SetTextColor(hDC, m_bLinkHot ? kLinkHotColour : kLinkColour);
        DrawTextW(hDC, m_strShownURL.c_str(), static_cast<int>(m_strShownURL.size()), &rc, kTextFormat);
    }
    SelectObject(hDC, hOldFont);
}
