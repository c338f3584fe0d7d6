#include "app/ImagePane.h"

#include "QtTestMain.h"
#include "platform/graphics/DibSection.h"

#include <gtest/gtest.h>

namespace {

HBITMAP Section(int width, int height, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

TEST(ImagePane, AskingForTheSurfaceGivesABlankPictureOfThePanesSize) {
    TImagePane pane;
    pane.resize(30, 20);
    pane.show();
    EXPECT_FALSE(pane.HasPicture());
    pane.Canvas();
    EXPECT_TRUE(pane.HasPicture());
    EXPECT_EQ(pane.PictureSize(), QSize(30, 20));
}

TEST(ImagePane, DrawsTheBottomUpFrameUprightAndStretched) {
    TImagePane pane;
    pane.resize(40, 40);
    void* bits = nullptr;
    HBITMAP section = Section(2, 2, &bits);
    auto* rows = static_cast<uint8_t*>(bits);
    // Bottom-up: the first row in memory (bytes 0..5) is the bottom row, red; the next one,
    // 8 bytes on, the top row, blue. Pixels are blue, green, red.
    rows[2] = 255;
    rows[5] = 255;
    rows[8] = 255;
    rows[11] = 255;
    pane.Picture().SetHandle(section);
    ASSERT_TRUE(ProcessEventsUntil([&] { return pane.HasPicture(); }));
    const QImage shown = pane.grab().toImage();
    EXPECT_EQ(shown.pixelColor(5, 5), QColor(0, 0, 255)) << "top is blue";
    EXPECT_EQ(shown.pixelColor(35, 35), QColor(255, 0, 0)) << "bottom is red";
}

} // namespace
