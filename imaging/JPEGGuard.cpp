#include "imaging/JPEGGuard.h"

#include <algorithm>

namespace {

void ErrorExit(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<TJPEGErrorManager*>(cinfo->err);
    std::longjmp(errors->jump, 1);
}

void EmitMessage(j_common_ptr, int) {}
void OutputMessage(j_common_ptr) {}
void FormatMessage(j_common_ptr, char* buffer) {
    buffer[0] = '\0';
}

void ResetErrorManager(j_common_ptr cinfo) {
    cinfo->err->msg_code = 0;
    cinfo->err->num_warnings = 0;
}

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    auto* source = reinterpret_cast<TJPEGMemorySource*>(cinfo->src);
    if (source->position >= source->size) {
        if (source->size == 0)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        source->endOfImage[0] = 0xFF;
        source->endOfImage[1] = JPEG_EOI;
        source->pub.next_input_byte = source->endOfImage;
        source->pub.bytes_in_buffer = 2;
        return TRUE;
    }
    const size_t chunk = std::min(TJPEGMemorySource::kChunk, source->size - source->position);
    source->pub.next_input_byte = source->data + source->position;
    source->pub.bytes_in_buffer = chunk;
    source->position += chunk;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    jpeg_source_mgr* source = cinfo->src;
    if (count <= 0)
        return;
    while (count > static_cast<long>(source->bytes_in_buffer)) {
        count -= static_cast<long>(source->bytes_in_buffer);
        FillInputBuffer(cinfo);
    }
    source->next_input_byte += count;
    source->bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

} // namespace

jpeg_error_mgr* InitJPEGErrorManager(TJPEGErrorManager& errors) {
    jpeg_std_error(&errors.pub);
    errors.pub.error_exit = ErrorExit;
    errors.pub.emit_message = EmitMessage;
    errors.pub.output_message = OutputMessage;
    errors.pub.format_message = FormatMessage;
    errors.pub.reset_error_mgr = ResetErrorManager;
    return &errors.pub;
}

void AttachJPEGMemorySource(j_decompress_ptr cinfo, TJPEGMemorySource& source, const uint8_t* data,
                            size_t size) {
    source.pub.init_source = InitSource;
    source.pub.fill_input_buffer = FillInputBuffer;
    source.pub.skip_input_data = SkipInputData;
    source.pub.resync_to_restart = jpeg_resync_to_restart;
    source.pub.term_source = TermSource;
    source.pub.next_input_byte = nullptr;
    source.pub.bytes_in_buffer = 0;
    source.data = data;
    source.size = size;
    source.position = 0;
    cinfo->src = &source.pub;
}

bool RunJPEGStep(TJPEGErrorManager& errors, void (*step)(void*), void* argument) {
    if (setjmp(errors.jump) != 0)
        return false;
    step(argument);
    return true;
}
