#include "platform/media/pins/PinEnumerator.h"

ComPtr<IEnumPins> PinEnumerator::Create(std::vector<ComPtr<IPin>> pins) {
    return ComPtr<IEnumPins>::Adopt(new PinEnumerator(std::move(pins), 0));
}

HRESULT PinEnumerator::Next(ULONG count, IPin** pins, ULONG* fetched) {
    if (fetched)
        *fetched = 0;
    if (!pins && count != 0)
        return E_POINTER;
    if (!fetched && count > 1)
        return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    ULONG taken = 0;
    while (taken < count && position_ < pins_.size())
        pins[taken++] = ComPtr<IPin>(pins_[position_++]).Detach();
    if (fetched)
        *fetched = taken;
    return taken == count ? S_OK : S_FALSE;
}

HRESULT PinEnumerator::Skip(ULONG count) {
    std::lock_guard lock(mutex_);
    const size_t left = pins_.size() - position_;
    if (count > left) {
        position_ = pins_.size();
        return S_FALSE;
    }
    position_ += count;
    return S_OK;
}

HRESULT PinEnumerator::Reset() {
    std::lock_guard lock(mutex_);
    position_ = 0;
    return S_OK;
}

HRESULT PinEnumerator::Clone(IEnumPins** clone) {
    if (!clone)
        return E_POINTER;
    std::lock_guard lock(mutex_);
    *clone = new PinEnumerator(pins_, position_);
    return S_OK;
}
