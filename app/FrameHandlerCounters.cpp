#include "app/FrameHandlerCounters.h"

ComPtr<ICounterSource> TFrameHandlerCounters::Create(const TFrameHandler& handler,
                                                     const LatencyStats& paintLatency) {
    return ComPtr<ICounterSource>::Adopt(new TFrameHandlerCounters(handler, paintLatency));
}

void TFrameHandlerCounters::ReadCounters(NamedCounters& counters) {
    const LatencyStats::Summary paint = paintLatency_.Read();
    counters.emplace_back("frames_processed", handler_.FramesProcessed());
    counters.emplace_back("frames_dropped_busy", handler_.FramesDropped());
    counters.emplace_back("paint_latency_median_us", static_cast<uint64_t>(paint.median / 1000));
    counters.emplace_back("paint_latency_p99_us", static_cast<uint64_t>(paint.p99 / 1000));
}
