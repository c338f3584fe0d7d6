#include "platform/media/core/MediaType.h"

#include "platform/com/TaskAllocator.h"

#include <cstring>

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

bool DuplicateMediaType(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source) noexcept {
    target = source;
    target.pbFormat = nullptr;
    target.cbFormat = 0;
    if (source.cbFormat != 0 && source.pbFormat) {
        target.pbFormat = static_cast<uint8_t*>(CoTaskMemAlloc(source.cbFormat));
        if (!target.pbFormat) {
            target = AM_MEDIA_TYPE{};
            return false;
        }
        std::memcpy(target.pbFormat, source.pbFormat, source.cbFormat);
        target.cbFormat = source.cbFormat;
    }
    if (target.pUnk)
        target.pUnk->AddRef();
    return true;
}
