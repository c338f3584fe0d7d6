#include "platform/media/renderers/FrameSlot.h"
#include "platform/media/renderers/VideoRendererWidget.h"

#include "QtTestMain.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

std::vector<uint8_t> Frame(int width, int height, uint8_t top, uint8_t bottom) {
    const int stride = (width * 3 + 3) & ~3;
    std::vector<uint8_t> bytes(static_cast<size_t>(stride) * height);
    for (int row = 0; row < height; ++row) // bottom-up: memory row 0 is the bottom
        std::fill_n(bytes.begin() + row * stride, width * 3, row == 0 ? bottom : top);
    return bytes;
}

TEST(FrameSlot, KeepsOnlyTheNewestFrameAndAsksForOneRepaint) {
    FrameSlot slot;
    const auto first = Frame(4, 2, 10, 20);
    const auto second = Frame(4, 2, 30, 40);
    EXPECT_TRUE(slot.Put(first.data(), 4, 2, 12, 24, true));
    EXPECT_FALSE(slot.Put(second.data(), 4, 2, 12, 24, true)) << "a repaint is already due";
    const QImage& image = slot.Take();
    EXPECT_EQ(image.width(), 4);
    EXPECT_EQ(image.pixelColor(0, 0).blue(), 30) << "top row of the newest frame";
    EXPECT_EQ(image.pixelColor(0, 1).blue(), 40);
    EXPECT_TRUE(slot.Put(first.data(), 4, 2, 12, 24, true)) << "taken, so the next frame asks again";
    EXPECT_EQ(slot.FramesPut(), 3u);
}

TEST(FrameSlot, StreamingAndPaintingThreadsNeverShareAnImage) {
    FrameSlot slot;
    std::atomic<bool> done{false};
    std::thread streaming([&] {
        for (int k = 0; k < 250; ++k) {
            const auto frame = Frame(64, 48, static_cast<uint8_t>(k), static_cast<uint8_t>(k));
            slot.Put(frame.data(), 64, 48, 192, 24, true);
        }
        done = true;
    });
    int lastSeen = -1;
    while (!done) {
        const QImage& image = slot.Take();
        if (!image.isNull()) {
            const int value = image.pixelColor(5, 5).red();
            EXPECT_EQ(image.pixelColor(63, 47).red(), value) << "a frame is never torn";
            EXPECT_GE(value, lastSeen);
            lastSeen = value;
        }
    }
    streaming.join();
    EXPECT_EQ(slot.Take().pixelColor(0, 0).red(), 249);
}

TEST(FrameSlot, SamplesFramesDownToTheShownSizeAndKeepsSmallerOnesWhole) {
    // 8x4, 24-bit, bottom-up; every pixel's blue is its column plus ten times its row from the top.
    std::vector<uint8_t> frame(24 * 4);
    for (int row = 0; row < 4; ++row)
        for (int x = 0; x < 8; ++x)
            frame[static_cast<size_t>((3 - row) * 24 + 3 * x)] = static_cast<uint8_t>(x + 10 * row);
    FrameSlot slot;
    slot.SetShownSize(QSize(4, 2));
    slot.Put(frame.data(), 8, 4, 24, 24, true);
    const QImage& sampled = slot.Take();
    ASSERT_EQ(sampled.size(), QSize(4, 2));
    EXPECT_EQ(slot.TakenFrameSize(), QSize(8, 4));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(sampled.pixelColor(x, y).blue(), (2 * x + 1) + 10 * (2 * y + 1)) << x << "," << y;

    slot.SetShownSize(QSize(8, 2)); // narrower only in height: every column is kept
    slot.Put(frame.data(), 8, 4, 24, 24, true);
    const QImage& rows = slot.Take();
    ASSERT_EQ(rows.size(), QSize(8, 2));
    EXPECT_EQ(rows.pixelColor(6, 1).blue(), 6 + 30);

    slot.SetShownSize(QSize(100, 100)); // larger than the frame: kept whole
    slot.Put(frame.data(), 8, 4, 24, 24, true);
    const QImage& whole = slot.Take();
    ASSERT_EQ(whole.size(), QSize(8, 4));
    EXPECT_EQ(whole.pixelColor(7, 0).blue(), 7);
    EXPECT_EQ(whole.pixelColor(0, 3).blue(), 30);

    std::vector<uint8_t> wide(4 * 8 * 2); // 32-bit, 8x2, top-down; red is the column
    for (int k = 0; k < 16; ++k)
        wide[static_cast<size_t>(4 * k + 2)] = static_cast<uint8_t>(k % 8);
    slot.SetShownSize(QSize(2, 2));
    slot.Put(wide.data(), 8, 2, 32, 32, false);
    const QImage& sampled32 = slot.Take();
    ASSERT_EQ(sampled32.size(), QSize(2, 2));
    EXPECT_EQ(sampled32.pixelColor(0, 0).red(), 2);
    EXPECT_EQ(sampled32.pixelColor(1, 1).red(), 6);
}

