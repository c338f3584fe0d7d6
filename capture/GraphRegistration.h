#pragma once

#include "platform/com/HResult.h"
#include "platform/com/Unknown.h"
#include "platform/com/ViewerInterfaces.h"
#include "platform/media/core/FilterInterfaces.h"

#include <cstdint>
#include <string>

// The name under which a graph is registered for external graph viewers:
// "FilterGraph %p pid %x", the graph's address as 8 upper-case hexadecimal digits (its low
// 32 bits on a 64-bit system) and the process id in upper-case hexadecimal.
std::string GraphViewerName(const void* graph, uint32_t processId);

// Registers the graph in the running-object table under GraphViewerName; *cookie receives the
// registration (0 on failure).
HRESULT RegisterGraphForViewer(IUnknown* graph, DWORD* cookie);
HRESULT RevokeGraphRegistration(DWORD cookie);

// Adds a source of counters to a registration, reported to viewers with the graph's own
// statistics until the registration is revoked.
HRESULT AttachViewerCounters(DWORD cookie, ICounterSource* source);
