#include "app/CameraModes.h"

#include <cmath>
#include <memory>

namespace {

struct MediaTypeDeleter {
    void operator()(AM_MEDIA_TYPE* type) const { DeleteMediaType(type); }
};
using OwnedMediaType = std::unique_ptr<AM_MEDIA_TYPE, MediaTypeDeleter>;

// The names V4L2 tools give these formats, which users of camera programs know.
QString FormatName(const GUID& subtype) {
    if (subtype == MEDIASUBTYPE_MJPG)
        return "MJPEG";
    if (subtype == MEDIASUBTYPE_YUY2)
        return "YUYV";
    if (subtype == MEDIASUBTYPE_UYVY)
        return "UYVY";
    if (subtype == MEDIASUBTYPE_NV12)
        return "NV12";
    if (subtype == MEDIASUBTYPE_I420 || subtype == MEDIASUBTYPE_IYUV)
        return "YU12";
    return "RGB24";
}

QString RateText(REFERENCE_TIME frameTime) {
    const double rate = 10'000'000.0 / static_cast<double>(frameTime);
    if (std::abs(rate - std::round(rate)) < 0.005)
        return QString::number(std::lround(rate));
    return QString::number(rate, 'f', 2).replace('.', ',');
}

} // namespace

QString CameraModeCaption(const VideoFormat& mode) {
    QString caption = QString::fromUtf8("%1 × %2, ").arg(mode.width).arg(mode.height);
    if (mode.averageTimePerFrame > 0)
        caption += QString::fromUtf8("%1 kl./s, ").arg(RateText(mode.averageTimePerFrame));
    return caption + FormatName(mode.subtype);
}

CameraModes ReadCameraModes(IAMStreamConfig* config) {
    CameraModes modes;
    if (!config)
        return modes;
    int count = 0;
    int capsSize = 0;
    if (FAILED(config->GetNumberOfCapabilities(&count, &capsSize)))
        return modes;
    std::vector<uint8_t> caps(static_cast<size_t>(std::max(capsSize, 0)));
    for (int index = 0; index < count; ++index) {
        AM_MEDIA_TYPE* received = nullptr;
        if (config->GetStreamCaps(index, &received, caps.data()) != S_OK)
            continue;
        const OwnedMediaType type(received);
        if (const auto mode = AnyVideoFormatOf(*type))
            modes.offered.push_back(*mode);
    }
    AM_MEDIA_TYPE* received = nullptr;
    if (SUCCEEDED(config->GetFormat(&received)) && received) {
        const OwnedMediaType type(received);
        modes.current = AnyVideoFormatOf(*type);
    }
    return modes;
}

bool ChooseCameraMode(IAMStreamConfig* config, const VideoFormat& mode) {
    if (!config)
        return false;
    const OwnedMediaType type(CreateVideoMediaType(mode));
    return type && SUCCEEDED(config->SetFormat(type.get()));
}
