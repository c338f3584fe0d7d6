#pragma once

#include <cstddef>
#include <cstdint>

// Expands run-length encoded pixels (8 bits per pixel for BI_RLE8, 4 for BI_RLE4) into rows of
// `lineSize` bytes, the first row in `bits` being the picture's bottom row, as the encoding
// orders them. Runs that reach past a row's end are cut at the edge, rows past the top and
// commands past the end of `data` are ignored, and pixels that the data skips or never reaches
// keep their value, so no input writes outside the `height` rows. Any thread.
void DecodeRle(const uint8_t* data, size_t size, int bitCount, uint8_t* bits, int64_t lineSize, int width,
               int height);
