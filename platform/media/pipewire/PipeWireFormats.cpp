#include "platform/media/pipewire/PipeWireFormats.h"

#include <algorithm>
#include <linux/videodev2.h>
#include <spa/param/format.h>
#include <spa/param/video/format.h>
#include <spa/param/video/raw.h>
#include <spa/pod/iter.h>

namespace {

struct FormatPair {
    spa_video_format spa;
    uint32_t fourcc;
};

constexpr FormatPair kFormats[] = {
    {SPA_VIDEO_FORMAT_YUY2, V4L2_PIX_FMT_YUYV},  {SPA_VIDEO_FORMAT_UYVY, V4L2_PIX_FMT_UYVY},
    {SPA_VIDEO_FORMAT_NV12, V4L2_PIX_FMT_NV12},  {SPA_VIDEO_FORMAT_I420, V4L2_PIX_FMT_YUV420},
    {SPA_VIDEO_FORMAT_RGB, V4L2_PIX_FMT_RGB24},  {SPA_VIDEO_FORMAT_BGR, V4L2_PIX_FMT_BGR24},
    {SPA_VIDEO_FORMAT_GRAY8, V4L2_PIX_FMT_GREY},
};

uint32_t FourccOf(uint32_t spa) {
    for (const FormatPair& pair : kFormats)
        if (static_cast<uint32_t>(pair.spa) == spa)
            return pair.fourcc;
    return 0;
}

uint32_t SpaFormatOf(uint32_t fourcc) {
    for (const FormatPair& pair : kFormats)
        if (pair.fourcc == fourcc)
            return pair.spa;
    return SPA_VIDEO_FORMAT_UNKNOWN;
}

// The values a property offers: a plain value, an enumeration's alternatives (its default
// when it has none), or a range's or step's default.
template <typename T> std::vector<T> Offered(const spa_pod* pod, uint32_t podType) {
    uint32_t count = 0;
    uint32_t choice = SPA_CHOICE_None;
    const spa_pod* values = spa_pod_get_values(pod, &count, &choice);
    if (!values || values->type != podType || count == 0 || SPA_POD_BODY_SIZE(values) < sizeof(T))
        return {};
    const T* items = static_cast<const T*>(SPA_POD_BODY_CONST(values));
    if (choice == SPA_CHOICE_Enum && count > 1)
        return std::vector<T>(items + 1, items + count);
    return {items[0]};
}

bool Faster(const spa_fraction& a, const spa_fraction& b) {
    return uint64_t{a.num} * b.denom > uint64_t{b.num} * a.denom;
}

} // namespace

