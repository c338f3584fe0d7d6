#include "platform/media/converters/BgrToYuvKernels.h"

#if defined(__AVX512BW__) && defined(__AVX512VBMI__)

#include "platform/media/converters/BgrToYuvRowLoops.h"

#include <immintrin.h>

// 64 pixels a block, 192 bytes in three registers. Each plane is two VBMI byte permutes: one of
// the first 128 bytes, then the bytes that lie in the last 64 put in place under a mask. The
// planes are in pixel order, and the pairs' words are interleaved into YUYV by two more permutes.
namespace {

struct TByteIndex {
    uint8_t bytes[64];
};

// Plane `channel`: byte j is the source byte 3j + channel; from the first 128 (`first`) or, where
// the mask says, from the last 64.
constexpr TByteIndex PlaneIndex(int channel, bool first) {
    TByteIndex index{};
    for (int j = 0; j < 64; ++j) {
        const int n = 3 * j + channel;
        index.bytes[j] = static_cast<uint8_t>(first ? n & 127 : (n >= 128 ? n - 128 : 0));
    }
    return index;
}

constexpr uint64_t LastBytesMask(int channel) {
    uint64_t mask = 0;
    for (int j = 0; j < 64; ++j)
        if (3 * j + channel >= 128)
            mask |= uint64_t{1} << j;
    return mask;
}

// Pairs 32 half .. 32 half + 15 of YUYV from the words Y0 U (first register) and Y1 V (second).
constexpr TByteIndex PairIndex(int half) {
    TByteIndex index{};
    for (int m = 0; m < 64; ++m) {
        const int pair = 16 * half + m / 4, within = m % 4;
        index.bytes[m] = static_cast<uint8_t>(within < 2 ? 2 * pair + within : 64 + 2 * pair + within - 2);
    }
    return index;
}

constexpr TByteIndex kPlaneIndex[2][3] = {{PlaneIndex(0, true), PlaneIndex(1, true), PlaneIndex(2, true)},
                                          {PlaneIndex(0, false), PlaneIndex(1, false), PlaneIndex(2, false)}};
constexpr uint64_t kLastBytes[3] = {LastBytesMask(0), LastBytesMask(1), LastBytesMask(2)};
constexpr TByteIndex kPairIndex[2] = {PairIndex(0), PairIndex(1)};

__m512i Load(const TByteIndex& index) {
    return _mm512_loadu_si512(index.bytes);
}

struct TAvx512 {
    static constexpr TSimdLevel kLevel = TSimdLevel::Avx512;
    static constexpr int kPixels = 64;

    struct Constants {
        explicit Constants(const TBgrToYuvCoefficients& k)
            : yb(_mm512_set1_epi16(static_cast<int16_t>(k.yb))),
              yg(_mm512_set1_epi16(static_cast<int16_t>(k.yg))),
              yr(_mm512_set1_epi16(static_cast<int16_t>(k.yr))), yBias(_mm512_set1_epi16(k.yBias)),
              ub(_mm512_set1_epi16(k.ub)), ug(_mm512_set1_epi16(k.ug)), ur(_mm512_set1_epi16(k.ur)),
              vb(_mm512_set1_epi16(k.vb)), vg(_mm512_set1_epi16(k.vg)), vr(_mm512_set1_epi16(k.vr)),
              chromaBias(_mm512_set1_epi16(kChromaBias)),
              high(_mm512_set1_epi16(static_cast<int16_t>(0xFF00))), max(_mm512_set1_epi16(255)),
              pairTimes64(_mm512_set1_epi8(64)), pairTimes32(_mm512_set1_epi8(32)),
              chromaOrder(_mm512_setr_epi64(0, 2, 4, 6, 1, 3, 5, 7)), pairs{Load(kPairIndex[0]),
                                                                            Load(kPairIndex[1])} {
            for (int channel = 0; channel < 3; ++channel) {
                first[channel] = Load(kPlaneIndex[0][channel]);
                last[channel] = Load(kPlaneIndex[1][channel]);
            }
        }
        __m512i yb, yg, yr, yBias, ub, ug, ur, vb, vg, vr, chromaBias, high, max, pairTimes64, pairTimes32,
            chromaOrder;
        __m512i pairs[2];
        __m512i first[3], last[3];
    };

    struct TPlanes {
        __m512i b, g, r;
    };

    static __m512i Plane(__m512i z0, __m512i z1, __m512i z2, int channel, const Constants& c) {
        const __m512i head = _mm512_permutex2var_epi8(z0, c.first[channel], z1);
        return _mm512_mask_permutexvar_epi8(head, kLastBytes[channel], c.last[channel], z2);
    }

