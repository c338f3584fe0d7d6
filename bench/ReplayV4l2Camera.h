#pragma once

// A V4L2 camera that sends one prepared YUYV frame at a steady rate, behind the V4L2 access, so
// that the V4L2 capture source's own work on the streaming thread can be measured on the frames
// another source gets too. Its descriptor is a timer that turns readable at every frame time, as
// a camera's does when a buffer is done; each buffer is filled once, as a driver fills it
// without the reader's help, and stamped with its frame time on the monotonic clock.

#include "platform/media/cameras/V4l2Access.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <deque>
#include <linux/videodev2.h>
#include <mutex>
#include <poll.h>
#include <sys/timerfd.h>
#include <unistd.h>
#include <vector>

class ReplayV4l2Camera final : public V4l2Access {
public:
    static constexpr const char* kPath = "/dev/bench-camera";

    ReplayV4l2Camera(std::vector<uint8_t> frame, uint32_t width, uint32_t height, uint32_t rate)
        : frame_(std::move(frame)), width_(width), height_(height), rate_(rate) {}

    std::vector<std::string> VideoNodes() override { return {kPath}; }
    std::string StableIdentity(const std::string& node) override { return node; }
    std::string ResolveIdentity(const std::string& identity) override { return identity; }
    int Open(const std::string&) override {
        return timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    }
    int Close(int fd) override { return ::close(fd); }
    void* Mmap(int, size_t, int64_t offset) override {
        const auto index = static_cast<size_t>(offset) / frame_.size();
        return index < buffers_.size() ? buffers_[index].data() : nullptr;
    }
    int Munmap(void*, size_t) override { return 0; }
    int Poll(pollfd* descriptors, size_t count, int timeout) override {
        return ::poll(descriptors, count, timeout);
    }

    int Ioctl(int fd, unsigned long request, void* argument) override {
        std::lock_guard lock(mutex_);
        switch (request) {
        case VIDIOC_QUERYCAP: {
            auto* capability = static_cast<v4l2_capability*>(argument);
            *capability = {};
            std::strcpy(reinterpret_cast<char*>(capability->driver), "bench");
            std::strcpy(reinterpret_cast<char*>(capability->card), "Bench camera");
            capability->device_caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
            capability->capabilities = capability->device_caps | V4L2_CAP_DEVICE_CAPS;
            return 0;
        }
        case VIDIOC_S_FMT:
        case VIDIOC_G_FMT: {
            v4l2_pix_format& pix = static_cast<v4l2_format*>(argument)->fmt.pix;
            pix.pixelformat = V4L2_PIX_FMT_YUYV;
            pix.width = width_;
            pix.height = height_;
            pix.bytesperline = width_ * 2;
            pix.sizeimage = static_cast<uint32_t>(frame_.size());
            pix.field = V4L2_FIELD_NONE;
            return 0;
        }
        case VIDIOC_G_PARM:
        case VIDIOC_S_PARM: {
            auto* parameters = static_cast<v4l2_streamparm*>(argument);
            parameters->parm.capture.timeperframe = {1, rate_};
            return 0;
        }
        case VIDIOC_REQBUFS: {
            auto* request = static_cast<v4l2_requestbuffers*>(argument);
            buffers_.assign(request->count, frame_);
            return 0;
        }
        case VIDIOC_QUERYBUF: {
            auto* buffer = static_cast<v4l2_buffer*>(argument);
            buffer->length = static_cast<uint32_t>(frame_.size());
            buffer->m.offset = buffer->index * buffer->length;
            return 0;
        }
        case VIDIOC_QBUF:
            queued_.push_back(static_cast<v4l2_buffer*>(argument)->index);
            return 0;
        case VIDIOC_DQBUF:
            return Dequeue(fd, *static_cast<v4l2_buffer*>(argument));
        case VIDIOC_STREAMON: {
            clock_gettime(CLOCK_MONOTONIC, &start_);
            const long interval = 1'000'000'000L / rate_;
            const itimerspec every{{0, interval}, {0, interval}};
            return timerfd_settime(fd, 0, &every, nullptr);
        }
        case VIDIOC_STREAMOFF: {
            const itimerspec never{};
            return timerfd_settime(fd, 0, &never, nullptr);
        }
        default:
            errno = EINVAL;
            return -1;
        }
    }

private:
    // The frame times that passed since the last dequeue; the newest is the buffer's stamp.
    int Dequeue(int fd, v4l2_buffer& buffer) {
        uint64_t passed = 0;
        if (::read(fd, &passed, sizeof passed) != sizeof passed || queued_.empty()) {
            errno = EAGAIN;
            return -1;
        }
        ticks_ += passed;
        buffer.index = queued_.front();
        queued_.pop_front();
        buffer.bytesused = static_cast<uint32_t>(frame_.size());
        buffer.flags = V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC;
        const int64_t stamp = int64_t{start_.tv_sec} * 1'000'000'000 + start_.tv_nsec +
                              static_cast<int64_t>(ticks_ * (1'000'000'000ULL / rate_));
        buffer.timestamp.tv_sec = stamp / 1'000'000'000;
        buffer.timestamp.tv_usec = (stamp % 1'000'000'000) / 1000;
        return 0;
    }

    const std::vector<uint8_t> frame_;
    const uint32_t width_, height_, rate_;
    std::mutex mutex_;
    std::vector<std::vector<uint8_t>> buffers_;
    std::deque<uint32_t> queued_;
    timespec start_{};
    uint64_t ticks_ = 0;
};
