#include "effects/KeyedBackground.h"

#include "EffectTestSupport.h"
#include "effects/EffectSelection.h"
#include "effects/FramePass.h"

#include <gtest/gtest.h>

namespace {

constexpr Pixel kBlue{255, 0, 0};
constexpr Pixel kRed{0, 0, 255};
constexpr Pixel kWhite{255, 255, 255};

// Runs one pass with the keying item checked and `keying` as the keying source.
void RunKeying(TestFrame& frame, const TKeyedBackground* keying) {
    TEffectSelection selection;
    selection.Select(TEffectItem::Nakadanieta1);
    TRandomGenerator random(1);
    TFramePass pass(selection, random);
    pass.SetKeying(keying);
    pass.Run(frame.bitmap);
}

// A background whose pixel (x, y) has blue x, green y and red 77.
TestFrame NumberedBackground(int width, int height) {
    TestFrame background(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            background.Set(x, y, {static_cast<uint8_t>(x), static_cast<uint8_t>(y), 77});
    return background;
}

TEST(BackgroundKeying, PixelsNearTheKeyColourTakeTheBackgroundAtTheSamePosition) {
    TestFrame frame(6, 3);
    frame.Fill(kBlue);
    frame.Set(2, 1, kRed);
    TestFrame background = NumberedBackground(6, 3);
    TKeyedBackground keying;
    keying.SetKeyColour({0, 0, 255});
    keying.SetBackground(&background.bitmap);
    RunKeying(frame, &keying);
    EXPECT_EQ(frame.At(1, 0), (Pixel{1, 0, 77}));
    EXPECT_EQ(frame.At(3, 2), (Pixel{3, 2, 77}));
    EXPECT_EQ(frame.At(2, 1), kRed) << "a red pixel is far from a blue key";
}

TEST(BackgroundKeying, EachChannelMayDifferByAtMost149) {
    TestFrame frame(8, 1);
    frame.Fill({100, 100, 100});
    frame.Set(1, 0, {0, 0, 0});       // differences 100: replaced
    frame.Set(2, 0, {250, 100, 100}); // blue differs by 150: kept
    frame.Set(3, 0, {100, 250, 100}); // green differs by 150: kept
    frame.Set(4, 0, {100, 100, 250}); // red differs by 150: kept
    frame.Set(5, 0, {249, 249, 249}); // every difference 149: replaced
    TestFrame background(8, 1);
    background.Fill({9, 8, 7});
    TKeyedBackground keying;
    keying.SetKeyColour({100, 100, 100});
    keying.SetBackground(&background.bitmap);
    RunKeying(frame, &keying);
    EXPECT_EQ(frame.At(1, 0), (Pixel{9, 8, 7}));
    EXPECT_EQ(frame.At(2, 0), (Pixel{250, 100, 100}));
    EXPECT_EQ(frame.At(3, 0), (Pixel{100, 250, 100}));
    EXPECT_EQ(frame.At(4, 0), (Pixel{100, 100, 250}));
    EXPECT_EQ(frame.At(5, 0), (Pixel{9, 8, 7}));
}

TEST(BackgroundKeying, BeyondTheBackgroundsEdgesKeyedPixelsTurnWhite) {
    TestFrame frame(8, 4);
    frame.Fill({0, 0, 0});
    TestFrame background = NumberedBackground(3, 2);
    TKeyedBackground keying;
    keying.SetBackground(&background.bitmap);
    RunKeying(frame, &keying);
    EXPECT_EQ(frame.At(2, 1), (Pixel{2, 1, 77}));
    EXPECT_EQ(frame.At(3, 1), kWhite) << "right of the background";
    EXPECT_EQ(frame.At(1, 2), kWhite) << "below the background";
}

TEST(BackgroundKeying, ColumnZeroAndTheLastTwoColumnsAreNeverKeyed) {
    TestFrame frame(5, 2);
    frame.Fill({0, 0, 0});
    TestFrame background(5, 2);
    background.Fill({1, 2, 3});
    TKeyedBackground keying;
    keying.SetBackground(&background.bitmap);
    RunKeying(frame, &keying);
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(frame.At(0, y), (Pixel{0, 0, 0}));
        EXPECT_EQ(frame.At(1, y), (Pixel{1, 2, 3}));
        EXPECT_EQ(frame.At(2, y), (Pixel{1, 2, 3}));
        EXPECT_EQ(frame.At(3, y), (Pixel{0, 0, 0}));
        EXPECT_EQ(frame.At(4, y), (Pixel{0, 0, 0}));
    }
}

TEST(BackgroundKeying, WithoutABackgroundTheItemHasNoEffect) {
    TestFrame frame(6, 2);
    frame.FillPattern();
    TestFrame copy(6, 2);
    copy.FillPattern();
    TKeyedBackground none;
    EXPECT_FALSE(none.Available());
    RunKeying(frame, &none);
    TBitmap empty;
    TKeyedBackground emptyBackground;
    emptyBackground.SetBackground(&empty);
    EXPECT_FALSE(emptyBackground.Available()) << "a background that holds no picture";
    RunKeying(frame, &emptyBackground);
    RunKeying(frame, nullptr);
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(frame.At(x, 1), copy.At(x, 1));
}

TEST(BackgroundKeying, IndexedBackgroundsAreReadByColour) {
    TestFrame frame(5, 1);
    frame.Fill({0, 0, 0});
    TBitmap background;
    background.SetSize(2, 1, TPixelFormat::pf8bit);
    const RGBQUAD colours[] = {{10, 20, 30, 0}, {40, 50, 60, 0}};
    background.SetPalette(colours);
    background.ScanLine(0)[1] = 1;
    TKeyedBackground keying;
    keying.SetBackground(&background);
    RunKeying(frame, &keying);
    EXPECT_EQ(frame.At(1, 0), (Pixel{40, 50, 60}));
    EXPECT_EQ(frame.At(2, 0), kWhite);
}

TEST(BackgroundScaling, LargerPictureShrinksIntoItsTopLeftFrameSizedRegion) {
    TestFrame background = NumberedBackground(64, 48);
    ScaleBackgroundToFrame(background.bitmap, 32, 24);
    EXPECT_EQ(background.Width(), 64) << "the picture keeps its size";
    EXPECT_EQ(background.At(10, 5), (Pixel{20, 10, 77})) << "every other row and column";
    EXPECT_EQ(background.At(31, 23), (Pixel{62, 46, 77}));
    EXPECT_EQ(background.At(40, 30), (Pixel{40, 30, 77})) << "outside the region: unscaled";
}

TEST(BackgroundScaling, SmallerPictureHoldsItsTopLeftQuarterEnlarged) {
    TestFrame background = NumberedBackground(16, 12);
    ScaleBackgroundToFrame(background.bitmap, 32, 24);
    EXPECT_EQ(background.Height(), 12);
    EXPECT_EQ(background.At(0, 0), (Pixel{0, 0, 77}));
    EXPECT_EQ(background.At(1, 1), (Pixel{0, 0, 77}));
    EXPECT_EQ(background.At(15, 11), (Pixel{7, 5, 77}));
}

TEST(BackgroundScaling, EmptyFrameSizeOrSameSizeLeavesThePictureAsItIs) {
    TestFrame background = NumberedBackground(10, 10);
    ScaleBackgroundToFrame(background.bitmap, 0, 0);
    ScaleBackgroundToFrame(background.bitmap, 10, 10);
    EXPECT_EQ(background.At(9, 9), (Pixel{9, 9, 77}));
    TBitmap empty;
    ScaleBackgroundToFrame(empty, 10, 10);
    EXPECT_TRUE(empty.Empty());
}

} // namespace
