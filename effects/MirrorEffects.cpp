#include "effects/MirrorEffects.h"

#include "effects/RowKernels.h"

int MirrorLimit(int width) {
    const int limit = 3 * (width - 1) / 2; // applies while 3x < limit
    return limit <= 0 ? 0 : (limit + 2) / 3;
}

void Mirror(uint8_t* row, int width, int x0, int x1) {
    RowKernels().mirror(row, width, x0, x1);
}

void BrokenMirror(uint8_t* row, int width, int x0, int x1) {
    RowKernels().brokenMirror(row, width, x0, x1);
}

void BrokenMirror2(uint8_t* row, int width, int x0, int x1) {
    RowKernels().brokenMirror2(row, width, x0, x1);
}

TRowSums RowSums(const uint8_t* row, int width) {
    uint32_t sums[3];
    RowKernels().rowSums(row, width, sums);
    return {sums[0], sums[1], sums[2]};
}

void HorizontalAveraging(uint8_t* row, int width, int x0, int x1, const TRowSums& sums) {
    if (width <= 6)
        return;
    const int64_t divisor = width - 6;
    const uint8_t means[3] = {static_cast<uint8_t>(static_cast<int64_t>(sums.blue) / divisor),
                              static_cast<uint8_t>(static_cast<int64_t>(sums.green) / divisor),
                              static_cast<uint8_t>(static_cast<int64_t>(sums.red) / divisor)};
    RowKernels().blendWithMeans(row, x0, x1, means);
}