TEST(VideoRendererWidget, PaintsFramesSampledDownToItsSizeAndTheirSourcePart) {
    auto slot = std::make_shared<FrameSlot>();
    VideoRendererWidget widget(slot);
    widget.resize(40, 30);
    constexpr int kWidth = 400, kHeight = 300, kStride = kWidth * 3;
    std::vector<uint8_t> frame(static_cast<size_t>(kStride) * kHeight); // left half red, right half blue
    for (int row = 0; row < kHeight; ++row)
        for (int x = 0; x < kWidth; ++x)
            frame[static_cast<size_t>(row * kStride + 3 * x + (x < kWidth / 2 ? 2 : 0))] = 255;
    slot->Put(frame.data(), kWidth, kHeight, kStride, 24, true);
    widget.grab(); // the first frame is whole; the paint tells the slot the window's size
    slot->Put(frame.data(), kWidth, kHeight, kStride, 24, true);
    const QImage shown = widget.grab().toImage();
    EXPECT_EQ(slot->Take().size(), QSize(40, 30)) << "sampled down to the window";
    EXPECT_EQ(shown.pixelColor(5, 15), QColor(255, 0, 0));
    EXPECT_EQ(shown.pixelColor(35, 15), QColor(0, 0, 255));
    EXPECT_EQ(widget.FramesPainted(), 2u);

    widget.SetSource(QRect(kWidth / 2, 0, kWidth / 2, kHeight)); // the right half, from the small image
    const QImage right = widget.grab().toImage();
    EXPECT_EQ(right.pixelColor(2, 15), QColor(0, 0, 255));
    EXPECT_EQ(right.pixelColor(37, 15), QColor(0, 0, 255));
    slot->Put(frame.data(), kWidth, kHeight, kStride, 24, true);
    widget.grab();
    EXPECT_EQ(slot->Take().size(), QSize(kWidth, kHeight)) << "a part of the frame is kept whole";
}

TEST(VideoRendererWidget, PaintsTheNewestFrameScaledToTheWindow) {
    auto slot = std::make_shared<FrameSlot>();
    VideoRendererWidget widget(slot);
    widget.resize(40, 30);
    std::vector<uint8_t> frame(4 * 2 * 4); // 32-bit, 4x2, every pixel red
    for (size_t k = 0; k < frame.size(); k += 4)
        frame[k + 2] = 255;
    slot->Put(frame.data(), 4, 2, 16, 32, true);
    const QImage shown = widget.grab().toImage();
    EXPECT_EQ(shown.pixelColor(39, 29), QColor(255, 0, 0));
    EXPECT_EQ(shown.pixelColor(0, 0), QColor(255, 0, 0));
    EXPECT_EQ(widget.FramesPainted(), 1u);
}

} // namespace
