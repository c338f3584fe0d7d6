#include "platform/media/cameras/V4l2FrameInterval.h"

#include <linux/videodev2.h>

namespace {

// Bounds how many intervals a misbehaving driver can make us list.
constexpr uint32_t kMaxListed = 256;

bool Shorter(const v4l2_fract& a, const V4l2Interval& b) {
    return uint64_t{a.numerator} * b.denominator < uint64_t{b.numerator} * a.denominator;
}

} // namespace

std::optional<V4l2Interval> FastestV4l2Interval(const V4l2Ioctl& ioctl, uint32_t pixelFormat, uint32_t width,
                                                uint32_t height) {
    std::optional<V4l2Interval> fastest;
    for (uint32_t index = 0; index < kMaxListed; ++index) {
        v4l2_frmivalenum interval{};
        interval.index = index;
        interval.pixel_format = pixelFormat;
        interval.width = width;
        interval.height = height;
        if (!ioctl(VIDIOC_ENUM_FRAMEINTERVALS, &interval))
            break;
        const bool discrete = interval.type == V4L2_FRMIVAL_TYPE_DISCRETE;
        const v4l2_fract fraction = discrete ? interval.discrete : interval.stepwise.min;
        if (fraction.numerator != 0 && fraction.denominator != 0 && (!fastest || Shorter(fraction, *fastest)))
            fastest = V4l2Interval{fraction.numerator, fraction.denominator};
        if (!discrete)
            break; // a range is listed once
    }
    return fastest;
}

REFERENCE_TIME IntervalTime(const V4l2Interval& interval) {
    if (interval.denominator == 0)
        return 0;
    return static_cast<REFERENCE_TIME>(int64_t{10'000'000} * interval.numerator / interval.denominator);
}
