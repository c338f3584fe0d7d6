#include "platform/com/ComPtr.h"
#include "platform/com/ViewerInterfaces.h"

CounterGroup ReadCounterGroup(ICounterSource* source, std::string name) {
    CounterGroup group{std::move(name), source->CounterKind(), {}, {}};
    source->ReadCounters(group.counters);
    if (const ComPtr<ICounterLabels> labels = ComPtr<ICounterSource>(source).As<ICounterLabels>())
        labels->ReadLabels(group.labels);
    return group;
}
