#pragma once

#include "effects/FrameHandler.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ViewerInterfaces.h"
#include "platform/runtime/LatencyStats.h"

// The frame handler's counts as viewers of the graph see them: frames processed, frames
// dropped because a pass was still running, and the latency from the camera's time stamp to the
// paint of the processed pane (paint_latency_median_us, paint_latency_p99_us). Read from the viewer server's
// thread (relaxed loads only); the handler must outlive the graph's registration, which the main window's
// teardown revokes before the handler goes.
class TFrameHandlerCounters final : public ComObject<ICounterSource> {
public:
    static ComPtr<ICounterSource> Create(const TFrameHandler& handler, const LatencyStats& paintLatency);

    std::string CounterKind() override { return "frame handler"; }
    void ReadCounters(NamedCounters& counters) override;

private:
    TFrameHandlerCounters(const TFrameHandler& handler, const LatencyStats& paintLatency)
        : handler_(handler), paintLatency_(paintLatency) {}

    const TFrameHandler& handler_;
    const LatencyStats& paintLatency_;
};
