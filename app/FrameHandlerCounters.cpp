#include "app/FrameHandlerCounters.h"

ComPtr<ICounterSource> TFrameHandlerCounters::Create(const TFrameHandler& handler) {
    return ComPtr<ICounterSource>::Adopt(new TFrameHandlerCounters(handler));
}

void TFrameHandlerCounters::ReadCounters(NamedCounters& counters) {
    counters.emplace_back("frames_processed", handler_.FramesProcessed());
    counters.emplace_back("frames_dropped_busy", handler_.FramesDropped());
}
