#include "link/WireProtocol.h"

#include "link/Tools.h"

namespace {

const wchar_t kSmsSenderFallback[] = L"Withheld";

bool HasSize(size_t nSize, MsgType nType)
{
    return nSize >= MsgTotalSize(nType);
}

}  // namespace

std::wstring DecodeTextField(const uint8_t* pMsg, const WireTextField& field, const wchar_t* pFallback)
{
    // A 16-bit length goes on bit for bit; the decoder cuts what does not fit the area.
    const uint8_t* pLength = pMsg + field.nLengthOffset;
    const int16_t nLength =
        field.nLengthBytes == 1 ? static_cast<int16_t>(ReadU8(pLength)) : static_cast<int16_t>(ReadU16BE(pLength));
    return CTools::Utf8ToUtf16(field.nAreaWidth, nLength, pMsg + field.nAreaOffset, pFallback);
}

bool DecodeConnectionState(const uint8_t* pMsg, size_t nSize, int32_t& nState)
{
    if (!HasSize(nSize, MsgConnectionState))
        return false;
    nState = ReadU8(pMsg + ConnectionStateLayout::State);
    return true;
}

std::wstring SmsTime(const uint8_t* pMsg, size_t nSize)
{
    if (!HasSize(nSize, MsgSmsReceived))
        return std::wstring();
    return DecodeTextField(pMsg, SmsReceivedLayout::Time);
}

std::wstring SmsSender(const uint8_t* pMsg, size_t nSize)
{
    if (!HasSize(nSize, MsgSmsReceived))
        return std::wstring();
    return DecodeTextField(pMsg, SmsReceivedLayout::Sender, kSmsSenderFallback);
}

std::wstring SmsText(const uint8_t* pMsg, size_t nSize)
{
    if (!HasSize(nSize, MsgSmsReceived))
        return std::wstring();
    return DecodeTextField(pMsg, SmsReceivedLayout::Text);
}

uint32_t SmsId(const uint8_t* pMsg, size_t nSize)
{
    if (!HasSize(nSize, MsgSmsReceived))
        return 0;
    return ReadU32BE(pMsg + SmsReceivedLayout::SmsId);
}

bool DecodeIncomingCall(const uint8_t* pMsg, size_t nSize, const wchar_t* pFallback, std::wstring& strCaller)
{
    if (!HasSize(nSize, MsgIncomingCall))
        return false;
    strCaller = DecodeTextField(pMsg, IncomingCallLayout::Caller, pFallback);
    return true;
}

std::wstring MissedCallTime(const uint8_t* pMsg, size_t nSize)
{
    if (!HasSize(nSize, MsgMissedCall))
        return std::wstring();
    return DecodeTextField(pMsg, MissedCallLayout::Time);
}

std::wstring MissedCallCaller(const uint8_t* pMsg, size_t nSize, const wchar_t* pFallback)
{
    if (!HasSize(nSize, MsgMissedCall))
        return std::wstring();
    return DecodeTextField(pMsg, MissedCallLayout::Caller, pFallback);
}

uint32_t MissedCallId(const uint8_t* pMsg, size_t nSize)
{
    if (!HasSize(nSize, MsgMissedCall))
        return 0;
    return ReadU32BE(pMsg + MissedCallLayout::CallId);
}

bool DecodeRegistrationState(const uint8_t* pMsg, size_t nSize, RegistrationStateFields& fields)
{
    if (!HasSize(nSize, MsgRegistrationState))
        return false;
    fields.nCsState = ReadU8(pMsg + RegistrationStateLayout::CsState);
    fields.nPsState = ReadU8(pMsg + RegistrationStateLayout::PsState);
    fields.nTechnology = ReadU8(pMsg + RegistrationStateLayout::Technology);
    fields.strOperator = DecodeTextField(pMsg, RegistrationStateLayout::Operator);
    return true;
}

bool DecodeSignalStrength(const uint8_t* pMsg, size_t nSize, int32_t& nLevel)
{
    if (!HasSize(nSize, MsgSignalStrength))
        return false;
    nLevel = ReadU8(pMsg + SignalStrengthLayout::Level);
    return true;
}

bool DecodeConnectedUsers(const uint8_t* pMsg, size_t nSize, ConnectedUsersFields& fields)
{
    if (!HasSize(nSize, MsgConnectedUsers))
        return false;
    fields.nKind = ReadU8(pMsg + ConnectedUsersLayout::Kind);
    fields.nCount = ReadU16BE(pMsg + ConnectedUsersLayout::Count);
    return true;
}

bool DecodeErrorReport(const uint8_t* pMsg, size_t nSize, std::wstring& strText)
{
    if (!HasSize(nSize, MsgErrorReport))
        return false;
    strText = DecodeTextField(pMsg, ErrorReportLayout::Text);
    return true;
}

bool DecodeSoftwareRequired(const uint8_t* pMsg, size_t nSize, SoftwareRequiredFields& fields)
{
    if (!HasSize(nSize, MsgSoftwareRequired))
        return false;
    fields.strVersion = DecodeTextField(pMsg, SoftwareRequiredLayout::Version);
    fields.strUrl = DecodeTextField(pMsg, SoftwareRequiredLayout::Url);
    return true;
}

bool DecodeLiveUpdateStatus(const uint8_t* pMsg, size_t nSize, int32_t& nStatus)
{
    if (!HasSize(nSize, MsgLiveUpdateStatus))
        return false;
    nStatus = ReadI8(pMsg + LiveUpdateStatusLayout::Status);
    return true;
}
