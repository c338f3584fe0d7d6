#include "platform/runtime/SimdLevel.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>

namespace {

constexpr std::array<std::string_view, 4> kNames{"scalar", "sse2", "avx2", "avx512"};

TSimdLevel DetectLevel() {
#if defined(__x86_64__) && defined(__GNUC__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi"))
        return TSimdLevel::Avx512;
    if (__builtin_cpu_supports("avx2"))
        return TSimdLevel::Avx2;
    return TSimdLevel::Sse2;
#else
    return TSimdLevel::Scalar;
#endif
}

TSimdLevel StartLevel() {
    TSimdLevel level = ProcessorSimdLevel();
    if (const char* cap = std::getenv("TARNOLIX_SIMD"))
        if (const auto capped = ParseSimdLevel(cap))
            level = std::min(level, *capped);
    return level;
}

std::atomic<TSimdLevel>& Active() {
    static std::atomic<TSimdLevel> level{StartLevel()};
    return level;
}

} // namespace

TSimdLevel ProcessorSimdLevel() {
    static const TSimdLevel level = DetectLevel();
    return level;
}

TSimdLevel ActiveSimdLevel() {
    return Active().load(std::memory_order_relaxed);
}

TSimdLevel SetSimdLevel(TSimdLevel level) {
    level = std::min(level, ProcessorSimdLevel());
    Active().store(level, std::memory_order_relaxed);
    return level;
}

std::string_view SimdLevelName(TSimdLevel level) {
    return kNames[static_cast<size_t>(level)];
}

std::optional<TSimdLevel> ParseSimdLevel(std::string_view name) {
    for (size_t k = 0; k < kNames.size(); ++k)
        if (kNames[k] == name)
            return static_cast<TSimdLevel>(k);
    return std::nullopt;
}
