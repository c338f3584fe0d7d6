#include "capture/FrameCopy.h"

#include "platform/graphics/DibSection.h"

#include <algorithm>
#include <cstring>

namespace {

int32_t Wrap32(int64_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

int32_t Multiply32(int32_t a, int32_t b) {
    return Wrap32(static_cast<int64_t>(static_cast<uint32_t>(a)) * static_cast<uint32_t>(b));
}

// The bitmap header of a video-info format block, or null for any other format or length.
const BITMAPINFOHEADER* FindBitmapHeader(const AM_MEDIA_TYPE& type) {
    if (!type.pbFormat)
        return nullptr;
    if (type.formattype == FORMAT_VideoInfo && type.cbFormat == sizeof(VIDEOINFOHEADER))
        return reinterpret_cast<const BITMAPINFOHEADER*>(type.pbFormat +
                                                         offsetof(VIDEOINFOHEADER, bmiHeader));
    if (type.formattype == FORMAT_VideoInfo2 && type.cbFormat == sizeof(VIDEOINFOHEADER2))
        return reinterpret_cast<const BITMAPINFOHEADER*>(type.pbFormat +
                                                         offsetof(VIDEOINFOHEADER2, bmiHeader));
    return nullptr;
}

// Deletes a new section on every way out unless the bitmap has taken it over.
class SectionGuard {
public:
    SectionGuard(HBITMAP section, const TBitmap& bitmap) : section_(section), bitmap_(bitmap) {}
    ~SectionGuard() {
        if (bitmap_.Handle() != section_)
            DeleteObject(section_);
    }
    SectionGuard(const SectionGuard&) = delete;
    SectionGuard& operator=(const SectionGuard&) = delete;

private:
    HBITMAP section_;
    const TBitmap& bitmap_;
};

} // namespace

int32_t FrameLineSize(int32_t bitCount, int32_t width) {
    if (bitCount == 15)
        bitCount = 16;
    return Multiply32(Wrap32(static_cast<int64_t>(Multiply32(bitCount, width)) + 31) / 32, 4);
}

bool GetBitmap(ISampleGrabber* grabber, TBitmap* bitmap, const void* buffer, int32_t bufferLen) {
    if (!bitmap || (buffer && bufferLen == 0) || !grabber)
        return false;

    ScopedMediaType connected;
    if (grabber->GetConnectedMediaType(&connected) != S_OK)
        return false;
    if (!(connected->majortype == MEDIATYPE_Video))
        return false;
    const BITMAPINFOHEADER* header = FindBitmapHeader(connected.Get());
    if (!header)
        return false;

    // The header is handed over whole; the format block holds no colour table after it.
    BITMAPINFO info{};
    info.bmiHeader = *header;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section)
        return false;
    SectionGuard guard(section, *bitmap);
    if (!bits)
        return false;

    int32_t imageSize = static_cast<int32_t>(header->biSizeImage);
    if (imageSize == 0) {
        const int32_t rows =
            header->biHeight < 0 ? Wrap32(-static_cast<int64_t>(header->biHeight)) : header->biHeight;
        imageSize = Multiply32(Multiply32(FrameLineSize(header->biBitCount, header->biWidth), rows),
                               header->biPlanes);
    }
    // A header may claim more bytes than its own rows hold; never write past the section.
    DIBSECTION description{};
    GetObject(section, sizeof description, &description);
    imageSize = std::min<int64_t>(imageSize, description.dsBmih.biSizeImage);

    if (buffer) {
        const int32_t n = std::min(bufferLen, imageSize);
        if (n > 0)
            std::memcpy(bits, buffer, static_cast<size_t>(n));
    } else {
        int32_t n = 0;
        if (grabber->GetCurrentBuffer(&n, nullptr) != S_OK || n <= 0)
            return false;
        n = std::min(n, imageSize);
        if (grabber->GetCurrentBuffer(&n, static_cast<int32_t*>(bits)) != S_OK)
            return false;
    }

    bitmap->SetHandle(section);
    return true;
}
