#pragma once

#include <cstdint>
#include <cstring>

// Hot per-row loops are compiled twice, for AVX2 and for the baseline instruction set, and the
// loader picks the one the processor runs. Sanitizer builds keep the baseline alone, so the
// sanitizer runs of the tests cover the code path that machines without AVX2 take.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__) &&     \
    !defined(__SANITIZE_THREAD__)
#define TARNOLIX_HOT __attribute__((target_clones("avx2", "default")))
#else
#define TARNOLIX_HOT
#endif

// Fixed-width vectors of the compiler's vector extension: the compiler maps them onto whatever
// the target offers (two SSE registers or one AVX2 register for 32 bytes).
using U8x16 = uint8_t __attribute__((vector_size(16)));
using U8x32 = uint8_t __attribute__((vector_size(32)));
using U32x8 = uint32_t __attribute__((vector_size(32)));

template <typename V> inline V LoadUnaligned(const void* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename V> inline void StoreUnaligned(void* p, const V& v) {
    std::memcpy(p, &v, sizeof v);
}

// p[k] := min(255, p[k] + r[k]) for count bytes, sixteen at a time.
inline __attribute__((always_inline)) void AddClampedBytes(uint8_t* p, const uint8_t* r, size_t count) {
    size_t k = 0;
    for (; k + 16 <= count; k += 16) {
        const U8x16 v = LoadUnaligned<U8x16>(p + k);
        U8x16 sum = v + LoadUnaligned<U8x16>(r + k);
        sum |= reinterpret_cast<U8x16>(sum < v); // an overflowed lane becomes 255
        StoreUnaligned(p + k, sum);
    }
    for (; k < count; ++k) {
        const auto sum = static_cast<uint8_t>(p[k] + r[k]);
        p[k] = sum < p[k] ? uint8_t{255} : sum;
    }
}
