// The virtual camera's cost to the streaming thread, and its latency: a 1920x1080 camera at 30
// frames a second for five seconds, the processed picture written to a device that is /dev/null
// behind an access answering as a loopback node. Per frame the streaming thread takes the
// window's picture lock (as the frame pass does, which is where the writer's reading could make
// it wait), then calls FrameReady. Prints the median and 99th percentile of FrameReady, of the
// wait for the lock, of a plain copy of the frame for comparison, and of the latency from the
// camera's time stamp to the write.

#include "bench/NullLoopback.h"
#include "platform/media/cameras/V4l2Access.h"
#include "platform/media/core/VideoFormat.h"
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
#include <linux/videodev2.h>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

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

    LatencyStats frameReady(kFrames), lockWait(kFrames), plainCopy(kFrames);
    ComPtr<ICounterSource> counters;
    {
        VirtualCameraOutput output(std::make_shared<NullLoopback>(),
                                   VirtualCameraSettings{"/dev/null", kWidth, kHeight, {1, 30}}, reader);
        counters = output.Counters();
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
            output.FrameReady(cameraTime);
            frameReady.Add(Now() - before);
        }
    }
    // Apart, so that it does not slow the writer down in the run above.
    for (int frame = 0; frame < kFrames; ++frame) {
        const int64_t copied = Now();
        std::memcpy(copy.data(), picture.data(), picture.size());
        plainCopy.Add(Now() - copied);
    }
    std::printf("streaming thread, per frame:\n");
    Print("FrameReady", frameReady);
    Print("wait for the picture lock", lockWait);
    Print("(a plain copy of the frame, not made)", plainCopy);
    if (copy[1] == 255) // keeps the copies
        std::printf(" ");
    NamedCounters values;
    counters->ReadCounters(values);
    std::printf("writer:\n");
    for (const auto& [name, value] : values)
        std::printf("  %-38s %llu\n", name.c_str(), static_cast<unsigned long long>(value));
    return 0;
}
