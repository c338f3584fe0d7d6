// Processors with AVX2: the plain loops as the compiler vectorises them for AVX2, and byte
// shuffles for the effects that work on whole pixels: groups of sixteen pixels (48 bytes) split
// into planes of one channel each and put back together, two groups at a time. This file
// alone is compiled with -mavx2; nothing in it runs before the processor has been asked.
#include "effects/Sse2Rows.h"

#if defined(__AVX2__)

#include <immintrin.h>

namespace {

// Shuffle indexes between three registers of interleaved pixels and planes (0x80 = zero).
struct Shuffles {
    alignas(16) uint8_t channel[3][3][16];    // [c][m]: register m's bytes of channel c
    alignas(16) uint8_t spread[3][16];        // [m]: register m from one value per pixel
    alignas(16) uint8_t interleave[3][3][16]; // [c][m]: register m's bytes from plane c
    alignas(16) uint8_t reverse[16];          // five pixels reversed, from a load one byte early
    alignas(16) uint8_t reverseLate[16];      // five pixels reversed into bytes 1..15

    constexpr Shuffles() : channel{}, spread{}, interleave{}, reverse{}, reverseLate{} {
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
        reverseLate[0] = 0x80;
        for (int j = 1; j < 16; ++j)
            reverseLate[j] = static_cast<uint8_t>(3 * (4 - (j - 1) / 3) + (j - 1) % 3);
    }
};

constexpr Shuffles kShuffles;

// Thirty-two pixels a step: 96 bytes in three 32-byte registers, each 16-byte lane holding the
// bytes of one group of sixteen pixels (lane 0 the first 48 bytes, lane 1 the next 48), so
// that the shuffles, which stay within a lane, treat both groups alike.
constexpr int kStep = 32;

struct Group {
    __m256i r0, r1, r2;
};

inline __m128i Load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline void Store(uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Bytes [p, p + 16) in lane 0 and [p + 48, p + 64) in lane 1.
inline __m256i LoadLanes(const uint8_t* p) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(Load(p)), Load(p + 48), 1);
}

inline void StoreLanes(uint8_t* p, __m256i v) {
    Store(p, _mm256_castsi256_si128(v));
    Store(p + 48, _mm256_extracti128_si256(v, 1));
}

inline Group LoadGroup(const uint8_t* p) {
    return {LoadLanes(p), LoadLanes(p + 16), LoadLanes(p + 32)};
}

inline void StoreGroup(uint8_t* p, const Group& g) {
    StoreLanes(p, g.r0);
    StoreLanes(p + 16, g.r1);
    StoreLanes(p + 32, g.r2);
}

// Sixteen values of pixels 0..15 in lane 0 and of 16..31 in lane 1.
inline __m256i LoadValues(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

inline __m256i Index(const uint8_t* indexes) {
    return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(indexes)));
}

inline __m256i Channel(const Group& g, int c) {
    const auto& index = kShuffles.channel[c];
    return _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(g.r0, Index(index[0])),
                                           _mm256_shuffle_epi8(g.r1, Index(index[1]))),
                           _mm256_shuffle_epi8(g.r2, Index(index[2])));
}

inline Group Spread(__m256i values) {
    return {_mm256_shuffle_epi8(values, Index(kShuffles.spread[0])),
            _mm256_shuffle_epi8(values, Index(kShuffles.spread[1])),
            _mm256_shuffle_epi8(values, Index(kShuffles.spread[2]))};
}

inline __m256i InterleaveOne(__m256i b, __m256i g, __m256i r, int m) {
    const auto& index = kShuffles.interleave;
    return _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(b, Index(index[0][m])),
                                           _mm256_shuffle_epi8(g, Index(index[1][m]))),
                           _mm256_shuffle_epi8(r, Index(index[2][m])));
}

inline Group Interleave(__m256i b, __m256i g, __m256i r) {
    return {InterleaveOne(b, g, r, 0), InterleaveOne(b, g, r, 1), InterleaveOne(b, g, r, 2)};
}

