#include "effects/RandomGenerator.h"

#include <array>
#include <chrono>

namespace {

constexpr size_t kLanes = 16;

// seed(k + j) = kJump[j].a * seed(k) + kJump[j].c for j = 1..kLanes: the generator's step
// applied j times, folded into one multiply and one add (mod 2^32).
struct Jump {
    uint32_t a;
    uint32_t c;
};

constexpr std::array<Jump, kLanes + 1> MakeJumps() {
    std::array<Jump, kLanes + 1> jumps{};
    jumps[0] = {1, 0};
    for (size_t j = 1; j <= kLanes; ++j) {
        jumps[j].a = jumps[j - 1].a * TRandomGenerator::kMultiplier;
        jumps[j].c = jumps[j - 1].c * TRandomGenerator::kMultiplier + TRandomGenerator::kIncrement;
    }
    return jumps;
}

constexpr std::array<Jump, kLanes + 1> kJump = MakeJumps();

} // namespace

void TRandomGenerator::DrawBytes(uint32_t n, uint8_t* out, size_t count) {
    uint32_t seed = seed_;
    size_t done = 0;
    for (; done + kLanes <= count; done += kLanes) {
        // Independent lanes, so the compiler can compute them side by side.
        for (size_t j = 0; j < kLanes; ++j) {
            const uint32_t s = kJump[j + 1].a * seed + kJump[j + 1].c;
            out[done + j] = static_cast<uint8_t>((static_cast<uint64_t>(s) * n) >> 32);
        }
        seed = kJump[kLanes].a * seed + kJump[kLanes].c;
    }
    for (; done < count; ++done) {
        seed = seed * kMultiplier + kIncrement;
        out[done] = static_cast<uint8_t>((static_cast<uint64_t>(seed) * n) >> 32);
    }
    seed_ = seed;
}

uint32_t TRandomGenerator::TimeOfDaySeed(int hour, int minute, int second, int millisecond) {
    return static_cast<uint32_t>(((hour * 60 + minute) * 60 + second) * 1000 + millisecond);
}

uint32_t TRandomGenerator::CurrentTimeOfDaySeed() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto sinceMidnight = now - floor<days>(now); // the system clock counts UTC
    return static_cast<uint32_t>(duration_cast<milliseconds>(sinceMidnight).count());
}

TRandomGenerator& ProgramRandom() {
    static TRandomGenerator generator;
    return generator;
}
