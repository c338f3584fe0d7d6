#include "platform/media/pins/FlowMeter.h"

#include <algorithm>
#include <chrono>

namespace {

int64_t NowNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

void FlowMeter::Count(std::optional<REFERENCE_TIME> start) {
    const uint64_t index = count_.fetch_add(1, std::memory_order_relaxed);
    const size_t slot = index % kSlots;
    arrivals_[slot].store(NowNanoseconds(), std::memory_order_relaxed);
    stamps_[slot].store(start.value_or(kNoStamp), std::memory_order_relaxed);
}

double FlowMeter::Rate() const {
    const int64_t now = NowNanoseconds();
    const int64_t since = now - 1'000'000'000;
    const uint64_t count = count_.load(std::memory_order_relaxed);
    const uint64_t first = count > kSlots ? count - kSlots : 0;
    int64_t earliestArrival = INT64_MAX, latestArrival = INT64_MIN;
    int64_t earliestStamp = INT64_MAX, latestStamp = INT64_MIN;
    uint64_t recent = 0;
    bool allStamped = true;
    for (uint64_t index = first; index < count; ++index) {
        const size_t slot = index % kSlots;
        const int64_t arrival = arrivals_[slot].load(std::memory_order_relaxed);
        if (arrival < since || arrival > now)
            continue;
        const int64_t stamp = stamps_[slot].load(std::memory_order_relaxed);
        ++recent;
        earliestArrival = std::min(earliestArrival, arrival);
        latestArrival = std::max(latestArrival, arrival);
        if (stamp == kNoStamp) {
            allStamped = false;
        } else {
            earliestStamp = std::min(earliestStamp, stamp);
            latestStamp = std::max(latestStamp, stamp);
        }
    }
    if (recent < 2)
        return 0.0;
    const double intervals = static_cast<double>(recent - 1);
    if (allStamped && latestStamp > earliestStamp)
        return intervals * 1e7 / static_cast<double>(latestStamp - earliestStamp);
    if (latestArrival > earliestArrival)
        return intervals * 1e9 / static_cast<double>(latestArrival - earliestArrival);
    return 0.0;
}
