#include "platform/media/core/VideoFormat.h"

#include "platform/com/TaskAllocator.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr int64_t kFramesPerSecondUnit = 10'000'000;

} // namespace

bool FillVideoMediaType(const VideoFormat& format, AM_MEDIA_TYPE& type) {
    if (format.width <= 0 || format.height <= 0)
        return false;
    const int64_t stride = (int64_t{format.width} * 3 + 3) / 4 * 4;
    const int64_t imageSize = stride * format.height;
    if (imageSize > std::numeric_limits<int32_t>::max())
        return false;
    auto* info = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    if (!info)
        return false;
    std::memset(info, 0, sizeof *info);
    info->AvgTimePerFrame = format.averageTimePerFrame;
    if (format.averageTimePerFrame > 0)
        info->dwBitRate = static_cast<DWORD>(
            std::min<int64_t>(imageSize * 8 * kFramesPerSecondUnit / format.averageTimePerFrame,
                              std::numeric_limits<DWORD>::max()));
    BITMAPINFOHEADER& header = info->bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = format.width;
    header.biHeight = format.height; // positive: bottom row first
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(imageSize);

    type = AM_MEDIA_TYPE{};
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_RGB24;
    type.bFixedSizeSamples = 1;
    type.bTemporalCompression = 0;
    type.lSampleSize = static_cast<ULONG>(imageSize);
    type.formattype = FORMAT_VideoInfo;
    type.cbFormat = sizeof(VIDEOINFOHEADER);
    type.pbFormat = reinterpret_cast<uint8_t*>(info);
    return true;
}

std::optional<VideoFormat> VideoFormatOf(const AM_MEDIA_TYPE& type) {
    if (type.majortype != MEDIATYPE_Video || type.subtype != MEDIASUBTYPE_RGB24 ||
        type.formattype != FORMAT_VideoInfo || type.cbFormat < sizeof(VIDEOINFOHEADER) || !type.pbFormat)
        return std::nullopt;
    VIDEOINFOHEADER info;
    std::memcpy(&info, type.pbFormat, sizeof info);
    if (info.bmiHeader.biBitCount != 24 || info.bmiHeader.biCompression != BI_RGB)
        return std::nullopt;
    return VideoFormat{info.bmiHeader.biWidth, info.bmiHeader.biHeight, info.AvgTimePerFrame};
}

AM_MEDIA_TYPE* CreateVideoMediaType(const VideoFormat& format) {
    auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!type)
        return nullptr;
    if (!FillVideoMediaType(format, *type)) {
        CoTaskMemFree(type);
        return nullptr;
    }
    return type;
}

void DeleteMediaType(AM_MEDIA_TYPE* type) noexcept {
    if (!type)
        return;
    FreeMediaType(*type);
    CoTaskMemFree(type);
}

int Rgb24Stride(int width) {
    return (width * 3 + 3) & ~3;
}
