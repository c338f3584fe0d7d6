#pragma once

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/GdiTypes.h"

// Draws the whole of `source`, as it is when the call starts, into `rect` of `target`, scaled
// without blending: destination column x of the rectangle shows source column
// (x - left) * sourceWidth / rectWidth (rounded down), and rows likewise, so whole rows and
// columns are dropped or repeated. Only the part of the rectangle inside `target` changes.
// `source` may be `target` itself. Pixels of the same depth and colour table are copied as they
// are; others go through their colour. An empty rectangle or picture draws nothing. The caller
// holds whatever lock guards the two pictures.
void StretchDraw(TBitmap& target, const RECT& rect, const TBitmap& source);
