#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

// The most recent latencies (nanoseconds), kept in a ring, and their median and 99th percentile
// (nearest rank: the smallest value at least that share of the kept ones reach). One thread
// adds (the virtual camera's writer, or the GUI thread for paint latency) while any other reads:
// both take a lock held only to store one value or to copy the ring.
class LatencyStats {
public:
    explicit LatencyStats(size_t capacity = 512);

    void Add(int64_t nanoseconds);

    struct Summary {
        size_t count = 0; // latencies kept (at most the capacity)
        int64_t median = 0;
        int64_t p99 = 0;
    };
    // Zeros when nothing was added.
    Summary Read() const;

private:
    // mutex_ guards the members below.
    mutable std::mutex mutex_;
    std::vector<int64_t> ring_;
    size_t next_ = 0;
    size_t count_ = 0;
};
