#pragma once

#include "platform/com/Guid.h"

#include <string>
#include <vector>

// The converter filters that the graph may insert between two pins, in the order it tries them.
struct ConverterEntry {
    CLSID clsid;
    std::u16string name;          // the filter's name in the graph and its moniker's friendly name
    std::vector<GUID> inputTypes; // the subtypes its input takes
};

const std::vector<ConverterEntry>& ConverterCatalog();
