#include "platform/graphics/SectionMemoryPool.h"

#include <cstdlib>
#include <memory>

SectionMemoryPool& SectionMemoryPool::Instance() {
    // Never destroyed: bitmaps released during the program's exit still return their blocks to
    // it, and the blocks it holds stay reachable instead of being reported as leaked.
    static SectionMemoryPool* const pool = std::make_unique<SectionMemoryPool>().release();
    return *pool;
}

void SectionMemoryPool::Release::operator()(uint8_t* block) const noexcept {
    SectionMemoryPool::Instance().Recycle(block, size);
}

SectionMemoryPool::Block SectionMemoryPool::Acquire(size_t size) {
    {
        std::lock_guard lock(mutex_);
        for (auto it = free_.begin(); it != free_.end(); ++it) {
            if (it->first == size) {
                uint8_t* block = it->second;
                free_.erase(it);
                return Block(block, Release{size});
            }
        }
    }
    auto* block = static_cast<uint8_t*>(std::calloc(size == 0 ? 1 : size, 1));
    return Block(block, Release{size});
}

void SectionMemoryPool::Recycle(uint8_t* block, size_t size) noexcept {
    if (!block)
        return;
    uint8_t* evicted = nullptr;
    {
        std::lock_guard lock(mutex_);
        try {
            free_.emplace_back(size, block);
            block = nullptr;
        } catch (...) {
            // Out of memory for the list itself: free the block below instead of pooling it.
        }
        if (free_.size() > kMaxPooledBlocks) {
            evicted = free_.front().second;
            free_.erase(free_.begin());
        }
    }
    std::free(block);
    std::free(evicted);
}
