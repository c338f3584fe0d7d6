#include "effects/NoiseEffects.h"

#include "effects/Vectorize.h"

TARNOLIX_HOT void ColourNoise(uint8_t* row, int x0, int x1, TRandomGenerator& random,
                              std::vector<uint8_t>& draws) {
    if (x1 <= x0)
        return;
    const auto count = static_cast<size_t>(3 * (x1 - x0));
    if (draws.size() < count)
        draws.resize(count);
    random.DrawBytes(55, draws.data(), count);
    AddClampedBytes(row + 3 * x0, draws.data(), count);
}

TARNOLIX_HOT void GreyNoise(uint8_t* row, int x0, int x1, TRandomGenerator& random,
                            std::vector<uint8_t>& draws) {
    if (x1 <= x0)
        return;
    const auto pixels = static_cast<size_t>(x1 - x0);
    // The pixel draws go to the front of the scratch space, the same draws for each channel
    // after them; the sum itself is then a plain byte-wise saturating add.
    if (draws.size() < 4 * pixels)
        draws.resize(4 * pixels);
    uint8_t* perPixel = draws.data();
    uint8_t* perChannel = draws.data() + pixels;
    random.DrawBytes(25, perPixel, pixels);
    for (size_t k = 0; k < pixels; ++k) {
        perChannel[3 * k] = perPixel[k];
        perChannel[3 * k + 1] = perPixel[k];
        perChannel[3 * k + 2] = perPixel[k];
    }
    AddClampedBytes(row + 3 * x0, perChannel, 3 * pixels);
}
