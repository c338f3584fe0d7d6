#pragma once

#include "platform/com/ComPtr.h"
#include "platform/media/core/FilterInterfaces.h"

#include <vector>

// Small questions asked of other filters' pins while a graph is built or torn down. They call
// out to the filters, so callers hold no lock of their own. Any thread.

// The filter's pins in its enumeration order (empty when it has none or cannot list them).
std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter);
// The pins of one direction, in enumeration order.
std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter, PIN_DIRECTION direction);
// The filter that owns the pin; empty when the pin does not say.
ComPtr<IBaseFilter> FilterOf(IPin* pin);
// The pin connected to `pin`; empty when it is not connected.
ComPtr<IPin> PeerOf(IPin* pin);
// Breaks the pin's connection on both ends (the peer first). S_FALSE when it was not connected.
HRESULT DisconnectBothEnds(IPin* pin);
