// A filtered XLog call sits on the hottest paths (every received message, every
// reconnection attempt) and must cost no more than its one comparison.
#include <benchmark/benchmark.h>

#include "app/Log.h"

namespace {

void NoOpSink(const wchar_t* pszLine)
{
    benchmark::DoNotOptimize(pszLine);
}

void BM_XLogFilteredDetail(benchmark::State& state)
{
    XLogSetLevel(0);
    int nMessage = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(nMessage);
        XLog(1, L"CSockClient::ProcessReceivedData, processing message %d.", nMessage);
        ++nMessage;
    }
}
BENCHMARK(BM_XLogFilteredDetail);

void BM_XLogEmittedToNoOpSink(benchmark::State& state)
{
    XLogSetLevel(0);
    const XLogSinkFn pfnPrevious = XLogSetSink(&NoOpSink);
    int nMessage = 0;
    for (auto _ : state) {
        XLog(3, L"CSockClient::ProcessReceivedData, processing message %d.", nMessage);
        ++nMessage;
    }
    XLogSetSink(pfnPrevious);
}
BENCHMARK(BM_XLogEmittedToNoOpSink);

}  // namespace
