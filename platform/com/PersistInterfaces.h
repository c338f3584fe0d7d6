#pragma once

#include "platform/com/StreamInterface.h"

// {0000010C-0000-0000-C000-000000000046}
inline constexpr IID IID_IPersist{
    0x0000010C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {00000109-0000-0000-C000-000000000046}
inline constexpr IID IID_IPersistStream{
    0x00000109, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// An object that names its class, so that it can be made again from the class id.
struct IPersist : IUnknown {
    virtual HRESULT GetClassID(CLSID* clsid) = 0;

protected:
    ~IPersist() = default;
};

// An object that saves its state to a stream and loads it back.
struct IPersistStream : IPersist {
    // S_OK when changed since the last save, S_FALSE otherwise.
    virtual HRESULT IsDirty() = 0;
    virtual HRESULT Load(IStream* stream) = 0;
    virtual HRESULT Save(IStream* stream, BOOL clearDirty) = 0;
    virtual HRESULT GetSizeMax(ULONGLONG* size) = 0;

protected:
    ~IPersistStream() = default;
};

TARNOLIX_INTERFACE_ID(IPersist, IID_IPersist);
TARNOLIX_INTERFACE_ID(IPersistStream, IID_IPersistStream);
TARNOLIX_INTERFACE_PARENT(IPersistStream, IPersist);
