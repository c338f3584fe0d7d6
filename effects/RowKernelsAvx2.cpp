// Processors with AVX2: the plain loops as the compiler vectorises them for AVX2, and byte
// shuffles for the effects that work on whole pixels: sixteen pixels (48 bytes) in three
// 16-byte registers, split into planes of one channel each and put back together. This file
// alone is compiled with -mavx2; nothing in it runs before the processor has been asked.
#include "effects/Sse2Rows.h"

#if defined(__AVX2__)

#include <immintrin.h>

namespace {

constexpr int kGroup = 16; // pixels a step

// Shuffle indexes between three registers of interleaved pixels and planes (0x80 = zero).
struct Shuffles {
    alignas(16) uint8_t channel[3][3][16];    // [c][m]: register m's bytes of channel c
    alignas(16) uint8_t spread[3][16];        // [m]: register m from one value per pixel
    alignas(16) uint8_t interleave[3][3][16]; // [c][m]: register m's bytes from plane c
    alignas(16) uint8_t reverse[16];          // five pixels reversed, from a load one byte early

    constexpr Shuffles() : channel{}, spread{}, interleave{}, reverse{} {
        for (int m = 0; m < 3; ++m)
            for (int k = 0; k < 16; ++k) {
                const int byte = 16 * m + k;
                spread[m][k] = static_cast<uint8_t>(byte / 3);
                for (int c = 0; c < 3; ++c) {
                    channel[c][m][k] = 0x80;
                    interleave[c][m][k] = byte % 3 == c ? static_cast<uint8_t>(byte / 3) : 0x80;
                }
            }
        for (int c = 0; c < 3; ++c)
            for (int j = 0; j < 16; ++j) {
                const int byte = 3 * j + c;
                channel[c][byte / 16][j] = static_cast<uint8_t>(byte % 16);
            }
        for (int k = 0; k < 15; ++k)
            reverse[k] = static_cast<uint8_t>(1 + 3 * (4 - k / 3) + k % 3);
        reverse[15] = 0x80;
    }
};

constexpr Shuffles kShuffles;

using Group = sse2::Triple;
using sse2::Load;
using sse2::Store;
constexpr auto LoadGroup = sse2::LoadTriple;
constexpr auto StoreGroup = sse2::StoreTriple;

inline __m128i Index(const uint8_t* indexes) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(indexes));
}

inline __m128i Channel(const Group& g, int c) {
    const auto& index = kShuffles.channel[c];
    return _mm_or_si128(
        _mm_or_si128(_mm_shuffle_epi8(g.r0, Index(index[0])), _mm_shuffle_epi8(g.r1, Index(index[1]))),
        _mm_shuffle_epi8(g.r2, Index(index[2])));
}

inline Group Spread(__m128i values) {
    return {_mm_shuffle_epi8(values, Index(kShuffles.spread[0])),
            _mm_shuffle_epi8(values, Index(kShuffles.spread[1])),
            _mm_shuffle_epi8(values, Index(kShuffles.spread[2]))};
}

inline __m128i InterleaveOne(__m128i b, __m128i g, __m128i r, int m) {
    const auto& index = kShuffles.interleave;
    return _mm_or_si128(
        _mm_or_si128(_mm_shuffle_epi8(b, Index(index[0][m])), _mm_shuffle_epi8(g, Index(index[1][m]))),
        _mm_shuffle_epi8(r, Index(index[2][m])));
}

inline Group Interleave(__m128i b, __m128i g, __m128i r) {
    return {InterleaveOne(b, g, r, 0), InterleaveOne(b, g, r, 1), InterleaveOne(b, g, r, 2)};
}

// B + G + R of the sixteen pixels as two halves of eight 16-bit lanes.
struct Sums {
    __m128i low, high;
};

inline Sums ChannelSums(const Group& g) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i b = Channel(g, 0);
    const __m128i gr = Channel(g, 1);
    const __m128i r = Channel(g, 2);
    return {_mm_add_epi16(_mm_add_epi16(_mm_unpacklo_epi8(b, zero), _mm_unpacklo_epi8(gr, zero)),
                          _mm_unpacklo_epi8(r, zero)),
            _mm_add_epi16(_mm_add_epi16(_mm_unpackhi_epi8(b, zero), _mm_unpackhi_epi8(gr, zero)),
                          _mm_unpackhi_epi8(r, zero))};
}

