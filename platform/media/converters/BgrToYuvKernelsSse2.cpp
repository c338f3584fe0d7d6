#include "platform/media/converters/BgrToYuvRowLoops.h"

#include <emmintrin.h>

// SSE2 has no byte shuffle: 32 pixels (96 bytes in six registers) become planes of blue, green and
// red by five rounds of one interleaving. A round interleaves the bytes of the first half of the 96
// with those of the second, which moves the byte at p to 2p mod 95; five rounds move it to
// 32p mod 95, and the byte of pixel j, channel c (p = 3j + c) to 32c + j.
namespace {

struct TSse2 {
    static constexpr TSimdLevel kLevel = TSimdLevel::Sse2;
    static constexpr int kPixels = 32;

    struct Constants {
        explicit Constants(const TBgrToYuvCoefficients& k)
            : yb(_mm_set1_epi16(static_cast<int16_t>(k.yb))), yg(_mm_set1_epi16(static_cast<int16_t>(k.yg))),
              yr(_mm_set1_epi16(static_cast<int16_t>(k.yr))), yBias(_mm_set1_epi16(k.yBias)),
              ub(_mm_set1_epi16(k.ub)), ug(_mm_set1_epi16(k.ug)), ur(_mm_set1_epi16(k.ur)),
              vb(_mm_set1_epi16(k.vb)), vg(_mm_set1_epi16(k.vg)), vr(_mm_set1_epi16(k.vr)),
              chromaBias(_mm_set1_epi16(kChromaBias)), high(_mm_set1_epi16(static_cast<int16_t>(0xFF00))),
              max(_mm_set1_epi16(255)) {}
        __m128i yb, yg, yr, yBias, ub, ug, ur, vb, vg, vr, chromaBias, high, max;
    };

    // A plane of sixteen pixels as words of its even and of its odd pixels, each times 256.
    struct TWords {
        __m128i even, odd;
    };

    static TWords Split(__m128i plane, const Constants& c) {
        return {_mm_slli_epi16(plane, 8), _mm_and_si128(plane, c.high)};
    }

    static __m128i Luma(__m128i b, __m128i g, __m128i r, const Constants& c) {
        const __m128i sum = _mm_add_epi16(_mm_add_epi16(_mm_mulhi_epu16(b, c.yb), _mm_mulhi_epu16(g, c.yg)),
                                          _mm_add_epi16(_mm_mulhi_epu16(r, c.yr), c.yBias));
        return _mm_srli_epi16(sum, 7);
    }

    // b, g, r: 128 times the mean of each channel.
    static __m128i Chroma(__m128i b, __m128i g, __m128i r, __m128i kb, __m128i kg, __m128i kr,
                          const Constants& c) {
        const __m128i sum = _mm_add_epi16(_mm_add_epi16(_mm_mulhi_epi16(b, kb), _mm_mulhi_epi16(g, kg)),
                                          _mm_add_epi16(_mm_mulhi_epi16(r, kr), c.chromaBias));
        return _mm_min_epi16(_mm_srai_epi16(sum, 6), c.max);
    }

    // 128 times the mean of each pair: (X0 256) / 4 + (X1 256) / 4.
    static __m128i PairMean(TWords w) {
        return _mm_add_epi16(_mm_srli_epi16(w.even, 2), _mm_srli_epi16(w.odd, 2));
    }

    // planes[0], [1]: blue of pixels 0 to 15, 16 to 31; [2], [3] green; [4], [5] red.
    static void Planes(const uint8_t* in, __m128i planes[6]) {
        const auto* v = reinterpret_cast<const __m128i*>(in);
        for (int k = 0; k < 6; ++k)
            planes[k] = _mm_loadu_si128(v + k);
        for (int round = 0; round < 5; ++round) {
            const __m128i a0 = planes[0], a1 = planes[1], a2 = planes[2];
            planes[0] = _mm_unpacklo_epi8(a0, planes[3]);
            planes[1] = _mm_unpackhi_epi8(a0, planes[3]);
            planes[2] = _mm_unpacklo_epi8(a1, planes[4]);
            planes[3] = _mm_unpackhi_epi8(a1, planes[4]);
            planes[4] = _mm_unpacklo_epi8(a2, planes[5]);
            planes[5] = _mm_unpackhi_epi8(a2, planes[5]);
        }
    }

