#include "platform/graphics/Bitmap.h"
#include "platform/graphics/DibSection.h"
#include "platform/graphics/StretchDraw.h"

#include <gtest/gtest.h>

namespace {

TEST(PixelAccess, ValuesOfEveryDepthReadBackAsWritten) {
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        uint8_t row[64] = {};
        const uint32_t max = bits == 32 ? 0xFFFFFFFF : (1u << bits) - 1;
        for (int x = 0; x < 8; ++x)
            WritePixelValue(row, bits, x, (0x9E3779B9u * (x + 1)) & max);
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(ReadPixelValue(row, bits, x), (0x9E3779B9u * (x + 1)) & max)
                << bits << " bits, x " << x;
    }
}

TEST(PixelAccess, SubBytePixelsStartAtTheHighBits) {
    uint8_t row[2] = {0b10000000, 0};
    EXPECT_EQ(ReadPixelValue(row, 1, 0), 1u);
    EXPECT_EQ(ReadPixelValue(row, 1, 7), 0u);
    row[0] = 0xA5;
    EXPECT_EQ(ReadPixelValue(row, 4, 0), 0xAu);
    EXPECT_EQ(ReadPixelValue(row, 4, 1), 0x5u);
}

TEST(PixelAccess, ColoursRoundTripThroughMasksAndTables) {
    TPixelLayout rgb565{16, {0xF800, 0x07E0, 0x001F}, {}};
    EXPECT_EQ(ValueToColour(rgb565, 0xFFFF), RGB(255, 255, 255));
    EXPECT_EQ(ColourToValue(rgb565, RGB(255, 0, 0)), 0xF800u);
    TPixelLayout noMasks{32, {0, 0, 0}, {}};
    EXPECT_EQ(ValueToColour(noMasks, 0xFFFFFFFF), RGB(0, 0, 0)) << "empty masks give no channel";
    const RGBQUAD table[] = {{0, 0, 0, 0}, {0, 0, 250, 0}, {250, 0, 0, 0}};
    TPixelLayout indexed{8, {}, table};
    EXPECT_EQ(ColourToValue(indexed, RGB(240, 10, 10)), 1u) << "nearest entry";
    EXPECT_EQ(ValueToColour(indexed, 3), RGB(0, 0, 0)) << "beyond the table";
}

TEST(BitmapPixels, OutsideThePictureReadsInvalid) {
    TBitmap bitmap;
    EXPECT_EQ(bitmap.Pixels(0, 0), CLR_INVALID);
    bitmap.SetSize(2, 2);
    EXPECT_EQ(bitmap.Pixels(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(bitmap.Pixels(2, 0), CLR_INVALID);
    EXPECT_EQ(bitmap.Pixels(0, -1), CLR_INVALID);
}

TEST(BitmapPalette, IndexedSectionsStartBlackAndTakeAPalette) {
    TBitmap bitmap;
    bitmap.SetSize(3, 1, TPixelFormat::pf4bit);
    EXPECT_EQ(bitmap.Palette().size(), 16u);
    const RGBQUAD colours[] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
    bitmap.SetPalette(colours);
    bitmap.ScanLine(0)[0] = 0x01;
    EXPECT_EQ(bitmap.Pixels(1, 0), RGB(6, 5, 4));
    TBitmap shared;
    shared.Assign(bitmap);
    EXPECT_EQ(shared.Pixels(1, 0), RGB(6, 5, 4)) << "a shared image shares its palette";
}

TEST(BitmapPalette, ColoursUsedSizesTheTable) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 2, 2, 1, 8, BI_RGB, 0, 0, 0, 236, 0};
    void* bits = nullptr;
    TBitmap bitmap;
    bitmap.SetHandle(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    EXPECT_EQ(bitmap.Palette().size(), 236u);
    info.bmiHeader.biClrUsed = 1000;
    bitmap.SetHandle(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    EXPECT_EQ(bitmap.Palette().size(), 256u) << "no more entries than indexes";
}

TEST(DeviceDependentBitmap, IsReportedAsSuchAndRefusesFormatsItCannotHold) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 4, 2, 1, 8, BI_RLE8, 0, 0, 0, 0, 0};
    const uint8_t data[] = {4, 7, 0, 1};
    info.bmiHeader.biSizeImage = sizeof data;
    TBitmap bitmap;
    bitmap.SetHandle(CreateDIBitmap(nullptr, &info.bmiHeader, CBM_INIT, data, &info, DIB_RGB_COLORS));
    ASSERT_FALSE(bitmap.Empty());
    EXPECT_EQ(bitmap.HandleType(), TBitmapHandleType::bmDDB);
    EXPECT_EQ(bitmap.ScanLine(1)[3], 7) << "the bottom row";
    EXPECT_EQ(bitmap.ScanLine(0)[0], 0);

    BITMAPINFOHEADER bad[] = {info.bmiHeader, info.bmiHeader, info.bmiHeader};
    bad[0].biHeight = -2;     // run-length data is bottom-up
    bad[1].biBitCount = 4;    // RLE8 at 4 bits
    bad[2].biCompression = 4; // not a run-length encoding
    for (const BITMAPINFOHEADER& h : bad)
        EXPECT_EQ(CreateDIBitmap(nullptr, &h, CBM_INIT, data, &info, DIB_RGB_COLORS), nullptr);
}

