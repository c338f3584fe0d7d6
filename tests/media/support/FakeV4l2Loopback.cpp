// The loopback side of FakeV4l2Access: nodes that answer as v4l2loopback 0.12 does.
#include "tests/media/support/FakeV4l2Access.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <linux/videodev2.h>

FakeLoopback& FakeV4l2Access::LoopbackOf(const FakeV4l2Node& node) {
    const auto [found, added] = loopbacks_.try_emplace(node.path);
    FakeLoopback& loopback = found->second;
    if (added) {
        loopback.otherHolders = node.otherHolders + (node.otherWriter ? 1 : 0);
        loopback.keepFormat = node.keepFormat;
        if (node.heldSize.first || node.otherWriter) {
            loopback.readyForCapture = true;
            loopback.width = node.heldSize.first ? node.heldSize.first : 640;
            loopback.height = node.heldSize.first ? node.heldSize.second : 480;
        }
        loopback.readyForOutput = !node.otherWriter;
    }
    return loopback;
}

FakeLoopback& FakeV4l2Access::LoopbackAt(const std::string& path) {
    for (const FakeV4l2Node& node : nodes_)
        if (node.path == path)
            return LoopbackOf(node);
    return loopbacks_[path];
}

int FakeV4l2Access::LoopbackIoctl(int fd, const FakeV4l2Node& node, unsigned long request, void* argument) {
    FakeLoopback& loopback = LoopbackOf(node);
    errno = EINVAL;
    switch (request) {
    case VIDIOC_QUERYCAP: {
        auto* cap = static_cast<v4l2_capability*>(argument);
        std::memset(cap, 0, sizeof *cap);
        std::memcpy(cap->driver, "v4l2 loopback", 13);
        std::memcpy(cap->card, node.card.data(), std::min(node.card.size(), sizeof cap->card));
        std::snprintf(reinterpret_cast<char*>(cap->bus_info), sizeof cap->bus_info,
                      "platform:v4l2loopback-%03d", node.loopbackNumber);
        uint32_t caps = V4L2_CAP_STREAMING | V4L2_CAP_READWRITE;
        if (!node.exclusiveCaps || loopback.readyForCapture)
            caps |= V4L2_CAP_VIDEO_CAPTURE;
        if (!node.exclusiveCaps || loopback.readyForOutput)
            caps |= V4L2_CAP_VIDEO_OUTPUT;
        cap->device_caps = caps;
        cap->capabilities = caps | V4L2_CAP_DEVICE_CAPS;
        return 0;
    }
    case VIDIOC_S_FMT: {
        auto* format = static_cast<v4l2_format*>(argument);
        if (format->type != V4L2_BUF_TYPE_VIDEO_OUTPUT)
            return -1;
        // A fixed format stays whatever is asked; otherwise the device takes the size.
        if (!loopback.readyForCapture) {
            loopback.width = format->fmt.pix.width;
            loopback.height = format->fmt.pix.height;
            loopback.colorspace = format->fmt.pix.colorspace;
        }
        format->fmt.pix.width = loopback.width;
        format->fmt.pix.height = loopback.height;
        format->fmt.pix.pixelformat = V4L2_PIX_FMT_YUYV;
        format->fmt.pix.bytesperline = loopback.width * 2;
        format->fmt.pix.sizeimage = loopback.width * 2 * loopback.height;
        format->fmt.pix.colorspace = V4L2_COLORSPACE_SRGB;
        loopback.events.push_back("S_FMT " + std::to_string(loopback.width) + "x" +
                                  std::to_string(loopback.height));
        return 0;
    }
    case VIDIOC_S_PARM: {
        auto* parameters = static_cast<v4l2_streamparm*>(argument);
        const v4l2_fract interval = parameters->parm.output.timeperframe;
        loopback.interval = {interval.numerator, interval.denominator};
        loopback.events.push_back("S_PARM " + std::to_string(interval.numerator) + "/" +
                                  std::to_string(interval.denominator));
        return 0;
    }
    case VIDIOC_STREAMON:
        loopback.writerFd = fd;
        loopback.readyForOutput = false;
        loopback.readyForCapture = true;
        loopback.events.push_back("STREAMON");
        return 0;
    default:
        errno = ENOTTY;
        return -1;
    }
}