// B + G + R of the pixels as two registers of 16-bit lanes (the low and high halves of each
// 16-byte lane).
struct Sums {
    __m256i low, high;
};

inline Sums ChannelSums(const Group& g) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i b = Channel(g, 0);
    const __m256i gr = Channel(g, 1);
    const __m256i r = Channel(g, 2);
    return {_mm256_add_epi16(_mm256_add_epi16(_mm256_unpacklo_epi8(b, zero), _mm256_unpacklo_epi8(gr, zero)),
                             _mm256_unpacklo_epi8(r, zero)),
            _mm256_add_epi16(_mm256_add_epi16(_mm256_unpackhi_epi8(b, zero), _mm256_unpackhi_epi8(gr, zero)),
                             _mm256_unpackhi_epi8(r, zero))};
}

inline __m256i MeanOf(const Group& g) {
    const __m256i third = _mm256_set1_epi16(21846); // sum * 21846 div 2^16 = sum div 3 up to 765
    const Sums s = ChannelSums(g);
    return _mm256_packus_epi16(_mm256_mulhi_epu16(s.low, third), _mm256_mulhi_epu16(s.high, third));
}

// Runs `step(at)` on each whole step of the columns [x0, x1) and returns the first column left.
template <typename Step> inline int Steps(uint8_t* row, int x0, int x1, Step step) {
    int x = x0;
    for (; x + kStep <= x1; x += kStep)
        step(row + 3 * x);
    return x;
}

// Grey from one channel without planes: each 16-byte block of the result takes its bytes from
// one 16-byte window of the source, the block's pixels' channel bytes and the bytes between
// them, so one shuffle per block copies every pixel's channel byte into all three of its bytes.
// Block l (0..2) of a group of sixteen pixels starts at pixel 16l div 3 = 5l; its window starts
// at that pixel's channel byte, 15l + c, and byte k takes the byte 3 ((16l + k) div 3 - 5l).
struct ChannelBlocks {
    alignas(32) uint8_t index[3][32]; // [j]: result register j's blocks 2j and 2j + 1

    constexpr ChannelBlocks() : index{} {
        for (int j = 0; j < 3; ++j)
            for (int half = 0; half < 2; ++half) {
                const int l = (2 * j + half) % 3;
                for (int k = 0; k < 16; ++k)
                    index[j][16 * half + k] = static_cast<uint8_t>(3 * ((16 * l + k) / 3 - 5 * l));
            }
    }
};

constexpr ChannelBlocks kChannelBlocks;

// Block m of thirty-two pixels (six blocks, two groups) has its window at 48 (m div 3) + 15 (m mod 3).
inline __m256i Windows(const uint8_t* channelBytes, int m) {
    const auto at = [channelBytes](int block) {
        return Load(channelBytes + 48 * (block / 3) + 15 * (block % 3));
    };
    return _mm256_inserti128_si256(_mm256_castsi128_si256(at(m)), at(m + 1), 1);
}

void GreyFromChannel(uint8_t* row, int x0, int x1, int channel) {
    const auto index = [](int j) {
        return _mm256_load_si256(reinterpret_cast<const __m256i*>(kChannelBlocks.index[j]));
    };
    const __m256i i0 = index(0), i1 = index(1), i2 = index(2);
    x0 = Steps(row, x0, x1, [&](uint8_t* at) {
        // Every window is read before any block is written: the last reaches byte 93 + c.
        const uint8_t* source = at + channel;
        const __m256i w0 = Windows(source, 0);
        const __m256i w1 = Windows(source, 2);
        const __m256i w2 = Windows(source, 4);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), _mm256_shuffle_epi8(w0, i0));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(at + 32), _mm256_shuffle_epi8(w1, i1));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(at + 64), _mm256_shuffle_epi8(w2, i2));
    });
    rows::GreyFromChannel(row, x0, x1, channel);
}

void GreyFromMean(uint8_t* row, int x0, int x1) {
    x0 = Steps(row, x0, x1, [](uint8_t* at) { StoreGroup(at, Spread(MeanOf(LoadGroup(at)))); });
    rows::GreyFromMean(row, x0, x1);
}