    static TPlanes Planes(const uint8_t* in, const Constants& c) {
        const __m512i z0 = _mm512_loadu_si512(in), z1 = _mm512_loadu_si512(in + 64),
                      z2 = _mm512_loadu_si512(in + 128);
        return {Plane(z0, z1, z2, 0, c), Plane(z0, z1, z2, 1, c), Plane(z0, z1, z2, 2, c)};
    }

    static __m512i Luma(__m512i b, __m512i g, __m512i r, const Constants& c) {
        const __m512i sum =
            _mm512_add_epi16(_mm512_add_epi16(_mm512_mulhi_epu16(b, c.yb), _mm512_mulhi_epu16(g, c.yg)),
                             _mm512_add_epi16(_mm512_mulhi_epu16(r, c.yr), c.yBias));
        return _mm512_srli_epi16(sum, 7);
    }

    struct TLuma {
        __m512i even, odd;
    };

    static TLuma LumaWords(const TPlanes& p, const Constants& c) {
        return {Luma(_mm512_slli_epi16(p.b, 8), _mm512_slli_epi16(p.g, 8), _mm512_slli_epi16(p.r, 8), c),
                Luma(_mm512_and_si512(p.b, c.high), _mm512_and_si512(p.g, c.high),
                     _mm512_and_si512(p.r, c.high), c)};
    }

    static __m512i LumaBytes(const TPlanes& p, const Constants& c) {
        const TLuma luma = LumaWords(p, c);
        return _mm512_or_si512(luma.even, _mm512_slli_epi16(luma.odd, 8));
    }

    static __m512i Chroma(__m512i b, __m512i g, __m512i r, __m512i kb, __m512i kg, __m512i kr,
                          const Constants& c) {
        const __m512i sum =
            _mm512_add_epi16(_mm512_add_epi16(_mm512_mulhi_epi16(b, kb), _mm512_mulhi_epi16(g, kg)),
                             _mm512_add_epi16(_mm512_mulhi_epi16(r, kr), c.chromaBias));
        return _mm512_min_epi16(_mm512_srai_epi16(sum, 6), c.max);
    }

    static void Yuyv(const uint8_t* in, uint8_t* out, const Constants& c) {
        const TPlanes p = Planes(in, c);
        const __m512i sb = _mm512_maddubs_epi16(p.b, c.pairTimes64);
        const __m512i sg = _mm512_maddubs_epi16(p.g, c.pairTimes64);
        const __m512i sr = _mm512_maddubs_epi16(p.r, c.pairTimes64);
        const TLuma luma = LumaWords(p, c);
        const __m512i first =
            _mm512_or_si512(luma.even, _mm512_slli_epi16(Chroma(sb, sg, sr, c.ub, c.ug, c.ur, c), 8));
        const __m512i second =
            _mm512_or_si512(luma.odd, _mm512_slli_epi16(Chroma(sb, sg, sr, c.vb, c.vg, c.vr, c), 8));
        _mm512_storeu_si512(out, _mm512_permutex2var_epi8(first, c.pairs[0], second));
        _mm512_storeu_si512(out + 64, _mm512_permutex2var_epi8(first, c.pairs[1], second));
    }

    static __m512i BlockSum(__m512i top, __m512i bottom, const Constants& c) {
        return _mm512_add_epi16(_mm512_maddubs_epi16(top, c.pairTimes32),
                                _mm512_maddubs_epi16(bottom, c.pairTimes32));
    }

    static void I420(const uint8_t* in0, const uint8_t* in1, uint8_t* y0, uint8_t* y1, uint8_t* u, uint8_t* v,
                     const Constants& c) {
        const TPlanes top = Planes(in0, c), bottom = Planes(in1, c);
        _mm512_storeu_si512(y0, LumaBytes(top, c));
        _mm512_storeu_si512(y1, LumaBytes(bottom, c));
        const __m512i sb = BlockSum(top.b, bottom.b, c), sg = BlockSum(top.g, bottom.g, c),
                      sr = BlockSum(top.r, bottom.r, c);
        // Each lane U then V of its eight pairs; then all of U, then all of V.
        const __m512i uv = _mm512_permutexvar_epi64(
            c.chromaOrder, _mm512_packus_epi16(Chroma(sb, sg, sr, c.ub, c.ug, c.ur, c),
                                               Chroma(sb, sg, sr, c.vb, c.vg, c.vr, c)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(u), _mm512_castsi512_si256(uv));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(v), _mm512_extracti64x4_epi64(uv, 1));
    }
};

} // namespace

const TBgrToYuvKernels* Avx512BgrToYuvKernels() {
    return &TBgrToYuvRowLoops<TAvx512>::kTable;
}

#else

const TBgrToYuvKernels* Avx512BgrToYuvKernels() {
    return nullptr;
}

#endif
