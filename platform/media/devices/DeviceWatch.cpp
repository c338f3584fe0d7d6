#include "platform/media/devices/DeviceWatch.h"

#include "platform/media/cameras/V4l2Access.h"
#include "platform/media/devices/DeviceEvents.h"
#include "platform/media/pipewire/PipeWireCameras.h"
#include "platform/runtime/Exception.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kQuietMilliseconds = 250;
constexpr auto kOpenableWithin = std::chrono::seconds(3);
constexpr int kOpenRetryMilliseconds = 100;

std::unique_ptr<DeviceEventSource> ChooseEvents() {
    const char* folder = std::getenv("TARNOLIX_DEVICE_DIR");
    if (folder && *folder)
        return MakeFolderEvents(folder);
    if (auto udev = MakeUdevEvents())
        return udev;
    return MakeFolderEvents("/dev");
}

bool Openable(V4l2Access& access, const std::string& node) {
    const int fd = access.Open(node);
    if (fd < 0)
        return false;
    access.Close(fd);
    return true;
}

} // namespace

DeviceWatch::DeviceWatch(Changed changed) : events_(ChooseEvents()), changed_(std::move(changed)) {
    source_ = events_->Describe();
    // PipeWire's camera nodes coming and going (or its daemon) are news like a device node's.
    pipeWire_ = PipeWireCameras::ChangeDescriptor();
    if (pipeWire_ >= 0)
        source_ += " and PipeWire";
    stop_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stop_ < 0)
        throw Exception(std::string("Cannot watch the video devices: ") + std::strerror(errno));
    thread_ = std::thread([this] { Run(); });
}

DeviceWatch::~DeviceWatch() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(stop_, &one, sizeof one);
    thread_.join();
    close(stop_);
}

bool DeviceWatch::Wait(int timeoutMilliseconds, bool& events) {
    pollfd descriptors[3] = {{stop_, POLLIN, 0}, {events_->Descriptor(), POLLIN, 0}, {pipeWire_, POLLIN, 0}};
    int ready;
    do
        ready = poll(descriptors, pipeWire_ >= 0 ? 3 : 2, timeoutMilliseconds);
    while (ready < 0 && errno == EINTR);
    if (descriptors[0].revents)
        return false;
    // Drained even when nothing there concerns video devices, so that poll does not spin.
    events = ready > 0 && descriptors[1].revents && events_->Drain();
    if (ready > 0 && pipeWire_ >= 0 && descriptors[2].revents) {
        uint64_t count;
        [[maybe_unused]] const ssize_t got = read(pipeWire_, &count, sizeof count);
        events = true;
    }
    return true;
}

void DeviceWatch::Run() {
    const auto access = V4l2Access::Current();
    std::vector<std::string> known = access->VideoNodes();
    for (;;) {
        bool events = false;
        if (!Wait(-1, events))
            return;
        if (events && !SettleAndReport(*access, known))
            return;
    }
}

bool DeviceWatch::SettleAndReport(V4l2Access& access, std::vector<std::string>& known) {
    bool events = true;
    while (events)
        if (!Wait(kQuietMilliseconds, events))
            return false;
    // Only the nodes that were not there before are waited for: a node this user may never
    // open must not delay every report.
    const auto deadline = std::chrono::steady_clock::now() + kOpenableWithin;
    std::vector<std::string> nodes;
    for (;;) {
        nodes = access.VideoNodes();
        const bool ready = std::all_of(nodes.begin(), nodes.end(), [&](const std::string& node) {
            return std::find(known.begin(), known.end(), node) != known.end() || Openable(access, node);
        });
        if (ready || std::chrono::steady_clock::now() >= deadline)
            break;
        if (!Wait(kOpenRetryMilliseconds, events))
            return false;
    }
    known = std::move(nodes);
    try {
        changed_();
    } catch (...) {
        // The callback runs on this thread; nothing it throws may end the program.
    }
    return true;
}
