#pragma once

#include "platform/com/Guid.h"
#include "platform/com/HResult.h"

// {00000000-0000-0000-C000-000000000046}
inline constexpr IID IID_IUnknown{
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The root of every framework interface: reference counting and interface queries.
// Objects are destroyed by their last Release, never by delete from outside.
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

// Pairs an interface type with its published identifier, so that IIDOf<ISampleGrabber>() names it.
template <typename T> struct InterfaceId;
template <typename T> constexpr const IID& IIDOf() {
    return InterfaceId<T>::value;
}

#define TARNOLIX_INTERFACE_ID(Interface, iid)                                                                \
    template <> struct InterfaceId<Interface> { static constexpr const IID& value = iid; }

TARNOLIX_INTERFACE_ID(IUnknown, IID_IUnknown);
