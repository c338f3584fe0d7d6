// Reads the picture files kept in tests/data: a few real files with known content, and every
// regression input in tests/data/corrupt/ (crashes found by the fuzzers and hand-made hostile
// files), which must load or fail with one of the program's errors.

#include "imaging/BitmapFileReader.h"
#include "imaging/JPEGImage.h"
#include "platform/runtime/Exception.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

fs::path DataFolder() {
    const char* source = std::getenv("TARNOLIX_SOURCE_DIR");
    return source ? fs::path(source) / "tests" / "data" : fs::path("tests/data");
}

TEST(DataFiles, RealBitmapFilesRead) {
    TBitmap rle;
    LoadBitmapFromFile(rle, (DataFolder() / "rle8.bmp").string());
    EXPECT_EQ(rle.HandleType(), TBitmapHandleType::bmDDB);
    EXPECT_EQ(rle.Pixels(0, 3), RGB(0, 0, 0)) << "bottom row, first run";
    EXPECT_EQ(rle.Pixels(7, 3), RGB(255, 0, 0));
    EXPECT_EQ(rle.Pixels(0, 0), RGB(0, 0, 255)) << "top row";

    TBitmap core;
    LoadBitmapFromFile(core, (DataFolder() / "core1.bmp").string());
    EXPECT_EQ(core.PixelFormat(), TPixelFormat::pf1bit);
    EXPECT_EQ(core.Pixels(0, 1), RGB(255, 255, 255));
    EXPECT_EQ(core.Pixels(0, 0), RGB(0, 0, 0));
}

TEST(DataFiles, RealJpegFilesDecode) {
    const struct {
        const char* name;
        TPixelFormat format;
    } files[] = {{"colour.jpg", TPixelFormat::pf24bit},
                 {"grey.jpg", TPixelFormat::pf8bit},
                 {"progressive.jpg", TPixelFormat::pf24bit},
                 {"cmyk.jpg", TPixelFormat::pf24bit}};
    for (const auto& file : files) {
        TJPEGImage image;
        image.LoadFromFile((DataFolder() / file.name).string());
        TBitmap bitmap;
        image.AssignTo(bitmap);
        EXPECT_EQ(bitmap.Width(), 48) << file.name;
        EXPECT_EQ(bitmap.Height(), 32) << file.name;
        EXPECT_EQ(bitmap.PixelFormat(), file.format) << file.name;
    }
}

TEST(DataFiles, RegressionInputsLoadOrFailWithTheProgramsErrors) {
    const fs::path folder = DataFolder() / "corrupt";
    ASSERT_TRUE(fs::is_directory(folder));
    int files = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        SCOPED_TRACE(entry.path().string());
        ++files;
        const std::string path = entry.path().string();
        const std::string extension = entry.path().extension().string();
        if (extension != ".jpg") {
            TBitmap picture;
            try {
                LoadBitmapFromFile(picture, path);
                for (int y = 0; y < picture.Height(); ++y)
                    for (int x = 0; x < picture.Width(); ++x)
                        (void)picture.Pixels(x, y);
            } catch (const Exception&) {
            }
        }
        if (extension != ".bmp") {
            // Every decoder set-up, as the JPEG fuzzer tries them.
            for (int settings = 0; settings < 32; ++settings) {
                TJPEGImage image;
                try {
                    image.LoadFromFile(path);
                    image.Grayscale = settings & 1;
                    image.PixelFormat = settings & 2 ? TJPEGPixelFormat::jf8Bit : TJPEGPixelFormat::jf24Bit;
                    image.Performance =
                        settings & 4 ? TJPEGPerformance::jpBestSpeed : TJPEGPerformance::jpBestQuality;
                    image.ProgressiveDisplay = settings & 8;
                    image.Scale = settings & 16 ? TJPEGScale::jsQuarter : TJPEGScale::jsFullSize;
                    TBitmap bitmap;
                    image.AssignTo(bitmap);
                } catch (const Exception&) {
                }
            }
        }
    }
    EXPECT_GT(files, 0);
}

} // namespace
