// The whole program path, live: the test-pattern camera at a given size and rate, through the
// sample grabber, the frame handler and its pass, into the processed pane, with the renderer
// painting the live picture beside it, in the program's own window on Qt's offscreen platform
// (unless QT_QPA_PLATFORM says otherwise). For every effect it prints the frames the camera
// delivered against the frames its clock asked for, the frames processed and the frames the
// busy flag dropped, the frames each pane painted and the GUI thread's time a paint, and every
// thread's CPU time a delivered frame. Background keying runs with a background picture of the
// frame's size loaded, keying every pixel. With --mjpeg the camera is an MJPEG camera instead: a
// recording of the pattern as a webcam compresses it (or the recording given), served by the
// recording virtual camera and decompressed in the graph. With --virtual-camera the processed
// picture is also written as the virtual camera, to a loopback node that is /dev/null. For each
// effect it prints the latency from the camera's time stamp to the pane's paint, and to the
// virtual camera's write, as the median and 99th percentile of the last 512 frames. With
// --gallery the effects gallery is open beside the window, and each effect's row adds what the
// gallery cost a camera frame: the sets of thumbnails made, the frames it skipped, the streaming
// thread's time handing frames over, the gallery worker's CPU time, the GUI thread's time
// painting the gallery, and the three together.
// With --pipewire the camera is a PipeWire camera node instead (GStreamer's test source in YUYV through
// pipewiresink) on a private daemon, read through the PipeWire source; its buffers carry no
// monotonic time stamp, so the latency counts from the frame's arrival.
// With --record the processed picture is also recorded as a film (with the default microphone's
// sound when a sound server answers): for each effect the frames encoded, dropped because the
// encoder was behind, left out as surplus by their time stamps, and repeated, and the encoder's
// CPU time a frame (its own thread and x264's); at the end of each size the holes in the sound
// and the largest drift between sound and picture, the film's size and the time finishing it took.
//
//   live_bench [--seconds S] [--size WxH]... [--fps N] [--effect NAME]... [--mjpeg [--recording FILE]]
//              [--virtual-camera] [--gallery] [--pipewire]
//              [--record]

#include "app/Dialogs.h"
#include "app/MainForm.h"
#include "bench/MjpegRecording.h"
#include "bench/NullLoopback.h"
#if TARNOLIX_BENCH_PIPEWIRE
#include "platform/media/pipewire/PipeWireCameras.h"
#include "tests/media/support/PipeWireDaemons.h"
#endif
#include "bench/ThreadTimes.h"
#include "effects/SimdLevel.h"
#include "imaging/BitmapFileWriter.h"
#include "platform/media/MediaClasses.h"
#include "platform/media/core/ErrorText.h"
#include "platform/media/renderers/VideoRendererWidget.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMenu>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// Times every paint event the application delivers, by the widget it goes to.
class TimingApplication : public QApplication {
public:
    using QApplication::QApplication;

    struct PaintTime {
        int paints = 0;
        qint64 nanoseconds = 0;
    };
    std::map<const QObject*, PaintTime> paints;

    bool notify(QObject* receiver, QEvent* event) override {
        if (event->type() != QEvent::Paint)
            return QApplication::notify(receiver, event);
        QElapsedTimer timer;
        timer.start();
        const bool result = QApplication::notify(receiver, event);
        PaintTime& time = paints[receiver];
        ++time.paints;
        time.nanoseconds += timer.nsecsElapsed();
        return result;
    }
};

// Answers the window's dialogs without showing them: choosing background keying loads
// `background` and keys grey 808080, which every pixel of the test pattern is near, so every
// pixel of a frame is replaced.
class BenchDialogs : public IDialogs {
public:
    explicit BenchDialogs(QString background) : background_(std::move(background)) {}
    void MessageBox(QWidget*, const QString& caption, const QString& text, Icon icon) override {
        if (icon == Icon::Error)
            std::fprintf(stderr, "message box: %s: %s\n", caption.toUtf8().constData(),
                         text.toUtf8().constData());
    }
    bool InputQuery(const QString&, const QString&, QString&) override { return false; }
    bool OpenPicture(QWidget*, QString& fileName) override {
        fileName = background_;
        return true;
    }
    bool ChooseColour(QWidget*, QColor& colour) override {
        colour = QColor(128, 128, 128);
        return true;
    }

private:
    QString background_;
};

