#pragma once

// The whole-pixel kernels of the SSE2 level, sixteen pixels (48 bytes) a step. SSE2 has no byte
// shuffle, so the three registers of a step are split into planes of one channel each by four
// rounds of one fixed interleaving of their bytes (unpacks), and joined back by four rounds of
// its inverse (packs). A mask of whole pixels goes back through tables instead: each pixel's
// bit made three, and each bit made a byte. Internal linkage throughout, as in RowLoops.h.

#include "effects/Sse2Rows.h"

namespace {

namespace sse2 {

struct Planes {
    __m128i b, g, r;
};

inline Planes Split(const Triple& t) {
    __m128i x0 = t.r0, x1 = t.r1, x2 = t.r2;
    for (int round = 0; round < 4; ++round) {
        const __m128i y0 = _mm_unpacklo_epi8(x0, _mm_unpackhi_epi64(x1, x1));
        const __m128i y1 = _mm_unpacklo_epi8(_mm_unpackhi_epi64(x0, x0), x2);
        const __m128i y2 = _mm_unpacklo_epi8(x1, _mm_unpackhi_epi64(x2, x2));
        x0 = y0;
        x1 = y1;
        x2 = y2;
    }
    return {x0, x1, x2};
}

// One round of the inverse: a round made y0 of the low halves of x0 and x1's high half
// alternating, y1 of x0's high half and x2's low half, y2 of x1's low half and x2's high half.
inline Triple Unround(__m128i evenOf0, __m128i oddOf0, __m128i evenOf1, __m128i oddOf1, __m128i evenOf2,
                      __m128i oddOf2) {
    return {_mm_packus_epi16(evenOf0, evenOf1), _mm_packus_epi16(evenOf2, oddOf0),
            _mm_packus_epi16(oddOf1, oddOf2)};
}

inline __m128i EvenBytes(__m128i v) {
    return _mm_and_si128(v, _mm_set1_epi16(0x00FF));
}

inline __m128i OddBytes(__m128i v) {
    return _mm_srli_epi16(v, 8);
}

// Three more rounds of the inverse after the first.
inline Triple JoinRest(Triple t) {
    for (int round = 1; round < 4; ++round)
        t = Unround(EvenBytes(t.r0), OddBytes(t.r0), EvenBytes(t.r1), OddBytes(t.r1), EvenBytes(t.r2),
                    OddBytes(t.r2));
    return t;
}

inline Triple Join(const Planes& p) {
    return JoinRest(
        Unround(EvenBytes(p.b), OddBytes(p.b), EvenBytes(p.g), OddBytes(p.g), EvenBytes(p.r), OddBytes(p.r)));
}

// One value per pixel over its three bytes: Join of three equal planes, whose first round
// splits the value register once.
inline Triple Spread(__m128i values) {
    const __m128i even = EvenBytes(values);
    const __m128i odd = OddBytes(values);
    return JoinRest(Unround(even, odd, even, odd, even, odd));
}

// Bit j of an 8-bit mask made bits 3j, 3j + 1 and 3j + 2.
constexpr WidenedBits<uint32_t, 3> kTripledBits;

// Pixel j's three bytes all ones where bit j of the 16-bit mask is set.
inline Triple SpreadBits(unsigned pixels) {
    const uint64_t bytes =
        kTripledBits.of[pixels & 255] | static_cast<uint64_t>(kTripledBits.of[pixels >> 8 & 255]) << 24;
    return {BytesOfBits(static_cast<unsigned>(bytes)), BytesOfBits(static_cast<unsigned>(bytes >> 16)),
            BytesOfBits(static_cast<unsigned>(bytes >> 32))};
}

// Sixteen 16-bit sums B + G + R: the low eight pixels and the high eight.
struct Sums {
    __m128i low, high;
};

inline Sums ChannelSums(const Planes& p) {
    const __m128i zero = _mm_setzero_si128();
    return {_mm_add_epi16(_mm_add_epi16(_mm_unpacklo_epi8(p.b, zero), _mm_unpacklo_epi8(p.g, zero)),
                          _mm_unpacklo_epi8(p.r, zero)),
            _mm_add_epi16(_mm_add_epi16(_mm_unpackhi_epi8(p.b, zero), _mm_unpackhi_epi8(p.g, zero)),
                          _mm_unpackhi_epi8(p.r, zero))};
}

inline __m128i MeanOf(const Planes& p) {
    const __m128i third = _mm_set1_epi16(21846); // sum * 21846 div 2^16 = sum div 3 up to 765
    const Sums s = ChannelSums(p);
    return _mm_packus_epi16(_mm_mulhi_epu16(s.low, third), _mm_mulhi_epu16(s.high, third));
}

// Runs `step(at, x)` on each whole step of sixteen pixels in [x0, x1); returns the first column
// left.
template <typename Step> inline int Steps(uint8_t* row, int x0, int x1, Step step) {
    for (; x0 + 16 <= x1; x0 += 16)
        step(row + 3 * x0, x0);
    return x0;
}

// Byte k of the register of sixteen bytes that follows `v` in a row: v's bytes 1..15, then next's 0.
inline __m128i OneOn(__m128i v, __m128i next) {
    return _mm_or_si128(_mm_srli_si128(v, 1), _mm_slli_si128(next, 15));
}

void GreyFromMean(uint8_t* row, int x0, int x1) {
    x0 = Steps(row, x0, x1, [](uint8_t* at, int) { StoreTriple(at, Spread(MeanOf(Split(LoadTriple(at))))); });
    rows::GreyFromMean(row, x0, x1);
}

void BlackAndWhite(uint8_t* row, int x0, int x1) {
    const __m128i limit = _mm_set1_epi16(386);
    x0 = Steps(row, x0, x1, [limit](uint8_t* at, int) {
        const Sums s = ChannelSums(Split(LoadTriple(at)));
        const __m128i white = _mm_packs_epi16(_mm_cmpgt_epi16(s.low, limit), _mm_cmpgt_epi16(s.high, limit));
        StoreTriple(at, SpreadBits(static_cast<unsigned>(_mm_movemask_epi8(white))));
    });
    rows::BlackAndWhite(row, x0, x1);
}

void PredatorVision(uint8_t* row, int x0, int x1) {
    x0 = Steps(row, x0, x1, [](uint8_t* at, int) {
        const Planes p = Split(LoadTriple(at));
        StoreTriple(at, Spread(_mm_and_si128(p.g, p.r)));
    });
    rows::PredatorVision(row, x0, x1);
}

// Contours and blots compare each pixel with its right neighbour as copied: the planes of the
// next sixteen pixels are split before this step stores, and carried to the next step. So the
// steps run while the next step's pixels lie in the row segment or at x1, which may be read.
void Contours(uint8_t* row, int x0, int x1) {
    if (x0 + 32 <= x1 + 1) {
        const __m128i nine = _mm_set1_epi8(9);
        __m128i here = MeanOf(Split(LoadTriple(row + 3 * x0)));
        for (; x0 + 32 <= x1 + 1; x0 += 16) {
            uint8_t* at = row + 3 * x0;
            const __m128i next = MeanOf(Split(LoadTriple(at + 48)));
            const __m128i right = OneOn(here, next);
            const __m128i difference = _mm_or_si128(_mm_subs_epu8(here, right), _mm_subs_epu8(right, here));
            const __m128i flat = _mm_cmpeq_epi8(_mm_subs_epu8(difference, nine), _mm_setzero_si128());
            StoreTriple(at, SpreadBits(~static_cast<unsigned>(_mm_movemask_epi8(flat)) & 0xFFFF));
            here = next;
        }
    }
    rows::Contours(row, x0, x1);
}

void Blots(uint8_t* row, int x0, int x1) {
    if (x0 + 32 <= x1 + 1) {
        Planes here = Split(LoadTriple(row + 3 * x0));
        for (; x0 + 32 <= x1 + 1; x0 += 16) {
            uint8_t* at = row + 3 * x0;
            const Planes next = Split(LoadTriple(at + 48));
            const __m128i b = _mm_add_epi8(here.b, OneOn(here.b, next.b));
            const __m128i g = _mm_add_epi8(here.g, OneOn(here.g, next.g));
            const __m128i r = _mm_add_epi8(here.r, OneOn(here.r, next.r));
            const __m128i newB = _mm_sub_epi8(b, g);
            StoreTriple(at, Join({newB, _mm_sub_epi8(g, r), _mm_sub_epi8(r, newB)}));
            here = next;
        }
    }
    rows::Blots(row, x0, x1);
}

void SierpinskiMask(uint8_t* row, int y, int x0, int x1) {
    // The pixels with (y and 3x) = 0 are negated; 3x in 16-bit lanes while it fits.
    const __m128i yy = _mm_set1_epi16(static_cast<int16_t>(y));
    const __m128i zero = _mm_setzero_si128();
    const __m128i offsets = _mm_setr_epi16(0, 3, 6, 9, 12, 15, 18, 21);
    x0 = Steps(row, x0, x1, [&](uint8_t* at, int x) {
        if (y > 0x7FFF || 3 * (x + 16) > 0x7FFF)
            return rows::SierpinskiMask(row, y, x, x + 16);
        const __m128i low = _mm_add_epi16(_mm_set1_epi16(static_cast<int16_t>(3 * x)), offsets);
        const __m128i high = _mm_add_epi16(low, _mm_set1_epi16(24));
        const __m128i negated = _mm_packs_epi16(_mm_cmpeq_epi16(_mm_and_si128(low, yy), zero),
                                                _mm_cmpeq_epi16(_mm_and_si128(high, yy), zero));
        const Triple flip = SpreadBits(static_cast<unsigned>(_mm_movemask_epi8(negated)));
        const Triple g = LoadTriple(at);
        StoreTriple(
            at, {_mm_xor_si128(g.r0, flip.r0), _mm_xor_si128(g.r1, flip.r1), _mm_xor_si128(g.r2, flip.r2)});
    });
    rows::SierpinskiMask(row, y, x0, x1);
}

// Each pixel's channels := Op(channel, its value), values[k] for the k-th pixel from `first`.
template <__m128i (*Op)(__m128i, __m128i)>
inline int WithValues(uint8_t* row, const uint8_t* values, int first, int x0, int x1) {
    return Steps(row, x0, x1, [&](uint8_t* at, int x) {
        const Triple add = Spread(Load(values + (x - first)));
        const Triple g = LoadTriple(at);
        StoreTriple(at, {Op(g.r0, add.r0), Op(g.r1, add.r1), Op(g.r2, add.r2)});
    });
}

inline __m128i AddWrapping(__m128i a, __m128i b) {
    return _mm_add_epi8(a, b);
}

inline __m128i AddSaturating(__m128i a, __m128i b) {
    return _mm_adds_epu8(a, b);
}

void AddPerPixel(uint8_t* row, const uint8_t* addends, int x0, int x1) {
    rows::AddPerPixel(row, addends, WithValues<AddWrapping>(row, addends, 0, x0, x1), x1);
}

void AddClampedPerPixel(uint8_t* row, const uint8_t* r, int x0, int x1) {
    const int done = WithValues<AddSaturating>(row, r, x0, x0, x1);
    rows::AddClampedPerPixel(row, r + (done - x0), done, x1);
}

} // namespace sse2

// The whole-pixel kernels above in a level's table.
constexpr void UseSse2PixelKernels(TRowKernels& k) {
    k.greyFromMean = sse2::GreyFromMean;
    k.blackAndWhite = sse2::BlackAndWhite;
    k.predatorVision = sse2::PredatorVision;
    k.contours = sse2::Contours;
    k.blots = sse2::Blots;
    k.sierpinskiMask = sse2::SierpinskiMask;
    k.addPerPixel = sse2::AddPerPixel;
    k.addClampedPerPixel = sse2::AddClampedPerPixel;
}

} // namespace
