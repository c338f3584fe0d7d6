#include "platform/media/converters/YuvRowKernels.h"

#if defined(__AVX2__)

#include "platform/media/converters/YuvRowLoops.h"

#include <immintrin.h>

// 32 pixels a block, in two lanes of sixteen: the block's input is arranged so that the packs
// leave pixels 0 to 15 in the low lane and 16 to 31 in the high, and each lane's 48 bytes of
// blue, green, red are three in-lane byte shuffles of each plane.
namespace {

struct TBgrWords {
    __m256i b, g, r;
};

struct TLaneMask {
    int8_t bytes[32];
};

// The shuffle that takes the bytes of `channel` (0 blue, 1 green, 2 red) from a lane's plane of
// sixteen pixels into the lane's 16-byte piece `piece` of their 48 bytes.
constexpr TLaneMask PieceMask(int piece, int channel) {
    TLaneMask mask{};
    for (int j = 0; j < 32; ++j) {
        const int n = 16 * piece + j % 16;
        mask.bytes[j] = static_cast<int8_t>(n % 3 == channel ? n / 3 : -128);
    }
    return mask;
}

constexpr TLaneMask kPieceMasks[3][3] = {{PieceMask(0, 0), PieceMask(0, 1), PieceMask(0, 2)},
                                         {PieceMask(1, 0), PieceMask(1, 1), PieceMask(1, 2)},
                                         {PieceMask(2, 0), PieceMask(2, 1), PieceMask(2, 2)}};

__m256i Mask(int piece, int channel) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kPieceMasks[piece][channel].bytes));
}

struct TAvx2 {
    static constexpr TSimdLevel kLevel = TSimdLevel::Avx2;
    static constexpr int kPixels = 32;

    struct Constants {
        explicit Constants(const TYuvCoefficients& k)
            : y(_mm256_set1_epi16(k.y)), bias(_mm256_set1_epi16(k.bias)),
              blue(_mm256_set1_epi32(static_cast<uint16_t>(k.bu))), red(_mm256_set1_epi32(k.rv << 16)),
              green(_mm256_set1_epi32(static_cast<uint16_t>(k.gu) | k.gv << 16)),
              swap(_mm256_setr_epi8(2, 3, 0, 1, 6, 7, 4, 5, 10, 11, 8, 9, 14, 15, 12, 13, 2, 3, 0, 1, 6, 7, 4,
                                    5, 10, 11, 8, 9, 14, 15, 12, 13)) {}
        // blue (bu, 0), red (0, rv) and green (gu, gv) against the chroma words (U, V) of a pair;
        // swap exchanges the two words of each pair
        __m256i y, bias, blue, red, green, swap;
    };

    // Sixteen pixels: y256 holds Y 256 in each word, c the words (U - 128) 256, (V - 128) 256
    // of each pair of pixels.
    static TBgrWords Pixels(__m256i y256, __m256i c, const Constants& k) {
        const __m256i luma = _mm256_add_epi16(_mm256_mulhi_epu16(y256, k.y), k.bias);
        __m256i blue = _mm256_mulhi_epi16(c, k.blue);
        blue = _mm256_or_si256(blue, _mm256_slli_epi32(blue, 16));
        __m256i red = _mm256_mulhi_epi16(c, k.red);
        red = _mm256_or_si256(red, _mm256_srli_epi32(red, 16));
        __m256i green = _mm256_mulhi_epi16(c, k.green);
        green = _mm256_add_epi16(green, _mm256_shuffle_epi8(green, k.swap));
        return {_mm256_srai_epi16(_mm256_add_epi16(luma, blue), 5),
                _mm256_srai_epi16(_mm256_sub_epi16(luma, green), 5),
                _mm256_srai_epi16(_mm256_add_epi16(luma, red), 5)};
    }

