#pragma once

#include "platform/media/sources/FramePacer.h"
#include "platform/media/sources/FrameSource.h"

#include <cstdint>
#include <string>
#include <vector>

// The recording virtual camera: a file of MJPEG frames one after another (as a camera's stream
// is recorded, or `ffmpeg -f mjpeg` writes it), read when streaming starts and served in order,
// over and over, as compressed MJPG samples at the format's rate. What the program does with a
// real MJPEG camera can so be measured without one.
class RecordedMjpegFrameSource final : public FrameSource {
public:
    RecordedMjpegFrameSource(std::string path, const VideoFormat& format);

    // Fails when the file cannot be read or holds no frame.
    HRESULT Start() override;
    Outcome Next(const FrameHandler& handler) override;
    void Wake() override { pacer_.Wake(); }

private:
    const std::string path_;
    FramePacer pacer_;
    std::vector<std::vector<uint8_t>> frames_; // written by Start only
    std::vector<uint8_t> frame_;               // what goes downstream, refilled for every frame
    size_t next_ = 0;
};

// The frames of a recording: each from a start-of-image marker to the end-of-image marker that
// closes it. Bytes between frames, and a last frame cut short, are left out.
std::vector<std::vector<uint8_t>> SplitMjpegRecording(const std::vector<uint8_t>& bytes);
