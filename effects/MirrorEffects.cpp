#include "effects/MirrorEffects.h"

#include "effects/FastKernels.h"
#include "effects/Vectorize.h"

#include <algorithm>
#include <cstring>

namespace {

void CopyPixel(uint8_t* to, const uint8_t* from) {
    to[0] = from[0];
    to[1] = from[1];
    to[2] = from[2];
}

// The row's visited pixels are columns 1 to W - 3. Over the whole of them, the copying mirrors
// change only the pixels left of their partners: every later copy moves a value back onto
// itself. A part of a row (after the mirror's fall-through) is walked one pixel at a time.
bool WholeRow(int width, int x0, int x1) {
    return x0 <= 1 && x1 >= width - 2;
}

} // namespace

int MirrorLimit(int width) {
    const int limit = 3 * (width - 1) / 2; // applies while 3x < limit
    return limit <= 0 ? 0 : (limit + 2) / 3;
}

TARNOLIX_HOT void Mirror(uint8_t* row, int width, int x0, int x1) {
    if (fast::FastKernelsActive() && x1 <= width / 2) {
        // Pixels and partners do not overlap: swap them a chunk at a time through a buffer.
        constexpr int kChunk = 256;
        uint8_t saved[3 * kChunk];
        for (int a = x0; a < x1; a += kChunk) {
            const int n = std::min(kChunk, x1 - a);
            uint8_t* left = row + 3 * a;
            uint8_t* right = row + 3 * (width - a - n);
            std::memcpy(saved, left, 3 * static_cast<size_t>(n));
            fast::ReversePixels(left, right, n);
            fast::ReversePixels(right, saved, n);
        }
        return;
    }
    for (int x = x0; x < x1; ++x) {
        uint8_t* p = row + 3 * x;
        uint8_t* q = row + 3 * (width - 1 - x);
        std::swap(p[0], q[0]);
        std::swap(p[1], q[1]);
        std::swap(p[2], q[2]);
    }
}

TARNOLIX_HOT void BrokenMirror(uint8_t* row, int width, int x0, int x1) {
    if (WholeRow(width, x0, x1)) {
        x1 = std::min(x1, width / 2); // x < W - 1 - x
        if (fast::FastKernelsActive() && x1 > x0)
            return fast::ReversePixels(row + 3 * x0, row + 3 * (width - x1), x1 - x0);
    }
    for (int x = x0; x < x1; ++x)
        CopyPixel(row + 3 * x, row + 3 * (width - 1 - x));
}

TARNOLIX_HOT void BrokenMirror2(uint8_t* row, int width, int x0, int x1) {
    if (WholeRow(width, x0, x1)) {
        x1 = std::min(x1, width / 2);
        if (fast::FastKernelsActive() && x1 > x0)
            return fast::ReversePixels(row + 3 * (width - x1), row + 3 * x0, x1 - x0);
    }
    for (int x = x0; x < x1; ++x)
        CopyPixel(row + 3 * (width - 1 - x), row + 3 * x);
}

TARNOLIX_HOT TRowSums RowSums(const uint8_t* row, int width) {
    TRowSums sums;
    for (int x = 1; x < width - 2; ++x) {
        const uint8_t* p = row + 3 * x;
        sums.blue += p[0];
        sums.green += p[1];
        sums.red += p[2];
    }
    return sums;
}

TARNOLIX_HOT void HorizontalAveraging(uint8_t* row, int width, int x0, int x1, const TRowSums& sums) {
    if (width <= 6)
        return;
    const int64_t divisor = width - 6;
    const auto meanB = static_cast<uint8_t>(static_cast<int64_t>(sums.blue) / divisor);
    const auto meanG = static_cast<uint8_t>(static_cast<int64_t>(sums.green) / divisor);
    const auto meanR = static_cast<uint8_t>(static_cast<int64_t>(sums.red) / divisor);
    for (int x = x0; x < x1; ++x) {
        uint8_t* p = row + 3 * x;
        p[0] = static_cast<uint8_t>((p[0] + meanB) / 2);
        p[1] = static_cast<uint8_t>((p[1] + meanG) / 2);
        p[2] = static_cast<uint8_t>((p[2] + meanR) / 2);
    }
}