void FakeV4l2Access::LoopbackClosed(int fd, const FakeV4l2Node& node) {
    FakeLoopback& loopback = LoopbackOf(node);
    loopback.events.push_back("close");
    if (loopback.writerFd == fd) {
        loopback.writerFd = -1;
        loopback.readyForOutput = true;
    }
    const bool held = std::any_of(open_.begin(), open_.end(),
                                  [&](const auto& open) { return open.second.node.path == node.path; });
    if (!held && loopback.otherHolders == 0 && !loopback.keepFormat)
        loopback.readyForCapture = false;
}

ssize_t FakeV4l2Access::Write(int fd, const void* bytes, size_t size) {
    std::unique_lock lock(mutex_);
    auto found = open_.find(fd);
    if (found == open_.end() || !found->second.node.loopback) {
        errno = EBADF;
        return -1;
    }
    const std::string path = found->second.node.path;
    writesReleased_.wait(lock, [&] { return !LoopbackOf(found->second.node).blockWrites; });
    found = open_.find(fd);
    if (found == open_.end()) {
        errno = EBADF;
        return -1;
    }
    FakeLoopback& loopback = LoopbackOf(found->second.node);
    if (loopback.writeError) {
        errno = loopback.writeError;
        return -1;
    }
    loopback.readyForCapture = true;
    loopback.readyForOutput = false;
    const auto* first = static_cast<const uint8_t*>(bytes);
    loopback.lastFrame.assign(first, first + size);
    ++loopback.writes;
    loopback.events.push_back("write " + std::to_string(size));
    return static_cast<ssize_t>(size);
}

std::string FakeV4l2Access::NodeAttribute(const std::string& path, const std::string& name) {
    std::lock_guard lock(mutex_);
    for (const FakeV4l2Node& node : nodes_)
        if (node.path == path && node.loopback && name == "format") {
            const FakeLoopback& loopback = LoopbackOf(node);
            if (!loopback.readyForCapture)
                return {};
            return "YUYV:" + std::to_string(loopback.width) + "x" + std::to_string(loopback.height) + "@" +
                   std::to_string(loopback.interval.second / std::max(loopback.interval.first, 1u));
        }
    return {};
}

std::string FakeV4l2Access::ModuleParameter(const std::string& module, const std::string& name) {
    std::lock_guard lock(mutex_);
    if (module != "v4l2loopback" || name != "exclusive_caps")
        return {};
    std::vector<std::string> values;
    for (const FakeV4l2Node& node : nodes_)
        if (node.loopback) {
            if (values.size() <= static_cast<size_t>(node.loopbackNumber))
                values.resize(node.loopbackNumber + 1, "N");
            values[node.loopbackNumber] = node.exclusiveCaps ? "Y" : "N";
        }
    std::string text;
    for (const std::string& value : values)
        text += (text.empty() ? "" : ",") + value;
    return text;
}

int FakeV4l2Access::OtherProcessesHolding(const std::string& path) {
    std::lock_guard lock(mutex_);
    for (const FakeV4l2Node& node : nodes_)
        if (node.path == path && node.loopback)
            return LoopbackOf(node).otherHolders;
    return 0;
}

FakeLoopback FakeV4l2Access::Loopback(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const auto found = loopbacks_.find(path);
    return found == loopbacks_.end() ? FakeLoopback{} : found->second;
}

void FakeV4l2Access::BlockWrites(const std::string& path, bool block) {
    {
        std::lock_guard lock(mutex_);
        LoopbackAt(path).blockWrites = block;
    }
    writesReleased_.notify_all();
}

void FakeV4l2Access::FailWrites(const std::string& path, int error) {
    std::lock_guard lock(mutex_);
    LoopbackAt(path).writeError = error;
}

void FakeV4l2Access::SetOtherHolders(const std::string& path, int holders) {
    std::lock_guard lock(mutex_);
    LoopbackAt(path).otherHolders = holders;
}
