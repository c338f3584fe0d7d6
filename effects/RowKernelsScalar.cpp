// The reference: the plain loops, one pixel or byte at a time, compiled without vectorisation.
#include "effects/RowLoops.h"

const TRowKernels& ScalarRowKernels() {
    static constexpr TRowKernels kernels = [] {
        TRowKernels k = PlainRowKernels(TSimdLevel::Scalar);
        k.drawBytes = rows::PlainDrawBytes;
        return k;
    }();
    return kernels;
}
