// An MJPEG camera in the real-driver tier: v4l2loopback devices fed by mjpeg_feeder with colour
// bars at 1280x720, 30 frames a second, one of them with damaged frames among the whole ones.
// tests/vm/vivid-guest.sh names the nodes in TARNOLIX_MJPEG_CAMERA and TARNOLIX_DAMAGED_CAMERA;
// each case skips without its node.
#include "platform/com/ViewerInterfaces.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/cameras/LibV4l2Access.h"
#include "platform/media/core/ErrorText.h"
#include "tests/vivid/LiveGraph.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <linux/videodev2.h>
#include <memory>
#include <string>

namespace {

using namespace std::chrono_literals;

class MjpegCamera : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterMediaClasses();
        RegisterQuartzModule();
        previous_ = V4l2Access::Install(std::make_shared<LibV4l2Access>("/dev"));
    }
    void TearDown() override { V4l2Access::Install(previous_); }

    static std::string Node(const char* variable) {
        const char* node = std::getenv(variable);
        return node ? node : "";
    }

private:
    std::shared_ptr<V4l2Access> previous_;
};

// The decompressor's count of frames it could not decode whole; 0 when it keeps none.
uint64_t DamagedFramesDropped(IGraphBuilder* graph) {
    ComPtr<IBaseFilter> decompressor;
    ComPtr<ICounterSource> counters;
    if (graph->FindFilterByName(u"MJPEG Decompressor", decompressor.Receive()) != S_OK ||
        FAILED(decompressor->QueryInterface(IID_ICounterSource, counters.ReceiveVoid())))
        return 0;
    NamedCounters values;
    counters->ReadCounters(values);
    for (const auto& [name, value] : values)
        if (name == "damaged_frames_dropped")
            return value;
    return 0;
}

TEST_F(MjpegCamera, IsCapturedInMjpegAndDecodedToItsBars) {
    const std::string node = Node("TARNOLIX_MJPEG_CAMERA");
    if (node.empty())
        GTEST_SKIP() << "no MJPEG camera named";
    const auto best = PrintV4l2Modes(node);
    ASSERT_TRUE(best);
    EXPECT_EQ(best->pixelFormat, V4L2_PIX_FMT_MJPEG);
    LiveGraph live(node);
    ASSERT_EQ(live.rendered, S_OK);
    const auto captured = live.Captured();
    ASSERT_TRUE(captured);
    EXPECT_EQ(captured->subtype, MEDIASUBTYPE_MJPG);
    EXPECT_EQ(captured->width, 1280);
    EXPECT_EQ(captured->height, 720);
    EXPECT_EQ(captured->averageTimePerFrame, 333333);
    ComPtr<IBaseFilter> decompressor;
    EXPECT_EQ(live.graph->FindFilterByName(u"MJPEG Decompressor", decompressor.Receive()), S_OK);
    const auto format = live.Connected();
    ASSERT_TRUE(format);
    ASSERT_EQ(live.Run(), S_OK);
    ASSERT_TRUE(live.frames->WaitForFrames(3, 20s));
    EXPECT_EQ(BarsShown(live.frames->Latest(), *format), 8) << "within JPEG's tolerance";
    EXPECT_EQ(live.Stop(), S_OK);
}

TEST_F(MjpegCamera, DamagedFramesAreCountedAndSkippedWhileTheStreamGoesOn) {
    const std::string node = Node("TARNOLIX_DAMAGED_CAMERA");
    if (node.empty())
        GTEST_SKIP() << "no camera with damaged frames named";
    LiveGraph live(node);
    ASSERT_EQ(live.rendered, S_OK);
    ASSERT_EQ(live.Run(), S_OK);
    ASSERT_TRUE(live.frames->WaitForFrames(3, 20s));
    // The feeder damages more than one frame in every four: twenty frames span several.
    EXPECT_TRUE(live.frames->WaitForFrames(live.frames->Frames() + 20, 30s)) << "frames keep coming";
    const uint64_t damaged = DamagedFramesDropped(live.graph.Get());
    std::printf("%d frames delivered, %llu damaged frames dropped\n", live.frames->Frames(),
                static_cast<unsigned long long>(damaged));
    EXPECT_GT(damaged, 0u);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(live.Stop(), S_OK);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
}

} // namespace