void BlackAndWhite(uint8_t* row, int x0, int x1) {
    const __m256i limit = _mm256_set1_epi16(386);
    x0 = Steps(row, x0, x1, [limit](uint8_t* at) {
        const Sums s = ChannelSums(LoadGroup(at));
        StoreGroup(at, Spread(_mm256_packs_epi16(_mm256_cmpgt_epi16(s.low, limit),
                                                 _mm256_cmpgt_epi16(s.high, limit))));
    });
    rows::BlackAndWhite(row, x0, x1);
}

void PredatorVision(uint8_t* row, int x0, int x1) {
    x0 = Steps(row, x0, x1, [](uint8_t* at) {
        const Group g = LoadGroup(at);
        StoreGroup(at, Spread(_mm256_and_si256(Channel(g, 1), Channel(g, 2))));
    });
    rows::PredatorVision(row, x0, x1);
}

void Contours(uint8_t* row, int x0, int x1) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i nine = _mm256_set1_epi16(9);
    x0 = Steps(row, x0, x1, [&](uint8_t* at) {
        // The right neighbours are loaded before the step is stored: still the copied values.
        const __m256i here = MeanOf(LoadGroup(at));
        const __m256i right = MeanOf(LoadGroup(at + 3));
        const auto edge = [&](__m256i a, __m256i b) {
            return _mm256_cmpgt_epi16(_mm256_abs_epi16(_mm256_sub_epi16(a, b)), nine);
        };
        const __m256i low = edge(_mm256_unpacklo_epi8(here, zero), _mm256_unpacklo_epi8(right, zero));
        const __m256i high = edge(_mm256_unpackhi_epi8(here, zero), _mm256_unpackhi_epi8(right, zero));
        StoreGroup(at, Spread(_mm256_packs_epi16(low, high)));
    });
    rows::Contours(row, x0, x1);
}

void Blots(uint8_t* row, int x0, int x1) {
    x0 = Steps(row, x0, x1, [](uint8_t* at) {
        // The right neighbours, one pixel further on; the last is the next step's first pixel,
        // still unchanged.
        const Group here = LoadGroup(at);
        const Group right = LoadGroup(at + 3);
        const __m256i b = _mm256_add_epi8(Channel(here, 0), Channel(right, 0));
        const __m256i g = _mm256_add_epi8(Channel(here, 1), Channel(right, 1));
        const __m256i r = _mm256_add_epi8(Channel(here, 2), Channel(right, 2));
        const __m256i newB = _mm256_sub_epi8(b, g);
        StoreGroup(at, Interleave(newB, _mm256_sub_epi8(g, r), _mm256_sub_epi8(r, newB)));
    });
    rows::Blots(row, x0, x1);
}

// Each pixel's channels := op(channel, value of the pixel), 32 pixels a step.
template <__m256i (*Op)(__m256i, __m256i)>
inline int WithValues(uint8_t* row, const uint8_t* values, int x0, int x1) {
    return Steps(row, x0, x1, [&](uint8_t* at) {
        const Group add = Spread(LoadValues(values + ((at - row) / 3 - x0)));
        const Group g = LoadGroup(at);
        StoreGroup(at, {Op(g.r0, add.r0), Op(g.r1, add.r1), Op(g.r2, add.r2)});
    });
}

inline __m256i AddWrapping(__m256i a, __m256i b) {
    return _mm256_add_epi8(a, b);
}

inline __m256i AddSaturating(__m256i a, __m256i b) {
    return _mm256_adds_epu8(a, b);
}

void AddPerPixel(uint8_t* row, const uint8_t* addends, int x0, int x1) {
    const int done = WithValues<AddWrapping>(row, addends + x0, x0, x1);
    rows::AddPerPixel(row, addends, done, x1);
}

void AddClampedPerPixel(uint8_t* row, const uint8_t* r, int x0, int x1) {
    const int done = WithValues<AddSaturating>(row, r, x0, x1);
    rows::AddClampedPerPixel(row, r + (done - x0), done, x1);
}

