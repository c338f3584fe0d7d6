#pragma once

#include "effects/FrameHandler.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ViewerInterfaces.h"

// The frame handler's counts as viewers of the graph see them: frames processed, and frames
// dropped because a pass was still running. Read from the viewer server's thread (relaxed
// loads only); the handler must outlive the graph's registration, which the main window's
// teardown revokes before the handler goes.
class TFrameHandlerCounters final : public ComObject<ICounterSource> {
public:
    static ComPtr<ICounterSource> Create(const TFrameHandler& handler);

    std::string CounterKind() override { return "frame handler"; }
    void ReadCounters(NamedCounters& counters) override;

private:
    explicit TFrameHandlerCounters(const TFrameHandler& handler) : handler_(handler) {}

    const TFrameHandler& handler_;
};
