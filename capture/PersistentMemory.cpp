#include "capture/PersistentMemory.h"

#include "platform/runtime/StandardErrors.h"

#include <cstring>

void TPersistentMemory::Resize(uint32_t count) {
    bytes_.reset();
    count_ = 0;
    if (count > 0) {
        bytes_ = std::make_unique<uint8_t[]>(count); // zero-filled
        count_ = count;
    }
}

void TPersistentMemory::Assign(const TPersistentMemory& source) {
    if (&source == this)
        return;
    Resize(source.count_);
    if (count_ > 0)
        std::memcpy(bytes_.get(), source.bytes_.get(), count_);
}

bool TPersistentMemory::SameBytes(const TPersistentMemory& other) const {
    return count_ > 0 && count_ == other.count_ && std::memcmp(bytes_.get(), other.bytes_.get(), count_) == 0;
}

std::vector<uint8_t> TPersistentMemory::SaveData() const {
    std::vector<uint8_t> out(4 + static_cast<size_t>(count_));
    for (int k = 0; k < 4; ++k)
        out[static_cast<size_t>(k)] = static_cast<uint8_t>(count_ >> (8 * k));
    if (count_ > 0)
        std::memcpy(out.data() + 4, bytes_.get(), count_);
    return out;
}

void TPersistentMemory::LoadData(const uint8_t* data, size_t size) {
    if (!data || size < 4)
        RaiseReadError();
    const uint32_t count = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                           static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
    if (size - 4 < count)
        RaiseReadError();
    Resize(count);
    if (count > 0)
        std::memcpy(bytes_.get(), data + 4, count);
}
