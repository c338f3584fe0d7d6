#pragma once

#include "platform/com/ComPtr.h"
#include "platform/com/ViewerInterfaces.h"
#include "platform/media/outputs/CameraOutput.h"
#include "platform/media/outputs/LoopbackDevices.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TVirtualCameraCounters;

// What the user asks for to get the PipeWire camera instead of a loopback device.
inline constexpr const char* kPipeWireVirtualCamera = "pipewire";

// The window's virtual camera: the loopback device or PipeWire camera asked for, and the writer
// while the processed picture goes to one. It outlives capture: when the camera stops, is unplugged or is
// switched, the writer goes on sending the last picture, and the next camera's frames follow.
// GUI thread, except FrameReady (the streaming thread).
class TVirtualCamera {
public:
    explicit TVirtualCamera(PictureReader reader);
    ~TVirtualCamera();
    TVirtualCamera(const TVirtualCamera&) = delete;
    TVirtualCamera& operator=(const TVirtualCamera&) = delete;

    // The loopback devices there are now.
    std::vector<LoopbackOutput> Outputs() const;
    // Whether the PipeWire camera can be offered now (a daemon runs).
    bool PipeWireOffered() const;
    // A device's path or card label to write to, or kPipeWireVirtualCamera; empty: the loopback
    // device labelled "Tarnolix", else the first free one, else PipeWire when a daemon runs.
    const std::string& Requested() const { return requested_; }
    void SetRequested(std::string device) { requested_ = std::move(device); }

    // Writes from now on at the camera's size and rate to the device asked for, letting go of
    // the one written to before. Throws VirtualCameraError (in Polish when there is no device).
    void Start(int width, int height, V4l2Interval interval);
    // Lets the device go.
    void Stop();
    bool Running() const;
    // The path written to, or kPipeWireVirtualCamera; empty while not running.
    const std::string& Device() const { return device_; }
    // Another camera's rate: the writer keeps its device and follows.
    void SetFrameInterval(V4l2Interval interval);
    // Streaming thread: a processed frame is ready; never waits for the device.
    void FrameReady(int64_t captureTime);

    // The writer's counts for the graph viewer, whichever writer runs; attach once.
    ComPtr<ICounterSource> Counters() const;

private:
    void Replace(std::unique_ptr<CameraOutput> output);
    // The output for the choice, at the camera's size and rate.
    std::unique_ptr<CameraOutput> Make(int width, int height, V4l2Interval interval);

    const PictureReader reader_;
    const ComPtr<TVirtualCameraCounters> counters_;
    std::string requested_;
    std::string device_;
    // outputMutex_ guards output_ between FrameReady and the GUI thread; a writer is destroyed
    // only after it is let go, since destroying it waits for its thread.
    mutable std::mutex outputMutex_;
    std::unique_ptr<CameraOutput> output_;
};

// The interval of a frame time in 100 ns units, as a V4L2 fraction; 1/30 s when it is not known.
V4l2Interval IntervalOfFrameTime(int64_t frameTime);
