#pragma once

#include "platform/media/V4l2Access.h"

// The system's V4L2 devices, opened through libv4l2.
class LibV4l2Access final : public V4l2Access {
public:
    std::vector<std::string> VideoNodes() override;
    std::string StableIdentity(const std::string& node) override;
    std::string ResolveIdentity(const std::string& identity) override;
    int Open(const std::string& node) override;
    int Close(int fd) override;
    int Ioctl(int fd, unsigned long request, void* argument) override;
    void* Mmap(int fd, size_t length, int64_t offset) override;
    int Munmap(void* address, size_t length) override;
    int Poll(pollfd* descriptors, size_t count, int timeoutMilliseconds) override;
};
