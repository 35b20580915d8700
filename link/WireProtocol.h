// The router's event messages: header, the eleven types with their fixed sizes, the byte
// layout of every type, big-endian readers and the decoders of each type's fields.
// Offsets count from the first byte of the message, header included.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

enum MsgType : uint8_t {
    MsgConnectionState = 1,
    MsgSmsReceived = 2,
    MsgIncomingCall = 3,
    MsgMissedCall = 4,
    MsgRegistrationState = 5,
    MsgSignalStrength = 6,
    MsgConnectedUsers = 7,
    MsgKeepAlive = 8,
    MsgErrorReport = 9,
    MsgSoftwareRequired = 10,
    MsgLiveUpdateStatus = 11,
};

constexpr uint8_t kMsgTypeFirst = MsgConnectionState;
constexpr uint8_t kMsgTypeLast = MsgLiveUpdateStatus;

// Total size of each type, header included, indexed by type; entry 0 is no type.
constexpr uint16_t kMsgTotalSize[kMsgTypeLast + 1] = {0, 6, 886, 45, 84, 48, 6, 8, 8, 806, 478, 5};

// Total size of a type, 0 for a value outside 1 to 11.
constexpr uint16_t MsgTotalSize(unsigned nType)
{
    return (nType >= kMsgTypeFirst && nType <= kMsgTypeLast) ? kMsgTotalSize[nType] : 0;
}

// Integers on the wire are big-endian and unaligned: read them byte by byte.
inline uint8_t ReadU8(const uint8_t* p)
{
    return p[0];
}

inline int8_t ReadI8(const uint8_t* p)
{
    return static_cast<int8_t>(p[0]);
}

