#pragma once

#include "platform/media/converters/YuvEncoding.h"

#include <cstdint>

// 24-bit blue, green, red pictures (rows of `sourceStride` bytes, bottom-up when `sourceBottomUp`
// as the graph's RGB24 frames are) to top-down YUV, as V4L2 devices take it: the reverse of the
// colour converter's conversions, by the row loops of the active instruction-set level
// (BgrToYuvKernels.h). Chroma is the rounded mean of the pixels that share it.

// Packed 4:2:2, bytes Y0 U Y1 V, each row (width + 1) / 2 pairs at `targetStride` bytes a row. An
// odd last column is paired with itself: its luma twice and its own chroma.
void Rgb24ToYuyv(const uint8_t* source, int sourceStride, bool sourceBottomUp, int width, int height,
                 uint8_t* target, int targetStride, TYuvEncoding encoding = {});
// Planar 4:2:0 in the layout of I420Planes(lumaStride, height) (YuvPlanes.h). An odd last
// column or row is paired with itself, so its chroma is its own pixels' mean.
void Rgb24ToI420(const uint8_t* source, int sourceStride, bool sourceBottomUp, int width, int height,
                 uint8_t* target, int lumaStride, TYuvEncoding encoding = {});
