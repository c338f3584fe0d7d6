#include "tests/vivid/VividNodes.h"

#include "platform/media/cameras/LibV4l2Access.h"

#include <cstring>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

std::vector<std::string> VividCaptureNodes() {
    std::vector<std::string> nodes;
    for (const std::string& path : LibV4l2Access("/dev").VideoNodes()) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            continue;
        v4l2_capability cap{};
        const bool vivid = ::ioctl(fd, VIDIOC_QUERYCAP, &cap) == 0 &&
                           std::strcmp(reinterpret_cast<const char*>(cap.driver), "vivid") == 0 &&
                           (cap.device_caps & V4L2_CAP_VIDEO_CAPTURE);
        ::close(fd);
        if (vivid)
            nodes.push_back(path);
    }
    return nodes;
}
