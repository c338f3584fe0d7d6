#pragma once

#include "platform/media/core/MediaType.h"

// A capture pin's list of the formats it can deliver and the one it will connect with next.
// Callers read the list with GetNumberOfCapabilities and GetStreamCaps, and choose one with
// SetFormat before the pin connects. Media types handed out come from the task allocator and
// are the caller's to free. This platform's pins describe each format by its media type alone:
// the size they report for the capability block is 0 and the block is never written.

// {C6E13340-30AC-11D0-A18C-00A0C9118956}
inline constexpr IID IID_IAMStreamConfig{
    0xC6E13340, 0x30AC, 0x11D0, {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56}};

struct IAMStreamConfig : IUnknown {
    // The format the pin is connected with; unconnected, the one it will propose first.
    virtual HRESULT SetFormat(AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT GetFormat(AM_MEDIA_TYPE** type) = 0;
    virtual HRESULT GetNumberOfCapabilities(int* count, int* capsSize) = 0;
    virtual HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** type, uint8_t* caps) = 0;

protected:
    ~IAMStreamConfig() = default;
};

TARNOLIX_INTERFACE_ID(IAMStreamConfig, IID_IAMStreamConfig);
