// The simulator's side of the event messages: builds each of the eleven types, byte for
// byte, from the message tables. Written on its own, without the program's layout
// constants, so that the program's decoder is checked against an independent encoder.
// Every message comes out at exactly its type's total size, integers big-endian, text
// fields as UTF-8 bytes with their used length, unused and uninterpreted bytes zero.
// A text longer than its area is cut to the area's width (the length field says so too).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

using SimBytes = std::vector<uint8_t>;

// Type 1: the router's packet connection (1 disconnected .. 4 disconnecting).
SimBytes EncodeConnectionState(uint8_t nState);
// Type 2.
SimBytes EncodeSms(const std::string& time, const std::string& sender, const std::string& text, uint32_t nId);
// Type 3.
SimBytes EncodeIncomingCall(const std::string& caller);
// Type 4.
SimBytes EncodeMissedCall(const std::string& time, const std::string& caller, uint32_t nId);
// Type 5.
SimBytes EncodeRegistration(uint8_t nCsState, uint8_t nPsState, uint8_t nTechnology, const std::string& op);
// Type 6.
SimBytes EncodeSignal(uint8_t nLevel);
// Type 7: user kind 1 or 2 (other values go out as given) and the count.
SimBytes EncodeUsers(uint8_t nKind, uint16_t nCount);
// Type 8.
SimBytes EncodeKeepAlive();
// Type 9.
SimBytes EncodeError(const std::string& text);
// Type 10: a newer notifier offered for download.
SimBytes EncodeSoftwareRequired(const std::string& version, const std::string& url);
// Type 11: the firmware update state, signed.
SimBytes EncodeLiveUpdate(int8_t nStatus);

// For faults: a header of any length, type and version, followed by zero bytes up to
// nTotalBytes (a total below 4 still gives the whole header). Nothing is checked.
SimBytes EncodeRawHeader(uint16_t nLength, uint8_t nType, uint8_t nVersion, size_t nTotalBytes = 4);

// Total size of a type as the tables give it; 0 for a value outside 1 to 11.
uint16_t SimMessageSize(unsigned nType);
// Area widths of the text fields, for callers that check a text before encoding it.
namespace SimTextWidth {
constexpr size_t SmsTime = 32;
constexpr size_t SmsSender = 40;
constexpr size_t SmsText = 800;
constexpr size_t Caller = 40;
constexpr size_t MissedTime = 32;
constexpr size_t MissedCaller = 40;
constexpr size_t Operator = 40;
constexpr size_t ErrorText = 800;
constexpr size_t Version = 40;
constexpr size_t Url = 100;
}  // namespace SimTextWidth
