#pragma once

#include <optional>
#include <string_view>

// The instruction-set levels the program has kernels for, lowest first. Scalar is the plain
// loops, the reference every other level must match byte for byte; SSE2 is the x86-64 baseline.
// Each library with kernels keeps its own tables per level and asks here which level to use.
enum class TSimdLevel { Scalar, Sse2, Avx2, Avx512 };

// The best level this processor runs (AVX-512 needs its byte permutes, VBMI).
TSimdLevel ProcessorSimdLevel();

// The level the kernels use now. At start it is the processor's best, capped by the
// environment variable TARNOLIX_SIMD (avx512, avx2, sse2 or scalar); another value is ignored.
TSimdLevel ActiveSimdLevel();
// Makes the kernels use `level`, or the processor's best if that is lower; returns the level
// set. Meant for tests and benchmarks, between frames.
TSimdLevel SetSimdLevel(TSimdLevel level);

// "scalar", "sse2", "avx2", "avx512".
std::string_view SimdLevelName(TSimdLevel level);
std::optional<TSimdLevel> ParseSimdLevel(std::string_view name);

// The table of kernels for the active level: `tableFor(level)` gives a level's table, or null
// when the build has none for it (a compiler without that level's target flags), in which case
// the best level below it that the build has is taken. Scalar always has one.
template <class TableFor> auto& ActiveLevelTable(TableFor tableFor) {
    for (int level = static_cast<int>(ActiveSimdLevel()); level > 0; --level)
        if (const auto* table = tableFor(static_cast<TSimdLevel>(level)))
            return *table;
    return *tableFor(TSimdLevel::Scalar);
}
