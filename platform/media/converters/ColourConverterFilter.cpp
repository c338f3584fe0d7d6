#include "platform/media/converters/ColourConverterFilter.h"

#include "platform/media/converters/Classes.h"
#include "platform/media/converters/ColourConversion.h"

namespace {

// Bytes in one source row: packed 4:2:2 holds two pixels in four bytes.
size_t SourceStride(const ConverterInput& input) {
    if (input.subtype == MEDIASUBTYPE_RGB32)
        return static_cast<size_t>(input.width) * 4;
    return (static_cast<size_t>(input.width) + 1) / 2 * 4;
}

} // namespace

ColourConverterFilter::ColourConverterFilter() : ConverterFilter(CLSID_Colour) {}

bool ColourConverterFilter::Accepts(const ConverterInput& input) const {
    if (input.subtype == MEDIASUBTYPE_YUY2 || input.subtype == MEDIASUBTYPE_UYVY)
        return input.bitCount == 16;
    return input.subtype == MEDIASUBTYPE_RGB32 && input.bitCount == 32;
}

bool ColourConverterFilter::Convert(const ConverterInput& input, const uint8_t* data, size_t size,
                                    uint8_t* target) {
    const size_t stride = SourceStride(input);
    if (size < stride * static_cast<size_t>(input.height))
        return false; // a short sample would be read past its end
    const int sourceStride = static_cast<int>(stride);
    if (input.subtype == MEDIASUBTYPE_YUY2)
        Yuy2ToRgb24(data, sourceStride, input.width, input.height, target);
    else if (input.subtype == MEDIASUBTYPE_UYVY)
        UyvyToRgb24(data, sourceStride, input.width, input.height, target);
    else
        Rgb32ToRgb24(data, sourceStride, input.width, input.height, input.topDown, target);
    return true;
}
