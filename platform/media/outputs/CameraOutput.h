#pragma once

#include "platform/com/ComPtr.h"
#include "platform/com/ViewerInterfaces.h"
#include "platform/media/cameras/V4l2FrameInterval.h"
#include "platform/media/core/FramePicture.h"

#include <cstdint>
#include <string>

// Where the virtual camera sends the processed picture: a loopback device, or a PipeWire node.
// Made and destroyed on the GUI thread; FrameReady comes from the streaming thread and never
// waits for the output.
class CameraOutput {
public:
    virtual ~CameraOutput() = default;

    // Streaming thread: a new processed frame is ready; `cameraTime` is the camera's time stamp
    // (CLOCK_MONOTONIC nanoseconds), from which the latency is measured.
    virtual void FrameReady(int64_t cameraTime) = 0;
    // Any thread: the camera's rate changed.
    virtual void SetFrameInterval(V4l2Interval interval) = 0;
    // For the graph viewer (TFilterGraph::AddViewerCounters); may outlive this object.
    virtual ComPtr<ICounterSource> Counters() const = 0;
    // Any thread: why the output stopped, in English; empty while it writes.
    virtual std::string Failure() const = 0;
    // What readers find: the device's path, or the node's name.
    virtual std::string Target() const = 0;
};
