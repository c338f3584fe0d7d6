#include "app/ControlCaptions.h"

#include <linux/videodev2.h>

#include <utility>

namespace {

struct Caption {
    uint32_t id;
    const char* text;
};

constexpr Caption kCaptions[] = {
    {V4L2_CID_BRIGHTNESS, "Jasność"},
    {V4L2_CID_CONTRAST, "Kontrast"},
    {V4L2_CID_SATURATION, "Nasycenie"},
    {V4L2_CID_HUE, "Odcień"},
    {V4L2_CID_HUE_AUTO, "Automatyczny odcień"},
    {V4L2_CID_GAMMA, "Gamma"},
    {V4L2_CID_GAIN, "Wzmocnienie"},
    {V4L2_CID_AUTOGAIN, "Automatyczne wzmocnienie"},
    {V4L2_CID_SHARPNESS, "Ostrość obrazu"},
    {V4L2_CID_BACKLIGHT_COMPENSATION, "Kompensacja podświetlenia"},
    {V4L2_CID_POWER_LINE_FREQUENCY, "Częstotliwość sieci"},
    {V4L2_CID_AUTO_WHITE_BALANCE, "Automatyczny balans bieli"},
    {V4L2_CID_WHITE_BALANCE_TEMPERATURE, "Temperatura barwowa"},
    {V4L2_CID_HFLIP, "Odbicie w poziomie"},
    {V4L2_CID_VFLIP, "Odbicie w pionie"},
    {V4L2_CID_EXPOSURE_AUTO, "Ekspozycja automatyczna"},
    {V4L2_CID_EXPOSURE_ABSOLUTE, "Czas ekspozycji"},
    {V4L2_CID_EXPOSURE_AUTO_PRIORITY, "Priorytet ekspozycji"},
    {V4L2_CID_FOCUS_AUTO, "Autofokus"},
    {V4L2_CID_FOCUS_ABSOLUTE, "Ostrość"},
    {V4L2_CID_ZOOM_ABSOLUTE, "Powiększenie"},
    {V4L2_CID_PAN_ABSOLUTE, "Obrót w poziomie"},
    {V4L2_CID_TILT_ABSOLUTE, "Obrót w pionie"},
};

// Items of the standard menus, by control and index.
struct ItemCaption {
    uint32_t id;
    int64_t index;
    const char* text;
};

constexpr ItemCaption kItemCaptions[] = {
    {V4L2_CID_POWER_LINE_FREQUENCY, V4L2_CID_POWER_LINE_FREQUENCY_DISABLED, "Wyłączona"},
    {V4L2_CID_POWER_LINE_FREQUENCY, V4L2_CID_POWER_LINE_FREQUENCY_50HZ, "50 Hz"},
    {V4L2_CID_POWER_LINE_FREQUENCY, V4L2_CID_POWER_LINE_FREQUENCY_60HZ, "60 Hz"},
    {V4L2_CID_POWER_LINE_FREQUENCY, V4L2_CID_POWER_LINE_FREQUENCY_AUTO, "Automatyczna"},
    {V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_AUTO, "Automatyczna"},
    {V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL, "Ręczna"},
    {V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_SHUTTER_PRIORITY, "Priorytet migawki"},
    {V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_APERTURE_PRIORITY, "Priorytet przysłony"},
};

} // namespace

QString ControlCaption(const CameraControl& control) {
    for (const Caption& caption : kCaptions)
        if (caption.id == control.id)
            return QString::fromUtf8(caption.text);
    return QString::fromStdString(control.name);
}

QString ControlClassCaption(const CameraControl& heading) {
    switch (heading.classId) {
    case V4L2_CTRL_CLASS_USER:
        return QString::fromUtf8("Obraz");
    case V4L2_CTRL_CLASS_CAMERA:
        return QString::fromUtf8("Kamera");
    default:
        return QString::fromStdString(heading.name);
    }
}

QString MenuItemCaption(const CameraControl& control, const CameraControlMenuItem& item) {
    for (const ItemCaption& caption : kItemCaptions)
        if (caption.id == control.id && caption.index == item.index)
            return QString::fromUtf8(caption.text);
    return QString::fromStdString(item.name);
}
