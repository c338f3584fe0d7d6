#include "platform/media/recording/FramePlacement.h"

#include <algorithm>

namespace {

constexpr int64_t kNanoseconds = 1'000'000'000;

} // namespace

FramePlacement::FramePlacement(int64_t numerator, int64_t denominator)
    : numerator_(numerator > 0 && denominator > 0 ? numerator : 1),
      denominator_(numerator > 0 && denominator > 0 ? denominator : 30) {}

FramePlacement::Place FramePlacement::Add(int64_t captureTime) {
    if (!started_) {
        started_ = true;
        start_ = captureTime;
        next_ = 1;
        return {};
    }
    const int64_t slot = Slot(captureTime);
    if (slot < next_)
        return {true, 0};
    const int64_t repeats = slot - next_;
    next_ = slot + 1;
    return {false, repeats};
}

int64_t FramePlacement::FillUntil(int64_t time) {
    if (!started_)
        return 0;
    const int64_t filled = std::max<int64_t>(0, Slot(time) - next_);
    next_ += filled;
    return filled;
}

int64_t FramePlacement::Duration(int64_t slots) const {
    return static_cast<int64_t>(static_cast<__int128>(slots) * numerator_ * kNanoseconds / denominator_);
}

int64_t FramePlacement::Slot(int64_t time) const {
    // round((time - start) / interval), in integers: the interval is numerator / denominator s.
    const __int128 unit = static_cast<__int128>(numerator_) * kNanoseconds;
    const __int128 scaled = static_cast<__int128>(time - start_) * denominator_ * 2 + unit;
    const __int128 twice = unit * 2;
    // Floor division, so that times before the start go to negative slots.
    __int128 slot = scaled / twice;
    if (scaled % twice != 0 && scaled < 0)
        --slot;
    return static_cast<int64_t>(slot);
}
