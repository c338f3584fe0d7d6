#include "effects/FramePass.h"

#include "effects/BandPool.h"
#include "effects/ColourEffects.h"
#include "effects/NoiseEffects.h"
#include "effects/SelectionChain.h"
#include "platform/graphics/Bitmap.h"

#include <algorithm>

TFramePass::TFramePass(const TEffectSelection& selection, TRandomGenerator& random)
    : selection_(selection), random_(random), bands_(1) {}

void TFramePass::Run(TBitmap& frame) {
    const int height = frame.Height();
    const int width = frame.Width();
    for (int y = 0; y < height; ++y)
        RunRow(frame.ScanLine(y), y, width, height);
}

void TFramePass::Run(TBitmap& frame, TBandPool& pool) {
    const int64_t pixels = static_cast<int64_t>(frame.Width()) * frame.Height();
    if (pool.Threads() < 2 || frame.Height() < 2 || pixels < threadedPixels_)
        return Run(frame);
    RunBands(frame, pool);
}

void TFramePass::RunRow(uint8_t* bytes, int y, int width, int height) {
    Band& band = bands_[0];
    band.random.SetSeed(random_.Seed());
    RunRowWith(bytes, y, width, height, selection_.Snapshot(), band);
    random_.SetSeed(band.random.Seed());
}

void TFramePass::RunRowWith(uint8_t* bytes, int y, int width, int height, TEffectSelection::Mask checked,
                            Band& band) {
    Row row{bytes, y, width, height, checked, {}, band};
    if (row.checked & TEffectSelection::Bit(TEffectItem::Urednianiepoziome1))
        row.sums = RowSums(bytes, width);
    if (width > 3)
        ApplyChain(row, 0, 1, width - 2);
}

// The bands run the selection of the frame's start. A band that finds the selection changed
// stops at that row; the rows left are then done on this thread so that the frame is what a
// one-threaded pass gives when it sees the change at the row after the last one a band did:
// rows left before it with the frame's selection, the rest with the selection of their turn.
// Each band starts where the one-threaded pass would be in the generator's sequence.
void TFramePass::RunBands(TBitmap& frame, TBandPool& pool) {
    const int height = frame.Height();
    const int width = frame.Width();
    const TEffectSelection::Mask checked = selection_.Snapshot();
    const int64_t draws = DrawsPerRow(checked, width);
    if (checked & TEffectSelection::Bit(TEffectItem::Wzorytangensoidalne1))
        hiddenTangent_.Row(width, height, 0); // the bands share the table: build it first
    const int count = static_cast<int>(std::min<unsigned>(pool.Threads(), static_cast<unsigned>(height)));
    if (bands_.size() < static_cast<size_t>(count))
        bands_.resize(static_cast<size_t>(count));
    const auto start = [&](int band) {
        return static_cast<int>(static_cast<int64_t>(height) * band / count);
    };
    const uint32_t seed = random_.Seed();
    for (int b = 0; b < count; ++b) {
        bands_[b].random.SetSeed(seed);
        bands_[b].random.Skip(static_cast<uint64_t>(draws * start(b)));
    }
    const auto runBand = [&](int b) {
        int y = start(b);
        for (; y < start(b + 1) && selection_.Snapshot() == checked; ++y)
            RunRowWith(frame.ScanLine(y), y, width, height, checked, bands_[b]);
        bands_[b].stop = y;
    };
    // Handed on through one reference, which the pool's std::function holds without allocating.
    pool.Run(count, [&runBand](int b) { runBand(b); });
    int last = 0; // the end of the last rows a band did
    for (int b = 0; b < count; ++b)
        if (bands_[b].stop > start(b))
            last = bands_[b].stop;
    Band& band = bands_[0];
    for (int b = 0; b < count; ++b)
        for (int y = bands_[b].stop; y < std::min(start(b + 1), last); ++y) {
            band.random.SetSeed(seed);
            band.random.Skip(static_cast<uint64_t>(draws * y));
            RunRowWith(frame.ScanLine(y), y, width, height, checked, band);
        }
    random_.SetSeed(seed);
    random_.Skip(static_cast<uint64_t>(draws * last));
    for (int y = last; y < height; ++y)
        RunRow(frame.ScanLine(y), y, width, height);
}

