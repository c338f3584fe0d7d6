#pragma once

#include "platform/media/core/VideoFormat.h"

#include <cstdint>

// Pixel conversions of the colour converter filter: camera formats to 24-bit RGB (bytes blue,
// green, red) in bottom-up rows padded to 4 bytes, as the rest of the graph expects. Sources
// are top-down, as cameras deliver them. YUV uses the BT.601 studio range (Y 16..235).

// Packed 4:2:2, bytes Y0 U Y1 V (YUY2, also called YUYV). `sourceStride` is bytes per row.
void Yuy2ToRgb24(const uint8_t* source, int sourceStride, int width, int height, uint8_t* target);
// Packed 4:2:2, bytes U Y0 V Y1 (UYVY).
void UyvyToRgb24(const uint8_t* source, int sourceStride, int width, int height, uint8_t* target);
// 32-bit blue, green, red, unused; `sourceTopDown` false for bottom-up source rows.
void Rgb32ToRgb24(const uint8_t* source, int sourceStride, int width, int height, bool sourceTopDown,
                  uint8_t* target);
