#include "effects/KeyedBackground.h"

#include "platform/graphics/StretchDraw.h"

#include <algorithm>

void TKeyedBackground::SetBackground(const TBitmap* background) {
    background_ = background;
    rows_ = background;
    converted_.reset();
    if (!background || background->Empty() || background->PixelFormat() == TPixelFormat::pf24bit)
        return;
    converted_ = std::make_unique<TBitmap>();
    converted_->SetSize(background->Width(), background->Height());
    for (int y = 0; y < converted_->Height(); ++y) {
        uint8_t* p = converted_->ScanLine(y);
        for (int x = 0; x < converted_->Width(); ++x, p += 3) {
            const COLORREF colour = background->Pixels(x, y);
            p[0] = GetBValue(colour);
            p[1] = GetGValue(colour);
            p[2] = GetRValue(colour);
        }
    }
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
