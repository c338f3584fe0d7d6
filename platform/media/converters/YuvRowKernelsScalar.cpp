#include "platform/media/converters/YuvPixels.h"

// The reference loops, compiled without vectorisation (see CMakeLists.txt).
namespace {

void Yuy2Row(const uint8_t* in, int width, uint8_t* out, const TYuvCoefficients& k) {
    Packed422Row<0, 1, 2, 3>(in, width, out, k);
}

void UyvyRow(const uint8_t* in, int width, uint8_t* out, const TYuvCoefficients& k) {
    Packed422Row<1, 0, 3, 2>(in, width, out, k);
}

void Nv12Row(const uint8_t* y, const uint8_t* uv, int width, uint8_t* out, const TYuvCoefficients& k) {
    PlanarRow(y, uv, uv + 1, 2, width, out, k);
}

void I420Row(const uint8_t* y, const uint8_t* u, const uint8_t* v, int width, uint8_t* out,
             const TYuvCoefficients& k) {
    PlanarRow(y, u, v, 1, width, out, k);
}

} // namespace

const TYuvRowKernels& ScalarYuvRowKernels() {
    static constexpr TYuvRowKernels kernels{TSimdLevel::Scalar, Yuy2Row, UyvyRow, Nv12Row, I420Row};
    return kernels;
}
