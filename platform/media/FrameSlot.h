#pragma once

#include <QImage>

#include <cstdint>
#include <mutex>

// The renderer's latest-frame slot: the streaming thread writes frames, the GUI thread paints
// the newest one; an older frame not yet painted is simply replaced. Three images change hands
// under a lock held only for a swap, so neither thread ever waits for the other's copying or
// drawing.
class FrameSlot {
public:
    // Streaming thread: copies a frame in. 24- or 32-bit rows, `bottomUp` for a positive
    // height. Returns true when this frame is the first since the last Take, i.e. a repaint
    // needs asking for.
    bool Put(const uint8_t* bits, int width, int height, int stride, int bitCount, bool bottomUp);

    // GUI thread: the newest frame, or the one taken before when none came since.
    const QImage& Take();

    // How many frames were put, and how many of those were taken (painted).
    uint64_t FramesPut() const;

private:
    QImage writing_;  // the streaming thread's
    QImage painting_; // the GUI thread's

    mutable std::mutex mutex_; // guards latest_, fresh_ and framesPut_
    QImage latest_;
    bool fresh_ = false;
    uint64_t framesPut_ = 0;
};
