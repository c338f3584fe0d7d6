#pragma once

#include "effects/BackgroundKeying.h"
#include "effects/DistortionEffects.h"
#include "effects/EffectSelection.h"
#include "effects/MirrorEffects.h"
#include "effects/RandomGenerator.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class TBitmap;

// The walk over one frame: every row from the top, and in each row the columns 1 to W - 3,
// each pixel changed in place by the first checked item of the selection chain. Column 0 and
// the last two columns are never visited. The selection is read once per row, so a change of
// effect shows from the next row on. One pass at a time; it keeps tables between frames.
class TFramePass {
public:
    TFramePass(const TEffectSelection& selection, TRandomGenerator& random);

    // Keying source used by the keying item; null leaves the item without effect.
    void SetKeying(const TBackgroundKeying* keying) { keying_ = keying; }

    // Processes the 24-bit picture held by `frame`.
    void Run(TBitmap& frame);

    // Processes one row of a frame of the given width: what Run does for each row.
    void RunRow(uint8_t* row, int y, int width, int height);

private:
    struct Row {
        uint8_t* bytes;
        int y;
        int width;
        int height;
        TEffectSelection::Mask checked;
        TRowSums sums;
    };
    void ApplyChain(Row& row, size_t chainIndex, int x0, int x1);

    const TEffectSelection& selection_;
    TRandomGenerator& random_;
    const TBackgroundKeying* keying_ = nullptr;
    THiddenTangentTable hiddenTangent_;
    std::vector<uint8_t> draws_;
};
