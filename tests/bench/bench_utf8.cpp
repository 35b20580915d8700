// The text decoder over a full SMS body, next to a plain copy of the same bytes as the
// floor it is measured against.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "link/Tools.h"

namespace {

constexpr size_t kBodyBytes = 800;

// Mostly ASCII with some two- and three-byte characters, as a German/French SMS with a
// price in euro would be; cut at a character boundary and padded with ASCII to 800 bytes.
std::string SmsBody()
{
    const std::string sentence = "Hallo J\xC3\xBCrgen, das Caf\xC3\xA9 am Stra\xC3\x9F"
                                 "enende kostet 4,50 \xE2\x82\xAC pro Person. "
                                 "Bis sp\xC3\xA4ter \xE2\x80\x93 wir treffen uns um 18 Uhr! ";
    std::string body;
    while (body.size() + sentence.size() <= kBodyBytes)
        body += sentence;
    body.append(kBodyBytes - body.size(), '.');
    return body;
}

void BM_Utf8ToUtf16_SmsBody(benchmark::State& state)
{
    const std::string body = SmsBody();
    const auto* pBytes = reinterpret_cast<const uint8_t*>(body.data());
    for (auto _ : state) {
        std::wstring text =
            CTools::Utf8ToUtf16(static_cast<int16_t>(kBodyBytes), static_cast<int16_t>(kBodyBytes), pBytes);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBodyBytes));
}
BENCHMARK(BM_Utf8ToUtf16_SmsBody);

void BM_Utf8ToUtf16_AsciiBody(benchmark::State& state)
{
    const std::string body(kBodyBytes, 'a');
    const auto* pBytes = reinterpret_cast<const uint8_t*>(body.data());
    for (auto _ : state) {
        std::wstring text =
            CTools::Utf8ToUtf16(static_cast<int16_t>(kBodyBytes), static_cast<int16_t>(kBodyBytes), pBytes);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBodyBytes));
}
BENCHMARK(BM_Utf8ToUtf16_AsciiBody);

void BM_Utf8Body_Memcpy(benchmark::State& state)
{
    const std::string body = SmsBody();
    char target[kBodyBytes];
    for (auto _ : state) {
        std::memcpy(target, body.data(), kBodyBytes);
        benchmark::DoNotOptimize(target);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBodyBytes));
}
BENCHMARK(BM_Utf8Body_Memcpy);

}  // namespace
