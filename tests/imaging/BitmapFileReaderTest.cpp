#include "imaging/BitmapFileReader.h"

#include "BmpBuilder.h"
#include "platform/graphics/DibSection.h"
#include "platform/runtime/StandardErrors.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void Load(TBitmap& picture, const std::vector<uint8_t>& bytes) {
    TMemoryStream stream(bytes);
    LoadBitmapFromStream(picture, stream);
}

// The message of the error that loading `bytes` raises, or "" when it loads.
std::string LoadError(const std::vector<uint8_t>& bytes) {
    TBitmap picture;
    try {
        Load(picture, bytes);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "";
}

// 2x2, 24 bits, bottom-up: bottom row blue, white; top row red, green.
BmpBuilder Small24() {
    BmpBuilder b;
    b.width = 2;
    b.height = 2;
    b.pixels = {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};
    return b;
}

// ---- Variants ------------------------------------------------------------------------------

TEST(BitmapFileReaderVariants, Uncompressed24BitBottomUp) {
    TBitmap picture;
    Load(picture, Small24().Build());
    ASSERT_EQ(picture.Width(), 2);
    ASSERT_EQ(picture.Height(), 2);
    EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(picture.HandleType(), TBitmapHandleType::bmDIB);
    EXPECT_EQ(picture.Pixels(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(picture.Pixels(1, 0), RGB(0, 255, 0));
    EXPECT_EQ(picture.Pixels(0, 1), RGB(0, 0, 255));
    EXPECT_EQ(picture.Pixels(1, 1), RGB(255, 255, 255));
    EXPECT_EQ(picture.Header()->biXPelsPerMeter, 2835) << "keeps the file's resolution";
}

TEST(BitmapFileReaderVariants, TopDownRowsStayTopDown) {
    BmpBuilder b = Small24();
    b.height = -2;
    TBitmap picture;
    Load(picture, b.Build());
    EXPECT_LT(picture.Header()->biHeight, 0);
    EXPECT_EQ(picture.Pixels(0, 0), RGB(0, 0, 255)) << "the first stored row is the top one";
    EXPECT_EQ(picture.Pixels(1, 1), RGB(0, 255, 0));
}

TEST(BitmapFileReaderVariants, CoreHeaderWithThreeByteColourEntries) {
    BmpBuilder b;
    b.headerSize = 12;
    b.width = 3;
    b.height = 1;
    b.bitCount = 1;
    b.colours = {0x000000, 0x336699};
    b.pixels = {0b01000000, 0, 0, 0};
    TBitmap picture;
    Load(picture, b.Build());
    ASSERT_EQ(picture.PixelFormat(), TPixelFormat::pf1bit);
    EXPECT_EQ(picture.Pixels(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(picture.Pixels(1, 0), RGB(0x33, 0x66, 0x99));
    EXPECT_EQ(picture.Palette().size(), 2u);
}

TEST(BitmapFileReaderVariants, FourBitIndexesUseHighNibbleFirst) {
    BmpBuilder b;
    b.width = 3;
    b.height = 1;
    b.bitCount = 4;
    b.colorsUsed = 3;
    b.colours = {0x000000, 0xFF0000, 0x00FF00};
    b.pixels = {0x12, 0x00, 0, 0};
    TBitmap picture;
    Load(picture, b.Build());
    EXPECT_EQ(picture.Pixels(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(picture.Pixels(1, 0), RGB(0, 255, 0));
    EXPECT_EQ(picture.Pixels(2, 0), RGB(0, 0, 0));
}

TEST(BitmapFileReaderVariants, EightBitTableSizeFollowsColoursUsed) {
    // Colours used 0: 256 entries are read before the pixels.
    BmpBuilder full;
    full.width = 1;
    full.height = 1;
    full.bitCount = 8;
    full.colours.assign(256, 0);
    full.colours[255] = 0x0A0B0C;
    full.pixels = {255, 0, 0, 0};
    TBitmap picture;
    Load(picture, full.Build());
    EXPECT_EQ(picture.Palette().size(), 256u);
    EXPECT_EQ(picture.Pixels(0, 0), RGB(0x0A, 0x0B, 0x0C));

    // Colours used 16: 16 entries, and the pixels right after them.
    BmpBuilder part = full;
    part.colorsUsed = 16;
    part.colours.assign(16, 0);
    part.colours[15] = 0x112233;
    part.pixels = {15, 0, 0, 0};
    Load(picture, part.Build());
    EXPECT_EQ(picture.Pixels(0, 0), RGB(0x11, 0x22, 0x33));
    EXPECT_EQ(picture.Header()->biClrUsed, 16u) << "keeps colours-used";
}

TEST(BitmapFileReaderVariants, IndexBeyondTheTableReadsBlack) {
    BmpBuilder b;
    b.width = 1;
    b.height = 1;
    b.bitCount = 8;
    b.colorsUsed = 2;
    b.colours = {0xFFFFFF, 0xFFFFFF};
    b.pixels = {200, 0, 0, 0};
    TBitmap picture;
    Load(picture, b.Build());
    EXPECT_EQ(picture.Pixels(0, 0), RGB(0, 0, 0));
}

TEST(BitmapFileReaderVariants, PixelOffsetFieldIsIgnored) {
    BmpBuilder b = Small24();
    b.pixelOffset = 500;
    TBitmap picture;
    Load(picture, b.Build());
    EXPECT_EQ(picture.Pixels(0, 1), RGB(0, 0, 255)) << "pixels follow the headers directly";
}

TEST(BitmapFileReaderVariants, SixteenBitsDefaultTo555) {
    BmpBuilder b;
    b.width = 2;
    b.height = 1;
    b.bitCount = 16;
    b.pixels = {0x00, 0x7C, 0x1F, 0x00}; // red, blue
    TBitmap picture;
    Load(picture, b.Build());
    EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pf15bit);
    EXPECT_EQ(picture.Pixels(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(picture.Pixels(1, 0), RGB(0, 0, 255));
}

TEST(BitmapFileReaderVariants, BitFieldMasksAfterA40ByteHeader) {
    BmpBuilder b;
    b.width = 2;
    b.height = 1;
    b.bitCount = 16;
    b.compression = 3;
    b.masks = {0xF800, 0x07E0, 0x001F};
    b.pixels = {0xE0, 0x07, 0x10, 0x00}; // pure green; blue 16 of 31
    TBitmap picture;
    Load(picture, b.Build());
    EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pf16bit);
    EXPECT_EQ(picture.Pixels(0, 0), RGB(0, 255, 0));
    EXPECT_EQ(picture.Pixels(1, 0), RGB(0, 0, 132));
}

TEST(BitmapFileReaderVariants, Version5HeaderCarriesItsMasks) {
    BmpBuilder b;
    b.headerSize = 124;
    b.width = 1;
    b.height = 1;
    b.bitCount = 32;
    b.compression = 3;
    b.masks = {0x000000FF, 0x0000FF00, 0x00FF0000}; // red in the lowest byte
    b.pixels = {10, 20, 30, 40};
    TBitmap picture;
    Load(picture, b.Build());
    EXPECT_EQ(picture.Pixels(0, 0), RGB(10, 20, 30));
}

TEST(BitmapFileReaderVariants, Version4HeaderWithoutBitFieldsReadsLikeA40ByteOne) {
    BmpBuilder b = Small24();
    b.headerSize = 108;
    b.masks = {1, 2, 3}; // not used without bit fields
    TBitmap picture;
    Load(picture, b.Build());
    EXPECT_EQ(picture.Pixels(1, 1), RGB(255, 255, 255));
}

TEST(BitmapFileReaderVariants, DeepPictureKeepsAColourTableAsItsPalette) {
    BmpBuilder b = Small24();
    b.colorsUsed = 2;
    b.colours = {0x010203, 0x040506};
    TBitmap picture;
    Load(picture, b.Build());
    EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pf24bit);
    ASSERT_EQ(picture.Palette().size(), 2u);
    EXPECT_EQ(picture.Palette()[1].rgbRed, 4);
    EXPECT_EQ(picture.Pixels(0, 0), RGB(255, 0, 0)) << "the pixels follow the table";
}

TEST(BitmapFileReaderVariants, TruncatedPixelArrayFillsWhatIsThere) {
    BmpBuilder b = Small24();
    b.pixels.resize(5);
    TBitmap picture;
    Load(picture, b.Build());
    EXPECT_EQ(picture.Pixels(0, 1), RGB(0, 0, 255)) << "bottom row, first pixel";
    EXPECT_EQ(picture.Pixels(1, 1), RGB(0, 255, 255)) << "two of its bytes are there, the third is zero";
    EXPECT_EQ(picture.Pixels(0, 0), RGB(0, 0, 0)) << "the missing rows are zero";
}

TEST(BitmapFileReaderVariants, TruncatedPixelArrayNeverShowsOldMemory) {
    // A released section of the same size is reused; the unread tail must still be zero.
    {
        TBitmap old;
        old.SetSize(2, 2);
        std::fill_n(old.ScanLine(1), 16, 0xEE);
    }
    BmpBuilder b = Small24();
    b.pixels.clear();
    TBitmap picture;
    Load(picture, b.Build());
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(picture.Pixels(x, y), RGB(0, 0, 0));
}

TEST(BitmapFileReaderVariants, ZeroByteFileGivesAnEmptyPicture) {
    TBitmap picture;
    picture.SetSize(3, 3);
    Load(picture, {});
    EXPECT_TRUE(picture.Empty());
    EXPECT_EQ(picture.Width(), 0);
}

TEST(BitmapFileReaderVariants, ColourTableOfMoreThan256EntriesKeepsTheFirst256) {
    BmpBuilder b;
    b.width = 1;
    b.height = 1;
    b.bitCount = 8;
    b.colorsUsed = 300;
    b.colours.assign(300, 0x0000FF);
    b.colours[7] = 0xABCDEF;
    b.pixels = {7, 0, 0, 0};
    TBitmap picture;
    Load(picture, b.Build());
    EXPECT_EQ(picture.Palette().size(), 256u);
    EXPECT_EQ(picture.Pixels(0, 0), RGB(0xAB, 0xCD, 0xEF)) << "the pixels follow all 300 entries";
}

// ---- Run-length encoding -------------------------------------------------------------------

BmpBuilder Rle8(std::vector<uint8_t> data, int width = 4, int height = 2) {
    BmpBuilder b;
    b.width = width;
    b.height = height;
    b.bitCount = 8;
    b.compression = 1;
    b.colorsUsed = 4;
    b.colours = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    b.pixels = std::move(data);
    return b;
}

TEST(BitmapFileReaderRle, EightBitRunsBecomeADeviceDependentBitmap) {
    // Bottom row: 3 x index 1, then absolute 2 (odd count, padded); top row: delta then 1 x index 3.
    TBitmap picture;
    Load(picture, Rle8({3, 1, 0, 3, 2, 2, 2, 0, 0, 0, 0, 2, 2, 0, 1, 3, 0, 1}, 6, 2).Build());
    ASSERT_EQ(picture.HandleType(), TBitmapHandleType::bmDDB);
    EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(picture.Palette()[3].rgbBlue, 255) << "the colour table is the palette";
    EXPECT_EQ(picture.Pixels(0, 1), RGB(255, 0, 0));
    EXPECT_EQ(picture.Pixels(2, 1), RGB(255, 0, 0));
    EXPECT_EQ(picture.Pixels(3, 1), RGB(0, 255, 0));
    EXPECT_EQ(picture.Pixels(5, 1), RGB(0, 255, 0));
    EXPECT_EQ(picture.Pixels(1, 0), RGB(0, 0, 0)) << "skipped by the delta";
    EXPECT_EQ(picture.Pixels(2, 0), RGB(0, 0, 255));
}

TEST(BitmapFileReaderRle, FourBitRunsAlternateTheirTwoIndexes) {
    BmpBuilder b = Rle8({5, 0x12, 0, 3, 0x31, 0x20, 0, 1});
    b.bitCount = 4;
    b.compression = 2;
    b.width = 8;
    b.height = 1;
    TBitmap picture;
    Load(picture, b.Build());
    EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pf4bit);
    const COLORREF expected[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(255, 0, 0), RGB(0, 255, 0),
                                 RGB(255, 0, 0), RGB(0, 0, 255), RGB(255, 0, 0), RGB(0, 255, 0)};
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(picture.Pixels(x, 0), expected[x]) << "x " << x;
}

TEST(BitmapFileReaderRle, RunsPastTheEdgesAreCut) {
    // 200-pixel runs on a 4x2 picture, a delta far beyond it, and more rows than it has.
    TBitmap picture;
    Load(picture, Rle8({200, 1, 0, 0, 200, 2, 0, 0, 200, 3, 0, 2, 255, 255, 9, 1, 0, 255, 0}).Build());
    EXPECT_EQ(picture.Pixels(3, 1), RGB(255, 0, 0));
    EXPECT_EQ(picture.Pixels(3, 0), RGB(0, 255, 0));
}

TEST(BitmapFileReaderRle, DataEndingMidCommandLeavesTheRestZero) {
    TBitmap picture;
    Load(picture, Rle8({2, 1, 0, 5, 1}).Build());
    EXPECT_EQ(picture.Pixels(1, 1), RGB(255, 0, 0));
    EXPECT_EQ(picture.Pixels(2, 1), RGB(255, 0, 0)) << "the one absolute index that is there";
    EXPECT_EQ(picture.Pixels(3, 1), RGB(0, 0, 0));
}

TEST(BitmapFileReaderRle, TopDownRunLengthPictureIsRefused) {
    BmpBuilder b = Rle8({1, 1, 0, 1});
    b.height = -2;
    EXPECT_EQ(LoadError(b.Build()), "Bitmap image is not valid");
}

TEST(BitmapFileReaderRle, OtherCompressionsAreRefused) {
    BmpBuilder b = Small24();
    for (uint32_t compression : {1u, 4u, 5u, 99u}) {
        b.compression = compression;
        EXPECT_EQ(LoadError(b.Build()), "Bitmap image is not valid") << "compression " << compression;
    }
}

// ---- Errors --------------------------------------------------------------------------------

TEST(BitmapFileReaderErrors, FileOfOneToThirteenBytesIsAReadError) {
    for (size_t n : {1u, 10u, 13u})
        EXPECT_EQ(LoadError(std::vector<uint8_t>(n, 'B')), "Stream read error") << n << " bytes";
}

TEST(BitmapFileReaderErrors, TypeOtherThanBMIsInvalid) {
    auto bytes = Small24().Build();
    bytes[1] = 'A';
    EXPECT_EQ(LoadError(bytes), "Bitmap image is not valid");
}

TEST(BitmapFileReaderErrors, PlanesOtherThanOneAreInvalid) {
    BmpBuilder b = Small24();
    b.planes = 2;
    EXPECT_EQ(LoadError(b.Build()), "Bitmap image is not valid");
}

TEST(BitmapFileReaderErrors, FileEndingInsideTheInformationHeaderIsAReadError) {
    const auto bytes = Small24().Build();
    for (size_t n : {15u, 18u, 30u, 53u})
        EXPECT_EQ(LoadError({bytes.begin(), bytes.begin() + n}), "Stream read error") << n << " bytes";
    BmpBuilder core = Small24();
    core.headerSize = 12;
    const auto coreBytes = core.Build();
    EXPECT_EQ(LoadError({coreBytes.begin(), coreBytes.begin() + 20}), "Stream read error");
}

TEST(BitmapFileReaderErrors, HeaderSizesBelow40OtherThan12AreInvalid) {
    for (uint32_t size : {0u, 4u, 11u, 13u, 16u, 39u}) {
        auto bytes = Small24().Build();
        bytes[14] = static_cast<uint8_t>(size);
        EXPECT_EQ(LoadError(bytes), "Bitmap image is not valid") << "header size " << size;
    }
}

TEST(BitmapFileReaderErrors, HeaderLargerThanTheFileIsAReadErrorWithoutAllocatingIt) {
    auto bytes = Small24().Build();
    bytes[14] = bytes[15] = bytes[16] = bytes[17] = 0xFF;
    EXPECT_EQ(LoadError(bytes), "Stream read error");
}

TEST(BitmapFileReaderErrors, FileEndingInsideTheMasksOrTheColourTableIsAReadError) {
    BmpBuilder masks;
    masks.bitCount = 32;
    masks.compression = 3;
    masks.masks = {0xFF0000, 0xFF00};
    EXPECT_EQ(LoadError(masks.Build()), "Stream read error");

    BmpBuilder table;
    table.bitCount = 8;
    table.colours.assign(100, 0);
    EXPECT_EQ(LoadError(table.Build()), "Stream read error") << "256 entries expected";

    table.colorsUsed = 0xFFFFFFFF;
    EXPECT_EQ(LoadError(table.Build()), "Stream read error") << "an absurd count is checked, not allocated";
}

TEST(BitmapFileReaderErrors, AbsurdOrUnbuildableDimensionsAreInvalid) {
    struct Case {
        int32_t width;
        int32_t height;
        uint16_t bits;
    } cases[] = {{0, 1, 24},
                 {-5, 1, 24},
                 {1, 0, 24},
                 {1, INT32_MIN, 24},
                 {100000, 100000, 24},
                 {INT32_MAX, 1, 32},
                 {INT32_MAX, -INT32_MAX, 32},
                 {60000, 60000, 1},
                 {2, 2, 0},
                 {2, 2, 12},
                 {2, 2, 64}};
    for (const Case& c : cases) {
        BmpBuilder b = Small24();
        b.width = c.width;
        b.height = c.height;
        b.bitCount = c.bits;
        EXPECT_EQ(LoadError(b.Build()), "Bitmap image is not valid")
            << c.width << "x" << c.height << "x" << c.bits;
    }
}

TEST(BitmapFileReaderErrors, PictureKeepsItsContentOnAnyError) {
    TBitmap picture;
    Load(picture, Small24().Build());
    const HBITMAP before = picture.Handle();
    const size_t live = LiveGdiObjectCount();
    auto bad = Small24().Build();
    bad[26] = 3; // planes
    EXPECT_THROW(Load(picture, bad), EInvalidGraphic);
    EXPECT_THROW(Load(picture, {bad.begin(), bad.begin() + 20}), EReadError);
    BmpBuilder rle = Rle8({});
    rle.height = -1;
    EXPECT_THROW(Load(picture, rle.Build()), EInvalidGraphic);
    EXPECT_EQ(picture.Handle(), before);
    EXPECT_EQ(picture.Pixels(1, 1), RGB(255, 255, 255));
    EXPECT_EQ(LiveGdiObjectCount(), live) << "nothing made for a failed read is left behind";

    TBitmap empty;
    EXPECT_THROW(Load(empty, bad), EInvalidGraphic);
    EXPECT_TRUE(empty.Empty());
}

TEST(BitmapFileReaderErrors, MissingFileCannotBeOpened) {
    TBitmap picture;
    try {
        LoadBitmapFromFile(picture, "/nonexistent/pic.bmp");
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file /nonexistent/pic.bmp");
    }
}

TEST(BitmapFileReaderErrors, ReadsFromTheStreamPosition) {
    auto bytes = Small24().Build();
    bytes.insert(bytes.begin(), {'x', 'y', 'z'});
    TMemoryStream stream(bytes);
    stream.SetPosition(3);
    TBitmap picture;
    LoadBitmapFromStream(picture, stream);
    EXPECT_EQ(picture.Width(), 2);
}

} // namespace
