// The router simulator seen from a plain blocking Winsock client: the scripted bytes and
// nothing else, split and merged writes, keep-alive spacing and silence, close, reset and
// reconnection, bounded waits that fail, the lifetime, and the program's own options.
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/sim/MessageEncoder.h"
#include "tools/sim/RouterServer.h"

namespace {

constexpr DWORD kReadBoundMs = 10000;

struct Chunk {
    SimBytes bytes;
    ULONGLONG nTick;
};

// What one connection received, chunk by chunk as recv returned them, and how it ended:
// 0 for an orderly close by the server, else the receive error (WSAETIMEDOUT at the bound).
struct Received {
    std::vector<Chunk> chunks;
    int nEnd = WSAETIMEDOUT;
    ULONGLONG nEndTick = 0;

    SimBytes All() const
    {
        SimBytes all;
        for (const Chunk& chunk : chunks)
            all.insert(all.end(), chunk.bytes.begin(), chunk.bytes.end());
        return all;
    }
    // Offsets in the stream at which a recv ended.
    std::vector<size_t> Ends() const
    {
        std::vector<size_t> ends;
        size_t n = 0;
        for (const Chunk& chunk : chunks)
            ends.push_back(n += chunk.bytes.size());
        return ends;
    }
};

class CTestClient {
public:
    ~CTestClient() { Close(); }

    int Connect(uint16_t nPort, const char* pszAddress = "127.0.0.1")
    {
        Close();
        m_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (m_socket == INVALID_SOCKET)
            return WSAGetLastError();
        DWORD nTimeout = kReadBoundMs;
        setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&nTimeout), sizeof nTimeout);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(nPort);
        inet_pton(AF_INET, pszAddress, &address.sin_addr);
        if (connect(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            return WSAGetLastError();
        return 0;
    }

    // Reads until the server ends the connection, an error, or the overall bound.
    Received ReadToEnd()
    {
        Received received;
        const ULONGLONG nDeadline = GetTickCount64() + kReadBoundMs;
        while (GetTickCount64() < nDeadline) {
            uint8_t buffer[8192];
            const int n = recv(m_socket, reinterpret_cast<char*>(buffer), sizeof buffer, 0);
            const ULONGLONG nTick = GetTickCount64();
            if (n > 0) {
                received.chunks.push_back({SimBytes(buffer, buffer + n), nTick});
                continue;
            }
            received.nEnd = n == 0 ? 0 : WSAGetLastError();
            received.nEndTick = nTick;
            break;
        }
        Close();
        return received;
    }

    void Close()
    {
        if (m_socket != INVALID_SOCKET)
            closesocket(m_socket);
        m_socket = INVALID_SOCKET;
    }

private:
    SOCKET m_socket = INVALID_SOCKET;
};

SimBytes Concat(std::initializer_list<SimBytes> parts)
{
    SimBytes all;
    for (const SimBytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

class RouterSimTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &m_wsa), 0); }
    void TearDown() override
    {
        m_server.Stop();
        WSACleanup();
    }

    void StartServer(const std::string& script, int64_t nLifetimeMs = 30000)
    {
        RouterServerOptions options;
        options.nLifetimeMs = nLifetimeMs;
        ASSERT_TRUE(m_server.Start(0, script, options)) << m_server.Error();
        ASSERT_NE(m_server.Port(), 0);
    }

    WSADATA m_wsa{};
    CRouterServer m_server;
};

TEST_F(RouterSimTest, ClientReceivesExactlyTheScriptedBytes)
{
    StartServer("keepalive 0\n"
                "wait-connect 10000\n"
                "send signal 3\n"
                "split 20 300          # registration: 20 bytes, then 28 a while later\n"
                "send registration 1 3 5 \"Provider\"\n"
                "merge 2\n"
                "send users 1 258\n"
                "send raw 00 06 06 02 03 00\n"
                "end\n");
    CTestClient client;
    ASSERT_EQ(client.Connect(m_server.Port()), 0);
    const Received received = client.ReadToEnd();

    EXPECT_EQ(received.nEnd, 0);
    EXPECT_EQ(received.All(), Concat({EncodeSignal(3),
                                      EncodeRegistration(1, 3, 5, "Provider"),
                                      EncodeUsers(1, 258),
                                      {0x00, 0x06, 0x06, 0x02, 0x03, 0x00}}));
    // The split: a receive ends 20 bytes into the registration, and the rest comes after
    // the gap. The merge: no receive ends inside the two merged messages.
    const std::vector<size_t> ends = received.Ends();
    const size_t nSplit = 6 + 20;
    const size_t nMergeStart = 6 + 48;
    ASSERT_THAT(ends, testing::Contains(nSplit));
    for (size_t i = 0; i + 1 < ends.size(); ++i) {
        if (ends[i] == nSplit) {
            EXPECT_GE(received.chunks[i + 1].nTick - received.chunks[i].nTick, 150u);
        }
        EXPECT_FALSE(ends[i] > nMergeStart && ends[i] < nMergeStart + 14) << "a receive ended at " << ends[i];
    }
    EXPECT_TRUE(m_server.WaitUntilFinished(5000));
    EXPECT_EQ(m_server.Outcome(), RouterRunOutcome::Ended);
    EXPECT_GE(m_server.WaitForLog("split: wrote 20 of 48 bytes", 0), 0);
    EXPECT_GE(m_server.WaitForLog("merged 2 messages (14 bytes)", 0), 0);
    EXPECT_GE(m_server.WaitForLog("sent raw (6 bytes)", 0), 0);
}

