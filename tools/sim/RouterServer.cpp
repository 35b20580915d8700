#include "tools/sim/RouterServer.h"

#include <windows.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

// Longest single wait, so that a clock step never leaves the thread asleep for long.
constexpr uint64_t kMaxWaitMs = 1000;
constexpr size_t kMaxSendChunk = 65536;
// A flood is written in blocks of whole cycles of about this size.
constexpr size_t kFloodBlockBytes = 65536;

uint64_t Now()
{
    return GetTickCount64();
}

std::string LabelOf(const ScenarioStep& step)
{
    return step.nType != 0 ? "type " + std::to_string(step.nType) : std::string("raw");
}

}  // namespace

CRouterServer::CRouterServer() = default;

CRouterServer::~CRouterServer()
{
    Stop();
}

bool CRouterServer::Start(uint16_t nPort, const std::string& script, const RouterServerOptions& options)
{
    std::vector<ScenarioStep> steps;
    ScenarioError error;
    if (!ParseScenario(script, steps, error)) {
        m_error = "script line " + std::to_string(error.nLine) + ": " + error.message;
        return false;
    }
    return Start(nPort, std::move(steps), options);
}

bool CRouterServer::Start(uint16_t nPort, std::vector<ScenarioStep> steps, const RouterServerOptions& options)
{
    if (m_bStarted) {
        m_error = "already started";
        return false;
    }
    m_bStarted = true;
    WSADATA wsa;
    const int nStartup = WSAStartup(MAKEWORD(2, 2), &wsa);
    if (nStartup != 0) {
        m_error = "WSAStartup failed, error " + std::to_string(nStartup);
        return false;
    }
    m_bWinsock = true;
    m_options = options;
    m_steps = std::move(steps);
    m_nStartTick = Now();
    m_nEndTick = m_nStartTick + static_cast<uint64_t>(std::max<int64_t>(options.nLifetimeMs, 0));

    m_stopEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_stepsEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_listenEvent.Reset(WSACreateEvent());
    m_clientEvent.Reset(WSACreateEvent());
    if (!m_stopEvent.IsValid() || !m_stepsEvent.IsValid() || !m_listenEvent.IsValid() || !m_clientEvent.IsValid()) {
        m_error = "cannot create events, error " + std::to_string(GetLastError());
        Release();
        return false;
    }

    // Loopback only, and nothing else: the address is not a parameter.
    m_listen.Reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(nPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int nAddressSize = sizeof address;
    if (!m_listen.IsValid() || bind(m_listen.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listen.Get(), 4) != 0 ||
        getsockname(m_listen.Get(), reinterpret_cast<sockaddr*>(&address), &nAddressSize) != 0 ||
        address.sin_addr.s_addr != htonl(INADDR_LOOPBACK) ||
        WSAEventSelect(m_listen.Get(), m_listenEvent.Get(), FD_ACCEPT) != 0) {
        m_error =
            "cannot listen on 127.0.0.1:" + std::to_string(nPort) + ", error " + std::to_string(WSAGetLastError());
        Release();
        return false;
    }
    m_nPort = ntohs(address.sin_port);
    Log("listening on 127.0.0.1:" + std::to_string(m_nPort));
    m_thread = std::thread([this] { Run(); });
    return true;
}

bool CRouterServer::AddSteps(const std::string& script)
{
    std::vector<ScenarioStep> steps;
    ScenarioError error;
    if (!ParseScenario(script, steps, error)) {
        m_error = "script line " + std::to_string(error.nLine) + ": " + error.message;
        return false;
    }
    if (!m_options.bOpenScript || !m_thread.joinable() || m_bFinished.load()) {
        m_error = "no open script runs";
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(m_stepsMutex);
        for (ScenarioStep& step : steps)
            m_steps.push_back(std::move(step));
    }
    SetEvent(m_stepsEvent.Get());
    return true;
}

void CRouterServer::Stop()
{
    if (m_thread.joinable()) {
        SetEvent(m_stopEvent.Get());
        m_thread.join();
    }
    Release();
}

void CRouterServer::Release()
{
    m_client.Reset();
    m_listen.Reset();
    m_clientEvent.Reset();
    m_listenEvent.Reset();
    m_stopEvent.Reset();
    m_stepsEvent.Reset();
    if (m_bWinsock) {
        WSACleanup();
        m_bWinsock = false;
    }
}

bool CRouterServer::WaitUntilFinished(uint32_t nTimeoutMs)
{
    std::unique_lock<std::mutex> lock(m_logMutex);
    return m_logChanged.wait_for(lock, std::chrono::milliseconds(nTimeoutMs), [this] { return m_bFinished.load(); });
}

int CRouterServer::WaitForLog(const std::string& text, uint32_t nTimeoutMs, size_t nFrom)
{
    std::unique_lock<std::mutex> lock(m_logMutex);
    size_t nNext = nFrom;
    int nFound = -1;
    m_logChanged.wait_for(lock, std::chrono::milliseconds(nTimeoutMs), [&] {
        for (; nNext < m_log.size(); ++nNext) {
            if (m_log[nNext].find(text) != std::string::npos) {
                nFound = static_cast<int>(nNext);
                return true;
            }
        }
        return false;
    });
    return nFound;
}

std::vector<std::string> CRouterServer::LogLines() const
{
    std::lock_guard<std::mutex> lock(m_logMutex);
    return m_log;
}

void CRouterServer::Log(const std::string& text)
{
    const uint64_t nMs = Now() - m_nStartTick;
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "[%5llu.%03llu] ", static_cast<unsigned long long>(nMs / 1000),
                  static_cast<unsigned long long>(nMs % 1000));
    const std::string line = prefix + text;
    {
        std::lock_guard<std::mutex> lock(m_logMutex);
        m_log.push_back(line);
    }
    m_logChanged.notify_all();
    if (m_options.onLog)
        m_options.onLog(line);
}

