#include "effects/RandomGenerator.h"

#include "effects/RowKernels.h"

#include <chrono>

void TRandomGenerator::DrawBytes(uint32_t n, uint8_t* out, size_t count) {
    seed_ = RowKernels().drawBytes(seed_, n, out, count);
}

void TRandomGenerator::Skip(uint64_t count) {
    // The step applied 2^k times is again a multiply and an add; compose those of count's bits.
    uint32_t a = kMultiplier;
    uint32_t c = kIncrement;
    for (; count != 0; count >>= 1) {
        if (count & 1)
            seed_ = seed_ * a + c;
        c = c * a + c;
        a = a * a;
    }
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
