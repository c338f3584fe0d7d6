#include "effects/EffectItem.h"

const std::array<TEffectInfo, kEffectItemCount>& EffectCatalogue() {
    using enum TEffectItem;
    static const std::array<TEffectInfo, kEffectItemCount> catalogue{{
        {Obraznormalny1, "Obraznormalny1", "Obraz normalny"},
        {Odksztaceniefraktalne1, "Odksztaceniefraktalne1", "Odkształcenie fraktalne"},
        {Odksztaceniesinusoidalne1, "Odksztaceniesinusoidalne1", "Odkształcenie sinusoidalne"},
        {Odksztaceniecosinusoidalne1, "Odksztaceniecosinusoidalne1", "Odkształcenie cosinusoidalne"},
        {Odksztacenietangensoidalne1, "Odksztacenietangensoidalne1", "Odkształcenie tangensoidalne"},
        {Negatyw1, "Negatyw1", "Negatyw"},
        {Odwrotnokolorw1, "Odwrotnokolorw1", "Odwrotność kolorów"},
        {Kontury1, "Kontury1", "Kontury"},
        {Efektplam1, "Efektplam1", "Efekt plam"},
        {Lustrzaneodbiciepoziome1, "Lustrzaneodbiciepoziome1", "Lustrzane odbicie (poziome)"},
        {Zamanelustro1, "Zamanelustro1", "Złamane lustro"},
        {Zamanelustro21, "Zamanelustro21", "Złamane lustro 2"},
        {Odcienieszaroci1, "Odcienieszaroci1", "Odcienie szarości (RGB)"},
        {OdcienieszarociR1, "OdcienieszarociR1", "Odcienie szarości (R)"},
        {OdcienieszarociG1, "OdcienieszarociG1", "Odcienie szarości (G)"},
        {OdcienieszarociB1, "OdcienieszarociB1", "Odcienie szarości (B)"},
        {Czarnobiay1, "Czarnobiay1", "Czarno-biały"},
        {Szumtakolor1, "Szumtakolor1", "Szum tła (kolor)"},
        {Szumtaszaro1, "Szumtaszaro1", "Szum tła (szarość)"},
        {Wzorytangensoidalne1, "Wzorytangensoidalne1", "Ukryte wzory tangensoidalne"},
        {Nakadanieta1, "Nakadanieta1", "Nakładanie tła"},
        {Urednianiepoziome1, "Urednianiepoziome1", "Uśrednianie poziome"},
        {MaskafraktalnaTrjktSierpiskiego1, "MaskafraktalnaTrjktSierpiskiego1",
         "Maska fraktalna - Trójkąt Sierpińskiego"},
        {Wzrokpredatora1, "Wzrokpredatora1", "Wzrok predatora"},
    }};
    return catalogue;
}

const TEffectInfo& EffectInfo(TEffectItem item) {
    return EffectCatalogue()[static_cast<size_t>(item)];
}

std::optional<TEffectItem> FindEffectItem(std::string_view name) {
    for (const TEffectInfo& info : EffectCatalogue())
        if (info.name == name)
            return info.item;
    return std::nullopt;
}
