#include "platform/media/recording/FilmRecorder.h"

#include "platform/media/converters/BgrToYuv.h"
#include "platform/media/converters/YuvPlanes.h"
#include "platform/media/recording/IndexFirst.h"
#include "platform/runtime/MonotonicClock.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>

namespace {

constexpr int64_t kNanoseconds = 1'000'000'000;
// Frames between the picture thread and the encoder: about a quarter of a second at 30 a second.
constexpr size_t kQueuedFrames = 8;
// No frame for this long: the camera is gone, and the film goes on with the last picture.
constexpr int64_t kCameraGone = 250'000'000;
// How far the sound may stray from the camera's clock before silence fills the hole or the
// surplus is dropped.
constexpr int64_t kSoundSlack = 20'000'000;
// How often the encoder thread looks for a camera gone and sound to write without frames.
constexpr auto kTick = std::chrono::milliseconds(100);

// A picture of the film's size in the layout the BGR conversion writes (I420Planes), as a
// reference-counted frame the encoder may keep.
void AllocatePicture(AVFrame& frame, int width, int height) {
    av_frame_unref(&frame);
    const int lumaStride = (width + 63) / 64 * 64;
    const TPlanes420 planes = I420Planes(lumaStride, height);
    frame.buf[0] = av_buffer_alloc(planes.size + AV_INPUT_BUFFER_PADDING_SIZE);
    if (!frame.buf[0])
        throw RecordingError("Out of memory for a picture", ENOMEM, {});
    uint8_t* const bits = frame.buf[0]->data;
    frame.data[0] = bits;
    frame.data[1] = bits + planes.uOffset;
    frame.data[2] = bits + planes.vOffset;
    frame.linesize[0] = lumaStride;
    frame.linesize[1] = static_cast<int>(planes.chromaStride);
    frame.linesize[2] = static_cast<int>(planes.chromaStride);
    frame.format = AV_PIX_FMT_YUV420P;
    frame.width = width;
    frame.height = height;
}

} // namespace

FilmRecorder::FilmRecorder(RecorderSettings settings, PictureReader reader,
                           std::unique_ptr<SoundSource> sound, ComPtr<RecorderCounters> counters)
    : path_(std::move(settings.path)), reader_(std::move(reader)), sound_(std::move(sound)),
      counters_(std::move(counters)), placement_(settings.intervalNumerator, settings.intervalDenominator) {
    FilmFormat format;
    format.width = settings.width / 2 * 2;
    format.height = settings.height / 2 * 2;
    if (format.width <= 0 || format.height <= 0)
        throw RecordingError("A film needs the camera's size", 0, path_);
    format.intervalNumerator = settings.intervalNumerator;
    format.intervalDenominator = settings.intervalDenominator;
    if (sound_) {
        format.soundRate = sound_->Rate();
        format.soundChannels = sound_->Channels();
        silence_.assign(static_cast<size_t>(sound_->Rate() / 10) * static_cast<size_t>(sound_->Channels()),
                        0.0f);
    }
    counters_->Restart(path_);
    writer_ = std::make_unique<FilmWriter>(path_, format);
    headerBytes_ = writer_->Bytes();
    // One more than the queue holds: the frame placed last stays with the encoder for repeats.
    for (size_t k = 0; k < kQueuedFrames + 1; ++k)
        free_.emplace_back(av_frame_alloc());
    grabber_ = std::thread([this] {
        pthread_setname_np(pthread_self(), "film picture");
        Grab();
    });
    encoder_ = std::thread([this] {
        pthread_setname_np(pthread_self(), "film encoder");
        Encode();
    });
}

FilmRecorder::~FilmRecorder() {
    RequestStop();
    if (encoder_.joinable())
        encoder_.join();
    if (grabber_.joinable())
        grabber_.join();
    sws_freeContext(scaler_);
}

void FilmRecorder::FrameReady(int64_t captureTime) {
    const int64_t now = MonotonicNanoseconds();
    {
        std::lock_guard lock(mutex_);
        captureTime_ = captureTime != 0 ? captureTime : now;
        readyAt_ = now;
        ++sequence_;
    }
    wake_.notify_one();
}

void FilmRecorder::RequestStop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    work_.notify_one();
}

FilmResult FilmRecorder::Result() {
    RequestStop();
    if (encoder_.joinable())
        encoder_.join();
    std::lock_guard lock(mutex_);
    return result_;
}

std::optional<RecordingError> FilmRecorder::Failure() const {
    std::lock_guard lock(mutex_);
    return failure_;
}

