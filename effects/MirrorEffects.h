#pragma once

#include <cstdint>

// The mirror effects and horizontal averaging work along a whole row of width W: a pixel's
// partner is the pixel at column W - 1 - x. Each applies to the pixels of columns [x0, x1) in
// turn, left to right, in place, so later pixels see what earlier ones wrote.

// The first column at which the mirror no longer applies: the mirror takes the pixels with
// 3x < floor(3 * (W - 1) / 2); the others fall through to the next checked item.
int MirrorLimit(int width);

// Exchanges each pixel with its partner.
void Mirror(uint8_t* row, int width, int x0, int x1);
// Copies each partner's current value into the pixel.
void BrokenMirror(uint8_t* row, int width, int x0, int x1);
// Copies each pixel's current value into its partner.
void BrokenMirror2(uint8_t* row, int width, int x0, int x1);

// The sums of the blue, green and red values of the visited columns 1 to W - 3.
struct TRowSums {
    uint32_t blue = 0;
    uint32_t green = 0;
    uint32_t red = 0;
};
TRowSums RowSums(const uint8_t* row, int width);

// Blends each pixel with the row's means, which are the sums divided by W - 6 (low 8 bits).
// Rows of frames 6 pixels wide or less have no such divisor and stay unchanged.
void HorizontalAveraging(uint8_t* row, int width, int x0, int x1, const TRowSums& sums);
