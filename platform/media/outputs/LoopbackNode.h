#pragma once

#include "platform/media/cameras/V4l2Access.h"
#include "platform/media/cameras/V4l2FrameInterval.h"

#include <cstdint>
#include <memory>
#include <string>

// The format a loopback device writes: YUYV, its size, rows and frame, and its frame interval.
struct LoopbackFormat {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bytesPerLine = 0;
    uint32_t imageSize = 0;
    V4l2Interval interval{1, 30};

    // "YUYV 1280x720 30/1": the size, then the rate as frames over seconds.
    std::string Text() const;
};

// The writing side of a loopback device, open while the object lives (closed by its destructor).
// The constructor sets the format before any frame is written, so that readers find a camera
// whether the module announces its capabilities exclusively or not; it runs on the caller's
// thread, the rest on the virtual camera's writer thread. Failures throw VirtualCameraError.
class LoopbackNode {
public:
    // Opens `path` and sets YUYV at `width` x `height` (an odd width rounded up to even), tagged
    // BT.601 limited range, and the frame interval, then starts the output stream. The device may
    // keep another size: the one an earlier writer fixed while readers still hold it.
    LoopbackNode(std::shared_ptr<V4l2Access> access, std::string path, uint32_t width, uint32_t height,
                 V4l2Interval interval);
    ~LoopbackNode();
    LoopbackNode(const LoopbackNode&) = delete;
    LoopbackNode& operator=(const LoopbackNode&) = delete;

    const std::string& Path() const { return path_; }
    // The format the device took.
    const LoopbackFormat& Format() const { return format_; }
    // Asks the open device for another size; Format() tells what it has afterwards.
    void SetSize(uint32_t width, uint32_t height);
    void SetInterval(V4l2Interval interval);
    // Writes one frame of Format().imageSize bytes. False when the device would have blocked (the
    // frame is dropped); throws when writing fails otherwise (the device went away).
    bool Write(const uint8_t* frame);

private:
    bool Ioctl(unsigned long request, void* argument) const;
    [[noreturn]] void Fail(const std::string& what, int error) const;

    std::shared_ptr<V4l2Access> access_;
    std::string path_;
    int fd_ = -1;
    LoopbackFormat format_;
};
