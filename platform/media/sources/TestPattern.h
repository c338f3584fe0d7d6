#pragma once

#include <cstdint>

// The virtual camera's animated test pattern: colour bars, a white square that travels across
// them, and the frame number in large digits, so a viewer sees at once that frames flow and
// none repeat. Drawn into 24-bit bottom-up rows (blue, green, red), `stride` bytes apart.
void RenderTestPattern(uint8_t* bits, int width, int height, int stride, uint64_t frameNumber);
