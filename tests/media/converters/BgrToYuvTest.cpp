#include "platform/media/converters/BgrToYuv.h"
#include "platform/media/converters/YuvPlanes.h"
#include "platform/media/core/VideoFormat.h"
#include "tests/support/SimdLevelScope.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

enum class Target { Yuyv, I420 };

constexpr TYuvEncoding kEncodings[] = {{TYuvMatrix::Bt601, TYuvRange::Limited},
                                       {TYuvMatrix::Bt601, TYuvRange::Full},
                                       {TYuvMatrix::Bt709, TYuvRange::Limited},
                                       {TYuvMatrix::Bt709, TYuvRange::Full}};

int YuyvStride(int width) {
    return (width + 1) / 2 * 4;
}

// The picture converted; the target starts out filled with 0xA5, so bytes written out of place show.
std::vector<uint8_t> Converted(Target target, const std::vector<uint8_t>& source, int stride, bool bottomUp,
                               int width, int height, TYuvEncoding encoding = {}) {
    if (target == Target::Yuyv) {
        std::vector<uint8_t> out(static_cast<size_t>(YuyvStride(width)) * height, 0xA5);
        Rgb24ToYuyv(source.data(), stride, bottomUp, width, height, out.data(), YuyvStride(width), encoding);
        return out;
    }
    std::vector<uint8_t> out(I420Planes(width, height).size, 0xA5);
    Rgb24ToI420(source.data(), stride, bottomUp, width, height, out.data(), width, encoding);
    return out;
}

// Random bytes, with a quarter of the pixel pairs one corner of the colour cube (pure blue in
// full range is the chroma past 255 that the clamp catches).
std::vector<uint8_t> NoisyPicture(size_t size) {
    std::vector<uint8_t> bytes(size);
    uint32_t state = 4321;
    for (uint8_t& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<uint8_t>(state >> 24);
    }
    for (size_t pair = 0; pair + 6 <= size; pair += 6) {
        state = state * 1664525u + 1013904223u;
        if (state >> 30 == 0)
            for (size_t k = 0; k < 6; ++k)
                bytes[pair + k] = (state >> (16 + k % 3)) & 1 ? 255 : 0;
    }
    return bytes;
}

class BgrToYuvLevels : public ::testing::TestWithParam<TSimdLevel> {};

// Widths around the blocks of 32 and 64 pixels, odd widths and heights, both row orders, every
// encoding.
TEST_P(BgrToYuvLevels, GiveTheScalarBytes) {
    const TSimdLevel level = GetParam();
    SimdLevelScope restore;
    if (SetSimdLevel(level) != level)
        GTEST_SKIP() << "this processor has no " << SimdLevelName(level);
    for (const Target target : {Target::Yuyv, Target::I420})
        for (const int width : {1, 2, 3, 31, 32, 33, 63, 64, 65, 97, 127, 129, 1921})
            for (const int height : {1, 2, 5})
                for (const bool bottomUp : {true, false}) {
                    const int stride = Rgb24Stride(width);
                    const std::vector<uint8_t> source = NoisyPicture(static_cast<size_t>(stride) * height);
                    for (const TYuvEncoding encoding : kEncodings) {
                        SetSimdLevel(TSimdLevel::Scalar);
                        const std::vector<uint8_t> scalar =
                            Converted(target, source, stride, bottomUp, width, height, encoding);
                        SetSimdLevel(level);
                        ASSERT_EQ(Converted(target, source, stride, bottomUp, width, height, encoding),
                                  scalar)
                            << (target == Target::Yuyv ? "YUYV " : "I420 ") << width << "x" << height
                            << (bottomUp ? " bottom-up" : " top-down") << " matrix "
                            << static_cast<int>(encoding.matrix) << " range "
                            << static_cast<int>(encoding.range);
                    }
                }
}

INSTANTIATE_TEST_SUITE_P(EveryLevel, BgrToYuvLevels,
                         ::testing::Values(TSimdLevel::Sse2, TSimdLevel::Avx2, TSimdLevel::Avx512),
                         [](const auto& info) { return std::string(SimdLevelName(info.param)); });

