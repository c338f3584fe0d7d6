#include "platform/media/converters/MjpegDecoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tests/media/support/JpegEncoding.h"

namespace {

// Compresses a picture whose left half is red and right half blue, with libjpeg itself.
std::vector<uint8_t> EncodeHalves(int width, int height) {
    std::vector<uint8_t> row(3 * width);
    for (int x = 0; x < width; ++x) {
        const bool left = x < width / 2;
        row[3 * x] = left ? 255 : 0;
        row[3 * x + 2] = left ? 0 : 255;
    }
    return EncodeRepeatedRow(row, height, 95);
}

// Removes the Huffman table segments, as many cameras send their frames.
std::vector<uint8_t> WithoutHuffmanTables(const std::vector<uint8_t>& jpeg) {
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA) {
        const size_t length = (jpeg[at + 2] << 8) | jpeg[at + 3];
        if (jpeg[at + 1] != 0xC4)
            out.insert(out.end(), jpeg.begin() + at, jpeg.begin() + at + 2 + length);
        at += 2 + length;
    }
    out.insert(out.end(), jpeg.begin() + at, jpeg.end());
    return out;
}

TEST(MjpegDecoder, DecodesToBottomUpBlueGreenRedRows) {
    const auto jpeg = EncodeHalves(32, 16);
    std::vector<uint8_t> target(16 * 96);
    ASSERT_TRUE(DecodeMjpegToRgb24(jpeg.data(), jpeg.size(), 32, 16, target.data()));
    const uint8_t* left = &target[3 * 2];
    EXPECT_GT(left[2], 200) << "red on the left";
    EXPECT_LT(left[0], 50);
    const uint8_t* right = &target[15 * 96 + 3 * 30];
    EXPECT_GT(right[0], 200) << "blue on the right";
    EXPECT_LT(right[2], 50);
}

TEST(MjpegDecoder, FramesWithoutHuffmanTablesUseTheStandardOnes) {
    const auto jpeg = WithoutHuffmanTables(EncodeHalves(32, 16));
    std::vector<uint8_t> target(16 * 96);
    ASSERT_TRUE(DecodeMjpegToRgb24(jpeg.data(), jpeg.size(), 32, 16, target.data()));
    EXPECT_GT(target[3 * 2 + 2], 200);
}

TEST(MjpegDecoder, RefusesGarbageAndFramesOfAnotherSize) {
    const auto jpeg = EncodeHalves(32, 16);
    std::vector<uint8_t> target(16 * 96);
    EXPECT_FALSE(DecodeMjpegToRgb24(jpeg.data(), jpeg.size(), 16, 16, target.data()));
    std::vector<uint8_t> garbage(500, 0x5A);
    EXPECT_FALSE(DecodeMjpegToRgb24(garbage.data(), garbage.size(), 32, 16, target.data()));
    EXPECT_FALSE(DecodeMjpegToRgb24(jpeg.data(), 3, 32, 16, target.data()));
}

TEST(MjpegDecoder, ATruncatedFrameStillGivesAPicture) {
    // libjpeg pads a frame cut short with an end marker; the bottom rows come out grey.
    const auto jpeg = EncodeHalves(256, 128);
    std::vector<uint8_t> target(128 * 768);
    EXPECT_TRUE(DecodeMjpegToRgb24(jpeg.data(), jpeg.size() * 4 / 5, 256, 128, target.data()));
}

} // namespace
