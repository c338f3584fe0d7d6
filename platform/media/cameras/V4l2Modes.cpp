#include "platform/media/cameras/V4l2Modes.h"

#include "platform/media/cameras/V4l2FrameInterval.h"

#include <algorithm>
#include <array>
#include <linux/videodev2.h>

namespace {

// Upper bounds on what a driver may list, so a misbehaving one cannot keep us looping.
constexpr uint32_t kMaxListed = 256;
constexpr uint32_t kMaxSide = 16384;

// 30 frames a second is 333333; drivers that list 30000/1001 or round their fractions land a
// little above it.
constexpr REFERENCE_TIME kThirtyPerSecond = 333667;
constexpr int32_t kLargestWidth = 1920;
constexpr int32_t kLargestHeight = 1080;

// Cheapest to convert to our RGB first: copies, then packed YUV, then planar, then decoding.
constexpr std::array kByCost{V4L2_PIX_FMT_BGR24,  V4L2_PIX_FMT_RGB24, V4L2_PIX_FMT_GREY,
                             V4L2_PIX_FMT_YUYV,   V4L2_PIX_FMT_UYVY,  V4L2_PIX_FMT_NV12,
                             V4L2_PIX_FMT_YUV420, V4L2_PIX_FMT_MJPEG, V4L2_PIX_FMT_JPEG};

size_t Cost(uint32_t pixelFormat) {
    return static_cast<size_t>(std::find(kByCost.begin(), kByCost.end(), pixelFormat) - kByCost.begin());
}

bool WithinLargest(const V4l2Mode& mode) {
    return mode.width <= kLargestWidth && mode.height <= kLargestHeight;
}

bool ReachesThirty(const V4l2Mode& mode) {
    return mode.interval > 0 && mode.interval <= kThirtyPerSecond;
}

int64_t Area(const V4l2Mode& mode) {
    return int64_t{mode.width} * mode.height;
}

// Intervals within 0.2% of each other are one rate: 30 and 29.97 frames a second are alike.
bool SameRate(REFERENCE_TIME a, REFERENCE_TIME b) {
    return std::abs(a - b) * 500 <= std::max(a, b);
}

// A faster rate; an unknown rate (0) is slower than any known one.
bool Faster(REFERENCE_TIME a, REFERENCE_TIME b) {
    if (a <= 0 || SameRate(a, b))
        return false;
    return b <= 0 || a < b;
}

bool LargerSize(const V4l2Mode& a, const V4l2Mode& b) {
    return Area(a) != Area(b) ? Area(a) > Area(b) : a.width > b.width;
}

bool SameSize(const V4l2Mode& a, const V4l2Mode& b) {
    return a.width == b.width && a.height == b.height;
}

// With a mode at 30 frames a second: the size leads, then the rate, then the cost.
bool BetterBySize(const V4l2Mode& a, const V4l2Mode& b) {
    if (!SameSize(a, b))
        return LargerSize(a, b);
    if (!SameRate(a.interval, b.interval))
        return Faster(a.interval, b.interval);
    return Cost(a.pixelFormat) < Cost(b.pixelFormat);
}

// Without one: the rate leads, then the size, then the cost.
bool BetterByRate(const V4l2Mode& a, const V4l2Mode& b) {
    if (!SameRate(a.interval, b.interval))
        return Faster(a.interval, b.interval);
    if (!SameSize(a, b))
        return LargerSize(a, b);
    return Cost(a.pixelFormat) < Cost(b.pixelFormat);
}

} // namespace

bool PlausibleV4l2Size(uint32_t width, uint32_t height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide;
}

void ForEachV4l2Format(const V4l2Node& node,
                       const std::function<void(uint32_t pixelFormat, uint32_t flags)>& visit) {
    for (uint32_t index = 0; index < kMaxListed; ++index) {
        v4l2_fmtdesc description{};
        description.index = index;
        description.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (!node.Ioctl(VIDIOC_ENUM_FMT, &description))
            return;
        visit(description.pixelformat, description.flags);
    }
}

void ForEachV4l2Size(const V4l2Node& node, uint32_t pixelFormat,
                     const std::function<void(uint32_t width, uint32_t height)>& visit) {
    const auto plausible = [&visit](uint32_t width, uint32_t height) {
        if (PlausibleV4l2Size(width, height))
            visit(width, height);
    };
    for (uint32_t index = 0; index < kMaxListed; ++index) {
        v4l2_frmsizeenum size{};
        size.index = index;
        size.pixel_format = pixelFormat;
        if (!node.Ioctl(VIDIOC_ENUM_FRAMESIZES, &size))
            break;
        if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
            plausible(size.discrete.width, size.discrete.height);
        } else {
            // A range: its largest and smallest sizes stand for it.
            plausible(size.stepwise.max_width, size.stepwise.max_height);
            plausible(size.stepwise.min_width, size.stepwise.min_height);
            break;
        }
    }
}

bool IsConvertedV4l2Format(uint32_t pixelFormat) {
    return Cost(pixelFormat) < kByCost.size();
}

std::vector<V4l2Mode> ListV4l2Modes(const V4l2Node& node) {
    std::vector<V4l2Mode> modes;
    const auto ioctl = [&node](unsigned long request, void* argument) {
        return node.Ioctl(request, argument);
    };
    ForEachV4l2Format(node, [&](uint32_t pixelFormat, uint32_t flags) {
        if ((flags & V4L2_FMT_FLAG_EMULATED) || !IsConvertedV4l2Format(pixelFormat))
            return;
        ForEachV4l2Size(node, pixelFormat, [&](uint32_t width, uint32_t height) {
            const auto fastest = FastestV4l2Interval(ioctl, pixelFormat, width, height);
            const V4l2Mode mode{pixelFormat, static_cast<int32_t>(width), static_cast<int32_t>(height),
                                fastest ? IntervalTime(*fastest) : 0};
            if (modes.size() < kMaxListed && std::find(modes.begin(), modes.end(), mode) == modes.end())
                modes.push_back(mode);
        });
    });
    return modes;
}

std::optional<V4l2Mode> BestV4l2Mode(const std::vector<V4l2Mode>& modes) {
    std::vector<V4l2Mode> candidates;
    std::copy_if(modes.begin(), modes.end(), std::back_inserter(candidates), WithinLargest);
    if (candidates.empty())
        candidates = modes;
    const bool thirty = std::any_of(candidates.begin(), candidates.end(), ReachesThirty);
    if (thirty)
        std::erase_if(candidates, [](const V4l2Mode& mode) { return !ReachesThirty(mode); });
    const auto best =
        std::min_element(candidates.begin(), candidates.end(), thirty ? BetterBySize : BetterByRate);
    if (best == candidates.end())
        return std::nullopt;
    return *best;
}
