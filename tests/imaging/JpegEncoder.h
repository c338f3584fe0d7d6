#pragma once

#include <cstdint>
#include <vector>

// Makes JPEG files for the tests with libjpeg's own compressor.
struct JpegPicture {
    int width = 64;
    int height = 48;
    int components = 3; // 1 grey, 3 colour, 4 CMYK (written inverted, with Adobe's marker)
    bool progressive = false;
    int quality = 95;
    // The sample of component c at (x, y); by default a smooth pattern.
    uint8_t (*sample)(int x, int y, int c) = nullptr;

    std::vector<uint8_t> Encode() const;
};
