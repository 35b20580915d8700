// The seam between the alert queue and the popup windows, so that the order of the alerts
// and the bookkeeping of the open popup run without a window system.
#pragma once
#include <cstdint>

#include "alerts/DesktopAlertItem.h"

// A screen position; (-1, -1) asks for the popup's default place.
struct AlertPoint {
    int32_t x = -1;
    int32_t y = -1;
};

// One open popup, as the queue sees it. It reports its own close to the queue
// (CAlertQueue::OnPopupClosed) and its end without a close (CAlertQueue::OnPopupGone).
class IAlertPopup {
public:
    // Destroys the popup's window at once, without a close report; the popup then goes.
    virtual void DestroyPopup() = 0;

protected:
    ~IAlertPopup() = default;
};

class IAlertPopupFactory {
public:
    // Opens the popup of the alert at ptPos. Returns the open popup, or null when it could not
    // be made. A popup reports nothing before this call has returned.
    virtual IAlertPopup* ShowAlert(const CDesktopAlertItem& item, AlertPoint ptPos) = 0;

protected:
    ~IAlertPopupFactory() = default;
};
