#include "platform/media/converters/MjpegDecompressorFilter.h"

#include "platform/media/converters/Classes.h"
#include "platform/media/converters/MjpegDecoder.h"

MjpegDecompressorFilter::MjpegDecompressorFilter()
    : ConverterFilter(CLSID_MjpegDec, "mjpeg decompressor", "frames_decoded") {}

bool MjpegDecompressorFilter::Accepts(const ConverterInput& input) const {
    return input.subtype == MEDIASUBTYPE_MJPG;
}

bool MjpegDecompressorFilter::Convert(const ConverterInput& input, const uint8_t* data, size_t size,
                                      uint8_t* target) {
    return DecodeMjpegToRgb24(data, size, input.width, input.height, target);
}
