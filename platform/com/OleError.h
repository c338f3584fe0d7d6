#pragma once

#include "platform/com/HResult.h"
#include "platform/runtime/Exception.h"

#include <string>

// The error the program raises for a failed object-services call: the system's text for the
// result code as its message, and the code itself.
class EOleSysError : public Exception {
public:
    EOleSysError(std::string message, HRESULT errorCode)
        : Exception(std::move(message)), errorCode_(errorCode) {}
    HRESULT ErrorCode() const noexcept { return errorCode_; }
    const char* ClassName() const noexcept override { return "EOleSysError"; }

private:
    HRESULT errorCode_;
};

// The system's text for a result code ("Invalid class string" for CO_E_CLASSSTRING); codes
// without a text of their own read "Unknown error 0x%08X".
std::string OleErrorText(HRESULT hr);

// Raises EOleSysError for a failure; a success code is returned unchanged.
HRESULT OleCheck(HRESULT hr);
[[noreturn]] void RaiseOleError(HRESULT hr);
