#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One plane of a YUV picture as a device lays it out: where it starts, the device's bytes from
// row to row, the bytes a row holds, and its rows. Downstream takes the rows back to back.
struct FramePlane {
    size_t offset;
    size_t stride;
    size_t rowBytes;
    size_t rows;
};

// The planes of a frame in a YUV pixel format (a V4L2 fourcc: YUYV, UYVY, NV12, YU12) with
// single-planar layout: the chroma rows follow the luma rows, NV12's as long as the luma's,
// YU12's half as long. Empty for other formats.
std::vector<FramePlane> FramePlanesOf(uint32_t pixelFormat, size_t bytesPerLine, size_t width, size_t height);

// The bytes a frame with these planes needs to be whole.
size_t FrameBytesNeeded(const std::vector<FramePlane>& planes);

// Whether the planes are already laid out as downstream takes them: no padding anywhere.
bool FramePlanesPacked(const std::vector<FramePlane>& planes);

// Copies the planes' rows back to back into target; the bytes written.
size_t PackFramePlanes(const uint8_t* data, const std::vector<FramePlane>& planes, uint8_t* target);

// Top-down rows of 24-bit RGB, BGR or 8-bit grey (a V4L2 fourcc: RGB3, BGR3, GREY) into the
// bottom-up 24-bit BGR rows, padded to 4 bytes, that downstream takes; false for other formats.
bool ToBottomUpBgr(uint32_t pixelFormat, const uint8_t* data, size_t stride, int width, int height,
                   uint8_t* target);
