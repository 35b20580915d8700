// The updater's decisions that need no window: the name a download is stored under and
// whether it stays inside the download folder, which addresses are fetched, the sizes of
// a transfer, what the dialog shows per state, the status log texts, and the gate that
// holds or stops the worker.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <future>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "resources/resource.h"
#include "update/DownloadName.h"
#include "update/InternetStatusText.h"
#include "update/ProgressPacer.h"
#include "update/ReadSize.h"
#include "update/TransferCount.h"
#include "update/TransferGate.h"
#include "update/UpdaterView.h"
#include "update/WebAddress.h"

namespace {

TEST(DownloadName, IsTheTextAfterTheLastSlash)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"http://host/dl/setup.exe", L"setup.exe"},
        {L"http://host/files/setup.exe?lang=en&v=2", L"setup.exe?lang=en&v=2"},
        {L"http://host/a/b/", L""},
        {L"setup.msi", L"setup.msi"},
        {L"http://host/dl/..%2Fsetup.exe", L"..%2Fsetup.exe"},
        {L"http://host/dl/..\\..\\evil.exe", L"..\\..\\evil.exe"},
    };
    for (const auto& [pszUrl, pszName] : cases)
        EXPECT_EQ(FileNameFromUrl(pszUrl), pszName) << pszUrl;
}

TEST(DownloadName, OnlyPlainNamesStayInTheFolder)
{
    const std::pair<std::wstring, bool> cases[] = {
        {L"setup.exe", true},
        {L"Notifier Setup 2.1.msi", true},
        {L"setup.exe?lang=en", true},  // refused by the file creation, with the system's text
        {L"..%2Fsetup.exe", true},
        {L"n\x00E9o.exe", true},
        {L"console.exe", true},
        {L"com10.exe", true},
        {L"", false},
        {L".", false},
        {L"..", false},
        {L"...", false},
        {L"setup.exe.", false},
        {L"setup.exe ", false},
        {L"..\\..\\evil.exe", false},
        {L"sub\\setup.exe", false},
        {L"a/b.exe", false},
        {L"C:evil.exe", false},
        {L"setup.exe:stream", false},
        {L"set\tup.exe", false},
        {std::wstring(L"set\0up.exe", 10), false},
        {L"setup\x7F.exe", false},
        {L"CON", false},
        {L"nul.exe", false},
        {L"Aux .msi", false},
        {L"com1.exe", false},
        {L"LPT9.msi", false},
        {L"COM\x00B9.exe", false},
        {L"conout$.exe", false},
    };
    for (const auto& [strName, bPlain] : cases)
        EXPECT_EQ(IsPlainFileName(strName), bPlain) << std::string(strName.begin(), strName.end());
}

TEST(WebAddress, OnlyHttpAndHttpsWithAHost)
{
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"http://host/dl/setup.exe", true},
        {L"HTTPS://host:8443/setup.msi", true},
        {L"http://127.0.0.1", true},
        {L"http://user@host/x.exe", true},
        {L"ftp://host/setup.exe", false},
        {L"file:///C:/Windows/notepad.exe", false},
        {L"C:\\setup.exe", false},
        {L"\\\\server\\share\\setup.exe", false},
        {L"http:/host/setup.exe", false},
        {L"http:host", false},
        {L"http://", false},
        {L"http:///setup.exe", false},
        {L"http://\\host\\x.exe", false},
        {L"http://:80/x.exe", false},
        {L"http://@host/x.exe", false},
        {L"http:// host/x.exe", false},
        {L"httpx://host/x.exe", false},
        {L" http://host/x.exe", false},
        {L"http://host/x.exe\r\nHeader: 1", false},
        {L"", false},
    };
    for (const auto& [pszUrl, bWeb] : cases)
        EXPECT_EQ(IsWebAddress(pszUrl), bWeb) << std::wstring(pszUrl).size();
}

