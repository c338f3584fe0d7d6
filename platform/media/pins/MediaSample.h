#pragma once

#include "platform/media/core/SampleInterfaces.h"

// A sample over a buffer that its creator keeps alive while the sample travels downstream (the
// push is synchronous, so the buffer of a capture frame or a converter's output serves).
// One thread at a time: the streaming thread that made it.
class MediaSample final : public ComObject<IMediaSample> {
public:
    static ComPtr<IMediaSample> Create(uint8_t* buffer, int32_t size, int32_t length, REFERENCE_TIME start,
                                       REFERENCE_TIME end);

    HRESULT GetPointer(uint8_t** buffer) override;
    int32_t GetSize() override { return size_; }
    HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
    HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
    HRESULT IsSyncPoint() override { return S_OK; }
    HRESULT SetSyncPoint(BOOL) override { return S_OK; }
    HRESULT IsPreroll() override { return S_FALSE; }
    HRESULT SetPreroll(BOOL) override { return S_OK; }
    int32_t GetActualDataLength() override { return length_; }
    HRESULT SetActualDataLength(int32_t length) override;
    HRESULT GetMediaType(AM_MEDIA_TYPE** type) override;
    HRESULT SetMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT IsDiscontinuity() override { return S_FALSE; }
    HRESULT SetDiscontinuity(BOOL) override { return S_OK; }
    HRESULT GetMediaTime(int64_t*, int64_t*) override { return VFW_E_SAMPLE_TIME_NOT_SET; }
    HRESULT SetMediaTime(int64_t*, int64_t*) override { return S_OK; }

private:
    MediaSample(uint8_t* buffer, int32_t size, int32_t length, REFERENCE_TIME start, REFERENCE_TIME end)
        : buffer_(buffer), size_(size), length_(length), start_(start), end_(end) {}

    uint8_t* buffer_;
    int32_t size_;
    int32_t length_;
    REFERENCE_TIME start_;
    REFERENCE_TIME end_;
    bool timed_ = true;
};
