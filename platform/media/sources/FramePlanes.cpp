#include "platform/media/sources/FramePlanes.h"

#include "platform/media/core/VideoFormat.h"

#include <cstring>
#include <linux/videodev2.h>

std::vector<FramePlane> FramePlanesOf(uint32_t pixelFormat, size_t bytesPerLine, size_t width,
                                      size_t height) {
    const size_t halfWidth = (width + 1) / 2;
    const size_t chromaRows = (height + 1) / 2;
    const size_t luma = bytesPerLine * height;
    switch (pixelFormat) {
    case V4L2_PIX_FMT_YUYV:
    case V4L2_PIX_FMT_UYVY:
        return {{0, bytesPerLine, halfWidth * 4, height}};
    case V4L2_PIX_FMT_NV12:
        return {{0, bytesPerLine, width, height}, {luma, bytesPerLine, halfWidth * 2, chromaRows}};
    case V4L2_PIX_FMT_YUV420: {
        const size_t chromaStride = (bytesPerLine + 1) / 2;
        return {{0, bytesPerLine, width, height},
                {luma, chromaStride, halfWidth, chromaRows},
                {luma + chromaStride * chromaRows, chromaStride, halfWidth, chromaRows}};
    }
    default:
        return {};
    }
}

size_t FrameBytesNeeded(const std::vector<FramePlane>& planes) {
    const FramePlane& last = planes.back();
    return last.offset + last.stride * (last.rows - 1) + last.rowBytes;
}

bool FramePlanesPacked(const std::vector<FramePlane>& planes) {
    size_t next = 0;
    for (const FramePlane& plane : planes) {
        if (plane.offset != next || plane.stride != plane.rowBytes)
            return false;
        next += plane.rowBytes * plane.rows;
    }
    return true;
}

size_t PackFramePlanes(const uint8_t* data, const std::vector<FramePlane>& planes, uint8_t* target) {
    uint8_t* const start = target;
    for (const FramePlane& plane : planes)
        for (size_t row = 0; row < plane.rows; ++row, target += plane.rowBytes)
            std::memcpy(target, data + plane.offset + row * plane.stride, plane.rowBytes);
    return static_cast<size_t>(target - start);
}

bool ToBottomUpBgr(uint32_t pixelFormat, const uint8_t* data, size_t stride, int width, int height,
                   uint8_t* target) {
    const size_t targetStride = static_cast<size_t>(Rgb24Stride(width));
    const auto columns = static_cast<size_t>(width);
    for (int row = 0; row < height; ++row) {
        const uint8_t* in = data + static_cast<size_t>(row) * stride;
        uint8_t* out = target + static_cast<size_t>(height - 1 - row) * targetStride;
        switch (pixelFormat) {
        case V4L2_PIX_FMT_BGR24:
            std::memcpy(out, in, columns * 3);
            break;
        case V4L2_PIX_FMT_RGB24:
            for (size_t x = 0; x < columns; ++x, in += 3, out += 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
            break;
        case V4L2_PIX_FMT_GREY:
            for (size_t x = 0; x < columns; ++x, out += 3)
                out[0] = out[1] = out[2] = in[x];
            break;
        default:
            return false;
        }
    }
    return true;
}
