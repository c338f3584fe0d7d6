#pragma once

#include "platform/media/filters/ConverterFilter.h"

// The MJPEG decompressor (CLSID_MjpegDec): motion-JPEG pictures to 24-bit RGB through libjpeg,
// decoded straight into the delivered sample (MjpegDecoder.h says which frames are damaged).
// Its counts for viewers are of kind "mjpeg decompressor": frames_decoded and
// damaged_frames_dropped.
class MjpegDecompressorFilter final : public ConverterFilter {
public:
    MjpegDecompressorFilter();

private:
    bool Accepts(const ConverterInput& input) const override;
    bool Convert(const ConverterInput& input, const uint8_t* data, size_t size, uint8_t* target) override;
};
