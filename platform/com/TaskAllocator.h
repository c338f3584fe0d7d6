#pragma once

#include <cstddef>

// The framework's task allocator: memory that one side allocates and the other frees
// (media type format blocks, strings handed across interfaces). Freeing null does nothing.
void* CoTaskMemAlloc(size_t size) noexcept;
void* CoTaskMemRealloc(void* block, size_t size) noexcept;
void CoTaskMemFree(void* block) noexcept;
