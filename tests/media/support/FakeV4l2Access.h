#pragma once

#include "platform/media/cameras/V4l2Access.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <linux/videodev2.h>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

// A mode a fake camera sends natively: pixel format, size, frame interval (seconds as a fraction).
struct FakeV4l2Mode {
    uint32_t pixelFormat = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    std::pair<uint32_t, uint32_t> interval{1, 30};
};

// A control of a fake camera, as the driver describes it; its value starts at the default
// whenever the node appears. A control under an automatic mode is inactive while `master` is not
// at `activeWhenMaster`, and refuses values then, as some drivers do.
struct FakeV4l2Control {
    uint32_t id = 0;
    uint32_t type = V4L2_CTRL_TYPE_INTEGER;
    std::string name;
    int64_t minimum = 0;
    int64_t maximum = 0;
    int64_t step = 1;
    int64_t defaultValue = 0;
    uint32_t flags = 0;
    std::vector<std::string> menu{}; // a menu's item names from index `minimum`
    uint32_t master = 0;
    int64_t activeWhenMaster = 0;
};

// A node that FakeV4l2Access presents.
struct FakeV4l2Node {
    std::string path;
    std::string card;
    uint32_t deviceCaps = 0x00000001; // V4L2_CAP_VIDEO_CAPTURE
    bool failsToOpen = false;
    bool offersBgr24 = true;
    std::vector<std::pair<uint32_t, uint32_t>> sizes{{640, 480}, {320, 240}};
    std::string identity; // a /dev/v4l/by-id link; empty: none
    std::string busInfo;  // the capability query's bus_info
    bool busy = false;    // another program streams from it: S_FMT fails with EBUSY
    // The frame intervals listed at every size, slowest first as many drivers list them, and
    // the one a fresh descriptor starts at.
    std::vector<std::pair<uint32_t, uint32_t>> intervals{{1, 5}, {1, 30}, {1, 15}};
    std::pair<uint32_t, uint32_t> defaultInterval{1, 5};
    bool refusesInterval = false; // S_PARM fails with EINVAL
    // The camera's own formats, listed before libv4l2's emulated BGR24 (which keeps `sizes` and
    // `intervals`). Empty: YUYV alone, without sizes.
    std::vector<FakeV4l2Mode> nativeModes;
    uint32_t linePadding = 0; // bytes the driver adds to every row of a native format
    // What format queries report of the colours (V4L2's colorspace, ycbcr_enc, quantization).
    uint32_t colourSpace = 8; // V4L2_COLORSPACE_SRGB
    uint32_t ycbcrEncoding = 0;
    uint32_t quantization = 0;
    // For a compressed native format: the bytes of every frame, shorter than the buffer.
    std::vector<uint8_t> compressedFrame;
    // Its controls, in the driver's order: queried, read and set through the extended-control
    // ioctls; each change is an event (V4L2_EVENT_CTRL) for every descriptor subscribed to it.
    std::vector<FakeV4l2Control> controls;

    // A v4l2loopback node instead of a camera (FakeV4l2Loopback.cpp): the driver "v4l2 loopback",
    // device number `loopbackNumber` of the module, its exclusive_caps, the other processes that
    // hold it open, and a format an earlier writer fixed that its readers (or keep_format) still
    // hold (0x0: none).
    bool loopback = false;
    int loopbackNumber = 0;
    bool exclusiveCaps = true;
    int otherHolders = 0;
    std::pair<uint32_t, uint32_t> heldSize{0, 0};
    bool keepFormat = false;  // the format stays when nobody holds the node
    bool otherWriter = false; // another program's writer streams to it now (and holds it)
};

// What a fake loopback node has been told and written, as v4l2loopback 0.12 keeps it: the format
// is fixed from the first STREAMON or write until nobody holds the node any more.
struct FakeLoopback {
    bool readyForCapture = false; // a format is fixed
    bool readyForOutput = true;   // no streaming writer (the output capability, with exclusive_caps)
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t colorspace = 0;
    std::pair<uint32_t, uint32_t> interval{1, 30};
    int otherHolders = 0;
    bool keepFormat = false;
    int writerFd = -1;
    std::vector<std::string> events; // "S_FMT 640x480", "S_PARM 1/30", "STREAMON", "write 614400", "close"
    std::vector<uint8_t> lastFrame;
    int writes = 0;
    bool blockWrites = false;
    int writeError = 0; // writes fail with it
};

// Device nodes made up by a test, answering the capability, format, size and interval queries
// as a camera behind libv4l2 would. Counts the descriptors it has open, so that a test can see
// that every node opened was closed.
class FakeV4l2Access final : public V4l2Access {
public:
    void SetNodes(std::vector<FakeV4l2Node> nodes);
    int OpenDescriptors() const;

    std::vector<std::string> VideoNodes() override;
    std::string StableIdentity(const std::string& node) override;
    std::string ResolveIdentity(const std::string& identity) override;
    int Open(const std::string& node) override;
    int Close(int fd) override;
    int Ioctl(int fd, unsigned long request, void* argument) override;
    // Streaming: S_FMT takes a native format of the node, else sets libv4l2's BGR24. As soon as
    // a buffer is queued a frame is ready in it, each row r of bytes-per-line bytes (from the top,
    // chroma rows counted on after the luma rows) filled with the byte r.
    void* Mmap(int fd, size_t length, int64_t offset) override;
    int Munmap(void* address, size_t length) override;
    int Poll(pollfd* descriptors, size_t count, int timeoutMilliseconds) override;

