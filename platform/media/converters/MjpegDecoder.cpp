#include "platform/media/converters/MjpegDecoder.h"

#include "platform/media/core/VideoFormat.h"

#include <csetjmp>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

namespace {

// Rows handed to libjpeg per call; it returns at most one row group (up to 16 rows) anyway.
constexpr int kRowsPerCall = 16;
// A progressive frame takes a pass over its coefficients per scan, and a camera sends none; a
// frame of more scans than a progressive picture ever needs is taken as damaged rather than
// decoded for seconds.
constexpr int kMaxScans = 64;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf escape;
};

extern "C" void LeaveDecoder(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    std::longjmp(errors->escape, 1);
}

// Warnings (level -1) that a frame's picture data is corrupt or missing end the decode as an
// error does. The rest leave the picture whole: garbage before a marker (some cameras pad their
// frames), the end of the data reached while libjpeg reads ahead (a missing end marker; data
// the picture needs and does not find warns of a premature end of its segment), unknown JFIF
// or Adobe fields, a bad colour profile.
extern "C" void JudgeMessage(j_common_ptr info, int level) {
    if (level >= 0)
        return; // trace messages
    switch (info->err->msg_code) {
    case JWRN_EXTRANEOUS_DATA:
    case JWRN_JPEG_EOF:
    case JWRN_JFIF_MAJOR:
    case JWRN_ADOBE_XFORM:
    case JWRN_BOGUS_ICC:
        return;
    default:
        LeaveDecoder(info);
    }
}

extern "C" void CountScans(j_common_ptr info) {
    auto* decoder = reinterpret_cast<j_decompress_ptr>(info);
    if (decoder->input_scan_number > kMaxScans)
        LeaveDecoder(info);
}

// The whole decode, in C terms only: libjpeg's fatal errors jump back here, and no C++ object
// lives on this frame for the jump to skip. The rows go straight into the target, the first
// decoded (the top) into its last row; nothing is read after the last row, so what follows the
// picture in the frame is never looked at.
bool Decode(jpeg_decompress_struct* info, ErrorManager* errors, jpeg_progress_mgr* progress,
            const uint8_t* data, size_t size, int width, int height, uint8_t* target) {
    if (setjmp(errors->escape)) {
        jpeg_destroy_decompress(info);
        return false;
    }
    jpeg_create_decompress(info);
    info->progress = progress;
    jpeg_mem_src(info, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK || static_cast<int>(info->image_width) != width ||
        static_cast<int>(info->image_height) != height || info->num_components != 3) {
        jpeg_destroy_decompress(info);
        return false;
    }
    info->out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(info);
    const ptrdiff_t stride = Rgb24Stride(width);
    uint8_t* const bottom = target + static_cast<ptrdiff_t>(height - 1) * stride;
    JSAMPROW rows[kRowsPerCall];
    while (info->output_scanline < info->output_height) {
        const int first = static_cast<int>(info->output_scanline);
        const int count = height - first < kRowsPerCall ? height - first : kRowsPerCall;
        for (int k = 0; k < count; ++k)
            rows[k] = bottom - (first + k) * stride;
        jpeg_read_scanlines(info, rows, static_cast<JDIMENSION>(count));
    }
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
    errors.base.emit_message = JudgeMessage;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = CountScans;
    return Decode(&info, &errors, &progress, data, size, width, height, target);
}
