#include "imaging/JPEGError.h"

#include "platform/runtime/Format.h"

void RaiseJPEGError(int messageCode) {
    throw EJPEG(Format("JPEG error #%d", messageCode));
}
