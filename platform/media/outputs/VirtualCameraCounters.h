#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ViewerInterfaces.h"
#include "platform/runtime/LatencyStats.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

// The virtual camera's counts as viewers of the graph see them (kind "virtual camera"): frames
// written as they came (frames_written), written again while none came (frames_repeated), dropped
// because the device would have blocked (frames_dropped), the other processes holding the node
// (readers), and the latency from the camera's time stamp to the write (latency_median_us,
// latency_p99_us); and as texts the device and the format written. The writer thread sets them,
// any thread reads them (atomics, and short locks of their own). A COM object, so that a
// registration holding it may outlive the writer.
class VirtualCameraCounters final : public ComObject<ICounterSource, ICounterLabels> {
public:
    static ComPtr<VirtualCameraCounters> Create();

    std::string CounterKind() override { return "virtual camera"; }
    void ReadCounters(NamedCounters& counters) override;
    void ReadLabels(NamedLabels& labels) override;

    void SetLabels(std::string device, std::string format);

    std::atomic<uint64_t> framesWritten{0};
    std::atomic<uint64_t> framesRepeated{0};
    std::atomic<uint64_t> framesDropped{0};
    std::atomic<uint64_t> readers{0};
    LatencyStats latency;

private:
    VirtualCameraCounters() = default;

    // labelsMutex_ guards device_ and format_.
    std::mutex labelsMutex_;
    std::string device_;
    std::string format_;
};
