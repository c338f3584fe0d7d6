#include "platform/runtime/StandardErrors.h"

#include "platform/runtime/Format.h"

#include <cstring>

void RaiseListIndexError(int index) {
    throw EListError(Format("List index out of bounds (%d)", index));
}

void RaiseReadError() {
    throw EReadError("Stream read error");
}

void RaiseWriteError() {
    throw EWriteError("Stream write error");
}

void RaiseCreateFileError(const std::string& fileName) {
    throw EFCreateError(Format("Cannot create file %s", fileName.c_str()));
}

void RaiseOpenFileError(const std::string& fileName) {
    throw EFOpenError(Format("Cannot open file %s", fileName.c_str()));
}

void RaiseInvalidBitmap() {
    throw EInvalidGraphic("Bitmap image is not valid");
}

void RaiseOSError(int errorCode) {
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not live in buffer.
    const char* text = strerror_r(errorCode, buffer, sizeof buffer);
    throw EOSError(Format("System Error.  Code: %d.\r\n%s", errorCode, text), errorCode);
}

void RaiseAssertion(const std::string& message) {
    throw EAssertionFailed(message);
}

void RaiseInterfaceCastError() {
    throw EIntfCastError("Interface not supported");
}
