#include "update/WebAddress.h"

#include <initializer_list>

#include "app/AsciiCase.h"

namespace {

// Length of the "http://" or "https://" prefix (letter case ignored), or 0.
size_t WebSchemeLength(const std::wstring& strUrl)
{
    for (const std::wstring strScheme : {L"http://", L"https://"})
        if (StartsWithIgnoringAsciiCase(strUrl, strScheme))
            return strScheme.size();
    return 0;
}

}  // namespace

bool IsWebAddress(const std::wstring& strUrl)
{
    const size_t nScheme = WebSchemeLength(strUrl);
    if (nScheme == 0 || nScheme >= strUrl.size())
        return false;
    const wchar_t chHostStart = strUrl[nScheme];
    for (wchar_t chEnd : {L'/', L'\\', L'?', L'#', L'@', L':', L' '})
        if (chHostStart == chEnd)
            return false;
    for (wchar_t ch : strUrl)
        if (ch < 0x20 || ch == 0x7F)
            return false;
    return true;
}
