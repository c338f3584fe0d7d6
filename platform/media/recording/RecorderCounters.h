#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ViewerInterfaces.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

// The recorder's counts as viewers of the graph see them (kind "recorder"): frames given to the
// encoder (frames_encoded, repeats included), frames left out because the encoder was behind
// (frames_dropped) or because another came for the same frame of the film (frames_surplus),
// frames repeated for one late or missing (frames_repeated), holes in the sound filled with silence
// (audio_gaps), the largest distance between where the sound was captured and where it went in the film
// (sound_drift_max_us), and the file's size (file_bytes); as text the file. The recorder's threads set them,
// any thread reads them. A COM object, so that a registration holding it may outlive a recording; one set
// serves every recording of a window.
class RecorderCounters final : public ComObject<ICounterSource, ICounterLabels> {
public:
    static ComPtr<RecorderCounters> Create();

    std::string CounterKind() override { return "recorder"; }
    void ReadCounters(NamedCounters& counters) override;
    void ReadLabels(NamedLabels& labels) override;

    // A new recording into `file`: the counts start again.
    void Restart(std::string file);

    std::atomic<uint64_t> framesEncoded{0};
    std::atomic<uint64_t> framesDropped{0};
    std::atomic<uint64_t> framesSurplus{0};
    std::atomic<uint64_t> framesRepeated{0};
    std::atomic<uint64_t> audioGaps{0};
    std::atomic<uint64_t> soundDriftMaxUs{0};
    std::atomic<uint64_t> fileBytes{0};

private:
    RecorderCounters() = default;

    std::mutex fileMutex_; // guards file_
    std::string file_;
};
