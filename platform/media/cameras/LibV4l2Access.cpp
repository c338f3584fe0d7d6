#include "platform/media/cameras/LibV4l2Access.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <libv4l2.h>
#include <poll.h>
#include <sys/mman.h>
#include <utility>

namespace fs = std::filesystem;

namespace {

// N of a "videoN" file name, or -1.
long VideoNumber(const std::string& name) {
    constexpr std::string_view prefix = "video";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0 || name.size() > 12)
        return -1;
    long number = 0;
    for (size_t k = prefix.size(); k < name.size(); ++k) {
        if (name[k] < '0' || name[k] > '9')
            return -1;
        number = number * 10 + (name[k] - '0');
    }
    return number;
}

std::string FolderFromEnvironment() {
    const char* folder = std::getenv("TARNOLIX_DEVICE_DIR");
    return folder && *folder ? folder : "/dev";
}

} // namespace

LibV4l2Access::LibV4l2Access() : LibV4l2Access(FolderFromEnvironment()) {}

LibV4l2Access::LibV4l2Access(std::string deviceFolder) : deviceFolder_(std::move(deviceFolder)) {}

std::vector<std::string> LibV4l2Access::VideoNodes() {
    std::vector<std::pair<long, std::string>> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(deviceFolder_, error)) {
        const long number = VideoNumber(entry.path().filename().string());
        if (number >= 0)
            found.emplace_back(number, entry.path().string());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> nodes;
    for (auto& [number, path] : found)
        nodes.push_back(std::move(path));
    return nodes;
}

std::string LibV4l2Access::StableIdentity(const std::string& node) {
    std::error_code error;
    const fs::path target = fs::canonical(node, error);
    if (error)
        return node;
    std::vector<std::string> links;
    for (const auto& entry : fs::directory_iterator(fs::path(deviceFolder_) / "v4l/by-id", error)) {
        std::error_code linkError;
        if (fs::canonical(entry.path(), linkError) == target && !linkError)
            links.push_back(entry.path().string());
    }
    if (links.empty())
        return node;
    // Several links may name one node; the first in name order is chosen every time.
    return *std::min_element(links.begin(), links.end());
}

std::string LibV4l2Access::ResolveIdentity(const std::string& identity) {
    std::error_code error;
    const fs::path target = fs::canonical(identity, error);
    return error ? std::string() : target.string();
}

int LibV4l2Access::Open(const std::string& node) {
    // Non-blocking: the streaming thread waits in poll, where a stop can wake it.
    return v4l2_open(node.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
}

int LibV4l2Access::Close(int fd) {
    return v4l2_close(fd);
}

int LibV4l2Access::Ioctl(int fd, unsigned long request, void* argument) {
    return v4l2_ioctl(fd, request, argument);
}

void* LibV4l2Access::Mmap(int fd, size_t length, int64_t offset) {
    void* address = v4l2_mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, offset);
    return address == MAP_FAILED ? nullptr : address;
}

int LibV4l2Access::Munmap(void* address, size_t length) {
    return v4l2_munmap(address, length);
}

int LibV4l2Access::Poll(pollfd* descriptors, size_t count, int timeoutMilliseconds) {
    return ::poll(descriptors, count, timeoutMilliseconds);
}
