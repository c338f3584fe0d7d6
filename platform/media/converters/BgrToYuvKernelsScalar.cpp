#include "platform/media/converters/BgrToYuvPixels.h"

// The reference loops, compiled without vectorisation (see CMakeLists.txt).
const TBgrToYuvKernels& ScalarBgrToYuvKernels() {
    static constexpr TBgrToYuvKernels kernels{TSimdLevel::Scalar, YuyvRow, I420Rows};
    return kernels;
}
