// The x86-64 baseline: the plain loops as the compiler vectorises them with SSE2, the SSE2
// kernels and whole-pixel kernels, table look-ups two bytes at a time, and the mirrors copying
// pixels as 32-bit words.
#include "effects/Sse2Pixels.h"

namespace {

// to[k] := from[pixels - 1 - k]. Each pixel moves as a 4-byte word whose fourth byte lands on
// the next pixel to be written, so the first and the last pixel move alone: no byte outside
// either range is read or written.
void ReversePixelWords(uint8_t* to, const uint8_t* from, int pixels) {
    if (pixels < 3)
        return rows::ReversePixels(to, from, pixels);
    rows::CopyPixel(to, from + 3 * (pixels - 1));
    for (int k = 1; k < pixels - 1; ++k) {
        uint32_t word; // the byte before the source pixel, then its three bytes
        __builtin_memcpy(&word, from + 3 * (pixels - 1 - k) - 1, 4);
        word >>= 8;
        __builtin_memcpy(to + 3 * k, &word, 4);
    }
    rows::CopyPixel(to + 3 * (pixels - 1), from);
}

} // namespace

const TRowKernels& Sse2RowKernels() {
    static constexpr TRowKernels kernels = [] {
        TRowKernels k = PlainRowKernels(TSimdLevel::Sse2);
        UseSse2Kernels(k);
        UseSse2PixelKernels(k);
        rows::UseReversal<ReversePixelWords>(k);
        return k;
    }();
    return kernels;
}
