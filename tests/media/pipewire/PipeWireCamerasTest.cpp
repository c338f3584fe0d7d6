#include "platform/media/pipewire/PipeWireCameras.h"
#include "platform/com/ClassRegistry.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/converters/Classes.h"
#include "platform/media/core/CameraControlInterfaces.h"
#include "platform/media/core/StreamConfigInterface.h"
#include "platform/media/devices/Directory.h"
#include "platform/media/filters/SampleGrabber.h"
#include "platform/media/outputs/PipeWireCameraOutput.h"
#include "platform/media/pipewire/CameraPortal.h"
#include "platform/media/pipewire/PipeWireCameraList.h"
#include "tests/media/support/FakeGraph.h"
#include "tests/media/support/GrabberTestSupport.h"
#include "tests/media/support/PipeWireDaemons.h"
#include "tests/media/support/TestFilters.h"

#include <gtest/gtest.h>

#include <linux/videodev2.h>

#include <array>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

class PipeWireSession : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string missing = PipeWireDaemons::Missing(); !missing.empty())
            GTEST_SKIP() << missing;
        daemons_ = std::make_unique<PipeWireDaemons>();
        ASSERT_TRUE(daemons_->Start()) << daemons_->Failure() << "\n" << daemons_->Log();
    }

    // Waits up to `seconds` for `condition`.
    template <typename Condition> static bool Eventually(Condition condition, int seconds = 10) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (!condition()) {
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return true;
    }

    std::unique_ptr<PipeWireDaemons> daemons_;
};

TEST_F(PipeWireSession, ListsCameraNodesWithTheirPropertiesAndFollowsThem) {
    auto connection = std::make_shared<PipeWireConnection>();
    std::atomic<int> changes{0};
    PipeWireCameraList list(connection, [&] { ++changes; });
    ASSERT_TRUE(list.WaitListed(5000));
    EXPECT_TRUE(list.Cameras().empty());

    const pid_t camera = daemons_->StartCamera("testcam", "Test camera", 0x00ff00);
    ASSERT_TRUE(Eventually([&] { return list.Cameras().size() == 1; })) << daemons_->Log();
    const PipeWireCamera listed = list.Cameras().front();
    EXPECT_EQ(listed.Property("node.name"), "testcam");
    EXPECT_EQ(listed.Property("node.description"), "Test camera");
    EXPECT_EQ(listed.Property("media.role"), "Camera");
    EXPECT_NE(listed.serial, 0u);
    EXPECT_GE(changes.load(), 1);

    daemons_->StopProcess(camera);
    EXPECT_TRUE(Eventually([&] { return list.Cameras().empty(); }));
}

TEST(PipeWireConnectionTest, NoDaemonIsAClearError) {
    // NoMachineDevices points PIPEWIRE_RUNTIME_DIR at a folder without sockets.
    EXPECT_FALSE(PipeWireConnection::SocketPresent());
    try {
        PipeWireConnection connection;
        FAIL() << "connected without a daemon";
    } catch (const PipeWireError& error) {
        EXPECT_NE(std::string(error.what()).find("No PipeWire daemon answers"), std::string::npos);
    }
}

} // namespace

namespace {

size_t ListedAs(const std::u16string& name) {
    size_t count = 0;
    for (const DeviceRecord& device : DeviceDirectory::VideoInputDevices())
        for (const auto& [key, value] : device.properties)
            if (key == u"FriendlyName" && value == name)
                ++count;
    return count;
}

ComPtr<IPin> PinOf(IBaseFilter* filter, const char16_t* name) {
    ComPtr<IPin> pin;
    filter->FindPin(name, pin.Receive());
    return pin;
}

// The camera's capture source → the colour converter → the sample grabber (24-bit RGB), running.
struct CaptureChain {
    explicit CaptureChain(ComPtr<IBaseFilter> source) : capture(std::move(source)) {
        RegisterMediaClasses();
        CoCreateInstance(CLSID_Colour, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                         converter.ReceiveVoid());
        grabberFilter = ComPtr<IBaseFilter>::Adopt(grabber = new SampleGrabber);
        ScopedMediaType wanted = VideoType(MEDIASUBTYPE_RGB24);
        wanted->formattype = FORMAT_VideoInfo;
        grabber->SetMediaType(&wanted);
        grabber->SetCallback(callback.Get(), 1);
        for (auto& [filter, name] :
             {std::pair{capture, u"Source"}, {converter, u"Converter"}, {grabberFilter, u"Grabber"}})
            filter->JoinFilterGraph(graph.Get(), name);
        connected =
            PinOf(capture.Get(), u"Capture")->Connect(PinOf(converter.Get(), u"In").Get(), nullptr) == S_OK &&
            PinOf(converter.Get(), u"Out")->Connect(PinOf(grabberFilter.Get(), u"Input").Get(), nullptr) ==
                S_OK;
    }
    ~CaptureChain() {
        Stop();
        DetachFilters({capture.Get(), converter.Get(), grabberFilter.Get()});
    }
    HRESULT Run() {
        grabberFilter->Run(0);
        converter->Run(0);
        return capture->Run(0);
    }
    void Stop() {
        capture->Stop();
        converter->Stop();
        grabberFilter->Stop();
    }

