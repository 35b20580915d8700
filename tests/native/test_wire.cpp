// The message layouts: every field read from its own place, integers big-endian and
// unaligned, text fields through their area and length, fallbacks where the layout has one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/WireProtocol.h"

namespace {

// A message of exactly its type's size (so a sanitizer build sees any read past its end),
// every byte preset to 'Z' so that a read outside a field's used bytes shows in the text.
std::vector<uint8_t> MakeMessage(MsgType nType)
{
    std::vector<uint8_t> msg(MsgTotalSize(nType), 'Z');
    msg[WireHeader::TotalLength] = static_cast<uint8_t>(msg.size() >> 8);
    msg[WireHeader::TotalLength + 1] = static_cast<uint8_t>(msg.size());
    msg[WireHeader::Type] = nType;
    msg[WireHeader::Version] = WireHeader::ProtocolVersion;
    return msg;
}

void PutLength(std::vector<uint8_t>& msg, const WireTextField& field, uint16_t nLength)
{
    if (field.nLengthBytes == 1) {
        msg[field.nLengthOffset] = static_cast<uint8_t>(nLength);
    } else {
        msg[field.nLengthOffset] = static_cast<uint8_t>(nLength >> 8);
        msg[field.nLengthOffset + 1] = static_cast<uint8_t>(nLength);
    }
}

void PutText(std::vector<uint8_t>& msg, const WireTextField& field, const std::string& text)
{
    ASSERT_LE(text.size(), static_cast<size_t>(field.nAreaWidth));
    PutLength(msg, field, static_cast<uint16_t>(text.size()));
    std::copy(text.begin(), text.end(), msg.begin() + static_cast<ptrdiff_t>(field.nAreaOffset));
}

void PutU32(std::vector<uint8_t>& msg, size_t nOffset, uint32_t nValue)
{
    for (int i = 0; i < 4; ++i)
        msg[nOffset + i] = static_cast<uint8_t>(nValue >> (24 - 8 * i));
}

TEST(WireReaders, BigEndianAtAnyOffset)
{
    const uint8_t bytes[] = {0x00, 0x01, 0x02, 0xFE, 0xFF, 0x80, 0x7F, 0xDE, 0xAD, 0xBE, 0xEF};
    EXPECT_EQ(ReadU16BE(bytes + 1), 0x0102);
    EXPECT_EQ(ReadU16BE(bytes + 3), 0xFEFF);
    EXPECT_EQ(ReadU32BE(bytes + 7), 0xDEADBEEFu);
    EXPECT_EQ(ReadU32BE(bytes + 1), 0x0102FEFFu);
    EXPECT_EQ(ReadI8(bytes + 3), -2);
    EXPECT_EQ(ReadI8(bytes + 5), -128);
    EXPECT_EQ(ReadI8(bytes + 6), 127);
    EXPECT_EQ(ReadU8(bytes + 4), 0xFF);
}

TEST(WireSizes, EveryTypeHasItsSize)
{
    const uint16_t expected[] = {6, 886, 45, 84, 48, 6, 8, 8, 806, 478, 5};
    for (unsigned nType = 1; nType <= 11; ++nType)
        EXPECT_EQ(MsgTotalSize(nType), expected[nType - 1]) << "type " << nType;
    for (unsigned nType : {0u, 12u, 255u})
        EXPECT_EQ(MsgTotalSize(nType), 0) << "type " << nType;
}

// The one-byte codes and counts, each at its offset, with values that show sign or width
// mistakes. Each row names the decoded field it checks.
using IntegerField = int32_t (*)(const std::vector<uint8_t>& msg);

int32_t ConnectionState(const std::vector<uint8_t>& msg)
{
    int32_t nValue = -1;
    EXPECT_TRUE(DecodeConnectionState(msg.data(), msg.size(), nValue));
    return nValue;
}

int32_t SignalLevel(const std::vector<uint8_t>& msg)
{
    int32_t nValue = -1;
    EXPECT_TRUE(DecodeSignalStrength(msg.data(), msg.size(), nValue));
    return nValue;
}

int32_t LiveUpdateStatus(const std::vector<uint8_t>& msg)
{
    int32_t nValue = -1;
    EXPECT_TRUE(DecodeLiveUpdateStatus(msg.data(), msg.size(), nValue));
    return nValue;
}

ConnectedUsersFields Users(const std::vector<uint8_t>& msg)
{
    ConnectedUsersFields fields;
    EXPECT_TRUE(DecodeConnectedUsers(msg.data(), msg.size(), fields));
    return fields;
}
int32_t UserKind(const std::vector<uint8_t>& msg)
{
    return Users(msg).nKind;
}
int32_t UserCount(const std::vector<uint8_t>& msg)
{
    return Users(msg).nCount;
}

RegistrationStateFields Registration(const std::vector<uint8_t>& msg)
{
    RegistrationStateFields fields;
    EXPECT_TRUE(DecodeRegistrationState(msg.data(), msg.size(), fields));
    return fields;
}
int32_t CsState(const std::vector<uint8_t>& msg)
{
    return Registration(msg).nCsState;
}
int32_t PsState(const std::vector<uint8_t>& msg)
{
    return Registration(msg).nPsState;
}
int32_t Technology(const std::vector<uint8_t>& msg)
{
    return Registration(msg).nTechnology;
}

struct IntegerCase {
    const char* pszName;
    MsgType nType;
    std::vector<std::pair<size_t, uint8_t>> bytes;
    IntegerField pfnField;
    int32_t nExpected;
};

TEST(WireDecode, Integers)
{
    // Neighbouring bytes hold other values, so a field read from the wrong offset shows.
    const IntegerCase cases[] = {
        {"connection state", MsgConnectionState, {{4, 3}, {5, 9}}, ConnectionState, 3},
        {"connection state out of range kept", MsgConnectionState, {{4, 200}}, ConnectionState, 200},
        {"signal level 9", MsgSignalStrength, {{4, 9}, {5, 1}}, SignalLevel, 9},
        {"signal level 255 is not negative", MsgSignalStrength, {{4, 0xFF}}, SignalLevel, 255},
        {"user kind", MsgConnectedUsers, {{4, 2}, {5, 0x01}, {6, 0x02}}, UserKind, 2},
        {"user count 0x01 0x02 is 258", MsgConnectedUsers, {{4, 2}, {5, 0x01}, {6, 0x02}, {7, 9}}, UserCount, 258},
        {"user count full 16 bits", MsgConnectedUsers, {{4, 1}, {5, 0xFF}, {6, 0xFF}}, UserCount, 65535},
        {"live update 0xFE is -2", MsgLiveUpdateStatus, {{4, 0xFE}}, LiveUpdateStatus, -2},
        {"live update 0x80 is -128", MsgLiveUpdateStatus, {{4, 0x80}}, LiveUpdateStatus, -128},
        {"live update 4", MsgLiveUpdateStatus, {{4, 4}}, LiveUpdateStatus, 4},
        {"cs state", MsgRegistrationState, {{4, 1}, {5, 7}, {6, 5}}, CsState, 1},
        {"ps state", MsgRegistrationState, {{4, 1}, {5, 7}, {6, 5}}, PsState, 7},
        {"technology", MsgRegistrationState, {{4, 1}, {5, 7}, {6, 5}}, Technology, 5},
        {"technology 0 kept", MsgRegistrationState, {{4, 3}, {5, 3}, {6, 0}}, Technology, 0},
        {"technology 6 kept", MsgRegistrationState, {{4, 3}, {5, 3}, {6, 6}}, Technology, 6},
    };
    for (const IntegerCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        std::vector<uint8_t> msg = MakeMessage(c.nType);
        for (const auto& [nOffset, nByte] : c.bytes)
            msg[nOffset] = nByte;
        EXPECT_EQ(c.pfnField(msg), c.nExpected);
    }
}

TEST(WireDecode, SmsFieldsFromTheirPlaces)
{
    std::vector<uint8_t> msg = MakeMessage(MsgSmsReceived);
    PutText(msg, SmsReceivedLayout::Time, "24/05/12 10:15");
    PutText(msg, SmsReceivedLayout::Sender, "+491701234567");
    PutText(msg, SmsReceivedLayout::Text, std::string(799, 't') + "!");
    PutU32(msg, SmsReceivedLayout::SmsId, 0x80000001u);
    EXPECT_EQ(SmsTime(msg.data(), msg.size()), L"24/05/12 10:15");
    EXPECT_EQ(SmsSender(msg.data(), msg.size()), L"+491701234567");
    EXPECT_EQ(SmsText(msg.data(), msg.size()), std::wstring(799, L't') + L"!");
    EXPECT_EQ(SmsId(msg.data(), msg.size()), 0x80000001u);
}

TEST(WireDecode, SmsWithEmptyFieldsHasFixedSenderFallback)
{
    std::vector<uint8_t> msg = MakeMessage(MsgSmsReceived);
    PutLength(msg, SmsReceivedLayout::Time, 0);
    PutLength(msg, SmsReceivedLayout::Sender, 0);
    PutLength(msg, SmsReceivedLayout::Text, 0);
    EXPECT_EQ(SmsTime(msg.data(), msg.size()), L"");
    EXPECT_EQ(SmsSender(msg.data(), msg.size()), L"Withheld");
    EXPECT_EQ(SmsText(msg.data(), msg.size()), L"");
}

// An oversized or negative length reads the whole area and not a byte of what follows: the
// sender area is followed by the text area, which holds other letters.
TEST(WireDecode, OversizedLengthStopsAtTheArea)
{
    for (uint16_t nLength : {uint16_t(41), uint16_t(0x7FFF), uint16_t(0x8000), uint16_t(0xFFFF)}) {
        SCOPED_TRACE(nLength);
        std::vector<uint8_t> msg = MakeMessage(MsgSmsReceived);
        PutText(msg, SmsReceivedLayout::Sender, std::string(40, 's'));
        PutText(msg, SmsReceivedLayout::Text, "text follows");
        PutLength(msg, SmsReceivedLayout::Sender, nLength);
        EXPECT_EQ(SmsSender(msg.data(), msg.size()), std::wstring(40, L's'));
    }
}

// Areas that end the message: an oversized length must not run past the end of the block.
TEST(WireDecode, OversizedLengthAtTheEndOfTheMessage)
{
    std::vector<uint8_t> error = MakeMessage(MsgErrorReport);
    PutLength(error, ErrorReportLayout::Text, 0xFFFF);
    std::wstring strText;
    ASSERT_TRUE(DecodeErrorReport(error.data(), error.size(), strText));
    EXPECT_EQ(strText, std::wstring(800, L'Z'));

    std::vector<uint8_t> call = MakeMessage(MsgIncomingCall);
    PutLength(call, IncomingCallLayout::Caller, 0xFF);
    std::wstring strCaller;
    ASSERT_TRUE(DecodeIncomingCall(call.data(), call.size(), L"Withheld", strCaller));
    EXPECT_EQ(strCaller, std::wstring(40, L'Z'));

    std::vector<uint8_t> reg = MakeMessage(MsgRegistrationState);
    PutLength(reg, RegistrationStateLayout::Operator, 200);
    RegistrationStateFields fields;
    ASSERT_TRUE(DecodeRegistrationState(reg.data(), reg.size(), fields));
    EXPECT_EQ(fields.strOperator, std::wstring(40, L'Z'));
}

TEST(WireDecode, IncomingCallCaller)
{
    struct {
        std::string caller;
        std::wstring expected;
    } const cases[] = {
        {"  +49301234 ", L"+49301234"},
        {" \r\n \t", L"Withheld (localised)"},
        {"", L"Withheld (localised)"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> msg = MakeMessage(MsgIncomingCall);
        PutText(msg, IncomingCallLayout::Caller, c.caller);
        std::wstring strCaller;
        ASSERT_TRUE(DecodeIncomingCall(msg.data(), msg.size(), L"Withheld (localised)", strCaller));
        EXPECT_EQ(strCaller, c.expected) << c.caller;
    }
}

TEST(WireDecode, MissedCallFieldsFromTheirPlaces)
{
    std::vector<uint8_t> msg = MakeMessage(MsgMissedCall);
    PutText(msg, MissedCallLayout::Time, "24/05/12 09:00");
    PutText(msg, MissedCallLayout::Caller, "0301234");
    PutU32(msg, MissedCallLayout::CallId, 0xFFFFFFFEu);
    EXPECT_EQ(MissedCallTime(msg.data(), msg.size()), L"24/05/12 09:00");
    EXPECT_EQ(MissedCallCaller(msg.data(), msg.size(), L"FB"), L"0301234");
    EXPECT_EQ(MissedCallId(msg.data(), msg.size()), 0xFFFFFFFEu);

    PutText(msg, MissedCallLayout::Caller, "   ");
    EXPECT_EQ(MissedCallCaller(msg.data(), msg.size(), L"FB"), L"FB");
}

TEST(WireDecode, OperatorHasNoFallback)
{
    for (const std::string& op : {std::string(), std::string("    ")}) {
        std::vector<uint8_t> msg = MakeMessage(MsgRegistrationState);
        PutText(msg, RegistrationStateLayout::Operator, op);
        RegistrationStateFields fields;
        fields.strOperator = L"old";
        ASSERT_TRUE(DecodeRegistrationState(msg.data(), msg.size(), fields));
        EXPECT_EQ(fields.strOperator, L"") << '"' << op << '"';
    }
    std::vector<uint8_t> msg = MakeMessage(MsgRegistrationState);
    PutText(msg, RegistrationStateLayout::Operator, "T-Mob\xC3\xADl");
    RegistrationStateFields fields;
    ASSERT_TRUE(DecodeRegistrationState(msg.data(), msg.size(), fields));
    EXPECT_EQ(fields.strOperator, L"T-Mob\u00EDl");
}

TEST(WireDecode, ErrorReportAndSoftwareRequired)
{
    std::vector<uint8_t> error = MakeMessage(MsgErrorReport);
    PutText(error, ErrorReportLayout::Text, "SIM PIN required");
    std::wstring strText;
    ASSERT_TRUE(DecodeErrorReport(error.data(), error.size(), strText));
    EXPECT_EQ(strText, L"SIM PIN required");

    std::vector<uint8_t> offer = MakeMessage(MsgSoftwareRequired);
    PutText(offer, SoftwareRequiredLayout::Version, "2.1.0");
    PutText(offer, SoftwareRequiredLayout::Url, "http://192.168.1.1/notifier/setup.exe");
    SoftwareRequiredFields fields;
    ASSERT_TRUE(DecodeSoftwareRequired(offer.data(), offer.size(), fields));
    EXPECT_EQ(fields.strVersion, L"2.1.0");
    EXPECT_EQ(fields.strUrl, L"http://192.168.1.1/notifier/setup.exe");

    // Empty fields stay empty: neither has a fallback.
    PutLength(offer, SoftwareRequiredLayout::Version, 0);
    PutLength(offer, SoftwareRequiredLayout::Url, 0);
    ASSERT_TRUE(DecodeSoftwareRequired(offer.data(), offer.size(), fields));
    EXPECT_EQ(fields.strVersion, L"");
    EXPECT_EQ(fields.strUrl, L"");
}

// A buffer shorter than its type is never read; each decoder gets one byte less than its
// size in a block of exactly that many bytes.
TEST(WireDecode, ShortBufferIsNotRead)
{
    auto Short = [](MsgType nType) { return std::vector<uint8_t>(MsgTotalSize(nType) - 1u, 'Z'); };
    int32_t nValue = 0;
    std::wstring str;
    RegistrationStateFields reg;
    ConnectedUsersFields users;
    SoftwareRequiredFields offer;
    std::vector<uint8_t> b;
    b = Short(MsgConnectionState);
    EXPECT_FALSE(DecodeConnectionState(b.data(), b.size(), nValue));
    b = Short(MsgSmsReceived);
    EXPECT_EQ(SmsSender(b.data(), b.size()), L"");
    EXPECT_EQ(SmsId(b.data(), b.size()), 0u);
    b = Short(MsgIncomingCall);
    EXPECT_FALSE(DecodeIncomingCall(b.data(), b.size(), L"FB", str));
    b = Short(MsgMissedCall);
    EXPECT_EQ(MissedCallCaller(b.data(), b.size(), L"FB"), L"");
    EXPECT_EQ(MissedCallId(b.data(), b.size()), 0u);
    b = Short(MsgRegistrationState);
    EXPECT_FALSE(DecodeRegistrationState(b.data(), b.size(), reg));
    b = Short(MsgSignalStrength);
    EXPECT_FALSE(DecodeSignalStrength(b.data(), b.size(), nValue));
    b = Short(MsgConnectedUsers);
    EXPECT_FALSE(DecodeConnectedUsers(b.data(), b.size(), users));
    b = Short(MsgErrorReport);
    EXPECT_FALSE(DecodeErrorReport(b.data(), b.size(), str));
    b = Short(MsgSoftwareRequired);
    EXPECT_FALSE(DecodeSoftwareRequired(b.data(), b.size(), offer));
    b = Short(MsgLiveUpdateStatus);
    EXPECT_FALSE(DecodeLiveUpdateStatus(b.data(), b.size(), nValue));
}

}  // namespace
