#include "platform/media/cameras/VirtualCameras.h"
#include "platform/media/sources/StillImageSize.h"
#include "tests/media/support/FakeV4l2Access.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> Names(const std::vector<VirtualCamera>& cameras) {
    std::vector<std::string> names;
    for (const auto& camera : cameras)
        names.push_back(camera.name);
    return names;
}

TEST(VirtualCameras, UnsetGivesTheTestCameraAndEmptyGivesNone) {
    {
        ScopedEnvironment unset("TARNOLIX_VIRTUAL_CAMERAS", nullptr);
        const auto cameras = VirtualCamerasFromEnvironment();
        ASSERT_EQ(cameras.size(), 1u);
        EXPECT_EQ(cameras[0].name, "Kamera testowa");
        EXPECT_EQ(cameras[0].Entry(), "Kamera testowa=pattern:640x480@30");
    }
    ScopedEnvironment empty("TARNOLIX_VIRTUAL_CAMERAS", "");
    EXPECT_TRUE(VirtualCamerasFromEnvironment().empty());
}

TEST(VirtualCameras, ListKeepsOrderAndSkipsEntriesThatDoNotParse) {
    ScopedEnvironment list(
        "TARNOLIX_VIRTUAL_CAMERAS",
        " Pierwsza = pattern:320x240@15 ,pattern:0x10,,image:/tmp/a=b/tło.jpg,x=pattern:10x10@0,"
        "Druga=pattern:1x1");
    const auto cameras = VirtualCamerasFromEnvironment();
    EXPECT_EQ(Names(cameras), (std::vector<std::string>{"Pierwsza", "tło.jpg", "Druga"}));
    ASSERT_EQ(cameras.size(), 3u);
    EXPECT_EQ(cameras[0].Entry(), "Pierwsza=pattern:320x240@15");
    EXPECT_EQ(cameras[1].imagePath, "/tmp/a=b/tło.jpg") << "an unnamed image path may hold '='";
    EXPECT_EQ(cameras[2].framesPerSecond, 30);
}

TEST(VirtualCameras, RefusesBadSizesRatesAndTrailingText) {
    for (const char* bad :
         {"pattern:", "pattern:640", "pattern:640x", "pattern:16385x10", "pattern:-1x10", "pattern:10x10@",
          "pattern:10x10@1001", "pattern:10x10@30fps", "patterns", "image:", "camera", "A=", "A=video:1"})
        EXPECT_FALSE(ParseVirtualCamera(bad)) << bad;
    const auto named = ParseVirtualCamera("patternowa=pattern");
    ASSERT_TRUE(named) << "a name may start like a kind";
    EXPECT_EQ(named->name, "patternowa");
    // An entry survives being written out and parsed back.
    const auto again = ParseVirtualCamera(ParseVirtualCamera("pattern:16384x2@1000")->Entry());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->width, 16384);
    EXPECT_EQ(again->framesPerSecond, 1000);
}

TEST(VirtualCameras, ARecordingIsNamedByItsFileAndKeepsItsRate) {
    for (const char* bad : {"mjpeg", "mjpeg:", "mjpeg@:/a", "mjpeg@0:/a", "mjpeg@25/a"})
        EXPECT_FALSE(ParseVirtualCamera(bad)) << bad;
    const auto plain = ParseVirtualCamera("mjpeg:/tmp/x@y/kamera.mjpeg");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->kind, VirtualCamera::Kind::Recording);
    EXPECT_EQ(plain->name, "kamera.mjpeg");
    EXPECT_EQ(plain->framesPerSecond, 30);
    const auto again = ParseVirtualCamera(ParseVirtualCamera("HD=mjpeg@60:/a:b.mjpeg")->Entry());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->name, "HD");
    EXPECT_EQ(again->framesPerSecond, 60);
    EXPECT_EQ(again->imagePath, "/a:b.mjpeg");
}

class StillImageSizeTest : public testing::Test {
protected:
    std::string Write(const std::vector<uint8_t>& bytes) {
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path_;
    }
    void TearDown() override { std::remove(path_.c_str()); }

    // Tests run in parallel processes: each writes a file of its own.
    std::string path_ = testing::TempDir() + "tarnolix-still-image-" + std::to_string(::getpid()) + "-" +
                        testing::UnitTest::GetInstance()->current_test_info()->name();
};

std::vector<uint8_t> BitmapHeader(int32_t width, int32_t height) {
    std::vector<uint8_t> bytes(54, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    bytes[14] = 40;
    for (int k = 0; k < 4; ++k) {
        bytes[18 + k] = static_cast<uint8_t>(static_cast<uint32_t>(width) >> (8 * k));
        bytes[22 + k] = static_cast<uint8_t>(static_cast<uint32_t>(height) >> (8 * k));
    }
    return bytes;
}

TEST_F(StillImageSizeTest, ReadsBitmapSidesIncludingTopDown) {
    auto size = ReadStillImageSize(Write(BitmapHeader(33, -17)));
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 33);
    EXPECT_EQ(size->height, 17);
    EXPECT_FALSE(ReadStillImageSize(Write(BitmapHeader(0, 5))));
    auto truncated = BitmapHeader(4, 4);
    truncated.resize(20);
    EXPECT_FALSE(ReadStillImageSize(Write(truncated)));
}

TEST_F(StillImageSizeTest, FindsTheJpegFrameHeaderPastOtherSegments) {
    // SOI, an APP0 segment of 16 bytes, fill bytes, then a baseline frame header 120 high, 160 wide.
    std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10};
    jpeg.resize(jpeg.size() + 14, 0);
    jpeg.insert(jpeg.end(), {0xFF, 0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0x78, 0x00, 0xA0, 0x03});
    auto size = ReadStillImageSize(Write(jpeg));
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 160);
    EXPECT_EQ(size->height, 120);

    // The huffman table marker (C4) is not a frame header; a segment running off the end is cut.
    EXPECT_FALSE(
        ReadStillImageSize(Write({0xFF, 0xD8, 0xFF, 0xC4, 0x00, 0x07, 0x08, 0x00, 0x78, 0x00, 0xA0})));
    EXPECT_FALSE(ReadStillImageSize(Write({0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11, 0x08})));
    EXPECT_FALSE(ReadStillImageSize(Write({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x00})));
    EXPECT_FALSE(ReadStillImageSize(path_ + "-missing"));
}

} // namespace
