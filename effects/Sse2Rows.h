#pragma once

// Row kernels written with SSE2 intrinsics alone, shared by the SSE2 and the AVX2 levels (the
// AVX2 translation unit compiles them in its own encoding). Internal linkage throughout, as in
// RowLoops.h.

#include "effects/RowLoops.h"

#include <emmintrin.h>

namespace {

namespace sse2 {

inline __m128i Load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline void Store(uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// 48 bytes: sixteen pixels, or three channel patterns of them.
struct Triple {
    __m128i r0, r1, r2;
};

inline Triple LoadTriple(const uint8_t* p) {
    return {Load(p), Load(p + 16), Load(p + 32)};
}

inline void StoreTriple(uint8_t* p, const Triple& t) {
    Store(p, t.r0);
    Store(p + 16, t.r1);
    Store(p + 32, t.r2);
}

// value[c] repeated over sixteen pixels' bytes.
inline Triple ChannelPattern(const uint8_t value[3]) {
    alignas(16) uint8_t bytes[48];
    for (int k = 0; k < 48; ++k)
        bytes[k] = value[k % 3];
    return LoadTriple(bytes);
}

// Sixteen draws a step, on eight registers of two seeds each, one in the low half of each 64-bit
// lane, where one multiply takes 32 bits to 64: register 2i holds the seeds of draws 4i + 1 and
// 4i + 3 of the step, register 2i + 1 those of 4i + 2 and 4i + 4, so that their draws interleave
// back in order. A draw is the high half of seed times n; a seed jumps sixteen draws ahead with
// one multiply and one add (the lanes' high halves are never read).
uint32_t DrawBytes(uint32_t seed, uint32_t n, uint8_t* out, size_t count) {
    constexpr size_t kDraws = 16;
    size_t done = 0;
    if (count >= kDraws) {
        __m128i s[8];
        const auto seedOf = [seed](int draw) { return rows::JumpOf(draw).a * seed + rows::JumpOf(draw).c; };
        for (int i = 0; i < 4; ++i)
            for (int odd = 0; odd < 2; ++odd)
                s[2 * i + odd] = _mm_set_epi64x(seedOf(4 * i + 3 + odd), seedOf(4 * i + 1 + odd));
        constexpr rows::Jump step = rows::JumpOf(kDraws);
        const __m128i a = _mm_set1_epi32(static_cast<int>(step.a));
        const __m128i c = _mm_set1_epi32(static_cast<int>(step.c));
        const __m128i below = _mm_set1_epi32(static_cast<int>(n));
        const __m128i high = _mm_set_epi32(-1, 0, -1, 0);
        for (; done + kDraws <= count; done += kDraws) {
            __m128i fours[4]; // draws 4i + 1 .. 4i + 4 in 32-bit lanes
            for (int i = 0; i < 4; ++i)
                fours[i] = _mm_or_si128(_mm_srli_epi64(_mm_mul_epu32(s[2 * i], below), 32),
                                        _mm_and_si128(_mm_mul_epu32(s[2 * i + 1], below), high));
            // Draws are below 256: the saturating packs keep them exactly.
            Store(out + done,
                  _mm_packus_epi16(_mm_packs_epi32(fours[0], fours[1]), _mm_packs_epi32(fours[2], fours[3])));
            seed = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(s[7], s[7])));
            for (auto& lane : s)
                lane = _mm_add_epi32(_mm_mul_epu32(lane, a), c);
        }
    }
    return rows::PlainDrawBytes(seed, n, out + done, count - done);
}

void AddClamped(uint8_t* p, const uint8_t* r, size_t count) {
    size_t k = 0;
    for (; k + 16 <= count; k += 16)
        Store(p + k, _mm_adds_epu8(Load(p + k), Load(r + k)));
    rows::AddClamped(p + k, r + k, count - k);
}

void BlendWithMeans(uint8_t* row, int x0, int x1, const uint8_t means[3]) {
    const Triple m = ChannelPattern(means);
    const __m128i one = _mm_set1_epi8(1);
    const auto half = [one](__m128i a, __m128i b) {
        // (a + b) div 2: the rounded-up mean, less one where a + b is odd.
        return _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
    };
    for (; x0 + 16 <= x1; x0 += 16) {
        uint8_t* at = row + 3 * x0;
        const Triple g = LoadTriple(at);
        StoreTriple(at, {half(g.r0, m.r0), half(g.r1, m.r1), half(g.r2, m.r2)});
    }
    rows::BlendWithMeans(row, x0, x1, means);
}

void RowSums(const uint8_t* row, int width, uint32_t sums[3]) {
    // Sixteen pixels a step: each channel's bytes picked out by a mask and summed by SAD.
    const uint8_t ones[3][3] = {{0xFF, 0, 0}, {0, 0xFF, 0}, {0, 0, 0xFF}};
    Triple mask[3];
    __m128i total[3];
    for (int c = 0; c < 3; ++c) {
        mask[c] = ChannelPattern(ones[c]);
        total[c] = _mm_setzero_si128();
    }
    const __m128i zero = _mm_setzero_si128();
    int x = 1;
    for (; x + 16 <= width - 2; x += 16) {
        const Triple g = LoadTriple(row + 3 * x);
        for (int c = 0; c < 3; ++c) {
            const __m128i s =
                _mm_add_epi64(_mm_add_epi64(_mm_sad_epu8(_mm_and_si128(g.r0, mask[c].r0), zero),
                                            _mm_sad_epu8(_mm_and_si128(g.r1, mask[c].r1), zero)),
                              _mm_sad_epu8(_mm_and_si128(g.r2, mask[c].r2), zero));
            total[c] = _mm_add_epi64(total[c], s);
        }
    }
    for (int c = 0; c < 3; ++c) {
        // The sums of at most 2^31 bytes fit in 32 bits of each 64-bit half.
        sums[c] = static_cast<uint32_t>(_mm_cvtsi128_si32(total[c])) +
                  static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(total[c], total[c])));
    }
    for (; x < width - 2; ++x)
        for (int c = 0; c < 3; ++c)
            sums[c] += row[3 * x + c];
}

