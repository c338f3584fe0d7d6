#include "platform/graphics/PixelAccess.h"

#include <bit>
#include <climits>

namespace {

// One channel under `mask`, scaled to 0..255 and rounded; an empty mask gives 0.
uint8_t Channel(uint32_t value, DWORD mask) {
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const uint64_t max = mask >> shift;
    const uint64_t v = (value & mask) >> shift;
    return static_cast<uint8_t>((v * 255 + max / 2) / max);
}

uint32_t Pack(uint8_t channel, DWORD mask) {
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const uint64_t max = mask >> shift;
    return static_cast<uint32_t>(((channel * max + 127) / 255) << shift) & mask;
}

} // namespace

uint32_t ReadPixelValue(const uint8_t* row, int bitCount, int x) {
    switch (bitCount) {
    case 1:
        return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4:
        return (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F;
    case 8:
        return row[x];
    case 16:
        return row[2 * x] | row[2 * x + 1] << 8;
    case 24:
        return row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16;
    case 32:
        return row[4 * x] | row[4 * x + 1] << 8 | row[4 * x + 2] << 16 |
               static_cast<uint32_t>(row[4 * x + 3]) << 24;
    default:
        return 0;
    }
}

void WritePixelValue(uint8_t* row, int bitCount, int x, uint32_t value) {
    switch (bitCount) {
    case 1: {
        const uint8_t bit = static_cast<uint8_t>(0x80 >> (x % 8));
        row[x / 8] = static_cast<uint8_t>((value & 1) ? row[x / 8] | bit : row[x / 8] & ~bit);
        break;
    }
    case 4:
        row[x / 2] = x % 2 == 0 ? static_cast<uint8_t>((row[x / 2] & 0x0F) | (value & 0x0F) << 4)
                                : static_cast<uint8_t>((row[x / 2] & 0xF0) | (value & 0x0F));
        break;
    case 8:
        row[x] = static_cast<uint8_t>(value);
        break;
    case 32:
        row[4 * x + 3] = static_cast<uint8_t>(value >> 24);
        [[fallthrough]];
    case 24:
        row[(bitCount / 8) * x + 2] = static_cast<uint8_t>(value >> 16);
        [[fallthrough]];
    case 16:
        row[(bitCount / 8) * x + 1] = static_cast<uint8_t>(value >> 8);
        row[(bitCount / 8) * x] = static_cast<uint8_t>(value);
        break;
    default:
        break;
    }
}

COLORREF ValueToColour(const TPixelLayout& layout, uint32_t value) {
    if (layout.bitCount <= 8) {
        if (value >= layout.colours.size())
            return RGB(0, 0, 0);
        const RGBQUAD& c = layout.colours[value];
        return RGB(c.rgbRed, c.rgbGreen, c.rgbBlue);
    }
    if (layout.bitCount == 24)
        return RGB(static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value));
    return RGB(Channel(value, layout.masks[0]), Channel(value, layout.masks[1]),
               Channel(value, layout.masks[2]));
}

uint32_t ColourToValue(const TPixelLayout& layout, COLORREF colour) {
    const BYTE r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    if (layout.bitCount <= 8) {
        uint32_t best = 0;
        int bestDistance = INT_MAX;
        for (size_t k = 0; k < layout.colours.size(); ++k) {
            const RGBQUAD& c = layout.colours[k];
            const int dr = c.rgbRed - r, dg = c.rgbGreen - g, db = c.rgbBlue - b;
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = static_cast<uint32_t>(k);
            }
        }
        return best;
    }
    if (layout.bitCount == 24)
        return static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | b;
    return Pack(r, layout.masks[0]) | Pack(g, layout.masks[1]) | Pack(b, layout.masks[2]);
}
