#include "platform/media/recording/RecorderCounters.h"

ComPtr<RecorderCounters> RecorderCounters::Create() {
    return ComPtr<RecorderCounters>::Adopt(new RecorderCounters);
}

void RecorderCounters::ReadCounters(NamedCounters& counters) {
    counters.emplace_back("frames_encoded", framesEncoded.load(std::memory_order_relaxed));
    counters.emplace_back("frames_dropped", framesDropped.load(std::memory_order_relaxed));
    counters.emplace_back("frames_surplus", framesSurplus.load(std::memory_order_relaxed));
    counters.emplace_back("frames_repeated", framesRepeated.load(std::memory_order_relaxed));
    counters.emplace_back("audio_gaps", audioGaps.load(std::memory_order_relaxed));
    counters.emplace_back("sound_drift_max_us", soundDriftMaxUs.load(std::memory_order_relaxed));
    counters.emplace_back("file_bytes", fileBytes.load(std::memory_order_relaxed));
}

void RecorderCounters::ReadLabels(NamedLabels& labels) {
    std::lock_guard lock(fileMutex_);
    labels.emplace_back("file", file_);
}

void RecorderCounters::Restart(std::string file) {
    for (std::atomic<uint64_t>* count : {&framesEncoded, &framesDropped, &framesSurplus, &framesRepeated,
                                         &audioGaps, &soundDriftMaxUs, &fileBytes})
        count->store(0, std::memory_order_relaxed);
    std::lock_guard lock(fileMutex_);
    file_ = std::move(file);
}
