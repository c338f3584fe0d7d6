#include "platform/media/sources/PatternFrameSource.h"

#include "platform/media/core/VideoFormat.h"
#include "platform/media/sources/TestPattern.h"

namespace {

constexpr REFERENCE_TIME kDefaultFrameTime = 333333; // 30 frames a second

} // namespace

PatternFrameSource::PatternFrameSource(const VideoFormat& format, bool paced)
    : format_(format), stride_(Rgb24Stride(format.width)),
      pacer_(paced ? (format.averageTimePerFrame > 0 ? format.averageTimePerFrame : kDefaultFrameTime) : 0),
      frame_(static_cast<size_t>(stride_) * format.height) {}

FrameSource::Outcome PatternFrameSource::Next(const FrameHandler& handler) {
    if (!pacer_.WaitForNextFrame())
        return Outcome::Stopped;
    RenderTestPattern(frame_.data(), format_.width, format_.height, stride_, frameNumber_++);
    handler(frame_.data(), static_cast<int32_t>(frame_.size()));
    return Outcome::Frame;
}
