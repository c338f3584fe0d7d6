#include "platform/media/core/VideoFormat.h"

#include "platform/com/TaskAllocator.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr int64_t kFramesPerSecondUnit = 10'000'000;

} // namespace

namespace {

// Bits a pixel takes on average in the subtype's pictures; 0 for a subtype not held.
uint16_t BitCount(const GUID& subtype) {
    if (subtype == MEDIASUBTYPE_RGB24 || subtype == MEDIASUBTYPE_MJPG)
        return 24;
    if (subtype == MEDIASUBTYPE_YUY2 || subtype == MEDIASUBTYPE_UYVY)
        return 16;
    if (subtype == MEDIASUBTYPE_NV12 || subtype == MEDIASUBTYPE_I420)
        return 12;
    return 0;
}

int64_t ImageSize(const VideoFormat& format) {
    const int64_t width = format.width;
    const int64_t height = format.height;
    const int64_t chroma = (width + 1) / 2 * ((height + 1) / 2);
    if (format.subtype == MEDIASUBTYPE_YUY2 || format.subtype == MEDIASUBTYPE_UYVY)
        return (width + 1) / 2 * 4 * height;
    if (format.subtype == MEDIASUBTYPE_NV12 || format.subtype == MEDIASUBTYPE_I420)
        return width * height + 2 * chroma;
    return (width * 3 + 3) / 4 * 4 * height; // RGB24, and a bound for MJPG
}

} // namespace

uint32_t VideoImageSize(const VideoFormat& format) {
    if (format.width <= 0 || format.height <= 0 || BitCount(format.subtype) == 0)
        return 0;
    const int64_t size = ImageSize(format);
    return size > std::numeric_limits<int32_t>::max() ? 0 : static_cast<uint32_t>(size);
}

bool FillVideoMediaType(const VideoFormat& format, AM_MEDIA_TYPE& type) {
    const int64_t imageSize = VideoImageSize(format);
    if (imageSize == 0)
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
    const bool rgb = format.subtype == MEDIASUBTYPE_RGB24;
    BITMAPINFOHEADER& header = info->bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = format.width;
    header.biHeight = format.height; // positive: bottom row first (YUV is top-down whatever the sign)
    header.biPlanes = 1;
    header.biBitCount = BitCount(format.subtype);
    header.biCompression = rgb ? BI_RGB : format.subtype.Data1; // the subtype's four-character code
    header.biSizeImage = static_cast<DWORD>(imageSize);

    type = AM_MEDIA_TYPE{};
    type.majortype = MEDIATYPE_Video;
    type.subtype = format.subtype;
    type.bFixedSizeSamples = format.subtype == MEDIASUBTYPE_MJPG ? 0 : 1;
    type.bTemporalCompression = 0;
    type.lSampleSize = static_cast<ULONG>(imageSize);
    type.formattype = FORMAT_VideoInfo;
    type.cbFormat = sizeof(VIDEOINFOHEADER);
    type.pbFormat = reinterpret_cast<uint8_t*>(info);
    return true;
}

std::optional<VideoFormat> AnyVideoFormatOf(const AM_MEDIA_TYPE& type) {
    const uint16_t bitCount = BitCount(type.subtype);
    if (type.majortype != MEDIATYPE_Video || bitCount == 0 || type.formattype != FORMAT_VideoInfo ||
        type.cbFormat < sizeof(VIDEOINFOHEADER) || !type.pbFormat)
        return std::nullopt;
    VIDEOINFOHEADER info;
    std::memcpy(&info, type.pbFormat, sizeof info);
    const bool rgb = type.subtype == MEDIASUBTYPE_RGB24;
    if (info.bmiHeader.biBitCount != bitCount || (rgb && info.bmiHeader.biCompression != BI_RGB))
        return std::nullopt;
    return VideoFormat{info.bmiHeader.biWidth, info.bmiHeader.biHeight, info.AvgTimePerFrame, type.subtype};
}

std::optional<VideoFormat> VideoFormatOf(const AM_MEDIA_TYPE& type) {
    if (type.subtype != MEDIASUBTYPE_RGB24)
        return std::nullopt;
    return AnyVideoFormatOf(type);
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
