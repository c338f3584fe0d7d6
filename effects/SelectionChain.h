#pragma once

#include "effects/EffectItem.h"

#include <array>

// The order in which the frame pass tests the effect items for a pixel; the first checked item
// decides. Two rows are conditional: the mirror applies only to the left half of a row, and
// background keying only while a background is available; their other pixels fall through to
// the rows after them. "Obraz normalny" is not in the chain: with it checked nothing applies.
inline constexpr std::array<TEffectItem, 23> kSelectionChain{
    TEffectItem::Odksztaceniefraktalne1,
    TEffectItem::Odksztaceniesinusoidalne1,
    TEffectItem::Odksztaceniecosinusoidalne1,
    TEffectItem::Odksztacenietangensoidalne1,
    TEffectItem::Negatyw1,
    TEffectItem::Kontury1,
    TEffectItem::Efektplam1,
    TEffectItem::Lustrzaneodbiciepoziome1,
    TEffectItem::Zamanelustro1,
    TEffectItem::Zamanelustro21,
    TEffectItem::Odcienieszaroci1,
    TEffectItem::Szumtakolor1,
    TEffectItem::Szumtaszaro1,
    TEffectItem::Odwrotnokolorw1,
    TEffectItem::Wzorytangensoidalne1,
    TEffectItem::Nakadanieta1,
    TEffectItem::Urednianiepoziome1,
    TEffectItem::OdcienieszarociR1,
    TEffectItem::OdcienieszarociG1,
    TEffectItem::OdcienieszarociB1,
    TEffectItem::MaskafraktalnaTrjktSierpiskiego1,
    TEffectItem::Wzrokpredatora1,
    TEffectItem::Czarnobiay1,
};