    // The node goes away: polls report an error, dequeuing fails with ENODEV.
    void Unplug(const std::string& path);
    // Dequeuing fails with `error` from now on.
    void FailStreaming(const std::string& path, int error);
    // The next frames come damaged: `shortFrames` with half their bytes, then `flaggedFrames`
    // whole but flagged V4L2_BUF_FLAG_ERROR.
    void DamageNextFrames(const std::string& path, int shortFrames, int flaggedFrames);
    // The driver numbers its frames; the next one comes `count` numbers later, as after frames
    // captured while no buffer was queued.
    void SkipFrames(const std::string& path, uint32_t count);
    // From now on polls report an error at once while dequeuing finds nothing (EAGAIN).
    void ReportErrorWithoutFrames(const std::string& path);
    int Mappings() const;

    // Controls: a change as the camera itself or another program makes it (events follow), the
    // value the device holds now, and how many values were set through S_EXT_CTRLS.
    void ChangeControl(const std::string& path, uint32_t id, int64_t value);
    int64_t ControlValue(const std::string& path, uint32_t id) const;
    int ControlWrites() const;

    // Loopback nodes (FakeV4l2Loopback.cpp): writes, sysfs, module parameters and holders.
    ssize_t Write(int fd, const void* bytes, size_t size) override;
    std::string NodeAttribute(const std::string& node, const std::string& name) override;
    std::string ModuleParameter(const std::string& module, const std::string& name) override;
    int OtherProcessesHolding(const std::string& node) override;
    FakeLoopback Loopback(const std::string& path) const;
    // While blocked, writes wait (a device whose write(2) would block); unblocking lets them go on.
    void BlockWrites(const std::string& path, bool block);
    void FailWrites(const std::string& path, int error);
    void SetOtherHolders(const std::string& path, int holders);

private:
    struct OpenNode {
        FakeV4l2Node node;
        bool unplugged = false;
        int streamingError = 0;
        int shortFrames = 0;
        int flaggedFrames = 0;
        bool errorWithoutFrames = false;
        uint32_t width = 0;
        uint32_t height = 0;
        uint32_t pixelFormat = 0;
        uint32_t bytesPerLine = 0;
        size_t imageSize = 0;
        std::pair<uint32_t, uint32_t> interval;
        std::vector<std::vector<uint8_t>> buffers;
        std::vector<uint32_t> queued;
        bool streaming = false;
        uint32_t sequence = 0;     // the number of the last frame dequeued
        uint32_t framesToSkip = 0; // numbers the next frame leaves out
        std::set<uint32_t> subscribed;
        std::deque<v4l2_event> events;
    };
    struct ControlState {
        FakeV4l2Control control;
        int64_t value = 0;
    };
    int ControlIoctl(OpenNode& open, unsigned long request, void* argument);
    ControlState* FindControl(const std::string& path, uint32_t id);
    uint32_t FlagsOf(const std::string& path, const ControlState& state);
    // Sets a value and queues the events it causes.
    void SetControl(const std::string& path, ControlState& state, int64_t value);
    void QueueEvent(const std::string& path, const ControlState& state, uint32_t changes);
    bool Ready(const OpenNode& open) const;
    int Stream(OpenNode& open, unsigned long request, void* argument);
    FakeLoopback& LoopbackOf(const FakeV4l2Node& node);
    FakeLoopback& LoopbackAt(const std::string& path);
    int LoopbackIoctl(int fd, const FakeV4l2Node& node, unsigned long request, void* argument);
    void LoopbackClosed(int fd, const FakeV4l2Node& node);

    // mutex_ guards every member below.
    mutable std::mutex mutex_;
    std::vector<FakeV4l2Node> nodes_;
    std::map<int, OpenNode> open_;
    std::map<std::string, FakeLoopback> loopbacks_;
    std::map<std::string, std::vector<ControlState>> controls_; // by node path, while the node is there
    int controlWrites_ = 0;
    std::condition_variable writesReleased_;
    int mappings_ = 0;
    int nextFd_ = 100;
};

// Installs a fake access for the lifetime of the object, then puts the previous one back.
class ScopedFakeV4l2 {
public:
    explicit ScopedFakeV4l2(std::vector<FakeV4l2Node> nodes = {});
    ~ScopedFakeV4l2();
    ScopedFakeV4l2(const ScopedFakeV4l2&) = delete;
    ScopedFakeV4l2& operator=(const ScopedFakeV4l2&) = delete;

    FakeV4l2Access& Access() { return *fake_; }

private:
    std::shared_ptr<FakeV4l2Access> fake_;
    std::shared_ptr<V4l2Access> previous_;
};

// Sets or unsets an environment variable for the lifetime of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value); // null value: unset
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    bool hadValue_ = false;
    std::string previous_;
};
