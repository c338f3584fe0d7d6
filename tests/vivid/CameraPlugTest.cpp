// The window with a real camera that is unplugged and plugged back, inside the real-driver
// tier's guest: vivid's disconnect control acts as a USB unplug, then the module is removed and
// loaded again, as a camera's driver is when its cable comes back; and a v4l2loopback camera is
// loaded, and fed, while the window runs. Also the camera menu's modes with vivid, and an MJPEG
// camera the script loads, each with the chain `tarnolix-graphs show` reports. The fixture and
// what it needs are in WindowInGuest.h.
#include "tests/vivid/WindowInGuest.h"

#include <QAction>
#include <QMenu>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/videodev2.h>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;

size_t Entries(const std::filesystem::path& folder) {
    std::error_code error;
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder, error),
                                             std::filesystem::directory_iterator()));
}

size_t OpenDescriptors() {
    return Entries("/proc/self/fd");
}

size_t Threads() {
    return Entries("/proc/self/task");
}

// The device buffers mapped into this process.
size_t DeviceMappings() {
    std::ifstream maps("/proc/self/maps");
    size_t count = 0;
    for (std::string line; std::getline(maps, line);)
        count += line.find("/dev/video") != std::string::npos;
    return count;
}

// The graphs registered for viewers, this process's among them.
size_t GraphRegistrations() {
    return Entries(std::filesystem::path(Environment("XDG_RUNTIME_DIR")) / "tarnolix" / "running-objects");
}

long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The chain of filters in what `tarnolix-graphs show` printed, from the one nothing feeds on,
// with each connection's subtype and size: "Filter =[MJPG 1280x720]=> MJPEG Decompressor =[...".
std::string Chain(const std::string& shown) {
    std::map<std::string, std::pair<std::string, std::string>> downstream; // filter: type, peer
    std::set<std::string> fed;
    std::string filter;
    std::istringstream lines(shown);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind('[', 0) == 0) {
            filter = line.substr(1, line.find("]  class") - 1);
            continue;
        }
        const std::string output = " (output) -> [";
        const size_t arrow = line.find(output);
        if (arrow == std::string::npos)
            continue;
        const size_t start = arrow + output.size();
        const std::string peer = line.substr(start, line.find(']', start) - start);
        std::string type;
        std::getline(lines, type); // "        Video MJPG 1280x720, 24 bit, ..."
        std::istringstream words(type);
        std::string major, subtype, size;
        words >> major >> subtype >> size;
        if (!size.empty() && size.back() == ',')
            size.pop_back();
        downstream[filter] = {subtype + " " + size, peer};
        fed.insert(peer);
    }
    std::string chain;
    for (const auto& [name, next] : downstream)
        if (!fed.count(name))
            chain = name;
    for (auto step = downstream.find(chain); step != downstream.end() && chain.size() < 400;
         step = downstream.find(step->second.second))
        chain += " =[" + step->second.first + "]=> " + step->second.second;
    return chain;
}

TEST_F(CameraPlug, ThePictureComesBackByItselfAfterAnUnplugAndTheViewerSeesItFlow) {
    StartVivid();
    std::printf("module load to the first frame: %.0f ms\n", Milliseconds(Replug()));
    // The viewer's list: name, process, state, frames a second; rates are measured over a second.
    ProcessEventsUntil([] { return false; }, 1500ms);
    const std::string listed = Output(Environment("TARNOLIX_GRAPHS") + " list");
    std::printf("%s", listed.c_str());
    bool flowing = false;
    std::istringstream lines(listed);
    for (std::string line; std::getline(lines, line);) {
        // The name may hold spaces: the process, state and rate are the last three words.
        std::vector<std::string> words;
        std::istringstream split(line);
        for (std::string word; split >> word;)
            words.push_back(word);
        if (words.size() >= 4 && words[words.size() - 3] == std::to_string(getpid()))
            flowing = flowing || (words[words.size() - 2] == "running" && std::stod(words.back()) > 0);
    }
    EXPECT_TRUE(flowing) << "tarnolix-graphs list shows no running graph with frames for this process";
}

// Writes 320x240 YUYV frames to a loopback device's output side, 30 a second, while it lives: a
// loopback device offers capture only once something writes to it.
class LoopbackFeeder {
public:
    explicit LoopbackFeeder(const std::string& node) {
        for (int attempt = 0; attempt < 50 && fd_ < 0; ++attempt) {
            fd_ = ::open(node.c_str(), O_RDWR | O_CLOEXEC);
            if (fd_ < 0)
                usleep(100000);
        }
        v4l2_format format{};
        format.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
        format.fmt.pix.width = 320;
        format.fmt.pix.height = 240;
        format.fmt.pix.pixelformat = V4L2_PIX_FMT_YUYV;
        format.fmt.pix.field = V4L2_FIELD_NONE;
        format.fmt.pix.bytesperline = 640;
        format.fmt.pix.sizeimage = 640 * 240;
        ok_ = fd_ >= 0 && ::ioctl(fd_, VIDIOC_S_FMT, &format) == 0;
        if (ok_)
            thread_ = std::thread([this] {
                std::vector<uint8_t> frame(640 * 240, 0x80);
                while (!stop_) {
                    if (::write(fd_, frame.data(), frame.size()) < 0)
                        break;
                    std::this_thread::sleep_for(33ms);
                }
            });
    }
    ~LoopbackFeeder() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        if (fd_ >= 0)
            ::close(fd_);
    }
    LoopbackFeeder(const LoopbackFeeder&) = delete;
    LoopbackFeeder& operator=(const LoopbackFeeder&) = delete;
    bool Ok() const { return ok_; }

