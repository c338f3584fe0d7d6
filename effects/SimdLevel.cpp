#include "effects/SimdLevel.h"

#include "effects/RowKernels.h"

const TRowKernels* RowKernelsFor(TSimdLevel level) {
    switch (level) {
    case TSimdLevel::Scalar:
        return &ScalarRowKernels();
    case TSimdLevel::Sse2:
        return &Sse2RowKernels();
    case TSimdLevel::Avx2:
        return Avx2RowKernels();
    case TSimdLevel::Avx512:
        return Avx512RowKernels();
    }
    return nullptr;
}

const TRowKernels& RowKernels() {
    return ActiveLevelTable(RowKernelsFor);
}
