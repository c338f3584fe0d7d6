#include "platform/graphics/DibSection.h"

#include <gtest/gtest.h>

namespace {

BITMAPINFO Info(int width, int height, int bits, DWORD compression = BI_RGB) {
    BITMAPINFO info{};
    info.bmiHeader = {
        sizeof(BITMAPINFOHEADER), width, height, 1, static_cast<WORD>(bits), compression, 0, 0, 0, 0, 0};
    return info;
}

TEST(DibSection, CreatesDescribesAndDeletes) {
    const size_t before = LiveGdiObjectCount();
    const BITMAPINFO info = Info(322, -240, 24);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_TRUE(section);
    ASSERT_TRUE(bits);
    DIBSECTION d{};
    ASSERT_EQ(GetObject(section, sizeof d, &d), static_cast<int>(sizeof d));
    EXPECT_EQ(d.dsBm.bmWidth, 322);
    EXPECT_EQ(d.dsBm.bmHeight, 240);
    EXPECT_EQ(d.dsBm.bmWidthBytes, 968);
    EXPECT_EQ(d.dsBm.bmBits, bits);
    EXPECT_EQ(d.dsBmih.biHeight, -240) << "keeps the row order";
    EXPECT_EQ(d.dsBmih.biSizeImage, 232320u);
    EXPECT_EQ(LiveGdiObjectCount(), before + 1);
    EXPECT_TRUE(DeleteObject(section));
    EXPECT_FALSE(DeleteObject(section)) << "a stale handle is refused";
    EXPECT_EQ(LiveGdiObjectCount(), before);
}

TEST(DibSection, RefusesUnsupportedOrOversizedDescriptions) {
    const BITMAPINFO bad[] = {Info(0, 10, 24),
                              Info(10, 0, 24),
                              Info(10, 10, 15),
                              Info(10, 10, 24, BI_RLE8),
                              Info(10, 10, 8, BI_BITFIELDS),
                              Info(100000, 100000, 32),
                              Info(0x7FFFFFFF, 1, 32)};
    for (const BITMAPINFO& info : bad) {
        void* bits = reinterpret_cast<void*>(1);
        EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr)
            << info.bmiHeader.biWidth << "x" << info.bmiHeader.biHeight << "x" << info.bmiHeader.biBitCount;
        EXPECT_EQ(bits, nullptr);
    }
    EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
}

TEST(DibSection, LineSizePadsToFourBytes) {
    EXPECT_EQ(DibLineSize(24, 640), 1920);
    EXPECT_EQ(DibLineSize(24, 321), 964);
    EXPECT_EQ(DibLineSize(1, 1), 4);
    EXPECT_EQ(DibLineSize(4, 9), 8);
}

} // namespace
