#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// An owned block of bytes, stored in a window's layout as the binary "data" value: a 4-byte
// little-endian count, then the bytes. GUI thread.
class TPersistentMemory {
public:
    TPersistentMemory() = default;
    virtual ~TPersistentMemory() = default;
    TPersistentMemory(const TPersistentMemory&) = delete;
    TPersistentMemory& operator=(const TPersistentMemory&) = delete;

    // Discards the contents and makes the block `count` zero bytes (0 empties it).
    void Resize(uint32_t count);
    void Assign(const TPersistentMemory& source);

    const uint8_t* Bytes() const { return bytes_.get(); }
    uint8_t* Bytes() { return bytes_.get(); }
    uint32_t ByteCount() const { return count_; }

    // Both non-empty, of one count, with the same bytes.
    bool SameBytes(const TPersistentMemory& other) const;

    std::vector<uint8_t> SaveData() const;
    // Data shorter than its count raises EReadError ("Stream read error"), the block unchanged.
    void LoadData(const uint8_t* data, size_t size);

private:
    std::unique_ptr<uint8_t[]> bytes_;
    uint32_t count_ = 0;
};