    ComPtr<FakeGraph> graph = ComPtr<FakeGraph>::Adopt(new FakeGraph);
    ComPtr<RecordingCallback> callback = ComPtr<RecordingCallback>::Adopt(new RecordingCallback);
    ComPtr<IBaseFilter> capture, converter, grabberFilter;
    SampleGrabber* grabber = nullptr;
    bool connected = false;
};

ComPtr<IBaseFilter> BindCamera(const std::u16string& identity) {
    ComPtr<IBaseFilter> filter;
    DeviceDirectory::Bind({DeviceKind::PipeWire, identity}, IID_IBaseFilter, filter.ReceiveVoid());
    return filter;
}

// The middle pixel of the newest bottom-up 24-bit frame, as blue, green, red.
std::array<int, 3> MiddlePixel(CaptureChain& chain, int width, int height) {
    std::array<int, 3> pixel{};
    chain.callback->SetOnBuffer([&pixel, width, height](uint8_t* bits, int32_t length) {
        const int stride = (width * 3 + 3) & ~3;
        if (length < stride * height)
            return;
        const uint8_t* middle = bits + (height / 2) * stride + (width / 2) * 3;
        pixel = {middle[0], middle[1], middle[2]};
    });
    const size_t calls = chain.callback->Calls();
    EXPECT_TRUE(chain.callback->WaitForCalls(calls + 5));
    const std::array<int, 3> seen = chain.callback->ReadHandled([&] { return pixel; });
    chain.callback->SetOnBuffer(nullptr); // the handler writes a local of this call
    return seen;
}

} // namespace

TEST_F(PipeWireSession, CameraNodeIsListedCapturedInItsColoursAndFollowedThroughRemovalAndDaemonRestart) {
    daemons_->StartCamera("testcam", "Test camera", 0xff0000);
    ASSERT_TRUE(Eventually([] { return ListedAs(u"Test camera") == 1; })) << daemons_->Log();
    {
        CaptureChain chain(BindCamera(u"name:testcam"));
        ASSERT_TRUE(chain.capture);
        // The node's one format is the pin's, as the camera menu lists it.
        ComPtr<IAMStreamConfig> config;
        PinOf(chain.capture.Get(), u"Capture")->QueryInterface(IID_IAMStreamConfig, config.ReceiveVoid());
        int count = 0, size = 0;
        ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
        ASSERT_EQ(count, 1);
        AM_MEDIA_TYPE* offered = nullptr;
        ASSERT_EQ(config->GetStreamCaps(0, &offered, nullptr), S_OK);
        const auto format = AnyVideoFormatOf(*offered);
        DeleteMediaType(offered);
        ASSERT_TRUE(format);
        EXPECT_EQ(format->subtype, MEDIASUBTYPE_YUY2);
        EXPECT_EQ(format->width, 320);
        EXPECT_EQ(format->averageTimePerFrame, 333333);

        ASSERT_TRUE(chain.connected);
        ASSERT_EQ(chain.Run(), S_OK) << daemons_->Log();
        const auto red = MiddlePixel(chain, 320, 240);
        EXPECT_NEAR(red[0], 0, 8);
        EXPECT_NEAR(red[1], 0, 8);
        EXPECT_NEAR(red[2], 255, 8);
        NamedLabels labels;
        chain.capture.As<ICounterLabels>()->ReadLabels(labels);
        EXPECT_EQ(labels, (NamedLabels{{"access", "PipeWire"}, {"node", "testcam"}}));

        // The node goes: an unplugging. It comes back under the same name: listed and captured again.
        daemons_->KillAllCameras();
        EXPECT_TRUE(chain.graph->WaitFor(EC_DEVICE_LOST));
        EXPECT_TRUE(Eventually([] { return ListedAs(u"Test camera") == 0; }));
    }
    daemons_->StartCamera("testcam", "Test camera", 0x0000ff);
    ASSERT_TRUE(Eventually([] { return ListedAs(u"Test camera") == 1; }));
    {
        CaptureChain chain(BindCamera(u"name:testcam"));
        ASSERT_TRUE(chain.capture && chain.connected);
        ASSERT_EQ(chain.Run(), S_OK);
        EXPECT_NEAR(MiddlePixel(chain, 320, 240)[0], 255, 8) << "blue now";

        // The daemon dies: an unplugging too; restarted, the camera is listed and captured again.
        daemons_->KillPipeWire();
        EXPECT_TRUE(chain.graph->WaitFor(EC_DEVICE_LOST));
    }
    daemons_->KillAllCameras();
    ASSERT_TRUE(daemons_->StartPipeWire()) << daemons_->Failure();
    daemons_->StartCamera("testcam", "Test camera", 0x00ff00);
    ASSERT_TRUE(Eventually([] { return ListedAs(u"Test camera") == 1; }, 15)) << daemons_->Log();
    CaptureChain chain(BindCamera(u"name:testcam"));
    ASSERT_TRUE(chain.capture && chain.connected);
    ASSERT_EQ(chain.Run(), S_OK);
    EXPECT_NEAR(MiddlePixel(chain, 320, 240)[1], 255, 8) << "green now";
}

