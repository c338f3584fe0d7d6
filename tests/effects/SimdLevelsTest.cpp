#include "EffectTestSupport.h"

#include "effects/EffectSelection.h"
#include "effects/FramePass.h"
#include "effects/KeyedBackground.h"
#include "effects/SimdLevel.h"
#include "tests/support/SimdLevelScope.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

TestFrame NoisyFrame(int width, int height, bool topDown) {
    TestFrame frame(width, height, topDown);
    uint32_t state = 2024;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            frame.Set(x, y,
                      {static_cast<uint8_t>(state >> 24), static_cast<uint8_t>(state >> 16),
                       static_cast<uint8_t>(state >> 8)});
        }
    return frame;
}

TestFrame Processed(TSimdLevel level, TEffectItem item, int width, int height, bool topDown) {
    SetSimdLevel(level);
    TestFrame frame = NoisyFrame(width, height, topDown);
    TRandomGenerator random(5);
    RunEffect(frame, item, &random);
    return frame;
}

using LevelCase = std::tuple<TSimdLevel, TEffectInfo>;

class SimdLevels : public ::testing::TestWithParam<LevelCase> {};

TEST_P(SimdLevels, GiveTheScalarLoopsBytes) {
    const auto [level, info] = GetParam();
    SimdLevelScope restore;
    if (SetSimdLevel(level) != level)
        GTEST_SKIP() << "this processor has no " << SimdLevelName(level);
    // Widths below and around the kernels' groups of 5, 16 and 64 pixels; eighteen rows, so
    // that the row-dependent effects meet rows with several low bits set.
    constexpr int kHeight = 18;
    for (bool topDown : {false, true})
        for (int width : {4, 5, 6, 7, 33, 65, 1921}) {
            const TestFrame fast = Processed(level, info.item, width, kHeight, topDown);
            const TestFrame scalar = Processed(TSimdLevel::Scalar, info.item, width, kHeight, topDown);
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < width; ++x)
                    ASSERT_EQ(fast.At(x, y), scalar.At(x, y)) << "W " << width << " x " << x << " y " << y
                                                              << (topDown ? " top-down" : " bottom-up");
        }
}

INSTANTIATE_TEST_SUITE_P(EveryEffect, SimdLevels,
                         ::testing::Combine(::testing::Values(TSimdLevel::Sse2, TSimdLevel::Avx2,
                                                              TSimdLevel::Avx512),
                                            ::testing::ValuesIn(EffectCatalogue())),
                         [](const auto& info) {
                             std::string name(SimdLevelName(std::get<0>(info.param)));
                             name += '_';
                             name += std::get<1>(info.param).name;
                             return name;
                         });

// Keying against a background narrower and shorter than the frame, on noise (groups partly
// keyed), on a row near the key (all keyed) and on one far from it (none).
TestFrame Keyed(TSimdLevel level, int width, int height) {
    SetSimdLevel(level);
    TestFrame frame = NoisyFrame(width, height, false);
    for (int x = 0; x < width; ++x) {
        frame.Set(x, 2, {static_cast<uint8_t>(180 - x % 7), 128, static_cast<uint8_t>(30 + x % 5)});
        frame.Set(x, 3, {0, 0, 255});
    }
    TestFrame background = NoisyFrame(width > 9 ? width - 9 : width, height - 5, true);
    TKeyedBackground keying;
    keying.SetKeyColour({180, 128, 30});
    keying.SetBackground(&background.bitmap);
    TEffectSelection selection;
    selection.Select(TEffectItem::Nakadanieta1);
    TRandomGenerator random(5);
    TFramePass pass(selection, random);
    pass.SetKeying(&keying);
    pass.Run(frame.bitmap);
    return frame;
}

TEST(SimdLevels, KeyLikeTheScalarLoops) {
    SimdLevelScope restore;
    constexpr int kHeight = 9;
    for (TSimdLevel level : {TSimdLevel::Sse2, TSimdLevel::Avx2, TSimdLevel::Avx512}) {
        if (SetSimdLevel(level) != level)
            continue;
        for (int width : {4, 19, 35, 67, 200, 1921}) {
            const TestFrame fast = Keyed(level, width, kHeight);
            const TestFrame scalar = Keyed(TSimdLevel::Scalar, width, kHeight);
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < width; ++x)
                    ASSERT_EQ(fast.At(x, y), scalar.At(x, y))
                        << SimdLevelName(level) << " W " << width << " x " << x << " y " << y;
        }
    }
}

TEST(SimdLevel, NamesParseBackAndOthersDoNot) {
    for (TSimdLevel level : {TSimdLevel::Scalar, TSimdLevel::Sse2, TSimdLevel::Avx2, TSimdLevel::Avx512})
        EXPECT_EQ(ParseSimdLevel(SimdLevelName(level)), level);
    EXPECT_EQ(ParseSimdLevel("AVX2"), std::nullopt);
    EXPECT_EQ(ParseSimdLevel(""), std::nullopt);
}

TEST(SimdLevel, NeverRisesAboveTheProcessor) {
    SimdLevelScope restore;
    EXPECT_EQ(SetSimdLevel(TSimdLevel::Avx512), ProcessorSimdLevel());
    EXPECT_EQ(ActiveSimdLevel(), ProcessorSimdLevel());
    EXPECT_EQ(SetSimdLevel(TSimdLevel::Scalar), TSimdLevel::Scalar);
    EXPECT_EQ(ActiveSimdLevel(), TSimdLevel::Scalar);
}

} // namespace
