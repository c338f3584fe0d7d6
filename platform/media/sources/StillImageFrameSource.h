#pragma once

#include "platform/media/sources/FramePacer.h"
#include "platform/media/sources/FrameSource.h"

#include <string>
#include <vector>

// The image virtual camera: a BMP or JPEG picture, read when streaming starts, served at
// 30 frames a second at the format's size.
class StillImageFrameSource final : public FrameSource {
public:
    StillImageFrameSource(std::string path, const VideoFormat& format);

    HRESULT Start() override;
    Outcome Next(const FrameHandler& handler) override;
    void Wake() override { pacer_.Wake(); }

private:
    const std::string path_;
    const VideoFormat format_;
    FramePacer pacer_;
    std::vector<uint8_t> still_; // the picture, bottom-up; written by Start only
    std::vector<uint8_t> frame_; // what goes downstream, refilled for every frame
};
