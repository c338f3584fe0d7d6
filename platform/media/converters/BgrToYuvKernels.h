#pragma once

#include "platform/media/converters/YuvEncoding.h"
#include "platform/runtime/SimdLevel.h"

#include <cstdint>

// The row loops that turn 24-bit blue, green, red into YUV, one table per instruction-set level
// like the decoding loops' (YuvRowKernels.h); every entry gives exactly the scalar entry's bytes.
//
// The arithmetic, in 16-bit lanes:
//   luma:   Y = (T(B, yb) + T(G, yg) + T(R, yr) + yBias) >> 7,  T(x, k) = ((x 256) k) >> 16 unsigned
//   chroma: from the channel sums of the pixels that share the sample, scaled to 128 times their
//           mean (a pair's sum times 64, a 2x2 block's times 32):
//           U = min(255, (C(b, ub) + C(g, ug) + C(r, ur) + 128 64 + 32) >> 6),  C(s, k) = (s k) >> 16
//           signed, and V alike.
// Each term is the high half of one multiply in any vector unit. The gains are scaled by 32768
// and green's is the rest of each sum, so grey has chroma 128 and white's luma stays in range.
struct TBgrToYuvCoefficients {
    uint16_t yb, yg, yr;
    int16_t yBias; // the black level times 128, plus one half (64)
    int16_t ub, ug, ur;
    int16_t vb, vg, vr;
};

inline constexpr int16_t kChromaBias = 128 * 64 + 32;

TBgrToYuvCoefficients BgrToYuvCoefficients(TYuvEncoding encoding);

struct TBgrToYuvKernels {
    TSimdLevel level;
    // One row of `width` pixels to packed Y0 U Y1 V, (width + 1) / 2 pairs: an odd last pixel is
    // paired with itself (its luma written twice, its own chroma).
    void (*yuyv)(const uint8_t* bgr, int width, uint8_t* out, const TBgrToYuvCoefficients& k);
    // Two rows to their luma rows and one row of U and of V, (width + 1) / 2 samples, each the
    // mean of a 2x2 block; an odd last column is paired with itself. For an odd last row the
    // caller passes that row (and its luma row) twice.
    void (*i420)(const uint8_t* bgr0, const uint8_t* bgr1, int width, uint8_t* y0, uint8_t* y1, uint8_t* u,
                 uint8_t* v, const TBgrToYuvCoefficients& k);
};

// The table of the active level (platform/runtime/SimdLevel.h).
const TBgrToYuvKernels& BgrToYuvKernels();
// The table of a level, or null when this build has none for it. The processor must run it.
const TBgrToYuvKernels* BgrToYuvKernelsFor(TSimdLevel level);

// Each level's own table, defined in its translation unit.
const TBgrToYuvKernels& ScalarBgrToYuvKernels();
const TBgrToYuvKernels& Sse2BgrToYuvKernels();
const TBgrToYuvKernels* Avx2BgrToYuvKernels();
const TBgrToYuvKernels* Avx512BgrToYuvKernels();
