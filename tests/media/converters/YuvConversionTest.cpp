#include "platform/media/converters/ColourConversion.h"
#include "platform/media/converters/YuvPlanes.h"
#include "tests/support/SimdLevelScope.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

enum class Format { Yuy2, Uyvy, Nv12, I420 };
constexpr Format kFormats[] = {Format::Yuy2, Format::Uyvy, Format::Nv12, Format::I420};
constexpr TYuvEncoding kEncodings[] = {{TYuvMatrix::Bt601, TYuvRange::Limited},
                                       {TYuvMatrix::Bt601, TYuvRange::Full},
                                       {TYuvMatrix::Bt709, TYuvRange::Limited},
                                       {TYuvMatrix::Bt709, TYuvRange::Full}};

const char* Name(Format format) {
    constexpr const char* kNames[] = {"YUY2", "UYVY", "NV12", "I420"};
    return kNames[static_cast<int>(format)];
}

bool Packed(Format format) {
    return format == Format::Yuy2 || format == Format::Uyvy;
}

// The tightest stride of a row (of the luma plane, for 4:2:0) and the bytes of a picture.
int TightStride(Format format, int width) {
    return Packed(format) ? (width + 1) / 2 * 4 : width;
}

size_t SourceSize(Format format, int stride, int height) {
    if (Packed(format))
        return static_cast<size_t>(stride) * height;
    return (format == Format::Nv12 ? Nv12Planes(stride, height) : I420Planes(stride, height)).size;
}

// The picture converted; the target starts out filled with 0xA5, so padding left alone shows.
std::vector<uint8_t> Converted(Format format, const std::vector<uint8_t>& source, int stride, int width,
                               int height, TYuvEncoding encoding = {}) {
    std::vector<uint8_t> target(static_cast<size_t>(Rgb24Stride(width)) * height, 0xA5);
    using Convert = void (*)(const uint8_t*, int, int, int, uint8_t*, TYuvEncoding);
    constexpr Convert kConverts[] = {Yuy2ToRgb24, UyvyToRgb24, Nv12ToRgb24, I420ToRgb24};
    kConverts[static_cast<int>(format)](source.data(), stride, width, height, target.data(), encoding);
    return target;
}

std::vector<uint8_t> NoisyBytes(size_t size) {
    std::vector<uint8_t> bytes(size);
    uint32_t state = 1234;
    for (uint8_t& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<uint8_t>(state >> 24);
    }
    return bytes;
}

class YuvLevels : public ::testing::TestWithParam<TSimdLevel> {};

// Widths around the blocks of 16, 32 and 64 pixels, odd heights (4:2:0's last chroma row serves
// one row only), tight and padded strides; random bytes reach every clamp and both signs.
TEST_P(YuvLevels, GiveTheScalarBytes) {
    const TSimdLevel level = GetParam();
    SimdLevelScope restore;
    if (SetSimdLevel(level) != level)
        GTEST_SKIP() << "this processor has no " << SimdLevelName(level);
    for (const Format format : kFormats)
        for (const int width : {1, 2, 3, 15, 16, 17, 31, 33, 63, 65, 127, 129, 1920})
            for (const int height : {1, 2, 5})
                for (const int padding : {0, 13}) {
                    const int stride = TightStride(format, width) + padding;
                    const std::vector<uint8_t> source = NoisyBytes(SourceSize(format, stride, height));
                    for (const TYuvEncoding encoding : kEncodings) {
                        SetSimdLevel(TSimdLevel::Scalar);
                        const std::vector<uint8_t> scalar =
                            Converted(format, source, stride, width, height, encoding);
                        SetSimdLevel(level);
                        ASSERT_EQ(Converted(format, source, stride, width, height, encoding), scalar)
                            << Name(format) << " " << width << "x" << height << " stride " << stride
                            << " matrix " << static_cast<int>(encoding.matrix) << " range "
                            << static_cast<int>(encoding.range);
                    }
                }
}

INSTANTIATE_TEST_SUITE_P(EveryLevel, YuvLevels,
                         ::testing::Values(TSimdLevel::Sse2, TSimdLevel::Avx2, TSimdLevel::Avx512),
                         [](const auto& info) { return std::string(SimdLevelName(info.param)); });

struct Bgr {
    int b, g, r;
};

