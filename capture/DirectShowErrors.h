#pragma once

#include "platform/com/HResult.h"
#include "platform/runtime/Exception.h"

#include <string>

// An error of the media framework: its text, and the result code in ErrorCode.
class EDirectShowException : public Exception {
public:
    EDirectShowException(std::string message, HRESULT errorCode)
        : Exception(std::move(message)), errorCode_(errorCode) {}
    HRESULT ErrorCode() const noexcept { return errorCode_; }
    const char* ClassName() const noexcept override { return "EDirectShowException"; }

private:
    HRESULT errorCode_;
};

// An error of the capture components themselves, with a code of their choosing.
class EDSComponentException : public Exception {
public:
    EDSComponentException(std::string message, int errorCode)
        : Exception(std::move(message)), errorCode_(errorCode) {}
    int ErrorCode() const noexcept { return errorCode_; }
    const char* ClassName() const noexcept override { return "EDSComponentException"; }

private:
    int errorCode_;
};

// The framework's text for a result code, found in "quartz.dll"; empty when the library or
// either of its text functions is missing.
std::string DirectShowErrorText(HRESULT result);

// Returns a success code unchanged; raises EDirectShowException for a failure, with the message
// "<text> ($<code in upper-case hexadecimal>).".
HRESULT CheckDirectShowResult(HRESULT result);
