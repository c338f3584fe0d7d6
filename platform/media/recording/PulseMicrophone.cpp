// The default microphone through PulseAudio's client library, which PipeWire's pulse server
// answers too. Compiled only when libpulse is there (NoMicrophone.cpp otherwise).
//
// The asynchronous API on a threaded main loop of its own: sound arrives in a callback on that
// loop's thread, so nothing ever waits for a read that does not come (a microphone unplugged or
// suspended, a server gone), and stopping never hangs.

#include "platform/media/recording/SoundSource.h"
#include "platform/runtime/MonotonicClock.h"

#include <pulse/context.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <mutex>

namespace {

constexpr int kRate = 48000;
constexpr int kChannels = 2;
constexpr uint32_t kFragmentBytes = kRate / 50 * kChannels * sizeof(float); // 20 ms
constexpr size_t kMostChunks = 200;                                         // at least 2 s waiting

class PulseMicrophone final : public SoundSource {
public:
    PulseMicrophone() : loop_(pa_threaded_mainloop_new()) {}
    ~PulseMicrophone() override {
        if (!loop_)
            return;
        pa_threaded_mainloop_lock(loop_);
        if (stream_) {
            pa_stream_set_read_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
        }
        if (context_) {
            pa_context_disconnect(context_);
            pa_context_unref(context_);
        }
        pa_threaded_mainloop_unlock(loop_);
        pa_threaded_mainloop_stop(loop_);
        pa_threaded_mainloop_free(loop_);
    }
    PulseMicrophone(const PulseMicrophone&) = delete;
    PulseMicrophone& operator=(const PulseMicrophone&) = delete;

    // Connects to the server and starts recording from its default source; false when either
    // cannot be had.
    bool Open() {
        if (!loop_ || pa_threaded_mainloop_start(loop_) < 0)
            return false;
        pa_threaded_mainloop_lock(loop_);
        const bool opened = Connect() && Record();
        pa_threaded_mainloop_unlock(loop_);
        return opened;
    }

    int Rate() const override { return kRate; }
    int Channels() const override { return kChannels; }
    std::vector<SoundChunk> Take() override {
        std::lock_guard lock(mutex_);
        std::vector<SoundChunk> taken(std::make_move_iterator(chunks_.begin()),
                                      std::make_move_iterator(chunks_.end()));
        chunks_.clear();
        return taken;
    }

private:
    // Under the loop's lock.
    bool Connect() {
        context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "Tarnolix");
        if (!context_)
            return false;
        pa_context_set_state_callback(context_, &PulseMicrophone::Signal, loop_);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context_);
            if (state == PA_CONTEXT_READY)
                return true;
            if (!PA_CONTEXT_IS_GOOD(state))
                return false;
            pa_threaded_mainloop_wait(loop_);
        }
    }

    bool Record() {
        const pa_sample_spec format{PA_SAMPLE_FLOAT32LE, kRate, kChannels};
        stream_ = pa_stream_new(context_, "Nagrywanie filmu", &format, nullptr);
        if (!stream_)
            return false;
        pa_stream_set_state_callback(stream_, &PulseMicrophone::Signal, loop_);
        pa_stream_set_read_callback(stream_, &PulseMicrophone::Readable, this);
        pa_buffer_attr buffering{};
        buffering.maxlength = static_cast<uint32_t>(-1);
        buffering.fragsize = kFragmentBytes;
        const auto flags = static_cast<pa_stream_flags_t>(
            PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_INTERPOLATE_TIMING);
        if (pa_stream_connect_record(stream_, nullptr, &buffering, flags) < 0)
            return false;
        for (;;) {
            const pa_stream_state_t state = pa_stream_get_state(stream_);
            if (state == PA_STREAM_READY)
                return true;
            if (!PA_STREAM_IS_GOOD(state))
                return false;
            pa_threaded_mainloop_wait(loop_);
        }
    }

    static void Signal(pa_context*, void* loop) {
        pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
    }
    static void Signal(pa_stream*, void* loop) {
        pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
    }
    static void Readable(pa_stream* stream, size_t, void* self) {
        static_cast<PulseMicrophone*>(self)->Read(stream);
    }

    // The loop's thread: everything readable, stamped with when its first sample was taken (the
    // stream's latency ago).
    void Read(pa_stream* stream) {
        const void* data = nullptr;
        size_t bytes = 0;
        while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &data, &bytes) == 0 &&
               bytes > 0) {
            const size_t frames = bytes / (kChannels * sizeof(float));
            if (data && frames > 0) {
                SoundChunk chunk;
                pa_usec_t latency = 0;
                int negative = 0;
                const int64_t now = MonotonicNanoseconds();
                chunk.captureTime = pa_stream_get_latency(stream, &latency, &negative) == 0 && !negative
                                        ? now - static_cast<int64_t>(latency) * 1000
                                        : now - static_cast<int64_t>(frames) * 1'000'000'000 / kRate;
                const auto* samples = static_cast<const float*>(data);
                chunk.samples.assign(samples, samples + frames * kChannels);
                std::lock_guard lock(mutex_);
                chunks_.push_back(std::move(chunk));
                if (chunks_.size() > kMostChunks)
                    chunks_.pop_front();
            }
            // A hole (data null) is left out: the next chunk's time tells it.
            pa_stream_drop(stream);
        }
    }

    pa_threaded_mainloop* loop_;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    std::mutex mutex_; // guards chunks_
    std::deque<SoundChunk> chunks_;
};

} // namespace

std::unique_ptr<SoundSource> OpenDefaultMicrophone() {
    auto microphone = std::make_unique<PulseMicrophone>();
    if (!microphone->Open())
        return nullptr;
    return microphone;
}
