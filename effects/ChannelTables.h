#pragma once

#include <array>
#include <cstdint>

// The low 8 bits of a floating-point value rounded to the nearest integer, halves to even, taken
// as a signed 64-bit integer (two's complement): 397.2 gives 141, -557 gives 211.
uint8_t LowByteOfRounded(double value);

// Functions of one channel value, computed once: each effect that maps a channel through
// sin, cos, tan or the inversion formula looks its result up here.
struct TChannelTables {
    std::array<uint8_t, 256> sine;      // rnd(sin(v) * 255)
    std::array<uint8_t, 256> cosine;    // rnd(cos(v) * 255)
    std::array<uint8_t, 256> tangent;   // rnd(tan(v) * 255)
    std::array<uint8_t, 256> inversion; // rnd((256 / (v + 1)) * 255)
};

const TChannelTables& ChannelTables();

// One of ChannelTables()' tables applied to two bytes at once: entry a + 256 b holds
// table[a] + 256 table[b]. Built on first use (128 KiB each), for look-ups two bytes at a time.
const uint16_t* BytePairTable(const std::array<uint8_t, 256>& table);

// row[k] := table[row[k]] for the bytes of the pixels in columns [x0, x1).
void MapChannelBytes(uint8_t* row, int x0, int x1, const std::array<uint8_t, 256>& table);