int64_t TFramePass::DrawsPerRow(TEffectSelection::Mask checked, int width) const {
    using enum TEffectItem;
    int x0 = 1;
    const int x1 = width - 2;
    if (width <= 3)
        return 0;
    for (const TEffectItem item : kSelectionChain) {
        if (!(checked & TEffectSelection::Bit(item)))
            continue;
        switch (item) {
        case Lustrzaneodbiciepoziome1:
            x0 = std::clamp(MirrorLimit(width), x0, x1); // the rest of the row goes on
            continue;
        case Nakadanieta1:
            if (keying_ && keying_->Available())
                return 0;
            continue;
        case Szumtakolor1:
            return 3 * static_cast<int64_t>(x1 - x0);
        case Szumtaszaro1:
            return x1 - x0;
        default:
            return 0;
        }
    }
    return 0;
}

void TFramePass::ApplyChain(Row& row, size_t chainIndex, int x0, int x1) {
    using enum TEffectItem;
    uint8_t* p = row.bytes;
    for (size_t k = chainIndex; k < kSelectionChain.size(); ++k) {
        const TEffectItem item = kSelectionChain[k];
        if (!(row.checked & TEffectSelection::Bit(item)))
            continue;
        switch (item) {
        case Odksztaceniefraktalne1:
            return FractalDistortion(p, row.y, x0, x1);
        case Odksztaceniesinusoidalne1:
            return SineDistortion(p, x0, x1);
        case Odksztaceniecosinusoidalne1:
            return CosineDistortion(p, x0, x1);
        case Odksztacenietangensoidalne1:
            return TangentDistortion(p, x0, x1);
        case Negatyw1:
            return Negative(p, x0, x1);
        case Kontury1:
            return Contours(p, x0, x1);
        case Efektplam1:
            return Blots(p, x0, x1);
        case Lustrzaneodbiciepoziome1: {
            // The left half is mirrored; the rest of the row goes on down the chain.
            const int split = std::clamp(MirrorLimit(row.width), x0, x1);
            Mirror(p, row.width, x0, split);
            if (split < x1)
                ApplyChain(row, k + 1, split, x1);
            return;
        }
        case Zamanelustro1:
            return BrokenMirror(p, row.width, x0, x1);
        case Zamanelustro21:
            return BrokenMirror2(p, row.width, x0, x1);
        case Odcienieszaroci1:
            return GreyFromMean(p, x0, x1);
        case Szumtakolor1:
            return ColourNoise(p, x0, x1, row.band.random, row.band.draws);
        case Szumtaszaro1:
            return GreyNoise(p, x0, x1, row.band.random, row.band.draws);
        case Odwrotnokolorw1:
            return ColourInversion(p, x0, x1);
        case Wzorytangensoidalne1:
            return HiddenTangentPatterns(p, hiddenTangent_.Row(row.width, row.height, row.y), x0, x1);
        case Nakadanieta1:
            if (keying_ && keying_->Available())
                return keying_->KeyRow(p, row.y, x0, x1);
            continue; // no background: the pixels fall through
        case Urednianiepoziome1:
            return HorizontalAveraging(p, row.width, x0, x1, row.sums);
        case OdcienieszarociR1:
            return GreyFromRed(p, x0, x1);
        case OdcienieszarociG1:
            return GreyFromGreen(p, x0, x1);
        case OdcienieszarociB1:
            return GreyFromBlue(p, x0, x1);
        case MaskafraktalnaTrjktSierpiskiego1:
            return SierpinskiMask(p, row.y, x0, x1);
        case Wzrokpredatora1:
            return PredatorVision(p, x0, x1);
        case Czarnobiay1:
            return BlackAndWhite(p, x0, x1);
        case Obraznormalny1:
            return;
        }
    }
}
