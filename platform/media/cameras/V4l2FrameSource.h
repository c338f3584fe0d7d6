#pragma once

#include "platform/media/cameras/V4l2Access.h"
#include "platform/media/sources/FrameSource.h"

#include <atomic>
#include <linux/videodev2.h>
#include <memory>
#include <string>
#include <vector>

// A V4L2 camera's frames through libv4l2: the device set to the pixel format (24-bit BGR, which
// libv4l2 converts to, or a format of the camera's own that it passes through) at the format's
// size and the fastest frame interval it offers there, a few memory-mapped buffers, poll with a
// timeout and an eventfd that Wake signals. BGR frames come top-down and are turned bottom-up,
// rows padded to 4 bytes; YUV frames keep their rows, packed as long as the width needs; MJPEG
// frames go as they came. The destructor stops the device, unmaps its buffers and closes it.
class V4l2FrameSource final : public FrameSource {
public:
    V4l2FrameSource(std::shared_ptr<V4l2Access> access, std::string path, const VideoFormat& format,
                    uint32_t pixelFormat = V4L2_PIX_FMT_BGR24);
    ~V4l2FrameSource() override;
    V4l2FrameSource(const V4l2FrameSource&) = delete;
    V4l2FrameSource& operator=(const V4l2FrameSource&) = delete;

    // Fails with HRESULT_ERROR_BUSY when another program holds the device.
    HRESULT Start() override;
    Outcome Next(const FrameHandler& handler) override;
    void Wake() override;
    HRESULT LastError() const override { return lastError_; }
    // The frame interval the device took at Start (100 ns units); 0 when it did not say.
    REFERENCE_TIME FrameInterval() const { return frameInterval_; }

    // Frames the driver handed over, and those of them dropped as damaged or short. The
    // streaming thread counts them, and the frames missed (gaps in the driver's sequence
    // numbers: captured while no buffer was free); any thread may read.
    uint64_t FramesDelivered() const { return framesDelivered_.load(std::memory_order_relaxed); }
    uint64_t FramesDamaged() const { return framesDamaged_.load(std::memory_order_relaxed); }
    void ReadCounters(NamedCounters& counters) const override;
    int64_t FrameCaptureTime() const override { return captureTime_; }

private:
    struct Mapping {
        void* address;
        size_t length;
    };

    bool Ioctl(unsigned long request, void* argument) const;
    Outcome Failure(int error);
    void AskForFastestInterval();
    // Streaming thread: the `used` bytes of a device buffer into frame_ as downstream takes
    // them; the frame's length, or 0 when the buffer holds less than a picture.
    size_t Pack(const uint8_t* data, size_t used);

    const std::shared_ptr<V4l2Access> access_;
    const std::string path_;
    const VideoFormat format_;
    const uint32_t pixelFormat_; // a V4L2 four-character code
    const int wake_;             // eventfd; Wake writes it from any thread

    // Set up by Start on the GUI thread, then the streaming thread's.
    int fd_ = -1;
    std::vector<Mapping> mappings_;
    bool streaming_ = false;
    uint32_t bytesPerLine_ = 0;
    std::vector<uint8_t> frame_;
    int quietWaits_ = 0;
    int64_t captureTime_ = 0; // the driver's time stamp of the frame being handed over
    HRESULT lastError_ = S_OK;
    REFERENCE_TIME frameInterval_ = 0;
    std::atomic<uint64_t> framesDelivered_{0};
    std::atomic<uint64_t> framesDamaged_{0};
    std::atomic<uint64_t> framesMissed_{0};
    bool sequenced_ = false; // a frame was taken, and lastSequence_ is its number
    uint32_t lastSequence_ = 0;
};
