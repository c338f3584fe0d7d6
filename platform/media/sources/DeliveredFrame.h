#pragma once

#include "platform/runtime/MonotonicClock.h"

#include <cstdint>

// When the frame now going downstream was captured: the camera's own time stamp where its driver
// gives one on the monotonic clock, else the moment the source received it (CLOCK_MONOTONIC
// nanoseconds either way). A capture source delivers each frame synchronously through the whole
// chain on its streaming thread, so anything downstream (a converter, the sample grabber's
// callback and what the window does in it) asks here for the time of the frame it handles.
// 0 on a thread that is not delivering a frame.
int64_t DeliveredFrameCaptureTime();

// Marks the calling thread as delivering a frame captured at `captureTime` for its lifetime.
class DeliveredFrameScope {
public:
    explicit DeliveredFrameScope(int64_t captureTime);
    ~DeliveredFrameScope();
    DeliveredFrameScope(const DeliveredFrameScope&) = delete;
    DeliveredFrameScope& operator=(const DeliveredFrameScope&) = delete;

private:
    int64_t previous_;
};
