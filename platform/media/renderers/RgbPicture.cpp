#include "platform/media/renderers/RgbPicture.h"

#include <cstdlib>

namespace {

// {E436EB7E-524F-11CE-9F53-0020AF0BA770}
constexpr GUID kSubtypeRgb32{0xE436EB7E, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

const VIDEOINFOHEADER* VideoInfoOf(const AM_MEDIA_TYPE& type) {
    if (type.formattype != FORMAT_VideoInfo || type.cbFormat < sizeof(VIDEOINFOHEADER) || !type.pbFormat)
        return nullptr;
    return reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
}

} // namespace

HRESULT CheckRgbVideoType(const AM_MEDIA_TYPE& type) {
    if (type.majortype != MEDIATYPE_Video)
        return S_FALSE;
    const VIDEOINFOHEADER* info = VideoInfoOf(type);
    if (!info)
        return S_FALSE;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    const bool rgb24 = type.subtype == MEDIASUBTYPE_RGB24 && header.biBitCount == 24;
    const bool rgb32 = type.subtype == kSubtypeRgb32 && header.biBitCount == 32;
    if (!(rgb24 || rgb32) || header.biCompression != BI_RGB)
        return S_FALSE;
    // Sides a window can show, and a frame whose bytes fit in a sample's 32-bit length.
    if (header.biWidth <= 0 || header.biWidth > 32768 || header.biHeight == 0 ||
        std::abs(header.biHeight) > 32768)
        return S_FALSE;
    return S_OK;
}

RgbPicture RgbPictureOf(const AM_MEDIA_TYPE& type) {
    const BITMAPINFOHEADER& header = VideoInfoOf(type)->bmiHeader;
    RgbPicture picture;
    picture.width = header.biWidth;
    picture.height = std::abs(header.biHeight);
    picture.bitCount = header.biBitCount;
    picture.stride = (picture.width * picture.bitCount / 8 + 3) / 4 * 4;
    picture.bottomUp = header.biHeight > 0;
    return picture;
}

HRESULT PictureBytes(IMediaSample* sample, const RgbPicture& picture, uint8_t** bits) {
    *bits = nullptr;
    if (!sample || FAILED(sample->GetPointer(bits)) || !*bits)
        return E_POINTER;
    if (sample->GetActualDataLength() < int64_t{picture.stride} * picture.height)
        return E_INVALIDARG;
    return S_OK;
}