void SierpinskiMask(uint8_t* row, int y, int x0, int x1) {
    // The pixels with (y and 3x) = 0 are negated: a byte mask per pixel, spread and applied.
    const __m256i yy = _mm256_set1_epi16(static_cast<int16_t>(y));
    const __m256i zero = _mm256_setzero_si256();
    // 3x of the pixels in the low halves of the two lanes (pixels 0..7 and 16..23).
    const __m256i offsets = _mm256_setr_epi16(0, 3, 6, 9, 12, 15, 18, 21, 48, 51, 54, 57, 60, 63, 66, 69);
    x0 = Steps(row, x0, x1, [&](uint8_t* at) {
        const int x = static_cast<int>(at - row) / 3;
        if (y > 0x7FFF || 3 * (x + kStep) > 0x7FFF)
            return rows::SierpinskiMask(row, y, x, x + kStep);
        const __m256i low = _mm256_add_epi16(_mm256_set1_epi16(static_cast<int16_t>(3 * x)), offsets);
        const __m256i high = _mm256_add_epi16(low, _mm256_set1_epi16(24));
        const __m256i mask = _mm256_packs_epi16(_mm256_cmpeq_epi16(_mm256_and_si256(low, yy), zero),
                                                _mm256_cmpeq_epi16(_mm256_and_si256(high, yy), zero));
        const Group flip = Spread(mask);
        const Group g = LoadGroup(at);
        StoreGroup(at, {_mm256_xor_si256(g.r0, flip.r0), _mm256_xor_si256(g.r1, flip.r1),
                        _mm256_xor_si256(g.r2, flip.r2)});
    });
    rows::SierpinskiMask(row, y, x0, x1);
}

// Ten pixels a side in one 32-byte register: the left block holds pixels x .. x + 9 in bytes
// 0..29, the right block their partners W - 10 - x .. W - 1 - x in bytes 2..31. Reversing ten
// pixels moves bytes across the register's two 16-byte lanes, so each result is two in-lane
// shuffles, one of the block and one of the block with its lanes swapped. The two bytes of each
// block beyond its pixels are given back their loaded value.
struct MirrorShuffles {
    alignas(32) uint8_t leftSame[32];   // the new left block from the right block
    alignas(32) uint8_t leftOther[32];  //   ... with its lanes swapped
    alignas(32) uint8_t rightSame[32];  // the new right block from the left block
    alignas(32) uint8_t rightOther[32]; //   ... with its lanes swapped
    alignas(32) uint8_t keepLeft[32];   // the left block's own bytes 30 and 31
    alignas(32) uint8_t keepRight[32];  // the right block's own bytes 0 and 1

    constexpr MirrorShuffles() : leftSame{}, leftOther{}, rightSame{}, rightOther{}, keepLeft{}, keepRight{} {
        for (int i = 0; i < 32; ++i) {
            const int fromRight = i < 30 ? 2 + 3 * (9 - i / 3) + i % 3 : -1;
            const int fromLeft = i >= 2 ? 3 * (9 - (i - 2) / 3) + (i - 2) % 3 : -1;
            Split(fromRight, i, leftSame[i], leftOther[i]);
            Split(fromLeft, i, rightSame[i], rightOther[i]);
            keepLeft[i] = i >= 30 ? 0xFF : 0;
            keepRight[i] = i < 2 ? 0xFF : 0;
        }
    }

    // The shuffle indexes that take byte `source` (or nothing, when negative) to byte `i`.
    static constexpr void Split(int source, int i, uint8_t& same, uint8_t& other) {
        same = source >= 0 && source / 16 == i / 16 ? static_cast<uint8_t>(source % 16) : 0x80;
        other = source >= 0 && source / 16 != i / 16 ? static_cast<uint8_t>(source % 16) : 0x80;
    }
};

constexpr MirrorShuffles kMirrorShuffles;

inline __m256i Load32(const uint8_t* p) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(p));
}

inline __m256i Reversed(__m256i block, const uint8_t* same, const uint8_t* other) {
    const __m256i swapped = _mm256_permute2x128_si256(block, block, 1);
    return _mm256_or_si256(_mm256_shuffle_epi8(block, Load32(same)),
                           _mm256_shuffle_epi8(swapped, Load32(other)));
}

