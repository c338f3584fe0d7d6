#include "platform/media/cameras/V4l2Access.h"

#include "platform/media/cameras/LibV4l2Access.h"

#include <cerrno>
#include <mutex>

namespace {

// installedMutex guards installed.
std::mutex installedMutex;
std::shared_ptr<V4l2Access> installed;

} // namespace

std::shared_ptr<V4l2Access> V4l2Access::Current() {
    std::lock_guard lock(installedMutex);
    if (!installed)
        installed = std::make_shared<LibV4l2Access>();
    return installed;
}

std::shared_ptr<V4l2Access> V4l2Access::Install(std::shared_ptr<V4l2Access> access) {
    std::lock_guard lock(installedMutex);
    std::shared_ptr<V4l2Access> previous = std::move(installed);
    installed = std::move(access);
    return previous;
}

int V4l2Access::OpenRaw(const std::string& node) {
    return Open(node);
}

ssize_t V4l2Access::Write(int, const void*, size_t) {
    errno = ENOSYS;
    return -1;
}

std::string V4l2Access::NodeAttribute(const std::string&, const std::string&) {
    return {};
}

std::string V4l2Access::ModuleParameter(const std::string&, const std::string&) {
    return {};
}

int V4l2Access::OtherProcessesHolding(const std::string&) {
    return 0;
}

V4l2Node::V4l2Node(std::shared_ptr<V4l2Access> access, const std::string& path) : access_(std::move(access)) {
    fd_ = access_->Open(path);
}

V4l2Node::~V4l2Node() {
    if (fd_ >= 0)
        access_->Close(fd_);
}

bool V4l2Node::Ioctl(unsigned long request, void* argument) const {
    if (fd_ < 0)
        return false;
    int result;
    do {
        result = access_->Ioctl(fd_, request, argument);
    } while (result == -1 && errno == EINTR);
    return result != -1;
}
