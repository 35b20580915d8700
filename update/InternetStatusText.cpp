#include "update/InternetStatusText.h"

#include <cstring>

namespace {

// Status codes of the HTTP stack.
constexpr uint32_t kResolvingName = 10;
constexpr uint32_t kNameResolved = 11;
constexpr uint32_t kConnectingToServer = 20;
constexpr uint32_t kConnectedToServer = 21;
constexpr uint32_t kSendingRequest = 30;
constexpr uint32_t kRequestSent = 31;
constexpr uint32_t kReceivingResponse = 40;
constexpr uint32_t kResponseReceived = 41;
constexpr uint32_t kClosingConnection = 50;
constexpr uint32_t kConnectionClosed = 51;
constexpr uint32_t kHandleCreated = 60;
constexpr uint32_t kHandleClosing = 70;
constexpr uint32_t kRequestComplete = 100;

// The stack passes host names as UTF-16 or as narrow text depending on the notification
// and the system; a block whose length is exactly that of a UTF-16 text is one, anything
// else is read as narrow (one byte, one character). Never reads past nLength.
std::wstring InfoText(const void* pInfo, uint32_t nLength)
{
    if (!pInfo || nLength == 0)
        return {};
    const unsigned char* pBytes = static_cast<const unsigned char*>(pInfo);
    const uint32_t nUnits = nLength / 2;
    uint32_t nWide = 0;
    while (nWide < nUnits && (pBytes[2 * nWide] | pBytes[2 * nWide + 1]))
        ++nWide;
    if (nLength % 2 == 0 && nWide < nUnits && (nWide + 1) * 2 == nLength) {
        std::wstring strText;
        for (uint32_t i = 0; i < nWide; ++i)
            strText.push_back(static_cast<wchar_t>(pBytes[2 * i] | (pBytes[2 * i + 1] << 8)));
        return strText;
    }
    std::wstring strText;
    for (uint32_t i = 0; i < nLength && pBytes[i]; ++i)
        strText.push_back(static_cast<wchar_t>(pBytes[i]));
    return strText;
}

uint32_t ReadWord(const unsigned char* pBytes)
{
    uint32_t nWord = 0;
    std::memcpy(&nWord, pBytes, sizeof(nWord));
    return nWord;
}

std::wstring Hex8(uint32_t nValue)
{
    static const wchar_t s_szDigits[] = L"0123456789ABCDEF";
    std::wstring strHex(8, L'0');
    for (int i = 7; i >= 0; --i, nValue >>= 4)
        strHex[static_cast<size_t>(i)] = s_szDigits[nValue & 0xF];
    return strHex;
}

}  // namespace

bool InternetStatusText(uint32_t nStatus, const void* pInfo, uint32_t nInfoLength, std::wstring& strText)
{
    switch (nStatus) {
    case kResolvingName:
        strText = L"Resolving name for " + InfoText(pInfo, nInfoLength);
        return true;
    case kNameResolved:
        strText = L"Resolved name for " + InfoText(pInfo, nInfoLength);
        return true;
    case kConnectingToServer:
        strText = L"Connecting to socket address ";
        return true;
    case kConnectedToServer:
        strText = L"Connected to socket address";
        return true;
    case kSendingRequest:
        strText = L"Sending request...";
        return true;
    case kRequestSent:
        strText = L"Request sent";
        return true;
    case kReceivingResponse:
    case kHandleClosing:
        return false;
    case kResponseReceived:
        strText = L"Response received";
        return true;
    case kClosingConnection:
        strText = L"Closing the connection to the server";
        return true;
    case kConnectionClosed:
        strText = L"Connection to the server closed";
        return true;
    case kHandleCreated:
        strText.clear();
        return true;
    case kRequestComplete:
        if (pInfo && (nInfoLength == 8 || nInfoLength == 16)) {
            // Result, then error: two 32-bit words, or (64-bit layout) a pointer-sized
            // result whose low word is shown, then the error word.
            const unsigned char* pBytes = static_cast<const unsigned char*>(pInfo);
            const uint32_t nResult = ReadWord(pBytes);
            const uint32_t nError = ReadWord(pBytes + nInfoLength / 2);
            strText = L"Request complete, dwResult = " + Hex8(nResult) + L", dwError = " + Hex8(nError);
        } else {
            strText = L"Request complete";
        }
        return true;
    default:
        strText = L"Unknown status: " + std::to_wstring(static_cast<int32_t>(nStatus));
        return true;
    }
}
