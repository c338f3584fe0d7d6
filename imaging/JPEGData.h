#pragma once

#include <cstdint>
#include <vector>

// A compressed JPEG picture: all of its file's bytes, and what its frame header says. Shared
// (by reference count) between the JPEG pictures that hold it; not changed once loaded.
struct TJPEGData {
    std::vector<uint8_t> bytes;
    int width = 0;
    int height = 0;
    bool grayscale = false; // the file's colour space is greyscale (one component)
};