TEST(TransferCount, ContentLengthTakesTheLeadingDigits)
{
    struct Case {
        const wchar_t* pszValue;
        bool bAnnounced;
        uint64_t nBytes;
        int32_t nReport;
    };
    const Case cases[] = {
        {L"", false, 0, 0},
        {L"0", true, 0, 0},
        {L"1048576", true, 1048576, 1048576},
        {L" 42", true, 42, 42},
        {L"42abc", true, 42, 42},
        {L"abc", false, 0, 0},
        {L"-5", false, 0, 0},
        {L"+5", false, 0, 0},
        {L"2147483647", true, 2147483647, 2147483647},
        {L"2147483648", true, 2147483648ull, 2147483647},
        {L"5000000000", true, 5000000000ull, 2147483647},
        {L"99999999999999999999999", true, std::numeric_limits<uint64_t>::max(), 2147483647},
    };
    for (const Case& c : cases) {
        const CContentLength length = ParseContentLength(c.pszValue);
        EXPECT_EQ(length.bAnnounced, c.bAnnounced) << std::wstring(c.pszValue).size();
        EXPECT_EQ(length.nBytes, c.nBytes);
        EXPECT_EQ(length.ForReport(), c.nReport);
    }
}

TEST(TransferCount, ReceivedCountStopsAtTheLargestValue)
{
    EXPECT_EQ(AddToCount(0, 4096), 4096);
    EXPECT_EQ(AddToCount(4096, 1), 4097);
    EXPECT_EQ(AddToCount(2147483647 - 100, 4096), 2147483647);
    EXPECT_EQ(AddToCount(2147483647, 4096), 2147483647);
    EXPECT_EQ(AddToCount(0, 0xFFFFFFFFu), 2147483647);
    EXPECT_EQ(AddToCount(-7, 10), 10);
}

TEST(UpdaterView, EachStateShowsItsControls)
{
    const std::pair<UpdaterState, std::vector<int>> cases[] = {
        {Checking, {IDC_UPDATER_STATUS}},
        {Ready,
         {IDC_UPDATER_DOWNLOADING, IDC_UPDATER_FILE_NAME, IDC_UPDATER_SIZE_LABEL, IDC_UPDATER_SIZE,
          IDC_UPDATER_PROMPT}},
        {Downloading, {IDC_UPDATER_FILE_NAME, IDC_UPDATER_TRANSFER_LABEL, IDC_UPDATER_STATUS, IDC_UPDATER_PROGRESS}},
        {Done, {}},
        {Failed, {}},
        {static_cast<UpdaterState>(3), {}},
    };
    for (const auto& [nState, shown] : cases) {
        std::vector<int> actual;
        for (const CUpdaterControlRule& rule : kUpdaterControlRules)
            if (IsUpdaterControlShown(nState, rule.nId))
                actual.push_back(rule.nId);
        EXPECT_EQ(actual, shown) << "state " << nState;
        EXPECT_EQ(IsUpdaterOkEnabled(nState), nState == Ready) << "state " << nState;
    }
    EXPECT_FALSE(IsUpdaterControlShown(Ready, IDC_UPDATER_PROMPT + 100));
    EXPECT_FALSE(IsUpdaterState(3));
    EXPECT_FALSE(IsUpdaterState(-1));
    EXPECT_TRUE(IsUpdaterState(Failed));
}

TEST(UpdaterView, SizeAndCounterTexts)
{
    EXPECT_EQ(FormatDownloadSize(0), L"0");
    EXPECT_EQ(FormatDownloadSize(1048576), L"1048576");
    EXPECT_EQ(FormatTransferCounter(4096, 0), L"4096/0");
    EXPECT_EQ(FormatTransferCounter(8192, 1048576), L"8192/1048576");
    EXPECT_EQ(FormatTransferCounter(2147483647, 2147483647), L"2147483647/2147483647");
}