// to[k] := from[pixels - 1 - k], ten pixels a step: a 32-byte load that starts two bytes before
// the ten source pixels, reversed as the mirror's right block is, and a 32-byte store whose
// last two bytes land on the next pixel to be written. Then five pixels a step: a 16-byte load
// that starts one byte before the five source pixels, reversed by one shuffle, and a 16-byte
// store whose last byte lands on the next pixel. The last pixels move one at a time. No load
// starts before `from` and no store reaches past `to`'s pixels.
void ReversePixels(uint8_t* to, const uint8_t* from, int pixels) {
    const MirrorShuffles& m = kMirrorShuffles;
    int k = 0;
    for (; k + 11 <= pixels; k += 10)
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(to + 3 * k),
            Reversed(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + 3 * (pixels - k - 10) - 2)),
                     m.leftSame, m.leftOther));
    const __m128i reverse = _mm_load_si128(reinterpret_cast<const __m128i*>(kShuffles.reverse));
    for (; k + 6 <= pixels; k += 5)
        Store(to + 3 * k, _mm_shuffle_epi8(Load(from + 3 * (pixels - k - 5) - 1), reverse));
    for (; k < pixels; ++k)
        rows::CopyPixel(to + 3 * k, from + 3 * (pixels - 1 - k));
}

// The mirror in place, ten pixels and their partners a step, while the two blocks stay apart
// (3x + 32 <= 3 (W - 10 - x) - 2). As in SwapMirror, each step's blocks are loaded before the
// step before it stores. Returns the first column left.
int SwapMirrorTen(uint8_t* row, int width, int x0, int x1) {
    const auto fits = [&](int x) { return x + 10 <= x1 && 6 * x + 64 <= 3 * width; };
    const auto left = [&](int x) { return reinterpret_cast<__m256i*>(row + 3 * x); };
    const auto right = [&](int x) { return reinterpret_cast<__m256i*>(row + 3 * (width - 10 - x) - 2); };
    int x = x0;
    if (!fits(x))
        return x;
    const MirrorShuffles& m = kMirrorShuffles;
    const __m256i keepLeft = Load32(m.keepLeft);
    const __m256i keepRight = Load32(m.keepRight);
    __m256i l = _mm256_loadu_si256(left(x));
    __m256i r = _mm256_loadu_si256(right(x));
    for (;; x += 10) {
        const __m256i newLeft = _mm256_blendv_epi8(Reversed(r, m.leftSame, m.leftOther), l, keepLeft);
        const __m256i newRight = _mm256_blendv_epi8(Reversed(l, m.rightSame, m.rightOther), r, keepRight);
        const bool more = fits(x + 10);
        if (more) {
            l = _mm256_loadu_si256(left(x + 10));
            r = _mm256_loadu_si256(right(x + 10));
        }
        _mm256_storeu_si256(left(x), newLeft);
        _mm256_storeu_si256(right(x), newRight);
        if (!more)
            return x + 10;
    }
}

// The mirror in place, five pixels and their partners a step, each side with one 16-byte load
// and store: the left one starting at the pixels, the right one a byte before its pixels. The
// byte either store covers beyond its five pixels is given back its loaded value.
void SwapMirror(uint8_t* row, int width, int x0, int x1) {
    const __m128i reverse = _mm_load_si128(reinterpret_cast<const __m128i*>(kShuffles.reverse));
    const __m128i reverseLate = _mm_load_si128(reinterpret_cast<const __m128i*>(kShuffles.reverseLate));
    const __m128i lastByte = _mm_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1);
    const __m128i firstByte = _mm_setr_epi8(-1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    // The two 16-byte blocks of a step stay apart while 3x + 16 <= 3 (W - 5 - x) - 1. Each
    // step's blocks are loaded before the step before it stores, since a load that overlaps a
    // store just made waits for it.
    const auto fits = [&](int x) { return x + 5 <= x1 && 6 * x + 32 <= 3 * width; };
    const auto left = [&](int x) { return row + 3 * x; };
    const auto right = [&](int x) { return row + 3 * (width - 5 - x) - 1; };
    int x = x0;
    if (fits(x)) {
        __m128i l = Load(left(x));
        __m128i r = Load(right(x));
        for (;; x += 5) {
            const __m128i newLeft = _mm_or_si128(_mm_shuffle_epi8(r, reverse), _mm_and_si128(l, lastByte));
            const __m128i newRight =
                _mm_or_si128(_mm_shuffle_epi8(l, reverseLate), _mm_and_si128(r, firstByte));
            const bool more = fits(x + 5);
            if (more) {
                l = Load(left(x + 5));
                r = Load(right(x + 5));
            }
            Store(left(x), newLeft);
            Store(right(x), newRight);
            if (!more)
                break;
        }
        x += 5;
    }
    rows::PlainMirror(row, width, x, x1);
}