void ExpectNear(const uint8_t* p, Bgr expected, int tolerance, const std::string& what) {
    EXPECT_LE(std::abs(p[0] - expected.b), tolerance) << what << " blue " << int(p[0]);
    EXPECT_LE(std::abs(p[1] - expected.g), tolerance) << what << " green " << int(p[1]);
    EXPECT_LE(std::abs(p[2] - expected.r), tolerance) << what << " red " << int(p[2]);
}

// Black and white come out exact; red and an orange the YUV of that matrix and range encodes
// (rounded to whole codes, so within 2), which the other matrices and ranges miss by 9 or more.
TEST(YuvColours, ComeOutRightInEachMatrixAndRange) {
    struct Case {
        TYuvEncoding encoding;
        int y, u, v;
        Bgr expected;
        int tolerance;
    };
    const Case cases[] = {
        {kEncodings[0], 16, 128, 128, {0, 0, 0}, 0},   {kEncodings[0], 235, 128, 128, {255, 255, 255}, 0},
        {kEncodings[0], 81, 90, 240, {0, 0, 255}, 2},  {kEncodings[0], 123, 91, 175, {50, 100, 200}, 2},
        {kEncodings[1], 0, 128, 128, {0, 0, 0}, 0},    {kEncodings[1], 255, 128, 128, {255, 255, 255}, 0},
        {kEncodings[1], 76, 85, 255, {0, 0, 255}, 2},  {kEncodings[1], 124, 86, 182, {50, 100, 200}, 2},
        {kEncodings[2], 16, 128, 128, {0, 0, 0}, 0},   {kEncodings[2], 235, 128, 128, {255, 255, 255}, 0},
        {kEncodings[2], 63, 102, 240, {0, 0, 255}, 2}, {kEncodings[2], 117, 96, 174, {50, 100, 200}, 2},
        {kEncodings[3], 0, 128, 128, {0, 0, 0}, 0},    {kEncodings[3], 255, 128, 128, {255, 255, 255}, 0},
        {kEncodings[3], 54, 99, 255, {0, 0, 255}, 2},  {kEncodings[3], 118, 92, 180, {50, 100, 200}, 2},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> yuy2 = {static_cast<uint8_t>(c.y), static_cast<uint8_t>(c.u),
                                           static_cast<uint8_t>(c.y), static_cast<uint8_t>(c.v)};
        const std::vector<uint8_t> target = Converted(Format::Yuy2, yuy2, 4, 2, 1, c.encoding);
        const std::string what = "matrix " + std::to_string(static_cast<int>(c.encoding.matrix)) + " range " +
                                 std::to_string(static_cast<int>(c.encoding.range)) + " Y " +
                                 std::to_string(c.y);
        ExpectNear(&target[0], c.expected, c.tolerance, what);
        ExpectNear(&target[3], c.expected, c.tolerance, what);
    }
}

// A 3x3 picture with padded rows: each chroma sample colours a 2x2 block, the right column and
// the bottom row take the last sample of theirs, and the rows come out bottom-up.
TEST(YuvPlanes, EachChromaSampleColoursItsBlockUpToOddEdges) {
    struct Yuv {
        uint8_t y, u, v;
        Bgr bgr;
    };
    const Yuv red{81, 90, 240, {0, 0, 255}}, blue{41, 240, 110, {255, 0, 0}}, green{145, 54, 34, {0, 255, 0}},
        white{235, 128, 128, {255, 255, 255}};
    const Yuv blocks[2][2] = {{red, blue}, {green, white}}; // [block row][block column]
    constexpr int kSide = 3;
    constexpr int kStride = 6;
    for (const Format format : {Format::Nv12, Format::I420}) {
        const TPlanes420 planes =
            format == Format::Nv12 ? Nv12Planes(kStride, kSide) : I420Planes(kStride, kSide);
        std::vector<uint8_t> source(planes.size, 0);
        const size_t step = format == Format::Nv12 ? 2 : 1;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
                source[y * kStride + x] = blocks[y / 2][x / 2].y;
        for (int row = 0; row < 2; ++row)
            for (int column = 0; column < 2; ++column) {
                const size_t at = row * planes.chromaStride + column * step;
                source[planes.uOffset + at] = blocks[row][column].u;
                source[planes.vOffset + at] = blocks[row][column].v;
            }
        const std::vector<uint8_t> target = Converted(format, source, kStride, kSide, kSide);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
                ExpectNear(&target[(kSide - 1 - y) * Rgb24Stride(kSide) + 3 * x], blocks[y / 2][x / 2].bgr, 2,
                           std::string(Name(format)) + " x " + std::to_string(x) + " y " + std::to_string(y));
    }
}

} // namespace
