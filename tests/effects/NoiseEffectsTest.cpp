#include "EffectTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using enum TEffectItem;

TEST(NoiseEffects, ColourNoiseDrawsPerChannelInVisitOrder) {
    TestFrame frame(9, 3);
    frame.FillPattern();
    TestFrame before(9, 3);
    before.FillPattern();
    TRandomGenerator random(777);
    RunEffect(frame, Szumtakolor1, &random);

    TRandomGenerator expected(777);
    for (int y = 0; y < 3; ++y) {
        for (int x = 1; x <= 6; ++x) {
            const Pixel p = before.At(x, y);
            const auto add = [&](uint8_t v) {
                return static_cast<uint8_t>(std::min<uint32_t>(255, v + expected.Next(55)));
            };
            const uint8_t b = add(p.b);
            const uint8_t g = add(p.g);
            const uint8_t r = add(p.r);
            EXPECT_EQ(frame.At(x, y), (Pixel{b, g, r})) << "x " << x << " y " << y;
        }
    }
    EXPECT_EQ(random.Seed(), expected.Seed()) << "one draw per channel of each visited pixel";
}

TEST(NoiseEffects, ColourNoiseClampsAtWhite) {
    TestFrame frame(40, 4);
    frame.Fill({255, 0, 255});
    TRandomGenerator random(1);
    RunEffect(frame, Szumtakolor1, &random);
    bool sawNonZero = false;
    for (int y = 0; y < 4; ++y) {
        for (int x = 1; x <= 37; ++x) {
            const Pixel p = frame.At(x, y);
            EXPECT_EQ(p.b, 255);
            EXPECT_EQ(p.r, 255);
            EXPECT_LE(p.g, 54);
            sawNonZero |= p.g != 0;
        }
    }
    EXPECT_TRUE(sawNonZero);
}

TEST(NoiseEffects, GreyNoiseAddsOneDrawToAllChannels) {
    TestFrame frame(30, 2);
    frame.Fill({10, 20, 30});
    frame.Set(5, 1, {255, 255, 255});
    TRandomGenerator random(99);
    RunEffect(frame, Szumtaszaro1, &random);

    TRandomGenerator expected(99);
    for (int y = 0; y < 2; ++y) {
        for (int x = 1; x <= 27; ++x) {
            const auto r = static_cast<uint8_t>(expected.Next(25));
            const Pixel want = (x == 5 && y == 1)
                                   ? Pixel{255, 255, 255}
                                   : Pixel{static_cast<uint8_t>(10 + r), static_cast<uint8_t>(20 + r),
                                           static_cast<uint8_t>(30 + r)};
            EXPECT_EQ(frame.At(x, y), want) << "x " << x << " y " << y;
        }
    }
    EXPECT_EQ(random.Seed(), expected.Seed());
}

} // namespace
