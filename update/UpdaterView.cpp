#include "update/UpdaterView.h"

#include "resources/resource.h"

namespace {

constexpr uint32_t In(UpdaterState nState)
{
    return 1u << nState;
}

}  // namespace

const CUpdaterControlRule kUpdaterControlRules[8] = {
    {IDC_UPDATER_DOWNLOADING, In(Ready)},
    {IDC_UPDATER_FILE_NAME, In(Ready) | In(Downloading)},
    {IDC_UPDATER_TRANSFER_LABEL, In(Downloading)},
    {IDC_UPDATER_SIZE_LABEL, In(Ready)},
    {IDC_UPDATER_SIZE, In(Ready)},
    {IDC_UPDATER_STATUS, In(Checking) | In(Downloading)},
    {IDC_UPDATER_PROGRESS, In(Downloading)},
    {IDC_UPDATER_PROMPT, In(Ready)},
};

bool IsUpdaterState(int32_t nValue)
{
    switch (nValue) {
    case Checking:
    case Ready:
    case Downloading:
    case Done:
    case Failed:
        return true;
    default:
        return false;
    }
}

bool IsUpdaterControlShown(UpdaterState nState, int nControlId)
{
    if (!IsUpdaterState(nState))
        return false;
    for (const CUpdaterControlRule& rule : kUpdaterControlRules)
        if (rule.nId == nControlId)
            return (rule.nShownIn & In(nState)) != 0;
    return false;
}

bool IsUpdaterOkEnabled(UpdaterState nState)
{
    return nState == Ready;
}

std::wstring FormatDownloadSize(int32_t nTotalBytes)
{
    return std::to_wstring(nTotalBytes);
}

std::wstring FormatTransferCounter(int32_t nBytesReceived, int32_t nTotalBytes)
{
    return std::to_wstring(nBytesReceived) + L'/' + std::to_wstring(nTotalBytes);
}
