#pragma once

#include "platform/media/core/SampleInterfaces.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>

// Counts the samples that pass one point of a graph and measures their rate, for viewers. The
// streaming thread counts each sample with relaxed atomic stores, no lock and no allocation;
// any thread may read. The last kSlots samples' arrival times and time stamps are kept; the
// rate is taken from the time stamps of those that arrived in the last second (their arrival
// times when they carry none). A reader racing the writer may see one slot half-written, which
// moves the figure by at most one sample.
class FlowMeter {
public:
    static constexpr size_t kSlots = 256;

    // Streaming thread: one sample passed, with its start time (100 ns units) when it has one.
    void Count(std::optional<REFERENCE_TIME> start);

    uint64_t Samples() const { return count_.load(std::memory_order_relaxed); }
    // Samples a second over the last second; 0 with fewer than two samples in it.
    double Rate() const;

private:
    static constexpr int64_t kNoStamp = INT64_MIN;

    std::atomic<uint64_t> count_{0};
    std::array<std::atomic<int64_t>, kSlots> arrivals_{}; // steady clock, nanoseconds
    std::array<std::atomic<int64_t>, kSlots> stamps_{};
};

// {559FFEE9-24D8-49D3-BCCD-1F4352931F51}
inline constexpr IID IID_IPinFlow{
    0x559FFEE9, 0x24D8, 0x49D3, {0xBC, 0xCD, 0x1F, 0x43, 0x52, 0x93, 0x1F, 0x51}};

// The platform's pins answer this with their meter: an output pin counts the samples its peer
// accepted. The meter lives as long as the reference to the pin.
struct IPinFlow : IUnknown {
    virtual const FlowMeter& Flow() = 0;

protected:
    ~IPinFlow() = default;
};

TARNOLIX_INTERFACE_ID(IPinFlow, IID_IPinFlow);
