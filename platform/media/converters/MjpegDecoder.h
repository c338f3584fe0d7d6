#pragma once

#include <cstddef>
#include <cstdint>

// Decodes one motion-JPEG frame (a JPEG image, Huffman tables optional) straight into 24-bit
// bottom-up rows of `target`, bytes blue, green, red, each row Rgb24Stride(width) bytes (padded
// to 4; the padding is left as it is). False, leaving the target in an unspecified state, when
// the frame is damaged: not a JPEG, not of the expected size, not three components, or with
// its picture data corrupt or cut short. Data left over after the picture (bytes before the
// end marker, a missing end marker) does not damage it.
bool DecodeMjpegToRgb24(const uint8_t* data, size_t size, int width, int height, uint8_t* target);