inline uint16_t ReadU16BE(const uint8_t* p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

inline uint32_t ReadU32BE(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

namespace WireHeader {
constexpr size_t Size = 4;
constexpr size_t TotalLength = 0;  // 2 bytes
constexpr size_t Type = 2;         // 1 byte
constexpr size_t Version = 3;      // 1 byte
constexpr uint8_t ProtocolVersion = 1;
}  // namespace WireHeader

// A text field: a length field of 1 or 2 bytes and a fixed-width area of UTF-8 text.
struct WireTextField {
    size_t nLengthOffset;
    size_t nLengthBytes;
    size_t nAreaOffset;
    int16_t nAreaWidth;
};

namespace ConnectionStateLayout {
constexpr size_t State = 4;  // 1 byte; byte 5 is not interpreted
}

namespace SmsReceivedLayout {
constexpr WireTextField Time{4, 2, 10, 32};
constexpr WireTextField Sender{6, 2, 42, 40};
constexpr WireTextField Text{8, 2, 82, 800};
constexpr size_t SmsId = 882;  // 4 bytes
}  // namespace SmsReceivedLayout

namespace IncomingCallLayout {
constexpr WireTextField Caller{4, 1, 5, 40};
}

namespace MissedCallLayout {
constexpr WireTextField Time{4, 2, 8, 32};
constexpr WireTextField Caller{6, 2, 40, 40};
constexpr size_t CallId = 80;  // 4 bytes
}  // namespace MissedCallLayout

namespace RegistrationStateLayout {
constexpr size_t CsState = 4;     // 1 byte
constexpr size_t PsState = 5;     // 1 byte
constexpr size_t Technology = 6;  // 1 byte
constexpr WireTextField Operator{7, 1, 8, 40};
}  // namespace RegistrationStateLayout

namespace SignalStrengthLayout {
constexpr size_t Level = 4;  // 1 byte; byte 5 is not interpreted
}

namespace ConnectedUsersLayout {
constexpr size_t Kind = 4;   // 1 byte
constexpr size_t Count = 5;  // 2 bytes at an odd offset; byte 7 is not interpreted
}  // namespace ConnectedUsersLayout

namespace ErrorReportLayout {
constexpr WireTextField Text{4, 2, 6, 800};
}

namespace SoftwareRequiredLayout {
// Bytes 4 to 189 and 334 to 477 are not interpreted.
constexpr WireTextField Version{190, 2, 192, 40};
constexpr WireTextField Url{232, 2, 234, 100};
}  // namespace SoftwareRequiredLayout

namespace LiveUpdateStatusLayout {
constexpr size_t Status = 4;  // 1 byte, signed
}

// The layouts must fit their sizes exactly where a field ends the message.
constexpr size_t WireFieldEnd(const WireTextField& f)
{
    return f.nAreaOffset + static_cast<size_t>(f.nAreaWidth);
}
static_assert(SmsReceivedLayout::Time.nAreaOffset == 10 && WireFieldEnd(SmsReceivedLayout::Time) == 42);
static_assert(WireFieldEnd(SmsReceivedLayout::Sender) == SmsReceivedLayout::Text.nAreaOffset);
static_assert(WireFieldEnd(SmsReceivedLayout::Text) == SmsReceivedLayout::SmsId);
static_assert(SmsReceivedLayout::SmsId + 4 == MsgTotalSize(MsgSmsReceived));
static_assert(WireFieldEnd(IncomingCallLayout::Caller) == MsgTotalSize(MsgIncomingCall));
static_assert(WireFieldEnd(MissedCallLayout::Time) == MissedCallLayout::Caller.nAreaOffset);
static_assert(WireFieldEnd(MissedCallLayout::Caller) == MissedCallLayout::CallId);
static_assert(MissedCallLayout::CallId + 4 == MsgTotalSize(MsgMissedCall));
static_assert(WireFieldEnd(RegistrationStateLayout::Operator) == MsgTotalSize(MsgRegistrationState));
static_assert(ConnectedUsersLayout::Count + 2 < MsgTotalSize(MsgConnectedUsers));
static_assert(WireFieldEnd(ErrorReportLayout::Text) == MsgTotalSize(MsgErrorReport));
static_assert(WireFieldEnd(SoftwareRequiredLayout::Version) == SoftwareRequiredLayout::Url.nLengthOffset);
static_assert(WireFieldEnd(SoftwareRequiredLayout::Url) + 144 == MsgTotalSize(MsgSoftwareRequired));

// Decoders. Each takes a message and its size; a message shorter than its type's size is
// not read at all (the struct decoders return false, the accessors give empty text or 0).
// The socket client checks the header and size first, so that happens only by mistake.

// One text field of a message, through CTools::Utf8ToUtf16.
std::wstring DecodeTextField(const uint8_t* pMsg, const WireTextField& field, const wchar_t* pFallback = nullptr);

// Type 1.
bool DecodeConnectionState(const uint8_t* pMsg, size_t nSize, int32_t& nState);

// Type 2, over the stored message. The sender falls back to the fixed, untranslated "Withheld".
std::wstring SmsTime(const uint8_t* pMsg, size_t nSize);
std::wstring SmsSender(const uint8_t* pMsg, size_t nSize);
std::wstring SmsText(const uint8_t* pMsg, size_t nSize);
uint32_t SmsId(const uint8_t* pMsg, size_t nSize);

// Type 3. pFallback is the localised "Withheld" of the caller.
bool DecodeIncomingCall(const uint8_t* pMsg, size_t nSize, const wchar_t* pFallback, std::wstring& strCaller);

// Type 4, over the stored message. pFallback is the localised "Withheld" of the caller.
std::wstring MissedCallTime(const uint8_t* pMsg, size_t nSize);
std::wstring MissedCallCaller(const uint8_t* pMsg, size_t nSize, const wchar_t* pFallback);
uint32_t MissedCallId(const uint8_t* pMsg, size_t nSize);

// Type 5.
struct RegistrationStateFields {
    int32_t nCsState = 0;
    int32_t nPsState = 0;
    int32_t nTechnology = 0;
    std::wstring strOperator;
};
bool DecodeRegistrationState(const uint8_t* pMsg, size_t nSize, RegistrationStateFields& fields);

// Type 6.
bool DecodeSignalStrength(const uint8_t* pMsg, size_t nSize, int32_t& nLevel);

// Type 7.
struct ConnectedUsersFields {
    int32_t nKind = 0;
    int32_t nCount = 0;
};
bool DecodeConnectedUsers(const uint8_t* pMsg, size_t nSize, ConnectedUsersFields& fields);

// Type 9.
bool DecodeErrorReport(const uint8_t* pMsg, size_t nSize, std::wstring& strText);

// Type 10.
struct SoftwareRequiredFields {
    std::wstring strVersion;
    std::wstring strUrl;
};
bool DecodeSoftwareRequired(const uint8_t* pMsg, size_t nSize, SoftwareRequiredFields& fields);

// Type 11: 0x80 to 0xFF are negative.
bool DecodeLiveUpdateStatus(const uint8_t* pMsg, size_t nSize, int32_t& nStatus);