struct Colour {
    const char* name;
    uint8_t b, g, r;
    int y, u, v; // BT.601 limited, rounded from the exact formula
};

// White, black and the colour bars' primaries and secondaries at full intensity; a pair of one
// colour and a 2x2 block of it give the same chroma.
TEST(BgrToYuvColours, GiveBt601LimitedCodes) {
    const Colour colours[] = {
        {"white", 255, 255, 255, 235, 128, 128}, {"black", 0, 0, 0, 16, 128, 128},
        {"red", 0, 0, 255, 81, 90, 240},         {"green", 0, 255, 0, 145, 54, 34},
        {"blue", 255, 0, 0, 41, 240, 110},       {"yellow", 0, 255, 255, 210, 16, 146},
        {"cyan", 255, 255, 0, 170, 166, 16},     {"magenta", 255, 0, 255, 106, 202, 222}};
    for (const Colour& c : colours) {
        const std::vector<uint8_t> source = {c.b, c.g, c.r, c.b, c.g, c.r, 0, 0,
                                             c.b, c.g, c.r, c.b, c.g, c.r, 0, 0};
        const std::vector<uint8_t> yuyv = Converted(Target::Yuyv, source, 8, true, 2, 1);
        EXPECT_EQ(yuyv, (std::vector<uint8_t>{static_cast<uint8_t>(c.y), static_cast<uint8_t>(c.u),
                                              static_cast<uint8_t>(c.y), static_cast<uint8_t>(c.v)}))
            << c.name;
        const std::vector<uint8_t> i420 = Converted(Target::I420, source, 8, true, 2, 2);
        EXPECT_EQ(i420, (std::vector<uint8_t>{static_cast<uint8_t>(c.y), static_cast<uint8_t>(c.y),
                                              static_cast<uint8_t>(c.y), static_cast<uint8_t>(c.y),
                                              static_cast<uint8_t>(c.u), static_cast<uint8_t>(c.v)}))
            << c.name;
    }
}

// Chroma is the rounded mean of the pixels sharing it; rows come out top-down from a bottom-up
// source; an odd last column (and row) is paired with itself.
TEST(BgrToYuvColours, AverageTheirPixelsAndPairTheOddEdgeWithItself) {
    // Three columns, bottom-up: the top row is white, white, red; the bottom row black throughout.
    const int stride = Rgb24Stride(3);
    std::vector<uint8_t> source(static_cast<size_t>(stride) * 2, 0);
    for (int x = 0; x < 3; ++x) {
        uint8_t* top = &source[stride + 3 * x];
        top[0] = x < 2 ? 255 : 0;
        top[1] = x < 2 ? 255 : 0;
        top[2] = 255;
    }
    const std::vector<uint8_t> yuyv = Converted(Target::Yuyv, source, stride, true, 3, 2);
    const std::vector<uint8_t> expected = {
        235, 128, 235, 128, 81, 90,  81, 240,  // white pair, red with itself
        16,  128, 16,  128, 16, 128, 16, 128}; // black
    EXPECT_EQ(yuyv, expected);
    const std::vector<uint8_t> i420 = Converted(Target::I420, source, stride, true, 3, 2);
    // Luma rows, then U and V of the block of two white over two black (mean grey: 128) and of
    // red over black (the mean of a dark red).
    ASSERT_EQ(i420.size(), 6u + 2 + 2);
    EXPECT_EQ(std::vector<uint8_t>(i420.begin(), i420.begin() + 6),
              (std::vector<uint8_t>{235, 235, 81, 16, 16, 16}));
    EXPECT_EQ(i420[6], 128);
    EXPECT_EQ(i420[8], 128);
    EXPECT_EQ(i420[7], 109); // 128 - 0.5 x 37.7: the red's U pulled half-way to grey
    EXPECT_EQ(i420[9], 184); // 128 + 0.5 x 112
}

} // namespace
