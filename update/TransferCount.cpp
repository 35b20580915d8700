#include "update/TransferCount.h"

#include <limits>

int32_t CContentLength::ForReport() const
{
    constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(nBytes < kMax ? nBytes : kMax);
}

CContentLength ParseContentLength(const std::wstring& strValue)
{
    CContentLength length;
    size_t i = 0;
    while (i < strValue.size() && (strValue[i] == L' ' || strValue[i] == L'\t'))
        ++i;
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    for (; i < strValue.size() && strValue[i] >= L'0' && strValue[i] <= L'9'; ++i) {
        const uint64_t nDigit = static_cast<uint64_t>(strValue[i] - L'0');
        length.bAnnounced = true;
        length.nBytes = length.nBytes > (kMax - nDigit) / 10 ? kMax : length.nBytes * 10 + nDigit;
    }
    return length;
}

int32_t AddToCount(int32_t nCount, uint32_t nBytes)
{
    const int64_t nSum = static_cast<int64_t>(nCount < 0 ? 0 : nCount) + nBytes;
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(nSum < kMax ? nSum : kMax);
}
