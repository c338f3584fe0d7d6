#pragma once

#include <cstdint>

// Background keying as the frame pass sees it: whether a background is available now, and the
// keying of a row's pixels against it. The program's keying state implements it; without one,
// the keying item falls through to the rest of the selection chain.
class TBackgroundKeying {
public:
    virtual ~TBackgroundKeying() = default;
    virtual bool Available() const = 0;
    // Keys the pixels of columns [x0, x1) of row `y`.
    virtual void KeyRow(uint8_t* row, int y, int x0, int x1) const = 0;
};
