#pragma once

#include "platform/com/ComPtr.h"
#include "platform/media/core/FramePicture.h"
#include "platform/media/recording/FilmWriter.h"
#include "platform/media/recording/FramePlacement.h"
#include "platform/media/recording/RecorderCounters.h"
#include "platform/media/recording/RecordingError.h"
#include "platform/media/recording/SoundSource.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct SwsContext;

struct RecorderSettings {
    std::string path; // the film's file, made or replaced
    int width = 0;    // the camera's size; the film's is the nearest even size not larger
    int height = 0;
    int64_t intervalNumerator = 1; // the camera's frame interval, numerator / denominator seconds
    int64_t intervalDenominator = 30;
};

// How a recording ended: the film's file (empty when nothing was recorded, and no file is left),
// and the failure that ended it early or kept it from being finished, if any. A film that failed
// still plays up to its last whole fragment.
struct FilmResult {
    std::string path;
    std::optional<RecordingError> failure;
};

// Records the processed picture, with the sound of a microphone when there is one, into an MP4
// film (FilmWriter) at the camera's constant rate.
//
// Threads: the streaming thread only calls FrameReady after each frame pass (the time stored and
// the picture thread woken, a few microseconds), so it never copies a frame or waits. The picture
// thread reads the newest picture through the window's reader, converting it to YUV 4:2:0 of the
// film's size straight from the window's pixels under the window's lock, into one of a few frames
// of a bounded queue; with none free (the encoder is behind) the frame is dropped and counted.
// The encoder thread places the queued frames by their capture times (FramePlacement), repeating
// the previous one while the camera is gone, adds the sound captured meanwhile, and writes.
// Nothing thrown leaves a thread: a failure to write ends the recording, and Failure() tells it.
//
// Stopping (RequestStop) lets the encoder thread finish the film: the last frames, sound up to
// the picture's end, and the rewrite as a plain MP4 with its index at the front; Finished() says
// when that is done, Result() what came of it. Destroying waits for it.
class FilmRecorder {
public:
    // Creates the file and writes its header on the calling thread, so that a folder that cannot
    // be written is told (RecordingError) before any frame; then starts the threads.
    FilmRecorder(RecorderSettings settings, PictureReader reader, std::unique_ptr<SoundSource> sound,
                 ComPtr<RecorderCounters> counters);
    ~FilmRecorder();
    FilmRecorder(const FilmRecorder&) = delete;
    FilmRecorder& operator=(const FilmRecorder&) = delete;

    // Streaming thread: a processed frame is ready; `captureTime` is the camera's time stamp
    // (CLOCK_MONOTONIC nanoseconds), 0 when unknown.
    void FrameReady(int64_t captureTime);

    // Any thread: recording ends; the film is finished on the encoder thread.
    void RequestStop();
    bool Finished() const { return finished_.load(); }
    // Waits until the film is finished, and tells how it went.
    FilmResult Result();

    // Any thread: the failure that ended recording early, if any.
    std::optional<RecordingError> Failure() const;
    // Any thread: the length of the film so far, in nanoseconds.
    int64_t Recorded() const { return recorded_.load(std::memory_order_relaxed); }
    bool HasSound() const { return sound_ != nullptr; }
    const std::string& Path() const { return path_; }

private:
    struct QueuedFrame {
        AvFramePtr frame;
        int64_t captureTime = 0;
    };

    void Grab();
    bool Convert(AVFrame& frame);
    void Encode();
    void EncodeLoop();
    void Finish();
    // Places a frame; one that went in the film is kept as last_, and `queued` holds the one kept
    // before (none the first time) to go back to the free frames.
    void Place(QueuedFrame& queued);
    // The last frame again in `count` slots from `firstSlot`.
    void Repeat(int64_t firstSlot, int64_t count);
    // The camera is gone: the last frame fills the film up to `time`.
    void FillUntil(int64_t time);
    // Writes the sound captured so far, up to the picture's end; at the end, exactly to it.
    void AddSound(bool last);
    void Fail(const RecordingError& error);

    const std::string path_;
    const PictureReader reader_;
    const std::unique_ptr<SoundSource> sound_;
    const ComPtr<RecorderCounters> counters_;
    std::unique_ptr<FilmWriter> writer_;
    uint64_t headerBytes_ = 0;

    // The picture thread's.
    SwsContext* scaler_ = nullptr;

    // The encoder thread's.
    FramePlacement placement_;
    AvFramePtr last_; // the frame placed last, for repeats; not among free_ while kept
    std::deque<SoundChunk> soundPending_;
    std::vector<float> silence_; // a tenth of a second of it, for holes in the sound
    bool inHole_ = false;        // silence reached the picture's end before the sound came back

    // mutex_ guards the members below; wake_ wakes the picture thread, work_ the encoder thread.
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable work_;
    bool stop_ = false;
    uint64_t sequence_ = 0; // frames made ready
    int64_t captureTime_ = 0;
    int64_t readyAt_ = 0; // when the last frame was made ready
    std::vector<AvFramePtr> free_;
    std::deque<QueuedFrame> queued_;
    std::optional<RecordingError> failure_;
    FilmResult result_;

    std::atomic<int64_t> recorded_{0};
    std::atomic<bool> finished_{false};
    std::thread grabber_;
    std::thread encoder_;
};