// Thirty-two draws a step, on four registers of eight seeds each (draws k + 1 .. k + 32). A
// draw is the high half of seed x n: the even lanes' 64-bit products give it directly, the odd
// lanes' after a shift, so no 32-bit multiply is needed for it. The seeds jump 32 steps ahead
// with one multiply and one add a register. Draws are below n <= 256, so the packs never saturate.
uint32_t DrawBytes(uint32_t seed, uint32_t n, uint8_t* out, size_t count) {
    constexpr size_t kDraws = 32;
    size_t done = 0;
    if (count >= kDraws) {
        alignas(32) uint32_t start[kDraws];
        uint32_t s = seed;
        for (size_t k = 0; k < kDraws; ++k)
            start[k] = s = s * rows::kMultiplier + rows::kIncrement;
        __m256i seeds[4];
        for (int v = 0; v < 4; ++v)
            seeds[v] = _mm256_load_si256(reinterpret_cast<const __m256i*>(start + 8 * v));
        constexpr rows::Jump jump = rows::JumpOf(kDraws);
        const __m256i a = _mm256_set1_epi32(static_cast<int>(jump.a));
        const __m256i c = _mm256_set1_epi32(static_cast<int>(jump.c));
        const __m256i below = _mm256_set1_epi32(static_cast<int>(n));
        const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
        const auto draws = [&](__m256i v) {
            const __m256i even = _mm256_srli_epi64(_mm256_mul_epu32(v, below), 32);
            const __m256i odd = _mm256_mul_epu32(_mm256_srli_epi64(v, 32), below);
            return _mm256_blend_epi32(even, odd, 0xAA);
        };
        for (; done + kDraws <= count; done += kDraws) {
            const __m256i low = _mm256_packus_epi32(draws(seeds[0]), draws(seeds[1]));
            const __m256i high = _mm256_packus_epi32(draws(seeds[2]), draws(seeds[3]));
            const __m256i bytes = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(low, high), order);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + done), bytes);
            seed = static_cast<uint32_t>(_mm256_extract_epi32(seeds[3], 7));
            for (__m256i& v : seeds)
                v = _mm256_add_epi32(_mm256_mullo_epi32(v, a), c);
        }
    }
    return rows::PlainDrawBytes(seed, n, out + done, count - done);
}

// Background keying, thirty-two pixels a step: 96 bytes in three registers loaded whole, their
// bytes near the key as a 96-bit mask, as the SSE2 level does sixteen.
struct Bytes96 {
    __m256i r[3];
};

inline Bytes96 Load96(const uint8_t* p) {
    const auto load = [p](int m) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * m)); };
    return {{load(0), load(1), load(2)}};
}

inline Bytes96 Repeat96(const uint8_t value[3]) {
    alignas(32) uint8_t bytes[96];
    for (int k = 0; k < 96; ++k)
        bytes[k] = value[k % 3];
    return Load96(bytes);
}

inline uint32_t NearKeyBits(__m256i v, __m256i key) {
    const __m256i difference = _mm256_or_si256(_mm256_subs_epu8(v, key), _mm256_subs_epu8(key, v));
    const __m256i near = _mm256_cmpeq_epi8(_mm256_subs_epu8(difference, _mm256_set1_epi8(kKeyTolerance)),
                                           _mm256_setzero_si256());
    return static_cast<uint32_t>(_mm256_movemask_epi8(near));
}

