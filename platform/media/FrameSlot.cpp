#include "platform/media/FrameSlot.h"

#include <cstring>
#include <utility>

bool FrameSlot::Put(const uint8_t* bits, int width, int height, int stride, int bitCount, bool bottomUp) {
    const QImage::Format format = bitCount == 32 ? QImage::Format_RGB32 : QImage::Format_BGR888;
    if (writing_.width() != width || writing_.height() != height || writing_.format() != format)
        writing_ = QImage(width, height, format);
    const size_t rowBytes = static_cast<size_t>(width) * (bitCount / 8);
    for (int row = 0; row < height; ++row) {
        const uint8_t* source = bits + static_cast<int64_t>(bottomUp ? height - 1 - row : row) * stride;
        std::memcpy(writing_.scanLine(row), source, rowBytes);
    }
    std::lock_guard lock(mutex_);
    std::swap(writing_, latest_);
    ++framesPut_;
    return !std::exchange(fresh_, true);
}

const QImage& FrameSlot::Take() {
    std::lock_guard lock(mutex_);
    if (fresh_) {
        std::swap(painting_, latest_);
        fresh_ = false;
    }
    return painting_;
}

uint64_t FrameSlot::FramesPut() const {
    std::lock_guard lock(mutex_);
    return framesPut_;
}
