#pragma once

#include "platform/com/HResult.h"

#include <mutex>
#include <string>

// The filter graph manager's log: one readable line per graph operation, written to a file
// descriptor that the caller owns. Once SetFile returns, no line goes to the previous
// descriptor any more, so the caller may close it. Any thread.
class GraphLog {
public:
    // 0 stops logging.
    void SetFile(int fd);
    // Writes "<operation>: <result>\n" when a file is set.
    void Write(const std::string& operation, HRESULT result);

private:
    // mutex_ guards fd_ and is held while a line is written, so lines never interleave.
    std::mutex mutex_;
    int fd_ = 0;
};

// "S_OK", "S_FALSE" or the code in hexadecimal ("0x80040217").
std::string ResultName(HRESULT result);
