#pragma once

#include "platform/graphics/Canvas.h"
#include "platform/graphics/GdiTypes.h"
#include "platform/graphics/PixelAccess.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

// A section (bmDIB) or a device-dependent bitmap (bmDDB).
enum class TBitmapHandleType { bmDIB, bmDDB };

// The toolkit's bitmap object: a picture whose image is a device-independent bitmap section.
// It owns its image and frees it when it takes another or is destroyed, unless another bitmap
// object still shares that image (Assign). Row access counts from the top of the picture,
// whatever the order of rows in memory.
//
// Threads: one thread at a time, serialised by the canvas lock where the picture is shared
// between the GUI thread and a streaming thread. OnChange runs on the thread that changed it.
class TBitmap {
public:
    TBitmap();
    ~TBitmap();
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    // The current image's section, or null for an empty bitmap.
    HBITMAP Handle() const;
    // Takes `section` as the new image. The same section again changes nothing; otherwise the
    // previous image is let go (freed unless shared), and OnChange is raised. Null empties it.
    void SetHandle(HBITMAP section);
    // Shares `source`'s image, as a copy that costs nothing until one side takes another image.
    void Assign(const TBitmap& source);

    // A new blank (zeroed) image of the given size and format; raises OnChange.
    void SetSize(int width, int height, TPixelFormat format = TPixelFormat::pf24bit);

    int Width() const;
    int Height() const;
    bool Empty() const;
    TPixelFormat PixelFormat() const;
    // Bytes from one row to the next (rows padded to a multiple of 4).
    int LineSize() const;
    TBitmapHandleType HandleType() const;
    // The image's header (size, depth, resolution, colours used), or null for an empty bitmap.
    const BITMAPINFOHEADER* Header() const;

    // The colour table; empty for an empty bitmap and for deeper images that have none.
    std::vector<RGBQUAD> Palette() const;
    // Replaces the colour table's first entries (at most 256). Raises no OnChange.
    void SetPalette(std::span<const RGBQUAD> colours);
    // The pixel format with its masks and colour table, for reading and writing pixel values.
    TPixelLayout Layout() const;

    // The colour of the pixel at column x, row y (0 = top), whatever the depth;
    // CLR_INVALID for a position outside the picture.
    COLORREF Pixels(int x, int y) const;

    // The first byte of `row`, counted from the top. Throws EInvalidGraphic when out of range.
    uint8_t* ScanLine(int row);
    const uint8_t* ScanLine(int row) const;

    TCanvas& Canvas() { return canvas_; }

    // Raised after the bitmap's image changed.
    std::function<void(TBitmap&)> OnChange;

private:
    struct Image;
    void Adopt(std::shared_ptr<Image> image);

    std::shared_ptr<Image> image_;
    TCanvas canvas_;
};
