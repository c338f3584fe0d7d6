#include "platform/media/outputs/VirtualCameraOutput.h"
#include "platform/media/converters/BgrToYuv.h"
#include "platform/media/core/VideoFormat.h"
#include "tests/media/support/FakeV4l2Access.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <linux/videodev2.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr const char* kDevice = "/dev/video10";

// The window's processed picture: a bottom-up 24-bit frame under a lock, and the reader the
// virtual camera calls.
class Picture {
public:
    void Set(int width, int height, uint8_t seed) {
        std::lock_guard lock(mutex_);
        width_ = width;
        height_ = height;
        bits_.resize(static_cast<size_t>(Rgb24Stride(width)) * height);
        for (size_t k = 0; k < bits_.size(); ++k)
            bits_[k] = static_cast<uint8_t>(k * 7 + seed);
    }
    std::vector<uint8_t> Yuyv() const {
        std::lock_guard lock(mutex_);
        std::vector<uint8_t> yuyv(static_cast<size_t>(width_) * 2 * height_);
        Rgb24ToYuyv(bits_.data(), Rgb24Stride(width_), true, width_, height_, yuyv.data(), width_ * 2);
        return yuyv;
    }
    PictureReader Reader() {
        return [this](const PictureVisitor& visit) {
            std::lock_guard lock(mutex_);
            visit({bits_.data(), width_, height_, Rgb24Stride(width_), true});
        };
    }

private:
    mutable std::mutex mutex_;
    int width_ = 0, height_ = 0;
    std::vector<uint8_t> bits_;
};

int64_t Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

uint64_t Counter(VirtualCameraOutput& output, const std::string& name) {
    NamedCounters counters;
    output.Counters()->ReadCounters(counters);
    for (const auto& [key, value] : counters)
        if (key == name)
            return value;
    return ~uint64_t{0};
}

// Waits (up to two seconds) until the condition holds.
template <class Condition> bool Eventually(Condition condition) {
    for (int k = 0; k < 400; ++k) {
        if (condition())
            return true;
        std::this_thread::sleep_for(5ms);
    }
    return condition();
}

class VirtualCameraOutputTest : public testing::Test {
protected:
    VirtualCameraOutputTest() : fake_({Node()}) {}

    static FakeV4l2Node Node() {
        FakeV4l2Node node;
        node.path = kDevice;
        node.card = "Tarnolix";
        node.loopback = true;
        return node;
    }

    // A camera of 64x48 at `rate` frames a second.
    std::unique_ptr<VirtualCameraOutput> Start(uint32_t rate = 100) {
        picture_.Set(64, 48, 1);
        return std::make_unique<VirtualCameraOutput>(
            V4l2Access::Current(), VirtualCameraSettings{kDevice, 64, 48, {1, rate}}, picture_.Reader());
    }

    FakeLoopback Device() { return fake_.Access().Loopback(kDevice); }

    ScopedFakeV4l2 fake_;
    Picture picture_;
};

// The format and rate are set and the stream started before anything is written, with the tags
// webcam clients assume; each frame goes out as the picture's YUYV with its latency.
TEST_F(VirtualCameraOutputTest, SetsTheFormatFirstThenWritesEachFrameAsYuyv) {
    auto output = Start(1); // no repeats meanwhile
    const FakeLoopback opened = Device();
    EXPECT_EQ(opened.events, (std::vector<std::string>{"S_FMT 64x48", "S_PARM 1/1", "STREAMON"}));
    EXPECT_EQ(opened.colorspace, static_cast<uint32_t>(V4L2_COLORSPACE_SMPTE170M));

    output->FrameReady(Now());
    ASSERT_TRUE(Eventually([&] { return Counter(*output, "frames_written") == 1; }));
    EXPECT_EQ(Device().lastFrame, picture_.Yuyv());
    EXPECT_GT(Counter(*output, "latency_p99_us"), 0u);
    NamedLabels labels;
    output->Counters().As<ICounterLabels>()->ReadLabels(labels);
    EXPECT_EQ(labels, (NamedLabels{{"device", kDevice}, {"format", "YUYV 64x48 1/1"}}));
}

