#pragma once

#include "platform/media/cameras/V4l2Access.h"
#include "platform/media/core/MediaType.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// One way a camera can send pictures: its pixel format (a V4L2 fourcc), a size, and the
// fastest frame interval it lists there (100 ns units; 0 when it lists none).
struct V4l2Mode {
    uint32_t pixelFormat = 0;
    int32_t width = 0;
    int32_t height = 0;
    REFERENCE_TIME interval = 0;

    friend bool operator==(const V4l2Mode&, const V4l2Mode&) = default;
};

// Whether a size a driver reports is one to believe: positive, and no side above 16384.
bool PlausibleV4l2Size(uint32_t width, uint32_t height);

// Calls visit with every capture format the node lists (libv4l2's emulated ones flagged
// V4L2_FMT_FLAG_EMULATED), up to a bounded number.
void ForEachV4l2Format(const V4l2Node& node,
                       const std::function<void(uint32_t pixelFormat, uint32_t flags)>& visit);

// Calls visit with every plausible size the node lists for the pixel format: each discrete size,
// or the largest and smallest of a range. Stops after a bounded number, whatever the driver says.
void ForEachV4l2Size(const V4l2Node& node, uint32_t pixelFormat,
                     const std::function<void(uint32_t width, uint32_t height)>& visit);

// Whether the program has a conversion of its own for the pixel format (packed and planar YUV,
// MJPEG and JPEG, 24-bit RGB and BGR, grey).
bool IsConvertedV4l2Format(uint32_t pixelFormat);

// The modes the camera itself offers in the formats we convert, in the order it lists them.
// libv4l2's emulated formats are left out: they are its conversions, not the camera's.
std::vector<V4l2Mode> ListV4l2Modes(const V4l2Node& node);

// The mode to capture in: the largest size up to 1920 x 1080 at which some mode reaches 30
// frames a second; failing that, the fastest rate, at the largest size that has it. Sizes above
// 1920 x 1080 count only when there is no other. At equal size and rate, the format cheapest to
// convert wins. nullopt for no modes.
std::optional<V4l2Mode> BestV4l2Mode(const std::vector<V4l2Mode>& modes);
