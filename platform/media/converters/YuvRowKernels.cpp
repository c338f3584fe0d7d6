#include "platform/media/converters/YuvRowKernels.h"

#include <cstddef>

const TYuvRowKernels* YuvRowKernelsFor(TSimdLevel level) {
    const TYuvRowKernels* const tables[] = {&ScalarYuvRowKernels(), &Sse2YuvRowKernels(), Avx2YuvRowKernels(),
                                            Avx512YuvRowKernels()};
    return tables[static_cast<size_t>(level)];
}

const TYuvRowKernels& YuvRowKernels() {
    return ActiveLevelTable(YuvRowKernelsFor);
}
