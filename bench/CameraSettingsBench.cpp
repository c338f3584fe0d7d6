// What a PipeWire camera's settings cost the thread that asks (the window's, in the settings
// dialog): a reading of every setting (the dialog opening, or a control read afresh after the
// node's news) and a value set and seen taken by the node (one slider step). The node is the
// tests' pipewire_settings_camera on a private daemon (PipeWireDaemons), a program's node that
// takes a value on its own thread, as libcamera's and newer V4L2 nodes do in the daemon.
//
//   camera_settings_bench [--rounds N]

#include "platform/media/pipewire/PipeWireCameraList.h"
#include "platform/media/pipewire/PipeWireControls.h"
#include "platform/runtime/LatencyStats.h"
#include "tests/media/support/PipeWireDaemons.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <linux/videodev2.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

template <typename Call> int64_t Timed(Call call) {
    const auto start = Clock::now();
    call();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
}

void Print(const char* what, const LatencyStats& stats) {
    const LatencyStats::Summary summary = stats.Read();
    std::printf("%-34s %6zu %10.3f %10.3f\n", what, summary.count, summary.median / 1e6, summary.p99 / 1e6);
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 200;
    for (int index = 1; index + 1 < argc; ++index)
        if (std::strcmp(argv[index], "--rounds") == 0)
            rounds = std::atoi(argv[++index]);
    if (const std::string missing = PipeWireDaemons::Missing(); !missing.empty()) {
        std::printf("skipped: %s\n", missing.c_str());
        return 0;
    }
    PipeWireDaemons daemons;
    if (!daemons.Start()) {
        std::printf("skipped: %s\n", daemons.Failure().c_str());
        return 1;
    }
    daemons.StartProcess({TARNOLIX_SETTINGS_CAMERA});
    auto connection = std::make_shared<PipeWireConnection>();
    auto cameras = std::make_shared<PipeWireCameraList>(connection, [] {});
    uint64_t serial = 0;
    for (int wait = 0; wait < 100 && serial == 0; ++wait) {
        for (const PipeWireCamera& node : cameras->Cameras())
            if (node.Property("node.name") == "settings-camera")
                serial = node.serial;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (serial == 0) {
        std::printf("the settings camera's node was not listed\n%s", daemons.Log().c_str());
        return 1;
    }
    const ComPtr<ICameraControls> controls = PipeWireControls::Create(cameras, serial);
    LatencyStats reading(static_cast<size_t>(rounds)), one(static_cast<size_t>(rounds)),
        step(static_cast<size_t>(rounds));
    std::vector<CameraControl> listed;
    CameraControl control;
    int refused = 0;
    for (int round = 0; round < rounds; ++round) {
        reading.Add(Timed([&] { controls->GetControls(listed); }));
        one.Add(Timed([&] { controls->GetControl(V4L2_CID_BRIGHTNESS, control); }));
        step.Add(Timed(
            [&] { refused += FAILED(controls->SetValue(V4L2_CID_BRIGHTNESS, round % 2 ? 100 : 200)); }));
    }
    std::printf("PipeWire settings, %zu listed, %d rounds, %d refused\n", listed.size(), rounds, refused);
    std::printf("%-34s %6s %10s %10s\n", "", "count", "median ms", "p99 ms");
    Print("every setting read", reading);
    Print("one setting read", one);
    Print("a value set and seen taken", step);
    return refused == 0 ? 0 : 1;
}
