#pragma once

#include "platform/media/pipewire/PipeWireMode.h"

#include <cstdint>
#include <optional>
#include <spa/pod/builder.h>
#include <vector>

// Adds the modes that one EnumFormat (or Format) object describes: each listed pixel format we
// convert at each listed size, with the fastest rate listed. A range of sizes or rates counts
// as its default, which is what the node prefers. Anything else (other media, formats we do not
// convert) adds nothing.
void AddPipeWireModes(const spa_pod* format, std::vector<PipeWireMode>& modes);

// The negotiated format of a stream, when it is one mode.
std::optional<PipeWireMode> PipeWireModeOf(const spa_pod* format);

// The EnumFormat object that asks for exactly this mode: its format, size and rate.
const spa_pod* BuildPipeWireFormat(spa_pod_builder& builder, const PipeWireMode& mode);
