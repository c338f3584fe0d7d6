#include "platform/media/sources/CameraControlProperties.h"

#include <algorithm>
#include <cmath>
#include <linux/videodev2.h>

namespace {

constexpr long kAuto = 1;
constexpr long kManual = 2;

// 100 us steps and log2 seconds.
long LogSeconds(int64_t steps) {
    return std::lround(std::log2(static_cast<double>(std::max<int64_t>(steps, 1)) * 1e-4));
}
int64_t Steps(long logSeconds) {
    return std::llround(std::exp2(static_cast<double>(logSeconds)) * 1e4);
}

long Published(const PublishedProperty& property, int64_t value) {
    return property.logSeconds ? LogSeconds(value) : static_cast<long>(value);
}

// An automatic mode is on unless the control says manual: exposure's menu has several modes.
bool AutoOn(const CameraControl& control) {
    return control.id == V4L2_CID_EXPOSURE_AUTO ? control.value != V4L2_EXPOSURE_MANUAL : control.value != 0;
}

HRESULT SetAuto(ICameraControls& controls, uint32_t id, bool on) {
    if (id != V4L2_CID_EXPOSURE_AUTO)
        return controls.SetValue(id, on ? 1 : 0);
    if (!on)
        return controls.SetValue(id, V4L2_EXPOSURE_MANUAL);
    // Many cameras offer only the aperture-priority mode beside the manual one.
    const HRESULT full = controls.SetValue(id, V4L2_EXPOSURE_AUTO);
    return SUCCEEDED(full) ? full : controls.SetValue(id, V4L2_EXPOSURE_APERTURE_PRIORITY);
}

} // namespace

std::optional<PublishedProperty> ImageProperty(long property) {
    switch (property) {
    case VideoProcAmp_Brightness:
        return PublishedProperty{V4L2_CID_BRIGHTNESS, V4L2_CID_AUTOBRIGHTNESS};
    case VideoProcAmp_Contrast:
        return PublishedProperty{V4L2_CID_CONTRAST};
    case VideoProcAmp_Hue:
        return PublishedProperty{V4L2_CID_HUE, V4L2_CID_HUE_AUTO};
    case VideoProcAmp_Saturation:
        return PublishedProperty{V4L2_CID_SATURATION};
    case VideoProcAmp_Sharpness:
        return PublishedProperty{V4L2_CID_SHARPNESS};
    case VideoProcAmp_Gamma:
        return PublishedProperty{V4L2_CID_GAMMA};
    case VideoProcAmp_WhiteBalance:
        return PublishedProperty{V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CID_AUTO_WHITE_BALANCE};
    case VideoProcAmp_BacklightCompensation:
        return PublishedProperty{V4L2_CID_BACKLIGHT_COMPENSATION};
    case VideoProcAmp_Gain:
        return PublishedProperty{V4L2_CID_GAIN, V4L2_CID_AUTOGAIN};
    default:
        return std::nullopt; // colour enable has no V4L2 control of its own
    }
}

std::optional<PublishedProperty> CameraProperty(long property) {
    switch (property) {
    case CameraControl_Pan:
        return PublishedProperty{V4L2_CID_PAN_ABSOLUTE};
    case CameraControl_Tilt:
        return PublishedProperty{V4L2_CID_TILT_ABSOLUTE};
    case CameraControl_Zoom:
        return PublishedProperty{V4L2_CID_ZOOM_ABSOLUTE};
    case CameraControl_Exposure:
        return PublishedProperty{V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CID_EXPOSURE_AUTO, true};
    case CameraControl_Iris:
        return PublishedProperty{V4L2_CID_IRIS_ABSOLUTE};
    case CameraControl_Focus:
        return PublishedProperty{V4L2_CID_FOCUS_ABSOLUTE, V4L2_CID_FOCUS_AUTO};
    default:
        return std::nullopt; // roll has no V4L2 control
    }
}

HRESULT GetPropertyRange(ICameraControls& controls, const std::optional<PublishedProperty>& property,
                         long* minimum, long* maximum, long* step, long* defaultValue, long* capsFlags) {
    if (!minimum || !maximum || !step || !defaultValue || !capsFlags)
        return E_POINTER;
    CameraControl control;
    if (!property || FAILED(controls.GetControl(property->valueId, control)))
        return E_PROP_ID_UNSUPPORTED;
    *minimum = Published(*property, control.minimum);
    *maximum = Published(*property, control.maximum);
    *step = property->logSeconds ? 1 : static_cast<long>(control.step);
    *defaultValue = Published(*property, control.defaultValue);
    CameraControl automatic;
    *capsFlags = kManual;
    if (property->autoId && SUCCEEDED(controls.GetControl(property->autoId, automatic)))
        *capsFlags |= kAuto;
    return S_OK;
}

HRESULT SetProperty(ICameraControls& controls, const std::optional<PublishedProperty>& property, long value,
                    long flags) {
    CameraControl control;
    if (!property || FAILED(controls.GetControl(property->valueId, control)))
        return E_PROP_ID_UNSUPPORTED;
    if (flags & kAuto)
        return property->autoId ? SetAuto(controls, property->autoId, true) : E_INVALIDARG;
    if (property->autoId) {
        CameraControl automatic;
        if (SUCCEEDED(controls.GetControl(property->autoId, automatic)) && AutoOn(automatic))
            if (const HRESULT manual = SetAuto(controls, property->autoId, false); FAILED(manual))
                return manual;
    }
    const int64_t own = property->logSeconds ? std::clamp(Steps(value), control.minimum, control.maximum)
                                             : static_cast<int64_t>(value);
    return controls.SetValue(property->valueId, own);
}

HRESULT GetProperty(ICameraControls& controls, const std::optional<PublishedProperty>& property, long* value,
                    long* flags) {
    if (!value || !flags)
        return E_POINTER;
    CameraControl control;
    if (!property || FAILED(controls.GetControl(property->valueId, control)))
        return E_PROP_ID_UNSUPPORTED;
    *value = Published(*property, control.value);
    CameraControl automatic;
    *flags =
        property->autoId && SUCCEEDED(controls.GetControl(property->autoId, automatic)) && AutoOn(automatic)
            ? kAuto
            : kManual;
    return S_OK;
}

bool IsAutomaticMode(const CameraControl& control) {
    switch (control.id) {
    case V4L2_CID_EXPOSURE_AUTO:
    case V4L2_CID_AUTO_WHITE_BALANCE:
    case V4L2_CID_FOCUS_AUTO:
    case V4L2_CID_AUTOGAIN:
    case V4L2_CID_HUE_AUTO:
    case V4L2_CID_AUTOBRIGHTNESS:
        return true;
    default:
        return control.updatesOthers;
    }
}
