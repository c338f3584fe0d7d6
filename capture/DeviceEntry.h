#pragma once

#include "platform/com/Guid.h"

#include <string>

// One device of a category as TSysDevEnum lists it, held by value.
struct TDeviceEntry {
    // The device's display name in UTF-8, at most 255 bytes: a longer name keeps as many whole
    // characters as fit.
    std::string FriendlyName;
    // The class id of the device's filter as its property bag gives it; all zero without one.
    GUID CLSID = GUID_NULL;
};
