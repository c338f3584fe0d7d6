// Reads the public BMP test suite in place (../shared/bmpsuite beside the repository), comparing
// the good files with the suite's reference pictures.

#include "imaging/BitmapFileReader.h"

#include "BmpBuilder.h"
#include "platform/runtime/StandardErrors.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

namespace {

namespace fs = std::filesystem;

// TARNOLIX_BMPSUITE_DIR when set, else ../shared/bmpsuite beside TARNOLIX_SOURCE_DIR (which
// ctest sets to the repository's root).
fs::path SuiteFolder() {
    if (const char* dir = std::getenv("TARNOLIX_BMPSUITE_DIR"))
        return dir;
    if (const char* source = std::getenv("TARNOLIX_SOURCE_DIR"))
        return fs::path(source) / ".." / "shared" / "bmpsuite";
    return {};
}

struct Reference {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
};

// A P7 file with 8-bit RGB_ALPHA tuples, as the suite's references are.
bool ReadPam(const fs::path& path, Reference& out) {
    const auto bytes = ReadFileBytes(path.string());
    const std::string text(bytes.begin(), bytes.end());
    const size_t end = text.find("ENDHDR\n");
    if (end == std::string::npos)
        return false;
    std::istringstream header(text.substr(0, end));
    std::string key;
    int depth = 0, maxval = 0;
    while (header >> key) {
        if (key == "WIDTH")
            header >> out.width;
        else if (key == "HEIGHT")
            header >> out.height;
        else if (key == "DEPTH")
            header >> depth;
        else if (key == "MAXVAL")
            header >> maxval;
    }
    out.rgba.assign(bytes.begin() + static_cast<long>(end + 7), bytes.end());
    return depth == 4 && maxval == 255 && out.rgba.size() == static_cast<size_t>(out.width * out.height * 4);
}

// The good files and their reference picture (the first one the suite names).
const std::map<std::string, std::string>& GoodFiles() {
    static const std::map<std::string, std::string> files{
        {"pal1.bmp", "pal1"},
        {"pal1wb.bmp", "pal1"},
        {"pal1bg.bmp", "pal1bg"},
        {"pal4.bmp", "pal4"},
        {"pal4gs.bmp", "pal4gs"},
        {"pal4rle.bmp", "pal4"},
        {"pal8.bmp", "pal8"},
        {"pal8-0.bmp", "pal8"},
        {"pal8gs.bmp", "pal8gs"},
        {"pal8rle.bmp", "pal8"},
        {"pal8w126.bmp", "pal8w126"},
        {"pal8w125.bmp", "pal8w125"},
        {"pal8w124.bmp", "pal8w124"},
        {"pal8topdown.bmp", "pal8"},
        {"pal8nonsquare.bmp", "pal8nonsquare-e"},
        {"pal8os2.bmp", "pal8"},
        {"pal8v4.bmp", "pal8"},
        {"pal8v5.bmp", "pal8"},
        {"rgb16.bmp", "rgb16"},
        {"rgb16bfdef.bmp", "rgb16"},
        {"rgb16-565.bmp", "rgb16-565"},
        {"rgb16-565pal.bmp", "rgb16-565"},
        {"rgb24.bmp", "rgb24"},
        {"rgb24pal.bmp", "rgb24"},
        {"rgb32.bmp", "rgb24"},
        {"rgb32bfdef.bmp", "rgb24"},
        {"rgb32bf.bmp", "rgb24"},
    };
    return files;
}

class BmpSuite : public ::testing::Test {
protected:
    void SetUp() override {
        if (SuiteFolder().empty() || !fs::is_directory(SuiteFolder() / "g"))
            GTEST_SKIP() << "the BMP test suite is not beside the repository";
    }
};

TEST_F(BmpSuite, GoodFilesReadWithTheReferenceColours) {
    for (const auto& [file, reference] : GoodFiles()) {
        SCOPED_TRACE(file);
        Reference ref;
        ASSERT_TRUE(ReadPam(SuiteFolder() / "ref-pam" / (reference + ".pam"), ref));
        TBitmap picture;
        ASSERT_NO_THROW(LoadBitmapFromFile(picture, (SuiteFolder() / "g" / file).string()));
        ASSERT_EQ(picture.Width(), ref.width);
        ASSERT_EQ(picture.Height(), ref.height);
        int wrong = 0;
        for (int y = 0; y < ref.height && wrong < 3; ++y)
            for (int x = 0; x < ref.width && wrong < 3; ++x) {
                const uint8_t* p = &ref.rgba[static_cast<size_t>(4 * (y * ref.width + x))];
                const COLORREF got = picture.Pixels(x, y);
                if (got != RGB(p[0], p[1], p[2])) {
                    ++wrong;
                    ADD_FAILURE() << "pixel (" << x << ", " << y << "): got " << std::hex << got
                                  << ", reference " << RGB(p[0], p[1], p[2]);
                }
            }
    }
}

TEST_F(BmpSuite, RunLengthFilesBecomeDeviceDependentBitmaps) {
    for (const char* file : {"pal4rle.bmp", "pal8rle.bmp"}) {
        TBitmap picture;
        LoadBitmapFromFile(picture, (SuiteFolder() / "g" / file).string());
        EXPECT_EQ(picture.HandleType(), TBitmapHandleType::bmDDB) << file;
    }
}

// Every questionable, bad and foreign file is read or refused with the program's own errors;
// a sanitizer build checks that nothing unsafe happens on the way.
TEST_F(BmpSuite, OtherFilesAreReadOrRefusedSafely) {
    int files = 0;
    for (const char* folder : {"q", "b", "x"}) {
        for (const auto& entry : fs::directory_iterator(SuiteFolder() / folder)) {
            SCOPED_TRACE(entry.path().string());
            ++files;
            TBitmap picture;
            try {
                LoadBitmapFromFile(picture, entry.path().string());
                if (!picture.Empty()) {
                    EXPECT_GT(picture.Width(), 0);
                    for (int y = 0; y < picture.Height(); ++y)
                        for (int x = 0; x < picture.Width(); ++x)
                            (void)picture.Pixels(x, y);
                }
            } catch (const Exception&) {
                EXPECT_TRUE(picture.Empty()) << "a failed read leaves the picture as it was";
            }
        }
    }
    EXPECT_GT(files, 50);
}

TEST_F(BmpSuite, ReaderRulesHoldWhereTheyDifferFromTheReferences) {
    TBitmap picture;
    EXPECT_THROW(LoadBitmapFromFile(picture, (SuiteFolder() / "x" / "ba-bm.bmp").string()), EInvalidGraphic)
        << "a type other than BM is refused";
    EXPECT_THROW(LoadBitmapFromFile(picture, (SuiteFolder() / "q" / "pal8os2v2-16.bmp").string()),
                 EInvalidGraphic)
        << "a 16-byte header is refused";
    // The table of 300 entries keeps 256 and the pixels after it read as the reference shows.
    Reference ref;
    ASSERT_TRUE(ReadPam(SuiteFolder() / "ref-pam" / "pal8.pam", ref));
    LoadBitmapFromFile(picture, (SuiteFolder() / "q" / "pal8oversizepal.bmp").string());
    EXPECT_EQ(picture.Palette().size(), 256u);
    EXPECT_EQ(picture.Pixels(5, 5), RGB(ref.rgba[4 * (5 * 127 + 5)], ref.rgba[4 * (5 * 127 + 5) + 1],
                                        ref.rgba[4 * (5 * 127 + 5) + 2]));
}

} // namespace
