// The default microphone through PulseAudio's simple API, which PipeWire's pulse server answers
// too. Compiled only when libpulse-simple is there (NoMicrophone.cpp otherwise).

#include "platform/media/recording/SoundSource.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <atomic>
#include <ctime>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace {

constexpr int kRate = 48000;
constexpr int kChannels = 2;
constexpr int kChunkFrames = kRate / 50; // 20 ms a read
constexpr size_t kMostChunks = 100;      // 2 s waiting to be taken

struct SimpleFree {
    void operator()(pa_simple* stream) const { pa_simple_free(stream); }
};

int64_t MonotonicNanoseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

class PulseMicrophone final : public SoundSource {
public:
    explicit PulseMicrophone(std::unique_ptr<pa_simple, SimpleFree> stream)
        : stream_(std::move(stream)), thread_([this] { Capture(); }) {}
    ~PulseMicrophone() override {
        stop_.store(true);
        thread_.join(); // a read returns within one chunk
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
    void Capture() {
        while (!stop_.load()) {
            SoundChunk chunk;
            chunk.samples.resize(static_cast<size_t>(kChunkFrames) * kChannels);
            int error = 0;
            if (pa_simple_read(stream_.get(), chunk.samples.data(), chunk.samples.size() * sizeof(float),
                               &error) < 0)
                return; // the server went: the film goes on without more sound
            // The chunk's last sample was taken the stream's latency ago.
            const pa_usec_t latency = pa_simple_get_latency(stream_.get(), &error);
            chunk.captureTime = MonotonicNanoseconds() - static_cast<int64_t>(latency) * 1000 -
                                int64_t{kChunkFrames} * 1'000'000'000 / kRate;
            std::lock_guard lock(mutex_);
            chunks_.push_back(std::move(chunk));
            if (chunks_.size() > kMostChunks)
                chunks_.pop_front();
        }
    }

    std::unique_ptr<pa_simple, SimpleFree> stream_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_; // guards chunks_
    std::deque<SoundChunk> chunks_;
    std::thread thread_;
};

} // namespace

std::unique_ptr<SoundSource> OpenDefaultMicrophone() {
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, kRate, kChannels};
    pa_buffer_attr buffering{};
    buffering.maxlength = static_cast<uint32_t>(-1);
    buffering.fragsize = static_cast<uint32_t>(kChunkFrames * kChannels * sizeof(float));
    int error = 0;
    std::unique_ptr<pa_simple, SimpleFree> stream(pa_simple_new(nullptr, "Tarnolix", PA_STREAM_RECORD,
                                                                nullptr, "Nagrywanie filmu", &spec, nullptr,
                                                                &buffering, &error));
    if (!stream)
        return nullptr;
    return std::make_unique<PulseMicrophone>(std::move(stream));
}
