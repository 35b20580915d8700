// The router's event service, played from a scenario script on a thread of its own.
// Listens on 127.0.0.1 only and serves one client at a time; the script runs on across
// connections, so a client that connects again is served from the step after the one
// that was running when it left. Every event goes to a log of timestamped lines that
// tests can wait on. A run always ends by itself at the end of its lifetime.
// An open script (RouterServerOptions::bOpenScript) is fed as it goes: after its last step
// the run waits for the steps that AddSteps gives, until an "end" step or its lifetime.
//
// Log lines ("[    1.234] " in front, seconds since the start), among others:
//   listening on 127.0.0.1:PORT      connected N from 127.0.0.1:PORT    line L: STEP
//   sent type T (B bytes)            sent raw (B bytes)                 split: wrote F of B bytes
//   merged K messages (B bytes)      closed N                           closed N by the client
//   reset N                          script done                        script ended
//   script failed at line L: WHY     lifetime over                      stopped
//   flood N: M messages of type T (B bytes)      (before its first byte; N counts floods)
//   flood N done: M messages (B bytes)           flood N stopped after M messages
#pragma once
#include <winsock2.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/sim/Scenario.h"
#include "tools/sim/SimHandles.h"

enum class RouterRunOutcome {
    Running,
    Ended,      // an "end" step
    Completed,  // the script ran through and the lifetime ran out after it
    Failed,     // a bounded wait of the script ran out
    Expired,    // the lifetime ran out in the middle of the script
    Stopped,    // Stop() before any of the above
};

struct RouterServerOptions {
    int64_t nLifetimeMs = 120000;
    // Called on the server thread with every log line (without a line break), after it
    // has been stored; for a program that writes them out as they come.
    std::function<void(const std::string&)> onLog;
    // The script stays open for AddSteps after its last step.
    bool bOpenScript = false;
};

class CRouterServer {
public:
    CRouterServer();
    ~CRouterServer();
    CRouterServer(const CRouterServer&) = delete;
    CRouterServer& operator=(const CRouterServer&) = delete;

    // Parses the script, listens on 127.0.0.1:nPort (0: a free port, see Port()) and starts
    // playing. False, with the reason in Error(), if the script does not parse or the port
    // cannot be had; nothing runs then.
    bool Start(uint16_t nPort, const std::string& script, const RouterServerOptions& options = {});
    bool Start(uint16_t nPort, std::vector<ScenarioStep> steps, const RouterServerOptions& options = {});
    // Appends steps to an open script (numbered from line 1 again); they are played after
    // the ones before. False, with the reason in Error(), if the script does not parse, the
    // script is not open or the run has finished. Not to be called alongside Start.
    bool AddSteps(const std::string& script);
    // Ends the run at once (closing any client) and waits for the thread. Safe to repeat.
    void Stop();
    // Waits up to nTimeoutMs for the run to end by itself; true if it has.
    bool WaitUntilFinished(uint32_t nTimeoutMs);

    uint16_t Port() const { return m_nPort; }
    const std::string& Error() const { return m_error; }
    int ConnectionCount() const { return m_nConnections.load(); }
    RouterRunOutcome Outcome() const { return m_outcome.load(); }

    // Waits up to nTimeoutMs for a log line holding text, among the lines from index nFrom
    // on. Returns the line's index, or -1 if none came in time.
    int WaitForLog(const std::string& text, uint32_t nTimeoutMs, size_t nFrom = 0);
    std::vector<std::string> LogLines() const;

private:
    enum class WaitEnd { Condition, Deadline, Over };
    // A message of a write, for the log: "type 5" or "raw", and its size.
    struct SentMessage {
        std::string label;
        size_t nBytes;
    };

    void Run();
    // The next step of the script into step; with an open script waits for one. False when
    // the script has run out or the run is over.
    bool NextStep(ScenarioStep& step);
    void Log(const std::string& text);
    bool PlayStep(const ScenarioStep& step);
    bool Flood(const ScenarioStep& step);
    // Serves the link until pred() holds (checked after every event), nDeadline passes
    // (a GetTickCount64 value) or the run is over.
    template <typename TPred>
    WaitEnd Serve(uint64_t nDeadline, TPred pred);
    WaitEnd WaitForClient();
    void TryAccept();
    void HandleClientEvents();
    void SendKeepAliveIfDue();
    bool Write(const SimBytes& bytes, const std::vector<SentMessage>& messages);
    bool SendAll(const uint8_t* pBytes, size_t nBytes);
    void CloseClient(bool bReset, bool bByClient);
    void FlushMerge();
    void Fail(const ScenarioStep& step, const std::string& why);
    bool IsOver();
    void Release();

    std::string m_error;
    uint16_t m_nPort = 0;
    RouterServerOptions m_options;
    std::mutex m_stepsMutex;
    std::vector<ScenarioStep> m_steps;  // under m_stepsMutex once the thread runs
    size_t m_nNextStep = 0;             // server thread only
    std::thread m_thread;
    bool m_bStarted = false;  // a server runs once
    bool m_bWinsock = false;

    CSimSocket m_listen;
    CSimSocket m_client;
    CSimHandle m_listenEvent;
    CSimHandle m_clientEvent;
    CSimHandle m_stopEvent;
    CSimHandle m_stepsEvent;  // set when AddSteps has added some
    uint64_t m_nStartTick = 0;
    uint64_t m_nEndTick = 0;
    bool m_bOver = false;

    // Script state, touched by the server thread only.
    int m_nClientNumber = 0;
    bool m_bCanWrite = true;
    int64_t m_nKeepAliveMs = kScenarioDefaultKeepAliveMs;
    uint64_t m_nNextKeepAlive = 0;
    int m_nHoldKeepAlives = 0;
    int64_t m_nSplitAt = 0;
    int64_t m_nSplitGapMs = 0;
    int64_t m_nMergeWanted = 0;
    int m_nFloods = 0;
    SimBytes m_merge;
    std::vector<SentMessage> m_mergeMessages;

    std::atomic<int> m_nConnections{0};
    std::atomic<RouterRunOutcome> m_outcome{RouterRunOutcome::Running};
    std::atomic<bool> m_bFinished{false};

    mutable std::mutex m_logMutex;
    std::condition_variable m_logChanged;
    std::vector<std::string> m_log;
};
