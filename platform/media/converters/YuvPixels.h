#pragma once

#include "platform/media/converters/YuvRowKernels.h"

// The scalar reference of the YUV conversions (YuvRowKernels.h), pixel by pixel. Every level's
// translation unit includes it for the columns its vectors leave, so it has internal linkage
// only: a shared inline copy compiled for a higher level could end up in baseline code.
namespace {

struct TChromaTerms {
    int blue, green, red;
};

inline TChromaTerms ChromaTerms(int u, int v, const TYuvCoefficients& k) {
    const int cu = (u - 128) * 256;
    const int cv = (v - 128) * 256;
    return {(cu * k.bu) >> 16, ((cu * k.gu) >> 16) + ((cv * k.gv) >> 16), (cv * k.rv) >> 16};
}

inline uint8_t ClampChannel(int sum) {
    const int value = sum >> 5;
    return static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

inline void StorePixel(uint8_t* p, int y, TChromaTerms c, const TYuvCoefficients& k) {
    const int luma = ((y * k.y) >> 8) + k.bias;
    p[0] = ClampChannel(luma + c.blue);
    p[1] = ClampChannel(luma - c.green);
    p[2] = ClampChannel(luma + c.red);
}

// Packed 4:2:2 with Y0, U, Y1 and V at these byte offsets of each pair of pixels.
template <int Y0, int U, int Y1, int V>
void Packed422Row(const uint8_t* in, int width, uint8_t* out, const TYuvCoefficients& k) {
    for (int x = 0; x < width; x += 2, in += 4, out += 6) {
        const TChromaTerms c = ChromaTerms(in[U], in[V], k);
        StorePixel(out, in[Y0], c, k);
        if (x + 1 < width)
            StorePixel(out + 3, in[Y1], c, k);
    }
}

// 4:2:0 rows: chroma sample j of the row at u[j * step] and v[j * step].
inline void PlanarRow(const uint8_t* y, const uint8_t* u, const uint8_t* v, int step, int width, uint8_t* out,
                      const TYuvCoefficients& k) {
    for (int x = 0; x < width; x += 2, u += step, v += step, out += 6) {
        const TChromaTerms c = ChromaTerms(*u, *v, k);
        StorePixel(out, y[x], c, k);
        if (x + 1 < width)
            StorePixel(out + 3, y[x + 1], c, k);
    }
}

} // namespace
