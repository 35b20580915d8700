// Letter case as the program compares it in versions, extensions, schemes and device names:
// ASCII letters only, A-Z equal to a-z; every other character stands for itself.
#pragma once
#include <string>

inline wchar_t ToLowerAscii(wchar_t ch)
{
    return (ch >= L'A' && ch <= L'Z') ? static_cast<wchar_t>(ch - L'A' + L'a') : ch;
}

inline bool EqualsIgnoringAsciiCase(const std::wstring& a, const std::wstring& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (ToLowerAscii(a[i]) != ToLowerAscii(b[i]))
            return false;
    return true;
}

// True if strText begins with strPrefix, case ignored as above.
inline bool StartsWithIgnoringAsciiCase(const std::wstring& strText, const std::wstring& strPrefix)
{
    return strText.size() >= strPrefix.size() &&
           EqualsIgnoringAsciiCase(strText.substr(0, strPrefix.size()), strPrefix);
}
