#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A sequence of bytes with a position: the runtime's stream. Read and Write move as far as they
// can and say how far that was; ReadBuffer and WriteBuffer insist on the whole count and raise
// "Stream read error" or "Stream write error" otherwise. One thread at a time.
class TStream {
public:
    virtual ~TStream() = default;

    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Size() const = 0;
    virtual int64_t Position() const = 0;
    virtual void SetPosition(int64_t position) = 0;

    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    // Bytes from the position to the end.
    int64_t Remaining() const { return Size() > Position() ? Size() - Position() : 0; }
};

// A stream over bytes held in memory; writing past the end grows it.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    TMemoryStream(const void* data, size_t size);

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Size() const override { return static_cast<int64_t>(bytes_.size()); }
    int64_t Position() const override { return position_; }
    void SetPosition(int64_t position) override;

    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    int64_t position_ = 0;
};
