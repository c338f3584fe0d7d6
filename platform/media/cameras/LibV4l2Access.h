#pragma once

#include "platform/media/cameras/V4l2Access.h"

// The system's V4L2 devices, opened through libv4l2. The nodes are looked for in one folder:
// the one named by TARNOLIX_DEVICE_DIR when that is set, else /dev. The test suite points it
// at a folder without nodes, so that the machine's own cameras stay out of its cases.
class LibV4l2Access final : public V4l2Access {
public:
    LibV4l2Access();
    explicit LibV4l2Access(std::string deviceFolder);

    std::vector<std::string> VideoNodes() override;
    std::string StableIdentity(const std::string& node) override;
    std::string ResolveIdentity(const std::string& identity) override;
    int Open(const std::string& node) override;
    int Close(int fd) override;
    int Ioctl(int fd, unsigned long request, void* argument) override;
    void* Mmap(int fd, size_t length, int64_t offset) override;
    int Munmap(void* address, size_t length) override;
    int Poll(pollfd* descriptors, size_t count, int timeoutMilliseconds) override;
    int OpenRaw(const std::string& node) override;
    ssize_t Write(int fd, const void* bytes, size_t size) override;
    std::string NodeAttribute(const std::string& node, const std::string& name) override;
    std::string ModuleParameter(const std::string& module, const std::string& name) override;
    int OtherProcessesHolding(const std::string& node) override;

private:
    std::string deviceFolder_;
};
