#pragma once

#include "effects/BackgroundKeying.h"
#include "effects/RowKernels.h"
#include "platform/graphics/Bitmap.h"

#include <cstdint>
#include <memory>

// The key colour: the colour of the real background as the camera sees it.
struct TKeyColour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

// `from` as a 24-bit picture of the same size in `to`: rows copied when it is 24-bit already,
// pixel by pixel otherwise.
void CopyAs24Bit(const TBitmap& from, TBitmap& to);

// Background keying against a background picture: a pixel whose every channel differs from the
// key colour's by at most 149 takes the colour of the background's pixel at the same column and
// row (the background aligned top-left, unscaled); positions outside the background give white.
// Available while a background is given and holds a picture. The key colour and the background
// are set while no frame pass runs; the pass only reads them. The background is not owned, and
// is read as it is when set: one that is not 24-bit is copied to 24 bits then, so that every
// row is keyed against pixel rows.
class TKeyedBackground : public TBackgroundKeying {
public:
    static constexpr int kThreshold = kKeyTolerance + 1;

    void SetKeyColour(TKeyColour key) { key_ = key; }
    TKeyColour KeyColour() const { return key_; }
    void SetBackground(const TBitmap* background);
    const TBitmap* Background() const { return background_; }

    bool Available() const override;
    void KeyRow(uint8_t* row, int y, int x0, int x1) const override;

private:
    TKeyColour key_;
    const TBitmap* background_ = nullptr;
    std::unique_ptr<TBitmap> converted_; // a background of another depth, at 24 bits
    const TBitmap* rows_ = nullptr;      // the 24-bit rows keyed against
};

// Scales the background picture into the frame's size as loading a background does: the whole
// picture, as it is, stretched onto its own top-left frameWidth x frameHeight region by dropping
// or repeating whole rows and columns. The picture keeps its size; what falls beyond its edges
// is lost and the rest keeps its content. Nothing happens for an empty frame size or picture.
void ScaleBackgroundToFrame(TBitmap& background, int frameWidth, int frameHeight);
