#include "platform/media/cameras/V4l2Cameras.h"

#include "platform/media/cameras/V4l2FrameInterval.h"
#include "platform/media/cameras/V4l2Modes.h"

#include <algorithm>
#include <cstring>
#include <linux/videodev2.h>

namespace {

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
    bool offered = false;
    ForEachV4l2Format(node, [&offered](uint32_t pixelFormat, uint32_t) {
        offered = offered || pixelFormat == V4L2_PIX_FMT_BGR24;
    });
    return offered;
}

void AddFormat(std::vector<VideoFormat>& formats, const V4l2Node& node, uint32_t width, uint32_t height) {
    if (!PlausibleV4l2Size(width, height))
        return;
    // The source asks for the fastest interval when it runs, so the format promises that one.
    const auto ioctl = [&node](unsigned long request, void* argument) {
        return node.Ioctl(request, argument);
    };
    const auto fastest = FastestV4l2Interval(ioctl, V4L2_PIX_FMT_BGR24, width, height);
    VideoFormat format{static_cast<int32_t>(width), static_cast<int32_t>(height),
                       fastest ? IntervalTime(*fastest) : 0};
    if (std::find(formats.begin(), formats.end(), format) == formats.end())
        formats.push_back(format);
}

// The subtype a native pixel format is carried in; RGB24 for those libv4l2 turns into BGR24.
GUID CarriedSubtype(uint32_t pixelFormat) {
    switch (pixelFormat) {
    case V4L2_PIX_FMT_YUYV:
        return MEDIASUBTYPE_YUY2;
    case V4L2_PIX_FMT_UYVY:
        return MEDIASUBTYPE_UYVY;
    case V4L2_PIX_FMT_NV12:
        return MEDIASUBTYPE_NV12;
    case V4L2_PIX_FMT_YUV420:
        return MEDIASUBTYPE_I420;
    case V4L2_PIX_FMT_MJPEG:
    case V4L2_PIX_FMT_JPEG:
        return MEDIASUBTYPE_MJPG;
    default:
        return MEDIASUBTYPE_RGB24;
    }
}

V4l2Offer OfferOf(const V4l2Mode& mode) {
    const GUID subtype = CarriedSubtype(mode.pixelFormat);
    return {{mode.width, mode.height, mode.interval, subtype},
            subtype == MEDIASUBTYPE_RGB24 ? V4L2_PIX_FMT_BGR24 : mode.pixelFormat};
}

// The encoding the driver reports for YUV in the pixel format, its defaults resolved as V4L2
// resolves them from the colour space. The extended fields count only when the driver marks
// them valid; an older driver's YUV is taken as BT.601 limited.
TYuvEncoding DriverEncoding(const V4l2Node& node, const V4l2Mode& mode) {
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format.fmt.pix.width = static_cast<uint32_t>(mode.width);
    format.fmt.pix.height = static_cast<uint32_t>(mode.height);
    format.fmt.pix.pixelformat = mode.pixelFormat;
    format.fmt.pix.field = V4L2_FIELD_ANY;
    TYuvEncoding encoding;
    if (!node.Ioctl(VIDIOC_TRY_FMT, &format) || format.fmt.pix.priv != V4L2_PIX_FMT_PRIV_MAGIC)
        return encoding;
    const auto colourSpace = static_cast<v4l2_colorspace>(format.fmt.pix.colorspace);
    auto matrix = static_cast<v4l2_ycbcr_encoding>(format.fmt.pix.ycbcr_enc);
    if (matrix == V4L2_YCBCR_ENC_DEFAULT)
        matrix = V4L2_MAP_YCBCR_ENC_DEFAULT(colourSpace);
    auto range = static_cast<v4l2_quantization>(format.fmt.pix.quantization);
    if (range == V4L2_QUANTIZATION_DEFAULT)
        range = V4L2_MAP_QUANTIZATION_DEFAULT(false, colourSpace, matrix);
    if (matrix == V4L2_YCBCR_ENC_709 || matrix == V4L2_YCBCR_ENC_XV709)
        encoding.matrix = TYuvMatrix::Bt709;
    if (range == V4L2_QUANTIZATION_FULL_RANGE)
        encoding.range = TYuvRange::Full;
    return encoding;
}

