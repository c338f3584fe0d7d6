#include "effects/GalleryFeed.h"

#include <chrono>
#include <ctime>
#include <pthread.h>
#include <utility>

namespace {

int64_t SteadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t ThreadCpuNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

} // namespace

TFrameView ViewOfCopiedFrame(const TBitmap& frame, const uint8_t* bytes, int64_t length) {
    const int width = frame.Width();
    const int height = frame.Height();
    if (frame.Empty() || frame.PixelFormat() != TPixelFormat::pf24bit || width <= 0 || height <= 0 ||
        !bytes || length < static_cast<int64_t>(frame.LineSize()) * height)
        return {};
    const uint8_t* top = frame.ScanLine(0);
    const uint8_t* bottom = frame.ScanLine(height - 1);
    const bool bottomUp = bottom < top;
    const std::ptrdiff_t line = frame.LineSize();
    return {bytes + (bottomUp ? (height - 1) * line : 0), bottomUp ? -line : line, width, height};
}

TGalleryFeed::TGalleryFeed(std::function<void()> ready)
    : ready_(std::move(ready)), working_(std::make_unique<TGalleryThumbnails>()),
      newest_(std::make_unique<TGalleryThumbnails>()) {}

TGalleryFeed::~TGalleryFeed() {
    Close();
}

void TGalleryFeed::Open() {
    if (worker_.joinable())
        return;
    {
        std::lock_guard lock(mutex_);
        fresh_ = false; // a set of the last time the gallery was open is not shown
    }
    state_.store(kIdle, std::memory_order_release);
    worker_ = std::jthread([this] { Work(); });
}

void TGalleryFeed::Close() {
    if (!worker_.joinable())
        return;
    // A frame being handed over meanwhile finds the feed closed and is not queued.
    state_.store(kClosed, std::memory_order_release);
    state_.notify_all();
    worker_.join();
    lastFrame_.store(0, std::memory_order_relaxed);
}

bool TGalleryFeed::Busy() const {
    const int state = state_.load(std::memory_order_acquire);
    return state == kFilling || state == kQueued;
}

void TGalleryFeed::Offer(const TFrameView& frame) {
    int expected = kIdle;
    if (!state_.compare_exchange_strong(expected, kFilling, std::memory_order_acquire)) {
        if (expected != kClosed) {
            offered_.fetch_add(1, std::memory_order_relaxed);
            skipped_.fetch_add(1, std::memory_order_relaxed);
            lastFrame_.store(SteadyNanoseconds(), std::memory_order_relaxed);
        }
        return;
    }
    const int64_t start = ThreadCpuNanoseconds();
    offered_.fetch_add(1, std::memory_order_relaxed);
    lastFrame_.store(SteadyNanoseconds(), std::memory_order_relaxed);
    // Queued only when the picture is whole; whatever happens, the state leaves kFilling, so a
    // failed hand-over never leaves the gallery waiting. A close meanwhile keeps it closed.
    int next = kIdle;
    try {
        const TGalleryPass::Size size = TGalleryPass::ThumbnailSize(frame.width, frame.height);
        if (size.width > 0 && frame.top) {
            MakeTopDownPicture(input_, size.width, size.height);
            if (!input_.Empty()) {
                const auto rowAt = [&frame](int row) { return frame.top + row * frame.stride; };
                sampler_.Sample(frame.width, frame.height, 3, rowAt, input_.ScanLine(0), input_.LineSize(),
                                size.width, size.height);
                frameSize_ = {frame.width, frame.height};
                next = kQueued;
            }
        }
    } catch (...) {
        next = kIdle; // the frame is lost for the gallery alone
    }
    expected = kFilling;
    state_.compare_exchange_strong(expected, next, std::memory_order_release);
    state_.notify_one();
    offerNanoseconds_.fetch_add(static_cast<uint64_t>(ThreadCpuNanoseconds() - start),
                                std::memory_order_relaxed);
}

void TGalleryFeed::Work() {
    pthread_setname_np(pthread_self(), "gallery");
    for (;;) {
        int state = state_.load(std::memory_order_acquire);
        while (state == kIdle || state == kFilling) {
            state_.wait(state, std::memory_order_acquire);
            state = state_.load(std::memory_order_acquire);
        }
        if (state == kClosed)
            return;
        const int64_t start = ThreadCpuNanoseconds();
        // Nothing leaves the thread: a set that cannot be made is skipped.
        try {
            MakeSet();
            made_.fetch_add(1, std::memory_order_relaxed);
            if (ready_)
                ready_();
        } catch (...) {
        }
        workNanoseconds_.fetch_add(static_cast<uint64_t>(ThreadCpuNanoseconds() - start),
                                   std::memory_order_relaxed);
        int expected = kQueued;
        state_.compare_exchange_strong(expected, kIdle, std::memory_order_release);
    }
}

void TGalleryFeed::MakeSet() {
    const TGalleryPass::Size thumbnail{input_.Width(), input_.Height()};
    bool rekey = false;
    bool hasBackground = false;
    TKeyColour key;
    {
        std::lock_guard lock(mutex_);
        rekey = keyingGeneration_ != keyedGeneration_ || frameSize_.width != keyedFrame_.width ||
                frameSize_.height != keyedFrame_.height || thumbnail.width != keyedThumbnail_.width ||
                thumbnail.height != keyedThumbnail_.height;
        if (rekey) {
            keyingBackground_.Assign(background_);
            hasBackground = hasBackground_;
            key = key_;
            keyedGeneration_ = keyingGeneration_;
        }
    }
    if (rekey) {
        // Sampled outside the lock: the GUI thread never waits for it.
        pass_.SetKeying(hasBackground ? &keyingBackground_ : nullptr, key, frameSize_, thumbnail);
        keyedFrame_ = frameSize_;
        keyedThumbnail_ = thumbnail;
    }
    pass_.Run(input_, *working_);
    std::lock_guard lock(mutex_);
    std::swap(working_, newest_);
    fresh_ = true;
}

void TGalleryFeed::SetKeying(const TBitmap* background, TKeyColour key) {
    // A copy of the gallery's own, made before the lock: the program may later draw into its
    // picture in place while the worker samples this one.
    TBitmap copy;
    if (background && !background->Empty())
        CopyAs24Bit(*background, copy);
    std::lock_guard lock(mutex_);
    background_.Assign(copy);
    hasBackground_ = !copy.Empty();
    key_ = key;
    ++keyingGeneration_;
}

bool TGalleryFeed::TakeThumbnails(std::unique_ptr<TGalleryThumbnails>& shown) {
    std::lock_guard lock(mutex_);
    if (!fresh_)
        return false;
    if (!shown)
        shown = std::make_unique<TGalleryThumbnails>();
    std::swap(shown, newest_);
    fresh_ = false;
    return true;
}

TGalleryFeed::Counts TGalleryFeed::Read() const {
    return {offered_.load(std::memory_order_relaxed), skipped_.load(std::memory_order_relaxed),
            made_.load(std::memory_order_relaxed), offerNanoseconds_.load(std::memory_order_relaxed),
            workNanoseconds_.load(std::memory_order_relaxed)};
}
