#include "effects/NoiseEffects.h"

#include <algorithm>

namespace {

uint8_t AddClamped(uint8_t v, uint8_t r) { return static_cast<uint8_t>(std::min(255, v + r)); }

} // namespace

void ColourNoise(uint8_t* row, int x0, int x1, TRandomGenerator& random, std::vector<uint8_t>& draws) {
    if (x1 <= x0)
        return;
    const auto count = static_cast<size_t>(3 * (x1 - x0));
    if (draws.size() < count)
        draws.resize(count);
    random.DrawBytes(55, draws.data(), count);
    uint8_t* p = row + 3 * x0;
    for (size_t k = 0; k < count; ++k)
        p[k] = AddClamped(p[k], draws[k]);
}

void GreyNoise(uint8_t* row, int x0, int x1, TRandomGenerator& random, std::vector<uint8_t>& draws) {
    if (x1 <= x0)
        return;
    const auto count = static_cast<size_t>(x1 - x0);
    if (draws.size() < count)
        draws.resize(count);
    random.DrawBytes(25, draws.data(), count);
    for (size_t k = 0; k < count; ++k) {
        uint8_t* p = row + 3 * (x0 + static_cast<int>(k));
        const uint8_t r = draws[k];
        p[0] = AddClamped(p[0], r);
        p[1] = AddClamped(p[1], r);
        p[2] = AddClamped(p[2], r);
    }
}
