#include "platform/media/sources/StillImageFrameSource.h"

#include "platform/media/core/VideoFormat.h"

#include <QImage>

#include <cstring>

namespace {

constexpr REFERENCE_TIME kStillFrameTime = 333333; // 30 frames a second

} // namespace

StillImageFrameSource::StillImageFrameSource(std::string path, const VideoFormat& format)
    : path_(std::move(path)), format_(format), pacer_(kStillFrameTime) {}

HRESULT StillImageFrameSource::Start() {
    QImage image(QString::fromStdString(path_));
    if (image.isNull())
        return HRESULT_FILE_NOT_FOUND;
    if (image.width() != format_.width || image.height() != format_.height)
        image = image.scaled(format_.width, format_.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image = image.convertToFormat(QImage::Format_BGR888);
    const int stride = Rgb24Stride(format_.width);
    still_.assign(static_cast<size_t>(stride) * format_.height, 0);
    for (int row = 0; row < format_.height; ++row)
        std::memcpy(&still_[static_cast<size_t>(format_.height - 1 - row) * stride], image.constScanLine(row),
                    static_cast<size_t>(format_.width) * 3);
    frame_.resize(still_.size());
    return S_OK;
}

FrameSource::Outcome StillImageFrameSource::Next(const FrameHandler& handler) {
    if (!pacer_.WaitForNextFrame())
        return Outcome::Stopped;
    // A fresh copy each time: whatever a filter downstream wrote into the last frame is gone.
    std::memcpy(frame_.data(), still_.data(), still_.size());
    handler(frame_.data(), static_cast<int32_t>(frame_.size()));
    return Outcome::Frame;
}
