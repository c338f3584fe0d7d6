#include "platform/com/MemoryStream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace {

// Far beyond anything the program keeps in memory streams; refusing it keeps a bad seek or
// size from asking for absurd amounts of memory.
constexpr uint64_t kMaxSize = uint64_t{1} << 31;

} // namespace

ComPtr<IStream> MemoryStream::Create(std::span<const uint8_t> initial) {
    return ComPtr<IStream>::Adopt(new MemoryStream(initial));
}

HRESULT MemoryStream::Read(void* buffer, ULONG count, ULONG* read) {
    if (read)
        *read = 0;
    if (!buffer && count != 0)
        return STG_E_INVALIDPOINTER;
    std::lock_guard lock(mutex_);
    const uint64_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    const auto taken = static_cast<ULONG>(std::min<uint64_t>(available, count));
    if (taken != 0)
        std::memcpy(buffer, bytes_.data() + position_, taken);
    position_ += taken;
    if (read)
        *read = taken;
    return taken == count ? S_OK : S_FALSE;
}

HRESULT MemoryStream::Write(const void* buffer, ULONG count, ULONG* written) {
    if (written)
        *written = 0;
    if (!buffer && count != 0)
        return STG_E_INVALIDPOINTER;
    std::lock_guard lock(mutex_);
    const uint64_t end = position_ + count;
    if (end > kMaxSize)
        return STG_E_MEDIUMFULL;
    try {
        if (end > bytes_.size())
            bytes_.resize(end);
    } catch (const std::bad_alloc&) {
        return STG_E_MEDIUMFULL;
    }
    if (count != 0)
        std::memcpy(bytes_.data() + position_, buffer, count);
    position_ = end;
    if (written)
        *written = count;
    return S_OK;
}

HRESULT MemoryStream::Seek(LONGLONG move, DWORD origin, ULONGLONG* newPosition) {
    std::lock_guard lock(mutex_);
    int64_t base;
    switch (origin) {
    case STREAM_SEEK_SET:
        base = 0;
        break;
    case STREAM_SEEK_CUR:
        base = static_cast<int64_t>(position_);
        break;
    case STREAM_SEEK_END:
        base = static_cast<int64_t>(bytes_.size());
        break;
    default:
        return STG_E_INVALIDFUNCTION;
    }
    // Both are within [0, kMaxSize] or a caller's 64-bit value: check before adding.
    if ((move > 0 && base > std::numeric_limits<int64_t>::max() - move) || base + move < 0)
        return STG_E_INVALIDFUNCTION;
    position_ = static_cast<uint64_t>(base + move);
    if (newPosition)
        *newPosition = position_;
    return S_OK;
}

HRESULT MemoryStream::SetSize(ULONGLONG newSize) {
    if (newSize > kMaxSize)
        return STG_E_MEDIUMFULL;
    std::lock_guard lock(mutex_);
    try {
        bytes_.resize(newSize);
    } catch (const std::bad_alloc&) {
        return STG_E_MEDIUMFULL;
    }
    return S_OK;
}

std::vector<uint8_t> ReadWholeStream(IStream* stream) {
    ULONGLONG size = 0;
    if (!stream || FAILED(stream->Seek(0, STREAM_SEEK_END, &size)) || size > kMaxSize ||
        FAILED(stream->Seek(0, STREAM_SEEK_SET, nullptr)))
        return {};
    std::vector<uint8_t> bytes(size);
    ULONG read = 0;
    if (stream->Read(bytes.data(), static_cast<ULONG>(size), &read) != S_OK || read != size)
        return {};
    return bytes;
}
