#include "platform/media/sources/TestPattern.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint8_t> Render(int width, int height, uint64_t frame) {
    const int stride = (3 * width + 3) & ~3;
    std::vector<uint8_t> bits(static_cast<size_t>(stride) * height, 0xCD);
    RenderTestPattern(bits.data(), width, height, stride, frame);
    return bits;
}

TEST(TestPattern, SuccessiveFramesDifferAndTheSameFrameRepeatsExactly) {
    const auto a = Render(320, 240, 7);
    const auto b = Render(320, 240, 8);
    const auto again = Render(320, 240, 7);
    EXPECT_NE(a, b);
    EXPECT_EQ(a, again);
}

TEST(TestPattern, BarsRunFromWhiteOnTheLeftToBlackOnTheRight) {
    const int width = 160;
    const int height = 120;
    const int stride = 3 * width;
    const auto bits = Render(width, height, 0);
    const uint8_t* top = bits.data() + (height - 1) * stride; // bottom-up: the last row in memory
    EXPECT_EQ(top[0], 235);
    EXPECT_EQ(top[2], 235);
    const uint8_t* last = top + 3 * (width - 1);
    EXPECT_EQ(last[0], 16);
    EXPECT_EQ(last[1], 16);
    EXPECT_EQ(last[2], 16);
}

TEST(TestPattern, TinyAndOddSizesStayInsideTheirRows) {
    for (auto [width, height] : {std::pair{1, 1}, {2, 3}, {5, 7}, {33, 17}}) {
        const int stride = (3 * width + 3) & ~3;
        std::vector<uint8_t> bits(static_cast<size_t>(stride) * height + 16, 0xAB);
        RenderTestPattern(bits.data(), width, height, stride, 123456);
        for (size_t k = static_cast<size_t>(stride) * height; k < bits.size(); ++k)
            EXPECT_EQ(bits[k], 0xAB) << width << "x" << height;
    }
}

} // namespace
