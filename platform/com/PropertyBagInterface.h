#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/ComTypes.h"
#include "platform/com/Variant.h"

// {55272A00-42CB-11CE-8135-00AA004BB851}
inline constexpr IID IID_IPropertyBag{
    0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};

struct IErrorLog;

// Named values of an object, such as a device's "FriendlyName".
struct IPropertyBag : IUnknown {
    // value must be initialised; its vt asks for a kind (VT_EMPTY: as stored). A name the bag
    // does not hold answers a failure and leaves value empty.
    virtual HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) = 0;
    virtual HRESULT Write(LPCOLESTR name, VARIANT* value) = 0;

protected:
    ~IPropertyBag() = default;
};

TARNOLIX_INTERFACE_ID(IPropertyBag, IID_IPropertyBag);
