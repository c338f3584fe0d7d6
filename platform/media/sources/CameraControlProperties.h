#pragma once

#include "platform/media/core/CameraControlInterfaces.h"

#include <cstdint>
#include <optional>

// The published image and camera properties (IAMVideoProcAmp, IAMCameraControl) as controls of
// ICameraControls: the control that holds the value and, where the camera has one, the control
// that switches the camera's own setting of it on (automatic white balance for the white
// balance). The exposure is in log2 seconds there and in 100 us steps in the control.
struct PublishedProperty {
    uint32_t valueId = 0;
    uint32_t autoId = 0; // 0: none
    bool logSeconds = false;
};
std::optional<PublishedProperty> ImageProperty(long property);
std::optional<PublishedProperty> CameraProperty(long property);

// The published methods over the controls. Flags: 1 automatic, 2 manual, as both interfaces
// number them. E_PROP_ID_UNSUPPORTED for a property without a control.
HRESULT GetPropertyRange(ICameraControls& controls, const std::optional<PublishedProperty>& property,
                         long* minimum, long* maximum, long* step, long* defaultValue, long* capsFlags);
HRESULT SetProperty(ICameraControls& controls, const std::optional<PublishedProperty>& property, long value,
                    long flags);
HRESULT GetProperty(ICameraControls& controls, const std::optional<PublishedProperty>& property, long* value,
                    long* flags);

// Whether a control switches the camera's own setting of others on or off (automatic exposure,
// white balance, focus, gain, hue, brightness, or any the driver says updates others): such a
// control is set before the values under it, which some drivers refuse while it is on.
bool IsAutomaticMode(const CameraControl& control);
