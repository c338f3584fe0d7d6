#include "platform/media/converters/ColourConversion.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

struct Bgr {
    int b, g, r;
};

// Within 2 of the expected value: the converters round in fixed point.
void ExpectNear(const uint8_t* p, Bgr expected, const char* what) {
    EXPECT_LE(std::abs(p[0] - expected.b), 2) << what << " blue " << int(p[0]);
    EXPECT_LE(std::abs(p[1] - expected.g), 2) << what << " green " << int(p[1]);
    EXPECT_LE(std::abs(p[2] - expected.r), 2) << what << " red " << int(p[2]);
}

TEST(ColourConversion, Yuy2StudioRangeColoursComeOutRight) {
    // Two rows of two pixels: black and white on top (Y0 U Y1 V), red and red below.
    std::vector<uint8_t> source = {16, 128, 235, 128, 81, 90, 81, 240};
    std::vector<uint8_t> target(2 * Rgb24Stride(2));
    Yuy2ToRgb24(source.data(), 4, 2, 2, target.data());
    const int stride = Rgb24Stride(2);
    // The target is bottom-up: its first row is the picture's bottom row (red, red).
    ExpectNear(&target[0], {0, 0, 255}, "bottom left");
    ExpectNear(&target[3], {0, 0, 255}, "bottom right");
    ExpectNear(&target[stride], {0, 0, 0}, "top left");
    ExpectNear(&target[stride + 3], {255, 255, 255}, "top right");
}

TEST(ColourConversion, UyvyIsTheSamePixelsInAnotherByteOrder) {
    const std::vector<uint8_t> uyvy = {240, 41, 110, 41}; // blue, blue
    std::vector<uint8_t> target(Rgb24Stride(2));
    UyvyToRgb24(uyvy.data(), 4, 2, 1, target.data());
    ExpectNear(&target[0], {255, 0, 0}, "left");
    ExpectNear(&target[3], {255, 0, 0}, "right");
}

TEST(ColourConversion, OddWidthConvertsTheLastPixelToo) {
    const std::vector<uint8_t> yuy2 = {235, 128, 16, 128, 235, 128, 0, 128};
    std::vector<uint8_t> target(Rgb24Stride(3), 7);
    Yuy2ToRgb24(yuy2.data(), 8, 3, 1, target.data());
    ExpectNear(&target[6], {255, 255, 255}, "third pixel");
    EXPECT_EQ(target[9], 7) << "padding untouched";
}

TEST(ColourConversion, Rgb32DropsTheFourthByteAndFlipsTopDownRows) {
    const std::vector<uint8_t> rgb32 = {1, 2, 3, 99, 4, 5, 6, 99}; // one pixel per row, top then bottom
    std::vector<uint8_t> target(2 * Rgb24Stride(1));
    Rgb32ToRgb24(rgb32.data(), 4, 1, 2, true, target.data());
    EXPECT_EQ(target[0], 4) << "bottom row first";
    EXPECT_EQ(target[Rgb24Stride(1) + 2], 3);
    Rgb32ToRgb24(rgb32.data(), 4, 1, 2, false, target.data());
    EXPECT_EQ(target[0], 1);
}

} // namespace
