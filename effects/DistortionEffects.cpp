#include "effects/DistortionEffects.h"

#include "effects/ChannelTables.h"
#include "effects/RowKernels.h"

#include <algorithm>
#include <cmath>

void FractalDistortion(uint8_t* row, int y, int x0, int x1) {
    // Both addends depend on the byte offset i only through its low 8 bits, and 3x mod 256
    // repeats every 256 columns: build the addends of 256 columns once per row, then add them
    // byte by byte along the row.
    uint8_t t[256];
    const int mask = y & 255;
    const double scale = y / 100.0;
    for (int k = mask;; k = (k - 1) & mask) { // only values within y's low byte occur
        t[k] = LowByteOfRounded(scale * k);
        if (k == 0)
            break;
    }
    const int redKey = (255 * y) & 255;
    uint8_t pattern[3 * 256];
    for (int x = 0; x < 256; ++x) {
        const int i = 3 * (x0 + x);
        const uint8_t addend = t[y & i & 255];
        pattern[3 * x] = addend;
        pattern[3 * x + 1] = addend;
        pattern[3 * x + 2] = static_cast<uint8_t>((i ^ redKey) & 255);
    }
    uint8_t* p = row + 3 * x0;
    for (int done = 0; done < x1 - x0; done += 256) {
        const int bytes = 3 * std::min(256, x1 - x0 - done);
        RowKernels().addBytes(p + 3 * done, pattern, static_cast<size_t>(bytes));
    }
}

void SineDistortion(uint8_t* row, int x0, int x1) {
    MapChannelBytes(row, x0, x1, ChannelTables().sine);
}

void CosineDistortion(uint8_t* row, int x0, int x1) {
    MapChannelBytes(row, x0, x1, ChannelTables().cosine);
}

void TangentDistortion(uint8_t* row, int x0, int x1) {
    MapChannelBytes(row, x0, x1, ChannelTables().tangent);
}

void HiddenTangentPatterns(uint8_t* row, const uint8_t* addends, int x0, int x1) {
    RowKernels().addPerPixel(row, addends, x0, x1);
}

const uint8_t* THiddenTangentTable::Row(int width, int height, int y) {
    if (width != width_ || height != height_) {
        addends_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
        for (int r = 0; r < height; ++r)
            for (int x = 0; x < width; ++x)
                addends_[static_cast<size_t>(r) * width + x] =
                    LowByteOfRounded(std::tan(static_cast<double>(static_cast<int64_t>(r) * 3 * x)));
        width_ = width;
        height_ = height;
    }
    return addends_.data() + static_cast<size_t>(y) * width_;
}
