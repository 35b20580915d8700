#include "status/ControlPointer.h"

#include "app/AppString.h"
#include "resources/StringIds.h"
#include "resources/resource.h"

namespace {

ControlPointer Link(uint32_t nTip)
{
    return ControlPointer{true, AppString(nTip), true};
}

}  // namespace

ControlPointer PointerOfControl(int nId, const ControlFacts& facts)
{
    switch (nId) {
    case IDC_SMS_TITLE:
    case IDC_SMS_ICON:
        return Link(IDS_SMS_INBOX_TIP);
    case IDC_CALLS_TITLE:
    case IDC_CALLS_ICON:
        return Link(IDS_MISSED_CALLS_TIP);
    case IDC_STATUS_TITLE:
        return Link(IDS_OVERVIEW_TIP);
    case IDC_SMS_PREV:
        return Link(IDS_PREVIOUS_SMS_TIP);
    case IDC_SMS_NEXT:
        return Link(IDS_NEXT_SMS_TIP);
    case IDC_SMS_SENDER:
    case IDC_SMS_TIME:
        // The whole text, only where the label cuts it off.
        return ControlPointer{true, facts.bTextCut ? facts.strText : std::wstring(), false};
    case IDC_SIGNAL_ICON:
        return ControlPointer{true, facts.strSignalText, false};
    case IDC_UPDATE_TITLE:
    case IDC_UPDATE_LINK: {
        ControlPointer pointer{true, std::wstring(), false};
        if (facts.bUpdateOffered) {
            pointer.strTip = AppString(facts.bNotifierOffer ? IDS_UPDATE_NOTIFIER_TIP : IDS_UPGRADE_FIRMWARE_TIP);
            pointer.bHand = nId == IDC_UPDATE_TITLE;
        }
        return pointer;
    }
    default:
        return ControlPointer{};
    }
}
