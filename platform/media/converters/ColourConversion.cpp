#include "platform/media/converters/ColourConversion.h"

#include <algorithm>

namespace {

// BT.601 studio range, 16.16 fixed point: 1.164 (Y - 16), 1.596 V', 0.813 V', 0.391 U', 2.018 U'.
constexpr int kY = 76309;
constexpr int kRv = 104597;
constexpr int kGv = 53279;
constexpr int kGu = 25674;
constexpr int kBu = 132201;

inline uint8_t Clamp(int value) {
    return static_cast<uint8_t>(std::clamp(value >> 16, 0, 255));
}

inline void StorePixel(uint8_t* p, int y, int u, int v) {
    const int luma = (y - 16) * kY + (1 << 15);
    p[0] = Clamp(luma + kBu * u);
    p[1] = Clamp(luma - kGv * v - kGu * u);
    p[2] = Clamp(luma + kRv * v);
}

// Converts packed 4:2:2 rows; the byte offsets of Y0, U, Y1, V within each pair of pixels differ
// between YUY2 and UYVY.
template <int Y0, int U, int Y1, int V>
void Packed422ToRgb24(const uint8_t* source, int sourceStride, int width, int height, uint8_t* target) {
    const int targetStride = Rgb24Stride(width);
    for (int row = 0; row < height; ++row) {
        const uint8_t* in = source + static_cast<int64_t>(row) * sourceStride;
        uint8_t* out = target + static_cast<int64_t>(height - 1 - row) * targetStride;
        for (int x = 0; x + 1 < width; x += 2, in += 4, out += 6) {
            const int u = in[U] - 128;
            const int v = in[V] - 128;
            StorePixel(out, in[Y0], u, v);
            StorePixel(out + 3, in[Y1], u, v);
        }
        if (width % 2 == 1)
            StorePixel(out, in[Y0], in[U] - 128, in[V] - 128);
    }
}

} // namespace

void Yuy2ToRgb24(const uint8_t* source, int sourceStride, int width, int height, uint8_t* target) {
    Packed422ToRgb24<0, 1, 2, 3>(source, sourceStride, width, height, target);
}

void UyvyToRgb24(const uint8_t* source, int sourceStride, int width, int height, uint8_t* target) {
    Packed422ToRgb24<1, 0, 3, 2>(source, sourceStride, width, height, target);
}

void Rgb32ToRgb24(const uint8_t* source, int sourceStride, int width, int height, bool sourceTopDown,
                  uint8_t* target) {
    const int targetStride = Rgb24Stride(width);
    for (int row = 0; row < height; ++row) {
        const int sourceRow = sourceTopDown ? height - 1 - row : row;
        const uint8_t* in = source + static_cast<int64_t>(sourceRow) * sourceStride;
        uint8_t* out = target + static_cast<int64_t>(row) * targetStride;
        for (int x = 0; x < width; ++x) {
            out[3 * x] = in[4 * x];
            out[3 * x + 1] = in[4 * x + 1];
            out[3 * x + 2] = in[4 * x + 2];
        }
    }
}
