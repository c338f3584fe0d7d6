#pragma once

#include "platform/graphics/GdiTypes.h"

// Device-independent bitmap sections: pixel memory in a described layout, named by a handle.
// Handles are looked up in a process-wide table, so a stale or foreign handle is refused
// rather than followed. Every function here may be called from any thread.

// Creates a section from `info`'s header (and colour table or masks). The pixel memory is
// returned in *bits. Accepts 1, 4, 8, 16, 24 and 32 bits per pixel, one plane, BI_RGB (and
// BI_BITFIELDS at 16 and 32 bits). Returns null for anything else, for sizes that overflow,
// and for a non-null file mapping (not supported). Memory of a fresh section is zero; one
// taken from the pool of released sections of the same size holds that section's old bytes.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);

// Frees a drawing object. False when the handle names no live object.
bool DeleteObject(HGDIOBJ object);
inline bool DeleteObject(HBITMAP bitmap) {
    return DeleteObject(ToGdiObject(bitmap));
}

// Describes a bitmap: sizeof(BITMAP) or sizeof(DIBSECTION) bytes. Returns the bytes written, 0 on failure.
int GetObject(HGDIOBJ object, int size, void* out);
inline int GetObject(HBITMAP bitmap, int size, void* out) {
    return GetObject(ToGdiObject(bitmap), size, out);
}

// How many drawing objects are alive in the process (for leak checks).
size_t LiveGdiObjectCount();

// Bytes in one row of a bitmap: rows are padded to a multiple of 4 bytes. -1 on overflow.
int64_t DibLineSize(int bitCount, int64_t width);
