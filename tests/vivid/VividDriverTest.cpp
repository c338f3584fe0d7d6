// The capture path against a real kernel driver: vivid, the kernel's virtual video test driver,
// loaded with two devices inside the guest that tests/vm/run-vivid.sh boots. Each case skips
// where no vivid capture node is present. The driver's controls are set with v4l2-ctl.
#include "platform/com/ClassRegistry.h"
#include "platform/com/ComObject.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/cameras/LibV4l2Access.h"
#include "platform/media/cameras/V4l2Cameras.h"
#include "platform/media/converters/ColourConversion.h"
#include "platform/media/core/CaptureBuilderInterfaces.h"
#include "platform/media/core/ErrorText.h"
#include "platform/media/core/GraphInterfaces.h"
#include "platform/media/core/MediaType.h"
#include "platform/media/core/SampleGrabberInterface.h"
#include "platform/media/core/VideoFormat.h"
#include "platform/media/devices/Directory.h"
#include "platform/media/renderers/VideoRenderer.h"
#include "platform/runtime/UnicodeText.h"
#include "tests/vivid/LiveGraph.h"
#include "tests/vivid/NativeFormatAccess.h"
#include "tests/vivid/VividNodes.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <linux/videodev2.h>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Runs v4l2-ctl on a node ("-c disconnect=1", "--set-fmt-video=..."); true when it succeeded.
bool V4l2Ctl(const std::string& node, const std::string& arguments) {
    const std::string command = "v4l2-ctl -d " + node + " " + arguments + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// An ioctl on a descriptor of our own, beside whatever the graph has open.
bool QueryDevice(const std::string& node, unsigned long request, void* argument) {
    const int fd = ::open(node.c_str(), O_RDWR | O_CLOEXEC);
    const bool answered = fd >= 0 && ::ioctl(fd, request, argument) == 0;
    if (fd >= 0)
        ::close(fd);
    return answered;
}

// The device's frame interval now, in 100 ns units.
REFERENCE_TIME DeviceInterval(const std::string& node) {
    v4l2_streamparm parameters{};
    parameters.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    const bool read = QueryDevice(node, VIDIOC_G_PARM, &parameters);
    const v4l2_fract& interval = parameters.parm.capture.timeperframe;
    return read && interval.denominator ? int64_t{10'000'000} * interval.numerator / interval.denominator : 0;
}

// The pixel format the device sends now.
uint32_t DevicePixelFormat(const std::string& node) {
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    return QueryDevice(node, VIDIOC_G_FMT, &format) ? format.fmt.pix.pixelformat : 0;
}

class Vivid : public ::testing::Test {
protected:
    void SetUp() override {
        nodes = VividCaptureNodes();
        if (nodes.empty())
            GTEST_SKIP() << "no vivid capture node: the driver is not loaded";
        RegisterMediaClasses();
        RegisterQuartzModule();
        previous = V4l2Access::Install(std::make_shared<LibV4l2Access>("/dev"));
        for (const std::string& node : nodes) {
            // Still bars, text only for the counters, no errors left over from a former case.
            V4l2Ctl(node, "-c horizontal_movement=3 -c osd_text_mode=1 -c percentage_of_dropped_buffers=0");
        }
    }
    void TearDown() override {
        if (!nodes.empty())
            V4l2Access::Install(previous);
    }

    // Runs the graph: the first device sends `native`, and the grabber gets the eight bars.
    void ExpectBarsFromTheDeviceIn(LiveGraph& live, uint32_t native) {
        const auto format = live.Connected();
        ASSERT_TRUE(format);
        ASSERT_EQ(live.Run(), S_OK);
        ASSERT_TRUE(live.frames->WaitForFrames(3));
        EXPECT_EQ(DevicePixelFormat(nodes[0]), native);
        EXPECT_EQ(BarsShown(live.frames->Latest(), *format), 8);
        EXPECT_EQ(live.Stop(), S_OK);
    }

    std::vector<std::string> nodes;
    std::shared_ptr<V4l2Access> previous;
};

TEST_F(Vivid, EnumerationListsEachDeviceWithItsCardNameAndAStableIdentity) {
    const auto devices = DeviceDirectory::VideoInputDevices();
    std::vector<std::u16string> identities;
    for (const auto& device : devices) {
        if (device.identity.kind != DeviceKind::V4l2)
            continue;
        EXPECT_EQ(device.properties.at(u"FriendlyName").substr(0, 5), u"vivid");
        identities.push_back(device.identity.id);
    }
    ASSERT_EQ(identities.size(), nodes.size()) << "one entry per capture node, none for the others";
    if (std::filesystem::exists("/dev/v4l/by-id")) {
        for (const auto& identity : identities)
            EXPECT_EQ(Utf16ToUtf8(identity).rfind("/dev/v4l/by-id/", 0), 0u)
                << "a link that survives renumbering";
    }
    const auto again = DeviceDirectory::VideoInputDevices();
    for (size_t k = 0; k < identities.size(); ++k) {
        EXPECT_EQ(again[k].identity.id, identities[k]) << "the same identity on every enumeration";
        PropertyBag::Values properties;
        EXPECT_EQ(DeviceDirectory::Properties({DeviceKind::V4l2, identities[k]}, properties), S_OK);
    }
}

TEST_F(Vivid, ColourBarsReachTheGrabberAtTwoSizes) {
    for (const auto& [width, height] : {std::pair{640, 360}, std::pair{320, 180}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        // Whatever size the device was left at, the connection takes its best mode: vivid keeps
        // 30 frames a second up to 640x360 (40), not at 640x480 and above.
        ASSERT_TRUE(V4l2Ctl(nodes[0], "--set-fmt-video=width=" + std::to_string(width) +
                                          ",height=" + std::to_string(height) + ",pixelformat=BGR3"));
        LiveGraph live(nodes[0]);
        ASSERT_EQ(live.bound, S_OK);
        ASSERT_EQ(live.rendered, S_OK);
        const auto format = live.Connected();
        ASSERT_TRUE(format);
        EXPECT_EQ(format->width, 640);
        EXPECT_EQ(format->height, 360);
        ASSERT_EQ(live.Run(), S_OK);
        ASSERT_TRUE(live.frames->WaitForFrames(3));
        EXPECT_EQ(BarsShown(live.frames->Latest(), *format), 8);
        EXPECT_EQ(live.Stop(), S_OK);
    }
}

TEST_F(Vivid, ColourBarsSurviveConversionFromFourNativeFormats) {
    for (const uint32_t native :
         {V4L2_PIX_FMT_YUYV, V4L2_PIX_FMT_UYVY, V4L2_PIX_FMT_NV12, V4L2_PIX_FMT_YUV420}) {
        SCOPED_TRACE(std::string(reinterpret_cast<const char*>(&native), 4));
        V4l2Access::Install(std::make_shared<NativeFormatAccess>(native));
        ASSERT_TRUE(V4l2Ctl(nodes[0], "--set-fmt-video=width=640,height=360,pixelformat=BGR3"));
        LiveGraph live(nodes[0]);
        ASSERT_EQ(live.rendered, S_OK);
        ExpectBarsFromTheDeviceIn(live, native);
    }
}

// vivid offers BGR24 at every size, so its best mode is a BGR24 one: captured as 24-bit RGB
// straight into the grabber, with no converter between.
TEST_F(Vivid, TheCapturePinConnectsInTheBestOfVividsModes) {
    const auto best = PrintV4l2Modes(nodes[0]);
    ASSERT_TRUE(best);
    EXPECT_EQ(best->pixelFormat, V4L2_PIX_FMT_BGR24);
    LiveGraph live(nodes[0]);
    ASSERT_EQ(live.rendered, S_OK);
    const auto captured = live.Captured();
    ASSERT_TRUE(captured);
    std::printf("the capture pin connected with %dx%d, interval %lld\n", captured->width, captured->height,
                static_cast<long long>(captured->averageTimePerFrame));
    EXPECT_EQ(captured->subtype, MEDIASUBTYPE_RGB24);
    EXPECT_EQ(captured->width, best->width);
    EXPECT_EQ(captured->height, best->height);
    EXPECT_EQ(captured->averageTimePerFrame, best->interval);
    ComPtr<IBaseFilter> converter;
    EXPECT_NE(live.graph->FindFilterByName(u"Color Space Converter", converter.Receive()), S_OK);
}

// The camera's own YUV formats chosen on the capture pin, as the window's camera menu does: the
// graph's colour converter turns each, with vivid's strides, into the same bars.
TEST_F(Vivid, TheGraphsConverterKeepsVividsBarsFromEachYuvFormat) {
    for (const auto& [subtype, native] :
         {std::pair{MEDIASUBTYPE_YUY2, V4L2_PIX_FMT_YUYV}, std::pair{MEDIASUBTYPE_UYVY, V4L2_PIX_FMT_UYVY},
          std::pair{MEDIASUBTYPE_NV12, V4L2_PIX_FMT_NV12},
          std::pair{MEDIASUBTYPE_I420, V4L2_PIX_FMT_YUV420}}) {
        SCOPED_TRACE(std::string(reinterpret_cast<const char*>(&native), 4));
        LiveGraph live(nodes[0], VideoFormat{640, 360, 0, subtype});
        ASSERT_EQ(live.chosen, S_OK);
        ASSERT_EQ(live.rendered, S_OK);
        const auto captured = live.Captured();
        ASSERT_TRUE(captured);
        EXPECT_EQ(captured->subtype, subtype);
        ComPtr<IBaseFilter> converter;
        EXPECT_EQ(live.graph->FindFilterByName(u"Color Space Converter", converter.Receive()), S_OK);
        ExpectBarsFromTheDeviceIn(live, native);
    }
}

TEST_F(Vivid, TheDeviceRunsAtItsFastestRateAndTheMediaTypeSaysSo) {
    ASSERT_TRUE(V4l2Ctl(nodes[0], "--set-fmt-video=width=640,height=360,pixelformat=BGR3 --set-parm=5"));
    LiveGraph live(nodes[0]);
    ASSERT_EQ(live.rendered, S_OK);
    const auto format = live.Connected();
    ASSERT_TRUE(format);
    ASSERT_EQ(live.Run(), S_OK);
    const REFERENCE_TIME interval = DeviceInterval(nodes[0]);
    EXPECT_LT(interval, 2'000'000) << "faster than the 5 frames a second it was left at";
    EXPECT_EQ(format->averageTimePerFrame, interval);

    ASSERT_TRUE(live.frames->WaitForFrames(2));
    const int before = live.frames->Frames();
    const auto start = Clock::now();
    std::this_thread::sleep_for(3s);
    const int delivered = live.frames->Frames() - before;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("vivid 640x360: asked for %.1f frames/s, %d frames in %.2f s = %.1f frames/s delivered\n",
                1e7 / static_cast<double>(interval), delivered, seconds, delivered / seconds);
    RecordProperty("delivered_frames_per_second", std::to_string(delivered / seconds));
    EXPECT_GT(delivered, 0);
    live.Stop();
}

TEST_F(Vivid, SwitchingBetweenTwoDevicesStreamsFromEach) {
    if (nodes.size() < 2)
        GTEST_SKIP() << "vivid was loaded with one device";
    for (const std::string& node : {nodes[0], nodes[1], nodes[0]}) {
        SCOPED_TRACE(node);
        LiveGraph live(node);
        ASSERT_EQ(live.rendered, S_OK);
        ASSERT_EQ(live.Run(), S_OK);
        EXPECT_TRUE(live.frames->WaitForFrames(3));
        EXPECT_EQ(live.Stop(), S_OK);
    }
}

TEST_F(Vivid, AFrameFlaggedAsAnErrorIsDroppedAndStreamingGoesOn) {
    LiveGraph live(nodes[0]);
    ASSERT_EQ(live.Run(), S_OK);
    ASSERT_TRUE(live.frames->WaitForFrames(2));
    ASSERT_TRUE(V4l2Ctl(nodes[0], "-c inject_v4l2_buf_flag_error=1"));
    const int after = live.frames->Frames();
    EXPECT_TRUE(live.frames->WaitForFrames(after + 3)) << "frames keep coming";
    const auto format = live.Connected();
    ASSERT_TRUE(format);
    EXPECT_EQ(BarsShown(live.frames->Latest(), *format), 8);
    EXPECT_EQ(live.Stop(), S_OK);
}

TEST_F(Vivid, AFatalStreamingErrorAbortsWithTheGraphsErrorEvent) {
    LiveGraph live(nodes[0]);
    ASSERT_EQ(live.Run(), S_OK);
    ASSERT_TRUE(live.frames->WaitForFrames(2));
    ASSERT_TRUE(V4l2Ctl(nodes[0], "-c inject_fatal_streaming_error=1"));
    EXPECT_TRUE(live.WaitForEvent(EC_ERRORABORT));
    const auto before = Clock::now();
    EXPECT_EQ(live.Stop(), S_OK);
    EXPECT_LT(Clock::now() - before, 2s);
    EXPECT_EQ(live.Run(), S_OK) << "the device streams again after a stop";
    EXPECT_TRUE(live.frames->WaitForFrames(live.frames->Frames() + 2));
}

TEST_F(Vivid, ADeviceThatStopsDeliveringAbortsWithATimeout) {
    LiveGraph live(nodes[0]);
    ASSERT_EQ(live.Run(), S_OK);
    ASSERT_TRUE(live.frames->WaitForFrames(2));
    // vivid keeps every buffer from now on: no frame comes back.
    ASSERT_TRUE(V4l2Ctl(nodes[0], "-c percentage_of_dropped_buffers=100"));
    LONG_PTR result = 0;
    EXPECT_TRUE(live.WaitForEvent(EC_ERRORABORT, &result, 20s));
    EXPECT_EQ(result, VFW_E_TIMEOUT);
    const auto before = Clock::now();
    EXPECT_EQ(live.Stop(), S_OK);
    EXPECT_LT(Clock::now() - before, 2s);
    V4l2Ctl(nodes[0], "-c percentage_of_dropped_buffers=0");
}

TEST_F(Vivid, ErrorsWhenStartingMakeRunFailAndTheNextRunWorks) {
    for (const char* control :
         {"inject_vidioc_streamon_error", "inject_vidioc_reqbufs_error", "inject_vidioc_qbuf_error"}) {
        SCOPED_TRACE(control);
        LiveGraph live(nodes[0]);
        ASSERT_EQ(live.rendered, S_OK);
        ASSERT_TRUE(V4l2Ctl(nodes[0], std::string("-c ") + control + "=1"));
        const HRESULT result = live.Run();
        EXPECT_TRUE(FAILED(result)) << std::hex << result;
        char text[160] = {};
        EXPECT_GT(AMGetErrorTextA(result, text, sizeof text), 0u) << "a result with a message";
        live.Stop();
        EXPECT_EQ(live.Run(), S_OK);
        EXPECT_TRUE(live.frames->WaitForFrames(2));
        live.Stop();
    }
}

TEST_F(Vivid, ADeviceStreamingInAnotherProgramMakesRunFailAsBusy) {
    const std::string other =
        "v4l2-ctl -d " + nodes[0] + " --stream-mmap --stream-count=400 >/dev/null 2>&1 & echo $!";
    FILE* started = popen(other.c_str(), "r");
    ASSERT_TRUE(started);
    int pid = 0;
    ASSERT_EQ(std::fscanf(started, "%d", &pid), 1);
    pclose(started);
    std::this_thread::sleep_for(1s);
    {
        LiveGraph live(nodes[0]);
        ASSERT_EQ(live.rendered, S_OK);
        EXPECT_EQ(live.Run(), HRESULT_ERROR_BUSY);
    }
    kill(pid, SIGTERM);
}

// vivid brings a disconnected device back once no descriptor of it is open: a descriptor held
// here keeps it unplugged until the case ends.
TEST_F(Vivid, DisconnectMidStreamReportsTheDeviceLostAndALaterRunFails) {
    const std::string node = nodes.back();
    LiveGraph live(node);
    ASSERT_EQ(live.Run(), S_OK);
    ASSERT_TRUE(live.frames->WaitForFrames(2));
    const int held = ::open(node.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_TRUE(V4l2Ctl(node, "-c disconnect=1"));
    EXPECT_TRUE(live.WaitForEvent(EC_DEVICE_LOST));
    const int frames = live.frames->Frames();
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(live.frames->Frames(), frames) << "the streaming thread has ended";
    const auto before = Clock::now();
    EXPECT_EQ(live.Stop(), S_OK);
    EXPECT_LT(Clock::now() - before, 2s);
    const HRESULT again = live.Run();
    EXPECT_EQ(again, VFW_E_NO_CAPTURE_HARDWARE) << std::hex << again;
    char text[160] = {};
    EXPECT_GT(AMGetErrorTextA(again, text, sizeof text), 0u);
    std::printf("Run after the disconnect: %s\n", text);
    ::close(held);
}

} // namespace
