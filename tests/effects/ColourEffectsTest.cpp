#include "EffectTestSupport.h"

#include <gtest/gtest.h>

namespace {

using enum TEffectItem;

// Applies `item` to the pixel at column 1 of a 5-pixel row whose right neighbour is `right`.
Pixel Apply(TEffectItem item, Pixel p, Pixel right = {}, int y = 0) {
    TestFrame frame(5, y + 1);
    frame.Fill({});
    frame.Set(1, y, p);
    frame.Set(2, y, right);
    RunEffect(frame, item);
    return frame.At(1, y);
}

uint8_t Invert(uint8_t v) {
    return Apply(Odwrotnokolorw1, {v, v, v}).b;
}

TEST(ColourEffects, NegativeComplementsEachByte) {
    EXPECT_EQ(Apply(Negatyw1, {0, 128, 255}), (Pixel{255, 127, 0}));
}

TEST(ColourEffects, ColourInversionRoundsHalvesToEvenAndWraps) {
    const std::pair<int, int> cases[] = {{0, 0},   {1, 128},   {2, 0},   {3, 192},
                                         {7, 224}, {127, 254}, {254, 0}, {255, 255}};
    for (auto [in, out] : cases)
        EXPECT_EQ(Invert(static_cast<uint8_t>(in)), out) << "value " << in;
    EXPECT_EQ(Apply(Odwrotnokolorw1, {1, 3, 7}), (Pixel{128, 192, 224})) << "channels are independent";
}

TEST(ColourEffects, GreyVariants) {
    EXPECT_EQ(Apply(Odcienieszaroci1, {10, 20, 31}), (Pixel{20, 20, 20}));
    EXPECT_EQ(Apply(Odcienieszaroci1, {255, 255, 255}), (Pixel{255, 255, 255})) << "sum 765 must not wrap";
    EXPECT_EQ(Apply(OdcienieszarociR1, {1, 2, 3}), (Pixel{3, 3, 3}));
    EXPECT_EQ(Apply(OdcienieszarociG1, {1, 2, 3}), (Pixel{2, 2, 2}));
    EXPECT_EQ(Apply(OdcienieszarociB1, {1, 2, 3}), (Pixel{1, 1, 1}));
}

TEST(ColourEffects, BlackAndWhiteThresholdIsAboveMean128) {
    EXPECT_EQ(Apply(Czarnobiay1, {128, 128, 128}), (Pixel{0, 0, 0}));
    EXPECT_EQ(Apply(Czarnobiay1, {129, 129, 129}), (Pixel{255, 255, 255}));
    EXPECT_EQ(Apply(Czarnobiay1, {130, 128, 128}), (Pixel{0, 0, 0})) << "mean 128.67 truncates to 128";
    EXPECT_EQ(Apply(Czarnobiay1, {255, 255, 0}), (Pixel{255, 255, 255}));
}

TEST(ColourEffects, PredatorVisionIsRedAndGreen) {
    EXPECT_EQ(Apply(Wzrokpredatora1, {0, 60, 240}), (Pixel{48, 48, 48}));
    EXPECT_EQ(Apply(Wzrokpredatora1, {255, 60, 240}), (Pixel{48, 48, 48}));
}

TEST(ColourEffects, ContoursCompareMeansWithTheRightNeighbour) {
    EXPECT_EQ(Apply(Kontury1, {100, 100, 100}, {95, 95, 95}), (Pixel{0, 0, 0}));
    EXPECT_EQ(Apply(Kontury1, {100, 100, 100}, {90, 90, 90}), (Pixel{255, 255, 255}));
    EXPECT_EQ(Apply(Kontury1, {90, 90, 90}, {100, 100, 100}), (Pixel{255, 255, 255}));
}

TEST(ColourEffects, ContoursReadTheNeighbourBeforeItIsVisited) {
    // Each pixel compares with the copied value of its right neighbour, not the processed one.
    TestFrame frame(6, 1);
    frame.Fill({100, 100, 100});
    frame.Set(2, 0, {50, 50, 50});
    RunEffect(frame, Kontury1);
    EXPECT_EQ(frame.At(1, 0), (Pixel{255, 255, 255}));
    EXPECT_EQ(frame.At(2, 0), (Pixel{255, 255, 255}));
    EXPECT_EQ(frame.At(3, 0), (Pixel{0, 0, 0}));
}

TEST(ColourEffects, BlotsCombineWithTheRightNeighbourInSixSteps) {
    EXPECT_EQ(Apply(Efektplam1, {10, 20, 30}, {1, 2, 3}), (Pixel{245, 245, 44}));
}

TEST(ColourEffects, SierpinskiMaskTestsTheByteOffset) {
    TestFrame frame(12, 2);
    frame.Fill({10, 20, 30});
    RunEffect(frame, MaskafraktalnaTrjktSierpiskiego1);
    for (int x = 1; x <= 9; ++x) {
        EXPECT_EQ(frame.At(x, 0), (Pixel{245, 235, 225})) << "row 0 is negated entirely, x " << x;
        const Pixel expected = x % 2 == 0 ? Pixel{245, 235, 225} : Pixel{10, 20, 30};
        EXPECT_EQ(frame.At(x, 1), expected) << "row 1, x " << x;
    }
}

} // namespace
