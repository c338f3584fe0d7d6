#pragma once

#include "platform/runtime/StandardErrors.h"

// A fatal error of the JPEG library: "JPEG error #%d" with the library's message code.
TARNOLIX_DECLARE_ERROR(EJPEG, EInvalidGraphic);

[[noreturn]] void RaiseJPEGError(int messageCode);
