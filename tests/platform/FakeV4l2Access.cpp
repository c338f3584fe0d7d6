#include "tests/platform/FakeV4l2Access.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <linux/videodev2.h>

void FakeV4l2Access::SetNodes(std::vector<FakeV4l2Node> nodes) {
    std::lock_guard lock(mutex_);
    nodes_ = std::move(nodes);
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
    open_.emplace(fd, *node);
    return fd;
}

int FakeV4l2Access::Close(int fd) {
    std::lock_guard lock(mutex_);
    if (open_.erase(fd) == 0) {
        errno = EBADF;
        return -1;
    }
    return 0;
}

int FakeV4l2Access::Ioctl(int fd, unsigned long request, void* argument) {
    std::lock_guard lock(mutex_);
    const auto found = open_.find(fd);
    if (found == open_.end()) {
        errno = EBADF;
        return -1;
    }
    const FakeV4l2Node& node = found->second;
    errno = EINVAL;
    switch (request) {
    case VIDIOC_QUERYCAP: {
        auto* cap = static_cast<v4l2_capability*>(argument);
        std::memset(cap, 0, sizeof *cap);
        // A driver may fill the card field to its last byte, leaving no NUL.
        std::memcpy(cap->card, node.card.data(), std::min(node.card.size(), sizeof cap->card));
        std::memcpy(cap->driver, "fake", 4);
        cap->device_caps = node.deviceCaps;
        cap->capabilities = node.deviceCaps | V4L2_CAP_DEVICE_CAPS;
        return 0;
    }
    case VIDIOC_ENUM_FMT: {
        auto* description = static_cast<v4l2_fmtdesc*>(argument);
        if (description->index == 0) {
            description->pixelformat = V4L2_PIX_FMT_YUYV;
            return 0;
        }
        if (description->index == 1 && node.offersBgr24) {
            description->pixelformat = V4L2_PIX_FMT_BGR24;
            description->flags = V4L2_FMT_FLAG_EMULATED;
            return 0;
        }
        return -1;
    }
    case VIDIOC_ENUM_FRAMESIZES: {
        auto* size = static_cast<v4l2_frmsizeenum*>(argument);
        if (size->pixel_format != V4L2_PIX_FMT_BGR24 || size->index >= node.sizes.size())
            return -1;
        size->type = V4L2_FRMSIZE_TYPE_DISCRETE;
        size->discrete.width = node.sizes[size->index].first;
        size->discrete.height = node.sizes[size->index].second;
        return 0;
    }
    case VIDIOC_ENUM_FRAMEINTERVALS: {
        auto* interval = static_cast<v4l2_frmivalenum*>(argument);
        if (interval->index != 0)
            return -1;
        interval->type = V4L2_FRMIVAL_TYPE_DISCRETE;
        interval->discrete = {1, 30};
        return 0;
    }
    case VIDIOC_G_FMT: {
        auto* format = static_cast<v4l2_format*>(argument);
        format->fmt.pix.width = 352;
        format->fmt.pix.height = 288;
        return 0;
    }
    default:
        errno = ENOTTY;
        return -1;
    }
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
