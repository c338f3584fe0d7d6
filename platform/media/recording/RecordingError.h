#pragma once

#include "platform/runtime/Exception.h"

#include <string>

// A film that cannot be written: its message is English, for logs; the window tells the user in
// its own words from the error number (ENOSPC, EFBIG, EACCES...; 0 when it is not a file error)
// and the path.
class RecordingError : public Exception {
public:
    RecordingError(std::string message, int errorNumber, std::string path)
        : Exception(std::move(message)), errorNumber_(errorNumber), path_(std::move(path)) {}
    const char* ClassName() const noexcept override { return "RecordingError"; }

    int ErrorNumber() const { return errorNumber_; }
    const std::string& Path() const { return path_; }

private:
    int errorNumber_;
    std::string path_;
};

// Raises RecordingError for an FFmpeg result below zero, naming what was being done.
void CheckAv(int result, const char* doing, const std::string& path);
