#include "platform/media/sources/FramePacer.h"

bool FramePacer::WaitForNextFrame() {
    using Clock = std::chrono::steady_clock;
    std::unique_lock lock(mutex_);
    if (interval_.count() <= 0)
        return !woken_;
    const Clock::time_point now = Clock::now();
    if (!started_) {
        next_ = now;
        started_ = true;
    }
    if (wakeUp_.wait_until(lock, next_, [this] { return woken_; }))
        return false;
    next_ += interval_;
    if (next_ + interval_ < Clock::now())
        next_ = Clock::now(); // fell behind: start again from now
    return true;
}

void FramePacer::Wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wakeUp_.notify_all();
}
