#include "platform/media/converters/MjpegDecoder.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf escape;
};

extern "C" void LeaveDecoder(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    std::longjmp(errors->escape, 1);
}

extern "C" void IgnoreMessage(j_common_ptr, int) {}

// The whole decode, in C terms only: libjpeg's fatal errors jump back here, and no C++ object
// lives on this frame for the jump to skip.
bool Decode(jpeg_decompress_struct* info, ErrorManager* errors, const uint8_t* data, size_t size, int width,
            int height, uint8_t* target) {
    if (setjmp(errors->escape)) {
        jpeg_destroy_decompress(info);
        return false;
    }
    jpeg_create_decompress(info);
    jpeg_mem_src(info, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK || static_cast<int>(info->image_width) != width ||
        static_cast<int>(info->image_height) != height || info->num_components != 3) {
        jpeg_destroy_decompress(info);
        return false;
    }
    info->out_color_space = JCS_EXT_BGR;
    info->dct_method = JDCT_IFAST;
    jpeg_start_decompress(info);
    const int stride = (width * 3 + 3) & ~3;
    while (info->output_scanline < info->output_height) {
        JSAMPROW row =
            target + static_cast<ptrdiff_t>(height - 1 - static_cast<int>(info->output_scanline)) * stride;
        jpeg_read_scanlines(info, &row, 1);
    }
    jpeg_finish_decompress(info);
    jpeg_destroy_decompress(info);
    return true;
}

} // namespace

bool DecodeMjpegToRgb24(const uint8_t* data, size_t size, int width, int height, uint8_t* target) {
    if (!data || size < 4 || width <= 0 || height <= 0 || !target)
        return false;
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = LeaveDecoder;
    errors.base.emit_message = IgnoreMessage;
    return Decode(&info, &errors, data, size, width, height, target);
}
