#include "platform/graphics/Bitmap.h"

#include "platform/graphics/DibSection.h"
#include "platform/runtime/StandardErrors.h"

#include <gtest/gtest.h>

namespace {

HBITMAP Section(int width, int height, void** bits = nullptr) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* local = nullptr;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits ? bits : &local, nullptr, 0);
}

TEST(Bitmap, AdoptsASectionAndReportsIt) {
    TBitmap bitmap;
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(bitmap.Width(), 0);
    int changes = 0;
    bitmap.OnChange = [&](TBitmap&) { ++changes; };
    HBITMAP section = Section(7, 5);
    bitmap.SetHandle(section);
    EXPECT_EQ(bitmap.Handle(), section);
    EXPECT_EQ(bitmap.Width(), 7);
    EXPECT_EQ(bitmap.Height(), 5);
    EXPECT_EQ(bitmap.LineSize(), 24);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
    bitmap.SetHandle(section);
    EXPECT_EQ(changes, 1) << "the same section again changes nothing";
}

TEST(Bitmap, FreesThePreviousImageUnlessShared) {
    const size_t before = LiveGdiObjectCount();
    {
        TBitmap a;
        TBitmap b;
        a.SetHandle(Section(4, 4));
        b.Assign(a);
        EXPECT_EQ(b.Handle(), a.Handle());
        a.SetHandle(Section(2, 2));
        EXPECT_EQ(LiveGdiObjectCount(), before + 2) << "b still shares the first image";
        b.SetHandle(nullptr);
        EXPECT_EQ(LiveGdiObjectCount(), before + 1);
    }
    EXPECT_EQ(LiveGdiObjectCount(), before);
}

TEST(Bitmap, RowsCountFromTheTopInEitherMemoryOrder) {
    void* bits = nullptr;
    TBitmap bottomUp;
    bottomUp.SetHandle(Section(1, 3, &bits));
    EXPECT_EQ(bottomUp.ScanLine(0), static_cast<uint8_t*>(bits) + 2 * 4);
    EXPECT_EQ(bottomUp.ScanLine(2), static_cast<uint8_t*>(bits));
    TBitmap topDown;
    topDown.SetHandle(Section(1, -3, &bits));
    EXPECT_EQ(topDown.ScanLine(0), static_cast<uint8_t*>(bits));
    EXPECT_EQ(topDown.ScanLine(2), static_cast<uint8_t*>(bits) + 2 * 4);
    EXPECT_THROW(topDown.ScanLine(3), EInvalidGraphic);
    EXPECT_THROW(topDown.ScanLine(-1), EInvalidGraphic);
}

TEST(Bitmap, SetSizeGivesABlankPicture) {
    TBitmap bitmap;
    bitmap.SetSize(5, 2);
    EXPECT_EQ(bitmap.Width(), 5);
    EXPECT_EQ(bitmap.ScanLine(1)[14], 0);
    bitmap.SetSize(0, 2);
    EXPECT_TRUE(bitmap.Empty());
}

TEST(Canvas, LockIsRecursiveForItsHolder) {
    TBitmap bitmap;
    bitmap.Canvas().Lock();
    EXPECT_TRUE(bitmap.Canvas().TryLock());
    bitmap.Canvas().Unlock();
    bitmap.Canvas().Unlock();
}

} // namespace
