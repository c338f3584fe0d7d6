#pragma once

#include "effects/EffectItem.h"

#include <array>
#include <atomic>
#include <cstdint>

// The checked states of the effect items: written by the GUI thread, read by the frame pass on
// the streaming thread without a lock. Each state is an atomic flag with relaxed order: a reader
// sees each flag either before or after a change, never torn, which is all the pass needs.
class TEffectSelection {
public:
    // Bit k set = item k (in menu order) checked.
    using Mask = uint32_t;
    static constexpr Mask Bit(TEffectItem item) { return Mask{1} << static_cast<int>(item); }

    TEffectSelection();

    bool Checked(TEffectItem item) const;
    void SetChecked(TEffectItem item, bool checked);
    // Checks `item` and unchecks every other one, as choosing a radio item does.
    void Select(TEffectItem item);
    void Clear();

    // All checked states at this moment.
    Mask Snapshot() const;

private:
    std::array<std::atomic<bool>, kEffectItemCount> checked_;
};
