#pragma once

#include "platform/media/core/VideoFormat.h"

#include <cstdint>
#include <vector>

// How many of the eight 75% colour bars (vivid's order: white, yellow, cyan, green, magenta,
// red, blue, black) a bottom-up 24-bit frame shows at their centres, three quarters of the way
// down (below vivid's text).
int BarsShown(const std::vector<uint8_t>& frame, const VideoFormat& format);
