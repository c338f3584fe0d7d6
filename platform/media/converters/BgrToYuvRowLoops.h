#pragma once

#include "platform/media/converters/BgrToYuvPixels.h"

// The row loops every vector level shares: whole blocks of Level::kPixels pixels (an even
// number) through the level's block functions, the columns left over through the reference.
// Internal linkage, like the reference it includes.
namespace {

template <class Level> struct TBgrToYuvRowLoops {
    static void Yuyv(const uint8_t* bgr, int width, uint8_t* out, const TBgrToYuvCoefficients& k) {
        const typename Level::Constants c(k);
        int x = 0;
        for (; x + Level::kPixels <= width; x += Level::kPixels)
            Level::Yuyv(bgr + 3 * x, out + 2 * x, c);
        YuyvRow(bgr + 3 * x, width - x, out + 2 * x, k);
    }

    static void I420(const uint8_t* bgr0, const uint8_t* bgr1, int width, uint8_t* y0, uint8_t* y1,
                     uint8_t* u, uint8_t* v, const TBgrToYuvCoefficients& k) {
        const typename Level::Constants c(k);
        int x = 0;
        for (; x + Level::kPixels <= width; x += Level::kPixels)
            Level::I420(bgr0 + 3 * x, bgr1 + 3 * x, y0 + x, y1 + x, u + x / 2, v + x / 2, c);
        I420Rows(bgr0 + 3 * x, bgr1 + 3 * x, width - x, y0 + x, y1 + x, u + x / 2, v + x / 2, k);
    }

    static constexpr TBgrToYuvKernels kTable{Level::kLevel, Yuyv, I420};
};

} // namespace
