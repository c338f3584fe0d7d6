// The capture sources' own cost on the streaming thread, on frames of the same format, size and
// rate: the V4L2 source reading a camera behind the V4L2 access (ReplayV4l2Camera: buffers filled
// once, a timer as the device's descriptor) and the PipeWire source reading a camera node of a
// private daemon (the tests' PipeWireDaemons: GStreamer's test source through pipewiresink, in
// one colour, whose buffers carry no monotonic time stamp, so the PipeWire source stamps them on
// arrival). Both send YUYV at the size and rate given; this thread runs each source's Next as the capture
// filter's streaming thread does, with a handler that reads the whole frame once, as a converter would. It
// prints, per delivered frame, the streaming thread's CPU time (handler included, and the handler's read
// alone for reference), every other busy thread's, and the latency from the frame's time stamp
// to the handler (median and 99th percentile).
//
//   camera_source_bench [--seconds S] [--size WxH] [--fps N]

#include "bench/ReplayV4l2Camera.h"
#include "bench/ThreadTimes.h"
#include "platform/media/cameras/V4l2FrameSource.h"
#include "platform/media/core/MediaType.h"
#include "platform/media/pipewire/PipeWireCameraList.h"
#include "platform/media/pipewire/PipeWireFrameSource.h"
#include "platform/runtime/LatencyStats.h"
#include "tests/media/support/PipeWireDaemons.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <linux/videodev2.h>
#include <memory>
#include <string>
#include <thread>

namespace {

int64_t ThreadCpuNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

int64_t MonotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

// Eight 75% bars in YUYV, as a camera's test picture.
std::vector<uint8_t> YuyvBars(int width, int height) {
    static constexpr uint8_t kBars[8][3] = {{180, 128, 128}, {162, 44, 142}, {131, 156, 44}, {112, 72, 58},
                                            {84, 184, 198},  {65, 100, 212}, {35, 212, 114}, {16, 128, 128}};
    std::vector<uint8_t> frame(static_cast<size_t>(width) * height * 2);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; x += 2) {
            const uint8_t* bar = kBars[x * 8 / width];
            uint8_t* pair = &frame[(static_cast<size_t>(y) * width + x) * 2];
            pair[0] = bar[0], pair[1] = bar[1], pair[2] = bar[0], pair[3] = bar[2];
        }
    return frame;
}

// What a downstream reader does with a frame at least: every byte read once.
uint64_t ReadWhole(const uint8_t* bits, size_t length) {
    uint64_t sum = 0;
    for (size_t k = 0; k + 8 <= length; k += 8) {
        uint64_t word;
        std::memcpy(&word, bits + k, 8);
        sum += word;
    }
    return sum;
}

struct Options {
    double seconds = 10;
    int width = 1920, height = 1080, fps = 30;
};

Options Parse(int argc, char** argv) {
    Options options;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        if (arg == "--seconds" && k + 1 < argc)
            options.seconds = std::atof(argv[++k]);
        else if (arg == "--fps" && k + 1 < argc)
            options.fps = std::atoi(argv[++k]);
        else if (!(arg == "--size" && k + 1 < argc &&
                   std::sscanf(argv[++k], "%dx%d", &options.width, &options.height) == 2)) {
            std::fprintf(stderr, "usage: camera_source_bench [--seconds S] [--size WxH] [--fps N]\n");
            std::exit(2);
        }
    }
    return options;
}

