#include "tests/media/support/FakeV4l2Access.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <linux/videodev2.h>
#include <poll.h>

namespace {

// The node's own pixel formats in the order of their first mode.
std::vector<uint32_t> NativeFormats(const FakeV4l2Node& node) {
    if (node.nativeModes.empty())
        return {V4L2_PIX_FMT_YUYV};
    std::vector<uint32_t> formats;
    for (const auto& mode : node.nativeModes)
        if (std::find(formats.begin(), formats.end(), mode.pixelFormat) == formats.end())
            formats.push_back(mode.pixelFormat);
    return formats;
}

std::vector<std::pair<uint32_t, uint32_t>> NativeSizes(const FakeV4l2Node& node, uint32_t pixelFormat) {
    std::vector<std::pair<uint32_t, uint32_t>> sizes;
    for (const auto& mode : node.nativeModes) {
        const std::pair size{mode.width, mode.height};
        if (mode.pixelFormat == pixelFormat && std::find(sizes.begin(), sizes.end(), size) == sizes.end())
            sizes.push_back(size);
    }
    return sizes;
}

} // namespace

void FakeV4l2Access::SetNodes(std::vector<FakeV4l2Node> nodes) {
    std::lock_guard lock(mutex_);
    nodes_ = std::move(nodes);
    // A node that appears starts with its controls at their defaults, as a driver loaded anew.
    std::map<std::string, std::vector<ControlState>> controls;
    for (const FakeV4l2Node& node : nodes_) {
        if (const auto kept = controls_.find(node.path); kept != controls_.end()) {
            controls[node.path] = std::move(kept->second);
            continue;
        }
        auto& states = controls[node.path];
        for (const FakeV4l2Control& control : node.controls)
            states.push_back({control, control.defaultValue});
    }
    controls_ = std::move(controls);
}

int FakeV4l2Access::OpenDescriptors() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(open_.size());
}

std::vector<std::string> FakeV4l2Access::VideoNodes() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> paths;
    for (const auto& node : nodes_)
        paths.push_back(node.path);
    return paths;
}

std::string FakeV4l2Access::StableIdentity(const std::string& path) {
    std::lock_guard lock(mutex_);
    for (const auto& node : nodes_)
        if (node.path == path && !node.identity.empty())
            return node.identity;
    return path;
}

std::string FakeV4l2Access::ResolveIdentity(const std::string& identity) {
    std::lock_guard lock(mutex_);
    for (const auto& node : nodes_)
        if (node.identity == identity || node.path == identity)
            return node.path;
    return {};
}

int FakeV4l2Access::Open(const std::string& path) {
    std::lock_guard lock(mutex_);
    const auto node =
        std::find_if(nodes_.begin(), nodes_.end(), [&](const auto& n) { return n.path == path; });
    if (node == nodes_.end()) {
        errno = ENOENT;
        return -1;
    }
    if (node->failsToOpen) {
        errno = EBUSY;
        return -1;
    }
    const int fd = nextFd_++;
    OpenNode open;
    open.node = *node;
    open.interval = node->defaultInterval;
    open_.emplace(fd, std::move(open));
    return fd;
}

int FakeV4l2Access::Close(int fd) {
    std::lock_guard lock(mutex_);
    const auto found = open_.find(fd);
    if (found == open_.end()) {
        errno = EBADF;
        return -1;
    }
    const FakeV4l2Node node = found->second.node;
    open_.erase(found);
    if (node.loopback)
        LoopbackClosed(fd, node);
    return 0;
}

