#include "platform/media/converters/YuvRowKernels.h"

#if defined(__AVX512F__) && defined(__AVX512BW__) && defined(__AVX512VL__) && defined(__AVX512VBMI__)

#include "platform/media/converters/YuvRowLoops.h"

#include <immintrin.h>

// 64 pixels a block, in four lanes of sixteen: the block's input is arranged so that the packs
// leave the planes of blue, green and red in pixel order, and each 64 bytes of the output are
// one two-register byte permute of blue and green and one masked permute of red.
namespace {

struct TBgrWords {
    __m512i b, g, r;
};

struct TPieceIndex {
    int8_t bytes[64];
};

// Byte j of the output's 64-byte piece `piece` is channel n % 3 of pixel n / 3, n = 64 piece + j:
// its index picks that pixel from blue (0..63) or green (64..127), or from red under the mask.
constexpr TPieceIndex PieceIndex(int piece) {
    TPieceIndex index{};
    for (int j = 0; j < 64; ++j) {
        const int n = 64 * piece + j;
        index.bytes[j] = static_cast<int8_t>(n / 3 + (n % 3 == 1 ? 64 : 0));
    }
    return index;
}

constexpr __mmask64 RedMask(int piece) {
    __mmask64 mask = 0;
    for (int j = 0; j < 64; ++j)
        if ((64 * piece + j) % 3 == 2)
            mask |= __mmask64{1} << j;
    return mask;
}

constexpr TPieceIndex kPieceIndex[3] = {PieceIndex(0), PieceIndex(1), PieceIndex(2)};
constexpr __mmask64 kRedMask[3] = {RedMask(0), RedMask(1), RedMask(2)};

// Interleaves 32 U bytes with 32 V bytes.
constexpr TPieceIndex ChromaIndex() {
    TPieceIndex index{};
    for (int j = 0; j < 64; ++j)
        index.bytes[j] = static_cast<int8_t>(j / 2 + (j % 2 == 1 ? 64 : 0));
    return index;
}

constexpr TPieceIndex kChromaIndex = ChromaIndex();

__m512i Load(const TPieceIndex& index) {
    return _mm512_loadu_si512(index.bytes);
}

struct TAvx512 {
    static constexpr TSimdLevel kLevel = TSimdLevel::Avx512;
    static constexpr int kPixels = 64;

    struct Constants {
        explicit Constants(const TYuvCoefficients& k)
            : y(_mm512_set1_epi16(k.y)), bias(_mm512_set1_epi16(k.bias)),
              blue(_mm512_set1_epi32(static_cast<uint16_t>(k.bu))), red(_mm512_set1_epi32(k.rv << 16)),
              green(_mm512_set1_epi32(static_cast<uint16_t>(k.gu) | k.gv << 16)) {}
        // blue (bu, 0), red (0, rv) and green (gu, gv) against the chroma words (U, V) of a pair
        __m512i y, bias, blue, red, green;
    };

    // 32 pixels: y256 holds Y 256 in each word, c the words (U - 128) 256, (V - 128) 256 of each
    // pair of pixels.
    static TBgrWords Pixels(__m512i y256, __m512i c, const Constants& k) {
        const __m512i luma = _mm512_add_epi16(_mm512_mulhi_epu16(y256, k.y), k.bias);
        __m512i blue = _mm512_mulhi_epi16(c, k.blue);
        blue = _mm512_or_si512(blue, _mm512_slli_epi32(blue, 16));
        __m512i red = _mm512_mulhi_epi16(c, k.red);
        red = _mm512_or_si512(red, _mm512_srli_epi32(red, 16));
        __m512i green = _mm512_mulhi_epi16(c, k.green);
        green = _mm512_add_epi16(green, _mm512_rol_epi32(green, 16));
        return {_mm512_srai_epi16(_mm512_add_epi16(luma, blue), 5),
                _mm512_srai_epi16(_mm512_sub_epi16(luma, green), 5),
                _mm512_srai_epi16(_mm512_add_epi16(luma, red), 5)};
    }

    // Lane l of `low` holds pixels 16 l to 16 l + 7, of `high` 16 l + 8 to 16 l + 15.
    static void Store(uint8_t* out, const TBgrWords& low, const TBgrWords& high) {
        const __m512i b = _mm512_packus_epi16(low.b, high.b);
        const __m512i g = _mm512_packus_epi16(low.g, high.g);
        const __m512i r = _mm512_packus_epi16(low.r, high.r);
        for (int piece = 0; piece < 3; ++piece) {
            const __m512i index = Load(kPieceIndex[piece]);
            const __m512i blueGreen = _mm512_permutex2var_epi8(b, index, g);
            _mm512_storeu_si512(out + 64 * piece,
                                _mm512_mask_permutexvar_epi8(blueGreen, kRedMask[piece], index, r));
        }
    }

    // 32 pixels of packed 4:2:2, luma in the low byte of each word (YUY2) or the high (UYVY).
    template <bool LumaLow> static TBgrWords PackedPixels(__m512i v, const Constants& k) {
        const __m512i high = _mm512_set1_epi16(static_cast<int16_t>(0xFF00));
        const __m512i lumaHigh = LumaLow ? _mm512_slli_epi16(v, 8) : _mm512_and_si512(v, high);
        const __m512i chromaHigh = LumaLow ? _mm512_and_si512(v, high) : _mm512_slli_epi16(v, 8);
        return Pixels(lumaHigh, _mm512_xor_si512(chromaHigh, _mm512_set1_epi16(static_cast<int16_t>(0x8000))),
                      k);
    }

    template <bool LumaLow> static void Packed(const uint8_t* in, uint8_t* out, const Constants& k) {
        const __m512i v0 = _mm512_loadu_si512(in);
        const __m512i v1 = _mm512_loadu_si512(in + 64);
        Store(out, PackedPixels<LumaLow>(_mm512_shuffle_i64x2(v0, v1, 0x88), k),
              PackedPixels<LumaLow>(_mm512_shuffle_i64x2(v0, v1, 0xDD), k));
    }

    // 64 pixels of luma bytes and the interleaved U V bytes of their 32 pairs.
    static void Planar(__m512i y, __m512i uv, uint8_t* out, const Constants& k) {
        const __m512i zero = _mm512_setzero_si512();
        const __m512i c = _mm512_xor_si512(uv, _mm512_set1_epi8(static_cast<char>(0x80)));
        Store(out, Pixels(_mm512_unpacklo_epi8(zero, y), _mm512_unpacklo_epi8(zero, c), k),
              Pixels(_mm512_unpackhi_epi8(zero, y), _mm512_unpackhi_epi8(zero, c), k));
    }

    static void Nv12(const uint8_t* y, const uint8_t* uv, uint8_t* out, const Constants& k) {
        Planar(_mm512_loadu_si512(y), _mm512_loadu_si512(uv), out, k);
    }

    static void I420(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out, const Constants& k) {
        const __m512i u32 = _mm512_castsi256_si512(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(u)));
        const __m512i v32 = _mm512_castsi256_si512(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(v)));
        Planar(_mm512_loadu_si512(y), _mm512_permutex2var_epi8(u32, Load(kChromaIndex), v32), out, k);
    }
};

} // namespace

const TYuvRowKernels* Avx512YuvRowKernels() {
    return &TYuvRowLoops<TAvx512>::kTable;
}

#else

const TYuvRowKernels* Avx512YuvRowKernels() {
    return nullptr;
}

#endif
