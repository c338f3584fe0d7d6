#pragma once

#include <cstdint>
#include <functional>

// A picture the window holds: rows of 24-bit blue, green, red, `stride` bytes apart.
struct FramePicture {
    const uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
    bool bottomUp = true;
};

using PictureVisitor = std::function<void(const FramePicture&)>;
// Calls the visitor once with the newest processed picture, holding the picture still (under the
// window's lock) until it returns; or not at all when there is none.
using PictureReader = std::function<void(const PictureVisitor&)>;