// Entry b holds `Width` ones at bits Width j .. Width j + Width - 1 for each bit j set in b.
template <typename Bits, int Width> struct WidenedBits {
    Bits of[256];

    constexpr WidenedBits() : of{} {
        constexpr Bits ones = (Bits{1} << Width) - 1;
        for (int b = 0; b < 256; ++b)
            for (int j = 0; j < 8; ++j)
                if (b & (1 << j))
                    of[b] |= static_cast<Bits>(ones << (Width * j));
    }
};

// Eight bits of a mask made eight bytes.
constexpr WidenedBits<uint64_t, 8> kByteMasks;

inline __m128i BytesOfBits(unsigned bits) {
    return _mm_set_epi64x(static_cast<int64_t>(kByteMasks.of[bits >> 8 & 255]),
                          static_cast<int64_t>(kByteMasks.of[bits & 255]));
}

// All ones in the bytes within kKeyTolerance of the key's.
inline __m128i NearKey(__m128i v, __m128i key) {
    const __m128i difference = _mm_or_si128(_mm_subs_epu8(v, key), _mm_subs_epu8(key, v));
    return _mm_cmpeq_epi8(_mm_subs_epu8(difference, _mm_set1_epi8(kKeyTolerance)), _mm_setzero_si128());
}

inline __m128i Select(__m128i mask, __m128i ifSet, __m128i otherwise) {
    return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, otherwise));
}

// Sixteen pixels a step: the bytes near the key as a 48-bit mask, kept for the pixels whose
// three bytes are all near; a group with none keyed is left alone and one with all keyed
// takes `with(x)`'s sixteen pixels whole. Returns the first column left.
template <typename With> int KeyGroups(uint8_t* row, int x0, int x1, const uint8_t key[3], With with) {
    const Triple k = ChannelPattern(key);
    for (; x0 + 16 <= x1; x0 += 16) {
        uint8_t* at = row + 3 * x0;
        const Triple g = LoadTriple(at);
        const auto near = [](__m128i v, __m128i pattern) {
            return static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(NearKey(v, pattern))));
        };
        const uint64_t keyed =
            rows::WholePixels<1>({near(g.r0, k.r0) | near(g.r1, k.r1) << 16 | near(g.r2, k.r2) << 32}).w[0];
        if (keyed == 0)
            continue;
        const Triple w = with(x0);
        if (keyed == (1ull << 48) - 1)
            StoreTriple(at, w);
        else
            StoreTriple(at, {Select(BytesOfBits(static_cast<unsigned>(keyed)), w.r0, g.r0),
                             Select(BytesOfBits(static_cast<unsigned>(keyed >> 16)), w.r1, g.r1),
                             Select(BytesOfBits(static_cast<unsigned>(keyed >> 32)), w.r2, g.r2)});
    }
    return x0;
}

void KeyToRow(uint8_t* row, const uint8_t* with, int x0, int x1, const uint8_t key[3]) {
    x0 = KeyGroups(row, x0, x1, key, [with](int x) { return LoadTriple(with + 3 * x); });
    rows::KeyToRow(row, with, x0, x1, key);
}

void KeyToColour(uint8_t* row, int x0, int x1, const uint8_t key[3], const uint8_t colour[3]) {
    const Triple c = ChannelPattern(colour);
    x0 = KeyGroups(row, x0, x1, key, [&c](int) { return c; });
    rows::KeyToColour(row, x0, x1, key, colour);
}

} // namespace sse2

// The SSE2 kernels in a level's table.
constexpr void UseSse2Kernels(TRowKernels& k) {
    k.drawBytes = sse2::DrawBytes;
    k.addClamped = sse2::AddClamped;
    k.blendWithMeans = sse2::BlendWithMeans;
    k.rowSums = sse2::RowSums;
    k.mapBytes = rows::MapBytePairs;
    k.keyToRow = sse2::KeyToRow;
    k.keyToColour = sse2::KeyToColour;
}

} // namespace
