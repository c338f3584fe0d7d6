#pragma once

// The effects choose their row loops by the program's instruction-set level
// (platform/runtime/SimdLevel.h); their tables per level are in RowKernels.h.
#include "platform/runtime/SimdLevel.h"
