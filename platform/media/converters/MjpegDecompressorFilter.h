#pragma once

#include "platform/media/filters/ConverterFilter.h"

// The MJPEG decompressor (CLSID_MjpegDec): motion-JPEG pictures to 24-bit RGB through libjpeg.
class MjpegDecompressorFilter final : public ConverterFilter {
public:
    MjpegDecompressorFilter();

private:
    bool Accepts(const ConverterInput& input) const override;
    bool Convert(const ConverterInput& input, const uint8_t* data, size_t size, uint8_t* target) override;
};
