#pragma once

#include "platform/media/cameras/V4l2Access.h"
#include "platform/media/cameras/V4l2FrameInterval.h"
#include "platform/media/core/FramePicture.h"
#include "platform/media/outputs/LoopbackNode.h"
#include "platform/media/outputs/VirtualCameraCounters.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct VirtualCameraSettings {
    std::string device; // a path, from ChooseLoopbackOutput
    int width = 0;      // the camera's size
    int height = 0;
    V4l2Interval interval{1, 30}; // the camera's frame interval
};

// Writes the processed picture to a loopback device, so that other programs see it as a camera.
//
// The window makes it on the GUI thread (the constructor opens the device and sets the format
// before any frame, throwing VirtualCameraError when it cannot) and destroys it there (the
// destructor stops and joins the writer thread, then closes the device). The streaming thread
// calls FrameReady after each frame pass, with the camera's time stamp: it only stores the stamp
// and wakes the writer, a few microseconds. The writer thread then calls the PictureReader and
// converts the picture straight from the window's pixels into its YUYV frame (about 0.6 ms for
// 1920x1080 at AVX2, the window's lock held meanwhile, long before the next pass needs it), and
// writes it. So the streaming thread never copies a frame and never waits for the device.
//
// Every new frame is written as soon as it is ready; when none has come for 1.5 frame intervals
// the last one (black before the first) is written again at the camera's rate until frames come
// again. A picture of another size sets the device's size anew (reopening it when the driver
// keeps the old one); when readers hold the old size, the picture is centred in it, cut or framed
// in black. A failure on the writer thread (the device went away, the reader threw) stops the
// writing; Failure() then tells it.
class VirtualCameraOutput {
public:
    VirtualCameraOutput(std::shared_ptr<V4l2Access> access, VirtualCameraSettings settings,
                        PictureReader reader);
    ~VirtualCameraOutput();
    VirtualCameraOutput(const VirtualCameraOutput&) = delete;
    VirtualCameraOutput& operator=(const VirtualCameraOutput&) = delete;

    // Streaming thread: a new processed frame is ready; `cameraTime` is the camera's time stamp
    // (CLOCK_MONOTONIC nanoseconds), from which the write's latency is measured.
    void FrameReady(int64_t cameraTime);
    // Any thread: the camera's rate changed.
    void SetFrameInterval(V4l2Interval interval);

    // For the graph viewer (TFilterGraph::AddViewerCounters); may outlive this object.
    ComPtr<ICounterSource> Counters() const;
    // Any thread: why the writer stopped, in English; empty while it writes.
    std::string Failure() const;

private:
    void Run();
    void Loop();
    void WriteLive(int64_t cameraTime);
    void WriteAgain();
    void Write(int64_t cameraTime);
    void Convert(const FramePicture& picture);
    void Resize(int width, int height);
    void FormatChanged();

    std::shared_ptr<V4l2Access> access_;
    const std::string device_;
    const PictureReader reader_;
    const ComPtr<VirtualCameraCounters> counters_;

    // Touched by the writer thread only once it runs.
    std::unique_ptr<LoopbackNode> node_;
    std::vector<uint8_t> frame_; // the YUYV frame written last (black at first)
    int pictureWidth_ = 0;       // the picture size the device was last asked for
    int pictureHeight_ = 0;
    bool framed_ = false; // the picture is centred in a device of another size
    V4l2Interval interval_;

    // mutex_ guards the members below; wake_ signals them.
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    uint64_t sequence_ = 0; // frames made ready
    int64_t cameraTime_ = 0;
    bool intervalChanged_ = false;
    V4l2Interval newInterval_;
    std::string failure_;

    std::thread thread_;
};
