#include "platform/com/TaskAllocator.h"

#include <cstdlib>

void* CoTaskMemAlloc(size_t size) noexcept {
    return std::malloc(size == 0 ? 1 : size);
}

void* CoTaskMemRealloc(void* block, size_t size) noexcept {
    return std::realloc(block, size == 0 ? 1 : size);
}

void CoTaskMemFree(void* block) noexcept {
    std::free(block);
}
