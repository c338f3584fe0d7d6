#pragma once

#include "platform/media/cameras/V4l2Access.h"
#include "platform/media/cameras/V4l2Modes.h"
#include "platform/media/core/VideoFormat.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// A V4L2 node that can capture video.
struct V4l2Camera {
    std::string path; // /dev/videoN
    // What a moniker keeps: the node's /dev/v4l/by-id link, else its bus and card name
    // (kBusIdentityPrefix, the bus, "|", the card), else its path.
    std::string identity;
    std::string cardName; // the driver's card name, UTF-8
};

inline constexpr const char* kBusIdentityPrefix = "bus:";

// The node as a camera, or nullopt when it cannot be opened, does not answer the capability
// query, or cannot capture video (a metadata node of a camera, an output device).
std::optional<V4l2Camera> ProbeV4l2Node(const std::shared_ptr<V4l2Access>& access, const std::string& path);

// The camera an identity names now (a by-id link, a bus and card, or a path), wherever its
// node is; nullopt when there is none.
std::optional<V4l2Camera> FindV4l2Camera(const std::shared_ptr<V4l2Access>& access,
                                         const std::string& identity);

// Every node that can capture video, in order of N.
std::vector<V4l2Camera> ListV4l2Cameras(const std::shared_ptr<V4l2Access>& access);

// The 24-bit BGR formats the node offers (libv4l2 converts to it): one per frame size, with the
// size's fastest frame interval. Falls back to the node's current size when the sizes cannot be
// listed; empty when the node offers no BGR at all.
std::vector<VideoFormat> QueryV4l2Formats(const V4l2Node& node);

// A format the V4L2 source offers and the pixel format it asks the device for to capture it.
struct V4l2Offer {
    VideoFormat format;
    uint32_t pixelFormat = 0;
};

// What the capture pin offers: one format per native mode (ListV4l2Modes) with the best mode
// (BestV4l2Mode) first. YUV and MJPEG modes keep their subtype, for a converter downstream; BGR24,
// RGB24 and grey come as 24-bit RGB through libv4l2, and are left out when the best mode is not
// one of them, since a direct connection would take them before any converter is tried. A camera
// without a native mode we convert (Bayer, vendor formats) gets libv4l2's BGR24 formats, the best
// first.
std::vector<V4l2Offer> QueryV4l2Offers(const V4l2Node& node);
// The same offers for modes listed some other way (a PipeWire node's formats), the YUV modes'
// encoding given by `encodingOf`; empty when no mode is one we convert.
std::vector<V4l2Offer> V4l2OffersOfModes(const std::vector<V4l2Mode>& modes,
                                         const std::function<TYuvEncoding(const V4l2Mode&)>& encodingOf);
// The pixel format to capture a connected format in: its offer's, BGR24 when none matches.
uint32_t V4l2PixelFormatFor(const std::vector<V4l2Offer>& offers, const VideoFormat& format);

// The formats with the best of them (BestV4l2Mode's rule) moved to the front, so that a plain
// connection captures in it; the rest keep their order.
std::vector<VideoFormat> BestV4l2FormatFirst(std::vector<VideoFormat> formats);
