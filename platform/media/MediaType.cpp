#include "platform/media/MediaType.h"

#include "platform/com/TaskAllocator.h"

void FreeMediaType(AM_MEDIA_TYPE& type) noexcept {
    if (type.cbFormat != 0 || type.pbFormat) {
        CoTaskMemFree(type.pbFormat);
        type.cbFormat = 0;
        type.pbFormat = nullptr;
    }
    if (type.pUnk) {
        type.pUnk->Release();
        type.pUnk = nullptr;
    }
}
