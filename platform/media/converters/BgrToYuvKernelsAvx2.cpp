#include "platform/media/converters/BgrToYuvKernels.h"

#if defined(__AVX2__)

#include "platform/media/converters/BgrToYuvRowLoops.h"

#include <immintrin.h>

// 32 pixels a block, sixteen in each lane: the lanes are loaded with pixels 0 to 15 and 16 to 31
// (48 bytes each, three 16-byte pieces), and each plane is three in-lane byte shuffles, one of each
// piece, joined. The planes are then in pixel order across the register, and so are the words of
// their pairs, so luma and chroma need no shuffling until the pairs' words are interleaved.
namespace {

struct TLaneMask {
    int8_t bytes[32];
};

// The shuffle that takes the bytes of `channel` (0 blue, 1 green, 2 red) from piece `piece` of a
// lane's 48 bytes to their pixels' places in the lane's plane of sixteen.
constexpr TLaneMask PlaneMask(int piece, int channel) {
    TLaneMask mask{};
    for (int j = 0; j < 32; ++j) {
        const int n = 3 * (j % 16) + channel;
        mask.bytes[j] = static_cast<int8_t>(n / 16 == piece ? n % 16 : -128);
    }
    return mask;
}

constexpr TLaneMask kPlaneMasks[3][3] = {{PlaneMask(0, 0), PlaneMask(0, 1), PlaneMask(0, 2)},
                                         {PlaneMask(1, 0), PlaneMask(1, 1), PlaneMask(1, 2)},
                                         {PlaneMask(2, 0), PlaneMask(2, 1), PlaneMask(2, 2)}};

__m256i Load(const TLaneMask& mask) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mask.bytes));
}

struct TAvx2 {
    static constexpr TSimdLevel kLevel = TSimdLevel::Avx2;
    static constexpr int kPixels = 32;

    struct Constants {
        explicit Constants(const TBgrToYuvCoefficients& k)
            : yb(_mm256_set1_epi16(static_cast<int16_t>(k.yb))),
              yg(_mm256_set1_epi16(static_cast<int16_t>(k.yg))),
              yr(_mm256_set1_epi16(static_cast<int16_t>(k.yr))), yBias(_mm256_set1_epi16(k.yBias)),
              ub(_mm256_set1_epi16(k.ub)), ug(_mm256_set1_epi16(k.ug)), ur(_mm256_set1_epi16(k.ur)),
              vb(_mm256_set1_epi16(k.vb)), vg(_mm256_set1_epi16(k.vg)), vr(_mm256_set1_epi16(k.vr)),
              chromaBias(_mm256_set1_epi16(kChromaBias)),
              high(_mm256_set1_epi16(static_cast<int16_t>(0xFF00))), max(_mm256_set1_epi16(255)),
              pairTimes64(_mm256_set1_epi8(64)), pairTimes32(_mm256_set1_epi8(32)) {
            for (int piece = 0; piece < 3; ++piece)
                for (int channel = 0; channel < 3; ++channel)
                    masks[piece][channel] = Load(kPlaneMasks[piece][channel]);
        }
        __m256i yb, yg, yr, yBias, ub, ug, ur, vb, vg, vr, chromaBias, high, max, pairTimes64, pairTimes32;
        __m256i masks[3][3];
    };

    struct TPlanes {
        __m256i b, g, r;
    };

