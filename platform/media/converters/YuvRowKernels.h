#pragma once

#include "platform/runtime/SimdLevel.h"

#include <cstdint>

// The row loops of the YUV conversions, one table of them per instruction-set level. Each level's
// table lives in a translation unit of its own, compiled for that level alone; every entry gives
// exactly the bytes of the scalar table's entry.
//
// The arithmetic, in 16-bit lanes with 5 fractional bits (s >> 5, clamped to 0..255):
//   l = (Y y) >> 8 + bias,  c_u = (U - 128) 256,  c_v = (V - 128) 256
//   blue = l + (c_u bu) >> 16,  green = l - (c_u gu) >> 16 - (c_v gv) >> 16,  red = l + (c_v rv) >> 16
// The shifts floor. (Y y) >> 8 is the unsigned high half of (Y 256) y, the chroma terms the
// signed high halves of c rv etc., so each is one multiply of the high half in any vector unit.
struct TYuvCoefficients {
    int16_t y;              // luma gain, 8192 = 1
    int16_t bias;           // 16 (one half) less the gain times the black level
    int16_t bu, gu, gv, rv; // chroma gains, 8192 = 1
};

// One row of `width` pixels to 24-bit blue, green, red at `out`.
struct TYuvRowKernels {
    TSimdLevel level;
    // Packed 4:2:2: bytes Y0 U Y1 V (YUY2) or U Y0 V Y1 (UYVY); an odd last pixel is the first
    // of a whole pair of bytes, whose chroma it takes.
    void (*yuy2)(const uint8_t* in, int width, uint8_t* out, const TYuvCoefficients& k);
    void (*uyvy)(const uint8_t* in, int width, uint8_t* out, const TYuvCoefficients& k);
    // A luma row and the chroma row it shares with its neighbour: interleaved U V (NV12) or two
    // rows of U and of V (I420), each holding (width + 1) / 2 samples.
    void (*nv12)(const uint8_t* y, const uint8_t* uv, int width, uint8_t* out, const TYuvCoefficients& k);
    void (*i420)(const uint8_t* y, const uint8_t* u, const uint8_t* v, int width, uint8_t* out,
                 const TYuvCoefficients& k);
};

// The table of the active level (platform/runtime/SimdLevel.h).
const TYuvRowKernels& YuvRowKernels();
// The table of a level, or null when this build has none for it. The processor must run it.
const TYuvRowKernels* YuvRowKernelsFor(TSimdLevel level);

// Each level's own table, defined in its translation unit.
const TYuvRowKernels& ScalarYuvRowKernels();
const TYuvRowKernels& Sse2YuvRowKernels();
const TYuvRowKernels* Avx2YuvRowKernels();
const TYuvRowKernels* Avx512YuvRowKernels();