inline __m128i MeanOf(const Group& g) {
    const __m128i third = _mm_set1_epi16(21846); // sum * 21846 div 2^16 = sum div 3 up to 765
    const Sums s = ChannelSums(g);
    return _mm_packus_epi16(_mm_mulhi_epu16(s.low, third), _mm_mulhi_epu16(s.high, third));
}

// Runs `Step(at)` on each whole group of the columns [x0, x1) and returns the first column left.
template <typename Step> inline int Groups(uint8_t* row, int x0, int x1, Step step) {
    int x = x0;
    for (; x + kGroup <= x1; x += kGroup)
        step(row + 3 * x);
    return x;
}

void GreyFromChannel(uint8_t* row, int x0, int x1, int channel) {
    x0 = Groups(row, x0, x1,
                [channel](uint8_t* at) { StoreGroup(at, Spread(Channel(LoadGroup(at), channel))); });
    rows::GreyFromChannel(row, x0, x1, channel);
}

void GreyFromMean(uint8_t* row, int x0, int x1) {
    x0 = Groups(row, x0, x1, [](uint8_t* at) { StoreGroup(at, Spread(MeanOf(LoadGroup(at)))); });
    rows::GreyFromMean(row, x0, x1);
}

void BlackAndWhite(uint8_t* row, int x0, int x1) {
    const __m128i limit = _mm_set1_epi16(386);
    x0 = Groups(row, x0, x1, [limit](uint8_t* at) {
        const Sums s = ChannelSums(LoadGroup(at));
        StoreGroup(at,
                   Spread(_mm_packs_epi16(_mm_cmpgt_epi16(s.low, limit), _mm_cmpgt_epi16(s.high, limit))));
    });
    rows::BlackAndWhite(row, x0, x1);
}

void PredatorVision(uint8_t* row, int x0, int x1) {
    x0 = Groups(row, x0, x1, [](uint8_t* at) {
        const Group g = LoadGroup(at);
        StoreGroup(at, Spread(_mm_and_si128(Channel(g, 1), Channel(g, 2))));
    });
    rows::PredatorVision(row, x0, x1);
}

void Contours(uint8_t* row, int x0, int x1) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i nine = _mm_set1_epi16(9);
    x0 = Groups(row, x0, x1, [&](uint8_t* at) {
        // The right neighbours are loaded before the group is stored: still the copied values.
        const __m128i here = MeanOf(LoadGroup(at));
        const __m128i right = MeanOf(LoadGroup(at + 3));
        const auto edge = [&](__m128i a, __m128i b) {
            const __m128i d = _mm_abs_epi16(_mm_sub_epi16(a, b));
            return _mm_cmpgt_epi16(d, nine);
        };
        const __m128i low = edge(_mm_unpacklo_epi8(here, zero), _mm_unpacklo_epi8(right, zero));
        const __m128i high = edge(_mm_unpackhi_epi8(here, zero), _mm_unpackhi_epi8(right, zero));
        StoreGroup(at, Spread(_mm_packs_epi16(low, high)));
    });
    rows::Contours(row, x0, x1);
}

void Blots(uint8_t* row, int x0, int x1) {
    x0 = Groups(row, x0, x1, [](uint8_t* at) {
        // The right neighbours, one pixel further on; the last is the next group's first
        // pixel, still unchanged.
        const Group here = LoadGroup(at);
        const Group right = LoadGroup(at + 3);
        const __m128i b = _mm_add_epi8(Channel(here, 0), Channel(right, 0));
        const __m128i g = _mm_add_epi8(Channel(here, 1), Channel(right, 1));
        const __m128i r = _mm_add_epi8(Channel(here, 2), Channel(right, 2));
        const __m128i newB = _mm_sub_epi8(b, g);
        StoreGroup(at, Interleave(newB, _mm_sub_epi8(g, r), _mm_sub_epi8(r, newB)));
    });
    rows::Blots(row, x0, x1);
}