    static __m256i Plane(const __m256i piece[3], int channel, const Constants& c) {
        return _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(piece[0], c.masks[0][channel]),
                                               _mm256_shuffle_epi8(piece[1], c.masks[1][channel])),
                               _mm256_shuffle_epi8(piece[2], c.masks[2][channel]));
    }

    static TPlanes Planes(const uint8_t* in, const Constants& c) {
        const auto* v = reinterpret_cast<const __m128i*>(in);
        const __m256i piece[3] = {_mm256_loadu2_m128i(v + 3, v), _mm256_loadu2_m128i(v + 4, v + 1),
                                  _mm256_loadu2_m128i(v + 5, v + 2)};
        return {Plane(piece, 0, c), Plane(piece, 1, c), Plane(piece, 2, c)};
    }

    static __m256i Luma(__m256i b, __m256i g, __m256i r, const Constants& c) {
        const __m256i sum =
            _mm256_add_epi16(_mm256_add_epi16(_mm256_mulhi_epu16(b, c.yb), _mm256_mulhi_epu16(g, c.yg)),
                             _mm256_add_epi16(_mm256_mulhi_epu16(r, c.yr), c.yBias));
        return _mm256_srli_epi16(sum, 7);
    }

    // Luma of the even and of the odd pixels, from the planes' bytes times 256 (shifted up, or
    // masked), each in the low byte of its pair's word.
    struct TLuma {
        __m256i even, odd;
    };

    static TLuma LumaWords(const TPlanes& p, const Constants& c) {
        return {Luma(_mm256_slli_epi16(p.b, 8), _mm256_slli_epi16(p.g, 8), _mm256_slli_epi16(p.r, 8), c),
                Luma(_mm256_and_si256(p.b, c.high), _mm256_and_si256(p.g, c.high),
                     _mm256_and_si256(p.r, c.high), c)};
    }

    static __m256i LumaBytes(const TPlanes& p, const Constants& c) {
        const TLuma luma = LumaWords(p, c);
        return _mm256_or_si256(luma.even, _mm256_slli_epi16(luma.odd, 8));
    }

    // b, g, r: 128 times the mean of each channel.
    static __m256i Chroma(__m256i b, __m256i g, __m256i r, __m256i kb, __m256i kg, __m256i kr,
                          const Constants& c) {
        const __m256i sum =
            _mm256_add_epi16(_mm256_add_epi16(_mm256_mulhi_epi16(b, kb), _mm256_mulhi_epi16(g, kg)),
                             _mm256_add_epi16(_mm256_mulhi_epi16(r, kr), c.chromaBias));
        return _mm256_min_epi16(_mm256_srai_epi16(sum, 6), c.max);
    }

    static void Yuyv(const uint8_t* in, uint8_t* out, const Constants& c) {
        const TPlanes p = Planes(in, c);
        const __m256i sb = _mm256_maddubs_epi16(p.b, c.pairTimes64);
        const __m256i sg = _mm256_maddubs_epi16(p.g, c.pairTimes64);
        const __m256i sr = _mm256_maddubs_epi16(p.r, c.pairTimes64);
        const __m256i u = Chroma(sb, sg, sr, c.ub, c.ug, c.ur, c);
        const __m256i v = Chroma(sb, sg, sr, c.vb, c.vg, c.vr, c);
        // Words Y0 U and Y1 V of each pair.
        const TLuma luma = LumaWords(p, c);
        const __m256i first = _mm256_or_si256(luma.even, _mm256_slli_epi16(u, 8));
        const __m256i second = _mm256_or_si256(luma.odd, _mm256_slli_epi16(v, 8));
        const __m256i low = _mm256_unpacklo_epi16(first, second);  // pairs 0-3, 8-11
        const __m256i high = _mm256_unpackhi_epi16(first, second); // pairs 4-7, 12-15
        auto* o = reinterpret_cast<__m256i*>(out);
        _mm256_storeu_si256(o, _mm256_permute2x128_si256(low, high, 0x20));
        _mm256_storeu_si256(o + 1, _mm256_permute2x128_si256(low, high, 0x31));
    }

    static void I420(const uint8_t* in0, const uint8_t* in1, uint8_t* y0, uint8_t* y1, uint8_t* u, uint8_t* v,
                     const Constants& c) {
        const TPlanes top = Planes(in0, c), bottom = Planes(in1, c);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(y0), LumaBytes(top, c));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(y1), LumaBytes(bottom, c));
        const __m256i sb = _mm256_add_epi16(_mm256_maddubs_epi16(top.b, c.pairTimes32),
                                            _mm256_maddubs_epi16(bottom.b, c.pairTimes32));
        const __m256i sg = _mm256_add_epi16(_mm256_maddubs_epi16(top.g, c.pairTimes32),
                                            _mm256_maddubs_epi16(bottom.g, c.pairTimes32));
        const __m256i sr = _mm256_add_epi16(_mm256_maddubs_epi16(top.r, c.pairTimes32),
                                            _mm256_maddubs_epi16(bottom.r, c.pairTimes32));
        // Lanes U 0-7, V 0-7 | U 8-15, V 8-15, then U 0-15 | V 0-15.
        const __m256i uv =
            _mm256_permute4x64_epi64(_mm256_packus_epi16(Chroma(sb, sg, sr, c.ub, c.ug, c.ur, c),
                                                         Chroma(sb, sg, sr, c.vb, c.vg, c.vr, c)),
                                     0xD8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(u), _mm256_castsi256_si128(uv));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(v), _mm256_extracti128_si256(uv, 1));
    }
};

} // namespace

const TBgrToYuvKernels* Avx2BgrToYuvKernels() {
    return &TBgrToYuvRowLoops<TAvx2>::kTable;
}

#else

const TBgrToYuvKernels* Avx2BgrToYuvKernels() {
    return nullptr;
}

#endif
