#include "platform/runtime/LatencyStats.h"

#include <algorithm>

LatencyStats::LatencyStats(size_t capacity) : ring_(std::max<size_t>(capacity, 1)) {}

void LatencyStats::Add(int64_t nanoseconds) {
    std::lock_guard lock(mutex_);
    ring_[next_] = nanoseconds;
    next_ = (next_ + 1) % ring_.size();
    count_ = std::min(count_ + 1, ring_.size());
}

LatencyStats::Summary LatencyStats::Read() const {
    std::vector<int64_t> values;
    {
        std::lock_guard lock(mutex_);
        values.assign(ring_.begin(), ring_.begin() + static_cast<std::ptrdiff_t>(count_));
    }
    Summary summary;
    summary.count = values.size();
    if (values.empty())
        return summary;
    // The nearest rank of a share p of n values is ceil(p n), counted from 1.
    const auto rank = [&](size_t percent) {
        const size_t index = (percent * values.size() + 99) / 100 - 1;
        std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(index), values.end());
        return values[index];
    };
    summary.median = rank(50);
    summary.p99 = rank(99);
    return summary;
}
