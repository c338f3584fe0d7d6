#pragma once

// The plain row loops of every effect, included by each level's translation unit and compiled
// there for that level (the compiler vectorises them as the level allows). Everything here has
// internal linkage and this header includes nothing with inline functions: a translation unit
// compiled for AVX2 must not hand the linker a shared inline function that baseline code might
// end up calling.

#include "effects/RowKernels.h"

#include <cstddef>
#include <cstdint>

namespace {

namespace rows {

using U8x32 = uint8_t __attribute__((vector_size(32)));
using U32x8 = uint32_t __attribute__((vector_size(32)));

inline void CopyPixel(uint8_t* to, const uint8_t* from) {
    to[0] = from[0];
    to[1] = from[1];
    to[2] = from[2];
}

inline void SetPixel(uint8_t* p, uint8_t v) {
    p[0] = v;
    p[1] = v;
    p[2] = v;
}

void Negative(uint8_t* row, int x0, int x1) {
    for (int k = 3 * x0; k < 3 * x1; ++k)
        row[k] = static_cast<uint8_t>(~row[k]);
}

void MapBytes(uint8_t* p, size_t count, const uint8_t* table, const uint16_t*) {
    for (size_t k = 0; k < count; ++k)
        p[k] = table[p[k]];
}

// The same through the two-byte table, eight bytes at a time.
[[maybe_unused]] void MapBytePairs(uint8_t* p, size_t count, const uint8_t* table, const uint16_t* pairs) {
    size_t k = 0;
    for (; k + 8 <= count; k += 8) {
        uint64_t v;
        __builtin_memcpy(&v, p + k, 8);
        const uint64_t r = pairs[v & 0xFFFF] | static_cast<uint64_t>(pairs[(v >> 16) & 0xFFFF]) << 16 |
                           static_cast<uint64_t>(pairs[(v >> 32) & 0xFFFF]) << 32 |
                           static_cast<uint64_t>(pairs[v >> 48]) << 48;
        __builtin_memcpy(p + k, &r, 8);
    }
    for (; k < count; ++k)
        p[k] = table[p[k]];
}

void GreyFromMean(uint8_t* row, int x0, int x1) {
    for (int x = x0; x < x1; ++x) {
        uint8_t* p = row + 3 * x;
        SetPixel(p, static_cast<uint8_t>((p[0] + p[1] + p[2]) / 3));
    }
}

void GreyFromChannel(uint8_t* row, int x0, int x1, int channel) {
    for (int x = x0; x < x1; ++x) {
        uint8_t* p = row + 3 * x;
        SetPixel(p, p[channel]);
    }
}

void BlackAndWhite(uint8_t* row, int x0, int x1) {
    for (int x = x0; x < x1; ++x) {
        uint8_t* p = row + 3 * x;
        // (sum div 3) > 128 exactly when sum >= 387.
        SetPixel(p, (p[0] + p[1] + p[2]) >= 387 ? 255 : 0);
    }
}

void PredatorVision(uint8_t* row, int x0, int x1) {
    for (int x = x0; x < x1; ++x) {
        uint8_t* p = row + 3 * x;
        // B := R and G; G := B and R; R := G and B: all three end as R and G.
        SetPixel(p, static_cast<uint8_t>(p[2] & p[1]));
    }
}

void Contours(uint8_t* row, int x0, int x1) {
    // Every pixel compares with its right neighbour's copied value, so the means of the row
    // segment and of the pixel after it are taken first, in chunks that stay in the cache.
    constexpr int kChunk = 256;
    int16_t mean[kChunk + 1];
    for (int start = x0; start < x1; start += kChunk) {
        const int n = x1 - start < kChunk ? x1 - start : kChunk;
        const uint8_t* q = row + 3 * start;
        for (int k = 0; k <= n; ++k)
            mean[k] = static_cast<int16_t>((q[3 * k] + q[3 * k + 1] + q[3 * k + 2]) / 3);
        uint8_t* p = row + 3 * start;
        for (int k = 0; k < n; ++k) {
            const int d = mean[k] - mean[k + 1];
            SetPixel(p + 3 * k, (d >= 10 || d <= -10) ? 255 : 0);
        }
    }
}

void Blots(uint8_t* row, int x0, int x1) {
    for (int x = x0; x < x1; ++x) {
        uint8_t* p = row + 3 * x;
        const auto b = static_cast<uint8_t>(p[0] + p[3]);
        const auto g = static_cast<uint8_t>(p[1] + p[4]);
        const auto r = static_cast<uint8_t>(p[2] + p[5]);
        const auto newB = static_cast<uint8_t>(b - g);
        const auto newG = static_cast<uint8_t>(g - r);
        p[0] = newB;
        p[1] = newG;
        p[2] = static_cast<uint8_t>(r - newB);
    }
}

void SierpinskiMask(uint8_t* row, int y, int x0, int x1) {
    for (int x = x0; x < x1; ++x) {
        if ((y & (3 * x)) == 0) {
            uint8_t* p = row + 3 * x;
            p[0] = static_cast<uint8_t>(~p[0]);
            p[1] = static_cast<uint8_t>(~p[1]);
            p[2] = static_cast<uint8_t>(~p[2]);
        }
    }
}

void AddBytes(uint8_t* p, const uint8_t* pattern, size_t bytes) {
    for (size_t k = 0; k < bytes; ++k)
        p[k] = static_cast<uint8_t>(p[k] + pattern[k]);
}

void AddPerPixel(uint8_t* row, const uint8_t* addends, int x0, int x1) {
    for (int x = x0; x < x1; ++x) {
        uint8_t* p = row + 3 * x;
        const uint8_t t = addends[x];
        p[0] = static_cast<uint8_t>(p[0] + t);
        p[1] = static_cast<uint8_t>(p[1] + t);
        p[2] = static_cast<uint8_t>(p[2] + t);
    }
}

// to[k] := from[pixels - 1 - k], pixel by pixel; the ranges do not overlap.
[[maybe_unused]] void ReversePixels(uint8_t* to, const uint8_t* from, int pixels) {
    for (int k = 0; k < pixels; ++k)
        CopyPixel(to + 3 * k, from + 3 * (pixels - 1 - k));
}

// The row's visited pixels are columns 1 to W - 3. Over the whole of them, the copying mirrors
// change only the pixels left of their partners: every later copy moves a value back onto
// itself. A part of a row (after the mirror's fall-through) is walked one pixel at a time.
inline bool WholeRow(int width, int x0, int x1) {
    return x0 <= 1 && x1 >= width - 2;
}

void PlainMirror(uint8_t* row, int width, int x0, int x1) {
    for (int x = x0; x < x1; ++x) {
        uint8_t* p = row + 3 * x;
        uint8_t* q = row + 3 * (width - 1 - x);
        for (int c = 0; c < 3; ++c) {
            const uint8_t t = p[c];
            p[c] = q[c];
            q[c] = t;
        }
    }
}

void PlainBrokenMirror(uint8_t* row, int width, int x0, int x1) {
    for (int x = x0; x < x1; ++x)
        CopyPixel(row + 3 * x, row + 3 * (width - 1 - x));
}

void PlainBrokenMirror2(uint8_t* row, int width, int x0, int x1) {
    for (int x = x0; x < x1; ++x)
        CopyPixel(row + 3 * (width - 1 - x), row + 3 * x);
}

// The mirrors through a pixel-reversing copy `Reverse(to, from, pixels)`.
template <void (*Reverse)(uint8_t*, const uint8_t*, int)>
void Mirror(uint8_t* row, int width, int x0, int x1) {
    if (x1 > width / 2)
        return PlainMirror(row, width, x0, x1);
    // Pixels and partners do not overlap: swap them a chunk at a time through a buffer.
    constexpr int kChunk = 256;
    uint8_t saved[3 * kChunk];
    for (int a = x0; a < x1; a += kChunk) {
        const int n = x1 - a < kChunk ? x1 - a : kChunk;
        uint8_t* left = row + 3 * a;
        uint8_t* right = row + 3 * (width - a - n);
        __builtin_memcpy(saved, left, 3 * static_cast<size_t>(n));
        Reverse(left, right, n);
        Reverse(right, saved, n);
    }
}

template <void (*Reverse)(uint8_t*, const uint8_t*, int)>
void BrokenMirror(uint8_t* row, int width, int x0, int x1) {
    if (!WholeRow(width, x0, x1))
        return PlainBrokenMirror(row, width, x0, x1);
    x1 = x1 < width / 2 ? x1 : width / 2; // x < W - 1 - x
    if (x1 > x0)
        Reverse(row + 3 * x0, row + 3 * (width - x1), x1 - x0);
}

template <void (*Reverse)(uint8_t*, const uint8_t*, int)>
void BrokenMirror2(uint8_t* row, int width, int x0, int x1) {
    if (!WholeRow(width, x0, x1))
        return PlainBrokenMirror2(row, width, x0, x1);
    x1 = x1 < width / 2 ? x1 : width / 2;
    if (x1 > x0)
        Reverse(row + 3 * (width - x1), row + 3 * x0, x1 - x0);
}

void RowSums(const uint8_t* row, int width, uint32_t sums[3]) {
    uint32_t b = 0;
    uint32_t g = 0;
    uint32_t r = 0;
    for (int x = 1; x < width - 2; ++x) {
        const uint8_t* p = row + 3 * x;
        b += p[0];
        g += p[1];
        r += p[2];
    }
    sums[0] = b;
    sums[1] = g;
    sums[2] = r;
}

void BlendWithMeans(uint8_t* row, int x0, int x1, const uint8_t means[3]) {
    for (int x = x0; x < x1; ++x) {
        uint8_t* p = row + 3 * x;
        p[0] = static_cast<uint8_t>((p[0] + means[0]) / 2);
        p[1] = static_cast<uint8_t>((p[1] + means[1]) / 2);
        p[2] = static_cast<uint8_t>((p[2] + means[2]) / 2);
    }
}

constexpr uint32_t kMultiplier = 134775813;
constexpr uint32_t kIncrement = 1;

inline uint8_t DrawBelow(uint32_t& seed, uint32_t n) {
    seed = seed * kMultiplier + kIncrement;
    return static_cast<uint8_t>((static_cast<uint64_t>(seed) * n) >> 32);
}

uint32_t PlainDrawBytes(uint32_t seed, uint32_t n, uint8_t* out, size_t count) {
    for (size_t k = 0; k < count; ++k)
        out[k] = DrawBelow(seed, n);
    return seed;
}

// seed(k + j) = a_j seed(k) + c_j: the generator's step applied j times, folded into one
// multiply and one add (mod 2^32).
struct Jump {
    uint32_t a;
    uint32_t c;
};

constexpr Jump JumpOf(int steps) {
    Jump jump{1, 0};
    for (int j = 0; j < steps; ++j)
        jump = {jump.a * kMultiplier, jump.c * kMultiplier + kIncrement};
    return jump;
}

// The high 32 bits of each lane times n, for n below 2^16: with s = h * 2^16 + l, that is
// (h * n + (l * n) div 2^16) div 2^16, exact, and every product fits in a 32-bit lane.
inline U32x8 DrawsBelow(U32x8 seeds, uint32_t n) {
    return ((seeds >> 16) * n + (((seeds & 0xFFFFu) * n) >> 16)) >> 16;
}

// Sixteen draws at a time: lane j of (low, high) holds seed(k + 1 + j), and one step of every
// lane jumps sixteen draws ahead.
uint32_t DrawBytes(uint32_t seed, uint32_t n, uint8_t* out, size_t count) {
    constexpr size_t kLanes = 16;
    size_t done = 0;
    if (count >= kLanes) {
        U32x8 low;
        U32x8 high;
        for (int j = 0; j < 8; ++j) {
            low[j] = JumpOf(j + 1).a * seed + JumpOf(j + 1).c;
            high[j] = JumpOf(j + 9).a * seed + JumpOf(j + 9).c;
        }
        constexpr Jump step = JumpOf(kLanes);
        constexpr U8x32 lowBytes{0, 4, 8, 12, 16, 20, 24, 28, 32, 36, 40, 44, 48, 52, 56, 60,
                                 0, 0, 0, 0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0};
        for (; done + kLanes <= count; done += kLanes) {
            // Each draw sits in the low byte of its 32-bit lane; gather those sixteen bytes.
            const U8x32 packed = __builtin_shuffle(reinterpret_cast<U8x32>(DrawsBelow(low, n)),
                                                   reinterpret_cast<U8x32>(DrawsBelow(high, n)), lowBytes);
            __builtin_memcpy(out + done, &packed, kLanes);
            seed = high[7];
            low = low * step.a + step.c;
            high = high * step.a + step.c;
        }
    }
    return PlainDrawBytes(seed, n, out + done, count - done);
}

inline uint8_t AddClampedByte(uint8_t a, uint8_t b) {
    const auto sum = static_cast<uint8_t>(a + b);
    return sum < a ? uint8_t{255} : sum;
}

void AddClamped(uint8_t* p, const uint8_t* r, size_t count) {
    size_t k = 0;
    for (; k + 32 <= count; k += 32) {
        U8x32 v;
        U8x32 w;
        __builtin_memcpy(&v, p + k, 32);
        __builtin_memcpy(&w, r + k, 32);
        U8x32 sum = v + w;
        sum |= reinterpret_cast<U8x32>(sum < v); // an overflowed lane becomes 255
        __builtin_memcpy(p + k, &sum, 32);
    }
    for (; k < count; ++k)
        p[k] = AddClampedByte(p[k], r[k]);
}

void AddClampedPerPixel(uint8_t* row, const uint8_t* r, int x0, int x1) {
    for (int x = x0; x < x1; ++x) {
        uint8_t* p = row + 3 * x;
        const uint8_t t = r[x - x0];
        p[0] = AddClampedByte(p[0], t);
        p[1] = AddClampedByte(p[1], t);
        p[2] = AddClampedByte(p[2], t);
    }
}

inline bool NearKey(const uint8_t* p, const uint8_t key[3]) {
    const auto near = [](int a, int b) { return a - b <= kKeyTolerance && b - a <= kKeyTolerance; };
    return near(p[0], key[0]) && near(p[1], key[1]) && near(p[2], key[2]);
}

void KeyToRow(uint8_t* row, const uint8_t* with, int x0, int x1, const uint8_t key[3]) {
    for (int x = x0; x < x1; ++x)
        if (NearKey(row + 3 * x, key))
            CopyPixel(row + 3 * x, with + 3 * x);
}

void KeyToColour(uint8_t* row, int x0, int x1, const uint8_t key[3], const uint8_t colour[3]) {
    for (int x = x0; x < x1; ++x)
        if (NearKey(row + 3 * x, key))
            CopyPixel(row + 3 * x, colour);
}

// A mask of one bit a byte over a group of whole pixels, bit i of the group in bit i % 64 of
// word i / 64.
template <int Words> struct ByteBits { uint64_t w[Words]; };

// The bits 3j: each pixel's first byte.
template <int Words> constexpr ByteBits<Words> PixelStarts() {
    ByteBits<Words> starts{};
    for (int i = 0; i < 64 * Words; i += 3)
        starts.w[i / 64] |= 1ull << (i % 64);
    return starts;
}

// The bytes of the pixels whose three bytes are all in `m`.
template <int Words> inline ByteBits<Words> WholePixels(const ByteBits<Words>& m) {
    constexpr ByteBits<Words> starts = PixelStarts<Words>();
    ByteBits<Words> first{}; // bit 3j: pixel j's three bytes are set
    for (int k = 0; k < Words; ++k) {
        const uint64_t next = k + 1 < Words ? m.w[k + 1] : 0;
        first.w[k] = m.w[k] & (m.w[k] >> 1 | next << 63) & (m.w[k] >> 2 | next << 62) & starts.w[k];
    }
    ByteBits<Words> all{};
    for (int k = 0; k < Words; ++k) {
        const uint64_t before = k > 0 ? first.w[k - 1] : 0;
        all.w[k] = first.w[k] | (first.w[k] << 1 | before >> 63) | (first.w[k] << 2 | before >> 62);
    }
    return all;
}

// The three mirrors through the level's pixel-reversing copy.
template <void (*Reverse)(uint8_t*, const uint8_t*, int)> constexpr void UseReversal(TRowKernels& k) {
    k.mirror = Mirror<Reverse>;
    k.brokenMirror = BrokenMirror<Reverse>;
    k.brokenMirror2 = BrokenMirror2<Reverse>;
}

} // namespace rows

// The table of the plain loops; a level overrides the entries it has kernels for.
constexpr TRowKernels PlainRowKernels(TSimdLevel level) {
    return {level,
            rows::Negative,
            rows::MapBytes,
            rows::GreyFromMean,
            rows::GreyFromChannel,
            rows::BlackAndWhite,
            rows::PredatorVision,
            rows::Contours,
            rows::Blots,
            rows::SierpinskiMask,
            rows::AddBytes,
            rows::AddPerPixel,
            rows::PlainMirror,
            rows::PlainBrokenMirror,
            rows::PlainBrokenMirror2,
            rows::RowSums,
            rows::BlendWithMeans,
            rows::DrawBytes,
            rows::AddClamped,
            rows::AddClampedPerPixel,
            rows::KeyToRow,
            rows::KeyToColour};
}

} // namespace
