#include "effects/NoiseEffects.h"

#include "effects/RowKernels.h"

void ColourNoise(uint8_t* row, int x0, int x1, TRandomGenerator& random, std::vector<uint8_t>& draws) {
    if (x1 <= x0)
        return;
    const auto count = static_cast<size_t>(3 * (x1 - x0));
    if (draws.size() < count)
        draws.resize(count);
    random.DrawBytes(55, draws.data(), count);
    RowKernels().addClamped(row + 3 * x0, draws.data(), count);
}

void GreyNoise(uint8_t* row, int x0, int x1, TRandomGenerator& random, std::vector<uint8_t>& draws) {
    if (x1 <= x0)
        return;
    const auto pixels = static_cast<size_t>(x1 - x0);
    if (draws.size() < pixels)
        draws.resize(pixels);
    random.DrawBytes(25, draws.data(), pixels);
    RowKernels().addClampedPerPixel(row, draws.data(), x0, x1);
}
