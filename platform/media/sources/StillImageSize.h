#pragma once

#include <optional>
#include <string>

struct ImageSize {
    int32_t width;
    int32_t height;
};

// The picture size a BMP or JPEG file declares in its header, read without decoding the
// picture; nullopt when the file cannot be read or is neither (or declares no sensible size).
// The virtual image cameras offer this size.
std::optional<ImageSize> ReadStillImageSize(const std::string& path);
