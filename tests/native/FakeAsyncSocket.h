// Scripted stand-in for the socket layer in native tests: what Create, Connect and
// Receive give, and a record of what the code under test asked for. One script for the
// whole process; a test resets it with FakeSocket() = {}.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

struct FakeSocketScript {
    // One answer of Receive: bytes (as many as fit; the rest waits for the next call),
    // or, when nError is not 0, a failure with that error code. An empty chunk without an
    // error is the peer's close. With nothing queued Receive would block (10035).
    struct Delivery {
        std::vector<uint8_t> bytes;
        int nError = 0;
    };
    std::deque<Delivery> receives;

    bool bCreateSucceeds = true;
    int nCreateError = 10055;  // WSAENOBUFS, given when Create fails
    bool bConnectSucceeds = false;
    int nConnectError = 10035;  // given when Connect fails; 10035 means under way

    // Observations.
    int nCreateCalls = 0;
    int nConnectCalls = 0;
    int nCloseCalls = 0;  // closes of an open socket
    unsigned nCreatePort = 0;
    int nCreateType = 0;
    long nCreateEvents = 0;
    bool bCreateHadAddress = false;
    std::wstring strConnectHost;
    unsigned nConnectPort = 0;
    std::vector<int> receiveLengths;  // nBufLen of every Receive

    uintptr_t nNextHandle = 100;  // handle given by the next successful Create
    int nLastError = 0;
};

FakeSocketScript& FakeSocket();

// The socket client's clock in tests: whole seconds that a test sets.
inline int64_t g_tNow = 0;
inline int64_t FakeNow()
{
    return g_tNow;
}

// Builds a delivery of bytes.
FakeSocketScript::Delivery Bytes(std::vector<uint8_t> bytes);
// Builds a failing delivery.
FakeSocketScript::Delivery ReceiveError(int nError);
