#pragma once

#include "platform/runtime/Exception.h"

#include <cstdint>
#include <string>

// The runtime's standard errors, each with its fixed message text.

TARNOLIX_DECLARE_ERROR(EListError, Exception);
TARNOLIX_DECLARE_ERROR(EStreamError, Exception);
TARNOLIX_DECLARE_ERROR(EReadError, EStreamError);
TARNOLIX_DECLARE_ERROR(EWriteError, EStreamError);
TARNOLIX_DECLARE_ERROR(EFCreateError, EStreamError);
TARNOLIX_DECLARE_ERROR(EFOpenError, EStreamError);
TARNOLIX_DECLARE_ERROR(EInvalidGraphic, Exception);
TARNOLIX_DECLARE_ERROR(EAssertionFailed, Exception);
TARNOLIX_DECLARE_ERROR(EIntfCastError, Exception);

// An operating-system error with its numeric code.
class EOSError : public Exception {
public:
    EOSError(std::string message, int errorCode) : Exception(std::move(message)), errorCode_(errorCode) {}
    int ErrorCode() const noexcept { return errorCode_; }
    const char* ClassName() const noexcept override { return "EOSError"; }

private:
    int errorCode_;
};

// "List index out of bounds (%d)"
[[noreturn]] void RaiseListIndexError(int index);
// "Stream read error"
[[noreturn]] void RaiseReadError();
// "Stream write error"
[[noreturn]] void RaiseWriteError();
// "Cannot create file %s"
[[noreturn]] void RaiseCreateFileError(const std::string& fileName);
// "Cannot open file %s"
[[noreturn]] void RaiseOpenFileError(const std::string& fileName);
// "Bitmap image is not valid"
[[noreturn]] void RaiseInvalidBitmap();
// "System Error.  Code: %d.\r\n%s" with the system's text for the errno value.
[[noreturn]] void RaiseOSError(int errorCode);
// "Assertion failure" unless the caller gives its own text.
[[noreturn]] void RaiseAssertion(const std::string& message = "Assertion failure");
// "Interface not supported"
[[noreturn]] void RaiseInterfaceCastError();
