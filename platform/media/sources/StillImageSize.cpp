#include "platform/media/sources/StillImageSize.h"

#include <cstdint>
#include <fstream>
#include <vector>

namespace {

// Headers come first; no sane file puts its size further in than this.
constexpr size_t kHeaderLimit = 1 << 20;
constexpr int64_t kMaxSide = 65535;

uint32_t Le16(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8;
}
uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return Le16(b, at) | Le16(b, at + 2) << 16;
}
uint32_t Be16(const std::vector<uint8_t>& b, size_t at) {
    return b[at] << 8 | b[at + 1];
}

std::optional<ImageSize> Checked(int64_t width, int64_t height) {
    if (height < 0)
        height = -height; // a top-down bitmap
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        return std::nullopt;
    return ImageSize{static_cast<int32_t>(width), static_cast<int32_t>(height)};
}

std::optional<ImageSize> BitmapSize(const std::vector<uint8_t>& b) {
    if (b.size() < 26)
        return std::nullopt;
    const uint32_t headerSize = Le32(b, 14);
    if (headerSize == 12) // the old core header: 16-bit sides
        return Checked(Le16(b, 18), Le16(b, 20));
    if (headerSize < 40)
        return std::nullopt;
    return Checked(static_cast<int32_t>(Le32(b, 18)), static_cast<int32_t>(Le32(b, 22)));
}

bool IsFrameHeader(uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

std::optional<ImageSize> JpegSize(const std::vector<uint8_t>& b) {
    size_t at = 2;
    while (at + 1 < b.size()) {
        if (b[at] != 0xFF)
            return std::nullopt;
        const uint8_t marker = b[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        at += 2;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // markers without a length
        if (marker == 0xD9 || marker == 0xDA || at + 2 > b.size())
            return std::nullopt; // end of image or scan data before any frame header
        const uint32_t length = Be16(b, at);
        if (length < 2)
            return std::nullopt;
        if (IsFrameHeader(marker)) {
            if (at + 7 > b.size() || length < 7)
                return std::nullopt;
            return Checked(Be16(b, at + 5), Be16(b, at + 3));
        }
        at += length;
    }
    return std::nullopt;
}

} // namespace

std::optional<ImageSize> ReadStillImageSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<uint8_t> bytes(kHeaderLimit);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        return BitmapSize(bytes);
    if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF)
        return JpegSize(bytes);
    return std::nullopt;
}
