#include "platform/media/cameras/V4l2Modes.h"

#include "tests/media/support/FakeV4l2Access.h"

#include <gtest/gtest.h>
#include <linux/videodev2.h>

namespace {

constexpr REFERENCE_TIME kFps30 = 333333;
constexpr REFERENCE_TIME kFps10 = 1000000;

V4l2Mode Yuyv(int32_t width, int32_t height, REFERENCE_TIME interval) {
    return {V4L2_PIX_FMT_YUYV, width, height, interval};
}

V4l2Mode Mjpeg(int32_t width, int32_t height, REFERENCE_TIME interval) {
    return {V4L2_PIX_FMT_MJPEG, width, height, interval};
}

TEST(BestV4l2Mode, LargestSizeAtThirtyPerSecondUpToFullHd) {
    // vivid: 40 frames a second at 640x360, 5 at full HD.
    EXPECT_EQ(BestV4l2Mode({Yuyv(1920, 1080, 2000000), Yuyv(640, 360, 250000)}), Yuyv(640, 360, 250000));
    // A webcam whose YUYV is slow at 720p while its MJPEG keeps 30 up to full HD.
    EXPECT_EQ(BestV4l2Mode({Yuyv(640, 480, kFps30), Yuyv(1280, 720, kFps10), Mjpeg(1280, 720, kFps30),
                            Mjpeg(1920, 1080, kFps30)}),
              Mjpeg(1920, 1080, kFps30));
    // Above full HD only when nothing else is offered.
    EXPECT_EQ(BestV4l2Mode({Mjpeg(3840, 2160, kFps30), Mjpeg(1280, 720, kFps30)}), Mjpeg(1280, 720, kFps30));
    EXPECT_EQ(BestV4l2Mode({Mjpeg(3840, 2160, kFps10)}), Mjpeg(3840, 2160, kFps10));
    EXPECT_EQ(BestV4l2Mode({}), std::nullopt);
}

TEST(BestV4l2Mode, WithoutThirtyPerSecondTheFastestRateAtItsLargestSize) {
    const V4l2Mode fifteen = Yuyv(1280, 720, 666666);
    EXPECT_EQ(BestV4l2Mode({Yuyv(640, 480, 666666), fifteen, Yuyv(1920, 1080, kFps10), Yuyv(320, 240, 0)}),
              fifteen);
}

TEST(BestV4l2Mode, AtEqualSizeAndRateTheCheapestFormat) {
    // 29.97 frames a second counts as 30.
    const V4l2Mode yuyv = Yuyv(1280, 720, 333667);
    EXPECT_EQ(BestV4l2Mode({Mjpeg(1280, 720, kFps30), {V4L2_PIX_FMT_NV12, 1280, 720, kFps30}, yuyv}), yuyv);
    const V4l2Mode bgr{V4L2_PIX_FMT_BGR24, 640, 480, kFps30};
    EXPECT_EQ(
        BestV4l2Mode({{V4L2_PIX_FMT_GREY, 640, 480, kFps30}, bgr, {V4L2_PIX_FMT_RGB24, 640, 480, kFps30}}),
        bgr);
}

TEST(ListV4l2Modes, TheCamerasOwnConvertedFormatsWithoutEmulatedOnes) {
    FakeV4l2Node camera;
    camera.path = "/dev/video0";
    camera.nativeModes = {{V4L2_PIX_FMT_YUYV, 640, 480, {1, 30}},    {V4L2_PIX_FMT_YUYV, 1280, 720, {1, 10}},
                          {V4L2_PIX_FMT_SGRBG8, 1280, 720, {1, 30}}, // Bayer: not ours to convert
                          {V4L2_PIX_FMT_MJPEG, 1280, 720, {1, 30}},  {V4L2_PIX_FMT_MJPEG, 1280, 720, {1, 60}},
                          {V4L2_PIX_FMT_MJPEG, 0, 720, {1, 30}}};
    ScopedFakeV4l2 fake({camera});
    const V4l2Node node(V4l2Access::Current(), camera.path);
    EXPECT_EQ(ListV4l2Modes(node), (std::vector<V4l2Mode>{Yuyv(640, 480, kFps30), Yuyv(1280, 720, kFps10),
                                                          Mjpeg(1280, 720, 166666)}))
        << "one mode per size at its fastest interval; libv4l2's BGR24 and implausible sizes left out";
}

} // namespace
