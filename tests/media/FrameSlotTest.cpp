#include "platform/media/FrameSlot.h"
#include "platform/media/VideoRendererWidget.h"

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
