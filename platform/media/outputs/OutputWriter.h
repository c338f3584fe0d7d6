#pragma once

#include "platform/media/cameras/V4l2FrameInterval.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

// What an output's writer thread does at its moments.
class OutputSink {
public:
    // A new frame is ready: read the picture, convert it and send it.
    virtual void WriteLive(int64_t cameraTime) = 0;
    // No frame came for 1.5 intervals: send the last picture again.
    virtual void WriteAgain() = 0;
    // The camera's rate changed.
    virtual void IntervalChanged(V4l2Interval interval) = 0;
    // Once a second: count the readers for the viewer.
    virtual void CountReaders() = 0;

protected:
    ~OutputSink() = default;
};

// The virtual camera's writer thread and its timing, shared by its outputs. The streaming thread
// only stores the camera's time stamp and wakes it (FrameReady, a few microseconds); the thread
// then writes the frame. When none has come for 1.5 frame intervals it repeats the last one at
// the camera's rate until frames come again. Nothing thrown by the sink leaves the thread: the
// writing stops and Failure() tells why.
class OutputWriter {
public:
    explicit OutputWriter(V4l2Interval interval) : interval_(interval) {}
    ~OutputWriter() { Stop(); }
    OutputWriter(const OutputWriter&) = delete;
    OutputWriter& operator=(const OutputWriter&) = delete;

    // Starts the thread; the sink must outlive Stop.
    void Start(OutputSink& sink);
    // Stops and joins the thread; the sink is not called afterwards.
    void Stop();

    // Streaming thread.
    void FrameReady(int64_t cameraTime);
    // Any thread.
    void SetFrameInterval(V4l2Interval interval);
    std::string Failure() const;

    // The frame interval as a duration (1/30 s when unknown).
    static std::chrono::steady_clock::duration Duration(V4l2Interval interval);

private:
    void Run(OutputSink& sink);
    void Loop(OutputSink& sink);

    V4l2Interval interval_; // the writer thread's

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

// Black in YUYV, BT.601 limited (Y 16, U and V 128), over `size` bytes: what the outputs send
// before any picture, and around a smaller one.
void FillBlackYuyv(uint8_t* frame, size_t size);
