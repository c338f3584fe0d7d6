#pragma once

#include <cstddef>
#include <cstdint>

// Decodes one motion-JPEG frame (a JPEG image, Huffman tables optional) into 24-bit bottom-up
// rows, bytes blue, green, red, padded to 4 bytes. False, leaving the target in an unspecified
// state, when the data is not a decodable JPEG or not of the expected size.
bool DecodeMjpegToRgb24(const uint8_t* data, size_t size, int width, int height, uint8_t* target);
