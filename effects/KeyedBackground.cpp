#include "effects/KeyedBackground.h"

#include "platform/graphics/StretchDraw.h"

#include <cstdlib>

bool TKeyedBackground::Available() const {
    return background_ && !background_->Empty();
}

void TKeyedBackground::KeyRow(uint8_t* row, int y, int x0, int x1) const {
    const TBitmap& background = *background_;
    // A 24-bit background row inside the picture is read directly; anything else by colour.
    const bool inside = y >= 0 && y < background.Height();
    const uint8_t* direct =
        inside && background.PixelFormat() == TPixelFormat::pf24bit ? background.ScanLine(y) : nullptr;
    const int directEnd = direct ? background.Width() : 0;
    for (int x = x0; x < x1; ++x) {
        uint8_t* p = row + 3 * x;
        if (std::abs(key_.blue - p[0]) >= kThreshold || std::abs(key_.green - p[1]) >= kThreshold ||
            std::abs(key_.red - p[2]) >= kThreshold)
            continue;
        if (x < directEnd) {
            p[0] = direct[3 * x];
            p[1] = direct[3 * x + 1];
            p[2] = direct[3 * x + 2];
        } else {
            // Outside the picture the colour read is invalid, all bits set: white.
            const COLORREF colour = background.Pixels(x, y);
            p[0] = GetBValue(colour);
            p[1] = GetGValue(colour);
            p[2] = GetRValue(colour);
        }
    }
}

void ScaleBackgroundToFrame(TBitmap& background, int frameWidth, int frameHeight) {
    if (frameWidth <= 0 || frameHeight <= 0)
        return;
    StretchDraw(background, {0, 0, frameWidth, frameHeight}, background);
}