// Runs the source on this thread for the time given and prints its line of the table.
void Measure(const char* name, FrameSource& source, const Options& options, double readAlone) {
    if (const HRESULT started = source.Start(); FAILED(started)) {
        std::printf("%-9s did not start: %08x\n", name, static_cast<unsigned>(started));
        return;
    }
    LatencyStats latency(4096);
    uint64_t frames = 0, sum = 0;
    const auto handler = [&](uint8_t* bits, int32_t length) {
        if (const int64_t captured = source.FrameCaptureTime())
            latency.Add(MonotonicNow() - captured);
        sum += ReadWhole(bits, static_cast<size_t>(length));
        ++frames;
    };
    for (int warm = 0; warm < options.fps && source.Next(handler) == FrameSource::Outcome::Frame; ++warm) {
    }
    frames = 0;
    const auto threads0 = ThreadTimes();
    const int64_t cpu0 = ThreadCpuNanoseconds();
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::duration<double>(options.seconds);
    while (std::chrono::steady_clock::now() < end && source.Next(handler) == FrameSource::Outcome::Frame) {
    }
    const double cpu = static_cast<double>(ThreadCpuNanoseconds() - cpu0);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto threads1 = ThreadTimes();
    source.Wake();
    std::string others;
    const int self = static_cast<int>(gettid());
    for (const auto& [tid, time] : threads1) {
        const auto before = threads0.find(tid);
        const double used = time.seconds - (before != threads0.end() ? before->second.seconds : 0);
        if (tid == self || used < 0.005 * elapsed || frames == 0)
            continue;
        char part[96];
        std::snprintf(part, sizeof part, "%s%s %.3f", others.empty() ? "" : ", ", time.name.c_str(),
                      used * 1000 / static_cast<double>(frames));
        others += part;
    }
    const LatencyStats::Summary stamped = latency.Read();
    std::printf("%-9s %7llu %8.1f %12.3f %12.3f %12.3f %17.2f/%.2f   %s\n", name,
                static_cast<unsigned long long>(frames), static_cast<double>(frames) / elapsed,
                frames ? cpu / 1e6 / static_cast<double>(frames) : 0.0, readAlone,
                frames ? cpu / 1e6 / static_cast<double>(frames) - readAlone : 0.0, stamped.median / 1e6,
                stamped.p99 / 1e6, others.c_str());
    std::fflush(stdout);
    if (sum == 42)
        std::printf(" "); // keeps the reads
}

// The handler's read of one frame in ordinary memory, CPU milliseconds.
double ReadAlone(const std::vector<uint8_t>& frame) {
    uint64_t sum = 0;
    const int rounds = 200;
    const int64_t cpu0 = ThreadCpuNanoseconds();
    for (int k = 0; k < rounds; ++k)
        sum += ReadWhole(frame.data(), frame.size());
    const double ms = static_cast<double>(ThreadCpuNanoseconds() - cpu0) / 1e6 / rounds;
    return sum == 42 ? ms + 1e-9 : ms;
}

} // namespace

int main(int argc, char** argv) {
    const Options options = Parse(argc, argv);
    const std::vector<uint8_t> frame = YuyvBars(options.width, options.height);
    const VideoFormat format{options.width, options.height, 10'000'000 / options.fps, MEDIASUBTYPE_YUY2};
    const double readAlone = ReadAlone(frame);
    std::printf("YUYV %dx%d at %d frames a second, %.1f s a source; CPU ms a frame on the streaming thread\n",
                options.width, options.height, options.fps, options.seconds);
    std::printf("%-9s %7s %8s %12s %12s %12s %22s   %s\n", "source", "frames", "fps", "thread ms", "read ms",
                "source ms", "stamp to handler ms", "other threads, CPU ms a frame");

    auto camera = std::make_shared<ReplayV4l2Camera>(frame, options.width, options.height, options.fps);
    {
        V4l2FrameSource v4l2(camera, ReplayV4l2Camera::kPath, format, V4L2_PIX_FMT_YUYV);
        Measure("V4L2", v4l2, options, readAlone);
    }

    if (const std::string missing = PipeWireDaemons::Missing(); !missing.empty()) {
        std::printf("PipeWire  skipped: %s\n", missing.c_str());
        return 0;
    }
    PipeWireDaemons daemons;
    if (!daemons.Start()) {
        std::printf("PipeWire  skipped: %s\n", daemons.Failure().c_str());
        return 1;
    }
    daemons.StartCamera("bench-camera", "Bench camera", 0x808080, options.width, options.height, options.fps);
    auto connection = std::make_shared<PipeWireConnection>();
    auto cameras = std::make_shared<PipeWireCameraList>(connection, [] {});
    uint64_t serial = 0;
    for (int wait = 0; wait < 100 && serial == 0; ++wait) {
        for (const PipeWireCamera& node : cameras->Cameras())
            if (node.Property("node.name") == "bench-camera")
                serial = node.serial;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (serial == 0) {
        std::printf("PipeWire  the bench camera's node was not listed\n%s", daemons.Log().c_str());
        return 1;
    }
    const PipeWireMode mode{
        V4L2_PIX_FMT_YUYV, options.width, options.height, static_cast<uint32_t>(options.fps), 1, {}};
    {
        PipeWireFrameSource pipeWire(cameras, serial, "bench-camera", format, mode);
        Measure("PipeWire", pipeWire, options, readAlone);
    }
    return 0;
}
