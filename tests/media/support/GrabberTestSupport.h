#pragma once

#include "platform/media/core/SampleGrabberInterface.h"
#include "platform/media/core/VideoFormat.h"
#include "tests/media/support/TestFilters.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

// A 24-bit RGB video-info type of the given size.
inline ScopedMediaType RgbVideoType(int32_t width, int32_t height) {
    ScopedMediaType type;
    FillVideoMediaType(VideoFormat{width, height, 333333}, type.Get());
    return type;
}

// Records what the sample grabber hands its callback; `onBuffer`, when set, runs inside BufferCB.
class RecordingCallback final : public ComObject<ISampleGrabberCB> {
public:
    HRESULT SampleCB(double time, IMediaSample* sample) override {
        std::lock_guard lock(mutex_);
        times.push_back(time);
        samples.push_back(sample);
        changed_.notify_all();
        return S_OK;
    }
    HRESULT BufferCB(double time, uint8_t* buffer, int32_t length) override {
        {
            std::lock_guard handling(handlerMutex_);
            if (onBuffer)
                onBuffer(buffer, length);
        }
        std::lock_guard lock(mutex_);
        times.push_back(time);
        buffers.push_back(buffer);
        lengths.push_back(length);
        if (length > 0)
            firstBytes.push_back(buffer[0]);
        changed_.notify_all();
        return S_OK;
    }

    // Waits until `count` calls have come; false on timeout.
    bool WaitForCalls(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return times.size() >= count; });
    }
    size_t Calls() {
        std::lock_guard lock(mutex_);
        return times.size();
    }
    template <typename F> auto Read(F&& read) {
        std::lock_guard lock(mutex_);
        return read();
    }

    // Sets or clears onBuffer while streaming, and reads what it writes, under its own lock.
    void SetOnBuffer(std::function<void(uint8_t*, int32_t)> handler) {
        std::lock_guard handling(handlerMutex_);
        onBuffer = std::move(handler);
    }
    template <typename F> auto ReadHandled(F&& read) {
        std::lock_guard handling(handlerMutex_);
        return read();
    }

    std::function<void(uint8_t*, int32_t)> onBuffer; // set before streaming starts, or by SetOnBuffer
    // Guarded by mutex_ (use Read from other threads while streaming).
    std::vector<double> times;
    std::vector<IMediaSample*> samples;
    std::vector<uint8_t*> buffers;
    std::vector<int32_t> lengths;
    std::vector<uint8_t> firstBytes;

private:
    std::mutex handlerMutex_; // taken before mutex_, never after it
    std::mutex mutex_;
    std::condition_variable changed_;
};
