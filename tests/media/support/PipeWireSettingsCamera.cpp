// A camera node that publishes settings the way PipeWire's V4L2 and libcamera nodes do, for the
// tests of camera settings through PipeWire: brightness under the standard property, a V4L2
// menu under a custom id with its labels, a libcamera-like fractional saturation, and the node's
// device (plumbing, not a setting). A Props set by any client is taken and published again, so
// the daemon tells every subscriber. It offers YUY2 320x240 at 30 and sends no frames. Runs
// until killed.
#include <linux/videodev2.h>
#include <pipewire/pipewire.h>
#include <spa/param/props.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include <cstdio>

namespace {

constexpr uint32_t kPowerLine = SPA_PROP_START_CUSTOM + V4L2_CID_POWER_LINE_FREQUENCY;
constexpr uint32_t kSaturation = SPA_PROP_START_CUSTOM + 12;

struct Node {
    pw_stream* stream = nullptr;
    int32_t brightness = 128;
    int32_t powerLine = 1;
    float saturation = 1.0f;
};

const spa_pod* Format(spa_pod_builder& builder) {
    spa_rectangle size = SPA_RECTANGLE(320, 240);
    spa_fraction rate = SPA_FRACTION(30, 1);
    return static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
        SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw),
        SPA_FORMAT_VIDEO_format, SPA_POD_Id(SPA_VIDEO_FORMAT_YUY2), SPA_FORMAT_VIDEO_size,
        SPA_POD_Rectangle(&size), SPA_FORMAT_VIDEO_framerate, SPA_POD_Fraction(&rate)));
}

void Publish(Node& node) {
    uint8_t buffer[4096];
    spa_pod_builder builder{};
    spa_pod_builder_init(&builder, buffer, sizeof buffer);
    const spa_pod* params[6];
    params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_PropInfo, SPA_PARAM_PropInfo, SPA_PROP_INFO_id, SPA_POD_Id(SPA_PROP_device),
        SPA_PROP_INFO_description, SPA_POD_String("The device"), SPA_PROP_INFO_type,
        SPA_POD_String("/dev/video9")));
    params[1] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_PropInfo, SPA_PARAM_PropInfo, SPA_PROP_INFO_id,
        SPA_POD_Id(SPA_PROP_brightness), SPA_PROP_INFO_description, SPA_POD_String("Brightness"),
        SPA_PROP_INFO_type, SPA_POD_CHOICE_STEP_Int(128, 0, 255, 1)));
    spa_pod_frame frames[2];
    spa_pod_builder_push_object(&builder, &frames[0], SPA_TYPE_OBJECT_PropInfo, SPA_PARAM_PropInfo);
    spa_pod_builder_add(&builder, SPA_PROP_INFO_id, SPA_POD_Id(kPowerLine), SPA_PROP_INFO_description,
                        SPA_POD_String("Power Line Frequency"), SPA_PROP_INFO_type,
                        SPA_POD_CHOICE_ENUM_Int(1, 1), 0);
    spa_pod_builder_prop(&builder, SPA_PROP_INFO_labels, 0);
    spa_pod_builder_push_struct(&builder, &frames[1]);
    const char* const labels[] = {"Disabled", "50 Hz", "60 Hz"};
    for (int index = 0; index < 3; ++index) {
        spa_pod_builder_int(&builder, index);
        spa_pod_builder_string(&builder, labels[index]);
    }
    spa_pod_builder_pop(&builder, &frames[1]);
    params[2] = static_cast<const spa_pod*>(spa_pod_builder_pop(&builder, &frames[0]));
    params[3] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_PropInfo, SPA_PARAM_PropInfo, SPA_PROP_INFO_id, SPA_POD_Id(kSaturation),
        SPA_PROP_INFO_description, SPA_POD_String("Saturation"), SPA_PROP_INFO_type,
        SPA_POD_CHOICE_RANGE_Float(1.0f, 0.0f, 32.0f)));
    params[4] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_Props, SPA_PARAM_Props, SPA_PROP_device, SPA_POD_String("/dev/video9"),
        SPA_PROP_brightness, SPA_POD_Int(node.brightness), kPowerLine, SPA_POD_Int(node.powerLine),
        kSaturation, SPA_POD_Float(node.saturation)));
    params[5] = Format(builder);
    pw_stream_update_params(node.stream, params, 6);
}

void ParamChanged(void* data, uint32_t id, const spa_pod* param) {
    auto& node = *static_cast<Node*>(data);
    if (id != SPA_PARAM_Props || !param)
        return;
    spa_pod_parse_object(param, SPA_TYPE_OBJECT_Props, nullptr, SPA_PROP_brightness,
                         SPA_POD_OPT_Int(&node.brightness), kPowerLine, SPA_POD_OPT_Int(&node.powerLine),
                         kSaturation, SPA_POD_OPT_Float(&node.saturation));
    Publish(node);
}

} // namespace

int main(int argc, char** argv) {
    pw_init(&argc, &argv);
    pw_main_loop* loop = pw_main_loop_new(nullptr);
    pw_stream_events events{};
    events.version = PW_VERSION_STREAM_EVENTS;
    events.param_changed = &ParamChanged;
    Node node;
    node.stream = pw_stream_new_simple(pw_main_loop_get_loop(loop), "settings-camera",
                                       pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CLASS,
                                                         "Video/Source", PW_KEY_MEDIA_ROLE, "Camera",
                                                         PW_KEY_NODE_NAME, "settings-camera",
                                                         PW_KEY_NODE_DESCRIPTION, "Settings camera", nullptr),
                                       &events, &node);
    uint8_t buffer[1024];
    spa_pod_builder builder{};
    spa_pod_builder_init(&builder, buffer, sizeof buffer);
    const spa_pod* format = Format(builder);
    if (pw_stream_connect(node.stream, PW_DIRECTION_OUTPUT, PW_ID_ANY,
                          static_cast<pw_stream_flags>(PW_STREAM_FLAG_DRIVER | PW_STREAM_FLAG_MAP_BUFFERS),
                          &format, 1) < 0) {
        std::fprintf(stderr, "pipewire_settings_camera: cannot connect the stream\n");
        return 1;
    }
    Publish(node);
    pw_main_loop_run(loop);
    return 0;
}
