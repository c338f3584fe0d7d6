#include "FakeSampleGrabber.h"

#include "platform/com/TaskAllocator.h"

#include <algorithm>
#include <cstring>

void FakeSampleGrabber::ConnectRgb24(int width, int height, uint32_t imageSize) {
    connectResult = S_OK;
    formatType = FORMAT_VideoInfo;
    format.assign(sizeof(VIDEOINFOHEADER), 0);
    BITMAPINFOHEADER& h = Header();
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biSizeImage = imageSize;
}

BITMAPINFOHEADER& FakeSampleGrabber::Header() {
    const size_t at = formatType == FORMAT_VideoInfo2 ? offsetof(VIDEOINFOHEADER2, bmiHeader)
                                                      : offsetof(VIDEOINFOHEADER, bmiHeader);
    return *reinterpret_cast<BITMAPINFOHEADER*>(format.data() + at);
}

HRESULT FakeSampleGrabber::GetConnectedMediaType(AM_MEDIA_TYPE* type) {
    ++connectedTypeQueries;
    if (connectResult != S_OK)
        return connectResult;
    *type = AM_MEDIA_TYPE{};
    type->majortype = majorType;
    type->subtype = MEDIASUBTYPE_RGB24;
    type->formattype = formatType;
    type->cbFormat = static_cast<ULONG>(format.size());
    type->pbFormat = static_cast<uint8_t*>(CoTaskMemAlloc(format.size()));
    std::memcpy(type->pbFormat, format.data(), format.size());
    typeObject.AddRef();
    type->pUnk = &typeObject;
    return S_OK;
}

HRESULT FakeSampleGrabber::GetCurrentBuffer(int32_t* bufferSize, int32_t* buffer) {
    bufferRequests.push_back(*bufferSize);
    if (bufferResult != S_OK)
        return bufferResult;
    if (!buffer) {
        *bufferSize = static_cast<int32_t>(stored.size());
        return S_OK;
    }
    const size_t n = std::min(stored.size(), static_cast<size_t>(std::max(0, *bufferSize)));
    std::memcpy(buffer, stored.data(), n);
    return S_OK;
}
