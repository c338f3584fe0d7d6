// vivid as a PipeWire camera: the group's own D-Bus, PipeWire and WirePlumber (PipeWireDaemons,
// Bluetooth off; the guest has no udev daemon and no logind) make WirePlumber's V4L2 monitor
// serve vivid's capture nodes as camera nodes. The program then reads vivid through PipeWire,
// another program (gst-launch-1.0 pipewiresrc) reads it at the same time, and direct V4L2
// capture, forced while that program streams, finds the device busy. The daemons start once for
// the group and stop with it, by their process ids.
#include "platform/com/ViewerInterfaces.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/cameras/LibV4l2Access.h"
#include "platform/media/core/CameraControlInterfaces.h"
#include "platform/media/core/ErrorText.h"
#include "platform/media/devices/Directory.h"
#include "platform/media/pipewire/PipeWireCameras.h"
#include "platform/runtime/UnicodeText.h"
#include "tests/media/support/PipeWireDaemons.h"
#include "tests/vivid/LiveGraph.h"
#include "tests/vivid/VividNodes.h"

#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Under the guest's software emulation the daemons and the first listing take seconds.
constexpr auto kSettle = 40s;
// Each rate is measured over this: a few seconds keep the group short.
constexpr auto kMeasured = 3s;
// vivid's best mode, in which the program connects whether it reads vivid directly or through
// PipeWire; another reader must ask for the same, as the node has one format at a time.
constexpr int kBestRate = 40;
constexpr const char* kBestCaps = "video/x-raw,format=BGR,width=640,height=360,framerate=40/1";

bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout = kSettle) {
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(100ms);
    }
    return true;
}

// Frames a second by each counter, over the same stretch of time.
std::vector<double> RatesOver(const std::vector<std::function<int()>>& counters) {
    std::vector<int> before;
    for (const auto& count : counters)
        before.push_back(count());
    const auto start = Clock::now();
    std::this_thread::sleep_for(kMeasured);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::vector<double> rates;
    for (size_t k = 0; k < counters.size(); ++k)
        rates.push_back((counters[k]() - before[k]) / seconds);
    return rates;
}

NamedLabels LabelsOf(IBaseFilter* source) {
    NamedLabels labels;
    ComPtr<ICounterLabels> labelled;
    if (source->QueryInterface(IID_ICounterLabels, labelled.ReceiveVoid()) == S_OK)
        labelled->ReadLabels(labels);
    return labels;
}

class VividPipeWire : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        nodes_ = VividCaptureNodes();
        if (nodes_.empty() || !PipeWireDaemons::Missing().empty())
            return;
        RegisterMediaClasses();
        RegisterQuartzModule();
        V4l2Access::Install(std::make_shared<LibV4l2Access>("/dev"));
        daemons_ = new PipeWireDaemons;
        if (!daemons_->Start())
            failure_ = daemons_->Failure() + "\n" + daemons_->Log();
        else
            Eventually([] { return !Served().name.empty(); });
    }
    static void TearDownTestSuite() {
        delete daemons_;
        daemons_ = nullptr;
    }
    void SetUp() override {
        if (nodes_.empty())
            GTEST_SKIP() << "no vivid capture node: the driver is not loaded";
        if (const std::string missing = PipeWireDaemons::Missing(); !missing.empty())
            GTEST_SKIP() << missing;
        ASSERT_TRUE(failure_.empty()) << failure_;
        ASSERT_FALSE(Served().name.empty()) << "WirePlumber serves no node for " << nodes_[0] << "\n"
                                            << daemons_->Log();
    }
    void TearDown() override {
        if (daemons_)
            daemons_->KillAllCameras(); // the other readers
    }

    // The camera node that reads vivid's first node; empty when none does.
    static PipeWireCameraEntry Served() {
        for (const PipeWireCameraEntry& camera : PipeWireCameras::List())
            if (camera.v4l2Path == nodes_[0])
                return camera;
        return {};
    }

    // Another program reading the node in vivid's best mode: gst-launch-1.0, which prints a line
    // a buffer to a file of its own.
    struct OtherReader {
        std::string log;
        int Frames() const {
            std::ifstream file(log);
            std::string line;
            int buffers = 0;
            while (std::getline(file, line))
                buffers += line.find("last-message = chain") != std::string::npos;
            return buffers;
        }
        std::string Log() const {
            std::ifstream file(log);
            std::string text, line;
            for (int k = 0; k < 30 && std::getline(file, line); ++k)
                text += line + "\n";
            return text;
        }
    };
    static OtherReader StartOtherReader() {
        OtherReader reader{(daemons_->Folder() / "gst-launch.log").string()};
        daemons_->StartProcess({"sh", "-c",
                                "exec stdbuf -oL gst-launch-1.0 -v pipewiresrc target-object=" +
                                    Served().name + " stream-properties=props,media.type=Video ! " +
                                    kBestCaps + " ! fakesink silent=false >" + reader.log + " 2>&1"});
        return reader;
    }

    static inline std::vector<std::string> nodes_;
    static inline std::string failure_;
    static inline PipeWireDaemons* daemons_ = nullptr;
};

