#include "EffectTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using enum TEffectItem;

Pixel P(int k) {
    return {static_cast<uint8_t>(k), static_cast<uint8_t>(k + 100), static_cast<uint8_t>(k + 200)};
}

// Runs `item` over a one-row frame p0 ... p(W-1) and returns the resulting pixels' indexes.
std::vector<int> MirrorRow(TEffectItem item, int width) {
    TestFrame frame(width, 1);
    for (int x = 0; x < width; ++x)
        frame.Set(x, 0, P(x));
    RunEffect(frame, item);
    std::vector<int> result;
    for (int x = 0; x < width; ++x) {
        const Pixel p = frame.At(x, 0);
        EXPECT_EQ(p, P(p.b)) << "channels move together";
        result.push_back(p.b);
    }
    return result;
}

TEST(MirrorEffects, MirrorReversesTheInnerColumns) {
    EXPECT_EQ(MirrorRow(Lustrzaneodbiciepoziome1, 8), (std::vector{0, 6, 5, 4, 3, 2, 1, 7}));
    EXPECT_EQ(MirrorRow(Lustrzaneodbiciepoziome1, 7), (std::vector{0, 5, 4, 3, 2, 1, 6}));
}

TEST(MirrorEffects, BrokenMirrorsCopyOneHalfOntoTheOther) {
    EXPECT_EQ(MirrorRow(Zamanelustro1, 8), (std::vector{0, 6, 5, 4, 4, 5, 6, 7}));
    EXPECT_EQ(MirrorRow(Zamanelustro21, 8), (std::vector{0, 1, 2, 3, 3, 2, 1, 7}));
    EXPECT_EQ(MirrorRow(Zamanelustro1, 7), (std::vector{0, 5, 4, 3, 4, 5, 6}));
    EXPECT_EQ(MirrorRow(Zamanelustro21, 7), (std::vector{0, 1, 2, 3, 2, 1, 6}));
}

TEST(MirrorEffects, WideRowsMatchTheirResultRules) {
    for (int width : {9, 10, 33, 64}) {
        const auto mirror = MirrorRow(Lustrzaneodbiciepoziome1, width);
        const auto broken = MirrorRow(Zamanelustro1, width);
        const auto broken2 = MirrorRow(Zamanelustro21, width);
        for (int x = 0; x < width; ++x) {
            const int partner = width - 1 - x;
            const bool inner = x >= 1 && x <= width - 2;
            EXPECT_EQ(mirror[x], inner ? partner : x) << "W " << width << " x " << x;
            EXPECT_EQ(broken[x], (x >= 1 && x < partner) ? partner : x) << "W " << width << " x " << x;
            const int source = width - 1 - x;
            EXPECT_EQ(broken2[x], (source >= 1 && source < x) ? source : x) << "W " << width << " x " << x;
        }
    }
}

uint8_t AveragedBlue(int width, Pixel fill) {
    TestFrame frame(width, 1);
    frame.Fill(fill);
    RunEffect(frame, Urednianiepoziome1);
    return frame.At(1, 0).b;
}

TEST(HorizontalAveraging, DividesByWidthLessSix) {
    EXPECT_EQ(AveragedBlue(320, {100, 0, 0}), 100);
    EXPECT_EQ(AveragedBlue(320, {255, 255, 255}), 128) << "257 keeps its low byte, 1";
    EXPECT_EQ(AveragedBlue(10, {100, 0, 0}), 137);
}

TEST(HorizontalAveraging, SumsAreTakenBeforeTheRowChanges) {
    TestFrame frame(10, 1);
    frame.Fill({100, 100, 100});
    frame.Set(7, 0, {0, 0, 0}); // visited columns 1..7: sum 600, mean 600 div 4 = 150
    RunEffect(frame, Urednianiepoziome1);
    EXPECT_EQ(frame.At(1, 0), (Pixel{125, 125, 125}));
    EXPECT_EQ(frame.At(7, 0), (Pixel{75, 75, 75}));
}

TEST(HorizontalAveraging, NarrowFramesStayUnchanged) {
    for (int width : {4, 5, 6}) {
        TestFrame frame(width, 2);
        frame.FillPattern();
        TestFrame before(width, 2);
        before.FillPattern();
        RunEffect(frame, Urednianiepoziome1);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < width; ++x)
                EXPECT_EQ(frame.At(x, y), before.At(x, y)) << "W " << width;
    }
}

} // namespace
