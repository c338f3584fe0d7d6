#pragma once

#include <cstddef>
#include <cstdint>

// The program's pseudo-random generator: a 32-bit linear congruential generator. Each draw
// first steps seed := seed * 134775813 + 1 (mod 2^32); a draw below n is then the high 32 bits
// of seed * n. Only the noise effects draw from it, on the streaming thread; the seed is set on
// the GUI thread before any frame flows.
class TRandomGenerator {
public:
    static constexpr uint32_t kMultiplier = 134775813;
    static constexpr uint32_t kIncrement = 1;

    explicit TRandomGenerator(uint32_t seed = 0) : seed_(seed) {}

    uint32_t Seed() const { return seed_; }
    void SetSeed(uint32_t seed) { seed_ = seed; }

    // One draw below `n` (0 to n - 1).
    uint32_t Next(uint32_t n) {
        seed_ = seed_ * kMultiplier + kIncrement;
        return static_cast<uint32_t>((static_cast<uint64_t>(seed_) * n) >> 32);
    }

    // `count` draws below `n` (1 to 256) into `out`, in order: the same values and the same
    // final seed as `count` calls of Next, computed several at a time by jumping ahead.
    void DrawBytes(uint32_t n, uint8_t* out, size_t count);

    // Steps the seed as `count` draws would, without drawing (in about log2(count) steps).
    void Skip(uint64_t count);

    // The seed of the program's start: milliseconds since midnight of the given time of day.
    static uint32_t TimeOfDaySeed(int hour, int minute, int second, int millisecond);
    // The same for the current time of day in UTC.
    static uint32_t CurrentTimeOfDaySeed();

private:
    uint32_t seed_;
};

// The one generator of the program.
TRandomGenerator& ProgramRandom();