void FilmRecorder::Grab() {
    uint64_t seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stop_ || sequence_ != seen; });
        if (stop_)
            return;
        seen = sequence_;
        const int64_t captureTime = captureTime_;
        if (free_.empty()) {
            counters_->framesDropped.fetch_add(1, std::memory_order_relaxed);
            continue;
        }
        AvFramePtr frame = std::move(free_.back());
        free_.pop_back();
        lock.unlock();
        bool converted = false;
        try {
            converted = Convert(*frame);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "tarnolix: a picture was not recorded: %s\n", error.what());
        }
        lock.lock();
        if (converted) {
            queued_.push_back({std::move(frame), captureTime});
            work_.notify_one();
        } else {
            free_.push_back(std::move(frame));
        }
    }
}

bool FilmRecorder::Convert(AVFrame& frame) {
    const int width = writer_->Format().width, height = writer_->Format().height;
    // A frame the encoder still holds is left to it.
    if (!frame.buf[0] || !av_frame_is_writable(&frame))
        AllocatePicture(frame, width, height);
    bool converted = false;
    reader_([&](const FramePicture& picture) {
        if (!picture.bits || picture.width <= 0 || picture.height <= 0)
            return;
        if (picture.width == width && picture.height == height) {
            Rgb24ToI420(picture.bits, picture.stride, picture.bottomUp, width, height, frame.data[0],
                        frame.linesize[0]);
        } else {
            // Another camera's size (or an odd one) is scaled into the film's.
            scaler_ =
                sws_getCachedContext(scaler_, picture.width, picture.height, AV_PIX_FMT_BGR24, width, height,
                                     AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
            if (!scaler_)
                return;
            const uint8_t* rows[1] = {
                picture.bottomUp ? picture.bits + static_cast<int64_t>(picture.height - 1) * picture.stride
                                 : picture.bits};
            const int strides[1] = {picture.bottomUp ? -picture.stride : picture.stride};
            sws_scale(scaler_, rows, strides, 0, picture.height, frame.data, frame.linesize);
        }
        converted = true;
    });
    return converted;
}

void FilmRecorder::Encode() {
    try {
        EncodeLoop();
        Finish();
    } catch (const RecordingError& error) {
        Fail(error);
    } catch (const std::exception& error) {
        Fail(RecordingError(error.what(), 0, path_));
    } catch (...) {
        Fail(RecordingError("The recording failed", 0, path_));
    }
    if (grabber_.joinable()) {
        RequestStop();
        grabber_.join();
    }
    finished_.store(true);
}

void FilmRecorder::EncodeLoop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        work_.wait_for(lock, kTick, [&] { return stop_ || !queued_.empty(); });
        const bool stopping = stop_;
        if (stopping) {
            // The picture thread's last frame is queued before it ends.
            lock.unlock();
            grabber_.join();
            lock.lock();
        }
        std::deque<QueuedFrame> batch;
        batch.swap(queued_);
        const int64_t readyAt = readyAt_;
        lock.unlock();

        for (QueuedFrame& queued : batch) {
            Place(queued);
            std::lock_guard back(mutex_);
            if (queued.frame)
                free_.push_back(std::move(queued.frame));
        }
        const int64_t now = MonotonicNanoseconds();
        if (batch.empty() && placement_.Started() && now - readyAt > kCameraGone)
            FillUntil(now);
        AddSound(false);
        counters_->fileBytes.store(writer_->Bytes(), std::memory_order_relaxed);
        if (stopping)
            return;
        lock.lock();
    }
}