TEST_F(RouterSimTest, KeepAlivesAtTheirIntervalUntilSilence)
{
    StartServer("keepalive 200\n"
                "wait-connect 10000\n"
                "sleep 1500\n"
                "silence\n"
                "sleep 700\n"
                "end\n");
    CTestClient client;
    ASSERT_EQ(client.Connect(m_server.Port()), 0);
    const Received received = client.ReadToEnd();
    ASSERT_EQ(received.nEnd, 0);

    const SimBytes all = received.All();
    ASSERT_EQ(all.size() % 8, 0u);
    const size_t nCount = all.size() / 8;
    EXPECT_EQ(all, [&] {
        SimBytes expected;
        for (size_t i = 0; i < nCount; ++i)
            expected = Concat({expected, EncodeKeepAlive()});
        return expected;
    }());
    // About 1500 / 200 of them, spaced out rather than in a burst (the margins are for a
    // client that is scheduled late).
    EXPECT_GE(nCount, 4u);
    EXPECT_LE(nCount, 8u);
    for (size_t i = 0; i + 1 < received.chunks.size(); ++i)
        EXPECT_GE(received.chunks[i + 1].nTick - received.chunks[i].nTick, 100u);
    // Silence: nothing in the last 700 ms before the end.
    ASSERT_FALSE(received.chunks.empty());
    EXPECT_GE(received.nEndTick - received.chunks.back().nTick, 450u);
}

TEST_F(RouterSimTest, CloseResetAndReconnectServeTheNextSteps)
{
    StartServer("keepalive 0\n"
                "wait-connect 10000\n"
                "send signal 1\n"
                "close\n"
                "expect-reconnect 10000\n"
                "send signal 2\n"
                "sleep 200            # a reset overtakes data the client has not read yet\n"
                "reset\n"
                "send signal 3        # waits for the third client\n"
                "end\n");
    const struct {
        uint8_t nLevel;
        int nEnd;
    } connections[] = {{1, 0}, {2, WSAECONNRESET}, {3, 0}};
    for (const auto& c : connections) {
        SCOPED_TRACE(c.nLevel);
        CTestClient client;
        ASSERT_EQ(client.Connect(m_server.Port()), 0);
        const Received received = client.ReadToEnd();
        EXPECT_EQ(received.All(), EncodeSignal(c.nLevel));
        EXPECT_EQ(received.nEnd, c.nEnd);
    }
    EXPECT_TRUE(m_server.WaitUntilFinished(5000));
    EXPECT_EQ(m_server.ConnectionCount(), 3);
    EXPECT_EQ(m_server.Outcome(), RouterRunOutcome::Ended);
    const int nClosed = m_server.WaitForLog("closed 1", 0);
    const int nReset = m_server.WaitForLog("reset 2", 0);
    EXPECT_GE(nClosed, 0);
    EXPECT_GT(nReset, nClosed);
    EXPECT_GT(m_server.WaitForLog("closed 3", 0), nReset);
}

// A client that stays too long on the old connection, or never comes: the script fails
// at its bound, says where, and the connection is closed.
TEST_F(RouterSimTest, BoundedWaitsFailTheScript)
{
    const struct {
        const char* pszScript;
        bool bConnect;
        const char* pszLog;
    } cases[] = {
        {"wait-connect 10000\nexpect-reconnect 300\nend\n", true,
         "script failed at line 2: no new connection within 300 ms"},
        {"keepalive 0\nwait-connect 300\nend\n", false, "script failed at line 2: no client within 300 ms"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszScript);
        CRouterServer server;
        RouterServerOptions options;
        options.nLifetimeMs = 30000;
        ASSERT_TRUE(server.Start(0, c.pszScript, options)) << server.Error();
        CTestClient client;
        if (c.bConnect) {
            ASSERT_EQ(client.Connect(server.Port()), 0);
            EXPECT_EQ(client.ReadToEnd().nEnd, 0);
        }
        EXPECT_TRUE(server.WaitUntilFinished(5000));
        EXPECT_EQ(server.Outcome(), RouterRunOutcome::Failed);
        EXPECT_GE(server.WaitForLog(c.pszLog, 0), 0);
    }
}

