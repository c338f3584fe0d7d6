#include "tests/vivid/NativeFormatAccess.h"

#include "platform/media/cameras/LibV4l2Access.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libv4lconvert.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

NativeFormatAccess::NativeFormatAccess(uint32_t nativeFormat)
    : nativeFormat_(nativeFormat), system_(std::make_shared<LibV4l2Access>("/dev")) {}

NativeFormatAccess::~NativeFormatAccess() = default;

std::vector<std::string> NativeFormatAccess::VideoNodes() {
    return system_->VideoNodes();
}

std::string NativeFormatAccess::StableIdentity(const std::string& node) {
    return system_->StableIdentity(node);
}

std::string NativeFormatAccess::ResolveIdentity(const std::string& identity) {
    return system_->ResolveIdentity(identity);
}

int NativeFormatAccess::Open(const std::string& node) {
    const int fd = ::open(node.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return -1;
    std::lock_guard lock(mutex_);
    devices_[fd].convert = v4lconvert_create(fd);
    return fd;
}

int NativeFormatAccess::Close(int fd) {
    {
        std::lock_guard lock(mutex_);
        if (const auto found = devices_.find(fd); found != devices_.end()) {
            for (const auto& [address, length] : found->second.native)
                ::munmap(address, length);
            if (found->second.convert)
                v4lconvert_destroy(found->second.convert);
            devices_.erase(found);
        }
    }
    return ::close(fd);
}

// The device at the native format and the asked size; the caller sees 24-bit BGR.
int NativeFormatAccess::SetFormat(int fd, Device& device, void* argument) {
    auto* wanted = static_cast<v4l2_format*>(argument);
    v4l2_format native = *wanted;
    native.fmt.pix.pixelformat = nativeFormat_;
    native.fmt.pix.bytesperline = 0;
    native.fmt.pix.sizeimage = 0;
    if (::ioctl(fd, VIDIOC_S_FMT, &native) != 0)
        return -1;
    if (native.fmt.pix.pixelformat != nativeFormat_) {
        errno = EINVAL;
        return -1;
    }
    device.source.assign(reinterpret_cast<uint8_t*>(&native),
                         reinterpret_cast<uint8_t*>(&native) + sizeof native);
    device.width = native.fmt.pix.width;
    device.height = native.fmt.pix.height;
    wanted->fmt.pix.width = device.width;
    wanted->fmt.pix.height = device.height;
    wanted->fmt.pix.pixelformat = V4L2_PIX_FMT_BGR24;
    wanted->fmt.pix.bytesperline = device.width * 3;
    wanted->fmt.pix.sizeimage = device.width * 3 * device.height;
    return 0;
}

int NativeFormatAccess::Ioctl(int fd, unsigned long request, void* argument) {
    std::lock_guard lock(mutex_);
    const auto found = devices_.find(fd);
    if (found == devices_.end())
        return ::ioctl(fd, request, argument);
    Device& device = found->second;
    switch (request) {
    case VIDIOC_S_FMT:
        return SetFormat(fd, device, argument);
    case VIDIOC_ENUM_FRAMEINTERVALS: {
        auto* interval = static_cast<v4l2_frmivalenum*>(argument);
        interval->pixel_format = nativeFormat_;
        const int result = ::ioctl(fd, request, argument);
        interval->pixel_format = V4L2_PIX_FMT_BGR24;
        return result;
    }
    case VIDIOC_QUERYBUF: {
        auto* buffer = static_cast<v4l2_buffer*>(argument);
        if (::ioctl(fd, request, argument) != 0)
            return -1;
        void* address = ::mmap(nullptr, buffer->length, PROT_READ, MAP_SHARED, fd, buffer->m.offset);
        if (address == MAP_FAILED)
            return -1;
        const size_t bgr = size_t{device.width} * 3 * device.height;
        if (device.native.size() <= buffer->index) {
            device.native.resize(buffer->index + 1);
            device.converted.resize(buffer->index + 1);
        }
        device.native[buffer->index] = {address, buffer->length};
        device.converted[buffer->index].assign(bgr, 0);
        buffer->length = static_cast<uint32_t>(bgr);
        return 0;
    }
    case VIDIOC_DQBUF: {
        auto* buffer = static_cast<v4l2_buffer*>(argument);
        if (::ioctl(fd, request, argument) != 0)
            return -1;
        if (buffer->index >= device.native.size())
            return 0;
        v4l2_format source{};
        std::memcpy(&source, device.source.data(), sizeof source);
        v4l2_format bgr = source;
        bgr.fmt.pix.pixelformat = V4L2_PIX_FMT_BGR24;
        bgr.fmt.pix.bytesperline = device.width * 3;
        bgr.fmt.pix.sizeimage = device.width * 3 * device.height;
        auto& out = device.converted[buffer->index];
        const int written = v4lconvert_convert(
            device.convert, &source, &bgr, static_cast<unsigned char*>(device.native[buffer->index].first),
            static_cast<int>(buffer->bytesused), out.data(), static_cast<int>(out.size()));
        buffer->bytesused = written < 0 ? 0 : static_cast<uint32_t>(written);
        return 0;
    }
    default:
        return ::ioctl(fd, request, argument);
    }
}

void* NativeFormatAccess::Mmap(int fd, size_t, int64_t offset) {
    std::lock_guard lock(mutex_);
    const auto found = devices_.find(fd);
    if (found == devices_.end())
        return nullptr;
    // The offset names the buffer through the driver's own QUERYBUF answer.
    for (uint32_t index = 0; index < found->second.native.size(); ++index) {
        v4l2_buffer buffer{};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        buffer.index = index;
        if (::ioctl(fd, VIDIOC_QUERYBUF, &buffer) == 0 && buffer.m.offset == offset)
            return found->second.converted[index].data();
    }
    errno = EINVAL;
    return nullptr;
}

int NativeFormatAccess::Munmap(void*, size_t) {
    return 0; // the converted buffers go with the descriptor
}

int NativeFormatAccess::Poll(pollfd* descriptors, size_t count, int timeoutMilliseconds) {
    return ::poll(descriptors, count, timeoutMilliseconds);
}