// A background picture of the frame's size, written to a temporary file that goes with it.
class BackgroundFile {
public:
    BackgroundFile(int width, int height)
        : path_(QDir::tempPath() + "/live_bench-background-" + QString::number(getpid()) + ".bmp") {
        TBitmap picture;
        picture.SetSize(width, height);
        for (int y = 0; y < height; ++y) {
            uint8_t* p = picture.ScanLine(y);
            for (int x = 0; x < width; ++x, p += 3) {
                p[0] = static_cast<uint8_t>(x);
                p[1] = static_cast<uint8_t>(y);
                p[2] = static_cast<uint8_t>(x + y);
            }
        }
        SaveBitmapToFile(picture, path_.toStdString());
    }
    ~BackgroundFile() { QFile::remove(path_); }
    BackgroundFile(const BackgroundFile&) = delete;
    BackgroundFile& operator=(const BackgroundFile&) = delete;
    const QString& Path() const { return path_; }

private:
    QString path_;
};

// The count of that name of a counter source; 0 when it has none.
uint64_t CountOf(const ComPtr<ICounterSource>& source, const char* name) {
    NamedCounters counters;
    source->ReadCounters(counters);
    for (const auto& [counter, count] : counters)
        if (counter == name)
            return count;
    return 0;
}

// Runs the GUI thread's event loop, as the program does, for the given time.
void RunFor(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Options {
    double seconds = 10;
    int fps = 60;
    std::vector<std::pair<int, int>> sizes;
    std::vector<std::string> effects;
    bool mjpeg = false;
    std::string recording;
    bool virtualCamera = false;
    bool gallery = false;
    bool pipeWire = false;
    bool record = false;
};

Options Parse(int argc, char** argv) {
    Options options;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        const char* value = k + 1 < argc ? argv[k + 1] : nullptr;
        int width = 0;
        int height = 0;
        if (arg == "--seconds" && value) {
            options.seconds = std::atof(argv[++k]);
        } else if (arg == "--fps" && value) {
            options.fps = std::atoi(argv[++k]);
        } else if (arg == "--size" && value && std::sscanf(argv[++k], "%dx%d", &width, &height) == 2) {
            options.sizes.emplace_back(width, height);
        } else if (arg == "--effect" && value) {
            options.effects.emplace_back(argv[++k]);
        } else if (arg == "--virtual-camera") {
            options.virtualCamera = true;
        } else if (arg == "--gallery") {
            options.gallery = true;
        } else if (arg == "--pipewire") {
            options.pipeWire = true;
        } else if (arg == "--record") {
            options.record = true;
        } else if (arg == "--mjpeg") {
            options.mjpeg = true;
        } else if (arg == "--recording" && value) {
            options.recording = argv[++k];
            options.mjpeg = true;
        } else {
            std::fprintf(
                stderr,
                "usage: live_bench [--seconds S] [--size WxH]... [--fps N] [--effect NAME]... "
                "[--mjpeg [--recording FILE]] [--virtual-camera] [--gallery] [--pipewire] [--record]\n"
                "unknown or incomplete option: %s\n",
                arg.c_str());
            std::exit(2);
        }
    }
    if (options.sizes.empty())
        options.sizes = {{1920, 1080}, {3840, 2160}};
    return options;
}

#if TARNOLIX_BENCH_PIPEWIRE
PipeWireDaemons* pipeWireDaemons = nullptr; // main's, with --pipewire
#endif

bool Wanted(const Options& options, const TEffectInfo& info) {
    if (options.effects.empty())
        return true;
    for (const std::string& name : options.effects)
        if (name == info.name)
            return true;
    return false;
}

