#include "platform/runtime/LatencyStats.h"

#include <gtest/gtest.h>

namespace {

// Nearest rank over the kept values, of which the ring holds only the most recent.
TEST(LatencyStats, GiveTheMedianAndP99OfTheMostRecent) {
    LatencyStats stats(100);
    EXPECT_EQ(stats.Read().count, 0u);
    EXPECT_EQ(stats.Read().p99, 0);
    for (int64_t k = 1000; k > 900; --k) // pushed out by the hundred below
        stats.Add(k);
    for (int64_t k = 100; k >= 1; --k)
        stats.Add(k);
    const LatencyStats::Summary summary = stats.Read();
    EXPECT_EQ(summary.count, 100u);
    EXPECT_EQ(summary.median, 50);
    EXPECT_EQ(summary.p99, 99);
    LatencyStats one(8);
    one.Add(7);
    EXPECT_EQ(one.Read().median, 7);
    EXPECT_EQ(one.Read().p99, 7);
}

} // namespace
