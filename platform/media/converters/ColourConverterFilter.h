#pragma once

#include "platform/media/filters/ConverterFilter.h"

// The colour converter (CLSID_Colour): YUY2, UYVY and 32-bit RGB pictures to 24-bit RGB.
class ColourConverterFilter final : public ConverterFilter {
public:
    ColourConverterFilter();

private:
    bool Accepts(const ConverterInput& input) const override;
    bool Convert(const ConverterInput& input, const uint8_t* data, size_t size, uint8_t* target) override;
};
