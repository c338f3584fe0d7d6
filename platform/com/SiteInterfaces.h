#pragma once

#include "platform/com/Unknown.h"

// {FC4801A3-2BA9-11CF-A229-00AA003D7352}
inline constexpr IID IID_IObjectWithSite{
    0xFC4801A3, 0x2BA9, 0x11CF, {0xA2, 0x29, 0x00, 0xAA, 0x00, 0x3D, 0x73, 0x52}};
// {6D5140C1-7436-11CE-8034-00AA006009FA}
inline constexpr IID IID_IServiceProvider{
    0x6D5140C1, 0x7436, 0x11CE, {0x80, 0x34, 0x00, 0xAA, 0x00, 0x60, 0x09, 0xFA}};

// An object that is told which object hosts it (its site), and through which it reaches the
// host's services.
struct IObjectWithSite : IUnknown {
    // Holds a counted reference to the site; null drops it.
    virtual HRESULT SetSite(IUnknown* site) = 0;
    // The site queried for iid; E_FAIL without a site.
    virtual HRESULT GetSite(REFIID iid, void** site) = 0;

protected:
    ~IObjectWithSite() = default;
};

// Hands out services by a service id and an interface id.
struct IServiceProvider : IUnknown {
    virtual HRESULT QueryService(REFGUID service, REFIID iid, void** object) = 0;

protected:
    ~IServiceProvider() = default;
};

TARNOLIX_INTERFACE_ID(IObjectWithSite, IID_IObjectWithSite);
TARNOLIX_INTERFACE_ID(IServiceProvider, IID_IServiceProvider);
