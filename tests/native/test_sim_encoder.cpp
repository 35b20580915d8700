// The simulator's encoder against the program's decoder: every type encoded by the one and
// read back by the other, and literal bytes of the message tables for the layout itself,
// so that a mistake shared by both sides still shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/WireProtocol.h"
#include "tools/sim/MessageEncoder.h"

namespace {

std::string Hex(const SimBytes& bytes, size_t nOffset, size_t nCount)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = nOffset; i < nOffset + nCount && i < bytes.size(); ++i) {
        if (!text.empty())
            text += ' ';
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

TEST(SimEncoder, EveryTypeHasItsSizeAndHeader)
{
    const SimBytes messages[] = {
        EncodeConnectionState(3),
        EncodeSms("t", "s", "x", 1),
        EncodeIncomingCall("c"),
        EncodeMissedCall("t", "c", 1),
        EncodeRegistration(1, 2, 3, "o"),
        EncodeSignal(4),
        EncodeUsers(1, 2),
        EncodeKeepAlive(),
        EncodeError("e"),
        EncodeSoftwareRequired("v", "u"),
        EncodeLiveUpdate(2),
    };
    for (unsigned nType = 1; nType <= 11; ++nType) {
        SCOPED_TRACE(nType);
        const SimBytes& msg = messages[nType - 1];
        EXPECT_EQ(SimMessageSize(nType), MsgTotalSize(nType));
        ASSERT_EQ(msg.size(), MsgTotalSize(nType));
        EXPECT_EQ(ReadU16BE(msg.data()), msg.size());
        EXPECT_EQ(msg[2], nType);
        EXPECT_EQ(msg[3], 1);
    }
    EXPECT_EQ(SimMessageSize(0), 0);
    EXPECT_EQ(SimMessageSize(12), 0);
}

TEST(SimEncoder, DecoderReadsBackEveryField)
{
    int32_t nValue = 0;
    SimBytes msg = EncodeConnectionState(4);
    ASSERT_TRUE(DecodeConnectionState(msg.data(), msg.size(), nValue));
    EXPECT_EQ(nValue, 4);

    // Non-ASCII text of the Basic Multilingual Plane reads the same with either wchar_t width.
    msg = EncodeSms("07/03/2009 14:05", "+4912345",
                    "Gr\xC3\xBC\xC3\x9F"
                    "e \xE2\x82\xAC 5",
                    0xFEDCBA98u);
    EXPECT_EQ(SmsTime(msg.data(), msg.size()), L"07/03/2009 14:05");
    EXPECT_EQ(SmsSender(msg.data(), msg.size()), L"+4912345");
    EXPECT_EQ(SmsText(msg.data(), msg.size()), L"Gr\u00fc\u00dfe \u20ac 5");
    EXPECT_EQ(SmsId(msg.data(), msg.size()), 0xFEDCBA98u);

    msg = EncodeSms("", "", "", 0);
    EXPECT_EQ(SmsSender(msg.data(), msg.size()), L"Withheld");

    std::wstring strText;
    msg = EncodeIncomingCall("+49 170 1234567");
    ASSERT_TRUE(DecodeIncomingCall(msg.data(), msg.size(), L"fallback", strText));
    EXPECT_EQ(strText, L"+49 170 1234567");

    msg = EncodeMissedCall("08/03/2009 09:00", "0301234", 0x00010002u);
    EXPECT_EQ(MissedCallTime(msg.data(), msg.size()), L"08/03/2009 09:00");
    EXPECT_EQ(MissedCallCaller(msg.data(), msg.size(), L"fallback"), L"0301234");
    EXPECT_EQ(MissedCallId(msg.data(), msg.size()), 0x00010002u);

    RegistrationStateFields registration;
    msg = EncodeRegistration(3, 7, 5, "Provider");
    ASSERT_TRUE(DecodeRegistrationState(msg.data(), msg.size(), registration));
    EXPECT_EQ(registration.nCsState, 3);
    EXPECT_EQ(registration.nPsState, 7);
    EXPECT_EQ(registration.nTechnology, 5);
    EXPECT_EQ(registration.strOperator, L"Provider");

    msg = EncodeSignal(9);
    ASSERT_TRUE(DecodeSignalStrength(msg.data(), msg.size(), nValue));
    EXPECT_EQ(nValue, 9);

    ConnectedUsersFields users;
    msg = EncodeUsers(2, 65535);
    ASSERT_TRUE(DecodeConnectedUsers(msg.data(), msg.size(), users));
    EXPECT_EQ(users.nKind, 2);
    EXPECT_EQ(users.nCount, 65535);

    msg = EncodeError(std::string(800, 'e'));
    ASSERT_TRUE(DecodeErrorReport(msg.data(), msg.size(), strText));
    EXPECT_EQ(strText, std::wstring(800, L'e'));

    SoftwareRequiredFields software;
    msg = EncodeSoftwareRequired("2.1.0.7", "http://127.0.0.1:8080/TessaroSetup.exe");
    ASSERT_TRUE(DecodeSoftwareRequired(msg.data(), msg.size(), software));
    EXPECT_EQ(software.strVersion, L"2.1.0.7");
    EXPECT_EQ(software.strUrl, L"http://127.0.0.1:8080/TessaroSetup.exe");

    for (int8_t nStatus : {int8_t(-128), int8_t(-2), int8_t(0), int8_t(4), int8_t(127)}) {
        msg = EncodeLiveUpdate(nStatus);
        ASSERT_TRUE(DecodeLiveUpdateStatus(msg.data(), msg.size(), nValue));
        EXPECT_EQ(nValue, nStatus);
    }
}

// A text longer than its area is cut to the area, and the length field says so.
TEST(SimEncoder, TextLongerThanItsAreaIsCut)
{
    const SimBytes msg = EncodeSms("", std::string(41, 's'), "after", 0);
    EXPECT_EQ(Hex(msg, 6, 2), "00 28");
    EXPECT_EQ(SmsSender(msg.data(), msg.size()), std::wstring(40, L's'));
    EXPECT_EQ(SmsText(msg.data(), msg.size()), L"after");

    const SimBytes call = EncodeIncomingCall(std::string(300, 'c'));
    EXPECT_EQ(call.size(), 45u);
    EXPECT_EQ(call[4], 40);
}

// Bytes straight from the tables: where each field sits, how wide it is, what the bytes
// that the program does not read hold.
struct FixtureCase {
    const char* pszName;
    SimBytes msg;
    size_t nOffset;
    const char* pszHex;
};

TEST(SimEncoder, LiteralBytesOfTheTables)
{
    const FixtureCase cases[] = {
        {"connection state", EncodeConnectionState(3), 0, "00 06 01 01 03 00"},
        {"users kind 1 count 258", EncodeUsers(1, 258), 0, "00 08 07 01 01 01 02 00"},
        {"signal", EncodeSignal(3), 0, "00 06 06 01 03 00"},
        {"keep-alive", EncodeKeepAlive(), 0, "00 08 08 01 00 00 00 00"},
        {"live update -2", EncodeLiveUpdate(-2), 0, "00 05 0B 01 FE"},
        {"sms header and lengths", EncodeSms("ab", "+49", "hi!!", 0x01020304u), 0,
         "03 76 02 01 00 02 00 03 00 04 61 62 00"},
        {"sms sender area", EncodeSms("ab", "+49", "hi!!", 0x01020304u), 41, "00 2B 34 39 00"},
        {"sms text area and id", EncodeSms("ab", "+49", "hi!!", 0x01020304u), 81, "00 68 69 21 21 00"},
        {"sms id ends the message", EncodeSms("ab", "+49", "hi!!", 0x01020304u), 881, "00 01 02 03 04"},
        {"incoming call", EncodeIncomingCall("12"), 0, "00 2D 03 01 02 31 32 00"},
        {"incoming call end", EncodeIncomingCall(std::string(40, 'x')), 43, "78 78"},
        {"missed call", EncodeMissedCall("t", "9", 7), 0, "00 54 04 01 00 01 00 01 74 00"},
        {"missed call caller and id", EncodeMissedCall("t", "9", 7), 39, "00 39 00"},
        {"missed call id", EncodeMissedCall("t", "9", 7), 79, "00 00 00 00 07"},
        {"registration", EncodeRegistration(1, 3, 5, "OK"), 0, "00 30 05 01 01 03 05 02 4F 4B 00"},
        {"error", EncodeError("E"), 0, "03 26 09 01 00 01 45 00"},
        {"software header and first reserved", EncodeSoftwareRequired("1.2", "http"), 0, "01 DE 0A 01 00 00"},
        {"software version", EncodeSoftwareRequired("1.2", "http"), 189, "00 00 03 31 2E 32 00"},
        {"software url", EncodeSoftwareRequired("1.2", "http"), 231, "00 00 04 68 74 74 70 00"},
        {"software reserved tail", EncodeSoftwareRequired("1.2", std::string(100, 'u')), 333, "75 00 00"},
        {"raw header", EncodeRawHeader(6, 6, 2), 0, "00 06 06 02"},
        {"raw header padded", EncodeRawHeader(0x1388, 8, 1, 6), 0, "13 88 08 01 00 00"},
    };
    for (const FixtureCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        const size_t nCount = (std::string(c.pszHex).size() + 1) / 3;
        EXPECT_EQ(Hex(c.msg, c.nOffset, nCount), c.pszHex);
    }
    EXPECT_EQ(EncodeRawHeader(1, 2, 3, 0).size(), 4u);
    EXPECT_EQ(EncodeRawHeader(5000, 8, 1, 5000).size(), 5000u);
}

}  // namespace
