#include "platform/media/sources/TestPattern.h"

#include <algorithm>
#include <cstring>

namespace {

struct Colour {
    uint8_t b, g, r;
};

// The classic bars: white, yellow, cyan, green, magenta, red, blue, black.
constexpr Colour kBars[8] = {{235, 235, 235}, {16, 235, 235}, {235, 235, 16}, {16, 235, 16},
                             {235, 16, 235},  {16, 16, 235},  {235, 16, 16},  {16, 16, 16}};

// Seven-segment digits: bits a..g (top, top right, bottom right, bottom, bottom left, top left, middle).
constexpr uint8_t kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

class Canvas {
public:
    Canvas(uint8_t* bits, int width, int height, int stride)
        : bits_(bits), width_(width), height_(height), stride_(stride) {}

    // Fills the rectangle [x0, x1) x [y0, y1), rows counted from the top, clipped to the picture.
    void Fill(int x0, int y0, int x1, int y1, Colour colour) {
        x0 = std::clamp(x0, 0, width_);
        x1 = std::clamp(x1, 0, width_);
        y0 = std::clamp(y0, 0, height_);
        y1 = std::clamp(y1, 0, height_);
        for (int y = y0; y < y1; ++y) {
            uint8_t* p = bits_ + static_cast<int64_t>(height_ - 1 - y) * stride_ + 3 * x0;
            for (int x = x0; x < x1; ++x, p += 3) {
                p[0] = colour.b;
                p[1] = colour.g;
                p[2] = colour.r;
            }
        }
    }

    // Copies the first row of the picture (row 0 from the top) to every row in [y0, y1).
    void RepeatTopRow(int y0, int y1) {
        const uint8_t* top = bits_ + static_cast<int64_t>(height_ - 1) * stride_;
        for (int y = std::max(y0, 1); y < std::min(y1, height_); ++y)
            std::memcpy(bits_ + static_cast<int64_t>(height_ - 1 - y) * stride_, top,
                        3 * static_cast<size_t>(width_));
    }

    void Digit(int x, int y, int size, int digit, Colour colour) {
        const int t = std::max(1, size / 5); // stroke
        const int w = size;
        const int h = 2 * size;
        const uint8_t s = kSegments[digit];
        if (s & 0x01)
            Fill(x, y, x + w, y + t, colour);
        if (s & 0x02)
            Fill(x + w - t, y, x + w, y + h / 2, colour);
        if (s & 0x04)
            Fill(x + w - t, y + h / 2, x + w, y + h, colour);
        if (s & 0x08)
            Fill(x, y + h - t, x + w, y + h, colour);
        if (s & 0x10)
            Fill(x, y + h / 2, x + t, y + h, colour);
        if (s & 0x20)
            Fill(x, y, x + t, y + h / 2, colour);
        if (s & 0x40)
            Fill(x, y + h / 2 - t / 2, x + w, y + h / 2 + (t + 1) / 2, colour);
    }

private:
    uint8_t* bits_;
    int width_;
    int height_;
    int stride_;
};

} // namespace

void RenderTestPattern(uint8_t* bits, int width, int height, int stride, uint64_t frameNumber) {
    if (width <= 0 || height <= 0)
        return;
    Canvas canvas(bits, width, height, stride);
    for (int bar = 0; bar < 8; ++bar)
        canvas.Fill(bar * width / 8, 0, (bar + 1) * width / 8, 1, kBars[bar]);
    canvas.RepeatTopRow(1, height);

    // The square crosses the picture in about four seconds at 30 frames a second.
    const int side = std::max(2, height / 6);
    const int travel = std::max(1, width - side);
    const int position = static_cast<int>((frameNumber * static_cast<uint64_t>(std::max(1, width / 120))) %
                                          static_cast<uint64_t>(2 * travel));
    const int x = position < travel ? position : 2 * travel - position;
    canvas.Fill(x, height / 2 - side / 2, x + side, height / 2 - side / 2 + side, {255, 255, 255});

    // The frame number, six digits, on a black plate at the bottom left.
    const int size = std::max(3, height / 16);
    const int gap = std::max(1, size / 3);
    const int plateTop = height - 2 * size - 2 * gap;
    canvas.Fill(0, plateTop, 6 * (size + gap) + gap, height, {0, 0, 0});
    uint64_t number = frameNumber % 1000000;
    for (int k = 5; k >= 0; --k, number /= 10)
        canvas.Digit(gap + k * (size + gap), plateTop + gap, size, static_cast<int>(number % 10),
                     {255, 255, 255});
}
