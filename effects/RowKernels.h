#pragma once

#include "effects/SimdLevel.h"

#include <cstddef>
#include <cstdint>

// The row loops of every effect, one table of them per instruction-set level. Each level's
// table lives in a translation unit of its own, compiled for that level alone, so the program
// still starts on a baseline x86-64 processor. Every entry gives exactly the bytes of the scalar
// table's entry; the effects call whichever table is active.
//
// A pixel is three bytes (blue, green, red); `row` is a row's first byte and [x0, x1) the
// columns to change, left to right, in place.
struct TRowKernels {
    TSimdLevel level;
    void (*negative)(uint8_t* row, int x0, int x1);
    // p[k] := table[p[k]] for count bytes; `pairs` is the same table applied to two bytes at
    // once (entry a + 256 b holds table[a] + 256 table[b]).
    void (*mapBytes)(uint8_t* p, size_t count, const uint8_t* table, const uint16_t* pairs);
    void (*greyFromMean)(uint8_t* row, int x0, int x1);
    // Each pixel's three bytes := its byte of `channel` (0 blue, 1 green, 2 red).
    void (*greyFromChannel)(uint8_t* row, int x0, int x1, int channel);
    void (*blackAndWhite)(uint8_t* row, int x0, int x1);
    void (*predatorVision)(uint8_t* row, int x0, int x1);
    // Contours and blots read the pixel right of x1 - 1, which must exist.
    void (*contours)(uint8_t* row, int x0, int x1);
    void (*blots)(uint8_t* row, int x0, int x1);
    void (*sierpinskiMask)(uint8_t* row, int y, int x0, int x1);
    // p[k] += pattern[k] (mod 256) for `bytes` bytes.
    void (*addBytes)(uint8_t* p, const uint8_t* pattern, size_t bytes);
    // Each pixel's channels += addends[x] (mod 256).
    void (*addPerPixel)(uint8_t* row, const uint8_t* addends, int x0, int x1);
    // The mirrors of a row `width` pixels wide: swap with, copy from, copy to the partner.
    void (*mirror)(uint8_t* row, int width, int x0, int x1);
    void (*brokenMirror)(uint8_t* row, int width, int x0, int x1);
    void (*brokenMirror2)(uint8_t* row, int width, int x0, int x1);
    // The blue, green and red sums of columns 1 to width - 3.
    void (*rowSums)(const uint8_t* row, int width, uint32_t sums[3]);
    // Each channel := (channel + mean) div 2, with the means in blue, green, red order.
    void (*blendWithMeans)(uint8_t* row, int x0, int x1, const uint8_t means[3]);
    // `count` draws below n from the generator at `seed`, into `out`; returns the final seed.
    uint32_t (*drawBytes)(uint32_t seed, uint32_t n, uint8_t* out, size_t count);
    // p[k] := min(255, p[k] + r[k]) for count bytes.
    void (*addClamped)(uint8_t* p, const uint8_t* r, size_t count);
    // Each pixel's channels := min(255, channel + r[x - x0]).
    void (*addClampedPerPixel)(uint8_t* row, const uint8_t* r, int x0, int x1);
    // Background keying: each pixel whose every channel differs from `key`'s (blue, green, red)
    // by at most kKeyTolerance takes the pixel of the same column of `with` (with + 3x), or
    // `colour`.
    void (*keyToRow)(uint8_t* row, const uint8_t* with, int x0, int x1, const uint8_t key[3]);
    void (*keyToColour)(uint8_t* row, int x0, int x1, const uint8_t key[3], const uint8_t colour[3]);
};

inline constexpr int kKeyTolerance = 149;

// The table of the active level (see SimdLevel.h).
const TRowKernels& RowKernels();

// The table of a level, or null when this build has none for it. The processor must run that
// level; the tests and benchmarks ask for each level the processor has.
const TRowKernels* RowKernelsFor(TSimdLevel level);

// Each level's own table, defined in its translation unit.
const TRowKernels& ScalarRowKernels();
const TRowKernels& Sse2RowKernels();
const TRowKernels* Avx2RowKernels();
const TRowKernels* Avx512RowKernels();
