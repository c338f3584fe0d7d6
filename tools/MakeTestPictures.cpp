// Writes the pictures that the demonstration and the tools' tests run tarnolix-fx on:
//   test-picture.bmp     320x240: colour gradients, a grey ramp, a white disc and a pure blue
//                        panel (for keying with --key 0000FF)
//   test-background.bmp  640x480 stripes, scaled to the frame and shown through the blue
//                        panel when keyed
// usage: tarnolix-test-pictures FOLDER

#include "imaging/BitmapFileWriter.h"
#include "platform/runtime/Exception.h"

#include <iostream>
#include <string>

namespace {

void Put(TBitmap& bitmap, int x, int y, uint8_t r, uint8_t g, uint8_t b) {
    uint8_t* p = bitmap.ScanLine(y) + 3 * x;
    p[0] = b;
    p[1] = g;
    p[2] = r;
}

void MakePicture(TBitmap& picture) {
    picture.SetSize(320, 240);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const int dx = x - 100, dy = y - 110;
            if (x >= 200 && x < 300 && y >= 40 && y < 200)
                Put(picture, x, y, 0, 0, 255);
            else if (dx * dx + dy * dy < 50 * 50)
                Put(picture, x, y, 250, 250, 245);
            else if (y >= 215)
                Put(picture, x, y, static_cast<uint8_t>(x * 255 / 319), static_cast<uint8_t>(x * 255 / 319),
                    static_cast<uint8_t>(x * 255 / 319));
            else
                Put(picture, x, y, static_cast<uint8_t>(x * 255 / 319), static_cast<uint8_t>(y * 255 / 239),
                    static_cast<uint8_t>(255 - x * 200 / 319));
        }
}

void MakeBackground(TBitmap& background) {
    background.SetSize(640, 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const bool stripe = ((x + y) / 20) % 2 == 0;
            Put(background, x, y, stripe ? 255 : 30, stripe ? 200 : 120, stripe ? 0 : 60);
        }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: tarnolix-test-pictures FOLDER\n";
        return 2;
    }
    const std::string folder = argv[1];
    try {
        TBitmap picture;
        MakePicture(picture);
        SaveBitmapToFile(picture, folder + "/test-picture.bmp");
        TBitmap background;
        MakeBackground(background);
        SaveBitmapToFile(background, folder + "/test-background.bmp");
    } catch (const Exception& e) {
        std::cerr << "tarnolix-test-pictures: " << e.Message() << '\n';
        return 1;
    }
    return 0;
}
