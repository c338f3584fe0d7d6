#pragma once

#include "platform/com/ComPtr.h"
#include "platform/media/core/FilterInterfaces.h"

#include <mutex>
#include <vector>

// An IEnumPins over the fixed list of a filter's pins. Any thread may use it.
class PinEnumerator final : public ComObject<IEnumPins> {
public:
    static ComPtr<IEnumPins> Create(std::vector<ComPtr<IPin>> pins);

    HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumPins** clone) override;

private:
    PinEnumerator(std::vector<ComPtr<IPin>> pins, size_t position)
        : pins_(std::move(pins)), position_(position) {}

    // mutex_ guards position_; pins_ never changes.
    std::mutex mutex_;
    const std::vector<ComPtr<IPin>> pins_;
    size_t position_;
};
