// The system's side of LibV4l2Access for nodes that are no camera: plain descriptors, sysfs and
// /proc.
#include "platform/media/cameras/LibV4l2Access.h"

#include <cctype>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A small text file's contents without the final line break; empty when it cannot be read.
std::string ReadLine(const fs::path& path) {
    std::ifstream file(path);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

bool AllDigits(const std::string& name) {
    for (const char c : name)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return !name.empty();
}

// Whether one of the process's descriptors names `target`. A process of another user, or one
// that ended meanwhile, shows none.
bool HoldsOpen(const fs::path& process, const fs::path& target) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(process / "fd", error)) {
        std::error_code linkError;
        if (fs::read_symlink(entry.path(), linkError) == target && !linkError)
            return true;
    }
    return false;
}

} // namespace

int LibV4l2Access::OpenRaw(const std::string& node) {
    // Non-blocking, so that no write can hold the writer's thread.
    return ::open(node.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
}

ssize_t LibV4l2Access::Write(int fd, const void* bytes, size_t size) {
    return ::write(fd, bytes, size);
}

std::string LibV4l2Access::NodeAttribute(const std::string& node, const std::string& name) {
    std::error_code error;
    const fs::path target = fs::canonical(node, error);
    if (error)
        return {};
    return ReadLine(fs::path("/sys/class/video4linux") / target.filename() / name);
}

std::string LibV4l2Access::ModuleParameter(const std::string& module, const std::string& name) {
    return ReadLine(fs::path("/sys/module") / module / "parameters" / name);
}

int LibV4l2Access::OtherProcessesHolding(const std::string& node) {
    std::error_code error;
    const fs::path target = fs::canonical(node, error);
    if (error)
        return 0;
    const std::string self = std::to_string(::getpid());
    int holding = 0;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (AllDigits(name) && name != self && HoldsOpen(entry.path(), target))
            ++holding;
    }
    return holding;
}