// A picture whose pixel (x, y) has red x and green y.
void Numbered(TBitmap& bitmap, int width, int height) {
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            bitmap.ScanLine(y)[3 * x + 2] = static_cast<uint8_t>(x);
            bitmap.ScanLine(y)[3 * x + 1] = static_cast<uint8_t>(y);
        }
}

TEST(StretchDraw, ShrinkingKeepsEveryOtherRowAndColumn) {
    TBitmap bitmap;
    Numbered(bitmap, 8, 6);
    StretchDraw(bitmap, {0, 0, 4, 3}, bitmap);
    EXPECT_EQ(bitmap.Pixels(1, 1), RGB(2, 2, 0));
    EXPECT_EQ(bitmap.Pixels(3, 2), RGB(6, 4, 0));
    EXPECT_EQ(bitmap.Pixels(5, 4), RGB(5, 4, 0)) << "outside the rectangle nothing changes";
}

TEST(StretchDraw, EnlargingRepeatsRowsAndColumnsAndLosesWhatFallsOutside) {
    TBitmap bitmap;
    Numbered(bitmap, 4, 3);
    StretchDraw(bitmap, {0, 0, 8, 6}, bitmap);
    EXPECT_EQ(bitmap.Width(), 4) << "the picture keeps its size";
    EXPECT_EQ(bitmap.Pixels(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(bitmap.Pixels(1, 1), RGB(0, 0, 0));
    EXPECT_EQ(bitmap.Pixels(2, 1), RGB(1, 0, 0));
    EXPECT_EQ(bitmap.Pixels(3, 2), RGB(1, 1, 0)) << "the top-left quarter, doubled";
}

TEST(StretchDraw, SameSizeIsACopyAndEmptyRectanglesDrawNothing) {
    TBitmap bitmap;
    Numbered(bitmap, 5, 4);
    StretchDraw(bitmap, {0, 0, 5, 4}, bitmap);
    EXPECT_EQ(bitmap.Pixels(4, 3), RGB(4, 3, 0));
    TBitmap small;
    Numbered(small, 2, 2);
    StretchDraw(bitmap, {0, 0, 0, 4}, small);
    EXPECT_EQ(bitmap.Pixels(4, 3), RGB(4, 3, 0));
}

TEST(StretchDraw, IndexedOntoItselfCopiesIndexes) {
    TBitmap bitmap;
    bitmap.SetSize(4, 1, TPixelFormat::pf4bit);
    const RGBQUAD colours[] = {{0, 0, 0, 0}, {0, 0, 9, 0}, {0, 0, 9, 0}};
    bitmap.SetPalette(colours);
    bitmap.ScanLine(0)[0] = 0x02; // x = 1 uses index 2, equal in colour to index 1
    StretchDraw(bitmap, {0, 0, 2, 1}, bitmap);
    EXPECT_EQ(ReadPixelValue(bitmap.ScanLine(0), 4, 0), 0u);
    StretchDraw(bitmap, {-1, 0, 3, 1}, bitmap);
    EXPECT_EQ(ReadPixelValue(bitmap.ScanLine(0), 4, 0), 0u);
}

TEST(StretchDraw, OtherFormatsGoThroughTheirColours) {
    TBitmap indexed;
    indexed.SetSize(1, 1, TPixelFormat::pf8bit);
    const RGBQUAD colours[] = {{30, 20, 10, 0}};
    indexed.SetPalette(colours);
    TBitmap target;
    target.SetSize(2, 2);
    StretchDraw(target, {0, 0, 2, 2}, indexed);
    EXPECT_EQ(target.Pixels(1, 1), RGB(10, 20, 30));
}

} // namespace