TEST_F(RouterSimTest, LifetimeEndsEveryRun)
{
    const struct {
        const char* pszScript;
        RouterRunOutcome outcome;
    } cases[] = {
        {"wait-connect\n", RouterRunOutcome::Expired},
        {"keepalive 100\n", RouterRunOutcome::Completed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszScript);
        CRouterServer server;
        RouterServerOptions options;
        options.nLifetimeMs = 500;
        ASSERT_TRUE(server.Start(0, c.pszScript, options)) << server.Error();
        EXPECT_TRUE(server.WaitUntilFinished(5000));
        EXPECT_EQ(server.Outcome(), c.outcome);
        EXPECT_GE(server.WaitForLog("lifetime over", 0), 0);
    }
}

// Only 127.0.0.1 listens: another loopback address of the same machine is refused.
TEST_F(RouterSimTest, ListensOnTheLoopbackAddressOnly)
{
    StartServer("keepalive 0\n");
    EXPECT_GE(m_server.WaitForLog("listening on 127.0.0.1:" + std::to_string(m_server.Port()), 0), 0);
    CTestClient client;
    EXPECT_EQ(client.Connect(m_server.Port(), "127.0.0.2"), WSAECONNREFUSED);
    EXPECT_EQ(client.Connect(m_server.Port()), 0);
    EXPECT_GE(m_server.WaitForLog("connected 1 from 127.0.0.1:", 5000), 0);
}

// The program under test keeps one router address for its whole run, so a test may serve
// the same port again right after a run that closed its client (and left the port in
// TIME_WAIT on the server's side).
TEST_F(RouterSimTest, PortCanBeServedAgainRightAfterARun)
{
    StartServer("keepalive 0\nwait-connect 10000\nsend signal 1\nend\n");
    const uint16_t nPort = m_server.Port();
    CTestClient client;
    ASSERT_EQ(client.Connect(nPort), 0);
    EXPECT_EQ(client.ReadToEnd().All(), EncodeSignal(1));
    ASSERT_TRUE(m_server.WaitUntilFinished(5000));

    CRouterServer again;
    ASSERT_TRUE(again.Start(nPort, "keepalive 0\nwait-connect 10000\nsend signal 2\nend\n")) << again.Error();
    ASSERT_EQ(client.Connect(nPort), 0);
    EXPECT_EQ(client.ReadToEnd().All(), EncodeSignal(2));
}

TEST_F(RouterSimTest, ScriptErrorsRefuseToStart)
{
    CRouterServer server;
    EXPECT_FALSE(server.Start(0, "keepalive 0\nsend signal\n"));
    EXPECT_EQ(server.Error(), "script line 2: missing level");
}

// An open script waits for the steps its driver adds; a flood sends its count of messages,
// its levels in turn, whole and in order, and logs its start before its first byte.
TEST_F(RouterSimTest, OpenScriptPlaysAddedStepsAndFloods)
{
    CRouterServer closed;
    ASSERT_TRUE(closed.Start(0, "keepalive 0\n"));
    EXPECT_FALSE(closed.AddSteps("send signal 1\n"));
    EXPECT_EQ(closed.Error(), "no open script runs");

    RouterServerOptions options;
    options.nLifetimeMs = 30000;
    options.bOpenScript = true;
    ASSERT_TRUE(m_server.Start(0, "keepalive 0\nwait-connect 10000\n", options)) << m_server.Error();
    CTestClient client;
    ASSERT_EQ(client.Connect(m_server.Port()), 0);
    ASSERT_GE(m_server.WaitForLog("connected 1", 5000), 0);
    EXPECT_FALSE(m_server.AddSteps("flood 0 signal 3\n"));
    EXPECT_EQ(m_server.Error(), "script line 1: count must be 1 to 1000000000: 0");
    // More than a block of the flood and more than the socket buffers hold.
    constexpr size_t kCount = 100003;
    ASSERT_TRUE(m_server.AddSteps("flood " + std::to_string(kCount) + " signal 0 1 2 3 4 5\nsend users 1 7\n"));
    ASSERT_TRUE(m_server.AddSteps("flood 2 signal 9\nend\n"));
    const Received received = client.ReadToEnd();
    EXPECT_EQ(received.nEnd, 0);

    SimBytes expected;
    for (size_t i = 0; i < kCount; ++i) {
        const SimBytes signal = EncodeSignal(static_cast<uint8_t>(i % 6));
        expected.insert(expected.end(), signal.begin(), signal.end());
    }
    const SimBytes tail = Concat({EncodeUsers(1, 7), EncodeSignal(9), EncodeSignal(9)});
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_TRUE(received.All() == expected) << "received " << received.All().size() << " bytes of " << expected.size();

    EXPECT_TRUE(m_server.WaitUntilFinished(5000));
    EXPECT_EQ(m_server.Outcome(), RouterRunOutcome::Ended);
    EXPECT_FALSE(m_server.AddSteps("send signal 1\n"));
    const int nStart = m_server.WaitForLog("flood 1: 100003 messages of type 6 (600018 bytes)", 0);
    EXPECT_GE(nStart, 0);
    EXPECT_GT(m_server.WaitForLog("flood 1 done: 100003 messages (600018 bytes)", 0), nStart);
    EXPECT_GE(m_server.WaitForLog("flood 2 done: 2 messages (12 bytes)", 0), 0);
}

