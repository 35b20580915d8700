#include "update/UpdaterInternetSession.h"

#include <cwchar>
#include <string>

#include "app/Log.h"
#include "framework/InternetException.h"
#include "update/InternetStatusText.h"

namespace {
constexpr size_t kStatusChars = 512;
}  // namespace

CUpdaterInternetSession::CUpdaterInternetSession()
    : CInternetSession(nullptr, 1, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)
{
    EnableStatusCallback();
}

CUpdaterInternetSession::~CUpdaterInternetSession()
{
    // Closed here, while the notifications of the closing still reach this class.
    Close();
}

void CUpdaterInternetSession::EnableStatusCallback()
{
    try {
        CInternetSession::EnableStatusCallback(true);
    } catch (const CInternetException&) {
        XLog(2, L"CUpdaterInternetSession::EnableStatusCallback failed!");
    }
}

void CUpdaterInternetSession::SetStatus(const wchar_t* pszText)
{
    wchar_t szStatus[kStatusChars];
    const size_t nChars = pszText ? wcsnlen(pszText, kStatusChars - 1) : 0;
    if (nChars)
        wmemcpy(szStatus, pszText, nChars);
    szStatus[nChars] = L'\0';
    XLog(2, L"CUpdaterInternetSession::SetStatus: %s", szStatus);
}

void CUpdaterInternetSession::OnStatusCallback(DWORD_PTR, DWORD dwInternetStatus, LPVOID pvStatusInformation,
                                               DWORD dwStatusInformationLength)
{
    // Called inside the library: nothing may leave it.
    try {
        std::wstring strText;
        if (!InternetStatusText(dwInternetStatus, pvStatusInformation, dwStatusInformationLength, strText))
            return;
        SetStatus(strText.c_str());
        XLog(2, L"CUpdaterInternetSession::OnStatusCallback: %s", strText.c_str());
    } catch (...) {
    }
}
