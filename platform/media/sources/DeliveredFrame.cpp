#include "platform/media/sources/DeliveredFrame.h"

#include <ctime>

namespace {

thread_local int64_t tCaptureTime = 0;

} // namespace

int64_t DeliveredFrameCaptureTime() {
    return tCaptureTime;
}

int64_t MonotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

DeliveredFrameScope::DeliveredFrameScope(int64_t captureTime) : previous_(tCaptureTime) {
    tCaptureTime = captureTime;
}

DeliveredFrameScope::~DeliveredFrameScope() {
    tCaptureTime = previous_;
}
