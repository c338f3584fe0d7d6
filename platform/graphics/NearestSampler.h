#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Samples a picture down to a smaller size without blending: each target pixel takes the source
// pixel under its centre, as an unsmoothed stretch does. A target as wide as the source copies
// its rows whole. Keeps the table of sampled columns between calls of the same widths, so a
// stream of frames of one size costs no allocation. One thread at a time.
class TNearestSampler {
public:
    // Fills `targetHeight` rows of `targetWidth` pixels at `target`, `targetStride` bytes apart,
    // from a `width` x `height` picture of `bytesPerPixel` (3 or 4) bytes a pixel whose row r,
    // counted from the top, starts at rowAt(r). The target is at most as large as the source.
    template <typename RowAt>
    void Sample(int width, int height, int bytesPerPixel, RowAt&& rowAt, uint8_t* target,
                std::ptrdiff_t targetStride, int targetWidth, int targetHeight) {
        PrepareColumns(width, targetWidth, bytesPerPixel);
        for (int y = 0; y < targetHeight; ++y)
            SampleRow(rowAt(Nearest(y, targetHeight, height)), target + y * targetStride, width,
                      bytesPerPixel);
    }

    // The source index whose span holds the centre of target index `index` of `targetSize`.
    static int Nearest(int index, int targetSize, int sourceSize) {
        return static_cast<int>((2 * static_cast<int64_t>(index) + 1) * sourceSize / (2 * targetSize));
    }

private:
    void PrepareColumns(int width, int targetWidth, int bytesPerPixel);
    void SampleRow(const uint8_t* from, uint8_t* to, int width, int bytesPerPixel) const;

    std::vector<int> columns_; // byte offsets of the sampled columns
    int columnsOf_ = 0;        // the source width columns_ was made for
    int columnsBytes_ = 0;     // and the pixel size
};