TEST_F(PipeWireSession, NodeSettingsAreListedSetAndFollowedThroughTheCaptureSource) {
    daemons_->StartProcess({TARNOLIX_SETTINGS_CAMERA});
    ASSERT_TRUE(Eventually([] { return ListedAs(u"Settings camera") == 1; })) << daemons_->Log();
    const auto filter = BindCamera(u"name:settings-camera");
    ASSERT_TRUE(filter);
    const auto controls = filter.As<ICameraControls>();
    ASSERT_TRUE(controls);
    std::vector<CameraControl> listed;
    ASSERT_EQ(controls->GetControls(listed), S_OK);
    ASSERT_EQ(listed.size(), 3u) << "the node's device is no setting";
    // V4L2's ids where one fits, so that captions and saved values are a V4L2 camera's.
    EXPECT_EQ(listed[0].id, static_cast<uint32_t>(V4L2_CID_BRIGHTNESS));
    EXPECT_EQ(listed[0].type, CameraControlType::Integer);
    EXPECT_EQ(listed[0].maximum, 255);
    EXPECT_EQ(listed[0].value, 128);
    EXPECT_EQ(listed[1].id, static_cast<uint32_t>(V4L2_CID_POWER_LINE_FREQUENCY));
    EXPECT_EQ(listed[1].type, CameraControlType::Menu);
    ASSERT_EQ(listed[1].menu.size(), 3u);
    EXPECT_EQ(listed[1].menu[2].name, "60 Hz");
    EXPECT_EQ(listed[2].name, "Saturation");
    EXPECT_EQ(listed[2].value, 100) << "fractions in hundredths";
    EXPECT_EQ(listed[2].maximum, 3200);

    // Set through one client, heard by another's handler, as the dialog follows another program.
    const auto other = BindCamera(u"name:settings-camera").As<ICameraControls>();
    ASSERT_TRUE(other);
    std::atomic<int64_t> told{-1};
    uint32_t cookie = 0;
    ASSERT_EQ(other->Advise(
                  [&told](const CameraControl& control) {
                      if (control.id == V4L2_CID_BRIGHTNESS)
                          told = control.value;
                  },
                  &cookie),
              S_OK);
    EXPECT_EQ(controls->SetValue(V4L2_CID_BRIGHTNESS, 200), S_OK);
    EXPECT_EQ(controls->SetValue(listed[2].id, 250), S_OK);
    EXPECT_TRUE(Eventually([&told] { return told == 200; })) << "the node's news of its Props";
    CameraControl now;
    ASSERT_EQ(other->GetControl(listed[2].id, now), S_OK);
    EXPECT_EQ(now.value, 250);
    EXPECT_EQ(controls->SetValue(V4L2_CID_BRIGHTNESS, 256), E_INVALIDARG);
    EXPECT_EQ(controls->SetValue(V4L2_CID_POWER_LINE_FREQUENCY, 3), E_INVALIDARG)
        << "not an item of the list";
    EXPECT_EQ(other->Unadvise(cookie), S_OK);

    // PipeWire's own test source, made as WirePlumber makes camera nodes, keeps showing its old
    // pattern after a set: refused, and read-only from then on (as is every setting of a node that
    // never took one), rather than a success that did nothing.
    const pid_t made = daemons_->StartProcess(
        {"pw-cli", "create-node", "adapter",
         "{ factory.name=videotestsrc library.name=videotestsrc/libspa-videotestsrc node.name=spa-testcam "
         "node.description=\"Test source\" media.class=Video/Source media.role=Camera object.linger=true }"});
    daemons_->WaitProcess(made, 5000);
    ASSERT_TRUE(Eventually([] { return ListedAs(u"Test source") == 1; })) << daemons_->Log();
    const auto keeping = BindCamera(u"name:spa-testcam").As<ICameraControls>();
    ASSERT_TRUE(keeping);
    ASSERT_EQ(keeping->GetControls(listed), S_OK);
    ASSERT_EQ(listed.size(), 1u) << "its pattern; the live mode is plumbing";
    EXPECT_EQ(keeping->SetValue(listed[0].id, 1), E_ACCESSDENIED);
    ASSERT_EQ(keeping->GetControl(listed[0].id, now), S_OK);
    EXPECT_TRUE(now.readOnly);

    // GStreamer's node publishes no settings: there are none to show.
    daemons_->StartCamera("testcam", "Test camera", 0xff0000);
    ASSERT_TRUE(Eventually([] { return ListedAs(u"Test camera") == 1; })) << daemons_->Log();
    const auto none = BindCamera(u"name:testcam").As<ICameraControls>();
    ASSERT_TRUE(none);
    EXPECT_EQ(none->GetControls(listed), S_OK);
    EXPECT_TRUE(listed.empty());
}

