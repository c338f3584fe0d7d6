#include "capture/AudioLevels.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

int32_t VolumeAttenuation(int volume) {
    const double level = std::clamp(volume, 0, 10000);
    const auto scaled = static_cast<int32_t>(std::lround(std::log(level + 1.0) * 1085.73));
    return std::clamp(scaled - 10000, -10000, 0);
}

int32_t BalanceAttenuation(int balance) {
    const int magnitude = std::min(std::abs(std::clamp(balance, -10000, 10000)), 10000);
    const int32_t attenuation = -VolumeAttenuation(10000 - magnitude);
    return balance < 0 ? -attenuation : attenuation;
}
