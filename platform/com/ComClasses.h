#pragma once

#include "platform/com/ClassRegistry.h"

#include <utility>
#include <vector>

// The creatable classes of the object services themselves (the item moniker), which the
// class registry holds from the start.
std::vector<std::pair<CLSID, ClassFactoryFunction>> ComLibraryClasses();
