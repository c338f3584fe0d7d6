#pragma once

// A recording of MJPEG frames as a webcam sends them (quality 85, 4:2:2), made from the moving
// test pattern, for the benchmarks that run the MJPEG path without an MJPEG camera.

#include "platform/media/core/VideoFormat.h"
#include "platform/media/sources/TestPattern.h"
#include "tests/media/support/JpegEncoding.h"

#include <fstream>
#include <string>
#include <vector>

// Writes `count` frames of the pattern, one after another, to `path`.
inline void WriteMjpegRecording(const std::string& path, int width, int height, int count) {
    const int stride = Rgb24Stride(width);
    std::vector<uint8_t> picture(static_cast<size_t>(stride) * height);
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (int frame = 0; frame < count; ++frame) {
        RenderTestPattern(picture.data(), width, height, stride, static_cast<uint64_t>(frame));
        // The pattern is bottom-up blue, green, red; the encoder takes top-down red, green, blue.
        for (int y = 0; y < height; ++y) {
            const uint8_t* source = &picture[static_cast<size_t>(height - 1 - y) * stride];
            uint8_t* target = &rgb[static_cast<size_t>(y) * width * 3];
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < 3; ++c)
                    target[x * 3 + c] = source[x * 3 + 2 - c];
        }
        const std::vector<uint8_t> jpeg = EncodeJpeg(rgb, width, height, 85, false);
        out.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
    }
}
