#include "platform/media/pipewire/PipeWireControlInfo.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <linux/videodev2.h>
#include <spa/param/param.h>
#include <spa/param/props.h>
#include <spa/pod/iter.h>
#include <vector>

namespace {

// The node's settings with a V4L2 control of the same meaning.
struct Named {
    uint32_t property;
    uint32_t control;
};
constexpr Named kNamed[] = {
    {SPA_PROP_brightness, V4L2_CID_BRIGHTNESS},
    {SPA_PROP_contrast, V4L2_CID_CONTRAST},
    {SPA_PROP_saturation, V4L2_CID_SATURATION},
    {SPA_PROP_hue, V4L2_CID_HUE},
    {SPA_PROP_gamma, V4L2_CID_GAMMA},
    {SPA_PROP_exposure, V4L2_CID_EXPOSURE},
    {SPA_PROP_gain, V4L2_CID_GAIN},
    {SPA_PROP_sharpness, V4L2_CID_SHARPNESS},
};

// V4L2's control ids lie between the user class's first control and the custom range.
constexpr uint32_t kFirstV4l2Control = V4L2_CID_BASE;

uint32_t ControlIdOf(uint32_t property) {
    for (const Named& named : kNamed)
        if (named.property == property)
            return named.control;
    if (property >= SPA_PROP_START_CUSTOM && property - SPA_PROP_START_CUSTOM >= kFirstV4l2Control)
        return property - SPA_PROP_START_CUSTOM; // a V4L2 node passes its other controls through
    return property;
}

// The node's plumbing rather than the camera's settings: the device properties and the generic
// parameter list.
bool IsPlumbing(uint32_t property) {
    return property < SPA_PROP_START_Audio ||
           (property >= SPA_PROP_START_Other && property < SPA_PROP_START_CUSTOM);
}

bool IsNumeric(uint32_t type) {
    switch (type) {
    case SPA_TYPE_Bool:
    case SPA_TYPE_Int:
    case SPA_TYPE_Id:
    case SPA_TYPE_Long:
    case SPA_TYPE_Float:
    case SPA_TYPE_Double:
        return true;
    default:
        return false;
    }
}

// A numeric body as a whole number, fractions in hundredths.
bool NumberOf(uint32_t type, const void* body, int64_t& number) {
    switch (type) {
    case SPA_TYPE_Bool:
    case SPA_TYPE_Int: {
        int32_t value;
        std::memcpy(&value, body, sizeof value);
        number = type == SPA_TYPE_Bool ? value != 0 : value;
        return true;
    }
    case SPA_TYPE_Id: {
        uint32_t value;
        std::memcpy(&value, body, sizeof value);
        number = value;
        return true;
    }
    case SPA_TYPE_Long: {
        int64_t value;
        std::memcpy(&value, body, sizeof value);
        number = value;
        return true;
    }
    case SPA_TYPE_Float: {
        float value;
        std::memcpy(&value, body, sizeof value);
        number = std::llround(static_cast<double>(value) * kPipeWireFractionScale);
        return std::isfinite(value);
    }
    case SPA_TYPE_Double: {
        double value;
        std::memcpy(&value, body, sizeof value);
        number = std::llround(value * kPipeWireFractionScale);
        return std::isfinite(value);
    }
    default:
        return false;
    }
}

bool NumberOf(const spa_pod* pod, int64_t& number) {
    return NumberOf(SPA_POD_TYPE(pod), SPA_POD_BODY_CONST(pod), number);
}

// The widest range a value of the type can take, where the node gives none.
void FullRange(uint32_t type, CameraControl& control) {
    if (type == SPA_TYPE_Int) {
        control.minimum = std::numeric_limits<int32_t>::min();
        control.maximum = std::numeric_limits<int32_t>::max();
    } else if (type == SPA_TYPE_Id) {
        control.minimum = 0;
        control.maximum = std::numeric_limits<uint32_t>::max();
    } else {
        control.minimum = std::numeric_limits<int64_t>::min();
        control.maximum = std::numeric_limits<int64_t>::max();
    }
}

// The labelled items of a list: pairs of a value and its name.
std::vector<CameraControlMenuItem> LabelsOf(const spa_pod* labels) {
    std::vector<CameraControlMenuItem> items;
    if (!labels || !spa_pod_is_struct(labels))
        return items;
    const spa_pod* value = nullptr;
    const void* body = SPA_POD_BODY_CONST(labels);
    for (auto* field = static_cast<const spa_pod*>(body);
         spa_pod_is_inside(body, SPA_POD_BODY_SIZE(labels), field);
         field = static_cast<const spa_pod*>(spa_pod_next(field))) {
        if (!value) {
            value = field;
            continue;
        }
        int64_t index;
        const char* name = nullptr;
        if (NumberOf(value, index) && spa_pod_get_string(field, &name) == 0 && name)
            items.push_back({index, name});
        value = nullptr;
    }
    return items;
}

void Describe(const spa_pod* type, const spa_pod* labels, PipeWireControlInfo& info) {
    CameraControl& control = info.control;
    uint32_t count = 0;
    uint32_t choice = SPA_CHOICE_None;
    const spa_pod* values = spa_pod_get_values(type, &count, &choice);
    info.valueType = SPA_POD_TYPE(values);
    if (count == 0) {
        control.type = CameraControlType::Compound;
        return;
    }
    if (info.valueType == SPA_TYPE_String) {
        const char* text = nullptr;
        control.type = CameraControlType::String;
        control.maximum = 4096;
        if (spa_pod_get_string(values, &text) == 0 && text)
            control.text = text;
        return;
    }
    if (!IsNumeric(info.valueType)) {
        control.type = CameraControlType::Compound;
        return;
    }
    // A choice's values are bodies of the child's size, one after the other.
    const auto* bodies = static_cast<const uint8_t*>(SPA_POD_BODY_CONST(values));
    const auto at = [&](uint32_t index) {
        int64_t number = 0;
        NumberOf(info.valueType, bodies + static_cast<size_t>(index) * SPA_POD_BODY_SIZE(values), number);
        return number;
    };
    control.defaultValue = control.value = at(0);
    const bool fraction = info.valueType == SPA_TYPE_Float || info.valueType == SPA_TYPE_Double;
    if (info.valueType == SPA_TYPE_Bool) {
        control.type = CameraControlType::Boolean;
        control.maximum = 1;
        return;
    }
    control.menu = LabelsOf(labels);
    const bool labelled = !control.menu.empty();
    if (!labelled && choice == SPA_CHOICE_Enum && count > 1 && !fraction)
        for (uint32_t index = 1; index < count; ++index)
            control.menu.push_back({at(index), std::to_string(at(index))});
    if (!control.menu.empty()) {
        control.type = labelled ? CameraControlType::Menu : CameraControlType::IntegerMenu;
        control.minimum = control.maximum = control.menu.front().index;
        for (const CameraControlMenuItem& item : control.menu) {
            control.minimum = std::min(control.minimum, item.index);
            control.maximum = std::max(control.maximum, item.index);
        }
        return;
    }
    control.type =
        info.valueType == SPA_TYPE_Long ? CameraControlType::Integer64 : CameraControlType::Integer;
    if ((choice == SPA_CHOICE_Range || choice == SPA_CHOICE_Step) && count >= 3) {
        control.minimum = at(1);
        control.maximum = at(2);
        if (choice == SPA_CHOICE_Step && count >= 4)
            control.step = std::max<int64_t>(at(3), 1);
    } else {
        FullRange(info.valueType, control);
    }
}

} // namespace