void RunSize(TimingApplication& application, const Options& options, int width, int height) {
    std::string camera = "Kamera=pattern:" + std::to_string(width) + "x" + std::to_string(height) + "@" +
                         std::to_string(options.fps);
    const std::string recorded =
        QDir::tempPath().toStdString() + "/live_bench-" + std::to_string(getpid()) + ".mjpeg";
    if (options.mjpeg) {
        if (options.recording.empty())
            WriteMjpegRecording(recorded, width, height, 120);
        camera = "Kamera=mjpeg@" + std::to_string(options.fps) + ":" +
                 (options.recording.empty() ? recorded : options.recording);
    }
#if TARNOLIX_BENCH_PIPEWIRE
    // The node on the daemon main() started, listed before the window looks.
    if (options.pipeWire) {
        pipeWireDaemons->KillAllCameras();
        pipeWireDaemons->StartCamera("bench-camera", "Bench camera", 0x808080, width, height, options.fps);
        for (int wait = 0; wait < 100 && PipeWireCameras::List().empty(); ++wait)
            RunFor(0.05);
        camera.clear();
    }
#endif
    setenv("TARNOLIX_VIRTUAL_CAMERAS", camera.c_str(), 1);
    const BackgroundFile background(width, height);
    BenchDialogs dialogs(background.Path());
    TMainForm form(dialogs);
    form.show();
    form.FormCreate();
    form.EffectAction(TEffectItem::Obraznormalny1)->trigger();
    form.Devices->actions()[0]->trigger();
    if (options.virtualCamera)
        form.WirtualnaKamera1->trigger();
    if (options.gallery)
        form.Gallery->Action()->trigger();
    const std::string film =
        QDir::tempPath().toStdString() + "/live_bench-" + std::to_string(getpid()) + ".mp4";
    RunFor(1.0);
    if (options.record)
        form.Recording().Start(QString::fromStdString(film));
    const QObject* renderer = nullptr;
    for (QWidget* widget : QApplication::allWidgets())
        if (dynamic_cast<VideoRendererWidget*>(widget))
            renderer = widget;

    std::printf("\n%dx%d%s at %d frames a second, %.1f s an effect, level %s, %u pass threads\n", width,
                height,
                options.mjpeg      ? " MJPEG"
                : options.pipeWire ? " PipeWire"
                                   : "",
                options.fps, options.seconds, std::string(SimdLevelName(ActiveSimdLevel())).c_str(),
                TBandPool::ProcessorThreads(TFrameHandler::kMostThreads));
    std::printf("%-34s %6s %6s %9s %7s %10s %10s %10s %10s %15s %19s %24s%s  %s\n", "effect", "asked",
                "frames", "processed", "dropped", "pane fps", "pane ms", "video fps", "video ms",
                "to paint ms", "vcam written, ms", "film enc/drop/surp/rep ms",
                options.gallery ? " gallery sets skipped stream ms worker ms paint ms  all ms" : "",
                "CPU ms a frame by thread");
    for (const TEffectInfo& info : EffectCatalogue()) {
        if (!Wanted(options, info))
            continue;
        form.EffectAction(info.item)->trigger();
        RunFor(0.5); // the new effect's tables, and a steady state
        const auto& handler = form.FrameHandler();
        const uint64_t processed0 = handler.FramesProcessed();
        const uint64_t dropped0 = handler.FramesDropped();
        const auto countOf = [&form](const char* name) {
            return CountOf(form.VirtualCamera().Counters(), name);
        };
        const uint64_t written0 = countOf("frames_written");
        const TGalleryFeed::Counts gallery0 = form.Gallery->Feed().Read();
        const auto filmCount = [&form](const char* name) {
            return CountOf(form.Recording().Counters(), name);
        };
        const uint64_t encoded0 = filmCount("frames_encoded"), filmDropped0 = filmCount("frames_dropped"),
                       surplus0 = filmCount("frames_surplus"), repeated0 = filmCount("frames_repeated");
        const auto paints0 = application.paints;
        const auto threads0 = ThreadTimes();
        const auto start = std::chrono::steady_clock::now();
        RunFor(options.seconds);
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const auto threads1 = ThreadTimes();
        const uint64_t processed = handler.FramesProcessed() - processed0;
        const uint64_t dropped = handler.FramesDropped() - dropped0;
        const uint64_t frames = processed + dropped;

        const auto paintsOf = [&](const QObject* widget) {
            TimingApplication::PaintTime before;
            TimingApplication::PaintTime after;
            if (auto it = paints0.find(widget); it != paints0.end())
                before = it->second;
            if (auto it = application.paints.find(widget); it != application.paints.end())
                after = it->second;
            const int count = after.paints - before.paints;
            const double ms = count ? (after.nanoseconds - before.nanoseconds) / 1e6 / count : 0;
            return std::make_pair(count / elapsed, ms);
        };
        const auto [paneFps, paneMs] = paintsOf(form.Podglad1);
        const auto [videoFps, videoMs] = paintsOf(renderer);
        // The gallery's cost a camera frame: on the streaming thread, on its worker, painting.
        char gallery[96] = "";
        if (options.gallery && frames > 0) {
            const TGalleryFeed::Counts counts = form.Gallery->Feed().Read();
            const auto [galleryFps, galleryMs] = paintsOf(form.Gallery);
            const double perFrame = 1e6 * static_cast<double>(frames);
            const double stream =
                static_cast<double>(counts.offerNanoseconds - gallery0.offerNanoseconds) / perFrame;
            const double worker =
                static_cast<double>(counts.workNanoseconds - gallery0.workNanoseconds) / perFrame;
            const double paint = galleryFps * elapsed * galleryMs / static_cast<double>(frames);
            std::snprintf(gallery, sizeof gallery, " %12.2f %7llu %9.3f %9.3f %8.3f %7.3f",
                          static_cast<double>(counts.made - gallery0.made) / static_cast<double>(frames),
                          static_cast<unsigned long long>(counts.skipped - gallery0.skipped), stream, worker,
                          paint, stream + worker + paint);
        }

        std::string perThread;
        double encoderSeconds = 0;
        for (const auto& [tid, time] : threads1) {
            const auto before = threads0.find(tid);
            const double used = time.seconds - (before != threads0.end() ? before->second.seconds : 0);
            if (time.name == "film encoder" || time.name == "x264")
                encoderSeconds += used;
            if (used < 0.01 * elapsed || frames == 0)
                continue;
            char part[96];
            std::snprintf(part, sizeof part, "%s%s %.2f", perThread.empty() ? "" : ", ",
                          tid == getpid() ? "gui" : time.name.c_str(), used * 1000 / frames);
            perThread += part;
        }
        const LatencyStats::Summary paint = form.Podglad1->PaintLatency().Read();
        char toPaint[32], toWrite[48] = "-";
        std::snprintf(toPaint, sizeof toPaint, "%.1f/%.1f", paint.median / 1e6, paint.p99 / 1e6);
        // The frames written as they came, against those processed, and the latency to the write.
        if (options.virtualCamera)
            std::snprintf(toWrite, sizeof toWrite, "%llu %.1f/%.1f",
                          static_cast<unsigned long long>(countOf("frames_written") - written0),
                          countOf("latency_median_us") / 1000.0, countOf("latency_p99_us") / 1000.0);
        char filmed[48] = "-";
        const uint64_t encoded = filmCount("frames_encoded") - encoded0;
        if (options.record)
            std::snprintf(filmed, sizeof filmed, "%llu/%llu/%llu/%llu %.2f",
                          static_cast<unsigned long long>(encoded),
                          static_cast<unsigned long long>(filmCount("frames_dropped") - filmDropped0),
                          static_cast<unsigned long long>(filmCount("frames_surplus") - surplus0),
                          static_cast<unsigned long long>(filmCount("frames_repeated") - repeated0),
                          encoded ? encoderSeconds * 1000 / encoded : 0.0);
        std::printf("%-34s %6.0f %6llu %9llu %7llu %10.1f %10.2f %10.1f %10.2f %15s %19s %24s%s  %s\n",
                    std::string(info.name).c_str(), elapsed * options.fps,
                    static_cast<unsigned long long>(frames), static_cast<unsigned long long>(processed),
                    static_cast<unsigned long long>(dropped), paneFps, paneMs, videoFps, videoMs, toPaint,
                    toWrite, filmed, gallery, perThread.c_str());
        std::fflush(stdout);
    }
    if (options.record) {
        // Finishing waits for the last frames and the rewrite of the film with its index first.
        const auto finishStart = std::chrono::steady_clock::now();
        form.Recording().Finish();
        const double finishMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - finishStart).count();
        NamedCounters counters;
        form.Recording().Counters()->ReadCounters(counters);
        std::printf("film:");
        for (const auto& [counter, count] : counters) {
            std::printf(" %s %llu", counter.c_str(), static_cast<unsigned long long>(count));
            if (counter == "file_bytes")
                std::printf(" finish_ms %.1f", finishMs);
        }
        std::printf("\n");
        std::remove(film.c_str());
    }
    form.close();
    std::remove(recorded.c_str());
}

} // namespace

int main(int argc, char** argv) {
    const Options options = Parse(argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    TimingApplication application(argc, argv);
    if (options.virtualCamera)
        V4l2Access::Install(std::make_shared<NullLoopback>());
    RegisterMediaClasses();
    RegisterQuartzModule();
#if TARNOLIX_BENCH_PIPEWIRE
    // A private D-Bus, PipeWire and WirePlumber, pointed at before the program's session starts.
    std::unique_ptr<PipeWireDaemons> daemons;
    if (options.pipeWire) {
        daemons = std::make_unique<PipeWireDaemons>();
        if (!daemons->Start()) {
            std::fprintf(stderr, "live_bench: %s\n%s", daemons->Failure().c_str(), daemons->Log().c_str());
            return 1;
        }
        pipeWireDaemons = daemons.get();
    }
#else
    if (options.pipeWire) {
        std::fprintf(stderr, "live_bench: built without PipeWire\n");
        return 2;
    }
#endif
    for (const auto& [width, height] : options.sizes)
        RunSize(application, options, width, height);
    return 0;
}
