#include "platform/media/converters/ColourConverterFilter.h"

#include "platform/media/converters/Classes.h"
#include "platform/media/converters/ColourConversion.h"
#include "platform/media/converters/YuvPlanes.h"

namespace {

bool IsPlanar420(const GUID& subtype) {
    return subtype == MEDIASUBTYPE_NV12 || subtype == MEDIASUBTYPE_I420 || subtype == MEDIASUBTYPE_IYUV;
}

// Bytes in one source row (of the luma plane, for 4:2:0): packed 4:2:2 holds two pixels in four
// bytes, the 4:2:0 luma plane one byte a pixel.
size_t SourceStride(const ConverterInput& input) {
    if (input.subtype == MEDIASUBTYPE_RGB32)
        return static_cast<size_t>(input.width) * 4;
    if (IsPlanar420(input.subtype))
        return static_cast<size_t>(input.width);
    return (static_cast<size_t>(input.width) + 1) / 2 * 4;
}

size_t PictureSize(const ConverterInput& input, int stride) {
    if (input.subtype == MEDIASUBTYPE_NV12)
        return Nv12Planes(stride, input.height).size;
    if (IsPlanar420(input.subtype))
        return I420Planes(stride, input.height).size;
    return static_cast<size_t>(stride) * static_cast<size_t>(input.height);
}

} // namespace

ColourConverterFilter::ColourConverterFilter()
    : ConverterFilter(CLSID_Colour, "colour converter", "frames_converted") {}

bool ColourConverterFilter::Accepts(const ConverterInput& input) const {
    if (input.subtype == MEDIASUBTYPE_YUY2 || input.subtype == MEDIASUBTYPE_UYVY)
        return input.bitCount == 16;
    if (IsPlanar420(input.subtype))
        return input.bitCount == 12;
    return input.subtype == MEDIASUBTYPE_RGB32 && input.bitCount == 32;
}

bool ColourConverterFilter::Convert(const ConverterInput& input, const uint8_t* data, size_t size,
                                    uint8_t* target) {
    const int stride = static_cast<int>(SourceStride(input));
    if (size < PictureSize(input, stride))
        return false; // a short sample would be read past its end
    if (input.subtype == MEDIASUBTYPE_YUY2)
        Yuy2ToRgb24(data, stride, input.width, input.height, target, input.encoding);
    else if (input.subtype == MEDIASUBTYPE_UYVY)
        UyvyToRgb24(data, stride, input.width, input.height, target, input.encoding);
    else if (input.subtype == MEDIASUBTYPE_NV12)
        Nv12ToRgb24(data, stride, input.width, input.height, target, input.encoding);
    else if (IsPlanar420(input.subtype))
        I420ToRgb24(data, stride, input.width, input.height, target, input.encoding);
    else
        Rgb32ToRgb24(data, stride, input.width, input.height, input.topDown, target);
    return true;
}