int FakeV4l2Access::Ioctl(int fd, unsigned long request, void* argument) {
    std::lock_guard lock(mutex_);
    const auto found = open_.find(fd);
    if (found == open_.end()) {
        errno = EBADF;
        return -1;
    }
    const FakeV4l2Node& node = found->second.node;
    if (node.loopback)
        return LoopbackIoctl(fd, node, request, argument);
    errno = EINVAL;
    switch (request) {
    case VIDIOC_QUERYCAP: {
        auto* cap = static_cast<v4l2_capability*>(argument);
        std::memset(cap, 0, sizeof *cap);
        // A driver may fill the card field to its last byte, leaving no NUL.
        std::memcpy(cap->card, node.card.data(), std::min(node.card.size(), sizeof cap->card));
        std::memcpy(cap->driver, "fake", 4);
        std::memcpy(cap->bus_info, node.busInfo.data(), std::min(node.busInfo.size(), sizeof cap->bus_info));
        cap->device_caps = node.deviceCaps;
        cap->capabilities = node.deviceCaps | V4L2_CAP_DEVICE_CAPS;
        return 0;
    }
    case VIDIOC_ENUM_FMT: {
        auto* description = static_cast<v4l2_fmtdesc*>(argument);
        const auto native = NativeFormats(node);
        if (description->index < native.size()) {
            description->pixelformat = native[description->index];
            return 0;
        }
        if (description->index == native.size() && node.offersBgr24) {
            description->pixelformat = V4L2_PIX_FMT_BGR24;
            description->flags = V4L2_FMT_FLAG_EMULATED;
            return 0;
        }
        return -1;
    }
    case VIDIOC_ENUM_FRAMESIZES: {
        auto* size = static_cast<v4l2_frmsizeenum*>(argument);
        const auto sizes =
            size->pixel_format == V4L2_PIX_FMT_BGR24 ? node.sizes : NativeSizes(node, size->pixel_format);
        if (size->index >= sizes.size())
            return -1;
        size->type = V4L2_FRMSIZE_TYPE_DISCRETE;
        size->discrete.width = sizes[size->index].first;
        size->discrete.height = sizes[size->index].second;
        return 0;
    }
    case VIDIOC_ENUM_FRAMEINTERVALS: {
        auto* interval = static_cast<v4l2_frmivalenum*>(argument);
        std::vector<std::pair<uint32_t, uint32_t>> intervals = node.intervals;
        if (interval->pixel_format != V4L2_PIX_FMT_BGR24) {
            intervals.clear();
            for (const auto& mode : node.nativeModes)
                if (mode.pixelFormat == interval->pixel_format && mode.width == interval->width &&
                    mode.height == interval->height)
                    intervals.push_back(mode.interval);
        }
        if (interval->index >= intervals.size())
            return -1;
        interval->type = V4L2_FRMIVAL_TYPE_DISCRETE;
        interval->discrete = {intervals[interval->index].first, intervals[interval->index].second};
        return 0;
    }
    case VIDIOC_G_FMT: {
        auto* format = static_cast<v4l2_format*>(argument);
        format->fmt.pix.width = 352;
        format->fmt.pix.height = 288;
        return 0;
    }
    case VIDIOC_TRY_FMT: {
        auto* format = static_cast<v4l2_format*>(argument);
        format->fmt.pix.colorspace = node.colourSpace;
        format->fmt.pix.ycbcr_enc = node.ycbcrEncoding;
        format->fmt.pix.quantization = node.quantization;
        format->fmt.pix.priv = V4L2_PIX_FMT_PRIV_MAGIC;
        return 0;
    }
    case VIDIOC_QUERY_EXT_CTRL:
    case VIDIOC_QUERYMENU:
    case VIDIOC_G_EXT_CTRLS:
    case VIDIOC_S_EXT_CTRLS:
    case VIDIOC_SUBSCRIBE_EVENT:
    case VIDIOC_DQEVENT:
        return ControlIoctl(found->second, request, argument);
    default:
        return Stream(found->second, request, argument);
    }
}

