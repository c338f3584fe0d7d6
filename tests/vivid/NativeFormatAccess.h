#pragma once

#include "platform/media/cameras/V4l2Access.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

struct v4lconvert_data;

// The system's devices with the camera held to one native pixel format (YUYV, NV12, ...): what
// libv4l2 does for a camera without 24-bit BGR, done here so that a driver that offers BGR
// natively (vivid) still sends another format. The source asks for BGR24 as ever; the device is
// set to the native format, and each dequeued frame is converted by libv4lconvert into a buffer
// of this object, which is what the source has mapped.
class NativeFormatAccess final : public V4l2Access {
public:
    explicit NativeFormatAccess(uint32_t nativeFormat);
    ~NativeFormatAccess() override;

    std::vector<std::string> VideoNodes() override;
    std::string StableIdentity(const std::string& node) override;
    std::string ResolveIdentity(const std::string& identity) override;
    int Open(const std::string& node) override;
    int Close(int fd) override;
    int Ioctl(int fd, unsigned long request, void* argument) override;
    void* Mmap(int fd, size_t length, int64_t offset) override;
    int Munmap(void* address, size_t length) override;
    int Poll(pollfd* descriptors, size_t count, int timeoutMilliseconds) override;

private:
    struct Device {
        v4lconvert_data* convert = nullptr;
        std::vector<uint8_t> source; // the native format as v4l2_format bytes
        uint32_t width = 0, height = 0;
        std::vector<std::pair<void*, size_t>> native; // the driver's buffers, mapped
        std::vector<std::vector<uint8_t>> converted;  // what the source reads, by index
    };
    int SetFormat(int fd, Device& device, void* argument);

    const uint32_t nativeFormat_;
    std::shared_ptr<V4l2Access> system_;
    // mutex_ guards devices_.
    std::mutex mutex_;
    std::map<int, Device> devices_;
};
