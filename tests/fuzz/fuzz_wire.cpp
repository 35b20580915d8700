// Fuzzes the message decoders and the text decoder. The first byte picks the target:
// 1 to 11 a message type (the rest of the input fills a block of exactly that type's size),
// anything else the text decoder straight over an area of exactly its width. The text
// decoder's output is compared with a slow byte-by-byte reference.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <memory>
#include <string>

#include "app/Log.h"
#include "link/Tools.h"
#include "link/WireProtocol.h"

namespace {

void DropLine(const wchar_t*) {}

void Check(bool bCondition)
{
    if (!bCondition)
        std::abort();
}

// Reference decoder: a prefix of a multi-byte sequence is accepted while some completion of
// it is a well-formed scalar value; each maximal ill-formed subpart gives one U+FFFD.
bool PrefixCanComplete(uint32_t nPrefix, size_t nHave, size_t nTotal)
{
    const size_t nMissingBits = 6 * (nTotal - nHave);
    const uint32_t nLow = nPrefix << nMissingBits;
    const uint32_t nHigh = nLow | ((1u << nMissingBits) - 1);
    static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    const uint32_t nMin = kMin[nTotal];
    const uint32_t nMax = nTotal == 2 ? 0x7FF : nTotal == 3 ? 0xFFFF : 0x10FFFF;
    const uint32_t nFrom = nLow > nMin ? nLow : nMin;
    const uint32_t nTo = nHigh < nMax ? nHigh : nMax;
    if (nFrom > nTo)
        return false;
    // Surrogates are never well-formed: the range must hold something outside them.
    return !(nFrom >= 0xD800 && nTo <= 0xDFFF);
}

std::u16string Reference(const uint8_t* p, size_t n)
{
    std::u16string out;
    size_t i = 0;
    while (i < n) {
        const uint8_t b = p[i];
        size_t nTotal = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        if (nTotal == 1) {
            out += static_cast<char16_t>(b);
            ++i;
            continue;
        }
        if (nTotal == 0) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        uint32_t nCode = b & (0x7Fu >> nTotal);
        size_t nHave = 1;
        if (!PrefixCanComplete(nCode, 1, nTotal)) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        while (nHave < nTotal && i + nHave < n && (p[i + nHave] & 0xC0) == 0x80 &&
               PrefixCanComplete((nCode << 6) | (p[i + nHave] & 0x3F), nHave + 1, nTotal)) {
            nCode = (nCode << 6) | (p[i + nHave] & 0x3F);
            ++nHave;
        }
        i += nHave;
        if (nHave < nTotal) {
            out += u'\uFFFD';
        } else if (nCode >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((nCode - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((nCode - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(nCode);
        }
    }
    return out;
}

std::u16string Trimmed(std::u16string s)
{
    auto IsSpace = [](char16_t ch) { return std::iswspace(static_cast<wint_t>(ch)) != 0; };
    while (!s.empty() && IsSpace(s.back()))
        s.pop_back();
    size_t nBegin = 0;
    while (nBegin < s.size() && IsSpace(s[nBegin]))
        ++nBegin;
    return s.substr(nBegin);
}

const wchar_t kFallback[] = L"Withheld";

// Invariants of every decoded text field of at most nWidth bytes.
void CheckText(const std::wstring& str, size_t nWidth, const wchar_t* pFallback)
{
    Check(str.size() <= 2048);
    if (pFallback != nullptr && str == pFallback)
        return;
    Check(str.size() <= nWidth);
    for (wchar_t ch : str) {
        Check(ch != 0);
        Check(static_cast<uint32_t>(ch) <= 0xFFFF);
    }
    if (!str.empty()) {
        Check(!std::iswspace(static_cast<wint_t>(str.front())));
        Check(!std::iswspace(static_cast<wint_t>(str.back())));
    }
}

void CheckField(const std::wstring& str, const WireTextField& field, const wchar_t* pFallback)
{
    CheckText(str, static_cast<size_t>(field.nAreaWidth), pFallback);
}

void FuzzMessage(MsgType nType, const uint8_t* pData, size_t nData)
{
    const size_t nSize = MsgTotalSize(nType);
    std::unique_ptr<uint8_t[]> pMsg(new uint8_t[nSize]);
    for (size_t i = 0; i < nSize; ++i)
        pMsg[i] = nData > 0 ? pData[i % nData] : 0;
    const uint8_t* p = pMsg.get();

    int32_t nValue = 0;
    std::wstring str;
    switch (nType) {
    case MsgConnectionState:
        Check(DecodeConnectionState(p, nSize, nValue) && nValue >= 0 && nValue <= 255);
        break;
    case MsgSmsReceived:
        CheckField(SmsTime(p, nSize), SmsReceivedLayout::Time, nullptr);
        CheckField(SmsSender(p, nSize), SmsReceivedLayout::Sender, kFallback);
        Check(!SmsSender(p, nSize).empty());
        CheckField(SmsText(p, nSize), SmsReceivedLayout::Text, nullptr);
        Check(SmsId(p, nSize) == ReadU32BE(p + SmsReceivedLayout::SmsId));
        break;
    case MsgIncomingCall:
        Check(DecodeIncomingCall(p, nSize, kFallback, str));
        CheckField(str, IncomingCallLayout::Caller, kFallback);
        Check(!str.empty());
        break;
    case MsgMissedCall:
        CheckField(MissedCallTime(p, nSize), MissedCallLayout::Time, nullptr);
        CheckField(MissedCallCaller(p, nSize, kFallback), MissedCallLayout::Caller, kFallback);
        Check(MissedCallId(p, nSize) == ReadU32BE(p + MissedCallLayout::CallId));
        break;
    case MsgRegistrationState: {
        RegistrationStateFields fields;
        Check(DecodeRegistrationState(p, nSize, fields));
        CheckField(fields.strOperator, RegistrationStateLayout::Operator, nullptr);
        break;
    }
    case MsgSignalStrength:
        Check(DecodeSignalStrength(p, nSize, nValue) && nValue >= 0 && nValue <= 255);
        break;
    case MsgConnectedUsers: {
        ConnectedUsersFields fields;
        Check(DecodeConnectedUsers(p, nSize, fields) && fields.nCount >= 0 && fields.nCount <= 65535);
        break;
    }
    case MsgKeepAlive:
        break;
    case MsgErrorReport:
        Check(DecodeErrorReport(p, nSize, str));
        CheckField(str, ErrorReportLayout::Text, nullptr);
        break;
    case MsgSoftwareRequired: {
        SoftwareRequiredFields fields;
        Check(DecodeSoftwareRequired(p, nSize, fields));
        CheckField(fields.strVersion, SoftwareRequiredLayout::Version, nullptr);
        CheckField(fields.strUrl, SoftwareRequiredLayout::Url, nullptr);
        break;
    }
    case MsgLiveUpdateStatus:
        Check(DecodeLiveUpdateStatus(p, nSize, nValue) && nValue >= -128 && nValue <= 127);
        break;
    }
}

void FuzzText(const uint8_t* pData, size_t nData)
{
    if (nData < 5)
        return;
    const int16_t nWidth = static_cast<int16_t>(ReadU16BE(pData) % 2101);
    const int16_t nLength = static_cast<int16_t>(ReadU16BE(pData + 2));
    const wchar_t* pFallback = (pData[4] & 1) ? kFallback : nullptr;
    pData += 5;
    nData -= 5;

    const size_t nArea = static_cast<size_t>(nWidth);
    std::unique_ptr<uint8_t[]> pArea(new uint8_t[nArea]);
    for (size_t i = 0; i < nArea; ++i)
        pArea[i] = nData > 0 ? pData[i % nData] : 0;

    const std::wstring str = CTools::Utf8ToUtf16(nWidth, nLength, pArea.get(), pFallback);
    if (nWidth > 2047) {
        Check(str.empty());
        return;
    }
    CheckText(str, nArea, pFallback);

    size_t nUsed = (nLength < 0 || nLength > nWidth) ? nArea : static_cast<size_t>(nLength);
    if (const void* pNul = std::memchr(pArea.get(), 0, nUsed))
        nUsed = static_cast<size_t>(static_cast<const uint8_t*>(pNul) - pArea.get());
    std::u16string expected = Trimmed(Reference(pArea.get(), nUsed));
    if (expected.empty() && pFallback != nullptr)
        expected = u"Withheld";
    Check(str.size() == expected.size());
    for (size_t i = 0; i < str.size(); ++i)
        Check(static_cast<uint32_t>(str[i]) == expected[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    static const bool s_bQuiet = (XLogSetSink(DropLine), true);
    (void)s_bQuiet;
    if (nSize == 0)
        return 0;
    const uint8_t nPick = pData[0];
    if (nPick >= kMsgTypeFirst && nPick <= kMsgTypeLast)
        FuzzMessage(static_cast<MsgType>(nPick), pData + 1, nSize - 1);
    else
        FuzzText(pData + 1, nSize - 1);
    return 0;
}