void AddPipeWireModes(const spa_pod* format, std::vector<PipeWireMode>& modes) {
    if (!format || !spa_pod_is_object_type(format, SPA_TYPE_OBJECT_Format))
        return;
    uint32_t mediaType = 0;
    uint32_t mediaSubtype = 0;
    std::vector<uint32_t> pixelFormats;
    std::vector<spa_rectangle> sizes;
    std::optional<spa_fraction> fastest;
    TYuvEncoding encoding;
    const auto* object = reinterpret_cast<const spa_pod_object*>(format);
    const spa_pod_prop* property;
    SPA_POD_OBJECT_FOREACH(object, property) {
        switch (property->key) {
        // A negotiated format may wrap even these in a choice of one.
        case SPA_FORMAT_mediaType:
            for (const uint32_t type : Offered<uint32_t>(&property->value, SPA_TYPE_Id))
                mediaType = type;
            break;
        case SPA_FORMAT_mediaSubtype:
            for (const uint32_t subtype : Offered<uint32_t>(&property->value, SPA_TYPE_Id))
                mediaSubtype = subtype;
            break;
        case SPA_FORMAT_VIDEO_format:
            for (const uint32_t spa : Offered<uint32_t>(&property->value, SPA_TYPE_Id))
                if (const uint32_t fourcc = FourccOf(spa))
                    pixelFormats.push_back(fourcc);
            break;
        case SPA_FORMAT_VIDEO_size:
            sizes = Offered<spa_rectangle>(&property->value, SPA_TYPE_Rectangle);
            break;
        case SPA_FORMAT_VIDEO_framerate:
            for (const spa_fraction& rate : Offered<spa_fraction>(&property->value, SPA_TYPE_Fraction))
                if (rate.num != 0 && rate.denom != 0 && (!fastest || Faster(rate, *fastest)))
                    fastest = rate;
            break;
        case SPA_FORMAT_VIDEO_colorMatrix:
            for (const uint32_t matrix : Offered<uint32_t>(&property->value, SPA_TYPE_Id))
                if (matrix == SPA_VIDEO_COLOR_MATRIX_BT709)
                    encoding.matrix = TYuvMatrix::Bt709;
            break;
        case SPA_FORMAT_VIDEO_colorRange:
            for (const uint32_t range : Offered<uint32_t>(&property->value, SPA_TYPE_Id))
                if (range == SPA_VIDEO_COLOR_RANGE_0_255)
                    encoding.range = TYuvRange::Full;
            break;
        default:
            break;
        }
    }
    if (mediaType != SPA_MEDIA_TYPE_video)
        return;
    if (mediaSubtype == SPA_MEDIA_SUBTYPE_mjpg)
        pixelFormats = {V4L2_PIX_FMT_MJPEG};
    else if (mediaSubtype != SPA_MEDIA_SUBTYPE_raw)
        return;
    for (const uint32_t pixelFormat : pixelFormats)
        for (const spa_rectangle& size : sizes) {
            if (size.width == 0 || size.height == 0 || size.width > 16384 || size.height > 16384)
                continue;
            PipeWireMode mode{pixelFormat,
                              static_cast<int32_t>(size.width),
                              static_cast<int32_t>(size.height),
                              fastest ? fastest->num : 0,
                              fastest ? fastest->denom : 0,
                              pixelFormat == V4L2_PIX_FMT_MJPEG ? TYuvEncoding{} : encoding};
            if (std::find(modes.begin(), modes.end(), mode) == modes.end())
                modes.push_back(mode);
        }
}

std::optional<PipeWireMode> PipeWireModeOf(const spa_pod* format) {
    std::vector<PipeWireMode> modes;
    AddPipeWireModes(format, modes);
    if (modes.size() != 1)
        return std::nullopt;
    return modes.front();
}

const spa_pod* BuildPipeWireFormat(spa_pod_builder& builder, const PipeWireMode& mode) {
    spa_pod_frame frame;
    spa_pod_builder_push_object(&builder, &frame, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat);
    const bool compressed = mode.pixelFormat == V4L2_PIX_FMT_MJPEG;
    spa_pod_builder_add(&builder, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video),
                        SPA_FORMAT_mediaSubtype,
                        SPA_POD_Id(compressed ? SPA_MEDIA_SUBTYPE_mjpg : SPA_MEDIA_SUBTYPE_raw), 0);
    if (!compressed)
        spa_pod_builder_add(&builder, SPA_FORMAT_VIDEO_format, SPA_POD_Id(SpaFormatOf(mode.pixelFormat)), 0);
    const spa_rectangle size{static_cast<uint32_t>(mode.width), static_cast<uint32_t>(mode.height)};
    spa_pod_builder_add(&builder, SPA_FORMAT_VIDEO_size, SPA_POD_Rectangle(&size), 0);
    if (mode.rateNumerator != 0 && mode.rateDenominator != 0) {
        const spa_fraction rate{mode.rateNumerator, mode.rateDenominator};
        spa_pod_builder_add(&builder, SPA_FORMAT_VIDEO_framerate, SPA_POD_Fraction(&rate), 0);
    }
    return static_cast<const spa_pod*>(spa_pod_builder_pop(&builder, &frame));
}
