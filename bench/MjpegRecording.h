#pragma once

// A recording of MJPEG frames as a webcam sends them (quality 85, 4:2:2), made from the moving
// test pattern, for the benchmarks that run the MJPEG path without an MJPEG camera.

#include "platform/media/core/VideoFormat.h"
#include "platform/media/sources/TestPattern.h"

#include <cstdio> // jpeglib.h needs FILE

#include <jpeglib.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

inline std::vector<uint8_t> EncodeWebcamFrame(const std::vector<uint8_t>& bottomUpBgr, int width,
                                              int height) {
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
    info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 85, TRUE);
    info.comp_info[0].h_samp_factor = 2; // 4:2:2, as webcams send
    info.comp_info[0].v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    const int stride = Rgb24Stride(width);
    while (info.next_scanline < info.image_height) {
        const size_t row = static_cast<size_t>(height - 1 - static_cast<int>(info.next_scanline));
        JSAMPROW rows[1] = {const_cast<uint8_t*>(&bottomUpBgr[row * stride])};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> frame(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return frame;
}

// Writes `count` frames of the pattern, one after another, to `path`.
inline void WriteMjpegRecording(const std::string& path, int width, int height, int count) {
    std::vector<uint8_t> picture(static_cast<size_t>(Rgb24Stride(width)) * height);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (int frame = 0; frame < count; ++frame) {
        RenderTestPattern(picture.data(), width, height, Rgb24Stride(width), static_cast<uint64_t>(frame));
        const std::vector<uint8_t> jpeg = EncodeWebcamFrame(picture, width, height);
        out.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
    }
}