TEST_F(VividPipeWire, EachCameraIsListedOnceUnderItsV4l2Identity) {
    size_t vivid = 0, pipeWire = 0;
    for (const DeviceRecord& device : DeviceDirectory::VideoInputDevices()) {
        const std::string name = Utf16ToUtf8(device.properties.at(u"FriendlyName"));
        std::printf("listed: %s (%s)\n", name.c_str(), Utf16ToUtf8(device.identity.id).c_str());
        vivid += name.rfind("vivid", 0) == 0;
        pipeWire += device.identity.kind == DeviceKind::PipeWire;
    }
    for (const PipeWireCameraEntry& camera : PipeWireCameras::List())
        std::printf("PipeWire camera node %s, \"%s\", reads %s\n", camera.name.c_str(),
                    camera.description.c_str(), camera.v4l2Path.c_str());
    EXPECT_EQ(vivid, nodes_.size()) << "one item a capture node, as without PipeWire";
    EXPECT_EQ(pipeWire, 0u) << "no node PipeWire serves is listed beside its V4L2 camera";
}

TEST_F(VividPipeWire, IsCapturedThroughPipeWireInItsBestModeAtItsRate) {
    LiveGraph live(nodes_[0]);
    ASSERT_EQ(live.rendered, S_OK);
    const auto captured = live.Captured();
    ASSERT_TRUE(captured);
    EXPECT_EQ(captured->subtype, MEDIASUBTYPE_RGB24);
    EXPECT_EQ(captured->width, 640);
    EXPECT_EQ(captured->height, 360);
    EXPECT_EQ(captured->averageTimePerFrame, 10'000'000 / kBestRate);
    ASSERT_EQ(live.Run(), S_OK) << daemons_->Log();
    ASSERT_TRUE(live.frames->WaitForFrames(3, 20s)) << daemons_->Log();
    EXPECT_EQ(LabelsOf(live.source.Get()), (NamedLabels{{"access", "PipeWire"}, {"node", Served().name}}));
    const double rate = RatesOver({[&] { return live.frames->Frames(); }})[0];
    std::printf("vivid through PipeWire, 640x360 BGR at %d asked: %.1f frames a second\n", kBestRate, rate);
    // Under the guest's emulation even gst-launch-1.0 reads about 20 a second through PipeWire;
    // a reader that asked for no rate would get vivid's slowest, 1 a second.
    EXPECT_GT(rate, kBestRate / 4.0);
    const auto format = live.Connected();
    ASSERT_TRUE(format);
    EXPECT_EQ(BarsShown(live.frames->Latest(), *format), 8);
    // The device's controls stay reachable while PipeWire has it: the settings dialog lists them.
    ComPtr<ICameraControls> device;
    ASSERT_EQ(live.source->QueryInterface(IID_ICameraControls, device.ReceiveVoid()), S_OK);
    std::vector<CameraControl> controls;
    ASSERT_EQ(device->GetControls(controls), S_OK);
    EXPECT_TRUE(std::any_of(controls.begin(), controls.end(),
                            [](const CameraControl& control) { return control.id == V4L2_CID_BRIGHTNESS; }));
    EXPECT_EQ(live.Stop(), S_OK);
}

// How cameras are shared between programs: both read the node at its full rate.
TEST_F(VividPipeWire, AnotherProgramReadsTheCameraAtTheSameTimeBothAtTheFullRate) {
    LiveGraph live(nodes_[0]);
    ASSERT_EQ(live.rendered, S_OK);
    ASSERT_EQ(live.Run(), S_OK) << daemons_->Log();
    ASSERT_TRUE(live.frames->WaitForFrames(3, 20s));
    const double alone = RatesOver({[&] { return live.frames->Frames(); }})[0];

    const OtherReader other = StartOtherReader();
    ASSERT_TRUE(Eventually([&] { return other.Frames() >= 3; })) << other.Log() << daemons_->Log();
    const auto rates = RatesOver({[&] { return live.frames->Frames(); }, [&] { return other.Frames(); }});
    std::printf("alone: %.1f frames a second; together: Tarnolix %.1f, gst-launch-1.0 %.1f\n", alone,
                rates[0], rates[1]);
    // Neither reader halves the other; the guest's emulation, not the sharing, limits the rate.
    EXPECT_GT(rates[0], alone * 0.6);
    EXPECT_GT(rates[1], alone * 0.6);
    const auto format = live.Connected();
    ASSERT_TRUE(format);
    EXPECT_EQ(BarsShown(live.frames->Latest(), *format), 8);
    EXPECT_EQ(live.Stop(), S_OK);
}

