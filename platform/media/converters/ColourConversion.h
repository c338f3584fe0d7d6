#pragma once

#include "platform/media/converters/YuvEncoding.h"
#include "platform/media/core/VideoFormat.h"

#include <cstdint>

// Pixel conversions of the colour converter filter: camera formats to 24-bit RGB (bytes blue,
// green, red) in bottom-up rows padded to 4 bytes, as the rest of the graph expects; the padding
// bytes are left as they are. Sources are top-down, as cameras deliver them. YUV is decoded as
// `encoding` says, by the row loops of the active instruction-set level (YuvRowKernels.h).

// Packed 4:2:2, bytes Y0 U Y1 V (YUY2, also called YUYV). `sourceStride` is bytes per row.
void Yuy2ToRgb24(const uint8_t* source, int sourceStride, int width, int height, uint8_t* target,
                 TYuvEncoding encoding = {});
// Packed 4:2:2, bytes U Y0 V Y1 (UYVY).
void UyvyToRgb24(const uint8_t* source, int sourceStride, int width, int height, uint8_t* target,
                 TYuvEncoding encoding = {});
// 4:2:0 with the planes of YuvPlanes.h; `lumaStride` is bytes per row of the luma plane, the
// bytesperline V4L2 gives.
void Nv12ToRgb24(const uint8_t* source, int lumaStride, int width, int height, uint8_t* target,
                 TYuvEncoding encoding = {});
void I420ToRgb24(const uint8_t* source, int lumaStride, int width, int height, uint8_t* target,
                 TYuvEncoding encoding = {});
// 32-bit blue, green, red, unused; `sourceTopDown` false for bottom-up source rows.
void Rgb32ToRgb24(const uint8_t* source, int sourceStride, int width, int height, bool sourceTopDown,
                  uint8_t* target);
