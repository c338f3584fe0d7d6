#pragma once

#include "platform/media/core/VideoFormat.h"

#include <cstdint>

// One way a PipeWire camera node can send pictures, in the terms the V4L2 cameras use, so that
// the same choice of mode and the same offers serve both: the pixel format as a V4L2 fourcc
// (YUYV, UYVY, NV12, YU12, MJPG, RGB3, BGR3, GREY), a size, the fastest frame rate the node lists
// there (0/0 when it lists none), and the YUV encoding it announces.
struct PipeWireMode {
    uint32_t pixelFormat = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t rateNumerator = 0;
    uint32_t rateDenominator = 0;
    TYuvEncoding encoding{};

    // The frame interval in 100 ns units; 0 when the rate is not known.
    REFERENCE_TIME Interval() const {
        if (rateNumerator == 0 || rateDenominator == 0)
            return 0;
        return static_cast<REFERENCE_TIME>(int64_t{10'000'000} * rateDenominator / rateNumerator);
    }
    friend bool operator==(const PipeWireMode&, const PipeWireMode&) = default;
};
