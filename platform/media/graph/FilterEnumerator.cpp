#include "platform/media/graph/FilterEnumerator.h"

#include <algorithm>

ComPtr<IEnumFilters> FilterEnumerator::Create(std::vector<ComPtr<IBaseFilter>> filters) {
    return ComPtr<IEnumFilters>::Adopt(new FilterEnumerator(std::move(filters), 0));
}

HRESULT FilterEnumerator::Next(ULONG count, IBaseFilter** filters, ULONG* fetched) {
    if (!filters || (count > 1 && !fetched))
        return E_POINTER;
    std::lock_guard lock(mutex_);
    ULONG done = 0;
    while (done < count && position_ < filters_.size())
        filters[done++] = ComPtr<IBaseFilter>(filters_[position_++]).Detach();
    if (fetched)
        *fetched = done;
    return done == count ? S_OK : S_FALSE;
}

HRESULT FilterEnumerator::Skip(ULONG count) {
    std::lock_guard lock(mutex_);
    position_ = std::min(filters_.size(), position_ + count);
    return position_ < filters_.size() ? S_OK : S_FALSE;
}

HRESULT FilterEnumerator::Reset() {
    std::lock_guard lock(mutex_);
    position_ = 0;
    return S_OK;
}

HRESULT FilterEnumerator::Clone(IEnumFilters** clone) {
    if (!clone)
        return E_POINTER;
    std::lock_guard lock(mutex_);
    *clone = new FilterEnumerator(filters_, position_);
    return S_OK;
}
