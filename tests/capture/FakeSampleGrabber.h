#pragma once

#include "platform/media/core/SampleGrabberInterface.h"

#include <atomic>
#include <vector>

// An object whose references are counted, to see that a media type's reference is dropped.
class CountedObject : public IUnknown {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }
    std::atomic<ULONG> references{1};
};

// A sample grabber whose connected type and stored sample a test sets.
class FakeSampleGrabber : public ISampleGrabber {
public:
    // Connects with 24-bit RGB in a video-info format of the given size.
    void ConnectRgb24(int width, int height, uint32_t imageSize = 0);
    // The bitmap header inside the connected format block.
    BITMAPINFOHEADER& Header();

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT SetOneShot(BOOL) override { return S_OK; }
    HRESULT SetMediaType(const AM_MEDIA_TYPE*) override { return S_OK; }
    HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT SetBufferSamples(BOOL) override { return S_OK; }
    HRESULT GetCurrentBuffer(int32_t* bufferSize, int32_t* buffer) override;
    HRESULT GetCurrentSample(IMediaSample**) override { return E_NOTIMPL; }
    HRESULT SetCallback(ISampleGrabberCB*, int32_t) override { return S_OK; }

    HRESULT connectResult = VFW_E_NOT_CONNECTED;
    GUID majorType = MEDIATYPE_Video;
    GUID formatType = FORMAT_VideoInfo;
    std::vector<uint8_t> format;
    CountedObject typeObject;
    std::vector<uint8_t> stored;
    HRESULT bufferResult = S_OK;
    int connectedTypeQueries = 0;
    std::vector<int32_t> bufferRequests;
};
