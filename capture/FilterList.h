#pragma once

#include "platform/com/ComPtr.h"
#include "platform/media/core/FilterInterfaces.h"

#include <vector>

// Every filter of a graph, in the order of the graph's filter enumeration, as counted references.
class TFilterList {
public:
    TFilterList() = default;
    explicit TFilterList(IFilterGraph* graph) { Assign(graph); }

    // Empties the list, then lists the graph's filters (none for no graph).
    void Assign(IFilterGraph* graph);

    int Count() const { return static_cast<int>(filters_.size()); }
    // Raises EListError ("List index out of bounds (%d)") outside the list.
    IBaseFilter* Items(int index) const;
    // Removes the entry that is this very filter, if any.
    void Remove(IBaseFilter* filter);

private:
    std::vector<ComPtr<IBaseFilter>> filters_;
};
