#pragma once

#include <cstdint>

// Row kernels for processors with AVX-512 and its byte permutes (VBMI): 64 pixels, or 64 table
// look-ups, at a time. Each does exactly what the portable loop of its effect does. The pixel
// kernels process whole groups of 64 pixels and return how many pixels they did; the caller
// finishes the rest with its portable loop. The effects call them only when FastKernelsActive().
namespace fast {

// True when the processor has the instructions and the kernels have not been switched off.
bool FastKernelsActive();
// Switches the kernels off (or back on, where available); the tests compare both paths.
void SetFastKernelsEnabled(bool enabled);

// p[k] := table[p[k]] for all count bytes.
void MapBytes(uint8_t* p, int count, const uint8_t* table);
// Each pixel's three bytes := its byte of channel c (0 blue, 1 green, 2 red).
int GreyFromChannel(uint8_t* p, int pixels, int channel);
// Each pixel := (B + G + R) div 3 on all channels.
int GreyFromMean(uint8_t* p, int pixels);
// Each pixel := 255 where B + G + R >= 387, else 0.
int BlackAndWhite(uint8_t* p, int pixels);
// Each pixel := R and G on all channels.
int PredatorVision(uint8_t* p, int pixels);
// The blots of the given pixels, each combined with the copied pixel to its right (which must
// exist past the last one).
int Blots(uint8_t* p, int pixels);
// to[k] := from[pixels - 1 - k] for all whole pixels; the two ranges do not overlap.
void ReversePixels(uint8_t* to, const uint8_t* from, int pixels);

} // namespace fast
