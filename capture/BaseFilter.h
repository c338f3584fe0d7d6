#pragma once

#include "capture/PersistentMemory.h"
#include "platform/com/ComPtr.h"
#include "platform/com/MonikerInterface.h"
#include "platform/media/core/FilterInterfaces.h"

// A device moniker kept in persisted form (its class id, then its own state, as the platform's
// object persistence writes it), so that every activation of the graph binds the device afresh.
class TBaseFilter : public TPersistentMemory {
public:
    // A new moniker object rebuilt from the bytes; none when empty or unreadable.
    ComPtr<IMoniker> Moniker() const;
    // Stores the moniker's persisted bytes; none empties the block.
    void SetMoniker(IMoniker* moniker);
    // A new filter bound from the stored moniker, or none.
    ComPtr<IBaseFilter> BindFilter() const;
};