void CRouterServer::Run()
{
    bool bScriptDone = true;
    ScenarioStep step;
    while (NextStep(step)) {
        Log("line " + std::to_string(step.nLine) + ": " + step.source);
        if (!PlayStep(step)) {
            bScriptDone = false;
            break;
        }
    }
    if (bScriptDone) {
        FlushMerge();
        Log("script done");
        // The router stays: keep-alives go on and clients may come and go until the end.
        Serve(m_nEndTick, [] { return false; });
    }
    if (m_outcome.load() == RouterRunOutcome::Running) {
        if (WaitForSingleObject(m_stopEvent.Get(), 0) == WAIT_OBJECT_0) {
            m_outcome = RouterRunOutcome::Stopped;
            Log("stopped");
        } else {
            m_outcome = bScriptDone ? RouterRunOutcome::Completed : RouterRunOutcome::Expired;
            Log("lifetime over");
        }
    }
    CloseClient(false, false);
    m_listen.Reset();
    {
        std::lock_guard<std::mutex> lock(m_logMutex);
        m_bFinished = true;
    }
    m_logChanged.notify_all();
}

bool CRouterServer::NextStep(ScenarioStep& step)
{
    const auto take = [&] {
        std::lock_guard<std::mutex> lock(m_stepsMutex);
        if (m_nNextStep >= m_steps.size())
            return false;
        step = m_steps[m_nNextStep++];
        return true;
    };
    if (take())
        return true;
    if (!m_options.bOpenScript)
        return false;
    // The link is served (keep-alives, clients coming and going) while the script waits.
    return Serve(m_nEndTick, take) == WaitEnd::Condition;
}

bool CRouterServer::IsOver()
{
    if (!m_bOver && (Now() >= m_nEndTick || WaitForSingleObject(m_stopEvent.Get(), 0) == WAIT_OBJECT_0))
        m_bOver = true;
    return m_bOver;
}

void CRouterServer::Fail(const ScenarioStep& step, const std::string& why)
{
    m_outcome = RouterRunOutcome::Failed;
    Log("script failed at line " + std::to_string(step.nLine) + ": " + why);
}

