// Scenario scripts of the router simulator: one step per line, '#' starts a comment
// (outside quotes), blank lines are ignored. Numbers are decimal or 0x-hex; texts are in
// double quotes, UTF-8, with the escapes \" \\ \n \r \t \0 and \xHH.
//
//   keepalive MS          send a keep-alive every MS ms while a client is connected
//                         (0 = off; the default before any such line is 5000)
//   silence               stop the keep-alives (same as keepalive 0)
//   wait-connect [MS]     wait for a client (at once if one is connected); without MS
//                         only the simulator's lifetime bounds the wait
//   expect-reconnect [MS] wait up to MS ms (default 30000) for a new connection: the
//                         current one, if any, has to go and another one come
//   send connection STATE
//   send sms ID "TIME" "SENDER" "TEXT"
//   send call "CALLER"
//   send missed ID "TIME" "CALLER"
//   send registration CS PS TECH "OPERATOR"
//   send signal LEVEL
//   send users KIND COUNT
//   send keepalive
//   send error "TEXT"
//   send software "VERSION" "URL"
//   send liveupdate STATUS       -128 to 255; 128 and up go out as the same byte
//   send raw HH HH ...           any bytes, in hex pairs (tokens may hold several pairs)
//   send header LEN TYPE VER [TOTAL]
//                         a header with these fields, zero-padded to TOTAL bytes (default 4)
//   flood COUNT signal LEVEL [LEVEL...]
//                         COUNT signal messages as fast as the client takes them, the
//                         levels in turn (one level: every message alike), in large
//                         writes; one log line before the first byte and one after the
//                         last, none a message. Split and merge do not apply to it.
//   split N [GAP_MS]      the next scripted write goes out as N bytes, then the rest GAP_MS
//                         ms later (default 200, so that the client sees two receives)
//   merge N               the next N sent messages go out in one write (which a pending
//                         split then cuts); keep-alives always go out whole, on their own
//   sleep MS
//   close                 close the client connection
//   reset                 abort the client connection (the client sees a reset); data
//                         the client has not read yet may be lost to it, so give it time
//                         (a sleep) after the last send
//   end                   close the client and stop the simulator
//
// A step that needs a client (send, close, reset) waits for one first, so after a close
// the next connection is served from the following step. A send fails to parse if its
// text does not fit its area.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/sim/MessageEncoder.h"

enum class ScenarioAction {
    KeepAlive,        // nValue: interval in ms, 0 off
    WaitConnect,      // nValue: timeout in ms, 0 unbounded
    ExpectReconnect,  // nValue: timeout in ms
    Send,             // bytes; nType: the message type for the log, 0 for raw bytes
    Flood,            // bytes: one cycle of messages, nValue2 of them; nValue: messages to send; nType
    Split,            // nValue: bytes of the first write; nValue2: gap in ms
    Merge,            // nValue: messages in the write
    Sleep,            // nValue: ms
    Close,
    Reset,
    End,
};

struct ScenarioStep {
    ScenarioAction action = ScenarioAction::End;
    int nLine = 0;
    int64_t nValue = 0;
    int64_t nValue2 = 0;
    uint8_t nType = 0;
    SimBytes bytes;
    std::string source;  // the line without its comment, for the log
};

struct ScenarioError {
    int nLine = 0;
    std::string message;
};

constexpr int64_t kScenarioDefaultKeepAliveMs = 5000;
constexpr int64_t kScenarioDefaultReconnectMs = 30000;
constexpr int64_t kScenarioDefaultSplitGapMs = 200;
constexpr int64_t kScenarioMaxFloodCount = 1000000000;

// Parses a whole script. On failure returns false with the first error and its line
// (counted from 1); steps then holds the steps before that line.
bool ParseScenario(std::string_view script, std::vector<ScenarioStep>& steps, ScenarioError& error);
