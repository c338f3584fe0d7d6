#pragma once

#include "effects/BandPool.h"
#include "effects/FramePass.h"
#include "platform/graphics/Bitmap.h"

#include <atomic>
#include <cstdint>

// The frame handler: for each delivered frame, unless a pass is still running, copy the frame
// into the frame bitmap and run the pass over it, holding the bitmap's canvas lock throughout.
// A frame that arrives while a pass runs is dropped. Runs on the streaming thread; the copy is
// a function handed in, so this layer needs nothing of the capture layer. Large frames are
// processed in bands of rows by the handler's own pool of threads, started with the handler;
// the streaming thread takes a band itself and waits for the others.
class TFrameHandler {
public:
    // Threads of the pass, the streaming thread included: by default one per processor.
    static constexpr unsigned kMostThreads = 8;

    TFrameHandler(const TEffectSelection& selection, TRandomGenerator& random,
                  unsigned threads = TBandPool::ProcessorThreads(kMostThreads))
        : pool_(threads), pass_(selection, random) {}

    TFramePass& Pass() { return pass_; }
    bool Busy() const { return busy_.load(std::memory_order_relaxed); }
    // Counts for viewers and benchmarks; relaxed, since nothing is ordered by them.
    std::uint64_t FramesProcessed() const { return processed_.load(std::memory_order_relaxed); }
    std::uint64_t FramesDropped() const { return dropped_.load(std::memory_order_relaxed); }

    // `copyFrame(frame)` fills the bitmap with the new frame (its result is not examined).
    // Returns false when the frame was dropped. Errors of the copy or the pass propagate, after
    // the lock has been released and the busy flag cleared.
    template <typename CopyFrame> bool HandleFrame(TBitmap& frame, CopyFrame&& copyFrame) {
        if (busy_.exchange(true, std::memory_order_acquire)) {
            dropped_.fetch_add(1, std::memory_order_relaxed);
            return false;
        }
        BusyScope busy(busy_);
        TCanvasLock lock(frame.Canvas());
        copyFrame(frame);
        if (frame.Height() != 0)
            pass_.Run(frame, pool_);
        processed_.fetch_add(1, std::memory_order_relaxed);
        return true;
    }

private:
    // Clears the busy flag however the pass ends; declared before the lock, so it runs after
    // the lock has been released.
    class BusyScope {
    public:
        explicit BusyScope(std::atomic<bool>& flag) : flag_(flag) {}
        ~BusyScope() { flag_.store(false, std::memory_order_release); }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        std::atomic<bool>& flag_;
    };

    std::atomic<bool> busy_{false};
    std::atomic<std::uint64_t> processed_{0};
    std::atomic<std::uint64_t> dropped_{0};
    TBandPool pool_;
    TFramePass pass_;
};