bool CRouterServer::PlayStep(const ScenarioStep& step)
{
    switch (step.action) {
    case ScenarioAction::KeepAlive:
        m_nKeepAliveMs = step.nValue;
        m_nNextKeepAlive = Now() + static_cast<uint64_t>(step.nValue);
        return !IsOver();
    case ScenarioAction::WaitConnect: {
        const uint64_t nDeadline = step.nValue > 0 ? Now() + static_cast<uint64_t>(step.nValue) : m_nEndTick;
        const WaitEnd end = Serve(nDeadline, [this] { return m_client.IsValid(); });
        if (end == WaitEnd::Deadline)
            Fail(step, "no client within " + std::to_string(step.nValue) + " ms");
        return end == WaitEnd::Condition;
    }
    case ScenarioAction::ExpectReconnect: {
        const int nBefore = m_nConnections.load();
        const WaitEnd end = Serve(Now() + static_cast<uint64_t>(step.nValue),
                                  [&] { return m_client.IsValid() && m_nConnections.load() > nBefore; });
        if (end == WaitEnd::Deadline)
            Fail(step, "no new connection within " + std::to_string(step.nValue) + " ms");
        return end == WaitEnd::Condition;
    }
    case ScenarioAction::Send:
        if (WaitForClient() != WaitEnd::Condition)
            return false;
        if (m_nMergeWanted > 0) {
            m_merge.insert(m_merge.end(), step.bytes.begin(), step.bytes.end());
            m_mergeMessages.push_back({LabelOf(step), step.bytes.size()});
            if (static_cast<int64_t>(m_mergeMessages.size()) >= m_nMergeWanted)
                FlushMerge();
        } else {
            Write(step.bytes, {{LabelOf(step), step.bytes.size()}});
        }
        return !IsOver();
    case ScenarioAction::Flood:
        if (WaitForClient() != WaitEnd::Condition)
            return false;
        FlushMerge();
        Flood(step);
        return !IsOver();
    case ScenarioAction::Split:
        m_nSplitAt = step.nValue;
        m_nSplitGapMs = step.nValue2;
        return true;
    case ScenarioAction::Merge:
        FlushMerge();
        m_nMergeWanted = step.nValue;
        return true;
    case ScenarioAction::Sleep:
        Serve(Now() + static_cast<uint64_t>(step.nValue), [] { return false; });
        return !IsOver();
    case ScenarioAction::Close:
    case ScenarioAction::Reset:
        if (WaitForClient() != WaitEnd::Condition)
            return false;
        CloseClient(step.action == ScenarioAction::Reset, false);
        return true;
    case ScenarioAction::End:
        FlushMerge();
        CloseClient(false, false);
        m_outcome = RouterRunOutcome::Ended;
        Log("script ended");
        return false;
    }
    return false;
}

template <typename TPred>
CRouterServer::WaitEnd CRouterServer::Serve(uint64_t nDeadline, TPred pred)
{
    for (;;) {
        if (!m_client.IsValid())
            TryAccept();
        SendKeepAliveIfDue();
        if (pred())
            return WaitEnd::Condition;
        if (IsOver())
            return WaitEnd::Over;
        const uint64_t nNow = Now();
        if (nNow >= nDeadline)
            return WaitEnd::Deadline;

        uint64_t nWake = std::min(nDeadline, m_nEndTick);
        if (m_client.IsValid() && m_nKeepAliveMs > 0 && m_nHoldKeepAlives == 0)
            nWake = std::min(nWake, m_nNextKeepAlive);
        const DWORD nTimeout = nWake > nNow ? static_cast<DWORD>(std::min(nWake - nNow, kMaxWaitMs)) : 0;
        HANDLE handles[] = {m_stopEvent.Get(), m_listenEvent.Get(), m_clientEvent.Get(), m_stepsEvent.Get()};
        const DWORD nResult = WaitForMultipleObjects(4, handles, FALSE, nTimeout);
        if (nResult == WAIT_OBJECT_0 + 3) {
            // New steps: pred() looks at them at the top of the loop.
            ResetEvent(m_stepsEvent.Get());
        } else if (nResult == WAIT_OBJECT_0 + 1) {
            // A client waits; it is taken at the top of the loop once none is served.
            WSANETWORKEVENTS events{};
            WSAEnumNetworkEvents(m_listen.Get(), m_listenEvent.Get(), &events);
        } else if (nResult == WAIT_OBJECT_0 + 2) {
            HandleClientEvents();
        } else if (nResult == WAIT_FAILED) {
            Log("wait failed, error " + std::to_string(GetLastError()));
            m_bOver = true;
        }
    }
}

CRouterServer::WaitEnd CRouterServer::WaitForClient()
{
    return Serve(m_nEndTick, [this] { return m_client.IsValid(); });
}

