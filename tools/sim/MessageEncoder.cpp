#include "tools/sim/MessageEncoder.h"

#include <cassert>

namespace {

constexpr uint8_t kVersion = 1;

// Sizes of the types 1 to 11, as listed in the message table.
constexpr uint16_t kSizes[] = {6, 886, 45, 84, 48, 6, 8, 8, 806, 478, 5};

// Writes a message front to back, field after field in table order, so that a field of
// the wrong width shows as a message that does not end at its type's size.
class CFieldWriter {
public:
    explicit CFieldWriter(uint8_t nType) : m_bytes(SimMessageSize(nType), 0)
    {
        U16(static_cast<uint16_t>(m_bytes.size()));
        U8(nType);
        U8(kVersion);
    }

    void U8(uint8_t nValue) { Put(nValue); }
    void U16(uint16_t nValue)
    {
        Put(static_cast<uint8_t>(nValue >> 8));
        Put(static_cast<uint8_t>(nValue));
    }
    void U32(uint32_t nValue)
    {
        for (int nShift = 24; nShift >= 0; nShift -= 8)
            Put(static_cast<uint8_t>(nValue >> nShift));
    }
    // Bytes the program does not read: left zero.
    void Skip(size_t nBytes) { m_nPos += nBytes; }
    // The text area: the bytes used, then zeros to the area's width.
    void Area(const std::string& text, size_t nWidth)
    {
        const size_t nUsed = UsedLength(text, nWidth);
        for (size_t i = 0; i < nUsed; ++i)
            Put(static_cast<uint8_t>(text[i]));
        Skip(nWidth - nUsed);
    }

    SimBytes Done()
    {
        assert(m_nPos == m_bytes.size());
        return std::move(m_bytes);
    }

    static size_t UsedLength(const std::string& text, size_t nWidth)
    {
        return text.size() < nWidth ? text.size() : nWidth;
    }

private:
    void Put(uint8_t nByte)
    {
        assert(m_nPos < m_bytes.size());
        if (m_nPos < m_bytes.size())
            m_bytes[m_nPos] = nByte;
        ++m_nPos;
    }

    SimBytes m_bytes;
    size_t m_nPos = 0;
};

uint16_t Length16(const std::string& text, size_t nWidth)
{
    return static_cast<uint16_t>(CFieldWriter::UsedLength(text, nWidth));
}

uint8_t Length8(const std::string& text, size_t nWidth)
{
    return static_cast<uint8_t>(CFieldWriter::UsedLength(text, nWidth));
}

}  // namespace

uint16_t SimMessageSize(unsigned nType)
{
    return (nType >= 1 && nType <= 11) ? kSizes[nType - 1] : 0;
}

SimBytes EncodeConnectionState(uint8_t nState)
{
    CFieldWriter w(1);
    w.U8(nState);
    w.Skip(1);
    return w.Done();
}

SimBytes EncodeSms(const std::string& time, const std::string& sender, const std::string& text, uint32_t nId)
{
    using namespace SimTextWidth;
    CFieldWriter w(2);
    w.U16(Length16(time, SmsTime));
    w.U16(Length16(sender, SmsSender));
    w.U16(Length16(text, SmsText));
    w.Area(time, SmsTime);
    w.Area(sender, SmsSender);
    w.Area(text, SmsText);
    w.U32(nId);
    return w.Done();
}

SimBytes EncodeIncomingCall(const std::string& caller)
{
    CFieldWriter w(3);
    w.U8(Length8(caller, SimTextWidth::Caller));
    w.Area(caller, SimTextWidth::Caller);
    return w.Done();
}

SimBytes EncodeMissedCall(const std::string& time, const std::string& caller, uint32_t nId)
{
    using namespace SimTextWidth;
    CFieldWriter w(4);
    w.U16(Length16(time, MissedTime));
    w.U16(Length16(caller, MissedCaller));
    w.Area(time, MissedTime);
    w.Area(caller, MissedCaller);
    w.U32(nId);
    return w.Done();
}

SimBytes EncodeRegistration(uint8_t nCsState, uint8_t nPsState, uint8_t nTechnology, const std::string& op)
{
    CFieldWriter w(5);
    w.U8(nCsState);
    w.U8(nPsState);
    w.U8(nTechnology);
    w.U8(Length8(op, SimTextWidth::Operator));
    w.Area(op, SimTextWidth::Operator);
    return w.Done();
}

SimBytes EncodeSignal(uint8_t nLevel)
{
    CFieldWriter w(6);
    w.U8(nLevel);
    w.Skip(1);
    return w.Done();
}

SimBytes EncodeUsers(uint8_t nKind, uint16_t nCount)
{
    CFieldWriter w(7);
    w.U8(nKind);
    w.U16(nCount);
    w.Skip(1);
    return w.Done();
}

SimBytes EncodeKeepAlive()
{
    CFieldWriter w(8);
    w.Skip(4);
    return w.Done();
}

SimBytes EncodeError(const std::string& text)
{
    CFieldWriter w(9);
    w.U16(Length16(text, SimTextWidth::ErrorText));
    w.Area(text, SimTextWidth::ErrorText);
    return w.Done();
}

SimBytes EncodeSoftwareRequired(const std::string& version, const std::string& url)
{
    CFieldWriter w(10);
    w.Skip(186);
    w.U16(Length16(version, SimTextWidth::Version));
    w.Area(version, SimTextWidth::Version);
    w.U16(Length16(url, SimTextWidth::Url));
    w.Area(url, SimTextWidth::Url);
    w.Skip(144);
    return w.Done();
}

SimBytes EncodeLiveUpdate(int8_t nStatus)
{
    CFieldWriter w(11);
    w.U8(static_cast<uint8_t>(nStatus));
    return w.Done();
}

SimBytes EncodeRawHeader(uint16_t nLength, uint8_t nType, uint8_t nVersion, size_t nTotalBytes)
{
    SimBytes bytes(nTotalBytes < 4 ? 4 : nTotalBytes, 0);
    bytes[0] = static_cast<uint8_t>(nLength >> 8);
    bytes[1] = static_cast<uint8_t>(nLength);
    bytes[2] = nType;
    bytes[3] = nVersion;
    return bytes;
}
