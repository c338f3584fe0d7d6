#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/media/core/MediaType.h"

// A media sample: one buffer of data with its times, as pins pass them downstream.
// {56A8689A-0AD4-11CE-B03A-0020AF0BA770}
inline constexpr IID IID_IMediaSample{
    0x56A8689A, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

struct IMediaSample : IUnknown {
    virtual HRESULT GetPointer(uint8_t** buffer) = 0;
    virtual int32_t GetSize() = 0;
    // Start and end in 100-nanosecond units since the graph ran; VFW_E_SAMPLE_TIME_NOT_SET without.
    virtual HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) = 0;
    virtual HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) = 0;
    virtual HRESULT IsSyncPoint() = 0;
    virtual HRESULT SetSyncPoint(BOOL syncPoint) = 0;
    virtual HRESULT IsPreroll() = 0;
    virtual HRESULT SetPreroll(BOOL preroll) = 0;
    virtual int32_t GetActualDataLength() = 0;
    virtual HRESULT SetActualDataLength(int32_t length) = 0;
    virtual HRESULT GetMediaType(AM_MEDIA_TYPE** type) = 0;
    virtual HRESULT SetMediaType(AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT IsDiscontinuity() = 0;
    virtual HRESULT SetDiscontinuity(BOOL discontinuity) = 0;
    virtual HRESULT GetMediaTime(int64_t* start, int64_t* end) = 0;
    virtual HRESULT SetMediaTime(int64_t* start, int64_t* end) = 0;

protected:
    ~IMediaSample() = default;
};
TARNOLIX_INTERFACE_ID(IMediaSample, IID_IMediaSample);

// The platform's own push interface between a connected output pin and its input pin: the
// streaming thread hands each sample downstream through Receive, synchronously.
// {7A3C1E52-9D41-4B8E-A6F0-2C5D8B9E1F31}
inline constexpr IID IID_IPinReceive{
    0x7A3C1E52, 0x9D41, 0x4B8E, {0xA6, 0xF0, 0x2C, 0x5D, 0x8B, 0x9E, 0x1F, 0x31}};

struct IPinReceive : IUnknown {
    virtual HRESULT Receive(IMediaSample* sample) = 0;

protected:
    ~IPinReceive() = default;
};
TARNOLIX_INTERFACE_ID(IPinReceive, IID_IPinReceive);

inline constexpr HRESULT VFW_E_SAMPLE_TIME_NOT_SET = MakeHResult(0x80040249);
