#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/media/core/GraphInterfaces.h"

#include <mutex>
#include <vector>

// An IEnumFilters over a snapshot of a graph's filters, in the order they were added. Any
// thread may use it.
class FilterEnumerator final : public ComObject<IEnumFilters> {
public:
    static ComPtr<IEnumFilters> Create(std::vector<ComPtr<IBaseFilter>> filters);

    HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumFilters** clone) override;

private:
    FilterEnumerator(std::vector<ComPtr<IBaseFilter>> filters, size_t position)
        : filters_(std::move(filters)), position_(position) {}

    const std::vector<ComPtr<IBaseFilter>> filters_;
    std::mutex mutex_; // guards position_
    size_t position_;
};
