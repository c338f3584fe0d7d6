#include "effects/ChannelTables.h"

#include <cmath>

uint8_t LowByteOfRounded(double value) {
    const double rounded = std::nearbyint(value);
    // Beyond the range of a 64-bit integer, the value is a whole number and its residue
    // modulo 256 gives the same low byte.
    if (!(std::fabs(rounded) < 9.0e18))
        return std::isfinite(rounded) ? static_cast<uint8_t>(static_cast<int64_t>(std::fmod(rounded, 256.0)))
                                      : 0;
    return static_cast<uint8_t>(static_cast<int64_t>(rounded));
}

const TChannelTables& ChannelTables() {
    static const TChannelTables tables = [] {
        TChannelTables t{};
        for (int v = 0; v < 256; ++v) {
            const double angle = v;
            t.sine[v] = LowByteOfRounded(std::sin(angle) * 255);
            t.cosine[v] = LowByteOfRounded(std::cos(angle) * 255);
            t.tangent[v] = LowByteOfRounded(std::tan(angle) * 255);
            t.inversion[v] = LowByteOfRounded((256.0 / (v + 1)) * 255);
        }
        return t;
    }();
    return tables;
}
