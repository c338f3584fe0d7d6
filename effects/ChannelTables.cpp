#include "effects/ChannelTables.h"

#include "effects/RowKernels.h"

#include <cmath>
#include <vector>

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

namespace {

std::vector<uint16_t> MakePairTable(const std::array<uint8_t, 256>& table) {
    std::vector<uint16_t> pairs(65536);
    for (int b = 0; b < 256; ++b)
        for (int a = 0; a < 256; ++a)
            pairs[static_cast<size_t>(256 * b + a)] = static_cast<uint16_t>(table[a] | table[b] << 8);
    return pairs;
}

} // namespace

const uint16_t* BytePairTable(const std::array<uint8_t, 256>& table) {
    const TChannelTables& t = ChannelTables();
    static const std::vector<uint16_t> sine = MakePairTable(t.sine);
    static const std::vector<uint16_t> cosine = MakePairTable(t.cosine);
    static const std::vector<uint16_t> tangent = MakePairTable(t.tangent);
    static const std::vector<uint16_t> inversion = MakePairTable(t.inversion);
    if (&table == &t.sine)
        return sine.data();
    if (&table == &t.cosine)
        return cosine.data();
    if (&table == &t.tangent)
        return tangent.data();
    return inversion.data();
}

void MapChannelBytes(uint8_t* row, int x0, int x1, const std::array<uint8_t, 256>& table) {
    if (x1 > x0)
        RowKernels().mapBytes(row + 3 * x0, 3 * static_cast<size_t>(x1 - x0), table.data(),
                              BytePairTable(table));
}
