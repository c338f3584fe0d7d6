#pragma once

#include <cstddef>

// Where the planes of a 4:2:0 picture lie in its one buffer, as V4L2 lays out the single-planar
// NV12 (a luma plane, then interleaved U V rows) and YU12 (a luma plane, then a U plane and a V
// plane, also called I420 or IYUV). Chroma has (height + 1) / 2 rows of (width + 1) / 2 samples.
// The chroma strides follow from the luma stride: NV12's U V rows are as long as the luma rows,
// YU12's U and V rows half as long, each rounded up so that an odd width's last sample fits.
struct TPlanes420 {
    size_t lumaStride = 0;
    size_t chromaStride = 0; // of NV12's U V rows, of each of YU12's U and V rows
    size_t chromaRows = 0;
    size_t uOffset = 0; // the first chroma byte of U (NV12: of the U V plane)
    size_t vOffset = 0; // the first byte of V (NV12: uOffset + 1)
    size_t size = 0;    // bytes in the whole picture
};

TPlanes420 Nv12Planes(int lumaStride, int height);
TPlanes420 I420Planes(int lumaStride, int height);