int FakeV4l2Access::Stream(OpenNode& open, unsigned long request, void* argument) {
    constexpr uint32_t kOffsetStep = 0x100000;
    errno = EINVAL;
    switch (request) {
    case VIDIOC_S_FMT: {
        if (open.node.busy) {
            errno = EBUSY;
            return -1;
        }
        auto* format = static_cast<v4l2_format*>(argument);
        const uint32_t wanted = format->fmt.pix.pixelformat;
        const auto native =
            open.node.nativeModes.empty() ? std::vector<uint32_t>{} : NativeFormats(open.node);
        open.pixelFormat =
            std::find(native.begin(), native.end(), wanted) != native.end() ? wanted : V4L2_PIX_FMT_BGR24;
        open.width = format->fmt.pix.width;
        open.height = format->fmt.pix.height;
        const bool planar = open.pixelFormat == V4L2_PIX_FMT_NV12 || open.pixelFormat == V4L2_PIX_FMT_YUV420;
        const bool packed = open.pixelFormat == V4L2_PIX_FMT_YUYV || open.pixelFormat == V4L2_PIX_FMT_UYVY;
        open.bytesPerLine =
            open.pixelFormat == V4L2_PIX_FMT_BGR24
                ? open.width * 3
                : (planar ? open.width : open.width * (packed ? 2 : 3)) + open.node.linePadding;
        open.imageSize = size_t{open.bytesPerLine} * (planar ? open.height * 3 / 2 : open.height);
        format->fmt.pix.pixelformat = open.pixelFormat;
        format->fmt.pix.bytesperline = open.bytesPerLine;
        return 0;
    }
    case VIDIOC_S_PARM:
    case VIDIOC_G_PARM: {
        auto* parameters = static_cast<v4l2_streamparm*>(argument);
        if (request == VIDIOC_S_PARM) {
            if (open.node.refusesInterval)
                return -1;
            const v4l2_fract wanted = parameters->parm.capture.timeperframe;
            // It takes a listed interval asked for exactly and keeps its own otherwise.
            for (const auto& listed : open.node.intervals)
                if (uint64_t{listed.first} * wanted.denominator == uint64_t{wanted.numerator} * listed.second)
                    open.interval = listed;
        }
        parameters->parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
        parameters->parm.capture.timeperframe = {open.interval.first, open.interval.second};
        return 0;
    }
    case VIDIOC_REQBUFS: {
        auto* request = static_cast<v4l2_requestbuffers*>(argument);
        open.buffers.assign(request->count, std::vector<uint8_t>(open.imageSize));
        return 0;
    }
    case VIDIOC_QUERYBUF: {
        auto* buffer = static_cast<v4l2_buffer*>(argument);
        if (buffer->index >= open.buffers.size())
            return -1;
        buffer->length = static_cast<uint32_t>(open.buffers[buffer->index].size());
        buffer->m.offset = buffer->index * kOffsetStep;
        return 0;
    }
    case VIDIOC_QBUF: {
        auto* buffer = static_cast<v4l2_buffer*>(argument);
        if (open.unplugged) {
            errno = ENODEV;
            return -1;
        }
        if (buffer->index >= open.buffers.size())
            return -1;
        open.queued.push_back(buffer->index);
        return 0;
    }
    case VIDIOC_DQBUF: {
        if (open.unplugged || open.streamingError) {
            errno = open.unplugged ? ENODEV : open.streamingError;
            return -1;
        }
        if (!open.streaming || open.queued.empty() || open.errorWithoutFrames) {
            errno = EAGAIN;
            return -1;
        }
        auto* buffer = static_cast<v4l2_buffer*>(argument);
        buffer->index = open.queued.front();
        open.queued.erase(open.queued.begin());
        std::vector<uint8_t>& bytes = open.buffers[buffer->index];
        const size_t row = open.bytesPerLine;
        for (size_t r = 0; r < bytes.size() / row; ++r)
            std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(r * row), row, static_cast<uint8_t>(r));
        buffer->bytesused = static_cast<uint32_t>(bytes.size());
        if (const auto& compressed = open.node.compressedFrame; !compressed.empty()) {
            const size_t used = std::min(compressed.size(), bytes.size());
            std::copy_n(compressed.begin(), used, bytes.begin());
            buffer->bytesused = static_cast<uint32_t>(used);
        }
        buffer->flags = 0;
        open.sequence += 1 + open.framesToSkip;
        open.framesToSkip = 0;
        buffer->sequence = open.sequence;
        if (open.shortFrames > 0) {
            --open.shortFrames;
            buffer->bytesused /= 2;
        } else if (open.flaggedFrames > 0) {
            --open.flaggedFrames;
            buffer->flags = V4L2_BUF_FLAG_ERROR;
        }
        return 0;
    }
    case VIDIOC_STREAMON:
        open.streaming = true;
        return 0;
    case VIDIOC_STREAMOFF:
        open.streaming = false;
        open.queued.clear();
        return 0;
    default:
        errno = ENOTTY;
        return -1;
    }
}

