#include "update/WebAddress.h"

#include <initializer_list>

namespace {

// Length of the "http://" or "https://" prefix (letter case ignored), or 0.
size_t WebSchemeLength(const std::wstring& strUrl)
{
    static const wchar_t* const s_apszSchemes[] = {L"http://", L"https://"};
    for (const wchar_t* pszScheme : s_apszSchemes) {
        size_t i = 0;
        for (; pszScheme[i] && i < strUrl.size(); ++i) {
            wchar_t ch = strUrl[i];
            if (ch >= L'A' && ch <= L'Z')
                ch = static_cast<wchar_t>(ch - L'A' + L'a');
            if (ch != pszScheme[i])
                break;
        }
        if (!pszScheme[i])
            return i;
    }
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
