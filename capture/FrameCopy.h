#pragma once

#include "platform/graphics/Bitmap.h"
#include "platform/media/core/SampleGrabberInterface.h"

#include <cstdint>

// Bytes in one row of a frame: 15 bits per pixel count as 16, rows are padded to 4 bytes.
// Signed 32-bit arithmetic that wraps on overflow, as the frame's header fields are.
int32_t FrameLineSize(int32_t bitCount, int32_t width);

// Copies one video sample into `bitmap` as a new bitmap section in the format that the grabber's
// input pin connected with. `buffer` is the sample's bytes (`bufferLen` of them); null takes the
// grabber's stored copy of its last sample. True when the bitmap now holds the frame; false
// (bitmap unchanged) for no bitmap, an empty buffer, no grabber, no connection, a type that is
// not video in a video-info format, or a section that cannot be made. Runs on the caller's
// thread; the caller holds whatever lock guards the bitmap.
bool GetBitmap(ISampleGrabber* grabber, TBitmap* bitmap, const void* buffer = nullptr, int32_t bufferLen = 0);
