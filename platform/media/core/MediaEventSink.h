#pragma once

#include "platform/media/core/GraphInterfaces.h"

#include <cstdint>

// How a filter tells the graph it joined about something that happened (IMediaEventSink, with
// the event codes, in GraphInterfaces.h), and the packing of a picture size into an event.
// Packs a picture size as EC_VIDEO_SIZE_CHANGED carries it.
inline constexpr intptr_t PackVideoSize(int32_t width, int32_t height) {
    return static_cast<intptr_t>((static_cast<uint32_t>(static_cast<uint16_t>(height)) << 16) |
                                 static_cast<uint16_t>(width));
}