    static __m256i Piece(int piece, __m256i b, __m256i g, __m256i r) {
        return _mm256_or_si256(
            _mm256_or_si256(_mm256_shuffle_epi8(b, Mask(piece, 0)), _mm256_shuffle_epi8(g, Mask(piece, 1))),
            _mm256_shuffle_epi8(r, Mask(piece, 2)));
    }

    // `low` holds pixels 0 to 7 and 16 to 23, `high` 8 to 15 and 24 to 31.
    static void Store(uint8_t* out, const TBgrWords& low, const TBgrWords& high) {
        const __m256i b = _mm256_packus_epi16(low.b, high.b);
        const __m256i g = _mm256_packus_epi16(low.g, high.g);
        const __m256i r = _mm256_packus_epi16(low.r, high.r);
        const __m256i p0 = Piece(0, b, g, r);
        const __m256i p1 = Piece(1, b, g, r);
        const __m256i p2 = Piece(2, b, g, r);
        auto* o = reinterpret_cast<__m256i*>(out);
        _mm256_storeu_si256(o, _mm256_permute2x128_si256(p0, p1, 0x20));
        _mm256_storeu_si256(o + 1, _mm256_permute2x128_si256(p2, p0, 0x30));
        _mm256_storeu_si256(o + 2, _mm256_permute2x128_si256(p1, p2, 0x31));
    }

    // Sixteen pixels of packed 4:2:2, luma in the low byte of each word (YUY2) or the high (UYVY).
    template <bool LumaLow> static TBgrWords PackedPixels(__m256i v, const Constants& k) {
        const __m256i high = _mm256_set1_epi16(static_cast<int16_t>(0xFF00));
        const __m256i lumaHigh = LumaLow ? _mm256_slli_epi16(v, 8) : _mm256_and_si256(v, high);
        const __m256i chromaHigh = LumaLow ? _mm256_and_si256(v, high) : _mm256_slli_epi16(v, 8);
        return Pixels(lumaHigh, _mm256_xor_si256(chromaHigh, _mm256_set1_epi16(static_cast<int16_t>(0x8000))),
                      k);
    }

    template <bool LumaLow> static void Packed(const uint8_t* in, uint8_t* out, const Constants& k) {
        const __m256i v0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in));
        const __m256i v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 32));
        Store(out, PackedPixels<LumaLow>(_mm256_permute2x128_si256(v0, v1, 0x20), k),
              PackedPixels<LumaLow>(_mm256_permute2x128_si256(v0, v1, 0x31), k));
    }

    // 32 pixels of luma bytes and the interleaved U V bytes of their sixteen pairs.
    static void Planar(__m256i y, __m256i uv, uint8_t* out, const Constants& k) {
        const __m256i zero = _mm256_setzero_si256();
        const __m256i c = _mm256_xor_si256(uv, _mm256_set1_epi8(static_cast<char>(0x80)));
        Store(out, Pixels(_mm256_unpacklo_epi8(zero, y), _mm256_unpacklo_epi8(zero, c), k),
              Pixels(_mm256_unpackhi_epi8(zero, y), _mm256_unpackhi_epi8(zero, c), k));
    }

    static void Nv12(const uint8_t* y, const uint8_t* uv, uint8_t* out, const Constants& k) {
        Planar(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(y)),
               _mm256_loadu_si256(reinterpret_cast<const __m256i*>(uv)), out, k);
    }

    static void I420(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out, const Constants& k) {
        const __m128i u16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(u));
        const __m128i v16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v));
        const __m256i uv = _mm256_set_m128i(_mm_unpackhi_epi8(u16, v16), _mm_unpacklo_epi8(u16, v16));
        Planar(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(y)), uv, out, k);
    }
};

} // namespace

const TYuvRowKernels* Avx2YuvRowKernels() {
    return &TYuvRowLoops<TAvx2>::kTable;
}

#else

const TYuvRowKernels* Avx2YuvRowKernels() {
    return nullptr;
}

#endif
