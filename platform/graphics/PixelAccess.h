#pragma once

#include "platform/graphics/GdiTypes.h"

#include <cstdint>
#include <span>

// Pixels of any bitmap depth as raw values (a colour-table index, or packed channel bits) and as
// colours. Row pointers are the first byte of a row; x counts pixels. Any thread.

uint32_t ReadPixelValue(const uint8_t* row, int bitCount, int x);
void WritePixelValue(uint8_t* row, int bitCount, int x, uint32_t value);

// A pixel format: the depth, the channel masks (for 16 and 32 bits) and the colour table.
struct TPixelLayout {
    int bitCount = 24;
    DWORD masks[3] = {0xFF0000, 0x00FF00, 0x0000FF}; // red, green, blue
    std::span<const RGBQUAD> colours;
};

// The colour of a raw value. An index beyond the colour table is black.
COLORREF ValueToColour(const TPixelLayout& layout, uint32_t value);
// The raw value nearest to a colour: the closest table entry for indexed depths.
uint32_t ColourToValue(const TPixelLayout& layout, COLORREF colour);
