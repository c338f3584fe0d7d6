#pragma once

#include <cstdint>

// The colour effects, each applied in place to the pixels of one row in columns [x0, x1),
// left to right. `row` is the row's first byte; pixels are blue, green, red.
// Contours and blots read the pixel to the right, which the pass has not visited yet.

void Negative(uint8_t* row, int x0, int x1);
void ColourInversion(uint8_t* row, int x0, int x1);
void GreyFromMean(uint8_t* row, int x0, int x1);
void GreyFromRed(uint8_t* row, int x0, int x1);
void GreyFromGreen(uint8_t* row, int x0, int x1);
void GreyFromBlue(uint8_t* row, int x0, int x1);
void BlackAndWhite(uint8_t* row, int x0, int x1);
void PredatorVision(uint8_t* row, int x0, int x1);
void Contours(uint8_t* row, int x0, int x1);
void Blots(uint8_t* row, int x0, int x1);
void SierpinskiMask(uint8_t* row, int y, int x0, int x1);
