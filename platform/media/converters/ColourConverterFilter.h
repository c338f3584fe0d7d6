#pragma once

#include "platform/media/filters/ConverterFilter.h"

// The colour converter (CLSID_Colour): YUY2, UYVY, NV12, I420 (IYUV) and 32-bit RGB pictures to
// 24-bit RGB. The media type carries no colour encoding, so YUV is taken as BT.601 limited range.
// Its counts for viewers are of kind "colour converter": frames_converted and
// damaged_frames_dropped (empty or short pictures).
class ColourConverterFilter final : public ConverterFilter {
public:
    ColourConverterFilter();

private:
    bool Accepts(const ConverterInput& input) const override;
    bool Convert(const ConverterInput& input, const uint8_t* data, size_t size, uint8_t* target) override;
};
