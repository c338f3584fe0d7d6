#pragma once

#include <cstdint>

// The audio settings of the filter graph component are linear (volume 0 to 10000, balance
// -10000 to 10000); the framework's are attenuations in hundredths of a decibel (volume -10000
// to 0; balance -10000 silences the right channel, 10000 the left).

// round(ln(volume + 1) * 1085.73) - 10000: 0 gives -10000, 5000 gives -752, 10000 gives 0.
int32_t VolumeAttenuation(int volume);
// The quieter channel's level follows the same curve as the volume: its linear level is
// 10000 - |balance|, so the value sent is that level's attenuation, with the balance's sign
// (5000 gives 752, -10000 gives -10000, 0 gives 0).
int32_t BalanceAttenuation(int balance);
