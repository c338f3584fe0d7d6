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
class TBandPool;

// The walk over one frame: every row from the top, and in each row the columns 1 to W - 3,
// each pixel changed in place by the first checked item of the selection chain. Column 0 and
// the last two columns are never visited. The selection is read once per row, so a change of
// effect shows from the next row on. One pass at a time; it keeps tables between frames.
class TFramePass {
public:
    // Frames of fewer pixels than this run on one thread even when given a pool: below it,
    // waking the pool's threads costs more than the split saves, even for the dearest effect
    // (measured with bench/effects_bench's Threshold group).
    static constexpr int64_t kThreadedPixels = 640 * 480;

    TFramePass(const TEffectSelection& selection, TRandomGenerator& random);

    // The size from which frames are split into bands (kThreadedPixels unless changed).
    void SetThreadedPixels(int64_t pixels) { threadedPixels_ = pixels; }

    // Keying source used by the keying item; null leaves the item without effect.
    void SetKeying(const TBackgroundKeying* keying) { keying_ = keying; }

    // Processes the 24-bit picture held by `frame`, on the calling thread.
    void Run(TBitmap& frame);
    // The same, in bands of rows on the pool's threads for large frames; the picture and the
    // generator end exactly as the one-threaded pass leaves them (see RunBands).
    void Run(TBitmap& frame, TBandPool& pool);

    // Processes one row of a frame of the given width: what Run does for each row.
    void RunRow(uint8_t* row, int y, int width, int height);

    // The generator's draws the pass makes in one row of a frame `width` pixels wide with the
    // items of `checked` checked.
    int64_t DrawsPerRow(TEffectSelection::Mask checked, int width) const;

private:
    // What one thread needs of its own: its place in the generator's sequence and scratch space.
    struct Band {
        TRandomGenerator random;
        std::vector<uint8_t> draws;
        int stop = 0; // the row a threaded band stopped at
    };
    struct Row {
        uint8_t* bytes;
        int y;
        int width;
        int height;
        TEffectSelection::Mask checked;
        TRowSums sums;
        Band& band;
    };
    void RunRowWith(uint8_t* bytes, int y, int width, int height, TEffectSelection::Mask checked, Band& band);
    void ApplyChain(Row& row, size_t chainIndex, int x0, int x1);
    void RunBands(TBitmap& frame, TBandPool& pool);

    const TEffectSelection& selection_;
    TRandomGenerator& random_;
    const TBackgroundKeying* keying_ = nullptr;
    THiddenTangentTable hiddenTangent_;
    std::vector<Band> bands_;
    int64_t threadedPixels_ = kThreadedPixels;
};