std::optional<PipeWireControlInfo> PipeWireControlFromPropInfo(const spa_pod* propInfo) {
    if (!propInfo || !spa_pod_is_object_type(propInfo, SPA_TYPE_OBJECT_PropInfo))
        return std::nullopt;
    const auto* object = reinterpret_cast<const spa_pod_object*>(propInfo);
    uint32_t property = SPA_ID_INVALID;
    const char* name = nullptr;
    const char* description = nullptr;
    const spa_pod* type = nullptr;
    const spa_pod* labels = nullptr;
    bool generic = false;
    const spa_pod_prop* field;
    SPA_POD_OBJECT_FOREACH(object, field) {
        switch (field->key) {
        case SPA_PROP_INFO_id:
            spa_pod_get_id(&field->value, &property);
            break;
        case SPA_PROP_INFO_name:
            spa_pod_get_string(&field->value, &name);
            break;
        case SPA_PROP_INFO_description:
            spa_pod_get_string(&field->value, &description);
            break;
        case SPA_PROP_INFO_type:
            type = &field->value;
            break;
        case SPA_PROP_INFO_labels:
            labels = &field->value;
            break;
        case SPA_PROP_INFO_params:
            spa_pod_get_bool(&field->value, &generic);
            break;
        default:
            break;
        }
    }
    if (property == SPA_ID_INVALID || !type || generic || IsPlumbing(property))
        return std::nullopt;
    PipeWireControlInfo info;
    info.property = property;
    info.control.id = ControlIdOf(property);
    info.control.classId = info.control.id >= kFirstV4l2Control && info.control.id < SPA_PROP_START_CUSTOM
                               ? V4L2_CTRL_ID2WHICH(info.control.id)
                               : 0;
    info.control.name = description ? description : name ? name : std::to_string(property);
    Describe(type, labels, info);
    return info;
}