// Read directly, the device another program streams through PipeWire is busy: running fails with
// a result whose text says so, and the other program reads on.
TEST_F(VividPipeWire, ForcedToV4l2WhileAnotherProgramStreamsTheDeviceIsBusy) {
    const OtherReader other = StartOtherReader();
    ASSERT_TRUE(Eventually([&] { return other.Frames() >= 3; })) << other.Log() << daemons_->Log();
    ::setenv("TARNOLIX_CAMERA_ACCESS", "v4l2", 1);
    {
        LiveGraph live(nodes_[0]);
        ASSERT_EQ(live.rendered, S_OK);
        const HRESULT result = live.Run();
        char text[160] = {};
        AMGetErrorTextA(result, text, sizeof text);
        std::printf("direct capture while another program streams: %s ($%X)\n", text,
                    static_cast<unsigned>(result));
        EXPECT_EQ(result, HRESULT_ERROR_BUSY);
        EXPECT_STREQ(text, "Żądany zasób jest w użyciu.");
        std::this_thread::sleep_for(1s);
        EXPECT_EQ(live.frames->Frames(), 0);
    }
    ::unsetenv("TARNOLIX_CAMERA_ACCESS");
    const int before = other.Frames();
    EXPECT_TRUE(Eventually([&] { return other.Frames() >= before + 10; }, 5s)) << "the other reads on";
}

// Listed through PipeWire alone, vivid is a plain PipeWire camera: its settings are those the node
// publishes, and a value set through them reaches the device.
TEST_F(VividPipeWire, NodeSettingsReachTheDeviceWhenCamerasComeThroughPipeWireAlone) {
    const PipeWireCameraEntry served = Served();
    const std::string name = served.description.empty() ? served.name : served.description;
    ::setenv("TARNOLIX_CAMERA_ACCESS", "pipewire", 1);
    ComPtr<ICameraControls> settings;
    for (const DeviceRecord& device : DeviceDirectory::VideoInputDevices())
        if (device.identity.kind == DeviceKind::PipeWire &&
            Utf16ToUtf8(device.properties.at(u"FriendlyName")) == name) {
            ComPtr<IBaseFilter> source;
            DeviceDirectory::Bind(device.identity, IID_IBaseFilter, source.ReceiveVoid());
            if (source)
                source->QueryInterface(IID_ICameraControls, settings.ReceiveVoid());
        }
    ::unsetenv("TARNOLIX_CAMERA_ACCESS");
    ASSERT_TRUE(settings) << "no vivid node listed through PipeWire";
    std::vector<CameraControl> controls;
    ASSERT_EQ(settings->GetControls(controls), S_OK);
    for (const CameraControl& control : controls)
        std::printf("node setting 0x%08x \"%s\": type %d, %lld..%lld, value %lld, %zu items\n", control.id,
                    control.name.c_str(), static_cast<int>(control.type),
                    static_cast<long long>(control.minimum), static_cast<long long>(control.maximum),
                    static_cast<long long>(control.value), control.menu.size());
    ASSERT_TRUE(std::any_of(controls.begin(), controls.end(),
                            [](const CameraControl& control) { return control.id == V4L2_CID_BRIGHTNESS; }));
    const auto brightness = [] {
        std::string text;
        if (FILE* pipe = popen(("v4l2-ctl -d " + nodes_[0] + " -C brightness").c_str(), "r")) {
            char line[128];
            while (fgets(line, sizeof line, pipe))
                text += line;
            pclose(pipe);
        }
        return text;
    };
    // Newer PipeWire's V4L2 nodes set the control; 0.3's keep it and say nothing. Either the
    // device shows the value, or the setting is refused and read-only: never a success that did
    // nothing.
    const HRESULT set = settings->SetValue(V4L2_CID_BRIGHTNESS, 200);
    std::printf("brightness 200 through the node: $%X, the device shows %s", static_cast<unsigned>(set),
                brightness().c_str());
    if (SUCCEEDED(set)) {
        EXPECT_TRUE(Eventually([&] { return brightness().find("brightness: 200") != std::string::npos; }));
        EXPECT_EQ(settings->SetValue(V4L2_CID_BRIGHTNESS, 128), S_OK);
    } else {
        EXPECT_EQ(set, E_ACCESSDENIED);
        EXPECT_NE(brightness().find("brightness: 128"), std::string::npos);
        CameraControl now;
        ASSERT_EQ(settings->GetControl(V4L2_CID_BRIGHTNESS, now), S_OK);
        EXPECT_TRUE(now.readOnly) << "the dialog shows it disabled";
    }
}

} // namespace
