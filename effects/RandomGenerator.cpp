#include "effects/RandomGenerator.h"

#include "effects/Vectorize.h"

#include <array>
#include <chrono>
#include <cstring>

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

constexpr U8x32 kLowBytes{0, 4, 8, 12, 16, 20, 24, 28, 32, 36, 40, 44, 48, 52, 56, 60,
                          0, 0, 0, 0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0};

} // namespace

namespace {

// The high 32 bits of each lane times n, for n below 2^16: with s = h * 2^16 + l, that is
// (h * n + (l * n) div 2^16) div 2^16, exact, and every product fits in a 32-bit lane.
inline __attribute__((always_inline)) U32x8 DrawsBelow(U32x8 seeds, uint32_t n) {
    return ((seeds >> 16) * n + (((seeds & 0xFFFFu) * n) >> 16)) >> 16;
}

} // namespace

TARNOLIX_HOT void TRandomGenerator::DrawBytes(uint32_t n, uint8_t* out, size_t count) {
    uint32_t seed = seed_;
    size_t done = 0;
    if (count >= kLanes) {
        // Lane j of (low, high) holds seed(k + 1 + j); one step of all lanes jumps sixteen draws.
        U32x8 low;
        U32x8 high;
        for (size_t j = 0; j < 8; ++j) {
            low[j] = kJump[j + 1].a * seed + kJump[j + 1].c;
            high[j] = kJump[j + 9].a * seed + kJump[j + 9].c;
        }
        const uint32_t stepA = kJump[kLanes].a;
        const uint32_t stepC = kJump[kLanes].c;
        for (; done + kLanes <= count; done += kLanes) {
            // Each draw sits in the low byte of its 32-bit lane; gather those sixteen bytes.
            const U8x32 packed = __builtin_shuffle(reinterpret_cast<U8x32>(DrawsBelow(low, n)),
                                                   reinterpret_cast<U8x32>(DrawsBelow(high, n)), kLowBytes);
            std::memcpy(out + done, &packed, kLanes);
            seed = high[7];
            low = low * stepA + stepC;
            high = high * stepA + stepC;
        }
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
