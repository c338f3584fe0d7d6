#pragma once

#include <array>
#include <optional>
#include <string_view>

// The radio items of the effects menu, in menu order. Their checked states are the effect
// selection; the frame pass tests them in the order of the selection chain.
enum class TEffectItem {
    Obraznormalny1,
    Odksztaceniefraktalne1,
    Odksztaceniesinusoidalne1,
    Odksztaceniecosinusoidalne1,
    Odksztacenietangensoidalne1,
    Negatyw1,
    Odwrotnokolorw1,
    Kontury1,
    Efektplam1,
    Lustrzaneodbiciepoziome1,
    Zamanelustro1,
    Zamanelustro21,
    Odcienieszaroci1,
    OdcienieszarociR1,
    OdcienieszarociG1,
    OdcienieszarociB1,
    Czarnobiay1,
    Szumtakolor1,
    Szumtaszaro1,
    Wzorytangensoidalne1,
    Nakadanieta1,
    Urednianiepoziome1,
    MaskafraktalnaTrjktSierpiskiego1,
    Wzrokpredatora1,
};

inline constexpr int kEffectItemCount = 24;

struct TEffectInfo {
    TEffectItem item;
    std::string_view name;    // the item's name in the code and on the command line
    std::string_view caption; // the menu caption, UTF-8
};

// Every radio item in menu order.
const std::array<TEffectInfo, kEffectItemCount>& EffectCatalogue();

const TEffectInfo& EffectInfo(TEffectItem item);
std::optional<TEffectItem> FindEffectItem(std::string_view name);
