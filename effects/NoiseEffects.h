#pragma once

#include "effects/RandomGenerator.h"

#include <cstdint>
#include <vector>

// The noise effects: each draws from the program's generator, pixel by pixel left to right,
// and within a pixel blue, green, red. Sums clamp at 255. `draws` is scratch space the caller
// keeps between rows, so that the pass allocates nothing per frame.

// One draw below 55 for each channel.
void ColourNoise(uint8_t* row, int x0, int x1, TRandomGenerator& random, std::vector<uint8_t>& draws);
// One draw below 25 for each pixel, added to all three channels.
void GreyNoise(uint8_t* row, int x0, int x1, TRandomGenerator& random, std::vector<uint8_t>& draws);