// With no new frame for 1.5 intervals the last is written again at the camera's rate (black
// before the first), and a new frame is written as soon as it comes.
TEST_F(VirtualCameraOutputTest, RepeatsTheLastFrameWhileNoneComesAndResumes) {
    auto output = Start(200);
    ASSERT_TRUE(Eventually([&] { return Counter(*output, "frames_repeated") >= 2; }));
    EXPECT_EQ(Device().lastFrame[0], 16); // black luma
    output->FrameReady(Now());
    ASSERT_TRUE(Eventually([&] { return Counter(*output, "frames_written") == 1; }));
    const uint64_t repeated = Counter(*output, "frames_repeated");
    ASSERT_TRUE(Eventually([&] { return Counter(*output, "frames_repeated") >= repeated + 5; }));
    EXPECT_EQ(Device().lastFrame, picture_.Yuyv());

    picture_.Set(64, 48, 99);
    output->FrameReady(Now());
    ASSERT_TRUE(Eventually([&] { return Counter(*output, "frames_written") == 2; }));
    EXPECT_EQ(Device().lastFrame, picture_.Yuyv());
}

// A new size is set only when the picture's size changes, reopening the device when it keeps its
// format; while a reader holds the old format the picture is centred in it.
TEST_F(VirtualCameraOutputTest, ResizesOnlyWhenThePictureSizeChanges) {
    auto output = Start(1); // no repeats meanwhile
    for (int k = 1; k <= 3; ++k) {
        output->FrameReady(Now());
        ASSERT_TRUE(
            Eventually([&] { return Counter(*output, "frames_written") == static_cast<uint64_t>(k); }));
    }
    picture_.Set(32, 24, 5);
    output->FrameReady(Now());
    ASSERT_TRUE(Eventually([&] { return Counter(*output, "frames_written") == 4; }));
    const std::vector<std::string> events = Device().events;
    EXPECT_EQ(std::count(events.begin(), events.end(), "S_FMT 64x48"), 2); // at start, then kept
    EXPECT_EQ(std::count(events.begin(), events.end(), "S_FMT 32x24"), 1); // after reopening
    EXPECT_EQ(Device().lastFrame, picture_.Yuyv());

    fake_.Access().SetOtherHolders(kDevice, 1);
    picture_.Set(40, 20, 9);
    output->FrameReady(Now());
    ASSERT_TRUE(Eventually([&] { return Counter(*output, "frames_written") == 5; }));
    const std::vector<uint8_t> frame = Device().lastFrame;
    ASSERT_EQ(frame.size(), 32u * 2 * 24);
    // Columns 4 to 35 of the picture, between two black rows above and two below.
    EXPECT_EQ(std::vector<uint8_t>(frame.begin(), frame.begin() + 4),
              (std::vector<uint8_t>{16, 128, 16, 128}));
    EXPECT_EQ(frame[23 * 64], 16);
    const std::vector<uint8_t> yuyv = picture_.Yuyv();
    EXPECT_TRUE(std::equal(frame.begin() + 2 * 64, frame.begin() + 3 * 64, yuyv.begin() + 8));
}

// A device that blocks on write stalls only the writer: FrameReady stays cheap, and the writer
// goes on when the device does. Destruction joins the writer and closes the device.
TEST_F(VirtualCameraOutputTest, ABlockedDeviceNeverStallsFrameReady) {
    auto output = Start();
    fake_.Access().BlockWrites(kDevice, true);
    const auto started = std::chrono::steady_clock::now();
    for (int k = 0; k < 200; ++k)
        output->FrameReady(Now());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 100ms);
    fake_.Access().BlockWrites(kDevice, false);
    ASSERT_TRUE(Eventually([&] { return Counter(*output, "frames_written") >= 1; }));
    output.reset();
    EXPECT_EQ(fake_.Access().OpenDescriptors(), 0);
    EXPECT_EQ(Device().events.back(), "close");
    EXPECT_TRUE(Device().readyForOutput); // free for the next writer
}

// A device that goes away stops the writer with a message; the streaming thread goes on.
TEST_F(VirtualCameraOutputTest, AFailedWriteStopsTheWriterWithAMessage) {
    auto output = Start();
    fake_.Access().FailWrites(kDevice, ENODEV);
    output->FrameReady(Now());
    ASSERT_TRUE(Eventually([&] { return !output->Failure().empty(); }));
    EXPECT_NE(output->Failure().find(kDevice), std::string::npos) << output->Failure();
    output->FrameReady(Now());
}

} // namespace
