#include "EffectTestSupport.h"

#include "effects/ChannelTables.h"
#include "effects/EffectSelection.h"
#include "effects/FramePass.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

using enum TEffectItem;

uint8_t MapChannel(TEffectItem item, uint8_t v) {
    TestFrame frame(4, 1);
    frame.Fill({v, v, v});
    RunEffect(frame, item);
    const Pixel p = frame.At(1, 0);
    EXPECT_TRUE(p.b == p.g && p.g == p.r) << "channels map independently";
    return p.b;
}

TEST(ChannelRounding, HalvesGoToEvenAndResultsWrap) {
    EXPECT_EQ(LowByteOfRounded(10.5), 10);
    EXPECT_EQ(LowByteOfRounded(11.5), 12);
    EXPECT_EQ(LowByteOfRounded(-193.0), 63);
    EXPECT_EQ(LowByteOfRounded(397.2), 141);
    EXPECT_EQ(LowByteOfRounded(1e19), static_cast<uint8_t>(0)) << "1e19 is a multiple of 256";
    EXPECT_EQ(LowByteOfRounded(-1e19 - 2048.0 * 3), static_cast<uint8_t>(0));
}

TEST(ChannelDistortions, SineCosineTangentValues) {
    const std::pair<int, int> sine[] = {{0, 0}, {1, 215}, {3, 36}, {4, 63}};
    for (auto [in, out] : sine)
        EXPECT_EQ(MapChannel(Odksztaceniesinusoidalne1, static_cast<uint8_t>(in)), out) << "sin " << in;
    const std::pair<int, int> cosine[] = {{0, 255}, {1, 138}, {3, 4}};
    for (auto [in, out] : cosine)
        EXPECT_EQ(MapChannel(Odksztaceniecosinusoidalne1, static_cast<uint8_t>(in)), out) << "cos " << in;
    const std::pair<int, int> tangent[] = {{0, 0}, {1, 141}, {2, 211}, {11, 239}};
    for (auto [in, out] : tangent)
        EXPECT_EQ(MapChannel(Odksztacenietangensoidalne1, static_cast<uint8_t>(in)), out) << "tan " << in;
}

class FractalDistortion : public ::testing::Test {
protected:
    // The change the effect makes to a zero pixel at (x, y).
    Pixel AddendAt(int x, int y) {
        TestFrame frame(x + 3, y + 1);
        frame.Fill({});
        RunEffect(frame, Odksztaceniefraktalne1);
        return frame.At(x, y);
    }
};

TEST_F(FractalDistortion, RowZeroAddsTheByteOffsetToRedOnly) {
    EXPECT_EQ(AddendAt(1, 0), (Pixel{0, 0, 3}));
    EXPECT_EQ(AddendAt(90, 0), (Pixel{0, 0, 270 % 256}));
}

TEST_F(FractalDistortion, ExampleRows) {
    EXPECT_EQ(AddendAt(1, 50), (Pixel{1, 1, 205}));
    EXPECT_EQ(AddendAt(2, 175), (Pixel{10, 10, 87})) << "10.5 rounds to the even 10";
}

TEST_F(FractalDistortion, SumsWrapModulo256) {
    TestFrame frame(4, 51);
    frame.Fill({255, 255, 255});
    RunEffect(frame, Odksztaceniefraktalne1);
    EXPECT_EQ(frame.At(1, 50), (Pixel{0, 0, 204}));
}

TEST(HiddenTangentPatterns, UseTheByteOffsetAndWrap) {
    TestFrame frame(7, 3);
    frame.Fill({0, 100, 255});
    RunEffect(frame, Wzorytangensoidalne1);
    for (int x = 1; x <= 4; ++x)
        EXPECT_EQ(frame.At(x, 0), (Pixel{0, 100, 255})) << "row 0: tan 0 = 0";
    for (int x = 1; x <= 3; ++x)
        EXPECT_EQ(frame.At(x, 1), (Pixel{0, 100, 255})) << "row 1, x " << x;
    EXPECT_EQ(frame.At(4, 1), (Pixel{255, 99, 254})) << "tan 12 rounds to -1";
}

TEST(HiddenTangentPatterns, TableFollowsAChangeOfFrameSize) {
    TEffectSelection selection;
    selection.Select(Wzorytangensoidalne1);
    TRandomGenerator random;
    TFramePass pass(selection, random);
    TestFrame small(7, 3);
    small.Fill({});
    pass.Run(small.bitmap);
    TestFrame large(40, 30);
    large.Fill({});
    pass.Run(large.bitmap);
    const uint8_t expected = LowByteOfRounded(std::tan(29.0 * 3 * 37));
    EXPECT_EQ(large.At(37, 29).b, expected);
}

} // namespace
