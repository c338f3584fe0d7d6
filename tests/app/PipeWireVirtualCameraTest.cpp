#include "app/MainForm.h"

#include "QtTestMain.h"
#include "ScriptedDialogs.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/core/ErrorText.h"
#include "tests/media/support/FakeV4l2Access.h"
#include "tests/media/support/PipeWireDaemons.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace {

constexpr int kWidth = 320, kHeight = 240, kBuffers = 60;

// The test pattern's bars (blue, green, red), left to right, as the camera draws them.
constexpr int kBars[8][3] = {{235, 235, 235}, {16, 235, 235}, {235, 235, 16}, {16, 235, 16},
                             {235, 16, 235},  {16, 16, 235},  {235, 16, 16},  {16, 16, 16}};

std::string Read(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// A pipewiresrc reading the node, its output to `sink` (a gst-launch description).
std::vector<std::string> Reader(const std::string& sink, const std::filesystem::path& log) {
    return {"sh", "-c",
            "exec gst-launch-1.0 -v pipewiresrc target-object=tarnolix-camera num-buffers=" +
                std::to_string(kBuffers) + " stream-properties=props,media.type=Video ! " + sink + " > " +
                log.string() + " 2>&1"};
}

// Every bar of the last top-down BGR frame in the file is the camera's bar negated, within a YUV
// round trip.
void ExpectNegatedBars(const std::string& frames) {
    const size_t frameBytes = size_t{kWidth} * kHeight * 3;
    ASSERT_EQ(frames.size(), frameBytes * kBuffers);
    const auto* last = reinterpret_cast<const uint8_t*>(frames.data()) + frameBytes * (kBuffers - 1);
    const int row = kHeight / 8; // above the travelling square and the frame number
    for (int bar = 0; bar < 8; ++bar) {
        const uint8_t* pixel = last + (size_t{row} * kWidth + bar * kWidth / 8 + kWidth / 16) * 3;
        for (int channel = 0; channel < 3; ++channel)
            EXPECT_NEAR(pixel[channel], 255 - kBars[bar][channel], 16)
                << "bar " << bar << " channel " << channel;
    }
}

uint64_t Counter(const TMainForm& form, const std::string& name) {
    NamedCounters counters;
    form.VirtualCamera().Counters()->ReadCounters(counters);
    for (const auto& [key, value] : counters)
        if (key == name)
            return value;
    return 0;
}

} // namespace

// --virtual-camera=pipewire makes the processed picture a PipeWire camera that GStreamer's
// pipewiresrc reads: two readers at once, each every frame at the camera's rate, then a reader
// that asks for I420.
TEST(PipeWireVirtualCamera, ReadersGetTheNegatedPictureAtTheCamerasRateTwoAtOnce) {
    if (const std::string missing = PipeWireDaemons::Missing(); !missing.empty())
        GTEST_SKIP() << missing;
    PipeWireDaemons daemons;
    ASSERT_TRUE(daemons.Start()) << daemons.Failure() << "\n" << daemons.Log();
    RegisterMediaClasses();
    RegisterQuartzModule();
    ScopedEnvironment cameras{"TARNOLIX_VIRTUAL_CAMERAS", "Wzór=pattern:320x240@30"};
    ScriptedDialogs dialogs;
    TMainForm form(dialogs);
    form.show();
    form.FormCreate();
    TStartOptions options;
    options.device = "Wzór";
    options.effect = TEffectItem::Negatyw1;
    options.virtualCamera = "pipewire";
    form.StartFromCommandLine(options);
    ASSERT_TRUE(ProcessEventsUntil([&] { return form.FrameHandler().FramesProcessed() > 3; }));
    EXPECT_EQ(form.VirtualCamera().Device(), "pipewire");
    auto* devices = form.Kamera1->findChild<QMenu*>("VirtualCameraDevices");
    ASSERT_TRUE(devices);
    emit devices->aboutToShow();
    EXPECT_EQ(devices->actions().back()->text(), "PipeWire (Tarnolix)");
    EXPECT_TRUE(devices->actions().back()->isChecked());

    const auto folder = daemons.Folder();
    const pid_t pictures = daemons.StartProcess(
        Reader("videoconvert ! video/x-raw,format=BGR ! filesink location=" + (folder / "a.bgr").string(),
               folder / "a.log"));
    const pid_t times = daemons.StartProcess(Reader("video/x-raw ! fakesink silent=false", folder / "b.log"));
    uint64_t readers = 0;
    std::optional<int> picturesEnded, timesEnded;
    ProcessEventsUntil(
        [&] {
            readers = std::max(readers, Counter(form, "readers"));
            if (!picturesEnded)
                picturesEnded = daemons.WaitProcess(pictures, 0);
            if (!timesEnded)
                timesEnded = daemons.WaitProcess(times, 0);
            return picturesEnded && timesEnded;
        },
        std::chrono::seconds(20));
    ASSERT_EQ(picturesEnded, 0) << Read(folder / "a.log") << daemons.Log();
    ASSERT_EQ(timesEnded, 0) << Read(folder / "b.log");
    EXPECT_EQ(readers, 2u);
    ExpectNegatedBars(Read(folder / "a.bgr"));

    // The rate by the buffers' time stamps, and the format offered first.
    const std::string log = Read(folder / "b.log");
    EXPECT_NE(log.find("format=(string)YUY2, width=(int)320, height=(int)240"), std::string::npos) << log;
    const std::regex stamp(R"(pts: (\d+):(\d+):(\d+\.\d+))");
    std::vector<double> seconds;
    for (auto match = std::sregex_iterator(log.begin(), log.end(), stamp); match != std::sregex_iterator();
         ++match)
        seconds.push_back(std::stod((*match)[1]) * 3600 + std::stod((*match)[2]) * 60 +
                          std::stod((*match)[3]));
    ASSERT_EQ(seconds.size(), size_t{kBuffers}) << log;
    EXPECT_NEAR((kBuffers - 1) / (seconds.back() - seconds.front()), 30.0, 3.0);

    const pid_t i420 = daemons.StartProcess(
        Reader("video/x-raw,format=I420 ! videoconvert ! video/x-raw,format=BGR ! filesink location=" +
                   (folder / "c.bgr").string(),
               folder / "c.log"));
    std::optional<int> i420Ended;
    ProcessEventsUntil([&] { return (i420Ended = daemons.WaitProcess(i420, 0)).has_value(); },
                       std::chrono::seconds(20));
    ASSERT_EQ(i420Ended, 0) << Read(folder / "c.log");
    ExpectNegatedBars(Read(folder / "c.bgr"));
    form.close();
    EXPECT_TRUE(dialogs.boxes.empty());
}
