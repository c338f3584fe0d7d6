// Processors with AVX-512 and its byte permutes (VBMI): 64 pixels, or 64 table look-ups, at a
// time, with whole-register loads and stores (masked or overlapping accesses stall on some
// processors). The effects without a kernel here use the AVX2 level's. This file alone is
// compiled for AVX-512.
#include "effects/RowLoops.h"

#if defined(__AVX512F__) && defined(__AVX512BW__) && defined(__AVX512VL__) && defined(__AVX512VBMI__)

#include <immintrin.h>

namespace {

// 64 pixels are 192 bytes: three registers, loaded and stored whole. (Masked or overlapping
// accesses would stall on some processors.)
constexpr int kGroup = 64;

// Byte permutations between three registers of interleaved pixels and three planes.
// Gathering byte s (0..191) of the three registers takes a two-register permute for s < 128 and
// a masked one-register permute from the third for the rest.
struct Indexes {
    struct Gather {
        alignas(64) uint8_t low[64];  // source byte s for s < 128, within registers 0 and 1
        alignas(64) uint8_t high[64]; // s - 128 within register 2
        uint64_t fromHigh = 0;        // lanes whose source lies in register 2
    };
    Gather channel[3];                     // lane j := channel c of pixel j
    Gather reverse[3];                     // output register m: pixel 63 - pixel, channel kept
    alignas(64) uint8_t spread[3][64];     // output register m, byte k := value of pixel (64m + k) div 3
    alignas(64) uint8_t interleave[3][64]; // output register m from planes B (0..63) and G (64..127)
    uint64_t interleaveRed[3] = {};        // lanes taken from plane R instead

    static void Set(Gather& g, int lane, int source) {
        if (source < 128) {
            g.low[lane] = static_cast<uint8_t>(source);
            g.high[lane] = 0;
        } else {
            g.low[lane] = 0;
            g.high[lane] = static_cast<uint8_t>(source - 128);
            g.fromHigh |= 1ull << lane;
        }
    }

