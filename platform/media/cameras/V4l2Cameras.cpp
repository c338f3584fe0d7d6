#include "platform/media/cameras/V4l2Cameras.h"

#include "platform/media/cameras/V4l2FrameInterval.h"

#include <algorithm>
#include <cstring>
#include <linux/videodev2.h>

namespace {

// Upper bounds on what a driver may list, so a misbehaving one cannot keep us looping.
constexpr uint32_t kMaxListed = 256;
constexpr int32_t kMaxSide = 16384;

uint32_t DeviceCaps(const v4l2_capability& cap) {
    return (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
}

// The card field is a fixed array that a driver may fill to the last byte without a NUL.
std::string CardName(const v4l2_capability& cap) {
    const auto* card = reinterpret_cast<const char*>(cap.card);
    return std::string(card, strnlen(card, sizeof cap.card));
}

// The identity of a camera without a /dev/v4l link: its bus and card, which survive its node
// being renumbered when it is plugged back; its path when the driver names no bus.
std::string BusIdentity(const v4l2_capability& cap, const std::string& path) {
    const auto* bus = reinterpret_cast<const char*>(cap.bus_info);
    const size_t length = strnlen(bus, sizeof cap.bus_info);
    if (length == 0)
        return path;
    return std::string(kBusIdentityPrefix) + std::string(bus, length) + "|" + CardName(cap);
}

bool OffersBgr24(const V4l2Node& node) {
    for (uint32_t index = 0; index < kMaxListed; ++index) {
        v4l2_fmtdesc description{};
        description.index = index;
        description.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (!node.Ioctl(VIDIOC_ENUM_FMT, &description))
            return false;
        if (description.pixelformat == V4L2_PIX_FMT_BGR24)
            return true;
    }
    return false;
}

bool Plausible(uint32_t width, uint32_t height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide;
}

void AddFormat(std::vector<VideoFormat>& formats, const V4l2Node& node, uint32_t width, uint32_t height) {
    if (!Plausible(width, height))
        return;
    // The source asks for the fastest interval when it runs, so the format promises that one.
    const auto ioctl = [&node](unsigned long request, void* argument) {
        return node.Ioctl(request, argument);
    };
    const auto fastest = FastestV4l2Interval(ioctl, width, height);
    VideoFormat format{static_cast<int32_t>(width), static_cast<int32_t>(height),
                       fastest ? IntervalTime(*fastest) : 0};
    if (std::find(formats.begin(), formats.end(), format) == formats.end())
        formats.push_back(format);
}

} // namespace

std::optional<V4l2Camera> ProbeV4l2Node(const std::shared_ptr<V4l2Access>& access, const std::string& path) {
    V4l2Node node(access, path);
    v4l2_capability cap{};
    if (!node.IsOpen() || !node.Ioctl(VIDIOC_QUERYCAP, &cap))
        return std::nullopt;
    if ((DeviceCaps(cap) & V4L2_CAP_VIDEO_CAPTURE) == 0)
        return std::nullopt;
    std::string identity = access->StableIdentity(path);
    if (identity == path)
        identity = BusIdentity(cap, path);
    return V4l2Camera{path, std::move(identity), CardName(cap)};
}

std::optional<V4l2Camera> FindV4l2Camera(const std::shared_ptr<V4l2Access>& access,
                                         const std::string& identity) {
    if (identity.rfind(kBusIdentityPrefix, 0) == 0) {
        for (auto& camera : ListV4l2Cameras(access))
            if (camera.identity == identity)
                return std::move(camera);
        return std::nullopt;
    }
    const std::string node = access->ResolveIdentity(identity);
    if (node.empty())
        return std::nullopt;
    return ProbeV4l2Node(access, node);
}

std::vector<V4l2Camera> ListV4l2Cameras(const std::shared_ptr<V4l2Access>& access) {
    std::vector<V4l2Camera> cameras;
    for (const std::string& path : access->VideoNodes())
        if (auto camera = ProbeV4l2Node(access, path))
            cameras.push_back(std::move(*camera));
    return cameras;
}

std::vector<VideoFormat> QueryV4l2Formats(const V4l2Node& node) {
    std::vector<VideoFormat> formats;
    if (!OffersBgr24(node))
        return formats;
    for (uint32_t index = 0; index < kMaxListed; ++index) {
        v4l2_frmsizeenum size{};
        size.index = index;
        size.pixel_format = V4L2_PIX_FMT_BGR24;
        if (!node.Ioctl(VIDIOC_ENUM_FRAMESIZES, &size))
            break;
        if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
            AddFormat(formats, node, size.discrete.width, size.discrete.height);
        } else {
            // A range: its largest and smallest sizes stand for it.
            AddFormat(formats, node, size.stepwise.max_width, size.stepwise.max_height);
            AddFormat(formats, node, size.stepwise.min_width, size.stepwise.min_height);
            break;
        }
    }
    if (formats.empty()) {
        v4l2_format current{};
        current.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (node.Ioctl(VIDIOC_G_FMT, &current))
            AddFormat(formats, node, current.fmt.pix.width, current.fmt.pix.height);
    }
    return formats;
}
