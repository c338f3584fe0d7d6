#pragma once

#include "platform/media/MediaType.h"

struct IMediaSample;
struct ISampleGrabberCB;

// {6B652FFF-11FE-4FCE-92AD-0266B5D7C78F}
inline constexpr IID IID_ISampleGrabber{
    0x6B652FFF, 0x11FE, 0x4FCE, {0x92, 0xAD, 0x02, 0x66, 0xB5, 0xD7, 0xC7, 0x8F}};

// The sample grabber filter's control interface: the media type it asks for, the type its
// input pin actually connected with, its stored copy of the last sample, and its callback.
struct ISampleGrabber : IUnknown {
    virtual HRESULT SetOneShot(BOOL oneShot) = 0;
    virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* type) = 0;
    // Fills *type; the caller frees its format block.
    virtual HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT SetBufferSamples(BOOL bufferThem) = 0;
    // With buffer null: *bufferSize := bytes stored. Else copies at most *bufferSize bytes.
    virtual HRESULT GetCurrentBuffer(int32_t* bufferSize, int32_t* buffer) = 0;
    virtual HRESULT GetCurrentSample(IMediaSample** sample) = 0;
    virtual HRESULT SetCallback(ISampleGrabberCB* callback, int32_t whichMethodToCallback) = 0;

protected:
    ~ISampleGrabber() = default;
};
TARNOLIX_INTERFACE_ID(ISampleGrabber, IID_ISampleGrabber);
