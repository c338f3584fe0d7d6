#include "tools/FxProgram.h"

#include "effects/EffectSelection.h"
#include "effects/FramePass.h"
#include "imaging/BitmapFileReader.h"
#include "imaging/BitmapFileWriter.h"
#include "tools/FxCommandLine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <jpeglib.h>

namespace {

namespace fs = std::filesystem;

class FxProgram : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tarnolix-fx-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(pattern.data()));
        folder_ = pattern;
        TBitmap picture;
        picture.SetSize(13, 7);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 13; ++x) {
                uint8_t* p = picture.ScanLine(y) + 3 * x;
                p[0] = static_cast<uint8_t>(x * 19 + y);
                p[1] = static_cast<uint8_t>(y * 31 + 3);
                p[2] = static_cast<uint8_t>(x * y * 5);
            }
        SaveBitmapToFile(picture, Path("in.bmp"));
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Path(const std::string& name) const { return (folder_ / name).string(); }

    int Run(std::vector<std::string> arguments) {
        out_.str("");
        err_.str("");
        return RunFx(arguments, out_, err_);
    }

    // The pass run directly over the input picture, as the program runs it over a frame.
    void Expected(TBitmap& frame, TEffectItem item, uint32_t seed, int passes = 1) {
        TBitmap picture;
        LoadBitmapFromFile(picture, Path("in.bmp"));
        TEffectSelection selection;
        selection.Select(item);
        TRandomGenerator random(seed);
        TFramePass pass(selection, random);
        for (int k = 0; k < passes; ++k) {
            PictureToFrame(picture, frame);
            pass.Run(frame);
        }
    }

    static bool SamePixels(const TBitmap& a, const TBitmap& b) {
        if (a.Width() != b.Width() || a.Height() != b.Height())
            return false;
        for (int y = 0; y < a.Height(); ++y)
            for (int x = 0; x < a.Width(); ++x)
                if (a.Pixels(x, y) != b.Pixels(x, y))
                    return false;
        return true;
    }

    fs::path folder_;
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(FxProgram, ListNamesEveryRadioItemWithItsCaption) {
    EXPECT_EQ(Run({"--list"}), 0);
    const std::string text = out_.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 24);
    EXPECT_NE(text.find("Negatyw1\tNegatyw\n"), std::string::npos);
    EXPECT_NE(text.find("Nakadanieta1\tNakładanie tła\n"), std::string::npos);
}

TEST_F(FxProgram, EveryItemRunsTheRealFramePass) {
    for (const TEffectInfo& info : EffectCatalogue()) {
        SCOPED_TRACE(std::string(info.name));
        ASSERT_EQ(Run({"--seed", "42", std::string(info.name), Path("in.bmp"), Path("out.bmp")}), 0)
            << err_.str();
        TBitmap written, expected;
        LoadBitmapFromFile(written, Path("out.bmp"));
        Expected(expected, info.item, 42);
        EXPECT_EQ(written.PixelFormat(), TPixelFormat::pf24bit);
        EXPECT_GT(written.Header()->biHeight, 0) << "bottom-up";
        EXPECT_TRUE(SamePixels(written, expected));
    }
}

TEST_F(FxProgram, NormalPictureWritesTheInputUnchanged) {
    ASSERT_EQ(Run({"Obraznormalny1", Path("in.bmp"), Path("out.bmp")}), 0);
    std::ifstream a(Path("in.bmp"), std::ios::binary), b(Path("out.bmp"), std::ios::binary);
    const std::string in((std::istreambuf_iterator<char>(a)), {}),
        out((std::istreambuf_iterator<char>(b)), {});
    EXPECT_EQ(in.size(), 54u + 7 * 40);
    EXPECT_EQ(in, out);
}

TEST_F(FxProgram, RepeatRunsOneFrameAfterAnotherWithTheGeneratorGoingOn) {
    ASSERT_EQ(Run({"--seed", "7", "--repeat", "3", "Szumtakolor1", Path("in.bmp"), Path("out.bmp")}), 0);
    TBitmap written, third, first;
    LoadBitmapFromFile(written, Path("out.bmp"));
    Expected(third, TEffectItem::Szumtakolor1, 7, 3);
    Expected(first, TEffectItem::Szumtakolor1, 7, 1);
    EXPECT_TRUE(SamePixels(written, third));
    EXPECT_FALSE(SamePixels(written, first)) << "the noise of the third frame differs from the first's";
}

TEST_F(FxProgram, KeyAndBackgroundReplaceTheKeyedPixels) {
    TBitmap background;
    background.SetSize(26, 14); // twice the frame: scaled to half
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 26; ++x) {
            uint8_t* p = background.ScanLine(y) + 3 * x;
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(y);
            p[2] = 200;
        }
    SaveBitmapToFile(background, Path("bg.bmp"));
    // Every channel of the input is within 149 of mid-grey somewhere; key on it.
    ASSERT_EQ(Run({"--key", "808080", "--background", Path("bg.bmp"), "Nakadanieta1", Path("in.bmp"),
                   Path("out.bmp")}),
              0)
        << err_.str();
    TBitmap input, written;
    LoadBitmapFromFile(input, Path("in.bmp"));
    LoadBitmapFromFile(written, Path("out.bmp"));
    int keyed = 0;
    for (int y = 0; y < 7; ++y)
        for (int x = 1; x < 11; ++x) {
            const COLORREF c = input.Pixels(x, y);
            const bool near = std::abs(GetRValue(c) - 128) < 150 && std::abs(GetGValue(c) - 128) < 150 &&
                              std::abs(GetBValue(c) - 128) < 150;
            const COLORREF want = near ? RGB(200, static_cast<BYTE>(2 * y), static_cast<BYTE>(2 * x)) : c;
            EXPECT_EQ(written.Pixels(x, y), want) << x << ", " << y;
            keyed += near;
        }
    EXPECT_GT(keyed, 10);
    // Without a background the key has nothing to show: the pixels stay.
    ASSERT_EQ(Run({"--key", "808080", "Nakadanieta1", Path("in.bmp"), Path("out.bmp")}), 0);
    LoadBitmapFromFile(written, Path("out.bmp"));
    EXPECT_TRUE(SamePixels(written, input));
}