private:
    int fd_ = -1;
    bool ok_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST_F(CameraPlug, ALoopbackCameraLoadedWhileTheWindowRunsAppearsInTheDeviceMenu) {
    const std::string module = Environment("TARNOLIX_LOOPBACK_MODULE");
    ASSERT_FALSE(module.empty());
    const auto listed = [&] {
        for (const QAction* action : form_->Devices->actions())
            if (action->text() == "Loopback")
                return true;
        return false;
    };
    ASSERT_FALSE(listed());
    ASSERT_EQ(Shell("busybox insmod " + module + " video_nr=20 card_label=Loopback"), 0);
    {
        // Fed at once: the watch waits for a new node to open, which this one does once fed.
        LoopbackFeeder feeder("/dev/video20");
        ASSERT_TRUE(feeder.Ok());
        EXPECT_TRUE(ProcessEventsUntil(listed, 20000ms));
    }
    EXPECT_EQ(Shell("busybox rmmod v4l2loopback"), 0);
    EXPECT_TRUE(ProcessEventsUntil([&] { return !listed(); }, 20000ms));
}

TEST_F(CameraPlug, ThirtyReplugsWhileStreamingLeakNothing) {
    StartVivid();
    std::vector<double> times;
    size_t descriptors = 0;
    size_t threads = 0;
    size_t registrations = 0;
    size_t mappings = 0;
    long resident = 0;
    for (int cycle = 1; cycle <= 30 && !HasFailure(); ++cycle) {
        times.push_back(Milliseconds(Replug()));
        if (cycle == 1) {
            descriptors = OpenDescriptors();
            threads = Threads();
            registrations = GraphRegistrations();
            mappings = DeviceMappings();
            resident = ResidentKiB();
        }
        std::printf(
            "cycle %2d: %.0f ms to the first frame, %zu descriptors, %zu threads, %zu graphs, %zu mappings, "
            "%ld KiB resident\n",
            cycle, times.back(), OpenDescriptors(), Threads(), GraphRegistrations(), DeviceMappings(),
            ResidentKiB());
    }
    EXPECT_EQ(OpenDescriptors(), descriptors);
    EXPECT_EQ(Threads(), threads);
    EXPECT_EQ(GraphRegistrations(), registrations);
    EXPECT_EQ(DeviceMappings(), mappings);
    EXPECT_LE(ResidentKiB(), resident + resident / 10);
    std::sort(times.begin(), times.end());
    std::printf("replug to first frame over %zu cycles: median %.0f ms, slowest %.0f ms\n", times.size(),
                times[times.size() / 2], times.back());
}

TEST_F(CameraPlug, AModeChosenInTheCameraMenuRestartsVividInItWithTheEffectKept) {
    StartVivid();
    const QString first = CheckedMode();
    EXPECT_TRUE(first.startsWith(QString::fromUtf8("640 × 360, ")) && first.endsWith("RGB24"))
        << first.toStdString();
    EXPECT_EQ(Chain(ShowGraph()), "Filter =[RGB24 640x360]=> SampleGrabber =[RGB24 640x360]=> VideoWindow");

    QAction* smaller = nullptr;
    for (QAction* action : form_->Kamera1->actions())
        if (action->text().startsWith(QString::fromUtf8("320 × 180, ")) && action->text().endsWith("YUYV"))
            smaller = action;
    ASSERT_TRUE(smaller);
    const QString chosen = smaller->text();
    smaller->trigger();
    ASSERT_TRUE(ProcessEventsUntil([&] { return form_->Podglad1->PictureSize().width() == 320; }, 30000ms));
    EXPECT_TRUE(FramesFlowAfter(Frames()));
    EXPECT_EQ(CheckedMode(), chosen);
    EXPECT_TRUE(form_->EffectAction(TEffectItem::Negatyw1)->isChecked());
    EXPECT_EQ(Chain(ShowGraph()), "Filter =[YUY2 320x180]=> Color Space Converter =[RGB24 320x180]=> "
                                  "SampleGrabber =[RGB24 320x180]=> VideoWindow");
}

// The loopback camera that tests/vm/vivid-guest.sh feeds with mjpeg_feeder, card "MjpegCamera".
TEST_F(CameraPlug, AnMjpegCameraRunsInItsBestModeThroughTheDecompressor) {
    QAction* camera = nullptr;
    for (QAction* action : form_->Devices->actions())
        if (action->text() == "MjpegCamera")
            camera = action;
    if (!camera)
        GTEST_SKIP() << "no MJPEG camera loaded";
    camera->trigger();
    ASSERT_TRUE(FramesFlowAfter(0));
    EXPECT_EQ(CheckedMode(), QString::fromUtf8("1280 × 720, 30 kl./s, MJPEG"));
    EXPECT_EQ(form_->Podglad1->PictureSize().width(), 1280);
    EXPECT_EQ(Chain(ShowGraph()), "Filter =[MJPG 1280x720]=> MJPEG Decompressor =[RGB24 1280x720]=> "
                                  "SampleGrabber =[RGB24 1280x720]=> VideoWindow");
}

} // namespace
