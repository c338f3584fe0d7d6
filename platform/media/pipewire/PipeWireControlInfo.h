#pragma once

#include "platform/media/core/CameraControlInterfaces.h"

#include <cstdint>
#include <optional>
#include <spa/pod/builder.h>
#include <spa/pod/pod.h>
#include <string>

// How a PipeWire node's settings become camera controls. A node describes each setting in a
// PropInfo object (its property id, a description, the type with its range or choices, and the
// labels of a list) and carries the values in one Props object. Settings the V4L2 and libcamera
// nodes name (brightness, contrast, ...) and V4L2 controls they pass through under a custom id
// get V4L2's ids, so that captions, the published interfaces and saved values treat them as a
// V4L2 camera's; any other setting keeps the node's property id. The node's own plumbing (its
// device, descriptor, latency, live mode) is not a camera setting and is left out.
//
// Fractional settings (libcamera's are floats) are whole numbers of hundredths.
inline constexpr int64_t kPipeWireFractionScale = 100;

struct PipeWireControlInfo {
    CameraControl control;  // the value is the default until the Props say otherwise
    uint32_t property = 0;  // the node's property id
    uint32_t valueType = 0; // the pod type a value is written as (SPA_TYPE_Int, _Bool, _Float, ...)
};

// The control a PropInfo object describes; nullopt for the node's plumbing, a setting of the
// generic parameter list, or an object that is not a PropInfo.
std::optional<PipeWireControlInfo> PipeWireControlFromPropInfo(const spa_pod* propInfo);

// The value of `info`'s property in a Props object into `control` (a number, or the text of a
// string); false when the object does not carry it in a type that fits.
bool PipeWireReadValue(const spa_pod* props, const PipeWireControlInfo& info, CameraControl& control);

// A Props object that sets the property to `value` (or `text`, for a string).
const spa_pod* PipeWireBuildProps(spa_pod_builder& builder, const PipeWireControlInfo& info, int64_t value,
                                  const std::string* text);
