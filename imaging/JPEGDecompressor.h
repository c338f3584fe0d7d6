#pragma once

#include "imaging/JPEGGuard.h"

#include <cstddef>
#include <cstdint>

// One libjpeg decompressor over bytes in memory, with the program's error and source managers.
// Created by the constructor, released by the destructor however decoding ends. Every library
// call goes through the error guard; a fatal library error raises EJPEG with its message code
// (after which the decompressor may only be destroyed). The bytes must outlive it. One thread.
class TJPEGDecompressor {
public:
    TJPEGDecompressor(const uint8_t* data, size_t size);
    ~TJPEGDecompressor();
    TJPEGDecompressor(const TJPEGDecompressor&) = delete;
    TJPEGDecompressor& operator=(const TJPEGDecompressor&) = delete;

    jpeg_decompress_struct& Info() { return cinfo_; }

    // Reads the headers up to the first scan; a stream without an image is an error.
    void ReadHeader();
    bool HasMultipleScans();
    void CalcOutputDimensions();
    void StartDecompress();
    // Reads the rest of the output pass's rows: the first into `first`, each next one `step`
    // bytes further, `rowsPerCall` at a time (1 unless the step is positive).
    void ReadRows(uint8_t* first, ptrdiff_t step, int rowsPerCall);
    // Reads one row; false when none was left.
    bool ReadRow(uint8_t* row);
    void FinishDecompress();

    // Buffered-image mode.
    bool InputComplete();
    void StartOutput(int scan);
    void FinishOutput();

private:
    void Run(void (*step)(void*), void* argument);

    TJPEGErrorManager errors_{};
    TJPEGMemorySource source_{};
    jpeg_decompress_struct cinfo_{};
    bool created_ = false;
};
