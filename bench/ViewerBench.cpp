// What the graph viewer costs: the streaming thread's count of one sample, and the reading of
// a pin's rate and the parsing of a request on the viewer server's thread.
#include "platform/com/ViewerProtocol.h"
#include "platform/media/pins/FlowMeter.h"

#include <benchmark/benchmark.h>

namespace {

void FlowMeterCount(benchmark::State& state) {
    FlowMeter meter;
    REFERENCE_TIME stamp = 0;
    for (auto _ : state) {
        meter.Count(stamp);
        stamp += 333333;
    }
    benchmark::DoNotOptimize(meter.Samples());
}
BENCHMARK(FlowMeterCount);

void FlowMeterRate(benchmark::State& state) {
    FlowMeter meter;
    for (REFERENCE_TIME k = 0; k < 1000; ++k)
        meter.Count(k * 333333);
    for (auto _ : state)
        benchmark::DoNotOptimize(meter.Rate());
}
BENCHMARK(FlowMeterRate);

void ParseWatchRequest(benchmark::State& state) {
    const std::string line = ViewerProtocol::RequestLine(ViewerProtocol::RequestKind::Watch);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            ViewerProtocol::ParseRequest(std::string_view(line).substr(0, line.size() - 1)));
}
BENCHMARK(ParseWatchRequest);

} // namespace

BENCHMARK_MAIN();
