#pragma once

#include "platform/graphics/Bitmap.h"
#include "platform/runtime/Stream.h"

#include <string>

// Reads a bitmap file into `picture`, in one forward pass from the stream's position.
//
// Accepted: 12-byte core headers (widened, 3-byte colour entries), 40-byte headers and longer
// ones (version 4 and 5), uncompressed and bit-field pictures of 1, 4, 8, 16, 24 and 32 bits
// into a device-independent bitmap of the file's own format, run-length encoded 8- and 4-bit
// pictures into a device-dependent bitmap; bottom-up and top-down rows; a colour table of the
// colours-used count (or 2, 16, 256 for 1, 4, 8 bits); pixels taken to follow the colour table
// directly, whatever the pixel-offset field says. No bytes at all give an empty picture.
// A pixel array cut short fills what is there and leaves the rest 0. Run-length data whose
// header gives no image size runs to the end of the file.
//
// Errors: "Stream read error" when the file ends inside the headers, masks or colour table;
// "Bitmap image is not valid" for a type other than "BM", planes other than 1, a header size
// below 40 other than 12, and any picture the platform cannot build (including pictures of
// more than kMaxPictureBytes of pixels). A colour table of more than 256 entries keeps its
// first 256; the others are skipped. On any error the picture keeps its previous content.
void LoadBitmapFromStream(TBitmap& picture, TStream& stream);

// Opens the file for reading, others may read it meanwhile ("Cannot open file %s" if it cannot
// be opened), and reads it as above.
void LoadBitmapFromFile(TBitmap& picture, const std::string& fileName);

// The largest pixel array a loaded picture may have: 256 MiB, far beyond any background picture,
// and small enough that a few bytes of header cannot make the reader claim gigabytes.
inline constexpr int64_t kMaxPictureBytes = int64_t{256} << 20;