// The Camera portal, answered by a stand-in backend. The session is the process's one, so each
// case needs a process of its own, as ctest runs them.
namespace {

class CameraPortalSession : public PipeWireSession {
protected:
    void SetUp() override {
        PipeWireSession::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ::setenv("TARNOLIX_CAMERA_PORTAL", "1", 1);
    }
    void TearDown() override { ::unsetenv("TARNOLIX_CAMERA_PORTAL"); }

    void StartPortal(int response) {
        if (!daemons_->StartPortal(response))
            GTEST_SKIP() << daemons_->Failure();
    }
};

} // namespace

TEST_F(CameraPortalSession, GrantedCapturesThroughThePortalsDescriptorAndSeesTheVirtualCamera) {
    daemons_->StartCamera("testcam", "Test camera", 0xff0000);
    StartPortal(0);
    if (IsSkipped())
        return;
    ASSERT_TRUE(Eventually([] { return ListedAs(u"Test camera") == 1; })) << daemons_->Log();
    CaptureChain chain(BindCamera(u"name:testcam"));
    ASSERT_TRUE(chain.capture && chain.connected);
    ASSERT_EQ(chain.Run(), S_OK) << daemons_->Log();
    EXPECT_NEAR(MiddlePixel(chain, 320, 240)[2], 255, 8);
    NamedLabels labels;
    chain.capture.As<ICounterLabels>()->ReadLabels(labels);
    EXPECT_EQ(labels.back(), (std::pair<std::string, std::string>{"connection", "Camera portal"}));

    // A client of the portal sees the virtual camera: a camera node like any other.
    const auto output = MakePipeWireCameraOutput({64, 48, {1, 30}}, [](const PictureVisitor&) {});
    EXPECT_TRUE(Eventually([] { return ListedAs(u"Tarnolix") == 1; })) << daemons_->Log();
    EXPECT_TRUE(PipeWireCameras::TakeNotice().empty());
}

TEST_F(CameraPortalSession, RefusedListsNothingAndSaysSoInPolishOnce) {
    daemons_->StartCamera("testcam", "Test camera", 0xff0000);
    StartPortal(1);
    if (IsSkipped())
        return;
    std::string notice;
    ASSERT_TRUE(Eventually([&] {
        PipeWireCameras::List();
        notice = PipeWireCameras::TakeNotice();
        return !notice.empty();
    })) << daemons_->Log();
    EXPECT_EQ(notice, kCameraAccessRefused);
    EXPECT_TRUE(PipeWireCameras::TakeNotice().empty()) << "told once";
    EXPECT_EQ(ListedAs(u"Test camera"), 0u);
}

TEST_F(CameraPortalSession, NoPortalConnectsThePlainWay) {
    daemons_->StartCamera("testcam", "Test camera", 0x00ff00);
    EXPECT_TRUE(Eventually([] { return ListedAs(u"Test camera") == 1; }, 30)) << daemons_->Log();
    EXPECT_TRUE(PipeWireCameras::TakeNotice().empty());
}
