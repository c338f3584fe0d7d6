#include "platform/media/sources/DeliveredFrame.h"


namespace {

thread_local int64_t tCaptureTime = 0;

} // namespace

int64_t DeliveredFrameCaptureTime() {
    return tCaptureTime;
}

DeliveredFrameScope::DeliveredFrameScope(int64_t captureTime) : previous_(tCaptureTime) {
    tCaptureTime = captureTime;
}

DeliveredFrameScope::~DeliveredFrameScope() {
    tCaptureTime = previous_;
}