TEST(ProgressPacer, ReportsTheFirstChunkThenOncePerInterval)
{
    CProgressPacer pacer;
    const uint64_t kStart = 1000000;
    const std::pair<uint64_t, bool> steps[] = {
        {kStart, true},       {kStart + 1, false},  {kStart + 49, false}, {kStart + 50, true},
        {kStart + 60, false}, {kStart + 99, false}, {kStart + 500, true}, {kStart + 501, false},
    };
    for (const auto& [nNow, bReport] : steps)
        EXPECT_EQ(pacer.ShouldReport(nNow), bReport) << "at +" << nNow - kStart;
}

TEST(ReadSize, FollowsTheLink)
{
    struct Step {
        uint32_t nRead;  // what the read gave of the size asked
        uint64_t nElapsedMs;
        uint32_t nNext;  // the size asked next
    };
    // A fast link: full, quick reads double up to the largest size, and stay there.
    // Then the link slows: a slow read halves, a full read at a middling pace keeps the
    // size, a short read (the end, or what arrived) never grows it.
    const Step steps[] = {
        {4096, 1, 8192},      {8192, 0, 16384},       {16384, 19, 32768},     {32768, 20, 32768},
        {32768, 2, 65536},    {65536, 2, 131072},     {131072, 2, 262144},    {262144, 2, 524288},
        {524288, 2, 1048576}, {1048576, 2, 1048576},  {1048576, 101, 524288}, {524288, 100, 524288},
        {1000, 1, 524288},    {524288, 5000, 262144}, {262144, 5000, 131072}, {0, 5000, 65536},
        {65536, 500, 32768},  {32768, 500, 16384},    {16384, 500, 8192},     {8192, 500, 4096},
        {4096, 500, 4096},
    };
    CReadSize size;
    EXPECT_EQ(size.Get(), CReadSize::kMinBytes);
    for (const Step& step : steps) {
        const uint32_t nAsked = size.Get();
        size.Update(nAsked, step.nRead > nAsked ? nAsked : step.nRead, step.nElapsedMs);
        EXPECT_EQ(size.Get(), step.nNext) << "after " << step.nRead << " of " << nAsked << " in " << step.nElapsedMs;
    }
}

struct StatusCase {
    const char* pszName;
    uint32_t nStatus;
    std::vector<unsigned char> info;
    bool bLogged;
    const wchar_t* pszText;
};