void FilmRecorder::Place(QueuedFrame& queued) {
    const FramePlacement::Place place = placement_.Add(queued.captureTime);
    if (place.dropped) {
        counters_->framesSurplus.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    // The previous frame in the slots this one skipped.
    Repeat(placement_.Frames() - 1 - place.repeats, place.repeats);
    // The frame itself is kept for repeats, not a reference to it: a frame given back with its
    // pixels still held would not be writable, and the picture thread would allocate another.
    // The one kept until now goes back to the free frames instead.
    std::swap(last_, queued.frame);
    writer_->WriteVideo(*last_, placement_.Frames() - 1);
    counters_->framesEncoded.fetch_add(1, std::memory_order_relaxed);
    recorded_.store(placement_.Duration(placement_.Frames()), std::memory_order_relaxed);
}

void FilmRecorder::Repeat(int64_t firstSlot, int64_t count) {
    if (count <= 0 || !last_)
        return;
    for (int64_t k = 0; k < count; ++k) {
        writer_->WriteVideo(*last_, firstSlot + k);
        counters_->framesEncoded.fetch_add(1, std::memory_order_relaxed);
        counters_->framesRepeated.fetch_add(1, std::memory_order_relaxed);
    }
    recorded_.store(placement_.Duration(placement_.Frames()), std::memory_order_relaxed);
}

void FilmRecorder::FillUntil(int64_t time) {
    const int64_t count = placement_.FillUntil(time);
    Repeat(placement_.Frames() - count, count);
}

void FilmRecorder::Finish() {
    const int64_t now = MonotonicNanoseconds();
    int64_t readyAt = 0;
    {
        std::lock_guard lock(mutex_);
        readyAt = readyAt_;
    }
    if (placement_.Started() && now - readyAt > kCameraGone)
        FillUntil(now);
    if (!placement_.Started()) {
        // Nothing recorded: no file.
        writer_->Abandon();
        std::remove(path_.c_str());
        return;
    }
    AddSound(true);
    writer_->Finish();
    counters_->fileBytes.store(writer_->Bytes(), std::memory_order_relaxed);
    std::string path = path_;
    std::optional<RecordingError> failure;
    try {
        RewriteWithIndexFirst(path_);
    } catch (const RecordingError& error) {
        failure = error; // the fragmented film stays, and plays
    }
    std::lock_guard lock(mutex_);
    result_.path = path;
    result_.failure = failure;
}

void FilmRecorder::AddSound(bool last) {
    if (!sound_ || !placement_.Started())
        return;
    for (SoundChunk& chunk : sound_->Take())
        soundPending_.push_back(std::move(chunk));
    const int64_t rate = sound_->Rate();
    const size_t channels = static_cast<size_t>(sound_->Channels());
    const auto frameAt = [&](int64_t time) { return (time - placement_.Start()) * rate / kNanoseconds; };
    // Sound goes as far as the picture, and at the end exactly that far.
    const int64_t end = placement_.Duration(placement_.Frames()) * rate / kNanoseconds;
    const auto writeSilence = [&](int64_t frames) {
        while (frames > 0) {
            const int64_t part = std::min<int64_t>(frames, rate / 10);
            writer_->WriteSound(silence_.data(), part);
            frames -= part;
        }
    };
    const int64_t slack = kSoundSlack * rate / kNanoseconds;
    while (!soundPending_.empty() && writer_->SoundFrames() < end) {
        SoundChunk& chunk = soundPending_.front();
        const int64_t frames = static_cast<int64_t>(chunk.samples.size() / channels);
        const int64_t at = frameAt(chunk.captureTime);
        const int64_t written = writer_->SoundFrames();
        int64_t skip = 0;
        if (at - written > slack) {
            // A hole (the server fell behind, or sound started late): silence fills it, as far as
            // the picture goes now; the rest of it on a later call, counted once.
            if (written > 0 && !inHole_)
                counters_->audioGaps.fetch_add(1, std::memory_order_relaxed);
            writeSilence(std::min(at, end) - written);
            inHole_ = at > end;
        } else if (written - at > slack) {
            skip = std::min(frames, written - at); // ahead of the camera's clock, or before the start
        } else if (written > 0) {
            const auto drift = static_cast<uint64_t>(std::llabs(at - written) * 1'000'000 / rate);
            if (drift > counters_->soundDriftMaxUs.load(std::memory_order_relaxed))
                counters_->soundDriftMaxUs.store(drift, std::memory_order_relaxed);
        }
        const int64_t room = end - writer_->SoundFrames();
        const int64_t take = std::min(frames - skip, std::max<int64_t>(room, 0));
        if (take > 0) {
            writer_->WriteSound(chunk.samples.data() + static_cast<size_t>(skip) * channels, take);
            inHole_ = false;
        }
        if (skip + take >= frames) {
            soundPending_.pop_front();
        } else {
            // The rest waits for the picture; its time moves with it.
            const int64_t used = skip + take;
            chunk.samples.erase(chunk.samples.begin(),
                                chunk.samples.begin() + static_cast<int64_t>(used * channels));
            chunk.captureTime += used * kNanoseconds / rate;
            break;
        }
    }
    if (last && writer_->SoundFrames() < end) {
        if (writer_->SoundFrames() > 0 && !inHole_)
            counters_->audioGaps.fetch_add(1, std::memory_order_relaxed);
        writeSilence(end - writer_->SoundFrames());
    }
}

void FilmRecorder::Fail(const RecordingError& error) {
    writer_->Abandon();
    std::string path = path_;
    if (writer_->Bytes() <= headerBytes_) {
        // Not one whole fragment: a file that would not play is not left.
        std::remove(path_.c_str());
        path.clear();
    }
    std::lock_guard lock(mutex_);
    failure_ = error;
    result_.path = path;
    result_.failure = error;
}
