#include "effects/EffectSelection.h"

TEffectSelection::TEffectSelection() {
    for (auto& flag : checked_)
        flag.store(false, std::memory_order_relaxed);
}

bool TEffectSelection::Checked(TEffectItem item) const {
    return checked_[static_cast<size_t>(item)].load(std::memory_order_relaxed);
}

void TEffectSelection::SetChecked(TEffectItem item, bool checked) {
    checked_[static_cast<size_t>(item)].store(checked, std::memory_order_relaxed);
}

void TEffectSelection::Select(TEffectItem item) {
    for (size_t k = 0; k < checked_.size(); ++k)
        if (k != static_cast<size_t>(item))
            checked_[k].store(false, std::memory_order_relaxed);
    SetChecked(item, true);
}

void TEffectSelection::Clear() {
    for (auto& flag : checked_)
        flag.store(false, std::memory_order_relaxed);
}

TEffectSelection::Mask TEffectSelection::Snapshot() const {
    Mask mask = 0;
    for (size_t k = 0; k < checked_.size(); ++k)
        if (checked_[k].load(std::memory_order_relaxed))
            mask |= Mask{1} << k;
    return mask;
}
