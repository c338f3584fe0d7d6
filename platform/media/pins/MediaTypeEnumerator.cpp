#include "platform/media/pins/MediaTypeEnumerator.h"

ComPtr<IEnumMediaTypes> MediaTypeEnumerator::Create(std::vector<VideoFormat> formats) {
    return ComPtr<IEnumMediaTypes>::Adopt(new MediaTypeEnumerator(std::move(formats), 0));
}

HRESULT MediaTypeEnumerator::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
    if (fetched)
        *fetched = 0;
    if (!types && count != 0)
        return E_POINTER;
    if (!fetched && count > 1)
        return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    ULONG taken = 0;
    while (taken < count && position_ < formats_.size()) {
        AM_MEDIA_TYPE* type = CreateVideoMediaType(formats_[position_]);
        if (!type) {
            // Hand back nothing rather than a partial batch the caller cannot tell apart.
            for (ULONG k = 0; k < taken; ++k)
                DeleteMediaType(types[k]);
            position_ -= taken;
            return E_OUTOFMEMORY;
        }
        types[taken++] = type;
        ++position_;
    }
    if (fetched)
        *fetched = taken;
    return taken == count ? S_OK : S_FALSE;
}

HRESULT MediaTypeEnumerator::Skip(ULONG count) {
    std::lock_guard lock(mutex_);
    const size_t left = formats_.size() - position_;
    if (count > left) {
        position_ = formats_.size();
        return S_FALSE;
    }
    position_ += count;
    return S_OK;
}

HRESULT MediaTypeEnumerator::Reset() {
    std::lock_guard lock(mutex_);
    position_ = 0;
    return S_OK;
}

HRESULT MediaTypeEnumerator::Clone(IEnumMediaTypes** clone) {
    if (!clone)
        return E_POINTER;
    std::lock_guard lock(mutex_);
    *clone = new MediaTypeEnumerator(formats_, position_);
    return S_OK;
}
