// What the updater dialog shows in each state: which of its controls are visible, whether
// OK is enabled, and the texts of the size and the transfer counter. The dialog applies it.
#pragma once
#include <cstdint>
#include <string>

#include "update/UpdateProgress.h"

// One control whose visibility follows the state, and the states that show it (a bit per
// state value).
struct CUpdaterControlRule {
    int nId;
    uint32_t nShownIn;
};

// The eight controls of the updater dialog that a state shows or hides.
extern const CUpdaterControlRule kUpdaterControlRules[8];

// True if the state shows the control; a control not in the list is never shown by a
// state, and an unknown state shows nothing.
bool IsUpdaterControlShown(UpdaterState nState, int nControlId);
// OK starts the transfer, so it is enabled only while the URL is open and nothing runs yet.
bool IsUpdaterOkEnabled(UpdaterState nState);

// The size as shown in Ready: decimal, in bytes.
std::wstring FormatDownloadSize(int32_t nTotalBytes);
// The counter during the transfer: received/total, both in bytes ("8192/0" when no size
// was announced).
std::wstring FormatTransferCounter(int32_t nBytesReceived, int32_t nTotalBytes);
