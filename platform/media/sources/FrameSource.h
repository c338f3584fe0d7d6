#pragma once

#include "platform/com/HResult.h"
#include "platform/com/ViewerInterfaces.h"
#include "platform/media/core/VideoFormat.h"

#include <cstdint>
#include <functional>
#include <memory>

// Where a capture source filter's frames come from: a V4L2 device or a virtual camera. The
// filter makes one when it runs, starts it on the GUI thread, pulls frames from it on its
// streaming thread, wakes it from the GUI thread to stop, and destroys it once that thread has
// ended.
class FrameSource {
public:
    enum class Outcome {
        Frame,      // a frame went to the handler
        Stopped,    // woken: streaming ends
        DeviceLost, // the device went away: streaming ends
        Failed,     // the device failed (LastError says how): streaming ends
    };
    // Receives one frame in the connected format (24-bit RGB: bottom-up rows padded to 4 bytes;
    // see VideoFormat for the others), valid during the call.
    using FrameHandler = std::function<void(uint8_t* bits, int32_t length)>;

    virtual ~FrameSource() = default;

    // Readies the device; a failure here makes the filter's Run fail with it.
    virtual HRESULT Start() = 0;
    // Streaming thread: waits for the next frame and hands it to `handler`.
    virtual Outcome Next(const FrameHandler& handler) = 0;
    // Any thread: the current or next wait in Next returns Stopped promptly.
    virtual void Wake() = 0;
    // The failure behind Outcome::Failed.
    virtual HRESULT LastError() const { return E_FAIL; }
    // Streaming thread, while its handler runs: the camera's time stamp of the frame handed over
    // (CLOCK_MONOTONIC nanoseconds); 0 when the source has none, and the frame is then stamped
    // when it arrives.
    virtual int64_t FrameCaptureTime() const { return 0; }
    // Any thread: the source's own counts for viewers (none by default).
    virtual void ReadCounters(NamedCounters&) const {}
    // Any thread: texts that say what the source reads (its access and device), for viewers.
    virtual void ReadLabels(NamedLabels&) const {}
};

// Makes the frame source of a device for the format its output pin connected with.
using FrameSourceFactory = std::function<std::unique_ptr<FrameSource>(const VideoFormat& format)>;
