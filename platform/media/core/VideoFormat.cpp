#include "platform/media/core/VideoFormat.h"

#include "platform/com/TaskAllocator.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr int64_t kFramesPerSecondUnit = 10'000'000;

// A video-info-2 block's control flags carry the colour encoding as the published extended
// format does: a flag that it is there, then from bit 12 the nominal range (1 full, 2 limited)
// and from bit 15 the matrix (1 BT.709, 2 BT.601).
constexpr DWORD kColourInfoPresent = 0x80;
constexpr int kRangeShift = 12;
constexpr int kMatrixShift = 15;
constexpr DWORD kRangeFull = 1, kRangeLimited = 2;
constexpr DWORD kMatrixBt709 = 1, kMatrixBt601 = 2;

DWORD ControlFlags(TYuvEncoding encoding) {
    const DWORD range = encoding.range == TYuvRange::Full ? kRangeFull : kRangeLimited;
    const DWORD matrix = encoding.matrix == TYuvMatrix::Bt709 ? kMatrixBt709 : kMatrixBt601;
    return kColourInfoPresent | range << kRangeShift | matrix << kMatrixShift;
}

// Fields left unknown keep what cameras give unless they say.
TYuvEncoding EncodingOf(DWORD flags) {
    TYuvEncoding encoding;
    if (!(flags & kColourInfoPresent))
        return encoding;
    if ((flags >> kRangeShift & 7) == kRangeFull)
        encoding.range = TYuvRange::Full;
    if ((flags >> kMatrixShift & 7) == kMatrixBt709)
        encoding.matrix = TYuvMatrix::Bt709;
    return encoding;
}

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
    // A YUV encoding other than the usual needs the second video-info block, which can carry it.
    const bool second = IsYuvSubtype(format.subtype) && format.encoding != TYuvEncoding{};
    const size_t blockSize = second ? sizeof(VIDEOINFOHEADER2) : sizeof(VIDEOINFOHEADER);
    auto* block = static_cast<uint8_t*>(CoTaskMemAlloc(blockSize));
    if (!block)
        return false;
    std::memset(block, 0, blockSize);
    DWORD bitRate = 0;
    if (format.averageTimePerFrame > 0)
        bitRate = static_cast<DWORD>(
            std::min<int64_t>(imageSize * 8 * kFramesPerSecondUnit / format.averageTimePerFrame,
                              std::numeric_limits<DWORD>::max()));
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = format.width;
    header.biHeight = format.height; // positive: bottom row first (YUV is top-down whatever the sign)
    header.biPlanes = 1;
    header.biBitCount = BitCount(format.subtype);
    header.biCompression = format.subtype == MEDIASUBTYPE_RGB24 ? BI_RGB : format.subtype.Data1; // its FourCC
    header.biSizeImage = static_cast<DWORD>(imageSize);
    if (second) {
        auto* info = reinterpret_cast<VIDEOINFOHEADER2*>(block);
        info->AvgTimePerFrame = format.averageTimePerFrame;
        info->dwBitRate = bitRate;
        info->dwControlFlags = ControlFlags(format.encoding);
        info->bmiHeader = header;
    } else {
        auto* info = reinterpret_cast<VIDEOINFOHEADER*>(block);
        info->AvgTimePerFrame = format.averageTimePerFrame;
        info->dwBitRate = bitRate;
        info->bmiHeader = header;
    }

    type = AM_MEDIA_TYPE{};
    type.majortype = MEDIATYPE_Video;
    type.subtype = format.subtype;
    type.bFixedSizeSamples = format.subtype == MEDIASUBTYPE_MJPG ? 0 : 1;
    type.bTemporalCompression = 0;
    type.lSampleSize = static_cast<ULONG>(imageSize);
    type.formattype = second ? FORMAT_VideoInfo2 : FORMAT_VideoInfo;
    type.cbFormat = static_cast<ULONG>(blockSize);
    type.pbFormat = block;
    return true;
}

std::optional<VideoFormat> AnyVideoFormatOf(const AM_MEDIA_TYPE& type) {
    const uint16_t bitCount = BitCount(type.subtype);
    if (type.majortype != MEDIATYPE_Video || bitCount == 0 || !type.pbFormat)
        return std::nullopt;
    BITMAPINFOHEADER header;
    VideoFormat format;
    if (type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
        VIDEOINFOHEADER info;
        std::memcpy(&info, type.pbFormat, sizeof info);
        header = info.bmiHeader;
        format.averageTimePerFrame = info.AvgTimePerFrame;
    } else if (type.formattype == FORMAT_VideoInfo2 && type.cbFormat >= sizeof(VIDEOINFOHEADER2) &&
               IsYuvSubtype(type.subtype)) {
        VIDEOINFOHEADER2 info;
        std::memcpy(&info, type.pbFormat, sizeof info);
        header = info.bmiHeader;
        format.averageTimePerFrame = info.AvgTimePerFrame;
        format.encoding = EncodingOf(info.dwControlFlags);
    } else {
        return std::nullopt;
    }
    const bool rgb = type.subtype == MEDIASUBTYPE_RGB24;
    if (header.biBitCount != bitCount || (rgb && header.biCompression != BI_RGB))
        return std::nullopt;
    format.width = header.biWidth;
    format.height = header.biHeight;
    format.subtype = type.subtype;
    return format;
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

bool IsYuvSubtype(const GUID& subtype) {
    return subtype == MEDIASUBTYPE_YUY2 || subtype == MEDIASUBTYPE_UYVY || subtype == MEDIASUBTYPE_NV12 ||
           subtype == MEDIASUBTYPE_I420;
}

int Rgb24Stride(int width) {
    return (width * 3 + 3) & ~3;
}
