#pragma once

#include <optional>
#include <string_view>

// The instruction-set levels the effects have row loops for, lowest first. Scalar is the plain
// loops compiled without vectorisation, the reference every other level must match byte for
// byte; SSE2 is the x86-64 baseline.
enum class TSimdLevel { Scalar, Sse2, Avx2, Avx512 };

// The best level this processor runs (AVX-512 needs its byte permutes, VBMI).
TSimdLevel ProcessorSimdLevel();

// The level the effects use now. At start it is the processor's best, capped by the
// environment variable TARNOLIX_SIMD (avx512, avx2, sse2 or scalar); another value is ignored.
TSimdLevel ActiveSimdLevel();
// Makes the effects use `level`, or the processor's best if that is lower; returns the level
// set. Meant for tests and benchmarks, between frame passes.
TSimdLevel SetSimdLevel(TSimdLevel level);

// "scalar", "sse2", "avx2", "avx512".
std::string_view SimdLevelName(TSimdLevel level);
std::optional<TSimdLevel> ParseSimdLevel(std::string_view name);
