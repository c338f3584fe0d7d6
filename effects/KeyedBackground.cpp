#include "effects/KeyedBackground.h"

#include "platform/graphics/StretchDraw.h"

#include <algorithm>
#include <cstring>

void CopyAs24Bit(const TBitmap& from, TBitmap& to) {
    to.SetSize(from.Width(), from.Height());
    const bool rows = from.PixelFormat() == TPixelFormat::pf24bit;
    for (int y = 0; y < to.Height(); ++y) {
        uint8_t* p = to.ScanLine(y);
        if (rows) {
            std::memcpy(p, from.ScanLine(y), static_cast<size_t>(to.Width()) * 3);
            continue;
        }
        for (int x = 0; x < to.Width(); ++x, p += 3) {
            const COLORREF colour = from.Pixels(x, y);
            p[0] = GetBValue(colour);
            p[1] = GetGValue(colour);
            p[2] = GetRValue(colour);
        }
    }
}

void TKeyedBackground::SetBackground(const TBitmap* background) {
    background_ = background;
    rows_ = background;
    converted_.reset();
    if (!background || background->Empty() || background->PixelFormat() == TPixelFormat::pf24bit)
        return;
    converted_ = std::make_unique<TBitmap>();
    CopyAs24Bit(*background, *converted_);
    rows_ = converted_.get();
}

bool TKeyedBackground::Available() const {
    return background_ && !background_->Empty();
}

void TKeyedBackground::KeyRow(uint8_t* row, int y, int x0, int x1) const {
    const TRowKernels& kernels = RowKernels();
    const uint8_t key[3] = {key_.blue, key_.green, key_.red};
    // Beyond the picture's edges the colour read would be invalid, all bits set: white.
    static constexpr uint8_t kWhite[3] = {255, 255, 255};
    int picture = x0; // the columns [x0, picture) lie inside the picture
    if (y >= 0 && y < rows_->Height())
        picture = std::clamp(rows_->Width(), x0, std::max(x0, x1));
    if (picture > x0)
        kernels.keyToRow(row, rows_->ScanLine(y), x0, picture, key);
    if (x1 > picture)
        kernels.keyToColour(row, picture, x1, key, kWhite);
}

void ScaleBackgroundToFrame(TBitmap& background, int frameWidth, int frameHeight) {
    if (frameWidth <= 0 || frameHeight <= 0)
        return;
    StretchDraw(background, {0, 0, frameWidth, frameHeight}, background);
}
