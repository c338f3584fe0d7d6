#pragma once

#include "platform/runtime/Stream.h"

#include <string>

enum class TFileMode {
    fmCreate,   // create or truncate, held exclusively: nobody else may open it meanwhile
    fmOpenRead, // read only; others may read it too, but not write it
};

// A stream over an open file; the file is closed with the stream. Opening fails with
// "Cannot create file %s" or "Cannot open file %s" (the path as given). Writes that store
// fewer bytes than asked (a full disk) come back short, so WriteBuffer reports them.
class TFileStream : public TStream {
public:
    TFileStream(const std::string& fileName, TFileMode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Size() const override;
    int64_t Position() const override;
    void SetPosition(int64_t position) override;

private:
    int fd_ = -1;
};