bool SameFormat(const VideoFormat& a, const VideoFormat& b) {
    return a.width == b.width && a.height == b.height && a.subtype == b.subtype;
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
    ForEachV4l2Size(node, V4L2_PIX_FMT_BGR24,
                    [&](uint32_t width, uint32_t height) { AddFormat(formats, node, width, height); });
    if (formats.empty()) {
        v4l2_format current{};
        current.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (node.Ioctl(VIDIOC_G_FMT, &current))
            AddFormat(formats, node, current.fmt.pix.width, current.fmt.pix.height);
    }
    return formats;
}

std::vector<VideoFormat> BestV4l2FormatFirst(std::vector<VideoFormat> formats) {
    std::vector<V4l2Mode> modes;
    for (const VideoFormat& format : formats)
        modes.push_back({V4L2_PIX_FMT_BGR24, format.width, format.height, format.averageTimePerFrame});
    if (const auto best = BestV4l2Mode(modes)) {
        const auto found = formats.begin() + (std::find(modes.begin(), modes.end(), *best) - modes.begin());
        std::rotate(formats.begin(), found, found + 1);
    }
    return formats;
}

std::vector<V4l2Offer> QueryV4l2Offers(const V4l2Node& node) {
    const std::vector<V4l2Mode> modes = ListV4l2Modes(node);
    if (!BestV4l2Mode(modes)) {
        std::vector<V4l2Offer> offers;
        for (const VideoFormat& format : BestV4l2FormatFirst(QueryV4l2Formats(node)))
            offers.push_back({format, V4L2_PIX_FMT_BGR24});
        return offers;
    }
    // One query a pixel format: drivers report the encoding by format, not by size.
    std::vector<std::pair<uint32_t, TYuvEncoding>> encodings;
    return V4l2OffersOfModes(modes, [&](const V4l2Mode& mode) {
        auto known = std::find_if(encodings.begin(), encodings.end(),
                                  [&](const auto& entry) { return entry.first == mode.pixelFormat; });
        if (known == encodings.end())
            known = encodings.insert(encodings.end(), {mode.pixelFormat, DriverEncoding(node, mode)});
        return known->second;
    });
}

std::vector<V4l2Offer> V4l2OffersOfModes(const std::vector<V4l2Mode>& modes,
                                         const std::function<TYuvEncoding(const V4l2Mode&)>& encodingOf) {
    std::vector<V4l2Offer> offers;
    const auto best = BestV4l2Mode(modes);
    if (!best)
        return offers;
    const auto offerOf = [&](const V4l2Mode& mode) {
        V4l2Offer offer = OfferOf(mode);
        if (IsYuvSubtype(offer.format.subtype))
            offer.format.encoding = encodingOf(mode);
        return offer;
    };
    const V4l2Offer first = offerOf(*best);
    offers.push_back(first);
    const bool rgbAllowed = first.format.subtype == MEDIASUBTYPE_RGB24;
    for (const V4l2Mode& mode : modes) {
        const V4l2Offer offer = offerOf(mode);
        const bool known = std::any_of(offers.begin(), offers.end(), [&](const V4l2Offer& other) {
            return SameFormat(other.format, offer.format);
        });
        if (!known && (rgbAllowed || offer.format.subtype != MEDIASUBTYPE_RGB24))
            offers.push_back(offer);
    }
    return offers;
}

uint32_t V4l2PixelFormatFor(const std::vector<V4l2Offer>& offers, const VideoFormat& format) {
    const auto offer = std::find_if(offers.begin(), offers.end(),
                                    [&](const V4l2Offer& own) { return SameFormat(own.format, format); });
    return offer != offers.end() ? offer->pixelFormat : V4L2_PIX_FMT_BGR24;
}
