#include "imaging/JPEGDecompressor.h"

#include "imaging/JPEGError.h"

#include <algorithm>

namespace {

// The steps run under the error guard: C-style, no objects with destructors on their frames.

struct CreateStep {
    j_decompress_ptr cinfo;
};
void Create(void* argument) {
    jpeg_create_decompress(static_cast<CreateStep*>(argument)->cinfo);
}

void ReadHeaderStep(void* argument) {
    jpeg_read_header(static_cast<j_decompress_ptr>(argument), TRUE);
}
void CalcOutputDimensionsStep(void* argument) {
    jpeg_calc_output_dimensions(static_cast<j_decompress_ptr>(argument));
}
void StartDecompressStep(void* argument) {
    jpeg_start_decompress(static_cast<j_decompress_ptr>(argument));
}
void FinishDecompressStep(void* argument) {
    jpeg_finish_decompress(static_cast<j_decompress_ptr>(argument));
}
void FinishOutputStep(void* argument) {
    jpeg_finish_output(static_cast<j_decompress_ptr>(argument));
}

struct InputCompleteStep {
    j_decompress_ptr cinfo;
    bool complete;
};
void InputCompleteRun(void* argument) {
    auto* a = static_cast<InputCompleteStep*>(argument);
    a->complete = jpeg_input_complete(a->cinfo) != 0;
}

struct MultipleScansStep {
    j_decompress_ptr cinfo;
    bool multiple;
};
void MultipleScansRun(void* argument) {
    auto* a = static_cast<MultipleScansStep*>(argument);
    a->multiple = jpeg_has_multiple_scans(a->cinfo) != 0;
}

struct StartOutputStep {
    j_decompress_ptr cinfo;
    int scan;
};
void StartOutputRun(void* argument) {
    auto* a = static_cast<StartOutputStep*>(argument);
    jpeg_start_output(a->cinfo, a->scan);
}

struct ReadRowsStep {
    j_decompress_ptr cinfo;
    uint8_t* row;
    ptrdiff_t step;
    int rowsPerCall;
    JDIMENSION read;
};
void ReadRowsRun(void* argument) {
    auto* a = static_cast<ReadRowsStep*>(argument);
    JSAMPROW rows[16];
    const int perCall = a->rowsPerCall < 1 ? 1 : (a->rowsPerCall > 16 ? 16 : a->rowsPerCall);
    while (a->cinfo->output_scanline < a->cinfo->output_height) {
        for (int k = 0; k < perCall; ++k)
            rows[k] = a->row + a->step * k;
        const JDIMENSION n = jpeg_read_scanlines(a->cinfo, rows, static_cast<JDIMENSION>(perCall));
        if (n == 0)
            break;
        a->read += n;
        a->row += a->step * static_cast<ptrdiff_t>(n);
        if (a->step == 0)
            break; // one row only
    }
}

} // namespace

TJPEGDecompressor::TJPEGDecompressor(const uint8_t* data, size_t size) {
    cinfo_.err = InitJPEGErrorManager(errors_);
    CreateStep create{&cinfo_};
    Run(Create, &create);
    created_ = true;
    AttachJPEGMemorySource(&cinfo_, source_, data, size);
}

TJPEGDecompressor::~TJPEGDecompressor() {
    if (created_)
        jpeg_destroy_decompress(&cinfo_);
}

void TJPEGDecompressor::Run(void (*step)(void*), void* argument) {
    if (!RunJPEGStep(errors_, step, argument))
        RaiseJPEGError(errors_.pub.msg_code);
}

void TJPEGDecompressor::ReadHeader() {
    Run(ReadHeaderStep, &cinfo_);
}
void TJPEGDecompressor::CalcOutputDimensions() {
    Run(CalcOutputDimensionsStep, &cinfo_);
}
void TJPEGDecompressor::StartDecompress() {
    Run(StartDecompressStep, &cinfo_);
}
void TJPEGDecompressor::FinishDecompress() {
    Run(FinishDecompressStep, &cinfo_);
}
void TJPEGDecompressor::FinishOutput() {
    Run(FinishOutputStep, &cinfo_);
}

void TJPEGDecompressor::ReadRows(uint8_t* first, ptrdiff_t step, int rowsPerCall) {
    ReadRowsStep rows{&cinfo_, first, step, step > 0 ? rowsPerCall : 1, 0};
    Run(ReadRowsRun, &rows);
}

bool TJPEGDecompressor::ReadRow(uint8_t* row) {
    if (cinfo_.output_scanline >= cinfo_.output_height)
        return false;
    ReadRowsStep one{&cinfo_, row, 0, 1, 0};
    Run(ReadRowsRun, &one);
    return one.read > 0;
}

bool TJPEGDecompressor::HasMultipleScans() {
    MultipleScansStep step{&cinfo_, false};
    Run(MultipleScansRun, &step);
    return step.multiple;
}

bool TJPEGDecompressor::InputComplete() {
    InputCompleteStep step{&cinfo_, false};
    Run(InputCompleteRun, &step);
    return step.complete;
}

void TJPEGDecompressor::StartOutput(int scan) {
    StartOutputStep step{&cinfo_, scan};
    Run(StartOutputRun, &step);
}
