#include "imaging/JPEGImage.h"

#include "BmpBuilder.h"
#include "JpegEncoder.h"
#include "imaging/JPEGError.h"
#include "platform/runtime/Format.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include <jerror.h>

namespace {

void Load(TJPEGImage& image, const std::vector<uint8_t>& bytes) {
    TMemoryStream stream(bytes);
    image.LoadFromStream(stream);
}

std::string JpegErrorText(int code) {
    return Format("JPEG error #%d", code);
}

// The message of the EJPEG that `action` raises, or "" for none.
template <typename Action> std::string EJPEGMessage(Action&& action) {
    try {
        action();
    } catch (const EJPEG& e) {
        return e.Message();
    }
    return "";
}

uint8_t Red(int, int, int c) {
    return c == 0 ? 250 : 5;
}

int Distance(COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
           std::abs(GetBValue(a) - GetBValue(b));
}

// ---- Settings and loading ------------------------------------------------------------------

TEST(JPEGImageSettings, DefaultsAreThoseOfTheProgram) {
    TJPEGImage image;
    EXPECT_EQ(image.CompressionQuality, 90);
    EXPECT_FALSE(image.Grayscale);
    EXPECT_EQ(image.Performance, TJPEGPerformance::jpBestQuality);
    EXPECT_EQ(image.PixelFormat, TJPEGPixelFormat::jf24Bit);
    EXPECT_FALSE(image.ProgressiveDisplay);
    EXPECT_FALSE(image.ProgressiveEncoding);
    EXPECT_EQ(image.Scale, TJPEGScale::jsFullSize);
    EXPECT_TRUE(image.Smoothing);
    EXPECT_TRUE(image.Empty());
}

TEST(JPEGImageLoading, RecordsSizeGreyFlagAndScansFromTheHeaders) {
    TJPEGImage image;
    int changes = 0;
    image.OnChange = [&](TJPEGImage&) { ++changes; };
    JpegPicture grey;
    grey.components = 1;
    grey.progressive = true;
    grey.width = 33;
    grey.height = 17;
    Load(image, grey.Encode());
    EXPECT_EQ(image.Width(), 33);
    EXPECT_EQ(image.Height(), 17);
    EXPECT_TRUE(image.Data().grayscale);
    EXPECT_TRUE(image.ProgressiveEncoding);
    EXPECT_EQ(changes, 1);
    Load(image, JpegPicture{}.Encode());
    EXPECT_FALSE(image.Data().grayscale);
    EXPECT_FALSE(image.ProgressiveEncoding);
}

TEST(JPEGImageLoading, TextFileFailsWhileLoadingWithTheNotAJpegCode) {
    TJPEGImage image;
    const std::string text = "This is not a picture at all.\n";
    EXPECT_EQ(EJPEGMessage([&] { Load(image, {text.begin(), text.end()}); }), JpegErrorText(JERR_NO_SOI));
}

TEST(JPEGImageLoading, FileCutInsideItsHeadersFailsWhileLoading) {
    const auto bytes = JpegPicture{}.Encode();
    TJPEGImage image;
    const std::string message = EJPEGMessage([&] { Load(image, {bytes.begin(), bytes.begin() + 40}); });
    EXPECT_EQ(message.rfind("JPEG error #", 0), 0u) << message;
}

TEST(JPEGImageLoading, ZeroBytesLoadButFailAtDecodingWithTheEmptyInputCode) {
    TJPEGImage image;
    Load(image, {});
    EXPECT_TRUE(image.Empty());
    TBitmap target;
    EXPECT_EQ(EJPEGMessage([&] { image.AssignTo(target); }), JpegErrorText(JERR_INPUT_EMPTY));
    EXPECT_TRUE(target.Empty()) << "the target keeps what it had";
    EXPECT_NO_THROW(image.AssignTo(target)) << "a failed decoding is not tried again";
    EXPECT_TRUE(target.Empty());
}

TEST(JPEGImageLoading, MissingFileCannotBeOpened) {
    TJPEGImage image;
    try {
        image.LoadFromFile("/nonexistent/pic.jpg");
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file /nonexistent/pic.jpg");
    }
}

TEST(JPEGImageLoading, LoadingAgainDropsTheDecodedBitmap) {
    TJPEGImage image;
    Load(image, JpegPicture{}.Encode());
    EXPECT_EQ(image.Bitmap().Width(), 64);
    JpegPicture other;
    other.width = 16;
    Load(image, other.Encode());
    EXPECT_EQ(image.Bitmap().Width(), 16);
}

TEST(JPEGImageLoading, ReadsTheFileFromDisk) {
    TempFolder folder;
    WriteFileBytes(folder.Path("a.jpg"), JpegPicture{}.Encode());
    TJPEGImage image;
    image.LoadFromFile(folder.Path("a.jpg"));
    EXPECT_EQ(image.Width(), 64);
}

// ---- Decoding ------------------------------------------------------------------------------

TEST(JPEGImageDecoding, ColourFileGives24BitBlueGreenRedRows) {
    JpegPicture picture;
    picture.width = 640;
    picture.height = 480;
    picture.sample = Red;
    TJPEGImage image;
    Load(image, picture.Encode());
    TBitmap bitmap;
    image.AssignTo(bitmap);
    ASSERT_EQ(bitmap.Width(), 640);
    ASSERT_EQ(bitmap.Height(), 480);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_GT(bitmap.Header()->biHeight, 0) << "bottom-up";
    const uint8_t* p = bitmap.ScanLine(0);
    EXPECT_LT(p[0], 20) << "blue first";
    EXPECT_LT(p[1], 20);
    EXPECT_GT(p[2], 235) << "red last";
}

TEST(JPEGImageDecoding, RowsComeOutTopFirst) {
    JpegPicture picture;
    picture.sample = [](int, int y, int) -> uint8_t { return y < 24 ? 240 : 10; };
    TJPEGImage image;
    Load(image, picture.Encode());
    const TBitmap& bitmap = image.Bitmap();
    EXPECT_GT(GetRValue(bitmap.Pixels(5, 2)), 200) << "the top of the picture is row 0";
    EXPECT_LT(GetRValue(bitmap.Pixels(5, 45)), 50);
}

TEST(JPEGImageDecoding, DecodedPixelsMatchTheSourceClosely) {
    JpegPicture picture;
    picture.quality = 100;
    picture.sample = [](int x, int y, int c) -> uint8_t { return static_cast<uint8_t>(x * 2 + y + c * 20); };
    TJPEGImage image;
    Load(image, picture.Encode());
    const TBitmap& bitmap = image.Bitmap();
    for (int y = 0; y < picture.height; y += 7)
        for (int x = 0; x < picture.width; x += 5) {
            const COLORREF want = RGB(static_cast<BYTE>(x * 2 + y), static_cast<BYTE>(x * 2 + y + 20),
                                      static_cast<BYTE>(x * 2 + y + 40));
            EXPECT_LT(Distance(bitmap.Pixels(x, y), want), 12) << x << ", " << y;
        }
}

TEST(JPEGImageDecoding, GreyFileGivesEightBitsWithAGreyPaletteOfAtMost236Entries) {
    JpegPicture picture;
    picture.components = 1;
    picture.sample = [](int x, int, int) -> uint8_t { return static_cast<uint8_t>(x * 4); };
    TJPEGImage image;
    Load(image, picture.Encode());
    const TBitmap& bitmap = image.Bitmap();
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
    const auto palette = bitmap.Palette();
    ASSERT_FALSE(palette.empty());
    EXPECT_LE(palette.size(), 236u);
    EXPECT_EQ(bitmap.Header()->biClrUsed, palette.size());
    for (const RGBQUAD& c : palette) {
        EXPECT_EQ(c.rgbRed, c.rgbGreen);
        EXPECT_EQ(c.rgbGreen, c.rgbBlue);
    }
    EXPECT_NEAR(GetRValue(bitmap.Pixels(40, 10)), 160, 12);
}

TEST(JPEGImageDecoding, ProgressiveFileDecodesInOneFinalPassToTheSameSize) {
    JpegPicture baseline;
    baseline.width = 100;
    baseline.height = 30;
    JpegPicture progressive = baseline;
    progressive.progressive = true;
    TJPEGImage a, b;
    Load(a, baseline.Encode());
    Load(b, progressive.Encode());
    EXPECT_EQ(b.Bitmap().Width(), 100);
    EXPECT_EQ(b.Bitmap().Height(), 30);
    EXPECT_LT(Distance(a.Bitmap().Pixels(50, 15), b.Bitmap().Pixels(50, 15)), 12);
}

TEST(JPEGImageDecoding, ProgressiveDisplayDecodesScanByScanToTheSamePicture) {
    JpegPicture progressive;
    progressive.progressive = true;
    TJPEGImage plain, scans;
    Load(plain, progressive.Encode());
    Load(scans, progressive.Encode());
    scans.ProgressiveDisplay = true;
    EXPECT_EQ(scans.Bitmap().Width(), 64);
    EXPECT_LT(Distance(plain.Bitmap().Pixels(20, 20), scans.Bitmap().Pixels(20, 20)), 12);
}

TEST(JPEGImageDecoding, FileCutHalfWayDecodesWithoutError) {
    JpegPicture picture;
    picture.width = 320;
    picture.height = 240;
    auto bytes = picture.Encode();
    bytes.resize(bytes.size() / 2);
    TJPEGImage image;
    Load(image, bytes);
    TBitmap bitmap;
    EXPECT_NO_THROW(image.AssignTo(bitmap));
    EXPECT_EQ(bitmap.Width(), 320);
    EXPECT_EQ(bitmap.Height(), 240);
}

TEST(JPEGImageDecoding, SettingsChangeTheOutput) {
    const auto bytes = JpegPicture{}.Encode();
    TJPEGImage half;
    Load(half, bytes);
    half.Scale = TJPEGScale::jsHalf;
    EXPECT_EQ(half.Bitmap().Width(), 32);

    TJPEGImage grey;
    Load(grey, bytes);
    grey.Grayscale = true;
    EXPECT_EQ(grey.Bitmap().PixelFormat(), TPixelFormat::pf8bit);

    TJPEGImage eightBit;
    Load(eightBit, bytes);
    eightBit.PixelFormat = TJPEGPixelFormat::jf8Bit;
    eightBit.Performance = TJPEGPerformance::jpBestSpeed;
    TJPEGImage full;
    Load(full, bytes);
    EXPECT_EQ(eightBit.Bitmap().PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_LE(eightBit.Bitmap().Palette().size(), 256u);
    EXPECT_LT(Distance(eightBit.Bitmap().Pixels(30, 30), full.Bitmap().Pixels(30, 30)), 60);
}

TEST(JPEGImageDecoding, CmykFileIsConvertedTo24Bits) {
    JpegPicture cmyk;
    cmyk.components = 4;
    // Inverted CMYK as Adobe writes it: 255 = no ink. Cyan-free, full magenta and yellow: red.
    cmyk.sample = [](int, int, int c) -> uint8_t { return c == 0 ? 255 : (c == 3 ? 255 : 0); };
    TJPEGImage image;
    Load(image, cmyk.Encode());
    const TBitmap& bitmap = image.Bitmap();
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_LT(Distance(bitmap.Pixels(10, 10), RGB(255, 0, 0)), 30);
}

TEST(JPEGImageDecoding, DecodedPixelsOutliveTheImage) {
    TBitmap bitmap;
    {
        TJPEGImage image;
        Load(image, JpegPicture{}.Encode());
        image.AssignTo(bitmap);
    }
    EXPECT_EQ(bitmap.Width(), 64);
    EXPECT_NE(bitmap.Pixels(3, 3), CLR_INVALID);
}

TEST(JPEGImageDecoding, ProgressIsSignalledAroundDecoding) {
    TJPEGImage image;
    Load(image, JpegPicture{}.Encode());
    std::vector<std::pair<TProgressStage, int>> seen;
    image.OnProgress = [&](TJPEGImage&, TProgressStage stage, int percent) {
        seen.emplace_back(stage, percent);
    };
    image.Bitmap();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].first, TProgressStage::psStarting);
    EXPECT_EQ(seen[1], std::make_pair(TProgressStage::psEnding, 100));
}

} // namespace
