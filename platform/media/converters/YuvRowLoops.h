#pragma once

#include "platform/media/converters/YuvPixels.h"

// The row loops every vector level shares: whole blocks of Level::kPixels pixels through the
// level's block functions, the columns left over through the reference. Internal linkage, like
// the reference it includes.
namespace {

template <class Level> struct TYuvRowLoops {
    // Packed 4:2:2, luma in the low byte of each word (YUY2) or the high (UYVY); Y0, U, Y1 and V
    // are the byte offsets the reference takes.
    template <bool LumaLow, int Y0, int U, int Y1, int V>
    static void Packed(const uint8_t* in, int width, uint8_t* out, const TYuvCoefficients& k) {
        const typename Level::Constants c(k);
        int x = 0;
        for (; x + Level::kPixels <= width; x += Level::kPixels)
            Level::template Packed<LumaLow>(in + 2 * x, out + 3 * x, c);
        Packed422Row<Y0, U, Y1, V>(in + 2 * x, width - x, out + 3 * x, k);
    }

    static void Nv12(const uint8_t* y, const uint8_t* uv, int width, uint8_t* out,
                     const TYuvCoefficients& k) {
        const typename Level::Constants c(k);
        int x = 0;
        for (; x + Level::kPixels <= width; x += Level::kPixels)
            Level::Nv12(y + x, uv + x, out + 3 * x, c);
        PlanarRow(y + x, uv + x, uv + x + 1, 2, width - x, out + 3 * x, k);
    }

    static void I420(const uint8_t* y, const uint8_t* u, const uint8_t* v, int width, uint8_t* out,
                     const TYuvCoefficients& k) {
        const typename Level::Constants c(k);
        int x = 0;
        for (; x + Level::kPixels <= width; x += Level::kPixels)
            Level::I420(y + x, u + x / 2, v + x / 2, out + 3 * x, c);
        PlanarRow(y + x, u + x / 2, v + x / 2, 1, width - x, out + 3 * x, k);
    }

    static constexpr TYuvRowKernels kTable{Level::kLevel, Packed<true, 0, 1, 2, 3>, Packed<false, 1, 0, 3, 2>,
                                           Nv12, I420};
};

} // namespace
