#pragma once

#include "platform/com/ComPtr.h"
#include "platform/com/MonikerInterface.h"

#include <mutex>
#include <vector>

// An IEnumMoniker over a fixed list of monikers, made when it was created. Any thread may use
// it; each call is atomic.
class MonikerEnumerator final : public ComObject<IEnumMoniker> {
public:
    static ComPtr<IEnumMoniker> Create(std::vector<ComPtr<IMoniker>> monikers);

    HRESULT Next(ULONG count, IMoniker** monikers, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumMoniker** clone) override;

private:
    MonikerEnumerator(std::vector<ComPtr<IMoniker>> monikers, size_t position)
        : monikers_(std::move(monikers)), position_(position) {}

    // mutex_ guards position_; monikers_ never changes.
    std::mutex mutex_;
    const std::vector<ComPtr<IMoniker>> monikers_;
    size_t position_;
};