    static void Yuyv16(__m128i b, __m128i g, __m128i r, uint8_t* out, const Constants& c) {
        const TWords bw = Split(b, c), gw = Split(g, c), rw = Split(r, c);
        const __m128i sb = PairMean(bw), sg = PairMean(gw), sr = PairMean(rw);
        const __m128i u = Chroma(sb, sg, sr, c.ub, c.ug, c.ur, c);
        const __m128i v = Chroma(sb, sg, sr, c.vb, c.vg, c.vr, c);
        const __m128i first = _mm_or_si128(Luma(bw.even, gw.even, rw.even, c), _mm_slli_epi16(u, 8));
        const __m128i second = _mm_or_si128(Luma(bw.odd, gw.odd, rw.odd, c), _mm_slli_epi16(v, 8));
        auto* o = reinterpret_cast<__m128i*>(out);
        _mm_storeu_si128(o, _mm_unpacklo_epi16(first, second));
        _mm_storeu_si128(o + 1, _mm_unpackhi_epi16(first, second));
    }

    static void Yuyv(const uint8_t* in, uint8_t* out, const Constants& c) {
        __m128i p[6];
        Planes(in, p);
        Yuyv16(p[0], p[2], p[4], out, c);
        Yuyv16(p[1], p[3], p[5], out + 32, c);
    }

    static void StoreLuma(uint8_t* out, TWords b, TWords g, TWords r, const Constants& c) {
        const __m128i even = Luma(b.even, g.even, r.even, c), odd = Luma(b.odd, g.odd, r.odd, c);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_or_si128(even, _mm_slli_epi16(odd, 8)));
    }

    // 128 times the mean of each 2x2 block: the four pixels' X 256, each / 8.
    static __m128i BlockMean(TWords top, TWords bottom) {
        return _mm_add_epi16(_mm_add_epi16(_mm_srli_epi16(top.even, 3), _mm_srli_epi16(top.odd, 3)),
                             _mm_add_epi16(_mm_srli_epi16(bottom.even, 3), _mm_srli_epi16(bottom.odd, 3)));
    }

    static void I420Half(const __m128i* top, const __m128i* bottom, uint8_t* y0, uint8_t* y1, uint8_t* u,
                         uint8_t* v, const Constants& c) {
        const TWords b0 = Split(top[0], c), g0 = Split(top[2], c), r0 = Split(top[4], c);
        const TWords b1 = Split(bottom[0], c), g1 = Split(bottom[2], c), r1 = Split(bottom[4], c);
        StoreLuma(y0, b0, g0, r0, c);
        StoreLuma(y1, b1, g1, r1, c);
        const __m128i sb = BlockMean(b0, b1), sg = BlockMean(g0, g1), sr = BlockMean(r0, r1);
        const __m128i uv = _mm_packus_epi16(Chroma(sb, sg, sr, c.ub, c.ug, c.ur, c),
                                            Chroma(sb, sg, sr, c.vb, c.vg, c.vr, c));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(u), uv);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(v), _mm_srli_si128(uv, 8));
    }

    static void I420(const uint8_t* in0, const uint8_t* in1, uint8_t* y0, uint8_t* y1, uint8_t* u, uint8_t* v,
                     const Constants& c) {
        __m128i top[6], bottom[6];
        Planes(in0, top);
        Planes(in1, bottom);
        I420Half(top, bottom, y0, y1, u, v, c);
        I420Half(top + 1, bottom + 1, y0 + 16, y1 + 16, u + 8, v + 8, c);
    }
};

} // namespace

const TBgrToYuvKernels& Sse2BgrToYuvKernels() {
    return TBgrToYuvRowLoops<TSse2>::kTable;
}
