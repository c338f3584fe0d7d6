#pragma once

#include "platform/media/core/MediaType.h"
#include "platform/media/core/SampleInterfaces.h"

#include <cstdint>

// What a renderer needs to read its samples: the layout of the connected 24- or 32-bit RGB
// video-info picture.
struct RgbPicture {
    int width = 0;
    int height = 0; // rows, always positive
    int stride = 0; // rows are padded to four bytes
    int bitCount = 0;
    bool bottomUp = true;
};

// S_OK for a video-info type of 24- or 32-bit uncompressed RGB whose sides a window can show and
// whose frame fits in a sample's 32-bit length; S_FALSE otherwise.
HRESULT CheckRgbVideoType(const AM_MEDIA_TYPE& type);

// The picture of a type that CheckRgbVideoType accepted.
RgbPicture RgbPictureOf(const AM_MEDIA_TYPE& type);

// The bytes of a sample holding one picture: E_POINTER without any, E_INVALIDARG for a sample
// shorter than the picture (it would be read past its end).
HRESULT PictureBytes(IMediaSample* sample, const RgbPicture& picture, uint8_t** bits);