bool PipeWireReadValue(const spa_pod* props, const PipeWireControlInfo& info, CameraControl& control) {
    if (!props || !spa_pod_is_object_type(props, SPA_TYPE_OBJECT_Props))
        return false;
    const spa_pod_prop* field = spa_pod_find_prop(props, nullptr, info.property);
    if (!field)
        return false;
    uint32_t count = 0;
    uint32_t choice = SPA_CHOICE_None;
    const spa_pod* value = spa_pod_get_values(&field->value, &count, &choice);
    if (count == 0)
        return false;
    if (info.valueType == SPA_TYPE_String) {
        const char* text = nullptr;
        if (spa_pod_get_string(value, &text) != 0 || !text)
            return false;
        control.text = text;
        return true;
    }
    // A node may give an Id where it described an Int (or the other way round); both are numbers.
    return IsNumeric(SPA_POD_TYPE(value)) && NumberOf(value, control.value);
}

const spa_pod* PipeWireBuildProps(spa_pod_builder& builder, const PipeWireControlInfo& info, int64_t value,
                                  const std::string* text) {
    spa_pod_frame frame;
    spa_pod_builder_push_object(&builder, &frame, SPA_TYPE_OBJECT_Props, SPA_PARAM_Props);
    spa_pod_builder_prop(&builder, info.property, 0);
    const double fraction = static_cast<double>(value) / kPipeWireFractionScale;
    switch (info.valueType) {
    case SPA_TYPE_Bool:
        spa_pod_builder_bool(&builder, value != 0);
        break;
    case SPA_TYPE_Id:
        spa_pod_builder_id(&builder, static_cast<uint32_t>(value));
        break;
    case SPA_TYPE_Long:
        spa_pod_builder_long(&builder, value);
        break;
    case SPA_TYPE_Float:
        spa_pod_builder_float(&builder, static_cast<float>(fraction));
        break;
    case SPA_TYPE_Double:
        spa_pod_builder_double(&builder, fraction);
        break;
    case SPA_TYPE_String:
        spa_pod_builder_string(&builder, text ? text->c_str() : "");
        break;
    default:
        spa_pod_builder_int(&builder, static_cast<int32_t>(value));
        break;
    }
    return static_cast<const spa_pod*>(spa_pod_builder_pop(&builder, &frame));
}
