#include "platform/runtime/Stream.h"

#include "platform/runtime/StandardErrors.h"

#include <algorithm>
#include <cstring>

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count < 0 || (count > 0 && Read(buffer, count) != count))
        RaiseReadError();
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count < 0 || (count > 0 && Write(buffer, count) != count))
        RaiseWriteError();
}

TMemoryStream::TMemoryStream(const void* data, size_t size)
    : bytes_(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size) {}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    const int64_t n = std::clamp<int64_t>(Size() - position_, 0, std::max<int64_t>(count, 0));
    if (n > 0)
        std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0)
        return 0;
    const size_t end = static_cast<size_t>(position_ + count);
    if (end > bytes_.size())
        bytes_.resize(end);
    std::memcpy(bytes_.data() + position_, buffer, static_cast<size_t>(count));
    position_ += count;
    return count;
}

void TMemoryStream::SetPosition(int64_t position) {
    position_ = std::max<int64_t>(position, 0);
}
