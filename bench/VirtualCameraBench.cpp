// The virtual camera's cost to the streaming thread, and its latency: a 1920x1080 camera at 30
// frames a second for five seconds, the processed picture written to a device that is /dev/null
// behind an access answering as a loopback node, then (where this build has PipeWire and its
// daemons are installed) sent as the PipeWire camera to a private daemon, read meanwhile by
// GStreamer's pipewiresrc, which counts the frames it received. Per frame the streaming thread takes the
// window's picture lock (as the frame pass does, which is where the writer's reading could make
// it wait), then calls FrameReady. Prints the median and 99th percentile of FrameReady, of the
// wait for the lock, of a plain copy of the frame for comparison, and of the latency from the
// camera's time stamp to the write.

#include "bench/NullLoopback.h"
#include "platform/media/cameras/V4l2Access.h"
#include "platform/media/core/VideoFormat.h"
#include "platform/media/outputs/PipeWireCameraOutput.h"
#include "platform/media/outputs/VirtualCameraOutput.h"
#include "platform/runtime/LatencyStats.h"
#include "platform/runtime/SimdLevel.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <linux/videodev2.h>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#ifdef TARNOLIX_BENCH_PIPEWIRE
#include "tests/media/support/PipeWireDaemons.h"
#endif

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kFrames = 150;

int64_t Now() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

std::string Machine() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line))
        if (line.rfind("model name", 0) == 0)
            return line.substr(line.find(':') + 2);
    return "unknown processor";
}

uint64_t Counter(const CameraOutput& output, const std::string& name) {
    NamedCounters values;
    output.Counters()->ReadCounters(values);
    for (const auto& [counter, value] : values)
        if (counter == name)
            return value;
    return 0;
}

void Print(const char* what, LatencyStats& stats) {
    const LatencyStats::Summary summary = stats.Read();
    std::printf("  %-38s median %8.1f us   p99 %8.1f us\n", what, summary.median / 1000.0,
                summary.p99 / 1000.0);
}

} // namespace

int main() {
    std::printf("virtual camera, %dx%d at 30 frames a second, %d frames; %s, %u processors, %s\n", kWidth,
                kHeight, kFrames, Machine().c_str(), std::thread::hardware_concurrency(),
                std::string(SimdLevelName(ActiveSimdLevel())).c_str());
    const int stride = Rgb24Stride(kWidth);
    std::vector<uint8_t> picture(static_cast<size_t>(stride) * kHeight);
    for (size_t k = 0; k < picture.size(); ++k)
        picture[k] = static_cast<uint8_t>(k * 7 / 3);
    std::vector<uint8_t> copy(picture.size());
    std::mutex pictureMutex;
    const PictureReader reader = [&](const PictureVisitor& visit) {
        std::lock_guard lock(pictureMutex);
        visit({picture.data(), kWidth, kHeight, stride, true});
    };

    // One output for five seconds of frames, as the frame pass and the window drive it.
    const auto measure = [&](const char* name, const std::function<std::unique_ptr<CameraOutput>()>& make) {
        LatencyStats frameReady(kFrames), lockWait(kFrames);
        ComPtr<ICounterSource> counters;
        {
            const std::unique_ptr<CameraOutput> output = make();
            counters = output->Counters();
            const auto interval = std::chrono::nanoseconds(1'000'000'000 / 30);
            auto next = std::chrono::steady_clock::now();
            for (int frame = 0; frame < kFrames; ++frame) {
                std::this_thread::sleep_until(next);
                next += interval;
                const int64_t cameraTime = Now();
                {
                    const int64_t asked = Now();
                    std::lock_guard lock(pictureMutex); // the frame pass writes the picture here
                    lockWait.Add(Now() - asked);
                    picture[static_cast<size_t>(frame)] ^= 1;
                }
                const int64_t before = Now();
                output->FrameReady(cameraTime);
                frameReady.Add(Now() - before);
            }
            // The last frame's way to the output.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        std::printf("%s\nstreaming thread, per frame:\n", name);
        Print("FrameReady", frameReady);
        Print("wait for the picture lock", lockWait);
        NamedCounters values;
        counters->ReadCounters(values);
        std::printf("writer:\n");
        for (const auto& [counter, value] : values)
            std::printf("  %-38s %llu\n", counter.c_str(), static_cast<unsigned long long>(value));
    };
    measure("loopback device", [&] {
        return std::make_unique<VirtualCameraOutput>(
            std::make_shared<NullLoopback>(), VirtualCameraSettings{"/dev/null", kWidth, kHeight, {1, 30}},
            reader);
    });
#ifdef TARNOLIX_BENCH_PIPEWIRE
    if (const std::string missing = PipeWireDaemons::Missing(); !missing.empty()) {
        std::printf("PipeWire camera: not measured, %s\n", missing.c_str());
    } else {
        PipeWireDaemons daemons;
        if (!daemons.Start()) {
            std::printf("PipeWire camera: not measured, %s\n", daemons.Failure().c_str());
        } else {
            const auto log = daemons.Folder() / "reader.log";
            pid_t readerProcess = -1;
            uint64_t before = 0; // frames sent before the measured ones
            measure("PipeWire camera, one pipewiresrc reading", [&] {
                auto output = MakePipeWireCameraOutput({kWidth, kHeight, {1, 30}}, reader);
                readerProcess = daemons.StartProcess(
                    {"sh", "-c",
                     "exec stdbuf -oL gst-launch-1.0 -v pipewiresrc target-object=tarnolix-camera "
                     "stream-properties=props,media.type=Video ! video/x-raw ! fakesink silent=false > " +
                         log.string() + " 2>&1"});
                // Measured once the reader is linked.
                for (int wait = 0; wait < 100 && Counter(*output, "readers") == 0; ++wait)
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
                before = Counter(*output, "frames_written") + Counter(*output, "frames_repeated");
                return output;
            });
            daemons.StopProcess(readerProcess);
            std::ifstream lines(log);
            std::string line;
            int received = 0;
            while (std::getline(lines, line))
                received += line.find("chain") != std::string::npos;
            std::printf("  %-38s %d (%llu sent before the measured frames)\n", "frames the reader got",
                        received, static_cast<unsigned long long>(before));
        }
    }
#endif
    // Apart, so that it does not slow the writer down in the runs above.
    LatencyStats plainCopy(kFrames);
    for (int frame = 0; frame < kFrames; ++frame) {
        const int64_t copied = Now();
        std::memcpy(copy.data(), picture.data(), picture.size());
        plainCopy.Add(Now() - copied);
    }
    std::printf("for comparison:\n");
    Print("a plain copy of the frame (not made)", plainCopy);
    if (copy[1] == 255) // keeps the copies
        std::printf(" ");
    return 0;
}
