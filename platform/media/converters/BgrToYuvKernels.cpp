#include "platform/media/converters/BgrToYuvKernels.h"

#include <cmath>
#include <cstddef>

namespace {

constexpr double kOne = 32768; // the gains' fixed point

int Gain(double value) {
    return static_cast<int>(std::lround(value * kOne));
}

} // namespace

TBgrToYuvCoefficients BgrToYuvCoefficients(TYuvEncoding encoding) {
    const double kr = encoding.matrix == TYuvMatrix::Bt709 ? 0.2126 : 0.299;
    const double kb = encoding.matrix == TYuvMatrix::Bt709 ? 0.0722 : 0.114;
    const bool limited = encoding.range == TYuvRange::Limited;
    const double lumaGain = limited ? 219.0 / 255 : 1;
    const double chromaGain = limited ? 224.0 / 255 : 1;

    TBgrToYuvCoefficients k{};
    const int yr = Gain(kr * lumaGain), yb = Gain(kb * lumaGain);
    k.yr = static_cast<uint16_t>(yr);
    k.yb = static_cast<uint16_t>(yb);
    k.yg = static_cast<uint16_t>(Gain(lumaGain) - yr - yb);
    k.yBias = static_cast<int16_t>((limited ? 16 : 0) * 128 + 64);
    // U = (B - Y) / (2 (1 - kb)), V = (R - Y) / (2 (1 - kr)), each times the chroma gain.
    const int ub = Gain(0.5 * chromaGain), ur = Gain(-0.5 * kr / (1 - kb) * chromaGain);
    const int vr = Gain(0.5 * chromaGain), vb = Gain(-0.5 * kb / (1 - kr) * chromaGain);
    k.ub = static_cast<int16_t>(ub);
    k.ur = static_cast<int16_t>(ur);
    k.ug = static_cast<int16_t>(-ub - ur);
    k.vr = static_cast<int16_t>(vr);
    k.vb = static_cast<int16_t>(vb);
    k.vg = static_cast<int16_t>(-vr - vb);
    return k;
}

const TBgrToYuvKernels* BgrToYuvKernelsFor(TSimdLevel level) {
    const TBgrToYuvKernels* const tables[] = {&ScalarBgrToYuvKernels(), &Sse2BgrToYuvKernels(),
                                              Avx2BgrToYuvKernels(), Avx512BgrToYuvKernels()};
    return tables[static_cast<size_t>(level)];
}

const TBgrToYuvKernels& BgrToYuvKernels() {
    return ActiveLevelTable(BgrToYuvKernelsFor);
}
