#pragma once

#include "platform/graphics/Bitmap.h"
#include "platform/runtime/Stream.h"

#include <string>

// Writes a picture as an uncompressed 24-bit bitmap file: the 14-byte file header, the 40-byte
// information header and the pixel rows exactly as the picture holds them (already padded; a
// bottom-up picture gets a positive height, a top-down one a negative height). Resolution and
// important-colours come from the picture's header; colours-used is 0. A picture of another
// depth is written converted to 24 bits, bottom-up. An empty picture writes nothing.
// A short write raises "Stream write error".
void SaveBitmapToStream(const TBitmap& picture, TStream& stream);

// Creates (or truncates) the file, held exclusively while it is written, and writes the picture
// into it. "Cannot create file %s" when it cannot be created.
void SaveBitmapToFile(const TBitmap& picture, const std::string& fileName);
