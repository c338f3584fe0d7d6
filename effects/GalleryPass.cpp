#include "effects/GalleryPass.h"

#include "effects/EffectSelection.h"
#include "effects/FramePass.h"
#include "platform/graphics/DibSection.h"
#include "platform/graphics/NearestSampler.h"

#include <cstring>

struct TGalleryPass::Tile {
    explicit Tile(TEffectItem item, uint32_t seed) : random(seed), pass(selection, random) {
        selection.Select(item);
    }
    TEffectSelection selection;
    TRandomGenerator random;
    TFramePass pass;
};

void MakeTopDownPicture(TBitmap& picture, int width, int height) {
    if (width <= 0 || height <= 0)
        return picture.SetHandle(nullptr);
    if (picture.Width() == width && picture.Height() == height &&
        picture.PixelFormat() == TPixelFormat::pf24bit && picture.Header() && picture.Header()->biHeight < 0)
        return;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    picture.SetHandle(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
}

TGalleryPass::Size TGalleryPass::ThumbnailSize(int frameWidth, int frameHeight) {
    if (frameWidth <= 0 || frameHeight <= 0)
        return {};
    if (frameWidth <= kThumbnailWidth)
        return {frameWidth, frameHeight};
    const int height =
        static_cast<int>((static_cast<int64_t>(frameHeight) * kThumbnailWidth + frameWidth / 2) / frameWidth);
    return {kThumbnailWidth, height > 0 ? height : 1};
}

TGalleryPass::TGalleryPass() {
    for (const TEffectInfo& info : EffectCatalogue()) {
        // A seed of each tile's own; the noise changes from frame to frame as each generator goes on.
        const auto index = static_cast<size_t>(info.item);
        tiles_[index] = std::make_unique<Tile>(info.item, static_cast<uint32_t>(0x9E3779B9u * (index + 1)));
        tiles_[index]->pass.SetKeying(&keying_);
    }
}

TGalleryPass::~TGalleryPass() = default;

void TGalleryPass::SetKeying(const TBitmap* background, TKeyColour key, Size frame, Size thumbnail) {
    keying_.SetKeyColour(key);
    if (!background || background->Empty() || thumbnail.width <= 0 || thumbnail.height <= 0) {
        keying_.SetBackground(nullptr);
        return;
    }
    // The main pass keys row y of the frame against the background's row y, white where the
    // background ends; the thumbnail's pixels stand for the frame's pixels under their centres.
    MakeTopDownPicture(background_, thumbnail.width, thumbnail.height);
    for (int y = 0; y < thumbnail.height; ++y) {
        const int frameY = TNearestSampler::Nearest(y, thumbnail.height, frame.height);
        uint8_t* p = background_.ScanLine(y);
        for (int x = 0; x < thumbnail.width; ++x, p += 3) {
            const COLORREF colour =
                background->Pixels(TNearestSampler::Nearest(x, thumbnail.width, frame.width), frameY);
            p[0] = GetBValue(colour);
            p[1] = GetGValue(colour);
            p[2] = GetRValue(colour);
        }
    }
    keying_.SetBackground(&background_);
}

void TGalleryPass::Run(const TBitmap& picture, TGalleryThumbnails& thumbnails) {
    const int width = picture.Width();
    const int height = picture.Height();
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    for (size_t k = 0; k < tiles_.size(); ++k) {
        TBitmap& thumbnail = thumbnails.pictures[k];
        MakeTopDownPicture(thumbnail, width, height);
        for (int y = 0; y < height; ++y)
            std::memcpy(thumbnail.ScanLine(y), picture.ScanLine(y), rowBytes);
        tiles_[k]->pass.Run(thumbnail);
    }
}
