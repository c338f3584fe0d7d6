#pragma once

#include "platform/com/ComTypes.h"
#include "platform/com/Unknown.h"
#include "platform/com/Variant.h"

// Late-bound automation: several of the framework's interfaces (media control and events, the
// video window, audio) derive from it. The platform's objects are used through their own
// interfaces only, so they answer its four calls with E_NOTIMPL.
// {00020400-0000-0000-C000-000000000046}
inline constexpr IID IID_IDispatch{
    0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

struct ITypeInfo;
using DISPID = int32_t;
using LCID = uint32_t;

struct IDispatch : IUnknown {
    virtual HRESULT GetTypeInfoCount(uint32_t* count) = 0;
    virtual HRESULT GetTypeInfo(uint32_t index, LCID locale, ITypeInfo** info) = 0;
    virtual HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, uint32_t count, LCID locale, DISPID* ids) = 0;
    virtual HRESULT Invoke(DISPID id, REFIID iid, LCID locale, uint16_t flags, void* parameters,
                           VARIANT* result, void* exception, uint32_t* argumentError) = 0;

protected:
    ~IDispatch() = default;
};
TARNOLIX_INTERFACE_ID(IDispatch, IID_IDispatch);

// Answers the automation calls of an object that offers none.
#define TARNOLIX_NO_AUTOMATION                                                                               \
    HRESULT GetTypeInfoCount(uint32_t* count) override {                                                     \
        if (count)                                                                                           \
            *count = 0;                                                                                      \
        return S_OK;                                                                                         \
    }                                                                                                        \
    HRESULT GetTypeInfo(uint32_t, LCID, ITypeInfo**) override {                                              \
        return E_NOTIMPL;                                                                                    \
    }                                                                                                        \
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, uint32_t, LCID, DISPID*) override {                             \
        return E_NOTIMPL;                                                                                    \
    }                                                                                                        \
    HRESULT Invoke(DISPID, REFIID, LCID, uint16_t, void*, VARIANT*, void*, uint32_t*) override {             \
        return E_NOTIMPL;                                                                                    \
    }
