#pragma once

#include <cstdio> // jpeglib.h needs FILE

#include <jpeglib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

// Compresses a top-down RGB picture (width x 3 bytes a row) with libjpeg itself, at the given
// quality, with its standard Huffman tables; chroma halved across (4:2:2, as webcams send it)
// or across and down (4:2:0, libjpeg's default); progressive in `scans` when there are any.
inline std::vector<uint8_t> EncodeJpeg(const std::vector<uint8_t>& rgb, int width, int height,
                                       int quality = 75, bool chromaHalvedDown = true,
                                       const std::vector<jpeg_scan_info>& scans = {}) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.comp_info[0].v_samp_factor = chromaHalvedDown ? 2 : 1;
    if (!scans.empty()) {
        info.scan_info = scans.data();
        info.num_scans = static_cast<int>(scans.size());
    }
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> rows = rgb; // libjpeg takes rows as non-const
    while (info.next_scanline < info.image_height) {
        JSAMPROW row[1] = {rows.data() + static_cast<size_t>(info.next_scanline) * width * 3};
        jpeg_write_scanlines(&info, row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

// Compresses a picture of `height` identical RGB rows (`row` holds width x 3 bytes).
inline std::vector<uint8_t> EncodeRepeatedRow(const std::vector<uint8_t>& row, int height, int quality = 75) {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < height; ++y)
        rgb.insert(rgb.end(), row.begin(), row.end());
    return EncodeJpeg(rgb, static_cast<int>(row.size() / 3), height, quality);
}

// A camera-like top-down RGB picture: colour gradients across and down, a few sharp edges, and
// a little noise, so that every part of a JPEG decoder has work.
inline std::vector<uint8_t> CameraLikePicture(int width, int height) {
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    uint32_t state = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const int noise = static_cast<int>(state >> 28) - 8;
            const bool edge = (x / 37 + y / 23) % 5 == 0;
            uint8_t* pixel = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            const int values[3] = {255 * x / width, 255 * y / height,
                                   edge ? 230 : 255 * (width - x) / width / 2};
            for (int c = 0; c < 3; ++c)
                pixel[c] = static_cast<uint8_t>(std::clamp(values[c] + noise, 0, 255));
        }
    return rgb;
}

// The width and height in the first start-of-frame marker (any SOFn) of `size` bytes, looked for
// byte by byte, as a fuzzed frame may have no sound segments before it; none when there is no
// such marker or its size is not one to decode in a test (1 to 2048 on each side).
inline std::optional<std::pair<int, int>> JpegFrameSize(const uint8_t* data, size_t size) {
    for (size_t at = 0; at + 9 <= size; ++at) {
        const uint8_t marker = data[at + 1];
        if (data[at] != 0xFF || marker < 0xC0 || marker > 0xCF || marker == 0xC4 || marker == 0xC8 ||
            marker == 0xCC)
            continue;
        const int width = (data[at + 7] << 8) | data[at + 8];
        const int height = (data[at + 5] << 8) | data[at + 6];
        if (width < 1 || height < 1 || width > 2048 || height > 2048)
            return std::nullopt;
        return std::pair(width, height);
    }
    return std::nullopt;
}
