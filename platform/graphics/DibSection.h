#pragma once

#include "platform/graphics/GdiTypes.h"

// Device-independent bitmap sections: pixel memory in a described layout, named by a handle.
// Handles are looked up in a process-wide table, so a stale or foreign handle is refused
// rather than followed. Every function here may be called from any thread.

// Creates a section from `info`'s header (and, for BI_BITFIELDS, its masks: inside headers of
// 52 bytes or more, right after shorter ones). The colour table is set with SetDIBColorTable. The pixel
// memory is returned in *bits. Accepts 1, 4, 8, 16, 24 and 32 bits per pixel, one plane, BI_RGB (and
// BI_BITFIELDS at 16 and 32 bits). Returns null for anything else, for sizes that overflow,
// and for a non-null file mapping (not supported). Memory of a fresh section is zero; one
// taken from the pool of released sections of the same size holds that section's old bytes.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);

// Creates a device-dependent bitmap of `header`'s size and depth. With CBM_INIT its pixels come
// from `bits`, `info->bmiHeader.biSizeImage` bytes of them: uncompressed rows, or run-length
// encoded ones (BI_RLE8 at 8 bits, BI_RLE4 at 4 bits), which are expanded here; pixels the data
// does not reach are 0. Run-length pictures must be stored bottom-up. Returns null for anything
// else. The pixels are kept at the header's depth, with a colour table set by SetDIBColorTable.
HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage);

// True for a bitmap made by CreateDIBitmap.
bool IsDeviceDependentBitmap(HBITMAP bitmap);

// The colour table (palette) of a bitmap. Sections of 1, 4 and 8 bits start with a black table
// of the header's colours-used entries, or when that is 0 (or too many) of 2, 16 or 256; deeper
// ones with none, but may be given one. A table holds at most
// kMaxColourTable entries. Both return the number of entries set or copied.
inline constexpr UINT kMaxColourTable = 256;
UINT SetDIBColorTable(HBITMAP bitmap, UINT start, UINT count, const RGBQUAD* colours);
UINT GetDIBColorTable(HBITMAP bitmap, UINT start, UINT count, RGBQUAD* colours);

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
