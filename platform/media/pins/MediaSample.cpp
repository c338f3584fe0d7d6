#include "platform/media/pins/MediaSample.h"

#include "platform/com/ComPtr.h"

ComPtr<IMediaSample> MediaSample::Create(uint8_t* buffer, int32_t size, int32_t length, REFERENCE_TIME start,
                                         REFERENCE_TIME end) {
    return ComPtr<IMediaSample>::Adopt(new MediaSample(buffer, size, length, start, end));
}

HRESULT MediaSample::GetPointer(uint8_t** buffer) {
    if (!buffer)
        return E_POINTER;
    *buffer = buffer_;
    return S_OK;
}

HRESULT MediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
    if (!start || !end)
        return E_POINTER;
    if (!timed_)
        return VFW_E_SAMPLE_TIME_NOT_SET;
    *start = start_;
    *end = end_;
    return S_OK;
}

HRESULT MediaSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
    timed_ = start && end;
    if (timed_) {
        start_ = *start;
        end_ = *end;
    }
    return S_OK;
}

HRESULT MediaSample::SetActualDataLength(int32_t length) {
    if (length < 0 || length > size_)
        return E_INVALIDARG;
    length_ = length;
    return S_OK;
}

HRESULT MediaSample::GetMediaType(AM_MEDIA_TYPE** type) {
    if (!type)
        return E_POINTER;
    *type = nullptr;
    return S_FALSE; // the type never changes within a connection
}