TEST_F(FxProgram, JpegInputIsDecodedAndWrittenAsABitmap) {
    // A small grey JPEG made by libjpeg's compressor.
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = 9;
    cinfo.image_height = 5;
    cinfo.input_components = 1;
    cinfo.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    uint8_t row[9] = {100, 100, 100, 100, 100, 100, 100, 100, 100};
    for (int y = 0; y < 5; ++y) {
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::ofstream(Path("in.jpg"), std::ios::binary).write(reinterpret_cast<char*>(buffer), size);
    std::free(buffer);

    ASSERT_EQ(Run({"Negatyw1", Path("in.jpg"), Path("out.bmp")}), 0) << err_.str();
    TBitmap written;
    LoadBitmapFromFile(written, Path("out.bmp"));
    EXPECT_EQ(written.Width(), 9);
    EXPECT_EQ(written.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_NEAR(GetRValue(written.Pixels(3, 2)), 155, 3) << "the negative of grey 100";
}

TEST_F(FxProgram, PictureErrorsExitWithOneAndTheErrorsMessage) {
    std::ofstream(Path("bad.bmp")) << "BA and then some more bytes than fourteen";
    EXPECT_EQ(Run({"Negatyw1", Path("bad.bmp"), Path("out.bmp")}), 1);
    EXPECT_EQ(err_.str(), "tarnolix-fx: Bitmap image is not valid\n");
    EXPECT_EQ(Run({"Negatyw1", Path("missing.bmp"), Path("out.bmp")}), 1);
    EXPECT_NE(err_.str().find("Cannot open file"), std::string::npos);
    EXPECT_EQ(Run({"Negatyw1", Path("in.bmp"), Path("no/folder/out.bmp")}), 1);
    EXPECT_NE(err_.str().find("Cannot create file"), std::string::npos);
    EXPECT_EQ(Run({"Negatyw1", Path("in.png"), Path("out.bmp")}), 1) << "neither .bmp nor .jpg";
    EXPECT_EQ(Run({"--background", Path("missing.jpg"), "Nakadanieta1", Path("in.bmp"), Path("out.bmp")}), 1);
}

TEST(FxCommandLine, BadCommandLinesAreUsageErrors) {
    const std::vector<std::vector<std::string>> bad{
        {},
        {"Negatyw1", "in.bmp"},
        {"Negatyw1", "in.bmp", "out.bmp", "extra"},
        {"Negatyw", "in.bmp", "out.bmp"},
        {"--seed", "Negatyw1", "in.bmp", "out.bmp"},
        {"--seed", "-1", "Negatyw1", "in.bmp", "out.bmp"},
        {"--seed", "4294967296", "Negatyw1", "in.bmp", "out.bmp"},
        {"--key", "12345", "Negatyw1", "in.bmp", "out.bmp"},
        {"--key", "GG0000", "Negatyw1", "in.bmp", "out.bmp"},
        {"--repeat", "0", "Negatyw1", "in.bmp", "out.bmp"},
        {"--bogus", "Negatyw1", "in.bmp", "out.bmp"},
        {"Negatyw1", "in.bmp", "out.bmp", "--seed"},
        {"--list", "Negatyw1"},
    };
    for (const auto& arguments : bad) {
        std::ostringstream out, err;
        EXPECT_EQ(RunFx(arguments, out, err), 2) << ::testing::PrintToString(arguments);
        EXPECT_NE(err.str().find("usage: tarnolix-fx"), std::string::npos);
    }
}

TEST(FxCommandLine, OptionsAreReadAsGiven) {
    const TFxOptions options = ParseFxCommandLine({"--seed", "4294967295", "--key", "FF8001", "--background",
                                                   "bg.jpg", "--repeat", "12", "Kontury1", "a", "b"});
    EXPECT_EQ(options.seed, 4294967295u);
    ASSERT_TRUE(options.key);
    EXPECT_EQ(options.key->red, 0xFF);
    EXPECT_EQ(options.key->green, 0x80);
    EXPECT_EQ(options.key->blue, 0x01);
    EXPECT_EQ(options.background, "bg.jpg");
    EXPECT_EQ(options.repeat, 12);
    EXPECT_EQ(options.effect, TEffectItem::Kontury1);
    EXPECT_EQ(options.input, "a");
    EXPECT_EQ(options.output, "b");
    EXPECT_FALSE(ParseFxCommandLine({"Kontury1", "a", "b"}).seed) << "no seed: the time of day's";
}

} // namespace
