#pragma once

#include "platform/media/core/MediaType.h"

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

// {C1F400A0-3F08-11D3-9F0B-006008039E37}
inline constexpr CLSID CLSID_SampleGrabber{
    0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

// {0579154A-2B53-4994-B0D0-E773148EFF85}
inline constexpr IID IID_ISampleGrabberCB{
    0x0579154A, 0x2B53, 0x4994, {0xB0, 0xD0, 0xE7, 0x73, 0x14, 0x8E, 0xFF, 0x85}};

// What the sample grabber calls for every sample, on the streaming thread, before it passes the
// sample on. `time` is the sample's start in seconds since the graph ran. SetCallback chooses
// one of the two: 0 SampleCB with the sample itself, 1 BufferCB with its bytes (valid only
// during the call).
struct ISampleGrabberCB : IUnknown {
    virtual HRESULT SampleCB(double time, IMediaSample* sample) = 0;
    virtual HRESULT BufferCB(double time, uint8_t* buffer, int32_t length) = 0;

protected:
    ~ISampleGrabberCB() = default;
};
TARNOLIX_INTERFACE_ID(ISampleGrabberCB, IID_ISampleGrabberCB);
