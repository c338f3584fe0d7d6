#pragma once

// libv4lconvert made without a camera, for benchmarks comparing our conversions with its own.

#include <libv4l-plugin.h>
#include <libv4lconvert.h>
#include <linux/videodev2.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>

// libv4lconvert asks its device what it is before it converts anything. The converter is made
// without a device (descriptor -1); this answers that it is a capture device and refuses every
// other request, so no controls or processing of a real camera's driver join in.
inline int AnswerAsCaptureDevice(void*, int, unsigned long request, void* argument) {
    if (request == VIDIOC_QUERYCAP) {
        auto* capability = static_cast<v4l2_capability*>(argument);
        std::memset(capability, 0, sizeof *capability);
        std::strcpy(reinterpret_cast<char*>(capability->driver), "bench");
        std::strcpy(reinterpret_cast<char*>(capability->card), "bench");
        capability->capabilities = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING | V4L2_CAP_DEVICE_CAPS;
        capability->device_caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
        return 0;
    }
    errno = ENOTTY;
    return -1;
}

struct ConverterRelease {
    void operator()(v4lconvert_data* data) const { v4lconvert_destroy(data); }
};

using V4lConverter = std::unique_ptr<v4lconvert_data, ConverterRelease>;

// A converter over the answering device above; null when libv4lconvert refuses.
inline V4lConverter CreateV4lConverter() {
    static const libv4l_dev_ops device = [] {
        libv4l_dev_ops ops{};
        ops.ioctl = AnswerAsCaptureDevice;
        return ops;
    }();
    return V4lConverter(v4lconvert_create_with_dev_ops(-1, nullptr, &device));
}

inline v4l2_format PixelFormat(uint32_t fourcc, int width, int height, uint32_t bytesPerLine,
                               size_t imageSize) {
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format.fmt.pix.width = static_cast<uint32_t>(width);
    format.fmt.pix.height = static_cast<uint32_t>(height);
    format.fmt.pix.pixelformat = fourcc;
    format.fmt.pix.field = V4L2_FIELD_NONE;
    format.fmt.pix.bytesperline = bytesPerLine;
    format.fmt.pix.sizeimage = static_cast<uint32_t>(imageSize);
    format.fmt.pix.colorspace = V4L2_COLORSPACE_SMPTE170M;
    return format;
}
