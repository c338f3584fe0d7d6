#pragma once

#include "platform/runtime/SimdLevel.h"

// Restores the active instruction-set level when a test ends.
class SimdLevelScope {
public:
    SimdLevelScope() : was_(ActiveSimdLevel()) {}
    ~SimdLevelScope() { SetSimdLevel(was_); }
    SimdLevelScope(const SimdLevelScope&) = delete;
    SimdLevelScope& operator=(const SimdLevelScope&) = delete;

private:
    TSimdLevel was_;
};