void* FakeV4l2Access::Mmap(int fd, size_t length, int64_t offset) {
    std::lock_guard lock(mutex_);
    const auto found = open_.find(fd);
    const size_t index = static_cast<size_t>(offset) / 0x100000;
    if (found == open_.end() || index >= found->second.buffers.size() ||
        length > found->second.buffers[index].size()) {
        errno = EINVAL;
        return nullptr;
    }
    ++mappings_;
    return found->second.buffers[index].data();
}

int FakeV4l2Access::Munmap(void*, size_t) {
    std::lock_guard lock(mutex_);
    --mappings_;
    return 0;
}

bool FakeV4l2Access::Ready(const OpenNode& open) const {
    return open.unplugged || open.streamingError || open.errorWithoutFrames ||
           (open.streaming && !open.queued.empty());
}

int FakeV4l2Access::Poll(pollfd* descriptors, size_t count, int timeoutMilliseconds) {
    // The device descriptors are made up; the others (the wake-up) are real.
    std::vector<pollfd> real;
    std::vector<size_t> realIndex;
    int ready = 0;
    {
        std::lock_guard lock(mutex_);
        for (size_t k = 0; k < count; ++k) {
            descriptors[k].revents = 0;
            const auto found = open_.find(descriptors[k].fd);
            if (found == open_.end()) {
                real.push_back(descriptors[k]);
                realIndex.push_back(k);
            } else if (Ready(found->second)) {
                const bool error = found->second.unplugged || found->second.errorWithoutFrames;
                descriptors[k].revents = error ? POLLERR : POLLIN;
                ++ready;
            } else if ((descriptors[k].events & POLLPRI) && !found->second.events.empty()) {
                descriptors[k].revents = POLLPRI;
                ++ready;
            }
        }
    }
    const int others = ::poll(real.data(), real.size(), ready ? 0 : timeoutMilliseconds);
    if (others < 0)
        return -1;
    for (size_t k = 0; k < real.size(); ++k)
        descriptors[realIndex[k]].revents = real[k].revents;
    return ready + others;
}

void FakeV4l2Access::Unplug(const std::string& path) {
    std::lock_guard lock(mutex_);
    for (auto& [fd, open] : open_)
        if (open.node.path == path)
            open.unplugged = true;
    std::erase_if(nodes_, [&](const FakeV4l2Node& node) { return node.path == path; });
    controls_.erase(path);
}

void FakeV4l2Access::FailStreaming(const std::string& path, int error) {
    std::lock_guard lock(mutex_);
    for (auto& [fd, open] : open_)
        if (open.node.path == path)
            open.streamingError = error;
}

void FakeV4l2Access::DamageNextFrames(const std::string& path, int shortFrames, int flaggedFrames) {
    std::lock_guard lock(mutex_);
    for (auto& [fd, open] : open_)
        if (open.node.path == path) {
            open.shortFrames = shortFrames;
            open.flaggedFrames = flaggedFrames;
        }
}

void FakeV4l2Access::SkipFrames(const std::string& path, uint32_t count) {
    std::lock_guard lock(mutex_);
    for (auto& [fd, open] : open_)
        if (open.node.path == path)
            open.framesToSkip = count;
}

void FakeV4l2Access::ReportErrorWithoutFrames(const std::string& path) {
    std::lock_guard lock(mutex_);
    for (auto& [fd, open] : open_)
        if (open.node.path == path)
            open.errorWithoutFrames = true;
}

int FakeV4l2Access::Mappings() const {
    std::lock_guard lock(mutex_);
    return mappings_;
}

ScopedFakeV4l2::ScopedFakeV4l2(std::vector<FakeV4l2Node> nodes) : fake_(std::make_shared<FakeV4l2Access>()) {
    fake_->SetNodes(std::move(nodes));
    previous_ = V4l2Access::Install(fake_);
}

ScopedFakeV4l2::~ScopedFakeV4l2() {
    V4l2Access::Install(previous_);
}

ScopedEnvironment::ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) {
        hadValue_ = true;
        previous_ = old;
    }
    if (value)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
}

ScopedEnvironment::~ScopedEnvironment() {
    if (hadValue_)
        ::setenv(name_.c_str(), previous_.c_str(), 1);
    else
        ::unsetenv(name_.c_str());
}
