#pragma once

#include "platform/graphics/NearestSampler.h"

#include <QImage>
#include <QSize>

#include <cstdint>
#include <mutex>

// The renderer's latest-frame slot: the streaming thread writes frames, the GUI thread paints
// the newest one; an older frame not yet painted is simply replaced. Three images change hands
// under a lock held only for a swap, so neither thread ever waits for the other's copying or
// drawing.
//
// The painting side may say how many device pixels it shows the picture at; a frame larger than
// that is sampled down to it as it is put (the nearest pixel of each, as an unsmoothed stretch
// takes it), so that neither the streaming thread's copy nor the paint handles pixels that no
// window shows. A 3840x2160 frame shown in a 640x360 window is then a copy of 0.7 MB, not 25.
class FrameSlot {
public:
    // Streaming thread: copies a frame in. 24- or 32-bit rows, `bottomUp` for a positive
    // height. Returns true when this frame is the first since the last Take, i.e. a repaint
    // needs asking for.
    bool Put(const uint8_t* bits, int width, int height, int stride, int bitCount, bool bottomUp);

    // GUI thread: the newest frame, or the one taken before when none came since. It may be
    // smaller than the frame that was put (see SetShownSize and TakenFrameSize).
    const QImage& Take();
    // GUI thread: the size of the frame that the image Take returned was made from.
    QSize TakenFrameSize() const { return paintingFrameSize_; }

    // GUI thread: the size in device pixels at which the whole frame is shown; later frames
    // larger than it in either direction are sampled down to it in that direction. An empty
    // size (the first state) keeps every frame whole.
    void SetShownSize(QSize size);

    // How many frames were put, and how many of those were taken (painted).
    uint64_t FramesPut() const;

private:
    QImage writing_;          // the streaming thread's
    QSize writingFrameSize_;  // the streaming thread's
    TNearestSampler sampler_; // the streaming thread's
    QImage painting_;         // the GUI thread's
    QSize paintingFrameSize_; // the GUI thread's

    mutable std::mutex mutex_; // guards latest_, latestFrameSize_, fresh_, framesPut_, shownSize_
    QImage latest_;
    QSize latestFrameSize_;
    bool fresh_ = false;
    uint64_t framesPut_ = 0;
    QSize shownSize_;
};
