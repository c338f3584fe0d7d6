#pragma once

#include <cstdint>
#include <vector>

// Distortion and pattern effects, each applied in place to the pixels of one row in columns
// [x0, x1). `row` is the row's first byte; `y` is the row index counted from the top.

void FractalDistortion(uint8_t* row, int y, int x0, int x1);
void SineDistortion(uint8_t* row, int x0, int x1);
void CosineDistortion(uint8_t* row, int x0, int x1);
void TangentDistortion(uint8_t* row, int x0, int x1);
// `addends` holds rnd(tan(y * 3x)) for every column x of this row.
void HiddenTangentPatterns(uint8_t* row, const uint8_t* addends, int x0, int x1);

// The hidden pattern's addends depend only on the position, so they are computed once per
// frame size and kept until the size changes. Used by the one thread running the pass.
class THiddenTangentTable {
public:
    // The addends of row `y` for a frame of the given size, computing the table on first use.
    const uint8_t* Row(int width, int height, int y);

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> addends_;
};
