#include "platform/media/converters/YuvRowLoops.h"

#include <emmintrin.h>

// SSE2 has no byte shuffle: the planes of blue, green and red are joined into pixels of four
// bytes by unpacks, and each four pixels are squeezed to twelve bytes by shifts.
namespace {

struct TBgrWords {
    __m128i b, g, r;
};

struct TSse2 {
    static constexpr TSimdLevel kLevel = TSimdLevel::Sse2;
    static constexpr int kPixels = 16;

    struct Constants {
        explicit Constants(const TYuvCoefficients& k)
            : y(_mm_set1_epi16(k.y)), bias(_mm_set1_epi16(k.bias)),
              blue(_mm_set1_epi32(static_cast<uint16_t>(k.bu))), red(_mm_set1_epi32(k.rv << 16)),
              green(_mm_set1_epi32(static_cast<uint16_t>(k.gu) | k.gv << 16)) {}
        // blue (bu, 0), red (0, rv) and green (gu, gv) against the chroma words (U, V) of a pair
        __m128i y, bias, blue, red, green;
    };

    // Eight pixels: y256 holds Y 256 in each word, c the words (U - 128) 256, (V - 128) 256 of
    // each pair of pixels.
    static TBgrWords Pixels(__m128i y256, __m128i c, const Constants& k) {
        const __m128i luma = _mm_add_epi16(_mm_mulhi_epu16(y256, k.y), k.bias);
        __m128i blue = _mm_mulhi_epi16(c, k.blue);
        blue = _mm_or_si128(blue, _mm_slli_epi32(blue, 16));
        __m128i red = _mm_mulhi_epi16(c, k.red);
        red = _mm_or_si128(red, _mm_srli_epi32(red, 16));
        __m128i green = _mm_mulhi_epi16(c, k.green);
        green = _mm_add_epi16(green, _mm_shufflehi_epi16(_mm_shufflelo_epi16(green, 0xB1), 0xB1));
        return {_mm_srai_epi16(_mm_add_epi16(luma, blue), 5), _mm_srai_epi16(_mm_sub_epi16(luma, green), 5),
                _mm_srai_epi16(_mm_add_epi16(luma, red), 5)};
    }

    // Pixels of four bytes (blue, green, red, 0) to twelve bytes at the bottom, zeros above.
    static __m128i Squeeze(__m128i p) {
        const __m128i first = _mm_set1_epi64x(0xFFFFFF);
        const __m128i pairs =
            _mm_or_si128(_mm_and_si128(p, first), _mm_andnot_si128(first, _mm_srli_epi64(p, 8)));
        return _mm_or_si128(_mm_move_epi64(pairs), _mm_slli_si128(_mm_srli_si128(pairs, 8), 6));
    }

    static void Store(uint8_t* out, const TBgrWords& low, const TBgrWords& high) {
        const __m128i zero = _mm_setzero_si128();
        const __m128i b = _mm_packus_epi16(low.b, high.b);
        const __m128i g = _mm_packus_epi16(low.g, high.g);
        const __m128i r = _mm_packus_epi16(low.r, high.r);
        const __m128i bgLow = _mm_unpacklo_epi8(b, g);
        const __m128i bgHigh = _mm_unpackhi_epi8(b, g);
        const __m128i rLow = _mm_unpacklo_epi8(r, zero);
        const __m128i rHigh = _mm_unpackhi_epi8(r, zero);
        const __m128i p0 = Squeeze(_mm_unpacklo_epi16(bgLow, rLow));
        const __m128i p1 = Squeeze(_mm_unpackhi_epi16(bgLow, rLow));
        const __m128i p2 = Squeeze(_mm_unpacklo_epi16(bgHigh, rHigh));
        const __m128i p3 = Squeeze(_mm_unpackhi_epi16(bgHigh, rHigh));
        auto* o = reinterpret_cast<__m128i*>(out);
        _mm_storeu_si128(o, _mm_or_si128(p0, _mm_slli_si128(p1, 12)));
        _mm_storeu_si128(o + 1, _mm_or_si128(_mm_srli_si128(p1, 4), _mm_slli_si128(p2, 8)));
        _mm_storeu_si128(o + 2, _mm_or_si128(_mm_srli_si128(p2, 8), _mm_slli_si128(p3, 4)));
    }

    // Eight pixels of packed 4:2:2, luma in the low byte of each word (YUY2) or the high (UYVY).
    template <bool LumaLow> static TBgrWords PackedPixels(__m128i v, const Constants& k) {
        const __m128i high = _mm_set1_epi16(static_cast<int16_t>(0xFF00));
        const __m128i lumaHigh = LumaLow ? _mm_slli_epi16(v, 8) : _mm_and_si128(v, high);
        const __m128i chromaHigh = LumaLow ? _mm_and_si128(v, high) : _mm_slli_epi16(v, 8);
        return Pixels(lumaHigh, _mm_xor_si128(chromaHigh, _mm_set1_epi16(static_cast<int16_t>(0x8000))), k);
    }

    template <bool LumaLow> static void Packed(const uint8_t* in, uint8_t* out, const Constants& k) {
        const auto* v = reinterpret_cast<const __m128i*>(in);
        Store(out, PackedPixels<LumaLow>(_mm_loadu_si128(v), k),
              PackedPixels<LumaLow>(_mm_loadu_si128(v + 1), k));
    }

    // Sixteen pixels of luma bytes and the interleaved U V bytes of their eight pairs.
    static void Planar(__m128i y, __m128i uv, uint8_t* out, const Constants& k) {
        const __m128i zero = _mm_setzero_si128();
        const __m128i c = _mm_xor_si128(uv, _mm_set1_epi8(static_cast<char>(0x80)));
        Store(out, Pixels(_mm_unpacklo_epi8(zero, y), _mm_unpacklo_epi8(zero, c), k),
              Pixels(_mm_unpackhi_epi8(zero, y), _mm_unpackhi_epi8(zero, c), k));
    }

    static void Nv12(const uint8_t* y, const uint8_t* uv, uint8_t* out, const Constants& k) {
        Planar(_mm_loadu_si128(reinterpret_cast<const __m128i*>(y)),
               _mm_loadu_si128(reinterpret_cast<const __m128i*>(uv)), out, k);
    }

    static void I420(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out, const Constants& k) {
        const __m128i uv = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(u)),
                                             _mm_loadl_epi64(reinterpret_cast<const __m128i*>(v)));
        Planar(_mm_loadu_si128(reinterpret_cast<const __m128i*>(y)), uv, out, k);
    }
};

} // namespace

const TYuvRowKernels& Sse2YuvRowKernels() {
    return TYuvRowLoops<TSse2>::kTable;
}
