#pragma once

#include "platform/media/core/MediaType.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

// Paces a virtual camera's frames by the steady clock: each wait ends at the next frame's time,
// or at once when woken. A camera that falls behind drops the lost time rather than rushing.
// An interval of 0 does not pace at all (the pipeline benchmark's camera).
// WaitForNextFrame on the streaming thread; Wake from any thread.
class FramePacer {
public:
    explicit FramePacer(REFERENCE_TIME interval) : interval_(interval * 100) {}

    // False when woken.
    bool WaitForNextFrame();
    void Wake();

private:
    const std::chrono::nanoseconds interval_;
    std::chrono::steady_clock::time_point next_; // the streaming thread's
    bool started_ = false;                       // the streaming thread's

    std::mutex mutex_; // guards woken_
    std::condition_variable wakeUp_;
    bool woken_ = false;
};
