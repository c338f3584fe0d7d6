#include "platform/media/FrameSlot.h"

#include <algorithm>
#include <cstring>
#include <utility>

bool FrameSlot::Put(const uint8_t* bits, int width, int height, int stride, int bitCount, bool bottomUp) {
    QSize shown;
    {
        std::lock_guard lock(mutex_);
        shown = shownSize_;
    }
    const int shownWidth = shown.isEmpty() ? width : std::min(width, shown.width());
    const int shownHeight = shown.isEmpty() ? height : std::min(height, shown.height());
    const QImage::Format format = bitCount == 32 ? QImage::Format_RGB32 : QImage::Format_BGR888;
    if (writing_.width() != shownWidth || writing_.height() != shownHeight || writing_.format() != format)
        writing_ = QImage(shownWidth, shownHeight, format);
    const int bytesPerPixel = bitCount / 8;
    if (shownWidth == width && shownHeight == height)
        CopyWhole(bits, height, stride, bytesPerPixel, bottomUp);
    else
        SampleDown(bits, width, height, stride, bytesPerPixel, bottomUp);
    writingFrameSize_ = QSize(width, height);
    std::lock_guard lock(mutex_);
    std::swap(writing_, latest_);
    std::swap(writingFrameSize_, latestFrameSize_);
    ++framesPut_;
    return !std::exchange(fresh_, true);
}

void FrameSlot::CopyWhole(const uint8_t* bits, int height, int stride, int bytesPerPixel, bool bottomUp) {
    const size_t rowBytes = static_cast<size_t>(writing_.width()) * bytesPerPixel;
    for (int row = 0; row < height; ++row) {
        const uint8_t* source = bits + static_cast<int64_t>(bottomUp ? height - 1 - row : row) * stride;
        std::memcpy(writing_.scanLine(row), source, rowBytes);
    }
}

void FrameSlot::SampleDown(const uint8_t* bits, int width, int height, int stride, int bytesPerPixel,
                           bool bottomUp) {
    const int shownWidth = writing_.width();
    const int shownHeight = writing_.height();
    if (static_cast<int>(columns_.size()) != shownWidth || columnsOf_ != width) {
        columns_.resize(static_cast<size_t>(shownWidth));
        for (int x = 0; x < shownWidth; ++x)
            columns_[static_cast<size_t>(x)] =
                bytesPerPixel *
                static_cast<int>((2 * static_cast<int64_t>(x) + 1) * width / (2 * shownWidth));
        columnsOf_ = width;
    }
    for (int y = 0; y < shownHeight; ++y) {
        const int row = static_cast<int>((2 * static_cast<int64_t>(y) + 1) * height / (2 * shownHeight));
        const uint8_t* from = bits + static_cast<int64_t>(bottomUp ? height - 1 - row : row) * stride;
        uchar* to = writing_.scanLine(y);
        if (shownWidth == width) {
            std::memcpy(to, from, static_cast<size_t>(width) * bytesPerPixel);
        } else if (bytesPerPixel == 4) {
            for (int x = 0; x < shownWidth; ++x)
                std::memcpy(to + 4 * x, from + columns_[static_cast<size_t>(x)], 4);
        } else {
            for (int x = 0; x < shownWidth; ++x) {
                const uint8_t* p = from + columns_[static_cast<size_t>(x)];
                to[3 * x] = p[0];
                to[3 * x + 1] = p[1];
                to[3 * x + 2] = p[2];
            }
        }
    }
}

const QImage& FrameSlot::Take() {
    std::lock_guard lock(mutex_);
    if (fresh_) {
        std::swap(painting_, latest_);
        std::swap(paintingFrameSize_, latestFrameSize_);
        fresh_ = false;
    }
    return painting_;
}

void FrameSlot::SetShownSize(QSize size) {
    std::lock_guard lock(mutex_);
    shownSize_ = size;
}

uint64_t FrameSlot::FramesPut() const {
    std::lock_guard lock(mutex_);
    return framesPut_;
}
