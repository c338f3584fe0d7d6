#include "effects/RandomGenerator.h"

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

TEST(RandomGenerator, BatchedDrawsMatchSingleDraws) {
    for (size_t count : {0u, 1u, 15u, 16u, 17u, 100u, 5757u}) {
        for (uint32_t n : {25u, 55u, 256u}) {
            TRandomGenerator batched(0xDEADBEEF);
            TRandomGenerator single(0xDEADBEEF);
            std::vector<uint8_t> draws(count);
            batched.DrawBytes(n, draws.data(), count);
            for (size_t k = 0; k < count; ++k)
                ASSERT_EQ(draws[k], single.Next(n)) << "draw " << k << " of " << count;
            EXPECT_EQ(batched.Seed(), single.Seed());
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
