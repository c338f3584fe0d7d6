#include "platform/media/outputs/VirtualCameraCounters.h"

ComPtr<VirtualCameraCounters> VirtualCameraCounters::Create() {
    return ComPtr<VirtualCameraCounters>::Adopt(new VirtualCameraCounters);
}

void VirtualCameraCounters::ReadCounters(NamedCounters& counters) {
    const LatencyStats::Summary summary = latency.Read();
    counters.emplace_back("frames_written", framesWritten.load(std::memory_order_relaxed));
    counters.emplace_back("frames_repeated", framesRepeated.load(std::memory_order_relaxed));
    counters.emplace_back("frames_dropped", framesDropped.load(std::memory_order_relaxed));
    counters.emplace_back("readers", readers.load(std::memory_order_relaxed));
    counters.emplace_back("latency_median_us", static_cast<uint64_t>(summary.median / 1000));
    counters.emplace_back("latency_p99_us", static_cast<uint64_t>(summary.p99 / 1000));
}

void VirtualCameraCounters::ReadLabels(NamedLabels& labels) {
    std::lock_guard lock(labelsMutex_);
    labels.emplace_back("device", device_);
    labels.emplace_back("format", format_);
}

void VirtualCameraCounters::SetLabels(std::string device, std::string format) {
    std::lock_guard lock(labelsMutex_);
    device_ = std::move(device);
    format_ = std::move(format);
}
