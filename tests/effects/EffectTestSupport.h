#pragma once

#include "effects/EffectItem.h"
#include "effects/RandomGenerator.h"
#include "platform/graphics/Bitmap.h"

#include <cstdint>
#include <ostream>

struct Pixel {
    uint8_t b = 0;
    uint8_t g = 0;
    uint8_t r = 0;
    friend bool operator==(const Pixel&, const Pixel&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Pixel& p) {
        return out << "(B " << int(p.b) << ", G " << int(p.g) << ", R " << int(p.r) << ")";
    }
};

// A 24-bit frame bitmap of the given size with pixel access by column and row (row 0 on top),
// its rows stored bottom row first in memory, or top row first when `topDown`.
class TestFrame {
public:
    TestFrame(int width, int height, bool topDown = false);
    // Takes over the other frame's picture (bitmap objects themselves do not move).
    TestFrame(TestFrame&& other) noexcept { bitmap.Assign(other.bitmap); }
    Pixel At(int x, int y) const;
    void Set(int x, int y, Pixel p);
    void Fill(Pixel p);
    // Pixel values that differ from column to column and from row to row.
    void FillPattern();
    int Width() const { return bitmap.Width(); }
    int Height() const { return bitmap.Height(); }

    TBitmap bitmap;
};

// Runs one frame pass with `item` as the only checked item.
void RunEffect(TestFrame& frame, TEffectItem item, TRandomGenerator* random = nullptr);
