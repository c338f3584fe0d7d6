#pragma once

#include "effects/GalleryPass.h"
#include "effects/KeyedBackground.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/NearestSampler.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// A frame as the streaming thread holds it: `height` rows of `width` 24-bit pixels, row r
// (counted from the top) at top + r * stride.
struct TFrameView {
    const uint8_t* top = nullptr;
    std::ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
};

// The frame held in `bytes` (`length` of them), of which `frame` is a copy byte for byte (as the
// sample grabber's copy is): rows where `frame` has them. An empty view when `frame` is not a
// 24-bit picture or `bytes` hold less than it.
TFrameView ViewOfCopiedFrame(const TBitmap& frame, const uint8_t* bytes, int64_t length);

// Feeds the gallery from the streaming thread without ever making it wait. After the main pass
// the streaming thread offers the camera's frame; only when the gallery's worker is idle is the
// frame sampled down to thumbnail size and handed over (an atomic state, no lock), otherwise it
// is skipped and counted. The worker, a thread of the feed's own that runs while the feed is
// open, makes every item's thumbnail from it (TGalleryPass) and publishes the set under the
// feed's lock, held only to swap sets; then it calls `ready` (on the worker thread).
class TGalleryFeed {
public:
    explicit TGalleryFeed(std::function<void()> ready);
    ~TGalleryFeed();
    TGalleryFeed(const TGalleryFeed&) = delete;
    TGalleryFeed& operator=(const TGalleryFeed&) = delete;

    // GUI thread: the worker runs from Open to Close (or the feed's end), which waits for it.
    void Open();
    void Close();

    // Streaming thread: a frame the main pass has processed, as the camera gave it. Returns at
    // once when the feed is closed or the worker busy.
    void Offer(const TFrameView& frame);

    // GUI thread: the keying item's background (copied) and key colour; null for none.
    void SetKeying(const TBitmap* background, TKeyColour key);

    // GUI thread: swaps the newest set into `shown` when one came since the last call.
    bool TakeThumbnails(std::unique_ptr<TGalleryThumbnails>& shown);

    // Counts since the feed was made; relaxed, for tests, viewers and benchmarks.
    struct Counts {
        uint64_t offered = 0;          // frames offered while open
        uint64_t skipped = 0;          // of those, offered while the worker was busy
        uint64_t made = 0;             // sets of thumbnails made
        uint64_t offerNanoseconds = 0; // the streaming thread's CPU time handing frames over
        uint64_t workNanoseconds = 0;  // the worker's CPU time making sets
    };
    Counts Read() const;
    // CLOCK_MONOTONIC nanoseconds of the last frame offered while open, 0 for none.
    int64_t LastFrameTime() const { return lastFrame_.load(std::memory_order_relaxed); }
    // The worker is making a set (or the streaming thread handing it one).
    bool Busy() const;

private:
    enum State : int { kClosed, kIdle, kFilling, kQueued };
    void Work();
    void MakeSet();

    std::function<void()> ready_;
    std::atomic<int> state_{kClosed};
    std::jthread worker_;

    // Written by the streaming thread in kFilling, read by the worker in kQueued.
    TBitmap input_;
    TNearestSampler sampler_;
    TGalleryPass::Size frameSize_;

    // The worker's own.
    TGalleryPass pass_;
    std::unique_ptr<TGalleryThumbnails> working_;
    TGalleryPass::Size keyedFrame_;
    TGalleryPass::Size keyedThumbnail_;
    uint64_t keyedGeneration_ = 0;
    TBitmap keyingBackground_;

    // The feed's lock: the newest set, and the keying state the GUI thread sets.
    mutable std::mutex mutex_;
    std::unique_ptr<TGalleryThumbnails> newest_;
    bool fresh_ = false;
    TBitmap background_;
    bool hasBackground_ = false;
    TKeyColour key_;
    uint64_t keyingGeneration_ = 1;

    std::atomic<int64_t> lastFrame_{0};
    std::atomic<uint64_t> offered_{0};
    std::atomic<uint64_t> skipped_{0};
    std::atomic<uint64_t> made_{0};
    std::atomic<uint64_t> offerNanoseconds_{0};
    std::atomic<uint64_t> workNanoseconds_{0};
};
