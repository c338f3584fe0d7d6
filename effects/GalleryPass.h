#pragma once

#include "effects/EffectItem.h"
#include "effects/KeyedBackground.h"
#include "platform/graphics/Bitmap.h"

#include <array>
#include <memory>

// A set of thumbnails: one picture per item of the effects menu, in menu order. The pictures
// are 24-bit with their top row first in memory, so a viewer can show them without flipping.
struct TGalleryThumbnails {
    std::array<TBitmap, kEffectItemCount> pictures;
};

// Makes `picture` a blank 24-bit picture of the given size, top row first in memory, unless it
// is one already.
void MakeTopDownPicture(TBitmap& picture, int width, int height);

// Every item of the effects menu applied to one small picture, each into a thumbnail of its own.
// Each item runs in a frame pass of its own, with a selection of its own (that item checked)
// and a random generator of its own: the program's selection and generator are never read or
// drawn from, so the main pass's sequence of random values is the same with or without the
// gallery. The keying item keys against the main pass's background, sampled down as the frame
// was. One thread at a time.
class TGalleryPass {
public:
    // Thumbnails are this wide, or as wide as the frame when it is narrower, at the frame's
    // aspect. 24 of them are about a quarter of a 1080p frame's pixels.
    static constexpr int kThumbnailWidth = 192;
    struct Size {
        int width = 0;
        int height = 0;
    };
    static Size ThumbnailSize(int frameWidth, int frameHeight);

    TGalleryPass();
    ~TGalleryPass();
    TGalleryPass(const TGalleryPass&) = delete;
    TGalleryPass& operator=(const TGalleryPass&) = delete;

    // The keying item's background and key colour, as the main pass keys a frame of
    // `frame` size (the background at the top left, white beyond it), sampled down to
    // `thumbnail` size the way the frame is. Null: no background, and the item falls through
    // as the main pass's does.
    void SetKeying(const TBitmap* background, TKeyColour key, Size frame, Size thumbnail);

    // Runs every item over `picture` (24-bit), each into its thumbnail, made the picture's size.
    void Run(const TBitmap& picture, TGalleryThumbnails& thumbnails);

private:
    struct Tile;
    std::array<std::unique_ptr<Tile>, kEffectItemCount> tiles_;
    TBitmap background_; // the keying background at thumbnail size
    TKeyedBackground keying_;
};
