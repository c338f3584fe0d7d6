#include "effects/FramePass.h"

#include "effects/ColourEffects.h"
#include "effects/NoiseEffects.h"
#include "effects/SelectionChain.h"
#include "platform/graphics/Bitmap.h"

#include <algorithm>

TFramePass::TFramePass(const TEffectSelection& selection, TRandomGenerator& random)
    : selection_(selection), random_(random) {}

void TFramePass::Run(TBitmap& frame) {
    const int height = frame.Height();
    const int width = frame.Width();
    for (int y = 0; y < height; ++y)
        RunRow(frame.ScanLine(y), y, width, height);
}

void TFramePass::RunRow(uint8_t* bytes, int y, int width, int height) {
    Row row{bytes, y, width, height, selection_.Snapshot(), {}};
    if (row.checked & TEffectSelection::Bit(TEffectItem::Urednianiepoziome1))
        row.sums = RowSums(bytes, width);
    if (width > 3)
        ApplyChain(row, 0, 1, width - 2);
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
            return ColourNoise(p, x0, x1, random_, draws_);
        case Szumtaszaro1:
            return GreyNoise(p, x0, x1, random_, draws_);
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
