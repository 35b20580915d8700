// A desktop alert: a small translucent popup that slides into view above the notification
// area, shows an icon, a plain text and a link, and closes by itself after a while or
// when the user closes it. It never takes the focus or the activation: it appears while
// the user works elsewhere.
//
// Look: a small caption bar (small icon, title, close button) over a body with the icon at
// the left and the texts beside it, the link drawn as a link (its own colour, underlined,
// hand cursor). Texts wrap; one too long for a sensible popup is cut with an ellipsis.
// Every size follows the window's DPI.
//
// Life: made with new, set up with the setters, opened with Create. It slides into view
// one step per animation-speed period, then counts its auto-close time; it can be dragged
// anywhere (GetLastPos follows). When it closes by itself or by its close button, it
// sends AFX_WM_ON_CLOSEPOPUPWINDOW to its owner (synchronously, wParam 0, lParam the
// popup) and then destroys its window. Destroyed from outside (DestroyWindow, or with its
// owner) it sends nothing. Either way the object deletes itself once its window is gone.
#pragma once
#include <windows.h>

#include <string>

#include "app/SysWrappers.h"
#include "framework/DesktopAlertLayout.h"
#include "framework/Wnd.h"

// The registered message a closing popup sends to its owner.
extern const UINT AFX_WM_ON_CLOSEPOPUPWINDOW;

// What a popup shows.
class CMFCDesktopAlertWndInfo {
public:
    HICON m_hIcon = nullptr;  // the body's icon, borrowed for the popup's life; null: none
    std::wstring m_strText;   // the plain text
    std::wstring m_strURL;    // the link's text; empty: no link
    UINT m_nURLCmdID = 0;     // what a click on the link hands to OnClickLinkButton
};

class CMFCDesktopAlertWnd : public CWnd {
public:
    enum AnimationType {
        NO_ANIMATION = 0,
        SLIDE = 2,
    };

    CMFCDesktopAlertWnd() = default;
    // A window that still exists goes without a close report.
    ~CMFCDesktopAlertWnd() override;

    // Settings, read by Create.
    void SetAnimationType(int nType) { m_nAnimationType = nType; }
    // Milliseconds per slide step; 0 shows the popup whole at once.
    void SetAnimationSpeed(UINT nMs) { m_nAnimationSpeed = nMs; }
    // Opacity, 0 (invisible) to 255 (opaque).
    void SetTransparency(BYTE nAlpha) { m_nTransparency = nAlpha; }
    void SetSmallCaption(bool bSmallCaption) { m_bSmallCaption = bSmallCaption; }
    // Milliseconds from the end of the slide to the close; 0: it stays until closed. On a
    // popup that is already counting, the count starts again with the new time.
    void SetAutoCloseTime(UINT nMs);
    int GetAnimationType() const { return m_nAnimationType; }
    UINT GetAnimationSpeed() const { return m_nAnimationSpeed; }
    BYTE GetTransparency() const { return m_nTransparency; }
    bool HasSmallCaption() const { return m_bSmallCaption; }
    UINT GetAutoCloseTime() const { return m_nAutoCloseTime; }

    // Opens the popup, owned by pWndOwner (may be null), at ptPos (its top-left corner on
    // the screen; (-1, -1): the lower-right corner of the primary work area), moved into
    // the work area where it would leave it. No menu is offered: hMenu must be null. False
    // with the last error when the window cannot be made; the object then stays the
    // caller's.
    bool Create(CWnd* pWndOwner, const CMFCDesktopAlertWndInfo& params, HMENU hMenu = nullptr,
                POINT ptPos = POINT{-1, -1});

    // Where the popup opened, or where the user dragged it.
    POINT GetLastPos() const { return m_ptLastPos; }
    const CMFCDesktopAlertWndInfo& GetInfo() const { return m_info; }
    // The slide has ended.
    bool IsFullyShown() const { return m_bFullyShown; }

    // The parts of the popup, in client pixels of the whole popup; empty when absent.
    enum Part {
        PartCaption,
        PartClose,
        PartIcon,
        PartText,
        PartLink,
    };
    RECT GetPartRect(Part nPart) const;

    // Closes the popup as its close button does: the owner is told, then the window goes
    // (and with it this object).
    void ClosePopup();

    // A click on the link; true when handled. The base handles nothing.
    virtual bool OnClickLinkButton(UINT nURLCmdID);

    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) override;

protected:
    void OnTimer(UINT_PTR nIdEvent) override;
    void OnPaint() override;
    BOOL OnSetCursor(HWND hWnd, UINT nHitTest, UINT nMouseMsg) override;
    // Deletes the object.
    void PostNcDestroy() override;
    // The popup has been laid out again for nDpi (WM_DPICHANGED): the place to give it
    // icons of that DPI. The base keeps its icons, drawn at the sizes of the new DPI.
    virtual void ReloadIcons(UINT nDpi);

private:
    enum class Press { None, Close, Link, Drag };

    // Fonts, texts and parts for m_nDpi and the work area.
    void Layout();
    // Shows the slide step m_nStep (the last one is the whole popup).
    void ShowStep();
    void FinishSlide();
    void OnButtonDown(POINT pt);
    void OnButtonUp(POINT pt);
    void OnMouseMove(POINT pt);
    void EndPress();
    void SetHotPart(Part nPart, bool bHot);
    void OnDpiChanged(UINT nDpi, const RECT& rcSuggested);
    void Draw(HDC hDC) const;

    int m_nAnimationType = NO_ANIMATION;
    UINT m_nAnimationSpeed = 30;
    BYTE m_nTransparency = 255;
    bool m_bSmallCaption = false;
    UINT m_nAutoCloseTime = 0;

    CMFCDesktopAlertWndInfo m_info;
    HWND m_hOwner = nullptr;
    POINT m_ptLastPos = {-1, -1};
    Rect m_rcWork;
    Rect m_rcFinal;  // screen rectangle of the whole popup
    UINT m_nDpi = 96;
    DesktopAlertMetrics m_metrics;
    DesktopAlertParts m_parts;
    int32_t m_nColumnWidth = 0;
    std::wstring m_strShownText;  // the texts as drawn, cut to fit
    std::wstring m_strShownURL;
    XFont m_fontBody;
    XFont m_fontLink;
    XFont m_fontTitle;

    int m_nStep = 0;
    bool m_bFullyShown = false;
    bool m_bClosing = false;
    bool m_bCloseDue = false;  // the auto-close time ran out during a drag
    Press m_press = Press::None;
    POINT m_ptPressScreen = {};
    POINT m_ptWindowAtPress = {};
    bool m_bCloseHot = false;
    bool m_bLinkHot = false;
    bool m_bTrackingLeave = false;
};
