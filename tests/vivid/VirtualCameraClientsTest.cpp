// Other programs reading the window's virtual camera inside the real-driver tier's guest:
// ffmpeg and GStreamer's v4l2src, with vivid as the camera and Negatyw1 as the effect, on the
// two v4l2loopback devices tests/vm/vivid-guest.sh loads (video_nr=40,41 card_label=Tarnolix,Inna
// exclusive_caps=1,0); and a client that goes on reading while vivid is unplugged and plugged
// back. Each case prints what its clients received.
#include "tests/vivid/ColourBars.h"
#include "tests/vivid/WindowInGuest.h"

#include "platform/graphics/GdiTypes.h"

#include <QAction>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

const char* const kExclusiveNode = "/dev/video40"; // card Tarnolix, exclusive_caps=1
const char* const kSharedNode = "/dev/video41";    // card Inna, exclusive_caps=0

std::string FileText(const QString& path) {
    std::ifstream file(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A client program in the background, its standard output and error in one file, so that it
// never waits on a pipe while the window runs its events.
class Client {
public:
    Client(const QString& program, const QStringList& arguments, QString log) : log_(std::move(log)) {
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.setStandardOutputFile(log_);
        process_.setStandardInputFile(QProcess::nullDevice());
        process_.start(program, arguments);
    }
    ~Client() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // Waits for the client's end, the window's events running meanwhile; killed after `limit`.
    // Its exit status, -1 when it did not end by itself.
    int Finish(std::chrono::milliseconds limit = 60000ms) {
        if (!ProcessEventsUntil([&] { return process_.state() == QProcess::NotRunning; }, limit))
            process_.kill();
        process_.waitForFinished(5000);
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    // Asks the client to stop (SIGTERM, on which ffmpeg finishes its output) and waits for it.
    int Stop() {
        process_.terminate();
        return Finish(20000ms);
    }
    std::string Log() const { return FileText(log_); }

private:
    const QString log_;
    QProcess process_;
};

// One frame as ffmpeg's framecrc output lists it: its time stamp and the CRC of its bytes.
struct ClientFrame {
    double seconds = 0;
    std::string crc;
};

std::vector<ClientFrame> FramecrcFrames(const std::string& text) {
    std::vector<ClientFrame> frames;
    double unit = 1e-6; // "#tb 0: 1/1000000", v4l2's microseconds
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        long long numerator = 0, denominator = 0, pts = 0;
        char crc[32] = {};
        if (std::sscanf(line.c_str(), "#tb 0: %lld/%lld", &numerator, &denominator) == 2 && denominator > 0)
            unit = static_cast<double>(numerator) / static_cast<double>(denominator);
        else if (line[0] != '#' &&
                 std::sscanf(line.c_str(), "%*d, %*d, %lld, %*d, %*d, %31s", &pts, crc) == 2)
            frames.push_back({static_cast<double>(pts) * unit, crc});
    }
    return frames;
}

// Frames a second between the first and the last frame's time stamps.
double Rate(const std::vector<double>& stamps) {
    if (stamps.size() < 2 || stamps.back() <= stamps.front())
        return 0;
    return static_cast<double>(stamps.size() - 1) / (stamps.back() - stamps.front());
}

double Rate(const std::vector<ClientFrame>& frames) {
    std::vector<double> stamps;
    for (const ClientFrame& frame : frames)
        stamps.push_back(frame.seconds);
    return Rate(stamps);
}

// The virtual camera's counters and labels from the line of `tarnolix-graphs show`:
// "virtual camera: frames_written 91, ..., device /dev/video40, format YUYV 640x360 40/1".
std::map<std::string, std::string> VirtualCameraShown(const std::string& shown) {
    std::map<std::string, std::string> values;
    const std::string heading = "virtual camera:";
    const size_t at = shown.find(heading);
    if (at == std::string::npos)
        return values;
    std::istringstream items(shown.substr(at + heading.size(), shown.find('\n', at) - at - heading.size()));
    for (std::string item; std::getline(items, item, ',');) {
        item.erase(0, item.find_first_not_of(' '));
        const size_t space = item.find(' ');
        if (space != std::string::npos)
            values[item.substr(0, space)] = item.substr(space + 1);
    }
    return values;
}

uint64_t Count(const std::map<std::string, std::string>& shown, const std::string& name) {
    const auto value = shown.find(name);
    return value == shown.end() ? 0 : std::stoull(value->second);
}

// gst-launch-1.0 -v's report: the caps v4l2src's pad settled on, and the buffers fakesink got.
struct GstReport {
    std::string caps;
    std::vector<double> stamps; // each buffer's pts, in seconds
};

GstReport ReadGstReport(const std::string& text) {
    GstReport report;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const std::string caps = "GstV4l2Src:v4l2src0.GstPad:src: caps = ";
        if (const size_t at = line.find(caps); at != std::string::npos)
            report.caps = line.substr(at + caps.size());
        int hours = 0, minutes = 0;
        double seconds = 0;
        const size_t pts = line.find(", pts: ");
        if (line.find("last-message = chain") != std::string::npos && pts != std::string::npos &&
            std::sscanf(line.c_str() + pts, ", pts: %d:%d:%lf", &hours, &minutes, &seconds) == 3)
            report.stamps.push_back(hours * 3600.0 + minutes * 60.0 + seconds);
    }
    return report;
}

class VirtualCameraClients : public CameraPlug {
protected:
    void SetUp() override {
        CameraPlug::SetUp();
        if (IsSkipped())
            return;
        if (!std::filesystem::exists(kExclusiveNode) || !std::filesystem::exists(kSharedNode))
            GTEST_SKIP() << "the loopback devices 40 and 41 are not loaded";
        ASSERT_TRUE(folder_.isValid());
    }

    QString Path(const QString& name) const { return folder_.filePath(name); }

    std::map<std::string, std::string> Shown() { return VirtualCameraShown(ShowGraph()); }

    // Waits until the viewer says frames are written to `node`, asking it twice a second.
    bool WritingTo(const std::string& node) {
        for (int attempt = 0; attempt < 40; ++attempt) {
            const auto shown = VirtualCameraShown(
                Output(Environment("TARNOLIX_GRAPHS") + " show " + std::to_string(getpid())));
            if (shown.count("device") && shown.at("device") == node && Count(shown, "frames_written") > 2)
                return true;
            ProcessEventsUntil([] { return false; }, 500ms);
        }
        return false;
    }

    // The device submenu's item for `node`, as the user picks it.
    void ChooseDevice(const std::string& node) {
        auto* menu = form_->findChild<QMenu*>("VirtualCameraDevices");
        ASSERT_TRUE(menu);
        menu->aboutToShow(); // fills it, as opening it does
        for (QAction* item : menu->actions())
            if (item->text().contains(QString::fromStdString("(" + node + ")"))) {
                ASSERT_TRUE(item->isEnabled()) << item->text().toStdString();
                item->trigger();
                return;
            }
        FAIL() << "no item for " << node << " in the virtual camera's devices";
    }

    // ffmpeg for 3 seconds of frames and one frame grabbed as BGR: the count, the rate from its
    // time stamps, and the grabbed bars against the pane's and vivid's negated.
    void CheckFfmpeg(const std::string& node, double nominalRate) {
        const QString crcs = Path("ffmpeg.crc"), grabbed = Path("frame.bgr");
        Client ffmpeg("ffmpeg", {"-hide_banner", "-nostdin", "-loglevel", "error",
                                 "-f",           "v4l2",     "-i",        QString::fromStdString(node),
                                 "-map",         "0:v",      "-c:v",      "copy",
                                 "-t",           "3",        "-f",        "framecrc",
                                 "-y",           crcs,       "-map",      "0:v",
                                 "-frames:v",    "1",        "-pix_fmt",  "bgr24",
                                 "-f",           "rawvideo", "-y",        grabbed},
                      Path("ffmpeg.log"));
        EXPECT_EQ(ffmpeg.Finish(), 0) << ffmpeg.Log();
        const std::vector<ClientFrame> frames = FramecrcFrames(FileText(crcs));
        const double rate = Rate(frames);
        std::printf(
            "ffmpeg on %s: %zu frames over %.2f s of time stamps, %.1f a second (the camera's %.1f)\n",
            node.c_str(), frames.size(),
            frames.empty() ? 0.0 : frames.back().seconds - frames.front().seconds, rate, nominalRate);
        EXPECT_GE(frames.size(), 20u);
        // About the camera's rate: live frames as vivid delivers them, repeats where it is slow.
        EXPECT_GT(rate, nominalRate * 0.4);
        EXPECT_LT(rate, nominalRate * 1.5);

        // Rows top-down; vivid's bars come back when the negative is undone and the rows turned.
        TBitmap& pane = form_->Podglad1->Picture();
        const TCanvasLock lock(pane.Canvas());
        const int width = pane.Width(), height = pane.Height();
        const std::string frame = FileText(grabbed);
        ASSERT_EQ(frame.size(), static_cast<size_t>(width) * height * 3);
        const size_t stride = static_cast<size_t>(Rgb24Stride(width));
        std::vector<uint8_t> undone(stride * static_cast<size_t>(height));
        for (int y = 0; y < height; ++y)
            for (int i = 0; i < width * 3; ++i)
                undone[static_cast<size_t>(height - 1 - y) * stride + static_cast<size_t>(i)] =
                    static_cast<uint8_t>(255 -
                                         static_cast<uint8_t>(frame[static_cast<size_t>(y * width * 3 + i)]));
        EXPECT_EQ(BarsShown(undone, VideoFormat{.width = width, .height = height}), 8);
        // Within a YUYV round trip of what the pane shows.
        const int y = height - 1 - height / 4;
        int worst = 0;
        std::printf("bars (client's blue, green, red / the pane's):");
        for (int bar = 0; bar < 8; ++bar) {
            const int x = (2 * bar + 1) * width / 16;
            const auto* got =
                reinterpret_cast<const uint8_t*>(&frame[static_cast<size_t>((y * width + x) * 3)]);
            const COLORREF shown = pane.Pixels(x, y);
            const int want[3] = {GetBValue(shown), GetGValue(shown), GetRValue(shown)};
            for (int channel = 0; channel < 3; ++channel)
                worst = std::max(worst, std::abs(got[channel] - want[channel]));
            std::printf(" %d,%d,%d/%d,%d,%d", got[0], got[1], got[2], want[0], want[1], want[2]);
        }
        std::printf("; largest difference %d\n", worst);
        EXPECT_LE(worst, 16);
    }

    // gst-launch-1.0 -v with 60 buffers: the caps it negotiated and the buffers it got.
    void CheckGStreamer(const std::string& node, int width, int height, const std::string& rate) {
        Client gst("gst-launch-1.0",
                   {"-v", "v4l2src", QString::fromStdString("device=" + node), "num-buffers=60", "!",
                    "fakesink", "silent=false"},
                   Path("gst.log"));
        const int status = gst.Finish();
        const GstReport report = ReadGstReport(gst.Log());
        std::printf(
            "gst-launch-1.0 on %s: status %d, %zu buffers, %.1f a second by their time stamps, caps %s\n",
            node.c_str(), status, report.stamps.size(), Rate(report.stamps), report.caps.c_str());
        EXPECT_EQ(status, 0) << gst.Log().substr(0, 4000);
        EXPECT_EQ(report.stamps.size(), 60u);
        for (const std::string& part :
             {std::string("video/x-raw, format=(string)YUY2, "), "width=(int)" + std::to_string(width) + ",",
              "height=(int)" + std::to_string(height) + ",", "framerate=(fraction)" + rate + ","})
            EXPECT_NE(report.caps.find(part), std::string::npos) << part << " not in " << report.caps;
    }

    QTemporaryDir folder_;
};

TEST_F(VirtualCameraClients, FfmpegAndGStreamerReadTheNegatedBarsOnDevicesWithAndWithoutExclusiveCaps) {
    TStartOptions options;
    options.virtualCamera = ""; // the one labelled Tarnolix
    form_->StartFromCommandLine(options);
    StartVivid();
    CheckedMode();
    const QSize size = form_->Podglad1->PictureSize();
    const int width = size.width(), height = size.height();
    for (const std::string node : {kExclusiveNode, kSharedNode}) {
        SCOPED_TRACE(node);
        if (node == kSharedNode)
            ChooseDevice(node);
        ASSERT_TRUE(WritingTo(node));
        const auto shown = Shown();
        const std::string format = shown.count("format") ? shown.at("format") : "";
        const std::string size = std::to_string(width) + "x" + std::to_string(height);
        ASSERT_EQ(format.rfind("YUYV " + size + " ", 0), 0u) << format;
        const std::string rate = format.substr(format.rfind(' ') + 1);
        const size_t slash = rate.find('/');
        ASSERT_NE(slash, std::string::npos) << format;
        CheckFfmpeg(node, std::stod(rate.substr(0, slash)) / std::stod(rate.substr(slash + 1)));
        CheckGStreamer(node, width, height, rate);
        const auto after = Shown();
        EXPECT_EQ(Count(after, "frames_dropped"), 0u);
    }
}

TEST_F(VirtualCameraClients, AClientKeepsGettingFramesWhileVividIsAwayAndLiveOnesWhenItIsBack) {
    TStartOptions options;
    options.virtualCamera = kExclusiveNode;
    form_->StartFromCommandLine(options);
    StartVivid();
    ASSERT_TRUE(WritingTo(kExclusiveNode));
    Client ffmpeg("ffmpeg",
                  {"-hide_banner", "-nostdin", "-loglevel", "error", "-f", "v4l2", "-i", kExclusiveNode,
                   "-map", "0:v", "-c:v", "copy", "-f", "framecrc", "-y", Path("replug.crc")},
                  Path("replug.log"));
    ProcessEventsUntil([] { return false; }, 3000ms);
    const auto beforeUnplug = Shown();
    Unplug();
    const auto unplugged = Clock::now();
    // Away for two seconds, the viewer asked meanwhile.
    ProcessEventsUntil([] { return false; }, 2000ms);
    const auto away = Shown();
    EXPECT_GT(Count(away, "frames_repeated"), Count(beforeUnplug, "frames_repeated"));
    EXPECT_GE(Count(away, "readers"), 1u);
    const double gap = std::chrono::duration<double>(Clock::now() - unplugged).count();
    std::printf("module load to the first frame: %.0f ms\n", Milliseconds(Plug()));
    ProcessEventsUntil([] { return false; }, 3000ms);
    const auto back = Shown();
    EXPECT_GT(Count(back, "frames_written"), Count(away, "frames_written"));
    const int stopped = ffmpeg.Stop();
    EXPECT_TRUE(stopped == 0 || stopped == 255)
        << stopped << ": " << ffmpeg.Log(); // 255: ended by the signal

    // The longest run of one picture is the time vivid was away: repeats of its last frame at
    // about the camera's rate, with no pause, and live frames after it.
    const std::vector<ClientFrame> frames = FramecrcFrames(FileText(Path("replug.crc")));
    ASSERT_GE(frames.size(), 20u);
    size_t runStart = 0, runEnd = 0;
    for (size_t first = 0, i = 1; i <= frames.size(); ++i)
        if (i == frames.size() || frames[i].crc != frames[first].crc) {
            if (i - first > runEnd - runStart)
                runStart = first, runEnd = i;
            first = i;
        }
    double longestPause = 0;
    for (size_t i = runStart + 1; i < runEnd; ++i)
        longestPause = std::max(longestPause, frames[i].seconds - frames[i - 1].seconds);
    const std::vector<ClientFrame> before(frames.begin(), frames.begin() + static_cast<long>(runStart));
    const std::vector<ClientFrame> repeated(frames.begin() + static_cast<long>(runStart),
                                            frames.begin() + static_cast<long>(runEnd));
    const std::vector<ClientFrame> after(frames.begin() + static_cast<long>(runEnd), frames.end());
    std::printf(
        "ffmpeg across the replug: %zu frames; %zu before at %.1f a second, %zu of one picture over %.2f s "
        "(vivid away %.2f s and more) at %.1f a second with at most %.0f ms between two, %zu after at %.1f\n",
        frames.size(), before.size(), Rate(before), repeated.size(),
        repeated.back().seconds - repeated.front().seconds, gap, Rate(repeated), longestPause * 1000,
        after.size(), Rate(after));
    EXPECT_GE(repeated.back().seconds - repeated.front().seconds, gap * 0.8);
    EXPECT_LT(longestPause, 0.3);
    EXPECT_GT(Rate(repeated), Rate(before) * 0.5);
    EXPECT_GE(after.size(), 10u);
}

} // namespace