// The program: its options, its log file, and its bounded lifetime.
std::wstring ToolPath(const wchar_t* pszName)
{
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    dir.resize(dir.find_last_of(L'\\') + 1);
    return dir + L"..\\..\\tools\\" + pszName;
}

std::wstring TempPath(const wchar_t* pszName)
{
    wchar_t dir[MAX_PATH];
    const DWORD n = GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir, n) + pszName;
}

// Runs a command line and returns its exit code, or -1 if it did not end within the bound.
int RunProcess(std::wstring commandLine, DWORD nBoundMs)
{
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -2;
    DWORD nExitCode = 0;
    if (WaitForSingleObject(pi.hProcess, nBoundMs) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 5000);
        nExitCode = static_cast<DWORD>(-1);
    } else {
        GetExitCodeProcess(pi.hProcess, &nExitCode);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(nExitCode);
}

std::string ReadAll(const std::wstring& path)
{
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(RouterSimProgram, OptionsExitCodesAndLifetime)
{
    const std::wstring exe = L"\"" + ToolPath(L"RouterSim.exe") + L"\"";
    const std::wstring log = TempPath(L"routersim-test.log");
    const std::wstring goodScript = TempPath(L"routersim-good.txt");
    const std::wstring badScript = TempPath(L"routersim-bad.txt");
    std::ofstream(std::filesystem::path(goodScript), std::ios::binary) << "keepalive 100\nsleep 200\n";
    std::ofstream(std::filesystem::path(badScript), std::ios::binary) << "sleep 10\nsleep\n";

    const struct {
        std::wstring args;
        int nExitCode;
        const char* pszLog;  // in the log file, when the case writes one
    } cases[] = {
        {L" --port 0 --lifetime 1 --log \"" + log + L"\" --script \"" + goodScript + L"\"", 0, "lifetime over"},
        {L" --port 0 --lifetime 1 --log \"" + log + L"\" --script \"" + badScript + L"\"", 2,
         "RouterSim: script line 2: missing duration"},
        {L" --port 0 --lifetime 1 --log \"" + log + L"\" --address 127.0.0.1", 0, "listening on 127.0.0.1:"},
        {L" --port 0 --address 0.0.0.0", 2, nullptr},
        {L" --port 0 --address 192.168.1.1", 2, nullptr},
        {L" --lifetime 1", 2, nullptr},
        {L" --port 70000", 2, nullptr},
        {L" --port 0 --lifetime 0", 2, nullptr},
        // A script checked without serving: fine, wrong, or not there.
        {L" --check \"" + goodScript + L"\"", 0, nullptr},
        {L" --check \"" + badScript + L"\"", 2, nullptr},
        {L" --check \"" + TempPath(L"routersim-none.txt") + L"\"", 2, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.args.begin(), c.args.end())));
        DeleteFileW(log.c_str());
        const ULONGLONG nStart = GetTickCount64();
        EXPECT_EQ(RunProcess(exe + c.args, 20000), c.nExitCode);
        EXPECT_LT(GetTickCount64() - nStart, 15000u);
        if (c.pszLog != nullptr) {
            EXPECT_THAT(ReadAll(log), testing::HasSubstr(c.pszLog));
        }
    }
    DeleteFileW(log.c_str());
    DeleteFileW(goodScript.c_str());
    DeleteFileW(badScript.c_str());
}

}  // namespace
