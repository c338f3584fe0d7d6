#pragma once

#include "platform/media/core/CameraControlInterfaces.h"

#include <QString>

// The Polish captions of the standard camera controls and of their menus' items; any other
// control, class or item keeps the name its driver gives.
QString ControlCaption(const CameraControl& control);
QString ControlClassCaption(const CameraControl& heading);
QString MenuItemCaption(const CameraControl& control, const CameraControlMenuItem& item);
