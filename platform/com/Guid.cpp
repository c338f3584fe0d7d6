#include "platform/com/Guid.h"

#include <cstdio>
#include <cstring>

bool operator==(const GUID& a, const GUID& b) noexcept {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

std::string GUIDToString(const GUID& g) {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2,
                  g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                  g.Data4[7]);
    return text;
}

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads `digits` hex digits at `pos`; false when any of them is not a hex digit.
bool ReadHex(std::string_view text, size_t pos, int digits, uint64_t& value) {
    value = 0;
    for (int k = 0; k < digits; ++k) {
        const int v = HexValue(text[pos + static_cast<size_t>(k)]);
        if (v < 0)
            return false;
        value = value * 16 + static_cast<uint64_t>(v);
    }
    return true;
}

} // namespace

std::optional<GUID> StringToGUID(std::string_view text) {
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
    if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' || text[14] != '-' ||
        text[19] != '-' || text[24] != '-')
        return std::nullopt;
    GUID g{};
    uint64_t v = 0;
    if (!ReadHex(text, 1, 8, v))
        return std::nullopt;
    g.Data1 = static_cast<uint32_t>(v);
    if (!ReadHex(text, 10, 4, v))
        return std::nullopt;
    g.Data2 = static_cast<uint16_t>(v);
    if (!ReadHex(text, 15, 4, v))
        return std::nullopt;
    g.Data3 = static_cast<uint16_t>(v);
    static constexpr size_t bytePositions[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int k = 0; k < 8; ++k) {
        if (!ReadHex(text, bytePositions[k], 2, v))
            return std::nullopt;
        g.Data4[k] = static_cast<uint8_t>(v);
    }
    return g;
}

size_t GUIDHash::operator()(const GUID& g) const noexcept {
    uint64_t a;
    uint64_t b;
    std::memcpy(&a, &g, 8);
    std::memcpy(&b, reinterpret_cast<const char*>(&g) + 8, 8);
    return static_cast<size_t>(a * 0x9E3779B97F4A7C15ull ^ b);
}
