#include "platform/media/outputs/LoopbackNode.h"

#include "platform/media/outputs/LoopbackDevices.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <linux/videodev2.h>

std::string LoopbackFormat::Text() const {
    std::string rate = std::to_string(interval.denominator) + "/" + std::to_string(interval.numerator);
    return "YUYV " + std::to_string(width) + "x" + std::to_string(height) + " " + rate;
}

LoopbackNode::LoopbackNode(std::shared_ptr<V4l2Access> access, std::string path, uint32_t width,
                           uint32_t height, V4l2Interval interval)
    : access_(std::move(access)), path_(std::move(path)) {
    fd_ = access_->OpenRaw(path_);
    if (fd_ < 0)
        Fail("cannot be opened", errno);
    try {
        SetSize(width, height);
        SetInterval(interval);
        // STREAMON makes this descriptor the device's writer, so that closing it announces the
        // output capability again for the next writer (with write(2) alone v4l2loopback 0.12 never
        // does); it also makes the device a camera for readers before the first frame. A driver
        // that refuses it is written to all the same.
        int type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
        Ioctl(VIDIOC_STREAMON, &type);
    } catch (...) {
        access_->Close(fd_);
        throw;
    }
}

LoopbackNode::~LoopbackNode() {
    access_->Close(fd_);
}

void LoopbackNode::SetSize(uint32_t width, uint32_t height) {
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
    format.fmt.pix.width = (width + 1) / 2 * 2;
    format.fmt.pix.height = height;
    format.fmt.pix.pixelformat = V4L2_PIX_FMT_YUYV;
    format.fmt.pix.field = V4L2_FIELD_NONE;
    format.fmt.pix.bytesperline = format.fmt.pix.width * 2;
    format.fmt.pix.sizeimage = format.fmt.pix.bytesperline * height;
    // What webcam clients assume of YUYV. (v4l2loopback 0.12 reports sRGB whatever it is told.)
    format.fmt.pix.colorspace = V4L2_COLORSPACE_SMPTE170M;
    format.fmt.pix.ycbcr_enc = V4L2_YCBCR_ENC_601;
    format.fmt.pix.quantization = V4L2_QUANTIZATION_LIM_RANGE;
    format.fmt.pix.xfer_func = V4L2_XFER_FUNC_709;
    if (!Ioctl(VIDIOC_S_FMT, &format))
        Fail("refuses the format YUYV " + std::to_string(width) + "x" + std::to_string(height), errno);
    if (format.fmt.pix.pixelformat != V4L2_PIX_FMT_YUYV)
        Fail("holds another pixel format than YUYV for its readers", 0);
    format_.width = format.fmt.pix.width;
    format_.height = format.fmt.pix.height;
    format_.bytesPerLine = std::max(format.fmt.pix.bytesperline, format_.width * 2);
    format_.imageSize = format_.bytesPerLine * format_.height;
}

void LoopbackNode::SetInterval(V4l2Interval interval) {
    v4l2_streamparm parameters{};
    parameters.type = V4L2_BUF_TYPE_VIDEO_OUTPUT;
    parameters.parm.output.timeperframe = {interval.numerator, interval.denominator};
    // A device that keeps its own rate is written to at the camera's all the same.
    Ioctl(VIDIOC_S_PARM, &parameters);
    format_.interval = interval;
}

bool LoopbackNode::Write(const uint8_t* frame) {
    // One write is one frame to the driver (cut to its buffer if longer), so a short write is
    // not continued.
    ssize_t written;
    do
        written = access_->Write(fd_, frame, format_.imageSize);
    while (written < 0 && errno == EINTR);
    if (written >= 0)
        return true;
    if (errno == EAGAIN)
        return false;
    Fail("cannot be written to", errno);
}

bool LoopbackNode::Ioctl(unsigned long request, void* argument) const {
    int result;
    do
        result = access_->Ioctl(fd_, request, argument);
    while (result == -1 && errno == EINTR);
    return result == 0;
}

void LoopbackNode::Fail(const std::string& what, int error) const {
    const std::string reason = error ? std::string(" (") + std::strerror(error) + ")" : std::string();
    throw VirtualCameraError("The virtual camera device " + path_ + " " + what + reason + ".");
}
