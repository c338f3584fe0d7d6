#pragma once

#include "platform/media/core/MediaType.h"

#include <optional>

// How a camera's YUV encodes its colours, as a V4L2 driver reports them: the matrix
// (V4L2_YCBCR_ENC_601 or _709) and the quantization (V4L2_QUANTIZATION_LIM_RANGE, Y 16..235 and
// chroma 16..240, or _FULL_RANGE, 0..255). BT.601 limited is what cameras give unless they say.
enum class TYuvMatrix { Bt601, Bt709 };
enum class TYuvRange { Limited, Full };

struct TYuvEncoding {
    TYuvMatrix matrix = TYuvMatrix::Bt601;
    TYuvRange range = TYuvRange::Limited;

    friend bool operator==(const TYuvEncoding&, const TYuvEncoding&) = default;
};

// One picture format a capture source offers, at a size and a frame rate: 24-bit RGB (blue,
// green, red), bottom-up, or a camera's own YUY2, UYVY, NV12, I420 (top-down, rows as long as
// the width needs) or MJPG, which a converter inserted downstream turns into RGB.
struct VideoFormat {
    int32_t width = 0;
    int32_t height = 0;
    REFERENCE_TIME averageTimePerFrame = 0; // 100 ns units; 0 = not known
    GUID subtype = MEDIASUBTYPE_RGB24;
    TYuvEncoding encoding{}; // for the YUV subtypes

    friend bool operator==(const VideoFormat&, const VideoFormat&) = default;
};

// Whether the subtype is one of the YUV formats a VideoFormat holds, whose encoding counts.
bool IsYuvSubtype(const GUID& subtype);

// Bytes in one row of a 24-bit RGB picture: rows are padded to 4 bytes.
int Rgb24Stride(int width);

// Bytes in one picture of the format (for MJPG, the most a frame may take); 0 when the size is
// not positive or would not fit in 32 bits.
uint32_t VideoImageSize(const VideoFormat& format);

// Fills type with the video-info media type of format; the format block comes from the task
// allocator. False (type untouched) when the size is not positive or the image would not fit
// in 32 bits.
bool FillVideoMediaType(const VideoFormat& format, AM_MEDIA_TYPE& type);
// The format a media type describes, when it is 24-bit RGB video in a video-info block.
std::optional<VideoFormat> VideoFormatOf(const AM_MEDIA_TYPE& type);
// The same for any subtype a VideoFormat can hold.
std::optional<VideoFormat> AnyVideoFormatOf(const AM_MEDIA_TYPE& type);

// A media type record from the task allocator, as media type enumerators hand them out, and
// its release (format block, object reference, record).
AM_MEDIA_TYPE* CreateVideoMediaType(const VideoFormat& format);
void DeleteMediaType(AM_MEDIA_TYPE* type) noexcept;