void CRouterServer::TryAccept()
{
    sockaddr_in peer{};
    int nPeerSize = sizeof peer;
    const SOCKET s = accept(m_listen.Get(), reinterpret_cast<sockaddr*>(&peer), &nPeerSize);
    if (s == INVALID_SOCKET)
        return;  // none waiting
    if (peer.sin_family != AF_INET || (ntohl(peer.sin_addr.s_addr) >> 24) != 127) {
        closesocket(s);
        Log("refused a client from outside loopback");
        return;
    }
    // The accepted socket inherits the listener's event selection: give it its own.
    BOOL bNoDelay = TRUE;
    if (WSAEventSelect(s, m_clientEvent.Get(), FD_READ | FD_WRITE | FD_CLOSE) != 0 ||
        setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&bNoDelay), sizeof bNoDelay) != 0) {
        Log("cannot serve a client, error " + std::to_string(WSAGetLastError()));
        closesocket(s);
        return;
    }
    m_client.Reset(s);
    m_bCanWrite = true;
    m_nClientNumber = m_nConnections.load() + 1;
    m_nConnections = m_nClientNumber;
    m_nNextKeepAlive = Now() + static_cast<uint64_t>(std::max<int64_t>(m_nKeepAliveMs, 0));
    Log("connected " + std::to_string(m_nClientNumber) + " from 127.0.0.1:" + std::to_string(ntohs(peer.sin_port)));
}

void CRouterServer::HandleClientEvents()
{
    if (!m_client.IsValid()) {
        WSAResetEvent(m_clientEvent.Get());
        return;
    }
    WSANETWORKEVENTS events{};
    if (WSAEnumNetworkEvents(m_client.Get(), m_clientEvent.Get(), &events) != 0) {
        WSAResetEvent(m_clientEvent.Get());
        return;
    }
    if (events.lNetworkEvents & FD_WRITE)
        m_bCanWrite = true;
    bool bClosed = (events.lNetworkEvents & FD_CLOSE) != 0;
    if (events.lNetworkEvents & (FD_READ | FD_CLOSE)) {
        // The program never writes to the router; whatever comes is noted and dropped.
        char buffer[4096];
        size_t nIgnored = 0;
        for (;;) {
            const int n = recv(m_client.Get(), buffer, sizeof buffer, 0);
            if (n > 0) {
                nIgnored += static_cast<size_t>(n);
                continue;
            }
            if (n == 0 || WSAGetLastError() != WSAEWOULDBLOCK)
                bClosed = true;
            break;
        }
        if (nIgnored > 0)
            Log("received " + std::to_string(nIgnored) + " bytes from the client (ignored)");
    }
    if (bClosed)
        CloseClient(false, true);
}

void CRouterServer::SendKeepAliveIfDue()
{
    if (!m_client.IsValid() || m_nKeepAliveMs <= 0 || m_nHoldKeepAlives > 0)
        return;
    const uint64_t nNow = Now();
    if (nNow < m_nNextKeepAlive)
        return;
    // Counted from now, so that a late wake-up never sends a burst.
    m_nNextKeepAlive = nNow + static_cast<uint64_t>(m_nKeepAliveMs);
    const SimBytes keepAlive = EncodeKeepAlive();
    ++m_nHoldKeepAlives;
    if (SendAll(keepAlive.data(), keepAlive.size()))
        Log("sent type 8 (" + std::to_string(keepAlive.size()) + " bytes)");
    --m_nHoldKeepAlives;
}

bool CRouterServer::Write(const SimBytes& bytes, const std::vector<SentMessage>& messages)
{
    size_t nFirst = bytes.size();
    const int64_t nSplitAt = m_nSplitAt;
    m_nSplitAt = 0;
    if (nSplitAt > 0 && static_cast<size_t>(nSplitAt) < bytes.size())
        nFirst = static_cast<size_t>(nSplitAt);
    else if (nSplitAt > 0)
        Log("split: " + std::to_string(nSplitAt) + " bytes cover the whole write of " + std::to_string(bytes.size()));

    const int nClient = m_nClientNumber;
    ++m_nHoldKeepAlives;
    bool bSent = SendAll(bytes.data(), nFirst);
    if (bSent && nFirst < bytes.size()) {
        Log("split: wrote " + std::to_string(nFirst) + " of " + std::to_string(bytes.size()) + " bytes");
        // The rest goes to the same client or to nobody.
        Serve(Now() + static_cast<uint64_t>(m_nSplitGapMs),
              [&] { return !m_client.IsValid() || m_nClientNumber != nClient; });
        bSent = m_client.IsValid() && m_nClientNumber == nClient && !IsOver() &&
                SendAll(bytes.data() + nFirst, bytes.size() - nFirst);
    }
    --m_nHoldKeepAlives;
    if (!bSent) {
        Log("write of " + std::to_string(bytes.size()) + " bytes not completed");
        return false;
    }
    if (messages.size() > 1)
        Log("merged " + std::to_string(messages.size()) + " messages (" + std::to_string(bytes.size()) + " bytes)");
    for (const SentMessage& message : messages)
        Log("sent " + message.label + " (" + std::to_string(message.nBytes) + " bytes)");
    return true;
}

