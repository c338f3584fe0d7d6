#include "platform/graphics/NearestSampler.h"

#include <cstring>

void TNearestSampler::PrepareColumns(int width, int targetWidth, int bytesPerPixel) {
    if (static_cast<int>(columns_.size()) == targetWidth && columnsOf_ == width &&
        columnsBytes_ == bytesPerPixel)
        return;
    columns_.resize(static_cast<size_t>(targetWidth));
    for (int x = 0; x < targetWidth; ++x)
        columns_[static_cast<size_t>(x)] = bytesPerPixel * Nearest(x, targetWidth, width);
    columnsOf_ = width;
    columnsBytes_ = bytesPerPixel;
}

void TNearestSampler::SampleRow(const uint8_t* from, uint8_t* to, int width, int bytesPerPixel) const {
    const int targetWidth = static_cast<int>(columns_.size());
    if (targetWidth == width) {
        std::memcpy(to, from, static_cast<size_t>(width) * bytesPerPixel);
    } else if (bytesPerPixel == 4) {
        for (int x = 0; x < targetWidth; ++x)
            std::memcpy(to + 4 * x, from + columns_[static_cast<size_t>(x)], 4);
    } else {
        for (int x = 0; x < targetWidth; ++x) {
            const uint8_t* p = from + columns_[static_cast<size_t>(x)];
            to[3 * x] = p[0];
            to[3 * x + 1] = p[1];
            to[3 * x + 2] = p[2];
        }
    }
}
