#pragma once

// A v4l2loopback node labelled "Tarnolix" that is /dev/null behind the access: the format is
// taken as asked and frames vanish, so the benchmarks run the virtual camera's whole path, the
// window's included, without a loaded module.

#include "platform/media/cameras/V4l2Access.h"

#include <cstring>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <string>
#include <unistd.h>
#include <vector>

class NullLoopback final : public V4l2Access {
public:
    std::vector<std::string> VideoNodes() override { return {"/dev/null"}; }
    std::string StableIdentity(const std::string& node) override { return node; }
    std::string ResolveIdentity(const std::string& identity) override { return identity; }
    int Open(const std::string& node) override { return OpenRaw(node); }
    int OpenRaw(const std::string& node) override { return ::open(node.c_str(), O_WRONLY | O_CLOEXEC); }
    int Close(int fd) override { return ::close(fd); }
    int Ioctl(int, unsigned long request, void* argument) override {
        if (request == VIDIOC_QUERYCAP) {
            auto* capability = static_cast<v4l2_capability*>(argument);
            *capability = {};
            std::strcpy(reinterpret_cast<char*>(capability->driver), "v4l2 loopback");
            std::strcpy(reinterpret_cast<char*>(capability->card), "Tarnolix");
            capability->capabilities = V4L2_CAP_VIDEO_OUTPUT | V4L2_CAP_DEVICE_CAPS;
            capability->device_caps = V4L2_CAP_VIDEO_OUTPUT;
        }
        if (request == VIDIOC_S_FMT) {
            auto* format = static_cast<v4l2_format*>(argument);
            format->fmt.pix.bytesperline = format->fmt.pix.width * 2;
            format->fmt.pix.sizeimage = format->fmt.pix.bytesperline * format->fmt.pix.height;
        }
        return 0;
    }
    void* Mmap(int, size_t, int64_t) override { return nullptr; }
    int Munmap(void*, size_t) override { return 0; }
    int Poll(pollfd*, size_t, int) override { return 0; }
    ssize_t Write(int fd, const void* bytes, size_t size) override { return ::write(fd, bytes, size); }
    // Nothing fixed, nobody else: the device is free (every process holds /dev/null).
    std::string NodeAttribute(const std::string&, const std::string&) override { return {}; }
    std::string ModuleParameter(const std::string&, const std::string&) override { return {}; }
    int OtherProcessesHolding(const std::string&) override { return 0; }
};