bool CRouterServer::Flood(const ScenarioStep& step)
{
    const size_t nCycleMessages = static_cast<size_t>(step.nValue2);
    const size_t nMessageBytes = step.bytes.size() / nCycleMessages;
    SimBytes block;
    do
        block.insert(block.end(), step.bytes.begin(), step.bytes.end());
    while (block.size() + step.bytes.size() <= kFloodBlockBytes);
    const uint64_t nBlockMessages = block.size() / nMessageBytes;

    const uint64_t nCount = static_cast<uint64_t>(step.nValue);
    const std::string number = std::to_string(++m_nFloods);
    // Logged before the first byte goes out, so that a reader of the log can time the flood
    // from its start.
    Log("flood " + number + ": " + std::to_string(nCount) + " messages of type " + std::to_string(step.nType) + " (" +
        std::to_string(nCount * nMessageBytes) + " bytes)");
    uint64_t nSent = 0;
    ++m_nHoldKeepAlives;
    // Every block starts at the start of a cycle; only the last one is cut short.
    while (nSent < nCount) {
        const uint64_t nMessages = std::min(nCount - nSent, nBlockMessages);
        if (!SendAll(block.data(), static_cast<size_t>(nMessages * nMessageBytes)))
            break;
        nSent += nMessages;
    }
    --m_nHoldKeepAlives;
    if (nSent < nCount) {
        Log("flood " + number + " stopped after " + std::to_string(nSent) + " messages");
        return false;
    }
    Log("flood " + number + " done: " + std::to_string(nSent) + " messages (" + std::to_string(nSent * nMessageBytes) +
        " bytes)");
    return true;
}

bool CRouterServer::SendAll(const uint8_t* pBytes, size_t nBytes)
{
    const int nClient = m_nClientNumber;
    size_t nDone = 0;
    while (nDone < nBytes) {
        if (!m_client.IsValid() || m_nClientNumber != nClient)
            return false;
        const int nChunk = static_cast<int>(std::min(nBytes - nDone, kMaxSendChunk));
        const int n = send(m_client.Get(), reinterpret_cast<const char*>(pBytes + nDone), nChunk, 0);
        if (n > 0) {
            nDone += static_cast<size_t>(n);
            continue;
        }
        const int nError = WSAGetLastError();
        if (n == SOCKET_ERROR && nError == WSAEWOULDBLOCK) {
            m_bCanWrite = false;
            if (Serve(m_nEndTick, [&] { return m_bCanWrite || !m_client.IsValid() || m_nClientNumber != nClient; }) !=
                WaitEnd::Condition)
                return false;
            continue;
        }
        Log("send failed, error " + std::to_string(nError));
        CloseClient(false, false);
        return false;
    }
    return true;
}

void CRouterServer::CloseClient(bool bReset, bool bByClient)
{
    if (!m_client.IsValid())
        return;
    if (bReset) {
        // No lingering: the close sends a reset instead of the orderly end.
        linger noLinger{1, 0};
        setsockopt(m_client.Get(), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&noLinger), sizeof noLinger);
    }
    m_client.Reset();
    WSAResetEvent(m_clientEvent.Get());
    const std::string number = std::to_string(m_nClientNumber);
    if (bReset)
        Log("reset " + number);
    else if (bByClient)
        Log("closed " + number + " by the client");
    else
        Log("closed " + number);
}

void CRouterServer::FlushMerge()
{
    const size_t nCollected = m_mergeMessages.size();
    const int64_t nWanted = m_nMergeWanted;
    m_nMergeWanted = 0;
    if (nCollected == 0)
        return;
    if (static_cast<int64_t>(nCollected) < nWanted)
        Log("merge: only " + std::to_string(nCollected) + " of " + std::to_string(nWanted) + " messages");
    SimBytes bytes;
    bytes.swap(m_merge);
    std::vector<SentMessage> messages;
    messages.swap(m_mergeMessages);
    if (!m_client.IsValid()) {
        Log("merge: " + std::to_string(nCollected) + " messages dropped, no client");
        return;
    }
    Write(bytes, messages);
}
