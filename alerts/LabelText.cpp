#include "alerts/LabelText.h"

std::wstring FormatCounterText(const std::wstring& strLabel, int32_t nPosition, int32_t nTotal)
{
    std::wstring strText = strLabel;
    strText += L' ';
    strText += std::to_wstring(nPosition);
    strText += L'/';
    strText += std::to_wstring(nTotal);
    return strText;
}

std::wstring FormatLabelledText(const std::wstring& strLabel, const std::wstring& strValue)
{
    std::wstring strText = strLabel;
    strText += L' ';
    strText += strValue;
    return strText;
}