void AddPerPixel(uint8_t* row, const uint8_t* addends, int x0, int x1) {
    x0 = Groups(row, x0, x1, [&](uint8_t* at) {
        const Group add = Spread(Load(addends + (at - row) / 3));
        const Group g = LoadGroup(at);
        StoreGroup(at, {_mm_add_epi8(g.r0, add.r0), _mm_add_epi8(g.r1, add.r1), _mm_add_epi8(g.r2, add.r2)});
    });
    rows::AddPerPixel(row, addends, x0, x1);
}

void AddClampedPerPixel(uint8_t* row, const uint8_t* r, int x0, int x1) {
    const int start = x0;
    x0 = Groups(row, x0, x1, [&](uint8_t* at) {
        const Group add = Spread(Load(r + ((at - row) / 3 - start)));
        const Group g = LoadGroup(at);
        StoreGroup(at,
                   {_mm_adds_epu8(g.r0, add.r0), _mm_adds_epu8(g.r1, add.r1), _mm_adds_epu8(g.r2, add.r2)});
    });
    rows::AddClampedPerPixel(row, r + (x0 - start), x0, x1);
}

void SierpinskiMask(uint8_t* row, int y, int x0, int x1) {
    // The pixels with (y and 3x) = 0 are negated: a byte mask per pixel, spread and applied.
    const __m128i yy = _mm_set1_epi16(static_cast<int16_t>(y));
    const __m128i zero = _mm_setzero_si128();
    const __m128i step = _mm_setr_epi16(0, 3, 6, 9, 12, 15, 18, 21);
    x0 = Groups(row, x0, x1, [&](uint8_t* at) {
        const int x = static_cast<int>(at - row) / 3;
        if (y > 0x7FFF || 3 * (x + kGroup) > 0x7FFF)
            return rows::SierpinskiMask(row, y, x, x + kGroup);
        const __m128i low = _mm_add_epi16(_mm_set1_epi16(static_cast<int16_t>(3 * x)), step);
        const __m128i high = _mm_add_epi16(low, _mm_set1_epi16(24));
        const __m128i mask = _mm_packs_epi16(_mm_cmpeq_epi16(_mm_and_si128(low, yy), zero),
                                             _mm_cmpeq_epi16(_mm_and_si128(high, yy), zero));
        const Group flip = Spread(mask);
        const Group g = LoadGroup(at);
        StoreGroup(
            at, {_mm_xor_si128(g.r0, flip.r0), _mm_xor_si128(g.r1, flip.r1), _mm_xor_si128(g.r2, flip.r2)});
    });
    rows::SierpinskiMask(row, y, x0, x1);
}

// to[k] := from[pixels - 1 - k], five pixels a step: a 16-byte load that starts one byte
// before the five source pixels, reversed by one shuffle, and a 16-byte store whose last byte
// lands on the next pixel to be written. The last pixels move one at a time.
void ReversePixels(uint8_t* to, const uint8_t* from, int pixels) {
    const __m128i reverse = Index(kShuffles.reverse);
    int k = 0;
    for (; k + 6 <= pixels; k += 5)
        Store(to + 3 * k, _mm_shuffle_epi8(Load(from + 3 * (pixels - k - 5) - 1), reverse));
    for (; k < pixels; ++k)
        rows::CopyPixel(to + 3 * k, from + 3 * (pixels - 1 - k));
}

} // namespace

const TRowKernels* Avx2RowKernels() {
    static constexpr TRowKernels kernels = [] {
        TRowKernels k = PlainRowKernels(TSimdLevel::Avx2);
        UseSse2Kernels(k);
        k.drawBytes = rows::DrawBytes; // eight 32-bit multiplies a step beat SSE2's four
        k.greyFromMean = GreyFromMean;
        k.greyFromChannel = GreyFromChannel;
        k.blackAndWhite = BlackAndWhite;
        k.predatorVision = PredatorVision;
        k.contours = Contours;
        k.blots = Blots;
        k.sierpinskiMask = SierpinskiMask;
        k.addPerPixel = AddPerPixel;
        k.addClampedPerPixel = AddClampedPerPixel;
        rows::UseReversal<ReversePixels>(k);
        return k;
    }();
    return &kernels;
}

#else

const TRowKernels* Avx2RowKernels() {
    return nullptr;
}

#endif
