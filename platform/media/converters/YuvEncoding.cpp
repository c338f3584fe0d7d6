#include "platform/media/converters/YuvEncoding.h"

#include <cmath>

namespace {

constexpr double kOne = 8192; // the gains' fixed point

int16_t Gain(double value) {
    return static_cast<int16_t>(std::lround(value * kOne));
}

} // namespace

TYuvCoefficients YuvCoefficients(TYuvEncoding encoding) {
    // The luma weights of red and blue; green's is the rest.
    const double kr = encoding.matrix == TYuvMatrix::Bt709 ? 0.2126 : 0.299;
    const double kb = encoding.matrix == TYuvMatrix::Bt709 ? 0.0722 : 0.114;
    const double kg = 1 - kr - kb;
    const bool limited = encoding.range == TYuvRange::Limited;
    const double lumaGain = limited ? 255.0 / 219 : 1;
    const double chromaGain = limited ? 255.0 / 224 : 1;
    const int black = limited ? 16 : 0;

    TYuvCoefficients k{};
    k.y = Gain(lumaGain);
    k.bias = static_cast<int16_t>(16 - ((black * k.y) >> 8));
    k.bu = Gain(2 * (1 - kb) * chromaGain);
    k.gu = Gain(2 * (1 - kb) * kb / kg * chromaGain);
    k.gv = Gain(2 * (1 - kr) * kr / kg * chromaGain);
    k.rv = Gain(2 * (1 - kr) * chromaGain);
    return k;
}
