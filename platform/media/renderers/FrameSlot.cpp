#include "platform/media/renderers/FrameSlot.h"

#include <algorithm>
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
    const auto rowAt = [&](int row) {
        return bits + static_cast<int64_t>(bottomUp ? height - 1 - row : row) * stride;
    };
    sampler_.Sample(width, height, bitCount / 8, rowAt, writing_.bits(), writing_.bytesPerLine(), shownWidth,
                    shownHeight);
    writingFrameSize_ = QSize(width, height);
    std::lock_guard lock(mutex_);
    std::swap(writing_, latest_);
    std::swap(writingFrameSize_, latestFrameSize_);
    ++framesPut_;
    return !std::exchange(fresh_, true);
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
