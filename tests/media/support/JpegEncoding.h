#pragma once

#include <cstdio> // jpeglib.h needs FILE

#include <jpeglib.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

// Compresses a picture of `height` identical RGB rows (`row` holds width x 3 bytes) with
// libjpeg itself, at the given quality.
inline std::vector<uint8_t> EncodeRepeatedRow(const std::vector<uint8_t>& row, int height, int quality = 75) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(row.size() / 3);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> scanline = row; // libjpeg takes rows as non-const
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {scanline.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}
