#include "effects/ColourEffects.h"

#include "effects/ChannelTables.h"
#include "effects/FastKernels.h"

#include "effects/Vectorize.h"

#include <algorithm>
#include <cstdlib>

TARNOLIX_HOT void Negative(uint8_t* row, int x0, int x1) {
    for (int k = 3 * x0; k < 3 * x1; ++k)
        row[k] = static_cast<uint8_t>(~row[k]);
}

TARNOLIX_HOT void ColourInversion(uint8_t* row, int x0, int x1) {
    if (fast::FastKernelsActive())
        return fast::MapBytes(row + 3 * x0, 3 * (x1 - x0), ChannelTables().inversion.data());
    const auto& table = ChannelTables().inversion;
    for (int k = 3 * x0; k < 3 * x1; ++k)
        row[k] = table[row[k]];
}

TARNOLIX_HOT void GreyFromMean(uint8_t* row, int x0, int x1) {
    if (fast::FastKernelsActive())
        x0 += fast::GreyFromMean(row + 3 * x0, x1 - x0);
    for (int x = x0; x < x1; ++x) {
        uint8_t* p = row + 3 * x;
        const auto m = static_cast<uint8_t>((p[0] + p[1] + p[2]) / 3);
        p[0] = m;
        p[1] = m;
        p[2] = m;
    }
}

TARNOLIX_HOT void GreyFromRed(uint8_t* row, int x0, int x1) {
    if (fast::FastKernelsActive())
        x0 += fast::GreyFromChannel(row + 3 * x0, x1 - x0, 2);
    for (int x = x0; x < x1; ++x) {
        uint8_t* p = row + 3 * x;
        p[0] = p[2];
        p[1] = p[2];
    }
}

TARNOLIX_HOT void GreyFromGreen(uint8_t* row, int x0, int x1) {
    if (fast::FastKernelsActive())
        x0 += fast::GreyFromChannel(row + 3 * x0, x1 - x0, 1);
    for (int x = x0; x < x1; ++x) {
        uint8_t* p = row + 3 * x;
        p[0] = p[1];
        p[2] = p[1];
    }
}

TARNOLIX_HOT void GreyFromBlue(uint8_t* row, int x0, int x1) {
    if (fast::FastKernelsActive())
        x0 += fast::GreyFromChannel(row + 3 * x0, x1 - x0, 0);
    for (int x = x0; x < x1; ++x) {
        uint8_t* p = row + 3 * x;
        p[1] = p[0];
        p[2] = p[0];
    }
}

TARNOLIX_HOT void BlackAndWhite(uint8_t* row, int x0, int x1) {
    if (fast::FastKernelsActive())
        x0 += fast::BlackAndWhite(row + 3 * x0, x1 - x0);
    for (int x = x0; x < x1; ++x) {
        uint8_t* p = row + 3 * x;
        // (sum div 3) > 128 exactly when sum >= 387.
        const uint8_t v = (p[0] + p[1] + p[2]) >= 387 ? 255 : 0;
        p[0] = v;
        p[1] = v;
        p[2] = v;
    }
}

TARNOLIX_HOT void PredatorVision(uint8_t* row, int x0, int x1) {
    if (fast::FastKernelsActive())
        x0 += fast::PredatorVision(row + 3 * x0, x1 - x0);
    for (int x = x0; x < x1; ++x) {
        uint8_t* p = row + 3 * x;
        // B := R and G; G := B and R; R := G and B: all three end as R and G.
        const auto v = static_cast<uint8_t>(p[2] & p[1]);
        p[0] = v;
        p[1] = v;
        p[2] = v;
    }
}

TARNOLIX_HOT void Contours(uint8_t* row, int x0, int x1) {
    // Every pixel compares with its right neighbour's copied value, so the means of the row
    // segment and of the pixel after it are taken first, in chunks that stay in the cache.
    constexpr int kChunk = 256;
    int16_t mean[kChunk + 1];
    for (int start = x0; start < x1; start += kChunk) {
        const int n = std::min(kChunk, x1 - start);
        const uint8_t* q = row + 3 * start;
        for (int k = 0; k <= n; ++k)
            mean[k] = static_cast<int16_t>((q[3 * k] + q[3 * k + 1] + q[3 * k + 2]) / 3);
        uint8_t* p = row + 3 * start;
        for (int k = 0; k < n; ++k) {
            const int d = mean[k] - mean[k + 1];
            const uint8_t v = (d >= 10 || d <= -10) ? 255 : 0;
            p[3 * k] = v;
            p[3 * k + 1] = v;
            p[3 * k + 2] = v;
        }
    }
}

TARNOLIX_HOT void Blots(uint8_t* row, int x0, int x1) {
    if (fast::FastKernelsActive())
        x0 += fast::Blots(row + 3 * x0, x1 - x0);
    for (int x = x0; x < x1; ++x) {
        uint8_t* p = row + 3 * x;
        const auto b = static_cast<uint8_t>(p[0] + p[3]);
        const auto g = static_cast<uint8_t>(p[1] + p[4]);
        const auto r = static_cast<uint8_t>(p[2] + p[5]);
        const auto newB = static_cast<uint8_t>(b - g);
        const auto newG = static_cast<uint8_t>(g - r);
        p[0] = newB;
        p[1] = newG;
        p[2] = static_cast<uint8_t>(r - newB);
    }
}

TARNOLIX_HOT void SierpinskiMask(uint8_t* row, int y, int x0, int x1) {
    for (int x = x0; x < x1; ++x) {
        if ((y & (3 * x)) == 0) {
            uint8_t* p = row + 3 * x;
            p[0] = static_cast<uint8_t>(~p[0]);
            p[1] = static_cast<uint8_t>(~p[1]);
            p[2] = static_cast<uint8_t>(~p[2]);
        }
    }
}
