#pragma once

#include <cstdint>
#include <ctime>

// The current CLOCK_MONOTONIC time in nanoseconds: the clock of capture times, and of the
// streaming, writing and recording threads' timing.
inline int64_t MonotonicNanoseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}
