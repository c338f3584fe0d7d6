#include "effects/RandomGenerator.h"
#include "effects/RowKernels.h"
#include "effects/SimdLevel.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(RandomGenerator, FirstDrawsFromKnownSeeds) {
    // seed 0 steps to 1, 134775814, 3698175007, 870078620 (mod 2^32).
    TRandomGenerator random(0);
    EXPECT_EQ(random.Next(100), 0u);
    EXPECT_EQ(random.Seed(), 1u);
    EXPECT_EQ(random.Next(100), 3u);
    EXPECT_EQ(random.Seed(), 134775814u);
    EXPECT_EQ(random.Next(55), 47u);
    EXPECT_EQ(random.Next(25), 5u);
    EXPECT_EQ(random.Seed(), 870078620u);
}

TEST(RandomGenerator, BatchedDrawsMatchSingleDrawsAtEveryLevel) {
    for (TSimdLevel level : {TSimdLevel::Scalar, TSimdLevel::Sse2, TSimdLevel::Avx2, TSimdLevel::Avx512}) {
        if (level > ProcessorSimdLevel())
            continue; // a level this processor lacks
        const TRowKernels* kernels = RowKernelsFor(level);
        if (!kernels)
            continue; // a level this build lacks
        for (size_t count : {0u, 1u, 15u, 16u, 17u, 31u, 32u, 33u, 100u, 5757u}) {
            for (uint32_t n : {1u, 25u, 55u, 255u, 256u}) {
                TRandomGenerator single(0xDEADBEEF);
                std::vector<uint8_t> draws(count);
                const uint32_t seed = kernels->drawBytes(0xDEADBEEF, n, draws.data(), count);
                for (size_t k = 0; k < count; ++k)
                    ASSERT_EQ(draws[k], static_cast<uint8_t>(single.Next(n)))
                        << SimdLevelName(level) << ": draw " << k << " of " << count << " below " << n;
                EXPECT_EQ(seed, single.Seed()) << SimdLevelName(level);
            }
        }
    }
}

TEST(RandomGenerator, SkipStepsAsManyDrawsWould) {
    for (uint64_t count : {0ull, 1ull, 2ull, 3ull, 1000ull, 6220800ull}) {
        TRandomGenerator skipped(77);
        TRandomGenerator drawn(77);
        skipped.Skip(count);
        for (uint64_t k = 0; k < count; ++k)
            drawn.Next(2);
        EXPECT_EQ(skipped.Seed(), drawn.Seed()) << count;
    }
}

TEST(RandomGenerator, TimeOfDaySeedCountsMilliseconds) {
    EXPECT_EQ(TRandomGenerator::TimeOfDaySeed(0, 0, 0, 0), 0u);
    EXPECT_EQ(TRandomGenerator::TimeOfDaySeed(12, 34, 56, 789), 45296789u);
    EXPECT_EQ(TRandomGenerator::TimeOfDaySeed(23, 59, 59, 999), 86399999u);
    EXPECT_LT(TRandomGenerator::CurrentTimeOfDaySeed(), 86400000u);
}

} // namespace
