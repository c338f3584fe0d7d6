#pragma once

#include "platform/media/converters/BgrToYuvKernels.h"

// The scalar reference of the conversions to YUV (BgrToYuvKernels.h), pixel by pixel. Every
// level's translation unit includes it for the columns its vectors leave, so it has internal
// linkage only: a shared inline copy compiled for a higher level could end up in baseline code.
namespace {

inline int LumaTerm(int x, uint16_t k) {
    return static_cast<int>((static_cast<uint32_t>(x) * 256u * k) >> 16);
}

inline uint8_t LumaOf(const uint8_t* p, const TBgrToYuvCoefficients& k) {
    return static_cast<uint8_t>(
        (LumaTerm(p[0], k.yb) + LumaTerm(p[1], k.yg) + LumaTerm(p[2], k.yr) + k.yBias) >> 7);
}

// b, g, r: 128 times the mean of each channel.
inline uint8_t ChromaOf(int b, int g, int r, int16_t kb, int16_t kg, int16_t kr) {
    const int value = (((b * kb) >> 16) + ((g * kg) >> 16) + ((r * kr) >> 16) + kChromaBias) >> 6;
    return static_cast<uint8_t>(value > 255 ? 255 : value);
}

void YuyvRow(const uint8_t* bgr, int width, uint8_t* out, const TBgrToYuvCoefficients& k) {
    for (int x = 0; x < width; x += 2, bgr += 6, out += 4) {
        const uint8_t* second = x + 1 < width ? bgr + 3 : bgr;
        const int b = (bgr[0] + second[0]) * 64, g = (bgr[1] + second[1]) * 64, r = (bgr[2] + second[2]) * 64;
        out[0] = LumaOf(bgr, k);
        out[1] = ChromaOf(b, g, r, k.ub, k.ug, k.ur);
        out[2] = LumaOf(second, k);
        out[3] = ChromaOf(b, g, r, k.vb, k.vg, k.vr);
    }
}

void I420Rows(const uint8_t* bgr0, const uint8_t* bgr1, int width, uint8_t* y0, uint8_t* y1, uint8_t* u,
              uint8_t* v, const TBgrToYuvCoefficients& k) {
    for (int x = 0; x < width; x += 2, bgr0 += 6, bgr1 += 6) {
        const bool pair = x + 1 < width;
        const uint8_t* top = pair ? bgr0 + 3 : bgr0;
        const uint8_t* bottom = pair ? bgr1 + 3 : bgr1;
        y0[x] = LumaOf(bgr0, k);
        y1[x] = LumaOf(bgr1, k);
        if (pair) {
            y0[x + 1] = LumaOf(top, k);
            y1[x + 1] = LumaOf(bottom, k);
        }
        const int b = (bgr0[0] + top[0] + bgr1[0] + bottom[0]) * 32;
        const int g = (bgr0[1] + top[1] + bgr1[1] + bottom[1]) * 32;
        const int r = (bgr0[2] + top[2] + bgr1[2] + bottom[2]) * 32;
        u[x / 2] = ChromaOf(b, g, r, k.ub, k.ug, k.ur);
        v[x / 2] = ChromaOf(b, g, r, k.vb, k.vg, k.vr);
    }
}

} // namespace
