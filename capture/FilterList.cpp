#include "capture/FilterList.h"

#include "platform/media/core/GraphInterfaces.h"
#include "platform/runtime/StandardErrors.h"

#include <algorithm>

void TFilterList::Assign(IFilterGraph* graph) {
    filters_.clear();
    ComPtr<IEnumFilters> enumerator;
    if (!graph || FAILED(graph->EnumFilters(enumerator.Receive())) || !enumerator)
        return;
    ComPtr<IBaseFilter> filter;
    while (enumerator->Next(1, filter.Receive(), nullptr) == S_OK)
        filters_.push_back(std::move(filter));
}

IBaseFilter* TFilterList::Items(int index) const {
    if (index < 0 || index >= Count())
        RaiseListIndexError(index);
    return filters_[static_cast<size_t>(index)].Get();
}

void TFilterList::Remove(IBaseFilter* filter) {
    auto it =
        std::find_if(filters_.begin(), filters_.end(), [filter](const auto& f) { return f.Get() == filter; });
    if (it != filters_.end())
        filters_.erase(it);
}