    Indexes() {
        for (int k = 0; k < 64; ++k) {
            for (int c = 0; c < 3; ++c)
                Set(channel[c], k, 3 * k + c);
            for (int m = 0; m < 3; ++m) {
                const int byte = 64 * m + k;
                const int pixel = byte / 3;
                const int c = byte % 3;
                Set(reverse[m], k, 3 * (kGroup - 1 - pixel) + c);
                spread[m][k] = static_cast<uint8_t>(pixel);
                interleave[m][k] = static_cast<uint8_t>(c == 1 ? 64 + pixel : pixel);
                if (c == 2)
                    interleaveRed[m] |= 1ull << k;
            }
        }
    }
};

const Indexes& Index() {
    static const Indexes indexes;
    return indexes;
}

struct Group {
    __m512i r0, r1, r2;
};

inline Group Load(const uint8_t* at) {
    return {_mm512_loadu_si512(at), _mm512_loadu_si512(at + 64), _mm512_loadu_si512(at + 128)};
}

inline void Store(uint8_t* at, const Group& g) {
    _mm512_storeu_si512(at, g.r0);
    _mm512_storeu_si512(at + 64, g.r1);
    _mm512_storeu_si512(at + 128, g.r2);
}

inline __m512i Gather(const Group& g, const Indexes::Gather& index) {
    const __m512i low = _mm512_permutex2var_epi8(g.r0, _mm512_load_si512(index.low), g.r1);
    return _mm512_mask_permutexvar_epi8(low, index.fromHigh, _mm512_load_si512(index.high), g.r2);
}

// One channel of the 64 pixels as a plane.
inline __m512i Channel(const Group& g, int c) {
    return Gather(g, Index().channel[c]);
}

// One value per pixel, spread over each pixel's three bytes.
inline Group Spread(__m512i values) {
    const Indexes& x = Index();
    return {_mm512_permutexvar_epi8(_mm512_load_si512(x.spread[0]), values),
            _mm512_permutexvar_epi8(_mm512_load_si512(x.spread[1]), values),
            _mm512_permutexvar_epi8(_mm512_load_si512(x.spread[2]), values)};
}

inline __m512i InterleaveOne(__m512i b, __m512i g, __m512i r, int m) {
    const Indexes& x = Index();
    const __m512i index = _mm512_load_si512(x.interleave[m]);
    const __m512i blueGreen = _mm512_permutex2var_epi8(b, index, g);
    return _mm512_mask_permutexvar_epi8(blueGreen, x.interleaveRed[m], index, r);
}

inline Group Interleave(__m512i b, __m512i g, __m512i r) {
    return {InterleaveOne(b, g, r, 0), InterleaveOne(b, g, r, 1), InterleaveOne(b, g, r, 2)};
}

// B + G + R of the 64 pixels, as two halves of 32 16-bit lanes.
struct Sums {
    __m512i low, high;
};

inline Sums ChannelSums(const Group& g) {
    const __m512i b = Channel(g, 0);
    const __m512i gr = Channel(g, 1);
    const __m512i r = Channel(g, 2);
    const auto widen = [](__m512i v, int half) {
        return _mm512_cvtepu8_epi16(half == 0 ? _mm512_castsi512_si256(v) : _mm512_extracti64x4_epi64(v, 1));
    };
    Sums s;
    s.low = _mm512_add_epi16(_mm512_add_epi16(widen(b, 0), widen(gr, 0)), widen(r, 0));
    s.high = _mm512_add_epi16(_mm512_add_epi16(widen(b, 1), widen(gr, 1)), widen(r, 1));
    return s;
}

inline __m512i Narrow(__m512i low, __m512i high) {
    return _mm512_inserti64x4(_mm512_castsi256_si512(_mm512_cvtepi16_epi8(low)), _mm512_cvtepi16_epi8(high),
                              1);
}

// The kernels do whole groups of 64 pixels and return how many pixels they did.

void MapBytes(uint8_t* p, size_t count, const uint8_t* table, const uint16_t*) {
    const __m512i t0 = _mm512_loadu_si512(table);
    const __m512i t1 = _mm512_loadu_si512(table + 64);
    const __m512i t2 = _mm512_loadu_si512(table + 128);
    const __m512i t3 = _mm512_loadu_si512(table + 192);
    size_t done = 0;
    for (; done + 64 <= count; done += 64) {
        const __m512i v = _mm512_loadu_si512(p + done);
        const __m512i low = _mm512_permutex2var_epi8(t0, v, t1);  // entries 0..127 by the low 7 bits
        const __m512i high = _mm512_permutex2var_epi8(t2, v, t3); // entries 128..255
        _mm512_storeu_si512(p + done, _mm512_mask_blend_epi8(_mm512_movepi8_mask(v), low, high));
    }
    for (; done < count; ++done)
        p[done] = table[p[done]];
}

int GreyFromChannel(uint8_t* p, int pixels, int channel) {
    int done = 0;
    for (; done + kGroup <= pixels; done += kGroup) {
        uint8_t* at = p + 3 * done;
        Store(at, Spread(Channel(Load(at), channel)));
    }
    return done;
}

int GreyFromMean(uint8_t* p, int pixels) {
    const __m512i third = _mm512_set1_epi16(21846); // sum * 21846 / 65536 = sum div 3 up to 765
    int done = 0;
    for (; done + kGroup <= pixels; done += kGroup) {
        uint8_t* at = p + 3 * done;
        const Sums s = ChannelSums(Load(at));
        Store(at, Spread(Narrow(_mm512_mulhi_epu16(s.low, third), _mm512_mulhi_epu16(s.high, third))));
    }
    return done;
}

int BlackAndWhite(uint8_t* p, int pixels) {
    const __m512i threshold = _mm512_set1_epi16(387);
    int done = 0;
    for (; done + kGroup <= pixels; done += kGroup) {
        uint8_t* at = p + 3 * done;
        const Sums s = ChannelSums(Load(at));
        const uint64_t white = static_cast<uint64_t>(_mm512_cmpge_epu16_mask(s.low, threshold)) |
                               static_cast<uint64_t>(_mm512_cmpge_epu16_mask(s.high, threshold)) << 32;
        Store(at, Spread(_mm512_movm_epi8(white)));
    }
    return done;
}

int PredatorVision(uint8_t* p, int pixels) {
    int done = 0;
    for (; done + kGroup <= pixels; done += kGroup) {
        uint8_t* at = p + 3 * done;
        const Group g = Load(at);
        Store(at, Spread(_mm512_and_si512(Channel(g, 1), Channel(g, 2))));
    }
    return done;
}

int Blots(uint8_t* p, int pixels) {
    int done = 0;
    for (; done + kGroup <= pixels; done += kGroup) {
        uint8_t* at = p + 3 * done;
        const Group here = Load(at);
        // The right neighbours, one pixel further on; the last is the next group's first
        // pixel, still unchanged.
        const Group right = Load(at + 3);
        const __m512i b = _mm512_add_epi8(Channel(here, 0), Channel(right, 0));
        const __m512i g = _mm512_add_epi8(Channel(here, 1), Channel(right, 1));
        const __m512i r = _mm512_add_epi8(Channel(here, 2), Channel(right, 2));
        const __m512i newB = _mm512_sub_epi8(b, g);
        const __m512i newG = _mm512_sub_epi8(g, r);
        const __m512i newR = _mm512_sub_epi8(r, newB);
        Store(at, Interleave(newB, newG, newR));
    }
    return done;
}

void ReversePixels(uint8_t* to, const uint8_t* from, int pixels) {
    const Indexes& x = Index();
    int done = 0;
    for (; done + kGroup <= pixels; done += kGroup) {
        const Group source = Load(from + 3 * (pixels - done - kGroup));
        Store(to + 3 * done,
              {Gather(source, x.reverse[0]), Gather(source, x.reverse[1]), Gather(source, x.reverse[2])});
    }
    for (; done < pixels; ++done)
        __builtin_memcpy(to + 3 * done, from + 3 * (pixels - 1 - done), 3);
}

// A kernel over whole groups, then the plain loop over the pixels left.
// Background keying: the bytes near the key straight into mask registers, the pixels whose
// three bytes are all near found on the 192-bit mask, and the keyed bytes blended in.
inline __mmask64 NearKey(__m512i v, __m512i key) {
    const __m512i difference = _mm512_or_si512(_mm512_subs_epu8(v, key), _mm512_subs_epu8(key, v));
    return _mm512_cmple_epu8_mask(difference, _mm512_set1_epi8(kKeyTolerance));
}

inline Group Repeat(const uint8_t value[3]) {
    alignas(64) uint8_t bytes[3 * kGroup];
    for (int k = 0; k < 3 * kGroup; ++k)
        bytes[k] = value[k % 3];
    return Load(bytes);
}

template <typename With> int KeyGroups(uint8_t* row, int x0, int x1, const uint8_t key[3], With with) {
    const Group k = Repeat(key);
    for (; x0 + kGroup <= x1; x0 += kGroup) {
        uint8_t* at = row + 3 * x0;
        const Group v = Load(at);
        const rows::ByteBits<3> keyed =
            rows::WholePixels<3>({{NearKey(v.r0, k.r0), NearKey(v.r1, k.r1), NearKey(v.r2, k.r2)}});
        if ((keyed.w[0] | keyed.w[1] | keyed.w[2]) == 0)
            continue;
        const Group w = with(x0);
        Store(at,
              {_mm512_mask_blend_epi8(keyed.w[0], v.r0, w.r0), _mm512_mask_blend_epi8(keyed.w[1], v.r1, w.r1),
               _mm512_mask_blend_epi8(keyed.w[2], v.r2, w.r2)});
    }
    return x0;
}

void KeyToRow(uint8_t* row, const uint8_t* with, int x0, int x1, const uint8_t key[3]) {
    x0 = KeyGroups(row, x0, x1, key, [with](int x) { return Load(with + 3 * x); });
    rows::KeyToRow(row, with, x0, x1, key);
}

void KeyToColour(uint8_t* row, int x0, int x1, const uint8_t key[3], const uint8_t colour[3]) {
    const Group c = Repeat(colour);
    x0 = KeyGroups(row, x0, x1, key, [&c](int) { return c; });
    rows::KeyToColour(row, x0, x1, key, colour);
}

template <int (*Kernel)(uint8_t*, int), void (*Rest)(uint8_t*, int, int)>
void Row(uint8_t* row, int x0, int x1) {
    if (x1 > x0)
        x0 += Kernel(row + 3 * x0, x1 - x0);
    Rest(row, x0, x1);
}

void GreyFromChannelRow(uint8_t* row, int x0, int x1, int channel) {
    if (x1 > x0)
        x0 += GreyFromChannel(row + 3 * x0, x1 - x0, channel);
    rows::GreyFromChannel(row, x0, x1, channel);
}

} // namespace

const TRowKernels* Avx512RowKernels() {
    static const TRowKernels kernels = [] {
        TRowKernels k = *Avx2RowKernels();
        k.level = TSimdLevel::Avx512;
        k.mapBytes = MapBytes;
        k.greyFromChannel = GreyFromChannelRow;
        k.greyFromMean = Row<GreyFromMean, rows::GreyFromMean>;
        k.blackAndWhite = Row<BlackAndWhite, rows::BlackAndWhite>;
        k.predatorVision = Row<PredatorVision, rows::PredatorVision>;
        k.blots = Row<Blots, rows::Blots>;
        k.keyToRow = KeyToRow;
        k.keyToColour = KeyToColour;
        // The mirror keeps the AVX2 level's reversal, which measured faster; the copying
        // mirrors take whole 64-pixel groups.
        k.brokenMirror = rows::BrokenMirror<ReversePixels>;
        k.brokenMirror2 = rows::BrokenMirror2<ReversePixels>;
        return k;
    }();
    return &kernels;
}

#else

const TRowKernels* Avx512RowKernels() {
    return nullptr;
}

#endif
