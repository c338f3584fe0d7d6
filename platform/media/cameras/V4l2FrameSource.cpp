#include "platform/media/cameras/V4l2FrameSource.h"

#include "platform/media/cameras/V4l2FrameInterval.h"
#include "platform/media/core/VideoFormat.h"
#include "platform/media/sources/FramePlanes.h"

#include <cerrno>
#include <cstring>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

constexpr uint32_t kBufferCount = 4;
constexpr int kPollMilliseconds = 2000;
// A camera silent for this many polls in a row has failed.
constexpr int kQuietWaitsAllowed = 5;

HRESULT ResultOf(int error) {
    switch (error) {
    case EBUSY:
        return HRESULT_ERROR_BUSY;
    case ENODEV:
    case ENOENT:
    case ENXIO:
        return VFW_E_NO_CAPTURE_HARDWARE;
    case ENOMEM:
        return E_OUTOFMEMORY;
    default:
        return VFW_E_RUNTIME_ERROR;
    }
}

bool Compressed(uint32_t pixelFormat) {
    return pixelFormat == V4L2_PIX_FMT_MJPEG || pixelFormat == V4L2_PIX_FMT_JPEG;
}

// The shortest row the device may report for the format at the width.
uint32_t LeastBytesPerLine(uint32_t pixelFormat, uint32_t width) {
    if (pixelFormat == V4L2_PIX_FMT_BGR24)
        return width * 3;
    const auto planes = FramePlanesOf(pixelFormat, 0, width, 1);
    return planes.empty() ? 0 : static_cast<uint32_t>(planes.front().rowBytes);
}

} // namespace

V4l2FrameSource::V4l2FrameSource(std::shared_ptr<V4l2Access> access, std::string path,
                                 const VideoFormat& format, uint32_t pixelFormat)
    : access_(std::move(access)), path_(std::move(path)), format_(format), pixelFormat_(pixelFormat),
      wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

V4l2FrameSource::~V4l2FrameSource() {
    if (streaming_) {
        int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        Ioctl(VIDIOC_STREAMOFF, &type);
    }
    for (const Mapping& mapping : mappings_)
        access_->Munmap(mapping.address, mapping.length);
    if (fd_ >= 0)
        access_->Close(fd_);
    if (wake_ >= 0)
        close(wake_);
}

bool V4l2FrameSource::Ioctl(unsigned long request, void* argument) const {
    int result;
    do
        result = access_->Ioctl(fd_, request, argument);
    while (result == -1 && errno == EINTR);
    return result != -1;
}

HRESULT V4l2FrameSource::Start() {
    if (wake_ < 0)
        return ResultOf(errno);
    fd_ = access_->Open(path_);
    if (fd_ < 0)
        return ResultOf(errno);

    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format.fmt.pix.width = static_cast<uint32_t>(format_.width);
    format.fmt.pix.height = static_cast<uint32_t>(format_.height);
    format.fmt.pix.pixelformat = pixelFormat_;
    format.fmt.pix.field = V4L2_FIELD_ANY;
    if (!Ioctl(VIDIOC_S_FMT, &format))
        return ResultOf(errno);
    // The downstream filters expect exactly the connected picture.
    if (format.fmt.pix.pixelformat != pixelFormat_ ||
        format.fmt.pix.width != static_cast<uint32_t>(format_.width) ||
        format.fmt.pix.height != static_cast<uint32_t>(format_.height))
        return VFW_E_TYPE_NOT_ACCEPTED;
    bytesPerLine_ =
        std::max(format.fmt.pix.bytesperline, LeastBytesPerLine(pixelFormat_, format.fmt.pix.width));
    AskForFastestInterval();

    v4l2_requestbuffers request{};
    request.count = kBufferCount;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    if (!Ioctl(VIDIOC_REQBUFS, &request))
        return ResultOf(errno);
    if (request.count == 0)
        return E_OUTOFMEMORY;
    for (uint32_t index = 0; index < request.count; ++index) {
        v4l2_buffer buffer{};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        buffer.index = index;
        if (!Ioctl(VIDIOC_QUERYBUF, &buffer))
            return ResultOf(errno);
        void* address = access_->Mmap(fd_, buffer.length, buffer.m.offset);
        if (!address)
            return ResultOf(errno);
        mappings_.push_back({address, buffer.length});
        if (!Ioctl(VIDIOC_QBUF, &buffer))
            return ResultOf(errno);
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (!Ioctl(VIDIOC_STREAMON, &type))
        return ResultOf(errno);
    streaming_ = true;
    frame_.resize(VideoImageSize(format_));
    return S_OK;
}

// A camera otherwise keeps whatever rate it last had, often a slow default. A device that
// refuses keeps its rate: that is no reason not to stream.
void V4l2FrameSource::AskForFastestInterval() {
    const auto ioctl = [this](unsigned long request, void* argument) { return Ioctl(request, argument); };
    const auto fastest = FastestV4l2Interval(ioctl, pixelFormat_, static_cast<uint32_t>(format_.width),
                                             static_cast<uint32_t>(format_.height));
    v4l2_streamparm parameters{};
    parameters.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (fastest) {
        parameters.parm.capture.timeperframe = {fastest->numerator, fastest->denominator};
        Ioctl(VIDIOC_S_PARM, &parameters);
    }
    // What the device took, read back rather than assumed.
    parameters = {};
    parameters.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (Ioctl(VIDIOC_G_PARM, &parameters)) {
        const v4l2_fract& taken = parameters.parm.capture.timeperframe;
        frameInterval_ = IntervalTime({taken.numerator, taken.denominator});
    }
}

void V4l2FrameSource::ReadCounters(NamedCounters& counters) const {
    counters.emplace_back("frames_delivered", FramesDelivered());
    counters.emplace_back("damaged_frames_dropped", FramesDamaged());
    counters.emplace_back("frames_missed", framesMissed_.load(std::memory_order_relaxed));
}

void V4l2FrameSource::Wake() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(wake_, &one, sizeof one);
}