std::vector<unsigned char> Wide(const char16_t* psz)
{
    std::vector<unsigned char> bytes;
    for (; *psz; ++psz) {
        bytes.push_back(static_cast<unsigned char>(*psz & 0xFF));
        bytes.push_back(static_cast<unsigned char>(*psz >> 8));
    }
    bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

std::vector<unsigned char> Narrow(const char* psz)
{
    std::vector<unsigned char> bytes(psz, psz + std::char_traits<char>::length(psz));
    bytes.push_back(0);
    return bytes;
}

class InternetStatusTextTest : public testing::TestWithParam<StatusCase> {};

TEST_P(InternetStatusTextTest, GivesTheLoggedText)
{
    const StatusCase& c = GetParam();
    std::wstring strText = L"untouched";
    const bool bLogged = InternetStatusText(c.nStatus, c.info.empty() ? nullptr : c.info.data(),
                                            static_cast<uint32_t>(c.info.size()), strText);
    EXPECT_EQ(bLogged, c.bLogged);
    if (c.bLogged) {
        EXPECT_EQ(strText, c.pszText);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, InternetStatusTextTest,
    testing::Values(
        StatusCase{"resolving, wide", 10, Wide(u"updates.example"), true, L"Resolving name for updates.example"},
        StatusCase{"resolving, narrow", 10, Narrow("localhost"), true, L"Resolving name for localhost"},
        StatusCase{"resolved, narrow address", 11, Narrow("127.0.0.1"), true, L"Resolved name for 127.0.0.1"},
        StatusCase{"resolved, wide", 11, Wide(u"host"), true, L"Resolved name for host"},
        StatusCase{"resolved, no terminator", 11, {'a', 'b', 'c'}, true, L"Resolved name for abc"},
        StatusCase{"resolved, nothing", 11, {}, true, L"Resolved name for "},
        StatusCase{"connecting", 20, Narrow("127.0.0.1"), true, L"Connecting to socket address "},
        StatusCase{"connected", 21, {}, true, L"Connected to socket address"},
        StatusCase{"sending", 30, {}, true, L"Sending request..."},
        StatusCase{"sent", 31, {1, 0, 0, 0}, true, L"Request sent"}, StatusCase{"receiving", 40, {}, false, L""},
        StatusCase{"received", 41, {}, true, L"Response received"},
        StatusCase{"closing", 50, {}, true, L"Closing the connection to the server"},
        StatusCase{"closed", 51, {}, true, L"Connection to the server closed"},
        StatusCase{"handle created", 60, {}, true, L""}, StatusCase{"handle closing", 70, {}, false, L""},
        StatusCase{"complete, 32-bit",
                   100,
                   {0x01, 0, 0, 0, 0x1D, 0x2F, 0, 0},
                   true,
                   L"Request complete, dwResult = 00000001, dwError = 00002F1D"},
        StatusCase{"complete, 64-bit",
                   100,
                   {0xEF, 0xBE, 0xAD, 0xDE, 0x78, 0x56, 0x34, 0x12, 0x05, 0, 0, 0, 0, 0, 0, 0},
                   true,
                   L"Request complete, dwResult = DEADBEEF, dwError = 00000005"},
        StatusCase{"complete, other length", 100, {1, 0, 0, 0}, true, L"Request complete"},
        StatusCase{"unknown", 42, {}, true, L"Unknown status: 42"},
        StatusCase{"unknown, large", 0xFFFFFFFFu, {}, true, L"Unknown status: -1"}),
    [](const testing::TestParamInfo<StatusCase>& info) { return std::to_string(info.index); });

// A worker that passes the gate once, on a thread of its own.
std::future<bool> PassOnce(CTransferGate& gate)
{
    return std::async(std::launch::async, [&gate] { return gate.Pass(); });
}

constexpr auto kBounded = std::chrono::seconds(10);
// How long a held worker is watched for not passing.
constexpr auto kHeldFor = std::chrono::milliseconds(50);

TEST(TransferGate, OpenPassesPausedHoldsStoppedTurnsBack)
{
    CTransferGate gate;
    EXPECT_TRUE(gate.Pass());

    gate.Pause();
    std::future<bool> held = PassOnce(gate);
    EXPECT_EQ(held.wait_for(kHeldFor), std::future_status::timeout) << "passed while paused";
    gate.Resume();
    ASSERT_EQ(held.wait_for(kBounded), std::future_status::ready);
    EXPECT_TRUE(held.get());

    gate.Pause();
    std::future<bool> stopped = PassOnce(gate);
    EXPECT_EQ(stopped.wait_for(kHeldFor), std::future_status::timeout);
    gate.Stop();
    ASSERT_EQ(stopped.wait_for(kBounded), std::future_status::ready);
    EXPECT_FALSE(stopped.get());

    // Stopped is final, also after a resume.
    gate.Resume();
    EXPECT_FALSE(gate.Pass());
    EXPECT_TRUE(gate.IsStopped());
}

TEST(TransferGate, StopBeforeResumeTurnsTheHeldWorkerBack)
{
    // The dialog's Yes: stop while the worker is held, then let it go.
    CTransferGate gate;
    gate.Pause();
    std::future<bool> held = PassOnce(gate);
    gate.Stop();
    gate.Resume();
    ASSERT_EQ(held.wait_for(kBounded), std::future_status::ready);
    EXPECT_FALSE(held.get());
}

}  // namespace
