#pragma once

#include "platform/media/core/GraphInterfaces.h"

// Connects `output` to `input` through one converter filter of the catalog, added to `graph`
// for the purpose. Before a converter is used, the graph's site is asked
// (IAMGraphBuilderCallback::SelectedFilter with the converter's moniker, then CreatedFilter with
// the new filter); a failure from either skips that converter. A converter that does not connect
// on both sides is removed again. S_OK, or VFW_E_CANNOT_CONNECT when no converter fits. Called
// on the thread that builds the graph, with no lock held.
HRESULT ConnectThroughConverter(IFilterGraph& graph, IPin* output, IPin* input);
