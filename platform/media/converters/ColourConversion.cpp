#include "platform/media/converters/ColourConversion.h"

#include "platform/media/converters/YuvPlanes.h"

namespace {

using PackedRow = void (*)(const uint8_t*, int, uint8_t*, const TYuvCoefficients&);

void PackedToRgb24(PackedRow convert, const uint8_t* source, int sourceStride, int width, int height,
                   uint8_t* target, TYuvEncoding encoding) {
    const TYuvCoefficients k = YuvCoefficients(encoding);
    const int targetStride = Rgb24Stride(width);
    for (int row = 0; row < height; ++row)
        convert(source + static_cast<int64_t>(row) * sourceStride, width,
                target + static_cast<int64_t>(height - 1 - row) * targetStride, k);
}

// Calls convert(luma row, U row, V row, target row) for each row, top to bottom.
template <class Convert>
void EachPlanarRow(const TPlanes420& planes, const uint8_t* source, int width, int height, uint8_t* target,
                   Convert convert) {
    const int targetStride = Rgb24Stride(width);
    for (int row = 0; row < height; ++row) {
        const size_t chroma = static_cast<size_t>(row / 2) * planes.chromaStride;
        convert(source + static_cast<size_t>(row) * planes.lumaStride, source + planes.uOffset + chroma,
                source + planes.vOffset + chroma,
                target + static_cast<int64_t>(height - 1 - row) * targetStride);
    }
}

} // namespace

void Yuy2ToRgb24(const uint8_t* source, int sourceStride, int width, int height, uint8_t* target,
                 TYuvEncoding encoding) {
    PackedToRgb24(YuvRowKernels().yuy2, source, sourceStride, width, height, target, encoding);
}

void UyvyToRgb24(const uint8_t* source, int sourceStride, int width, int height, uint8_t* target,
                 TYuvEncoding encoding) {
    PackedToRgb24(YuvRowKernels().uyvy, source, sourceStride, width, height, target, encoding);
}

void Nv12ToRgb24(const uint8_t* source, int lumaStride, int width, int height, uint8_t* target,
                 TYuvEncoding encoding) {
    const TYuvCoefficients k = YuvCoefficients(encoding);
    const auto row = YuvRowKernels().nv12;
    EachPlanarRow(Nv12Planes(lumaStride, height), source, width, height, target,
                  [&](const uint8_t* y, const uint8_t* uv, const uint8_t*, uint8_t* out) {
                      row(y, uv, width, out, k);
                  });
}

void I420ToRgb24(const uint8_t* source, int lumaStride, int width, int height, uint8_t* target,
                 TYuvEncoding encoding) {
    const TYuvCoefficients k = YuvCoefficients(encoding);
    const auto row = YuvRowKernels().i420;
    EachPlanarRow(I420Planes(lumaStride, height), source, width, height, target,
                  [&](const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out) {
                      row(y, u, v, width, out, k);
                  });
}

void Rgb32ToRgb24(const uint8_t* source, int sourceStride, int width, int height, bool sourceTopDown,
                  uint8_t* target) {
    const int targetStride = Rgb24Stride(width);
    for (int row = 0; row < height; ++row) {
        const int sourceRow = sourceTopDown ? height - 1 - row : row;
        const uint8_t* in = source + static_cast<int64_t>(sourceRow) * sourceStride;
        uint8_t* out = target + static_cast<int64_t>(row) * targetStride;
        for (int x = 0; x < width; ++x) {
            out[3 * x] = in[4 * x];
            out[3 * x + 1] = in[4 * x + 1];
            out[3 * x + 2] = in[4 * x + 2];
        }
    }
}
