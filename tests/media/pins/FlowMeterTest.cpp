#include "platform/media/pins/FlowMeter.h"

#include <gtest/gtest.h>

namespace {

TEST(FlowMeter, TakesTheRateFromTheTimeStampsOfTheLastSecond) {
    FlowMeter meter;
    EXPECT_EQ(meter.Rate(), 0.0);
    meter.Count(0);
    EXPECT_EQ(meter.Rate(), 0.0) << "one sample has no rate";
    for (int k = 1; k <= 30; ++k)
        meter.Count(REFERENCE_TIME{k} * 333333);
    EXPECT_EQ(meter.Samples(), 31u);
    EXPECT_NEAR(meter.Rate(), 30.0, 0.01);
}

TEST(FlowMeter, KeepsMeasuringWhenMoreSamplesPassThanItKeeps) {
    FlowMeter meter;
    const size_t count = FlowMeter::kSlots * 3 + 7;
    for (size_t k = 0; k < count; ++k)
        meter.Count(static_cast<REFERENCE_TIME>(k) * 10000); // a thousand a second
    EXPECT_EQ(meter.Samples(), count);
    EXPECT_NEAR(meter.Rate(), 1000.0, 0.5);
}

TEST(FlowMeter, CountsSamplesWithoutTimeStampsByTheirArrival) {
    FlowMeter meter;
    for (int k = 0; k < 5; ++k)
        meter.Count(std::nullopt);
    EXPECT_EQ(meter.Samples(), 5u);
    EXPECT_GE(meter.Rate(), 0.0);
}

} // namespace
