#pragma once

#include "platform/media/pipewire/PipeWireCameraList.h"
#include "platform/media/pipewire/PipeWireFormats.h"
#include "platform/media/sources/FrameSource.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A PipeWire camera node's frames: an input stream linked to the node by its serial, asking for
// exactly the mode chosen (a node asked for nothing may give its slowest mode). PipeWire calls
// `process` on the connection's loop thread; that only takes the newest buffer off the stream
// and wakes the streaming thread, which hands the buffer's mapped memory downstream and gives
// it back. So neither thread copies for the other, and the loop thread never waits for the
// frame pass. YUV laid out as downstream takes it and MJPEG go straight from the mapping
// (MemFd, MemPtr, or a DmaBuf mapped here); padded rows are packed, and RGB, BGR and grey are
// turned into bottom-up 24-bit BGR, the same work the V4L2 source does for them.
//
// Damage (a buffer or chunk flagged corrupted, less data than a picture) is counted and dropped.
// The buffer's time stamp is the capture time when it is on the monotonic clock. The node going,
// the stream being unlinked or the daemon going away all end streaming as a lost device.
class PipeWireFrameSource final : public FrameSource {
public:
    PipeWireFrameSource(std::shared_ptr<PipeWireCameraList> cameras, uint64_t serial, std::string nodeName,
                        const VideoFormat& format, const PipeWireMode& mode);
    ~PipeWireFrameSource() override;
    PipeWireFrameSource(const PipeWireFrameSource&) = delete;
    PipeWireFrameSource& operator=(const PipeWireFrameSource&) = delete;

    HRESULT Start() override;
    Outcome Next(const FrameHandler& handler) override;
    void Wake() override;
    HRESULT LastError() const override { return lastError_; }
    int64_t FrameCaptureTime() const override { return captureTime_; }
    void ReadCounters(NamedCounters& counters) const override;
    void ReadLabels(NamedLabels& labels) const override;

    uint64_t FramesDelivered() const { return framesDelivered_.load(std::memory_order_relaxed); }
    uint64_t FramesDamaged() const { return framesDamaged_.load(std::memory_order_relaxed); }

private:
    struct Mapping;

    static void StateChanged(void* data, pw_stream_state old, pw_stream_state state, const char* error);
    static void ParamChanged(void* data, uint32_t id, const spa_pod* param);
    static void AddBuffer(void* data, pw_buffer* buffer);
    static void RemoveBuffer(void* data, pw_buffer* buffer);
    static void Process(void* data);

    // Loop thread: the stream's buffers and sizes asked for, once the format is known.
    void AskForBuffers();
    // Streaming thread: the frame in the buffer as downstream takes it, or null when damaged.
    const uint8_t* Frame(const spa_buffer& buffer, size_t& length);

    const std::shared_ptr<PipeWireCameraList> cameras_;
    const std::shared_ptr<PipeWireConnection> connection_;
    const uint64_t serial_;
    const std::string nodeName_;
    const VideoFormat format_;
    const PipeWireMode mode_;

    PwStreamPtr stream_; // with the loop's lock held
    spa_hook streamListener_{};

    // mutex_ guards what the loop thread hands the streaming thread.
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<pw_buffer*> ready_;
    bool stopped_ = false;
    bool negotiated_ = false;
    bool lost_ = false; // unlinked, or a stream error
    bool formatRefused_ = false;

    // The streaming thread's.
    std::vector<uint8_t> frame_;
    int64_t captureTime_ = 0;
    HRESULT lastError_ = S_OK;
    std::atomic<uint64_t> framesDelivered_{0};
    std::atomic<uint64_t> framesDamaged_{0};
    std::atomic<uint64_t> framesSkipped_{0}; // newer ones came before the last was taken

    // The loop thread's: DmaBufs this source mapped, by buffer.
    std::map<pw_buffer*, std::unique_ptr<Mapping>> mappings_;
};
