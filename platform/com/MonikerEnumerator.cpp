#include "platform/com/MonikerEnumerator.h"

ComPtr<IEnumMoniker> MonikerEnumerator::Create(std::vector<ComPtr<IMoniker>> monikers) {
    return ComPtr<IEnumMoniker>::Adopt(new MonikerEnumerator(std::move(monikers), 0));
}

HRESULT MonikerEnumerator::Next(ULONG count, IMoniker** monikers, ULONG* fetched) {
    if (fetched)
        *fetched = 0;
    if (!monikers && count != 0)
        return E_POINTER;
    // Without a place for the count, only one at a time can be reported.
    if (!fetched && count > 1)
        return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    ULONG taken = 0;
    while (taken < count && position_ < monikers_.size()) {
        monikers[taken] = ComPtr<IMoniker>(monikers_[position_]).Detach();
        ++taken;
        ++position_;
    }
    if (fetched)
        *fetched = taken;
    return taken == count ? S_OK : S_FALSE;
}

HRESULT MonikerEnumerator::Skip(ULONG count) {
    std::lock_guard lock(mutex_);
    const size_t left = monikers_.size() - position_;
    if (count > left) {
        position_ = monikers_.size();
        return S_FALSE;
    }
    position_ += count;
    return S_OK;
}

HRESULT MonikerEnumerator::Reset() {
    std::lock_guard lock(mutex_);
    position_ = 0;
    return S_OK;
}

HRESULT MonikerEnumerator::Clone(IEnumMoniker** clone) {
    if (!clone)
        return E_POINTER;
    std::lock_guard lock(mutex_);
    *clone = new MonikerEnumerator(monikers_, position_);
    return S_OK;
}
