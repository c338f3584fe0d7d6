#include "tests/vivid/ColourBars.h"

#include <array>

int BarsShown(const std::vector<uint8_t>& frame, const VideoFormat& format) {
    // Which of red, green and blue each bar lights, left to right.
    static constexpr std::array<std::array<bool, 3>, 8> kBars{
        {{1, 1, 1}, {1, 1, 0}, {0, 1, 1}, {0, 1, 0}, {1, 0, 1}, {1, 0, 0}, {0, 0, 1}, {0, 0, 0}}};
    const size_t stride = static_cast<size_t>(Rgb24Stride(format.width));
    if (frame.size() < stride * static_cast<size_t>(format.height))
        return 0;
    const size_t rowFromBottom = static_cast<size_t>(format.height / 4);
    int shown = 0;
    for (int bar = 0; bar < 8; ++bar) {
        const size_t x = static_cast<size_t>((2 * bar + 1) * format.width / 16);
        const uint8_t* pixel = &frame[rowFromBottom * stride + 3 * x]; // blue, green, red
        const std::array<bool, 3> lit{pixel[2] > 128, pixel[1] > 128, pixel[0] > 128};
        if (lit == kBars[static_cast<size_t>(bar)])
            ++shown;
    }
    return shown;
}
