#pragma once

#include "platform/media/sources/FramePacer.h"
#include "platform/media/sources/FrameSource.h"

#include <vector>

// The pattern virtual camera: the animated test pattern at the format's size, paced at its
// frame rate (or as fast as it can go when `paced` is false).
class PatternFrameSource final : public FrameSource {
public:
    PatternFrameSource(const VideoFormat& format, bool paced);

    HRESULT Start() override { return S_OK; }
    Outcome Next(const FrameHandler& handler) override;
    void Wake() override { pacer_.Wake(); }

private:
    const VideoFormat format_;
    const int stride_;
    FramePacer pacer_;
    std::vector<uint8_t> frame_; // the streaming thread's
    uint64_t frameNumber_ = 0;   // the streaming thread's
};
