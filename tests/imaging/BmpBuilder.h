#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds bitmap files byte by byte, for tests that need exact headers.
struct BmpBuilder {
    uint32_t headerSize = 40;
    int32_t width = 4;
    int32_t height = 2;
    uint16_t planes = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    uint32_t colorsUsed = 0;
    uint32_t pixelOffset = 0;      // 0: right after the table
    std::vector<uint32_t> masks;   // written after a 40-byte header, or inside a longer one
    std::vector<uint32_t> colours; // 0x00RRGGBB each
    std::vector<uint8_t> pixels;   // the pixel array as stored

    std::vector<uint8_t> Build() const;
};

void Put16(std::vector<uint8_t>& out, uint16_t v);
void Put32(std::vector<uint8_t>& out, uint32_t v);

std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// A fresh folder for the test's files, removed with the object.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string Path(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};