// Byte k all ones where bit k is set: each 16-byte lane takes two of the four bytes of the
// mask, each byte of them to eight bytes, and each of those tests its own bit.
inline __m256i BytesOfBits(uint32_t bits) {
    const __m256i which = _mm256_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2,
                                           2, 2, 3, 3, 3, 3, 3, 3, 3, 3);
    const __m256i bit = _mm256_set1_epi64x(static_cast<int64_t>(0x8040201008040201ull));
    const __m256i spread = _mm256_shuffle_epi8(_mm256_set1_epi32(static_cast<int>(bits)), which);
    return _mm256_cmpeq_epi8(_mm256_and_si256(spread, bit), bit);
}

template <typename With> int KeyGroups(uint8_t* row, int x0, int x1, const uint8_t key[3], With with) {
    const Bytes96 k = Repeat96(key);
    for (; x0 + 32 <= x1; x0 += 32) {
        uint8_t* at = row + 3 * x0;
        const Bytes96 v = Load96(at);
        const uint64_t low = NearKeyBits(v.r[0], k.r[0]) | uint64_t{NearKeyBits(v.r[1], k.r[1])} << 32;
        const rows::ByteBits<2> keyed = rows::WholePixels<2>({{low, NearKeyBits(v.r[2], k.r[2])}});
        if ((keyed.w[0] | keyed.w[1]) == 0)
            continue;
        const Bytes96 w = with(x0);
        const bool all = keyed.w[0] == ~uint64_t{0} && keyed.w[1] == 0xFFFFFFFF;
        const uint32_t bits[3] = {static_cast<uint32_t>(keyed.w[0]), static_cast<uint32_t>(keyed.w[0] >> 32),
                                  static_cast<uint32_t>(keyed.w[1])};
        for (int m = 0; m < 3; ++m)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(at + 32 * m),
                                all ? w.r[m] : _mm256_blendv_epi8(v.r[m], w.r[m], BytesOfBits(bits[m])));
    }
    return x0;
}

void KeyToRow(uint8_t* row, const uint8_t* with, int x0, int x1, const uint8_t key[3]) {
    x0 = KeyGroups(row, x0, x1, key, [with](int x) { return Load96(with + 3 * x); });
    rows::KeyToRow(row, with, x0, x1, key);
}

void KeyToColour(uint8_t* row, int x0, int x1, const uint8_t key[3], const uint8_t colour[3]) {
    const Bytes96 c = Repeat96(colour);
    x0 = KeyGroups(row, x0, x1, key, [&c](int) { return c; });
    rows::KeyToColour(row, x0, x1, key, colour);
}

} // namespace

const TRowKernels* Avx2RowKernels() {
    static constexpr TRowKernels kernels = [] {
        TRowKernels k = PlainRowKernels(TSimdLevel::Avx2);
        UseSse2Kernels(k);
        k.drawBytes = DrawBytes;
        k.greyFromMean = GreyFromMean;
        k.greyFromChannel = GreyFromChannel;
        k.blackAndWhite = BlackAndWhite;
        k.predatorVision = PredatorVision;
        k.contours = Contours;
        k.blots = Blots;
        k.sierpinskiMask = SierpinskiMask;
        k.addPerPixel = AddPerPixel;
        k.addClampedPerPixel = AddClampedPerPixel;
        k.keyToRow = KeyToRow;
        k.keyToColour = KeyToColour;
        rows::UseReversal<ReversePixels>(k);
        k.mirror = [](uint8_t* row, int width, int x0, int x1) {
            if (x1 > width / 2)
                return rows::PlainMirror(row, width, x0, x1);
            SwapMirror(row, width, SwapMirrorTen(row, width, x0, x1), x1);
        };
        return k;
    }();
    return &kernels;
}

#else

const TRowKernels* Avx2RowKernels() {
    return nullptr;
}

#endif
