// One desktop alert as it waits for its popup: its kind and its two texts. Held by value in
// the queue of its kind.
#pragma once
#include <cstdint>
#include <string>

// Selects the queue, the image of the strip and the link's command. Signed 32-bit, as the
// callers pass it.
enum AlertKind : int32_t {
    AlertIncomingCall = 0,
    AlertSms = 1,
    AlertError = 2,
    AlertUpdate = 3,
};
constexpr int32_t kAlertKindCount = 4;

class CDesktopAlertItem {
public:
    // A null text is the empty text.
    CDesktopAlertItem(AlertKind nKind, const wchar_t* pszPlainText, const wchar_t* pszLinkText)
        : m_nKind(nKind), m_strPlainText(pszPlainText ? pszPlainText : L""),
          m_strLinkText(pszLinkText ? pszLinkText : L"")
    {
    }

    AlertKind m_nKind;
    std::wstring m_strPlainText;
    std::wstring m_strLinkText;
};