FrameSource::Outcome V4l2FrameSource::Failure(int error) {
    if (error == ENODEV)
        return Outcome::DeviceLost;
    lastError_ = ResultOf(error);
    return Outcome::Failed;
}

FrameSource::Outcome V4l2FrameSource::Next(const FrameHandler& handler) {
    for (;;) {
        pollfd descriptors[2] = {{fd_, POLLIN, 0}, {wake_, POLLIN, 0}};
        const int ready = access_->Poll(descriptors, 2, kPollMilliseconds);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return Failure(errno);
        }
        if (descriptors[1].revents)
            return Outcome::Stopped;
        if (ready == 0) {
            if (++quietWaits_ >= kQuietWaitsAllowed) {
                lastError_ = VFW_E_TIMEOUT;
                return Outcome::Failed;
            }
            continue;
        }
        quietWaits_ = 0;

        v4l2_buffer buffer{};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        if (!Ioctl(VIDIOC_DQBUF, &buffer)) {
            // Woken with nothing to take. A device that reports an error condition has nothing
            // to give later either: polling it again would return at once, for ever.
            if (errno == EAGAIN && !(descriptors[0].revents & (POLLERR | POLLHUP | POLLNVAL)))
                continue;
            return Failure(errno == EAGAIN ? EIO : errno);
        }
        if (buffer.index >= mappings_.size())
            return Failure(EIO);
        framesDelivered_.fetch_add(1, std::memory_order_relaxed);
        // The driver numbers its frames; a gap is frames it captured that never reached us.
        if (sequenced_ && buffer.sequence > lastSequence_ + 1)
            framesMissed_.fetch_add(buffer.sequence - lastSequence_ - 1, std::memory_order_relaxed);
        sequenced_ = true;
        lastSequence_ = buffer.sequence;
        const size_t length = buffer.flags & V4L2_BUF_FLAG_ERROR
                                  ? 0
                                  : Pack(static_cast<const uint8_t*>(mappings_[buffer.index].address),
                                         std::min<size_t>(buffer.bytesused, mappings_[buffer.index].length));
        // The buffer goes back to the device before the frame goes downstream.
        if (!Ioctl(VIDIOC_QBUF, &buffer))
            return Failure(errno);
        if (length == 0) {
            framesDamaged_.fetch_add(1, std::memory_order_relaxed);
            continue; // a damaged or short frame is dropped
        }
        // Drivers stamp most frames on the monotonic clock as they are captured; others count not.
        captureTime_ =
            (buffer.flags & V4L2_BUF_FLAG_TIMESTAMP_MASK) == V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC
                ? int64_t{buffer.timestamp.tv_sec} * 1'000'000'000 + buffer.timestamp.tv_usec * 1000
                : 0;
        handler(frame_.data(), static_cast<int32_t>(length));
        return Outcome::Frame;
    }
}

size_t V4l2FrameSource::Pack(const uint8_t* data, size_t used) {
    const size_t width = static_cast<size_t>(format_.width);
    const size_t height = static_cast<size_t>(format_.height);
    if (Compressed(pixelFormat_)) {
        if (used == 0 || used > frame_.size())
            return 0;
        std::memcpy(frame_.data(), data, used);
        return used;
    }
    if (pixelFormat_ == V4L2_PIX_FMT_BGR24) {
        if (used < size_t{bytesPerLine_} * (height - 1) + width * 3)
            return 0;
        ToBottomUpBgr(pixelFormat_, data, bytesPerLine_, format_.width, format_.height, frame_.data());
        return frame_.size();
    }
    const std::vector<FramePlane> planes = FramePlanesOf(pixelFormat_, bytesPerLine_, width, height);
    if (planes.empty() || used < FrameBytesNeeded(planes))
        return 0;
    return PackFramePlanes(data, planes, frame_.data());
}
