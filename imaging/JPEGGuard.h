#pragma once

// The seam between the JPEG library, which is C and reports fatal errors by calling its error
// manager's error_exit, and the program's C++. The program's error_exit jumps back (longjmp)
// into RunJPEGStep, the one function that calls setjmp; everything it calls in between is C or
// C-style code without C++ objects, so no destructor is skipped. Back in C++, the caller turns
// the recorded message code into EJPEG.

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

#include <jerror.h>

// The error manager: the library's own record first, so the library's pointer to it is a
// pointer to this. Warnings and trace messages are dropped.
struct TJPEGErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

// The source manager: hands the library the in-memory bytes in chunks of kChunk bytes, and an
// end-of-image marker once they run out (after the library's premature-end warning), so a file
// cut short inside its image data decodes to the end. No bytes at all is the empty-input error.
struct TJPEGMemorySource {
    static constexpr size_t kChunk = 4096;
    jpeg_source_mgr pub;
    const uint8_t* data;
    size_t size;
    size_t position;
    JOCTET endOfImage[2];
};

// Fills in the error manager and returns the library's view of it.
jpeg_error_mgr* InitJPEGErrorManager(TJPEGErrorManager& errors);
// Attaches the source manager to `cinfo` at the start of `size` bytes at `data`.
void AttachJPEGMemorySource(j_decompress_ptr cinfo, TJPEGMemorySource& source, const uint8_t* data,
                            size_t size);

// Runs step(argument); false when the library's fatal error ended it, its code then being
// errors.pub.msg_code. `step` must hold no C++ objects with destructors.
bool RunJPEGStep(TJPEGErrorManager& errors, void (*step)(void*), void* argument);
