#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// Pixel memory for bitmap sections. Live video makes a new section for every frame, each the
// size of the one before; keeping a few released blocks for reuse spares the kernel a fresh
// zeroed page for every row of every frame. Thread-safe: frames are made on streaming threads
// and released wherever their bitmap lets go of them.
class SectionMemoryPool {
public:
    struct Release {
        void operator()(uint8_t* block) const noexcept;
        size_t size;
    };
    using Block = std::unique_ptr<uint8_t[], Release>;

    static SectionMemoryPool& Instance();

    // A block of `size` bytes: a pooled one of that size if any, else a fresh zeroed one.
    // Empty when the memory cannot be had.
    Block Acquire(size_t size);

    // How many blocks the pool holds at most; beyond that released blocks are freed.
    static constexpr size_t kMaxPooledBlocks = 4;

private:
    void Recycle(uint8_t* block, size_t size) noexcept;

    std::mutex mutex_; // guards free_
    std::vector<std::pair<size_t, uint8_t*>> free_;
};
