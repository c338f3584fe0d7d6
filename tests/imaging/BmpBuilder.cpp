#include "BmpBuilder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, static_cast<uint16_t>(v));
    Put16(out, static_cast<uint16_t>(v >> 16));
}

std::vector<uint8_t> BmpBuilder::Build() const {
    std::vector<uint8_t> header;
    Put32(header, headerSize);
    if (headerSize == 12) {
        Put16(header, static_cast<uint16_t>(width));
        Put16(header, static_cast<uint16_t>(height));
        Put16(header, planes);
        Put16(header, bitCount);
    } else {
        Put32(header, static_cast<uint32_t>(width));
        Put32(header, static_cast<uint32_t>(height));
        Put16(header, planes);
        Put16(header, bitCount);
        Put32(header, compression);
        Put32(header, sizeImage);
        Put32(header, 2835);
        Put32(header, 2835);
        Put32(header, colorsUsed);
        Put32(header, 0);
        if (headerSize > 40)
            for (uint32_t m : masks)
                Put32(header, m);
        header.resize(headerSize, 0);
        if (headerSize == 40)
            for (uint32_t m : masks)
                Put32(header, m);
    }
    for (uint32_t c : colours) {
        header.push_back(static_cast<uint8_t>(c));
        header.push_back(static_cast<uint8_t>(c >> 8));
        header.push_back(static_cast<uint8_t>(c >> 16));
        if (headerSize != 12)
            header.push_back(0);
    }
    std::vector<uint8_t> out{'B', 'M'};
    const uint32_t offset = pixelOffset ? pixelOffset : 14 + static_cast<uint32_t>(header.size());
    Put32(out, static_cast<uint32_t>(14 + header.size() + pixels.size()));
    Put32(out, 0);
    Put32(out, offset);
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnolix-test-XXXXXX").string();
    if (mkdtemp(pattern.data()))
        path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}
