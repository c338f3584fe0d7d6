#pragma once

#include "platform/com/PersistInterfaces.h"

// {0000000F-0000-0000-C000-000000000046}
inline constexpr IID IID_IMoniker{
    0x0000000F, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {00000102-0000-0000-C000-000000000046}
inline constexpr IID IID_IEnumMoniker{
    0x00000102, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// A bind context; the platform's monikers need none and accept null.
struct IBindCtx;

// A persistent name of an object. Binding makes (or finds) the named object; its persisted
// state is what IPersistStream saves.
struct IMoniker : IPersistStream {
    virtual HRESULT BindToObject(IBindCtx* context, IMoniker* left, REFIID iid, void** object) = 0;
    virtual HRESULT BindToStorage(IBindCtx* context, IMoniker* left, REFIID iid, void** object) = 0;
    // *name: a wide string from the task allocator, which the caller frees (CoTaskMemFree).
    virtual HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* name) = 0;
    // S_OK when other names the same object, S_FALSE otherwise.
    virtual HRESULT IsEqual(IMoniker* other) = 0;

protected:
    ~IMoniker() = default;
};

// Hands out monikers one after another. Next answers S_FALSE when fewer than asked were left;
// Skip answers S_FALSE when it ran past the end.
struct IEnumMoniker : IUnknown {
    virtual HRESULT Next(ULONG count, IMoniker** monikers, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumMoniker** clone) = 0;

protected:
    ~IEnumMoniker() = default;
};

TARNOLIX_INTERFACE_ID(IMoniker, IID_IMoniker);
TARNOLIX_INTERFACE_ID(IEnumMoniker, IID_IEnumMoniker);
TARNOLIX_INTERFACE_PARENT(IMoniker, IPersistStream);
