#pragma once

#include "platform/media/core/MediaType.h"

#include <cstdint>
#include <functional>
#include <optional>

// The frame interval a V4L2 device is asked for: seconds as numerator / denominator.
struct V4l2Interval {
    uint32_t numerator = 0;
    uint32_t denominator = 0;
};

// An ioctl on one open device: false when it fails.
using V4l2Ioctl = std::function<bool(unsigned long request, void* argument)>;

// The shortest frame interval the device lists for the pixel format at the size: the least of its
// discrete intervals, or the lower end of a range. nullopt when it lists none that makes sense.
std::optional<V4l2Interval> FastestV4l2Interval(const V4l2Ioctl& ioctl, uint32_t pixelFormat, uint32_t width,
                                                uint32_t height);

// The interval in 100 ns units; 0 for an interval without a denominator.
REFERENCE_TIME IntervalTime(const V4l2Interval& interval);
