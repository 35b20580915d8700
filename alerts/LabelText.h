// Label texts of the records and counters ("%s %s", "%s %d/%d"), built without a wide
// printf so that "%s" means the same on every platform.
#pragma once
#include <cstdint>
#include <string>

// strLabel, one blank, nPosition, "/", nTotal: the "%s %d/%d" form of the counters.
std::wstring FormatCounterText(const std::wstring& strLabel, int32_t nPosition, int32_t nTotal);

// strLabel, one blank, strValue: the "%s %s" form of labelled record texts.
std::wstring FormatLabelledText(const std::wstring& strLabel, const std::wstring& strValue);
