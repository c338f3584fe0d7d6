#pragma once

#include "platform/com/ComPtr.h"
#include "platform/media/core/FilterInterfaces.h"

#include <vector>

// Every pin of a filter, in the order of the filter's pin enumeration, as counted references.
class TPinList {
public:
    TPinList() = default;
    explicit TPinList(IBaseFilter* filter) { Assign(filter); }

    // Empties the list, then lists the filter's pins (none for no filter).
    void Assign(IBaseFilter* filter);

    int Count() const { return static_cast<int>(pins_.size()); }
    // Raises EListError ("List index out of bounds (%d)") outside the list.
    IPin* Items(int index) const;
    // True when pin `index` reports a pin it is connected to.
    bool Connected(int index) const;

private:
    std::vector<ComPtr<IPin>> pins_;
};
