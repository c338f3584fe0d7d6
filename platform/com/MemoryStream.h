#pragma once

#include "platform/com/ComPtr.h"
#include "platform/com/StreamInterface.h"

#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

// An IStream over a growable block of memory, starting at position 0 with a copy of the given
// bytes. Writing past the end grows the block; a gap left by seeking past the end reads as
// zeros. Calls may come from any thread; each is atomic.
class MemoryStream final : public ComObject<IStream> {
public:
    static ComPtr<IStream> Create(std::span<const uint8_t> initial = {});

    HRESULT Read(void* buffer, ULONG count, ULONG* read) override;
    HRESULT Write(const void* buffer, ULONG count, ULONG* written) override;
    HRESULT Seek(LONGLONG move, DWORD origin, ULONGLONG* newPosition) override;
    HRESULT SetSize(ULONGLONG newSize) override;

private:
    explicit MemoryStream(std::span<const uint8_t> initial) : bytes_(initial.begin(), initial.end()) {}

    // mutex_ guards bytes_ and position_.
    std::mutex mutex_;
    std::vector<uint8_t> bytes_;
    uint64_t position_ = 0;
};

// Every byte of a stream, from its start; the position is left at the end. Empty when the
// stream cannot be read whole.
std::vector<uint8_t> ReadWholeStream(IStream* stream);
