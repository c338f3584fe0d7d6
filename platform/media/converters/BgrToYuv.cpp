#include "platform/media/converters/BgrToYuv.h"

#include "platform/media/converters/BgrToYuvKernels.h"
#include "platform/media/converters/YuvPlanes.h"

namespace {

// The source row that is `row` from the top.
const uint8_t* SourceRow(const uint8_t* source, int sourceStride, bool bottomUp, int height, int row) {
    return source + static_cast<int64_t>(bottomUp ? height - 1 - row : row) * sourceStride;
}

} // namespace

void Rgb24ToYuyv(const uint8_t* source, int sourceStride, bool sourceBottomUp, int width, int height,
                 uint8_t* target, int targetStride, TYuvEncoding encoding) {
    const TBgrToYuvCoefficients k = BgrToYuvCoefficients(encoding);
    const auto convert = BgrToYuvKernels().yuyv;
    for (int row = 0; row < height; ++row)
        convert(SourceRow(source, sourceStride, sourceBottomUp, height, row), width,
                target + static_cast<int64_t>(row) * targetStride, k);
}

void Rgb24ToI420(const uint8_t* source, int sourceStride, bool sourceBottomUp, int width, int height,
                 uint8_t* target, int lumaStride, TYuvEncoding encoding) {
    const TBgrToYuvCoefficients k = BgrToYuvCoefficients(encoding);
    const auto convert = BgrToYuvKernels().i420;
    const TPlanes420 planes = I420Planes(lumaStride, height);
    for (int row = 0; row < height; row += 2) {
        const int next = row + 1 < height ? row + 1 : row;
        const size_t chroma = static_cast<size_t>(row / 2) * planes.chromaStride;
        convert(SourceRow(source, sourceStride, sourceBottomUp, height, row),
                SourceRow(source, sourceStride, sourceBottomUp, height, next), width,
                target + static_cast<size_t>(row) * planes.lumaStride,
                target + static_cast<size_t>(next) * planes.lumaStride, target + planes.uOffset + chroma,
                target + planes.vOffset + chroma, k);
    }
}
