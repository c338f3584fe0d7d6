#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class DeviceEventSource;
class V4l2Access;

// Watches the machine's video devices while it lives, on a thread of its own, and calls
// `changed` there each time the set of video devices has changed and settled: a burst of events
// (a camera brings several nodes) is reported once, a quarter of a second after the last, and
// not before every new node can be opened (udev sets a node's permissions after the kernel made
// it), or three seconds have passed. Its news comes from udev where the udev daemon runs, else
// from the device folder itself (TARNOLIX_DEVICE_DIR when set, for tests, else /dev), and from
// PipeWire's camera list where a daemon runs.
// `changed` must not throw; the watch drops what it would.
class DeviceWatch {
public:
    using Changed = std::function<void()>;
    // Throws when neither udev nor the device folder can be watched.
    explicit DeviceWatch(Changed changed);
    ~DeviceWatch();
    DeviceWatch(const DeviceWatch&) = delete;
    DeviceWatch& operator=(const DeviceWatch&) = delete;

    // "udev", or "folder <path>", with " and PipeWire" when it follows PipeWire's cameras.
    const std::string& Source() const { return source_; }

private:
    void Run();
    // Waits for the events, the stop, or the timeout; false once stopped.
    bool Wait(int timeoutMilliseconds, bool& events);
    // Waits for quiet and for the new nodes, then calls `changed`; false once stopped.
    bool SettleAndReport(V4l2Access& access, std::vector<std::string>& known);

    std::unique_ptr<DeviceEventSource> events_;
    std::string source_;
    Changed changed_;
    int stop_ = -1;     // an eventfd, written to stop the thread
    int pipeWire_ = -1; // PipeWire's camera list changed (an eventfd of its session), or -1
    std::thread thread_;
};
