#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/ComTypes.h"

// {0C733A30-2A1C-11CE-ADE5-00AA0044773D}
inline constexpr IID IID_ISequentialStream{
    0x0C733A30, 0x2A1C, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3D}};
// {0000000C-0000-0000-C000-000000000046}
inline constexpr IID IID_IStream{
    0x0000000C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Reads and writes bytes at a current position. Read answers S_FALSE when fewer bytes than
// asked for were left.
struct ISequentialStream : IUnknown {
    virtual HRESULT Read(void* buffer, ULONG count, ULONG* read) = 0;
    virtual HRESULT Write(const void* buffer, ULONG count, ULONG* written) = 0;

protected:
    ~ISequentialStream() = default;
};

inline constexpr DWORD STREAM_SEEK_SET = 0;
inline constexpr DWORD STREAM_SEEK_CUR = 1;
inline constexpr DWORD STREAM_SEEK_END = 2;

// A seekable stream of bytes whose size can be set.
struct IStream : ISequentialStream {
    virtual HRESULT Seek(LONGLONG move, DWORD origin, ULONGLONG* newPosition) = 0;
    virtual HRESULT SetSize(ULONGLONG newSize) = 0;

protected:
    ~IStream() = default;
};

TARNOLIX_INTERFACE_ID(ISequentialStream, IID_ISequentialStream);
TARNOLIX_INTERFACE_ID(IStream, IID_IStream);
TARNOLIX_INTERFACE_PARENT(IStream, ISequentialStream);
