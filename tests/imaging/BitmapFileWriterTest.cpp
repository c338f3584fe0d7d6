#include "imaging/BitmapFileWriter.h"

#include "BmpBuilder.h"
#include "imaging/BitmapFileReader.h"
#include "platform/graphics/DibSection.h"
#include "platform/runtime/FileStream.h"
#include "platform/runtime/StandardErrors.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

uint32_t Field32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

void FillPattern(TBitmap& picture) {
    for (int y = 0; y < picture.Height(); ++y) {
        uint8_t* row = picture.ScanLine(y);
        for (int i = 0; i < 3 * picture.Width(); ++i)
            row[i] = static_cast<uint8_t>(i * 7 + y * 13);
    }
}

TEST(BitmapFileWriter, SnapshotOf320x240HasTheExactLayout) {
    TempFolder folder;
    TBitmap picture;
    picture.SetSize(320, 240);
    FillPattern(picture);
    SaveBitmapToFile(picture, folder.Path("snap.bmp"));
    const auto bytes = ReadFileBytes(folder.Path("snap.bmp"));
    ASSERT_EQ(bytes.size(), 230454u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(Field32(bytes, 2), 230454u) << "file size";
    EXPECT_EQ(Field32(bytes, 6), 0u) << "reserved";
    EXPECT_EQ(Field32(bytes, 10), 54u) << "pixel offset";
    EXPECT_EQ(Field32(bytes, 14), 40u);
    EXPECT_EQ(Field32(bytes, 18), 320u);
    EXPECT_EQ(Field32(bytes, 22), 240u) << "bottom-up rows as the picture holds them";
    EXPECT_EQ(bytes[26] | bytes[27] << 8, 1);
    EXPECT_EQ(bytes[28] | bytes[29] << 8, 24);
    EXPECT_EQ(Field32(bytes, 30), 0u);
    EXPECT_EQ(Field32(bytes, 34), 230400u);
    EXPECT_EQ(Field32(bytes, 46), 0u) << "colours used";
    // The first stored row is the bottom one.
    EXPECT_TRUE(std::equal(bytes.begin() + 54, bytes.begin() + 54 + 960, picture.ScanLine(239)));
    EXPECT_TRUE(std::equal(bytes.end() - 960, bytes.end(), picture.ScanLine(0)));
}

TEST(BitmapFileWriter, RowsArePaddedToFourBytesWithZeros) {
    TempFolder folder;
    TBitmap picture;
    picture.SetSize(321, 2);
    FillPattern(picture);
    SaveBitmapToFile(picture, folder.Path("odd.bmp"));
    const auto bytes = ReadFileBytes(folder.Path("odd.bmp"));
    ASSERT_EQ(bytes.size(), 54u + 2 * 964);
    EXPECT_EQ(Field32(bytes, 34), 2u * 964);
    EXPECT_EQ(bytes[54 + 963], 0) << "the padding byte of the first row";
    EXPECT_EQ(bytes[54 + 964], picture.ScanLine(0)[0]) << "the second stored row is the top one";
}

TEST(BitmapFileWriter, TopDownPictureGetsANegativeHeight) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 3, -2, 1, 24, BI_RGB, 0, 1000, 2000, 0, 7};
    void* bits = nullptr;
    TBitmap picture;
    picture.SetHandle(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    FillPattern(picture);
    TMemoryStream stream;
    SaveBitmapToStream(picture, stream);
    const auto& bytes = stream.Bytes();
    ASSERT_EQ(bytes.size(), 54u + 2 * 12);
    EXPECT_EQ(static_cast<int32_t>(Field32(bytes, 22)), -2);
    EXPECT_EQ(Field32(bytes, 38), 1000u) << "resolution from the picture's header";
    EXPECT_EQ(Field32(bytes, 42), 2000u);
    EXPECT_EQ(Field32(bytes, 50), 7u) << "important colours from the picture's header";
    EXPECT_TRUE(std::equal(bytes.begin() + 54, bytes.begin() + 63, picture.ScanLine(0)));
}

TEST(BitmapFileWriter, EmptyPictureLeavesAnEmptyFile) {
    TempFolder folder;
    WriteFileBytes(folder.Path("old.bmp"), std::vector<uint8_t>(100, 1));
    TBitmap empty;
    SaveBitmapToFile(empty, folder.Path("old.bmp"));
    EXPECT_EQ(std::filesystem::file_size(folder.Path("old.bmp")), 0u) << "the old content is truncated";
}

TEST(BitmapFileWriter, IndexedPictureIsWrittenAs24Bits) {
    TBitmap picture;
    picture.SetSize(2, 1, TPixelFormat::pf8bit);
    const RGBQUAD colours[] = {{1, 2, 3, 0}, {10, 20, 30, 0}};
    picture.SetPalette(colours);
    picture.ScanLine(0)[1] = 1;
    TMemoryStream stream;
    SaveBitmapToStream(picture, stream);
    const auto& bytes = stream.Bytes();
    ASSERT_EQ(bytes.size(), 54u + 8);
    EXPECT_EQ(bytes[28], 24);
    const std::vector<uint8_t> row(bytes.begin() + 54, bytes.end());
    EXPECT_EQ(row, (std::vector<uint8_t>{1, 2, 3, 10, 20, 30, 0, 0}));
}

TEST(BitmapFileWriter, ReportsAFileThatCannotBeCreated) {
    TBitmap picture;
    picture.SetSize(2, 2);
    try {
        SaveBitmapToFile(picture, "/nonexistent-folder/x.bmp");
        FAIL() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file /nonexistent-folder/x.bmp");
    }
}

TEST(BitmapFileWriter, ReportsAFileHeldOpenForWriting) {
    TempFolder folder;
    TBitmap picture;
    picture.SetSize(2, 2);
    TFileStream held(folder.Path("busy.bmp"), TFileMode::fmCreate);
    EXPECT_THROW(SaveBitmapToFile(picture, folder.Path("busy.bmp")), EFCreateError);
}

TEST(BitmapFileWriter, ReportsAShortWriteOnAFullDisk) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    TBitmap picture;
    picture.SetSize(8, 8);
    try {
        SaveBitmapToFile(picture, "/dev/full");
        FAIL() << "no error";
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message(), "Stream write error");
    }
}

TEST(BitmapFileWriter, WrittenFileReadsBackTheSamePixels) {
    TempFolder folder;
    TBitmap picture;
    picture.SetSize(37, 11);
    FillPattern(picture);
    SaveBitmapToFile(picture, folder.Path("round.bmp"));
    TBitmap loaded;
    LoadBitmapFromFile(loaded, folder.Path("round.bmp"));
    ASSERT_EQ(loaded.Width(), 37);
    ASSERT_EQ(loaded.Height(), 11);
    for (int y = 0; y < 11; ++y)
        EXPECT_TRUE(std::equal(picture.ScanLine(y), picture.ScanLine(y) + 111, loaded.ScanLine(y)))
            << "row " << y;
}

} // namespace
